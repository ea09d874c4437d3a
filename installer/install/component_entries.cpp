#include "component_entries.h"

#include <windows.h>

#include <cstdio>
#include <new>

#include "package_state.h"
#include "parsed_profile.h"
#include "wizard_shared.h"

namespace nuvex {

namespace {

// The script copy, read once at the first entry read: a profile call scans the section
// again for every key, which made large components cost the square of their size. The copy
// does not change after the loader wrote it, and only the install thread reads entries.
// Never destroyed: the stub runs no exit-time destructors (it has no C start-up code), and
// the end of the process frees the memory.
alignas(ParsedProfile) unsigned char g_scriptRoom[sizeof(ParsedProfile)];
const ParsedProfile* g_script = nullptr;

const ParsedProfile& Script() {
    if (!g_script) {
        g_script = new (g_scriptRoom) ParsedProfile(Package().scriptPath);
    }
    return *g_script;
}

void SectionName(int slot, char (&section)[32]) {
    std::snprintf(section, sizeof section, "%s%d", layout::kComponentSectionPrefix, slot);
}

}  // namespace

bool SlotSelected(int slot) {
    return slot >= 0 && slot < kComponentCount && SharedWizard().componentSelection[slot] != 0;
}

void ReadEntry(int slot, EntryFamily family, int index, const char* fallback, EntryValue& value) {
    char section[32];
    char key[64];
    SectionName(slot, section);
    if (!FormatEntryKey(key, sizeof key, family, index)) {
        value[0] = '\0';
        return;
    }
    Script().Text(section, key, fallback, value, sizeof value);
}

uint32_t ReadEntryAttribute(int slot, EntryFamily family, int index, const char* suffix) {
    char section[32];
    char key[64];
    SectionName(slot, section);
    if (!FormatEntryKey(key, sizeof key, family, index, suffix)) {
        return 0;
    }
    // GetPrivateProfileIntA hands back the parsed number as UINT; a value above INT_MAX stays
    // whole as long as it is taken unsigned.
    return Script().Unsigned(section, key, 0);
}

void ReadEntryText(int slot, EntryFamily family, int index, const char* suffix, EntryValue& value) {
    char section[32];
    char key[64];
    SectionName(slot, section);
    if (!FormatEntryKey(key, sizeof key, family, index, suffix)) {
        value[0] = '\0';
        return;
    }
    Script().Text(section, key, "", value, sizeof value);
}

}  // namespace nuvex
