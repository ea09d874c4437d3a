// Every stream must be a plain zlib stream that zlib's uncompress() takes, as the installer
// calls it, whatever engine and level made it.
#include <gtest/gtest.h>
#include <zlib.h>

#include "compression.h"
#include "pack_test_support.h"
#include "package_reader.h"

namespace nuvex::pack::test {
namespace {

struct CompatCase {
    Engine engine;
    int level;  // -1: the engine's default
    bool pieces;
};

std::string CaseName(const CompatCase& c) {
    std::string level = c.level < 0 ? "Default" : "Level" + std::to_string(c.level);
    return std::string(EngineName(c.engine)) + level + (c.pieces ? "Pieces" : "");
}

void PrintTo(const CompatCase& c, std::ostream* os) { *os << CaseName(c); }

class CompatTest : public PackTest, public ::testing::WithParamInterface<CompatCase> {};

TEST_P(CompatTest, EveryStreamInflatesWithUncompress) {
    const CompatCase& c = GetParam();
    if (!EngineAvailable(c.engine)) {
        GTEST_SKIP() << EngineName(c.engine) << " is not built in";
    }
    std::string noise;
    for (uint32_t x = 99; noise.size() < 70000;) {
        x = x * 1103515245u + 12345u;
        noise += static_cast<char>(x >> 23);
    }
    const std::pair<std::string, std::string> files[] = {
        {"text.txt", SampleContent(200000, 21)},
        {"noise.bin", noise},  // stored blocks
        {"empty.txt", ""},
        {"one.txt", "1"},
        {"runs.bin", std::string(300000, 'r')},
    };
    std::string script = Script({"[Components]", "NumberOfComponents=1", "[Component0]"});
    for (std::size_t i = 0; i < std::size(files); ++i) {
        Source(files[i].first, files[i].second);
        script += "file000" + std::to_string(i) + "=" + files[i].first + "\r\n";
    }
    BuildRun run = Build(script, [&](BuildOptions& o) {
        o.compression = {c.engine, c.level < 0 ? DefaultLevel(c.engine) : c.level};
        if (c.pieces) {
            o.wholeFileLimit = 50000;
            o.pieceSize = 32768;
        }
    });
    ASSERT_TRUE(run.ok) << run.Messages();

    PackageInfo info = ReadPackage(output_);
    ASSERT_EQ(info.entries.size(), std::size(files));
    for (std::size_t i = 0; i < info.entries.size(); ++i) {
        const PackageEntry& e = info.entries[i];
        SCOPED_TRACE(e.dest);
        ASSERT_TRUE(e.problem.empty()) << e.problem;
        std::string stream = run.package.substr(info.payloadBase + e.offset, e.length);
        std::string out(e.origlen + 1024, '\0');
        uLongf outLen = static_cast<uLongf>(out.size());
        ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(&out[0]), &outLen,
                             reinterpret_cast<const Bytef*>(stream.data()),
                             static_cast<uLong>(stream.size())),
                  Z_OK);
        out.resize(outLen);
        EXPECT_EQ(out, files[i].second);
        EXPECT_EQ(e.origlen, files[i].second.size());
        EXPECT_EQ(e.crc, adler32(1, reinterpret_cast<const Bytef*>(out.data()),
                                 static_cast<uInt>(out.size())));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Engines, CompatTest,
    ::testing::Values(CompatCase{Engine::kZlib, -1, false}, CompatCase{Engine::kZlib, 9, false},
                      CompatCase{Engine::kZlib, 0, false}, CompatCase{Engine::kZlib, 1, true},
                      CompatCase{Engine::kZlib, 9, true},
                      CompatCase{Engine::kLibdeflate, -1, false},
                      CompatCase{Engine::kLibdeflate, 12, false},
                      CompatCase{Engine::kLibdeflate, 0, false},
                      CompatCase{Engine::kLibdeflate, 12, true}),
    [](const auto& info) { return CaseName(info.param); });

TEST(ZlibHeaderTest, MatchesWhatDeflateWrites) {
    for (int level = 0; level <= 9; ++level) {
        unsigned char out[64];
        uLongf n = sizeof out;
        const unsigned char in[] = "x";
        ASSERT_EQ(compress2(out, &n, in, 1, level), Z_OK);
        auto header = ZlibHeader(level);
        EXPECT_EQ(out[0], header[0]) << level;
        EXPECT_EQ(out[1], header[1]) << level;
    }
    unsigned char empty[16];
    uLongf n = sizeof empty;
    ASSERT_EQ(compress2(empty, &n, nullptr, 0, Z_DEFAULT_COMPRESSION), Z_OK);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(empty), n),
              std::string(reinterpret_cast<const char*>(kEmptyZlibStream), sizeof kEmptyZlibStream));
}

}  // namespace
}  // namespace nuvex::pack::test
