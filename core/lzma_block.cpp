#include "lzma_block.h"

#include <cstdlib>
#include <cstring>

// The SDK's Types.h includes <windows.h> when _WIN32 is defined; nothing of it is used here.
#include "LzmaDec.h"

namespace nuvex {

namespace {

// Input is read in chunks of this size: large enough that the decoder, not the read calls,
// sets the pace, small enough to stay out of the way of the 32-bit address space.
constexpr uint32_t kChunkSize = 64 * 1024;

// The range coder's first five bytes: a block shorter than header and these is cut.
constexpr uint32_t kRangeCoderInit = 5;

void* Allocate(void*, size_t size) { return std::malloc(size); }
void Release(void*, void* address) { std::free(address); }
ISzAlloc g_alloc = {Allocate, Release};

uint32_t Le32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

}  // namespace

struct LzmaBlockReader::Decoder {
    CLzmaDec state;
};

LzmaResult ParseLzmaBlockHeader(const unsigned char* bytes, uint32_t blockLength,
                                LzmaBlockHeader* header) {
    if (blockLength < layout::kLzmaBlockHeaderSize + kRangeCoderInit ||
        std::memcmp(bytes, layout::kLzmaMagic, sizeof layout::kLzmaMagic) != 0 ||
        bytes[sizeof layout::kLzmaMagic] > layout::kLzmaFilterX86) {
        return LzmaResult::kDamaged;
    }
    header->filter = bytes[sizeof layout::kLzmaMagic];
    const unsigned char* props = bytes + sizeof layout::kLzmaMagic + 1;
    std::memcpy(header->props, props, layout::kLzmaPropsSize);
    header->dictionary = Le32(props + 1);
    header->unpacked = Le32(props + layout::kLzmaPropsSize);
    CLzmaProps decoded;
    if (LzmaProps_Decode(&decoded, props, layout::kLzmaPropsSize) != SZ_OK ||
        header->dictionary > layout::kLzmaMaxDictionary ||
        header->unpacked > layout::kLzmaMaxUnpacked) {
        return LzmaResult::kDamaged;
    }
    return LzmaResult::kOk;
}

LzmaResult LzmaBlockReader::Open(LzmaInput& input, uint32_t blockLength) {
    Close();
    unsigned char bytes[layout::kLzmaBlockHeaderSize];
    uint32_t got = 0;
    if (blockLength < sizeof bytes) {
        return LzmaResult::kDamaged;
    }
    if (!input.Read(bytes, sizeof bytes, &got)) {
        return LzmaResult::kReadFailed;
    }
    if (got != sizeof bytes) {
        return LzmaResult::kDamaged;
    }
    LzmaBlockHeader header;
    if (LzmaResult r = ParseLzmaBlockHeader(bytes, blockLength, &header); r != LzmaResult::kOk) {
        return r;
    }
    chunk_ = static_cast<unsigned char*>(std::malloc(kChunkSize));
    decoder_ = static_cast<Decoder*>(std::malloc(sizeof(Decoder)));
    if (chunk_ == nullptr || decoder_ == nullptr) {
        Close();
        return LzmaResult::kNoMemory;
    }
    LzmaDec_Construct(&decoder_->state);
    // Allocates the probability tables and a dictionary of exactly the header's size.
    if (LzmaDec_Allocate(&decoder_->state, header.props, layout::kLzmaPropsSize, &g_alloc) !=
        SZ_OK) {
        Close();
        return LzmaResult::kNoMemory;
    }
    LzmaDec_Init(&decoder_->state);
    input_ = &input;
    header_ = header;
    packedLeft_ = blockLength - static_cast<uint32_t>(sizeof bytes);
    chunkPos_ = chunkSize_ = 0;
    decoded_ = 0;
    return LzmaResult::kOk;
}

void LzmaBlockReader::Close() {
    if (decoder_ != nullptr) {
        LzmaDec_Free(&decoder_->state, &g_alloc);
        std::free(decoder_);
        decoder_ = nullptr;
    }
    std::free(chunk_);
    chunk_ = nullptr;
    input_ = nullptr;
}

// Takes the next chunk of the block when the current one is used up.
LzmaResult LzmaBlockReader::Refill() {
    if (chunkPos_ < chunkSize_ || packedLeft_ == 0) {
        return LzmaResult::kOk;
    }
    const uint32_t want = packedLeft_ < kChunkSize ? packedLeft_ : kChunkSize;
    uint32_t got = 0;
    if (!input_->Read(chunk_, want, &got)) {
        return LzmaResult::kReadFailed;
    }
    if (got == 0 || got > want) {
        return LzmaResult::kDamaged;  // the file ends inside the block
    }
    packedLeft_ -= got;
    chunkPos_ = 0;
    chunkSize_ = got;
    return LzmaResult::kOk;
}

LzmaResult LzmaBlockReader::Read(unsigned char* out, uint32_t size) {
    if (decoder_ == nullptr || size > Left()) {
        return LzmaResult::kDamaged;
    }
    CLzmaDec& dec = decoder_->state;
    while (size > 0) {
        if (dec.dicPos == dec.dicBufSize) {
            dec.dicPos = 0;  // the dictionary is a ring; the decoder keeps its distances
        }
        if (LzmaResult r = Refill(); r != LzmaResult::kOk) {
            return r;
        }
        const SizeT start = dec.dicPos;
        const SizeT room = dec.dicBufSize - start;
        const SizeT limit = start + (size < room ? size : room);
        SizeT used = chunkSize_ - chunkPos_;
        ELzmaStatus status;
        if (LzmaDec_DecodeToDic(&dec, limit, chunk_ + chunkPos_, &used, LZMA_FINISH_ANY, &status) !=
            SZ_OK) {
            return LzmaResult::kDamaged;
        }
        chunkPos_ += static_cast<uint32_t>(used);
        const uint32_t produced = static_cast<uint32_t>(dec.dicPos - start);
        std::memcpy(out, dec.dic + start, produced);
        out += produced;
        size -= produced;
        decoded_ += produced;
        // No progress with input at hand, or no input left: an end mark too early, or the
        // block is cut.
        if (produced == 0 && used == 0 && (chunkPos_ < chunkSize_ || packedLeft_ == 0)) {
            return LzmaResult::kDamaged;
        }
    }
    return LzmaResult::kOk;
}

LzmaResult LzmaBlockReader::Finish() {
    if (decoder_ == nullptr || Left() != 0) {
        return LzmaResult::kDamaged;
    }
    CLzmaDec& dec = decoder_->state;
    for (;;) {
        if (dec.dicPos == dec.dicBufSize) {
            dec.dicPos = 0;
        }
        if (LzmaResult r = Refill(); r != LzmaResult::kOk) {
            return r;
        }
        SizeT used = chunkSize_ - chunkPos_;
        ELzmaStatus status;
        // No room for output: the decoder may only read an end mark.
        if (LzmaDec_DecodeToDic(&dec, dec.dicPos, chunk_ + chunkPos_, &used, LZMA_FINISH_END,
                                &status) != SZ_OK) {
            return LzmaResult::kDamaged;
        }
        if (used == 0 && chunkPos_ < chunkSize_ && status == LZMA_STATUS_NEEDS_MORE_INPUT) {
            return LzmaResult::kDamaged;  // not expected of the decoder; never loop on it
        }
        chunkPos_ += static_cast<uint32_t>(used);
        if (status == LZMA_STATUS_FINISHED_WITH_MARK ||
            status == LZMA_STATUS_MAYBE_FINISHED_WITHOUT_MARK) {
            break;
        }
        if (status != LZMA_STATUS_NEEDS_MORE_INPUT ||
            (chunkPos_ == chunkSize_ && packedLeft_ == 0)) {
            return LzmaResult::kDamaged;
        }
    }
    return chunkPos_ == chunkSize_ && packedLeft_ == 0 ? LzmaResult::kOk : LzmaResult::kDamaged;
}

}  // namespace nuvex
