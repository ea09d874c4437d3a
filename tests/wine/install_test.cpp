// The installation as the user runs it: packages from the real package builder, installed by
// the real nuvex.exe through its wizard, checked on disk, in the registry and in the log.
#include <gtest/gtest.h>
#include <windows.h>

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

// The progress window's place on the screen, and whether its status line shows.
void ExpectProgressWindow(HWND progress, RECT place, bool statusShown) {
    RECT r = {};
    GetWindowRect(progress, &r);
    EXPECT_TRUE(EqualRect(&r, &place))
        << r.left << "," << r.top << " - " << r.right << "," << r.bottom;
    HWND status = FindChild(progress, "Static", nullptr);
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(IsWindowVisible(status) != FALSE, statusShown);
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

constexpr char kMapGroups[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\GrpConv\\MapGroups";

// Sets the shell's Quick Launch folder, or removes the value when `folder` is empty.
void SetQuickLaunch(const std::string& folder) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kMapGroups, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    if (folder.empty()) {
        RegDeleteValueA(key, "Quick Launch");
    } else {
        RegSetValueExA(key, "Quick Launch", 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(folder.c_str()),
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

// Files of three components (one not selected), the Windows and system folders, paths at
// the length limit, and shortcuts of every family: installed, logged, registered, read back,
// and removed again by the uninstaller, which keeps the user's own file.
TEST(Install, TypicalPackageWithShortcutsAndItsRemoval) {
    const std::string dir = TestWorkDir();
    const std::string src = dir + "\\src";
    SystemFiles system;
    DeleteUninstallEntry();
    const std::string quickLaunch = dir + "\\Quick Launch";
    MakeFolders(quickLaunch);
    ASSERT_NO_FATAL_FAILURE(SetQuickLaunch(quickLaunch));

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

    // An entry whose path in the target folder is 255 characters long, which fits (one more
    // is refused: the hostile environment tests ask about it).
    const std::string fits(255 - target.size() - 1, 'L');
    std::vector<std::string> script = ScriptHead(dir + "\\Programs", "true", "bar");
    for (const std::string& line : std::vector<std::string>{"[Components]",
                                                            "NumberOfComponents=3",
                                                            "[Component0]",
                                                            "Title=Main",
                                                            "UseInInstType0=true",
                                                            "file0000=program.bin",
                                                            "file0001=readme.txt",
                                                            "file0002=empty.txt",
                                                            "file0003=" + fits,
                                                            "file0003source=readme.txt",
                                                            "win0000=nuvex-it-existing.txt",
                                                            "win0001=nuvex-it-new.txt",
                                                            "reg00=anything",
                                                            "startdir00=Docs",
                                                            "start00=program.bin",
                                                            "start00title=Tool",
                                                            "start00args=--fast",
                                                            "start01=readme.txt",
                                                            "desktop00=program.bin",
                                                            "desktop00title=Nuvex Tool Desk",
                                                            "quickl00=program.bin",
                                                            "quickl00title=Tool QL",
                                                            "[Component1]",
                                                            "Title=Documents",
                                                            "UseInInstType0=true",
                                                            "dir0000=docs",
                                                            "dir0001=docs\\deep",
                                                            "file0000=docs\\guide.txt",
                                                            "file0001=docs\\deep\\notes.txt",
                                                            "sys0000=nuvex-it-sys.txt",
                                                            "[Component2]",
                                                            "Title=Extras",
                                                            "UseInInstType0=false",
                                                            "file0000=extra.txt"}) {
        script.push_back(line);
    }
    const std::string exe = BuildInstaller(dir, script);

    InstallerRun run(exe, dir);
    ASSERT_NO_FATAL_FAILURE(run.StartInstallation());

    // Bar style at 1024 x 768: a transparent strip at (40, 574), 944 wide, with the yellow
    // caption and never the status line.
    HWND progress = WaitForWindow(run.Id(), "ProgressWindow");
    ASSERT_NE(progress, nullptr) << "expected the progress window";
    ExpectProgressWindow(progress, {40, 574, 984, 674}, false);
    EXPECT_TRUE(GetWindowLongA(progress, GWL_EXSTYLE) & WS_EX_TRANSPARENT);

    run.ExpectDonePage();

    // Every selected file is there, byte for byte; the unselected one is not.
    for (const Source& s : sources) {
        if (!s.installedAs.empty()) {
            EXPECT_EQ(ReadFileBytes(s.installedAs), s.bytes) << s.installedAs;
        }
    }
    EXPECT_FALSE(FileExists(target + "\\extra.txt"));
    EXPECT_EQ(ReadFileBytes(target + "\\" + fits), sources[1].bytes);
    EXPECT_EQ(ReadFileBytes(system.existingWin), oldWin) << "an existing Windows file is kept";
    EXPECT_EQ(ReadFileBytes(target + "\\uninst.exe"), ReadFileBytes(StubPath()));

    std::string value;
    const std::string key = std::string(kUninstallKey) + kProduct;
    ASSERT_TRUE(ReadRegistryValue(key, "DisplayName", &value)) << "expected the Uninstall entry";
    EXPECT_EQ(value, std::string(kProduct) + '\0');
    ASSERT_TRUE(ReadRegistryValue(key, "UninstallString", &value));
    EXPECT_EQ(value, target + "\\uninst.exe" + '\0');

    const std::string group = ShellFolder(CSIDL_PROGRAMS) + "\\" + kProduct;
    const std::string desktopLink = ShellFolder(CSIDL_DESKTOPDIRECTORY) + "\\Nuvex Tool Desk.lnk";
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
        "startdir000000=" + group,
        "startdir000001=" + group + "\\Docs",
        "startfile000000=" + group + "\\Tool.lnk",
        "startfile000001=" + group + "\\.lnk",  // no title
        "startfile000002=" + desktopLink,
        "startfile000003=" + quickLaunch + "\\Tool QL.lnk",
    };
    EXPECT_EQ(LogLines(target + "\\uninst.ini"), expectedLog);
    for (const std::string& link : Logged(target + "\\uninst.ini", "startfile")) {
        EXPECT_TRUE(FileExists(link)) << link;
    }
    LinkInfo tool;
    ASSERT_TRUE(ReadLink(group + "\\Tool.lnk", &tool));
    EXPECT_EQ(tool.path, target + "\\program.bin");
    EXPECT_EQ(tool.arguments, "--fast");
    EXPECT_EQ(tool.description, "Tool");
    EXPECT_EQ(tool.workingFolder, target + "\\");
    EXPECT_EQ(tool.icon, target + "\\program.bin");
    EXPECT_EQ(tool.iconIndex, 0);

    // The copy starts as the uninstaller; the user's own file in a component folder survives
    // it, with its folder.
    ASSERT_TRUE(WriteFileBytes(target + "\\docs\\mine.txt", "mine"));
    EXPECT_TRUE(RunUninstaller(target));
    std::vector<std::string> left;
    ListTree(target, "", &left);
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"docs", "docs\\mine.txt", "uninst.exe"}));
    EXPECT_FALSE(FileExists(system.newWin));
    EXPECT_FALSE(FileExists(system.newSys));
    EXPECT_EQ(ReadFileBytes(system.existingWin), oldWin);
    EXPECT_FALSE(FileExists(group)) << "the Start menu group must go";
    EXPECT_FALSE(FileExists(desktopLink));
    EXPECT_FALSE(FileExists(quickLaunch + "\\Tool QL.lnk"));
    EXPECT_FALSE(UninstallEntryExists());
    SetQuickLaunch("");
}

// One package, installed several times with small changes: includeuninst decides about
// uninstaller, entry and log, and a target folder that cannot be made is reported before
// anything is registered. Without a Quick Launch folder no such shortcut is made or logged.
TEST(Install, UninstallSwitchAndTargetFolderError) {
    const std::string dir = TestWorkDir();
    MakeFolders(dir + "\\src");
    const std::string first = SampleText(50000, 7);
    ASSERT_TRUE(WriteFileBytes(dir + "\\src\\first.txt", first));
    ASSERT_NO_FATAL_FAILURE(SetQuickLaunch(""));
    DeleteUninstallEntry();
    const std::string group = ShellFolder(CSIDL_PROGRAMS) + "\\" + kProduct;

    // "caseA" and "xxxxx" are patched per run; the lengths stay, so no offset moves.
    const std::string built = ReadFileBytes(BuildInstaller(
        dir, ComponentLines(ScriptHead(dir + "\\caseA", "xxxxx", "window"),
                            {"file0000=first.txt", "start00=first.txt", "start00title=Only",
                             "quickl00=first.txt", "quickl00title=Nowhere"})));
    ASSERT_FALSE(built.empty());

    struct Case {
        const char* name;
        char folder;
        const char* includeUninst;
        bool blocked;  // a file stands where the target's parent folder should be
        bool uninstallerMade;
    };
    const Case cases[] = {
        {"target cannot be created", 'D', "true ", true, false},
        {"includeuninst FALSE", 'E', "FALSE", false, false},
        {"includeuninst no", 'F', "no   ", false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string package = built;
        ASSERT_NO_FATAL_FAILURE(
            PatchScript(package, "\\caseA\r\n", std::string("\\case") + c.folder + "\r\n"));
        ASSERT_NO_FATAL_FAILURE(PatchScript(package, "includeuninst=xxxxx",
                                            std::string("includeuninst=") + c.includeUninst));
        const std::string target = dir + "\\case" + c.folder + "\\App";
        if (c.blocked) {
            ASSERT_TRUE(WriteFileBytes(dir + "\\case" + c.folder, "a file in the way"));
        }
        const std::string exe = dir + "\\setup-" + c.folder + ".exe";
        ASSERT_TRUE(WriteFileBytes(exe, package));

        InstallerRun run(exe, dir);
        ASSERT_NO_FATAL_FAILURE(run.StartInstallation());
        if (c.blocked) {
            run.ExpectErrorPage(Report(kErrorDIR));
        } else {
            run.ExpectDonePage();
            EXPECT_EQ(ReadFileBytes(target + "\\first.txt"), first);
            EXPECT_TRUE(FileExists(group + "\\Only.lnk"));
        }
        EXPECT_EQ(FileExists(target + "\\uninst.exe"), c.uninstallerMade);
        EXPECT_EQ(FileExists(target + "\\uninst.ini"), c.uninstallerMade);
        EXPECT_EQ(UninstallEntryExists(), c.uninstallerMade);
        if (c.uninstallerMade) {
            // A start entry alone makes the group, logged first.
            EXPECT_EQ(Logged(target + "\\uninst.ini", "startdir"), std::vector<std::string>{group});
            EXPECT_EQ(Logged(target + "\\uninst.ini", "startfile"),
                      std::vector<std::string>{group + "\\Only.lnk"});
        }
        RemoveTree(group);
        DeleteUninstallEntry();
    }
}

// Cancel in the middle of the extraction: the bar is read off the screen while the files are
// extracted, then Cancel ends on the plain error page and keeps what was written. The middle
// is made certain, however fast the machine: the file in the middle is held open, so the
// installation waits there on its question about it.
TEST(Install, ProgressWindowDuringExtractionAndCancel) {
    const std::string dir = TestWorkDir();
    MakeFolders(dir + "\\src");
    constexpr int kFiles = 300, kHeld = kFiles / 2;
    std::vector<std::string> entries;
    for (int i = 0; i < kFiles; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "f%04d.txt", i);
        ASSERT_TRUE(WriteFileBytes(dir + "\\src\\" + name, SampleText(8000, 100 + i)));
        entries.push_back("file" + std::string(name + 1, 4) + "=" + name);
    }
    const std::vector<std::string> script =
        ComponentLines(ScriptHead(dir + "\\Programs", "true", "window", "true"), entries);
    const std::string exe = BuildInstaller(dir, script);
    const std::string target = dir + "\\Programs\\App";
    MakeFolders(target);
    char heldName[32];
    std::snprintf(heldName, sizeof heldName, "\\f%04d.txt", kHeld);
    ASSERT_TRUE(WriteFileBytes(target + heldName, "in use"));
    HANDLE held = CreateFileA((target + heldName).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    DeleteUninstallEntry();

    InstallerRun run(exe, dir);
    ASSERT_NO_FATAL_FAILURE(run.StartInstallation());
    HWND progress = WaitForWindow(run.Id(), "ProgressWindow");
    ASSERT_NE(progress, nullptr);

    // Window style at 1024 x 768: 350 x 150 at (337, 524), the status line in view.
    ExpectProgressWindow(progress, {337, 524, 687, 674}, true);
    RECT r = {};
    GetWindowRect(progress, &r);
    HWND status = FindChild(progress, "Static", nullptr);
    EXPECT_TRUE(WaitUntil([&] { return WindowText(status) == "Installing Main."; }))
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
    // skips the outline pixel at each end. Half the files are 53 %, 159 pixels.
    const int barX = r.left + 25, barY = r.top + 90;
    std::vector<int> fills;
    HWND question = nullptr;
    const bool midway = WaitUntil([&] {
        fills.push_back(BarFill(barX, barY, 305) + 2);
        question = FindProcessWindow(run.Id(), "#32770");
        return question != nullptr;
    });
    ASSERT_TRUE(midway) << "no question about the file held open";
    fills.push_back(BarFill(barX, barY, 305) + 2);
    EXPECT_TRUE(fills.back() >= 36 + 30 && fills.back() <= 282)
        << "at the middle: " << fills.back();
    for (std::size_t i = 1; i < fills.size(); ++i) {
        EXPECT_GE(fills[i], fills[i - 1]) << "the bar went back at sample " << i;
    }

    HWND cancel = FindChild(progress, "Button", kCancel);
    ASSERT_NE(cancel, nullptr);
    Click(cancel);
    CloseHandle(held);
    ASSERT_TRUE(PressMessageBoxButton(question, IDRETRY));

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

// Cancel pressed once the bar is full: the installation has passed its last cancel check and
// everything is in place, so the done page stays. The run entry opens the installed program
// in the target folder with SW_SHOWDEFAULT. (Window style: the bar of 300 pixels at
// (25, 80) is 297 pixels at 99 % and 302 at 100 %; the installation then pauses 500 ms.)
TEST(Install, CancelAtTheFullBarKeepsTheDonePage) {
    const std::string dir = TestWorkDir();
    MakeFolders(dir + "\\src");
    ASSERT_TRUE(WriteFileBytes(dir + "\\src\\tool.txt", "the product\r\n"));
    const std::string runMark = StubPath().substr(0, StubPath().rfind('\\')) + "\\run_mark.exe";
    ASSERT_TRUE(CopyFileA(runMark.c_str(), (dir + "\\src\\mark.exe").c_str(), FALSE));
    const std::string exe = BuildInstaller(
        dir, ComponentLines(ScriptHead(dir + "\\Programs", "true", "window"),
                            {"file0000=tool.txt", "file0001=mark.exe", "run00=mark.exe"}));
    DeleteUninstallEntry();

    InstallerRun run(exe, dir);
    ASSERT_NO_FATAL_FAILURE(run.StartInstallation());
    HWND progress = WaitForWindow(run.Id(), "ProgressWindow");
    ASSERT_NE(progress, nullptr);
    HWND cancel = WaitForChild(progress, "Button", kCancel);
    ASSERT_NE(cancel, nullptr);
    RECT r = {};
    GetWindowRect(progress, &r);
    int fill = 0;
    const bool full = WaitUntil([&] {
        fill = IsWindow(progress) ? BarFill(r.left + 25, r.top + 90, 305) + 2 : 0;
        return !IsWindow(progress) || fill >= 300;
    });
    ASSERT_TRUE(full);
    ASSERT_TRUE(IsWindow(progress)) << "the progress window went before the bar was seen full";
    EXPECT_EQ(fill, 302) << "the full bar: the width and both outline pixels";
    Click(cancel);
    run.ExpectDonePage();
    const std::string target = dir + "\\Programs\\App";
    EXPECT_EQ(ReadFileBytes(target + "\\tool.txt"), "the product\r\n");
    const std::string mark = target + "\\run-mark.txt";
    ASSERT_TRUE(WaitUntil([&] {
        const std::string text = ReadFileBytes(mark);
        return std::count(text.begin(), text.end(), '\n') == 2;
    })) << "the run entry's program left no mark";
    EXPECT_EQ(ReadFileBytes(mark), target + "\n" + std::to_string(SW_SHOWDEFAULT) + "\n");
    DeleteFileA(mark.c_str());
    EXPECT_TRUE(RunUninstaller(target));
    DeleteUninstallEntry();
}

// Under the custom install type the boxes alone decide: the component the user unticks
// (ticked at first by UseInInstType5, and in the first preset too) leaves its folder, file
// and shortcut out of the disk and the log; the one the user ticks (in no preset) is
// installed, and so is the required one.
TEST(Install, CustomTypeInstallsTheTickedComponentsAndNoOther) {
    const std::string dir = TestWorkDir();
    DeleteUninstallEntry();
    MakeFolders(dir + "\\src\\docs");
    const std::pair<const char*, const char*> sources[] = {
        {"main.txt", "main\r\n"}, {"docs\\guide.txt", "guide\r\n"}, {"extra.txt", "extra\r\n"}};
    for (const auto& [path, bytes] : sources) {
        ASSERT_TRUE(WriteFileBytes(dir + "\\src\\" + path, bytes));
    }
    std::vector<std::string> script = ScriptHead(dir + "\\Programs", "true", "window");
    std::replace(script.begin(), script.end(), std::string("InstType=false"),
                 std::string("InstType=true"));
    for (const char* line : {"Type5=Own choice",
                             "Type5Enabled=true",
                             "[Components]",
                             "NumberOfComponents=3",
                             "[Component0]",
                             "Title=Main part",
                             "Requied=true",
                             "file0000=main.txt",
                             "[Component1]",
                             "Title=Guide part",
                             "UseInInstType0=true",
                             "UseInInstType5=true",
                             "dir0000=docs",
                             "file0000=docs\\guide.txt",
                             "desktop00=docs\\guide.txt",
                             "desktop00title=Nuvex Custom Guide",
                             "[Component2]",
                             "Title=Extra part",
                             "UseInInstType0=false",
                             "file0000=extra.txt"}) {
        script.push_back(line);
    }
    const std::string exe = BuildInstaller(dir, script);
    const std::string target = dir + "\\Programs\\App";
    const std::string link = ShellFolder(CSIDL_DESKTOPDIRECTORY) + "\\Nuvex Custom Guide.lnk";

    InstallerRun run(exe, dir);
    ASSERT_NO_FATAL_FAILURE(
        run.StartCustomInstallation("Own choice", {{"Guide part", false}, {"Extra part", true}}));
    run.ExpectDonePage();

    EXPECT_EQ(ReadFileBytes(target + "\\main.txt"), "main\r\n");
    EXPECT_EQ(ReadFileBytes(target + "\\extra.txt"), "extra\r\n");
    EXPECT_FALSE(FileExists(target + "\\docs")) << "the unticked component's folder";
    EXPECT_FALSE(FileExists(link)) << "the unticked component's shortcut";
    const std::string log = target + "\\uninst.ini";
    EXPECT_EQ(Logged(log, "file"),
              (std::vector<std::string>{target + "\\main.txt", target + "\\extra.txt"}));
    EXPECT_EQ(Logged(log, "dir"), std::vector<std::string>{target});
    EXPECT_TRUE(Logged(log, "startfile").empty());
    EXPECT_TRUE(RunUninstaller(target));
    DeleteFileA(link.c_str());
    DeleteUninstallEntry();
}

std::string Digits10(uint64_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%010llu", static_cast<unsigned long long>(value));
    return text;
}

TEST(InstallDisk, FreeSpaceCheckCountsEverySlotWithOneMebibyteMargin) {
    NUVEX_ON_EMPTY_SMALL_DRIVE();
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
    for (const Case& c :
         {Case{"one byte short", exact + 1, false}, Case{"exactly enough", exact, true}}) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(SmallDriveFree(), freeBytes) << "something else wrote to T:";
        std::string package = built;
        ASSERT_NO_FATAL_FAILURE(PatchScript(package, "requiedspace=0000000000",
                                            "requiedspace=" + Digits10(c.required - 1000)));
        ASSERT_NO_FATAL_FAILURE(
            PatchScript(package, "requiedspace=0000000000", "requiedspace=" + Digits10(1000)));
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

}  // namespace
}  // namespace nuvex::test
