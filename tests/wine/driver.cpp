#include "driver.h"

#include <cstring>

namespace nuvex::test {

Process::~Process() { Kill(); }

Process& Process::operator=(Process&& other) noexcept {
    if (this != &other) {
        Kill();
        info_ = other.info_;
        other.info_ = {};
    }
    return *this;
}

bool Process::WaitForExit(DWORD* code, DWORD timeoutMs) {
    if (!info_.hProcess || WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0) {
        return false;
    }
    GetExitCodeProcess(info_.hProcess, code);
    return true;
}

void Process::Kill() {
    if (info_.hProcess) {
        if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(info_.hProcess, 255);
            WaitForSingleObject(info_.hProcess, 5000);
        }
        CloseHandle(info_.hProcess);
        CloseHandle(info_.hThread);
        info_ = {};
    }
}

namespace {

std::string Upper(std::string s) {
    for (char& c : s) {
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    }
    return s;
}

// The current environment with `env` applied, as a CreateProcess block.
std::string EnvironmentBlock(const std::vector<std::pair<std::string, std::string>>& env) {
    std::string block;
    char* strings = GetEnvironmentStringsA();
    for (const char* p = strings; *p; p += std::strlen(p) + 1) {
        std::string entry(p);
        bool replaced = false;
        for (const auto& [name, value] : env) {
            if (Upper(entry.substr(0, name.size() + 1)) == Upper(name) + "=") {
                replaced = true;
            }
        }
        if (!replaced) {
            block += entry;
            block += '\0';
        }
    }
    FreeEnvironmentStringsA(strings);
    for (const auto& [name, value] : env) {
        block += name + "=" + value;
        block += '\0';
    }
    block += '\0';
    return block;
}

struct FindData {
    DWORD pid;
    const char* cls;
    bool visibleOnly;
    HWND found;
};

BOOL CALLBACK FindTopLevel(HWND hwnd, LPARAM param) {
    auto* data = reinterpret_cast<FindData*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != data->pid || ClassName(hwnd) != data->cls) {
        return TRUE;
    }
    if (data->visibleOnly && !IsWindowVisible(hwnd)) {
        return TRUE;
    }
    data->found = hwnd;
    return FALSE;
}

BOOL CALLBACK CollectChild(HWND hwnd, LPARAM param) {
    auto* list = reinterpret_cast<std::pair<HWND, std::vector<HWND>>*>(param);
    if (GetParent(hwnd) == list->first) {
        list->second.push_back(hwnd);
    }
    return TRUE;
}

}  // namespace

Process Launch(const std::string& exe, const std::vector<std::pair<std::string, std::string>>& env,
               const std::string& args) {
    Process p;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    std::string commandLine = "\"" + exe + "\"" + (args.empty() ? "" : " " + args);
    std::string block = EnvironmentBlock(env);
    std::vector<char> cmd(commandLine.begin(), commandLine.end());
    cmd.push_back('\0');
    if (!CreateProcessA(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, block.data(), nullptr,
                        &si, &p.info_)) {
        p.info_ = {};
    }
    return p;
}

HWND FindProcessWindow(DWORD pid, const char* cls) {
    FindData data = {pid, cls, false, nullptr};
    EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&data));
    return data.found;
}

HWND WaitForWindow(DWORD pid, const char* cls, DWORD timeoutMs, bool visibleOnly) {
    FindData data = {pid, cls, visibleOnly, nullptr};
    WaitUntil(
        [&] {
            data.found = nullptr;
            EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&data));
            return data.found != nullptr;
        },
        timeoutMs);
    return data.found;
}

bool WaitForWindowGone(HWND hwnd, DWORD timeoutMs) {
    return WaitUntil([&] { return !IsWindow(hwnd); }, timeoutMs);
}

std::vector<HWND> Children(HWND parent) {
    std::pair<HWND, std::vector<HWND>> list{parent, {}};
    EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&list));
    return list.second;
}

HWND FindChild(HWND parent, const char* cls, const char* text) {
    for (HWND child : Children(parent)) {
        if ((!cls || ClassName(child) == cls) && (!text || WindowText(child) == text)) {
            return child;
        }
    }
    return nullptr;
}

HWND WaitForChild(HWND parent, const char* cls, const char* text, DWORD timeoutMs) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindChild(parent, cls, text)) != nullptr; }, timeoutMs);
    return found;
}

RECT ChildRect(HWND child) {
    RECT r = {};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

HWND ChildAt(HWND parent, const char* cls, int x, int y) {
    for (HWND child : Children(parent)) {
        const RECT r = ChildRect(child);
        if (r.left == x && r.top == y && ClassName(child) == cls) {
            return child;
        }
    }
    return nullptr;
}

std::string WindowText(HWND hwnd) {
    char buffer[4096] = {};
    DWORD_PTR length = 0;
    // WM_GETTEXT is marshalled across processes; the timeout keeps a hung target from
    // hanging the test.
    SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer),
                        SMTO_ABORTIFHUNG, 5000, &length);
    return std::string(buffer, std::strlen(buffer));
}

std::string ClassName(HWND hwnd) {
    char name[256] = {};
    GetClassNameA(hwnd, name, sizeof name);
    return name;
}

MessageBoxInfo WaitForMessageBox(DWORD pid, DWORD timeoutMs) {
    MessageBoxInfo info;
    info.window = WaitForWindow(pid, "#32770", timeoutMs, true);
    if (!info.window) {
        return info;
    }
    info.caption = WindowText(info.window);
    // The message text is the static control with identifier 0xFFFF.
    HWND text = GetDlgItem(info.window, 0xFFFF);
    info.text = text ? WindowText(text) : std::string();
    for (HWND child : Children(info.window)) {
        if (ClassName(child) == "Button" && IsWindowVisible(child)) {
            info.buttons.push_back(WindowText(child));
        }
    }
    return info;
}

bool PressMessageBoxButton(HWND box, int id) {
    HWND button = GetDlgItem(box, id);
    return button && Click(button);
}

bool Click(HWND button) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(button, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 5000, &result) != 0;
}

void FlushEvents() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

}  // namespace nuvex::test
