// An INI file read once and parsed in memory (ProfileText), for the readers that ask it for
// thousands of keys: the install thread's entry reads and the uninstaller's log. Where the
// parse could not stand in for the profile functions exactly, every key is asked of the
// profile functions on the file instead, so the answers are the same either way.
#pragma once

#include <cstdint>

#include "profile_text.h"
#include "settings_reader.h"

namespace nuvex {

class ParsedProfile final : public ProfileReader {
public:
    // Reads and parses `path`. The profile functions on `path` answer instead when the file
    // cannot be read whole or memory runs out, when it is Unicode text, or when the system's
    // ANSI code page is one the parse does not model: double-byte code pages, whose
    // characters the profile functions decode before they split lines, and the Turkish one,
    // whose capital dotted I folds onto the ASCII "i" in their case-blind comparison.
    explicit ParsedProfile(const char* path);

    std::size_t Text(const char* section, const char* key, const char* def, char* dest,
                     std::size_t size) const override;
    int Number(const char* section, const char* key, int def) const override {
        return static_cast<int>(Unsigned(section, key, def));
    }
    uint32_t Unsigned(const char* section, const char* key, int def) const;

private:
    ProfileText text_;
    ProfileFile file_;
};

}  // namespace nuvex
