// A fixed, zero-filled memory block from GlobalAlloc, freed on scope exit. Sizes come in as
// 64-bit numbers so that a 32-bit size plus its slack cannot wrap around to a small block.
#pragma once

#include <windows.h>

#include <cstdint>

namespace nuvex {

class GlobalBuffer {
public:
    GlobalBuffer() : block_(nullptr) {}
    explicit GlobalBuffer(uint64_t size) : block_(Alloc(size)) {}
    ~GlobalBuffer() {
        if (block_) {
            GlobalFree(block_);
        }
    }
    GlobalBuffer(const GlobalBuffer&) = delete;
    GlobalBuffer& operator=(const GlobalBuffer&) = delete;

    // For a buffer declared before its size is known; false when GlobalAlloc fails.
    bool Allocate(uint64_t size) {
        if (block_) {
            GlobalFree(block_);
        }
        block_ = Alloc(size);
        return block_ != nullptr;
    }

    explicit operator bool() const { return block_ != nullptr; }
    unsigned char* get() const { return static_cast<unsigned char*>(static_cast<void*>(block_)); }

private:
    static HGLOBAL Alloc(uint64_t size) {
        return size <= SIZE_MAX ? GlobalAlloc(GPTR, static_cast<SIZE_T>(size)) : nullptr;
    }

    HGLOBAL block_;
};

}  // namespace nuvex
