// The removal thread: the registry entry first, then what the log lists, newest first:
// files, shortcut files, the log itself, folders, Start menu folders. Failures are passed
// over; folders that still hold something stay.
#include <windows.h>

#include "package_state.h"
#include "parsed_profile.h"
#include "scoped.h"
#include "uninstall_log.h"
#include "uninstall_state.h"

namespace nuvex {

namespace {

constexpr char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
using RemoveFunction = BOOL(WINAPI*)(LPCSTR);

// Removes the entries of one family from the highest number down, 10 ms apart.
void RemoveFamily(const LogPathList& paths, int total, int& done, RemoveFunction remove) {
    const bool complete = paths.NewestFirst([&](const char* path) {
        Uninstall().percent = RemovalPercent(done, total);
        ++done;
        if (path[0] != '\0') {
            remove(path);
        }
        Sleep(10);
    });
    if (!complete) {
        done += paths.Count();
    }
}

void DeleteRegistryEntry() {
    const char* name = Uninstall().productKey;
    ScopedRegKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_ALL_ACCESS, key.receive()) !=
        ERROR_SUCCESS) {
        return;
    }
    // An empty name would be the Uninstall key itself.
    if (name[0] != '\0') {
        RegDeleteKeyA(key.get(), name);
    }
}

void DeleteOwnExecutable() {
    PackageState& app = Package();
    const DWORD length = GetModuleFileNameA(nullptr, app.scriptPath, sizeof app.scriptPath);
    // A path that filled the buffer may have been cut and could name another file.
    if (length > 0 && length < sizeof app.scriptPath - 1) {
        DeleteFileA(app.scriptPath);
    }
}

}  // namespace

DWORD WINAPI UninstallThreadProc(LPVOID) {
    UninstallState& u = Uninstall();
    DeleteRegistryEntry();
    u.percent = 1;
    // The log is read once, whole: asked key by key, the profile functions would scan it
    // again for each of its entries.
    const ParsedProfile log(Package().scriptPath);
    const int files = CountLogFamily(log, LogFamily::kFile);
    u.percent = 2;
    const int shortcuts = CountLogFamily(log, LogFamily::kStartFile);
    const int folders = CountLogFamily(log, LogFamily::kDir);
    u.percent = 3;
    const int groups = CountLogFamily(log, LogFamily::kStartDir);
    u.percent = 4;
    const int total = files + shortcuts + folders + groups;
    int done = 0;

    RemoveFamily(LogPathList(log, LogFamily::kFile, files), total, done, DeleteFileA);
    Sleep(100);
    RemoveFamily(LogPathList(log, LogFamily::kStartFile, shortcuts), total, done, DeleteFileA);
    Sleep(100);
    // The folders are listed before the log goes, so that the target folder can be emptied:
    // once the file is deleted, the profile functions (where they answer) find nothing in it.
    const LogPathList dirs(log, LogFamily::kDir, folders);
    const LogPathList startDirs(log, LogFamily::kStartDir, groups);
    DeleteFileA(Package().scriptPath);
    RemoveFamily(dirs, total, done, RemoveDirectoryA);
    Sleep(100);
    RemoveFamily(startDirs, total, done, RemoveDirectoryA);
    Sleep(100);
    DeleteOwnExecutable();
    Sleep(300);
    u.finished = true;
    return 0;
}

}  // namespace nuvex
