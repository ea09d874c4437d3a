#include "script_writer.h"

#include "package_layout.h"
#include "script_review.h"

namespace nuvex::pack {

namespace {

constexpr char kLineEnd[] = "\r\n";
constexpr uint64_t kMaxRequiedSpace = 0xFFFFFFFFull;

void PutLine(std::string& out, const std::string& line) {
    out += line;
    out += kLineEnd;
}

void PutKey(std::string& out, const std::string& key, const std::string& value) {
    PutLine(out, key + "=" + value);
}

void PutStreamKeys(std::string& out, Family family, int index, const StreamInfo& s) {
    PutKey(out, EntryKeyName(family, index, kSuffixLength), std::to_string(s.length));
    PutKey(out, EntryKeyName(family, index, kSuffixOrigLen), std::to_string(s.origlen));
    PutKey(out, EntryKeyName(family, index, kSuffixCrc), std::to_string(s.adler));
    PutKey(out, EntryKeyName(family, index, kSuffixOffset), std::to_string(s.offset));
}

// A path as a value the profile functions give back unchanged: they drop blanks at either
// end, and a pair of quotes around it.
std::string PathValue(const std::string& path) {
    auto special = [](char c) { return c == ' ' || c == '\t' || c == '\'' || c == '"'; };
    if (!path.empty() && (special(path.front()) || special(path.back()))) {
        return "\"" + path + "\"";
    }
    return path;
}

const ComponentPlan* PlanFor(const PackagePlan& plan, std::size_t section) {
    for (const ComponentPlan& c : plan.components) {
        if (c.section == section) {
            return &c;
        }
    }
    return nullptr;
}

void PutComponent(std::string& out, const IniSection& section, const ComponentPlan& component,
                  const std::vector<StreamInfo>& streams, const std::string& scriptName,
                  Diagnostics& diag) {
    // The builder's lines go after the last line with content, before trailing blanks.
    std::size_t insertAt = 0;
    for (std::size_t i = 0; i < section.body.size(); ++i) {
        IniLine::Kind k = section.body[i].kind;
        if (k != IniLine::Kind::kBlank && k != IniLine::Kind::kComment) {
            insertAt = i + 1;
        }
    }
    for (std::size_t i = 0; i <= section.body.size(); ++i) {
        if (i == insertAt) {
            for (const GeneratedEntry& g : component.generated) {
                PutKey(out, EntryKeyName(g.family, g.index), PathValue(g.dest));
                if (g.payload != kNoPayload) {
                    PutStreamKeys(out, g.family, g.index, streams[g.payload]);
                }
            }
            if (!component.hasRequiedSpace) {
                uint64_t space = component.payloadBytes;
                if (space > kMaxRequiedSpace) {
                    diag.Warn(scriptName, section.headerLine,
                              "[" + section.name + "] needs " + std::to_string(space) +
                                  " bytes, more than requiedspace can hold; it is set to " +
                                  std::to_string(kMaxRequiedSpace));
                    space = kMaxRequiedSpace;
                }
                PutKey(out, "requiedspace", std::to_string(space));
            }
        }
        if (i == section.body.size()) {
            break;
        }
        const IniLine& line = section.body[i];
        EntryKey key;
        if (line.kind == IniLine::Kind::kKey &&
            ParseEntryKey(line.name, &key) == KeyMatch::kEntry) {
            if (PackagePlan::IsBuilderKey(key)) {
                continue;
            }
            PutLine(out, line.raw);
            auto it = component.explicitPayload.find({key.family, key.index});
            if (key.suffix.empty() && it != component.explicitPayload.end()) {
                PutStreamKeys(out, key.family, key.index, streams[it->second]);
            }
            continue;
        }
        PutLine(out, line.raw);
    }
}

}  // namespace

std::string HeaderText() {
    std::string h;
    for (std::size_t i = 0; i < layout::kHeaderSize; ++i) {
        h += static_cast<char>(layout::HeaderByte(i));
    }
    return h;
}

std::string HeaderSectionName() { return HeaderText().substr(1, layout::kHeaderSize - 2); }

std::string ComposeScript(const PackagePlan& plan, const PayloadResult& payload,
                          const std::string& scriptName, Diagnostics& diag) {
    const std::vector<StreamInfo>& streams = payload.streams;
    std::string out;
    PutLine(out, HeaderText());
    PutKey(out, layout::kCreatorKey, layout::kCreatorValue);
    PutKey(out, kPayloadSizeKey, std::to_string(payload.size));
    PutKey(out, kPayloadCrcKey, std::to_string(payload.crc32));
    if (payload.method != nullptr) {
        PutKey(out, layout::kCompressionKey, payload.method);
    }
    const IniDocument& doc = plan.doc;
    for (std::size_t i = 0; i < doc.sections.size(); ++i) {
        const IniSection& section = doc.sections[i];
        if (i > 0 && EqualsNoCase(section.name, HeaderSectionName())) {
            continue;
        }
        if (i > 0) {
            PutLine(out, section.headerRaw);
        }
        if (const ComponentPlan* component = PlanFor(plan, i)) {
            PutComponent(out, section, *component, streams, scriptName, diag);
            continue;
        }
        const bool wizard = EqualsNoCase(section.name, "Wizard");
        for (const IniLine& line : section.body) {
            // The builder's own key: the installer has no use for it.
            if (wizard && line.kind == IniLine::Kind::kKey &&
                EqualsNoCase(line.name, kCodePageKey)) {
                continue;
            }
            PutLine(out, line.raw);
        }
    }
    out += layout::kEndMarker;
    return out;
}

}  // namespace nuvex::pack
