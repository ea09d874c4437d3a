// A signed package's uninstaller: the stub carries its own Authenticode signature, but the
// package's signature has since taken over the stub's header fields. The builder records the
// stub's values in the script; putting them back makes the copy the signed stub again.
#pragma once

#include <cstddef>
#include <cstdint>

namespace nuvex {

struct StubSignature {
    uint32_t certOffset;  // the security directory's file offset
    uint32_t certSize;
    uint32_t checksum;    // the optional header's CheckSum
};

// Writes the recorded values into the 32-bit program image `image` of `size` bytes. False,
// with nothing changed, when the image is not a 32-bit PE whose header lies inside it, or
// when the certificate table would not end exactly at the end of the image.
bool RestoreStubSignature(uint8_t* image, std::size_t size, const StubSignature& signature);

}  // namespace nuvex
