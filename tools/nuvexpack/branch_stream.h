// The x86 branch filter of core/branch_filter.h over a file that comes in pieces: each piece
// is filtered as far as it can be, and the few bytes of a branch that reaches into the next
// piece wait for it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "branch_filter.h"

namespace nuvex::pack {

class BranchFilterStream {
public:
    explicit BranchFilterStream(bool encode) : encode_(encode) {}

    // `out(data, size)` gets the bytes that are final so far.
    template <typename Out>
    void Put(const unsigned char* data, std::size_t size, Out&& out) {
        pending_.insert(pending_.end(), data, data + size);
        const std::size_t done = BranchFilter(pending_.data(), pending_.size(), position_, encode_);
        out(pending_.data(), done);
        position_ += static_cast<uint32_t>(done);
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(done));
    }

    // The file's last bytes, which stay as they are.
    template <typename Out>
    void Finish(Out&& out) {
        out(pending_.data(), pending_.size());
        pending_.clear();
    }

private:
    bool encode_;
    uint32_t position_ = 0;
    std::vector<unsigned char> pending_;
};

}  // namespace nuvex::pack
