#include "package_reader.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <map>
#include <tuple>

#include "diagnostics.h"
#include "package_layout.h"
#include "payload_pipeline.h"
#include "script_checks.h"
#include "settings.h"
#include "pe_security.h"
#include "script_extract.h"
#include "script_keys.h"
#include "script_writer.h"
#include "text_rules.h"

namespace nuvex::pack {

namespace {

// Small enough for the ordinary heap: a sanitizer build maps and unmaps every larger block,
// and verify inflates thousands of streams.
constexpr std::size_t kChunk = 64 * 1024;

// Refuses bytes beyond its capacity, which ends the script copy with kWriteFailed.
class CappedSink final : public ByteSink {
public:
    explicit CappedSink(uint64_t capacity) : capacity_(capacity) {}
    bool Put(unsigned char byte) override {
        if (text.size() >= capacity_) {
            return false;
        }
        text += static_cast<char>(byte);
        return true;
    }
    std::string text;

private:
    uint64_t capacity_;
};

bool ParseUnsigned32(const std::string& text, uint64_t* out) {
    if (text.empty() || text.size() > 10 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    *out = std::stoull(text);
    return *out <= 0xFFFFFFFFull;
}

bool ParseUnsigned64(const std::string& text, uint64_t* out) {
    if (text.empty() || text.size() > 19 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    *out = std::stoull(text);
    return true;
}

void ReadComponent(const IniSection& section, int slot, PackageInfo& info) {
    std::map<std::tuple<Family, int, std::string>, const IniLine*> keys;
    for (const IniLine& line : section.body) {
        EntryKey key;
        if (line.kind == IniLine::Kind::kKey &&
            ParseEntryKey(line.name, &key) == KeyMatch::kEntry) {
            keys.emplace(std::make_tuple(key.family, key.index, key.suffix), &line);
        }
    }
    auto value = [&](Family f, int i, const char* suffix) -> const IniLine* {
        auto it = keys.find(std::make_tuple(f, i, std::string(suffix)));
        return it == keys.end() ? nullptr : it->second;
    };
    for (Family family : {Family::kDir, Family::kFile, Family::kWin, Family::kSys}) {
        int expected = 0;
        for (const auto& [id, line] : keys) {
            if (std::get<0>(id) != family || !std::get<2>(id).empty()) {
                continue;
            }
            int index = std::get<1>(id);
            bool reachable = index == expected;
            if (reachable) {
                ++expected;
            }
            if (family == Family::kDir) {
                info.dirs.push_back({slot, index, ProfileValue(line->value), reachable});
                continue;
            }
            PackageEntry e;
            e.slot = slot;
            e.family = family;
            e.index = index;
            e.dest = ProfileValue(line->value);
            e.reachable = reachable;
            struct {
                const char* suffix;
                uint64_t* field;
            } fields[] = {{kSuffixLength, &e.length},
                          {kSuffixOrigLen, &e.origlen},
                          {kSuffixOffset, &e.offset}};
            for (auto& f : fields) {
                const IniLine* v = value(family, index, f.suffix);
                if (v == nullptr) {
                    e.problem = EntryKeyName(family, index, f.suffix) + " is missing";
                } else if (!ParseUnsigned32(ProfileValue(v->value), f.field)) {
                    e.problem = EntryKeyName(family, index, f.suffix) + " is not a 32-bit number";
                }
            }
            uint64_t crc = 0;
            const IniLine* v = value(family, index, kSuffixCrc);
            if (v == nullptr) {
                e.problem = EntryKeyName(family, index, kSuffixCrc) + " is missing";
            } else if (!ParseUnsigned32(ProfileValue(v->value), &crc)) {
                e.problem = EntryKeyName(family, index, kSuffixCrc) + " is not a 32-bit number";
            }
            e.crc = static_cast<uint32_t>(crc);
            info.entries.push_back(std::move(e));
        }
    }
}

// The sections and keys that ReadPackage and ListPackage ask for. A hostile script of
// megabytes of other lines then costs no memory beyond its own bytes.
bool KeptByReader(std::string_view section, std::string_view key) {
    auto numbered = [&](std::string_view prefix, std::string_view suffix) {
        if (key.size() != prefix.size() + 1 + suffix.size() ||
            !EqualsNoCase(key.substr(0, prefix.size()), prefix) ||
            !EqualsNoCase(key.substr(prefix.size() + 1), suffix)) {
            return false;
        }
        char digit = key[prefix.size()];
        return digit >= '0' && digit < '0' + kInstallTypes;
    };
    if (ComponentSlot(std::string(section)) >= 0) {
        EntryKey entry;
        return key.empty() || ParseEntryKey(key, &entry) == KeyMatch::kEntry ||
               EqualsNoCase(key, "Title") || EqualsNoCase(key, "Requied") ||
               EqualsNoCase(key, "requiedspace") || numbered("UseInInstType", "");
    }
    if (EqualsNoCase(section, HeaderSectionName())) {
        return key.empty() || EqualsNoCase(key, kPayloadSizeKey) ||
               EqualsNoCase(key, kPayloadCrcKey) || EqualsNoCase(key, layout::kCompressionKey) ||
               EqualsNoCase(key, kStubCertOffsetKey) || EqualsNoCase(key, kStubCertSizeKey) ||
               EqualsNoCase(key, kStubCheckSumKey);
    }
    if (EqualsNoCase(section, "Components")) {
        return key.empty() || EqualsNoCase(key, "NumberOfComponents");
    }
    if (EqualsNoCase(section, "Wizard") &&
        (EqualsNoCase(key, "szInstallAppName") || EqualsNoCase(key, "defaultlang"))) {
        return true;
    }
    // The switches that list shows as the installer reads them.
    if (const ScriptKey* k =
            FindStartupKey(std::string(section).c_str(), std::string(key).c_str())) {
        return k->kind == KeyKind::kFlag || k->kind == KeyKind::kFlagNotFalse;
    }
    if (EqualsNoCase(section, "Wizard") || EqualsNoCase(section, "Dialogs") ||
        EqualsNoCase(section, "Design")) {
        return key.empty();
    }
    if (EqualsNoCase(section, "InstTypes")) {
        return key.empty() || numbered("Type", "") || numbered("Type", "Enabled");
    }
    return false;
}

// A signed package ends in its certificate table, which its PE header points at; before
// the table, the signer pads the file with zero bytes to a multiple of 8. The payload ends
// where the builder's streams end (PayloadSize, else the last stream) when only such
// padding lies between them and the table; otherwise at the table, and verify names the
// bytes in between.
void FindPayloadEnd(File& file, PackageInfo& info) {
    info.payloadEnd = info.fileSize;
    std::string head(4096, '\0');
    file.Seek(0);
    head.resize(file.Read(&head[0], head.size()));
    PeSecurity pe = ReadPeSecurity(head);
    if (!pe.valid || pe.tableSize == 0 || pe.tableOffset < info.payloadBase ||
        static_cast<uint64_t>(pe.tableOffset) + pe.tableSize != info.fileSize) {
        return;
    }
    info.certOffset = pe.tableOffset;
    info.certSize = pe.tableSize;
    info.payloadEnd = pe.tableOffset;
    uint64_t streamsEnd = 0;
    if (info.declaredPayloadSize) {
        streamsEnd = info.payloadBase + *info.declaredPayloadSize;
    } else {
        for (const PackageEntry& e : info.entries) {
            if (e.problem.empty()) {
                streamsEnd = std::max(streamsEnd, info.payloadBase + e.offset + e.length);
            }
        }
    }
    if (streamsEnd < info.payloadBase || streamsEnd > pe.tableOffset ||
        pe.tableOffset - streamsEnd >= 8) {
        return;
    }
    unsigned char pad[8] = {};
    file.Seek(streamsEnd);
    std::size_t n = static_cast<std::size_t>(pe.tableOffset - streamsEnd);
    if (file.Read(pad, n) != n) {
        return;
    }
    for (std::size_t i = 0; i < n; ++i) {
        if (pad[i] != 0) {
            return;
        }
    }
    info.payloadEnd = streamsEnd;
}

}  // namespace

std::string PackageEntry::Name() const {
    return "[" + std::string(layout::kComponentSectionPrefix) + std::to_string(slot) + "] " +
           EntryKeyName(family, index);
}

PackageInfo ReadPackage(const fs::path& path) {
    PackageInfo info;
    info.path = path;
    File file = File::OpenRead(path);
    info.fileSize = file.Size();
    {
        FileByteSource source(file);
        uint32_t searched =
            info.fileSize > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(info.fileSize);
        HeaderSearchResult found = FindScriptHeader(source, searched);
        if (!found.found) {
            throw PackError(PathText(path) + " holds no installer script: it is not a package");
        }
        info.scriptOffset = found.scriptOffset;
    }
    file.Seek(info.scriptOffset);
    FileByteSource source(file);
    CappedSink sink(kMaxScriptBytes);
    ScriptCopyResult copied = CopyScript(source, sink);
    if (copied.end == ScriptCopyEnd::kWriteFailed) {
        throw PackError(PathText(path) + ": the script runs on past " +
                        std::to_string(kMaxScriptBytes) +
                        " bytes, the most nuvexpack reads (the installer's profile functions "
                        "cannot use a script of that size either)");
    }
    if (!ScriptCopyComplete(copied.end)) {
        throw PackError(PathText(path) + ": the script has no complete end marker");
    }
    info.payloadBase = info.scriptOffset + copied.bytesRead;
    info.script = std::move(sink.text);
    info.doc = IniDocument::Parse(info.script, KeptByReader);
    const std::string header = HeaderSectionName();
    uint64_t number = 0;
    if (auto v = info.doc.Get(header, kPayloadSizeKey); v && ParseUnsigned64(*v, &number)) {
        info.declaredPayloadSize = number;
    }
    if (auto v = info.doc.Get(header, kPayloadCrcKey); v && ParseUnsigned32(*v, &number)) {
        info.declaredPayloadCrc = static_cast<uint32_t>(number);
    }
    info.compression = info.doc.Get(header, layout::kCompressionKey).value_or("");
    struct {
        const char* key;
        std::optional<uint64_t>* field;
    } record[] = {{kStubCertOffsetKey, &info.stubCertOffset},
                  {kStubCertSizeKey, &info.stubCertSize},
                  {kStubCheckSumKey, &info.stubCheckSum}};
    for (auto& r : record) {
        if (auto v = info.doc.Get(header, r.key); v && ParseUnsigned32(*v, &number)) {
            *r.field = number;
        }
    }
    long long count = ProfileInt(info.doc.Get("Components", "NumberOfComponents").value_or(""));
    info.componentsRead = ComponentsToRead(
        static_cast<int>(std::clamp<long long>(count, 0, layout::kComponentSlots)));
    for (int slot = 0; slot < layout::kComponentSlots; ++slot) {
        const IniSection* section =
            info.doc.FindSection(layout::kComponentSectionPrefix + std::to_string(slot));
        if (section != nullptr) {
            ReadComponent(*section, slot, info);
        }
    }
    FindPayloadEnd(file, info);
    return info;
}

std::string InflateStream(File& file, uint64_t position, uint64_t length, uint64_t origlen,
                          uint32_t crc, const ByteSinkFn& sink) {
    z_stream z{};
    if (inflateInit(&z) != Z_OK) {
        throw PackError("inflateInit failed");
    }
    std::vector<unsigned char> in(kChunk);
    std::vector<unsigned char> out(kChunk);
    uint64_t remaining = length;
    uint64_t produced = 0;
    uint32_t adler = 1;
    std::string problem;
    file.Seek(position);
    int rc = Z_OK;
    while (rc != Z_STREAM_END) {
        if (z.avail_in == 0) {
            if (remaining == 0) {
                problem = "the stream is cut short: its " + std::to_string(length) +
                          " bytes end inside the deflate data";
                break;
            }
            std::size_t want = remaining < kChunk ? static_cast<std::size_t>(remaining) : kChunk;
            std::size_t got = file.Read(in.data(), want);
            if (got == 0) {
                problem = "the stream runs past the end of the package";
                break;
            }
            remaining -= got;
            z.next_in = in.data();
            z.avail_in = static_cast<uInt>(got);
        }
        z.next_out = out.data();
        z.avail_out = static_cast<uInt>(out.size());
        rc = inflate(&z, Z_NO_FLUSH);
        if (rc != Z_OK && rc != Z_STREAM_END) {
            problem = std::string("the stream is damaged (") + (z.msg ? z.msg : "zlib error") + ")";
            break;
        }
        std::size_t n = out.size() - z.avail_out;
        produced += n;
        if (produced > origlen) {
            problem = "the stream inflates to more than its origlen of " + std::to_string(origlen) +
                      " bytes";
            break;
        }
        adler = Adler32(adler, out.data(), n);
        if (sink && n > 0) {
            sink(out.data(), n);
        }
    }
    uint64_t unused = remaining + z.avail_in;
    inflateEnd(&z);
    if (!problem.empty()) {
        return problem;
    }
    if (unused > 0) {
        return "the stream ends " + std::to_string(unused) + " bytes before its length of " +
               std::to_string(length);
    }
    if (produced != origlen) {
        return "the stream inflates to " + std::to_string(produced) + " bytes, origlen says " +
               std::to_string(origlen);
    }
    if (adler != crc) {
        return "the Adler-32 is " + std::to_string(adler) + ", crc says " + std::to_string(crc);
    }
    return {};
}

}  // namespace nuvex::pack
