// Walks an installer through every wizard page its script enables, for screenshots.
//
//   page_walker SETUP.EXE SCRIPT.INI [--install | --error]
//
// At each page it prints "shot NAME" and waits for a line on its input before it goes on,
// so that the caller can take a picture of the screen. It chooses the custom install type
// when the script offers one, so that the custom page is shown too, and ends the installer
// with the close box on the confirmation page. With --install it presses Install there
// instead, shows the progress window and the done page, and ends with Next; --error does the
// same for an installer with a damaged payload and expects the error page. After either it
// prints "uninstaller PATH" when the installation registered one. Exit code 0 when every page
// was reached.
#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "driver.h"

namespace nuvex::test {
namespace {

std::string Read(const char* script, const char* section, const char* key, const char* def) {
    char value[2048] = {};
    GetPrivateProfileStringA(section, key, def, value, sizeof value, script);
    std::string text = value;
    for (char& c : text) {
        c = c == '|' ? '\n' : c;
    }
    return text;
}

bool Enabled(const char* script, const char* key) {
    return _stricmp(Read(script, "Dialogs", key, "true").c_str(), "true") == 0;
}

// Lets the windows finish painting, then hands over to the caller for the picture.
void Shot(const char* name, HWND wizard, HWND background) {
    for (HWND w : {background, wizard}) {
        if (w && IsWindowVisible(w)) {
            RedrawWindow(w, nullptr, nullptr,
                         RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        }
    }
    std::printf("shot %s\n", name);
    std::fflush(stdout);
    char line[64];
    if (!std::fgets(line, sizeof line, stdin)) {
        return;
    }
}

int Fail(const char* what) {
    std::fprintf(stderr, "page_walker: %s\n", what);
    return 1;
}

// Suspends (or resumes) every thread of process `pid` but the one that owns its windows,
// so that a short-lived window holds still for its picture while it still paints.
void HoldWorkers(DWORD pid, DWORD uiThread, bool hold) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return;
    }
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID != pid || entry.th32ThreadID == uiThread) {
            continue;
        }
        HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID);
        if (thread) {
            if (hold) {
                SuspendThread(thread);
            } else {
                ResumeThread(thread);
            }
            CloseHandle(thread);
        }
    }
    CloseHandle(snapshot);
}

// Asks a held window to paint again, without waiting for it. A suspended worker may hold a
// lock that the window's thread needs for painting; RDW_UPDATENOW would then wait for that
// thread for ever. The caller's picture is taken a moment later, when the paint has landed.
void InvalidateHeld(HWND window) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

// Install on the confirmation page: the progress window, held for its picture, then the done
// page, then Next ends the installer.
bool Install(Process& installer, HWND wizard, HWND background, HWND heading, HWND next,
             const char* script, bool expectError) {
    Click(next);
    HWND progress = WaitForWindow(installer.Id(), "ProgressWindow", kDefaultTimeoutMs, true);
    if (!progress) {
        Fail("no progress window");
        return false;
    }
    // Some progress first, so that the bar shows: the first few pixels of its fill turn blue.
    RECT r = {};
    GetWindowRect(progress, &r);
    const bool bar = _stricmp(Read(script, "Design", "progressstyle", "").c_str(), "bar") == 0;
    const POINT fill =
        bar ? POINT{r.left + 10 + 4, r.top + 30 + 10} : POINT{r.left + 25 + 4, r.top + 80 + 10};
    HDC screen = GetDC(nullptr);
    WaitUntil([&] { return GetPixel(screen, fill.x, fill.y) == RGB(0, 0, 255); }, 5000);
    ReleaseDC(nullptr, screen);
    // The install thread is held still for the picture. Not on a damaged package: there the
    // thread may be suspended inside its synchronous page change to the error page, and
    // under qemu-user that suspension has crashed the installer. Unheld, the picture may
    // show a later moment; it is only a picture.
    const DWORD uiThread = GetWindowThreadProcessId(progress, nullptr);
    const bool hold = !expectError;
    if (hold) {
        HoldWorkers(installer.Id(), uiThread, true);
    }
    InvalidateHeld(progress);
    Shot("progress", nullptr, nullptr);
    if (hold) {
        HoldWorkers(installer.Id(), uiThread, false);
    }
    const std::string done =
        Read(script, "Wizard", expectError ? "szLabelError" : "szLabelKonec", "");
    if (!WaitUntil([&] {
            return FindProcessWindow(installer.Id(), "ProgressWindow") == nullptr &&
                   IsWindowVisible(wizard) && WindowText(heading) == done;
        })) {
        Fail(expectError ? "no error page" : "no done page");
        return false;
    }
    Shot(expectError ? "error" : "done", wizard, background);
    Click(next);
    return true;
}

// Says where the installation's registered uninstaller is ("uninstaller PATH"), for a caller
// that goes on with it; nothing when there is none.
void TellUninstaller(const char* script) {
    const std::string key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" +
                            Read(script, "Wizard", "szInstallAppName", "");
    char value[MAX_PATH] = {};
    DWORD size = sizeof value - 1;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, key.c_str(), "UninstallString", RRF_RT_REG_SZ, nullptr,
                     value, &size) == ERROR_SUCCESS) {
        std::printf("uninstaller %s\n", value);
        std::fflush(stdout);
    }
}

int Walk(const char* exe, const char* script, bool install, bool expectError) {
    Process installer = Launch(exe);
    if (!installer.Started()) {
        return Fail("cannot start the installer");
    }
    HWND splash = WaitForWindow(installer.Id(), "ControllerWindow", 30000, true);
    if (splash) {
        Shot("splash", nullptr, nullptr);
    }
    HWND wizard = WaitForWindow(installer.Id(), "WizardWindow", kDefaultTimeoutMs, true);
    if (!wizard || !WaitUntil([&] { return ChildAt(wizard, "Edit", 35, 104) != nullptr; })) {
        return Fail("no wizard");
    }
    HWND background = FindProcessWindow(installer.Id(), "BackgroundWindow");
    HWND heading = ChildAt(wizard, "Static", 65, 30);
    HWND next = ChildAt(wizard, "Button", 385, 165);
    HWND closeBox = ChildAt(wizard, "Button", 475, 4);
    Shot("intro", wizard, background);

    auto go = [&](HWND button, const char* name, const std::string& heading_text) {
        Click(button);
        if (!WaitUntil([&] { return WindowText(heading) == heading_text; }, 20000)) {
            return false;
        }
        Shot(name, wizard, background);
        return true;
    };
    struct Page {
        const char* flag;
        const char* name;
        const char* label;
    };
    const Page pages[] = {{"AppInfo", "info", "szLabelInfo"},
                          {"Licence", "licence", "szLabelLicence"},
                          {"TargetDir", "target", "szLabelTarget"},
                          {"InstType", "type", "szLabelTyp"}};
    bool custom = false;
    for (const Page& p : pages) {
        if (!Enabled(script, p.flag)) {
            continue;
        }
        if (!go(next, p.name, Read(script, "Wizard", p.label, ""))) {
            return Fail(p.name);
        }
        if (std::string(p.flag) == "InstType" &&
            _stricmp(Read(script, "InstTypes", "Type5Enabled", "").c_str(), "true") == 0) {
            HWND radio =
                FindChild(wizard, "Button", Read(script, "InstTypes", "Type5", "").c_str());
            custom = radio && Click(radio);
        }
    }
    if (custom && !go(next, "custom", Read(script, "Wizard", "szLabelCustom", ""))) {
        return Fail("custom");
    }
    if (!go(next, "confirm", Read(script, "Wizard", "szLabelInstall", ""))) {
        return Fail("confirm");
    }
    if (install) {
        if (!Install(installer, wizard, background, heading, next, script, expectError)) {
            return 1;
        }
    } else {
        Click(closeBox);
    }
    DWORD code = 1;
    if (!installer.WaitForExit(&code) || code != 0) {
        return Fail("the installer did not end");
    }
    if (install) {
        TellUninstaller(script);
    }
    return 0;
}

// The uninstaller: its window, then Remove, with the window held for a picture while the
// removal runs, then the end of the program.
int WalkUninstaller(const char* exe) {
    Process uninstaller = Launch(exe);
    HWND window = WaitForWindow(uninstaller.Id(), "UninstallerWindow", kDefaultTimeoutMs, true);
    HWND remove = nullptr;
    if (window) {
        WaitUntil([&] { return (remove = ChildAt(window, "Button", 385, 165)) != nullptr; });
    }
    if (!remove) {
        return Fail("no uninstaller window");
    }
    Shot("uninstaller", window, nullptr);
    Click(remove);
    // The bar's first blue pixel, inside its outline at (25, 110).
    POINT fill = {25 + 2, 110 + 10};
    ClientToScreen(window, &fill);
    HDC screen = GetDC(nullptr);
    const bool filling =
        WaitUntil([&] { return GetPixel(screen, fill.x, fill.y) == RGB(0, 0, 255); }, 10000);
    ReleaseDC(nullptr, screen);
    if (filling) {
        const DWORD uiThread = GetWindowThreadProcessId(window, nullptr);
        HoldWorkers(uninstaller.Id(), uiThread, true);
        InvalidateHeld(window);
        Shot("removing", nullptr, nullptr);
        HoldWorkers(uninstaller.Id(), uiThread, false);
    }
    DWORD code = 1;
    return uninstaller.WaitForExit(&code) && code == 0 ? 0 : Fail("the uninstaller did not end");
}

}  // namespace
}  // namespace nuvex::test

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[2], "--uninstall") == 0) {
        return nuvex::test::WalkUninstaller(argv[1]);
    }
    const bool expectError = argc == 4 && std::strcmp(argv[3], "--error") == 0;
    const bool install = expectError || (argc == 4 && std::strcmp(argv[3], "--install") == 0);
    if (argc != 3 && !install) {
        std::fprintf(stderr,
                     "usage: page_walker SETUP.EXE SCRIPT.INI [--install | --error]\n"
                     "       page_walker UNINST.EXE --uninstall\n");
        return 2;
    }
    char script[MAX_PATH];
    GetFullPathNameA(argv[2], sizeof script, script, nullptr);
    return nuvex::test::Walk(argv[1], script, install, expectError);
}
