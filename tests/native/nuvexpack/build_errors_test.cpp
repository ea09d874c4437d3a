// Scripts and inputs the builder must refuse, with the message and line of each; and
// the ones it builds with a warning.
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
    std::function<void(PackTest&, BuildOptions&)> setup = nullptr;
};

void PrintTo(const ScriptCase& c, std::ostream* os) { *os << c.name; }

std::string Component(std::initializer_list<std::string> lines) {
    std::string out = Script({"[Components]", "NumberOfComponents=1", "[Component0]"});
    for (const std::string& line : lines) {
        out += line + "\r\n";
    }
    return out;  // component lines start at line 4
}

class BuildErrorsTest : public PackTest {
protected:
    void SetUp() override {
        PackTest::SetUp();
        Source("ok.txt", "fine");
    }

public:
    using PackTest::Source;
    fs::path Stub() const { return stub_; }
};

std::vector<ScriptCase> ErrorCases() {
    std::string longName(256, 'n');
    return {
        {"EndMarkerInComment", Script({"[Wizard]", "; see [/docs]", "[Components]"}), "\"[/\" at column 7", 2},
        {"EndMarkerInValue", Component({"Title=a[/b"}), "\"[/\"", 4},
        {"NulByte", std::string("[Wizard]\r\nszInstallAppName=a\0b\r\n", 31), "NUL byte", 2},
        {"MissingSource", Component({"file0000=ok.txt", "file0001=gone.txt"}), "not found", 5},
        {"MissingSourceKey", Component({"file0000=x.txt", "file0000source=gone/x.txt"}), "not found", 5},
        {"SourceIsFolder", Component({"file0000=sub"}), "is not a file", 4,
         [](PackTest& t, BuildOptions&) { static_cast<BuildErrorsTest&>(t).Source("sub/in.txt", "x"); }},
        {"ValueTooLong", Component({"file0000=" + longName}), "256 characters long; the installer reads at most 255", 4},
        {"ShortcutValueTooLong", Component({"start00title=" + longName}), "at most 255", 4},
        {"StartsWithStar", Component({"file0000=*.txt"}), "starts with \"*\"", 4},
        {"Absolute", Component({"file0000=\\Windows\\ok.txt"}), "is an absolute path", 4},
        {"DriveLetter", Component({"file0000=C:ok.txt"}), "drive letter", 4},
        {"ClimbsOut", Component({"file0000=..\\ok.txt"}), "climbs out", 4},
        {"WinClimbsOut", Component({"win0000=Fonts\\..\\..\\ok.txt"}), "climbs out", 4},
        {"SysClimbsOut", Component({"sys0000=../ok.txt"}), "climbs out", 4},
        {"DirClimbsOut", Component({"dir0000=a\\..\\.."}), "climbs out", 4},
        {"BadCharacter", Component({"file0000=ok?.txt"}), "character '?'", 4},
        {"ReservedDeviceName", Component({"file0000=ok.txt", "file0000source=ok.txt", "sys0000=aux.dll", "sys0000source=ok.txt"}), "reserves for a device", 6},
        {"TwoDigitFamilyOver99", Component({"start100=x.exe"}), "too many start entries; the installer reads start00 to start99 only", 4},
        {"FourDigitFamilyOver9999", Component({"file9999=ok.txt", "tree00=t"}), "too many file entries; the installer reads file0000 to file9999 only", 5,
         [](PackTest& t, BuildOptions&) { static_cast<BuildErrorsTest&>(t).Source("t/one.txt", "1"); }},
        {"TreeFileNameNotForWindows", Component({"tree00=t"}), "character ':'", 4,
         [](PackTest& t, BuildOptions&) { static_cast<BuildErrorsTest&>(t).Source("t/a:b.txt", "1"); }},
        {"TreeWithOneDigit", Component({"tree1=t"}), "trees are numbered with two digits, as in tree01", 4},
        {"TreeSourceMissing", Component({"tree00=nowhere>x"}), "source folder", 4},
        {"TreeClimbsOut", Component({"tree00=t>..\\up"}), "climbs out", 4},
        {"DuplicateEntry", Component({"file0000=ok.txt", "file0000=ok.txt"}), "given twice (first on line 4)", 5},
        {"DuplicateSection", Script({"[Wizard]", "a=1", "[wizard]"}), "appears again (first on line 1)", 3},
        {"SourceBeyond32Bits", Component({"file0000=big.bin"}), "beyond the installer's 32-bit sizes", 4,
         [](PackTest& t, BuildOptions& o) {
             static_cast<BuildErrorsTest&>(t).Source("big.bin", std::string(9000, 'b'));
             o.limits.max32 = 8000;
         }},
        {"StreamBeyond32Bits", Component({"file0000=ok.txt", "file0001=noise.bin"}), "ends at byte", 5,
         [](PackTest& t, BuildOptions& o) {
             std::string noise;
             for (uint32_t x = 7; noise.size() < 3000;) {
                 x = x * 1103515245u + 12345u;
                 noise += static_cast<char>(x >> 23);
             }
             static_cast<BuildErrorsTest&>(t).Source("noise.bin", noise);
             o.limits.max32 = 4096 + 1500;
         }},
        {"StubHoldsHeader", Component({"file0000=ok.txt"}), "holds the package header at offset 100", -1,
         [](PackTest& t, BuildOptions& o) {
             WriteBytes(o.stub, std::string(100, 'M') + HeaderText() + std::string(100, 'M'));
             (void)t;
         }},
        {"StubEndsInPartialHeader", Component({"file0000=ok.txt"}), "partial package header", -1,
         [](PackTest&, BuildOptions& o) { WriteBytes(o.stub, std::string(100, 'M') + HeaderText().substr(0, 3)); }},
        {"StubMissing", Component({"file0000=ok.txt"}), "cannot open", -1,
         [](PackTest&, BuildOptions& o) { o.stub = o.stub.parent_path() / "no-stub.exe"; }},
        {"LevelTooHigh", Component({"file0000=ok.txt"}), "outside 0..9", -1,
         [](PackTest&, BuildOptions& o) { o.compression = {Engine::kZlib, 10}; }},
    };
}

class BuildErrorTable : public BuildErrorsTest, public ::testing::WithParamInterface<ScriptCase> {};

TEST_P(BuildErrorTable, RefusesWithTheMessageAndLeavesNoFile) {
    const ScriptCase& c = GetParam();
    BuildRun run = Build(c.script, [&](BuildOptions& o) {
        if (c.setup) {
            c.setup(*this, o);
        }
    });
    EXPECT_FALSE(run.ok);
    EXPECT_TRUE(run.Has(Severity::kError, c.message, c.line)) << run.Messages();
    // Nothing but the inputs is left in the folder.
    for (const auto& entry : fs::directory_iterator(dir_)) {
        std::string name = entry.path().filename().string();
        EXPECT_TRUE(name == "src" || name == "setup.ini" || name == "stub.exe") << name;
    }
}

INSTANTIATE_TEST_SUITE_P(Scripts, BuildErrorTable, ::testing::ValuesIn(ErrorCases()),
                         [](const auto& info) { return std::string(info.param.name); });

std::vector<ScriptCase> WarningCases() {
    std::string name2000(2000, 'N');
    return {
        {"GapInFamily", Component({"file0000=ok.txt", "file0002=ok.txt"}), "has no file0001", 5},
        {"GapInShortcuts", Component({"start00=a", "start02=b"}), "has no start01", 5},
        {"NoComponents", Script({"[Components]", "NumberOfComponents=0"}), "NumberOfComponents is 0", 2},
        {"TooManyComponents", Script({"[Components]", "NumberOfComponents=10"}), "accepts 1 to 9", 2},
        {"ComponentsMissing", Script({"[Wizard]"}), "NumberOfComponents is missing", -1},
        {"ButtonTextTooLong", Script({"[Wizard]", "szButtonNext=" + std::string(40, 'x')}),
         "40 characters long; its field holds 31", 2},
        {"ExpandedTextTooLong",
         Script({"[Wizard]", "szInstallAppName=" + name2000, "szTextUvod=Welcome to %s and %s"}),
         "once \"%s\" holds the application name", 3},
        {"TitleTooLong", Component({"Title=" + std::string(300, 't')}), "its field holds 255", 4},
        {"TypeNameTooLong", Script({"[InstTypes]", "Type0=" + std::string(64, 't')}), "its field holds 63", 2},
        {"LargeFileNeedsMemory", Component({"file0000=ok.txt"}), "bytes of memory", 4,
         [](PackTest&, BuildOptions& o) { o.limits.memoryWarning = 10; }},
        {"WrongDigitCount", Component({"file12=ok.txt"}), "never read", 4},
        {"UnknownKey", Script({"[Wizard]", "szButonNext=Next"}), "not a key the installer reads", 2},
        {"UnknownSection", Script({"[Wizzard]"}), "not a section the installer reads", 1},
        {"ComponentNotRead", Component({"Title=a", "[Component1]", "Title=b"}), "never [Component1]", 5},
        {"DirBeforeParent", Component({"dir0000=a\\b"}), "comes before its parent folder \"a\" (dir0001)", 4},
        {"TreeCopyOfExplicitFile", Component({"file0000=t\\same.txt", "tree00=t"}), "already a file entry", 5,
         [](PackTest& t, BuildOptions&) { static_cast<BuildErrorsTest&>(t).Source("t/same.txt", "s"); }},
        {"ByteOrderMark", "\xEF\xBB\xBF[Components]\r\nNumberOfComponents=1\r\n", "byte order mark", 1},
        {"NuvexSectionOfTheMaker", "[Nuvex]\r\n[Components]\r\nNumberOfComponents=1\r\n", "writes the [Nuvex] section", 1},
    };
}

class BuildWarningTable : public BuildErrorsTest, public ::testing::WithParamInterface<ScriptCase> {};

TEST_P(BuildWarningTable, BuildsAndWarns) {
    const ScriptCase& c = GetParam();
    BuildRun run = Build(c.script, [&](BuildOptions& o) {
        if (c.setup) {
            c.setup(*this, o);
        }
    });
    EXPECT_TRUE(run.ok) << run.Messages();
    EXPECT_TRUE(run.Has(Severity::kWarning, c.message, c.line)) << run.Messages();
    EXPECT_FALSE(run.package.empty());
}

INSTANTIATE_TEST_SUITE_P(Scripts, BuildWarningTable, ::testing::ValuesIn(WarningCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(BuildErrorsTest, FailedBuildRemovesAnOlderPackage) {
    // An older package left in place could pass for the result of the failed build.
    WriteBytes(output_, "old package");
    BuildRun run = Build(Component({"file0000=gone.txt"}));
    EXPECT_FALSE(run.ok);
    EXPECT_FALSE(fs::exists(output_));
}

}  // namespace
}  // namespace nuvex::pack::test
