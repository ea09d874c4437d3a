#include "platform.h"

#include <cstdio>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
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

}  // namespace nuvex::pack
