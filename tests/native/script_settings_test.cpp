// Every start-up setting read from script text, answered as the profile functions answer:
// each kind of key, the defaults, the cuts to the fields, the language rule and the components.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "ini_document.h"
#include "script_settings.h"

namespace nuvex {
namespace {

struct Events final : SettingsReadEvents {
    std::string log;
    void SplashLinesChanged() override { log += "splash;"; }
    void ComponentCountInvalid(int n) override { log += "count " + std::to_string(n) + ";"; }
};

#define TEXT(f) [](const Settings& s, const Events&) { return std::string(s.f); }
#define LENGTH(f) [](const Settings& s, const Events&) { return std::to_string(std::strlen(s.f)); }

std::string EventLog(const Settings&, const Events& e) { return e.log; }

std::string Switches(const Settings& s, const Events&) {
    std::string out;
    for (int v : {s.includeuninst, s.autonametopath, s.allowbadwindows, s.erroronwinnt,
                  s.erroronwin9x, s.ShowBackground, s.backgroundonok, s.backgroundtype,
                  s.progressstyle, s.AppInfo, s.Licence, s.TargetDir, s.InstType}) {
        out += std::to_string(v) + " ";
    }
    return out;
}

// Some of what the component and install type sections give, and the events.
std::string Components(const Settings& s, const Events& e) {
    return std::string(s.Title[0]) + "|" + s.Title[3] + "|" + std::to_string(s.Requied[0]) +
           std::to_string(s.customDefault[0]) + std::to_string(s.UseInInstType[4][2]) + "|" +
           std::to_string(s.requiedspace[0]) + "|" + s.Type[3] + std::to_string(s.TypeEnabled[5]) +
           "|" + e.log;
}

TEST(ScriptSettings, EveryKindOfKeyFromScriptText) {
    const std::string components =
        "[Components]\nNumberOfComponents=3\n"
        "[Component0]\nTitle=Core %s\nRequied=true\nUseInInstType5=TRUE\nrequiedspace=3000000000\n"
        "[Component2]\nUseInInstType4=true\n"
        "[Component3]\nTitle=Beyond the count\nRequied=true\n"
        "[InstTypes]\nType3=Hidden\nType5Enabled=TRUE\n";
    const std::string longName = "[Wizard]\nszInstallAppName=" + std::string(100, 'N');
    struct Case {
        std::string script;
        std::string (*got)(const Settings&, const Events&);
        std::string expected;
    };
    const Case cases[] = {
        // Texts as written, with bars, with the application name, or both, as the key says.
        {"[Wizard]\nszInstallAppName=App\nszLabelInfo=Info %s|x", TEXT(szLabelInfo), "Info %s\nx"},
        {"[Wizard]\nszInstallAppName=App\nszLabelUvod=To %s||go", TEXT(szLabelUvod),
         "To App\n\ngo"},
        // Cut to the field, when read and again when expanded.
        {"[Wizard]\nszButtonNext=" + std::string(40, 'b'), LENGTH(szButtonNext), "31"},
        {longName + "\nszLabelUninst=%s%s%s%s", LENGTH(szLabelUninst), "255"},
        {"[Components]\nNumberOfComponents=1\n[Component0]\nTitle=" + std::string(300, 'c'),
         LENGTH(Title[0]), "255"},
        // Switches: only "true" in any case is true; includeuninst is off only on "false".
        {"", Switches, "1 1 1 0 0 1 1 0 0 1 1 1 1 "},
        {"[Wizard]\nincludeuninst=no\nautonametopath=yes\nallowbadwindows=1\n"
         "erroronwinnt=TRUE\nerroronwin9x=True\n[Design]\nShowBackground=false\n"
         "backgroundonok=0\nbackgroundtype=GRADIENT\nprogressstyle=Bar\n"
         "[Dialogs]\nAppInfo=no\nLicence=TRUE\nTargetDir=\nInstType=false",
         Switches, "1 0 0 1 1 0 0 2 1 0 1 0 0 "},
        // The splash lines turn English for any language but Czech.
        {"[Wizard]\ndefaultlang=CZ\n[Components]\nNumberOfComponents=1", EventLog, ""},
        {"[Wizard]\ndefaultlang=EN",
         [](const Settings& s, const Events& e) { return s.preparingText + (";" + e.log); },
         "Preparing Nuvex Installer;splash;count -1;"},
        // Components up to the count, ten at most; a count outside 1..9 is reported.
        {components, Components, "Core %s||111|3000000000|Hidden1|"},
        {"[Components]\nNumberOfComponents=10\n[Component9]\nTitle=Tenth",
         [](const Settings& s, const Events& e) { return s.Title[9] + (";" + e.log); },
         "Tenth;count 10;"},
    };
    for (const Case& c : cases) {
        auto s = std::make_unique<Settings>();
        ResetSettings(*s);
        Events events;
        ReadScriptSettings(pack::IniProfile(c.script), *s, events);
        EXPECT_EQ(c.got(*s, events), c.expected) << c.script.substr(0, 120);
    }
}

}  // namespace
}  // namespace nuvex
