// Inflation and verification of one payload stream, with the result rules of the zlib 1.1
// interface that the package format was made for.
#pragma once

#include <cstdint>

namespace nuvex {

enum class InflateResult {
    kOk,
    kNoMemory,  // out of memory, or the output does not fit, or the stream ends early
    kDamaged,   // the deflate data is invalid, or the Adler-32 differs from `crc`
};

// Inflates the complete zlib stream of `inLength` bytes into `out`, which holds `capacity`
// bytes, and checks the Adler-32 of what came out against `crc`. `produced` receives the
// number of bytes written.
//
// Newer zlib releases turn a stream that ends early into Z_DATA_ERROR inside uncompress();
// the 1.1 interface reported Z_BUF_ERROR, so an empty or cut stream counted as a memory
// failure. Calling inflate() directly keeps that rule on any zlib version.
InflateResult InflatePayload(const unsigned char* in, uint32_t inLength, unsigned char* out,
                             uint32_t capacity, uint32_t crc, uint32_t* produced);

}  // namespace nuvex
