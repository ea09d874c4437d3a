// The removal thread: the registry entry first, then what the log lists, newest first:
// files, shortcut files, the log itself, folders, Start menu folders. Failures are passed
// over; folders that still hold something stay.
#include <windows.h>

#include "app_state.h"
#include "uninstall_log.h"
#include "uninstall_state.h"

namespace nuvex {

namespace {

constexpr char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr DWORD kValueSize = 2048;

// A value of the log into a 2048-byte buffer. A value that fills the whole buffer may have
// been cut, and a path cut short could name something else: it counts as an entry but is
// never acted on.
enum class LogValue { kEmpty, kCut, kPath };

LogValue ReadLog(const char* key, char (&value)[kValueSize]) {
    const DWORD length =
        GetPrivateProfileStringA("Nuvex", key, "", value, kValueSize, App().scriptPath);
    if (length == 0) {
        return LogValue::kEmpty;
    }
    return length >= kValueSize - 1 ? LogValue::kCut : LogValue::kPath;
}

int Count(const char* family) {
    return CountLogEntries(family, [](const char* key) {
        char value[kValueSize];
        return ReadLog(key, value) != LogValue::kEmpty;
    });
}

// The paths of one family, read from the log into one heap block: each path with its
// terminating NUL, one after the other. An entry that cannot be used is an empty path. The
// block is sized as it is filled, so it costs what the paths hold and no more.
class PathList {
public:
    PathList(const char* family, int count) : count_(count) {
        for (int n = 0; n < count; ++n) {
            char key[32];
            char path[kValueSize];
            if (!LogKey(key, sizeof key, family, n) || ReadLog(key, path) != LogValue::kPath) {
                path[0] = '\0';
            }
            Append(path);
        }
    }
    ~PathList() {
        if (block_) {
            HeapFree(GetProcessHeap(), 0, block_);
        }
    }
    PathList(const PathList&) = delete;
    PathList& operator=(const PathList&) = delete;

    int Count() const { return count_; }
    // Calls `visit` for every path from the last to the first; false when memory ran out
    // while the list was read, so that no path is taken for another.
    template <typename Visit>
    bool NewestFirst(Visit visit) const {
        if (failed_) {
            return false;
        }
        const char* end = block_ + used_;
        for (int n = count_; n-- > 0;) {
            const char* start = end - 1;
            while (start > block_ && start[-1] != '\0') {
                --start;
            }
            visit(start);
            end = start;
        }
        return true;
    }

private:
    void Append(const char* path) {
        const size_t length = static_cast<size_t>(lstrlenA(path)) + 1;
        if (failed_) {
            return;
        }
        if (used_ + length > capacity_) {
            const size_t capacity = (capacity_ + length) * 2;
            char* grown = static_cast<char*>(
                block_ ? HeapReAlloc(GetProcessHeap(), 0, block_, capacity)
                       : HeapAlloc(GetProcessHeap(), 0, capacity));
            if (!grown) {
                failed_ = true;
                return;
            }
            block_ = grown;
            capacity_ = capacity;
        }
        CopyMemory(block_ + used_, path, length);
        used_ += length;
    }

    int count_;
    char* block_ = nullptr;
    size_t used_ = 0;
    size_t capacity_ = 0;
    bool failed_ = false;
};

using RemoveFunction = BOOL(WINAPI*)(LPCSTR);

// Removes the entries of one family from the highest number down, 10 ms apart.
void RemoveFamily(const PathList& paths, int total, int& done, RemoveFunction remove) {
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
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_ALL_ACCESS, &key) !=
        ERROR_SUCCESS) {
        return;
    }
    // An empty name would be the Uninstall key itself.
    if (name[0] != '\0') {
        RegDeleteKeyA(key, name);
    }
    RegCloseKey(key);
}

void DeleteOwnExecutable() {
    AppState& app = App();
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
    const int files = Count("file");
    u.percent = 2;
    const int shortcuts = Count("startfile");
    const int folders = Count("dir");
    u.percent = 3;
    const int groups = Count("startdir");
    u.percent = 4;
    const int total = files + shortcuts + folders + groups;
    int done = 0;

    RemoveFamily(PathList("file", files), total, done, DeleteFileA);
    Sleep(100);
    RemoveFamily(PathList("startfile", shortcuts), total, done, DeleteFileA);
    Sleep(100);
    // The folders are read before the log goes, so that the target folder can be emptied:
    // once the file is deleted, the profile functions find nothing in it.
    const PathList dirs("dir", folders);
    const PathList startDirs("startdir", groups);
    DeleteFileA(App().scriptPath);
    RemoveFamily(dirs, total, done, RemoveDirectoryA);
    Sleep(100);
    RemoveFamily(startDirs, total, done, RemoveDirectoryA);
    Sleep(100);
    DeleteOwnExecutable();
    Sleep(300);
    return 0;
}

}  // namespace nuvex
