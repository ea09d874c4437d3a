// verify and extract on damaged and hostile packages: verify notices any damaged payload
// byte and names the bad entry; extract writes nothing outside its folder, links included,
// writes no entry the installer would refuse, and leaves no temporary file.
#include <gtest/gtest.h>

#include "pack_test_support.h"
#include "package_reader.h"
#include "package_tools.h"

namespace nuvex::pack::test {
namespace {

class PackageToolsTest : public PackTest {
protected:
    // `bytes` as a package file, read back.
    PackageInfo Read(const std::string& bytes) {
        WriteBytes(dir_ / "p.exe", bytes);
        return ReadPackage(dir_ / "p.exe");
    }
};

std::string AllProblems(const VerifyReport& r) {
    std::string out;
    for (const std::string& p : r.problems) {
        out += p + "\n";
    }
    return out;
}

// `bytes` with the line `key=...` set to `value`, or dropped for an empty value.
std::string WithKey(std::string bytes, const std::string& key, const std::string& value) {
    std::size_t at = bytes.find("\r\n" + key + "=");
    EXPECT_NE(at, std::string::npos) << key;
    std::size_t end = bytes.find("\r\n", at + 2);
    return bytes.replace(at, end - at, value.empty() ? "" : "\r\n" + key + "=" + value);
}

// Every byte of every stream: zlib header, deflate data, Adler-32 trailer, the empty file's
// stream. Some flips only the payload checksum sees: in the padding bits after a stream's
// last block, which inflate skips.
TEST_F(PackageToolsTest, VerifyCatchesAFlippedByteAnywhereInThePayload) {
    Source("a.txt", SampleContent(500, 1));
    Source("c.txt", "");
    BuildRun run = Build(Component({"file0000=a.txt", "file0001=c.txt"}));
    ASSERT_TRUE(run.ok) << run.Messages();
    const std::size_t base = SplitPackage(run.package).payloadBase;
    const unsigned char kMasks[] = {0x01, 0x80, 0xFF, 0x10, 0x42};
    for (std::size_t at = base; at < run.package.size(); ++at) {
        std::string damaged = run.package;
        damaged[at] = static_cast<char>(damaged[at] ^ kMasks[at % std::size(kMasks)]);
        ASSERT_FALSE(VerifyPackage(Read(damaged)).Good()) << "payload byte " << at - base;
    }
}

// Damaged keys and streams: verify names the problem; extract writes none of the bad entry
// and no temporary file.
TEST_F(PackageToolsTest, DamagedPackagesAreReportedAndNotExtracted) {
    const std::string two = HandMadePackage({{"file0000", "a", "aaaa"}, {"file0001", "b", "bbbb"}});
    const std::pair<std::string, const char*> cases[] = {
        {WithKey(two, "file0000crc", "4294967296"), "crc is not a 32-bit number"},
        {WithKey(two, "file0000crc", "77"), "the Adler-32 is"},
        {WithKey(two, "file0000origlen", "3"), "more than its origlen of 3"},
        {WithKey(two, "file0000length", "3"), "cut short"},
        {WithKey(two, "file0000offset", "4000"), "runs past the end"},
        {WithKey(two, "file0001offset", "0"), "overlaps"},
        {two + "X", "last 1 payload bytes belong to no entry"},
    };
    for (const auto& [package, problem] : cases) {
        SCOPED_TRACE(problem);
        const PackageInfo info = Read(package);
        const std::string problems = AllProblems(VerifyPackage(info));
        EXPECT_NE(problems.find(problem), std::string::npos) << problems;
        fs::remove_all(dir_ / "into");
        Diagnostics diag;
        EXPECT_FALSE(ExtractPackage(info, dir_ / "into", diag));
        for (const auto& [path, bytes] : Files(dir_ / "into")) {
            EXPECT_TRUE(path == "b" && bytes == "bbbb") << path;
        }
    }
}

// Entries after a gap in the numbering, and components past NumberOfComponents, the installer
// never reads: extract leaves them out too.
TEST_F(PackageToolsTest, ExtractWritesOnlyWhatTheInstallerReads) {
    std::string bytes = HandMadePackage({{"file0000", "a.txt", "a"}, {"file0002", "c.txt", "c"}});
    bytes.insert(bytes.find("[/END]"), "[Component1]\r\ndir0000=never\r\n");
    Diagnostics diag;
    EXPECT_TRUE(ExtractPackage(Read(bytes), dir_ / "into", diag));
    EXPECT_EQ(Files(dir_ / "into"), (std::map<std::string, std::string>{{"a.txt", "a"}}));
    EXPECT_FALSE(fs::exists(dir_ / "into" / "never"));
}

// Paths that would end up outside the extract folder, or name a device: verify names the
// entry, extract refuses it, and links planted in the folder are never followed.
TEST_F(PackageToolsTest, HostilePathsAndLinksAreRefused) {
    for (const auto& [entry, problem] :
         {std::pair{HandEntry{"file0000", "..\\..\\e", "e"}, "climbs out"},
          {HandEntry{"sys0000", "sub\\Com1.dll", "e"}, "reserves for a device"}}) {
        SCOPED_TRACE(entry.dest);
        const PackageInfo info = Read(HandMadePackage({entry}));
        const std::string problems = AllProblems(VerifyPackage(info));
        EXPECT_NE(problems.find("[Component0] " + entry.key), std::string::npos) << problems;
        EXPECT_NE(problems.find(problem), std::string::npos) << problems;
        Diagnostics diag;
        EXPECT_FALSE(ExtractPackage(info, dir_ / "a" / "b" / "c", diag));
        EXPECT_EQ(Files(dir_ / "a"), (std::map<std::string, std::string>{}));
    }
    const fs::path into = dir_ / "into", outside = dir_ / "outside";
    WriteBytes(outside / "x", "kept");
    fs::create_directories(into);
    fs::create_directory_symlink(outside, into / "@system");
    fs::create_directory_symlink(outside, into / "sub");
    fs::create_symlink(outside / "x", into / "x");
    Diagnostics diag;
    const std::string package = HandMadePackage(
        {{"sys0000", "x", "evil"}, {"file0000", "sub\\x", "evil"}, {"file0001", "x", "evil"}});
    EXPECT_FALSE(ExtractPackage(Read(package), into, diag));
    EXPECT_EQ(diag.ErrorCount(), 3);
    EXPECT_EQ(Files(outside), (std::map<std::string, std::string>{{"x", "kept"}}));
}

// What every temporary file is created with: only a name that nothing holds is taken; a
// link there, dangling or not, is never followed.
TEST_F(PackageToolsTest, ExclusiveCreationTakesOnlyAFreeName) {
    const fs::path name = dir_ / "temp", victim = dir_ / "victim";
    WriteBytes(victim, "untouched");
    EXPECT_TRUE(File::CreateNew(name).IsOpen());
    EXPECT_FALSE(File::CreateNew(name).IsOpen());  // now a file
    for (const fs::path& target : {victim, dir_ / "none"}) {
        fs::remove(name);
        fs::create_symlink(target, name);
        EXPECT_FALSE(File::CreateNew(name).IsOpen()) << target;
    }
    EXPECT_EQ(ReadWholeFile(victim), "untouched");
    EXPECT_FALSE(fs::exists(dir_ / "none"));
}

}  // namespace
}  // namespace nuvex::pack::test
