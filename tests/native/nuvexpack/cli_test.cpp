// The command line: exit codes and messages of the real executable, and never a control
// character from a package or a path on the terminal.
#include <gtest/gtest.h>

#include "pack_test_support.h"

namespace nuvex::pack::test {
namespace {

TEST_F(PackTest, CliExitCodesAndMessages) {
    using namespace std::string_literals;
    Source("a.txt", "hello");
    ASSERT_TRUE(Build(Component({"file0000=a.txt"})).ok);
    const std::string build = "build " + script_.string() + " --source " + src_.string() +
                              " --stub " + stub_.string() + " -o " + output_.string();
    const std::string bad = (dir_ / "bad.exe").string(), hostile = (dir_ / "hostile.exe").string();
    std::string damaged = ReadWholeFile(output_);
    damaged.back() = static_cast<char>(damaged.back() ^ 1);
    WriteBytes(bad, damaged);
    const std::string ctl = (dir_ / "ctl.exe").string();
    WriteBytes(hostile, HandMadePackage({{"file0000", "..\\evil.txt", "evil"}}));
    // Names and titles with an escape sequence, a bell and a NUL: printed escaped and whole.
    WriteBytes(
        ctl, HandMadePackage({{"file0000", "a\x1b[31mred", "x"}, {"file0001", "n\0ul-tail"s, "y"}},
                             "Title=\x1b]0;owned\x07\r\n"));
    const struct {
        std::string args;
        int exitCode;
        std::vector<std::string> output;  // {""}: prints nothing
    } cases[] = {
        {build + " --cert x.pem", 2, {"go with --sign", "usage:"}},
        {build + " --stub " + (dir_ / "none.exe").string(), 1, {"no package written (1 error)"}},
        {build + " --quiet", 0, {"texts that the installer shows are missing"}},
        {"build --help", 0, {"nuvexpack build SCRIPT", "--strict       every warning is an error"}},
        {"--version", 0, {std::string("nuvexpack ") + kToolVersion}},
        {build + " --compression zstd", 2, {"--compression takes zlib or lzma, not \"zstd\""}},
        {build + " --zlib --compression lzma", 2, {"exclude each other"}},
        // Each option of build reaches its own field, and the choices are checked together.
        {build + " --level 3 --best", 2, {"--level and --best exclude each other"}},
        {build + " --zlib --level 12", 2, {"--level goes up to 9 with zlib"}},
        {build + " --level=13", 2, {"--level takes a number from 0 to 12, not \"13\""}},
        {build + " -j 0", 2, {"-j takes a number from 1 to 1024, not \"0\""}},
        {build + " --codepage x", 2, {"--codepage takes a number from 1 to 65535, not \"x\""}},
        {build + " --quiet=yes", 2, {"unknown option --quiet"}},
        {build + " --key k.pem --sign", 1, {"--cert FILE is needed to sign", "no package written"}},
        {"build " + script_.string() + " --stub " + stub_.string(), 2, {"-o OUT.exe is required"}},
        {build + " --zlib --best --jobs=1 --strict -q",
         1,
         {"error: ", "[--strict]", "no package written ("}},
        {build + " --zlib --best -j 1", 0, {"1 files, 5 bytes -> ", "(zlib level 9); script at "}},
        {"build " + script_.string() + " --source=" + src_.string() + " --stub=" + stub_.string() +
             " --output=" + output_.string() + " --compression=lzma --best --codepage=1252",
         0,
         {"(lzma level 9)"}},
        {"verify " + bad, 1, {"bad: "}},
        {"extract " + output_.string() + " " + (dir_ / "x").string(), 0, {"1 files written"}},
        {"extract " + hostile + " " + (dir_ / "h").string(), 1, {"with \"..\"; refused"}},
        {"list " + ctl, 0, {"a\\x1B[31mred", "n\\x00ul-tail", "\\x1B]0;owned\\x07"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        CliResult r = RunTool(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.output;
        for (const std::string& text : c.output) {
            EXPECT_TRUE(text.empty() ? r.output.empty() : r.output.find(text) != std::string::npos)
                << text << " in\n"
                << r.output;
        }
        for (char ch : r.output) {
            ASSERT_TRUE(ch == '\n' || (static_cast<unsigned char>(ch) >= 0x20 && ch != 0x7F))
                << int(ch) << " in\n"
                << r.output;
        }
    }
    EXPECT_EQ(ReadWholeFile(dir_ / "x" / "a.txt"), "hello");
    EXPECT_FALSE(fs::exists(dir_ / "evil.txt"));
}

}  // namespace
}  // namespace nuvex::pack::test
