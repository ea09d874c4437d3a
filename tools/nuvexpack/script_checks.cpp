#include "script_checks.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <vector>

#include "package_layout.h"
#include "script_keys.h"
#include "script_review.h"
#include "script_writer.h"
#include "settings.h"
#include "text_rules.h"

namespace nuvex::pack {

namespace {

const char* const kInstallerSections[] = {"Wizard", "Design", "Dialogs", "Components", "InstTypes"};

void CheckFieldLength(const IniLine& line, const std::string& value, std::size_t fieldSize,
                      const std::string& what, const std::string& file, Diagnostics& diag) {
    if (value.size() + 1 <= fieldSize) {
        return;
    }
    diag.Warn(file, line.number,
              what + " is " + std::to_string(value.size()) + " characters long; its field holds " +
                  std::to_string(fieldSize - 1) + ", so the installer cuts it after \"" +
                  CutExcerpt(value, fieldSize - 1) + "\"");
}

// Length of the text once the installer has put the application name in for "%s".
std::size_t ExpandedLength(const std::string& value, std::size_t fieldSize,
                           const std::string& appName) {
    std::vector<char> buf(64 * 1024);
    CopyCut(buf.data(), fieldSize, value.c_str());
    ExpandAppName(buf.data(), buf.size(), appName.c_str());
    return std::strlen(buf.data());
}

void CheckStartupKeys(const IniDocument& doc, const std::string& file, Diagnostics& diag) {
    std::size_t count = 0;
    const ScriptKey* keys = StartupKeys(&count);

    std::string appName;
    if (auto v = doc.Get("Wizard", "szInstallAppName")) {
        appName = v->substr(0, sizeof(Settings::szInstallAppName) - 1);
    }
    for (std::size_t i = 0; i < count; ++i) {
        const ScriptKey& key = keys[i];
        if (key.kind != KeyKind::kText) {
            continue;
        }
        const IniSection* section = doc.FindSection(key.section);
        const IniLine* line = section ? IniDocument::FindKey(*section, key.key) : nullptr;
        if (line == nullptr) {
            continue;
        }
        std::string value = ProfileValue(line->value);
        std::string what = std::string("[") + key.section + "] " + key.key;
        CheckFieldLength(*line, value, key.fieldSize, what, file, diag);
        if ((key.processing & kExpand) != 0 && value.find("%s") != std::string::npos) {
            std::size_t expanded = ExpandedLength(value, key.fieldSize, appName);
            if (expanded + 1 > key.fieldSize) {
                diag.Warn(file, line->number,
                          what + " becomes " + std::to_string(expanded) +
                              " characters long once \"%s\" holds the application name; its "
                              "field holds " +
                              std::to_string(key.fieldSize - 1) +
                              ", so the installer cuts the rest");
            }
        }
    }
}

void CheckComponents(const IniDocument& doc, const std::string& file, Diagnostics& diag) {
    const IniSection* components = doc.FindSection("Components");
    const IniLine* countLine =
        components ? IniDocument::FindKey(*components, "NumberOfComponents") : nullptr;
    long long n = countLine ? ProfileInt(ProfileValue(countLine->value)) : 0;
    if (!ComponentCountValid(n < -1000 || n > 1000 ? -1 : static_cast<int>(n))) {
        std::string what = countLine ? "NumberOfComponents is " + std::to_string(n)
                                     : std::string("[Components] NumberOfComponents is missing");
        diag.Warn(file, countLine ? countLine->number : (components ? components->headerLine : 0),
                  what +
                      "; the installer accepts 1 to 9 and stops with its "
                      "\"Error in number of installable components\" message");
    }
    int read =
        ComponentsToRead(static_cast<int>(std::clamp<long long>(n, 0, layout::kComponentSlots)));

    for (int k = 0; k < read; ++k) {
        std::string name = layout::kComponentSectionPrefix + std::to_string(k);
        if (doc.FindSection(name) == nullptr) {
            diag.Warn(file, countLine ? countLine->number : 0,
                      "section [" + name + "] is missing; the installer shows component " +
                          std::to_string(k) + " with no title and no files");
        }
    }
    for (std::size_t i = 1; i < doc.sections.size(); ++i) {
        const IniSection& section = doc.sections[i];
        bool beyond = false;
        int slot = ComponentSlot(section.name, &beyond);
        if (beyond) {
            diag.Warn(file, section.headerLine,
                      "the installer never reads [" + section.name +
                          "]: component sections are [Component0] to [Component9]");
        } else if (slot >= read) {
            std::string reads = read == 0 ? std::string("no component")
                                          : "components 0 to " + std::to_string(read - 1);
            diag.Warn(file, section.headerLine,
                      "the installer reads " + reads + " only, never [" + section.name +
                          "]; its files are packed all the same");
        }
        if (slot < 0) {
            continue;
        }
        if (const IniLine* title = IniDocument::FindKey(section, "Title")) {
            CheckFieldLength(*title, ProfileValue(title->value), kComponentTitleSize,
                             "[" + section.name + "] Title", file, diag);
        }
    }

    if (const IniSection* types = doc.FindSection("InstTypes")) {
        for (int t = 0; t < kInstallTypes; ++t) {
            std::string key = "Type" + std::to_string(t);
            if (const IniLine* line = IniDocument::FindKey(*types, key)) {
                CheckFieldLength(*line, ProfileValue(line->value), kInstallTypeNameSize,
                                 "[InstTypes] " + key, file, diag);
            }
        }
    }
}

}  // namespace

std::string CutExcerpt(const std::string& text, std::size_t keep) {
    constexpr std::size_t kShown = 24;
    if (keep <= kShown) {
        return text.substr(0, keep);
    }
    return "..." + text.substr(keep - kShown, kShown);
}

int ComponentSlot(const std::string& sectionName, bool* beyond) {
    std::string_view prefix = layout::kComponentSectionPrefix;
    if (beyond != nullptr) {
        *beyond = false;
    }
    if (sectionName.size() <= prefix.size() ||
        !EqualsNoCase(std::string_view(sectionName).substr(0, prefix.size()), prefix)) {
        return -1;
    }
    std::string digits = sectionName.substr(prefix.size());
    if (digits.size() > 6 || digits.find_first_not_of("0123456789") != std::string::npos) {
        return -1;
    }
    int slot = std::stoi(digits);
    // The installer forms "Component%d": "Component01" is never read.
    if (std::to_string(slot) != digits || slot >= layout::kComponentSlots) {
        if (beyond != nullptr) {
            *beyond = true;
        }
        return -1;
    }
    return slot;
}

void CheckScriptSettings(const IniDocument& doc, const std::string& file, Diagnostics& diag) {
    for (std::size_t i = 1; i < doc.sections.size(); ++i) {
        const IniSection& section = doc.sections[i];
        bool known =
            EqualsNoCase(section.name, HeaderSectionName()) || ComponentSlot(section.name) >= 0;
        bool beyond = false;
        ComponentSlot(section.name, &beyond);
        for (const char* name : kInstallerSections) {
            known = known || EqualsNoCase(section.name, name);
        }
        if (!known && !beyond) {
            std::vector<std::string> names(std::begin(kInstallerSections),
                                           std::end(kInstallerSections));
            for (int slot = 0; slot < layout::kComponentSlots; ++slot) {
                names.push_back(layout::kComponentSectionPrefix + std::to_string(slot));
            }
            diag.Warn(file, section.headerLine,
                      "[" + section.name + "] is not a section the installer reads" +
                          DidYouMean(section.name, names));
        }
    }
    CheckStartupKeys(doc, file, diag);
    CheckComponents(doc, file, diag);
    ReviewScript(doc, file, diag);
}

}  // namespace nuvex::pack
