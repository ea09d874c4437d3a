#include "settings_reader.h"

#include <cstdio>

#include "script_keys.h"
#include "text_rules.h"

namespace nuvex {

namespace {

// Flags and choices are read as text of up to 255 characters.
constexpr DWORD kWordSize = 256;

class ScriptFile {
public:
    explicit ScriptFile(const char* path) : path_(path) {}

    void Text(const char* section, const char* key, const char* def, char* dest,
              std::size_t size) const {
        GetPrivateProfileStringA(section, key, def, dest, static_cast<DWORD>(size), path_);
    }
    bool Flag(const char* section, const char* key, const char* def) const {
        char value[kWordSize];
        Text(section, key, def, value, sizeof value);
        return ParseFlag(value);
    }
    int Number(const char* section, const char* key, int def) const {
        return static_cast<int>(GetPrivateProfileIntA(section, key, def, path_));
    }

private:
    const char* path_;
};

void ApplyLanguageRule(const char* lang, Settings& s, HWND splashWindow) {
    if (EqualsIgnoreCase(lang, "cz")) {
        return;
    }
    CopyCut(s.preparingText, sizeof s.preparingText, "Preparing Nuvex Installer");
    CopyCut(s.waitText, sizeof s.waitText, "Please wait...");
    if (splashWindow) {
        RECT area = {0, 0, 200, 90};
        RedrawWindow(splashWindow, &area, nullptr, RDW_INVALIDATE | RDW_ERASE);
    }
}

void ReadKey(const ScriptFile& file, const ScriptKey& k, Settings& s) {
    char* base = reinterpret_cast<char*>(&s);
    void* field = base + k.fieldOffset;
    switch (k.kind) {
        case KeyKind::kText: {
            char* text = static_cast<char*>(field);
            file.Text(k.section, k.key, k.textDefault, text, k.fieldSize);
            if (k.processing & kBars) {
                ConvertBars(text);
            }
            if (k.processing & kExpand) {
                ExpandAppName(text, k.fieldSize, s.szInstallAppName);
            }
            break;
        }
        case KeyKind::kFlag:
            *static_cast<int32_t*>(field) = file.Flag(k.section, k.key, k.textDefault) ? 1 : 0;
            break;
        case KeyKind::kFlagNotFalse: {
            char value[kWordSize];
            file.Text(k.section, k.key, k.textDefault, value, sizeof value);
            *static_cast<int32_t*>(field) = ParseIncludeUninstFlag(value) ? 1 : 0;
            break;
        }
        case KeyKind::kNumber:
            *static_cast<int32_t*>(field) = file.Number(k.section, k.key, k.numberDefault);
            break;
        case KeyKind::kColour:
            *static_cast<Colour*>(field) =
                static_cast<Colour>(file.Number(k.section, k.key, k.numberDefault));
            break;
        case KeyKind::kChoice: {
            char value[kWordSize];
            file.Text(k.section, k.key, k.textDefault, value, sizeof value);
            *static_cast<int32_t*>(field) = ParseChoice(value, k.choices, k.choiceCount);
            break;
        }
    }
}

void ReadComponents(const ScriptFile& file, Settings& s, HWND owner) {
    s.NumberOfComponents = file.Number("Components", "NumberOfComponents", -1);
    if (!ComponentCountValid(s.NumberOfComponents)) {
        char message[128];
        FormatComponentCountMessage(message, sizeof message, s.NumberOfComponents);
        MessageBoxA(owner, message, "Nuvex: Error", MB_ICONWARNING | MB_OK);
    }
    const int count = ComponentsToRead(s.NumberOfComponents);
    for (int i = 0; i < count; ++i) {
        char section[32];
        std::snprintf(section, sizeof section, "%s%d", "Component", i);
        file.Text(section, "Title", "", s.Title[i], sizeof s.Title[i]);
        s.Requied[i] = file.Flag(section, "Requied", "false");
        s.customDefault[i] = file.Flag(section, "UseInInstType5", "false");
        for (int t = 0; t < kPresetTypes; ++t) {
            char key[32];
            std::snprintf(key, sizeof key, "UseInInstType%d", t);
            s.UseInInstType[t][i] = file.Flag(section, key, "false");
        }
        s.requiedspace[i] = static_cast<uint32_t>(file.Number(section, "requiedspace", 0));
    }
}

void ReadInstallTypes(const ScriptFile& file, Settings& s) {
    for (int n = 0; n < kInstallTypes; ++n) {
        char key[32];
        std::snprintf(key, sizeof key, "Type%d", n);
        file.Text("InstTypes", key, "", s.Type[n], sizeof s.Type[n]);
        std::snprintf(key, sizeof key, "Type%dEnabled", n);
        s.TypeEnabled[n] = file.Flag("InstTypes", key, "");
    }
}

}  // namespace

void ReadTextSetting(const char* section, const char* key, const char* def, char* dest,
                     std::size_t size, const char* file) {
    GetPrivateProfileStringA(section, key, def, dest, static_cast<DWORD>(size), file);
    ConvertBars(dest);
}

void ReadSettings(const char* scriptPath, Settings& s, HWND splashWindow) {
    const ScriptFile file(scriptPath);
    char lang[2048];
    file.Text("Wizard", "defaultlang", "cz", lang, sizeof lang);

    std::size_t count = 0;
    const ScriptKey* keys = StartupKeys(&count);
    for (std::size_t i = 0; i < count; ++i) {
        if (i == kKeysBeforeLanguageRule) {
            ApplyLanguageRule(lang, s, splashWindow);
        }
        ReadKey(file, keys[i], s);
    }
    ReadComponents(file, s, nullptr);
    ReadInstallTypes(file, s);
}

void ComposeTargetFolder(Settings& s) {
    nuvex::ComposeTargetFolder(s.targetFolder, sizeof s.targetFolder, s.szInstDir,
                               s.autonametopath != 0, s.szInstallAppDir);
}

}  // namespace nuvex
