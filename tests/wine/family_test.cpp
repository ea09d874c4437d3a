// A large product as the user installs and removes it: one component with a family of 2,000
// payload entries in 20 folders, built by the package builder, installed through the wizard
// and removed by its uninstaller; every file is checked in and out.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "driver.h"
#include "install_session.h"
#include "package_fixture.h"

namespace nuvex::test {
namespace {

constexpr int kFolders = 20;
constexpr int kFilesPerFolder = 100;

std::string RelativePath(int folder, int file) {
    char path[32];
    std::snprintf(path, sizeof path, "d%02d\\f%03d.txt", folder, file);
    return path;
}

// Small texts that differ from file to file, so that a file written under another's name
// shows.
std::string Content(int folder, int file) {
    return "folder " + std::to_string(folder) + ", file " + std::to_string(file) + "\r\n" +
           std::string(static_cast<std::size_t>((folder * 7 + file) % 50), 'x');
}

TEST(LargeFamily, TwoThousandEntriesInstalledAndRemoved) {
    const std::string dir = TestWorkDir();
    DeleteUninstallEntry();
    for (int d = 0; d < kFolders; ++d) {
        MakeFolders(dir + "\\src\\files\\" + RelativePath(d, 0).substr(0, 3));
        for (int f = 0; f < kFilesPerFolder; ++f) {
            ASSERT_TRUE(WriteFileBytes(dir + "\\src\\files\\" + RelativePath(d, f), Content(d, f)));
        }
    }
    const std::string exe = BuildInstaller(
        dir, ComponentLines(ScriptHead(dir + "\\Programs", "true", "window"), {"tree00=files>"}));
    const std::string target = dir + "\\Programs\\App";

    InstallerRun run(exe, dir);
    ASSERT_NO_FATAL_FAILURE(run.StartInstallation());
    run.ExpectDonePage();

    int wrong = 0;
    for (int d = 0; d < kFolders; ++d) {
        for (int f = 0; f < kFilesPerFolder; ++f) {
            wrong += ReadFileBytes(target + "\\" + RelativePath(d, f)) != Content(d, f);
        }
    }
    EXPECT_EQ(wrong, 0) << "files missing or not as packed";
    const std::string log = target + "\\uninst.ini";
    const std::vector<std::string> files = Logged(log, "file");
    ASSERT_EQ(files.size(), static_cast<std::size_t>(kFolders * kFilesPerFolder));
    EXPECT_EQ(files.front(), target + "\\" + RelativePath(0, 0));
    EXPECT_EQ(files.back(), target + "\\" + RelativePath(kFolders - 1, kFilesPerFolder - 1));
    EXPECT_EQ(Logged(log, "dir").size(), static_cast<std::size_t>(kFolders + 1));

    ASSERT_TRUE(RunUninstaller(target)) << "the uninstaller did not end by itself";
    std::vector<std::string> left;
    ListTree(target, "", &left);
    EXPECT_EQ(left, std::vector<std::string>{"uninst.exe"});
    EXPECT_FALSE(UninstallEntryExists());
}

}  // namespace
}  // namespace nuvex::test
