// Reading a built package the way the installer reads it: the first header, the script up
// to its end marker, the payload after it, and the entries of the component sections.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "entry_keys.h"
#include "file_io.h"
#include "ini_document.h"

namespace nuvex::pack {

struct PackageEntry {
    int slot = 0;
    Family family = Family::kFile;
    int index = 0;
    std::string dest;
    uint64_t length = 0;
    uint64_t origlen = 0;
    uint64_t offset = 0;
    uint32_t crc = 0;
    bool reachable = true;  // false after a gap in the family's numbering
    std::string problem;    // a companion key missing or not a 32-bit number

    std::string Name() const;  // "[Component0] file0003"
};

struct PackageDir {
    int slot = 0;
    int index = 0;
    std::string dest;
    bool reachable = true;
};

struct PackageInfo {
    fs::path path;
    uint64_t fileSize = 0;
    uint64_t scriptOffset = 0;  // S
    uint64_t payloadBase = 0;   // P
    std::string script;         // as the installer copies it: "[END]" at its end
    IniDocument doc;
    std::vector<PackageEntry> entries;  // payload entries of [Component0]..[Component9]
    std::vector<PackageDir> dirs;
    // The whole payload's size and CRC-32 as the builder wrote them in the header section;
    // absent from packages made otherwise.
    std::optional<uint64_t> declaredPayloadSize;
    std::optional<uint32_t> declaredPayloadCrc;
    // The header section's Compression value: empty for zlib streams, "lzma" for blocks.
    std::string compression;
    // Components 0 to componentsRead - 1 are the ones the installer reads.
    int componentsRead = 0;
    // The payload ends where a signed package's certificate table (and the zero bytes
    // that align it to 8) begins; else at the end of the file.
    uint64_t payloadEnd = 0;
    uint64_t certOffset = 0;  // the package's certificate table; size 0 when unsigned
    uint64_t certSize = 0;
    // The stub's own signature, recorded by the signer in the header section.
    std::optional<uint64_t> stubCertOffset, stubCertSize, stubCheckSum;

    uint64_t PayloadSize() const { return payloadEnd - payloadBase; }
};

// Throws PackError when no script can be found.
PackageInfo ReadPackage(const fs::path& path);

// What uncompress() does for the installer, without holding the stream or the file: the
// `length` bytes at `position` must be one complete zlib stream that inflates to exactly
// `origlen` bytes with Adler-32 `crc`. The bytes go to `sink` as they come. Returns an
// empty text when the stream is good, else what is wrong with it.
using ByteSinkFn = std::function<void(const unsigned char*, std::size_t)>;
std::string InflateStream(File& file, uint64_t position, uint64_t length, uint64_t origlen,
                          uint32_t crc, const ByteSinkFn& sink);

}  // namespace nuvex::pack
