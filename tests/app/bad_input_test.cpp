// Every verb meets bad input from the command line (catalog files that cannot be read or
// are malformed, device paths and arguments with odd characters) with exit status 1 or 2,
// exactly one clean line on stderr and nothing on stdout.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/message_text.h"
#include "app/output_stream.h"
#include "platform/support/unicode.h"
#include "tests/app/command_run.h"
#include "tests/support/temp_dir.h"

namespace capspect {
namespace {

using Args = std::vector<std::string>;

// One line that a terminal shows as it is: valid UTF-8 without control characters, ended
// by the only line break.
::testing::AssertionResult IsOneCleanLine(const std::string& text) {
    if (text.empty() || text.back() != '\n') {
        return ::testing::AssertionFailure()
               << "not one ended line: " << testing::PrintToString(text);
    }
    const std::string_view body(text.data(), text.size() - 1);
    const bool hasControl = std::any_of(body.begin(), body.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
    if (hasControl || !Utf8ToUtf16Strict(body)) {
        return ::testing::AssertionFailure() << "not clean: " << testing::PrintToString(text);
    }
    return ::testing::AssertionSuccess();
}

// The contract for refused input: the status, one clean line naming each of `mentions`,
// nothing on stdout.
void ExpectRefused(const CommandRun& run, ExitStatus status,
                   const std::vector<std::string>& mentions, const std::string& what) {
    SCOPED_TRACE(what);
    EXPECT_EQ(run.status, status);
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(IsOneCleanLine(run.err));
    for (const std::string& mention : mentions) {
        EXPECT_NE(run.err.find(mention), std::string::npos)
            << "missing '" << mention << "' in " << run.err;
    }
}

// The verbs that read the device catalog.
const std::vector<Args> kDeviceVerbs = {{"list"}, {"report"}, {"report", "--json"}, {"snapshot"}};

Args WithCatalog(Args verb, const std::string& file) {
    verb.insert(verb.end(), {"--devices", file});
    return verb;
}

constexpr std::string_view kOneDevice = R"({"devices": [
  {"category": "video", "properties": {"FriendlyName": "Cam", "DevicePath": "usb#cam"},
   "pins": [{"name": "Capture", "category": "PIN_CATEGORY_CAPTURE",
     "streamConfig": {"capabilities": [
       {"caps": {"InputSize": [640, 480]},
        "mediaType": {"majortype": "MEDIATYPE_Video", "subtype": "MEDIASUBTYPE_YUY2",
                      "formattype": "FORMAT_Vidscope", "biWidth": 640, "biHeight": 480,
                      "biBitCount": 16}}]}}]}]})";

class BadInput : public testing::Test {
protected:
    std::string File(const std::string& name, std::string_view content) const {
        return dir_.Write(name, std::vector<std::uint8_t>(content.begin(), content.end())).string();
    }

    test::TempDir dir_;
};

struct BadCatalog {
    const char* what;
    std::string json;
    std::vector<std::string> mentions;  // besides the file name
};

TEST_F(BadInput, MalformedCatalogsAreRefusedWithFilePositionAndExpectation) {
    const std::string deep =
        R"({"devices": )" + std::string(100000, '[') + std::string(100000, ']') + "}";
    const std::vector<BadCatalog> catalogs = {
        {"empty file", "", {":1:1: invalid JSON", "unexpected end of input"}},
        {"truncated",
         std::string(kOneDevice.substr(0, kOneDevice.find("\"streamConfig\""))),
         {":4:6: invalid JSON", "unexpected end of input"}},
        {"trailing comma",
         R"({"devices": [],})",
         {":1:16: invalid JSON", "expected string literal"}},
        {"top level not an object", "[]", {"(top level): expected an object, found []"}},
        {"devices not an array",
         R"({"devices": {"x": 1}})",
         {"devices: expected an array, found {\"x\":1}"}},
        {"devices missing", R"({"comment": "none"})", {"expected key \"devices\""}},
        {"category a number",
         R"({"devices": [{"category": 5}]})",
         {"devices[0].category: expected \"video\" or \"audio\", found 5"}},
        {"pin name a number",
         R"({"devices": [{"category": "video", "pins": [{"name": 7}]}]})",
         {"devices[0].pins[0].name: expected a string, found 7"}},
        {"frame interval text",
         R"({"devices": [{"category": "video", "pins": [{"name": "C", "streamConfig":
             {"capabilities": [{"caps": {"MinFrameInterval": "fast"}, "mediaType": {
             "majortype": "MEDIATYPE_Video", "subtype": "MEDIASUBTYPE_YUY2",
             "formattype": "FORMAT_Vidscope"}}]}}]}]})",
         {"devices[0].pins[0].streamConfig.capabilities[0].caps.MinFrameInterval: expected an "
          "integer from -9223372036854775808 to 9223372036854775807, found \"fast\""}},
        {"width a fraction",
         R"({"devices": [{"category": "video", "pins": [{"name": "C", "mediaTypes": [{
             "majortype": "MEDIATYPE_Video", "subtype": "MEDIASUBTYPE_YUY2",
             "formattype": "FORMAT_Vidscope", "biWidth": 1.5}]}]}]})",
         {"devices[0].pins[0].mediaTypes[0].biWidth: expected an integer", "found 1.5"}},
        {"key with a line break",
         R"({"devices": [{"category": "video", "pro\nperties": {}}]})",
         {R"(devices[0].pro\nperties: unknown key; expected one of category)"}},
        {"bytes that are not UTF-8",
         "{\"devices\": \"\xff\xfe\"}",
         {"invalid JSON", "ill-formed UTF-8", "\\xFF"}},
        {"nested too deep", deep, {":1:76: invalid JSON: arrays and objects nested deeper than"}},
    };
    for (const BadCatalog& catalog : catalogs) {
        const std::string file = File("catalog.json", catalog.json);
        for (const Args& verb : kDeviceVerbs) {
            std::vector<std::string> mentions = catalog.mentions;
            mentions.push_back("capspect: " + file + ":");
            ExpectRefused(RunCapspect(WithCatalog(verb, file)), ExitStatus::Failure, mentions,
                          std::string(catalog.what) + " with " + verb.front());
        }
    }
}

TEST_F(BadInput, CatalogFilesThatCannotBeReadAreRefusedWithTheReason) {
    const std::string missing = (dir_.path() / "missing.json").string();
    const std::string odd = (dir_.path() / "odd 'name'\n\x01\xff.json").string();
    const std::string oddShown = (dir_.path() / "odd 'name'\\n\\x01\\xFF.json").string();
    const std::string longName = (dir_.path() / (std::string(300, 'x') + ".json")).string();
    std::filesystem::create_directory(dir_.path() / "folder.json");
    const struct {
        std::string file;
        std::vector<std::string> mentions;
    } cases[] = {
        {missing, {missing + ": cannot read the catalog: No such file or directory"}},
        {(dir_.path() / "folder.json").string(),
         {"folder.json: cannot read the catalog: it is a directory"}},
        {"/dev/zero", {"/dev/zero: cannot read the catalog: it is a device, not a file"}},
        {odd, {oddShown + ": cannot read the catalog: No such file or directory"}},
        {longName, {longName + ": cannot read the catalog: File name too long"}},
    };
    for (const auto& bad : cases) {
        for (const Args& verb : kDeviceVerbs) {
            ExpectRefused(RunCapspect(WithCatalog(verb, bad.file)), ExitStatus::Failure,
                          bad.mentions, bad.file + " with " + verb.front());
        }
    }
}

TEST_F(BadInput, UnreadableFileIsRefused) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root reads files whatever their permissions say";
    }
    const std::string file = File("locked.json", kOneDevice);
    ASSERT_EQ(chmod(file.c_str(), 0), 0);
    for (const Args& verb : kDeviceVerbs) {
        ExpectRefused(RunCapspect(WithCatalog(verb, file)), ExitStatus::Failure,
                      {file + ": cannot read the catalog: Permission denied"}, verb.front());
    }
    ExpectRefused(RunCapspect({"identify", file}), ExitStatus::Failure, {file, "Permission denied"},
                  "identify");
}

TEST_F(BadInput, UnknownDevicePathsWithOddCharactersAreOneCleanLine) {
    const std::string catalog = File("catalog.json", kOneDevice);
    const std::vector<std::string> paths = {"usb#cam ",
                                            "usb cam",
                                            "'usb#cam'",
                                            "\"quoted\"",
                                            "usb\n#cam",
                                            "usb\r\n",
                                            "tab\there",
                                            "\x1b[31mred\x1b[0m",
                                            "\xff\xfe",
                                            "usb#ca\xc3",
                                            "\xed\xa0\x80",
                                            std::string(100000, 'x'),
                                            "K\xc3\xa4mera \xe2\x9c\x93"};
    for (const std::string& path : paths) {
        for (const Args& verb : {Args{"report"}, Args{"report", "--json"}, Args{"snapshot"}}) {
            Args args = WithCatalog(verb, catalog);
            args.push_back(path);
            const CommandRun run = RunCapspect(args);
            ExpectRefused(run, ExitStatus::Failure, {"no video capture device"},
                          verb.front() + " " + testing::PrintToString(path));
            EXPECT_LT(run.err.size(), 2 * kMaxQuotedBytes);
        }
    }
}

TEST_F(BadInput, DevicePathsWithOddCharactersThatExistAreFound) {
    const std::string odd = "usb#'cam' \\\"2\\\" f\xc3\xbcr B\xc3\xbcro";  // as JSON text
    std::string json(kOneDevice);
    json.replace(json.find("usb#cam"), 7, odd);
    const std::string catalog = File("catalog.json", json);
    const std::string path = "usb#'cam' \"2\" f\xc3\xbcr B\xc3\xbcro";
    for (const Args& verb : {Args{"report"}, Args{"report", "--json"}, Args{"snapshot"}}) {
        Args args = WithCatalog(verb, catalog);
        args.push_back(path);
        const CommandRun run = RunCapspect(args);
        EXPECT_EQ(run.status, ExitStatus::Success) << verb.front() << ": " << run.err;
        EXPECT_NE(run.out, "");
    }
    EXPECT_EQ(RunCapspect({"list", "--devices", catalog}).out, "Cam\t" + path + "\n");
}

TEST_F(BadInput, MalformedArgumentsAreOneCleanUsageLine) {
    const std::string catalog = File("catalog.json", kOneDevice);
    const std::vector<std::pair<Args, std::string>> cases = {
        {{"errtext", ""}, "''"},
        {{"errtext", "0x"}, "'0x'"},
        {{"errtext", "0x\n1"}, "'0x\\n1'"},
        {{"errtext", "\xff"}, "'\\xFF'"},
        {{"errtext", "1 2"}, "'1 2'"},
        {{"errtext", "4294967296"}, "'4294967296'"},
        {{"errtext", std::string(5000, '9')}, "...'"},
        {{"list", "--devices", catalog, "extra\targ"}, "'extra\\targ'"},
        {{"snapshot", "--devices", catalog, "a", "b\x7f"}, "'b\\x7F'"},
        {{"report", "--devices", catalog, "--x\x1b"}, "'--x\\x1B'"},
        {{"bogus\ncommand"}, "'bogus\\ncommand'"},
        {{"list", "--backend", "sim\n"}, "'sim\\n'"},
    };
    for (const auto& [args, shown] : cases) {
        ExpectRefused(RunCapspect(args), ExitStatus::Usage, {shown}, testing::PrintToString(args));
    }
}

TEST_F(BadInput, IdentifyNamesFilesWithOddCharactersCleanly) {
    const std::vector<std::pair<std::string, std::string>> files = {
        {(dir_.path() / "a\nb.avi").string(), "a\\nb.avi"},
        // The file error carries the name as Unicode text: a byte that is not UTF-8 shows as
        // U+FFFD there.
        {(dir_.path() / "\xff.avi").string(), "\xef\xbf\xbd.avi"},
        {dir_.path().string(), "Is a directory"},
    };
    for (const auto& [file, shown] : files) {
        ExpectRefused(RunCapspect({"identify", file}), ExitStatus::Failure, {shown}, file);
    }
    // An empty file is a file with nothing recognisable in it, not an error.
    const CommandRun empty = RunCapspect({"identify", File("empty.avi", "")});
    EXPECT_EQ(empty.status, ExitStatus::Success);
    EXPECT_EQ(std::count(empty.out.begin(), empty.out.end(), '\n'), 1);
    EXPECT_EQ(empty.err, "");
}

// An output whose every write fails, as stdout on a full disk.
class FailingOutput : public OutputStream {
public:
    void Write(std::string_view) override {}
    bool Flush() override {
        errno = ENOSPC;
        return false;
    }
};

TEST(CommandOutput, OutputThatCannotBeWrittenIsAFailure) {
    for (const Args& args : {Args{"errtext", "0"}, Args{"report", "--demo"}, Args{"--help"}}) {
        FailingOutput out;
        StringOutput err;
        EXPECT_EQ(RunCommandLine(args, out, err), ExitStatus::Failure) << args.front();
        EXPECT_TRUE(err.Text().starts_with("capspect: cannot write the output: ")) << err.Text();
        EXPECT_TRUE(IsOneCleanLine(err.Text()));
    }
}

// What reaches a file is every byte written, line ends and NULs as they are.
TEST(CommandOutput, AFileOutputPassesOnEveryByte) {
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    const std::string text("one\r\ntwo\0three\n", 16);
    FileOutput out(file);
    out << std::string_view(text).substr(0, 5) << text.substr(5) << 'x';
    EXPECT_TRUE(out.Flush());
    std::rewind(file);
    std::string read(64, '\0');
    read.resize(std::fread(read.data(), 1, read.size(), file));
    EXPECT_EQ(read, text + 'x');
    std::fclose(file);
}

#ifndef _WIN32
// The C library writes its buffer out as it fills: the reason of a write that failed
// there still reaches Flush.
TEST(CommandOutput, AFileOutputKeepsTheReasonOfAnEarlierFailedWrite) {
    std::FILE* full = std::fopen("/dev/full", "w");
    ASSERT_NE(full, nullptr);
    {
        FileOutput out(full);
        const std::string line(1000, 'x');
        for (int i = 0; i < 100; ++i) {
            out << line << '\n';
        }
        errno = 0;
        EXPECT_FALSE(out.Flush());
        EXPECT_EQ(errno, ENOSPC);
    }
    std::fclose(full);
}
#endif

TEST(MessageText, EscapesWhatWouldBreakTheLineAndKeepsUnicode) {
    EXPECT_EQ(PrintableText("plain 'text' \"ok\" \\ / \xc3\xa4\xe2\x82\xac\xf0\x9f\x93\xb7"),
              "plain 'text' \"ok\" \\ / \xc3\xa4\xe2\x82\xac\xf0\x9f\x93\xb7");
    EXPECT_EQ(PrintableText(std::string("a\nb\rc\td\0e\x1b\x7f", 11)),
              "a\\nb\\rc\\td\\x00e\\x1B\\x7F");
    // Stray continuation bytes, overlong forms, surrogates, beyond U+10FFFF, cut short.
    EXPECT_EQ(PrintableText("\x80|\xc0\xaf|\xe0\x80\xaf|\xed\xa0\x80|\xf4\x90\x80\x80|\xe2\x82"),
              "\\x80|\\xC0\\xAF|\\xE0\\x80\\xAF|\\xED\\xA0\\x80|\\xF4\\x90\\x80\\x80|\\xE2\\x82");
}

TEST(MessageText, QuotedTextIsCutAtACharacterBoundary) {
    EXPECT_EQ(QuotedText(""), "''");
    EXPECT_EQ(QuotedText(std::string(kMaxQuotedBytes, 'x')),
              "'" + std::string(kMaxQuotedBytes, 'x') + "'");
    EXPECT_EQ(QuotedText(std::string(kMaxQuotedBytes + 1, 'x')),
              "'" + std::string(kMaxQuotedBytes, 'x') + "...'");
    // A two-byte character that would straddle the limit is left out whole.
    const std::string text = std::string(kMaxQuotedBytes - 1, 'x') + "\xc3\xa4";
    EXPECT_EQ(QuotedText(text), "'" + std::string(kMaxQuotedBytes - 1, 'x') + "...'");
}

}  // namespace
}  // namespace capspect
