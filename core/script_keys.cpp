#include "script_keys.h"

#include <cstddef>

#include "text_rules.h"

namespace nuvex {

namespace {

const char* const kBackgroundTypes[] = {"default", "solid", "gradient"};
const char* const kProgressStyles[] = {"default", "bar"};

// clang-format off
#define NUVEX_TEXT(section, field, processing) \
    {section, #field, KeyKind::kText, offsetof(Settings, field), \
     sizeof(Settings::field), processing, "", 0, nullptr, 0}
#define NUVEX_FLAG(section, field, kind, def) \
    {section, #field, kind, offsetof(Settings, field), 0, kNoProcessing, def, 0, nullptr, 0}
#define NUVEX_NUMBER(section, field, kind, def) \
    {section, #field, kind, offsetof(Settings, field), 0, kNoProcessing, nullptr, def, nullptr, 0}
#define NUVEX_CHOICE(section, field, words) \
    {section, #field, KeyKind::kChoice, offsetof(Settings, field), 0, kNoProcessing, words[0], \
     0, words, static_cast<int>(sizeof words / sizeof words[0])}
// clang-format on

constexpr unsigned kBarsExpand = kBars | kExpand;

const ScriptKey kKeys[] = {
    NUVEX_TEXT("Wizard", szInstallAppName, kNoProcessing),
    NUVEX_TEXT("Wizard", szInstallAppDir, kNoProcessing),
    NUVEX_TEXT("Wizard", szbackgroundsublabel, kNoProcessing),
    NUVEX_TEXT("Wizard", szbackgroundminitext, kNoProcessing),
    // language rule here
    NUVEX_NUMBER("Design", backgroundonok, KeyKind::kNumber, 1),
    NUVEX_NUMBER("Design", bgcolor1, KeyKind::kColour, 0),
    NUVEX_NUMBER("Design", bgcolor2, KeyKind::kColour, 0),
    NUVEX_NUMBER("Design", bgcolor3, KeyKind::kColour, 0),
    NUVEX_NUMBER("Design", colorappname, KeyKind::kColour, 65535),
    NUVEX_NUMBER("Design", colorappinfo, KeyKind::kColour, 16776960),
    NUVEX_NUMBER("Design", colorauthor, KeyKind::kColour, 16776960),
    NUVEX_CHOICE("Design", backgroundtype, kBackgroundTypes),
    NUVEX_CHOICE("Design", progressstyle, kProgressStyles),
    NUVEX_FLAG("Wizard", includeuninst, KeyKind::kFlagNotFalse, "true"),
    NUVEX_TEXT("Wizard", szButtonNext, kNoProcessing),
    NUVEX_TEXT("Wizard", szButtonBack, kNoProcessing),
    NUVEX_TEXT("Wizard", szButtonCancel, kNoProcessing),
    NUVEX_TEXT("Wizard", szButtonInstall, kNoProcessing),
    NUVEX_TEXT("Wizard", szButtonDone, kNoProcessing),
    NUVEX_TEXT("Wizard", szButtonBrowse, kNoProcessing),
    NUVEX_TEXT("Wizard", szBrowseTitle, kBars),
    NUVEX_TEXT("Wizard", szInstDir, kNoProcessing),
    NUVEX_TEXT("Wizard", szLabelInfo, kBars),
    NUVEX_TEXT("Wizard", szLabelLicence, kBars),
    NUVEX_TEXT("Wizard", szLabelTarget, kBars),
    NUVEX_TEXT("Wizard", szLabelTyp, kBars),
    NUVEX_TEXT("Wizard", szLabelCustom, kBars),
    NUVEX_TEXT("Wizard", szLabelInstall, kBars),
    NUVEX_TEXT("Wizard", szLabelKonec, kBars),
    NUVEX_TEXT("Wizard", szLabelError, kBars),
    NUVEX_TEXT("Wizard", szInstalling, kBarsExpand),
    NUVEX_TEXT("Wizard", szInstallerPreparing, kBarsExpand),
    NUVEX_TEXT("Wizard", szInstallerInstallingPart, kBarsExpand),
    NUVEX_TEXT("Wizard", szInstallerEnding, kBarsExpand),
    NUVEX_TEXT("Wizard", szLabelUvod, kBarsExpand),
    NUVEX_TEXT("Wizard", szTextUvod, kBarsExpand),
    NUVEX_TEXT("Wizard", szTextInfo, kBarsExpand),
    NUVEX_TEXT("Wizard", szTextLicence, kBarsExpand),
    NUVEX_TEXT("Wizard", szTextTarget, kBarsExpand),
    NUVEX_TEXT("Wizard", szTextTyp, kBarsExpand),
    NUVEX_TEXT("Wizard", szTextCustom, kBarsExpand),
    NUVEX_TEXT("Wizard", szTextInstall, kBarsExpand),
    NUVEX_TEXT("Wizard", szTextKonec, kBarsExpand),
    NUVEX_TEXT("Wizard", szTextError, kBarsExpand),
    NUVEX_TEXT("Wizard", szTextError1, kBarsExpand),
    NUVEX_TEXT("Wizard", szTextUninst, kExpand),
    NUVEX_TEXT("Wizard", szLabelUninst, kExpand),
    NUVEX_TEXT("Wizard", szButtonUnInstall, kNoProcessing),
    NUVEX_TEXT("Wizard", szErrorNES, kBarsExpand),
    NUVEX_TEXT("Wizard", szErrorNEM, kBarsExpand),
    NUVEX_TEXT("Wizard", szErrorCRC, kBarsExpand),
    NUVEX_TEXT("Wizard", szErrorWin, kBarsExpand),
    NUVEX_TEXT("Wizard", szErrorDIR, kBarsExpand),
    NUVEX_FLAG("Dialogs", AppInfo, KeyKind::kFlag, "true"),
    NUVEX_FLAG("Dialogs", Licence, KeyKind::kFlag, "true"),
    NUVEX_FLAG("Dialogs", TargetDir, KeyKind::kFlag, "true"),
    NUVEX_FLAG("Dialogs", InstType, KeyKind::kFlag, "true"),
    NUVEX_FLAG("Design", ShowBackground, KeyKind::kFlag, "true"),
    NUVEX_FLAG("Wizard", autonametopath, KeyKind::kFlag, "true"),
    NUVEX_FLAG("Wizard", allowbadwindows, KeyKind::kFlag, "true"),
    NUVEX_FLAG("Wizard", erroronwinnt, KeyKind::kFlag, "false"),
    NUVEX_FLAG("Wizard", erroronwin9x, KeyKind::kFlag, "false"),
    NUVEX_FLAG("Wizard", unattended, KeyKind::kFlag, "false"),
    NUVEX_FLAG("Wizard", removeuninstaller, KeyKind::kFlag, "false"),
};

#undef NUVEX_TEXT
#undef NUVEX_FLAG
#undef NUVEX_NUMBER
#undef NUVEX_CHOICE

}  // namespace

const ScriptKey* StartupKeys(std::size_t* count) {
    *count = sizeof kKeys / sizeof kKeys[0];
    return kKeys;
}

const ScriptKey* FindStartupKey(const char* section, const char* key) {
    for (const ScriptKey& k : kKeys) {
        if (EqualsIgnoreCase(k.section, section) && EqualsIgnoreCase(k.key, key)) {
            return &k;
        }
    }
    return nullptr;
}

}  // namespace nuvex
