// The uninstall log's numbered keys, as the uninstaller reads them: "file000000",
// "file000001", ... up to the first missing or empty value.
#pragma once

#include <cstddef>

namespace nuvex {

inline constexpr int kLogNumberLimit = 1000000;  // six digits

// "%s%6.6d" of a family word and an entry number; false (and `out` empty) when it does not
// fit or the number has more than six digits.
bool LogKey(char* out, std::size_t size, const char* family, int number);

// Number of entries of `family` before the first empty value. `present(key)` tells whether
// a key has a value that is not empty.
template <typename Present>
int CountLogEntries(const char* family, Present present) {
    char key[32];
    int n = 0;
    while (n < kLogNumberLimit && LogKey(key, sizeof key, family, n) && present(key)) {
        ++n;
    }
    return n;
}

// The uninstaller's bar while it removes: 5 + 95 * done / total, whole percent; 5 when there
// is nothing to remove.
int RemovalPercent(int done, int total);

}  // namespace nuvex
