// Reading an LZMA block of a package (see package_layout.h): its header, checked against
// the limits before anything is allocated, then its decoded bytes in the order the files
// lie in it, a file at a time. Only one chunk of input and the dictionary are held, so the
// memory of a block does not grow with its size.
#pragma once

#include <cstdint>

#include "package_layout.h"

namespace nuvex {

enum class LzmaResult {
    kOk,
    kNoMemory,    // the dictionary or the input chunk could not be allocated
    kDamaged,     // a bad header, a size beyond a limit, bad or cut LZMA data
    kReadFailed,  // the input's read call failed
};

struct LzmaBlockHeader {
    unsigned char filter = layout::kLzmaFilterNone;
    unsigned char props[layout::kLzmaPropsSize] = {};
    uint32_t dictionary = 0;
    uint32_t unpacked = 0;  // decoded bytes of the whole block
};

// Checks the kLzmaBlockHeaderSize bytes at the start of a block `blockLength` bytes long.
LzmaResult ParseLzmaBlockHeader(const unsigned char* bytes, uint32_t blockLength,
                                LzmaBlockHeader* header);

// Where a block's bytes come from; positioned at the block's first byte before Open.
class LzmaInput {
public:
    // Up to `size` bytes into `buffer`, their number in `got`. False only when the read call
    // itself fails; zero bytes at the end of the file are a true result.
    virtual bool Read(unsigned char* buffer, uint32_t size, uint32_t* got) = 0;

protected:
    ~LzmaInput() = default;
};

class LzmaBlockReader {
public:
    LzmaBlockReader() = default;
    ~LzmaBlockReader() { Close(); }
    LzmaBlockReader(const LzmaBlockReader&) = delete;
    LzmaBlockReader& operator=(const LzmaBlockReader&) = delete;

    // Reads the header of the block of `blockLength` bytes from `input`, checks it and sets
    // up the decoder. `input` must stay valid until Close.
    LzmaResult Open(LzmaInput& input, uint32_t blockLength);
    // The next `size` decoded bytes into `out`. Asking for more than the block has left is
    // kDamaged, before anything is decoded.
    LzmaResult Read(unsigned char* out, uint32_t size);
    // After the last file: every decoded byte was taken, the LZMA data ends, and no byte of
    // the block is left over.
    LzmaResult Finish();
    void Close();

    bool IsOpen() const { return decoder_ != nullptr; }
    bool Filtered() const { return header_.filter == layout::kLzmaFilterX86; }
    uint32_t Left() const { return header_.unpacked - decoded_; }

private:
    LzmaResult Refill();

    struct Decoder;
    Decoder* decoder_ = nullptr;
    LzmaInput* input_ = nullptr;
    LzmaBlockHeader header_;
    unsigned char* chunk_ = nullptr;
    uint32_t chunkPos_ = 0, chunkSize_ = 0;
    uint32_t packedLeft_ = 0;  // bytes of the block not yet read from the input
    uint32_t decoded_ = 0;
};

}  // namespace nuvex
