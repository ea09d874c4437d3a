// The uninstall log's numbered families, as the uninstaller reads them: "file000000",
// "file000001", ... up to the first missing or empty value; and the lists of paths it
// removes, built from them.
#pragma once

#include <cstddef>

#include "numbered_keys.h"
#include "profile_reader.h"
#include "profile_text.h"

namespace nuvex {

inline constexpr std::size_t kLogValueSize = 2048;

// Number of entries of `family` before the first empty value. `present(key)` tells whether
// a key has a value that is not empty.
template <typename Present>
int CountLogEntries(LogFamily family, Present present) {
    char key[kLogKeySize];
    int n = 0;
    while (n < kLogNumberLimit && FormatLogKey(key, sizeof key, family, n) && present(key)) {
        ++n;
    }
    return n;
}

// A value of the log read into a 2048-byte buffer. A value that fills the whole buffer may
// have been cut, and a path cut short could name something else: it counts as an entry but
// is never acted on.
enum class LogValue { kEmpty, kCut, kPath };
LogValue ReadLogValue(const ProfileReader& log, const char* key, char (&value)[kLogValueSize]);

// Entries of `family` in the log before the first empty value.
int CountLogFamily(const ProfileReader& log, LogFamily family);

// The first `count` paths of one family, read from the log into one block: each path with
// its terminating NUL, one after the other. An entry that cannot be used is an empty path.
// The block grows as it is filled, so it costs what the paths hold and no more.
class LogPathList {
public:
    LogPathList(const ProfileReader& log, LogFamily family, int count);
    ~LogPathList();
    LogPathList(const LogPathList&) = delete;
    LogPathList& operator=(const LogPathList&) = delete;

    int Count() const { return count_; }
    // Calls `visit` for every path from the last to the first; false, visiting none, when
    // memory ran out while the list was read, so that no path is taken for another.
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
    void Append(const char* path);

    int count_;
    char* block_ = nullptr;
    std::size_t used_ = 0;
    std::size_t capacity_ = 0;
    bool failed_ = false;
};

// The line that WritePrivateProfileStringA appends to the end of a section for a new key:
// "key=value" and CR LF, the value without the blanks it starts with. Returns its length, or
// 0 (and `out` empty) when it does not fit `size` bytes with a terminator.
std::size_t ComposeLogLine(char* out, std::size_t size, const char* key, const char* value);

// The uninstaller's bar while it removes: 5 + 95 * done / total, whole percent; 5 when there
// is nothing to remove.
int RemovalPercent(int done, int total);

}  // namespace nuvex
