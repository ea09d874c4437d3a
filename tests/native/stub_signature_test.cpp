// Putting a signed stub's own header values back into the uninstaller copy.
#include <gtest/gtest.h>

#include <vector>

#include "stub_signature.h"

namespace nuvex {
namespace {

// A minimal PE32 image of `size` bytes with its header at 0x80.
std::vector<uint8_t> Image(std::size_t size, uint16_t magic = 0x10B) {
    std::vector<uint8_t> image(size, 0);
    image[0] = 'M';
    image[1] = 'Z';
    image[0x3C] = 0x80;
    image[0x80] = 'P';
    image[0x81] = 'E';
    image[0x98] = static_cast<uint8_t>(magic);
    image[0x99] = static_cast<uint8_t>(magic >> 8);
    return image;
}

uint32_t At(const std::vector<uint8_t>& image, std::size_t offset) {
    return image[offset] | image[offset + 1] << 8 | image[offset + 2] << 16 |
           static_cast<uint32_t>(image[offset + 3]) << 24;
}

TEST(StubSignature, RestoredOnlyIntoAProgramItFits) {
    const StubSignature good = {0x300, 0x100, 0xCAFE};
    std::vector<uint8_t> image = Image(0x400);
    ASSERT_TRUE(RestoreStubSignature(image.data(), image.size(), good));
    EXPECT_EQ(At(image, 0x98 + 64), 0xCAFEu);
    EXPECT_EQ(At(image, 0x98 + 128), 0x300u);
    EXPECT_EQ(At(image, 0x98 + 132), 0x100u);

    struct Case {
        const char* name;
        std::vector<uint8_t> image;
        StubSignature signature;
    };
    std::vector<uint8_t> notMz = Image(0x400);
    notMz[0] = 'X';
    std::vector<uint8_t> headerOutside = Image(0x400);
    headerOutside[0x3C] = 0xF0;
    headerOutside[0x3D] = 0x03;
    const Case refused[] = {
        {"not a program", notMz, good},
        {"header past the end", headerOutside, good},
        {"64-bit program", Image(0x400, 0x20B), good},
        {"table not ending at the end", Image(0x400), {0x300, 0x80, 1}},
        {"table inside the header", Image(0x400), {0x40, 0x3C0, 1}},
        {"sizes that wrap", Image(0x400), {0xFFFFFF00u, 0x500, 1}},
        {"too short", std::vector<uint8_t>{'M', 'Z', 0, 0}, {0, 4, 1}},
    };
    for (const Case& c : refused) {
        std::vector<uint8_t> copy = c.image;
        EXPECT_FALSE(RestoreStubSignature(copy.data(), copy.size(), c.signature)) << c.name;
        EXPECT_EQ(copy, c.image) << c.name << ": changed although refused";
    }
}

}  // namespace
}  // namespace nuvex
