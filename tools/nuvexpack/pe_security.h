// The PE header fields that Authenticode signing changes, and the record of a signed
// stub's own fields in the header section of a package. Pure functions over bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace nuvex::pack {

// Where a PE image keeps its checksum and its security directory entry, and their values.
struct PeSecurity {
    bool valid = false;          // an MZ image with a PE header and a security entry slot
    uint64_t checksumField = 0;  // file offset of the optional header's CheckSum
    uint64_t entryField = 0;     // file offset of the security directory entry
    uint32_t checksum = 0;
    uint32_t tableOffset = 0;  // the certificate table, a file offset; 0 when unsigned
    uint32_t tableSize = 0;
};

// `head` is the start of the file; 4096 bytes hold every header a linker writes.
PeSecurity ReadPeSecurity(std::string_view head);
void PutLittle32(std::string& bytes, uint64_t at, uint32_t value);

// The stub's own signature, as the header section of a signed package records it.
struct StubRecord {
    uint32_t certOffset = 0;
    uint32_t certSize = 0;
    uint32_t checksum = 0;
};
inline constexpr char kStubCertOffsetKey[] = "StubCertOffset";
inline constexpr char kStubCertSizeKey[] = "StubCertSize";
inline constexpr char kStubCheckSumKey[] = "StubCheckSum";

// The script (header to end marker, as stored) with the record's keys right after the
// header line, in place of any it held.
std::string WithStubRecord(const std::string& script, const StubRecord& record);

// The first S bytes of a package with the stub's own security entry and checksum: the
// uninstaller as a signed stub gives it.
std::string UninstallerImage(std::string stub, const StubRecord& record);

}  // namespace nuvex::pack
