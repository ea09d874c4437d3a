// verify and extract on damaged and hostile packages: verify notices any damaged payload
// byte and names the bad entry; extract writes nothing outside its folder, links included,
// writes no entry the installer would refuse, and leaves no temporary file.
#include <gtest/gtest.h>

#include "pack_test_support.h"
#include "package_reader.h"
#include "package_tools.h"
#include "script_checks.h"
#include "script_writer.h"

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
    Source("a.txt", SampleContent(2000, 1));
    Source("c.txt", "");
    Source("d.txt", SampleContent(3000, 4));
    BuildRun run = Build(Script({"[Components]", "NumberOfComponents=2", "[Component0]", "file0000=a.txt",
                                 "[Component1]", "file0000=c.txt", "sys0000=d.txt"}));
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
// (the whole package is refused when the streams are not laid out end to end, before a
// byte is written) and no temporary file.
TEST_F(PackageToolsTest, DamagedPackagesAreReportedAndNotExtracted) {
    const std::string two = HandMadePackage({{"file0000", "a", "aaaa"}, {"file0001", "b", "bbbb"}});
    // Ten entries on one stream of zeros would write ten times its inflated size.
    std::vector<HandEntry> shared = {{"file0000", "z0", std::string(8 << 20, '\0')}};
    for (int i = 1; i < 10; ++i) {
        shared.push_back({"file000" + std::to_string(i), "z" + std::to_string(i), "", 0});
    }
    std::string unnamed = two;
    unnamed.replace(unnamed.find("file0001=b"), 4, "xile");
    struct Case {
        const char* name;
        std::string package;
        const char* problem;
    } cases[] = {
        {"crc not a number", WithKey(two, "file0000crc", "-5"), "crc is not a 32-bit number"},
        {"crc beyond 32 bits", WithKey(two, "file0000crc", "4294967296"), "crc is not a 32-bit number"},
        {"wrong Adler-32", WithKey(two, "file0000crc", "77"), "the Adler-32 is"},
        {"origlen too small", WithKey(two, "file0000origlen", "3"), "more than its origlen of 3"},
        {"origlen too large", WithKey(two, "file0000origlen", "5"), "inflates to 4 bytes, origlen says 5"},
        {"length missing", WithKey(two, "file0000length", ""), "file0000length is missing"},
        {"length cut short", WithKey(two, "file0000length", "3"), "cut short"},
        {"offset past the payload", WithKey(two, "file0000offset", "4000"), "runs past the end"},
        {"a stream no entry names", unnamed, "belong to no entry"},
        {"ten entries on one stream", HandMadePackage(shared), "overlaps"},
        {"a byte appended", two + "X", "last 1 payload bytes belong to no entry"},
        {"no payload", two.substr(0, two.find("[/END]") + 6), "refuses a package without payload"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const PackageInfo info = Read(c.package);
        const std::string problems = AllProblems(VerifyPackage(info));
        EXPECT_NE(problems.find(c.problem), std::string::npos) << problems;
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
    EXPECT_EQ(diag.WarningCount(), 2);
}

// Paths the installer would join to its target, Windows or system folder and end up
// elsewhere, or open a device with: verify names each, extract refuses it and writes
// nothing outside its folder. A dir row comes beside a good file entry, as a package
// without payload is refused whole.
TEST_F(PackageToolsTest, HostilePathsAreReportedAndNotExtracted) {
    const std::pair<HandEntry, const char*> cases[] = {
        {{"file0000", "..\\..\\evil.txt", "evil"}, "climbs out"},
        {{"win0000", "Fonts\\..\\..\\evil.fon", "evil"}, "climbs out"},
        {{"dir0000", "sub/../..", ""}, "climbs out"},
        {{"sys0000", "sub\\Com1.dll", "evil"}, "reserves for a device"},
    };
    for (const auto& [entry, problem] : cases) {
        SCOPED_TRACE(entry.key + "=" + entry.dest);
        const std::string line = entry.key + "=" + entry.dest + "\r\n";
        const PackageInfo info = Read(entry.key == "dir0000"
                                          ? HandMadePackage({{"file0000", "ok", "ok"}}, line)
                                          : HandMadePackage({entry}));
        VerifyReport report = VerifyPackage(info);
        ASSERT_EQ(report.problems.size(), 1u) << AllProblems(report);
        const std::string& text = report.problems[0];
        EXPECT_NE(text.find("[Component0] " + entry.key), std::string::npos) << text;
        EXPECT_NE(text.find(problem), std::string::npos) << text;
        const fs::path into = dir_ / "a" / "b" / "c";
        fs::remove_all(dir_ / "a");
        Diagnostics diag;
        EXPECT_FALSE(ExtractPackage(info, into, diag));
        EXPECT_EQ(diag.ErrorCount(), 1);
        for (const auto& e : fs::recursive_directory_iterator(dir_ / "a")) {
            const fs::path rest = e.path().lexically_relative(into);
            EXPECT_TRUE(*rest.begin() != ".." || e.path() == into.parent_path()) << e.path();
        }
    }
}

// Links planted in the extract folder: through them the entries would land in outside/,
// which must stay as it was.
TEST_F(PackageToolsTest, ExtractRefusesEveryPathThroughALink) {
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
    for (const Diagnostic& d : diag.Items()) {
        EXPECT_NE(d.message.find("passes through the link"), std::string::npos) << d.message;
    }
    EXPECT_EQ(Files(outside), (std::map<std::string, std::string>{{"x", "kept"}}));
}

// Small packages that would cost without end: the reader stops copying the script at its
// cap, and lines it never asks for cost nothing in the document.
TEST_F(PackageToolsTest, ScriptSizeIsCapped) {
    const std::size_t cap = static_cast<std::size_t>(kMaxScriptBytes);
    auto upToTheCap = [&](std::string text, const std::string& unit) {
        while (text.size() + unit.size() < cap - 100) {
            text += unit;
        }
        return FakeStub() + HeaderText() + text + "[/END]P";
    };
    const std::pair<const char*, std::string> cases[] = {
        {"64 MiB of zeros and no marker", FakeStub() + HeaderText()},
        {"keys nobody reads up to the cap", upToTheCap("\n[Component0]\n", "a=\n")},
        {"sections up to the cap", upToTheCap("", "\n[Wizard]\nb=1")},
    };
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        WriteBytes(dir_ / "big.exe", bytes);
        const bool refused = bytes.find("[/END]") == std::string::npos;
        fs::resize_file(dir_ / "big.exe", bytes.size() + (refused ? 64ull << 20 : 0));
        try {
            PackageInfo info = ReadPackage(dir_ / "big.exe");
            EXPECT_FALSE(refused);
            EXPECT_EQ(info.PayloadSize(), 1u);
            EXPECT_LE(info.doc.sections.size(), 3u);
            for (const IniSection& s : info.doc.sections) {
                EXPECT_TRUE(s.body.empty()) << s.name;
            }
        } catch (const PackError& e) {
            EXPECT_TRUE(refused) << e.what();
            EXPECT_NE(std::string(e.what()).find("runs on past"), std::string::npos) << e.what();
        }
    }
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
