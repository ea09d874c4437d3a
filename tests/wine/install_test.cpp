// The installation as the user runs it: packages from the real package builder, installed by
// the real nuvex.exe through its wizard, checked on disk, in the registry and in the log.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "driver.h"
#include "install_session.h"
#include "package_fixture.h"

namespace nuvex::test {
namespace {

// The fill of a progress bar on the screen, in pixels: the blue run along its middle row.
int BarFill(int screenX, int screenY, int width) {
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = 1;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, 1, screen, screenX, screenY, SRCCOPY);
    GdiFlush();
    int fill = 0;
    const auto* pixels = static_cast<const DWORD*>(bits);
    for (int x = 1; x < width; ++x) {
        if ((pixels[x] & 0xFFFFFF) != 0x0000FF) {  // blue as a DIB holds it, 0x00RRGGBB
            break;
        }
        ++fill;
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return fill;
}

// Files of the Windows and system folders that the typical package writes, removed before
// and after the test.
struct SystemFiles {
    std::string existingWin = WindowsFolder() + "\\nuvex-it-existing.txt";
    std::string newWin = WindowsFolder() + "\\nuvex-it-new.txt";
    std::string newSys = SystemFolder() + "\\nuvex-it-sys.txt";
    SystemFiles() { Remove(); }
    ~SystemFiles() { Remove(); }
    void Remove() {
        for (const std::string& f : {existingWin, newWin, newSys}) {
            DeleteFileA(f.c_str());
        }
    }
};

TEST(Install, TypicalPackageLandsWithUninstallerRegistryAndLog) {
    const std::string dir = TestWorkDir();
    const std::string src = dir + "\\src";
    SystemFiles system;
    DeleteUninstallEntry();

    const std::string target = dir + "\\Programs\\App";
    struct Source {
        const char* path;
        std::string bytes;
        std::string installedAs;  // empty: not installed
    };
    const Source sources[] = {
        {"program.bin", SampleText(3 << 20, 1), target + "\\program.bin"},
        {"readme.txt", "Read me first.\r\n", target + "\\readme.txt"},
        {"empty.txt", "", target + "\\empty.txt"},
        {"docs\\guide.txt", SampleText(20000, 2), target + "\\docs\\guide.txt"},
        {"docs\\deep\\notes.txt", SampleText(5000, 3), target + "\\docs\\deep\\notes.txt"},
        {"nuvex-it-existing.txt", "the new version\r\n", ""},
        {"nuvex-it-new.txt", SampleText(3000, 4), system.newWin},
        {"nuvex-it-sys.txt", SampleText(4000, 5), system.newSys},
        {"extra.txt", "not selected\r\n", ""},
    };
    MakeFolders(src + "\\docs\\deep");
    for (const Source& s : sources) {
        ASSERT_TRUE(WriteFileBytes(src + "\\" + s.path, s.bytes));
    }
    const std::string oldWin = "the old version, kept\r\n";
    ASSERT_TRUE(WriteFileBytes(system.existingWin, oldWin));

    // Two entries from the same source whose paths in the target folder are 255 characters
    // long, which fits, and 256, which is refused like a file that cannot be created.
    const std::string fits(255 - target.size() - 1, 'L');
    const std::string tooLong(fits.size() + 1, 'L');
    std::vector<std::string> script = ScriptHead(dir + "\\Programs", "true", "bar");
    for (const std::string& line : std::vector<std::string>{
             "[Components]", "NumberOfComponents=3", "[Component0]", "Title=Main",
          "UseInInstType0=true", "file0000=program.bin", "file0001=readme.txt",
          "file0002=empty.txt", "file0003=" + fits, "file0003source=readme.txt",
          "file0004=" + tooLong, "file0004source=readme.txt", "win0000=nuvex-it-existing.txt",
          "win0001=nuvex-it-new.txt", "reg00=anything", "[Component1]", "Title=Documents",
          "UseInInstType0=true", "dir0000=docs", "dir0001=docs\\deep",
          "file0000=docs\\guide.txt", "file0001=docs\\deep\\notes.txt",
          "sys0000=nuvex-it-sys.txt", "[Component2]", "Title=Extras", "UseInInstType0=false",
          "file0000=extra.txt"}) {
        script.push_back(line);
    }
    const std::string exe = BuildInstaller(dir, script);

    InstallerRun run(exe, dir);
    ASSERT_NO_FATAL_FAILURE(run.StartInstallation());

    // Bar style at 1024 x 768: a strip at (40, 574), 944 wide, with the yellow caption.
    HWND progress = WaitForWindow(run.Id(), "ProgressWindow");
    ASSERT_NE(progress, nullptr) << "expected the progress window";
    RECT r = {};
    GetWindowRect(progress, &r);
    EXPECT_EQ(r.left, 40);
    EXPECT_EQ(r.top, 574);
    EXPECT_EQ(r.right - r.left, 944);
    EXPECT_EQ(r.bottom - r.top, 100);
    EXPECT_TRUE(GetWindowLongA(progress, GWL_EXSTYLE) & WS_EX_TRANSPARENT);
    HWND status = FindChild(progress, "Static", nullptr);
    ASSERT_NE(status, nullptr);
    EXPECT_FALSE(IsWindowVisible(status)) << "bar style never shows the status line";

    run.ExpectDonePage();

    // Every selected file is there, byte for byte; the unselected one is not.
    for (const Source& s : sources) {
        if (!s.installedAs.empty()) {
            EXPECT_EQ(ReadFileBytes(s.installedAs), s.bytes) << s.installedAs;
        }
    }
    EXPECT_FALSE(FileExists(target + "\\extra.txt"));
    EXPECT_EQ(ReadFileBytes(target + "\\" + fits), sources[1].bytes);
    EXPECT_FALSE(FileExists(target + "\\" + tooLong));
    EXPECT_EQ(ReadFileBytes(system.existingWin), oldWin) << "an existing Windows file is kept";

    // uninst.exe is the bare installer.
    EXPECT_EQ(ReadFileBytes(target + "\\uninst.exe"), ReadFileBytes(StubPath()));

    std::string value;
    const std::string key = std::string(kUninstallKey) + kProduct;
    ASSERT_TRUE(ReadRegistryValue(key, "DisplayName", &value)) << "expected the Uninstall entry";
    EXPECT_EQ(value, std::string(kProduct) + '\0');
    ASSERT_TRUE(ReadRegistryValue(key, "UninstallString", &value));
    EXPECT_EQ(value, target + "\\uninst.exe" + '\0');

    const std::vector<std::string> expectedLog = {
        "[Nuvex]",
        std::string("uninstallreg=") + kProduct,
        "szButtonUnInstall=Remove",
        std::string("szLabelUninst=Remove ") + kProduct,
        std::string("szTextUninst=Removes ") + kProduct + ".|All of it.",
        "dir000000=" + target,
        "dir000001=" + target + "\\docs",
        "dir000002=" + target + "\\docs\\deep",
        "file000000=" + target + "\\program.bin",
        "file000001=" + target + "\\readme.txt",
        "file000002=" + target + "\\empty.txt",
        "file000003=" + target + "\\" + fits,
        "file000004=" + system.newWin,
        "file000005=" + target + "\\docs\\guide.txt",
        "file000006=" + target + "\\docs\\deep\\notes.txt",
        "file000007=" + system.newSys,
    };
    EXPECT_EQ(LogLines(target + "\\uninst.ini"), expectedLog);

    // The copy starts as the uninstaller, with the texts of the log.
    Process uninstaller = Launch(target + "\\uninst.exe");
    HWND window = WaitForWindow(uninstaller.Id(), "UninstallerWindow");
    EXPECT_NE(window, nullptr) << "expected uninst.exe to start in uninstaller mode";
    if (window) {
        EXPECT_NE(WaitForChild(window, "Button", "Remove"), nullptr);
    }
    uninstaller.Kill();
    DeleteUninstallEntry();
}

// One package, installed several times with small changes: each failure ends on the error
// page with its exact report, and includeuninst decides about uninstaller, entry and log.
TEST(Install, ErrorReportsAndTheUninstallSwitch) {
    const std::string dir = TestWorkDir();
    MakeFolders(dir + "\\src");
    const std::string first = SampleText(50000, 7);
    ASSERT_TRUE(WriteFileBytes(dir + "\\src\\first.txt", first));
    ASSERT_TRUE(WriteFileBytes(dir + "\\src\\second.txt", "second\r\n"));
    DeleteUninstallEntry();

    // "caseA" and "xxxxx" are patched per run; the lengths stay, so no offset moves.
    std::vector<std::string> script = ScriptHead(dir + "\\caseA", "xxxxx", "window");
    for (const char* line : {"[Components]", "NumberOfComponents=1", "[Component0]", "Title=Main",
                             "UseInInstType0=true", "file0000=first.txt", "file0001=second.txt"}) {
        script.push_back(line);
    }
    const std::string built = ReadFileBytes(BuildInstaller(dir, script));
    ASSERT_FALSE(built.empty());

    enum class Change { kNone, kFlipByte, kLengthZero, kTargetBlocked };
    struct Case {
        const char* name;
        char folder;
        const char* includeUninst;
        Change change;
        std::string body;  // empty: the done page
        bool uninstallerMade;
    };
    const Case cases[] = {
        {"flipped payload byte", 'B', "true ", Change::kFlipByte, "", true},
        {"length 0", 'C', "true ", Change::kLengthZero, Report(kErrorNEM), true},
        {"target cannot be created", 'D', "true ", Change::kTargetBlocked, Report(kErrorDIR),
         false},
        {"includeuninst FALSE", 'E', "FALSE", Change::kNone, "", false},
        {"includeuninst no", 'F', "no   ", Change::kNone, "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string package = built;
        ASSERT_NO_FATAL_FAILURE(PatchScript(package, "\\caseA\r\n", std::string("\\case") + c.folder + "\r\n"));
        ASSERT_NO_FATAL_FAILURE(
            PatchScript(package, "includeuninst=xxxxx", std::string("includeuninst=") + c.includeUninst));
        const std::string target = dir + "\\case" + c.folder + "\\App";
        if (c.change == Change::kFlipByte) {
            // The first file's stream starts the payload; a byte inside its deflate data.
            package[PayloadBase(package) + 100] ^= 0x55;
        } else if (c.change == Change::kLengthZero) {
            const std::size_t at = package.find("file0000length=");
            ASSERT_NE(at, std::string::npos);
            const std::size_t end = package.find('\r', at);
            package.replace(at, end - at, "file0000length=0" + std::string(end - at - 16, ' '));
        } else if (c.change == Change::kTargetBlocked) {
            ASSERT_TRUE(WriteFileBytes(dir + "\\case" + c.folder, "a file in the way"));
        }
        const std::string exe = dir + "\\setup-" + c.folder + ".exe";
        ASSERT_TRUE(WriteFileBytes(exe, package));

        InstallerRun run(exe, dir);
        ASSERT_NO_FATAL_FAILURE(run.StartInstallation());
        if (c.change == Change::kFlipByte) {
            // Inflation rejects the data, or it runs over or ends early.
            ASSERT_TRUE(run.WaitForWizardBack());
            const bool crc = Shows(run.Wizard(), Report(kErrorCRC));
            const bool nem = Shows(run.Wizard(), Report(kErrorNEM));
            EXPECT_TRUE(crc || nem) << "expected the damaged-package or memory report";
            run.Finish(kCancel);
            EXPECT_FALSE(FileExists(target + "\\first.txt"));
        } else if (c.body.empty()) {
            run.ExpectDonePage();
            EXPECT_EQ(ReadFileBytes(target + "\\first.txt"), first);
        } else {
            run.ExpectErrorPage(c.body);
        }
        EXPECT_EQ(FileExists(target + "\\uninst.exe"), c.uninstallerMade);
        EXPECT_EQ(FileExists(target + "\\uninst.ini"), c.uninstallerMade);
        EXPECT_EQ(UninstallEntryExists(), c.uninstallerMade);
        DeleteUninstallEntry();
    }
}

// A payload large enough to cancel in the middle: the bar is read off the screen while the
// files are extracted, then Cancel ends on the plain error page and keeps what was written.
TEST(Install, ProgressWindowDuringExtractionAndCancel) {
    const std::string dir = TestWorkDir();
    MakeFolders(dir + "\\src");
    constexpr int kFiles = 1500;
    std::vector<std::string> script = ScriptHead(dir + "\\Programs", "true", "window", "true");
    for (const char* line :
         {"[Components]", "NumberOfComponents=1", "[Component0]", "Title=Many", "UseInInstType0=true"}) {
        script.push_back(line);
    }
    for (int i = 0; i < kFiles; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "f%04d.txt", i);
        ASSERT_TRUE(WriteFileBytes(dir + "\\src\\" + name, SampleText(8000, 100 + i)));
        char line[64];
        std::snprintf(line, sizeof line, "file%04d=%s", i, name);
        script.push_back(line);
    }
    const std::string exe = BuildInstaller(dir, script);
    const std::string target = dir + "\\Programs\\App";
    DeleteUninstallEntry();

    InstallerRun run(exe, dir);
    ASSERT_NO_FATAL_FAILURE(run.StartInstallation());
    HWND progress = WaitForWindow(run.Id(), "ProgressWindow");
    ASSERT_NE(progress, nullptr);

    // Window style at 1024 x 768: 350 x 150 at (337, 524), the status line in view.
    RECT r = {};
    GetWindowRect(progress, &r);
    EXPECT_EQ(r.left, 337);
    EXPECT_EQ(r.top, 524);
    EXPECT_EQ(r.right - r.left, 350);
    EXPECT_EQ(r.bottom - r.top, 150);
    HWND status = FindChild(progress, "Static", nullptr);
    ASSERT_NE(status, nullptr);
    EXPECT_TRUE(IsWindowVisible(status));
    EXPECT_TRUE(WaitUntil([&] { return WindowText(status) == "Installing Many."; }))
        << "expected the component's status line, got \"" << WindowText(status) << "\"";

    // Another application taking over minimises the window and hides the background; coming
    // back restores both. The installation goes on meanwhile.
    HWND background = FindProcessWindow(run.Id(), "BackgroundWindow");
    ASSERT_NE(background, nullptr);
    EXPECT_TRUE(IsWindowVisible(background));
    SendMessageA(progress, WM_ACTIVATEAPP, FALSE, 0);
    EXPECT_TRUE(IsIconic(progress));
    EXPECT_FALSE(IsWindowVisible(background));
    SendMessageA(progress, WM_ACTIVATEAPP, TRUE, 0);
    EXPECT_FALSE(IsIconic(progress));
    EXPECT_TRUE(IsWindowVisible(background));

    // The bar (25, 80) fills 3.01 pixels a per cent: 12 % is 36 pixels, 94 % 282. The blue run
    // skips the outline pixel at each end.
    const int barX = r.left + 25, barY = r.top + 90;
    std::vector<int> fills;
    const bool midway = WaitUntil([&] {
        fills.push_back(BarFill(barX, barY, 305) + 2);
        return fills.back() >= 36 + 30;
    });
    ASSERT_TRUE(midway) << "the bar did not pass 22 %";
    EXPECT_LE(fills.back(), 282) << "the extraction ended before Cancel could be pressed";
    for (std::size_t i = 1; i < fills.size(); ++i) {
        EXPECT_GE(fills[i], fills[i - 1]) << "the bar went back at sample " << i;
    }

    HWND cancel = FindChild(progress, "Button", kCancel);
    ASSERT_NE(cancel, nullptr);
    Click(cancel);

    ASSERT_TRUE(run.WaitForWizardBack());
    EXPECT_TRUE(Shows(run.Wizard(), kTextError));
    // The wizard is back in front of the background.
    RECT w = {};
    GetWindowRect(run.Wizard(), &w);
    const POINT middle = {(w.left + w.right) / 2, (w.top + w.bottom) / 2};
    HWND front = WindowFromPoint(middle);
    EXPECT_TRUE(front == run.Wizard() || IsChild(run.Wizard(), front))
        << "expected the wizard in front, got a window of class " << ClassName(front);
    run.Finish(kCancel);

    // What Cancel leaves, and that the uninstaller then removes all of it, is the
    // HostileEnvironment.CancelAnywhere table's business.
    EXPECT_EQ(ReadFileBytes(target + "\\f0000.txt"), SampleText(8000, 100));
    DeleteUninstallEntry();
}

std::string Digits10(uint64_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%010llu", static_cast<unsigned long long>(value));
    return text;
}

TEST(InstallDisk, FreeSpaceCheckCountsEverySlotWithOneMebibyteMargin) {
    if (SmallDriveFree() == 0) {
        GTEST_SKIP() << "drive T: is not the small test drive";
    }
    EmptySmallDrive();
    const std::string dir = TestWorkDir();
    MakeFolders(dir + "\\src");
    ASSERT_TRUE(WriteFileBytes(dir + "\\src\\a.txt", "a\r\n"));
    std::vector<std::string> script = ScriptHead("T:\\Space", "true", "window");
    for (const char* line :
         {"[Components]", "NumberOfComponents=2", "[Component0]", "Title=Main",
          "UseInInstType0=true", "requiedspace=0000000000", "file0000=a.txt", "[Component1]",
          "Title=Unselected", "UseInInstType0=false", "requiedspace=0000000000"}) {
        script.push_back(line);
    }
    const std::string built = ReadFileBytes(BuildInstaller(dir, script));
    ASSERT_FALSE(built.empty());

    // The unselected slot's 1000 bytes count as well.
    const uint64_t freeBytes = SmallDriveFree();
    const uint64_t exact = freeBytes - 1048576;
    struct Case {
        const char* name;
        uint64_t required;
        bool passes;
    };
    for (const Case& c : {Case{"one byte short", exact + 1, false}, Case{"exactly enough", exact, true}}) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(SmallDriveFree(), freeBytes) << "something else wrote to T:";
        std::string package = built;
        ASSERT_NO_FATAL_FAILURE(PatchScript(package, "requiedspace=0000000000",
                                            "requiedspace=" + Digits10(c.required - 1000)));
        ASSERT_NO_FATAL_FAILURE(PatchScript(package, "requiedspace=0000000000",
                                            "requiedspace=" + Digits10(1000)));
        const std::string exe = dir + "\\setup-space.exe";
        ASSERT_TRUE(WriteFileBytes(exe, package));
        InstallerRun run(exe, dir);
        ASSERT_NO_FATAL_FAILURE(run.StartInstallation());
        if (c.passes) {
            run.ExpectDonePage();
            EXPECT_EQ(ReadFileBytes("T:\\Space\\App\\a.txt"), "a\r\n");
        } else {
            run.ExpectErrorPage(Report(kErrorNES));
            EXPECT_FALSE(FileExists("T:\\Space")) << "nothing is created before the check";
        }
    }
    EmptySmallDrive();
    DeleteUninstallEntry();
}

// The shell's folder for `csidl` as the test process sees it (the same user as the
// installer's).
std::string ShellFolder(int csidl) {
    char path[MAX_PATH] = {};
    SHGetSpecialFolderPathA(nullptr, path, csidl, FALSE);
    return path;
}

constexpr char kMapGroups[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\GrpConv\\MapGroups";

// Sets the shell's Quick Launch folder, or removes the value when `folder` is empty.
void SetQuickLaunch(const std::string& folder) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kMapGroups, 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    if (folder.empty()) {
        RegDeleteValueA(key, "Quick Launch");
    } else {
        RegSetValueExA(key, "Quick Launch", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                       static_cast<DWORD>(folder.size() + 1));
    }
    RegCloseKey(key);
}

struct LinkInfo {
    std::string path, arguments, description, workingFolder, icon;
    int iconIndex = -1;
};

// Reads a shortcut back through the shell's link object.
bool ReadLink(const std::string& file, LinkInfo* info) {
    CoInitialize(nullptr);
    IShellLinkA* link = nullptr;
    bool ok = false;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&link)))) {
        IPersistFile* persist = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)))) {
            wchar_t wide[MAX_PATH] = {};
            MultiByteToWideChar(CP_ACP, 0, file.c_str(), -1, wide, MAX_PATH);
            if (SUCCEEDED(persist->Load(wide, STGM_READ))) {
                char text[MAX_PATH];
                link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH);
                info->path = text;
                link->GetArguments(text, MAX_PATH);
                info->arguments = text;
                link->GetDescription(text, MAX_PATH);
                info->description = text;
                link->GetWorkingDirectory(text, MAX_PATH);
                info->workingFolder = text;
                link->GetIconLocation(text, MAX_PATH, &info->iconIndex);
                info->icon = text;
                ok = true;
            }
            persist->Release();
        }
        link->Release();
    }
    CoUninitialize();
    return ok;
}

// The log's lines of the shortcut and Start menu families, in file order.
std::vector<std::string> ShortcutLogLines(const std::string& log) {
    std::vector<std::string> lines;
    for (const std::string& line : LogLines(log)) {
        if (line.rfind("startdir", 0) == 0 || line.rfind("startfile", 0) == 0) {
            lines.push_back(line);
        }
    }
    return lines;
}

// Start menu folders and shortcuts of every family, read back, numbered in the log, and all
// removed again by the uninstaller with what else the log lists.
TEST(Shortcuts, MadeLoggedAndRemovedAgain) {
    const std::string dir = TestWorkDir();
    const std::string quickLaunch = dir + "\\Quick Launch";
    MakeFolders(quickLaunch);
    ASSERT_NO_FATAL_FAILURE(SetQuickLaunch(quickLaunch));
    MakeFolders(dir + "\\src");
    ASSERT_TRUE(WriteFileBytes(dir + "\\src\\tool.exe", SampleText(5000, 7)));
    ASSERT_TRUE(WriteFileBytes(dir + "\\src\\readme.txt", "Read me.\r\n"));
    // A tree of 60 files in nested folders, which the builder turns into dir and file entries.
    for (int d = 0; d < 6; ++d) {
        const std::string folder = dir + "\\src\\data\\level" + std::to_string(d % 2) +
                                   "\\set" + std::to_string(d);
        MakeFolders(folder);
        for (int f = 0; f < 10; ++f) {
            ASSERT_TRUE(WriteFileBytes(folder + "\\f" + std::to_string(f) + ".txt",
                                       SampleText(700 + 97 * f, d * 10 + f)));
        }
    }
    std::vector<std::string> script = ScriptHead(dir + "\\Programs", "true", "window");
    for (const char* line :
         {"[Components]", "NumberOfComponents=1", "[Component0]", "Title=Main",
          "UseInInstType0=true", "tree00=data", "file0000=tool.exe", "file0001=readme.txt",
          "startdir00=Docs", "start00=tool.exe", "start00title=Tool", "start00args=--fast",
          "start01=readme.txt", "desktop00=tool.exe", "desktop00title=Nuvex Tool Desk",
          "quickl00=tool.exe", "quickl00title=Tool QL"}) {
        script.push_back(line);
    }
    const std::string exe = BuildInstaller(dir, script);
    DeleteUninstallEntry();
    InstallerRun run(exe, dir);
    ASSERT_NO_FATAL_FAILURE(run.StartInstallation());
    run.ExpectDonePage();

    const std::string target = dir + "\\Programs\\App";
    EXPECT_EQ(ReadFileBytes(target + "\\data\\level1\\set5\\f9.txt"),
              SampleText(700 + 97 * 9, 59));
    const std::string group = ShellFolder(CSIDL_PROGRAMS) + "\\" + kProduct;
    const std::string desktopLink = ShellFolder(CSIDL_DESKTOPDIRECTORY) + "\\Nuvex Tool Desk.lnk";
    const std::vector<std::string> expectedLog = {
        "startdir000000=" + group,
        "startdir000001=" + group + "\\Docs",
        "startfile000000=" + group + "\\Tool.lnk",
        "startfile000001=" + group + "\\.lnk",  // no title
        "startfile000002=" + desktopLink,
        "startfile000003=" + quickLaunch + "\\Tool QL.lnk",
    };
    EXPECT_EQ(ShortcutLogLines(target + "\\uninst.ini"), expectedLog);
    EXPECT_TRUE(FileExists(group + "\\Docs"));
    for (std::size_t i = 2; i < expectedLog.size(); ++i) {
        const std::string link = expectedLog[i].substr(expectedLog[i].find('=') + 1);
        EXPECT_TRUE(FileExists(link)) << link;
    }
    LinkInfo tool;
    ASSERT_TRUE(ReadLink(group + "\\Tool.lnk", &tool));
    EXPECT_EQ(tool.path, target + "\\tool.exe");
    EXPECT_EQ(tool.arguments, "--fast");
    EXPECT_EQ(tool.description, "Tool");
    EXPECT_EQ(tool.workingFolder, target + "\\");
    EXPECT_EQ(tool.icon, target + "\\tool.exe");
    EXPECT_EQ(tool.iconIndex, 0);

    // The user's own file in a component folder survives the uninstaller, with its folder.
    ASSERT_TRUE(WriteFileBytes(target + "\\data\\mine.txt", "mine"));
    Process uninstaller = Launch(target + "\\uninst.exe");
    HWND window = WaitForWindow(uninstaller.Id(), "UninstallerWindow", kDefaultTimeoutMs, true);
    ASSERT_NE(window, nullptr);
    HWND remove = WaitForChild(window, "Button", "Remove");
    ASSERT_NE(remove, nullptr);
    Click(remove);
    DWORD code = 12345;
    ASSERT_TRUE(uninstaller.WaitForExit(&code)) << "the uninstaller did not end";
    EXPECT_EQ(code, 0u);

    std::vector<std::string> left;
    ListTree(target, "", &left);
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"data", "data\\mine.txt", "uninst.exe"}));
    EXPECT_FALSE(FileExists(group)) << "the Start menu group must go";
    EXPECT_FALSE(FileExists(desktopLink));
    EXPECT_FALSE(FileExists(quickLaunch + "\\Tool QL.lnk"));
    EXPECT_FALSE(UninstallEntryExists());
    SetQuickLaunch("");
}

// Without a Quick Launch folder no such shortcut is made or logged; a start entry alone
// makes the group, logged as startdir000000.
TEST(Shortcuts, NoQuickLaunchFolderAndNoStartMenuFolders) {
    const std::string dir = TestWorkDir();
    ASSERT_NO_FATAL_FAILURE(SetQuickLaunch(""));
    MakeFolders(dir + "\\src");
    ASSERT_TRUE(WriteFileBytes(dir + "\\src\\tool.exe", "tool"));
    std::vector<std::string> script = ScriptHead(dir + "\\Programs", "true", "window");
    for (const char* line : {"[Components]", "NumberOfComponents=1", "[Component0]", "Title=Main",
                             "UseInInstType0=true", "file0000=tool.exe", "start00=tool.exe",
                             "start00title=Only", "quickl00=tool.exe", "quickl00title=Nowhere"}) {
        script.push_back(line);
    }
    const std::string exe = BuildInstaller(dir, script);
    DeleteUninstallEntry();
    InstallerRun run(exe, dir);
    ASSERT_NO_FATAL_FAILURE(run.StartInstallation());
    run.ExpectDonePage();

    const std::string group = ShellFolder(CSIDL_PROGRAMS) + "\\" + kProduct;
    EXPECT_EQ(ShortcutLogLines(dir + "\\Programs\\App\\uninst.ini"),
              (std::vector<std::string>{"startdir000000=" + group,
                                        "startfile000000=" + group + "\\Only.lnk"}));
    EXPECT_TRUE(FileExists(group + "\\Only.lnk"));
    DeleteFileA((group + "\\Only.lnk").c_str());
    RemoveDirectoryA(group.c_str());
    DeleteUninstallEntry();
}

// The sample product from the repository, installed through all its pages and removed again:
// what stays is uninst.exe alone.
TEST(RoundTrip, SampleProductLeavesOnlyTheUninstaller) {
    std::string sample = NUVEX_SAMPLE_DIR;
    std::replace(sample.begin(), sample.end(), '/', '\\');
    sample = "Z:" + sample;
    std::vector<std::string> script;
    for (const std::string& line : LogLines(sample + "\\setup.ini")) {
        script.push_back(line);
    }
    const std::string dir = TestWorkDir();
    std::string log;
    ASSERT_TRUE(nuvex::test::BuildPackage(dir + "\\setup.exe", script, sample + "\\product", &log))
        << log;
    const std::string target = "C:\\Program Files\\Sample Editor";
    RemoveTree(target);

    Process setup = Launch(dir + "\\setup.exe", TempEnv(dir));
    HWND wizard = WaitForWindow(setup.Id(), "WizardWindow", kDefaultTimeoutMs, true);
    ASSERT_NE(wizard, nullptr);
    HWND next = nullptr, heading = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        next = ChildAt(wizard, "Button", 385, 165);
        heading = ChildAt(wizard, "Static", 65, 30);
        return next && heading;
    }));
    // Next through the pages until the confirmation page's Install.
    for (int page = 0; page < 8 && WindowText(next) != "Install"; ++page) {
        const std::string before = WindowText(heading);
        Click(next);
        ASSERT_TRUE(WaitUntil([&] { return WindowText(heading) != before; }));
    }
    ASSERT_EQ(WindowText(next), "Install");
    Click(next);
    ASSERT_TRUE(WaitUntil([&] {
        return FindProcessWindow(setup.Id(), "ProgressWindow") == nullptr &&
               IsWindowVisible(wizard) && IsWindowEnabled(wizard);
    }));
    EXPECT_EQ(WindowText(heading), "Installation complete");
    Click(next);
    DWORD code = 12345;
    ASSERT_TRUE(setup.WaitForExit(&code));
    EXPECT_EQ(code, 0u);

    const std::string group = ShellFolder(CSIDL_PROGRAMS) + "\\Sample Editor 2.1";
    EXPECT_TRUE(FileExists(target + "\\SampleEdit.exe"));
    EXPECT_TRUE(FileExists(target + "\\docs\\guide\\shortcuts.txt"));
    EXPECT_TRUE(FileExists(group + "\\Sample Editor.lnk"));

    Process uninstaller = Launch(target + "\\uninst.exe");
    HWND window = WaitForWindow(uninstaller.Id(), "UninstallerWindow", kDefaultTimeoutMs, true);
    ASSERT_NE(window, nullptr);
    HWND remove = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (remove = ChildAt(window, "Button", 385, 165)) != nullptr; }));
    Click(remove);
    ASSERT_TRUE(uninstaller.WaitForExit(&code));
    EXPECT_EQ(code, 0u);
    std::vector<std::string> left;
    ListTree(target, "", &left);
    EXPECT_EQ(left, std::vector<std::string>{"uninst.exe"});
    EXPECT_FALSE(FileExists(group));
    EXPECT_FALSE(FileExists(ShellFolder(CSIDL_DESKTOPDIRECTORY) + "\\Sample Editor.lnk"));
    std::string value;
    EXPECT_FALSE(ReadRegistryValue(std::string(kUninstallKey) + "Sample Editor 2.1",
                                   "DisplayName", &value));
    RemoveTree(target);
}

}  // namespace
}  // namespace nuvex::test
