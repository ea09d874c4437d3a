#include "payload_inflate.h"

#include <zlib.h>

namespace nuvex {

namespace {

// uncompress() as zlib 1.1 had it: one inflate() call with Z_FINISH over the whole stream.
// `adler` receives the Adler-32 of the output, which inflate() computes as it goes (and checks
// against the stream's own trailer), so the output need not be read a second time.
int Uncompress(const unsigned char* in, uint32_t inLength, unsigned char* out, uint32_t capacity,
               uint32_t* produced, uint32_t* adler) {
    z_stream stream = {};
    stream.next_in = const_cast<Bytef*>(in);
    stream.avail_in = inLength;
    stream.next_out = out;
    stream.avail_out = capacity;
    *produced = 0;
    int result = inflateInit(&stream);
    if (result != Z_OK) {
        return result;
    }
    result = inflate(&stream, Z_FINISH);
    if (result != Z_STREAM_END) {
        inflateEnd(&stream);
        // No progress possible: the output is full or the input has run out.
        return result == Z_OK ? Z_BUF_ERROR : result;
    }
    *produced = static_cast<uint32_t>(stream.total_out);
    *adler = static_cast<uint32_t>(stream.adler);
    return inflateEnd(&stream);
}

}  // namespace

InflateResult InflatePayload(const unsigned char* in, uint32_t inLength, unsigned char* out,
                             uint32_t capacity, uint32_t crc, uint32_t* produced) {
    uint32_t adler = 0;
    switch (Uncompress(in, inLength, out, capacity, produced, &adler)) {
        case Z_OK:
            break;
        case Z_MEM_ERROR:
        case Z_BUF_ERROR:
            return InflateResult::kNoMemory;
        default:
            // Z_DATA_ERROR, and a stream that asks for a preset dictionary, which no
            // package stream has.
            return InflateResult::kDamaged;
    }
    return adler == crc ? InflateResult::kOk : InflateResult::kDamaged;
}

}  // namespace nuvex
