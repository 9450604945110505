// CString and the formatter behind Format, wsprintfW and swprintf_s.
#include <gtest/gtest.h>

#include <string>

#include "zelcompat/collections.h"
#include "zelcompat/cstring.h"
#include "zelcompat/textfn.h"

namespace {

std::u16string U(const CString& s) { return s.Str(); }

template <typename F>
void ExpectInvalidArg(F&& f) {
    bool thrown = false;
    try {
        f();
    } catch (CInvalidArgException* e) {
        thrown = true;
        e->Delete();
    }
    EXPECT_TRUE(thrown);
}

}  // namespace

TEST(CStringTest, Construction) {
    EXPECT_TRUE(CString(static_cast<LPCWSTR>(nullptr)).IsEmpty());
    EXPECT_EQ(U(CString(u"abcdef", 3)), u"abc");
    EXPECT_EQ(CString(u"a\0b", 3).GetLength(), 3);
    EXPECT_TRUE(CString(u"abc", -1).IsEmpty());
    EXPECT_EQ(U(CString(u'x', 4)), u"xxxx");
    EXPECT_TRUE(CString(u'x', 0).IsEmpty());
    EXPECT_EQ(U(CString("Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC")), u"Grüße €");
    CString s;
    s = u'q';
    EXPECT_EQ(U(s), u"q");
    s = "\xF0\x9F\x98\x80";
    EXPECT_EQ(U(s), u"\U0001F600");
    s = static_cast<LPCWSTR>(nullptr);
    EXPECT_TRUE(s.IsEmpty());
}

TEST(CStringTest, ExtractionClampsLikeMfc) {
    CString s(u"abcdef");
    EXPECT_EQ(U(s.Left(-1)), u"");
    EXPECT_EQ(U(s.Left(2)), u"ab");
    EXPECT_EQ(U(s.Left(100)), u"abcdef");
    EXPECT_EQ(U(s.Mid(-2, 3)), u"abc");
    EXPECT_EQ(U(s.Mid(3, 100)), u"def");
    EXPECT_EQ(U(s.Mid(2, -1)), u"");
    EXPECT_EQ(U(s.Mid(4)), u"ef");
    EXPECT_EQ(U(s.Mid(6)), u"");
    EXPECT_EQ(U(s.Mid(10, 2)), u"");
    EXPECT_EQ(U(s.Mid(1, 0x7FFFFFFF)), u"bcdef");
    EXPECT_EQ(U(s.Right(-1)), u"");
    EXPECT_EQ(U(s.Right(2)), u"ef");
    EXPECT_EQ(U(s.Right(100)), u"abcdef");
}

TEST(CStringTest, IndexedAccess) {
    CString s(u"abc");
    EXPECT_EQ(s.GetAt(1), u'b');
    EXPECT_EQ(s[2], u'c');
    EXPECT_EQ(s.GetAt(3), u'\0');  // the terminator may be read
    s.SetAt(0, u'X');
    EXPECT_EQ(U(s), u"Xbc");
    ExpectInvalidArg([&] { s.GetAt(4); });
    ExpectInvalidArg([&] { s.GetAt(-1); });
    ExpectInvalidArg([&] { s.SetAt(3, u'z'); });
}

TEST(CStringTest, Searching) {
    CString s(u"hello world");
    EXPECT_EQ(s.Find(u'o'), 4);
    EXPECT_EQ(s.Find(u'o', 5), 7);
    EXPECT_EQ(s.Find(u'o', 8), -1);
    EXPECT_EQ(s.Find(u'h', 11), -1);
    EXPECT_EQ(s.Find(u'h', -1), -1);
    EXPECT_EQ(s.Find(u"wor"), 6);
    EXPECT_EQ(s.Find(u"lo", 4), -1);
    EXPECT_EQ(s.Find(u"", 3), 3);
    EXPECT_EQ(s.Find(u"d", 12), -1);
    EXPECT_EQ(s.ReverseFind(u'o'), 7);
    EXPECT_EQ(s.ReverseFind(u'z'), -1);
    EXPECT_EQ(s.FindOneOf(u"wr"), 6);
    EXPECT_EQ(s.FindOneOf(u"xyz"), -1);
    EXPECT_EQ(s.FindOneOf(u""), -1);
}

TEST(CStringTest, ReplaceRemoveInsertDelete) {
    CString s(u"aaa");
    EXPECT_EQ(s.Replace(u"aa", u"b"), 1);
    EXPECT_EQ(U(s), u"ba");
    s = u"aXa";
    EXPECT_EQ(s.Replace(u"a", u"aa"), 2);  // the replacement is not scanned again
    EXPECT_EQ(U(s), u"aaXaa");
    EXPECT_EQ(s.Replace(u"a", nullptr), 4);
    EXPECT_EQ(U(s), u"X");
    EXPECT_EQ(s.Replace(u"", u"z"), 0);
    s = u"a.b.c";
    EXPECT_EQ(s.Replace(u'.', u'\\'), 2);
    EXPECT_EQ(U(s), u"a\\b\\c");
    EXPECT_EQ(s.Replace(u'a', u'a'), 0);
    EXPECT_EQ(s.Remove(u'\\'), 2);
    EXPECT_EQ(U(s), u"abc");

    EXPECT_EQ(s.Insert(-5, u'<'), 4);
    EXPECT_EQ(s.Insert(100, u">>"), 6);
    EXPECT_EQ(U(s), u"<abc>>");
    EXPECT_EQ(s.Delete(4, 10), 4);
    EXPECT_EQ(s.Delete(0), 3);
    EXPECT_EQ(s.Delete(7, 1), 3);
    EXPECT_EQ(U(s), u"abc");
}

TEST(CStringTest, Trimming) {
    CString s(u" \t\r\nabc \n");
    EXPECT_EQ(U(s.Trim()), u"abc");
    s = u"xyxabcyx";
    EXPECT_EQ(U(s.TrimLeft(u"xy")), u"abcyx");
    EXPECT_EQ(U(s.TrimRight(u'x')), u"abcy");
    s = u"  a  ";
    EXPECT_EQ(U(s.TrimRight()), u"  a");
    EXPECT_EQ(U(s.TrimLeft()), u"a");
    s = u"xxxx";
    EXPECT_TRUE(s.Trim(u'x').IsEmpty());
}

TEST(CStringTest, CaseMappingBeyondAscii) {
    CString s(u"abc äöü ÿ ā ω ς я ё");
    EXPECT_EQ(U(s.MakeUpper()), u"ABC ÄÖÜ Ÿ Ā Ω Σ Я Ё");
    EXPECT_EQ(U(s.MakeLower()), u"abc äöü ÿ ā ω σ я ё");
    CString pair(u"a\U0001F600b");
    EXPECT_EQ(U(pair.MakeUpper()), u"A\U0001F600B");
    EXPECT_EQ(U(pair.MakeReverse()), u"B\U0001F600A");
}

TEST(CStringTest, Comparisons) {
    CString s(u"abc");
    EXPECT_EQ(s.Compare(u"abc"), 0);
    EXPECT_LT(s.Compare(u"abd"), 0);
    EXPECT_GT(s.Compare(u"ab"), 0);
    EXPECT_GT(s.Compare(u"ABC"), 0);
    EXPECT_EQ(s.CompareNoCase(u"ABC"), 0);
    EXPECT_LT(s.CompareNoCase(u"ABD"), 0);
    EXPECT_EQ(CString(u"ÄÖÜ Straße").CompareNoCase(u"äöü STRAßE"), 0);
    EXPECT_EQ(CString(u"ΟΔΟΣ").CompareNoCase(u"οδος"), 0);
    EXPECT_EQ(CString(u"ПРИВЕТ").CompareNoCase(u"привет"), 0);
    EXPECT_LT(CString(u"_").CompareNoCase(u"a"), 0);  // letters fold to lower case
    EXPECT_TRUE(s == u"abc");
    EXPECT_TRUE(u"abc" == s);
    EXPECT_TRUE(s != CString(u"abd"));
    EXPECT_TRUE(s < u"abd");
    EXPECT_TRUE(u"abb" < s);
    EXPECT_TRUE(s >= CString(u"abc"));
    EXPECT_TRUE(s > u"ab");
}

TEST(CStringTest, Concatenation) {
    CString a(u"ab");
    EXPECT_EQ(U(a + u"cd"), u"abcd");
    EXPECT_EQ(U(u"<" + a), u"<ab");
    EXPECT_EQ(U(a + u'!'), u"ab!");
    EXPECT_EQ(U(u'!' + a), u"!ab");
    EXPECT_EQ(U(a + a), u"abab");
    a += a;
    a += a.GetString() + 1;  // points into the string itself
    EXPECT_EQ(U(a), u"ababbab");
}

TEST(CStringTest, BufferRoundTrip) {
    CString s;
    LPWSTR buffer = s.GetBuffer(10);
    lstrcpyW(buffer, u"hello");
    buffer[10] = 0;  // the terminator unit is writable too
    s.ReleaseBuffer();
    EXPECT_EQ(s.GetLength(), 5);
    EXPECT_EQ(U(s), u"hello");

    buffer = s.GetBuffer(2);  // a smaller request keeps the text
    buffer[0] = u'j';
    s.ReleaseBuffer();
    EXPECT_EQ(U(s), u"jello");
    s.GetBuffer();
    s.ReleaseBuffer(3);
    EXPECT_EQ(U(s), u"jel");

    buffer = s.GetBufferSetLength(5);
    EXPECT_EQ(s.GetLength(), 5);
    buffer[4] = u'y';  // index 3 keeps the zero the string was padded with
    EXPECT_EQ(U(s), std::u16string(u"jel\0y", 5));
    s.ReleaseBuffer();
    EXPECT_EQ(U(s), u"jel");
}

TEST(CStringTest, TokenizeAndSpans) {
    CString s(u"  a,,bb c ,");
    int pos = 0;
    EXPECT_EQ(U(s.Tokenize(u" ,", pos)), u"a");
    EXPECT_EQ(U(s.Tokenize(u" ,", pos)), u"bb");
    EXPECT_EQ(U(s.Tokenize(u" ,", pos)), u"c");
    EXPECT_EQ(U(s.Tokenize(u" ,", pos)), u"");
    EXPECT_EQ(pos, -1);

    CString whole(u"abc");
    pos = 1;
    EXPECT_EQ(U(whole.Tokenize(u"", pos)), u"bc");
    EXPECT_EQ(U(whole.Tokenize(u"", pos)), u"");
    EXPECT_EQ(pos, -1);

    CString digits(u"123abc456");
    EXPECT_EQ(U(digits.SpanIncluding(u"0123456789")), u"123");
    EXPECT_EQ(U(digits.SpanExcluding(u"cb")), u"123a");
    EXPECT_EQ(U(digits.SpanExcluding(u"xyz")), u"123abc456");
}

TEST(FormatTest, IntegersAndWidths) {
    CString s;
    s.Format(u"%d|%i|%u|%02d|%04d|%5d|%-5d|%+d|% d", -7, 42, 7u, 5, 123, 42, 42, 3, 3);
    EXPECT_EQ(U(s), u"-7|42|7|05|0123|   42|42   |+3| 3");
    s.Format(u"%x|%X|%#x|%o|%08X", 255, 255, 255, 8, 0xBEEFu);
    EXPECT_EQ(U(s), u"ff|FF|0xff|10|0000BEEF");
    s.Format(u"%.3d|%*d|%-*d|", 7, 4, 1, 3, 2);
    EXPECT_EQ(U(s), u"007|   1|2  |");
}

TEST(FormatTest, IntegerSizesFollowTheArgument) {
    // A 32-bit argument is read as 32 bits: %d of 0xFFFFFFFF is -1, %u of -1 is 2^32-1.
    EXPECT_EQ(ZelFormat(u"%d", DWORD(0xFFFFFFFF)), u"-1");
    EXPECT_EQ(ZelFormat(u"%u", -1), u"4294967295");
    EXPECT_EQ(ZelFormat(u"%x", -1), u"ffffffff");
    EXPECT_EQ(ZelFormat(u"%llx", -1), u"ffffffffffffffff");
    EXPECT_EQ(ZelFormat(u"%I64d", 1LL << 40), u"1099511627776");
    EXPECT_EQ(ZelFormat(u"%I64u", ULONGLONG(18446744073709551615ull)), u"18446744073709551615");
    EXPECT_EQ(ZelFormat(u"%lld", -5000000000LL), u"-5000000000");
    EXPECT_EQ(ZelFormat(u"%d", 5000000000LL), u"5000000000");
    EXPECT_EQ(ZelFormat(u"%ld", LONG(-3)), u"-3");
    EXPECT_EQ(ZelFormat(u"%hd", 70000), u"4464");
    EXPECT_EQ(ZelFormat(u"%hu", -1), u"65535");
    EXPECT_EQ(ZelFormat(u"%d", true), u"1");
}

TEST(FormatTest, Text) {
    CString name(u"Ünïcode");
    CString s;
    s.Format(u"[%s] [%S] [%5s] [%-5s] [%.2s] [%s]", u"wide", "n\xC3\xA4rrow", u"ab", u"ab", u"abcdef", name);
    EXPECT_EQ(U(s), u"[wide] [närrow] [   ab] [ab   ] [ab] [Ünïcode]");
    s.Format(u"%s|%s|%S", static_cast<LPCWSTR>(nullptr), nullptr, static_cast<const char*>(nullptr));
    EXPECT_EQ(U(s), u"(null)|(null)|(null)");
    std::u16string u16(u"std");
    EXPECT_EQ(ZelFormat(u"%s-%s", u16, std::string("str")), u"std-str");
    // The precision bounds the read: the text needs no terminator.
    const WCHAR unterminated[3] = {u'x', u'y', u'z'};
    EXPECT_EQ(ZelFormat(u"%.3s", unterminated), u"xyz");
    EXPECT_EQ(ZelFormat(u"%.*s", 2, u"abc"), u"ab");
}

TEST(FormatTest, CharactersAndPercent) {
    EXPECT_EQ(ZelFormat(u"%c%c%C|%3c|100%%", u'a', WCHAR(0xE9), 'z', u'q'), u"aéz|  q|100%");
    EXPECT_EQ(ZelFormat(u"%c", 0x1F600), u"\U0001F600");
}

TEST(FormatTest, FloatingPoint) {
    EXPECT_EQ(ZelFormat(u"%f", 1.5), u"1.500000");
    EXPECT_EQ(ZelFormat(u"%.2f|%6.1f|%-6.1f|%06.2f", 3.14159, 2.25f, -1.0, 3.14159), u"3.14|   2.2|-1.0  |003.14");
    EXPECT_EQ(ZelFormat(u"%e", 12345.678), u"1.234568e+04");
    EXPECT_EQ(ZelFormat(u"%g|%g", 0.0001, 1e20), u"0.0001|1e+20");
    EXPECT_EQ(ZelFormat(u"%.1f", 2), u"2.0");  // an integer given to %f is converted
}

TEST(FormatTest, MismatchesDoNotCrash) {
    EXPECT_EQ(ZelFormat(u"%d %s", 1), u"1 ");             // a missing argument is empty
    EXPECT_EQ(ZelFormat(u"%s|%s", 0, 5), u"(null)|");     // integers given for text
    EXPECT_EQ(ZelFormat(u"%d", 3.9), u"3");               // a double given for %d
    EXPECT_EQ(ZelFormat(u"%d", 1, 2, 3), u"1");           // extra arguments are ignored
    EXPECT_EQ(ZelFormat(u"%y|%", 1), u"%y|%");            // not conversions: left as written
    EXPECT_EQ(ZelFormat(u"%n|%d", 7, 8), u"|8");          // %n consumes but stores nothing
    int x = 0;
    EXPECT_EQ(ZelFormat(u"%p", &x).size(), sizeof(void*) * 2);
    EXPECT_EQ(ZelFormat(u"%p", reinterpret_cast<void*>(0xABC)), std::u16string(sizeof(void*) * 2 - 3, u'0') + u"ABC");
}

TEST(FormatTest, AppendFormatMayReadItself) {
    CString s(u"ab");
    s.AppendFormat(u"[%s]", s);
    EXPECT_EQ(U(s), u"ab[ab]");
    s.Format(u"%s%s", s, s);
    EXPECT_EQ(U(s), u"ab[ab]ab[ab]");
}

TEST(FormatTest, RawBufferFunctions) {
    WCHAR buffer[16];
    std::fill(std::begin(buffer), std::end(buffer), u'#');
    EXPECT_EQ(swprintf_s(buffer, 8, u"%s-%d", u"ab", 12), 5);
    EXPECT_EQ(std::u16string(buffer), u"ab-12");

    std::fill(std::begin(buffer), std::end(buffer), u'#');
    EXPECT_EQ(swprintf_s(buffer, 4, u"%d", 12345), -1);  // does not fit: empty, never past count
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(buffer[4], u'#');
    EXPECT_EQ(swprintf_s(buffer, u"%04d", 7), 4);  // capacity from the array
    EXPECT_EQ(std::u16string(buffer), u"0007");

    // wsprintfW stops at 1024 units including the terminator.
    std::u16string big(2000, u'x');
    std::u16string out(1100, u'#');
    EXPECT_EQ(wsprintfW(out.data(), u"%s", big.c_str()), 1023);
    EXPECT_EQ(out[1022], u'x');
    EXPECT_EQ(out[1023], 0);
    EXPECT_EQ(out[1024], u'#');
}
