// Checks of the installer texts and settings of a script: what the installer would cut,
// ignore or refuse. They only warn; the build goes on.
#pragma once

#include <cstdint>
#include <string>

#include "diagnostics.h"
#include "ini_document.h"

namespace nuvex::pack {

// The longest script that nuvexpack writes or reads back, from "[Nuvex]" up to the end
// marker. The installer reads every setting through the profile functions, which search
// the file again for each key; far below this size a script already makes it crawl.
inline constexpr uint64_t kMaxScriptBytes = 4ull << 20;

// Builder-side limits, all of them documented in docs/nuvexpack.md. Tests lower them to
// reach the checks without gigabytes of data.
struct PackLimits {
    // Offsets, sizes and package positions must fit the installer's 32-bit numbers.
    uint64_t max32 = 0xFFFFFFFFull;
    // The installer holds a file's stream and its inflated bytes at once, in a 32-bit
    // address space; a file needing more than this gets a warning.
    uint64_t memoryWarning = 1ull << 30;
    // The script given to the builder and the script it writes.
    uint64_t maxScript = kMaxScriptBytes;
};

// Start-up texts longer than their fields (and again once "%s" holds the application
// name), component titles and install type names likewise, unknown sections and keys,
// NumberOfComponents outside 1..9, missing or unread component sections.
void CheckScriptSettings(const IniDocument& doc, const std::string& file, Diagnostics& diag);

// "...|and the end" style excerpt of where a text will be cut.
std::string CutExcerpt(const std::string& text, std::size_t keep);

// Component slot of a section name "Component0".."Component9", or -1. Sets *beyond for
// names with a larger number, which the installer never reads.
int ComponentSlot(const std::string& sectionName, bool* beyond = nullptr);

}  // namespace nuvex::pack
