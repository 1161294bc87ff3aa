// Writes JSON text as it goes, in the layout of nlohmann::json's dump(2): two spaces per
// level, "key": value, every member and element on a line of its own, {} and [] for empty
// containers. Large documents (a snapshot or report of thousands of formats) are written
// without first building their tree.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace capspect::sim {

class JsonWriter {
public:
    // Appends to `out`, which must outlive the writer.
    explicit JsonWriter(std::string& out) : out_(out) {}

    void BeginObject();
    void EndObject();
    void BeginArray();
    void EndArray();

    // The key of the next member of the object being written.
    JsonWriter& Key(std::string_view key);

    void String(std::string_view text);
    void Integer(std::int64_t value);
    void Unsigned(std::uint64_t value);
    void Number(double value);
    void Boolean(bool value);
    void Null();
    // A whole value held as a tree, for the small parts that are built that way.
    void Tree(const nlohmann::ordered_json& value);

    // How much text is written so far.
    std::size_t Written() const { return out_.size(); }
    // Called after the first of `count` elements of one kind, which started at `start`:
    // makes room for the others at its size and an eighth more. Elements of one array
    // differ in a few digits, and a large document is then not copied as it grows.
    void ReserveForLike(std::size_t start, std::size_t count);

    // One member: Key(key) and the value, written by the overload that fits its type.
    template <typename T>
    void Member(std::string_view key, const T& value) {
        Key(key);
        Write(value);
    }

private:
    void Write(std::string_view text) { String(text); }
    void Write(const std::string& text) { String(text); }
    void Write(const char* text) { String(text); }
    void Write(bool value) { Boolean(value); }
    void Write(const nlohmann::ordered_json& value) { Tree(value); }
    template <typename T>
    requires std::is_integral_v<T>
    void Write(T value) {
        if constexpr (std::is_signed_v<T>) {
            Integer(value);
        } else {
            Unsigned(value);
        }
    }

    // A string in quotes with nlohmann's escapes, then `after` as it stands.
    void AppendText(std::string_view text, std::string_view after = {});
    // Break and a key with nothing to escape, in one append; false (nothing written) for a
    // key that is long, needs escapes or sits too deep for the prepared indentation.
    bool AppendShortKey(std::string_view key, bool first);
    // A string with nothing to escape, in quotes, then `after`.
    void AppendPlain(std::string_view text, std::string_view after);
    // Starts a value: the separator and indentation an array element needs.
    void BeginValue();
    void Begin(char bracket);
    void End(char bracket);
    // The separator of a member or element (none before the first) and its indentation.
    void Break(bool first);

    struct Level {
        std::size_t count = 0;  // members or elements written so far
    };

    std::string& out_;
    std::vector<Level> levels_;
    bool afterKey_ = false;
};

}  // namespace capspect::sim
