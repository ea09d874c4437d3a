// verify must notice any damaged payload byte; extract must never write outside its folder.
#include <gtest/gtest.h>
#include <zlib.h>

#include "pack_test_support.h"
#include "package_layout.h"
#include "package_reader.h"
#include "package_tools.h"
#include "script_writer.h"

namespace nuvex::pack::test {
namespace {

class VerifyTest : public PackTest {
protected:
    std::string BuildSample() {
        Source("a.txt", SampleContent(5000, 1));
        Source("b.bin", SampleContent(300, 2));
        Source("c.txt", "");
        Source("d.txt", SampleContent(20000, 4));
        BuildRun run = Build(Script({"[Components]", "NumberOfComponents=2", "[Component0]",
                                     "file0000=a.txt", "file0001=b.bin", "[Component1]",
                                     "file0000=c.txt", "sys0000=d.txt"}));
        EXPECT_TRUE(run.ok) << run.Messages();
        return run.package;
    }

    VerifyReport VerifyBytes(const std::string& package) {
        fs::path p = dir_ / "changed.exe";
        WriteBytes(p, package);
        return VerifyPackage(ReadPackage(p));
    }
};

std::string AllProblems(const VerifyReport& r) {
    std::string out;
    for (const std::string& p : r.problems) {
        out += p + "\n";
    }
    return out;
}

TEST_F(VerifyTest, GoodPackagePasses) {
    std::string package = BuildSample();
    VerifyReport report = VerifyBytes(package);
    EXPECT_TRUE(report.Good()) << AllProblems(report);
    EXPECT_EQ(report.streams, 4u);
    EXPECT_TRUE(report.checksummed);
}

// Every byte of every stream: the zlib header, the deflate data, the Adler-32 trailer, the
// first and last bytes of the payload, and the empty file's short stream. Some flips only
// the payload checksum sees: in the padding bits after a stream's last block, which
// inflate skips, the installer's own checks pass.
TEST_F(VerifyTest, CatchesAFlippedByteAnywhereInThePayload) {
    std::string package = BuildSample();
    RawPackage raw = SplitPackage(package);
    ASSERT_NE(raw.payloadBase, std::string::npos);
    const unsigned char kMasks[] = {0x01, 0x80, 0xFF, 0x10, 0x42};
    for (std::size_t at = 0; at < raw.payload.size(); ++at) {
        unsigned char mask = kMasks[at % std::size(kMasks)];
        std::string damaged = package;
        damaged[raw.payloadBase + at] = static_cast<char>(damaged[raw.payloadBase + at] ^ mask);
        VerifyReport report = VerifyBytes(damaged);
        ASSERT_FALSE(report.Good()) << "payload byte " << at << " xor " << int(mask);
    }
}

TEST_F(VerifyTest, NamesTheBadEntry) {
    std::string package = BuildSample();
    PackageInfo info = ReadPackage(output_);
    const PackageEntry& sys = info.entries.back();
    ASSERT_EQ(sys.family, Family::kSys);
    package[info.payloadBase + sys.offset + sys.length / 2] ^= 0x10;
    VerifyReport report = VerifyBytes(package);
    ASSERT_EQ(report.problems.size(), 2u) << AllProblems(report);
    EXPECT_NE(report.problems[0].find("[Component1] sys0000 (d.txt)"), std::string::npos);
    EXPECT_NE(report.problems[1].find("payload bytes have changed"), std::string::npos);
}

TEST_F(VerifyTest, BytesOutsideEveryStreamAreReported) {
    std::string package = BuildSample();
    VerifyReport appended = VerifyBytes(package + "X");
    ASSERT_EQ(appended.problems.size(), 2u) << AllProblems(appended);
    EXPECT_NE(appended.problems[0].find("last 1 payload bytes belong to no entry"), std::string::npos);
    EXPECT_NE(appended.problems[1].find("bytes long, the script says"), std::string::npos);

    VerifyReport cut = VerifyBytes(package.substr(0, package.size() - 1));
    EXPECT_FALSE(cut.Good());

    std::size_t end = package.find(layout::kEndMarker);
    VerifyReport noPayload = VerifyBytes(package.substr(0, end + 6));
    ASSERT_EQ(noPayload.problems.size(), 1u);
    EXPECT_NE(noPayload.problems[0].find("refuses a package without payload"), std::string::npos);
}

// Packages put together by hand, as a damaged or hostile one could be.
class HandMadePackageTest : public PackTest {
protected:
    fs::path Make(const std::vector<HandEntry>& entries, const std::string& extraPayload = {}) {
        fs::path p = dir_ / "hand.exe";
        WriteBytes(p, HandMadePackage(entries) + extraPayload);
        return p;
    }
};

TEST_F(HandMadePackageTest, ExtractWritesOnlyWhatTheInstallerReads) {
    fs::path package = Make({{"file0000", "a.txt", "a"}, {"file0002", "c.txt", "c"}});
    std::string bytes = ReadBytes(package);
    std::size_t end = bytes.find("[/END]");
    bytes.insert(end, "[Component1]\r\ndir0000=never\r\n");
    WriteBytes(package, bytes);
    fs::path into = dir_ / "into";
    Diagnostics diag;
    EXPECT_TRUE(ExtractPackage(ReadPackage(package), into, diag));
    EXPECT_TRUE(fs::exists(into / "a.txt"));
    EXPECT_FALSE(fs::exists(into / "c.txt"));
    EXPECT_FALSE(fs::exists(into / "never"));
    ASSERT_EQ(diag.WarningCount(), 2);
    EXPECT_NE(diag.Items()[0].message.find("reads only 1 components"), std::string::npos);
    EXPECT_NE(diag.Items()[1].message.find("after a gap"), std::string::npos);
}

TEST_F(HandMadePackageTest, VerifyReportsGapsAndOverlapsBetweenStreams) {
    // A stream nobody names sits between two named ones.
    fs::path gap = Make({{"file0000", "a", "aaaa"}, {"file0001", "b", "bbbb"}});
    std::string bytes = ReadBytes(gap);
    std::string script = SplitPackage(bytes).script;
    std::string renamed = bytes;
    std::size_t at = renamed.find("file0001=b");
    ASSERT_NE(at, std::string::npos);
    // Dropping file0001's main key leaves its stream unnamed.
    renamed.replace(at, 10, "xile0001=b");
    WriteBytes(gap, renamed);
    VerifyReport report = VerifyPackage(ReadPackage(gap));
    ASSERT_EQ(report.problems.size(), 1u);
    EXPECT_NE(report.problems[0].find("belong to no entry"), std::string::npos);

    // Two entries on one stream.
    fs::path shared = Make({{"file0000", "a", "same"}});
    std::string s = ReadBytes(shared);
    std::size_t end = s.find("[/END]");
    std::string keys = "file0001=b\r\n" + std::string("file0001length=") +
                       ScriptValue(SplitPackage(s).script, "file0000length") + "\r\nfile0001origlen=4\r\n" +
                       "file0001crc=" + ScriptValue(SplitPackage(s).script, "file0000crc") +
                       "\r\nfile0001offset=0\r\n";
    s.insert(end, keys);
    WriteBytes(shared, s);
    report = VerifyPackage(ReadPackage(shared));
    ASSERT_EQ(report.problems.size(), 1u);
    EXPECT_NE(report.problems[0].find("overlaps"), std::string::npos);
}

TEST_F(HandMadePackageTest, VerifyNamesBadKeys) {
    struct Case {
        std::string key, value, problem;  // an empty value drops the key
    } cases[] = {
        {"file0000crc", "-5", "file0000crc is not a 32-bit number"},
        {"file0000crc", "4294967296", "file0000crc is not a 32-bit number"},
        {"file0000crc", "77", "the Adler-32 is"},
        {"file0000origlen", "3", "inflates to more than its origlen of 3"},
        {"file0000origlen", "5", "inflates to 4 bytes, origlen says 5"},
        {"file0000origlen", "", "file0000origlen is missing"},
        {"file0000length", "3", "cut short"},
        {"file0000offset", "1", "runs past the end of the payload"},
        {"file0000length", "", "file0000length is missing"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key + "=" + c.value);
        std::string s = ReadBytes(Make({{"file0000", "a", "aaaa"}}));
        std::size_t at = s.find("\r\n" + c.key + "=");
        ASSERT_NE(at, std::string::npos);
        std::size_t end = s.find("\r\n", at + 2);
        s.replace(at, end - at, c.value.empty() ? "" : "\r\n" + c.key + "=" + c.value);
        fs::path p = dir_ / "keys.exe";
        WriteBytes(p, s);
        VerifyReport report = VerifyPackage(ReadPackage(p));
        EXPECT_NE(AllProblems(report).find(c.problem), std::string::npos) << AllProblems(report);
    }
}

}  // namespace
}  // namespace nuvex::pack::test
