#include "uninstall_log.h"

#include <cstdint>
#include <cstdio>

namespace nuvex {

bool LogKey(char* out, std::size_t size, const char* family, int number) {
    if (size == 0) {
        return false;
    }
    out[0] = '\0';
    if (number < 0 || number >= kLogNumberLimit) {
        return false;
    }
    const int written = std::snprintf(out, size, "%s%6.6d", family, number);
    if (written < 0 || static_cast<std::size_t>(written) >= size) {
        out[0] = '\0';
        return false;
    }
    return true;
}

int RemovalPercent(int done, int total) {
    if (total <= 0 || done < 0) {
        return 5;
    }
    if (done > total) {
        done = total;
    }
    return 5 + static_cast<int>(95 * static_cast<int64_t>(done) / total);
}

}  // namespace nuvex
