// LZMA packages: the builder's blocks read back by list, verify and extract and by the core
// block reader, the same bytes for every job count, hostile block headers refused before
// anything is allocated, and zlib packages unchanged by the option's existence.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>

#include "compression.h"
#include "branch_filter.h"
#include "branch_stream.h"
#include "lzma_block.h"
#include "lzma_payload.h"
#include "pack_test_support.h"
#include "package_layout.h"
#include "package_reader.h"
#include "package_tools.h"

namespace nuvex::pack::test {
namespace {

// "MZ" and code-like bytes: CALLs and JMPs to a few targets, near and far, among others,
// some of them in the last four bytes.
std::string Executable(std::size_t size, unsigned seed) {
    std::string bytes = "MZ" + SampleContent(size - 6, seed);
    for (std::size_t at = 7; at + 5 < bytes.size(); at += 13 + at % 7) {
        const uint32_t target =
            static_cast<uint32_t>((at % 3) * 0x400 - at - (at % 5 == 0 ? 0x2000000 : 0));
        bytes[at] = static_cast<char>(at % 2 ? 0xE8 : 0xE9);
        for (int k = 0; k < 4; ++k) {
            bytes[at + 1 + k] = static_cast<char>(target >> (8 * k));
        }
    }
    return bytes + "\xE8\x01\x00\xE9";
}

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
// size and CRC-32 of each, on the fake stub that carries the installer's title, as that
// builder writes them.
TEST_F(LzmaPackTest, ZlibPackagesUnchanged) {
    const std::string script = Sources();
    const struct {
        Engine engine;
        int level;
        std::size_t size;
        uint32_t crc;
    } cases[] = {
        {Engine::kZlib, 9, 61259, 1154312199u},
        {Engine::kLibdeflate, 7, 64349, 274445358u},
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

// Round trips through the blocks: one block per component, and blocks cut small so that
// files meet block ends; the same bytes for every job count; the installer's order checked.
TEST_F(LzmaPackTest, RoundTripsInEveryJobCountAndBlockSize) {
    if (!LzmaAvailable()) {
        GTEST_SKIP() << "liblzma is not built in";
    }
    // Appended to [Component1], the last section.
    const std::string script = Sources() + "file0001=p.exe\r\n";
    Source("p.exe", Executable(90000, 8));
    for (uint64_t target : {uint64_t{0}, uint64_t{60000}}) {
        std::string first;
        for (unsigned jobs : {1u, 2u, 5u}) {
            SCOPED_TRACE("block target " + std::to_string(target) + ", " + std::to_string(jobs) +
                         " jobs");
            BuildRun run = Build(script, [&](BuildOptions& o) {
                o.compression = {Engine::kLzma, 1};
                o.jobs = jobs;
                o.lzmaBlockTarget = target;
            });
            ASSERT_TRUE(run.ok) << run.Messages();
            EXPECT_TRUE(first.empty() || run.package == first);
            first = run.package;
        }
        const RawPackage raw = SplitPackage(first);
        EXPECT_EQ(ScriptValue(raw.script, layout::kCompressionKey), layout::kCompressionLzma);
        EXPECT_EQ(raw.payload.compare(0, 4, "NXLZ"), 0);
        const PackageInfo info = ReadPackage(output_);
        std::set<uint64_t> blocks0, blocks1;
        for (const PackageEntry& e : info.entries) {
            (e.slot == 0 ? blocks0 : blocks1).insert(e.offset);
        }
        // Cut small: a.txt and b.bin each fill a block, the tree files and e.txt share one.
        EXPECT_EQ(blocks0.size(), target == 0 ? 1u : 3u);
        for (uint64_t offset : blocks1) {
            EXPECT_EQ(blocks0.count(offset), 0u) << "a block spans two components";
        }
        const VerifyReport report = VerifyPackage(info);
        EXPECT_TRUE(report.Good()) << (report.problems.empty() ? "" : report.problems[0]);
        Diagnostics diag;
        const fs::path out = dir_ / ("x" + std::to_string(target));
        ASSERT_TRUE(ExtractPackage(info, out, diag))
            << (diag.Items().empty() ? "" : FormatDiagnostic(diag.Items()[0]));
        const std::map<std::string, std::string> files = Files(out);
        for (const auto& [name, bytes] :
             std::map<std::string, std::string>{{"a.txt", SampleContent(150000, 3)},
                                                {"b.bin", std::string(70000, 'b')},
                                                {"T/x.txt", SampleContent(3000, 4)},
                                                {"T/y.txt", SampleContent(5000, 5)},
                                                {"@windows/e.txt", ""},
                                                {"@system/s.dll", SampleContent(20000, 6)},
                                                {"p.exe", Executable(90000, 8)}}) {
            ASSERT_EQ(files.count(name), 1u) << name;
            EXPECT_TRUE(files.at(name) == bytes) << name;
        }
    }
}

// A file after a gap, never visited by the installer, gets a block of its own and leaves the
// others in the installer's order; an entry moved to another block's offset is caught.
TEST_F(LzmaPackTest, OrderOfTheInstallerIsKept) {
    if (!LzmaAvailable()) {
        GTEST_SKIP() << "liblzma is not built in";
    }
    Source("a", SampleContent(3000, 1));
    Source("b", SampleContent(4000, 2));
    Source("c", SampleContent(5000, 3));
    BuildRun run = Build(Component({"file0000=a", "file0002=c", "file0001=b", "file0004=a"}),
                         [](BuildOptions& o) {
                             o.compression = {Engine::kLzma, 0};
                         });
    ASSERT_TRUE(run.ok) << run.Messages();
    PackageInfo info = ReadPackage(output_);
    ASSERT_EQ(info.entries.size(), 4u);
    EXPECT_TRUE(VerifyPackage(info).Good());
    EXPECT_EQ(info.entries[0].offset, info.entries[2].offset);  // file0000..0002, one block
    EXPECT_NE(info.entries[3].offset, info.entries[0].offset);  // file0004, after the gap
    // The installer would read file0001's bytes for file0002.
    std::swap(info.entries[1].origlen, info.entries[2].origlen);
    std::swap(info.entries[1].crc, info.entries[2].crc);
    std::swap(info.entries[1].dest, info.entries[2].dest);
    const VerifyReport report = VerifyPackage(info);
    EXPECT_FALSE(report.Good());
}

// Bytes of a block, read by the core reader as the installer does.
class MemoryInput final : public LzmaInput {
public:
    explicit MemoryInput(std::string bytes) : bytes_(std::move(bytes)) {}
    bool Read(unsigned char* buffer, uint32_t size, uint32_t* got) override {
        *got = static_cast<uint32_t>(std::min<std::size_t>(size, bytes_.size() - at_));
        std::memcpy(buffer, bytes_.data() + at_, *got);
        at_ += *got;
        return true;
    }

private:
    std::string bytes_;
    std::size_t at_ = 0;
};

// Decodes the whole block; the first result that is not kOk, else Finish's.
LzmaResult ReadBlock(const std::string& block, uint32_t length, std::string* out = nullptr) {
    MemoryInput input(block);
    LzmaBlockReader reader;
    LzmaResult r = reader.Open(input, length);
    std::string data;
    while (r == LzmaResult::kOk && reader.Left() > 0) {
        unsigned char piece[5000];
        const uint32_t n = std::min<uint32_t>(sizeof piece, reader.Left());
        r = reader.Read(piece, n);
        data.append(reinterpret_cast<char*>(piece), n);
    }
    if (out != nullptr) {
        *out = data;
    }
    return r == LzmaResult::kOk ? reader.Finish() : r;
}

// Hostile headers are refused before the dictionary is allocated (a dictionary of 4 GiB
// would otherwise come back as kNoMemory); cut and flipped blocks end as damaged, never past
// their bytes.
TEST_F(LzmaPackTest, HostileBlocksAreRefused) {
    if (!LzmaAvailable()) {
        GTEST_SKIP() << "liblzma is not built in";
    }
    const std::string content = SampleContent(120000, 9);
    Source("a", content);
    BuildRun run = Build(Component({"file0000=a"}), [](BuildOptions& o) {
        o.compression = {Engine::kLzma, 2};
    });
    ASSERT_TRUE(run.ok) << run.Messages();
    const std::string block = SplitPackage(run.package).payload;
    const uint32_t length = static_cast<uint32_t>(block.size());
    std::string decoded;
    ASSERT_EQ(ReadBlock(block, length, &decoded), LzmaResult::kOk);
    EXPECT_TRUE(decoded == content);

    auto patched = [&](std::size_t at, std::string bytes) {
        std::string b = block;
        b.replace(at, bytes.size(), bytes);
        return b;
    };
    const struct {
        const char* name;
        std::string bytes;
        uint32_t length;
    } cases[] = {
        {"magic", patched(0, "x"), length},
        {"filter", patched(4, "\x02"), length},
        {"properties byte", patched(5, "\xE1"), length},
        {"dictionary 4 GiB", patched(6, "\xFF\xFF\xFF\xFF"), length},
        {"dictionary one past the limit", patched(6, std::string("\x01\x00\x00\x04", 4)), length},
        {"unpacked one past the limit", patched(10, std::string("\x01\x00\x00\x40", 4)), length},
        {"unpacked one more", patched(10, std::string(1, static_cast<char>(block[10] + 1))),
         length},
        {"shorter than its header", block, 10},
        {"cut after the header", block.substr(0, 20), length},
        {"cut in the middle", block.substr(0, block.size() / 2), length},
        {"last byte missing", block.substr(0, block.size() - 1), length - 1},
        {"a byte too many", block + "x", length + 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReadBlock(c.bytes, c.length), LzmaResult::kDamaged) << c.name;
    }
    // Flipped bytes: damaged data, or content that the Adler-32 of its entry catches.
    const uint32_t adler = static_cast<uint32_t>(adler32(
        1, reinterpret_cast<const Bytef*>(content.data()), static_cast<uInt>(content.size())));
    int caught = 0;
    for (std::size_t at = 14; at < block.size(); at += block.size() / 97) {
        std::string b = block;
        b[at] = static_cast<char>(b[at] ^ 0x20);
        std::string out;
        const LzmaResult r = ReadBlock(b, length, &out);
        const bool caughtHere =
            r == LzmaResult::kDamaged || adler32(1, reinterpret_cast<const Bytef*>(out.data()),
                                                 static_cast<uInt>(out.size())) != adler;
        EXPECT_TRUE(caughtHere) << "flip at " << at;
        caught += caughtHere;
    }
    EXPECT_GT(caught, 90);
}

// The branch filter restores every file in any cut into pieces, and pays on code: a filtered
// executable compresses smaller than the same bytes unfiltered.
TEST_F(LzmaPackTest, BranchFilterRestoresAndPays) {
    const std::string exe = Executable(300000, 11);
    for (std::size_t pieceSize : {1u, 3u, 5u, 4096u, 300004u}) {
        std::string filtered;
        BranchFilterStream encode(true);
        auto keep = [&](const unsigned char* d, std::size_t n) {
            filtered.append(reinterpret_cast<const char*>(d), n);
        };
        for (std::size_t at = 0; at < exe.size(); at += pieceSize) {
            const std::string piece = exe.substr(at, pieceSize);
            encode.Put(reinterpret_cast<const unsigned char*>(piece.data()), piece.size(), keep);
        }
        encode.Finish(keep);
        ASSERT_EQ(filtered.size(), exe.size());
        EXPECT_NE(filtered, exe);
        EXPECT_TRUE(TakesBranchFilter(reinterpret_cast<const unsigned char*>(filtered.data()),
                                      filtered.size()));
        std::string restored = filtered;
        auto* bytes = reinterpret_cast<unsigned char*>(&restored[0]);
        BranchFilter(bytes, restored.size(), 0, false);
        EXPECT_TRUE(restored == exe) << pieceSize;
    }
    if (!LzmaAvailable()) {
        return;
    }
    Source("a.exe", exe);
    Source("a.bin", "NO" + exe.substr(2));
    BuildRun run = Build(Component({"file0000=a.exe", "file0001=a.bin"}), [](BuildOptions& o) {
        o.compression = {Engine::kLzma, 6};
        o.lzmaBlockTarget = 1;
    });
    ASSERT_TRUE(run.ok) << run.Messages();
    const PackageInfo info = ReadPackage(output_);
    EXPECT_TRUE(VerifyPackage(info).Good());
    EXPECT_LT(info.entries[0].length, info.entries[1].length);
}

}  // namespace
}  // namespace nuvex::pack::test
