// The script's texts in the single-byte Windows code page that the installer reads them in.
// A UTF-8 script is converted when every character has a place in the code page; a script
// already in 8-bit form is left as it is and checked for bytes the code page leaves undefined.
#pragma once

#include <string>
#include <string_view>

#include "diagnostics.h"

namespace nuvex::pack {

inline constexpr unsigned kDefaultCodePage = 1252;

// A code page's characters for the bytes 0x80..0xFF; 0 for an undefined byte.
struct CodePage {
    unsigned number = 0;
    char32_t upper[128] = {};
};

// The code page from the system's tables; throws PackError when it is unknown there.
CodePage LoadCodePage(unsigned number);

// True when `text` is well-formed UTF-8 and holds a byte above 0x7F.
bool IsUtf8WithNonAscii(std::string_view text);

// `utf8` in the code page; false, with `out` untouched, when it is not well-formed UTF-8 or
// a character has no place in the code page.
bool ConvertUtf8(std::string_view utf8, const CodePage& codePage, std::string* out);

// The script in the code page. A UTF-8 character without a place in it is an error naming
// the character, its line and the code page; an undefined 8-bit byte is a warning. `text`
// comes back unchanged when it is plain ASCII or already 8-bit.
std::string ToCodePage(std::string_view text, const CodePage& codePage, const std::string& file,
                       Diagnostics& diag);

}  // namespace nuvex::pack
