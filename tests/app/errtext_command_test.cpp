#include "app/errtext_command.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "app/command_line.h"
#include "tests/app/command_run.h"
#include "tests/support/error_tsv.h"

namespace {

using capspect::CommandRun;
using capspect::ExitStatus;
using capspect::ParseResultCode;
using capspect::RunCapspect;

TEST(ErrtextCommand, PrintsOneLinePerCodeWithBothTexts) {
    const CommandRun run = RunCapspect({"errtext", "0x80040218", "0xC00D32C8", "0x80004005"});
    EXPECT_EQ(run.status, ExitStatus::Success);
    EXPECT_EQ(run.out,
              "80040218\t\tNo combination of filters could be found to render the stream.\n"
              "C00D32C8\tThe playlist has reached its end.\t\n"
              "80004005\t\tUnspecified error\n");
    EXPECT_EQ(run.err, "");
}

TEST(ErrtextCommand, PrintsEveryWindowsMediaTextOfTheTable) {
    const auto rows = capspect::test::ReadErrorTsv("media_error_texts.tsv");
    ASSERT_EQ(rows.size(), 1206u);
    std::vector<std::string> args{"errtext"};
    std::string expected;
    for (const auto& row : rows) {
        char code[16];
        std::snprintf(code, sizeof code, "%08X", static_cast<unsigned>(row.code));
        args.push_back(std::string("0x") + code);
        // The second field is the table's text; the third is the platform's, empty here
        // because no Windows Media code is a DirectShow code.
        expected +=
            std::string(code) + '\t' + std::string(row.text.begin(), row.text.end()) + "\t\n";
    }
    const CommandRun run = RunCapspect(args);
    EXPECT_EQ(run.status, ExitStatus::Success);
    EXPECT_EQ(run.out, expected);
}

TEST(ErrtextCommand, AcceptsDollarHexDecimalAndNegativeDecimal) {
    const CommandRun run = RunCapspect({"errtext", "$c00d07f1", "-2147467259", "851968", "0X0"});
    EXPECT_EQ(run.status, ExitStatus::Success);
    EXPECT_EQ(run.out,
              "C00D07F1\t NS_E_NOTHING_TO_DO\t\n"
              "80004005\t\tUnspecified error\n"
              "000D0000\tThe requested operation is pending completion.\t\n"
              "00000000\t\tThe operation completed successfully.\n");
}

TEST(ErrtextCommand, UnknownCodeGivesEmptyTexts) {
    const CommandRun run = RunCapspect({"errtext", "0x12345678"});
    EXPECT_EQ(run.status, ExitStatus::Success);
    EXPECT_EQ(run.out, "12345678\t\t\n");
}

TEST(ErrtextCommand, BadOrMissingCodesAreUsageErrorsThatPrintNothing) {
    for (const std::string bad : {"0x", "$", "0xG1", "12a", "", " 5", "+5", "-0x5", "0x-5",
                                  "0x100000000", "4294967296", "-2147483649", "--verbos"}) {
        const CommandRun run = RunCapspect({"errtext", "0x80004005", bad});
        EXPECT_EQ(run.status, ExitStatus::Usage) << bad;
        EXPECT_EQ(run.out, "") << bad;
        EXPECT_NE(run.err.find("'" + bad + "'"), std::string::npos) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
    const CommandRun none = RunCapspect({"errtext"});
    EXPECT_EQ(none.status, ExitStatus::Usage);
    EXPECT_EQ(none.out, "");
    EXPECT_NE(none.err, "");
}

TEST(ParseResultCode, CoversTheWhole32BitRangeAndNoMore) {
    EXPECT_EQ(ParseResultCode("4294967295"), 0xFFFFFFFFu);
    EXPECT_EQ(ParseResultCode("0xFFFFFFFF"), 0xFFFFFFFFu);
    EXPECT_EQ(ParseResultCode("$00000000FFFFFFFF"), 0xFFFFFFFFu);
    EXPECT_EQ(ParseResultCode("-2147483648"), 0x80000000u);
    EXPECT_EQ(ParseResultCode("-1"), 0xFFFFFFFFu);
    EXPECT_EQ(ParseResultCode("-0"), 0u);
    EXPECT_FALSE(ParseResultCode("99999999999999999999999").has_value());
    EXPECT_FALSE(ParseResultCode("0x1FFFFFFFF").has_value());
}

TEST(CommandLine, UnknownVerbIsAUsageError) {
    const CommandRun run = RunCapspect({"errtexts", "0x1"});
    EXPECT_EQ(run.status, ExitStatus::Usage);
    EXPECT_NE(run.err.find("'errtexts'"), std::string::npos);
    EXPECT_EQ(run.out, "");
}

}  // namespace
