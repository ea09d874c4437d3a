#include "platform.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <string>
#include <system_error>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace nuvex::pack {

std::filesystem::path ExecutablePath() {
#ifdef _WIN32
    wchar_t buf[32768];
    DWORD n = GetModuleFileNameW(nullptr, buf, sizeof buf / sizeof buf[0]);
    if (n == 0 || n >= sizeof buf / sizeof buf[0]) {
        return {};
    }
    return std::filesystem::path(buf);
#else
    std::error_code ec;
    std::filesystem::path p = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : p;
#endif
}

namespace {

// The handler may run at any moment (on Windows on a thread of its own), so the watched
// names live in fixed buffers whose slot flag is set only once the name is complete.
struct CleanupSlot {
    std::atomic<bool> used{false};
#ifdef _WIN32
    wchar_t name[4096];
#else
    char name[4096];
#endif
};
CleanupSlot g_cleanup[kMaxCleanupFiles];
std::atomic<bool> g_handlerInstalled{false};

extern "C" void RemoveTempFilesAndExit(int signal) {
    for (CleanupSlot& slot : g_cleanup) {
        if (slot.used.load()) {
#ifdef _WIN32
            DeleteFileW(slot.name);
#else
            unlink(slot.name);
#endif
        }
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

}  // namespace

void WatchTempFile(const std::filesystem::path& path) {
    if (!g_handlerInstalled.exchange(true)) {
        std::signal(SIGINT, RemoveTempFilesAndExit);
        std::signal(SIGTERM, RemoveTempFilesAndExit);
#ifndef _WIN32
        std::signal(SIGHUP, RemoveTempFilesAndExit);
#endif
    }
    const auto& native = path.native();
    if (native.size() >= sizeof g_cleanup[0].name / sizeof g_cleanup[0].name[0]) {
        return;
    }
    for (CleanupSlot& slot : g_cleanup) {
        if (!slot.used.load()) {
            std::memcpy(slot.name, native.c_str(), (native.size() + 1) * sizeof native[0]);
            slot.used.store(true);
            return;
        }
    }
}

void UnwatchTempFile(const std::filesystem::path& path) {
    for (CleanupSlot& slot : g_cleanup) {
        if (slot.used.load() && path.native() == slot.name) {
            slot.used.store(false);
        }
    }
}

bool CodePageTable(unsigned codePage, char32_t table[128]) {
#ifdef _WIN32
    CPINFO info;
    if (!GetCPInfo(codePage, &info)) {
        return false;
    }
    for (int b = 0x80; b < 0x100; ++b) {
        char byte = static_cast<char>(b);
        wchar_t wide[2] = {};
        int n = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, &byte, 1, wide, 2);
        table[b - 0x80] = n == 1 ? static_cast<char32_t>(wide[0]) : 0;
    }
    return true;
#else
    const std::string name = "CP" + std::to_string(codePage);
    iconv_t cd = iconv_open("UTF-32LE", name.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return false;
    }
    for (int b = 0x80; b < 0x100; ++b) {
        char in[1] = {static_cast<char>(b)};
        unsigned char out[8] = {};
        char* inp = in;
        char* outp = reinterpret_cast<char*>(out);
        std::size_t inLeft = 1, outLeft = sizeof out;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        std::size_t r = iconv(cd, &inp, &inLeft, &outp, &outLeft);
        table[b - 0x80] = r == static_cast<std::size_t>(-1) || outLeft != 4
                              ? 0
                              : static_cast<char32_t>(out[0] | out[1] << 8 | out[2] << 16 |
                                                      static_cast<unsigned>(out[3]) << 24);
    }
    iconv_close(cd);
    return true;
#endif
}

bool StderrIsTerminal() {
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(fileno(stderr)) != 0;
#endif
}

#ifdef _WIN32

bool IsLink(const std::filesystem::path& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

namespace {

bool FileIdentity(const std::filesystem::path& path, BY_HANDLE_FILE_INFORMATION* info) {
    // Backup semantics let the handle name a folder too; no access right is needed to ask.
    HANDLE h = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        return false;
    }
    BOOL ok = GetFileInformationByHandle(h, info);
    CloseHandle(h);
    return ok != 0;
}

}  // namespace

bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
    BY_HANDLE_FILE_INFORMATION x, y;
    return FileIdentity(a, &x) && FileIdentity(b, &y) &&
           x.dwVolumeSerialNumber == y.dwVolumeSerialNumber &&
           x.nFileIndexHigh == y.nFileIndexHigh && x.nFileIndexLow == y.nFileIndexLow;
}

CreateNewResult CreateNewFile(const std::filesystem::path& path, std::FILE** out) {
    // CREATE_NEW with FILE_FLAG_OPEN_REPARSE_POINT fails on any name that exists, a link
    // or junction included, instead of creating the file the link points to. Sharing delete
    // lets the Ctrl-C handler, which runs on a thread of its own, remove the file while this
    // handle is open.
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) {
            errno = EEXIST;
            return CreateNewResult::kExists;
        }
        errno = error == ERROR_ACCESS_DENIED    ? EACCES
                : error == ERROR_PATH_NOT_FOUND ? ENOENT
                                                : EIO;
        return CreateNewResult::kFailed;
    }
    int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_WRONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(h);
        DeleteFileW(path.c_str());
        return CreateNewResult::kFailed;
    }
    *out = _fdopen(fd, "wb");
    if (*out == nullptr) {
        _close(fd);
        DeleteFileW(path.c_str());
        return CreateNewResult::kFailed;
    }
    return CreateNewResult::kCreated;
}

#else

bool IsLink(const std::filesystem::path& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
    struct stat x, y;
    return stat(a.c_str(), &x) == 0 && stat(b.c_str(), &y) == 0 && x.st_dev == y.st_dev &&
           x.st_ino == y.st_ino;
}

CreateNewResult CreateNewFile(const std::filesystem::path& path, std::FILE** out) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
        return errno == EEXIST ? CreateNewResult::kExists : CreateNewResult::kFailed;
    }
    *out = fdopen(fd, "wb");
    if (*out == nullptr) {
        int saved = errno;
        close(fd);
        unlink(path.c_str());
        errno = saved;
        return CreateNewResult::kFailed;
    }
    return CreateNewResult::kCreated;
}

#endif

}  // namespace nuvex::pack
