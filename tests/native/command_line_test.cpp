#include "command_line.h"

#include <gtest/gtest.h>

#include <string>

#include "install_rules.h"
#include "script_keys.h"

namespace nuvex {
namespace {

struct ParseCase {
    const char* arguments;
    bool silent;
    bool usageError;
    int type;
    const char* target;  // nullptr: no /D=
};

class ParseCommandLineTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseCommandLineTest, Switches) {
    const ParseCase& c = GetParam();
    const CommandLine parsed = ParseCommandLine(c.arguments);
    EXPECT_EQ(parsed.silent, c.silent) << c.arguments;
    EXPECT_EQ(parsed.usageError, c.usageError) << c.arguments;
    EXPECT_EQ(parsed.type, c.type) << c.arguments;
    EXPECT_EQ(parsed.hasTarget, c.target != nullptr) << c.arguments;
    if (c.target) {
        EXPECT_STREQ(parsed.target, c.target) << c.arguments;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, ParseCommandLineTest,
    ::testing::Values(
        ParseCase{"", false, false, -1, nullptr}, ParseCase{"   \t ", false, false, -1, nullptr},
        ParseCase{" /S", true, false, -1, nullptr}, ParseCase{" /s", true, false, -1, nullptr},
        ParseCase{" /S /TYPE=2", true, false, 2, nullptr},
        ParseCase{" /type=3 /s", true, false, 3, nullptr},
        ParseCase{" /S /TYPE=12", true, false, 12, nullptr},
        // /D= takes the rest of the line, blanks and what looks like switches included.
        ParseCase{" /S /D=C:\\Program Files\\My Tool", true, false, -1,
                  "C:\\Program Files\\My Tool"},
        ParseCase{" /S /d=C:\\A  B /TYPE=1  ", true, false, -1, "C:\\A  B /TYPE=1"},
        ParseCase{" /D=C:\\x /S", false, false, -1, "C:\\x /S"},
        ParseCase{"\t/S\t/D=\\\\server\\share\\app", true, false, -1, "\\\\server\\share\\app"},
        // Quotes are not taken away: the convention has none.
        ParseCase{" /S /D=\"C:\\quoted\"", true, false, -1, "\"C:\\quoted\""},
        // Usage errors: unknown switches, malformed values, an empty /D=.
        ParseCase{" /S /Q", true, true, -1, nullptr},
        ParseCase{" /SILENT", false, true, -1, nullptr}, ParseCase{" -S", false, true, -1, nullptr},
        ParseCase{" S", false, true, -1, nullptr}, ParseCase{" /S /TYPE=", true, true, -1, nullptr},
        ParseCase{" /S /TYPE=x", true, true, -1, nullptr},
        ParseCase{" /S /TYPE=123", true, true, -1, nullptr},
        ParseCase{" /S /TYPE=-1", true, true, -1, nullptr},
        ParseCase{" /S /D=", true, true, -1, nullptr},
        ParseCase{" /S /D=   ", true, true, -1, nullptr},
        ParseCase{" /S /DIR=C:\\x", true, true, -1, nullptr}));

TEST(ParseCommandLineTest, TargetLongerThanTheFieldIsAUsageError) {
    const std::string fits = " /S /D=C:\\" + std::string(kCommandLineTargetSize - 4, 'a');
    const std::string over = fits + "a";
    EXPECT_FALSE(ParseCommandLine(fits.c_str()).usageError);
    EXPECT_EQ(std::string(ParseCommandLine(fits.c_str()).target).size(),
              kCommandLineTargetSize - 1);
    const CommandLine parsed = ParseCommandLine(over.c_str());
    EXPECT_TRUE(parsed.usageError);
    EXPECT_FALSE(parsed.hasTarget);
}

struct ProgramNameCase {
    const char* commandLine;
    const char* arguments;
};

TEST(SkipProgramNameTest, QuotedAndBareNames) {
    const ProgramNameCase cases[] = {
        {"setup.exe", ""},
        {"setup.exe /S", " /S"},
        {"\"C:\\Program Files\\setup.exe\" /S /D=C:\\a b", " /S /D=C:\\a b"},
        {"\"C:\\My Apps\\uninst.exe\"", ""},
        {"\"unclosed /S", ""},
        {"C:\\dir\\setup.exe\t/S", "\t/S"},
    };
    for (const ProgramNameCase& c : cases) {
        EXPECT_STREQ(SkipProgramName(c.commandLine), c.arguments) << c.commandLine;
    }
}

TEST(IsFullPathTest, DriveAndUncPathsOnly) {
    EXPECT_TRUE(IsFullPath("C:\\"));
    EXPECT_TRUE(IsFullPath("d:\\Apps\\Tool"));
    EXPECT_TRUE(IsFullPath("\\\\server\\share"));
    EXPECT_FALSE(IsFullPath("C:"));
    EXPECT_FALSE(IsFullPath("C:relative"));
    EXPECT_FALSE(IsFullPath("relative\\dir"));
    EXPECT_FALSE(IsFullPath("\\rooted"));
    EXPECT_FALSE(IsFullPath("\\\\"));
    EXPECT_FALSE(IsFullPath("1:\\x"));
    EXPECT_FALSE(IsFullPath(""));
}

TEST(EstimatedSizeKbTest, RoundsUpAndHoldsAtTheDwordLimit) {
    const struct {
        uint64_t bytes;
        uint32_t kb;
    } cases[] = {{0, 0},
                 {1, 1},
                 {1023, 1},
                 {1024, 1},
                 {1025, 2},
                 {2048, 2},
                 {10 * 1024 * 1024, 10240},
                 {UINT64_C(0xFFFFFFFF) * 1024, 0xFFFFFFFFu},
                 {UINT64_C(0xFFFFFFFF) * 1024 + 1, 0xFFFFFFFFu},
                 {UINT64_MAX, 0xFFFFFFFFu}};
    for (const auto& c : cases) {
        EXPECT_EQ(EstimatedSizeKb(c.bytes), c.kb) << c.bytes;
    }
}

TEST(DeploymentKeysTest, FlagIsOffUnlessTheScriptSaysTrue) {
    for (const char* key : {"unattended", "removeuninstaller"}) {
        const ScriptKey* found = FindStartupKey("wizard", key);
        ASSERT_NE(found, nullptr) << key;
        EXPECT_EQ(found->kind, KeyKind::kFlag) << key;
        EXPECT_STREQ(found->textDefault, "false") << key;
    }
}

}  // namespace
}  // namespace nuvex
