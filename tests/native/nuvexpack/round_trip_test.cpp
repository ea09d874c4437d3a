// Build from a folder, verify, extract: the files come back as they were.
#include <gtest/gtest.h>

#include <map>

#include "compression.h"
#include "pack_test_support.h"
#include "package_reader.h"
#include "package_tools.h"

namespace nuvex::pack::test {
namespace {

class RoundTripTest : public PackTest {
protected:
    // Extracts the package and returns every file below `into`, by path with "/".
    std::map<std::string, std::string> ExtractAll(const fs::path& into) {
        PackageInfo info = ReadPackage(output_);
        Diagnostics diag;
        EXPECT_TRUE(ExtractPackage(info, into, diag));
        std::map<std::string, std::string> files;
        for (const auto& entry : fs::recursive_directory_iterator(into)) {
            if (entry.is_regular_file()) {
                files[entry.path().lexically_relative(into).generic_string()] = ReadBytes(entry.path());
            }
        }
        return files;
    }

    void ExpectVerifies() {
        VerifyReport report = VerifyPackage(ReadPackage(output_));
        EXPECT_TRUE(report.Good()) << report.problems.front();
    }
};

TEST_F(RoundTripTest, FolderTreesAndExplicitEntriesComeBackUnchanged) {
    std::map<std::string, std::string> expected = {
        {"Program/prog.exe", SampleContent(150000, 1)},
        {"Program/readme.txt", SampleContent(3000, 2)},
        {"Program/zero.bin", ""},
        {"Program/docs/a.txt", SampleContent(777, 3)},
        {"Program/docs/deep/b.txt", SampleContent(20000, 4)},
        {"Read me first.txt", SampleContent(100, 5)},
        {"@windows/Fonts/sample.fon", SampleContent(5000, 6)},
        {"@system/sample.dll", SampleContent(9000, 7)},
        {"Manual/a.txt", SampleContent(777, 3)},
        {"Manual/deep/b.txt", SampleContent(20000, 4)},
    };
    for (const auto& [path, bytes] : expected) {
        if (path.rfind("Program/", 0) == 0) {
            Source("app/" + path.substr(8), bytes);
        }
    }
    fs::create_directories(src_ / "app" / "empty");
    Source("notes/first.txt", expected["Read me first.txt"]);
    Source("fonts/sample.fon", expected["@windows/Fonts/sample.fon"]);
    Source("sys/sample.dll", expected["@system/sample.dll"]);

    BuildRun run = Build(Script({
        "[Wizard]", "szInstallAppName=Round Trip",
        "[Components]", "NumberOfComponents=2",
        "[Component0]", "Title=Main",
        "file0000=\"Read me first.txt\"", "file0000source=notes\\first.txt",
        "tree00=app>Program",
        "win0000=Fonts\\sample.fon", "win0000source=fonts/sample.fon",
        "sys0000=sample.dll", "sys0000source=sys/sample.dll",
        "[Component1]", "Title=Manual",
        "tree00=app\\docs>Manual",
    }));
    ASSERT_TRUE(run.ok) << run.Messages();
    EXPECT_EQ(run.diag.WarningCount(), 0) << run.Messages();
    ExpectVerifies();

    fs::path into = dir_ / "extracted";
    EXPECT_EQ(ExtractAll(into), expected);
    EXPECT_TRUE(fs::is_directory(into / "Program" / "empty"));
}

// Files above the whole-file limit are deflated in pieces joined into one stream; sizes
// around the limit and the piece size take every path through the joining.
TEST_F(RoundTripTest, PiecedLargeFilesComeBackUnchanged) {
    const std::size_t sizes[] = {0, 1, 999, 1000, 1001, 1400, 1401, 5000, 12345};
    std::map<std::string, std::string> expected;
    std::string script = Script({"[Components]", "NumberOfComponents=1", "[Component0]"});
    int index = 0;
    for (std::size_t size : sizes) {
        std::string name = "f" + std::to_string(size) + ".bin";
        expected[name] = SampleContent(size, static_cast<unsigned>(size));
        Source(name, expected[name]);
        script += "file000" + std::to_string(index++) + "=" + name + "\r\n";
    }
    for (Engine engine : {Engine::kZlib, Engine::kLibdeflate}) {
        if (!EngineAvailable(engine)) {
            continue;
        }
        SCOPED_TRACE(EngineName(engine));
        BuildRun run = Build(script, [&](BuildOptions& o) {
            o.compression = {engine, DefaultLevel(engine)};
            o.wholeFileLimit = 1000;
            o.pieceSize = 700;
            o.inFlightBytes = 2000;
        });
        ASSERT_TRUE(run.ok) << run.Messages();
        ExpectVerifies();
        fs::path into = dir_ / ("x-" + std::string(EngineName(engine)));
        EXPECT_EQ(ExtractAll(into), expected);
    }
}

TEST_F(RoundTripTest, SameInputsGiveTheSameBytesWhateverTheThreads) {
    for (int i = 0; i < 40; ++i) {
        Source("tree/d" + std::to_string(i % 4) + "/f" + std::to_string(i) + ".txt",
               SampleContent(1000 + 997 * static_cast<std::size_t>(i), static_cast<unsigned>(i)));
    }
    std::string script = Script({"[Components]", "NumberOfComponents=1", "[Component0]", "tree00=tree>T"});
    BuildRun one = Build(script, [](BuildOptions& o) { o.jobs = 1; });
    ASSERT_TRUE(one.ok) << one.Messages();
    BuildRun many = Build(script, [](BuildOptions& o) {
        o.jobs = 8;
        o.inFlightBytes = 5000;  // workers stall and resume in a different order
        o.wholeFileLimit = 4000;
        o.pieceSize = 1500;
    });
    ASSERT_TRUE(many.ok) << many.Messages();
    BuildRun again = Build(script, [](BuildOptions& o) { o.jobs = 1; });
    EXPECT_EQ(one.package, again.package);
    // Pieces change the streams, not the entries or their order.
    EXPECT_EQ(one.summary.files, many.summary.files);
    BuildRun manyAgain = Build(script, [](BuildOptions& o) {
        o.jobs = 3;
        o.inFlightBytes = 9000;
        o.wholeFileLimit = 4000;
        o.pieceSize = 1500;
    });
    EXPECT_EQ(many.package, manyAgain.package);
}

TEST_F(RoundTripTest, SampleProductBuildsWithoutWarnings) {
    const fs::path sample = NUVEX_SAMPLE_DIR;
    BuildRun run = Build(ReadBytes(sample / "setup.ini"),
                         [&](BuildOptions& o) { o.sourceDir = sample / "product"; });
    ASSERT_TRUE(run.ok) << run.Messages();
    EXPECT_EQ(run.diag.WarningCount(), 0) << run.Messages();
    ExpectVerifies();
    std::map<std::string, std::string> files = ExtractAll(dir_ / "sample");
    EXPECT_EQ(files.size(), 8u);
    EXPECT_EQ(files["Samples/Letter.txt"], ReadBytes(sample / "product" / "samples" / "letter.txt"));
}

TEST_F(RoundTripTest, PackageWithoutFilesHoldsOneEmptyStream) {
    BuildRun run = Build(Script({"[Wizard]", "szInstallAppName=Nothing", "[Components]",
                                 "NumberOfComponents=1", "[Component0]", "Title=Empty"}));
    ASSERT_TRUE(run.ok) << run.Messages();
    RawPackage raw = SplitPackage(run.package);
    EXPECT_EQ(raw.payload, std::string(reinterpret_cast<const char*>(kEmptyZlibStream),
                                       sizeof kEmptyZlibStream));
    ExpectVerifies();
    EXPECT_EQ(ScriptValue(raw.script, "requiedspace"), "0");
}

}  // namespace
}  // namespace nuvex::pack::test
