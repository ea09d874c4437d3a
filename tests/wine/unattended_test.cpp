// Unattended runs for deployment tools: setup.exe /S and uninst.exe /S of a script with
// unattended=true, watched for windows the whole time, judged by exit code and by what they
// leave on disk and in the registry.
#include <gtest/gtest.h>
#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "driver.h"
#include "install_session.h"
#include "package_fixture.h"

namespace nuvex::test {
namespace {

// Starts `exe` with `args` and waits for its end, checking all the while that the process
// shows no top-level window (no splash, wizard or message box). A message box would block the
// run, so it is seen for as long as the wait lasts. The exit code, or 12345 on a timeout.
struct SilentResult {
    DWORD code = 12345;
    std::string window;  // class of a window it showed; empty when none
    DWORD pid = 0;
};

struct WindowSearch {
    DWORD pid;
    std::string found;
};

BOOL CALLBACK FindVisibleWindow(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    if (owner == search->pid && IsWindowVisible(hwnd)) {
        search->found = ClassName(hwnd);
        return FALSE;
    }
    return TRUE;
}

SilentResult RunSilent(const std::string& exe, const std::string& tmp, const std::string& args) {
    SilentResult result;
    Process p = Launch(exe, TempEnv(tmp), args);
    if (!p.Started()) {
        return result;
    }
    result.pid = p.Id();
    WindowSearch search{p.Id(), {}};
    const bool ended = WaitUntil([&] {
        if (search.found.empty()) {
            EnumWindows(FindVisibleWindow, reinterpret_cast<LPARAM>(&search));
        }
        return !search.found.empty() || WaitForSingleObject(p.Handle(), 0) == WAIT_OBJECT_0;
    });
    result.window = search.found;
    if (!search.found.empty()) {
        p.Kill();
        return result;
    }
    if (ended) {
        p.WaitForExit(&result.code);
    }
    return result;
}

// Whether a running process was started by `parent` (any name) or is called `name` (any
// parent): the uninstaller's clean-up outlives it by design, and runs ping.exe to wait.
bool Running(DWORD parent, const char* name = nullptr) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return false;
    }
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    bool found = false;
    for (BOOL more = Process32First(snapshot, &entry); more && !found;
         more = Process32Next(snapshot, &entry)) {
        found = name ? lstrcmpiA(entry.szExeFile, name) == 0 : entry.th32ParentProcessID == parent;
    }
    CloseHandle(snapshot);
    return found;
}
bool ChildRunning(DWORD pid) { return Running(pid); }

// The package of these tests: two files, one in a subfolder, a Start menu shortcut, opt-in.
std::vector<std::string> UnattendedScript(const std::string& instDir, bool unattended,
                                          const char* extra = nullptr) {
    std::vector<std::string> script = ScriptHead(instDir, "true", "window");
    script.insert(script.begin() + 1, unattended ? "unattended=TRUE" : "unattended=no");
    if (extra) {
        script.insert(script.begin() + 2, extra);
    }
    return ComponentLines(script, {"dir0000=Sub", "file0000=a.txt", "file0001=Sub\\b.txt",
                                   "requiedspace=0000000000"});
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

std::vector<std::string> Tree(const std::string& dir) {
    std::vector<std::string> tree;
    ListTree(dir, "", &tree);
    std::sort(tree.begin(), tree.end());
    return tree;
}

// The product's uninstall entry, every value as text, with `target` written as "<T>".
std::vector<std::string> EntryValues(const std::string& target) {
    std::vector<std::string> values;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, (std::string(kUninstallKey) + kProduct).c_str(), 0,
                      KEY_READ, &key) != ERROR_SUCCESS) {
        return values;
    }
    for (DWORD i = 0;; ++i) {
        char name[256];
        BYTE data[4096];
        DWORD nameSize = sizeof name, dataSize = sizeof data, type = 0;
        if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, data, &dataSize) !=
            ERROR_SUCCESS) {
            break;
        }
        std::string value = type == REG_DWORD
                                ? "dword:" + std::to_string(*reinterpret_cast<DWORD*>(data))
                                : std::string(reinterpret_cast<char*>(data));
        values.push_back(std::string(name) + "=" + Replace(value, target, "<T>"));
    }
    RegCloseKey(key);
    std::sort(values.begin(), values.end());
    return values;
}

std::vector<std::string> LogWithout(const std::string& log, const std::string& target) {
    std::vector<std::string> lines;
    for (const std::string& line : LogLines(log)) {
        lines.push_back(Replace(line, target, "<T>"));
    }
    return lines;
}

// The wizard's run and the silent run of one package give the same files, log and entry
// (the deployment values included); then uninst.exe /S takes everything away without a
// window, the entry included, and leaves uninst.exe and a user's file with its folder.
TEST(Unattended, SilentInstallMatchesTheWizardAndSilentRemovalLeavesOnlyTheUsersFile) {
    const std::string dir = TestWorkDir();
    MakeFolders(dir + "\\src\\Sub");
    ASSERT_TRUE(WriteFileBytes(dir + "\\src\\a.txt", SampleText(5000, 1)));
    ASSERT_TRUE(WriteFileBytes(dir + "\\src\\Sub\\b.txt", SampleText(300, 2)));
    const std::string exe = BuildInstaller(dir, UnattendedScript(dir + "\\Wizard", true));
    ASSERT_FALSE(exe.empty());
    DeleteUninstallEntry();

    const std::string wizardTarget = dir + "\\Wizard\\App";
    {
        InstallerRun run(exe, dir);
        ASSERT_NO_FATAL_FAILURE(run.StartInstallation());
        run.ExpectDonePage();
    }
    const std::vector<std::string> wizardEntry = EntryValues(wizardTarget);
    DeleteUninstallEntry();

    // Blanks inside and two in a row: /D= takes the rest of the line as it stands.
    const std::string silentTarget = dir + "\\Silent  Target\\My App";
    const SilentResult silent = RunSilent(exe, dir, "/S /D=" + silentTarget);
    EXPECT_EQ(silent.window, "") << "the silent run showed a window";
    EXPECT_EQ(silent.code, 0u);

    EXPECT_EQ(Tree(silentTarget), Tree(wizardTarget));
    EXPECT_EQ(ReadFileBytes(silentTarget + "\\a.txt"), SampleText(5000, 1));
    EXPECT_EQ(LogWithout(silentTarget + "\\uninst.ini", silentTarget),
              LogWithout(wizardTarget + "\\uninst.ini", wizardTarget));
    EXPECT_EQ(EntryValues(silentTarget), wizardEntry);
    const long long written =
        static_cast<long long>(ReadFileBytes(silentTarget + "\\uninst.exe").size() + 5000 + 300);
    const std::vector<std::string> expectedEntry = {
        "DisplayIcon=<T>\\uninst.exe",
        std::string("DisplayName=") + kProduct,
        "EstimatedSize=dword:" + std::to_string((written + 1023) / 1024),
        "InstallLocation=<T>",
        "NoModify=dword:1",
        "NoRepair=dword:1",
        "QuietUninstallString=\"<T>\\uninst.exe\" /S",
        "UninstallString=<T>\\uninst.exe"};
    EXPECT_EQ(EntryValues(silentTarget), expectedEntry);
    const std::vector<std::string> log = LogLines(silentTarget + "\\uninst.ini");
    EXPECT_NE(std::find(log.begin(), log.end(), "unattended=true"), log.end());

    // A user's file in a logged folder keeps that folder, and the target, in place.
    ASSERT_TRUE(WriteFileBytes(silentTarget + "\\Sub\\notes.txt", "mine"));
    const SilentResult removal = RunSilent(silentTarget + "\\uninst.exe", dir, "/s");
    EXPECT_EQ(removal.window, "") << "the silent removal showed a window";
    EXPECT_EQ(removal.code, 0u);
    EXPECT_FALSE(UninstallEntryExists());
    EXPECT_EQ(Tree(silentTarget),
              (std::vector<std::string>{"Sub", "Sub\\notes.txt", "uninst.exe"}));
    EXPECT_EQ(ReadFileBytes(silentTarget + "\\Sub\\notes.txt"), "mine");

    // The wizard's installation is removed silently as well; only uninst.exe stays.
    const SilentResult second = RunSilent(wizardTarget + "\\uninst.exe", dir, "/S");
    EXPECT_EQ(second.code, 0u);
    EXPECT_EQ(Tree(wizardTarget), std::vector<std::string>{"uninst.exe"});
}

// Every silent failure ends with its own exit code and no window; nothing is installed when
// the run cannot start. A script without unattended ignores the switches and shows the
// wizard, which then installs to its own default folder.
TEST(Unattended, SilentFailuresEndWithTheirExitCodesAndNoWindow) {
    const std::string dir = TestWorkDir();
    MakeFolders(dir + "\\src\\Sub");
    ASSERT_TRUE(WriteFileBytes(dir + "\\src\\a.txt", SampleText(5000, 3)));
    ASSERT_TRUE(WriteFileBytes(dir + "\\src\\Sub\\b.txt", SampleText(300, 4)));
    const std::string built =
        ReadFileBytes(BuildInstaller(dir, UnattendedScript(dir + "\\Default", true)));
    ASSERT_FALSE(built.empty());
    ASSERT_TRUE(WriteFileBytes(dir + "\\a file", "x"));
    DeleteUninstallEntry();

    std::string damaged = built;
    // The first stream's zlib header no longer checks out.
    damaged[PayloadBase(damaged) + 1] ^= 0x01;
    const std::string cut = built.substr(0, PayloadBase(built));
    const uint64_t smallFree = SmallDriveFree();
    std::string tooBig = built;
    if (smallFree != 0) {
        char digits[16];
        std::snprintf(digits, sizeof digits, "%010llu", static_cast<unsigned long long>(smallFree));
        ASSERT_NO_FATAL_FAILURE(
            PatchScript(tooBig, "requiedspace=0000000000", std::string("requiedspace=") + digits));
        EmptySmallDrive();
    }
    struct Case {
        const char* name;
        const std::string* package;
        std::string args;
        std::string target;  // must not exist afterwards, or "" to skip the check
        DWORD code;
        std::string held = "";  // a file the test holds open, unshared, during the run
    };
    const std::string d = dir + "\\Out";
    std::vector<Case> cases = {
        {"damaged payload", &damaged, "/S /D=" + d + "\\Damaged", "", 6},
        {"package cut after its script", &cut, "/S /D=" + d + "\\Cut", d + "\\Cut", 3},
        {"target under a file", &built, "/S /D=" + dir + "\\a file\\App", "", 5},
        {"unknown switch", &built, "/S /Q /D=" + d + "\\Usage", d + "\\Usage", 2},
        {"relative target", &built, "/S /D=relative\\App", "", 2},
        {"disabled install type", &built, "/S /TYPE=3 /D=" + d + "\\Type", d + "\\Type", 2},
        {"a file in use", &built, "/S /D=" + d + "\\InUse", "", 8, d + "\\InUse\\a.txt"},
    };
    if (smallFree != 0) {
        cases.push_back({"not enough space on T:", &tooBig, "/S /D=T:\\Space", "T:\\Space", 4});
    }
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.name);
        const std::string exe = dir + "\\setup-" + std::to_string(i) + ".exe";
        ASSERT_TRUE(WriteFileBytes(exe, *c.package));
        HANDLE held = INVALID_HANDLE_VALUE;
        if (!c.held.empty()) {
            MakeFolders(c.held.substr(0, c.held.rfind('\\')));
            held = CreateFileA(c.held.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
            ASSERT_NE(held, INVALID_HANDLE_VALUE);
        }
        const SilentResult r = RunSilent(exe, dir, c.args);
        if (held != INVALID_HANDLE_VALUE) {
            CloseHandle(held);
        }
        EXPECT_EQ(r.window, "") << "a window was shown";
        EXPECT_EQ(r.code, c.code);
        if (!c.target.empty()) {
            EXPECT_FALSE(FileExists(c.target)) << "nothing is made before the run can start";
        }
    }
    DeleteUninstallEntry();
    if (smallFree != 0) {
        EmptySmallDrive();
    }

    // The same switches on a script that does not ask for them: the wizard, as always.
    const std::string plain = BuildInstaller(dir, UnattendedScript(dir + "\\Plain", false));
    ASSERT_FALSE(plain.empty());
    Process p = Launch(plain, TempEnv(dir), "/S /D=" + d + "\\Ignored");
    HWND wizard = WaitForWindow(p.Id(), "WizardWindow", kDefaultTimeoutMs, true);
    ASSERT_NE(wizard, nullptr) << "expected the wizard";
    Click(WaitForChild(wizard, "Button", kNext));
    Click(WaitForChild(wizard, "Button", kInstall));
    // The done page is made before the installation starts; it counts once the wizard is back.
    ASSERT_TRUE(WaitUntil([&] {
        return FindProcessWindow(p.Id(), "ProgressWindow") == nullptr && IsWindowVisible(wizard) &&
               IsWindowEnabled(wizard);
    }));
    HWND done = WaitForChild(wizard, "Button", kDone);
    ASSERT_NE(done, nullptr);
    Click(done);
    DWORD code = 12345;
    ASSERT_TRUE(p.WaitForExit(&code));
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(FileExists(dir + "\\Plain\\App\\a.txt"));
    EXPECT_FALSE(FileExists(d + "\\Ignored"));
    const std::vector<std::string> log = LogLines(dir + "\\Plain\\App\\uninst.ini");
    EXPECT_EQ(std::find(log.begin(), log.end(), "unattended=true"), log.end());
    std::string quiet;
    EXPECT_FALSE(
        ReadRegistryValue(std::string(kUninstallKey) + kProduct, "QuietUninstallString", &quiet));
    DeleteUninstallEntry();
}

// removeuninstaller=true: after a finished removal, by /S or by the window's Remove,
// uninst.exe goes and so does the target folder once it is empty, whatever characters its
// name holds, and nothing is left in the temporary folder. A user's file keeps itself and its
// folders. Without the flag, or with a folder name the interpreter could read as a variable,
// uninst.exe stays and no clean-up starts.
TEST(Unattended, RemoveUninstallerTakesUninstExeAndTheEmptiedFolder) {
    const std::string dir = TestWorkDir();
    MakeFolders(dir + "\\src\\Sub");
    ASSERT_TRUE(WriteFileBytes(dir + "\\src\\a.txt", SampleText(2000, 5)));
    ASSERT_TRUE(WriteFileBytes(dir + "\\src\\Sub\\b.txt", SampleText(300, 6)));
    const std::string flagged =
        BuildInstaller(dir, UnattendedScript(dir + "\\Default", true, "removeuninstaller=TRUE"));
    ASSERT_FALSE(flagged.empty());
    std::string unflaggedBytes = ReadFileBytes(flagged);
    ASSERT_NO_FATAL_FAILURE(
        PatchScript(unflaggedBytes, "removeuninstaller=TRUE", "removeuninstaller=none"));
    const std::string unflagged = dir + "\\unflagged.exe";
    ASSERT_TRUE(WriteFileBytes(unflagged, unflaggedBytes));
    const std::string tmp = dir + "\\tmp";
    MakeFolders(tmp);
    DeleteUninstallEntry();

    using Listing = std::vector<std::string>;
    const Listing gone;
    struct Row {
        const char* name;
        const std::string* package;
        std::string target;
        bool byWindow;
        bool held;  // uninst.exe is held open, undeletable, until the clean-up waits
        Listing userFiles;
        Listing left;  // what stays of the target folder; empty: the folder itself is gone
    };
    const std::vector<Row> rows = {
        {"without the flag", &unflagged, dir + "\\Without\\App", false, false, {}, {"uninst.exe"}},
        {"a folder name with a percent sign",
         &flagged,
         dir + "\\100% Tool\\App",
         false,
         false,
         {},
         {"uninst.exe"}},
        {"/S, a folder name the interpreter must take literally",
         &flagged,
         dir + "\\R&D (x86) ^;x\\My  App",
         false,
         false,
         {},
         gone},
        {"/S with a user's files",
         &flagged,
         dir + "\\Kept\\App",
         false,
         false,
         {"notes.txt", "Sub\\mine.txt"},
         {"Sub", "Sub\\mine.txt", "notes.txt"}},
        {"the window's Remove", &flagged, dir + "\\Window\\App", true, false, {}, gone},
        {"uninst.exe held for a while after the end",
         &flagged,
         dir + "\\Held\\App",
         false,
         true,
         {},
         gone},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const SilentResult installed = RunSilent(*row.package, tmp, "/S /D=" + row.target);
        ASSERT_EQ(installed.code, 0u);
        for (const std::string& file : row.userFiles) {
            ASSERT_TRUE(WriteFileBytes(row.target + "\\" + file, "mine"));
        }
        const std::vector<std::string> log = LogLines(row.target + "\\uninst.ini");
        EXPECT_EQ(std::find(log.begin(), log.end(), "removeuninstaller=true") != log.end(),
                  row.package == &flagged);
    }
    const Listing tmpBefore = Tree(tmp);

    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string uninstaller = row.target + "\\uninst.exe";
        DWORD pid = 0;
        // As a virus scanner might: readable by the loader, not deletable.
        HANDLE held = row.held ? CreateFileA(uninstaller.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                             nullptr, OPEN_EXISTING, 0, nullptr)
                               : INVALID_HANDLE_VALUE;
        ASSERT_EQ(held != INVALID_HANDLE_VALUE, row.held);
        if (row.byWindow) {
            Process p = Launch(uninstaller, TempEnv(tmp));
            HWND window = WaitForWindow(p.Id(), "UninstallerWindow", kDefaultTimeoutMs, true);
            ASSERT_NE(window, nullptr) << "expected the uninstaller window";
            pid = p.Id();
            ASSERT_TRUE(Click(WaitForChild(window, "Button", "Remove")));
            DWORD code = 12345;
            ASSERT_TRUE(p.WaitForExit(&code));
            EXPECT_EQ(code, 0u);
        } else {
            const SilentResult removed = RunSilent(uninstaller, tmp, "/S");
            EXPECT_EQ(removed.window, "") << "the silent removal showed a window";
            EXPECT_EQ(removed.code, 0u);
            pid = removed.pid;
        }
        if (held != INVALID_HANDLE_VALUE) {
            // The clean-up found the file undeletable and waits; then it is let go.
            EXPECT_TRUE(WaitUntil([&] { return Running(0, "ping.exe"); }));
            EXPECT_TRUE(FileExists(uninstaller));
            CloseHandle(held);
        }
        // The clean-up has ended once the uninstaller's children have; none is started when
        // uninst.exe is to stay.
        if (row.left == Listing{"uninst.exe"}) {
            EXPECT_FALSE(ChildRunning(pid)) << "a clean-up was started";
        }
        EXPECT_TRUE(WaitUntil([&] { return !ChildRunning(pid); })) << "the clean-up never ended";
        EXPECT_EQ(FileExists(row.target), !row.left.empty()) << row.target;
        EXPECT_EQ(Tree(row.target), row.left);
    }
    EXPECT_EQ(Tree(tmp), tmpBefore) << "the removals left something in the temporary folder";
    EXPECT_FALSE(UninstallEntryExists());
    DeleteUninstallEntry();
}

}  // namespace
}  // namespace nuvex::test
