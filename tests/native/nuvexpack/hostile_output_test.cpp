// What the tool writes and prints: never over one of its inputs, and never a control
// character from a package or a path on the terminal.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>

#include "pack_test_support.h"

namespace nuvex::pack::test {
namespace {

class OutputTest : public PackTest {
public:
    // The cases below name the fixture's paths.
    using PackTest::dir_;
    using PackTest::script_;
    using PackTest::src_;
    using PackTest::stub_;
};

// -o naming an input under any name: refused before anything is written, and the input
// survives the failed build's clean-up too (the later source is missing).
TEST_F(OutputTest, OutputThatIsAnInputIsRefusedAndTheInputKept) {
    const std::string script = Script({"[Components]", "NumberOfComponents=1", "[Component0]",
                                       "file0000=a.txt", "file0001=missing.txt"});
    struct Case {
        const char* name;
        std::function<fs::path(OutputTest&)> output;
        const char* input;  // the input that must stay, below the test folder
    } cases[] = {
        {"the script", [](OutputTest& t) { return t.script_; }, "setup.ini"},
        {"the stub", [](OutputTest& t) { return t.stub_; }, "stub.exe"},
        {"a payload source", [](OutputTest& t) { return t.src_ / "a.txt"; }, "src/a.txt"},
        {"a payload source spelt otherwise",
         [](OutputTest& t) { return t.dir_ / "src" / "." / ".." / "src" / "a.txt"; }, "src/a.txt"},
        {"a hard link to a payload source",
         [](OutputTest& t) {
             fs::create_hard_link(t.src_ / "a.txt", t.dir_ / "hard.exe");
             return t.dir_ / "hard.exe";
         },
         "src/a.txt"},
        {"a link to a payload source",
         [](OutputTest& t) {
             fs::create_symlink(t.src_ / "a.txt", t.dir_ / "soft.exe");
             return t.dir_ / "soft.exe";
         },
         "src/a.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        Source("a.txt", "the source");
        WriteBytes(script_, script);
        const std::string before = ReadBytes(dir_ / c.input);
        fs::path output = c.output(*this);
        BuildRun run = Build(script, [&](BuildOptions& o) { o.output = output; });
        EXPECT_FALSE(run.ok);
        EXPECT_TRUE(run.Has(Severity::kError, "writing it would destroy that input")) << run.Messages();
        ASSERT_TRUE(fs::exists(dir_ / c.input));
        EXPECT_EQ(ReadBytes(dir_ / c.input), before);
    }
}

std::string RunTool(const std::string& args) {
    std::string out;
    FILE* p = popen((std::string(NUVEXPACK_BIN) + " " + args + " 2>&1").c_str(), "r");
    if (p == nullptr) {
        return out;
    }
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) {
        out.append(buf, n);
    }
    pclose(p);
    return out;
}

// Names and titles with an escape sequence, a bell and a NUL: each command prints them
// escaped and whole, and no control character but the line feed reaches the terminal.
TEST_F(OutputTest, ControlCharactersArePrintedEscaped) {
    using namespace std::string_literals;
    fs::path package = dir_ / "ctl.exe";
    WriteBytes(package,
               HandMadePackage({{"file0000", "a\x1b[31mred", "x"}, {"file0001", "n\0ul-tail"s, "y"}},
                               "Title=\x1b]0;owned\x07\r\n"));
    struct Case {
        std::string args;
        std::vector<std::string> shown;
    } cases[] = {
        {"list " + package.string(), {"a\\x1B[31mred", "n\\x00ul-tail", "\\x1B]0;owned\\x07"}},
        {"verify " + package.string(), {"a\\x1B[31mred", "n\\x00ul-tail\" contains"}},
        {"extract " + package.string() + " " + (dir_ / "x").string(),
         {"a\\x1B[31mred", "n\\x00ul-tail\" contains"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        std::string out = RunTool(c.args);
        for (const std::string& s : c.shown) {
            EXPECT_NE(out.find(s), std::string::npos) << s << " in\n" << out;
        }
        for (char ch : out) {
            unsigned char u = static_cast<unsigned char>(ch);
            ASSERT_TRUE(ch == '\n' || (u >= 0x20 && u != 0x7F)) << "byte " << int(u) << " in\n" << out;
        }
    }
}

}  // namespace
}  // namespace nuvex::pack::test
