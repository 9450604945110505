// PlayerInfos.ini: reading the table and choosing a model's settings.
#include "ldb_playerinfo.h"

#include <fstream>
#include <iterator>
#include <optional>

#include "zelcompat/drives.h"
#include "zelcompat/textfn.h"

namespace ldb {
namespace {

struct Range {
    const char16_t* key;
    int low;
    int high;
};
constexpr Range kLineWidth{u"LINEWIDTH", 4, 1000};
constexpr Range kMaxLines{u"MAXLINES", 0, 100000};

std::u16string Upper(std::u16string text) {
    for (char16_t& unit : text) {
        if (unit >= u'a' && unit <= u'z') unit = static_cast<char16_t>(unit - 32);
    }
    return text;
}

std::u16string Trim(const std::u16string& text) {
    const char16_t* spaces = u" \t\r\n\xFEFF";
    size_t first = text.find_first_not_of(spaces);
    if (first == std::u16string::npos) return {};
    size_t last = text.find_last_not_of(spaces);
    return text.substr(first, last - first + 1);
}

std::u16string DecodeText(const std::string& bytes) {
    auto utf16 = [&](bool bigEndian) {
        std::u16string text;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
            unsigned char a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
            text.push_back(static_cast<char16_t>(bigEndian ? (a << 8 | b) : (b << 8 | a)));
        }
        return text;
    };
    if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') return utf16(false);
    if (bytes.size() >= 2 && bytes[0] == '\xFE' && bytes[1] == '\xFF') return utf16(true);
    return ZelFromUtf8(bytes);  // a UTF-8 byte order mark is trimmed with the white space
}

std::optional<int> Number(const std::u16string& text) {
    if (text.empty() || text.size() > 9) return std::nullopt;
    int value = 0;
    for (char16_t unit : text) {
        if (unit < u'0' || unit > u'9') return std::nullopt;
        value = value * 10 + (unit - u'0');
    }
    return value;
}

// The value of a key along the chain of sections, within its range.
std::optional<int> Lookup(const IniSections& ini, const std::vector<std::u16string>& chain, const Range& range) {
    for (const std::u16string& name : chain) {
        auto section = ini.find(name);
        if (section == ini.end()) continue;
        auto value = section->second.find(range.key);
        if (value == section->second.end()) continue;
        std::optional<int> number = Number(value->second);
        if (number && *number >= range.low && *number <= range.high) return number;
    }
    return std::nullopt;
}

}  // namespace

IniSections ParseIni(const std::string& bytes) {
    IniSections sections;
    const std::u16string text = DecodeText(bytes);
    std::map<std::u16string, std::u16string>* current = nullptr;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find_first_of(u"\r\n", start);
        if (end == std::u16string::npos) end = text.size();
        const std::u16string line = Trim(text.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line[0] == u';' || line[0] == u'#') continue;
        if (line[0] == u'[') {
            size_t close = line.find(u']');
            current = close == std::u16string::npos ? nullptr : &sections[Upper(Trim(line.substr(1, close - 1)))];
            continue;
        }
        size_t equals = line.find(u'=');
        if (!current || equals == std::u16string::npos) continue;
        (*current)[Upper(Trim(line.substr(0, equals)))] = Trim(line.substr(equals + 1));
    }
    return sections;
}

PlayerSettings SettingsFor(const IniSections& ini, const std::u16string& modelName) {
    std::u16string model = Upper(Trim(modelName));
    for (char16_t& unit : model) {
        if (unit == u'[') unit = u'(';
        if (unit == u']') unit = u')';
    }
    std::vector<std::u16string> chain;
    if (!model.empty()) {
        chain.push_back(model);
        size_t open = model.rfind(u'(');
        if (open != std::u16string::npos && open > 0 && model.back() == u')') chain.push_back(Trim(model.substr(0, open)));
    }
    chain.push_back(u"DEFAULT");

    PlayerSettings settings;
    if (auto width = Lookup(ini, chain, kLineWidth)) settings.lineWidth = *width;
    if (auto lines = Lookup(ini, chain, kMaxLines)) settings.maxLines = *lines;
    return settings;
}

PlayerSettings LoadPlayerSettings(const char16_t* playerTable, const char16_t* modelName) {
    IniSections ini;
    if (playerTable && *playerTable) {
        std::ifstream in(ZelHostPath(playerTable), std::ios::binary);
        if (in) ini = ParseIni(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
    }
    return SettingsFor(ini, modelName ? std::u16string(modelName) : std::u16string());
}

}  // namespace ldb
