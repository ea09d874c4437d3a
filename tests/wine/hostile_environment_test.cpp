// The installation where the machine works against it: a disk that runs full, a destination
// file that cannot be written, a target on a read-only drive, and Cancel pressed at any
// moment. After each, the uninstall log must match the disk, and the uninstaller must
// remove everything the log lists.
//
// With NUVEX_ROBUST_FULL=1 (bench/robustness/*.sh) the same tests run their full counts and
// print their figures.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "driver.h"
#include "install_session.h"
#include "package_fixture.h"

namespace nuvex::test {
namespace {

// Failures recorded so far in the running test, to tell whether one row went wrong.
int Failures() {
    return testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count();
}

// One line per row in the full run, which bench/robustness/environment.sh counts.
class CaseLine {
public:
    explicit CaseLine(std::string name) : name_(std::move(name)), before_(Failures()) {}
    ~CaseLine() {
        if (FullRun()) {
            std::printf("environment case: %s: %s\n", name_.c_str(),
                        Failures() == before_ ? "handled" : "failed");
            std::fflush(stdout);
        }
    }

private:
    std::string name_;
    int before_;
};

// Every file and folder below `folder`, as full paths.
void Below(const std::string& folder, std::vector<std::string>* out) {
    ListTree(folder, folder + "\\", out);
}

// Everything below `folder` is `expected` (full paths, in any order).
void ExpectTree(const std::string& folder, std::vector<std::string> expected) {
    std::vector<std::string> found;
    Below(folder, &found);
    std::sort(found.begin(), found.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(found, expected);
}

// After the uninstaller: uninst.exe, and what the log did not list, and no registry entry.
void ExpectOnlyUninstallerLeft(const std::string& target, std::vector<std::string> kept) {
    kept.push_back(target + "\\uninst.exe");
    ExpectTree(target, kept);
    EXPECT_FALSE(UninstallEntryExists());
}

// A disk that runs full at the first, a middle and the last payload file. The file that did
// not fit is removed, the ones before it stay complete and logged, and the uninstaller takes
// them away again.
TEST(HostileEnvironment, DiskFullAtTheFirstMiddleAndLastFile) {
    NUVEX_ON_EMPTY_SMALL_DRIVE();
    const std::string dir = TestWorkDir();
    MakeFolders(dir + "\\src");
    constexpr std::size_t kFileSize = 1100 << 10;
    const char* names[] = {"first.bin", "middle.bin", "last.bin"};
    std::vector<std::string> contents;
    for (int i = 0; i < 3; ++i) {
        contents.push_back(SampleText(kFileSize, 20 + i));
        ASSERT_TRUE(WriteFileBytes(dir + "\\src\\" + names[i], contents.back()));
    }
    const std::string exe =
        BuildInstaller(dir, ComponentLines(ScriptHead("T:\\Full", "true", "window"),
                                           {"requiedspace=0", "file0000=first.bin",
                                            "file0001=middle.bin", "file0002=last.bin"}));
    const std::string target = "T:\\Full\\App";
    const std::string log = target + "\\uninst.ini";
    DeleteUninstallEntry();

    // What the drive must hold besides the payload: the uninstaller copy and a page of log.
    constexpr uint64_t kPage = 4096;
    const uint64_t stub = (ReadFileBytes(StubPath()).size() + kPage - 1) / kPage * kPage;
    const uint64_t fileRoom = (kFileSize + kPage - 1) / kPage * kPage;
    // Left free after the files that fit: past the free-space check's margin, short of a file.
    constexpr uint64_t kSlack = 1040 << 10;
    for (int full = 0; full < 3; ++full) {
        const CaseLine line(std::string("disk full at ") + names[full]);
        SCOPED_TRACE(names[full]);
        const uint64_t room = stub + 2 * kPage + full * fileRoom + kSlack;
        ASSERT_GT(SmallDriveFree(), room);
        ASSERT_TRUE(WriteFileBytes("T:\\filler.bin", std::string(SmallDriveFree() - room, 'f')));

        InstallerRun run(exe, dir);
        ASSERT_NO_FATAL_FAILURE(run.StartInstallation());
        run.ExpectErrorPage(Report(kErrorNES));

        // The log lists the files that fit, each there and complete; nothing else is left.
        std::vector<std::string> expected;
        for (int i = 0; i < full; ++i) {
            expected.push_back(target + "\\" + names[i]);
            EXPECT_EQ(ReadFileBytes(expected.back()), contents[i]) << names[i];
        }
        EXPECT_EQ(Logged(log, "file"), expected);
        std::vector<std::string> onDisk = expected;
        onDisk.push_back(target + "\\uninst.exe");
        onDisk.push_back(log);
        ExpectTree(target, onDisk);  // the file that did not fit is gone

        EXPECT_TRUE(RunUninstaller(target));
        ExpectOnlyUninstallerLeft(target, {});
        EmptySmallDrive();
        DeleteUninstallEntry();
    }
}

// A file of the target folder that cannot be written is asked about, in a Retry/Cancel box
// owned by the progress window that names it, rather than passed over on the way to the done
// page. Retry writes it once it is free; Cancel ends on the error page with everything
// written so far logged, for the uninstaller. While the box waits, the installation is
// under way: a WM_CLOSE from another program to its windows changes nothing.
TEST(HostileEnvironment, UnwritableFileIsAskedAboutWithRetryOrCancel) {
    enum class Block { kHeldOpen, kFolderInPlace, kNameTooLong };
    struct Row {
        const char* name;
        Block block;
        int answer;
    };
    const Row rows[] = {
        {"held open by a running program, Retry once it is free", Block::kHeldOpen, IDRETRY},
        // (A read-only file is no row: under Wine as root, Unix lets the write through.)
        {"a folder in its place, Cancel", Block::kFolderInPlace, IDCANCEL},
        {"path past 255 characters, Cancel", Block::kNameTooLong, IDCANCEL},
    };
    const std::string mine = "the open document, not ours\r\n";
    int number = 0;
    for (const Row& row : rows) {
        const CaseLine line(row.name);
        SCOPED_TRACE(row.name);
        const std::string dir = TestWorkDir() + "\\r" + std::to_string(++number);
        const std::string target = dir + "\\Programs\\App";
        MakeFolders(dir + "\\src");
        for (const char* name : {"a.txt", "held.txt", "z.txt"}) {
            ASSERT_TRUE(WriteFileBytes(dir + "\\src\\" + name, SampleText(3000, name[0])));
        }
        const std::string held = row.block == Block::kNameTooLong
                                     ? std::string(255 - target.size(), 'L')
                                     : std::string("held.txt");
        const std::string exe =
            BuildInstaller(dir, ComponentLines(ScriptHead(dir + "\\Programs", "true", "window"),
                                               {"file0000=a.txt", "file0001=" + held,
                                                "file0001source=held.txt", "file0002=z.txt"}));
        MakeFolders(target);
        HANDLE holder = INVALID_HANDLE_VALUE;
        if (row.block == Block::kHeldOpen) {
            ASSERT_TRUE(WriteFileBytes(target + "\\held.txt", mine));
            holder = CreateFileA((target + "\\held.txt").c_str(), GENERIC_READ, 0, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            ASSERT_NE(holder, INVALID_HANDLE_VALUE);
        } else if (row.block == Block::kFolderInPlace) {
            MakeFolders(target + "\\held.txt");
        }
        DeleteUninstallEntry();

        InstallerRun run(exe, dir);
        ASSERT_NO_FATAL_FAILURE(run.StartInstallation());
        const MessageBoxInfo box = WaitForMessageBox(run.Id());
        ASSERT_NE(box.window, nullptr) << "expected the question about the file";
        HWND progress = FindProcessWindow(run.Id(), "ProgressWindow");
        EXPECT_EQ(GetWindow(box.window, GW_OWNER), progress);
        EXPECT_EQ(box.caption, "Nuvex: Error");
        const std::string named = row.block == Block::kNameTooLong ? held : target + "\\held.txt";
        EXPECT_NE(box.text.find("\n\n" + named + "\n\n"), std::string::npos) << box.text;
        EXPECT_EQ(box.buttons, (std::vector<std::string>{"&Retry", "Cancel"}));
        if (row.block == Block::kHeldOpen) {
            for (HWND window : {progress, run.Wizard()}) {
                DWORD_PTR result = 0;
                SendMessageTimeoutA(window, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, 10000, &result);
                EXPECT_TRUE(IsWindow(window))
                    << "WM_CLOSE during the installation took " << ClassName(window) << " away";
            }
            CloseHandle(holder);
        }
        ASSERT_TRUE(PressMessageBoxButton(box.window, row.answer));

        std::vector<std::string> logged = {target + "\\a.txt"};
        if (row.answer == IDRETRY) {
            run.ExpectDonePage();
            EXPECT_EQ(ReadFileBytes(target + "\\held.txt"), SampleText(3000, 'h'));
            logged = {target + "\\a.txt", target + "\\held.txt", target + "\\z.txt"};
        } else {
            run.ExpectErrorPage(kTextError);
        }
        EXPECT_EQ(Logged(target + "\\uninst.ini", "file"), logged);
        EXPECT_TRUE(RunUninstaller(target));
        if (row.block == Block::kFolderInPlace) {
            ExpectOnlyUninstallerLeft(target, {target + "\\held.txt"});
        } else {
            ExpectOnlyUninstallerLeft(target, {});
        }
        DeleteUninstallEntry();
    }
}

// Drive R: is a read-only tmpfs holding the folder Exists\App (tmpfs_drive.sh). A target
// that cannot be made there, and one that exists but takes no file, both end on the folder
// error before anything is registered: an installation that could write nothing is no
// success.
TEST(HostileEnvironment, ReadOnlyTargetEndsOnTheFolderError) {
    ULARGE_INTEGER available = {}, total = {}, free = {};
    if (!GetDiskFreeSpaceExA("R:\\", &available, &total, &free) || total.QuadPart > (64ull << 20) ||
        !FileExists("R:\\Exists\\App")) {
        GTEST_SKIP() << "drive R: is not the read-only test drive";
    }
    const std::string dir = TestWorkDir();
    MakeFolders(dir + "\\src");
    ASSERT_TRUE(WriteFileBytes(dir + "\\src\\a.txt", "a\r\n"));
    const std::string built = ReadFileBytes(BuildInstaller(
        dir, ComponentLines(ScriptHead("R:\\Absent", "true", "window"), {"file0000=a.txt"})));
    ASSERT_FALSE(built.empty());
    DeleteUninstallEntry();
    for (const char* folder : {"Absent", "Exists"}) {
        const CaseLine line(std::string("read-only drive, target ") + folder);
        SCOPED_TRACE(folder);
        std::string package = built;
        ASSERT_NO_FATAL_FAILURE(
            PatchScript(package, "R:\\Absent\r\n", std::string("R:\\") + folder + "\r\n"));
        const std::string exe = dir + "\\setup-" + folder + ".exe";
        ASSERT_TRUE(WriteFileBytes(exe, package));
        InstallerRun run(exe, dir);
        ASSERT_NO_FATAL_FAILURE(run.StartInstallation());
        run.ExpectErrorPage(Report(kErrorDIR));
        EXPECT_FALSE(UninstallEntryExists()) << "no entry may point at a missing uninstaller";
        DeleteUninstallEntry();
    }
}

// The moment Cancel is pressed: once `files` payload files are in the target folder, or,
// when `links` is not negative, once the Start menu group and `links` shortcuts exist.
struct Moment {
    int files;
    int links;
};

// A package of 200 files in 10 folders, with Start menu folders, 10 Start menu shortcuts
// and 2 on the desktop. Cancel is pressed at moments spread over the whole installation;
// the installer must end normally, and after the uninstaller nothing may be left but
// uninst.exe in its folder.
TEST(HostileEnvironment, CancelAnywhereLeavesOnlyTheUninstaller) {
    constexpr int kFolders = 10, kPerFolder = 20, kFiles = kFolders * kPerFolder;
    constexpr int kStartLinks = 10, kDesktopLinks = 2, kLinks = kStartLinks + kDesktopLinks;
    const std::string dir = TestWorkDir();
    std::vector<std::string> entries = {"tree00=data", "startdir00=Docs", "startdir01=Docs\\Deep"};
    for (int d = 0; d < kFolders; ++d) {
        const std::string folder = dir + "\\src\\data\\set" + std::to_string(d);
        MakeFolders(folder);
        for (int f = 0; f < kPerFolder; ++f) {
            ASSERT_TRUE(WriteFileBytes(folder + "\\f" + std::to_string(f) + ".txt",
                                       SampleText(1500 + 37 * f, d * kPerFolder + f)));
        }
    }
    char line[96];
    for (int i = 0; i < kStartLinks; ++i) {
        std::snprintf(line, sizeof line, "start%02d=data\\set%d\\f0.txt", i, i);
        entries.push_back(line);
        std::snprintf(line, sizeof line, "start%02dtitle=Part %d", i, i);
        entries.push_back(line);
    }
    for (int i = 0; i < kDesktopLinks; ++i) {
        std::snprintf(line, sizeof line, "desktop%02d=data\\set0\\f1.txt", i);
        entries.push_back(line);
        std::snprintf(line, sizeof line, "desktop%02dtitle=Nuvex Cancel Desk %d", i, i);
        entries.push_back(line);
    }
    const std::string exe = BuildInstaller(
        dir, ComponentLines(ScriptHead(dir + "\\Programs", "true", "window"), entries));
    const std::string target = dir + "\\Programs\\App";
    const std::string group = ShellFolder(CSIDL_PROGRAMS) + "\\" + kProduct;
    const std::string desktop = ShellFolder(CSIDL_DESKTOPDIRECTORY) + "\\Nuvex Cancel Desk ";

    auto clean = [&] {
        RemoveTree(target);
        RemoveTree(group);
        for (int i = 0; i < kDesktopLinks; ++i) {
            DeleteFileA((desktop + std::to_string(i) + ".lnk").c_str());
        }
        DeleteUninstallEntry();
    };
    // Names below `folder` that end in `suffix`.
    auto count = [](const std::string& folder, const std::string& suffix) {
        std::vector<std::string> below;
        Below(folder, &below);
        return static_cast<int>(
            std::count_if(below.begin(), below.end(), [&](const std::string& p) {
                return p.size() > suffix.size() &&
                       p.compare(p.size() - suffix.size(), suffix.size(), suffix) == 0;
            }));
    };
    auto linksMade = [&] {
        int links = count(group, ".lnk");
        for (int i = 0; i < kDesktopLinks; ++i) {
            links += FileExists(desktop + std::to_string(i) + ".lnk");
        }
        return links;
    };

    // 26 moments over the files, 0 to 200 in steps of 8, and 4 in the shortcut pass; the
    // normal test takes one at the start, one in the middle and one among the shortcuts.
    std::vector<Moment> moments;
    if (FullRun()) {
        for (int k = 0; k <= kFiles; k += 8) {
            moments.push_back({k, -1});
        }
        for (int links : {0, 4, 8, kLinks - 1}) {
            moments.push_back({kFiles, links});
        }
    } else {
        moments = {{0, -1}, {kFiles / 2, -1}, {kFiles, 5}};
    }

    int crashes = 0;
    std::vector<std::string> leftovers;
    clean();
    for (const Moment& moment : moments) {
        const std::string when =
            "cancel after " + std::to_string(moment.files) + " files" +
            (moment.links < 0 ? "" : ", " + std::to_string(moment.links) + " links");
        SCOPED_TRACE(when);
        const int failuresBefore = Failures();
        {
            InstallerRun run(exe, dir);
            ASSERT_NO_FATAL_FAILURE(run.StartInstallation());
            HWND progress = WaitForWindow(run.Id(), "ProgressWindow");
            HWND cancel = progress ? WaitForChild(progress, "Button", kCancel) : nullptr;
            EXPECT_NE(cancel, nullptr) << "expected the progress window's Cancel";
            // Bounded: an installation that ends first leaves nothing to cancel.
            WaitUntil([&] {
                if (!IsWindow(progress)) {
                    return true;
                }
                if (moment.links < 0) {
                    return count(target + "\\data", ".txt") >= moment.files;
                }
                return FileExists(group) && linksMade() >= moment.links;
            });
            if (cancel && IsWindow(cancel)) {
                Click(cancel);
            }
            EXPECT_TRUE(run.WaitForWizardBack()) << "the installer stopped answering";
            // Cancel normally lands on the error page; pressed as the installation ends, the
            // done page stays.
            const bool done = Shows(run.Wizard(), kLabelDone);
            run.Finish(done ? kDone : kCancel);
            if (FullRun()) {
                const std::string log = target + "\\uninst.ini";
                std::printf("  %s: the %s page, %zu files and %zu shortcuts logged\n", when.c_str(),
                            done ? "done" : "error", Logged(log, "file").size(),
                            Logged(log, "startfile").size());
            }
        }
        if (FileExists(target + "\\uninst.exe")) {
            EXPECT_TRUE(RunUninstaller(target)) << "the uninstaller did not end by itself";
        }
        if (Failures() != failuresBefore) {
            ++crashes;
        }
        std::vector<std::string> left;
        Below(target, &left);
        Below(group, &left);
        if (FileExists(group)) {
            left.push_back(group);
        }
        for (int i = 0; i < kDesktopLinks; ++i) {
            if (FileExists(desktop + std::to_string(i) + ".lnk")) {
                left.push_back(desktop + std::to_string(i) + ".lnk");
            }
        }
        if (UninstallEntryExists()) {
            left.push_back("the Uninstall registry entry");
        }
        for (const std::string& path : left) {
            if (path != target + "\\uninst.exe") {
                leftovers.push_back(when + ": " + path);
            }
        }
        clean();
    }

    if (FullRun()) {
        std::printf("cancel anywhere: runs %zu, crashes %d, leftovers %zu\n", moments.size(),
                    crashes, leftovers.size());
        for (const std::string& left : leftovers) {
            std::printf("  left %s\n", left.c_str());
        }
        std::fflush(stdout);
    }
    EXPECT_EQ(crashes, 0);
    EXPECT_TRUE(leftovers.empty()) << leftovers.size() << " left, the first: " << leftovers[0];
}

}  // namespace
}  // namespace nuvex::test
