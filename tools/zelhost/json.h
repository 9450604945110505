// A small JSON value for the --json output of the commands: objects keep their
// keys in the order they were added, so the output reads like the text form.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace zelhost {

class Json {
public:
    enum class Kind { Null, Bool, Number, String, Array, Object };

    Json() = default;
    Json(bool value) : m_kind(Kind::Bool), m_bool(value) {}
    Json(int value) : m_kind(Kind::Number), m_number(value) {}
    Json(unsigned value) : m_kind(Kind::Number), m_number(value) {}
    Json(long value) : m_kind(Kind::Number), m_number(value) {}
    Json(unsigned long value) : m_kind(Kind::Number), m_number(static_cast<int64_t>(value)) {}
    Json(long long value) : m_kind(Kind::Number), m_number(value) {}
    Json(unsigned long long value) : m_kind(Kind::Number), m_number(static_cast<int64_t>(value)) {}
    Json(const char* text) : m_kind(Kind::String), m_text(text) {}
    Json(std::string text) : m_kind(Kind::String), m_text(std::move(text)) {}

    static Json Array() { return Json(Kind::Array); }
    static Json Object() { return Json(Kind::Object); }

    // Appends to an array.
    Json& Push(Json value);
    // Adds a member to an object (keys are not checked for repeats).
    Json& Set(const std::string& key, Json value);

    Kind GetKind() const { return m_kind; }
    // The text with two-space indentation and a final newline.
    std::string Dump() const;

private:
    explicit Json(Kind kind) : m_kind(kind) {}
    void DumpTo(std::string& out, int indent) const;

    Kind m_kind = Kind::Null;
    bool m_bool = false;
    int64_t m_number = 0;
    std::string m_text;
    std::vector<std::pair<std::string, Json>> m_members;  // array items have empty keys
};

// A JSON string literal for UTF-8 text, quotes included.
std::string JsonQuote(const std::string& text);

}  // namespace zelhost
