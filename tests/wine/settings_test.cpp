// The settings reader on the real profile functions, for what the native tests' reader of INI
// text only imitates: names in any letter case, quotes and blanks around values, values longer
// than their fields, missing keys, numbers beyond 2^31 and sections beyond the component count.
#include <gtest/gtest.h>
#include <windows.h>

#include <iterator>
#include <string>
#include <utility>

#include "package_fixture.h"
#include "settings_reader.h"

namespace nuvex::test {
namespace {

TEST(Settings, ReadThroughTheProfileFunctions) {
    const std::string path = TestWorkDir() + "\\script.ini";
    ASSERT_TRUE(WriteFileBytes(
        path,
        "[Nuvex]\r\nCreator=NuvexGenerator\r\n[wizard]\r\nSZINSTALLAPPNAME=Gadget\r\n"
        "szInstallAppDir=\"Gadget Dir\"\r\nszInstDir=C:\\Program Files\r\n"
        "szInstallerInstallingPart=Part:   \r\nszLabelUvod=Welcome to %s||setup\r\n"
        "szButtonNext=" +
            std::string(40, 'b') +
            "\r\ndefaultlang=EN\r\n"
            "[Design]\r\nbackgroundtype=gradient\r\n"
            "[Components]\r\nNumberOfComponents=3\r\n"
            "[Component0]\r\nTitle=" +
            std::string(300, 'c') +
            "\r\nrequiedspace=3000000000\r\n"
            "[Component2]\r\nTitle=Extras\r\nUseInInstType4=TRUE\r\n"
            "[Component3]\r\nTitle=Beyond the count\r\n"
            "[InstTypes]\r\nType5=Custom\r\nType5Enabled=TRUE\r\n"));
    static Settings s;
    ResetSettings(s);
    ReadSettings(path.c_str(), s, nullptr);
    ComposeTargetFolder(s);

    const std::pair<const char*, std::string> texts[] = {
        {s.szInstallAppName, "Gadget"},
        {s.szInstallerInstallingPart, "Part:"},
        {s.szLabelUvod, "Welcome to Gadget\n\nsetup"},
        {s.targetFolder, "C:\\Program Files\\Gadget Dir"},
        {s.szButtonNext, std::string(31, 'b')},
        {s.preparingText, "Preparing Nuvex Installer"},
        {s.Title[0], std::string(255, 'c')},
        {s.Title[3], ""},
        {s.Type[5], "Custom"},
    };
    for (const auto& [field, expected] : texts) {
        EXPECT_EQ(field, expected);
    }
    const std::pair<int64_t, int64_t> numbers[] = {
        {s.NumberOfComponents, 3},  {s.backgroundtype, 2}, {s.AppInfo, 1},
        {s.UseInInstType[4][2], 1}, {s.TypeEnabled[5], 1}, {s.requiedspace[0], 3000000000LL}};
    for (std::size_t i = 0; i < std::size(numbers); ++i) {
        EXPECT_EQ(numbers[i].first, numbers[i].second) << "number " << i;
    }
}

}  // namespace
}  // namespace nuvex::test
