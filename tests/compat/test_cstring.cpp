// CString and the formatter behind Format, wsprintfW and swprintf_s.
#include <gtest/gtest.h>

#include <string>

#include "zelcompat/collections.h"
#include "zelcompat/cstring.h"
#include "zelcompat/textfn.h"

namespace {

std::u16string U(const CString& s) { return s.Str(); }

// One case of a table: the text produced and the text expected.
struct Row {
    Row(const CString& g, std::u16string w) : got(g.Str()), want(std::move(w)) {}
    Row(std::u16string g, std::u16string w) : got(std::move(g)), want(std::move(w)) {}
    std::u16string got, want;
};

void ExpectRows(std::initializer_list<Row> rows) {
    int index = 0;
    for (const auto& row : rows) EXPECT_EQ(row.want, row.got) << "row " << index++;
}

template <typename F>
bool ThrowsInvalidArg(F&& f) {
    try {
        f();
    } catch (CInvalidArgException* e) {
        e->Delete();
        return true;
    }
    return false;
}

}  // namespace

TEST(CStringTest, ConstructionAndExtractionClampLikeMfc) {
    EXPECT_TRUE(CString(static_cast<LPCWSTR>(nullptr)).IsEmpty());
    EXPECT_EQ(3, CString(u"a\0b", 3).GetLength());
    CString s;
    s = "\xF0\x9F\x98\x80";
    const CString abc(u"abcdef");
    ExpectRows({{CString(u"abcdef", 3), u"abc"}, {CString(u"abc", -1), u""}, {CString(u'x', 4), u"xxxx"},
                {CString("Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC"), u"Grüße €"}, {s, u"\U0001F600"},
                {abc.Left(-1), u""}, {abc.Left(100), u"abcdef"}, {abc.Mid(-2, 3), u"abc"}, {abc.Mid(2, -1), u""},
                {abc.Mid(4), u"ef"}, {abc.Mid(10, 2), u""}, {abc.Mid(1, 0x7FFFFFFF), u"bcdef"},
                {abc.Right(-1), u""}, {abc.Right(100), u"abcdef"}});

    CString t(u"abc");
    EXPECT_EQ(u'\0', t.GetAt(3));  // the terminator may be read
    EXPECT_TRUE(ThrowsInvalidArg([&] { t.GetAt(4); }) && ThrowsInvalidArg([&] { t.GetAt(-1); }) &&
                ThrowsInvalidArg([&] { t.SetAt(3, u'z'); }));
}

TEST(CStringTest, SearchingAndEditing) {
    CString s(u"hello world");
    const std::pair<int, int> rows[] = {
        {s.Find(u'o'), 4},        {s.Find(u'o', 5), 7},      {s.Find(u'o', 8), -1},    {s.Find(u'h', 11), -1},
        {s.Find(u'h', -1), -1},   {s.Find(u"wor"), 6},       {s.Find(u"lo", 4), -1},   {s.Find(u"", 3), 3},
        {s.Find(u"d", 12), -1},   {s.ReverseFind(u'o'), 7},  {s.ReverseFind(u'z'), -1}, {s.FindOneOf(u"wr"), 6},
        {s.FindOneOf(u"xyz"), -1}, {s.FindOneOf(u""), -1}};
    for (size_t i = 0; i < std::size(rows); ++i) EXPECT_EQ(rows[i].second, rows[i].first) << "row " << i;

    // Each edit's answer and the text after it; a replacement is not scanned again.
    s = u"aaXa";
    auto after = [&s](int answer) { return ZelFormat(u"%d %s", answer, s); };
    ExpectRows({{after(s.Replace(u"aa", u"b")), u"1 bXa"},    {after(s.Replace(u"a", u"aa")), u"1 bXaa"},
                {after(s.Replace(u"a", nullptr)), u"2 bX"},    {after(s.Replace(u"", u"z")), u"0 bX"},
                {after(s.Replace(u'X', u'.')), u"1 b."},       {after(s.Replace(u'b', u'b')), u"0 b."},
                {after(s.Insert(0, u".")), u"3 .b."},          {after(s.Remove(u'.')), u"2 b"},
                {after(s.Insert(-5, u'<')), u"2 <b"},          {after(s.Insert(100, u">>")), u"4 <b>>"},
                {after(s.Delete(2, 10)), u"2 <b"},             {after(s.Delete(0)), u"1 b"},
                {after(s.Delete(7, 1)), u"1 b"}});

    CString t(u" \t\r\nabc \n"), u(u"xyxabcyx"), v(u"  a  "), w(u"xxxx");
    ExpectRows({{t.Trim(), u"abc"}, {u.TrimLeft(u"xy"), u"abcyx"}, {u.TrimRight(u'x'), u"abcy"},
                {v.TrimRight(), u"  a"}, {v.TrimLeft(), u"a"}, {w.Trim(u'x'), u""}});
}

TEST(CStringTest, CaseComparisonsAndConcatenation) {
    CString s(u"abc äöü ÿ ā ω ς я ё");
    EXPECT_EQ(u"ABC ÄÖÜ Ÿ Ā Ω Σ Я Ё", U(s.MakeUpper()));
    EXPECT_EQ(u"abc äöü ÿ ā ω σ я ё", U(s.MakeLower()));
    CString pair(u"a\U0001F600b");
    EXPECT_EQ(u"A\U0001F600B", U(pair.MakeUpper()));
    EXPECT_EQ(u"B\U0001F600A", U(pair.MakeReverse()));  // a surrogate pair stays in order

    CString abc(u"abc");
    auto sign = [](int v) { return (v > 0) - (v < 0); };
    const std::pair<int, int> order[] = {
        {abc.Compare(u"abc"), 0},        {abc.Compare(u"abd"), -1},       {abc.Compare(u"ab"), 1},
        {abc.Compare(u"ABC"), 1},        {abc.CompareNoCase(u"ABC"), 0},  {abc.CompareNoCase(u"ABD"), -1},
        {CString(u"ÄÖÜ Straße").CompareNoCase(u"äöü STRAßE"), 0},        {CString(u"ΟΔΟΣ").CompareNoCase(u"οδος"), 0},
        {CString(u"_").CompareNoCase(u"a"), -1}};  // letters fold to lower case
    for (size_t i = 0; i < std::size(order); ++i) EXPECT_EQ(order[i].second, sign(order[i].first)) << "row " << i;
    EXPECT_TRUE(u"abc" == abc && abc != CString(u"abd") && abc < u"abd" && u"abb" < abc && abc > u"ab");

    CString a(u"ab");
    ExpectRows({{a + u"cd", u"abcd"}, {u"<" + a, u"<ab"}, {a + u'!', u"ab!"}, {u'!' + a, u"!ab"}});
    a += a;
    a += a.GetString() + 1;  // points into the string itself
    EXPECT_EQ(u"ababbab", U(a));
}

TEST(CStringTest, BufferRoundTripTokenizeAndSpans) {
    CString s;
    LPWSTR buffer = s.GetBuffer(10);
    lstrcpyW(buffer, u"jello");
    buffer[10] = 0;  // the terminator unit is writable too
    s.ReleaseBuffer(3);
    EXPECT_EQ(u"jel", U(s));
    buffer = s.GetBufferSetLength(5);
    buffer[4] = u'y';  // index 3 keeps the zero the string was padded with
    EXPECT_EQ(std::u16string(u"jel\0y", 5), U(s));
    s.ReleaseBuffer();
    EXPECT_EQ(u"jel", U(s));

    CString list(u"  a,,bb c ,"), whole(u"abc"), digits(u"123abc456");
    int pos = 0, from = 1;
    ExpectRows({{list.Tokenize(u" ,", pos), u"a"}, {list.Tokenize(u" ,", pos), u"bb"}, {list.Tokenize(u" ,", pos), u"c"},
                {list.Tokenize(u" ,", pos), u""}, {whole.Tokenize(u"", from), u"bc"}, {whole.Tokenize(u"", from), u""},
                {digits.SpanIncluding(u"0123456789"), u"123"}, {digits.SpanExcluding(u"cb"), u"123a"},
                {digits.SpanExcluding(u"xyz"), u"123abc456"}});
    EXPECT_TRUE(pos == -1 && from == -1);
}

TEST(FormatTest, Conversions) {
    CString name(u"Ünïcode");
    const WCHAR unterminated[3] = {u'x', u'y', u'z'};  // the precision bounds the read
    ExpectRows({
        {ZelFormat(u"%d|%i|%u|%02d|%04d|%5d|%-5d|%+d|% d", -7, 42, 7u, 5, 123, 42, 42, 3, 3),
         u"-7|42|7|05|0123|   42|42   |+3| 3"},
        {ZelFormat(u"%x|%X|%#x|%o|%08X", 255, 255, 255, 8, 0xBEEFu), u"ff|FF|0xff|10|0000BEEF"},
        {ZelFormat(u"%.3d|%*d|%-*d|", 7, 4, 1, 3, 2), u"007|   1|2  |"},
        // Integer sizes follow the argument: a 32-bit argument is read as 32 bits.
        {ZelFormat(u"%d|%u|%x|%I64u", DWORD(0xFFFFFFFF), -1, -1, ULONGLONG(18446744073709551615ull)),
         u"-1|4294967295|ffffffff|18446744073709551615"},
        {ZelFormat(u"%llx|%I64d|%lld|%d", -1, 1LL << 40, -5000000000LL, 5000000000LL),
         u"ffffffffffffffff|1099511627776|-5000000000|5000000000"},
        {ZelFormat(u"%ld|%hd|%hu|%d", LONG(-3), 70000, -1, true), u"-3|4464|65535|1"},
        {ZelFormat(u"[%s] [%S] [%5s] [%-5s] [%.2s] [%s]", u"wide", "n\xC3\xA4rrow", u"ab", u"ab", u"abcdef", name),
         u"[wide] [närrow] [   ab] [ab   ] [ab] [Ünïcode]"},
        {ZelFormat(u"%s|%s|%S", static_cast<LPCWSTR>(nullptr), nullptr, static_cast<const char*>(nullptr)),
         u"(null)|(null)|(null)"},
        {ZelFormat(u"%s-%s|%.3s|%.*s", std::u16string(u"std"), std::string("str"), unterminated, 2, u"abc"),
         u"std-str|xyz|ab"},
        {ZelFormat(u"%c%c%C|%3c|100%%|%c", u'a', WCHAR(0xE9), 'z', u'q', 0x1F600), u"aéz|  q|100%|\U0001F600"},
        {ZelFormat(u"%f|%.2f|%6.1f|%-6.1f|%06.2f", 1.5, 3.14159, 2.25f, -1.0, 3.14159),
         u"1.500000|3.14|   2.2|-1.0  |003.14"},
        {ZelFormat(u"%e|%g|%g|%.1f", 12345.678, 0.0001, 1e20, 2), u"1.234568e+04|0.0001|1e+20|2.0"},
        // Mismatches do not crash: a missing argument is empty, integers given for
        // text print (null), a double given for %d is cut, extra arguments are ignored,
        // what is no conversion stays as written, %n consumes but stores nothing.
        {ZelFormat(u"%d %s", 1), u"1 "}, {ZelFormat(u"%s|%s|%d", 0, 5, 3.9), u"(null)||3"},
        {ZelFormat(u"%d", 1, 2, 3), u"1"}, {ZelFormat(u"%y|%", 1), u"%y|%"}, {ZelFormat(u"%n|%d", 7, 8), u"|8"},
        {ZelFormat(u"%p", reinterpret_cast<void*>(0xABC)), std::u16string(sizeof(void*) * 2 - 3, u'0') + u"ABC"},
    });

    CString s(u"ab");
    s.AppendFormat(u"[%s]", s);  // may read itself
    EXPECT_EQ(u"ab[ab]", U(s));
    s.Format(u"%s%s", s, s);
    EXPECT_EQ(u"ab[ab]ab[ab]", U(s));
}

TEST(FormatTest, RawBufferFunctionsNeverWritePastTheirCount) {
    WCHAR buffer[16];
    EXPECT_EQ(5, swprintf_s(buffer, 8, u"%s-%d", u"ab", 12));
    EXPECT_EQ(u"ab-12", std::u16string(buffer));
    std::fill(std::begin(buffer), std::end(buffer), u'#');
    EXPECT_EQ(-1, swprintf_s(buffer, 4, u"%d", 12345));  // does not fit: empty
    EXPECT_TRUE(buffer[0] == 0 && buffer[4] == u'#');

    // wsprintfW stops at 1024 units including the terminator.
    std::u16string big(2000, u'x'), out(1100, u'#');
    EXPECT_EQ(1023, wsprintfW(out.data(), u"%s", big.c_str()));
    EXPECT_TRUE(out[1022] == u'x' && out[1023] == 0 && out[1024] == u'#');
}
