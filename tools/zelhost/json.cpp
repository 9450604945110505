// Writing JSON values as text.
#include "json.h"

#include <cstdio>

namespace zelhost {

Json& Json::Push(Json value) {
    m_members.emplace_back(std::string(), std::move(value));
    return m_members.back().second;
}

Json& Json::Set(const std::string& key, Json value) {
    m_members.emplace_back(key, std::move(value));
    return m_members.back().second;
}

std::string JsonQuote(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                out += escaped;
            } else {
                out += static_cast<char>(c);  // UTF-8 passes through
            }
        }
    }
    return out + "\"";
}

std::string Json::Dump() const {
    std::string out;
    DumpTo(out, 0);
    return out + "\n";
}

void Json::DumpTo(std::string& out, int indent) const {
    switch (m_kind) {
    case Kind::Null: out += "null"; return;
    case Kind::Bool: out += m_bool ? "true" : "false"; return;
    case Kind::Number: out += std::to_string(m_number); return;
    case Kind::String: out += JsonQuote(m_text); return;
    case Kind::Array:
    case Kind::Object: break;
    }
    const bool object = m_kind == Kind::Object;
    if (m_members.empty()) {
        out += object ? "{}" : "[]";
        return;
    }
    out += object ? "{\n" : "[\n";
    const std::string pad(static_cast<size_t>(indent + 2), ' ');
    for (size_t k = 0; k < m_members.size(); ++k) {
        out += pad;
        if (object) out += JsonQuote(m_members[k].first) + ": ";
        m_members[k].second.DumpTo(out, indent + 2);
        out += k + 1 < m_members.size() ? ",\n" : "\n";
    }
    out += std::string(static_cast<size_t>(indent), ' ') + (object ? "}" : "]");
}

}  // namespace zelhost
