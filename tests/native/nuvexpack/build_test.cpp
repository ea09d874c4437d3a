// What the builder writes: where each part of the package lies (found with plain string
// search), streams that zlib's uncompress() takes as the installer calls it, the same bytes
// whatever the threads, and files that come back unchanged through extract.
#include <gtest/gtest.h>
#include <zlib.h>

#include "compression.h"
#include "pack_test_support.h"
#include "package_reader.h"
#include "package_tools.h"
#include "script_writer.h"

namespace nuvex::pack::test {
namespace {

uint32_t AdlerOf(const std::string& s) {
    const auto* bytes = reinterpret_cast<const Bytef*>(s.data());
    return static_cast<uint32_t>(adler32(1, bytes, static_cast<uInt>(s.size())));
}

class BuildTest : public PackTest {};

TEST_F(BuildTest, LayoutAndExtract) {
    // Content whose Adler-32 has its top bit set: the crc key is unsigned.
    std::string big;
    for (unsigned seed = 1; AdlerOf(big) < 0x80000000u; ++seed) {
        big = SampleContent(150000, seed);
    }
    std::map<std::string, std::string> expected = {{"a.txt", big}, {"zero.bin", ""}};
    for (const char* name : {"Data/A.txt", "Data/sub/b.txt", " lead.txt", "@system/s.dll"}) {
        expected[name] = "x";
    }
    for (const char* name : {"pkg/sub/b.txt", "pkg/A.txt", "q/ lead.txt", "s.dll"}) {
        Source(name, "x");
    }
    Source("a.txt", big);
    Source("zero.bin", "");
    BuildRun run = Build(Script({
        "[Components]",
        "NumberOfComponents=2",
        "[Component0]",
        "file0000=a.txt",
        "file0000length=999",
        "tree07=pkg>Data",
        "tree08=q>",
        "[Component1]",
        "file0000=zero.bin",
        "sys0000=s.dll",
    }));
    ASSERT_TRUE(run.ok) << run.Messages();
    EXPECT_EQ(Strays({"out.exe"}), std::set<std::string>{});
    const std::string stub = ReadWholeFile(stub_);
    const RawPackage raw = SplitPackage(run.package);
    const std::string& s = raw.script;
    EXPECT_EQ(run.package.compare(0, stub.size(), stub), 0);
    EXPECT_EQ(raw.scriptOffset, stub.size());
    EXPECT_EQ(s.substr(s.size() - 8), "\r\n[/END]");
    EXPECT_EQ(ScriptValue(s, kPayloadSizeKey), std::to_string(raw.payload.size()));
    const auto* payload = reinterpret_cast<const Bytef*>(raw.payload.data());
    EXPECT_EQ(ScriptValue(s, kPayloadCrcKey),
              std::to_string(crc32(0, payload, static_cast<uInt>(raw.payload.size()))));
    EXPECT_EQ(s.find("tree07"), std::string::npos);
    EXPECT_EQ(ScriptValue(s, "file0000crc"), std::to_string(AdlerOf(big)));
    EXPECT_EQ(ScriptValue(s, "requiedspace"), std::to_string(big.size() + 3));
    // Offsets count from the payload base; the streams lie end to end.
    uint64_t end = 0;
    for (int i = 0; i < 4; ++i) {
        const std::string key = "file000" + std::to_string(i);
        EXPECT_EQ(ScriptValue(s, key + "offset"), std::to_string(end)) << i;
        end += std::stoull(ScriptValue(s, key + "length"));
    }
    // Missing folders parents first; tree files in name order; outer blanks quoted.
    for (const auto& [key, value] : {std::pair{"dir0000", "Data"},
                                     {"dir0001", "Data\\sub"},
                                     {"file0001", "Data\\A.txt"},
                                     {"file0003", "\" lead.txt\""}}) {
        EXPECT_EQ(ScriptValue(s, key), value) << key;
    }
    const PackageInfo info = ReadPackage(output_);
    EXPECT_TRUE(VerifyPackage(info).Good());
    Diagnostics diag;
    EXPECT_TRUE(ExtractPackage(info, dir_ / "x", diag));
    EXPECT_EQ(Files(dir_ / "x"), expected);  // and no temporary file left
}

// Every stream must be a plain zlib stream that uncompress() takes, whatever engine, level and
// threads made it; files above the whole-file limit are deflated in pieces joined into one.
struct CompatCase {
    const char* name;
    Engine engine;
    int level;  // -1: the engine's default
    bool pieces;
};

class CompatTest : public PackTest, public ::testing::WithParamInterface<CompatCase> {};

TEST_P(CompatTest, EveryStreamInflatesWithUncompress) {
    const CompatCase& c = GetParam();
    if (!EngineAvailable(c.engine)) {
        GTEST_SKIP() << EngineName(c.engine) << " is not built in";
    }
    std::vector<std::string> files = {SampleContent(200000, 21), "", std::string(300000, 'r')};
    for (std::size_t size : {1000, 1001, 1401}) {  // around the limit and the piece size
        files.push_back(SampleContent(size, static_cast<unsigned>(size)));
    }
    std::string script = Component({});
    for (std::size_t i = 0; i < files.size(); ++i) {
        Source("f" + std::to_string(i), files[i]);
        script += "file000" + std::to_string(i) + "=f" + std::to_string(i) + "\r\n";
    }
    // The same bytes whatever the threads: workers stall and resume in another order.
    BuildRun run;
    for (unsigned jobs : {8u, 1u}) {
        const std::string before = run.package;
        run = Build(script, [&](BuildOptions& o) {
            o.jobs = jobs;
            o.compression = {c.engine, c.level < 0 ? DefaultLevel(c.engine) : c.level};
            o.wholeFileLimit = c.pieces ? 1000 : 0;
            o.pieceSize = c.pieces ? 700 : 0;
            o.inFlightBytes = c.pieces ? 2000 : 5000;
        });
        ASSERT_TRUE(run.ok) << run.Messages();
        EXPECT_TRUE(before.empty() || run.package == before) << jobs << " jobs";
    }
    const PackageInfo info = ReadPackage(output_);
    ASSERT_EQ(info.entries.size(), files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        const PackageEntry& e = info.entries[i];
        const std::string stream = run.package.substr(info.payloadBase + e.offset, e.length);
        std::string out(e.origlen + 1, '\0');
        uLongf n = static_cast<uLongf>(out.size());
        const auto* in = reinterpret_cast<const Bytef*>(stream.data());
        ASSERT_EQ(
            uncompress(reinterpret_cast<Bytef*>(&out[0]), &n, in, static_cast<uLong>(e.length)),
            Z_OK);
        EXPECT_EQ(out.substr(0, n), files[i]) << i;
        EXPECT_EQ(e.crc, AdlerOf(files[i])) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Engines, CompatTest,
    ::testing::Values(CompatCase{"zlibStoredPieces", Engine::kZlib, 0, true},
                      CompatCase{"zlibBestPieces", Engine::kZlib, 9, true},
                      CompatCase{"libdeflateDefault", Engine::kLibdeflate, -1, false},
                      CompatCase{"libdeflateBestPieces", Engine::kLibdeflate, 12, true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace nuvex::pack::test
