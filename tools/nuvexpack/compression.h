// Compression of payload files into zlib streams (RFC 1950), the format the installer
// inflates with zlib's uncompress().
//
// Two engines: zlib itself, and libdeflate where the build has it (the host build), which
// is several times faster at equal ratio and reaches smaller streams at its levels 10..12.
// Files larger than a limit are cut into pieces that are deflated one by one with the
// previous 32 KiB as dictionary and joined, pigz-style, into one stream; pieces always use
// zlib, as libdeflate can neither take a dictionary nor stop without ending the stream.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace nuvex::pack {

// kLzma is not a zlib engine: it selects the LZMA payload of lzma_payload.h, whose level is
// liblzma's preset.
enum class Engine { kZlib, kLibdeflate, kLzma };

bool EngineAvailable(Engine engine);
Engine PreferredEngine();  // libdeflate when built in, else zlib
const char* EngineName(Engine engine);
int MaxLevel(Engine engine);  // 9 for zlib, 12 for libdeflate
int DefaultLevel(Engine engine);

struct CompressionSettings {
    Engine engine = PreferredEngine();
    int level = DefaultLevel(PreferredEngine());
};

// The zlib level used for pieces of large files at this setting.
int PieceLevel(const CompressionSettings& settings);

// The two-byte zlib header deflate() writes at a zlib level, no dictionary.
std::array<unsigned char, 2> ZlibHeader(int zlibLevel);

// A complete zlib stream of no bytes, as zlib writes it at its default level. A package
// with no payload file still needs a payload byte; it gets this stream.
inline constexpr unsigned char kEmptyZlibStream[8] = {0x78, 0x9C, 0x03, 0x00,
                                                      0x00, 0x00, 0x00, 0x01};

// Compressor state for one thread; reused from file to file.
class StreamCompressor {
public:
    explicit StreamCompressor(const CompressionSettings& settings);
    ~StreamCompressor();
    StreamCompressor(const StreamCompressor&) = delete;
    StreamCompressor& operator=(const StreamCompressor&) = delete;

    // `size` bytes become one complete zlib stream in `out`.
    void CompressWhole(const unsigned char* in, std::size_t size, std::vector<unsigned char>& out);

    // Raw deflate data for one piece of a large file. `dict` is the end of the previous
    // piece (at most 32 KiB). A piece that is not `last` ends on a byte boundary, so the
    // next piece's data can follow it directly.
    void CompressPiece(const unsigned char* dict, std::size_t dictSize, const unsigned char* in,
                       std::size_t size, bool last, std::vector<unsigned char>& out);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace nuvex::pack
