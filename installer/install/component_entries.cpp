#include "component_entries.h"

#include <windows.h>

#include <cstdio>

#include "app_state.h"

namespace nuvex {

namespace {

void SectionName(int slot, char (&section)[32]) {
    std::snprintf(section, sizeof section, "%s%d", layout::kComponentSectionPrefix, slot);
}

}  // namespace

bool SlotSelected(int slot) {
    return slot >= 0 && slot < kComponentCount && App().componentSelection[slot] != 0;
}

void ReadEntry(int slot, const char* family, int index, const char* fallback, EntryValue& value) {
    char section[32];
    char key[64];
    SectionName(slot, section);
    if (!FormatEntryKey(key, sizeof key, family, index)) {
        value[0] = '\0';
        return;
    }
    GetPrivateProfileStringA(section, key, fallback, value, sizeof value, App().scriptPath);
}

uint32_t ReadEntryAttribute(int slot, const char* family, int index, const char* suffix) {
    char section[32];
    char key[64];
    SectionName(slot, section);
    if (!FormatEntryKey(key, sizeof key, family, index, suffix)) {
        return 0;
    }
    // GetPrivateProfileIntA hands back the parsed number as UINT; a value above INT_MAX stays
    // whole as long as it is taken unsigned.
    return GetPrivateProfileIntA(section, key, 0, App().scriptPath);
}

void ReadEntryText(int slot, const char* family, int index, const char* suffix,
                   EntryValue& value) {
    char section[32];
    char key[64];
    SectionName(slot, section);
    if (!FormatEntryKey(key, sizeof key, family, index, suffix)) {
        value[0] = '\0';
        return;
    }
    GetPrivateProfileStringA(section, key, "", value, sizeof value, App().scriptPath);
}

}  // namespace nuvex
