// The payload writer: every source file becomes one zlib stream, compressed on several
// threads and written in order, end to end, to the payload file.
//
// Memory stays bounded whatever the payload: files are taken in payload order only while
// the bytes taken but not yet written stay within a budget, and files above a size limit
// are cut into pieces (see compression.h), so no file is ever held whole beyond the limit.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "compression.h"
#include "file_io.h"

namespace nuvex::pack {

struct PayloadSource {
    fs::path path;
    uint64_t size = 0;  // as found when the script was read; a file that changes fails
};

struct StreamInfo {
    uint64_t offset = 0;   // from the start of the payload
    uint64_t length = 0;   // compressed
    uint64_t origlen = 0;  // decompressed
    uint32_t adler = 1;    // Adler-32 of the decompressed bytes
};

struct PipelineOptions {
    CompressionSettings compression;
    unsigned jobs = 1;
    uint64_t inFlightBytes = 96ull << 20;   // source bytes taken but not yet written
    uint64_t wholeFileLimit = 32ull << 20;  // larger files go in pieces
    uint64_t pieceSize = 4ull << 20;
    // Called by the writing thread after each file: files and source bytes done so far.
    std::function<void(std::size_t files, uint64_t bytes)> onProgress;
};

struct PayloadResult {
    std::vector<StreamInfo> streams;  // one per source
    uint64_t size = 0;                // bytes written
    uint32_t crc32 = 0;               // CRC-32 of the bytes written
    const char* method = nullptr;     // the header section's Compression value; none for zlib
};

// Writes the streams at the current position of `out`; with no source at all, the empty
// stream of compression.h. Throws PackError naming the file when a source cannot be read
// or has changed size.
PayloadResult WritePayload(const std::vector<PayloadSource>& sources, File& out,
                           const PipelineOptions& options);

// CRC-32 over any number of bytes.
uint32_t Crc32(uint32_t crc, const unsigned char* data, std::size_t size);

// Adler-32 over any number of bytes.
uint32_t Adler32(uint32_t adler, const unsigned char* data, std::size_t size);

}  // namespace nuvex::pack
