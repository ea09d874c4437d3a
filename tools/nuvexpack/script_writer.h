// The script as the package holds it.
#pragma once

#include <string>
#include <vector>

#include "diagnostics.h"
#include "package_plan.h"
#include "payload_pipeline.h"

namespace nuvex::pack {

// From the header to the end marker, CR LF line ends:
//   the header section with Creator=NuvexGenerator;
//   the maker's lines, less any [Nuvex] section of theirs, less the builder's keys (trees,
//   sources, and any length/origlen/crc/offset the maker wrote);
//   after each payload entry line, its length, origlen, crc and offset;
//   at the end of each component section, the entries the builder added and, when the
//   maker gave none, requiedspace.
// `payload.streams` holds one StreamInfo per plan.payload item.
std::string ComposeScript(const PackagePlan& plan, const PayloadResult& payload,
                          const std::string& scriptName, Diagnostics& diag);

// Keys of the header section, which the installer never reads: the size and CRC-32 of the
// whole payload, for verify. Every payload byte is under this checksum, also the few bits
// that inflate skips (the padding after a stream's last block, say) and the bytes no
// entry names.
inline constexpr char kPayloadSizeKey[] = "PayloadSize";
inline constexpr char kPayloadCrcKey[] = "PayloadCrc32";

// The seven header bytes, and the name of the section they open.
std::string HeaderText();
std::string HeaderSectionName();

}  // namespace nuvex::pack
