// Text rules of the script and the paths made from them: the name expansion, the mode
// selection, paths that fit or fail whole, shortcut paths and the bar fill.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <tuple>
#include <utility>

#include "shortcut_rules.h"
#include "text_rules.h"

namespace nuvex {
namespace {

TEST(ExpandAppName, FirstFourNamesAndEveryOtherPercentAsWritten) {
    const std::tuple<const char*, std::size_t, const char*> cases[] = {
        {"%s %s %s %s %s", 256, "App App App App %s"},
        {"100%% of %s, %%s", 256, "100% of App, %s"},
        {"5% off, %d, %x, %n, end %", 256, "5% off, %d, %x, %n, end %"},
        {"%s and %s", 11, "App and Ap"},
    };
    for (const auto& [text, size, expected] : cases) {
        char field[256];
        std::strcpy(field, text);
        ExpandAppName(field, size, "App");
        EXPECT_STREQ(field, expected) << text << " in " << size;
    }
}

// The base name decides, ignoring case; the log beside it keeps the program's letters.
TEST(ModeSelection, UninstallerByBaseNameAndItsLogBesideIt) {
    const std::pair<const char*, bool> modes[] = {
        {"C:\\App\\UNINST.EXE", true},
        {"C:\\App\\my-uninst.exe", false},
        {"C:\\uninst.exe\\setup.exe", false},
    };
    for (const auto& [path, uninstaller] : modes) {
        EXPECT_EQ(IsUninstallerPath(path), uninstaller) << path;
    }
    char out[256];
    ASSERT_TRUE(UninstallLogPath("C:\\App\\Uninst.Exe", out, sizeof out));
    EXPECT_STREQ(out, "C:\\App\\Uninst.ini");
}

// A path that does not fit is refused whole and leaves its buffer empty: a cut one would
// name another file.
TEST(Paths, JoinedAndLinkPathsFitWholeOrFail) {
    char out[256];
    EXPECT_FALSE(JoinPath(out, sizeof out, std::string(250, 'd').c_str(), "~nuvex.tmp"));
    EXPECT_STREQ(out, "");
    // 255 characters fit, 256 fail.
    ASSERT_TRUE(LinkPath(out, sizeof out, "C:\\Desktop", "Tool"));
    EXPECT_STREQ(out, "C:\\Desktop\\Tool.lnk");
    const std::string longFolder(250, 'f');
    EXPECT_TRUE(LinkPath(out, sizeof out, longFolder.c_str(), ""));
    EXPECT_FALSE(LinkPath(out, sizeof out, longFolder.c_str(), "x"));
    EXPECT_STREQ(out, "");
}

// The product folder is appended only with autonametopath; a long one is cut to the field.
TEST(TargetFolder, ProductFolderAppendedOnlyWithAutoNameToPath) {
    char target[2048];
    ComposeTargetFolder(target, sizeof target, "C:\\Program Files", true, "App");
    EXPECT_STREQ(target, "C:\\Program Files\\App");
    ComposeTargetFolder(target, sizeof target, "C:\\Program Files", false, "App");
    EXPECT_STREQ(target, "C:\\Program Files") << "without autonametopath, the folder as given";
    ComposeTargetFolder(target, sizeof target, "C:", true, std::string(3000, 'a').c_str());
    EXPECT_EQ(std::strlen(target), 2047u);
}

// Every width the painter may be given, the extremes included: no overflow (UBSan watches
// this) and the rule's value wherever it fits an int.
TEST(ProgressFill, FollowsTheRuleWithoutOverflow) {
    const std::tuple<int, int, int> cases[] = {
        // width, percent, fill
        {200, 99, 198},
        {200, -1, 0},
        {INT_MAX, 99, 2126008811},
        {INT_MAX, INT_MIN, 0},
        {INT_MIN, 99, -2126008810},
    };
    for (const auto& [width, percent, fill] : cases) {
        EXPECT_EQ(ProgressFillLength(width, percent), fill) << width << ", " << percent;
    }
}

}  // namespace
}  // namespace nuvex
