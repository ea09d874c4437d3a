// The real nuvex.exe started under Wine: mode selection, the loader's fatal errors, the
// splash with the script copy and the hand-over, and the system check.
#include <gtest/gtest.h>
#include <windows.h>

#include "driver.h"
#include "package_fixture.h"

namespace nuvex::test {
namespace {

constexpr char kNoData[] = "Generic error: No installable data!";

// A script that passes the loader without any message box; `wizard` lines go into [Wizard].
std::vector<std::string> QuietScript(const std::vector<std::string>& wizard = {}) {
    std::vector<std::string> lines = {"[Wizard]", "szInstallAppName=Test Product"};
    lines.insert(lines.end(), wizard.begin(), wizard.end());
    for (const char* line :
         {"[Components]", "NumberOfComponents=1", "[Component0]", "Title=Main"}) {
        lines.push_back(line);
    }
    return lines;
}

// Waits for a message box of `p` with the error caption and presses `button`.
MessageBoxInfo Answer(const Process& p, int button) {
    MessageBoxInfo box = WaitForMessageBox(p.Id());
    EXPECT_NE(box.window, nullptr) << "expected a message box";
    EXPECT_EQ(box.caption, "Nuvex: Error");
    if (box.window) {
        EXPECT_TRUE(PressMessageBoxButton(box.window, button));
    }
    return box;
}

void ExpectEnds(Process& p) {
    DWORD code = 12345;
    EXPECT_TRUE(p.WaitForExit(&code) && code == 0) << "did not end, or not with 0";
}

// The script copies in the temporary folder `dir`: "~nuvex-<process>-<number>.tmp".
std::vector<std::string> ScriptCopies(const std::string& dir) {
    std::vector<std::string> found;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((dir + "\\~nuvex-*.tmp").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            found.push_back(dir + "\\" + fd.cFileName);
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    return found;
}

// Ends an installer that shows its wizard through the wizard's close box.
void CloseWizard(Process& p) {
    HWND wizard = WaitForWindow(p.Id(), "WizardWindow");
    ASSERT_NE(wizard, nullptr) << "expected the wizard";
    HWND closeBox = nullptr;
    ASSERT_TRUE(
        WaitUntil([&] { return (closeBox = ChildAt(wizard, "Button", 475, 4)) != nullptr; }));
    Click(closeBox);
    ExpectEnds(p);
}

// The name rule is a native table; here each outcome once, with the log beside the program.
// Arguments change nothing, /S included, with one exception: uninst.exe /S without a log
// has no log to ask whether it may be silent and ends with 3 instead of a message box that
// would hang a deployment tool (docs/deploy.md).
TEST(ModeSelection, TheProgramsNameAndTheLogBesideIt) {
    struct Case {
        const char* name;
        bool log;             // an uninst.ini beside the program
        const char* message;  // the one message box; nullptr: the uninstaller window
        const char* args;
    };
    const Case cases[] = {
        {"Uninst.Exe", true, nullptr, "--ignored /S"},
        {"uninst.exe", false,
         "Fatal error: Reading uninst.ini file failed.\n\nNuvex uninstaller cannot continue.",
         "--ignored /TYPE=1"},
        {"my-uninst.exe", true, "Generic error: No script or renamed uninstaller!", "--ignored /S"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string dir = TestWorkDir();
        const std::string exe = dir + "\\" + c.name;
        ASSERT_TRUE(CopyFileA(StubPath().c_str(), exe.c_str(), FALSE));
        if (c.log) {
            WriteFileBytes(dir + "\\uninst.ini", "[Nuvex]\r\nszButtonUnInstall=Remove\r\n");
        }
        Process p = Launch(exe, TempEnv(dir), c.args);
        if (c.message) {
            MessageBoxInfo box = Answer(p, IDOK);
            EXPECT_EQ(box.text, c.message);
            ExpectEnds(p);
            continue;
        }
        // The uninstaller window, with the button caption from the log.
        HWND window = WaitForWindow(p.Id(), "UninstallerWindow");
        ASSERT_NE(window, nullptr) << "expected the uninstaller window";
        HWND remove = WaitForChild(window, "Button", "Remove");
        ASSERT_NE(remove, nullptr);
        Click(remove);
        ExpectEnds(p);
    }
    const std::string dir = TestWorkDir();
    const std::string exe = dir + "\\uninst.exe";
    ASSERT_TRUE(CopyFileA(StubPath().c_str(), exe.c_str(), FALSE));
    Process silent = Launch(exe, TempEnv(dir), "/S");
    DWORD code = 12345;
    ASSERT_TRUE(silent.WaitForExit(&code)) << "a message box keeps uninst.exe /S waiting";
    EXPECT_EQ(code, 3u);
}

// Broken packages and hostile surroundings end the loader with one message and code 0, and
// leave no script copy behind.
TEST(Loader, BrokenPackageOrTemporaryFolderEndsWithOneMessageAndNoCopy) {
    struct Case {
        const char* name;
        const char* payload;
        const char* endMarker;
        std::string tmp;  // empty: the test folder
        const char* message;
    };
    const Case cases[] = {
        {"end marker cut by the end of file", "", "[/EN", "", kNoData},
        {"temporary folder too long", "x", "[/END]", "C:\\" + std::string(245, 'a'),
         "Generic error: Temporary folder path is too long!"},
        {"temporary folder missing", "x", "[/END]", "C:\\no\\such\\folder",
         "Generic error: Cannot write the temporary script file!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string dir = TestWorkDir();
        const std::string exe = dir + "\\setup.exe";
        MakePackage(exe, QuietScript(), c.payload, c.endMarker);
        Process p = Launch(exe, TempEnv(c.tmp.empty() ? dir : c.tmp));
        EXPECT_EQ(Answer(p, IDOK).text, c.message);
        ExpectEnds(p);
        EXPECT_TRUE(ScriptCopies(dir).empty()) << "a fatal end leaves the script copy behind";
    }
}

// The splash sits in the bottom-right corner while the loader copies the script up to its
// marker and warns about the component count; then the wizard takes over and the splash
// destroys itself. The copy is the process's own: another process can neither write nor
// delete it while the installer runs, and it is gone when the installer ends. A WM_CLOSE
// from another program does not take the splash away before the hand-over.
TEST(Splash, PlaceScriptCopyWarningAndHandOver) {
    const std::string dir = TestWorkDir(), exe = dir + "\\setup.exe";
    const std::vector<std::string> lines = {"[Wizard]",     "szButtonNext=Next",
                                            "[Wizard2]",    "text=a [bracket] and [[double",
                                            "[Components]", "NumberOfComponents=12"};
    MakePackage(exe, lines, "PAYLOAD", "[/Finish]");
    // The name of the old shared copy, taken by another program: no matter.
    ASSERT_TRUE(
        WriteFileBytes(dir + "\\~nuvex.tmp", "[Nuvex]\r\n[Wizard]\r\nszButtonNext=Evil\r\n"));
    Process p = Launch(exe, TempEnv(dir));
    HWND splash = WaitForWindow(p.Id(), "ControllerWindow");
    ASSERT_NE(splash, nullptr);
    RECT r = {};
    ASSERT_TRUE(WaitUntil([&] { return GetWindowRect(splash, &r) && r.right - r.left == 190; }));
    EXPECT_EQ(r.left, GetSystemMetrics(SM_CXMAXIMIZED) - 220);
    EXPECT_EQ(r.top, GetSystemMetrics(SM_CYMAXIMIZED) - 110);
    EXPECT_TRUE(GetWindowLongA(splash, GWL_EXSTYLE) & WS_EX_TOPMOST);

    MessageBoxInfo warning = WaitForMessageBox(p.Id());
    ASSERT_NE(warning.window, nullptr);
    DWORD_PTR result = 0;
    SendMessageTimeoutA(splash, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, 10000, &result);
    EXPECT_TRUE(IsWindow(splash)) << "WM_CLOSE took the splash away";
    EXPECT_EQ(warning.text, "Error in number of installable components.\n\nN:12; ");

    std::string expected = HeaderText() + "\r\n";
    for (const std::string& line : lines) {
        expected += line + "\r\n";
    }
    const std::vector<std::string> copies = ScriptCopies(dir);
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(ReadFileBytes(copies[0]), expected + "[Finish]");
    SetLastError(0xdeadbeef);
    HANDLE writer = CreateFileA(copies[0].c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_EQ(writer, INVALID_HANDLE_VALUE) << "another process opened the copy for writing";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    if (writer != INVALID_HANDLE_VALUE) {
        CloseHandle(writer);
    }
    EXPECT_FALSE(DeleteFileA(copies[0].c_str())) << "another process deleted the copy";
    EXPECT_FALSE(MoveFileA(copies[0].c_str(), (dir + "\\moved.tmp").c_str()));
    EXPECT_TRUE(PressMessageBoxButton(warning.window, IDOK));

    HWND wizard = WaitForWindow(p.Id(), "WizardWindow");
    ASSERT_NE(wizard, nullptr);
    EXPECT_TRUE(WaitForWindowGone(splash)) << "the controller window must destroy itself";
    EXPECT_TRUE(IsWindowVisible(wizard));
    HWND next = WaitForChild(wizard, "Button", "Next");
    EXPECT_NE(next, nullptr) << "the wizard must read its own copy, not ~nuvex.tmp";
    CloseWizard(p);
    EXPECT_TRUE(ScriptCopies(dir).empty()) << "the script copy must go with its process";
}

// Wine reports the NT family by default, and the Windows 95 family to a program whose Wine
// version is set to win98 (the program name setup9x.exe).
TEST(SystemCheck, RefusedSystemsAskOrEnd) {
    const std::string appKey = "Software\\Wine\\AppDefaults\\setup9x.exe";
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, appKey.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>("win98"), 6);
    RegCloseKey(key);
    struct Case {
        const char* exe;
        const char* refuse;
        const char* allow;
        int answer;  // IDYES or IDOK to the message box; 0: no message box
    };
    const Case cases[] = {
        {"setup.exe", "erroronwinnt=TRUE", "allowbadwindows=true", IDYES},
        {"setup9x.exe", "erroronwin9x=true", "allowbadwindows=false", IDOK},
        {"setup9x.exe", "erroronwinnt=true", "allowbadwindows=false", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.exe) + " " + c.refuse + " " + c.allow);
        const std::string dir = TestWorkDir();
        const std::string exe = dir + "\\" + c.exe;
        MakePackage(exe, QuietScript({c.refuse, c.allow, "szErrorWin=Not on %s.|Sorry."}));
        Process p = Launch(exe, TempEnv(dir));
        if (c.answer) {
            MessageBoxInfo box = WaitForMessageBox(p.Id());
            ASSERT_NE(box.window, nullptr);
            EXPECT_EQ(box.text, "Not on Test Product.\nSorry.");
            EXPECT_EQ(box.buttons.size(), c.answer == IDYES ? 2u : 1u);
            PressMessageBoxButton(box.window, c.answer);
        }
        if (c.answer == IDOK) {
            ExpectEnds(p);
            EXPECT_EQ(FindProcessWindow(p.Id(), "WizardWindow"), nullptr);
        } else {
            CloseWizard(p);
        }
    }
    RegDeleteKeyA(HKEY_CURRENT_USER, appKey.c_str());
}

}  // namespace
}  // namespace nuvex::test
