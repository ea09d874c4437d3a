// INI text read the way the Windows profile functions read it: section and key names match
// ignoring ASCII case, the first of two equal sections or keys is the one found, key names
// and values lose the blanks around them, and a value in a pair of matching quotes loses the
// quotes.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "profile_reader.h"

namespace nuvex::pack {

struct IniLine {
    enum class Kind {
        kBlank,
        kComment,  // first non-blank character ';'
        kSection,  // "[name]"
        kKey,      // "name=value"
        kOther,    // anything else: a key without "=", a "[" without "]"
    };
    Kind kind = Kind::kBlank;
    int number = 0;     // 1-based line number in the text
    std::string raw;    // the line as written, without its line end
    std::string name;   // section name (between "[" and the last "]") or key name (trimmed)
    std::string value;  // key value, trimmed, quotes kept
};

struct IniSection {
    std::string name;       // empty for the lines before the first header
    int headerLine = 0;     // 0 for the lines before the first header
    std::string headerRaw;  // the header line as written
    std::vector<IniLine> body;
};

class IniDocument {
public:
    // Decides while parsing what a reader keeps: a section (`key` empty) and, in a kept
    // section, a key. Everything else is dropped, blank lines, comments, raw text and later
    // sections of a kept name included, so memory follows the keys asked for, not the text.
    using KeepFn = std::function<bool(std::string_view section, std::string_view key)>;

    // Any line ends: CR LF, LF or CR alone. Without `keep`, every line as written, for
    // checking and rewriting a script.
    static IniDocument Parse(std::string_view text, const KeepFn& keep = nullptr);

    // sections[0] holds the lines before the first header, with an empty name.
    std::vector<IniSection> sections;

    // The first section of that name, ignoring case; nullptr when absent.
    const IniSection* FindSection(std::string_view name) const;
    // The first key of that name in the section, ignoring case; nullptr when absent.
    static const IniLine* FindKey(const IniSection& section, std::string_view key);
    // The value as the profile functions return it; nullopt when the key is absent.
    std::optional<std::string> Get(std::string_view section, std::string_view key) const;
};

// An INI text that answers as the profile functions answer on a file holding it: a value
// stops at a NUL byte, an empty value reads as no number at all.
class IniProfile final : public ProfileReader {
public:
    explicit IniProfile(std::string_view text) : doc_(IniDocument::Parse(text)) {}
    std::size_t Text(const char* section, const char* key, const char* def, char* dest,
                     std::size_t size) const override;
    int Number(const char* section, const char* key, int def) const override;

private:
    IniDocument doc_;
};

// A line of text and its 1-based number.
struct TextLine {
    int number;
    std::string_view text;
};
std::vector<TextLine> SplitLines(std::string_view text);

// Drops one pair of matching single or double quotes around the value.
std::string ProfileValue(std::string_view value);

// As GetPrivateProfileInt reads a number: blanks, an optional sign, decimal digits; 0 when
// no digit follows.
long long ProfileInt(std::string_view value);

bool EqualsNoCase(std::string_view a, std::string_view b);
std::string ToLower(std::string_view s);
std::string_view TrimBlanks(std::string_view s);

}  // namespace nuvex::pack
