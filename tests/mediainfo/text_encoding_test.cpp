#include "mediainfo/text_encoding.h"

#include <gtest/gtest.h>

namespace capspect {
namespace {

TEST(Windows1252ToUtf8, MapsEveryByteRange) {
    EXPECT_EQ(Windows1252ToUtf8(std::string_view("dvsd")), "dvsd");
    EXPECT_EQ(Windows1252ToUtf8(std::string_view("\x01", 1)), "\x01");
    EXPECT_EQ(Windows1252ToUtf8(std::string_view("\x80")), "\xE2\x82\xAC");  // euro sign
    EXPECT_EQ(Windows1252ToUtf8(std::string_view("\x81")), "\xC2\x81");      // unassigned
    EXPECT_EQ(Windows1252ToUtf8(std::string_view("\x9F")), "\xC5\xB8");      // Y diaeresis
    EXPECT_EQ(Windows1252ToUtf8(std::string_view("\xE9\xFF")), "\xC3\xA9\xC3\xBF");
}

}  // namespace
}  // namespace capspect
