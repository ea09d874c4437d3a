// Paths in hostile packages: extract writes nothing outside its folder, links included,
// and verify reports every path the installer would write outside its folders.
#include <gtest/gtest.h>

#include <set>

#include "pack_test_support.h"
#include "package_reader.h"
#include "package_tools.h"

namespace nuvex::pack::test {
namespace {

class HostilePathsTest : public PackTest {
protected:
    fs::path Package(const std::vector<HandEntry>& entries) {
        fs::path p = dir_ / "hostile.exe";
        WriteBytes(p, HandMadePackage(entries));
        return p;
    }
};

// Links planted in the extract folder before extract runs: through each of them the entry
// would land in outside/, which must stay empty, and the entry must be refused.
TEST_F(HostilePathsTest, ExtractRefusesEveryPathThroughALink) {
    struct Case {
        const char* name;
        HandEntry entry;
        const char* link;  // below the extract folder, to outside/
        bool toFolder;
    } cases[] = {
        {"@windows is a link", {"win0000", "x", "evil"}, "@windows", true},
        {"@system is a link", {"sys0000", "x.dll", "evil"}, "@system", true},
        {"a folder of the entry", {"file0000", "sub\\x", "evil"}, "sub", true},
        {"a folder of a win entry", {"win0000", "Fonts\\x", "evil"}, "@windows/Fonts", true},
        {"the file itself", {"file0000", "x", "evil"}, "x", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::path into = dir_ / "into";
        fs::path outside = dir_ / "outside";
        fs::remove_all(into);
        fs::remove_all(outside);
        fs::create_directories(outside);
        fs::path link = into / c.link;
        fs::create_directories(link.parent_path());
        if (c.toFolder) {
            fs::create_directory_symlink(outside, link);
        } else {
            WriteBytes(outside / "x", "kept");
            fs::create_symlink(outside / "x", link);
        }
        Diagnostics diag;
        EXPECT_FALSE(ExtractPackage(ReadPackage(Package({c.entry})), into, diag));
        ASSERT_EQ(diag.ErrorCount(), 1);
        EXPECT_NE(diag.Items()[0].message.find("passes through the link"), std::string::npos)
            << diag.Items()[0].message;
        std::size_t outsideFiles = 0;
        for (const auto& e : fs::recursive_directory_iterator(outside)) {
            ++outsideFiles;
            EXPECT_EQ(e.path().filename(), "x");
            EXPECT_EQ(ReadBytes(e.path()), "kept");
        }
        EXPECT_EQ(outsideFiles, c.toFolder ? 0u : 1u);
    }
}

// Paths the installer would join to its target, Windows or system folder and end up
// elsewhere, or open a device with: verify names each one, and extract refuses it and
// writes nothing outside its folder. A dir row comes beside a good file entry, as a
// package without payload is refused whole.
TEST_F(HostilePathsTest, VerifyAndExtractReportEveryPathTheBuilderRefuses) {
    struct Case {
        const char* key;
        const char* dest;
        const char* problem;
    } cases[] = {
        {"file0000", "..\\..\\evil.txt", "climbs out"},
        {"sys0000", "..\\..\\evil.dll", "climbs out"},
        {"win0000", "Fonts\\..\\..\\evil.fon", "climbs out"},
        {"dir0000", "..\\..\\evil", "climbs out"},
        {"dir0000", "sub/../..", "climbs out"},
        {"file0000", "/abs/x", "absolute path"},
        {"win0000", "\\evil.txt", "absolute path"},
        {"file0000", "*evil.txt", "starts with \"*\""},
        {"dir0000", "\\\\server\\share\\x", "absolute path"},
        {"file0000", "C:\\x", "drive letter"},
        {"dir0000", "D:evil", "drive letter"},
        {"file0000", "a:b", "drive letter"},
        {"file0000", "ab:c", "character ':'"},
        {"file0000", "CON", "reserves for a device"},
        {"file0000", "aux.txt", "reserves for a device"},
        {"sys0000", "sub\\Com1.dll", "reserves for a device"},
        {"file0000", "nul .log", "reserves for a device"},
        {"win0000", "LPT9", "reserves for a device"},
        {"dir0000", "sub\\prn", "reserves for a device"},
        {"file0000", "dots...", "ends in a dot"},
        {"file0000", "sub \\x", "ends in a dot or a space"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.key) + "=" + c.dest);
        const bool dir = std::string(c.key).rfind("dir", 0) == 0;
        fs::path package = dir_ / "hostile.exe";
        WriteBytes(package, dir ? HandMadePackage({{"file0000", "ok.txt", "fine"}},
                                                  std::string(c.key) + "=" + c.dest + "\r\n")
                                : HandMadePackage({{c.key, c.dest, "evil"}}));
        VerifyReport report = VerifyPackage(ReadPackage(package));
        ASSERT_EQ(report.problems.size(), 1u) << (report.Good() ? "all good" : report.problems[0]);
        EXPECT_NE(report.problems[0].find(std::string("[Component0] ") + c.key),
                  std::string::npos) << report.problems[0];
        EXPECT_NE(report.problems[0].find(c.problem), std::string::npos) << report.problems[0];

        fs::path into = dir_ / "a" / "b";
        fs::remove_all(dir_ / "a");
        std::set<fs::path> before;
        for (const auto& e : fs::recursive_directory_iterator(dir_)) {
            before.insert(e.path());
        }
        Diagnostics diag;
        EXPECT_FALSE(ExtractPackage(ReadPackage(package), into, diag));
        for (const auto& e : fs::recursive_directory_iterator(dir_)) {
            const std::string below = e.path().lexically_relative(into).string();
            EXPECT_TRUE(before.count(e.path()) || e.path() == dir_ / "a" ||
                        below.rfind("..", 0) != 0)
                << e.path();
        }
        ASSERT_EQ(diag.ErrorCount(), 1);
        EXPECT_NE(diag.Items()[0].message.find("refused"), std::string::npos)
            << diag.Items()[0].message;
    }
}

}  // namespace
}  // namespace nuvex::pack::test
