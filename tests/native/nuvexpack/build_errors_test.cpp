// Scripts and inputs the builder must refuse, with the message and line of each, leaving
// no file behind; the ones it builds with a warning; and outputs that would destroy an input.
#include <gtest/gtest.h>

#include "pack_test_support.h"
#include "script_writer.h"

namespace nuvex::pack::test {
namespace {

struct ScriptCase {
    std::string script;
    std::string message;  // part of the expected diagnostic
    int line;             // -1: any
    std::function<void(BuildOptions&)> setup = nullptr;
};

TEST_F(PackTest, ScriptsRefusedWithTheirLineAndNoFileLeft) {
    Source("ok.txt", "fine");
    const std::string ok = Component({"file0000=ok.txt"});
    const ScriptCase cases[] = {
        {Script({"[Wizard]", "; see [/docs]"}), "\"[/\" at column 7", 2},
        {Component({"file0000=x.txt", "file0000source=gone/x.txt"}), "not found", 5},
        {Component({"sys0000=..\\ok.txt"}), "climbs out", 4},
        {Component({"tree00=t"}), "character ':'", 4,
         [](BuildOptions& o) { WriteBytes(o.sourceDir / "t/a:b.txt", "1"); }},
        {Component({"file0000=ok.txt", "file0000=ok.txt"}), "first on line 4", 5},
        {Component({"file0000=ok.txt", "file0001=more.txt"}), "ends at byte", 5,
         [](BuildOptions& o) {
             WriteBytes(o.sourceDir / "more.txt", SampleContent(3000, 1));
             o.limits.max32 =
                 4096 + 1000;  // past the stub and the script, short of the stream's end
         }},
        {ok, "is longer than", -1, [=](BuildOptions& o) { o.limits.maxScript = ok.size() - 1; }},
        {ok, "holds the package header at offset 100", -1,
         [](BuildOptions& o) { WriteBytes(o.stub, std::string(100, 'M') + HeaderText() + "MM"); }},
    };
    for (const ScriptCase& c : cases) {
        SCOPED_TRACE(c.message);
        // An older package left in place could pass for the result of the failed build.
        WriteBytes(output_, "old package");
        BuildRun run = Build(c.script, c.setup);
        EXPECT_FALSE(run.ok);
        EXPECT_TRUE(run.Has(Severity::kError, c.message, c.line)) << run.Messages();
        EXPECT_EQ(Strays(), std::set<std::string>{});
    }
}

TEST_F(PackTest, ScriptsBuiltWithAWarning) {
    Source("ok.txt", "fine");
    const ScriptCase cases[] = {
        {Component({"file0000=ok.txt", "file0002=ok.txt"}), "has no file0001", 5},
        {Script({"[Wizard]", "szInstallAppName=" + std::string(2000, 'N'), "szTextUvod=%s and %s"}),
         "once \"%s\" holds the application name", 3},
    };
    for (const ScriptCase& c : cases) {
        BuildRun run = Build(c.script);
        EXPECT_TRUE(run.ok) << run.Messages();
        EXPECT_TRUE(run.Has(Severity::kWarning, c.message, c.line)) << run.Messages();
    }
}

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
