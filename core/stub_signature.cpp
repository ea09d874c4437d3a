#include "stub_signature.h"

#include "byte_io.h"

namespace nuvex {

namespace {

constexpr std::size_t kPeOffsetField = 0x3C;
constexpr std::size_t kCoffHeaderSize = 20;
constexpr uint16_t kPe32Magic = 0x10B;
constexpr std::size_t kCheckSumField = 64;   // in the optional header
constexpr std::size_t kSecurityEntry = 128;  // data directory 4 of a PE32 optional header

uint32_t Get32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

void Put32(uint8_t* p, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

}  // namespace

bool RestoreStubSignature(uint8_t* image, std::size_t size, const StubSignature& signature) {
    if (size < kPeOffsetField + 4 || image[0] != 'M' || image[1] != 'Z') {
        return false;
    }
    const std::size_t pe = Get32(image + kPeOffsetField);
    const std::size_t optional = pe + 4 + kCoffHeaderSize;
    if (pe > size || optional + kSecurityEntry + 8 > size || Get32(image + pe) != 0x00004550) {
        return false;
    }
    const uint16_t magic = static_cast<uint16_t>(image[optional] | image[optional + 1] << 8);
    if (magic != kPe32Magic ||
        static_cast<uint64_t>(signature.certOffset) + signature.certSize != size ||
        signature.certOffset < optional + kSecurityEntry + 8) {
        return false;
    }
    Put32(image + optional + kCheckSumField, signature.checksum);
    Put32(image + optional + kSecurityEntry, signature.certOffset);
    Put32(image + optional + kSecurityEntry + 4, signature.certSize);
    return true;
}

}  // namespace nuvex
