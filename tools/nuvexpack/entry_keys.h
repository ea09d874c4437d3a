// The numbered entry keys of the component sections ("file0000", "start00title", ...) and
// the checks on the paths they hold.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "numbered_keys.h"

namespace nuvex::pack {

// The families, their digits and last indices, and the attribute suffixes are the
// installer's own table (numbered_keys.h), which also holds the two parts only the builder
// reads: the tree family and the source attribute.
using Family = EntryFamily;
using FamilyInfo = EntryFamilyInfo;

// The installer's families (every family but kTree), in the order the builder reports them.
const std::vector<Family>& InstallerFamilies();
// file, win and sys, in payload order.
const std::vector<Family>& PayloadFamilies();

struct EntryKey {
    Family family = Family::kFile;
    int index = 0;
    std::string suffix;  // lower case; empty for the entry itself
};

enum class KeyMatch {
    kNone,           // not an entry key (Title, requiedspace, ...)
    kEntry,          // family, index of the family's width, suffix
    kIndexTooLarge,  // more digits than the family has, above its last index
    kWrongDigits,    // an index of the wrong width, which the installer never forms
};

// Matches prefixes ignoring case; on kIndexTooLarge and kWrongDigits, `out` holds the family.
KeyMatch ParseEntryKey(std::string_view key, EntryKey* out);

// The key as the installer forms it: "file0007", "file0007length", "start03title".
std::string EntryKeyName(Family family, int index, std::string_view suffix = {});

// Suffix of the builder-only key naming an entry's source file: "file0000source".
inline constexpr const auto& kSourceSuffix = kSuffixSource;

// True for the suffixes the installer (or the builder, for "source") reads in this family.
bool KnownSuffix(Family family, std::string_view suffix);
bool IsGeneratedSuffix(std::string_view suffix);  // length, origlen, crc, offset

// Checks a path that the installer joins to a base folder. Returns an empty text when the
// path is fine, else why it is not, as a phrase: "is an absolute path".
std::string CheckEntryPath(std::string_view path);

// Path parts split on "\" and "/", empty parts and "." dropped.
std::vector<std::string> SplitPath(std::string_view path);
std::string JoinBackslash(const std::vector<std::string>& parts, std::size_t count);

// Component-wise order of two paths given as parts: "a" < "a\b" < "a-b" < "a.txt".
bool PathPartsLess(const std::vector<std::string>& a, const std::vector<std::string>& b);

}  // namespace nuvex::pack
