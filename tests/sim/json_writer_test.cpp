// The streaming JSON writer must give byte for byte what nlohmann's dump(2) gives for the
// same document: snapshots and JSON reports were written that way before, and scripts and
// the replay tests compare them as text.
#include "platform/devices/json_writer.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace capspect::sim {
namespace {

using Json = nlohmann::ordered_json;

std::string Written(const Json& tree) {
    std::string text;
    JsonWriter writer(text);
    writer.Tree(tree);
    return text;
}

std::string Dumped(const Json& tree) {
    return tree.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
}

TEST(JsonWriter, LaysOutEveryKindOfValueAsTheLibraryDoes) {
    const Json tree = {
        {"empty object", Json::object()},
        {"empty array", Json::array()},
        {"nested", {{"list", {1, -2, 3u, Json::array(), Json::object()}}, {"flag", false}}},
        {"numbers",
         {0, std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::uint64_t>::max(),
          30.0, 29.97, 4.0 / 3.0, 1e-7, std::numeric_limits<double>::quiet_NaN()}},
        {"null", nullptr},
        {"true", true},
    };
    EXPECT_EQ(Written(tree), Dumped(tree));
    EXPECT_EQ(Written(Json::array()), "[]");
    EXPECT_EQ(Written(Json(7)), "7");
}

TEST(JsonWriter, EscapesTextsAsTheLibraryDoes) {
    const Json tree = {
        {"quote \" and \\ backslash", "tab\t new\nline\r feed\f back\b"},
        {"controls", std::string("\x01\x1f\x7f", 3)},
        {"beyond ASCII", "K\xC3\xA4mera \xE2\x82\xAC \xF0\x9F\x98\x80"},
        {"broken UTF-8", "a\xC3(b\xFF"},
        {"embedded NUL", std::string("a\0b", 3)},
    };
    EXPECT_EQ(Written(tree), Dumped(tree));
}

TEST(JsonWriter, LongTextsAndDeepNestingAreLaidOutAsTheLibraryDoes) {
    // Past the lengths the writer composes in one piece: keys and values of hundreds of
    // characters, and indentation deeper than its prepared line break.
    const std::string longText(300, 'x');
    Json deep = {{longText, longText}, {"escaped \" " + longText, longText + "\n"}};
    for (int level = 0; level < 40; ++level) {
        deep = Json{{"level", level}, {"inner", deep}, {"list", {level, Json::array({level})}}};
    }
    EXPECT_EQ(Written(deep), Dumped(deep));
}

TEST(JsonWriter, FindsWhatNeedsEscapingAtEveryPositionOfKeysAndTexts) {
    // Short keys are composed in one piece until a byte needs escaping: each such byte,
    // and ones that do not, at every position of keys and values of up to 20 bytes.
    const std::string bytes("\"\\\x01\x1f\x7f\xC3\xA4~ \0", 10);
    for (std::size_t length = 1; length <= 20; ++length) {
        for (std::size_t position = 0; position < length; ++position) {
            for (const char byte : bytes) {
                std::string text(length, 'k');
                text[position] = byte;
                const Json tree = {{text, text}, {"after", 1}};
                ASSERT_EQ(Written(tree), Dumped(tree))
                    << "byte " << int(static_cast<unsigned char>(byte)) << " at " << position
                    << " of " << length;
            }
        }
    }
}

TEST(JsonWriter, MembersWrittenOneByOneMatchTheTree) {
    std::string text;
    JsonWriter writer(text);
    writer.BeginObject();
    writer.Member("name", "Capture");
    writer.Member("count", 3u);
    writer.Member("offset", -4);
    writer.Member("on", true);
    writer.Key("sizes").BeginArray();
    for (const int size : {640, 480}) {
        writer.Integer(size);
    }
    writer.EndArray();
    writer.Key("none").Null();
    writer.Member("tree", Json{{"a", Json::array({Json::object()})}});
    writer.EndObject();

    const Json expected = {{"name", "Capture"},
                           {"count", 3u},
                           {"offset", -4},
                           {"on", true},
                           {"sizes", {640, 480}},
                           {"none", nullptr},
                           {"tree", {{"a", Json::array({Json::object()})}}}};
    EXPECT_EQ(text, Dumped(expected));
}

}  // namespace
}  // namespace capspect::sim
