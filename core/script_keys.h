// The start-up keys of the installer script, in the order the loader reads them. The
// installer reads through this table; the package builder checks scripts against it.
#pragma once

#include <cstddef>

#include "settings.h"

namespace nuvex {

enum class KeyKind {
    kText,          // string field; `processing` says what happens after the read
    kFlag,          // "true" in any case is 1
    kFlagNotFalse,  // "false" in any case is 0 (includeuninst)
    kNumber,        // decimal integer
    kColour,        // decimal COLORREF
    kChoice,        // one of `choices`, else the first
};

enum KeyProcessing : unsigned {
    kNoProcessing = 0,
    kBars = 1,    // "|" becomes a line feed
    kExpand = 2,  // "%s" becomes the application name
};

struct ScriptKey {
    const char* section;
    const char* key;
    KeyKind kind;
    std::size_t fieldOffset;  // offset of the field in Settings
    std::size_t fieldSize;    // bytes of a text field
    unsigned processing;
    const char* textDefault;  // texts, flags and choices
    int numberDefault;        // numbers and colours
    const char* const* choices;
    int choiceCount;
};

// Where the language rule runs: after this many entries of the table.
inline constexpr std::size_t kKeysBeforeLanguageRule = 4;

// Every fixed start-up key except defaultlang, which the loader reads first and keeps no
// copy of, and the component and install type tables, which are read in loops.
const ScriptKey* StartupKeys(std::size_t* count);

// Finds a key of the table by section and name, ignoring case; nullptr when absent.
const ScriptKey* FindStartupKey(const char* section, const char* key);

inline constexpr std::size_t kComponentTitleSize = sizeof(Settings::Title[0]);
inline constexpr std::size_t kInstallTypeNameSize = sizeof(Settings::Type[0]);

}  // namespace nuvex
