// Inflation of payload streams with the result rules the installer reports by: a memory
// failure for streams that do not fit or end early, damage for bad data or checksums.
#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "payload_inflate.h"

namespace nuvex {
namespace {

std::string Compress(const std::string& data) {
    uLongf size = compressBound(data.size());
    std::string out(size, '\0');
    compress2(reinterpret_cast<Bytef*>(&out[0]), &size,
              reinterpret_cast<const Bytef*>(data.data()), data.size(), 6);
    out.resize(size);
    return out;
}

uint32_t Adler(const std::string& data) {
    return static_cast<uint32_t>(
        adler32(adler32(0, Z_NULL, 0), reinterpret_cast<const Bytef*>(data.data()), data.size()));
}

TEST(InflatePayload, ResultsForWholeCutBadAndOversizedStreams) {
    std::string file;
    for (int i = 0; file.size() < 100000; ++i) {
        file += "line " + std::to_string(i * 7919 % 10007) + "\n";
    }
    const std::string stream = Compress(file);
    std::string flipped = stream;
    flipped[stream.size() / 2] ^= 0x40;
    std::string badHeader = stream;
    badHeader[0] = 0x77;

    struct Case {
        const char* name;
        std::string stream;
        uint32_t capacity;
        uint32_t crc;
        InflateResult expected;
    };
    const uint32_t size = static_cast<uint32_t>(file.size());
    const Case cases[] = {
        {"whole stream", stream, size + 1024, Adler(file), InflateResult::kOk},
        {"exact capacity", stream, size, Adler(file), InflateResult::kOk},
        {"one byte short of room", stream, size - 1, Adler(file), InflateResult::kNoMemory},
        {"empty input", "", size + 1024, Adler(file), InflateResult::kNoMemory},
        {"cut short", stream.substr(0, stream.size() / 2), size + 1024, Adler(file),
         InflateResult::kNoMemory},
        {"bad header", badHeader, size + 1024, Adler(file), InflateResult::kDamaged},
        {"wrong checksum", stream, size + 1024, Adler(file) ^ 1u, InflateResult::kDamaged},
        {"flipped byte", flipped, size + 1024, Adler(file), InflateResult::kDamaged},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<unsigned char> out(c.capacity + 16);
        uint32_t produced = 12345;
        const InflateResult result =
            InflatePayload(reinterpret_cast<const unsigned char*>(c.stream.data()),
                           static_cast<uint32_t>(c.stream.size()), out.data(), c.capacity, c.crc,
                           &produced);
        // A flipped byte may also make the data end early or run over, a memory report.
        if (std::string(c.name) == "flipped byte") {
            EXPECT_NE(result, InflateResult::kOk);
            continue;
        }
        EXPECT_EQ(result, c.expected);
        if (c.expected == InflateResult::kOk) {
            EXPECT_EQ(produced, size);
            EXPECT_EQ(std::string(out.begin(), out.begin() + produced), file);
        }
    }
}

TEST(InflatePayload, ChecksumsAboveTwoToTheThirtyFirstAndEmptyFiles) {
    // A run of "a" long enough for its Adler-32 to have the top bit set.
    std::string file(1000, 'a');
    while (Adler(file) < 0x80000000u) {
        file += 'a';
    }
    const std::string stream = Compress(file);
    std::vector<unsigned char> out(file.size() + 1024);
    uint32_t produced = 0;
    EXPECT_EQ(InflatePayload(reinterpret_cast<const unsigned char*>(stream.data()),
                             static_cast<uint32_t>(stream.size()), out.data(),
                             static_cast<uint32_t>(out.size()), Adler(file), &produced),
              InflateResult::kOk);

    const std::string empty = Compress("");
    EXPECT_EQ(InflatePayload(reinterpret_cast<const unsigned char*>(empty.data()),
                             static_cast<uint32_t>(empty.size()), out.data(), 1024, 1, &produced),
              InflateResult::kOk);
    EXPECT_EQ(produced, 0u);
}

}  // namespace
}  // namespace nuvex
