// Working folders and link paths of the shortcuts.
#include <gtest/gtest.h>

#include <string>

#include "shortcut_rules.h"

namespace nuvex {
namespace {

TEST(Shortcuts, WorkingFolderKeepsItsBackslash) {
    struct Case {
        const char* target;
        const char* folder;
    };
    const Case cases[] = {
        {"C:\\Program Files\\Tool\\bin\\tool.exe", "C:\\Program Files\\Tool\\bin\\"},
        {"C:\\tool.exe", "C:\\"},
        {"C:\\Tool\\", "C:\\Tool\\"},
        {"tool.exe", ""},
        {"", ""},
    };
    for (const Case& c : cases) {
        char out[256];
        WorkingFolder(out, sizeof out, c.target);
        EXPECT_STREQ(out, c.folder) << c.target;
    }
}

TEST(Shortcuts, LinkPathsAreWholeOrNothing) {
    char out[256];
    ASSERT_TRUE(LinkPath(out, sizeof out, "C:\\Desktop", "Tool"));
    EXPECT_STREQ(out, "C:\\Desktop\\Tool.lnk");
    ASSERT_TRUE(LinkPath(out, sizeof out, "C:\\Group", ""));
    EXPECT_STREQ(out, "C:\\Group\\.lnk");
    const std::string folder(250, 'f');
    EXPECT_TRUE(LinkPath(out, sizeof out, folder.c_str(), ""));   // 255 characters
    EXPECT_FALSE(LinkPath(out, sizeof out, folder.c_str(), "x"));  // 256
    EXPECT_STREQ(out, "");
}

}  // namespace
}  // namespace nuvex
