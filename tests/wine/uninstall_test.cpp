// The uninstaller as the user meets it: uninst.exe started beside a log laid out by hand,
// with a registry entry to remove.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>

#include "drag_check.h"
#include "driver.h"
#include "package_fixture.h"

namespace nuvex::test {
namespace {

constexpr char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

bool KeyExists(const std::string& name) {
    HKEY key;
    const std::string path = std::string(kUninstallKey) + "\\" + name;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

void CreateKey(const std::string& name) {
    HKEY key;
    const std::string path = std::string(kUninstallKey) + "\\" + name;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

// The uninstaller's window and Remove, on a log laid out by hand: the listed file goes, the
// log and the registry key go, and what the log does not reach (a file after a gap in the
// numbering, the user's own file, a key of a similar name) stays. Folders, shortcuts and
// the real installer's log are the install tests' business.
TEST(Uninstaller, RemoveTakesAwayWhatTheLogLists) {
    const std::string dir = TestWorkDir();
    const std::string name = "Nuvex Test Product R";
    CreateKey(name);
    CreateKey(name + " Other");
    const std::string exe = dir + "\\uninst.exe", log = dir + "\\uninst.ini";
    ASSERT_TRUE(CopyFileA(StubPath().c_str(), exe.c_str(), FALSE));
    for (const char* file : {"\\listed.txt", "\\after gap.txt", "\\user notes.txt"}) {
        ASSERT_TRUE(WriteFileBytes(dir + file, "x"));
    }
    WriteFileBytes(log, "[Nuvex]\r\nuninstallreg=" + name +
                            "\r\nszButtonUnInstall=Remove\r\nszLabelUninst=Remove " + name +
                            "\r\nszTextUninst=Removes it.|All of it.\r\nfile000000=" + dir +
                            "\\listed.txt\r\nfile000002=" + dir + "\\after gap.txt\r\n");
    Process p = Launch(exe);
    HWND window = WaitForWindow(p.Id(), "UninstallerWindow", kDefaultTimeoutMs, true);
    ASSERT_NE(window, nullptr);
    HWND remove = WaitForChild(window, "Button", "Remove");
    ASSERT_NE(remove, nullptr);
    EXPECT_EQ(ChildRect(remove).left, 385);
    EXPECT_EQ(WindowText(ChildAt(window, "Static", 65, 30)), "Remove " + name);
    EXPECT_EQ(WindowText(ChildAt(window, "Static", 25, 70)), "Removes it.\nAll of it.");
    RECT r;
    GetWindowRect(window, &r);
    EXPECT_EQ(r.left, GetSystemMetrics(SM_CXMAXIMIZED) / 2 - 250);
    EXPECT_EQ(r.bottom - r.top, 200);
    ExpectDragsOnlyByTheTopStrip(window, 2);

    Click(remove);
    EXPECT_FALSE(IsWindowEnabled(remove)) << "Remove disables itself at once";
    DWORD code = 12345;
    ASSERT_TRUE(p.WaitForExit(&code)) << "the uninstaller did not end";
    EXPECT_EQ(code, 0u);
    EXPECT_FALSE(FileExists(dir + "\\listed.txt"));
    EXPECT_FALSE(FileExists(log));
    for (const char* kept : {"\\after gap.txt", "\\user notes.txt", "\\uninst.exe"}) {
        EXPECT_TRUE(FileExists(dir + kept)) << kept;
    }
    EXPECT_FALSE(KeyExists(name));
    EXPECT_TRUE(KeyExists(name + " Other"));
    RegDeleteKeyA(HKEY_LOCAL_MACHINE,
                  (std::string(kUninstallKey) + "\\" + name + " Other").c_str());
}

// Leaving without Remove changes nothing, by the close box or by WM_CLOSE (Alt+F4). A log
// without entries removes the registry key and the log and ends; the close box while the
// removal runs ends the program at once, before the removal has reached the log.
TEST(Uninstaller, EndsByCloseBoxWmCloseOrAnEmptyLog) {
    enum class Action { kCloseBox, kWmClose, kRemove, kRemoveThenCloseBox };
    struct Case {
        const char* name;
        Action action;
        int missing;  // entries of files that do not exist, 10 ms each to pass over
        bool logRemains;
        bool keyRemains;
    };
    const Case cases[] = {
        {"close box", Action::kCloseBox, 0, true, true},
        {"WM_CLOSE", Action::kWmClose, 0, true, true},
        {"no entries", Action::kRemove, 0, false, false},
        {"close box during removal", Action::kRemoveThenCloseBox, 400, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string dir = TestWorkDir();
        const std::string name = std::string("Nuvex Test Product ") + c.name;
        CreateKey(name);
        const std::string exe = dir + "\\uninst.exe";
        ASSERT_TRUE(CopyFileA(StubPath().c_str(), exe.c_str(), FALSE));
        std::string ini = "[Nuvex]\r\nuninstallreg=" + name + "\r\nszButtonUnInstall=Remove\r\n";
        for (int i = 0; i < c.missing; ++i) {
            char key[32];
            std::snprintf(key, sizeof key, "file%06d", i);
            ini += std::string(key) + "=" + dir + "\\missing" + std::to_string(i) + ".txt\r\n";
        }
        if (c.action == Action::kCloseBox || c.action == Action::kWmClose) {
            ini += "file000000=" + exe + ".kept\r\n";
            ASSERT_TRUE(WriteFileBytes(exe + ".kept", "x"));
        }
        WriteFileBytes(dir + "\\uninst.ini", ini);
        Process p = Launch(exe);
        HWND window = WaitForWindow(p.Id(), "UninstallerWindow", kDefaultTimeoutMs, true);
        ASSERT_NE(window, nullptr);
        HWND remove = WaitForChild(window, "Button", "Remove");
        ASSERT_NE(remove, nullptr);
        if (c.action == Action::kCloseBox) {
            // The window follows its application: minimised when another one takes over,
            // restored when it comes back.
            SendMessageA(window, WM_ACTIVATEAPP, FALSE, 0);
            EXPECT_TRUE(IsIconic(window)) << "expected the window minimised";
            SendMessageA(window, WM_ACTIVATEAPP, TRUE, 0);
            EXPECT_FALSE(IsIconic(window)) << "expected the window restored";
        }
        if (c.action == Action::kWmClose) {
            PostMessageA(window, WM_CLOSE, 0, 0);
        } else {
            if (c.action != Action::kCloseBox) {
                Click(remove);
            }
            if (c.action != Action::kRemove) {
                Click(ChildAt(window, "Button", 475, 4));
            }
        }
        DWORD code = 12345;
        ASSERT_TRUE(p.WaitForExit(&code));
        EXPECT_EQ(code, 0u);
        EXPECT_EQ(FileExists(dir + "\\uninst.ini"), c.logRemains);
        if (c.action != Action::kRemoveThenCloseBox) {
            EXPECT_EQ(KeyExists(name), c.keyRemains);
        }
        if (c.action == Action::kCloseBox || c.action == Action::kWmClose) {
            EXPECT_TRUE(FileExists(exe + ".kept"));
        }
        EXPECT_TRUE(FileExists(exe));
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, (std::string(kUninstallKey) + "\\" + name).c_str());
    }
}

}  // namespace
}  // namespace nuvex::test
