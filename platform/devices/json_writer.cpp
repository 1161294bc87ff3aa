#include "platform/devices/json_writer.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace capspect::sim {
namespace {

constexpr std::size_t kIndentStep = 2;

// A line break after a comma, then as much indentation as most documents need: one append
// gives a member or element its separator and indentation.
constexpr std::string_view kBreak =
    ",\n                                                                ";
constexpr std::size_t kMaxBreakIndent = kBreak.size() - 2;

enum class TextKind {
    Plain,        // goes into the quotes as it stands
    EscapeAscii,  // ASCII with quotes, backslashes or control characters to escape
    BeyondAscii,  // left to the library, which checks its encoding
};

constexpr std::array<bool, 256> kPlainBytes = [] {
    std::array<bool, 256> plain{};
    for (int c = 0x20; c < 0x80; ++c) {
        plain[c] = c != '"' && c != '\\';
    }
    return plain;
}();

TextKind KindOf(std::string_view text) {
    TextKind kind = TextKind::Plain;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (!kPlainBytes[byte]) {
            if (byte >= 0x80) {
                return TextKind::BeyondAscii;
            }
            kind = TextKind::EscapeAscii;
        }
    }
    return kind;
}

void AppendEscapedAscii(std::string& out, std::string_view text) {
    constexpr char kHex[] = "0123456789abcdef";
    out += '"';
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
    out.append(begin, static_cast<std::size_t>(end - begin));
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
    const bool first = levels_.back().count++ == 0;
    afterKey_ = true;
    if (!AppendShortKey(key, first)) {
        Break(first);
        AppendText(key, ": ");
    }
    return *this;
}

bool JsonWriter::AppendShortKey(std::string_view key, bool first) {
    // Most keys are short names at a shallow level: the separator, indentation, quoted
    // key and ": " are composed in a buffer, checked as they are copied, and appended once.
    constexpr std::size_t kMaxKey = 48;
    const std::size_t indent = levels_.size() * kIndentStep;
    if (indent > kMaxBreakIndent || key.size() > kMaxKey) {
        return false;
    }
    std::array<char, kBreak.size() + kMaxKey + 3> buffer;
    std::copy(kBreak.begin(), kBreak.end(), buffer.begin());
    const std::size_t skip = first ? 1 : 0;  // the comma
    char* at = buffer.data() + 2 + indent;
    *at++ = '"';
    for (const char c : key) {
        if (!kPlainBytes[static_cast<unsigned char>(c)]) {
            return false;
        }
        *at++ = c;
    }
    at = std::copy_n("\": ", 3, at);
    out_.append(buffer.data() + skip, static_cast<std::size_t>(at - buffer.data()) - skip);
    return true;
}

void JsonWriter::String(std::string_view text) {
    BeginValue();
    AppendText(text);
}

void JsonWriter::AppendText(std::string_view text, std::string_view after) {
    switch (KindOf(text)) {
        case TextKind::Plain:
            AppendPlain(text, after);
            return;
        case TextKind::EscapeAscii:
            AppendEscapedAscii(out_, text);
            break;
        case TextKind::BeyondAscii:
            out_ += nlohmann::ordered_json(text).dump(-1, ' ', false,
                                                      nlohmann::json::error_handler_t::replace);
            break;
    }
    out_.append(after);
}

void JsonWriter::AppendPlain(std::string_view text, std::string_view after) {
    // Keys and most values are short: quoted in a buffer, they go in with one append.
    std::array<char, 128> buffer;
    const std::size_t length = text.size() + 2 + after.size();
    if (length > buffer.size()) {
        out_ += '"';
        out_.append(text);
        out_ += '"';
        out_.append(after);
        return;
    }
    char* const end = std::copy(text.begin(), text.end(), buffer.begin() + 1);
    *end = '"';
    std::copy(after.begin(), after.end(), end + 1);
    buffer[0] = '"';
    out_.append(buffer.data(), length);
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

void JsonWriter::ReserveForLike(std::size_t start, std::size_t count) {
    if (count < 2 || start > out_.size()) {
        return;
    }
    const std::size_t element = out_.size() - start;
    out_.reserve(out_.size() + element * (count - 1) / 8 * 9);
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
        Break(levels_.back().count++ == 0);
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
        Break(true);  // the closing bracket on a line of its own
    }
    out_ += bracket;
}

void JsonWriter::Break(bool first) {
    const std::size_t indent = levels_.size() * kIndentStep;
    const std::size_t skip = first ? 1 : 0;  // the comma
    if (indent <= kMaxBreakIndent) {
        out_.append(kBreak.data() + skip, 2 - skip + indent);
        return;
    }
    out_.append(kBreak.data() + skip, 2 - skip);
    out_.append(indent, ' ');
}

}  // namespace capspect::sim
