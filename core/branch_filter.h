// The x86 branch filter of LZMA blocks (filter 1 in package_layout.h): the 32-bit relative
// targets of the CALL (E8) and JMP (E9) instructions of an executable become absolute ones,
// so that calls to one function repeat byte for byte and LZMA finds them as matches.
//
// Only targets within 16 MiB of their instruction are converted, and the result keeps that
// range: bit 24 is sign-extended into the top byte, which stays 00 or FF. After every E8 or E9
// the four bytes that follow are passed over whether converted or not, so the walk visits the
// same positions on filtered bytes as on the original ones, and the decoder finds exactly the
// windows the encoder converted.
#pragma once

#include <cstddef>
#include <cstdint>

namespace nuvex {

// Whether a file takes the filter: a PE (MZ) or ELF executable. The filter never changes the
// bytes this looks at (none of them is E8 or E9, nor follows one), so the decoder asks the
// same of the filtered bytes.
bool TakesBranchFilter(const unsigned char* data, std::size_t size);

// Converts `data[0..size)`, which stands at byte `position` of its file; `encode` true to
// filter, false to restore. Returns how many bytes are final: fewer than `size` when an E8 or
// E9 lies within the last four bytes, whose window the next call, given the bytes from the
// returned count on, completes. Bytes left over at the file's end stay as they are.
std::size_t BranchFilter(unsigned char* data, std::size_t size, uint32_t position, bool encode);

}  // namespace nuvex
