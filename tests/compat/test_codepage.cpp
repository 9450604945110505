// Code page conversions and the Win32 / C runtime string helpers.
#include <gtest/gtest.h>

#include <string>

#include "zelcompat/debug.h"
#include "zelcompat/textfn.h"

namespace {

std::u16string ToWide(UINT codePage, const std::string& bytes, DWORD flags = 0) {
    int n = MultiByteToWideChar(codePage, flags, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::u16string out(static_cast<size_t>(n), u'\0');
    if (n > 0) {
        EXPECT_EQ(MultiByteToWideChar(codePage, flags, bytes.data(), static_cast<int>(bytes.size()), out.data(), n), n);
    }
    return out;
}

std::string ToBytes(UINT codePage, const std::u16string& text, LPCSTR defaultChar = nullptr, BOOL* used = nullptr) {
    int n = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, defaultChar, used);
    std::string out(static_cast<size_t>(n), '\0');
    if (n > 0) {
        EXPECT_EQ(WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                                      defaultChar, used),
                  n);
    }
    return out;
}

// Restores the ANSI code page to UTF-8 when a test ends.
struct AnsiCodePageGuard {
    ~AnsiCodePageGuard() { ZelSetAnsiCodePage(CP_UTF8); }
};

const std::string kUtf8 = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z";  // a é € U+1F600 z
const std::u16string kWide = u"aé€\U0001F600z";

}  // namespace

TEST(CodePageTest, Utf8RoundTripWithSurrogatePairs) {
    EXPECT_EQ(ToWide(CP_UTF8, kUtf8), kWide);
    EXPECT_EQ(ToWide(CP_UTF8, kUtf8).size(), 6u);  // the emoji is two units
    EXPECT_EQ(ToBytes(CP_UTF8, kWide), kUtf8);
    EXPECT_EQ(ZelToUtf8(kWide), kUtf8);
    EXPECT_EQ(ZelToUtf8(kWide.c_str()), kUtf8);
    EXPECT_EQ(ZelFromUtf8(kUtf8), kWide);
    EXPECT_EQ(ZelFromUtf8(kUtf8.c_str()), kWide);
    EXPECT_EQ(ZelToUtf8(static_cast<LPCWSTR>(nullptr)), "");
    EXPECT_EQ(ZelFromUtf8(static_cast<const char*>(nullptr)), u"");
    EXPECT_EQ(ZelFromUtf8(std::string("a\0b", 3)), std::u16string(u"a\0b", 3));
}

TEST(CodePageTest, TerminatedInputCountsTheTerminator) {
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", -1, nullptr, 0), 4);
    WCHAR wide[8];
    std::fill(std::begin(wide), std::end(wide), u'#');
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", -1, wide, 8), 4);
    EXPECT_EQ(std::u16string(wide), u"abc");
    EXPECT_EQ(wide[4], u'#');

    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"\u20AC", -1, nullptr, 0, nullptr, nullptr), 4);
    char bytes[8];
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"\u20AC", -1, bytes, 8, nullptr, nullptr), 4);
    EXPECT_STREQ(bytes, "\xE2\x82\xAC");
}

TEST(CodePageTest, TooSmallBufferAndBadParameters) {
    WCHAR wide[2] = {u'#', u'#'};
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", 3, wide, 2), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));

    char bytes[3] = {'#', '#', '#'};
    SetLastError(0);
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"\u20AC", 1, bytes, 2, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(bytes[2], '#');

    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(437, 0, "a", 1, wide, 2), 0);  // not a supported code page
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "a", 0, wide, 2), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    SetLastError(0);
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, nullptr, -1, bytes, 3, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(CodePageTest, InvalidUtf8BecomesReplacement) {
    EXPECT_EQ(ToWide(CP_UTF8, "a\xFF" "b"), u"a\uFFFDb");
    EXPECT_EQ(ToWide(CP_UTF8, "\xE2\x82"), u"\uFFFD");         // truncated: one replacement
    EXPECT_EQ(ToWide(CP_UTF8, "\xE2\x82" "A"), u"\uFFFDA");    // the next character survives
    EXPECT_EQ(ToWide(CP_UTF8, "\xC0\xAF"), u"\uFFFD\uFFFD");   // overlong
    EXPECT_EQ(ToWide(CP_UTF8, "\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");  // an encoded surrogate
    EXPECT_EQ(ToWide(CP_UTF8, "\xF4\x90\x80\x80").size(), 4u);         // past U+10FFFF
    EXPECT_EQ(ZelFromUtf8("x\x80y"), u"x\uFFFDy");

    SetLastError(0);
    WCHAR wide[8];
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "a\xFF", 2, wide, 8), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "ok", 2, wide, 8), 2);
}

TEST(CodePageTest, LoneSurrogatesToUtf8) {
    const std::u16string lone = {u'a', char16_t(0xD83D), u'b', char16_t(0xDE00)};
    BOOL used = FALSE;
    EXPECT_EQ(ToBytes(CP_UTF8, lone, nullptr, &used), "a?b?");
    EXPECT_TRUE(used);
    EXPECT_EQ(ToBytes(CP_UTF8, lone, "#"), "a#b#");
    EXPECT_EQ(ZelToUtf8(lone), "a?b?");
    used = TRUE;
    ToBytes(CP_UTF8, u"fine", nullptr, &used);
    EXPECT_FALSE(used);

    SetLastError(0);
    char bytes[8];
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, lone.data(), 4, bytes, 8, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
}

TEST(CodePageTest, SingleByteCodePages) {
    EXPECT_EQ(ToWide(1252, "\x80\x81\x9F\xE9\xFF"), u"\u20AC\u0081\u0178\u00E9\u00FF");
    EXPECT_EQ(ToWide(28591, "\x80\xE9"), u"\u0080\u00E9");
    EXPECT_EQ(ToBytes(1252, u"\u20AC\u0178é"), "\x80\x9F\xE9");

    BOOL used = FALSE;
    EXPECT_EQ(ToBytes(1252, u"aΩ\U0001F600", nullptr, &used), "a??");  // a pair is one character
    EXPECT_TRUE(used);
    used = FALSE;
    EXPECT_EQ(ToBytes(28591, u"é€", "*", &used), "\xE9*");
    EXPECT_TRUE(used);
}

TEST(CodePageTest, AnsiCodePageFollowsTheHost) {
    AnsiCodePageGuard guard;
    EXPECT_EQ(ToWide(CP_ACP, "\xC3\xA9"), u"é");  // UTF-8 by default
    ZelSetAnsiCodePage(1252);
    EXPECT_EQ(ToWide(CP_ACP, "\xC3\xA9"), u"Ã©");
    EXPECT_EQ(ToWide(CP_OEMCP, "\x80"), u"€");
    EXPECT_EQ(ToBytes(CP_ACP, u"é"), "\xE9");
    ZelSetAnsiCodePage(437);  // not supported: ignored
    EXPECT_EQ(ToBytes(CP_ACP, u"é"), "\xE9");
    ZelSetAnsiCodePage(0);
    EXPECT_EQ(ToBytes(CP_ACP, u"é"), "\xC3\xA9");
}

TEST(TextFnTest, StrToIntW) {
    EXPECT_EQ(StrToIntW(u"123abc"), 123);
    EXPECT_EQ(StrToIntW(u"-42"), -42);
    EXPECT_EQ(StrToIntW(u"+7"), 7);
    EXPECT_EQ(StrToIntW(u" 5"), 0);  // no white space skipping
    EXPECT_EQ(StrToIntW(u"abc"), 0);
    EXPECT_EQ(StrToIntW(u"-"), 0);
    EXPECT_EQ(StrToIntW(u""), 0);
    EXPECT_EQ(StrToIntW(nullptr), 0);
    EXPECT_EQ(StrToIntW(u"0012"), 12);
}

TEST(TextFnTest, WtoiSkipsSpaceAndSaturates) {
    EXPECT_EQ(_wtoi(u" \t-12x"), -12);
    EXPECT_EQ(_wtoi(u"2147483647"), 2147483647);
    EXPECT_EQ(_wtoi(u"99999999999"), 2147483647);
    EXPECT_EQ(_wtoi(u"-2147483648"), -2147483647 - 1);
    EXPECT_EQ(_wtoi(u"-99999999999"), -2147483647 - 1);
    EXPECT_EQ(_wtoi(u"x1"), 0);
    EXPECT_EQ(_wtoi64(u"  9223372036854775807"), 9223372036854775807LL);
    EXPECT_EQ(_wtoi64(u"-9223372036854775809"), -9223372036854775807LL - 1);
}

TEST(TextFnTest, KernelStringHelpers) {
    WCHAR buffer[8];
    std::fill(std::begin(buffer), std::end(buffer), u'#');
    lstrcpynW(buffer, u"abcdef", 4);
    EXPECT_EQ(std::u16string(buffer), u"abc");
    EXPECT_EQ(buffer[4], u'#');
    lstrcpynW(buffer, u"abcdef", 1);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(buffer[1], u'b');
    lstrcpynW(buffer, u"ab", 8);
    lstrcatW(buffer, u"cd");
    EXPECT_EQ(std::u16string(buffer), u"abcd");
    EXPECT_EQ(lstrlenW(buffer), 4);
    EXPECT_EQ(lstrlenW(nullptr), 0);

    EXPECT_EQ(lstrcmpW(u"abc", u"abc"), 0);
    EXPECT_LT(lstrcmpW(u"ab", u"abc"), 0);
    EXPECT_GT(lstrcmpW(u"b", u"abc"), 0);
    EXPECT_LT(lstrcmpW(nullptr, u"a"), 0);
    EXPECT_EQ(lstrcmpiW(u"ÉCOLE", u"école"), 0);
    EXPECT_GT(lstrcmpiW(u"B", u"a"), 0);
    EXPECT_EQ(lstrcmpiW(nullptr, u""), 0);
}

TEST(TextFnTest, CaseMapping) {
    WCHAR text[] = u"abc äé ŀ ω я";
    EXPECT_EQ(CharUpperW(text), text);
    EXPECT_EQ(std::u16string(text), u"ABC ÄÉ Ŀ Ω Я");
    CharLowerW(text);
    EXPECT_EQ(std::u16string(text), u"abc äé ŀ ω я");
    // A value below 0x10000 in place of the pointer is one character.
    auto single = reinterpret_cast<uintptr_t>(CharUpperW(reinterpret_cast<LPWSTR>(static_cast<uintptr_t>(u'ж'))));
    EXPECT_EQ(single, static_cast<uintptr_t>(u'Ж'));

    EXPECT_EQ(ZelToUpper(u'ё'), u'Ё');
    EXPECT_EQ(ZelToLower(u'Ё'), u'ё');
    EXPECT_EQ(ZelToUpper(u'ŉ'), u'ŉ');  // no single-unit upper case
    EXPECT_EQ(ZelToUpper(u'ÿ'), u'Ÿ');
    EXPECT_EQ(ZelToLower(u'Σ'), u'σ');
    EXPECT_EQ(ZelToUpper(char16_t(0xD83D)), char16_t(0xD83D));
    EXPECT_EQ(ZelToUpper(u'1'), u'1');
}
