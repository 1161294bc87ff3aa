#include "platform/devices/json_writer.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace capspect::sim {
namespace {

constexpr std::size_t kIndentStep = 2;

// True when nlohmann's escaping would change nothing but control characters, quotes and
// backslashes; texts beyond ASCII are left to the library, which checks their encoding.
bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool NeedsEscape(char c) {
    return c == '"' || c == '\\' || static_cast<unsigned char>(c) < 0x20;
}

void AppendEscapedAscii(std::string& out, std::string_view text) {
    constexpr char kHex[] = "0123456789abcdef";
    out += '"';
    // Keys and most values have nothing to escape: they go in one piece.
    if (std::none_of(text.begin(), text.end(), NeedsEscape)) {
        out.append(text);
        out += '"';
        return;
    }
    for (const char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    out += "\\u00";
                    out += kHex[(c >> 4) & 0xF];
                    out += kHex[c & 0xF];
                } else {
                    out += c;
                }
        }
    }
    out += '"';
}

template <typename T>
void AppendDecimal(std::string& out, T value) {
    std::array<char, 24> digits{};
    const char* const begin = digits.data();
    const char* const end = std::to_chars(digits.data(), digits.data() + digits.size(), value).ptr;
    out.append(begin, end);
}

}  // namespace

void JsonWriter::BeginObject() {
    Begin('{');
}

void JsonWriter::EndObject() {
    End('}');
}

void JsonWriter::BeginArray() {
    Begin('[');
}

void JsonWriter::EndArray() {
    End(']');
}

JsonWriter& JsonWriter::Key(std::string_view key) {
    Level& level = levels_.back();
    out_ += level.count++ == 0 ? "\n" : ",\n";
    Indent();
    AppendText(key);
    out_ += ": ";
    afterKey_ = true;
    return *this;
}

void JsonWriter::String(std::string_view text) {
    BeginValue();
    AppendText(text);
}

void JsonWriter::AppendText(std::string_view text) {
    if (IsAscii(text)) {
        AppendEscapedAscii(out_, text);
    } else {
        out_ += nlohmann::ordered_json(text).dump(-1, ' ', false,
                                                  nlohmann::json::error_handler_t::replace);
    }
}

void JsonWriter::Integer(std::int64_t value) {
    BeginValue();
    AppendDecimal(out_, value);
}

void JsonWriter::Unsigned(std::uint64_t value) {
    BeginValue();
    AppendDecimal(out_, value);
}

void JsonWriter::Number(double value) {
    BeginValue();
    // The library's shortest round-trip text, so numbers read as they always did.
    out_ += nlohmann::ordered_json(value).dump();
}

void JsonWriter::Boolean(bool value) {
    BeginValue();
    out_ += value ? "true" : "false";
}

void JsonWriter::Null() {
    BeginValue();
    out_ += "null";
}

void JsonWriter::Tree(const nlohmann::ordered_json& value) {
    switch (value.type()) {
        case nlohmann::ordered_json::value_t::object:
            BeginObject();
            for (const auto& [key, member] : value.items()) {
                Key(key).Tree(member);
            }
            EndObject();
            break;
        case nlohmann::ordered_json::value_t::array:
            BeginArray();
            for (const auto& element : value) {
                Tree(element);
            }
            EndArray();
            break;
        case nlohmann::ordered_json::value_t::string:
            String(value.get_ref<const std::string&>());
            break;
        case nlohmann::ordered_json::value_t::number_integer:
            Integer(value.get<std::int64_t>());
            break;
        case nlohmann::ordered_json::value_t::number_unsigned:
            Unsigned(value.get<std::uint64_t>());
            break;
        case nlohmann::ordered_json::value_t::number_float:
            Number(value.get<double>());
            break;
        case nlohmann::ordered_json::value_t::boolean:
            Boolean(value.get<bool>());
            break;
        default:
            Null();
    }
}

void JsonWriter::BeginValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (!levels_.empty()) {
        out_ += levels_.back().count++ == 0 ? "\n" : ",\n";
        Indent();
    }
}

void JsonWriter::Begin(char bracket) {
    BeginValue();
    out_ += bracket;
    levels_.emplace_back();
}

void JsonWriter::End(char bracket) {
    const Level level = levels_.back();
    levels_.pop_back();
    if (level.count > 0) {
        out_ += '\n';
        Indent();
    }
    out_ += bracket;
}

void JsonWriter::Indent() {
    out_.append(levels_.size() * kIndentStep, ' ');
}

}  // namespace capspect::sim
