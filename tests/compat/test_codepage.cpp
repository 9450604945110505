// Code page conversions and the Win32 / C runtime string helpers.
#include <gtest/gtest.h>

#include <string>

#include "lasterror.h"
#include "zelcompat/textfn.h"

namespace {

std::u16string ToWide(UINT codePage, const std::string& bytes) {
    int n = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::u16string out(static_cast<size_t>(n), u'\0');
    if (n > 0) {
        EXPECT_EQ(n, MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), n));
    }
    return out;
}

std::string ToBytes(UINT codePage, const std::u16string& text, LPCSTR defaultChar = nullptr, BOOL* used = nullptr) {
    int size = static_cast<int>(text.size());
    int n = WideCharToMultiByte(codePage, 0, text.data(), size, nullptr, 0, defaultChar, used);
    std::string out(static_cast<size_t>(n), '\0');
    if (n > 0) {
        EXPECT_EQ(n, WideCharToMultiByte(codePage, 0, text.data(), size, out.data(), n, defaultChar, used));
    }
    return out;
}

const std::string kUtf8 = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z";  // a é € U+1F600 z
const std::u16string kWide = u"aé€\U0001F600z";

}  // namespace

TEST(CodePageTest, Utf8RoundTripTerminatorsAndBadArguments) {
    EXPECT_EQ(kWide, ToWide(CP_UTF8, kUtf8));
    EXPECT_EQ(kUtf8, ToBytes(CP_UTF8, kWide));
    EXPECT_EQ(kUtf8, ZelToUtf8(kWide));
    EXPECT_EQ(std::u16string(u"a\0b", 3), ZelFromUtf8(std::string("a\0b", 3)));

    // A length of -1 counts the terminator, and nothing is written past it.
    WCHAR wide[8];
    std::fill(std::begin(wide), std::end(wide), u'#');
    EXPECT_EQ(4, MultiByteToWideChar(CP_UTF8, 0, "abc", -1, nullptr, 0));
    EXPECT_EQ(4, MultiByteToWideChar(CP_UTF8, 0, "abc", -1, wide, 8));
    EXPECT_EQ(u"abc", std::u16string(wide));
    EXPECT_EQ(u'#', wide[4]);
    char bytes[8] = {'#', '#', '#', '#', '#', '#', '#', '#'};
    EXPECT_EQ(4, WideCharToMultiByte(CP_UTF8, 0, u"\u20AC", -1, bytes, 8, nullptr, nullptr));
    EXPECT_STREQ("\xE2\x82\xAC", bytes);

    bytes[2] = '#';
    EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, ErrorOf([&] { return MultiByteToWideChar(CP_UTF8, 0, "abc", 3, wide, 2); }));
    EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER,
              ErrorOf([&] { return WideCharToMultiByte(CP_UTF8, 0, u"\u20AC", 1, bytes, 2, nullptr, nullptr); }));
    EXPECT_EQ('#', bytes[2]);
    EXPECT_EQ(ERROR_INVALID_PARAMETER, ErrorOf([&] { return MultiByteToWideChar(437, 0, "a", 1, wide, 2); }));
}

TEST(CodePageTest, InvalidInputBecomesReplacementsUnlessRefused) {
    const std::pair<std::string, std::u16string> rows[] = {
        {"a\xFF" "b", u"a\uFFFDb"},
        {"\xE2\x82", u"\uFFFD"},                         // truncated: one replacement
        {"\xE2\x82" "A", u"\uFFFDA"},                    // the next character survives
        {"\xC0\xAF", u"\uFFFD\uFFFD"},                   // overlong
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},         // an encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // past U+10FFFF
    };
    for (const auto& [bytes, wide] : rows) EXPECT_EQ(wide, ToWide(CP_UTF8, bytes));
    EXPECT_EQ(u"x\uFFFDy", ZelFromUtf8("x\x80y"));
    WCHAR wide[8];
    EXPECT_EQ(ERROR_NO_UNICODE_TRANSLATION,
              ErrorOf([&] { return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "a\xFF", 2, wide, 8); }));
    EXPECT_EQ(2, MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "ok", 2, wide, 8));

    // Lone surrogates become the default character, and say so.
    const std::u16string lone = {u'a', char16_t(0xD83D), u'b', char16_t(0xDE00)};
    BOOL used = FALSE;
    EXPECT_EQ("a?b?", ToBytes(CP_UTF8, lone, nullptr, &used));
    EXPECT_TRUE(used);
    EXPECT_EQ("a?b?", ZelToUtf8(lone));
    ToBytes(CP_UTF8, u"fine", nullptr, &used);
    EXPECT_FALSE(used);
    char bytes[8];
    EXPECT_EQ(ERROR_NO_UNICODE_TRANSLATION, ErrorOf([&] {
                  return WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, lone.data(), 4, bytes, 8, nullptr, nullptr);
              }));
}

TEST(CodePageTest, SingleByteCodePagesAndTheHostsAnsiCodePage) {
    EXPECT_EQ(u"\u20AC\u0081\u0178\u00E9\u00FF", ToWide(1252, "\x80\x81\x9F\xE9\xFF"));
    EXPECT_EQ("\x80\x9F\xE9", ToBytes(1252, u"\u20AC\u0178é"));
    BOOL used = FALSE;
    EXPECT_EQ("a??", ToBytes(1252, u"aΩ\U0001F600", nullptr, &used));  // a pair is one character
    EXPECT_TRUE(used);
    EXPECT_EQ("\xE9*", ToBytes(28591, u"é€", "*"));

    struct Restore {
        ~Restore() { ZelSetAnsiCodePage(CP_UTF8); }
    } restore;
    EXPECT_EQ(u"é", ToWide(CP_ACP, "\xC3\xA9"));  // UTF-8 by default
    ZelSetAnsiCodePage(1252);
    EXPECT_EQ(u"Ã©", ToWide(CP_ACP, "\xC3\xA9"));
    EXPECT_EQ(u"€", ToWide(CP_OEMCP, "\x80"));
    ZelSetAnsiCodePage(437);  // not supported: ignored
    EXPECT_EQ("\xE9", ToBytes(CP_ACP, u"é"));
    ZelSetAnsiCodePage(0);
    EXPECT_EQ("\xC3\xA9", ToBytes(CP_ACP, u"é"));
}

TEST(TextFnTest, StrToIntWStopsAtWhiteSpaceAndWtoiSkipsItAndSaturates) {
    struct Row {
        const char16_t* text;
        int strToInt, wtoi;
    };
    const Row rows[] = {{u"123abc", 123, 123}, {u"-42", -42, -42}, {u"+7", 7, 7},     {u" 5", 0, 5},
                        {u" \t-12x", 0, -12},  {u"abc", 0, 0},     {u"-", 0, 0},     {u"", 0, 0},
                        {u"0012", 12, 12},     {u"2147483647", 2147483647, 2147483647}};
    for (const auto& row : rows) {
        EXPECT_EQ(row.strToInt, StrToIntW(row.text)) << "StrToIntW " << ZelToUtf8(row.text);
        EXPECT_EQ(row.wtoi, _wtoi(row.text)) << "_wtoi " << ZelToUtf8(row.text);
    }
    EXPECT_EQ(2147483647, _wtoi(u"99999999999"));
    EXPECT_EQ(-2147483647 - 1, _wtoi(u"-2147483648"));
    EXPECT_EQ(-2147483647 - 1, _wtoi(u"-99999999999"));
    EXPECT_EQ(0, StrToIntW(nullptr));
    EXPECT_EQ(9223372036854775807LL, _wtoi64(u"  9223372036854775807"));
    EXPECT_EQ(-9223372036854775807LL - 1, _wtoi64(u"-9223372036854775809"));
}

TEST(TextFnTest, KernelStringHelpersAndCaseMapping) {
    WCHAR buffer[8];
    std::fill(std::begin(buffer), std::end(buffer), u'#');
    lstrcpynW(buffer, u"abcdef", 4);
    EXPECT_EQ(u"abc", std::u16string(buffer));
    EXPECT_EQ(u'#', buffer[4]);
    lstrcpynW(buffer, u"abcdef", 1);
    EXPECT_EQ(0, buffer[0]);
    EXPECT_EQ(u'b', buffer[1]);
    EXPECT_EQ(0, lstrlenW(nullptr));
    EXPECT_LT(lstrcmpW(u"ab", u"abc"), 0);
    EXPECT_LT(lstrcmpW(nullptr, u"a"), 0);
    EXPECT_EQ(0, lstrcmpiW(u"ÉCOLE", u"école"));
    EXPECT_GT(lstrcmpiW(u"B", u"a"), 0);

    WCHAR text[] = u"abc äé ŀ ω я";
    EXPECT_EQ(text, CharUpperW(text));
    EXPECT_EQ(u"ABC ÄÉ Ŀ Ω Я", std::u16string(text));
    // A value below 0x10000 in place of the pointer is one character.
    auto single = reinterpret_cast<uintptr_t>(CharUpperW(reinterpret_cast<LPWSTR>(static_cast<uintptr_t>(u'ж'))));
    EXPECT_EQ(static_cast<uintptr_t>(u'Ж'), single);
    const std::pair<char16_t, char16_t> upper[] = {{u'ё', u'Ё'}, {u'ŉ', u'ŉ'}, {u'ÿ', u'Ÿ'},
                                                   {char16_t(0xD83D), char16_t(0xD83D)}, {u'1', u'1'}};
    for (const auto& [from, to] : upper) EXPECT_EQ(to, ZelToUpper(from));
    EXPECT_EQ(u'ё', ZelToLower(u'Ё'));
    EXPECT_EQ(u'σ', ZelToLower(u'Σ'));
}
