#include "script_review.h"

#include <algorithm>
#include <set>

#include "entry_keys.h"
#include "package_layout.h"
#include "package_plan.h"
#include "script_checks.h"
#include "script_keys.h"
#include "script_template.h"
#include "settings.h"
#include "text_rules.h"

namespace nuvex::pack {

namespace {

constexpr char kWizard[] = "Wizard";
constexpr char kDialogs[] = "Dialogs";
constexpr char kInstTypes[] = "InstTypes";
constexpr char kDefaultLangKey[] = "defaultlang";
constexpr char kComponentTitleKey[] = "Title";
constexpr char kRequiedKey[] = "Requied";
constexpr char kCustomTypeKey[] = "Type5Enabled";

std::string Indexed(const char* prefix, int n, const char* suffix = "") {
    return prefix + std::to_string(n) + suffix;
}

// Optimal string alignment distance, ASCII case ignored.
std::size_t EditDistance(std::string_view a, std::string_view b) {
    std::string x = ToLower(a), y = ToLower(b);
    std::vector<std::vector<std::size_t>> d(x.size() + 1, std::vector<std::size_t>(y.size() + 1));
    for (std::size_t i = 0; i <= x.size(); ++i) {
        d[i][0] = i;
    }
    for (std::size_t j = 0; j <= y.size(); ++j) {
        d[0][j] = j;
    }
    for (std::size_t i = 1; i <= x.size(); ++i) {
        for (std::size_t j = 1; j <= y.size(); ++j) {
            std::size_t cost = x[i - 1] == y[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
            if (i > 1 && j > 1 && x[i - 1] == y[j - 2] && x[i - 2] == y[j - 1]) {
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
            }
        }
    }
    return d[x.size()][y.size()];
}

bool IsComponentSection(std::string_view name) { return ComponentSlot(std::string(name)) >= 0; }

// Known component keys, and the entry keys of every family with the index written in
// `name`, so that "strat00title" finds "start00title".
std::vector<std::string> ComponentCandidates(std::string_view name) {
    std::vector<std::string> out = KnownKeys("Component0");
    std::size_t digit = name.find_first_of("0123456789");
    if (digit == std::string_view::npos) {
        return out;
    }
    std::size_t end = name.find_first_not_of("0123456789", digit);
    std::string digits(name.substr(digit, end == std::string_view::npos ? name.npos : end - digit));
    if (digits.size() > 4) {
        return out;
    }
    int index = std::stoi(digits);
    for (Family family : InstallerFamilies()) {
        if (index > InfoOf(family).maxIndex) {
            continue;
        }
        for (const char* suffix : {"", kSuffixTitle, kSuffixArgs, kSuffixSource}) {
            if (KnownSuffix(family, suffix)) {
                out.push_back(EntryKeyName(family, index, suffix));
            }
        }
    }
    return out;
}

void CheckNames(const IniDocument& doc, const std::string& file, Diagnostics& diag) {
    for (std::size_t i = 1; i < doc.sections.size(); ++i) {
        const IniSection& section = doc.sections[i];
        std::vector<std::string> known = KnownKeys(section.name);
        if (known.empty()) {
            continue;  // an unknown section is reported with the other section checks
        }
        bool component = IsComponentSection(section.name);
        for (const IniLine& line : section.body) {
            if (line.kind != IniLine::Kind::kKey) {
                continue;
            }
            bool listed = std::any_of(known.begin(), known.end(), [&](const std::string& k) {
                return EqualsNoCase(k, line.name);
            });
            EntryKey entry;
            if (listed || (component && ParseEntryKey(line.name, &entry) != KeyMatch::kNone)) {
                continue;
            }
            diag.Warn(
                file, line.number,
                "[" + section.name + "] " + line.name + " is not a key the installer reads" +
                    DidYouMean(line.name, component ? ComponentCandidates(line.name) : known));
        }
    }
}

enum class FlagRule { kNone, kTrueWord, kNotFalse };

FlagRule FlagRuleOf(const std::string& section, const std::string& key) {
    if (const ScriptKey* k = FindStartupKey(section.c_str(), key.c_str())) {
        return k->kind == KeyKind::kFlag           ? FlagRule::kTrueWord
               : k->kind == KeyKind::kFlagNotFalse ? FlagRule::kNotFalse
                                                   : FlagRule::kNone;
    }
    for (int t = 0; t < kInstallTypes; ++t) {
        if ((IsComponentSection(section) && EqualsNoCase(key, Indexed("UseInInstType", t))) ||
            (EqualsNoCase(section, kInstTypes) &&
             EqualsNoCase(key, Indexed("Type", t, "Enabled")))) {
            return FlagRule::kTrueWord;
        }
    }
    return IsComponentSection(section) && EqualsNoCase(key, kRequiedKey) ? FlagRule::kTrueWord
                                                                         : FlagRule::kNone;
}

void CheckFlagsAndChoices(const IniDocument& doc, const std::string& file, Diagnostics& diag) {
    for (std::size_t i = 1; i < doc.sections.size(); ++i) {
        const IniSection& section = doc.sections[i];
        for (const IniLine& line : section.body) {
            if (line.kind != IniLine::Kind::kKey) {
                continue;
            }
            std::string value = ProfileValue(line.value);
            std::string what = "[" + section.name + "] " + line.name + "=" + value;
            FlagRule rule = FlagRuleOf(section.name, line.name);
            if (rule != FlagRule::kNone) {
                if (ParseFlag(value.c_str()) || EqualsNoCase(value, "false")) {
                    continue;
                }
                diag.Warn(file, line.number,
                          what + ": the installer takes only \"" +
                              (rule == FlagRule::kNotFalse ? "false\" as off, so this is on"
                                                           : "true\" as on, so this is off") +
                              "; write true or false");
                continue;
            }
            const ScriptKey* k = FindStartupKey(section.name.c_str(), line.name.c_str());
            if (k == nullptr || k->kind != KeyKind::kChoice) {
                continue;
            }
            bool matches = false;
            std::string words;
            for (int c = 0; c < k->choiceCount; ++c) {
                matches = matches || EqualsNoCase(value, k->choices[c]);
                words += std::string(c == 0                    ? ""
                                     : c + 1 == k->choiceCount ? " or "
                                                               : ", ") +
                         k->choices[c];
            }
            if (!matches) {
                diag.Warn(file, line.number,
                          what + ": the installer knows " + words + " only, and takes this as " +
                              k->choices[0]);
            }
        }
    }
}

bool FlagOn(const IniDocument& doc, const char* section, const std::string& key, bool absent) {
    auto v = doc.Get(section, key);
    return v ? ParseFlag(v->c_str()) : absent;
}

// Where to point at a key that is missing: its section's header, else nowhere.
int LineOfKey(const IniDocument& doc, const std::string& section, const std::string& key) {
    const IniSection* s = doc.FindSection(section);
    if (s == nullptr) {
        return 0;
    }
    const IniLine* line = IniDocument::FindKey(*s, key);
    return line ? line->number : s->headerLine;
}

// Texts the installer shows that the script leaves out: a few are named one by one, many
// (a script without its [Wizard] texts) in one warning.
class ShownTexts {
public:
    ShownTexts(const IniDocument& doc, const std::string& file, Diagnostics& diag)
        : doc_(doc), file_(file), diag_(diag) {}

    void Check(const std::string& section, const std::string& key, const std::string& shownAs) {
        auto v = doc_.Get(section, key);
        if (!v || v->empty()) {
            missing_.push_back({section, key, shownAs, v.has_value()});
        }
    }

    void Report() {
        constexpr std::size_t kOneByOne = 4;
        if (missing_.size() > kOneByOne) {
            std::string names;
            for (const Missing& m : missing_) {
                names += (names.empty() ? "" : ", ") + m.key;
            }
            diag_.Warn(file_, LineOfKey(doc_, missing_[0].section, missing_[0].key),
                       std::to_string(missing_.size()) +
                           " texts that the installer shows are missing or empty, so its pages "
                           "and buttons show no text: " +
                           names + "; nuvexpack new writes a script with every text");
            return;
        }
        for (const Missing& m : missing_) {
            const char* english = EqualsNoCase(m.section, kWizard) ? TemplateText(m.key) : nullptr;
            diag_.Warn(file_, LineOfKey(doc_, m.section, m.key),
                       "[" + m.section + "] " + m.key + " is " + (m.present ? "empty" : "missing") +
                           ", so the installer shows " + m.shownAs + " with no text" +
                           (english ? "; for example " + m.key + "=" + english : std::string()));
        }
    }

private:
    struct Missing {
        std::string section, key, shownAs;
        bool present;
    };
    const IniDocument& doc_;
    const std::string& file_;
    Diagnostics& diag_;
    std::vector<Missing> missing_;
};

void CheckEmptyTexts(const IniDocument& doc, const std::string& file, Diagnostics& diag) {
    ShownTexts shown(doc, file, diag);
    struct Page {
        const char* flag;  // [Dialogs] flag; nullptr: always shown; "": not shown
        const char* heading;
        const char* body;
        const char* name;
    };
    const bool custom = FlagOn(doc, kInstTypes, kCustomTypeKey, false);
    const Page pages[] = {
        {nullptr, "szLabelUvod", "szTextUvod", "the introduction page"},
        {"AppInfo", "szLabelInfo", "szTextInfo", "the product information page"},
        {"Licence", "szLabelLicence", "szTextLicence", "the licence page"},
        {"TargetDir", "szLabelTarget", "szTextTarget", "the target folder page"},
        {"InstType", "szLabelTyp", "szTextTyp", "the install type page"},
        {custom ? nullptr : "", "szLabelCustom", "szTextCustom", "the custom components page"},
        {nullptr, "szLabelInstall", "szTextInstall", "the confirmation page"},
        {nullptr, "szLabelKonec", "szTextKonec", "the done page"},
        {nullptr, "szLabelError", "szTextError", "the error page"},
    };
    shown.Check(kWizard, "szInstallAppName", "the wizard's title and every \"%s\"");
    for (const Page& page : pages) {
        if (page.flag != nullptr &&
            (*page.flag == '\0' || !FlagOn(doc, kDialogs, page.flag, true))) {
            continue;
        }
        shown.Check(kWizard, page.heading, std::string(page.name) + "'s heading");
        shown.Check(kWizard, page.body, page.name);
    }
    const bool uninstaller =
        ParseIncludeUninstFlag(doc.Get(kWizard, "includeuninst").value_or("true").c_str());
    const struct {
        const char* key;
        const char* shownAs;
        bool shown;
    } others[] = {
        {"szButtonNext", "the Next button", true},
        {"szButtonBack", "the Back button", true},
        {"szButtonCancel", "the Cancel button", true},
        {"szButtonInstall", "the confirmation page's Install button", true},
        {"szButtonDone", "the done page's button", true},
        {"szButtonBrowse", "the Browse button", FlagOn(doc, kDialogs, "TargetDir", true)},
        {"szInstalling", "the progress window", true},
        {"szLabelUninst", "the uninstaller's heading", uninstaller},
        {"szTextUninst", "the uninstaller", uninstaller},
        {"szButtonUnInstall", "the uninstaller's button", uninstaller},
    };
    for (const auto& o : others) {
        if (o.shown) {
            shown.Check(kWizard, o.key, o.shownAs);
        }
    }

    if (FlagOn(doc, kDialogs, "InstType", true)) {
        bool any = false;
        for (int t = 0; t < kInstallTypes; ++t) {
            if (FlagOn(doc, kInstTypes, Indexed("Type", t, "Enabled"), false)) {
                any = true;
                shown.Check(kInstTypes, Indexed("Type", t), "install type " + std::to_string(t));
            }
        }
        if (!any) {
            diag.Warn(file, LineOfKey(doc, kInstTypes, "Type0Enabled"),
                      "no install type is enabled, so the install type page offers no choice; set "
                      "Type0=Typical and Type0Enabled=true in [InstTypes], or InstType=false in "
                      "[Dialogs]");
        }
    }
    auto count = doc.Get("Components", "NumberOfComponents");
    int read =
        count ? ComponentsToRead(static_cast<int>(std::clamp(ProfileInt(*count), -1LL, 10LL))) : 0;
    for (int k = 0; k < read; ++k) {
        std::string name = layout::kComponentSectionPrefix + std::to_string(k);
        if (doc.FindSection(name) != nullptr) {
            shown.Check(name, kComponentTitleKey, "component " + std::to_string(k));
        }
    }
    shown.Report();
}

std::string PathKeyOf(std::string_view path) {
    std::vector<std::string> parts = SplitPath(path);
    return ToLower(JoinBackslash(parts, parts.size()));
}

}  // namespace

std::string DidYouMean(std::string_view name, const std::vector<std::string>& candidates) {
    // No key is this long; a hostile script's long names get no search.
    constexpr std::size_t kLongestName = 40;
    if (name.size() > kLongestName) {
        return {};
    }
    const std::string* best = nullptr;
    std::size_t bestDistance = 0;
    for (const std::string& c : candidates) {
        std::size_t d = EditDistance(name, c);
        if (best == nullptr || d < bestDistance) {
            best = &c;
            bestDistance = d;
        }
    }
    // Two edits are a typo in a long name, a different word in a short one.
    std::size_t limit = std::min<std::size_t>(2, std::max<std::size_t>(1, name.size() / 4));
    if (best == nullptr || bestDistance == 0 || bestDistance > limit) {
        return {};
    }
    return "; did you mean " + *best + "?";
}

std::vector<std::string> KnownKeys(std::string_view section) {
    std::vector<std::string> out;
    if (IsComponentSection(section)) {
        out = {kComponentTitleKey, kRequiedKey, "requiedspace"};
        for (int t = 0; t < kInstallTypes; ++t) {
            out.push_back(Indexed("UseInInstType", t));
        }
        return out;
    }
    if (EqualsNoCase(section, "Components")) {
        return {"NumberOfComponents"};
    }
    if (EqualsNoCase(section, kInstTypes)) {
        for (int t = 0; t < kInstallTypes; ++t) {
            out.push_back(Indexed("Type", t));
            out.push_back(Indexed("Type", t, "Enabled"));
        }
        return out;
    }
    std::size_t count = 0;
    const ScriptKey* keys = StartupKeys(&count);
    for (std::size_t i = 0; i < count; ++i) {
        if (EqualsNoCase(keys[i].section, section)) {
            out.push_back(keys[i].key);
        }
    }
    if (EqualsNoCase(section, kWizard)) {
        out.push_back(kDefaultLangKey);
        out.push_back(kCodePageKey);
    } else if (EqualsNoCase(section, "Design")) {
        // Read by the background window itself, and written by older builders.
        out.push_back("shadowappname");
        out.push_back("style");
    }
    return out;
}

void ReviewScript(const IniDocument& doc, const std::string& file, Diagnostics& diag) {
    CheckNames(doc, file, diag);
    CheckFlagsAndChoices(doc, file, diag);
    if (!doc.Get(kWizard, kDefaultLangKey)) {
        diag.Warn(file, LineOfKey(doc, kWizard, kDefaultLangKey),
                  "[Wizard] defaultlang is missing, so the installer's splash lines are Czech; "
                  "write defaultlang=en for English (or defaultlang=cz to keep Czech)");
    }
    CheckEmptyTexts(doc, file, diag);
}

void ReviewShortcuts(const PackagePlan& plan, const std::string& file, Diagnostics& diag) {
    std::set<std::string> files, folders;
    auto addFolders = [&](std::string_view path, bool withLast) {
        std::vector<std::string> parts = SplitPath(path);
        std::size_t last = parts.size() - (withLast || parts.empty() ? 0 : 1);
        for (std::size_t n = 1; n <= last; ++n) {
            folders.insert(ToLower(JoinBackslash(parts, n)));
        }
    };
    for (const PayloadItem& item : plan.payload) {
        if (item.family == Family::kFile) {
            files.insert(PathKeyOf(item.dest));
            addFolders(item.dest, false);
        }
    }
    for (const ComponentPlan& c : plan.components) {
        for (const GeneratedEntry& g : c.generated) {
            if (g.family == Family::kDir) {
                addFolders(g.dest, true);
            }
        }
        for (const IniLine& line : plan.doc.sections[c.section].body) {
            EntryKey key;
            if (line.kind == IniLine::Kind::kKey &&
                ParseEntryKey(line.name, &key) == KeyMatch::kEntry && key.family == Family::kDir &&
                key.suffix.empty()) {
                addFolders(ProfileValue(line.value), true);
            }
        }
    }
    for (const ComponentPlan& c : plan.components) {
        const IniSection& section = plan.doc.sections[c.section];
        const std::string where = "[" + section.name + "] ";
        for (const IniLine& line : section.body) {
            EntryKey key;
            if (line.kind != IniLine::Kind::kKey ||
                ParseEntryKey(line.name, &key) != KeyMatch::kEntry || !key.suffix.empty()) {
                continue;
            }
            if (key.family == Family::kReg) {
                diag.Warn(file, line.number,
                          where + line.name +
                              ": the installer reads reg entries and does nothing "
                              "with them, so no registry value is written");
                continue;
            }
            bool shortcut = key.family == Family::kStart || key.family == Family::kDesktop ||
                            key.family == Family::kQuickl;
            if (!shortcut && key.family != Family::kRun) {
                continue;
            }
            std::string target = ProfileValue(line.value);
            if (target.empty()) {
                continue;  // ends the family; the gap check speaks of what follows
            }
            std::string what = where + line.name + " \"" + target + "\"";
            std::string why = CheckEntryPath(target);
            if (!why.empty()) {
                diag.Warn(file, line.number,
                          what + " " + why + "; the target is taken below the target folder");
            } else if (files.count(PathKeyOf(target)) == 0 &&
                       folders.count(PathKeyOf(target)) == 0) {
                diag.Warn(file, line.number,
                          what + ": no component installs this file into the target folder, so " +
                              (shortcut ? "the shortcut points at nothing" : "nothing opens") +
                              "; name a file entry's path, such as \"bin\\tool.exe\"");
            }
            if (!shortcut) {
                continue;
            }
            std::string titleKey = EntryKeyName(key.family, key.index, kSuffixTitle);
            auto title = plan.doc.Get(section.name, titleKey);
            if (!title || title->empty()) {
                diag.Warn(file, line.number,
                          where + line.name + " has no " + titleKey +
                              ", so the installer names the shortcut \".lnk\"; add " + titleKey +
                              "=NAME");
            }
        }
    }
}

}  // namespace nuvex::pack
