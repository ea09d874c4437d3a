// Text rules of the script: expansion, bars, flags, choices, paths and the bar fill.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "text_rules.h"

namespace nuvex {
namespace {

TEST(ExpandAppName, TemplatesAndOddPercentSequences) {
    struct Case {
        const char* name;
        const char* text;
        const char* expected;
    };
    const Case cases[] = {
        {"no %s", "Plain text", "Plain text"},
        {"one", "Install %s now", "Install App now"},
        {"four", "%s%s-%s-%s", "AppApp-App-App"},
        {"a fifth stays literal", "%s %s %s %s %s", "App App App App %s"},
        {"%% is one %", "100%% of %s", "100% of App"},
        {"%%s is % then s", "%%s", "%s"},
        {"stray % sequences stay", "5% off, %d, %x, %n", "5% off, %d, %x, %n"},
        {"trailing %", "end %", "end %"},
        {"empty", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        char field[256];
        std::strcpy(field, c.text);
        ExpandAppName(field, sizeof field, "App");
        EXPECT_STREQ(field, c.expected);
    }
}

TEST(ExpandAppName, ResultIsCutToItsField) {
    char field[32];
    std::strcpy(field, "%s and %s");
    ExpandAppName(field, sizeof field, "ABCDEFGHIJKLMNOPQRST");
    EXPECT_STREQ(field, "ABCDEFGHIJKLMNOPQRST and ABCDEF");
    EXPECT_EQ(std::strlen(field), 31u);

    // A full 2048-byte field with a long name must not overrun either.
    static char big[2048];
    std::memset(big, 'x', sizeof big - 3);
    std::memcpy(big + sizeof big - 3, "%s", 3);
    const std::string name(2047, 'n');
    ExpandAppName(big, sizeof big, name.c_str());
    EXPECT_EQ(std::strlen(big), 2047u);
}

TEST(ConvertBars, EveryBarIsALineFeed) {
    char text[] = "a|b||c|";
    ConvertBars(text);
    EXPECT_STREQ(text, "a\nb\n\nc\n");
}

TEST(Flags, OnlyTrueIsTrueAndOnlyFalseSwitchesIncludeUninstOff) {
    struct Case {
        const char* value;
        bool flag;
        bool includeUninst;
    };
    const Case cases[] = {
        {"true", true, true},  {"TRUE", true, true},    {"True", true, true},
        {"yes", false, true},  {"1", false, true},      {"", false, true},
        {"no", false, true},   {"false", false, false}, {"FALSE", false, false},
        {"FaLsE", false, false}, {"true ", false, true}, {"truex", false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(ParseFlag(c.value), c.flag);
        EXPECT_EQ(ParseIncludeUninstFlag(c.value), c.includeUninst);
    }
}

TEST(Choices, UnknownWordsCountAsTheFirst) {
    const char* const words[] = {"default", "solid", "gradient"};
    EXPECT_EQ(ParseChoice("GRADIENT", words, 3), 2);
    EXPECT_EQ(ParseChoice("solid", words, 3), 1);
    EXPECT_EQ(ParseChoice("window", words, 3), 0);
    EXPECT_EQ(ParseChoice("", words, 3), 0);
}

TEST(ComponentCount, ReadsAtMostTenAndWarnsOutsideOneToNine) {
    struct Case {
        int n;
        int read;
        bool valid;
    };
    for (Case c : {Case{-1, 0, false}, Case{0, 0, false}, Case{1, 1, true}, Case{9, 9, true},
                   Case{10, 10, false}, Case{11, 10, false}, Case{1000000, 10, false}}) {
        SCOPED_TRACE(c.n);
        EXPECT_EQ(ComponentsToRead(c.n), c.read);
        EXPECT_EQ(ComponentCountValid(c.n), c.valid);
    }
    char message[128];
    FormatComponentCountMessage(message, sizeof message, -1);
    EXPECT_STREQ(message, "Error in number of installable components.\n\nN:-1; ");
}

TEST(Paths, ModeSelectionAndDerivedPaths) {
    struct ModeCase {
        const char* path;
        bool uninstaller;
    };
    const ModeCase modes[] = {
        {"C:\\Program Files\\App\\uninst.exe", true},
        {"C:\\App\\UNINST.EXE", true},
        {"uninst.exe", true},
        {"C:\\App\\uninst.exe.bak", false},
        {"C:\\App\\my-uninst.exe", false},
        {"C:\\App\\uninst2.exe", false},
        {"C:\\uninst.exe\\setup.exe", false},
    };
    for (const ModeCase& m : modes) {
        EXPECT_EQ(IsUninstallerPath(m.path), m.uninstaller) << m.path;
    }

    char out[256];
    ASSERT_TRUE(UninstallLogPath("C:\\App\\Uninst.Exe", out, sizeof out));
    EXPECT_STREQ(out, "C:\\App\\Uninst.ini");

    ASSERT_TRUE(JoinPath(out, sizeof out, "C:\\Temp\\", "~nuvex.tmp"));
    EXPECT_STREQ(out, "C:\\Temp\\\\~nuvex.tmp");
    const std::string longDir(250, 'd');
    EXPECT_FALSE(JoinPath(out, sizeof out, longDir.c_str(), "~nuvex.tmp"));
    EXPECT_STREQ(out, "");

    char target[2048];
    ComposeTargetFolder(target, sizeof target, "C:\\Program Files", true, "App");
    EXPECT_STREQ(target, "C:\\Program Files\\App");
    ComposeTargetFolder(target, sizeof target, "C:\\Program Files", false, "App");
    EXPECT_STREQ(target, "C:\\Program Files");
    const std::string longApp(3000, 'a');
    ComposeTargetFolder(target, sizeof target, "C:", true, longApp.c_str());
    EXPECT_EQ(std::strlen(target), 2047u);
}

// The bar fill for every width the painter may be given, the extremes included: no
// overflow (UBSan watches this) and the rule's value wherever it fits an int.
TEST(ProgressFill, FollowsTheRuleWithoutOverflow) {
    struct Case {
        int width, percent, fill;
    } cases[] = {
        {200, 100, 202},        {200, 99, 198},
        {200, 50, 100},         {200, 0, 0},
        {200, -1, 0},           {0, 100, 2},
        {INT_MAX, 100, INT_MAX}, {INT_MAX - 1, 100, INT_MAX},
        {INT_MAX - 2, 100, INT_MAX}, {INT_MAX, 99, 2126008811},
        {INT_MAX, 50, 1073741824}, {INT_MAX, INT_MAX, INT_MAX},
        {INT_MAX, INT_MIN, 0},  {INT_MIN, 100, INT_MIN + 2},
        {INT_MIN, 99, -2126008810}, {-1, 50, 0},
        {-3, 100, -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ProgressFillLength(c.width, c.percent), c.fill)
            << "width " << c.width << ", percent " << c.percent;
    }
}

}  // namespace
}  // namespace nuvex
