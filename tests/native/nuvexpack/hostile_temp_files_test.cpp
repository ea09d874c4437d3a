// Temporary files of extract and build: never written through a link planted at their
// name, never colliding with a file of the package, short enough beside any name.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "pack_test_support.h"
#include "package_reader.h"
#include "package_tools.h"

namespace nuvex::pack::test {
namespace {

class TempFilesTest : public PackTest {
protected:
    // Every file below `root` (links as "-> target"), by path with "/".
    static std::map<std::string, std::string> Tree(const fs::path& root) {
        std::map<std::string, std::string> files;
        for (const auto& e : fs::recursive_directory_iterator(root)) {
            std::string rel = e.path().lexically_relative(root).generic_string();
            if (e.is_symlink()) {
                files[rel] = "-> " + fs::read_symlink(e.path()).string();
            } else if (e.is_regular_file()) {
                files[rel] = ReadBytes(e.path());
            }
        }
        return files;
    }
};

// Names a temporary file of extract could have: each holds a link to a file outside, or
// a file the package itself writes. After extract the outside file is unchanged, every
// entry holds its own bytes, and nothing else is left behind.
TEST_F(TempFilesTest, ExtractWritesEachEntryOnceAndOnlyThere) {
    const std::string longName(255, 'n');
    struct Case {
        const char* name;
        std::vector<HandEntry> entries;
        std::vector<std::string> planted;  // links to outside/victim, below the folder
    } cases[] = {
        {"link at NAME.part~", {{"file0000", "y", "payload"}}, {"y.part~"}},
        {"links at likely names", {{"file0000", "y", "payload"}},
         {"y.tmp", "y~", ".y.part~", "y.part"}},
        {"entry named like another's temporary file",
         {{"file0000", "x.part~", "first"}, {"file0001", "x", "second"}}, {}},
        {"the other order", {{"file0000", "x", "first"}, {"file0001", "x.part~", "second"}}, {}},
        {"name of 255 characters", {{"file0000", longName, "long"}}, {}},
        {"name of 250 characters in a folder",
         {{"file0000", "d\\" + longName.substr(0, 250), "long"}}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::path into = dir_ / "into";
        fs::path victim = dir_ / "outside" / "victim";
        fs::remove_all(into);
        fs::create_directories(into);
        WriteBytes(victim, "untouched");
        std::map<std::string, std::string> expected;
        for (const std::string& name : c.planted) {
            fs::create_symlink(victim, into / name);
            expected[name] = "-> " + victim.string();
        }
        fs::path package = dir_ / "p.exe";
        WriteBytes(package, HandMadePackage(c.entries));
        for (const HandEntry& e : c.entries) {
            std::string rel = e.dest;
            std::replace(rel.begin(), rel.end(), '\\', '/');
            expected[rel] = e.bytes;
        }
        Diagnostics diag;
        std::size_t written = 0;
        EXPECT_TRUE(ExtractPackage(ReadPackage(package), into, diag, &written));
        EXPECT_EQ(diag.ErrorCount(), 0) << diag.Items()[0].message;
        EXPECT_EQ(written, c.entries.size());
        EXPECT_EQ(Tree(into), expected);
        EXPECT_EQ(ReadBytes(victim), "untouched");
    }
}

// The builder's own temporary files beside OUT.exe: a link planted there is neither
// written through nor renamed into place, and no temporary file stays.
TEST_F(TempFilesTest, BuildWritesNoFileButItsOutput) {
    Source("a.txt", "payload bytes");
    const std::string script = Script({"[Components]", "NumberOfComponents=1", "[Component0]",
                                       "file0000=a.txt"});
    const char* const kPlanted[] = {"out.exe.payload~", "out.exe.part~"};
    for (const char* planted : kPlanted) {
        SCOPED_TRACE(planted);
        fs::path victim = dir_ / "outside" / "victim";
        WriteBytes(victim, "untouched");
        fs::remove(output_);
        for (const char* name : kPlanted) {
            fs::remove(dir_ / name);
        }
        fs::create_symlink(victim, dir_ / planted);
        BuildRun run = Build(script);
        ASSERT_TRUE(run.ok) << run.Messages();
        EXPECT_EQ(ReadBytes(victim), "untouched");
        EXPECT_FALSE(fs::is_symlink(output_));
        EXPECT_TRUE(VerifyPackage(ReadPackage(output_)).Good());
        std::size_t files = 0;
        for (const auto& e : fs::directory_iterator(dir_)) {
            files += e.is_symlink() || e.is_regular_file() ? 1 : 0;
        }
        EXPECT_EQ(files, 4u) << "setup.ini, stub.exe, out.exe and the planted link only";
    }
}

// What a temporary file is created with: only a name that nothing holds is taken; a
// link there, dangling or not, is never followed.
TEST_F(TempFilesTest, ExclusiveCreationTakesOnlyAFreeName) {
    fs::path victim = dir_ / "victim";
    struct Case {
        const char* name;
        std::function<void(const fs::path&)> plant;
        bool created;
    } cases[] = {
        {"free name", [](const fs::path&) {}, true},
        {"a file", [](const fs::path& p) { WriteBytes(p, "old"); }, false},
        {"a link to a file", [&](const fs::path& p) { fs::create_symlink(victim, p); }, false},
        {"a dangling link", [&](const fs::path& p) { fs::create_symlink(dir_ / "none", p); }, false},
        {"a folder", [](const fs::path& p) { fs::create_directory(p); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(victim, "untouched");
        fs::path name = dir_ / "temp";
        fs::remove_all(name);
        c.plant(name);
        File f = File::CreateNew(name);
        EXPECT_EQ(f.IsOpen(), c.created);
        EXPECT_EQ(ReadBytes(victim), "untouched");
        EXPECT_FALSE(fs::exists(dir_ / "none"));
    }
}

}  // namespace
}  // namespace nuvex::pack::test
