#include "platform.h"

#include <cerrno>
#include <system_error>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
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
    // or junction included, instead of creating the file the link points to.
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) {
            errno = EEXIST;
            return CreateNewResult::kExists;
        }
        errno = error == ERROR_ACCESS_DENIED ? EACCES : error == ERROR_PATH_NOT_FOUND ? ENOENT : EIO;
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
