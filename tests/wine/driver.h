// Drives the real installer from a test process: start it, find its windows, read their
// texts, press buttons, wait for its exit. Every wait has a bounded timeout.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace nuvex::test {

// Generous: under emulation a busy machine may take many seconds to start a process.
inline constexpr DWORD kDefaultTimeoutMs = 60000;

class Process {
public:
    Process() = default;
    ~Process();
    Process(Process&& other) noexcept { *this = std::move(other); }
    Process& operator=(Process&& other) noexcept;

    bool Started() const { return info_.hProcess != nullptr; }
    DWORD Id() const { return info_.dwProcessId; }
    HANDLE Handle() const { return info_.hProcess; }

    // Waits for the process to end; false on timeout. The exit code goes to `code`.
    bool WaitForExit(DWORD* code, DWORD timeoutMs = kDefaultTimeoutMs);
    void Kill();

private:
    friend Process Launch(const std::string&,
                          const std::vector<std::pair<std::string, std::string>>&,
                          const std::string&);
    PROCESS_INFORMATION info_ = {};
};

// Starts `exe` with the extra or replaced environment variables of `env` (TMP and TEMP
// usually, so that each test has a temporary folder of its own).
Process Launch(const std::string& exe,
               const std::vector<std::pair<std::string, std::string>>& env = {},
               const std::string& args = "");

// Top-level window of class `cls` owned by process `pid`; nullptr after the timeout.
// `visibleOnly` skips hidden windows.
HWND WaitForWindow(DWORD pid, const char* cls, DWORD timeoutMs = kDefaultTimeoutMs,
                   bool visibleOnly = false);
// The same without waiting.
HWND FindProcessWindow(DWORD pid, const char* cls);
// Waits until `hwnd` no longer exists.
bool WaitForWindowGone(HWND hwnd, DWORD timeoutMs = kDefaultTimeoutMs);

// A direct child of `parent` whose class is `cls` (any if null) and text is `text` (any if
// null).
HWND FindChild(HWND parent, const char* cls, const char* text);
std::vector<HWND> Children(HWND parent);
// FindChild, waiting for the child to appear (windows create their children in WM_CREATE,
// which may still be running when the window is first seen).
HWND WaitForChild(HWND parent, const char* cls, const char* text,
                  DWORD timeoutMs = kDefaultTimeoutMs);

// The direct child of `parent` of class `cls` whose top-left corner lies at (x, y) in the
// parent's client area; nullptr when there is none.
HWND ChildAt(HWND parent, const char* cls, int x, int y);
// A child's rectangle in its parent's client coordinates.
RECT ChildRect(HWND child);

std::string WindowText(HWND hwnd);
std::string ClassName(HWND hwnd);

struct MessageBoxInfo {
    HWND window = nullptr;
    std::string caption;
    std::string text;
    std::vector<std::string> buttons;  // texts of the visible push buttons, in order
};

// Waits for a message box of process `pid` and reads it.
MessageBoxInfo WaitForMessageBox(DWORD pid, DWORD timeoutMs = kDefaultTimeoutMs);
// Presses the message box button with dialog identifier `id` (IDOK, IDYES, IDNO).
bool PressMessageBoxButton(HWND box, int id);

// BM_CLICK on a button of another process.
bool Click(HWND button);

// Pumps this thread's messages until its queue is empty.
void FlushEvents();

// Waits until `condition` holds, polling; false after the timeout.
template <typename F>
bool WaitUntil(F condition, DWORD timeoutMs = kDefaultTimeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (condition()) {
            return true;
        }
        if (GetTickCount() - start > timeoutMs) {
            return false;
        }
        FlushEvents();
        Sleep(10);
    }
}

}  // namespace nuvex::test
