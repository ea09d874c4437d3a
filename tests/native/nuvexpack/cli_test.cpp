// The command line: exit codes and messages of the real executable.
#include <gtest/gtest.h>

#include <cstdio>

#include "pack_test_support.h"

namespace nuvex::pack::test {
namespace {

class CliTest : public PackTest {};

TEST_F(CliTest, ExitCodesAndMessages) {
    Source("a.txt", "hello");
    WriteBytes(script_, Script({"[Components]", "NumberOfComponents=1", "[Component0]", "file0000=a.txt"}));
    const std::string build = "build " + script_.string() + " --source " + src_.string() +
                              " --stub " + stub_.string() + " -o " + output_.string();
    const std::string bad = (dir_ / "bad.exe").string();
    const std::string hostile = (dir_ / "hostile.exe").string();
    WriteBytes(hostile, HandMadePackage({{"file0000", "..\\evil.txt", "evil"}}));
    struct Case {
        std::string args;
        int exitCode;
        std::string output;
    } cases[] = {
        {"", 2, "usage:"},
        {"--help", 0, "nuvexpack build SCRIPT"},
        {"frobnicate", 2, "unknown command frobnicate"},
        {build + " --level 13", 2, "--level takes a number from 0 to 12"},
        {build + " --zlib --level 10", 2, "--level goes up to 9 with zlib"},
        {build + " --best --level 3", 2, "exclude each other"},
        {build + " --jobs 0", 2, "--jobs takes a number"},
        {build + " --colour", 2, "unknown option --colour"},
        {"build " + script_.string() + " --stub " + stub_.string(), 2, "-o OUT.exe is required"},
        {"build " + script_.string() + " -o " + output_.string(), 2, "name the stub with --stub"},
        {build + " --stub " + (dir_ / "none.exe").string(), 1, "no package written (1 error)"},
        {build + " --quiet", 0, ""},
        {"list " + output_.string(), 0, "file0000  a.txt"},
        {"verify " + output_.string(), 0, "1 streams checked, all good"},
        {"verify " + bad, 1, "bad: "},
        {"verify " + stub_.string(), 1, "not a package"},
        {"extract " + output_.string(), 2, "expected PACKAGE and DIR"},
        {"extract " + output_.string() + " " + (dir_ / "x").string(), 0, "1 files written"},
        {"extract " + hostile + " " + (dir_ / "h").string(), 1, "with \"..\"; refused"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        if (c.args.rfind("verify " + bad, 0) == 0) {
            std::string damaged = ReadBytes(output_);
            damaged.back() = static_cast<char>(damaged.back() ^ 1);
            WriteBytes(bad, damaged);
        }
        CliResult r = RunTool(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.output;
        if (c.output.empty()) {
            EXPECT_EQ(r.output, "");
        } else {
            EXPECT_NE(r.output.find(c.output), std::string::npos) << r.output;
        }
    }
    EXPECT_EQ(ReadBytes(dir_ / "x" / "a.txt"), "hello");
    EXPECT_FALSE(fs::exists(dir_ / "evil.txt"));
}

}  // namespace
}  // namespace nuvex::pack::test
