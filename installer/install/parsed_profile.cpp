#include "parsed_profile.h"

#include <windows.h>

#include "scoped.h"

namespace nuvex {

namespace {

// Turkish: U+0130, the capital dotted I, lower-cases to the ASCII "i".
constexpr UINT kTurkishCodePage = 1254;

bool CodePageParsesAsBytes() {
    CPINFO info;
    return GetCPInfo(CP_ACP, &info) && info.MaxCharSize == 1 && GetACP() != kTurkishCodePage;
}

}  // namespace

ParsedProfile::ParsedProfile(const char* path) : file_(path) {
    if (!CodePageParsesAsBytes()) {
        return;
    }
    ScopedHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size;
    if (!file.valid() || !GetFileSizeEx(file.get(), &size) || size.QuadPart > 0x7FFFFFF0) {
        return;
    }
    const DWORD length = static_cast<DWORD>(size.QuadPart);
    char* room = text_.Reserve(length);
    DWORD read = 0;
    if (room && ReadFile(file.get(), room, length, &read, nullptr) && read == length) {
        text_.Parse(length);
    } else {
        text_.Clear();
    }
}

std::size_t ParsedProfile::Text(const char* section, const char* key, const char* def, char* dest,
                                std::size_t size) const {
    return text_.Parsed() ? text_.Text(section, key, def, dest, size)
                          : file_.Text(section, key, def, dest, size);
}

uint32_t ParsedProfile::Unsigned(const char* section, const char* key, int def) const {
    return text_.Parsed() ? text_.Unsigned(section, key, def)
                          : static_cast<uint32_t>(file_.Number(section, key, def));
}

}  // namespace nuvex
