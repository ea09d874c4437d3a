// The real nuvex.exe started under Wine: mode selection, the loader's fatal errors, the
// temporary script copy, the splash, the system check and the hand-over.
#include <gtest/gtest.h>
#include <windows.h>

#include "driver.h"
#include "package_fixture.h"

namespace nuvex::test {
namespace {

constexpr char kCaption[] = "Nuvex: Error";
constexpr char kNoScript[] = "Generic error: No script or renamed uninstaller!";
constexpr char kNoData[] = "Generic error: No installable data!";

// A script that passes the loader without any message box. `wizard` lines go into the
// [Wizard] section (the profile functions read only the first section of a name), `extra`
// lines after everything else.
std::vector<std::string> QuietScript(std::vector<std::string> extra = {},
                                     std::vector<std::string> wizard = {}) {
    std::vector<std::string> lines = {"Creator=NuvexGenerator", "[Wizard]",
                                      "szInstallAppName=Test Product", "szButtonNext=Next"};
    lines.insert(lines.end(), wizard.begin(), wizard.end());
    for (const char* line : {"[Components]", "NumberOfComponents=1", "[Component0]", "Title=Main"}) {
        lines.push_back(line);
    }
    lines.insert(lines.end(), extra.begin(), extra.end());
    return lines;
}

// Waits for a message box, checks it, presses `button` and returns the box's text.
std::string AnswerMessageBox(const Process& p, int button) {
    MessageBoxInfo box = WaitForMessageBox(p.Id());
    EXPECT_NE(box.window, nullptr) << "expected a message box";
    if (!box.window) {
        return "";
    }
    EXPECT_EQ(box.caption, kCaption);
    EXPECT_TRUE(PressMessageBoxButton(box.window, button));
    return box.text;
}

void ExpectExitCode(Process& p, DWORD expected) {
    DWORD code = 12345;
    ASSERT_TRUE(p.WaitForExit(&code)) << "process did not end";
    EXPECT_EQ(code, expected);
}

// Waits for a visible child of `parent` of class `cls` that `match` accepts.
template <typename F>
HWND WaitForVisibleChild(HWND parent, const char* cls, F match) {
    HWND found = nullptr;
    WaitUntil([&] {
        for (HWND child : Children(parent)) {
            if (IsWindowVisible(child) && ClassName(child) == cls && match(child)) {
                found = child;
                return true;
            }
        }
        return false;
    });
    return found;
}

// Ends an installer that shows its wizard, through the wizard's close box: the visible
// text-less 21 x 21 button. Next may lead to another page; the result picture is hidden, and
// Back is text-less too when the script has no Cancel caption.
void CloseWizard(Process& p) {
    HWND wizard = WaitForWindow(p.Id(), "WizardWindow");
    ASSERT_NE(wizard, nullptr);
    HWND closeBox = WaitForVisibleChild(wizard, "Button", [](HWND child) {
        RECT r = ChildRect(child);
        return r.right - r.left == 21 && r.bottom - r.top == 21 && WindowText(child).empty();
    });
    ASSERT_NE(closeBox, nullptr) << "expected the wizard's close box";
    Click(closeBox);
    ExpectExitCode(p, 0);
}

// The name rule itself is a native table; here one spelling shows the whole start.
TEST(ModeSelection, UninstallerNameReadsTheLogBesideIt) {
    std::string dir = TestWorkDir();
    std::string exe = dir + "\\Uninst.Exe";
    ASSERT_TRUE(CopyFileA(StubPath().c_str(), exe.c_str(), FALSE));
    WriteFileBytes(dir + "\\Uninst.ini",
                   "[Nuvex]\r\nszTextUninst=Removes %s.|Second line\r\n"
                   "szLabelUninst=Remove the product\r\nszButtonUnInstall=Remove\r\n");
    Process p = Launch(exe, {}, "--ignored /S");
    HWND window = WaitForWindow(p.Id(), "UninstallerWindow");
    ASSERT_NE(window, nullptr) << "expected the uninstaller window";
    EXPECT_EQ(WindowText(window), "Nuvex Uninstaller");
    HWND remove = WaitForChild(window, "Button", "Remove");
    EXPECT_NE(FindChild(window, "Static", "Removes %s.\nSecond line"), nullptr);
    EXPECT_NE(FindChild(window, "Static", "Remove the product"), nullptr);
    ASSERT_NE(remove, nullptr);
    Click(remove);
    ExpectExitCode(p, 0);
}

TEST(ModeSelection, LogWithoutTheKeysGivesEmptyTexts) {
    std::string dir = TestWorkDir();
    std::string exe = dir + "\\uninst.exe";
    ASSERT_TRUE(CopyFileA(StubPath().c_str(), exe.c_str(), FALSE));
    WriteFileBytes(dir + "\\uninst.ini", "[Other]\r\nkey=value\r\n");
    Process p = Launch(exe);
    HWND window = WaitForWindow(p.Id(), "UninstallerWindow");
    ASSERT_NE(window, nullptr);
    struct Control {
        const char* cls;
        RECT place;
    };
    // Heading, body text, Remove button and close box; the close box ends the program.
    HWND control = nullptr;
    for (const Control& c :
         {Control{"Static", {65, 30, 365, 60}}, Control{"Static", {25, 70, 475, 109}},
          Control{"Button", {385, 165, 485, 190}}, Control{"Button", {475, 4, 496, 25}}}) {
        SCOPED_TRACE(std::to_string(c.place.left) + "," + std::to_string(c.place.top));
        control = WaitForVisibleChild(window, c.cls, [&](HWND child) {
            RECT r = ChildRect(child);
            return EqualRect(&r, &c.place) != 0;
        });
        ASSERT_NE(control, nullptr) << "expected a " << c.cls << " there";
        EXPECT_EQ(WindowText(control), "");
    }
    Click(control);
    ExpectExitCode(p, 0);
}

TEST(ModeSelection, OtherNamesStartTheInstaller) {
    std::string dir = TestWorkDir();
    std::string exe = dir + "\\my-uninst.exe";
    ASSERT_TRUE(CopyFileA(StubPath().c_str(), exe.c_str(), FALSE));
    // An uninst.ini beside it must not matter.
    WriteFileBytes(dir + "\\uninst.ini", "[Nuvex]\r\nszButtonUnInstall=Remove\r\n");
    Process p = Launch(exe, TempEnv(dir));
    EXPECT_EQ(AnswerMessageBox(p, IDOK), kNoScript);
    ExpectExitCode(p, 0);
    EXPECT_EQ(FindProcessWindow(p.Id(), "UninstallerWindow"), nullptr);
}

TEST(ModeSelection, MissingUninstallLogIsFatal) {
    std::string dir = TestWorkDir();
    std::string exe = dir + "\\uninst.exe";
    ASSERT_TRUE(CopyFileA(StubPath().c_str(), exe.c_str(), FALSE));
    Process p = Launch(exe);
    MessageBoxInfo box = WaitForMessageBox(p.Id());
    ASSERT_NE(box.window, nullptr);
    EXPECT_EQ(box.text,
              "Fatal error: Reading uninst.ini file failed.\n\nNuvex uninstaller cannot continue.");
    EXPECT_EQ(box.caption, kCaption);
    EXPECT_EQ(box.buttons.size(), 1u);
    EXPECT_EQ(FindProcessWindow(p.Id(), "UninstallerWindow"), nullptr);
    PressMessageBoxButton(box.window, IDOK);
    ExpectExitCode(p, 0);
}

// Broken packages and hostile surroundings end the loader with one message and code 0.
TEST(Loader, FatalStartupErrors) {
    struct Case {
        const char* name;
        const char* payload;  // nullptr: the bare stub, no package at all
        const char* endMarker;
        std::string tmp;      // empty: the test folder
        const char* message;
    };
    const std::string longTmp = "C:\\" + std::string(245, 'a');
    const Case cases[] = {
        {"bare stub", nullptr, "", "", kNoScript},
        {"ends right after the marker", "", "[/END]", "", kNoData},
        {"no end marker", "", "", "", kNoData},
        {"marker cut by end of file", "", "[/EN", "", kNoData},
        {"temporary folder too long", "x", "[/END]", longTmp,
         "Generic error: Temporary folder path is too long!"},
        {"temporary folder missing", "x", "[/END]", "C:\\no\\such\\folder",
         "Generic error: Cannot write the temporary script file!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string dir = TestWorkDir();
        std::string exe = dir + "\\setup.exe";
        if (c.payload) {
            MakePackage(exe, QuietScript(), c.payload, c.endMarker);
        } else {
            ASSERT_TRUE(CopyFileA(StubPath().c_str(), exe.c_str(), FALSE));
        }
        Process p = Launch(exe, TempEnv(c.tmp.empty() ? dir : c.tmp));
        EXPECT_EQ(AnswerMessageBox(p, IDOK), c.message);
        ExpectExitCode(p, 0);
    }
}

TEST(Loader, TemporaryCopyHoldsTheScriptUpToTheMarker) {
    struct Case {
        const char* endMarker;
        const char* copiedMarker;
    };
    for (const Case& c : {Case{"[/END]", "[END]"}, Case{"[/Finish]", "[Finish]"}}) {
        SCOPED_TRACE(c.endMarker);
        std::string dir = TestWorkDir();
        std::string exe = dir + "\\setup.exe";
        std::vector<std::string> lines =
            QuietScript({"[Wizard2]", "text=a [bracket] and [[double", "[Last]", "k=["});
        std::string package = MakePackage(exe, lines, "PAYLOAD", c.endMarker);
        Process p = Launch(exe, TempEnv(dir));
        CloseWizard(p);

        std::string expected = HeaderText() + "\r\n";
        for (const std::string& line : lines) {
            expected += line + "\r\n";
        }
        expected += c.copiedMarker;
        EXPECT_EQ(ReadFileBytes(dir + "\\~nuvex.tmp"), expected);
    }
}

TEST(Loader, ComponentCountOutOfRangeWarnsAndGoesOn) {
    struct Case {
        const char* line;
        const char* message;
    };
    const Case cases[] = {
        {"", "Error in number of installable components.\n\nN:-1; "},
        {"NumberOfComponents=0", "Error in number of installable components.\n\nN:0; "},
        {"NumberOfComponents=12", "Error in number of installable components.\n\nN:12; "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        std::string dir = TestWorkDir();
        std::string exe = dir + "\\setup.exe";
        MakePackage(exe, {"[Wizard]", "szButtonNext=Next", "[Components]", c.line});
        Process p = Launch(exe, TempEnv(dir));
        EXPECT_EQ(AnswerMessageBox(p, IDOK), c.message);
        CloseWizard(p);
    }
}

// Which windows show after the hand-over is the Background tests' business.
TEST(Splash, SitsBottomRightThenHandsOver) {
    std::string dir = TestWorkDir();
    std::string exe = dir + "\\setup.exe";
    MakePackage(exe, QuietScript());
    Process p = Launch(exe, TempEnv(dir));
    HWND splash = WaitForWindow(p.Id(), "ControllerWindow");
    ASSERT_NE(splash, nullptr);
    RECT r = {};
    ASSERT_TRUE(WaitUntil([&] {
        GetWindowRect(splash, &r);
        return r.right - r.left == 190;
    }));
    EXPECT_EQ(r.left, GetSystemMetrics(SM_CXMAXIMIZED) - 220);
    EXPECT_EQ(r.top, GetSystemMetrics(SM_CYMAXIMIZED) - 110);
    EXPECT_EQ(r.bottom - r.top, 80);
    EXPECT_TRUE(GetWindowLongA(splash, GWL_EXSTYLE) & WS_EX_TOPMOST);

    HWND wizard = WaitForWindow(p.Id(), "WizardWindow");
    ASSERT_NE(wizard, nullptr);
    EXPECT_TRUE(WaitForWindowGone(splash)) << "the controller window must destroy itself";
    EXPECT_TRUE(IsWindowVisible(wizard));
    CloseWizard(p);
}

// Refusing the NT family, which is what Wine reports by default.
TEST(SystemCheck, RefusedSystemAsksOrEnds) {
    struct Case {
        const char* allow;
        int answer;           // button pressed
        size_t buttons;       // buttons the box shows
        bool wizardExpected;
    };
    const Case cases[] = {
        {"allowbadwindows=false", IDOK, 1, false},
        {"allowbadwindows=true", IDYES, 2, true},
        {"allowbadwindows=true", IDNO, 2, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.allow) + " answer " + std::to_string(c.answer));
        std::string dir = TestWorkDir();
        std::string exe = dir + "\\setup.exe";
        MakePackage(exe,
                    QuietScript({}, {"erroronwinnt=TRUE", c.allow, "szErrorWin=Not on %s.|Sorry."}));
        Process p = Launch(exe, TempEnv(dir));
        MessageBoxInfo box = WaitForMessageBox(p.Id());
        ASSERT_NE(box.window, nullptr);
        EXPECT_EQ(box.text, "Not on Test Product.\nSorry.");
        EXPECT_EQ(box.buttons.size(), c.buttons);
        EXPECT_EQ(GetWindow(box.window, GW_OWNER), FindProcessWindow(p.Id(), "ControllerWindow"));
        PressMessageBoxButton(box.window, c.answer);
        if (c.wizardExpected) {
            CloseWizard(p);
        } else {
            ExpectExitCode(p, 0);
            EXPECT_EQ(FindProcessWindow(p.Id(), "WizardWindow"), nullptr);
        }
    }
}

// Wine reports the Windows 95 family to a program whose Wine version is set to win98.
TEST(SystemCheck, Windows9xFamilyFollowsItsOwnFlag) {
    const char* exeName = "setup9x.exe";
    const std::string keyPath = std::string("Software\\Wine\\AppDefaults\\") + exeName;
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, nullptr, 0, KEY_WRITE,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>("win98"), 6);
    RegCloseKey(key);

    struct Case {
        const char* flag;
        bool refused;
    };
    for (const Case& c : {Case{"erroronwin9x=true", true}, Case{"erroronwinnt=true", false}}) {
        SCOPED_TRACE(c.flag);
        std::string dir = TestWorkDir();
        std::string exe = dir + "\\" + exeName;
        MakePackage(exe,
                    QuietScript({}, {c.flag, "allowbadwindows=false", "szErrorWin=Old Windows"}));
        Process p = Launch(exe, TempEnv(dir));
        if (c.refused) {
            EXPECT_EQ(AnswerMessageBox(p, IDOK), "Old Windows");
            ExpectExitCode(p, 0);
        } else {
            CloseWizard(p);
        }
    }
    RegDeleteKeyA(HKEY_CURRENT_USER, keyPath.c_str());
}

}  // namespace
}  // namespace nuvex::test
