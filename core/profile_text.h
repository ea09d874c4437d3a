// An INI file parsed once in memory that answers every key as GetPrivateProfileStringA and
// GetPrivateProfileIntA answer on the same file, for readers that ask thousands of keys: each
// profile call scans its section again, so reading all entries of a large component costs
// the square of its size, while a lookup here costs the same for any size.
//
// The rules, as Wine's profile functions apply them (a differential test runs both over one
// table of texts):
// - lines end at CR or LF; blanks (tab, LF, VT, FF, CR, space, ^Z) around a line go;
// - "[" starts a section header, whose name runs to the last "]" of the line, blanks kept;
//   a "[" line without "]" is an ordinary line; the lines before the first header form a
//   section with an empty name;
// - any other line is a key: the name up to the first "=" and the value after it, each
//   without the blanks around it; a line without "=" is a key without a value, which
//   answers with the default. Comment lines are keys whose names start with ";";
// - names match ignoring case; only the first section of a name is searched, and in it only
//   the first key of a name; a NUL byte ends a name or a value;
// - a value in matching single or double quotes loses them when read as text.
//
// The names asked for must be ASCII: letters fold as ASCII letters. The bytes are taken as
// single-byte characters; a file that starts with a Unicode byte order mark is refused, since
// the profile functions would decode it first.
#pragma once

#include <cstddef>
#include <cstdint>

#include "profile_reader.h"

namespace nuvex {

class ProfileText final : public ProfileReader {
public:
    ProfileText() = default;
    ~ProfileText();
    ProfileText(const ProfileText&) = delete;
    ProfileText& operator=(const ProfileText&) = delete;

    // Room for `size` bytes of file to be read into before Parse(size); nullptr when memory
    // runs out or the size is beyond what the index can address.
    char* Reserve(std::size_t size);
    // Indexes the `size` bytes put into Reserve's room. False, answering nothing, when memory
    // runs out or the text is Unicode; the caller then asks the profile functions.
    bool Parse(std::size_t size);
    // Reserve, copy and Parse in one.
    bool Parse(const char* text, std::size_t size);
    bool Parsed() const { return parsed_; }
    // Frees the text and its index; nothing is answered until the next Parse.
    void Clear();

    std::size_t Text(const char* section, const char* key, const char* def, char* dest,
                     std::size_t size) const override;
    int Number(const char* section, const char* key, int def) const override {
        return static_cast<int>(Unsigned(section, key, def));
    }
    // GetPrivateProfileIntA's UINT: values of 2^31 and above stay whole.
    uint32_t Unsigned(const char* section, const char* key, int def) const;

private:
    struct Record;
    bool Index(std::size_t size);
    void Add(uint32_t section, uint32_t nameStart, uint32_t nameLength, uint32_t valueStart,
             uint32_t valueLength);
    // The record index of the first section (section == kSections) or key of that name.
    uint32_t Find(uint32_t section, const char* name, std::size_t length) const;

    char* text_ = nullptr;
    Record* records_ = nullptr;
    uint32_t recordCount_ = 0;
    uint32_t* slots_ = nullptr;  // open addressing; record index + 1, 0 for a free slot
    uint32_t slotMask_ = 0;
    bool parsed_ = false;
};

// How GetPrivateProfileIntA reads a value of at most 29 characters: leading control
// characters and blanks, a sign, a "0x", "0o" or "0b" base prefix (lower case), then digits
// of that base, the number wrapping around at 2^32; 0 when no digit follows.
uint32_t ProfileNumber(const char* value);

// True for the characters that the profile functions strip as blanks.
bool IsProfileBlank(unsigned char c);

}  // namespace nuvex
