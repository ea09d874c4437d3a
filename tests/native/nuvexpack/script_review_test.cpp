// A product maker's mistakes, each made once in a script that is otherwise clean (the one
// `nuvexpack new` writes): the real executable names the line and gives a hint, builds with
// exit code 0 by default and refuses under --strict. Then the scaffold itself, the code page
// conversion, and an interrupted build.
#include <gtest/gtest.h>

#include <algorithm>

#include <zlib.h>

#include "pack_test_support.h"
#include "script_template.h"

namespace nuvex::pack::test {
namespace {

int LineOf(const std::string& text, const std::string& what) {
    std::size_t at = text.find(what);
    // A leading line feed anchors `what` at a line's start; the line is the one after it.
    at += what.size() > 0 && what[0] == '\n' && at != std::string::npos;
    return at == std::string::npos
               ? -1
               : 1 + static_cast<int>(std::count(
                         text.begin(), text.begin() + static_cast<std::ptrdiff_t>(at), '\n'));
}

TEST_F(PackTest, MistakesWarnWithLineAndHintAndFailUnderStrict) {
    Source("tool.exe", "MZ tool");
    Source("readme.txt", "read me");
    const std::string clean = NewScriptText("Tool", ".>", "tool.exe");
    const struct {
        std::string from, to;
        std::string message;
        std::string at = {};  // text on the line the message names; empty: `to`
        bool error = false;   // refused without --strict too
    } cases[] = {
        {"Requied=true", "Required=true",
         "[Component0] Required is not a key the installer reads; did you mean Requied?"},
        {"Type0Enabled=true", "Type0Enable=true",
         "[InstTypes] Type0Enable is not a key the installer reads; did you mean Type0Enabled?"},
        {"start00title=", "strat00title=",
         "[Component0] strat00title is not a key the installer reads; did you mean start00title?"},
        {"\n[Component0]", "\n[Componnet0]",
         "[Componnet0] is not a section the installer reads; did you mean Component0?"},
        {"Requied=true", "Requied=yes",
         "[Component0] Requied=yes: the installer takes only \"true\" as on, so this is off; write "
         "true or false"},
        {"Type0Enabled=true", "Type0Enabled=1",
         "[InstTypes] Type0Enabled=1: the installer takes only \"true\" as on, so this is off"},
        {"includeuninst=true", "includeuninst=no",
         "[Wizard] includeuninst=no: the installer takes only \"false\" as off, so this is on"},
        {"progressstyle=default", "progressstyle=window",
         "[Design] progressstyle=window: the installer knows default or bar only, and takes this "
         "as default"},
        {"szButtonNext=Next >", "szButtonNext=",
         "[Wizard] szButtonNext is empty, so the installer shows the Next button with no text; for "
         "example szButtonNext=Next >"},
        {"szLabelInfo=About this product", ";",
         "[Wizard] szLabelInfo is missing, so the installer shows the product information page's "
         "heading with no text",
         "[Wizard]"},
        {"Type0=Typical", "Type0=",
         "[InstTypes] Type0 is empty, so the installer shows install type 0 with no text"},
        {"defaultlang=en", ";",
         "[Wizard] defaultlang is missing, so the installer's splash lines are Czech; write "
         "defaultlang=en",
         "[Wizard]"},
        {"start00=tool.exe", "start00=tol.exe",
         "[Component0] start00 \"tol.exe\": no component installs this file into the target "
         "folder, so the shortcut points at nothing"},
        {"desktop00=tool.exe", "desktop00=..\\tool.exe",
         "[Component0] desktop00 \"..\\tool.exe\" climbs out of its folder"},
        {"desktop00title=Tool", ";",
         "[Component0] desktop00 has no desktop00title, so the installer names the shortcut "
         "\".lnk\"",
         "desktop00="},
        {"desktop00title=Tool", "desktop00title=Tool\r\nreg00=HKCU\\Software\\Tool",
         "[Component0] reg00: the installer reads reg entries and does nothing with them",
         "reg00="},
        {"NumberOfComponents=1", "NumberOfComponents=10",
         "NumberOfComponents is 10; the installer accepts 1 to 9"},
        {"\n[InstTypes]", "\n[Component1]\r\nTitle=More\r\n[InstTypes]",
         "the installer reads components 0 to 0 only, never [Component1]"},
        {"Title=Tool", "Title=Tool\x81", "byte 0x81 is not a character in code page 1252"},
        {"Title=Tool", "Title=Tool \xE2\x98\x83",
         "\"\xE2\x98\x83\" (U+2603) has no place in code page 1252", "", true},
        {"codepage=1252", "codepage=1250", "\"\xC3\xAF\" (U+00EF) has no place in code page 1250",
         "Title=T", true},
    };
    const std::string build = "build " + script_.string() + " --source " + src_.string() +
                              " --stub " + stub_.string() + " -o " + output_.string() + " --quiet";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.to);
        std::string script = clean;
        ASSERT_NE(script.find(c.from), std::string::npos);
        script.replace(script.find(c.from), c.from.size(), c.to);
        if (c.from == "codepage=1252") {
            script.replace(script.find("Title=Tool"), 10, "Title=T\xC3\xBCn\xC3\xAF");
        }
        WriteBytes(script_, script);
        const int line = LineOf(script, c.at.empty() ? c.to : c.at);
        const std::string where = script_.string() + ":" + std::to_string(line) + ": ";
        for (bool strict : {false, true}) {
            fs::remove(output_);
            CliResult r = RunTool(build + (strict ? " --strict" : ""));
            bool refused = strict || c.error;
            EXPECT_EQ(r.exitCode, refused ? 1 : 0) << r.output;
            const std::string expected = where + (refused ? "error: " : "warning: ") + c.message;
            EXPECT_NE(r.output.find(expected), std::string::npos) << expected << "\nin\n"
                                                                  << r.output;
            EXPECT_EQ(fs::exists(output_), !refused);
            if (refused) {
                EXPECT_NE(r.output.find("no package written"), std::string::npos) << r.output;
            }
        }
    }
}

// The scaffold builds strictly with nothing to say, its UTF-8 name and file names converted
// into the default code page; `new` refuses what it must not write.
TEST_F(PackTest, NewWritesAScriptThatBuildsStrictly) {
    Source("bin/tool.exe", "MZ tool");
    Source(
        "docs/\xC3\x9C"
        "bersicht.txt",
        "overview");
    const fs::path script = dir_ / "new.ini";
    CliResult made = RunTool(
        "new \"\xC3\x9Cn\xC3\xAF"
        "code Tool\" --source " +
        src_.string() + " -o " + script.string());
    ASSERT_EQ(made.exitCode, 0) << made.output;
    EXPECT_NE(ReadWholeFile(script).find("start00=bin\\tool.exe"), std::string::npos);
    CliResult built = RunTool("build " + script.string() + " --stub " + stub_.string() + " -o " +
                              output_.string() + " --strict --quiet");
    EXPECT_EQ(built.exitCode, 0) << built.output;
    EXPECT_EQ(built.output, "");
    std::string packaged = SplitPackage(ReadWholeFile(output_)).script;
    EXPECT_NE(packaged.find("szInstallAppName=\xDCn\xEF"
                            "code Tool\r\n"),
              std::string::npos)
        << packaged;
    EXPECT_EQ(packaged.find("codepage="), std::string::npos);
    // A file name from the folder, UTF-8 on this system, in the same code page.
    EXPECT_NE(packaged.find("=docs\\\xDC"
                            "bersicht.txt\r\n"),
              std::string::npos)
        << packaged;

    const struct {
        std::string args;
        std::string message;
    } refused[] = {
        {"new Tool --source " + src_.string() + " -o " + script.string(), "exists already"},
        {"new \"A/B\" --source " + src_.string() + " -o " + (dir_ / "x.ini").string(),
         "cannot hold \"/\""},
        {"new Tool --source " + (dir_ / "none").string() + " -o " + (dir_ / "x.ini").string(),
         "does not exist"},
        {"build " + script.string() + " --stub /etc/hostname -o " + output_.string(),
         "the stub is not a Windows program"},
        {"build " + script.string() + " --stub " + stub_.string() + " -o " +
             (dir_ / "no/out.exe").string(),
         "the folder " + (dir_ / "no").string() + " does not exist"},
    };
    for (const auto& r : refused) {
        CliResult result = RunTool(r.args);
        EXPECT_EQ(result.exitCode, 1) << r.args;
        EXPECT_NE(result.output.find(r.message), std::string::npos) << r.message << "\nin\n"
                                                                    << result.output;
    }
    EXPECT_FALSE(fs::exists(dir_ / "x.ini"));
}

// list shows what the installer makes of the flags, not what they look like, and where
// each shortcut goes.
TEST_F(PackTest, ListShowsFlagsAsTheInstallerReadsThemAndShortcuts) {
    Source("tool.exe", "MZ tool");
    BuildRun run = Build(Script(
        {"[Wizard]",          "includeuninst=no", "unattended=yes",    "removeuninstaller=True",
         "[Dialogs]",         "AppInfo=1",        "[Components]",      "NumberOfComponents=2",
         "[Component0]",      "Title=Tool",       "Requied=1",         "UseInInstType0=yes",
         "file0000=tool.exe", "start00=tool.exe", "start00title=Tool", "start00args=--fast",
         "run00=tool.exe",    "[Component1]",     "Title=Extra",       "Requied=TRUE",
         "[Component2]",      "[InstTypes]",      "Type0=Typical",     "Type0Enabled=1",
         "Type5=Own",         "Type5Enabled=True"}));
    ASSERT_TRUE(run.ok) << run.Messages();
    CliResult r = RunTool("list " + output_.string());
    ASSERT_EQ(r.exitCode, 0) << r.output;
    for (const char* expected :
         {"splash       Czech (defaultlang missing)", "information off", "custom on",
          "uninstaller on", "deployment   unattended off, removeuninstaller on",
          "[Component0] \"Tool\", requiedspace 7, in types none",
          "start00   Start menu group\\Tool.lnk -> target folder\\tool.exe --fast",
          "run00     opens target folder\\tool.exe at the end", "[Component1] \"Extra\", required,",
          "[Component2] \"\", never read (beyond NumberOfComponents)",
          "Type0  Typical             disabled", "Type5  Own                 enabled (custom)"}) {
        EXPECT_NE(r.output.find(expected), std::string::npos) << expected << "\nin\n" << r.output;
    }
}

// The checks and the code page conversion change nothing in a package whose script asks
// for none of it: the sample's package is the same, byte for byte, as before they came.
TEST_F(PackTest, SamplePackageBytesAreUnchanged) {
    const std::string sample = NUVEX_SAMPLE_DIR;
    CliResult r =
        RunTool("build " + sample + "/setup.ini --source " + sample + "/product --stub " +
                stub_.string() + " -o " + output_.string() + " --zlib --jobs 2 --strict --quiet");
    ASSERT_EQ(r.exitCode, 0) << r.output;
    const std::string package = ReadWholeFile(output_);
    uLong crc =
        crc32(0, reinterpret_cast<const Bytef*>(package.data()), static_cast<uInt>(package.size()));
    // Size and CRC-32 of the package that nuvexpack built from the same inputs before it
    // checked scripts this closely.
    EXPECT_EQ(package.size(), 10472u);
    EXPECT_EQ(crc, 1533367590u);
}

// SIGTERM while the payload is compressed: the temporary file beside the output goes too.
// The source is sparse, so its two gigabytes of zeros take no disk and keep the builder busy.
TEST_F(PackTest, InterruptedBuildLeavesNoTemporaryFile) {
    { File big = File::CreateNew(src_ / "big.bin"); }
    fs::resize_file(src_ / "big.bin", 2ull << 30);
    WriteBytes(script_, Component({"file0000=big.bin"}));
    const std::string command = std::string(NUVEXPACK_BIN) + " build " + script_.string() +
                                " --source " + src_.string() + " --stub " + stub_.string() +
                                " -o " + output_.string() +
                                " --zlib --best --jobs 1 --quiet & pid=$!; "
                                "for i in $(seq 1 1000); do ls " +
                                dir_.string() +
                                "/~nvx* >/dev/null 2>&1 && break; sleep 0.01; done; "
                                "kill -TERM $pid; wait $pid; echo \"exit $?\"";
    CliResult r = RunShell(command);
    EXPECT_NE(r.output.find("exit 143"), std::string::npos) << r.output;  // ended by the signal
    EXPECT_EQ(Strays(), std::set<std::string>{});
}

}  // namespace
}  // namespace nuvex::pack::test
