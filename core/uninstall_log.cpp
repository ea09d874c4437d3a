#include "uninstall_log.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace nuvex {

LogValue ReadLogValue(const ProfileReader& log, const char* key, char (&value)[kLogValueSize]) {
    const std::size_t length = log.Text(kLogSection, key, "", value, kLogValueSize);
    if (length == 0) {
        return LogValue::kEmpty;
    }
    return length >= kLogValueSize - 1 ? LogValue::kCut : LogValue::kPath;
}

int CountLogFamily(const ProfileReader& log, LogFamily family) {
    return CountLogEntries(family, [&](const char* key) {
        char value[kLogValueSize];
        return ReadLogValue(log, key, value) != LogValue::kEmpty;
    });
}

LogPathList::LogPathList(const ProfileReader& log, LogFamily family, int count)
    : count_(count < 0 ? 0 : count) {
    for (int n = 0; n < count_; ++n) {
        char key[kLogKeySize];
        char path[kLogValueSize];
        // The uninstaller reads no number past six digits, whatever the count says.
        if (n >= kLogNumberLimit || !FormatLogKey(key, sizeof key, family, n) ||
            ReadLogValue(log, key, path) != LogValue::kPath) {
            path[0] = '\0';
        }
        Append(path);
    }
}

LogPathList::~LogPathList() { std::free(block_); }

void LogPathList::Append(const char* path) {
    const std::size_t length = std::strlen(path) + 1;
    if (failed_) {
        return;
    }
    if (used_ + length > capacity_) {
        const std::size_t capacity = (capacity_ + length) * 2;
        char* grown = static_cast<char*>(std::realloc(block_, capacity));
        if (!grown) {
            failed_ = true;
            return;
        }
        block_ = grown;
        capacity_ = capacity;
    }
    std::memcpy(block_ + used_, path, length);
    used_ += length;
}

std::size_t ComposeLogLine(char* out, std::size_t size, const char* key, const char* value) {
    while (IsProfileBlank(static_cast<unsigned char>(*value))) {
        ++value;
    }
    const std::size_t keyLength = std::strlen(key);
    const std::size_t valueLength = std::strlen(value);
    const std::size_t length = keyLength + 1 + valueLength + 2;
    if (size == 0) {
        return 0;
    }
    out[0] = '\0';
    if (length >= size) {
        return 0;
    }
    std::memcpy(out, key, keyLength);
    out[keyLength] = '=';
    std::memcpy(out + keyLength + 1, value, valueLength);
    std::memcpy(out + keyLength + 1 + valueLength, "\r\n", 3);
    return length;
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
