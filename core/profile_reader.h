// One key of an INI text at a time, answered the way GetPrivateProfileStringA and
// GetPrivateProfileIntA answer: the installer asks the profile functions on its file, the
// native tests and the fuzz targets ask a reader over text in memory.
#pragma once

#include <cstddef>

namespace nuvex {

class ProfileReader {
public:
    // The value of `key` in `section` (names matched ignoring case), or `def` when there is
    // none, cut to `size` - 1 characters and terminated. Returns the characters stored.
    virtual std::size_t Text(const char* section, const char* key, const char* def, char* dest,
                             std::size_t size) const = 0;
    // The value read as a decimal number, or `def` when there is none.
    virtual int Number(const char* section, const char* key, int def) const = 0;

protected:
    // Readers live on the stack of their caller and are never deleted through this type.
    ~ProfileReader() = default;
};

}  // namespace nuvex
