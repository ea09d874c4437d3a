// Installations as the user runs them, shared by the tests that install: scripts, packages
// from the real package builder, the wizard walk and what the run leaves behind.
#include "install_session.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "driver.h"
#include "package_fixture.h"

namespace nuvex::test {

std::string Report(const char* specific) {
    return std::string(kTextError) + " " + specific + "\n\n" + kTextError1;
}

std::string WindowsFolder() {
    char path[MAX_PATH];
    GetWindowsDirectoryA(path, sizeof path);
    return path;
}

std::string SystemFolder() {
    char path[MAX_PATH];
    GetSystemDirectoryA(path, sizeof path);
    return path;
}

std::string ShellFolder(int csidl) {
    char path[MAX_PATH] = {};
    SHGetSpecialFolderPathA(nullptr, path, csidl, FALSE);
    return path;
}

bool FullRun() {
    const char* value = std::getenv("NUVEX_ROBUST_FULL");
    return value && std::string(value) == "1";
}

void MakeFolders(const std::string& path) {
    for (std::size_t i = path.find('\\', 3); i != std::string::npos; i = path.find('\\', i + 1)) {
        CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
    }
    CreateDirectoryA(path.c_str(), nullptr);
}

// Text of `size` bytes that deflate shrinks but not to nothing: numbered lines.
std::string SampleText(std::size_t size, unsigned seed) {
    std::string text;
    unsigned x = seed * 2654435761u + 1;
    while (text.size() < size) {
        x = x * 1103515245u + 12345u;
        char line[64];
        std::snprintf(line, sizeof line, "line %u of file %u: %08x\r\n",
                      static_cast<unsigned>(text.size()), seed, x);
        text += line;
    }
    text.resize(size);
    return text;
}

std::vector<std::string> ComponentLines(std::vector<std::string> script,
                                        const std::vector<std::string>& entries) {
    for (const char* line : {"[Components]", "NumberOfComponents=1", "[Component0]", "Title=Main",
                             "UseInInstType0=true"}) {
        script.push_back(line);
    }
    script.insert(script.end(), entries.begin(), entries.end());
    return script;
}

// The wizard, texts and switches every test package shares. The introduction leads straight
// to the confirmation page, whose Install starts the installation; with no install type
// page the selection is the first preset, UseInInstType0.
std::vector<std::string> ScriptHead(const std::string& instDir, const char* includeUninst,
                                    const char* progressStyle, const char* showBackground) {
    return {"[Wizard]",
            std::string("szInstallAppName=") + kProduct,
            "szInstallAppDir=App",
            "szInstDir=" + instDir,
            "autonametopath=true",
            std::string("includeuninst=") + includeUninst,
            "szButtonNext=Next",
            "szButtonBack=Back",
            "szButtonCancel=Cancel",
            "szButtonInstall=Install",
            "szButtonDone=Done",
            "szButtonUnInstall=Remove",
            "szLabelKonec=All done",
            "szLabelError=It failed",
            "szLabelUninst=Remove %s",
            "szTextUninst=Removes %s.|All of it.",
            "szTextKonec=%s is installed.",
            std::string("szTextError=") + kTextError,
            std::string("szTextError1=") + kTextError1,
            std::string("szErrorNES=") + kErrorNES,
            std::string("szErrorNEM=") + kErrorNEM,
            std::string("szErrorCRC=") + kErrorCRC,
            std::string("szErrorDIR=") + kErrorDIR,
            "szInstalling=Installing %s",
            "szInstallerPreparing=Preparing",
            "szInstallerInstallingPart=Installing",
            "szInstallerEnding=Ending",
            "[Design]",
            std::string("ShowBackground=") + showBackground,
            std::string("progressstyle=") + progressStyle,
            "[Dialogs]",
            "AppInfo=false",
            "Licence=false",
            "TargetDir=false",
            "InstType=false",
            "[InstTypes]",
            "Type0=Typical",
            "Type0Enabled=true"};
}

// Builds setup.exe in `dir` with the package builder from the script and `dir`\src.
std::string BuildInstaller(const std::string& dir, const std::vector<std::string>& script) {
    const std::string out = dir + "\\setup.exe";
    std::string log;
    EXPECT_TRUE(nuvex::test::BuildPackage(out, script, dir + "\\src", &log)) << log;
    return out;
}

// Replaces `from` by `to` (same length, so no offset moves) in the script of a package.
void PatchScript(std::string& package, const std::string& from, const std::string& to) {
    ASSERT_EQ(from.size(), to.size());
    const std::size_t at = package.find(from);
    ASSERT_NE(at, std::string::npos) << "expected \"" << from << "\" in the package";
    package.replace(at, from.size(), to);
}

std::size_t PayloadBase(const std::string& package) {
    const std::size_t marker = package.find("[/END]");
    return marker == std::string::npos ? 0 : marker + 6;
}

// uninst.ini as "key=value" lines in file order.
std::vector<std::string> LogLines(const std::string& path) {
    std::vector<std::string> lines;
    const std::string text = ReadFileBytes(path);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!line.empty()) {
            lines.push_back(line);
        }
        start = end + 1;
    }
    return lines;
}

bool ReadRegistryValue(const std::string& key, const char* name, std::string* value) {
    HKEY h = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ | KEY_WOW64_32KEY, &h) !=
        ERROR_SUCCESS) {
        return false;
    }
    char data[1024] = {};
    DWORD size = sizeof data;
    DWORD type = 0;
    const LONG result =
        RegQueryValueExA(h, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(h);
    if (result != ERROR_SUCCESS || type != REG_SZ) {
        return false;
    }
    *value = std::string(data, size);  // stored with its terminating NUL
    return true;
}

void DeleteUninstallEntry() {
    HKEY h = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
                      0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, &h) == ERROR_SUCCESS) {
        RegDeleteKeyA(h, kProduct);
        RegCloseKey(h);
    }
}

bool UninstallEntryExists() {
    std::string value;
    return ReadRegistryValue(std::string(kUninstallKey) + kProduct, "DisplayName", &value);
}

testing::AssertionResult Shows(HWND window, const std::string& text) {
    std::vector<std::string> texts;
    for (HWND child : Children(window)) {
        if (ClassName(child) == "Static" && IsWindowVisible(child)) {
            texts.push_back(WindowText(child));
        }
    }
    if (std::find(texts.begin(), texts.end(), text) != texts.end()) {
        return testing::AssertionSuccess();
    }
    testing::AssertionResult failure = testing::AssertionFailure();
    failure << "expected \"" << text << "\" on the wizard, got";
    for (const std::string& t : texts) {
        failure << " \"" << t << "\"";
    }
    return failure;
}

// T: counts as the small drive only below this size, so that a real disk is never emptied.
constexpr uint64_t kSmallDriveMax = 64ull << 20;

uint64_t SmallDriveFree() {
    ULARGE_INTEGER available = {}, total = {}, free = {};
    if (!GetDiskFreeSpaceExA(kSmallDrive, &available, &total, &free) ||
        total.QuadPart > kSmallDriveMax) {
        return 0;
    }
    return available.QuadPart;
}

void EmptySmallDrive() {
    std::vector<std::string> top;
    ListTree("T:", kSmallDrive, &top, 1);
    for (const std::string& path : top) {
        RemoveTree(path);
    }
    // A deleted file gives its space back only once nothing holds it any more: wineserver
    // may still map the image of an uninst.exe that has just ended. The tests count the free
    // space to the byte, so they wait for the drive to be empty in fact.
    WaitUntil(
        [] {
            ULARGE_INTEGER available = {}, total = {}, free = {};
            return GetDiskFreeSpaceExA(kSmallDrive, &available, &total, &free) &&
                   available.QuadPart == total.QuadPart;
        },
        30000);
}

std::vector<std::string> Logged(const std::string& log, const std::string& family) {
    std::vector<std::string> values;
    for (const std::string& line : LogLines(log)) {
        const std::size_t eq = line.find('=');
        if (eq == family.size() + 6 && line.compare(0, family.size(), family) == 0 &&
            line.find_first_not_of("0123456789", family.size()) == eq) {
            values.push_back(line.substr(eq + 1));
        }
    }
    return values;
}

bool RunUninstaller(const std::string& target) {
    Process uninstaller = Launch(target + "\\uninst.exe");
    HWND window = WaitForWindow(uninstaller.Id(), "UninstallerWindow", kDefaultTimeoutMs, true);
    HWND remove = window ? WaitForChild(window, "Button", "Remove") : nullptr;
    if (!remove || !Click(remove)) {
        return false;
    }
    DWORD code = 12345;
    return uninstaller.WaitForExit(&code) && code == 0;
}

void ListTree(const std::string& dir, const std::string& prefix, std::vector<std::string>* out,
              int depth) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        const std::string name = fd.cFileName;
        if (name == "." || name == "..") {
            continue;
        }
        out->push_back(prefix + name);
        if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && depth > 1) {
            ListTree(dir + "\\" + name, prefix + name + "\\", out, depth - 1);
        }
    } while (FindNextFileA(h, &fd));
    FindClose(h);
}

}  // namespace nuvex::test
