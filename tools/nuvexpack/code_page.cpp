#include "code_page.h"

#include <cstdio>
#include <algorithm>
#include <utility>

#include "platform.h"

namespace nuvex::pack {

namespace {

// Decodes the UTF-8 character at `at`; 0 with *length 0 when it is not well-formed
// (overlong forms and surrogates included).
char32_t DecodeUtf8(std::string_view text, std::size_t at, std::size_t* length) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char lead = byte(at);
    *length = 0;
    std::size_t n = lead < 0x80         ? 1
                    : (lead >> 5) == 6  ? 2
                    : (lead >> 4) == 14 ? 3
                    : (lead >> 3) == 30 ? 4
                                        : 0;
    if (n == 0 || at + n > text.size()) {
        return 0;
    }
    char32_t c = n == 1 ? lead : lead & (0x7F >> n);
    for (std::size_t i = 1; i < n; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) {
            return 0;
        }
        c = (c << 6) | (byte(at + i) & 0x3F);
    }
    static const char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < kSmallest[n] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        return 0;
    }
    *length = n;
    return c;
}

int LineAt(std::string_view text, std::size_t at) {
    int line = 1;
    for (std::size_t i = 0; i < at; ++i) {
        line +=
            text[i] == '\n' || (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'));
    }
    return line;
}

std::string CodePoint(char32_t c) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(c));
    return buf;
}

}  // namespace

CodePage LoadCodePage(unsigned number) {
    CodePage cp;
    cp.number = number;
    if (!CodePageTable(number, cp.upper)) {
        throw PackError("code page " + std::to_string(number) + " is not known on this system");
    }
    return cp;
}

bool IsUtf8WithNonAscii(std::string_view text) {
    bool nonAscii = false;
    for (std::size_t at = 0, n = 0; at < text.size(); at += n) {
        if (DecodeUtf8(text, at, &n) == 0 && n == 0) {
            return false;
        }
        nonAscii = nonAscii || n > 1;
    }
    return nonAscii;
}

bool ConvertUtf8(std::string_view utf8, const CodePage& codePage, std::string* out) {
    std::string converted;
    converted.reserve(utf8.size());
    for (std::size_t at = 0, n = 0; at < utf8.size(); at += n) {
        char32_t c = DecodeUtf8(utf8, at, &n);
        if (n == 0) {
            return false;
        }
        if (n == 1) {
            converted += utf8[at];
            continue;
        }
        const char32_t* found = std::find(codePage.upper, codePage.upper + 128, c);
        if (found == codePage.upper + 128) {
            return false;
        }
        converted += static_cast<char>(0x80 + (found - codePage.upper));
    }
    *out = std::move(converted);
    return true;
}

std::string ToCodePage(std::string_view text, const CodePage& codePage, const std::string& file,
                       Diagnostics& diag) {
    const std::string cpName = "code page " + std::to_string(codePage.number);
    if (!IsUtf8WithNonAscii(text)) {
        for (std::size_t at = 0; at < text.size(); ++at) {
            unsigned char b = static_cast<unsigned char>(text[at]);
            if (b >= 0x80 && codePage.upper[b - 0x80] == 0) {
                char hex[8];
                std::snprintf(hex, sizeof hex, "0x%02X", b);
                diag.Warn(file, LineAt(text, at),
                          std::string("byte ") + hex + " is not a character in " + cpName +
                              "; save the script as UTF-8, or name its code page with --codepage "
                              "or codepage= in [Wizard]");
                break;
            }
        }
        return std::string(text);
    }
    std::string out;
    if (ConvertUtf8(text, codePage, &out)) {
        return out;
    }
    // The first character without a place, for the message.
    for (std::size_t at = 0, n = 0; at < text.size(); at += n) {
        char32_t c = DecodeUtf8(text, at, &n);
        std::string one;
        if (n > 1 && !ConvertUtf8(text.substr(at, n), codePage, &one)) {
            diag.Error(file, LineAt(text, at),
                       "\"" + std::string(text.substr(at, n)) + "\" (" + CodePoint(c) +
                           ") has no place in " + cpName +
                           ", in which the installer reads the script; choose another with "
                           "--codepage or codepage= in [Wizard], or write the text without it");
            break;
        }
    }
    return std::string(text);
}

}  // namespace nuvex::pack
