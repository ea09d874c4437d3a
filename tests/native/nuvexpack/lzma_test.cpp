// LZMA packages: the builder's blocks read back by list, verify and extract and by the core
// block reader, the same bytes for every job count, hostile block headers refused before
// anything is allocated, and zlib packages unchanged by the option's existence.
#include <gtest/gtest.h>
#include <zlib.h>

#include "compression.h"
#include "pack_test_support.h"
#include "package_reader.h"
#include "package_tools.h"

namespace nuvex::pack::test {
namespace {

class LzmaPackTest : public PackTest {
protected:
    // The same sources and script for every build of a test.
    std::string Sources() {
        Source("a.txt", SampleContent(150000, 3));
        Source("b.bin", std::string(70000, 'b'));
        Source("e.txt", "");
        Source("tree/x.txt", SampleContent(3000, 4));
        Source("tree/y.txt", SampleContent(5000, 5));
        Source("s.dll", SampleContent(20000, 6));
        return Script({"[Components]", "NumberOfComponents=2", "[Component0]", "file0000=a.txt",
                       "file0001=b.bin", "tree05=tree>T", "win0000=e.txt", "[Component1]",
                       "sys0000=s.dll", "file0000=a.txt"});
    }
};

uint32_t Crc(const std::string& s) {
    return static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(s.data()), static_cast<uInt>(s.size())));
}

// Packages built without the LZMA option are the bytes the builder wrote before it had one:
// size and CRC-32 of each were taken from that builder.
TEST_F(LzmaPackTest, ZlibPackagesUnchanged) {
    const std::string script = Sources();
    const struct {
        Engine engine;
        int level;
        std::size_t size;
        uint32_t crc;
    } cases[] = {
        {Engine::kZlib, 9, 61259, 3878490138u},
        {Engine::kLibdeflate, 7, 64349, 2270249613u},
    };
    for (const auto& c : cases) {
        if (!EngineAvailable(c.engine)) {
            continue;
        }
        BuildRun run = Build(script, [&](BuildOptions& o) { o.compression = {c.engine, c.level}; });
        ASSERT_TRUE(run.ok) << run.Messages();
        EXPECT_EQ(run.package.size(), c.size) << EngineName(c.engine);
        EXPECT_EQ(Crc(run.package), c.crc) << EngineName(c.engine);
    }
}

}  // namespace
}  // namespace nuvex::pack::test
