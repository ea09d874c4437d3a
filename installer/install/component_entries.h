// The numbered entries of the component sections, read from the script copy each time they
// are needed, with the answers the profile functions give; the copy is parsed once, at the
// first read.
#pragma once

#include <cstdint>

#include "install_rules.h"
#include "package_layout.h"

namespace nuvex {

using EntryValue = char[layout::kEntryValueSize];

// True when slot `slot` is part of the installation.
bool SlotSelected(int slot);

// The value of entry `family` + `index` of slot `slot`, with `fallback` for an absent key.
void ReadEntry(int slot, const char* family, int index, const char* fallback, EntryValue& value);

// A 32-bit attribute of a payload entry ("length", "origlen", "crc", "offset"), 0 when
// absent. Values of 2^31 and above come back as the full unsigned number.
uint32_t ReadEntryAttribute(int slot, const char* family, int index, const char* suffix);

// A text attribute of an entry ("title", "args"), empty when absent.
void ReadEntryText(int slot, const char* family, int index, const char* suffix,
                   EntryValue& value);

// Calls `visit(index, value)` for the entries of `family` in slot `slot`, from index 0 up to
// the family's last index, stopping at the first empty value or when `visit` returns false.
// Returns false when `visit` stopped it.
template <typename Visit>
bool ForEachEntry(int slot, const char* family, Visit visit) {
    const int last = FamilyMaxIndex(family);
    for (int index = 0; index <= last; ++index) {
        EntryValue value;
        ReadEntry(slot, family, index, "", value);
        if (value[0] == '\0') {
            return true;
        }
        if (!visit(index, static_cast<const char*>(value))) {
            return false;
        }
    }
    return true;
}

}  // namespace nuvex
