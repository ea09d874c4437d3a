// From the product maker's script to a plan of the package: every payload entry with its
// source file, the entries a folder tree brings, the folders files need, and the checks
// that go with all of them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "diagnostics.h"
#include "entry_keys.h"
#include "file_io.h"
#include "ini_document.h"
#include "script_checks.h"

namespace nuvex::pack {

struct CodePage;

struct PlanInputs {
    std::string scriptName;  // as shown in messages
    fs::path sourceDir;      // where sources are looked up
    fs::path outputPath;     // never packed from a tree
    PackLimits limits;
    unsigned codePage = 0;                    // 0: codepage= of [Wizard], else 1252
    const CodePage* codePageTable = nullptr;  // set by MakePlan
};

// One payload file, in payload order.
struct PayloadItem {
    int slot = 0;
    Family family = Family::kFile;
    int index = 0;
    int line = 0;  // of the entry, or of the tree key it came from
    std::string dest;
    fs::path source;
    uint64_t size = 0;
};

inline constexpr std::size_t kNoPayload = static_cast<std::size_t>(-1);

// An entry the builder adds to a component: a dir, or a file from a tree.
struct GeneratedEntry {
    Family family = Family::kDir;
    int index = 0;
    std::string dest;
    std::size_t payload = kNoPayload;
};

struct ComponentPlan {
    int slot = 0;
    std::size_t section = 0;  // index into doc.sections
    // (family, index) of each payload entry the script lists -> index into payload.
    std::map<std::pair<Family, int>, std::size_t> explicitPayload;
    std::vector<GeneratedEntry> generated;  // dirs first, each family by index
    bool hasRequiedSpace = false;
    uint64_t payloadBytes = 0;  // decompressed bytes of the component's files
};

struct PackagePlan {
    IniDocument doc;
    std::vector<ComponentPlan> components;  // by slot
    std::vector<PayloadItem> payload;

    // The key, in a component section, that the builder drops or replaces.
    static bool IsBuilderKey(const EntryKey& key);
};

// Lines of the script text that no INI reader must see: NUL bytes and "[/". Returns the
// text without a UTF-8 byte order mark.
std::string_view CheckRawScript(std::string_view text, const std::string& file, Diagnostics& diag);

// The whole plan. Complete only when `diag` has no errors afterwards.
PackagePlan MakePlan(std::string_view scriptText, const PlanInputs& inputs, Diagnostics& diag);

}  // namespace nuvex::pack
