// The settings record read through the real profile functions from scripts on disk.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <thread>

#include "driver.h"
#include "package_fixture.h"
#include "script_keys.h"
#include "settings_reader.h"

namespace nuvex::test {
namespace {

std::string WriteScript(const std::string& text) {
    std::string path = TestWorkDir() + "\\script.ini";
    WriteFileBytes(path, text);
    return path;
}

const char kFullScript[] =
    "[Nuvex]\r\nCreator=NuvexGenerator\r\n"
    "[Wizard]\r\n"
    "defaultlang=EN\r\n"
    "szInstallAppName=Gadget\r\n"
    "szInstallAppDir=Gadget Dir\r\n"
    "szbackgroundsublabel=sub %s|label\r\n"
    "szbackgroundminitext=mini\r\n"
    "includeuninst=no\r\n"
    "szButtonNext=Next >\r\nszButtonBack=< Back\r\nszButtonCancel=Cancel\r\n"
    "szButtonInstall=Install\r\nszButtonDone=Done\r\nszButtonBrowse=Browse...\r\n"
    "szBrowseTitle=Pick|folder\r\n"
    "szInstDir=C:\\Program Files\r\n"
    "szLabelUvod=Welcome to %s||setup\r\n"
    "szLabelInfo=Info %s|x\r\nszLabelLicence=Licence\r\nszLabelTarget=Target\r\n"
    "szLabelTyp=Type\r\nszLabelCustom=Custom\r\nszLabelInstall=Install\r\n"
    "szLabelKonec=Done\r\nszLabelError=Error\r\n"
    "szTextUvod=Installs %s and %s.|100%% sure, 5% off, %d stays\r\n"
    "szTextInfo=i\r\nszTextLicence=l\r\nszTextTarget=t\r\nszTextTyp=y\r\n"
    "szTextCustom=c\r\nszTextInstall=n\r\nszTextKonec=k\r\nszTextError=e\r\n"
    "szTextError1=e1\r\n"
    "szInstalling=Installing %s\r\nszInstallerPreparing=p\r\n"
    "szInstallerInstallingPart=Part: \r\nszInstallerEnding=end\r\n"
    "szTextUninst=Removes %s|now\r\nszLabelUninst=Remove %s\r\nszButtonUnInstall=Remove\r\n"
    "szErrorNES=nes\r\nszErrorNEM=nem\r\nszErrorCRC=crc\r\nszErrorWin=win\r\nszErrorDIR=dir\r\n"
    "autonametopath=TRUE\r\nallowbadwindows=yes\r\nerroronwinnt=True\r\nerroronwin9x=1\r\n"
    "[Design]\r\n"
    "ShowBackground=yes\r\nbackgroundonok=0\r\nbackgroundtype=GRADIENT\r\n"
    "bgcolor1=16711680\r\nbgcolor2=255\r\nbgcolor3=65280\r\n"
    "colorappname=1\r\ncolorappinfo=2\r\ncolorauthor=3\r\nprogressstyle=window\r\n"
    "[Dialogs]\r\nAppInfo=true\r\nLicence=false\r\nTargetDir=TRUE\r\nInstType=no\r\n"
    "[Components]\r\nNumberOfComponents=3\r\n"
    "[Component0]\r\nTitle=Core %s\r\nRequied=true\r\nUseInInstType0=true\r\n"
    "UseInInstType5=true\r\nrequiedspace=3000000000\r\n"
    "[Component2]\r\nTitle=Extras\r\nUseInInstType4=TRUE\r\nrequiedspace=42\r\n"
    "[Component3]\r\nTitle=Beyond the count\r\n"
    "[InstTypes]\r\nType0=Typical\r\nType0Enabled=true\r\nType5=Custom\r\nType5Enabled=TRUE\r\n"
    "Type3=Hidden\r\n";

TEST(Settings, ScriptThatSetsEveryKey) {
    std::string path = WriteScript(kFullScript);
    static Settings s;
    ResetSettings(s);
    ReadSettings(path.c_str(), s, nullptr);
    ComposeTargetFolder(s);

    struct TextCase {
        const char* field;
        const char* expected;
    };
    const TextCase texts[] = {
        {s.szInstallAppName, "Gadget"},
        {s.szbackgroundsublabel, "sub %s|label"},  // no processing at all
        {s.szBrowseTitle, "Pick\nfolder"},
        {s.szInstDir, "C:\\Program Files"},
        {s.szLabelUvod, "Welcome to Gadget\n\nsetup"},
        {s.szLabelInfo, "Info %s\nx"},  // headings other than the introduction's keep "%s"
        {s.szTextUvod, "Installs Gadget and Gadget.\n100% sure, 5% off, %d stays"},
        {s.szInstalling, "Installing Gadget"},
        {s.szInstallerInstallingPart, "Part:"},  // the profile functions trim trailing blanks
        {s.szTextUninst, "Removes Gadget|now"},  // expanded, bars kept for the log
        {s.szLabelUninst, "Remove Gadget"},
        {s.szButtonUnInstall, "Remove"},
        {s.Title[0], "Core %s"},
        {s.Title[1], ""},
        {s.Title[2], "Extras"},
        {s.Title[3], ""},
        {s.Type[0], "Typical"},
        {s.Type[3], "Hidden"},
        {s.Type[5], "Custom"},
        {s.targetFolder, "C:\\Program Files\\Gadget Dir"},
        {s.preparingText, "Preparing Nuvex Installer"},
        {s.waitText, "Please wait..."},
    };
    for (const TextCase& t : texts) {
        EXPECT_STREQ(t.field, t.expected);
    }

    struct NumberCase {
        const char* name;
        int64_t got;
        int64_t expected;
    };
    const NumberCase numbers[] = {
        {"includeuninst", s.includeuninst, 1},
        {"autonametopath", s.autonametopath, 1},
        {"allowbadwindows", s.allowbadwindows, 0},
        {"erroronwinnt", s.erroronwinnt, 1},
        {"erroronwin9x", s.erroronwin9x, 0},
        {"ShowBackground", s.ShowBackground, 0},
        {"backgroundonok", s.backgroundonok, 0},
        {"backgroundtype", s.backgroundtype, 2},
        {"progressstyle", s.progressstyle, 0},
        {"bgcolor1", s.bgcolor1, 16711680},
        {"bgcolor2", s.bgcolor2, 255},
        {"bgcolor3", s.bgcolor3, 65280},
        {"colorappname", s.colorappname, 1},
        {"colorappinfo", s.colorappinfo, 2},
        {"colorauthor", s.colorauthor, 3},
        {"AppInfo", s.AppInfo, 1},
        {"Licence", s.Licence, 0},
        {"TargetDir", s.TargetDir, 1},
        {"InstType", s.InstType, 0},
        {"NumberOfComponents", s.NumberOfComponents, 3},
        {"Requied[0]", s.Requied[0], 1},
        {"UseInInstType[0][0]", s.UseInInstType[0][0], 1},
        {"UseInInstType[4][2]", s.UseInInstType[4][2], 1},
        {"UseInInstType[4][0]", s.UseInInstType[4][0], 0},
        {"customDefault[0]", s.customDefault[0], 1},
        {"requiedspace[0]", static_cast<int64_t>(s.requiedspace[0]), 3000000000LL},
        {"requiedspace[1]", static_cast<int64_t>(s.requiedspace[1]), 0},
        {"requiedspace[2]", static_cast<int64_t>(s.requiedspace[2]), 42},
        {"TypeEnabled[0]", s.TypeEnabled[0], 1},
        {"TypeEnabled[3]", s.TypeEnabled[3], 0},
        {"TypeEnabled[5]", s.TypeEnabled[5], 1},
    };
    for (const NumberCase& n : numbers) {
        EXPECT_EQ(n.got, n.expected) << n.name;
    }

    // Every text key the script sets must have reached its field.
    std::size_t count = 0;
    const ScriptKey* keys = StartupKeys(&count);
    for (std::size_t i = 0; i < count; ++i) {
        if (keys[i].kind == KeyKind::kText) {
            const char* field = reinterpret_cast<const char*>(&s) + keys[i].fieldOffset;
            EXPECT_NE(field[0], '\0') << keys[i].key << " was not read";
        }
    }
}

// A script without keys: defaults everywhere, and the component-count warning with -1,
// answered here while the reader waits for it.
TEST(Settings, ScriptThatSetsNothing) {
    std::string path = WriteScript("[Nuvex]\r\n");
    static Settings s;
    ResetSettings(s);
    std::thread reader([&] { ReadSettings(path.c_str(), s, nullptr); });
    MessageBoxInfo box = WaitForMessageBox(GetCurrentProcessId());
    ASSERT_NE(box.window, nullptr);
    EXPECT_EQ(box.caption, "Nuvex: Error");
    EXPECT_EQ(box.text, "Error in number of installable components.\n\nN:-1; ");
    PressMessageBoxButton(box.window, IDOK);
    reader.join();
    ComposeTargetFolder(s);

    EXPECT_STREQ(s.szInstallAppName, "");
    EXPECT_STREQ(s.szTextUvod, "");
    EXPECT_STREQ(s.targetFolder, "\\");
    EXPECT_STREQ(s.preparingText, "P\xF8ipravuje se instal\xE1tor");
    EXPECT_STREQ(s.waitText, "Vy\xE8kejte pros\xEDm...");
    EXPECT_EQ(s.includeuninst, 1);
    EXPECT_EQ(s.autonametopath, 1);
    EXPECT_EQ(s.allowbadwindows, 1);
    EXPECT_EQ(s.erroronwinnt, 0);
    EXPECT_EQ(s.erroronwin9x, 0);
    EXPECT_EQ(s.ShowBackground, 1);
    EXPECT_EQ(s.backgroundonok, 1);
    EXPECT_EQ(s.backgroundtype, 0);
    EXPECT_EQ(s.colorappname, 65535u);
    EXPECT_EQ(s.colorappinfo, 16776960u);
    EXPECT_EQ(s.colorauthor, 16776960u);
    EXPECT_EQ(s.AppInfo + s.Licence + s.TargetDir + s.InstType, 4);
    EXPECT_EQ(s.NumberOfComponents, -1);
    for (int i = 0; i < kInstallTypes; ++i) {
        EXPECT_EQ(s.TypeEnabled[i], 0);
    }
}

// Values longer than their fields are cut to the field size minus one, expanded or not.
TEST(Settings, LongValuesAreCutToTheirFields) {
    const std::string name(100, 'N');
    std::string script = "[Wizard]\r\nszInstallAppName=" + name + "\r\n" +
                         "szButtonNext=" + std::string(40, 'b') + "\r\n" +
                         "szLabelUninst=%s%s%s%s\r\n" +
                         "szTextUvod=" + std::string(3000, 't') + "\r\n" +
                         "szInstDir=" + std::string(300, 'd') + "\r\n" +
                         "[Components]\r\nNumberOfComponents=1\r\n" +
                         "[Component0]\r\nTitle=" + std::string(300, 'c') + "\r\n" +
                         "[InstTypes]\r\nType1=" + std::string(100, 'y') + "\r\n";
    std::string path = WriteScript(script);
    static Settings s;
    ResetSettings(s);
    ReadSettings(path.c_str(), s, nullptr);
    ComposeTargetFolder(s);
    EXPECT_EQ(std::strlen(s.szButtonNext), 31u);
    EXPECT_EQ(std::strlen(s.szLabelUninst), 255u);
    EXPECT_EQ(std::string(s.szLabelUninst, 200), name + name);
    EXPECT_EQ(std::strlen(s.szTextUvod), 2047u);
    EXPECT_EQ(std::strlen(s.szInstDir), 255u);
    EXPECT_EQ(std::strlen(s.Title[0]), 255u);
    EXPECT_EQ(std::strlen(s.Type[1]), 63u);
    EXPECT_EQ(std::strlen(s.targetFolder), 255u + 1 + 0);
}

}  // namespace
}  // namespace nuvex::test
