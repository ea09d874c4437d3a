#include "package_plan.h"

#include <algorithm>
#include <set>
#include <system_error>
#include <tuple>

#include "package_layout.h"
#include "package_tree.h"
#include "code_page.h"
#include "platform.h"
#include "script_review.h"
#include "script_writer.h"

namespace nuvex::pack {

namespace {

using Parts = std::vector<std::string>;

constexpr std::size_t kMaxValueLength = layout::kEntryValueSize - 1;

std::string Quote(const std::string& s) { return "\"" + s + "\""; }

std::string PathKey(const Parts& parts) { return ToLower(JoinBackslash(parts, parts.size())); }

bool HasNonAscii(const std::string& s) {
    return std::any_of(s.begin(), s.end(),
                       [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

// A source named in the script: relative to the source folder unless absolute.
fs::path ResolveSource(const fs::path& sourceDir, const std::string& text) {
    std::string slashed = text;
    std::replace(slashed.begin(), slashed.end(), '\\', '/');
    fs::path p(slashed);
    if (p.is_absolute()) {
        return p;
    }
    fs::path out = sourceDir;
    for (const std::string& part : SplitPath(text)) {
        out /= part;
    }
    return out;
}

class ComponentPlanner {
public:
    ComponentPlanner(const IniSection& section, ComponentPlan& plan, const PlanInputs& inputs,
                     Diagnostics& diag, std::vector<PayloadItem>& payload)
        : section_(section), plan_(plan), inputs_(inputs), diag_(diag), payload_(payload) {}

    void Run() {
        Collect();
        PlanExplicitDirs();
        PlanExplicitPayload();
        PlanTrees();
        PlanDirs();
        CheckGaps();
        PlacePayload();
    }

private:
    struct Pending {
        int index;
        int line;
        std::string dest;
        fs::path source;
        uint64_t size;
    };

    const std::string& File() const { return inputs_.scriptName; }

    void ToScriptCodePage(Parts& parts) const {
        for (std::string& part : parts) {
            if (inputs_.codePageTable != nullptr && HasNonAscii(part)) {
                ConvertUtf8(part, *inputs_.codePageTable, &part);
            }
        }
    }
    std::string Where() const { return "[" + section_.name + "] "; }
    // Findings of this component, at a line of the script, prefixed with the section.
    void ErrorAt(int line, const std::string& text) { diag_.Error(File(), line, Where() + text); }
    void WarnAt(int line, const std::string& text) { diag_.Warn(File(), line, Where() + text); }

    void Collect() {
        for (const IniLine& line : section_.body) {
            if (line.kind != IniLine::Kind::kKey) {
                continue;
            }
            EntryKey key;
            KeyMatch match = ParseEntryKey(line.name, &key);
            const FamilyInfo& info = InfoOf(key.family);
            if (match == KeyMatch::kNone) {
                if (EqualsNoCase(line.name, "requiedspace")) {
                    plan_.hasRequiedSpace = true;
                }
                continue;
            }
            if (match == KeyMatch::kIndexTooLarge) {
                ErrorAt(line.number, line.name + ": too many " + info.name +
                                         " entries; the installer reads " +
                                         EntryKeyName(key.family, 0) + " to " +
                                         EntryKeyName(key.family, info.maxIndex) + " only");
                continue;
            }
            if (match == KeyMatch::kWrongDigits && key.family == Family::kTree) {
                ErrorAt(line.number, line.name + ": trees are numbered with two digits, as in " +
                                         EntryKeyName(key.family, key.index));
                continue;
            }
            if (match == KeyMatch::kWrongDigits) {
                WarnAt(line.number, line.name + " is never read: " + info.name + " entries have " +
                                        std::to_string(info.digits) + " digits, as in " +
                                        EntryKeyName(key.family, key.index));
                continue;
            }
            if (!KnownSuffix(key.family, key.suffix)) {
                WarnAt(line.number, line.name + " is not a key the installer reads");
            }
            bool builderOnly = key.family == Family::kTree || key.suffix == kSourceSuffix;
            std::string value = ProfileValue(line.value);
            if (!builderOnly && !IsGeneratedSuffix(key.suffix) && value.size() > kMaxValueLength) {
                ErrorAt(line.number, line.name + " is " + std::to_string(value.size()) +
                                         " characters long; the installer reads at most " +
                                         std::to_string(kMaxValueLength));
            }
            auto id = std::make_tuple(key.family, key.index, key.suffix);
            auto [it, fresh] = keys_.emplace(id, &line);
            if (!fresh) {
                bool fatal = key.suffix.empty() &&
                             (IsPayloadFamily(key.family) || key.family == Family::kTree);
                std::string text = line.name + " is given twice (first on line " +
                                   std::to_string(it->second->number) + ")";
                if (fatal) {
                    ErrorAt(line.number, text);
                } else {
                    WarnAt(line.number, text + "; the installer reads the first");
                }
            }
        }
    }

    // The entries of a family, by index: the key lines without suffix.
    std::vector<std::pair<int, const IniLine*>> Entries(Family family) const {
        std::vector<std::pair<int, const IniLine*>> out;
        for (const auto& [id, line] : keys_) {
            if (std::get<0>(id) == family && std::get<2>(id).empty()) {
                out.emplace_back(std::get<1>(id), line);
            }
        }
        return out;  // the map orders them by index
    }

    const IniLine* Companion(Family family, int index, const std::string& suffix) const {
        auto it = keys_.find(std::make_tuple(family, index, suffix));
        return it == keys_.end() ? nullptr : it->second;
    }

    bool CheckPath(const IniLine& line, const std::string& key, const std::string& path) {
        std::string why = CheckEntryPath(path);
        if (why.empty()) {
            return true;
        }
        ErrorAt(line.number, key + " " + Quote(path) + " " + why);
        return false;
    }

    void PlanExplicitDirs() {
        for (const auto& [index, line] : Entries(Family::kDir)) {
            std::string dest = ProfileValue(line->value);
            if (!CheckPath(*line, line->name, dest)) {
                continue;
            }
            Parts parts = SplitPath(dest);
            AddParents(parts, false);
            explicitDirs_.emplace_back(index, parts);
            dirIndex_[PathKey(parts)] = index;
            maxDir_ = std::max(maxDir_, index);
        }
    }

    bool ProbeSource(const IniLine& line, const std::string& key, const fs::path& source,
                     uint64_t* size) {
        std::error_code ec;
        fs::file_status st = fs::status(source, ec);
        if (ec || !fs::exists(st)) {
            ErrorAt(line.number, key + ": source file " + PathText(source) + " not found");
            return false;
        }
        if (!fs::is_regular_file(st)) {
            ErrorAt(line.number, key + ": source " + PathText(source) + " is not a file");
            return false;
        }
        try {
            File::OpenRead(source);
        } catch (const PackError& e) {
            ErrorAt(line.number, key + ": " + e.what());
            return false;
        }
        *size = fs::file_size(source, ec);
        if (ec) {
            ErrorAt(line.number, key + ": cannot read the size of " + PathText(source));
            return false;
        }
        if (*size > inputs_.limits.max32) {
            ErrorAt(line.number, key + ": " + PathText(source) + " is " + std::to_string(*size) +
                                     " bytes, beyond the installer's 32-bit sizes (at most " +
                                     std::to_string(inputs_.limits.max32) + ")");
            return false;
        }
        return true;
    }

    void PlanExplicitPayload() {
        for (Family family : PayloadFamilies()) {
            for (const auto& [index, line] : Entries(family)) {
                std::string dest = ProfileValue(line->value);
                if (!CheckPath(*line, line->name, dest)) {
                    continue;
                }
                const IniLine* sourceLine = Companion(family, index, kSourceSuffix);
                fs::path source =
                    sourceLine ? ResolveSource(inputs_.sourceDir, ProfileValue(sourceLine->value))
                               : ResolveSource(inputs_.sourceDir, dest);
                uint64_t size = 0;
                if (!ProbeSource(sourceLine ? *sourceLine : *line, line->name, source, &size)) {
                    continue;
                }
                pending_[family].push_back({index, line->number, dest, source, size});
                if (family == Family::kFile) {
                    fileDests_.insert(PathKey(SplitPath(dest)));
                    AddParents(SplitPath(dest), false);
                }
            }
        }
        for (const auto& [id, line] : keys_) {
            Family family = std::get<0>(id);
            if (IsPayloadFamily(family) && std::get<2>(id) == kSourceSuffix &&
                keys_.count(std::make_tuple(family, std::get<1>(id), std::string())) == 0) {
                WarnAt(line->number, line->name + " belongs to no entry; it is ignored");
            }
        }
    }

    // Folders the installer has to create: every parent of `parts`, and `parts` itself
    // when it names a folder.
    void AddParents(const Parts& parts, bool inclusive) {
        std::size_t n = inclusive ? parts.size() : (parts.empty() ? 0 : parts.size() - 1);
        for (std::size_t i = 1; i <= n; ++i) {
            Parts prefix(parts.begin(), parts.begin() + static_cast<std::ptrdiff_t>(i));
            neededDirs_.emplace(PathKey(prefix), prefix);
        }
    }

    void PlanTrees() {
        int next = 0;
        for (const auto& p : pending_[Family::kFile]) {
            next = std::max(next, p.index + 1);
        }
        for (const auto& [index, line] : Entries(Family::kTree)) {
            PlanTree(*line, next);
        }
    }

    // One treeNN entry: its folder listed, its folders made needed, and each file turned into
    // the next free file entry.
    void PlanTree(const IniLine& line, int& next) {
        const TreeValue tree = ParseTreeValue(ProfileValue(line.value));
        const std::string& srcText = tree.source;
        const std::string& destText = tree.destination;
        if (srcText.empty()) {
            ErrorAt(line.number, line.name + " names no source folder");
            return;
        }
        fs::path root = ResolveSource(inputs_.sourceDir, srcText);
        if (!tree.hasDestination && fs::path(srcText).is_absolute()) {
            ErrorAt(line.number, line.name + ": an absolute source folder needs a " +
                                     "destination: " + line.name + "=" + srcText + ">FOLDER");
            return;
        }
        // An empty destination is the target folder itself.
        if (!(tree.hasDestination && destText.empty()) && !CheckPath(line, line.name, destText)) {
            return;
        }
        std::error_code ec;
        if (!fs::is_directory(root, ec)) {
            ErrorAt(line.number, line.name + ": source folder " + PathText(root) + " not found");
            return;
        }
        TreeListing listing;
        std::string error;
        const auto leftOut = [this, &line](const std::string& why) {
            WarnAt(line.number, line.name + ": " + why);
        };
        if (!ListTree(root, inputs_.outputPath, leftOut, listing, &error)) {
            ErrorAt(line.number, line.name + ": " + error);
            return;
        }
        // File names come from the file system in UTF-8; the installer reads them in the
        // script's code page.
        for (auto& [rel, path] : listing.files) {
            ToScriptCodePage(rel);
        }
        for (Parts& rel : listing.dirs) {
            ToScriptCodePage(rel);
        }
        Parts destParts = SplitPath(destText);
        AddParents(destParts, true);
        for (const Parts& rel : listing.dirs) {
            Parts full = destParts;
            full.insert(full.end(), rel.begin(), rel.end());
            AddParents(full, true);
        }
        bool warnedAscii = false;
        for (const auto& [rel, path] : listing.files) {
            Parts full = destParts;
            full.insert(full.end(), rel.begin(), rel.end());
            PlanTreeFile(line, full, path, warnedAscii, next);
        }
    }

    // A file of a tree at its destination `full`, checked like an explicit entry.
    void PlanTreeFile(const IniLine& line, const Parts& full, const fs::path& path,
                      bool& warnedAscii, int& next) {
        std::string dest = JoinBackslash(full, full.size());
        std::string why = CheckEntryPath(dest);
        if (why.empty() && dest.size() > kMaxValueLength) {
            why = "is " + std::to_string(dest.size()) +
                  " characters long; the installer reads at most " +
                  std::to_string(kMaxValueLength);
        }
        if (!why.empty()) {
            ErrorAt(line.number, line.name + ": " + Quote(dest) + " " + why);
            return;
        }
        // Still UTF-8: a character that the code page has no place for.
        if (!warnedAscii && IsUtf8WithNonAscii(dest)) {
            warnedAscii = true;
            WarnAt(line.number, line.name + ": " + Quote(dest) +
                                    " has non-ASCII characters that the script's code page "
                                    "cannot hold; the installer reads the script in the ANSI "
                                    "code page of the user's Windows");
        }
        if (!fileDests_.insert(PathKey(full)).second) {
            WarnAt(line.number, line.name + ": " + Quote(dest) +
                                    " is already a file entry of this component; the tree's "
                                    "copy is left out");
            return;
        }
        std::error_code ec;
        uint64_t size = fs::file_size(path, ec);
        if (ec) {
            ErrorAt(line.number, line.name + ": cannot read the size of " + PathText(path));
            return;
        }
        if (size > inputs_.limits.max32) {
            ErrorAt(line.number, line.name + ": " + PathText(path) + " is " + std::to_string(size) +
                                     " bytes, beyond the installer's 32-bit sizes");
            return;
        }
        AddParents(full, false);
        const int maxFile = InfoOf(Family::kFile).maxIndex;
        if (next > maxFile) {
            if (!reportedFileOverflow_) {
                reportedFileOverflow_ = true;
                ErrorAt(line.number, line.name + ": too many file entries; the installer reads " +
                                         EntryKeyName(Family::kFile, 0) + " to " +
                                         EntryKeyName(Family::kFile, maxFile) + " only");
            }
            return;
        }
        treeFiles_.push_back({next, line.number, dest, path, size});
        ++next;
    }

    void PlanDirs() {
        std::vector<Parts> missing;
        for (const auto& [key, parts] : neededDirs_) {
            if (dirIndex_.count(key) == 0) {
                missing.push_back(parts);
            }
        }
        std::sort(missing.begin(), missing.end(), PathPartsLess);
        int next = maxDir_ + 1;
        for (const Parts& parts : missing) {
            if (next > InfoOf(Family::kDir).maxIndex) {
                ErrorAt(section_.headerLine,
                        "needs too many dir entries; the installer reads " +
                            EntryKeyName(Family::kDir, 0) + " to " +
                            EntryKeyName(Family::kDir, InfoOf(Family::kDir).maxIndex) + " only");
                break;
            }
            std::string key = PathKey(parts);
            if (dirIndex_.count(key) != 0) {
                continue;  // the same folder in other letter case
            }
            dirIndex_[key] = next;
            plan_.generated.push_back({Family::kDir, next, JoinBackslash(parts, parts.size())});
            ++next;
        }
        // All dirs are created, in index order, before any file; a folder listed before
        // its parent cannot be created.
        for (const auto& [index, parts] : explicitDirs_) {
            for (std::size_t n = 1; n < parts.size(); ++n) {
                Parts parent(parts.begin(), parts.begin() + static_cast<std::ptrdiff_t>(n));
                auto it = dirIndex_.find(PathKey(parent));
                if (it != dirIndex_.end() && it->second > index) {
                    WarnAt(keys_.at(std::make_tuple(Family::kDir, index, std::string()))->number,
                           EntryKeyName(Family::kDir, index) + " " +
                               Quote(JoinBackslash(parts, parts.size())) +
                               " comes before its parent folder " +
                               Quote(JoinBackslash(parent, parent.size())) + " (" +
                               EntryKeyName(Family::kDir, it->second) +
                               "); the installer creates folders in entry order");
                    break;
                }
            }
        }
    }

    void CheckGaps() {
        for (Family family : InstallerFamilies()) {
            std::set<int> indices;
            for (const auto& [index, line] : Entries(family)) {
                indices.insert(index);
            }
            for (const GeneratedEntry& g : plan_.generated) {
                if (g.family == family) {
                    indices.insert(g.index);
                }
            }
            if (family == Family::kFile) {
                for (const Pending& p : treeFiles_) {
                    indices.insert(p.index);
                }
            }
            int expected = 0;
            for (int index : indices) {
                if (index != expected) {
                    std::size_t unread =
                        static_cast<std::size_t>(std::distance(indices.find(index), indices.end()));
                    const IniLine* first =
                        keys_.count(std::make_tuple(family, index, std::string()))
                            ? keys_.at(std::make_tuple(family, index, std::string()))
                            : nullptr;
                    WarnAt(first ? first->number : section_.headerLine,
                           "has no " + EntryKeyName(family, expected) +
                               ": the installer stops reading " + InfoOf(family).name +
                               " entries at the gap, so " + std::to_string(unread) + " from " +
                               EntryKeyName(family, index) + " on are never installed");
                    break;
                }
                ++expected;
            }
        }
    }

    void PlacePayload() {
        for (Family family : PayloadFamilies()) {
            std::vector<std::pair<Pending, bool>> all;  // bool: from a tree
            for (const Pending& p : pending_[family]) {
                all.emplace_back(p, false);
            }
            if (family == Family::kFile) {
                for (const Pending& p : treeFiles_) {
                    all.emplace_back(p, true);
                }
            }
            std::sort(all.begin(), all.end(),
                      [](const auto& a, const auto& b) { return a.first.index < b.first.index; });
            for (const auto& [p, fromTree] : all) {
                std::size_t at = payload_.size();
                payload_.push_back({plan_.slot, family, p.index, p.line, p.dest, p.source, p.size});
                plan_.payloadBytes += p.size;
                if (fromTree) {
                    plan_.generated.push_back({family, p.index, p.dest, at});
                } else {
                    plan_.explicitPayload[{family, p.index}] = at;
                }
            }
        }
    }

    const IniSection& section_;
    ComponentPlan& plan_;
    const PlanInputs& inputs_;
    Diagnostics& diag_;
    std::vector<PayloadItem>& payload_;

    std::map<std::tuple<Family, int, std::string>, const IniLine*> keys_;
    std::map<Family, std::vector<Pending>> pending_;
    std::vector<Pending> treeFiles_;
    std::vector<std::pair<int, Parts>> explicitDirs_;
    std::map<std::string, int> dirIndex_;      // folder key -> dir index
    std::map<std::string, Parts> neededDirs_;  // folder key -> parts
    std::set<std::string> fileDests_;
    int maxDir_ = -1;
    bool reportedFileOverflow_ = false;
};

int LineOf(std::string_view text, std::size_t offset) {
    int line = 1;
    for (std::size_t i = 0; i < offset; ++i) {
        if (text[i] == '\n' || (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'))) {
            ++line;
        }
    }
    return line;
}

}  // namespace

bool PackagePlan::IsBuilderKey(const EntryKey& key) {
    return key.family == Family::kTree ||
           (IsPayloadFamily(key.family) &&
            (IsGeneratedSuffix(key.suffix) || key.suffix == kSourceSuffix));
}

std::string_view CheckRawScript(std::string_view text, const std::string& file, Diagnostics& diag) {
    // A byte order mark says UTF-8, which the code page conversion handles; the mark
    // itself is no text of the script.
    constexpr std::string_view kBom = "\xEF\xBB\xBF";
    if (text.substr(0, kBom.size()) == kBom) {
        text.remove_prefix(kBom.size());
    }
    std::size_t nul = text.find('\0');
    if (nul != std::string_view::npos) {
        diag.Error(file, LineOf(text, nul), "the script holds a NUL byte; it must be plain text");
    }
    const char marker[] = {layout::kMarkerOpen, layout::kMarkerSlash, '\0'};
    for (std::size_t at = text.find(marker); at != std::string_view::npos;
         at = text.find(marker, at + 1)) {
        std::size_t lineStart = text.find_last_of("\r\n", at);
        std::size_t column = at - (lineStart == std::string_view::npos ? 0 : lineStart + 1) + 1;
        diag.Error(file, LineOf(text, at),
                   "\"" + std::string(marker) + "\" at column " + std::to_string(column) +
                       ": the installer takes it for the end of the script");
    }
    return text;
}

PackagePlan MakePlan(std::string_view scriptText, const PlanInputs& inputs, Diagnostics& diag) {
    PackagePlan plan;
    std::string_view raw = CheckRawScript(scriptText, inputs.scriptName, diag);
    unsigned codePage = inputs.codePage;
    if (codePage == 0) {
        codePage = kDefaultCodePage;
        IniDocument names =
            IniDocument::Parse(raw, [](std::string_view section, std::string_view key) {
                return EqualsNoCase(section, "Wizard") &&
                       (key.empty() || EqualsNoCase(key, kCodePageKey));
            });
        if (auto v = names.Get("Wizard", kCodePageKey)) {
            long long n = ProfileInt(*v);
            if (n <= 0 || n > 65535 || std::to_string(n) != TrimBlanks(*v)) {
                diag.Error(
                    inputs.scriptName,
                    IniDocument::FindKey(*names.FindSection("Wizard"), kCodePageKey)->number,
                    "[Wizard] codepage=" + *v + ": a code page is a number such as 1252 or 1250");
                return plan;
            }
            codePage = static_cast<unsigned>(n);
        }
    }
    const CodePage table = LoadCodePage(codePage);
    PlanInputs withTable = inputs;
    withTable.codePageTable = &table;
    std::string text = ToCodePage(raw, table, inputs.scriptName, diag);
    plan.doc = IniDocument::Parse(text);
    const IniDocument& doc = plan.doc;

    std::map<std::string, int> seen;
    for (std::size_t i = 0; i < doc.sections.size(); ++i) {
        const IniSection& s = doc.sections[i];
        if (i > 0) {
            auto [it, fresh] = seen.emplace(ToLower(s.name), s.headerLine);
            if (!fresh) {
                diag.Error(inputs.scriptName, s.headerLine,
                           "section [" + s.name + "] appears again (first on line " +
                               std::to_string(it->second) + "); merge the two");
            }
            if (EqualsNoCase(s.name, HeaderSectionName())) {
                diag.Warn(inputs.scriptName, s.headerLine,
                          "the builder writes the " + HeaderText() +
                              " section itself; this one is left out");
            }
        }
        for (const IniLine& line : s.body) {
            if (i == 0 && line.kind == IniLine::Kind::kKey) {
                diag.Warn(inputs.scriptName, line.number,
                          "key " + line.name +
                              " stands before any section; the installer "
                              "never reads it");
            } else if (line.kind == IniLine::Kind::kOther) {
                diag.Warn(inputs.scriptName, line.number,
                          "line is neither a section header, a key=value pair nor a comment");
            }
        }
    }

    CheckScriptSettings(doc, inputs.scriptName, diag);

    for (std::size_t i = 1; i < doc.sections.size(); ++i) {
        int slot = ComponentSlot(doc.sections[i].name);
        if (slot < 0 || doc.FindSection(doc.sections[i].name) != &doc.sections[i]) {
            continue;
        }
        ComponentPlan component;
        component.slot = slot;
        component.section = i;
        plan.components.push_back(component);
    }
    std::sort(plan.components.begin(), plan.components.end(),
              [](const ComponentPlan& a, const ComponentPlan& b) { return a.slot < b.slot; });
    for (ComponentPlan& component : plan.components) {
        ComponentPlanner(doc.sections[component.section], component, withTable, diag, plan.payload)
            .Run();
    }
    ReviewShortcuts(plan, inputs.scriptName, diag);
    return plan;
}

}  // namespace nuvex::pack
