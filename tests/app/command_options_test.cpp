#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "app/backend.h"
#include "app/command_line.h"
#include "platform/support/platform_context.h"

namespace capspect {
namespace {

using Args = std::vector<std::string>;

TEST(CommandLineOptions, StandBeforeOrAfterTheVerbAndLeaveTheRestInOrder) {
    const ParsedCommandLine parsed =
        ParseCommandLine({"--verbose", "identify", "a.avi", "--devices=lab.json", "b.avi"});
    EXPECT_EQ(parsed.command, (Args{"identify", "a.avi", "b.avi"}));
    EXPECT_TRUE(parsed.options.verbose);
    EXPECT_EQ(parsed.options.devicesFile, std::filesystem::path("lab.json"));
    EXPECT_FALSE(parsed.options.demo);

    const ParsedCommandLine after = ParseCommandLine({"list", "--backend", "sim", "--demo"});
    EXPECT_EQ(after.command, Args{"list"});
    EXPECT_EQ(after.options.backend, BackendKind::Sim);
    EXPECT_TRUE(after.options.demo);
    EXPECT_FALSE(after.options.verbose);
}

TEST(CommandLineOptions, VerbOptionsPassThroughAndDoubleDashEndsGlobalOptions) {
    EXPECT_EQ(ParseCommandLine({"report", "--json", "--demo", "dev"}).command,
              (Args{"report", "--json", "dev"}));
    const ParsedCommandLine parsed =
        ParseCommandLine({"identify", "--", "--demo", "--", "-x", "--devices"});
    EXPECT_EQ(parsed.command, (Args{"identify", "--demo", "--", "-x", "--devices"}));
    EXPECT_FALSE(parsed.options.demo);
    EXPECT_FALSE(parsed.options.devicesFile);
}

TEST(CommandLineOptions, BackendKindFollowsTheCatalogOptionsElseDefaultsToV4l2) {
    EXPECT_EQ(ParseCommandLine({"list"}).options.Kind(), BackendKind::V4l2);
    EXPECT_EQ(ParseCommandLine({"list", "--demo"}).options.Kind(), BackendKind::Sim);
    EXPECT_EQ(ParseCommandLine({"list", "--devices", "x"}).options.Kind(), BackendKind::Sim);
    EXPECT_EQ(ParseCommandLine({"list", "--backend=sim"}).options.Kind(), BackendKind::Sim);
    EXPECT_EQ(ParseCommandLine({"list", "--backend", "v4l2"}).options.Kind(), BackendKind::V4l2);
}

TEST(CommandLineOptions, MalformedOrConflictingOptionsAreUsageErrors) {
    const std::vector<Args> bad = {
        {"list", "--devices"},
        {"list", "--devices="},
        {"list", "--devices", ""},
        {"--backend"},
        {"list", "--backend", "dshow"},
        {"list", "--backend=SIM"},
        {"list", "--demo", "--devices", "x"},
        {"list", "--backend", "v4l2", "--demo"},
        {"--devices=x", "list", "--backend=v4l2"},
        {"list", "--devices", "a", "--devices", "b"},
        {"list", "--backend", "sim", "--backend", "sim"},
        {"list", "--demo=yes"},
        {"list", "--verbose=1"},
    };
    for (const Args& args : bad) {
        EXPECT_THROW(ParseCommandLine(args), UsageError) << testing::PrintToString(args);
        StringOutput out;
        StringOutput err;
        EXPECT_EQ(RunCommandLine(args, out, err), ExitStatus::Usage);
        EXPECT_EQ(out.Text(), "");
        const std::string line = err.Text();
        EXPECT_EQ(std::count(line.begin(), line.end(), '\n'), 1) << line;
    }
}

TEST(CommandLineOptions, UnknownOptionWithoutVerbIsNamedAsOption) {
    StringOutput out;
    StringOutput err;
    EXPECT_EQ(RunCommandLine({"--bogus"}, out, err), ExitStatus::Usage);
    EXPECT_EQ(err.Text(), "capspect: unknown option '--bogus' (try 'capspect --help')\n");
}

TEST(CommandLineOptions, OptionsAloneShowTheUsage) {
    StringOutput out;
    StringOutput err;
    EXPECT_EQ(RunCommandLine({"--demo", "--verbose"}, out, err), ExitStatus::Usage);
    EXPECT_NE(out.Text().find("Usage: capspect"), std::string::npos);
}

TEST(CommandLineOptions, WithoutACommandTheWindowOpensWithTheOptions) {
    StringOutput out;
    StringOutput err;
    std::vector<BackendOptions> launched;
    const WindowLauncher launcher = [&](const CommandContext& context) {
        launched.push_back(context.options);
        return ExitStatus::Success;
    };
    EXPECT_EQ(RunCommandLine({"--demo", "--verbose"}, out, err, launcher), ExitStatus::Success);
    EXPECT_EQ(RunCommandLine({"--devices=lab.json"}, out, err, launcher), ExitStatus::Success);
    ASSERT_EQ(launched.size(), 2U);
    EXPECT_TRUE(launched[0].demo);
    EXPECT_TRUE(launched[0].verbose);
    EXPECT_EQ(launched[1].devicesFile, std::filesystem::path("lab.json"));
    // A command, --help or a usage error never opens it.
    EXPECT_EQ(RunCommandLine({"--help"}, out, err, launcher), ExitStatus::Success);
    EXPECT_EQ(RunCommandLine({"errtext", "0"}, out, err, launcher), ExitStatus::Success);
    EXPECT_EQ(RunCommandLine({"--demo", "--devices", "x"}, out, err, launcher), ExitStatus::Usage);
    EXPECT_EQ(launched.size(), 2U);
}

TEST(CommandLineOptions, ABuildWithoutWindowSaysSoAndShowsTheUsage) {
    StringOutput out;
    StringOutput err;
    EXPECT_EQ(RunCommandLine({}, out, err), ExitStatus::Usage);
    EXPECT_EQ(err.Text(), "capspect: this build has no window, so a command is needed\n");
    EXPECT_NE(out.Text().find("Usage: capspect"), std::string::npos);
}

TEST(CommandLineOptions, VerbsWithoutDevicesIgnoreTheBackend) {
    StringOutput out;
    StringOutput err;
    EXPECT_EQ(RunCommandLine({"errtext", "0", "--backend", "v4l2"}, out, err), ExitStatus::Success);
    EXPECT_EQ(err.Text(), "");
}

// The program makes a platform context only when it starts a backend, so these verbs
// must not touch the platform: they would end the program.
TEST(CommandLineOptions, VerbsWithoutDevicesUseNoPartOfThePlatform) {
    const std::string media = std::string(std::getenv("CAPSPECT_TEST_DATA")) + "/platform";
    for (const Args& args : {Args{"errtext", "0", "0x80040218", "-1"}, Args{"--help"},
                             Args{"--version"}, Args{"identify", media + "/unreadable-stream.grf"},
                             Args{"identify", media + "/missing.avi"}}) {
        StringOutput out;
        StringOutput err;
        RunCommandLine(args, out, err);
        EXPECT_FALSE(out.Text().empty() && err.Text().empty()) << args.front();
        EXPECT_EQ(PlatformContext::PartCount(), 0u) << args.front() << " " << args.back();
    }
}

}  // namespace
}  // namespace capspect
