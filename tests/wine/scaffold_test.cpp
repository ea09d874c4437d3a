// The script that `nuvexpack new` writes, as a product maker uses it: built with --strict by
// nuvexpack.exe without a word, then installed page by page, each page showing its heading,
// its text and captioned buttons, and removed again by its uninstaller.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver.h"
#include "install_session.h"
#include "package_fixture.h"

namespace nuvex::test {
namespace {

constexpr char kName[] = "Scaffold Tool";

// The visible statics (heading and body) and the captions of the visible 100-pixel buttons
// (Next, Back, Browse); the close box and the result picture carry no caption by design.
struct PageTexts {
    std::vector<std::string> statics, buttons;
};

PageTexts Visible(HWND wizard) {
    PageTexts t;
    for (HWND child : Children(wizard)) {
        if (!IsWindowVisible(child)) {
            continue;
        }
        RECT r = ChildRect(child);
        if (ClassName(child) == "Static") {
            t.statics.push_back(WindowText(child));
        } else if (ClassName(child) == "Button" && r.right - r.left == 100) {
            t.buttons.push_back(WindowText(child));
        }
    }
    return t;
}

void ExpectPage(HWND wizard, const std::string& heading) {
    ASSERT_TRUE(WaitUntil([&] { return static_cast<bool>(Shows(wizard, heading)); }))
        << Shows(wizard, heading).message();
    PageTexts t = Visible(wizard);
    EXPECT_EQ(t.statics.size(), 2u) << heading;
    for (const std::string& s : t.statics) {
        EXPECT_FALSE(s.empty()) << "an empty text on the page " << heading;
    }
    EXPECT_FALSE(t.buttons.empty()) << heading;
    for (const std::string& b : t.buttons) {
        EXPECT_FALSE(b.empty()) << "a button without caption on the page " << heading;
    }
}

TEST(Scaffold, NewScriptBuildsStrictlyAndEveryPageShowsItsTexts) {
    const std::string dir = TestWorkDir(), target = dir + "\\target";
    MakeFolders(dir + "\\src\\bin");
    ASSERT_TRUE(WriteFileBytes(dir + "\\src\\bin\\tool.exe", "MZ not really a program"));
    ASSERT_TRUE(WriteFileBytes(dir + "\\src\\readme.txt", "Read me."));

    unsigned long code = 1;
    ASSERT_TRUE(RunPackageBuilder(std::string("new \"") + kName + "\" --source \"" + dir +
                                      "\\src\" -o \"" + dir + "\\setup.ini\"",
                                  dir + "\\new.log", &code));
    ASSERT_EQ(code, 0u) << ReadFileBytes(dir + "\\new.log");
    ASSERT_TRUE(RunPackageBuilder("build \"" + dir + "\\setup.ini\" -o \"" + dir +
                                      "\\setup.exe\" --stub \"" + StubPath() +
                                      "\" --strict --jobs 1 --quiet",
                                  dir + "\\build.log", &code));
    ASSERT_EQ(code, 0u) << ReadFileBytes(dir + "\\build.log");
    EXPECT_EQ(ReadFileBytes(dir + "\\build.log"), "");

    Process p = Launch(dir + "\\setup.exe", TempEnv(dir));
    HWND wizard = WaitForWindow(p.Id(), "WizardWindow", kDefaultTimeoutMs, true);
    ASSERT_NE(wizard, nullptr) << "expected the wizard";
    const auto next = [&](const char* caption) {
        HWND button = WaitForChild(wizard, "Button", caption);
        ASSERT_NE(button, nullptr) << "expected a button " << caption;
        Click(button);
    };
    ExpectPage(wizard, std::string("Welcome to ") + kName);
    next("Next >");
    ExpectPage(wizard, "About this product");
    next("Next >");
    ExpectPage(wizard, "Licence");
    next("Next >");
    ExpectPage(wizard, "Destination folder");
    HWND field = FindChild(wizard, "Edit", nullptr);
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(WindowText(field), std::string("C:\\Program Files\\") + kName);
    SendMessageA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(target.c_str()));
    next("Next >");
    ExpectPage(wizard, "Type of installation");
    HWND custom = WaitForChild(wizard, "Button", "Custom");
    ASSERT_NE(custom, nullptr);
    Click(custom);
    next("Next >");
    ExpectPage(wizard, "Components");
    EXPECT_NE(FindChild(wizard, "Button", kName), nullptr) << "expected the component's check box";
    next("Next >");
    ExpectPage(wizard, "Ready to install");
    next("Install");
    ASSERT_TRUE(WaitUntil([&] {
        return FindProcessWindow(p.Id(), "ProgressWindow") == nullptr && IsWindowVisible(wizard) &&
               IsWindowEnabled(wizard);
    })) << "the installation did not end";
    ExpectPage(wizard, "Installation complete");
    next("Finish");
    DWORD exitCode = 12345;
    ASSERT_TRUE(p.WaitForExit(&exitCode));

    EXPECT_EQ(ReadFileBytes(target + "\\bin\\tool.exe"), "MZ not really a program");
    EXPECT_TRUE(FileExists(ShellFolder(CSIDL_DESKTOPDIRECTORY) + "\\" + kName + ".lnk"));
    EXPECT_TRUE(RunUninstaller(target));
    EXPECT_FALSE(FileExists(ShellFolder(CSIDL_DESKTOPDIRECTORY) + "\\" + kName + ".lnk"));
}

}  // namespace
}  // namespace nuvex::test
