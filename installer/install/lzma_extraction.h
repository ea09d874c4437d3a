// The LZMA side of the extraction phase: which compression the package's payload has, and
// the one block being decoded, from which each entry takes its file in turn.
#pragma once

#include <windows.h>

#include <cstdint>

#include "global_buffer.h"
#include "lzma_block.h"

namespace nuvex {

enum class PayloadMethod { kZlib, kLzma, kUnknown };

// An entry's four attributes.
struct StreamAttributes {
    uint32_t length, origlen, crc, offset;
};

// How decoding one entry's file ended, whatever the compression.
using Decoded = LzmaResult;

// From the script copy's header section. A value this installer does not know makes every
// payload entry a damaged one.
PayloadMethod ReadPayloadMethod();

class LzmaExtraction {
public:
    // No block is open at the start of a component: blocks never span two, so a component
    // left out never leaves another one's block half read.
    void StartComponent() { reader_.Close(); }

    // The entry's file, the next one of its block, whole in `output` as with zlib, so that
    // its Adler-32 is checked before a byte of it is written. The block's header, and the
    // file's size against what the block has left, are checked before the file's buffer is
    // allocated. Sets the progress of entry `n` of `total` where the zlib path does.
    Decoded DecodeFile(PayloadMethod method, HANDLE package, const StreamAttributes& a,
                       GlobalBuffer& output, uint32_t* produced, int n, int total);

private:
    LzmaResult UseBlock(HANDLE package, uint32_t offset, uint32_t length);

    class PackageInput final : public LzmaInput {
    public:
        bool Read(unsigned char* buffer, uint32_t size, uint32_t* got) override;
        HANDLE package = INVALID_HANDLE_VALUE;
        uint64_t position = 0;
    };

    PackageInput input_;
    LzmaBlockReader reader_;
    uint32_t offset_ = 0, length_ = 0;
};

}  // namespace nuvex
