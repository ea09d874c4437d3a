// Writes docs/script-reference.md: every key of the installer script with its section, kind,
// default, limit and meaning. Sections, kinds, defaults and field sizes come from the tables
// that the installer and the builder read by (core/script_keys.cpp, entry_keys.cpp); only
// the meanings are written here, and a key of those tables without a meaning here, or a
// meaning without its key, stops the generator. The test `script_reference_current` compares
// the output with the file in docs/.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "entry_keys.h"
#include "package_layout.h"
#include "script_keys.h"
#include "script_review.h"
#include "settings.h"

namespace {

using nuvex::KeyKind;
using nuvex::ScriptKey;
using namespace nuvex::pack;

const std::map<std::string, std::string> kMeanings = {
    {"defaultlang",
     "language of the installer's two splash lines: `cz` (Czech) or anything else (English)"},
    {"codepage",
     "builder only, left out of the package: the Windows code page of the script's texts (see "
     "`--codepage`)"},
    {"szInstallAppName",
     "the product's name: the wizard's title, the background, the Start menu group, every `%s`"},
    {"szInstallAppDir",
     "the folder name that `autonametopath` appends to `szInstDir` and to every folder chosen"},
    {"szbackgroundsublabel", "line under the product's name on the background"},
    {"szbackgroundminitext", "small print on the background"},
    {"backgroundonok",
     "0: the background shows from the start; other values: from the second page on"},
    {"bgcolor1", "first background colour"},
    {"bgcolor2", "second background colour (the gradient's end)"},
    {"bgcolor3", "read and kept; nothing uses it"},
    {"colorappname", "colour of the product's name on the background"},
    {"colorappinfo", "colour of the line under the name"},
    {"colorauthor", "colour of the small print"},
    {"backgroundtype", "how the background is painted"},
    {"progressstyle", "`default`: a small progress window; `bar`: a strip across the screen"},
    {"includeuninst",
     "write `uninst.exe`, its log and the entry in the list of installed programs"},
    {"szButtonNext", "caption of the forward button"},
    {"szButtonBack", "caption of the Back button from the second page on"},
    {"szButtonCancel",
     "caption of the Cancel buttons (the first page's Back, the progress window, the error page)"},
    {"szButtonInstall", "caption of the forward button on the confirmation page"},
    {"szButtonDone", "caption of the forward button on the done page"},
    {"szButtonBrowse", "caption of the Browse button on the target folder page"},
    {"szBrowseTitle", "title line of the folder browser"},
    {"szInstDir", "default parent folder of the installation, such as `C:\\Program Files`"},
    {"szLabelInfo", "heading of the product information page"},
    {"szLabelLicence", "heading of the licence page"},
    {"szLabelTarget", "heading of the target folder page"},
    {"szLabelTyp", "heading of the install type page"},
    {"szLabelCustom", "heading of the custom components page"},
    {"szLabelInstall", "heading of the confirmation page"},
    {"szLabelKonec", "heading of the done page"},
    {"szLabelError", "heading of the error page"},
    {"szInstalling", "title and text of the progress window"},
    {"szInstallerPreparing", "status while the installation is prepared"},
    {"szInstallerInstallingPart", "status in front of a component's title while it is installed"},
    {"szInstallerEnding", "status while the installation is finished off"},
    {"szLabelUvod", "heading of the introduction page"},
    {"szTextUvod", "text of the introduction page"},
    {"szTextInfo", "text of the product information page"},
    {"szTextLicence", "text of the licence page"},
    {"szTextTarget", "text of the target folder page"},
    {"szTextTyp", "text of the install type page (the types stand at x 160 beside it)"},
    {"szTextCustom", "text of the custom components page"},
    {"szTextInstall", "text of the confirmation page"},
    {"szTextKonec", "text of the done page"},
    {"szTextError", "text of the error page; begins every installation error report"},
    {"szTextError1", "closing sentence of every installation error report"},
    {"szTextUninst", "text of the uninstaller's window"},
    {"szLabelUninst", "heading of the uninstaller's window"},
    {"szButtonUnInstall", "caption of the uninstaller's Remove button"},
    {"szErrorNES", "error: not enough free space on the target drive"},
    {"szErrorNEM", "error: not enough memory"},
    {"szErrorCRC", "error: the package is damaged"},
    {"szErrorWin", "question of the start-up system check"},
    {"szErrorDIR", "error: a folder cannot be created"},
    {"AppInfo", "show the product information page"},
    {"Licence", "show the licence page"},
    {"TargetDir", "show the target folder page"},
    {"InstType", "show the install type page"},
    {"ShowBackground", "show the full-screen background"},
    {"autonametopath",
     "append `\\` and `szInstallAppDir` to the default folder and to every folder chosen"},
    {"allowbadwindows", "the user may go on after the system check refused the system"},
    {"erroronwinnt", "refuse Windows NT, 2000, XP and later"},
    {"erroronwin9x", "refuse Windows 95, 98 and Me"},
    {"unattended",
     "honour `setup.exe /S`, `/D=`, `/TYPE=n` and `uninst.exe /S`, with exit codes and the extra "
     "uninstall values (docs/deploy.md)"},
    {"removeuninstaller",
     "after a finished removal, `uninst.exe` goes too, and the target folder when it is then empty "
     "(docs/deploy.md)"},
};

std::string Escape(const std::string& s) {
    std::string out;
    for (char c : s) {
        out += c == '|' ? std::string("\\|") : std::string(1, c);
    }
    return out;
}

std::string Kind(const ScriptKey& k) {
    switch (k.kind) {
        case KeyKind::kText: {
            std::string p;
            if (k.processing & nuvex::kBars) {
                p += "`|` is a new line";
            }
            if (k.processing & nuvex::kExpand) {
                p += std::string(p.empty() ? "" : ", ") + "`%s` is the name";
            }
            return "text" + (p.empty() ? std::string() : " (" + p + ")");
        }
        case KeyKind::kFlag:
            return "flag: `true` in any case is on, anything else off";
        case KeyKind::kFlagNotFalse:
            return "flag: `false` in any case is off, anything else on";
        case KeyKind::kNumber:
            return "number";
        case KeyKind::kColour:
            return "colour, decimal 0x00BBGGRR";
        case KeyKind::kChoice: {
            std::string words;
            for (int i = 0; i < k.choiceCount; ++i) {
                words += std::string(i ? ", " : "") + "`" + k.choices[i] + "`";
            }
            return "one of " + words + "; another word is the first";
        }
    }
    return {};
}

std::string Default(const ScriptKey& k) {
    if (k.kind == KeyKind::kNumber || k.kind == KeyKind::kColour) {
        return std::to_string(k.numberDefault);
    }
    return k.textDefault && *k.textDefault ? std::string("`") + k.textDefault + "`" : "empty";
}

std::string Limit(const ScriptKey& k) {
    return k.kind == KeyKind::kText ? std::to_string(k.fieldSize - 1) + " characters" : "32-bit";
}

void Row(const std::string& key, const std::string& kind, const std::string& def,
         const std::string& limit, const std::string& meaning) {
    std::printf("| `%s` | %s | %s | %s | %s |\n", key.c_str(), Escape(kind).c_str(),
                Escape(def).c_str(), limit.c_str(), Escape(meaning).c_str());
}

const std::string& Meaning(const std::string& key, std::vector<std::string>& used) {
    auto it = kMeanings.find(key);
    if (it == kMeanings.end()) {
        std::fprintf(stderr, "script_reference: no meaning for %s\n", key.c_str());
        std::exit(1);
    }
    used.push_back(key);
    return it->second;
}

constexpr char kTableHead[] = "| Key | Kind | Default | Limit | Meaning |\n|---|---|---|---|---|\n";

void PrintIntroduction() {
    std::fputs(R"(# Installer script reference

Generated by `script_reference` (tools/nuvexpack/script_reference.cpp) from the key tables
that the installer and the builder read by; do not edit. `nuvexpack build` warns about a
key that is not listed here, with the nearest one that is. Section and key names match in
any letter case. A text longer than its limit is cut; `--strict` makes that an error.
)",
               stdout);
}

// [Wizard], [Design] and [Dialogs]: the installer's start-up keys, as its table reads them.
void PrintStartupSections(std::vector<std::string>& used) {
    std::size_t count = 0;
    const ScriptKey* keys = nuvex::StartupKeys(&count);
    for (const char* section : {"Wizard", "Design", "Dialogs"}) {
        std::printf("\n## [%s]\n\n%s", section, kTableHead);
        if (std::string(section) == "Wizard") {
            Row("defaultlang", "text", "`cz`", "-", Meaning("defaultlang", used));
            Row(kCodePageKey, "number", "1252", "-", Meaning(kCodePageKey, used));
        }
        for (std::size_t i = 0; i < count; ++i) {
            if (std::string(keys[i].section) == section) {
                Row(keys[i].key, Kind(keys[i]), Default(keys[i]), Limit(keys[i]),
                    Meaning(keys[i].key, used));
            }
        }
        if (std::string(section) == "Design") {
            std::printf(
                "\nThe background window also reads `shadowappname` when it paints; `style`, "
                "which older builders wrote, is ignored.\n");
        }
    }
}

void PrintComponentsAndTypes() {
    const int lastType = nuvex::kInstallTypes - 1;
    std::printf("\n## [Components]\n\n%s", kTableHead);
    std::printf(
        "| `NumberOfComponents` | number | -1 | 1 to 9 | how many sections `[Component0]`, "
        "`[Component1]`... the installer reads; outside 1 to 9 it shows an error message |\n");
    std::printf("\n## [InstTypes]\n\n%s", kTableHead);
    std::printf(
        "| `Type0` to `Type%d` | text | empty | %zu characters | name of install type n; 0 to 4 "
        "install a preset choice of components, %d lets the user tick them |\n",
        lastType, nuvex::kInstallTypeNameSize - 1, lastType);
    std::printf(
        "| `Type0Enabled` to `Type%dEnabled` | flag: `true` in any case is on, anything else "
        "off | off | 32-bit | the install type page offers type n |\n",
        lastType);
}

void PrintComponentSection() {
    std::printf("\n## [Component0] to [Component%d]\n\n%s", nuvex::layout::kComponentSlots - 1,
                kTableHead);
    std::printf(
        "| `Title` | text | empty | %zu characters | the component's name on the custom page and "
        "in the status text |\n",
        nuvex::kComponentTitleSize - 1);
    std::printf(
        "| `Requied` | flag: `true` in any case is on, anything else off | off | 32-bit | ticked "
        "on the custom page and cannot be cleared (the spelling is the installer's) |\n");
    std::printf(
        "| `UseInInstType0` to `UseInInstType4` | flag | off | 32-bit | the component belongs to "
        "preset type n |\n");
    std::printf(
        "| `UseInInstType5` | flag | off | 32-bit | ticked at first on the custom page |\n");
    std::printf(
        "| `requiedspace` | number | the sum of the file sizes (the builder writes it) | 32-bit | "
        "bytes the component needs on the target drive |\n");
}

void PrintEntryFamilies() {
    std::printf(
        "\nNumbered entries; a family ends at the first index that is missing:\n\n"
        "| Keys | Indices | Value | Meaning |\n|---|---|---|---|\n");
    const std::map<Family, std::string> entryMeaning = {
        {Family::kDir, "folder below the target folder, created before any file"},
        {Family::kFile,
         "payload file written below the target folder; the builder packs it from the source "
         "folder, or from `fileNNNNsource`, and writes `length`, `origlen`, `crc` and `offset`"},
        {Family::kWin, "payload file written below the Windows folder, unless it exists"},
        {Family::kSys, "payload file written below the system folder, unless it exists"},
        {Family::kStartDir, "folder in the Start menu group (named `szInstallAppName`)"},
        {Family::kStart,
         "shortcut in the Start menu group to the target folder's file; `startNNtitle` names "
         "it, `startNNargs` gives its arguments"},
        {Family::kDesktop, "shortcut on the desktop, with `desktopNNtitle` and `desktopNNargs`"},
        {Family::kQuickl, "shortcut in Quick Launch, with `quicklNNtitle` and `quicklNNargs`"},
        {Family::kReg, "read and not acted on"},
        {Family::kRun, "file below the target folder opened when the installation ends"},
        {Family::kTree,
         "builder only: `SOURCE` or `SOURCE>DEST`, a folder tree that becomes dir and file "
         "entries"},
    };
    for (const auto& [family, meaning] : entryMeaning) {
        const FamilyInfo& info = InfoOf(family);
        std::printf("| `%s` to `%s` | 0 to %d | %s | %s |\n", EntryKeyName(family, 0).c_str(),
                    EntryKeyName(family, info.maxIndex).c_str(), info.maxIndex,
                    family == Family::kTree ? "folder" : "path, at most 255 characters",
                    Escape(meaning).c_str());
    }
}

}  // namespace

int main() {
    std::vector<std::string> used;
    PrintIntroduction();
    PrintStartupSections(used);
    PrintComponentsAndTypes();
    PrintComponentSection();
    PrintEntryFamilies();
    // Every meaning written here has to belong to a key of the tables.
    for (const auto& [key, meaning] : kMeanings) {
        if (std::find(used.begin(), used.end(), key) == used.end()) {
            std::fprintf(stderr, "script_reference: %s is no key of the tables\n", key.c_str());
            return 1;
        }
    }
    return 0;
}
