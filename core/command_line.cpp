#include "command_line.h"

#include <cstring>

namespace nuvex {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Whether the token [begin, end) starts with `prefix`, ignoring case.
bool StartsWith(const char* begin, const char* end, const char* prefix) {
    const std::size_t length = std::strlen(prefix);
    if (static_cast<std::size_t>(end - begin) < length) {
        return false;
    }
    for (std::size_t i = 0; i < length; ++i) {
        if (Upper(begin[i]) != prefix[i]) {
            return false;
        }
    }
    return true;
}

bool Equals(const char* begin, const char* end, const char* word) {
    return static_cast<std::size_t>(end - begin) == std::strlen(word) &&
           StartsWith(begin, end, word);
}

// The slot number: one or two decimal digits. Whether the slot exists and is enabled is
// the installer's check; anything non-numeric is refused here.
bool ParseType(const char* begin, const char* end, int* type) {
    if (begin == end || end - begin > 2) {
        return false;
    }
    int value = 0;
    for (const char* p = begin; p < end; ++p) {
        if (*p < '0' || *p > '9') {
            return false;
        }
        value = value * 10 + (*p - '0');
    }
    *type = value;
    return true;
}

}  // namespace

const char* SkipProgramName(const char* commandLine) {
    const char* p = commandLine;
    if (*p == '"') {
        ++p;
        while (*p != '\0' && *p != '"') {
            ++p;
        }
        if (*p == '"') {
            ++p;
        }
    } else {
        while (*p != '\0' && !IsBlank(*p)) {
            ++p;
        }
    }
    return p;
}

CommandLine ParseCommandLine(const char* arguments) {
    CommandLine result;
    const char* p = arguments;
    while (true) {
        while (IsBlank(*p)) {
            ++p;
        }
        if (*p == '\0') {
            break;
        }
        const char* begin = p;
        if (StartsWith(begin, begin + std::strlen(begin), "/D=")) {
            const char* value = begin + 3;
            std::size_t length = std::strlen(value);
            while (length > 0 && IsBlank(value[length - 1])) {
                --length;
            }
            if (length == 0 || length >= sizeof result.target) {
                result.usageError = true;
            } else {
                std::memcpy(result.target, value, length);
                result.target[length] = '\0';
                result.hasTarget = true;
            }
            break;
        }
        while (*p != '\0' && !IsBlank(*p)) {
            ++p;
        }
        if (Equals(begin, p, "/S")) {
            result.silent = true;
        } else if (StartsWith(begin, p, "/TYPE=") && ParseType(begin + 6, p, &result.type)) {
            // taken
        } else {
            result.usageError = true;
        }
    }
    return result;
}

bool IsFullPath(const char* path) {
    const char letter = Upper(path[0]);
    if (letter >= 'A' && letter <= 'Z' && path[1] == ':' && path[2] == '\\') {
        return true;
    }
    return path[0] == '\\' && path[1] == '\\' && path[2] != '\0';
}

}  // namespace nuvex
