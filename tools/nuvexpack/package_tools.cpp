#include "package_tools.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <system_error>
#include <tuple>

#include "compression.h"
#include "lzma_reader.h"
#include "package_layout.h"
#include "payload_pipeline.h"
#include "platform.h"
#include "settings.h"
#include "text_rules.h"

namespace nuvex::pack {

namespace {

// A flag as the installer reads it: "true" in any case is on, anything else off, and an
// absent key takes the key's default.
bool FlagValue(const IniDocument& doc, const std::string& section, const std::string& key,
               bool absent = false) {
    auto v = doc.Get(section, key);
    return v ? ParseFlag(v->c_str()) : absent;
}

const char* OnOff(bool on) { return on ? "on" : "off"; }

// The entries of a family in a component section as the installer reads them: from index
// 0 up to the first empty value.
std::vector<std::pair<int, std::string>> ReadFamily(const IniDocument& doc,
                                                    const std::string& section, Family family) {
    std::vector<std::pair<int, std::string>> out;
    for (int i = 0; i <= InfoOf(family).maxIndex; ++i) {
        std::string v = doc.Get(section, EntryKeyName(family, i)).value_or("");
        if (v.empty()) {
            break;
        }
        out.emplace_back(i, v);
    }
    return out;
}

std::string Get(const IniDocument& doc, const std::string& section, const std::string& key) {
    return doc.Get(section, key).value_or("");
}

std::string Pad(const std::string& s, std::size_t width) {
    return s.size() >= width ? s : s + std::string(width - s.size(), ' ');
}

std::string FamilyBase(Family family) {
    switch (family) {
        case Family::kWin:
            return std::string(kExtractWindowsFolder) + "/";
        case Family::kSys:
            return std::string(kExtractSystemFolder) + "/";
        default:
            return {};
    }
}

// `dir` joined with an entry's path, or an empty path (and `why`) when the entry would
// reach outside `dir`, through a link included. Every folder below `dir` is checked, the
// @windows and @system folders as well as the entry's own parts.
fs::path SafeJoin(const fs::path& dir, Family family, const std::string& dest, std::string* why) {
    *why = CheckEntryPath(dest);
    if (!why->empty()) {
        return {};
    }
    std::vector<std::string> parts = SplitPath(dest);
    if (family == Family::kFile || family == Family::kDir) {
        if (EqualsNoCase(parts.front(), kExtractWindowsFolder) ||
            EqualsNoCase(parts.front(), kExtractSystemFolder)) {
            *why = "uses the folder that extract keeps for win and sys entries";
            return {};
        }
    }
    std::string base = FamilyBase(family);
    if (!base.empty()) {
        parts.insert(parts.begin(), base.substr(0, base.size() - 1));
    }
    fs::path out = dir;
    for (const std::string& part : parts) {
        out /= part;
        if (IsLink(out)) {
            *why = "passes through the link " + PathText(out);
            return {};
        }
    }
    return out;
}

std::string EntryLabel(const PackageEntry& e) { return e.Name() + " (" + e.dest + ")"; }

// Where the script and payload lie, how they are packed and signed.
void ListLayout(const PackageInfo& p, std::ostream& out) {
    out << "package      " << Printable(PathText(p.path)) << ", " << p.fileSize << " bytes\n";
    out << "script       offset " << p.scriptOffset << ", " << (p.payloadBase - p.scriptOffset)
        << " bytes up to the end marker\n";
    out << "payload      base " << p.payloadBase << ", " << p.PayloadSize() << " bytes\n";
    if (!p.compression.empty()) {
        out << "compression  " << Printable(p.compression);
        if (IsLzmaPackage(p)) {
            out << ", " << GroupLzmaBlocks(p).size() << " blocks; an entry's length and offset "
                << "are those of its block";
        }
        out << "\n";
    }
    if (p.certSize != 0) {
        out << "signature    certificate table at " << p.certOffset << ", " << p.certSize
            << " bytes\n";
    }
    if (p.stubCertOffset && p.stubCertSize) {
        out << "stub         signed, certificate table at " << *p.stubCertOffset << ", "
            << *p.stubCertSize << " bytes\n";
    }
}

// What the installer makes of the switches: the words as it reads them, not as written.
void ListSwitches(const IniDocument& doc, std::ostream& out) {
    out << "product      " << Printable(Get(doc, "Wizard", "szInstallAppName")) << "\n";
    auto lang = doc.Get("Wizard", "defaultlang");
    out << "splash       " << (lang && !EqualsNoCase(*lang, "cz") ? "English" : "Czech")
        << " (defaultlang " << (lang ? Printable(*lang) : std::string("missing")) << ")\n";
    out << "pages        introduction, information "
        << OnOff(FlagValue(doc, "Dialogs", "AppInfo", true)) << ", licence "
        << OnOff(FlagValue(doc, "Dialogs", "Licence", true)) << ", target folder "
        << OnOff(FlagValue(doc, "Dialogs", "TargetDir", true)) << ", install type "
        << OnOff(FlagValue(doc, "Dialogs", "InstType", true)) << ", custom "
        << OnOff(FlagValue(doc, "InstTypes", "Type5Enabled")) << "\n";
    out << "settings     uninstaller "
        << OnOff(ParseIncludeUninstFlag(Get(doc, "Wizard", "includeuninst").c_str()))
        << ", background " << OnOff(FlagValue(doc, "Design", "ShowBackground", true))
        << ", folder name appended " << OnOff(FlagValue(doc, "Wizard", "autonametopath", true))
        << ", refuse NT " << OnOff(FlagValue(doc, "Wizard", "erroronwinnt")) << ", refuse 9x "
        << OnOff(FlagValue(doc, "Wizard", "erroronwin9x")) << ", go on when refused "
        << OnOff(FlagValue(doc, "Wizard", "allowbadwindows", true)) << "\n";
    // The deployment additions get a line only when the script names one, so that the listing
    // of any other package stays as it was.
    if (doc.Get("Wizard", "unattended") || doc.Get("Wizard", "removeuninstaller")) {
        out << "deployment   unattended " << OnOff(FlagValue(doc, "Wizard", "unattended"))
            << ", removeuninstaller " << OnOff(FlagValue(doc, "Wizard", "removeuninstaller"))
            << "\n";
    }
    std::string count = Get(doc, "Components", "NumberOfComponents");
    out << "components   NumberOfComponents=" << (count.empty() ? "(missing)" : Printable(count))
        << "\n";
}

// A component section: its flags, entries, folders, shortcuts and run entries.
void ListComponent(const PackageInfo& p, int slot, std::ostream& out) {
    const IniDocument& doc = p.doc;
    std::string name = layout::kComponentSectionPrefix + std::to_string(slot);
    if (doc.FindSection(name) == nullptr) {
        return;
    }
    std::string types;
    for (int t = 0; t < kInstallTypes; ++t) {
        if (FlagValue(doc, name, "UseInInstType" + std::to_string(t))) {
            types += " " + std::to_string(t);
        }
    }
    out << "  [" << name << "] \"" << Printable(Get(doc, name, "Title")) << "\""
        << (FlagValue(doc, name, "Requied") ? ", required" : "")
        << (FlagValue(doc, name, "UseInInstType5") ? ", ticked" : "")
        << (slot < p.componentsRead ? "" : ", never read (beyond NumberOfComponents)")
        << ", requiedspace " << Printable(Get(doc, name, "requiedspace")) << ", in types"
        << (types.empty() ? " none" : types) << "\n";
    for (const PackageDir& d : p.dirs) {
        if (d.slot == slot) {
            out << "    " << Pad(EntryKeyName(Family::kDir, d.index), 10) << Printable(d.dest)
                << "\n";
        }
    }
    for (const PackageEntry& e : p.entries) {
        if (e.slot != slot) {
            continue;
        }
        out << "    " << Pad(EntryKeyName(e.family, e.index), 10) << Pad(Printable(e.dest), 28)
            << " ";
        if (!e.problem.empty()) {
            out << "(" << e.problem << ")";
        } else {
            out << e.origlen << " -> " << e.length << " bytes at " << e.offset << ", crc " << e.crc;
        }
        out << (e.reachable ? "" : "  [after a gap: never installed]") << "\n";
    }
    for (const auto& [index, folder] : ReadFamily(doc, name, Family::kStartDir)) {
        out << "    " << Pad(EntryKeyName(Family::kStartDir, index) + " ", 10)
            << "Start menu group\\" << Printable(folder) << "\n";
    }
    const struct {
        Family family;
        const char* where;
    } shortcuts[] = {{Family::kStart, "Start menu group"},
                     {Family::kDesktop, "desktop"},
                     {Family::kQuickl, "Quick Launch"}};
    for (const auto& sc : shortcuts) {
        for (const auto& [index, target] : ReadFamily(doc, name, sc.family)) {
            std::string args = Get(doc, name, EntryKeyName(sc.family, index, kSuffixArgs));
            out << "    " << Pad(EntryKeyName(sc.family, index) + " ", 10) << sc.where << "\\"
                << Printable(Get(doc, name, EntryKeyName(sc.family, index, kSuffixTitle)))
                << ".lnk -> target folder\\" << Printable(target)
                << (args.empty() ? "" : " " + Printable(args)) << "\n";
        }
    }
    for (const auto& [index, target] : ReadFamily(doc, name, Family::kRun)) {
        out << "    " << Pad(EntryKeyName(Family::kRun, index), 10) << "opens target folder\\"
            << Printable(target) << " at the end\n";
    }
}

void ListInstallTypes(const IniDocument& doc, std::ostream& out) {
    out << "install types\n";
    for (int t = 0; t < kInstallTypes; ++t) {
        std::string key = "Type" + std::to_string(t);
        std::string typeName = Get(doc, "InstTypes", key);
        if (typeName.empty()) {
            continue;
        }
        bool enabled = FlagValue(doc, "InstTypes", key + "Enabled");
        out << "  " << key << "  " << Pad(Printable(typeName), 20)
            << (enabled ? "enabled" : "disabled") << (t == kInstallTypes - 1 ? " (custom)" : "")
            << "\n";
    }
}

}  // namespace

void ListPackage(const PackageInfo& p, std::ostream& out) {
    ListLayout(p, out);
    ListSwitches(p.doc, out);
    for (int slot = 0; slot < layout::kComponentSlots; ++slot) {
        ListComponent(p, slot, out);
    }
    ListInstallTypes(p.doc, out);
}

namespace {

struct Range {
    uint64_t offset, end;
    std::string name;
};

void CheckCoverage(std::vector<Range>& ranges, uint64_t payloadSize,
                   std::vector<std::string>& problems);
void CheckPayloadChecksum(const PackageInfo& p, File& file, VerifyReport& report);
void VerifyLzmaBlocks(const PackageInfo& p, File& file, VerifyReport& report);

bool StreamInPayload(const PackageEntry& e, uint64_t payloadSize) {
    return e.offset <= payloadSize && e.length <= payloadSize - e.offset;
}

}  // namespace

std::vector<std::string> CheckEntryPaths(const PackageInfo& p) {
    std::vector<std::string> problems;
    for (const PackageDir& d : p.dirs) {
        if (std::string why = CheckEntryPath(d.dest); !why.empty()) {
            problems.push_back("[" + std::string(layout::kComponentSectionPrefix) +
                               std::to_string(d.slot) + "] " + EntryKeyName(Family::kDir, d.index) +
                               " \"" + d.dest + "\" " + why);
        }
    }
    for (const PackageEntry& e : p.entries) {
        if (std::string why = CheckEntryPath(e.dest); !why.empty()) {
            problems.push_back(e.Name() + " \"" + e.dest + "\" " + why);
        }
    }
    return problems;
}

std::vector<std::string> CheckStreamLayout(const PackageInfo& p) {
    std::vector<std::string> problems;
    const uint64_t payloadSize = p.PayloadSize();
    if (payloadSize == 0) {
        problems.push_back(
            "the package ends right after the script: the installer refuses a "
            "package without payload");
        return problems;
    }
    if (!p.compression.empty() && !IsLzmaPackage(p)) {
        problems.push_back("the payload's compression \"" + p.compression +
                           "\" is unknown to nuvexpack and the installer");
        return problems;
    }
    std::vector<Range> ranges;
    std::set<std::pair<uint64_t, uint64_t>> blocks;  // LZMA entries share their block
    for (const PackageEntry& e : p.entries) {
        if (!e.problem.empty()) {
            problems.push_back(EntryLabel(e) + ": " + e.problem);
        } else if (!StreamInPayload(e, payloadSize)) {
            problems.push_back(EntryLabel(e) + ": its stream runs past the end of the payload");
        } else if (!IsLzmaPackage(p) || blocks.insert({e.offset, e.length}).second) {
            ranges.push_back({e.offset, e.offset + e.length, EntryLabel(e)});
        }
    }
    if (!p.entries.empty()) {
        CheckCoverage(ranges, payloadSize, problems);
    }
    return problems;
}

VerifyReport VerifyPackage(const PackageInfo& p) {
    VerifyReport report;
    report.problems = CheckEntryPaths(p);
    std::vector<std::string> layout = CheckStreamLayout(p);
    report.problems.insert(report.problems.end(), layout.begin(), layout.end());
    if (p.PayloadSize() == 0) {
        return report;
    }
    File file = File::OpenRead(p.path);
    if (IsLzmaPackage(p) && !p.entries.empty()) {
        VerifyLzmaBlocks(p, file, report);
        CheckPayloadChecksum(p, file, report);
        return report;
    }
    // Entries sharing one stream are reported above; inflating that stream once is enough.
    std::map<std::tuple<uint64_t, uint64_t, uint64_t, uint32_t>, std::string> inflated;
    for (const PackageEntry& e : p.entries) {
        if (!e.problem.empty() || !StreamInPayload(e, p.PayloadSize())) {
            continue;
        }
        auto id = std::make_tuple(e.offset, e.length, e.origlen, e.crc);
        auto it = inflated.find(id);
        if (it == inflated.end()) {
            ++report.streams;
            it = inflated
                     .emplace(id, InflateStream(file, p.payloadBase + e.offset, e.length, e.origlen,
                                                e.crc, nullptr))
                     .first;
        }
        if (!it->second.empty()) {
            report.problems.push_back(EntryLabel(e) + ": " + it->second);
        }
    }
    if (p.entries.empty()) {
        // A package without payload files holds one empty stream (see compression.h).
        ++report.streams;
        std::string why = InflateStream(file, p.payloadBase, p.PayloadSize(), 0, 1, nullptr);
        if (!why.empty()) {
            report.problems.push_back("the empty payload stream: " + why);
        }
    }
    CheckPayloadChecksum(p, file, report);
    return report;
}

namespace {

void CheckCoverage(std::vector<Range>& ranges, uint64_t payloadSize,
                   std::vector<std::string>& problems) {
    // Every payload byte must lie in exactly one stream, or a damaged byte could go unseen.
    std::sort(ranges.begin(), ranges.end(),
              [](const Range& a, const Range& b) { return a.offset < b.offset; });
    uint64_t covered = 0;
    const Range* previous = nullptr;
    for (const Range& r : ranges) {
        if (r.offset > covered) {
            problems.push_back("payload bytes " + std::to_string(covered) + " to " +
                               std::to_string(r.offset - 1) + " belong to no entry");
        } else if (r.offset < covered && previous != nullptr) {
            problems.push_back(r.name + ": its stream overlaps that of " + previous->name);
        }
        if (r.end >= covered) {
            covered = r.end;
            previous = &r;
        }
    }
    if (covered < payloadSize) {
        problems.push_back("the last " + std::to_string(payloadSize - covered) +
                           " payload bytes belong to no entry");
    }
}

// Collects the problems of the entries as their blocks are decoded.
class ProblemSink final : public LzmaEntrySink {
public:
    explicit ProblemSink(std::vector<std::string>& problems) : problems_(problems) {}
    void Begin(const PackageEntry&) override {}
    void Data(const unsigned char*, std::size_t) override {}
    void End(const PackageEntry& e, const std::string& problem) override {
        if (!problem.empty()) {
            problems_.push_back(EntryLabel(e) + ": " + problem);
        }
    }

private:
    std::vector<std::string>& problems_;
};

void VerifyLzmaBlocks(const PackageInfo& p, File& file, VerifyReport& report) {
    std::vector<std::string> order = CheckLzmaOrder(p);
    report.problems.insert(report.problems.end(), order.begin(), order.end());
    ProblemSink sink(report.problems);
    for (const LzmaBlockEntries& block : GroupLzmaBlocks(p)) {
        ++report.streams;
        std::string why = DecodeLzmaBlock(file, p.payloadBase, block, sink);
        if (!why.empty()) {
            report.problems.push_back("the LZMA block at payload offset " +
                                      std::to_string(block.offset) + ": " + why);
        }
    }
}

void CheckPayloadChecksum(const PackageInfo& p, File& file, VerifyReport& report) {
    if (!p.declaredPayloadSize || !p.declaredPayloadCrc) {
        return;
    }
    report.checksummed = true;
    if (*p.declaredPayloadSize != p.PayloadSize()) {
        report.problems.push_back("the payload is " + std::to_string(p.PayloadSize()) +
                                  " bytes long, the script says " +
                                  std::to_string(*p.declaredPayloadSize));
        return;
    }
    file.Seek(p.payloadBase);
    std::vector<unsigned char> buf(64 * 1024);
    uint32_t crc = 0;
    for (uint64_t left = p.PayloadSize(); left > 0;) {
        std::size_t n =
            file.Read(buf.data(), left < buf.size() ? static_cast<std::size_t>(left) : buf.size());
        if (n == 0) {
            break;
        }
        crc = Crc32(crc, buf.data(), n);
        left -= n;
    }
    if (crc != *p.declaredPayloadCrc) {
        report.problems.push_back("the payload's CRC-32 is " + std::to_string(crc) +
                                  ", the script says " + std::to_string(*p.declaredPayloadCrc) +
                                  ": payload bytes have changed");
    }
}

}  // namespace

namespace {

// Writes each file of the blocks as it is decoded, under a temporary name until its
// Adler-32 has been checked.
class ExtractSink final : public LzmaEntrySink {
public:
    ExtractSink(const std::function<fs::path(const PackageEntry&)>& targetOf,
                const std::string& where, Diagnostics& diag)
        : targetOf_(targetOf), where_(where), diag_(diag) {}

    void Begin(const PackageEntry& e) override {
        out_.reset();
        fs::path target = targetOf_(e);
        if (target.empty()) {
            return;
        }
        try {
            std::error_code ec;
            fs::create_directories(target.parent_path(), ec);
            out_ = std::make_unique<TempOutput>(target);
        } catch (const PackError& err) {
            diag_.Error(where_, 0, EntryLabel(e) + ": " + err.what());
        }
    }
    void Data(const unsigned char* data, std::size_t size) override {
        if (out_) {
            try {
                out_->file().Write(data, size);
            } catch (const PackError& err) {
                error_ = err.what();
                out_.reset();
            }
        }
    }
    void End(const PackageEntry& e, const std::string& problem) override {
        if (!error_.empty()) {
            diag_.Error(where_, 0, EntryLabel(e) + ": " + error_);
        } else if (out_ && !problem.empty()) {
            diag_.Error(where_, 0, EntryLabel(e) + ": " + problem + "; not written");
        } else if (out_) {
            try {
                out_->Commit();
                ++written;
            } catch (const PackError& err) {
                diag_.Error(where_, 0, EntryLabel(e) + ": " + err.what());
            }
        }
        out_.reset();
        error_.clear();
    }
    std::size_t written = 0;

private:
    const std::function<fs::path(const PackageEntry&)>& targetOf_;
    const std::string& where_;
    Diagnostics& diag_;
    std::unique_ptr<TempOutput> out_;
    std::string error_;
};

std::size_t ExtractLzmaBlocks(const PackageInfo& p, File& package,
                              const std::function<fs::path(const PackageEntry&)>& targetOf,
                              Diagnostics& diag) {
    const std::string where = PathText(p.path);
    ExtractSink sink(targetOf, where, diag);
    for (const LzmaBlockEntries& block : GroupLzmaBlocks(p)) {
        std::string why = DecodeLzmaBlock(package, p.payloadBase, block, sink);
        if (!why.empty()) {
            diag.Error(
                where, 0,
                "the LZMA block at payload offset " + std::to_string(block.offset) + ": " + why);
        }
    }
    return sink.written;
}

// What the installer never reads, it never writes: true, with the reason as a warning, for
// a directory or entry that is left out.
bool LeftOut(const PackageInfo& p, int slot, bool reachable, const std::string& name,
             Diagnostics& diag) {
    const std::string where = PathText(p.path);
    if (slot >= p.componentsRead) {
        diag.Warn(where, 0,
                  name + " is left out: the installer reads only " +
                      std::to_string(p.componentsRead) + " components");
        return true;
    }
    if (!reachable) {
        diag.Warn(where, 0,
                  name +
                      " is left out: it comes after a gap in the numbering, "
                      "where the installer stops reading");
        return true;
    }
    return false;
}

void ExtractDirs(const PackageInfo& p, const fs::path& dir, Diagnostics& diag) {
    const std::string where = PathText(p.path);
    for (const PackageDir& d : p.dirs) {
        std::string why;
        fs::path target = SafeJoin(dir, Family::kDir, d.dest, &why);
        std::string name =
            "[Component" + std::to_string(d.slot) + "] " + EntryKeyName(Family::kDir, d.index);
        if (LeftOut(p, d.slot, d.reachable, name, diag)) {
            continue;
        }
        if (target.empty()) {
            diag.Error(where, 0, name + " \"" + d.dest + "\" " + why + "; refused");
            continue;
        }
        std::error_code ec;
        fs::create_directories(target, ec);
        if (ec) {
            diag.Error(where, 0,
                       name + ": cannot create " + PathText(target) + ": " + ec.message());
        }
    }
}

std::size_t ExtractZlibEntries(const PackageInfo& p, File& package,
                               const std::function<fs::path(const PackageEntry&)>& targetOf,
                               Diagnostics& diag) {
    const std::string where = PathText(p.path);
    std::size_t written = 0;
    for (const PackageEntry& e : p.entries) {
        std::string name = EntryLabel(e);
        fs::path target = targetOf(e);
        if (target.empty()) {
            continue;
        }
        try {
            std::error_code ec;
            fs::create_directories(target.parent_path(), ec);
            TempOutput out(target);
            std::string bad = InflateStream(
                package, p.payloadBase + e.offset, e.length, e.origlen, e.crc,
                [&](const unsigned char* data, std::size_t n) { out.file().Write(data, n); });
            if (!bad.empty()) {
                diag.Error(where, 0, name + ": " + bad + "; not written");
                continue;
            }
            out.Commit();
            ++written;
        } catch (const PackError& err) {
            diag.Error(where, 0, name + ": " + err.what());
        }
    }
    return written;
}

}  // namespace

bool ExtractPackage(const PackageInfo& p, const fs::path& dir, Diagnostics& diag,
                    std::size_t* filesWritten) {
    if (filesWritten != nullptr) {
        *filesWritten = 0;
    }
    const std::string where = PathText(p.path);
    // Streams that overlap or lie outside the payload could make a small package write
    // without end: refuse the whole package before anything is written.
    std::vector<std::string> layout = CheckStreamLayout(p);
    if (!layout.empty()) {
        for (const std::string& problem : layout) {
            diag.Error(where, 0, problem);
        }
        diag.Error(where, 0,
                   "the payload's streams are not laid out as the builder lays "
                   "them; nothing is extracted");
        return false;
    }
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) {
        diag.Error(PathText(dir), 0, "cannot create the folder: " + ec.message());
        return false;
    }
    ExtractDirs(p, dir, diag);
    File package = File::OpenRead(p.path);
    // Where entry `e` goes; empty when it is left out or refused.
    auto targetOf = [&](const PackageEntry& e) -> fs::path {
        std::string name = EntryLabel(e);
        if (LeftOut(p, e.slot, e.reachable, name, diag)) {
            return {};
        }
        if (!e.problem.empty()) {
            diag.Error(where, 0, name + ": " + e.problem);
            return {};
        }
        std::string why;
        fs::path target = SafeJoin(dir, e.family, e.dest, &why);
        if (target.empty()) {
            diag.Error(where, 0, name + ": \"" + e.dest + "\" " + why + "; refused");
        }
        return target;
    };
    const std::size_t written = IsLzmaPackage(p) ? ExtractLzmaBlocks(p, package, targetOf, diag)
                                                 : ExtractZlibEntries(p, package, targetOf, diag);
    if (filesWritten != nullptr) {
        *filesWritten = written;
    }
    return !diag.HasErrors();
}

}  // namespace nuvex::pack
