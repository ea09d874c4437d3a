// Where the builder puts things in the package, checked with plain string search rather
// than with the package reader.
#include <gtest/gtest.h>
#include <zlib.h>

#include "end_marker_cases.h"
#include "pack_test_support.h"
#include "package_layout.h"
#include "package_reader.h"
#include "script_writer.h"

namespace nuvex::pack::test {
namespace {

class LayoutTest : public PackTest {};

uint32_t AdlerOf(const std::string& s) {
    return static_cast<uint32_t>(
        adler32(1, reinterpret_cast<const Bytef*>(s.data()), static_cast<uInt>(s.size())));
}

TEST_F(LayoutTest, HeaderScriptAndPayloadFollowTheStub) {
    // Content whose Adler-32 has its top bit set (about every second text has).
    std::string content;
    for (unsigned seed = 1; AdlerOf(content) < 0x80000000u; ++seed) {
        content = SampleContent(40000, seed);
    }
    Source("big.dat", content);
    Source("small.txt", "small\n");

    BuildRun run = Build("[Components]\nNumberOfComponents=1\n[Component0]\nfile0000=big.dat\n"
                         "file0001=small.txt\n");
    ASSERT_TRUE(run.ok) << run.Messages();
    std::string stub = ReadBytes(stub_);
    RawPackage raw = SplitPackage(run.package);

    EXPECT_EQ(raw.scriptOffset, stub.size());
    EXPECT_EQ(run.package.compare(0, stub.size(), stub), 0);
    EXPECT_EQ(run.summary.scriptOffset, stub.size());
    EXPECT_EQ(run.summary.payloadBase, raw.payloadBase);
    // The builder's section comes first, with the payload's size and CRC-32, then the
    // maker's lines, now with CR LF.
    uint32_t crc = static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(raw.payload.data()),
                                               static_cast<uInt>(raw.payload.size())));
    EXPECT_EQ(raw.script.rfind(HeaderText() + "\r\n" + layout::kCreatorKey + "=" +
                                   layout::kCreatorValue + "\r\n" + kPayloadSizeKey + "=" +
                                   std::to_string(raw.payload.size()) + "\r\n" + kPayloadCrcKey +
                                   "=" + std::to_string(crc) + "\r\n[Components]\r\n", 0),
              0u);
    EXPECT_EQ(raw.script.substr(raw.script.size() - 8), "\r\n" + std::string(layout::kEndMarker));

    // Offset 0 is the payload base; the streams lie end to end and fill the payload.
    EXPECT_EQ(ScriptValue(raw.script, "file0000offset"), "0");
    uint64_t length0 = std::stoull(ScriptValue(raw.script, "file0000length"));
    EXPECT_EQ(ScriptValue(raw.script, "file0001offset"), std::to_string(length0));
    uint64_t length1 = std::stoull(ScriptValue(raw.script, "file0001length"));
    EXPECT_EQ(raw.payload.size(), length0 + length1);

    std::string out(content.size(), '\0');
    uLongf outLen = static_cast<uLongf>(out.size());
    ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(&out[0]), &outLen,
                         reinterpret_cast<const Bytef*>(raw.payload.data()),
                         static_cast<uLong>(length0)),
              Z_OK);
    EXPECT_EQ(out, content);

    EXPECT_EQ(ScriptValue(raw.script, "file0000crc"), std::to_string(AdlerOf(content)));
    EXPECT_EQ(ScriptValue(raw.script, "file0000origlen"), std::to_string(content.size()));
    EXPECT_EQ(ScriptValue(raw.script, "requiedspace"), std::to_string(content.size() + 6));
}

TEST_F(LayoutTest, BuilderKeysAreReplacedAndTreeEntriesNumberedAfterTheMakers) {
    Source("a.txt", "a");
    Source("pkg/z.txt", "z");
    Source("pkg/sub/inner/deep.txt", "deep");
    Source("pkg/sub/b.txt", "b");
    Source("pkg/A.txt", "A");
    BuildRun run = Build(Script({
        "[Nuvex]", "Creator=someone else",
        "[Components]", "NumberOfComponents=1",
        "[Component0]",
        "requiedspace=123",
        "dir0000=Extra",
        "file0000=a.txt",
        "file0000length=999", "file0000crc=1", "file0000offset=77", "file0000origlen=5",
        "file0001=Extra\\b.txt", "file0001source=pkg/sub/b.txt",
        "tree07=pkg>Data\\Files",
        "; trailing comment",
        "",
    }));
    ASSERT_TRUE(run.ok) << run.Messages();
    std::string s = SplitPackage(run.package).script;

    EXPECT_EQ(s.find("someone else"), std::string::npos);
    EXPECT_EQ(s.find("tree07"), std::string::npos);
    EXPECT_EQ(s.find("source="), std::string::npos);
    EXPECT_EQ(s.find("=999\r\n"), std::string::npos);
    EXPECT_EQ(ScriptValue(s, "file0000length").empty(), false);
    EXPECT_EQ(ScriptValue(s, "file0000origlen"), "1");
    EXPECT_EQ(ScriptValue(s, "requiedspace"), "123");

    // Folders: the maker's first, then the missing ones, parents before children.
    EXPECT_EQ(ScriptValue(s, "dir0000"), "Extra");
    EXPECT_EQ(ScriptValue(s, "dir0001"), "Data");
    EXPECT_EQ(ScriptValue(s, "dir0002"), "Data\\Files");
    EXPECT_EQ(ScriptValue(s, "dir0003"), "Data\\Files\\sub");
    EXPECT_EQ(ScriptValue(s, "dir0004"), "Data\\Files\\sub\\inner");
    EXPECT_EQ(ScriptValue(s, "dir0005"), "");
    // Tree files after the maker's, in name order with folders compared part by part.
    EXPECT_EQ(ScriptValue(s, "file0002"), "Data\\Files\\A.txt");
    EXPECT_EQ(ScriptValue(s, "file0003"), "Data\\Files\\sub\\b.txt");
    EXPECT_EQ(ScriptValue(s, "file0004"), "Data\\Files\\sub\\inner\\deep.txt");
    EXPECT_EQ(ScriptValue(s, "file0005"), "Data\\Files\\z.txt");
    EXPECT_EQ(ScriptValue(s, "file0006"), "");
    // The builder's lines go before the trailing comment.
    EXPECT_LT(s.find("file0005offset"), s.find("; trailing comment"));
}

TEST_F(LayoutTest, TreeNamesWithOuterBlanksOrQuotesAreQuoted) {
    Source("q/ lead.txt", "1");
    Source("q/'single'", "2");
    Source("q/plain.txt", "3");
    BuildRun run = Build(Script({"[Components]", "NumberOfComponents=1", "[Component0]", "tree00=q>"}));
    ASSERT_TRUE(run.ok) << run.Messages();
    std::string s = SplitPackage(run.package).script;
    EXPECT_EQ(ScriptValue(s, "file0000"), "\" lead.txt\"");
    EXPECT_EQ(ScriptValue(s, "file0001"), "\"'single'\"");
    EXPECT_EQ(ScriptValue(s, "file0002"), "plain.txt");
    PackageInfo info = ReadPackage(output_);
    ASSERT_EQ(info.entries.size(), 3u);
    EXPECT_EQ(info.entries[0].dest, " lead.txt");
    EXPECT_EQ(info.entries[1].dest, "'single'");
}

// The reader ends the script where the installer's copy ends it: the table is the one the
// core tests run the copy against.
TEST_F(LayoutTest, ReaderEndsTheScriptWhereTheInstallerDoes) {
    for (const nuvex::test::EndMarkerCase& c : nuvex::test::EndMarkerCases()) {
        SCOPED_TRACE(c.name);
        const std::string bytes = FakeStub() + HeaderText() + "\r\na=1\r\n" + c.tail;
        fs::path p = dir_ / "marker.exe";
        WriteBytes(p, bytes);
        try {
            PackageInfo info = ReadPackage(p);
            EXPECT_TRUE(c.complete) << "read a script the installer refuses";
            EXPECT_EQ(bytes.substr(static_cast<std::size_t>(info.payloadBase)), c.payload);
        } catch (const PackError& e) {
            EXPECT_FALSE(c.complete) << e.what();
        }
    }
}

}  // namespace
}  // namespace nuvex::pack::test
