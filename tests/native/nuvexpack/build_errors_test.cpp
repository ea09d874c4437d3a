// Scripts and inputs the builder must refuse, with the message and line of each, leaving
// no file behind; the ones it builds with a warning; and outputs that would destroy an input.
#include <gtest/gtest.h>

#include "pack_test_support.h"
#include "script_writer.h"

namespace nuvex::pack::test {
namespace {

struct ScriptCase {
    const char* name;
    std::string script;
    std::string message;  // part of the expected diagnostic
    int line;             // -1: any
    std::function<void(BuildOptions&)> setup = nullptr;
};

void PrintTo(const ScriptCase& c, std::ostream* os) { *os << c.name; }

class BuildErrorsTest : public PackTest, public ::testing::WithParamInterface<ScriptCase> {
protected:
    BuildRun Run() {
        Source("ok.txt", "fine");
        return Build(GetParam().script, GetParam().setup);
    }
};

std::vector<ScriptCase> ErrorCases() {
    const std::string ok = Component({"file0000=ok.txt"});
    return {
        {"EndMarkerInComment", Script({"[Wizard]", "; see [/docs]"}), "\"[/\" at column 7", 2},
        {"MissingSource", Component({"file0000=x.txt", "file0000source=gone/x.txt"}), "not found", 5},
        {"ClimbsOut", Component({"sys0000=..\\ok.txt"}), "climbs out", 4},
        {"TreeFileNameNotForWindows", Component({"tree00=t"}), "character ':'", 4,
         [](BuildOptions& o) { WriteBytes(o.sourceDir / "t/a:b.txt", "1"); }},
        {"DuplicateEntry", Component({"file0000=ok.txt", "file0000=ok.txt"}), "first on line 4", 5},
        {"StreamBeyond32Bits", Component({"file0000=ok.txt", "file0001=more.txt"}), "ends at byte", 5,
         [](BuildOptions& o) {
             WriteBytes(o.sourceDir / "more.txt", SampleContent(3000, 1));
             o.limits.max32 = 4096 + 1000;  // past the stub and the script, short of the stream's end
         }},
        {"StubHoldsHeader", ok, "holds the package header at offset 100", -1,
         [](BuildOptions& o) { WriteBytes(o.stub, std::string(100, 'M') + HeaderText() + "MM"); }},
        {"ScriptLongerThanTheCap", ok, "is longer than", -1,
         [=](BuildOptions& o) { o.limits.maxScript = ok.size() - 1; }},
    };
}

class BuildErrorTable : public BuildErrorsTest {};

TEST_P(BuildErrorTable, RefusesWithTheMessageAndLeavesNoFile) {
    // An older package left in place could pass for the result of the failed build.
    WriteBytes(output_, "old package");
    BuildRun run = Run();
    EXPECT_FALSE(run.ok);
    EXPECT_TRUE(run.Has(Severity::kError, GetParam().message, GetParam().line)) << run.Messages();
    EXPECT_EQ(Strays(), std::set<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Scripts, BuildErrorTable, ::testing::ValuesIn(ErrorCases()),
                         [](const auto& info) { return std::string(info.param.name); });

std::vector<ScriptCase> WarningCases() {
    return {
        {"GapInFamily", Component({"file0000=ok.txt", "file0002=ok.txt"}), "has no file0001", 5},
        {"ExpandedTextTooLong",
         Script({"[Wizard]", "szInstallAppName=" + std::string(2000, 'N'), "szTextUvod=%s and %s"}),
         "once \"%s\" holds the application name", 3},
    };
}

class BuildWarningTable : public BuildErrorsTest {};

TEST_P(BuildWarningTable, BuildsAndWarns) {
    BuildRun run = Run();
    EXPECT_TRUE(run.ok) << run.Messages();
    EXPECT_TRUE(run.Has(Severity::kWarning, GetParam().message, GetParam().line)) << run.Messages();
    EXPECT_FALSE(run.package.empty());
}

INSTANTIATE_TEST_SUITE_P(Scripts, BuildWarningTable, ::testing::ValuesIn(WarningCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// -o naming an input under another name: refused before anything is written, and the input
// survives the failed build's clean-up too (the later source is missing).
TEST_F(PackTest, OutputThatIsAnInputIsRefusedAndTheInputKept) {
    const fs::path input = Source("a.txt", "the source"), output = dir_ / "linked.exe";
    fs::create_hard_link(input, output);
    BuildRun run = Build(Component({"file0000=a.txt", "file0001=missing.txt"}),
                         [&](BuildOptions& o) { o.output = output; });
    EXPECT_FALSE(run.ok);
    EXPECT_TRUE(run.Has(Severity::kError, "writing it would destroy that input")) << run.Messages();
    EXPECT_EQ(ReadWholeFile(input), "the source");
}

}  // namespace
}  // namespace nuvex::pack::test
