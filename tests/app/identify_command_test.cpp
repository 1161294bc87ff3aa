#include "app/identify_command.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "tests/app/command_run.h"
#include "tests/support/media_builders.h"
#include "tests/support/temp_dir.h"

namespace capspect {
namespace {

using test::Concat;
using test::Handler;

struct IdentifyRun {
    ExitStatus status;
    std::vector<nlohmann::json> lines;
    std::vector<std::string> errors;
};

// Runs the verb through the program's command line, as `capspect identify ARGS`.
IdentifyRun Identify(const std::vector<std::string>& files) {
    std::vector<std::string> args{"identify"};
    args.insert(args.end(), files.begin(), files.end());
    StringOutput out;
    StringOutput err;
    IdentifyRun run{RunCommandLine(args, out, err), {}, Lines(err.Text())};
    for (const std::string& line : Lines(out.Text())) {
        run.lines.push_back(nlohmann::json::parse(line));
    }
    return run;
}

TEST(IdentifyCommand, OneJsonLinePerFileInArgumentOrder) {
    test::TempDir dir;
    const std::string avi =
        dir.Write("dv.avi",
                  test::AviFile(Concat({test::AviStreamList("vids", Handler::Of("dvsd")),
                                        test::AviStreamList("auds", Handler{{1, 0, 0, 0}}, 18)})))
            .string();
    const std::string mp4 = dir.Write("clip.mp4", test::Mp4File("mp42", {"mp42", "isom"})).string();
    const std::string text = dir.Write("notes.txt", {'h', 'i'}).string();

    const IdentifyRun run = Identify({avi, mp4, text});
    EXPECT_EQ(run.status, ExitStatus::Success);
    EXPECT_TRUE(run.errors.empty());
    ASSERT_EQ(run.lines.size(), 3u);
    EXPECT_EQ(run.lines[0], (nlohmann::json{{"file", avi},
                                            {"VideoCodec", "dvsd"},
                                            {"VideoCodecName", "25Mbps Consumer DV"},
                                            {"AudioCodec", "\x01"},
                                            {"AviFile", true}}));
    EXPECT_EQ(run.lines[1]["VideoCodecName"], "H.264/MPEG-4");
    EXPECT_EQ(run.lines[1]["AviFile"], false);
    EXPECT_EQ(run.lines[2], (nlohmann::json{{"file", text},
                                            {"VideoCodec", ""},
                                            {"VideoCodecName", ""},
                                            {"AudioCodec", ""},
                                            {"AviFile", false}}));
}

TEST(IdentifyCommand, UnreadableFilesAreReportedAndTheRestStillDone) {
    test::TempDir dir;
    const std::string missing = (dir.path() / "missing.mpg").string();
    const std::string wave = dir.Write("a.wav", test::WaveFile()).string();
    const IdentifyRun run = Identify({missing, wave, dir.path().string()});
    EXPECT_EQ(run.status, ExitStatus::Failure);
    ASSERT_EQ(run.lines.size(), 1u);
    EXPECT_EQ(run.lines[0]["file"], wave);
    EXPECT_EQ(run.lines[0]["AudioCodec"], "WAVE");
    ASSERT_EQ(run.errors.size(), 2u);
    EXPECT_NE(run.errors[0].find(missing), std::string::npos) << run.errors[0];
    EXPECT_NE(run.errors[0].find("No such file"), std::string::npos) << run.errors[0];
    EXPECT_NE(run.errors[1].find(dir.path().string()), std::string::npos) << run.errors[1];
}

TEST(IdentifyCommand, NoFileIsAUsageError) {
    const IdentifyRun run = Identify({});
    EXPECT_EQ(run.status, ExitStatus::Usage);
    EXPECT_TRUE(run.lines.empty());
    ASSERT_EQ(run.errors.size(), 1u);
    EXPECT_NE(run.errors[0].find("identify"), std::string::npos);
}

TEST(IdentifyCommand, NamesAndCodesAreEscapedAsJson) {
    test::TempDir dir;
    const std::string odd =
        dir.Write("quote\"back\\slash\ttab.avi",
                  test::AviFile(test::AviStreamList("vids", Handler{{'a', 0xE9, '"', 0x1F}})))
            .string();
    const IdentifyRun run = Identify({odd});
    ASSERT_EQ(run.lines.size(), 1u);
    EXPECT_EQ(run.lines[0]["file"], odd);
    EXPECT_EQ(run.lines[0]["VideoCodec"], "a\xC3\xA9\"\x1F");
}

TEST(IdentifyJsonLine, KeepsKeyOrderAndReplacesBytesThatAreNotUtf8) {
    const TAviInfo info{"XVID", "XVID MPEG-4", "", true};
    EXPECT_EQ(IdentifyJsonLine("a.avi", info),
              R"({"file":"a.avi","VideoCodec":"XVID","VideoCodecName":"XVID MPEG-4",)"
              R"("AudioCodec":"","AviFile":true})");
    const nlohmann::json line = nlohmann::json::parse(IdentifyJsonLine("caf\xE9.avi", info));
    EXPECT_EQ(line["file"], "caf\xEF\xBF\xBD.avi");
}

}  // namespace
}  // namespace capspect
