#include "shortcut_rules.h"

#include <cstdio>
#include <cstring>

#include "text_rules.h"

namespace nuvex {

void WorkingFolder(char* out, std::size_t size, const char* target) {
    if (size == 0) {
        return;
    }
    CopyCut(out, size, target);
    char* slash = std::strrchr(out, '\\');
    if (slash) {
        slash[1] = '\0';
    } else {
        out[0] = '\0';
    }
}

bool LinkPath(char* out, std::size_t size, const char* folder, const char* title) {
    if (size == 0) {
        return false;
    }
    const int written = std::snprintf(out, size, "%s\\%s.lnk", folder, title);
    if (written < 0 || static_cast<std::size_t>(written) >= size) {
        out[0] = '\0';
        return false;
    }
    return true;
}

}  // namespace nuvex
