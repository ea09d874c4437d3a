// Small packages that would cost without end: a script of megabytes, a tail with no end
// marker, streams shared by many entries. Each is refused with a clear error, quickly.
#include <gtest/gtest.h>

#include "pack_test_support.h"
#include "package_reader.h"
#include "package_tools.h"
#include "script_writer.h"

namespace nuvex::pack::test {
namespace {

class ResourcesTest : public PackTest {};

std::string Repeat(const std::string& s, std::size_t times) {
    std::string out;
    out.reserve(s.size() * times);
    for (std::size_t i = 0; i < times; ++i) {
        out += s;
    }
    return out;
}

// The reader stops copying the script at its cap, whatever follows the header.
TEST_F(ResourcesTest, ScriptSizeIsCapped) {
    const std::size_t cap = static_cast<std::size_t>(kMaxScriptBytes);
    const std::string head = FakeStub() + HeaderText();
    struct Case {
        const char* name;
        std::string bytes;
        uint64_t sparseTail;  // zero bytes added without writing them
        const char* error;    // empty: read fine
    } cases[] = {
        {"10 MB of line ends", head + std::string(10 << 20, '\n') + "[/END]P", 0, "runs on past"},
        {"64 MiB of zeros and no marker", head, 64ull << 20, "runs on past"},
        {"blank lines up to the cap", head + std::string(cap - 20, '\n') + "[/END]P", 0, ""},
        {"keys nobody reads up to the cap", head + "\n[Component0]\n" + Repeat("a=\n", (cap - 100) / 3) +
         "[/END]P", 0, ""},
        {"sections up to the cap", head + Repeat("\n[Wizard]\nb=1", (cap - 100) / 13) + "[/END]P", 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::path p = dir_ / "big.exe";
        WriteBytes(p, c.bytes);
        if (c.sparseTail > 0) {
            fs::resize_file(p, c.bytes.size() + c.sparseTail);
        }
        std::string error;
        try {
            PackageInfo info = ReadPackage(p);
            EXPECT_EQ(info.PayloadSize(), 1u);
            // Lines the reader never asks for cost nothing in the document.
            EXPECT_LE(info.doc.sections.size(), 3u);
            for (const IniSection& s : info.doc.sections) {
                EXPECT_TRUE(s.body.empty()) << s.name;
            }
        } catch (const PackError& e) {
            error = e.what();
        }
        if (*c.error == '\0') {
            EXPECT_EQ(error, "");
        } else {
            EXPECT_NE(error.find(c.error), std::string::npos) << error;
        }
    }
}

// The builder writes no script that the reader would refuse, and reads none that large.
TEST_F(ResourcesTest, BuilderKeepsTheScriptUnderTheCap) {
    Source("a.txt", "a");
    const std::string script = Script({"[Components]", "NumberOfComponents=1", "[Component0]",
                                       "file0000=a.txt"});
    struct Case {
        const char* name;
        uint64_t cap;
        const char* error;
    } cases[] = {
        {"input longer than the cap", script.size() - 1, "is longer than"},
        {"written script longer than the cap", script.size() + 20, "script would be"},
        {"fits", kMaxScriptBytes, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BuildRun run = Build(script, [&](BuildOptions& o) { o.limits.maxScript = c.cap; });
        EXPECT_EQ(run.ok, *c.error == '\0') << run.Messages();
        if (*c.error != '\0') {
            EXPECT_TRUE(run.Has(Severity::kError, c.error)) << run.Messages();
            EXPECT_TRUE(run.package.empty());
        }
    }
}

// Streams that are not laid out one after another make extract refuse the whole package
// before it writes a byte: ten entries on one stream of zeros would write ten times the
// stream's inflated size from a package of a few KB.
TEST_F(ResourcesTest, ExtractRefusesStreamsVerifyRefuses) {
    const std::string zeros(8 << 20, '\0');
    std::vector<HandEntry> shared = {{"file0000", "z0", zeros}};
    for (int i = 1; i < 10; ++i) {
        shared.push_back({"file000" + std::to_string(i), "z" + std::to_string(i), "", 0});
    }
    const std::vector<HandEntry> two = {{"file0000", "a", "aaaa"}, {"file0001", "b", "bbbb"}};
    auto edit = [](std::string bytes, const std::string& from, const std::string& to) {
        std::size_t at = bytes.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return at == std::string::npos ? bytes : bytes.replace(at, from.size(), to);
    };
    const std::string twoBytes = HandMadePackage(two);
    const std::string secondOffset = "file0001offset=" + ScriptValue(twoBytes, "file0001offset");
    struct Case {
        const char* name;
        std::string package;
        const char* problem;
    } cases[] = {
        {"ten entries on one stream", HandMadePackage(shared), "overlaps"},
        {"a stream past the payload", edit(twoBytes, secondOffset, "file0001offset=4000"),
         "runs past the end of the payload"},
        {"a bad key", edit(twoBytes, "file0001crc=", "file0001crc=x"), "not a 32-bit number"},
        {"bytes no entry names", HandMadePackage(two) + "junk", "belong to no entry"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::path p = dir_ / "streams.exe";
        WriteBytes(p, c.package);
        PackageInfo info = ReadPackage(p);
        VerifyReport report = VerifyPackage(info);
        EXPECT_FALSE(report.Good());

        fs::path into = dir_ / "into";
        fs::remove_all(into);
        Diagnostics diag;
        std::size_t written = 99;
        EXPECT_FALSE(ExtractPackage(info, into, diag, &written));
        EXPECT_EQ(written, 0u);
        EXPECT_FALSE(fs::exists(into));
        bool named = false;
        for (const Diagnostic& d : diag.Items()) {
            named = named || d.message.find(c.problem) != std::string::npos;
        }
        EXPECT_TRUE(named) << diag.Items().front().message;
    }
}

}  // namespace
}  // namespace nuvex::pack::test
