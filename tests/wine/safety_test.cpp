// The installer where it really runs: downloaded into a folder that holds whatever else was
// downloaded, started with administrator rights, perhaps beside another installer.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "driver.h"
#include "install_session.h"
#include "package_fixture.h"
#include "package_state.h"
#include "uninstall_registration.h"

namespace nuvex::test {
namespace {

// Libraries that programs commonly load by name and that are not known DLLs of Windows, so
// that Windows looks for them beside the program first. Two of the most planted are left
// out because Wine's own libraries load them in a way Windows' do not: Wine's user32 imports
// version.dll, so it is loaded before the program's first instruction, and Wine resolves
// the delayed imports of its built-in libraries (comctl32's uxtheme.dll) without the search
// restriction that the program has set; Windows' delay-load helper keeps to it.
constexpr const char* kPlantedNames[] = {
    "comctl32", "dwmapi",  "cryptbase",     "cryptsp",  "winmm",    "propsys",
    "profapi",  "userenv", "secur32",       "netapi32", "wtsapi32", "msimg32",
    "dbghelp",  "rsaenh",  "sspicli",       "apphelp",  "shfolder", "oleacc",
    "riched20", "dnsapi",  "iphlpapi",      "bcrypt",   "wintrust", "mpr",
    "winhttp",  "crypt32", "windowscodecs", "ntmarta",  "samcli",   "logoncli",
};

// Copies of the marker library under every planted name into `folder`.
void PlantLibraries(const std::string& folder) {
    const std::string library =
        ReadFileBytes(StubPath().substr(0, StubPath().rfind('\\')) + "\\planted_library.dll");
    ASSERT_FALSE(library.empty()) << "no planted_library.dll beside the test";
    for (const char* name : kPlantedNames) {
        ASSERT_TRUE(WriteFileBytes(folder + "\\" + name + ".dll", library));
    }
}

// Wine prefers its own built-in libraries; Windows takes a DLL beside the program first.
// "native,builtin" for exactly the planted names, in the per-program overrides of Wine's
// registry, gives the programs of these names Windows' order. (WINEDLLOVERRIDES in the
// environment of a started process does not reach Wine's loader there: it reads its own
// Unix environment.)
class WindowsSearchOrder {
public:
    explicit WindowsSearchOrder(const char* program)
        : key_(std::string("Software\\Wine\\AppDefaults\\") + program + "\\DllOverrides") {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        for (const char* name : kPlantedNames) {
            RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>("native,builtin"),
                           sizeof "native,builtin");
        }
        RegCloseKey(key);
    }
    ~WindowsSearchOrder() { RegDeleteKeyA(HKEY_CURRENT_USER, key_.c_str()); }

private:
    std::string key_;
};

std::vector<std::string> Markers(const std::string& folder) {
    std::vector<std::string> all, markers;
    ListTree(folder, folder + "\\", &all, 1);
    for (const std::string& path : all) {
        if (path.size() > 7 && path.compare(path.size() - 7, 7, ".loaded") == 0) {
            markers.push_back(path);
        }
    }
    return markers;
}

// A whole installation with every shell call the program makes (the folder browser, Start
// menu and desktop shortcuts, the done page), then the removal, with planted libraries
// beside setup.exe and beside uninst.exe. None of them may load.
TEST(DllPlanting, NoLibraryBesideTheInstallerOrTheUninstallerLoads) {
    const std::string dir = TestWorkDir();
    MakeFolders(dir + "\\src");
    ASSERT_TRUE(WriteFileBytes(dir + "\\src\\tool.txt", "the product\r\n"));
    std::vector<std::string> script = ScriptHead(dir + "\\Programs", "true", "window");
    std::replace(script.begin(), script.end(), std::string("TargetDir=false"),
                 std::string("TargetDir=true"));
    script.insert(script.begin() + 1, "szButtonBrowse=Browse");
    script = ComponentLines(
        script, {"file0000=tool.txt", "startdir00=Docs", "start00=tool.txt", "start00title=Tool",
                 "desktop00=tool.txt", "desktop00title=Nuvex Planted Desk"});
    const std::string exe = BuildInstaller(dir, script);
    ASSERT_NO_FATAL_FAILURE(PlantLibraries(dir));
    const WindowsSearchOrder installerOrder("setup.exe"), uninstallerOrder("uninst.exe");
    DeleteUninstallEntry();

    Process p = Launch(exe, TempEnv(dir));
    HWND wizard = WaitForWindow(p.Id(), "WizardWindow", kDefaultTimeoutMs, true);
    ASSERT_NE(wizard, nullptr) << "expected the wizard";
    HWND next = WaitForChild(wizard, "Button", kNext);
    ASSERT_NE(next, nullptr);
    Click(next);
    HWND browse = WaitForChild(wizard, "Button", "Browse");
    ASSERT_NE(browse, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(browse) != FALSE; }));
    PostMessageA(browse, BM_CLICK, 0, 0);
    HWND browser = WaitForWindow(p.Id(), "#32770", kDefaultTimeoutMs, true);
    ASSERT_NE(browser, nullptr) << "no folder browser";
    PressMessageBoxButton(browser, IDCANCEL);
    ASSERT_TRUE(WaitForWindowGone(browser));
    Click(next);
    HWND install = WaitForChild(wizard, "Button", kInstall);
    ASSERT_NE(install, nullptr) << "expected the confirmation page";
    Click(install);
    ASSERT_TRUE(WaitUntil([&] {
        return FindProcessWindow(p.Id(), "ProgressWindow") == nullptr && IsWindowVisible(wizard);
    }));
    EXPECT_TRUE(Shows(wizard, kLabelDone));
    Click(WaitForChild(wizard, "Button", kDone));
    DWORD code = 12345;
    EXPECT_TRUE(p.WaitForExit(&code) && code == 0);

    const std::string target = dir + "\\Programs\\App";
    EXPECT_EQ(ReadFileBytes(target + "\\tool.txt"), "the product\r\n");
    EXPECT_EQ(Logged(target + "\\uninst.ini", "startfile").size(), 2u) << "shortcuts made";
    EXPECT_EQ(Markers(dir), std::vector<std::string>{}) << "loaded by the installer";

    ASSERT_NO_FATAL_FAILURE(PlantLibraries(target));
    EXPECT_TRUE(RunUninstaller(target));
    EXPECT_FALSE(FileExists(target + "\\tool.txt"));
    EXPECT_EQ(Markers(target), std::vector<std::string>{}) << "loaded by the uninstaller";
    DeleteUninstallEntry();
}

// Two installers of different products in one temporary folder: A waits on its
// confirmation page while B installs from start to end; then A installs. Each reads its own
// script copy, so each installs exactly its own files.
TEST(TwoInstallers, EachInstallsExactlyItsOwnFiles) {
    const std::string dir = TestWorkDir();
    struct Product {
        const char* name;
        std::vector<std::pair<std::string, std::string>> files;
        std::string folder = {}, exe = {};
    };
    Product products[] = {
        {"Nuvex Product A", {{"alpha.txt", SampleText(5000, 1)}, {"shared.txt", "from A\r\n"}}},
        {"Nuvex Product B",
         {{"beta.txt", SampleText(7000, 2)},
          {"shared.txt", "from B, longer\r\n"},
          {"gamma.txt", SampleText(300, 3)}}},
    };
    for (Product& product : products) {
        product.folder = dir + "\\" + product.name;
        MakeFolders(product.folder + "\\src");
        std::vector<std::string> entries;
        for (const auto& [name, bytes] : product.files) {
            ASSERT_TRUE(WriteFileBytes(product.folder + "\\src\\" + name, bytes));
            entries.push_back("file000" + std::to_string(entries.size()) + "=" + name);
        }
        std::vector<std::string> script =
            ScriptHead(product.folder + "\\Programs", "true", "window");
        std::replace(script.begin(), script.end(), "szInstallAppName=" + std::string(kProduct),
                     "szInstallAppName=" + std::string(product.name));
        product.exe = BuildInstaller(product.folder, ComponentLines(script, entries));
    }
    const std::string tmp = dir + "\\tmp";
    MakeFolders(tmp);

    InstallerRun a(products[0].exe, tmp);
    HWND wizardA = WaitForWindow(a.Id(), "WizardWindow", kDefaultTimeoutMs, true);
    ASSERT_NE(wizardA, nullptr);
    Click(WaitForChild(wizardA, "Button", kNext));
    HWND installA = WaitForChild(wizardA, "Button", kInstall);
    ASSERT_NE(installA, nullptr) << "A: expected the confirmation page";

    InstallerRun b(products[1].exe, tmp);
    ASSERT_NO_FATAL_FAILURE(b.StartInstallation());
    ASSERT_TRUE(b.WaitForWizardBack());
    EXPECT_TRUE(Shows(b.Wizard(), std::string(products[1].name) + " is installed."));
    b.Finish(kDone);

    Click(installA);
    ASSERT_TRUE(WaitUntil([&] {
        return FindProcessWindow(a.Id(), "ProgressWindow") == nullptr && IsWindowVisible(wizardA);
    }));
    EXPECT_TRUE(Shows(wizardA, std::string(products[0].name) + " is installed."));
    Click(WaitForChild(wizardA, "Button", kDone));

    for (const Product& product : products) {
        SCOPED_TRACE(product.name);
        const std::string target = product.folder + "\\Programs\\App";
        std::vector<std::string> expected = {"uninst.exe", "uninst.ini"};
        for (const auto& [name, bytes] : product.files) {
            EXPECT_EQ(ReadFileBytes(target + "\\" + name), bytes) << name;
            expected.push_back(name);
        }
        std::vector<std::string> found;
        ListTree(target, "", &found);
        std::sort(found.begin(), found.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(found, expected);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, (std::string(kUninstallKey) + product.name).c_str());
    }
    std::vector<std::string> leftInTmp;
    ListTree(tmp, "", &leftInTmp);
    EXPECT_EQ(leftInTmp, std::vector<std::string>{}) << "script copies left behind";
}

// The application manifest: elevation asked for, Windows 7 to 11 declared, and nothing that
// would change the look (no DPI awareness, no common controls 6).
TEST(StubManifest, AsksForAdministratorAndDeclaresWindows7To11Only) {
    HMODULE stub = LoadLibraryExA(StubPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(stub, nullptr);
    HRSRC resource = FindResourceA(stub, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    ASSERT_NE(resource, nullptr) << "no manifest resource 1";
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(stub, resource)));
    const std::string manifest(bytes, SizeofResource(stub, resource));
    FreeLibrary(stub);

    const char* present[] = {
        "<requestedExecutionLevel level=\"requireAdministrator\" uiAccess=\"false\"/>",
        "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // Windows 7
        "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // Windows 8
        "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // Windows 8.1
        "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // Windows 10 and 11
    };
    for (const char* text : present) {
        EXPECT_NE(manifest.find(text), std::string::npos) << "expected " << text;
    }
    for (const char* text : {"dpiAware", "dpiAwareness", "Common-Controls"}) {
        EXPECT_EQ(manifest.find(text), std::string::npos) << "unexpected " << text;
    }
}

// The uninstaller copy when its buffer cannot be had (the installer's own code, in this
// process, with a script offset no memory holds): the no-memory report, and neither a new
// empty uninst.exe nor a truncated old one.
TEST(UninstallerCopy, NothingIsCreatedOrTruncatedWithoutMemory) {
    const std::string dir = TestWorkDir();
    Settings& s = AppSettings();
    ResetSettings(s);
    lstrcpynA(s.szInstallAppName, "Nuvex Copy Test", sizeof s.szInstallAppName);
    lstrcpynA(s.szErrorNEM, kErrorNEM, sizeof s.szErrorNEM);
    Package().scriptOffset = 0xFFFFFF00u;
    for (const bool existing : {false, true}) {
        SCOPED_TRACE(existing ? "over an old uninstaller" : "in an empty folder");
        const std::string target = dir + (existing ? "\\old" : "\\new");
        MakeFolders(target);
        if (existing) {
            ASSERT_TRUE(WriteFileBytes(target + "\\uninst.exe", "the old uninstaller"));
        }
        lstrcpynA(s.targetFolder, target.c_str(), sizeof s.targetFolder);
        EXPECT_EQ(RegisterUninstaller(), Flow::kStop);
        if (existing) {
            EXPECT_EQ(ReadFileBytes(target + "\\uninst.exe"), "the old uninstaller");
        } else {
            EXPECT_FALSE(FileExists(target + "\\uninst.exe"));
        }
    }
    Package().scriptOffset = 0;
}

}  // namespace
}  // namespace nuvex::test
