#include "pe_security.h"

#include "ini_document.h"
#include "script_writer.h"

namespace nuvex::pack {

namespace {

uint32_t Little32(std::string_view b, uint64_t at) {
    return static_cast<uint32_t>(static_cast<unsigned char>(b[at])) |
           static_cast<uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
           static_cast<uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
           static_cast<uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}

uint32_t Little16(std::string_view b, uint64_t at) {
    return static_cast<uint32_t>(static_cast<unsigned char>(b[at])) |
           static_cast<uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8;
}

bool IsRecordKey(std::string_view line) {
    std::size_t eq = line.find('=');
    std::string_view name = TrimBlanks(line.substr(0, eq));
    return eq != std::string_view::npos &&
           (EqualsNoCase(name, kStubCertOffsetKey) || EqualsNoCase(name, kStubCertSizeKey) ||
            EqualsNoCase(name, kStubCheckSumKey));
}

// A folder of our own beside the output, for the files osslsigncode writes: it refuses
// to write over an existing file, so it needs names that are free, and in a folder only

}  // namespace

PeSecurity ReadPeSecurity(std::string_view b) {
    PeSecurity pe;
    if (b.size() < 0x40 || b[0] != 'M' || b[1] != 'Z') {
        return pe;
    }
    uint64_t header = Little32(b, 0x3C);
    if (header > b.size() || b.size() - header < 24 ||
        b.substr(header, 4) != std::string_view("PE\0\0", 4)) {
        return pe;
    }
    uint64_t optionalSize = Little16(b, header + 20);
    uint64_t optional = header + 24;
    if (b.size() - optional < 2) {
        return pe;
    }
    // PE32 and PE32+ differ in where the data directories begin.
    uint32_t magic = Little16(b, optional);
    uint64_t directories = magic == 0x10B ? 96 : magic == 0x20B ? 112 : 0;
    constexpr uint64_t kSecurityDirectory = 4;
    if (directories == 0 || optionalSize < directories + (kSecurityDirectory + 1) * 8 ||
        b.size() - optional < directories + (kSecurityDirectory + 1) * 8 ||
        Little32(b, optional + directories - 4) <= kSecurityDirectory) {
        return pe;
    }
    pe.valid = true;
    pe.checksumField = optional + 64;
    pe.entryField = optional + directories + kSecurityDirectory * 8;
    pe.checksum = Little32(b, pe.checksumField);
    pe.tableOffset = Little32(b, pe.entryField);
    pe.tableSize = Little32(b, pe.entryField + 4);
    return pe;
}

void PutLittle32(std::string& bytes, uint64_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

std::string WithStubRecord(const std::string& script, const StubRecord& record) {
    std::size_t at = HeaderText().size();
    std::string lineEnd = "\r\n";
    if (script.compare(at, 2, "\r\n") == 0) {
        at += 2;
    } else if (script.compare(at, 1, "\n") == 0) {
        at += 1;
        lineEnd = "\n";
    }
    std::string out = script.substr(0, at);
    if (at == HeaderText().size()) {
        out += lineEnd;
    }
    out += std::string(kStubCertOffsetKey) + "=" + std::to_string(record.certOffset) + lineEnd;
    out += std::string(kStubCertSizeKey) + "=" + std::to_string(record.certSize) + lineEnd;
    out += std::string(kStubCheckSumKey) + "=" + std::to_string(record.checksum) + lineEnd;
    // Keys of an earlier signing, up to the next section, give way to the new ones.
    bool inHeader = true;
    while (at < script.size()) {
        std::size_t end = script.find('\n', at);
        end = end == std::string::npos ? script.size() : end + 1;
        std::string_view line(script.data() + at, end - at);
        std::string_view trimmed = TrimBlanks(line);
        if (!trimmed.empty() && trimmed[0] == '[') {
            inHeader = false;
        }
        if (!(inHeader && IsRecordKey(line))) {
            out.append(line);
        }
        at = end;
    }
    return out;
}

std::string UninstallerImage(std::string stub, const StubRecord& record) {
    PeSecurity pe = ReadPeSecurity(std::string_view(stub).substr(0, 4096));
    if (pe.valid) {
        PutLittle32(stub, pe.checksumField, record.checksum);
        PutLittle32(stub, pe.entryField, record.certOffset);
        PutLittle32(stub, pe.entryField + 4, record.certSize);
    }
    return stub;
}

}  // namespace nuvex::pack
