// The numbered entries of the component sections, read from the script copy each time they
// are needed, with the answers the profile functions give; the copy is parsed once, at the
// first read.
#pragma once

#include <cstdint>

#include "install_rules.h"
#include "numbered_keys.h"
#include "package_layout.h"

namespace nuvex {

using EntryValue = char[layout::kEntryValueSize];

// True when slot `slot` is part of the installation.
bool SlotSelected(int slot);

// The value of entry `family` + `index` of slot `slot`, with `fallback` for an absent key.
void ReadEntry(int slot, EntryFamily family, int index, const char* fallback, EntryValue& value);

// A 32-bit attribute of a payload entry (kSuffixLength, kSuffixCrc, ...), 0 when
// absent. Values of 2^31 and above come back as the full unsigned number.
uint32_t ReadEntryAttribute(int slot, EntryFamily family, int index, const char* suffix);

// A text attribute of an entry (kSuffixTitle, kSuffixArgs), empty when absent.
void ReadEntryText(int slot, EntryFamily family, int index, const char* suffix, EntryValue& value);

// Where a run of numbered entries ends: at the first empty value, or only at the first
// absent key, so that an empty value within the run is visited too. The absent key is told
// by a "*" fallback, and a value that begins with "*" ends the run in the same way.
enum class EntryEnd { kAtEmptyValue, kAtAbsentKey };

// Calls `visit(index, value)` for the entries of `family` in slot `slot`, from index 0 up to
// the family's last index, stopping where `end` says or when `visit` returns false.
// Returns false when `visit` stopped it.
template <typename Visit>
bool ForEachEntry(int slot, EntryFamily family, EntryEnd end, Visit visit) {
    const char* fallback = end == EntryEnd::kAtAbsentKey ? "*" : "";
    const int last = InfoOf(family).maxIndex;
    for (int index = 0; index <= last; ++index) {
        EntryValue value;
        ReadEntry(slot, family, index, fallback, value);
        if (value[0] == fallback[0]) {
            return true;
        }
        if (!visit(index, static_cast<const char*>(value))) {
            return false;
        }
    }
    return true;
}

template <typename Visit>
bool ForEachEntry(int slot, EntryFamily family, Visit visit) {
    return ForEachEntry(slot, family, EntryEnd::kAtEmptyValue, visit);
}

// Calls `visit(slot)` for every selected slot, in slot order, until it returns false.
// Returns false when `visit` stopped it.
template <typename Visit>
bool ForEachSelectedSlot(Visit visit) {
    for (int slot = 0; slot < layout::kComponentSlots; ++slot) {
        if (SlotSelected(slot) && !visit(slot)) {
            return false;
        }
    }
    return true;
}

// Calls `visit(slot, index, value)` for the entries of `family` in every selected slot, each
// slot's run ending at its first empty value, until `visit` returns false. Returns false when
// `visit` stopped it.
template <typename Visit>
bool ForEachSelectedEntry(EntryFamily family, Visit visit) {
    return ForEachSelectedSlot([&](int slot) {
        return ForEachEntry(
            slot, family, [&](int index, const char* value) { return visit(slot, index, value); });
    });
}

}  // namespace nuvex
