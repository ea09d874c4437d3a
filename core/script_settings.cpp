#include "script_settings.h"

#include <cstdint>
#include <cstdio>

#include "package_layout.h"
#include "script_keys.h"
#include "text_rules.h"

namespace nuvex {

namespace {

// Flags and choices are read as text of up to 255 characters.
constexpr std::size_t kWordSize = 256;

bool ReadFlag(const ProfileReader& script, const char* section, const char* key, const char* def) {
    char value[kWordSize];
    script.Text(section, key, def, value, sizeof value);
    return ParseFlag(value);
}

void ApplyLanguageRule(const char* lang, Settings& s, SettingsReadEvents& events) {
    if (EqualsIgnoreCase(lang, "cz")) {
        return;
    }
    CopyCut(s.preparingText, sizeof s.preparingText, "Preparing Nuvex Installer");
    CopyCut(s.waitText, sizeof s.waitText, "Please wait...");
    events.SplashLinesChanged();
}

void ReadKey(const ProfileReader& script, const ScriptKey& k, Settings& s) {
    char* base = reinterpret_cast<char*>(&s);
    void* field = base + k.fieldOffset;
    switch (k.kind) {
        case KeyKind::kText: {
            char* text = static_cast<char*>(field);
            script.Text(k.section, k.key, k.textDefault, text, k.fieldSize);
            if (k.processing & kBars) {
                ConvertBars(text);
            }
            if (k.processing & kExpand) {
                ExpandAppName(text, k.fieldSize, s.szInstallAppName);
            }
            break;
        }
        case KeyKind::kFlag:
            *static_cast<int32_t*>(field) =
                ReadFlag(script, k.section, k.key, k.textDefault) ? 1 : 0;
            break;
        case KeyKind::kFlagNotFalse: {
            char value[kWordSize];
            script.Text(k.section, k.key, k.textDefault, value, sizeof value);
            *static_cast<int32_t*>(field) = ParseIncludeUninstFlag(value) ? 1 : 0;
            break;
        }
        case KeyKind::kNumber:
            *static_cast<int32_t*>(field) = script.Number(k.section, k.key, k.numberDefault);
            break;
        case KeyKind::kColour:
            *static_cast<Colour*>(field) =
                static_cast<Colour>(script.Number(k.section, k.key, k.numberDefault));
            break;
        case KeyKind::kChoice: {
            char value[kWordSize];
            script.Text(k.section, k.key, k.textDefault, value, sizeof value);
            *static_cast<int32_t*>(field) = ParseChoice(value, k.choices, k.choiceCount);
            break;
        }
    }
}

void ReadComponents(const ProfileReader& script, Settings& s, SettingsReadEvents& events) {
    s.NumberOfComponents = script.Number("Components", "NumberOfComponents", -1);
    if (!ComponentCountValid(s.NumberOfComponents)) {
        events.ComponentCountInvalid(s.NumberOfComponents);
    }
    const int count = ComponentsToRead(s.NumberOfComponents);
    for (int i = 0; i < count; ++i) {
        char section[32];
        std::snprintf(section, sizeof section, "%s%d", layout::kComponentSectionPrefix, i);
        script.Text(section, "Title", "", s.Title[i], sizeof s.Title[i]);
        s.Requied[i] = ReadFlag(script, section, "Requied", "false");
        s.customDefault[i] = ReadFlag(script, section, "UseInInstType5", "false");
        for (int t = 0; t < kPresetTypes; ++t) {
            char key[32];
            std::snprintf(key, sizeof key, "UseInInstType%d", t);
            s.UseInInstType[t][i] = ReadFlag(script, section, key, "false");
        }
        s.requiedspace[i] = static_cast<uint32_t>(script.Number(section, "requiedspace", 0));
    }
}

void ReadInstallTypes(const ProfileReader& script, Settings& s) {
    for (int n = 0; n < kInstallTypes; ++n) {
        char key[32];
        std::snprintf(key, sizeof key, "Type%d", n);
        script.Text("InstTypes", key, "", s.Type[n], sizeof s.Type[n]);
        std::snprintf(key, sizeof key, "Type%dEnabled", n);
        s.TypeEnabled[n] = ReadFlag(script, "InstTypes", key, "");
    }
}

}  // namespace

void ReadScriptSettings(const ProfileReader& script, Settings& s, SettingsReadEvents& events) {
    char lang[2048];
    script.Text("Wizard", "defaultlang", "cz", lang, sizeof lang);

    std::size_t count = 0;
    const ScriptKey* keys = StartupKeys(&count);
    for (std::size_t i = 0; i < count; ++i) {
        if (i == kKeysBeforeLanguageRule) {
            ApplyLanguageRule(lang, s, events);
        }
        ReadKey(script, keys[i], s);
    }
    ReadComponents(script, s, events);
    ReadInstallTypes(script, s);
}

}  // namespace nuvex
