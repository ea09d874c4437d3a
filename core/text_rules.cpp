#include "text_rules.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "package_layout.h"

namespace nuvex {

namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Appends bytes to a fixed field, dropping what does not fit.
class FieldWriter {
public:
    FieldWriter(char* dst, std::size_t size) : dst_(dst), size_(size) {}
    void Put(char c) {
        if (len_ + 1 < size_) {
            dst_[len_++] = c;
        }
    }
    void Put(const char* s) {
        while (*s) {
            Put(*s++);
        }
    }
    void Finish() {
        if (size_ > 0) {
            dst_[len_] = '\0';
        }
    }

private:
    char* dst_;
    std::size_t size_;
    std::size_t len_ = 0;
};

}  // namespace

void CopyCut(char* dst, std::size_t size, const char* src) {
    if (size == 0) {
        return;
    }
    std::size_t n = std::strlen(src);
    if (n > size - 1) {
        n = size - 1;
    }
    std::memmove(dst, src, n);
    dst[n] = '\0';
}

void AppendCut(char* dst, std::size_t size, const char* src) {
    std::size_t used = strnlen(dst, size);
    if (used + 1 >= size) {
        return;
    }
    CopyCut(dst + used, size - used, src);
}

bool EqualsIgnoreCase(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b) {
        if (LowerAscii(*a) != LowerAscii(*b)) {
            return false;
        }
    }
    return *a == *b;
}

void ConvertBars(char* text) {
    for (; *text; ++text) {
        if (*text == '|') {
            *text = '\n';
        }
    }
}

void ExpandAppName(char* field, std::size_t size, const char* appName) {
    if (size == 0) {
        return;
    }
    // The template and the name may both be long; expand from a copy so that the field can
    // be written in place.
    char stackCopy[2048];
    std::size_t n = strnlen(field, size - 1);
    if (n >= sizeof stackCopy) {
        n = sizeof stackCopy - 1;
    }
    std::memcpy(stackCopy, field, n);
    stackCopy[n] = '\0';

    FieldWriter out(field, size);
    int namesUsed = 0;
    for (const char* p = stackCopy; *p; ++p) {
        if (p[0] == '%' && p[1] == 's' && namesUsed < 4) {
            out.Put(appName);
            ++namesUsed;
            ++p;
        } else if (p[0] == '%' && p[1] == '%') {
            out.Put('%');
            ++p;
        } else {
            out.Put(*p);
        }
    }
    out.Finish();
}

bool ParseFlag(const char* value) { return EqualsIgnoreCase(value, "true"); }

bool ParseIncludeUninstFlag(const char* value) { return !EqualsIgnoreCase(value, "false"); }

int ParseChoice(const char* value, const char* const* words, int count) {
    for (int i = 0; i < count; ++i) {
        if (EqualsIgnoreCase(value, words[i])) {
            return i;
        }
    }
    return 0;
}

void ComposeTargetFolder(char* out, std::size_t size, const char* instDir, bool autoNameToPath,
                         const char* appDir) {
    if (size == 0) {
        return;
    }
    out[0] = '\0';
    AppendCut(out, size, instDir);
    if (autoNameToPath) {
        AppendCut(out, size, "\\");
        AppendCut(out, size, appDir);
    }
}

int ComponentsToRead(int numberOfComponents) {
    if (numberOfComponents < 1) {
        return 0;
    }
    return std::min(numberOfComponents, layout::kComponentSlots);
}

bool ComponentCountValid(int numberOfComponents) {
    return numberOfComponents >= 1 && numberOfComponents <= 9;
}

void FormatComponentCountMessage(char* out, std::size_t size, int numberOfComponents) {
    std::snprintf(out, size, "Error in number of installable components.\n\nN:%d; ",
                  numberOfComponents);
}

bool IsUninstallerPath(const char* modulePath) {
    char path[257];
    CopyCut(path, sizeof path, modulePath);
    const char* base = std::strrchr(path, '\\');
    base = base ? base + 1 : path;
    return EqualsIgnoreCase(base, "uninst.exe");
}

bool UninstallLogPath(const char* modulePath, char* out, std::size_t size) {
    std::size_t n = std::strlen(modulePath);
    if (n < 3 || n + 1 > size) {
        if (size > 0) {
            out[0] = '\0';
        }
        return false;
    }
    std::memcpy(out, modulePath, n - 3);
    std::memcpy(out + n - 3, "ini", 4);
    return true;
}

bool JoinPath(char* out, std::size_t size, const char* dir, const char* name) {
    int n = std::snprintf(out, size, "%s\\%s", dir, name);
    if (n < 0 || static_cast<std::size_t>(n) >= size) {
        if (size > 0) {
            out[0] = '\0';
        }
        return false;
    }
    return true;
}

int ProgressFillLength(int width, int percent) {
    // In 64 bits, so that width + 1 and width + 2 cannot overflow; percent is 0..99 below,
    // so the product lies between INT_MIN and INT_MAX again.
    const int64_t w = width;
    if (percent > 99) {
        return static_cast<int>(std::min<int64_t>(w + 2, INT_MAX));
    }
    if (percent < 0) {
        return 0;
    }
    return static_cast<int>(static_cast<double>(w + 1) / 100.0 * percent);
}

}  // namespace nuvex
