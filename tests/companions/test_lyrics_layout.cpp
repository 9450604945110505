// The converter's lyrics layout and its per-model table, tested directly.
#include <gtest/gtest.h>

#include "ldb_lyrics.h"
#include "ldb_playerinfo.h"

namespace {

std::vector<std::u16string> Layout(const std::u16string& text, int width, int maxLines = 0) {
    return ldb::LayoutLyrics(text, ldb::PlayerSettings{width, maxLines});
}

using Lines = std::vector<std::u16string>;

}  // namespace

TEST(LdbConvertLayout, WrapsBetweenWordsAndCutsLongWords) {
    EXPECT_EQ(Layout(u"the quick brown fox", 9), (Lines{u"the quick", u"brown fox"}));
    EXPECT_EQ(Layout(u"a    b", 9), (Lines{u"a b"}));
    EXPECT_EQ(Layout(u"supercalifragilistic", 8), (Lines{u"supercal", u"ifragili", u"stic"}));
    EXPECT_EQ(Layout(u"ab supercalifragilistic", 8), (Lines{u"ab", u"supercal", u"ifragili", u"stic"}));
    EXPECT_EQ(Layout(u"exactly8", 8), (Lines{u"exactly8"}));
}

TEST(LdbConvertLayout, LineBreaksAndBlankLines) {
    EXPECT_EQ(Layout(u"one\r\ntwo\rthree\nfour\u2028five", 20), (Lines{u"one", u"two", u"three", u"four", u"five"}));
    // Stanzas keep one empty line between them; none at the ends; line ends are trimmed.
    EXPECT_EQ(Layout(u"\n\n  verse one  \n\n\n\nverse two\t\n\n", 20), (Lines{u"verse one", u"", u"verse two"}));
    EXPECT_TRUE(Layout(u" \r\n\t\n", 20).empty());
    EXPECT_EQ(ldb::PlayerLyrics(u"a\n\nb", ldb::PlayerSettings{}), u"a\n\nb");
}

TEST(LdbConvertLayout, WideCharactersTakeTwoColumns) {
    // Hangul syllables: two columns each, and a line may break between any two of them.
    EXPECT_EQ(Layout(u"\uAC00\uAC01\uAC02\uAC03\uAC04\uAC05", 6), (Lines{u"\uAC00\uAC01\uAC02", u"\uAC03\uAC04\uAC05"}));
    EXPECT_EQ(Layout(u"ab\u4E00\u4E01cd", 4), (Lines{u"ab\u4E00", u"\u4E01cd"}));
    // A combining accent adds no width and stays with its letter.
    EXPECT_EQ(Layout(u"e\u0301e\u0301e\u0301e\u0301", 2), (Lines{u"e\u0301e\u0301", u"e\u0301e\u0301"}));
    // A character outside the BMP is never split into halves.
    EXPECT_EQ(Layout(u"\U00020000\U00020001", 2), (Lines{u"\U00020000", u"\U00020001"}));
}

TEST(LdbConvertLayout, MaxLinesCutsTheText) {
    EXPECT_EQ(Layout(u"1\n2\n3\n4", 10, 2), (Lines{u"1", u"2"}));
    // A cut that would end on a stanza break drops the empty line.
    EXPECT_EQ(Layout(u"1\n\n2", 10, 2), (Lines{u"1"}));
}

TEST(LdbConvertPlayerTable, ModelFamilyAndDefaultSections) {
    const std::string ini =
        "[Default]\nLineWidth=24\nMaxLines=50\n"
        "[rv-m41]\nlinewidth=12\n"
        "[RV-M41(A)]\nMaxLines=7\n"
        "[Broken]\nLineWidth=2\nMaxLines=-1\n"
        "stray line without equals\n";
    const ldb::IniSections sections = ldb::ParseIni(ini);

    ldb::PlayerSettings a = ldb::SettingsFor(sections, u"RV-M41(A)");
    EXPECT_EQ(a.lineWidth, 12);  // from the family, names without regard to case
    EXPECT_EQ(a.maxLines, 7);    // from the model
    ldb::PlayerSettings other = ldb::SettingsFor(sections, u"ZX-1");
    EXPECT_EQ(other.lineWidth, 24);
    EXPECT_EQ(other.maxLines, 50);
    // Values out of range fall through to [Default].
    ldb::PlayerSettings broken = ldb::SettingsFor(sections, u"Broken");
    EXPECT_EQ(broken.lineWidth, 24);
    EXPECT_EQ(broken.maxLines, 50);
}

TEST(LdbConvertPlayerTable, Utf16AndUtf8FilesWithByteOrderMarks) {
    const std::u16string text = u"[\uD55C\uAE00-1]\r\nLineWidth=16\r\n";
    std::string utf16le = "\xFF\xFE";
    for (char16_t unit : text) {
        utf16le.push_back(static_cast<char>(unit & 0xFF));
        utf16le.push_back(static_cast<char>(unit >> 8));
    }
    EXPECT_EQ(ldb::SettingsFor(ldb::ParseIni(utf16le), u"\uD55C\uAE00-1").lineWidth, 16);
    const std::string utf8 = "\xEF\xBB\xBF[Default]\nLineWidth=33\n";
    EXPECT_EQ(ldb::SettingsFor(ldb::ParseIni(utf8), u"x").lineWidth, 33);
}
