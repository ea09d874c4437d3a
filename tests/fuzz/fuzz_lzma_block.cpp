// The installer's LZMA block reader on arbitrary block bytes: it may refuse them, but never
// read outside them, hand out more bytes than the header announces, or loop without end.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz_check.h"
#include "lzma_block.h"

namespace {

class BytesInput final : public nuvex::LzmaInput {
public:
    BytesInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool Read(unsigned char* buffer, uint32_t size, uint32_t* got) override {
        *got = static_cast<uint32_t>(std::min<size_t>(size, size_ - at_));
        std::memcpy(buffer, data_ + at_, *got);
        at_ += *got;
        return true;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using nuvex::LzmaResult;
    // The first byte sets the size of the pieces asked for, as files of any size are.
    if (size < 1) {
        return 0;
    }
    const uint32_t piece = 1 + data[0] * 97u;
    BytesInput input(data + 1, size - 1);
    nuvex::LzmaBlockReader reader;
    LzmaResult r = reader.Open(input, static_cast<uint32_t>(size - 1));
    if (r != LzmaResult::kOk) {
        FUZZ_CHECK(r == LzmaResult::kDamaged || r == LzmaResult::kNoMemory);
        return 0;
    }
    std::vector<unsigned char> out(piece);
    uint64_t total = 0;
    const uint64_t announced = reader.Left();
    while (r == LzmaResult::kOk && reader.Left() > 0) {
        const uint32_t n = std::min(piece, reader.Left());
        r = reader.Read(out.data(), n);
        total += r == LzmaResult::kOk ? n : 0;
    }
    FUZZ_CHECK(total <= announced);
    if (reader.Left() == 0) {
        FUZZ_CHECK(reader.Read(out.data(), 1) == LzmaResult::kDamaged);
    }
    if (r == LzmaResult::kOk) {
        reader.Finish();
    }
    return 0;
}
