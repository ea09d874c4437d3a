#include "branch_filter.h"

namespace nuvex {

namespace {

constexpr std::size_t kWindow = 4;
// Targets kept within +/- 16 MiB: 25 significant bits.
constexpr uint32_t kRangeMask = (1u << 25) - 1;

bool IsBranch(unsigned char byte) { return byte == 0xE8 || byte == 0xE9; }

}  // namespace

bool TakesBranchFilter(const unsigned char* data, std::size_t size) {
    return (size >= 2 && data[0] == 'M' && data[1] == 'Z') ||
           (size >= 4 && data[0] == 0x7F && data[1] == 'E' && data[2] == 'L' && data[3] == 'F');
}

std::size_t BranchFilter(unsigned char* data, std::size_t size, uint32_t position, bool encode) {
    std::size_t i = 0;
    while (i < size) {
        if (!IsBranch(data[i])) {
            ++i;
            continue;
        }
        if (size - i <= kWindow) {
            return i;
        }
        unsigned char* w = data + i + 1;
        if (w[3] == 0x00 || w[3] == 0xFF) {
            const uint32_t value = static_cast<uint32_t>(w[0]) | static_cast<uint32_t>(w[1]) << 8 |
                                   static_cast<uint32_t>(w[2]) << 16 |
                                   static_cast<uint32_t>(w[3]) << 24;
            // The address of the next instruction, which relative targets count from.
            const uint32_t next = position + static_cast<uint32_t>(i + 1 + kWindow);
            uint32_t converted = (encode ? value + next : value - next) & kRangeMask;
            if (converted & (1u << 24)) {
                converted |= ~kRangeMask;
            }
            w[0] = static_cast<unsigned char>(converted);
            w[1] = static_cast<unsigned char>(converted >> 8);
            w[2] = static_cast<unsigned char>(converted >> 16);
            w[3] = static_cast<unsigned char>(converted >> 24);
        }
        i += 1 + kWindow;
    }
    return size;
}

}  // namespace nuvex
