// The printf-style formatter behind CString::Format, wsprintfW, swprintf_s and ZelFormat.
//
// Each argument arrives tagged with its type, so a conversion takes what it needs from
// whatever was passed: %d of a double prints its integer part, %s of an integer prints
// "(null)" for zero and nothing otherwise, a missing argument counts as zero or empty.
// Numbers go through the C library's narrow snprintf, which does flags, width and precision
// exactly as printf does; text is padded here.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "zelcompat/textfn.h"

namespace {

using Kind = ZelFormatArg::Kind;

// Widths and precisions beyond this are cut down, so that a hostile format cannot ask
// for gigabytes.
constexpr int kMaxWidth = 1 << 20;

enum class Length { None, Char, Short, Long, LongLong, Pointer, Int32 };

// What one % directive asks for: flags, width, precision and the length prefix.
struct Field {
    bool left = false;
    bool plus = false;
    bool space = false;
    bool alternate = false;
    bool zero = false;
    int width = 0;
    int precision = -1;  // -1: none given
    Length length = Length::None;
};

class ArgReader {
public:
    ArgReader(const ZelFormatArg* args, size_t count) : m_args(args), m_count(count) {}
    const ZelFormatArg& Next() {
        static const ZelFormatArg missing;
        return m_next < m_count && m_args ? m_args[m_next++] : missing;
    }

private:
    const ZelFormatArg* m_args;
    size_t m_count;
    size_t m_next = 0;
};

// The argument's bits as an integer, whatever its kind.
unsigned long long RawBits(const ZelFormatArg& arg) {
    switch (arg.kind) {
    case Kind::Signed:
        return static_cast<unsigned long long>(arg.i);
    case Kind::Unsigned:
        return arg.u;
    case Kind::Double:
        if (arg.d > -9.2e18 && arg.d < 9.2e18) return static_cast<unsigned long long>(static_cast<long long>(arg.d));
        return 0;
    case Kind::Text16:
    case Kind::Text8:
    case Kind::Pointer:
        return static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(arg.pointer));
    case Kind::Missing:
        break;
    }
    return 0;
}

// How many bits of the argument a conversion reads: a length prefix decides; without one
// (or with l, which is 32 bits on Windows) an integer is read at its own size, at least int.
int BitsFor(const Field& field, const ZelFormatArg& arg) {
    switch (field.length) {
    case Length::Char:
        return 8;
    case Length::Short:
        return 16;
    case Length::Int32:
        return 32;
    case Length::LongLong:
    case Length::Pointer:
        return 64;
    case Length::None:
    case Length::Long:
        break;
    }
    if (arg.kind == Kind::Signed || arg.kind == Kind::Unsigned) return arg.size > 4 ? 64 : 32;
    return 64;
}

long long SignedValue(const Field& field, const ZelFormatArg& arg) {
    unsigned long long bits = RawBits(arg);
    int width = BitsFor(field, arg);
    if (width < 64) {
        unsigned long long mask = (1ULL << width) - 1;
        bits &= mask;
        if (bits & (1ULL << (width - 1))) bits |= ~mask;
    }
    return static_cast<long long>(bits);
}

unsigned long long UnsignedValue(const Field& field, const ZelFormatArg& arg) {
    unsigned long long bits = RawBits(arg);
    int width = BitsFor(field, arg);
    if (width < 64) bits &= (1ULL << width) - 1;
    return bits;
}

double DoubleValue(const ZelFormatArg& arg) {
    switch (arg.kind) {
    case Kind::Double:
        return arg.d;
    case Kind::Signed:
        return static_cast<double>(arg.i);
    case Kind::Unsigned:
        return static_cast<double>(arg.u);
    default:
        return 0.0;
    }
}

// "%" with the flags, width and precision of field, ready for a conversion letter.
std::string NarrowDirective(const Field& field) {
    std::string d = "%";
    if (field.left) d += '-';
    if (field.plus) d += '+';
    if (field.space) d += ' ';
    if (field.alternate) d += '#';
    if (field.zero) d += '0';
    if (field.width > 0) d += std::to_string(field.width);
    if (field.precision >= 0) d += '.' + std::to_string(field.precision);
    return d;
}

template <typename T>
void AppendPrintf(std::u16string& out, const std::string& directive, T value) {
    int n = std::snprintf(nullptr, 0, directive.c_str(), value);
    if (n <= 0) return;
    std::string text(static_cast<size_t>(n) + 1, '\0');
    std::snprintf(text.data(), text.size(), directive.c_str(), value);
    for (int k = 0; k < n; ++k) out.push_back(static_cast<unsigned char>(text[static_cast<size_t>(k)]));
}

// Appends text padded to the width of field.
void AppendPadded(std::u16string& out, const char16_t* text, size_t length, const Field& field) {
    size_t width = field.width > 0 ? static_cast<size_t>(field.width) : 0;
    size_t pad = width > length ? width - length : 0;
    if (!field.left) out.append(pad, field.zero ? u'0' : u' ');
    out.append(text, length);
    if (field.left) out.append(pad, u' ');
}

void FormatText(std::u16string& out, const ZelFormatArg& arg, const Field& field) {
    std::u16string decoded;
    const char16_t* text = nullptr;
    size_t length = 0;
    static const char16_t kNull[] = u"(null)";
    switch (arg.kind) {
    case Kind::Text16:
        text = arg.text16;
        if (text) {
            while ((field.precision < 0 || length < static_cast<size_t>(field.precision)) && text[length]) ++length;
        }
        break;
    case Kind::Text8:
        if (arg.text8) {
            decoded = ZelFromUtf8(arg.text8);
            text = decoded.c_str();
            length = decoded.size();
        }
        break;
    case Kind::Pointer:
        break;
    case Kind::Signed:
    case Kind::Unsigned:
        if (arg.u != 0) text = u"";
        break;
    default:
        text = u"";
        break;
    }
    if (text == nullptr) {
        text = kNull;
        length = 6;
    }
    if (field.precision >= 0 && length > static_cast<size_t>(field.precision)) length = static_cast<size_t>(field.precision);
    AppendPadded(out, text, length, field);
}

void FormatChar(std::u16string& out, const ZelFormatArg& arg, const Field& field) {
    char32_t cp = 0;
    if (arg.kind == Kind::Text16 && arg.text16) {
        cp = arg.text16[0];
    } else if (arg.kind == Kind::Text8 && arg.text8) {
        cp = static_cast<unsigned char>(arg.text8[0]);
    } else {
        cp = static_cast<char32_t>(RawBits(arg) & 0xFFFFFFFFu);
        if (field.length == Length::Short || field.length == Length::Char) cp &= 0xFF;
    }
    char16_t units[2];
    size_t n = 0;
    if (cp >= 0x10000 && cp <= 0x10FFFF) {
        units[0] = static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
        units[1] = static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        n = 2;
    } else if (cp != 0) {
        units[0] = static_cast<char16_t>(cp);
        n = 1;
    }
    Field padding = field;
    padding.precision = -1;
    AppendPadded(out, units, n, padding);
}

void FormatPointer(std::u16string& out, const ZelFormatArg& arg, const Field& field) {
    char digits[32];
    std::snprintf(digits, sizeof digits, "%0*llX", static_cast<int>(sizeof(void*) * 2), RawBits(arg));
    std::u16string text(digits, digits + std::strlen(digits));
    Field padding = field;
    padding.zero = false;
    AppendPadded(out, text.data(), text.size(), padding);
}

// Reads a run of decimal digits, saturating at kMaxWidth.
int ReadNumber(const char16_t*& p) {
    int value = 0;
    while (*p >= u'0' && *p <= u'9') {
        value = value * 10 + (*p - u'0');
        if (value > kMaxWidth) value = kMaxWidth;
        ++p;
    }
    return value;
}

int StarValue(ArgReader& args) {
    const ZelFormatArg& arg = args.Next();
    Field asInt;
    asInt.length = Length::Int32;
    long long v = SignedValue(asInt, arg);
    if (v > kMaxWidth) return kMaxWidth;
    if (v < -kMaxWidth) return -kMaxWidth;
    return static_cast<int>(v);
}

}  // namespace

int ZelFormatAppend(std::u16string& out, LPCWSTR format, const ZelFormatArg* args, size_t count) {
    size_t start = out.size();
    if (format == nullptr) return 0;
    ArgReader reader(args, count);
    const char16_t* p = format;
    while (*p) {
        if (*p != u'%') {
            const char16_t* run = p;
            while (*p && *p != u'%') ++p;
            out.append(run, static_cast<size_t>(p - run));
            continue;
        }
        const char16_t* directive = p++;
        if (*p == u'%') {
            out.push_back(u'%');
            ++p;
            continue;
        }
        Field field;
        for (;; ++p) {
            if (*p == u'-') field.left = true;
            else if (*p == u'+') field.plus = true;
            else if (*p == u' ') field.space = true;
            else if (*p == u'#') field.alternate = true;
            else if (*p == u'0') field.zero = true;
            else break;
        }
        if (*p == u'*') {
            ++p;
            int w = StarValue(reader);
            if (w < 0) {
                field.left = true;
                w = -w;
            }
            field.width = w;
        } else {
            field.width = ReadNumber(p);
        }
        if (*p == u'.') {
            ++p;
            if (*p == u'*') {
                ++p;
                int prec = StarValue(reader);
                field.precision = prec < 0 ? -1 : prec;
            } else {
                field.precision = ReadNumber(p);
            }
        }
        switch (*p) {
        case u'h':
            ++p;
            field.length = Length::Short;
            if (*p == u'h') {
                ++p;
                field.length = Length::Char;
            }
            break;
        case u'l':
            ++p;
            field.length = Length::Long;
            if (*p == u'l') {
                ++p;
                field.length = Length::LongLong;
            }
            break;
        case u'w':
            ++p;
            field.length = Length::Long;
            break;
        case u'L':
        case u'q':
            ++p;
            field.length = Length::LongLong;
            break;
        case u'j':
        case u'z':
        case u't':
            ++p;
            field.length = Length::Pointer;
            break;
        case u'I':
            ++p;
            if (p[0] == u'6' && p[1] == u'4') {
                p += 2;
                field.length = Length::LongLong;
            } else if (p[0] == u'3' && p[1] == u'2') {
                p += 2;
                field.length = Length::Int32;
            } else {
                field.length = Length::Pointer;
            }
            break;
        default:
            break;
        }
        char16_t conversion = *p;
        if (conversion == 0) {
            out.append(directive, static_cast<size_t>(p - directive));
            break;
        }
        ++p;
        switch (conversion) {
        case u'd':
        case u'i':
            AppendPrintf(out, NarrowDirective(field) + "lld", SignedValue(field, reader.Next()));
            break;
        case u'u':
        case u'o':
        case u'x':
        case u'X': {
            std::string d = NarrowDirective(field) + "ll";
            d += static_cast<char>(conversion);
            AppendPrintf(out, d, UnsignedValue(field, reader.Next()));
            break;
        }
        case u'e':
        case u'E':
        case u'f':
        case u'F':
        case u'g':
        case u'G':
        case u'a':
        case u'A': {
            std::string d = NarrowDirective(field);
            d += static_cast<char>(conversion);
            AppendPrintf(out, d, DoubleValue(reader.Next()));
            break;
        }
        case u'c':
        case u'C':
            FormatChar(out, reader.Next(), field);
            break;
        case u's':
        case u'S':
        case u'Z':
            FormatText(out, reader.Next(), field);
            break;
        case u'p':
            FormatPointer(out, reader.Next(), field);
            break;
        case u'n':
            reader.Next();  // never written through: nothing is stored
            break;
        default:
            // Not a conversion: the directive stays as it was written.
            out.append(directive, static_cast<size_t>(p - directive));
            break;
        }
    }
    return static_cast<int>(out.size() - start);
}

int ZelFormatToBuffer(LPWSTR buffer, size_t capacity, bool truncate, LPCWSTR format, const ZelFormatArg* args,
                      size_t count) {
    if (buffer == nullptr || capacity == 0) return -1;
    std::u16string text;
    ZelFormatAppend(text, format, args, count);
    if (text.size() < capacity) {
        std::memcpy(buffer, text.data(), text.size() * sizeof(WCHAR));
        buffer[text.size()] = 0;
        return static_cast<int>(text.size());
    }
    if (!truncate) {
        buffer[0] = 0;
        return -1;
    }
    std::memcpy(buffer, text.data(), (capacity - 1) * sizeof(WCHAR));
    buffer[capacity - 1] = 0;
    return static_cast<int>(capacity - 1);
}
