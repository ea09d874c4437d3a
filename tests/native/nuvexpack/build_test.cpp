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

// What uncompress() makes of `stream` into a buffer of `capacity` bytes; "!" on failure.
std::string Uncompress(const std::string& stream, std::size_t capacity) {
    std::string out(capacity + 1, '\0');
    uLongf n = static_cast<uLongf>(out.size());
    const auto* in = reinterpret_cast<const Bytef*>(stream.data());
    int rc = uncompress(reinterpret_cast<Bytef*>(&out[0]), &n, in, static_cast<uLong>(stream.size()));
    return rc == Z_OK ? out.substr(0, n) : "!";
}

class BuildTest : public PackTest {};

// One package with entries of every kind: where the builder puts each part, found with plain
// string search, and the files that come back through extract.
TEST_F(BuildTest, LayoutAndExtract) {
    // Content whose Adler-32 has its top bit set: the crc key is unsigned.
    std::string big;
    for (unsigned seed = 1; AdlerOf(big) < 0x80000000u; ++seed) {
        big = SampleContent(150000, seed);
    }
    const std::string longName(255, 'n');  // a temporary name built on it would be too long
    std::map<std::string, std::string> expected = {{"a.txt", big}, {"zero.bin", ""}};
    for (const char* name :
         {"Extra/b.txt", "Data/Files/A.txt", "Data/Files/sub/b.txt", "Data/Files/sub/inner/deep.txt",
          "Data/Files/z.txt", " lead.txt", "'single'", longName.c_str(), "@windows/Fonts/s.fon",
          "@system/s.dll", "Manual/b.txt", "Manual/inner/deep.txt"}) {
        expected[name] = "x";
    }
    for (const char* name : {"pkg/z.txt", "pkg/sub/inner/deep.txt", "pkg/sub/b.txt", "pkg/A.txt",
                             "q/ lead.txt", "q/'single'", longName.c_str(), "fonts/s.fon", "s.dll"}) {
        Source(name, "x");
    }
    Source("a.txt", big);
    Source("zero.bin", "");
    fs::create_directories(src_ / "pkg" / "sub" / "empty");
    BuildRun run = Build(Script({
        "[Nuvex]", "Creator=someone else", "[Components]", "NumberOfComponents=2", "[Component0]",
        "dir0000=Extra", "file0000=a.txt", "file0000length=999", "file0000crc=1",
        "file0000offset=77", "file0000origlen=5",
        "file0001=Extra\\b.txt", "file0001source=pkg/sub/b.txt",
        "tree07=pkg>Data\\Files", "tree08=q>", "; trailing comment",
        "[Component1]", "file0000=" + longName, "file0001=zero.bin", "win0000=Fonts\\s.fon",
        "win0000source=fonts/s.fon", "sys0000=s.dll", "tree00=pkg\\sub>Manual",
    }));
    ASSERT_TRUE(run.ok) << run.Messages();
    EXPECT_EQ(run.diag.WarningCount(), 1) << run.Messages();  // for the maker's [Nuvex] only
    EXPECT_EQ(Strays({"out.exe"}), std::set<std::string>{});
    const std::string stub = ReadWholeFile(stub_);
    const RawPackage raw = SplitPackage(run.package);
    const std::string& s = raw.script;
    EXPECT_EQ(run.package.compare(0, stub.size(), stub), 0);
    EXPECT_EQ(raw.scriptOffset, stub.size());
    EXPECT_EQ(s.rfind(HeaderText() + "\r\n", 0), 0u);
    EXPECT_EQ(s.substr(s.size() - 8), "\r\n[/END]");
    EXPECT_EQ(ScriptValue(s, kPayloadSizeKey), std::to_string(raw.payload.size()));
    const auto* payload = reinterpret_cast<const Bytef*>(raw.payload.data());
    EXPECT_EQ(ScriptValue(s, kPayloadCrcKey),
              std::to_string(crc32(0, payload, static_cast<uInt>(raw.payload.size()))));
    for (const char* gone : {"someone else", "tree07", "source=", "=999\r\n"}) {
        EXPECT_EQ(s.find(gone), std::string::npos) << gone;
    }
    // [Component0] comes first: its keys are the ones found.
    EXPECT_EQ(ScriptValue(s, "file0000crc"), std::to_string(AdlerOf(big)));
    EXPECT_EQ(ScriptValue(s, "file0000origlen"), std::to_string(big.size()));
    EXPECT_EQ(ScriptValue(s, "requiedspace"), std::to_string(big.size() + 7));
    // Offsets count from the payload base; the streams lie end to end.
    uint64_t end = 0;
    for (int i = 0; i < 8; ++i) {
        const std::string key = "file000" + std::to_string(i);
        EXPECT_EQ(ScriptValue(s, key + "offset"), std::to_string(end)) << i;
        end += std::stoull(ScriptValue(s, key + "length"));
    }
    // Folders: the maker's first, then the missing ones, parents before children. Tree files
    // after the maker's, in name order with folders compared part by part; names with outer
    // blanks or quotes quoted.
    const std::pair<const char*, const char*> keys[] = {
        {"dir0000", "Extra"}, {"dir0001", "Data"}, {"dir0002", "Data\\Files"},
        {"dir0003", "Data\\Files\\sub"}, {"dir0004", "Data\\Files\\sub\\empty"},
        {"dir0005", "Data\\Files\\sub\\inner"}, {"file0002", "Data\\Files\\A.txt"},
        {"file0003", "Data\\Files\\sub\\b.txt"}, {"file0004", "Data\\Files\\sub\\inner\\deep.txt"},
        {"file0005", "Data\\Files\\z.txt"}, {"file0006", "\" lead.txt\""}, {"file0007", "\"'single'\""}};
    for (const auto& [key, value] : keys) {
        EXPECT_EQ(ScriptValue(s, key), value) << key;
    }
    EXPECT_LT(s.find("file0007offset"), s.find("; trailing comment"));
    EXPECT_LT(s.find("; trailing comment"), s.find("dir0006"));

    const PackageInfo info = ReadPackage(output_);
    EXPECT_EQ(info.entries.at(6).dest, " lead.txt");
    EXPECT_TRUE(VerifyPackage(info).Good());
    Diagnostics diag;
    EXPECT_TRUE(ExtractPackage(info, dir_ / "x", diag));
    EXPECT_EQ(Files(dir_ / "x"), expected);  // and no temporary file left
    EXPECT_TRUE(fs::is_directory(dir_ / "x" / "Manual" / "empty"));
}

TEST_F(BuildTest, PackageWithoutFilesHoldsOneEmptyStream) {
    BuildRun run = Build(Component({"Title=Empty"}));
    ASSERT_TRUE(run.ok) << run.Messages();
    const RawPackage raw = SplitPackage(run.package);
    EXPECT_EQ(Uncompress(raw.payload, 0), "");
    EXPECT_EQ(ScriptValue(raw.script, "requiedspace"), "0");
    EXPECT_TRUE(VerifyPackage(ReadPackage(output_)).Good());
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
    std::vector<std::string> files = {SampleContent(200000, 21), "", "1", std::string(300000, 'r')};
    for (std::size_t size : {999, 1000, 1001, 1400, 1401}) {  // around the limit and the piece size
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
        ASSERT_TRUE(e.problem.empty()) << e.problem;
        const std::string stream = run.package.substr(info.payloadBase + e.offset, e.length);
        EXPECT_EQ(Uncompress(stream, e.origlen), files[i]) << i;
        EXPECT_EQ(e.origlen, files[i].size());
        EXPECT_EQ(e.crc, AdlerOf(files[i])) << i;
    }
    EXPECT_TRUE(VerifyPackage(info).Good());
}

INSTANTIATE_TEST_SUITE_P(
    Engines, CompatTest,
    ::testing::Values(CompatCase{"zlibDefault", Engine::kZlib, -1, false},
                      CompatCase{"zlibStoredPieces", Engine::kZlib, 0, true},
                      CompatCase{"zlibBestPieces", Engine::kZlib, 9, true},
                      CompatCase{"libdeflateDefault", Engine::kLibdeflate, -1, false},
                      CompatCase{"libdeflateStored", Engine::kLibdeflate, 0, false},
                      CompatCase{"libdeflateBestPieces", Engine::kLibdeflate, 12, true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace nuvex::pack::test
