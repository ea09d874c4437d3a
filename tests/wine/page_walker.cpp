// Walks an installer through every wizard page its script enables, for screenshots.
//
//   page_walker SETUP.EXE SCRIPT.INI
//
// At each page it prints "shot NAME" and waits for a line on its input before it goes on,
// so that the caller can take a picture of the screen. It chooses the custom install type
// when the script offers one, so that the custom page is shown too, and ends the installer
// with the close box on the confirmation page. Exit code 0 when every page was reached.
#include <windows.h>

#include <cstdio>
#include <string>

#include "driver.h"

namespace nuvex::test {
namespace {

std::string Read(const char* script, const char* section, const char* key, const char* def) {
    char value[2048] = {};
    GetPrivateProfileStringA(section, key, def, value, sizeof value, script);
    std::string text = value;
    for (char& c : text) {
        c = c == '|' ? '\n' : c;
    }
    return text;
}

bool Enabled(const char* script, const char* key) {
    return _stricmp(Read(script, "Dialogs", key, "true").c_str(), "true") == 0;
}

// Lets the windows finish painting, then hands over to the caller for the picture.
void Shot(const char* name, HWND wizard, HWND background) {
    for (HWND w : {background, wizard}) {
        if (w && IsWindowVisible(w)) {
            RedrawWindow(w, nullptr, nullptr,
                         RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        }
    }
    std::printf("shot %s\n", name);
    std::fflush(stdout);
    char line[64];
    if (!std::fgets(line, sizeof line, stdin)) {
        return;
    }
}

int Fail(const char* what) {
    std::fprintf(stderr, "page_walker: %s\n", what);
    return 1;
}

int Walk(const char* exe, const char* script) {
    Process installer = Launch(exe);
    if (!installer.Started()) {
        return Fail("cannot start the installer");
    }
    HWND splash = WaitForWindow(installer.Id(), "ControllerWindow", 30000, true);
    if (splash) {
        Shot("splash", nullptr, nullptr);
    }
    HWND wizard = WaitForWindow(installer.Id(), "WizardWindow", kDefaultTimeoutMs, true);
    if (!wizard || !WaitUntil([&] { return ChildAt(wizard, "Edit", 35, 104) != nullptr; })) {
        return Fail("no wizard");
    }
    HWND background = FindProcessWindow(installer.Id(), "BackgroundWindow");
    HWND heading = ChildAt(wizard, "Static", 65, 30);
    HWND next = ChildAt(wizard, "Button", 385, 165);
    HWND closeBox = ChildAt(wizard, "Button", 475, 4);
    Shot("intro", wizard, background);

    auto go = [&](HWND button, const char* name, const std::string& heading_text) {
        Click(button);
        if (!WaitUntil([&] { return WindowText(heading) == heading_text; }, 20000)) {
            return false;
        }
        Shot(name, wizard, background);
        return true;
    };
    struct Page {
        const char* flag;
        const char* name;
        const char* label;
    };
    const Page pages[] = {{"AppInfo", "info", "szLabelInfo"},
                          {"Licence", "licence", "szLabelLicence"},
                          {"TargetDir", "target", "szLabelTarget"},
                          {"InstType", "type", "szLabelTyp"}};
    bool custom = false;
    for (const Page& p : pages) {
        if (!Enabled(script, p.flag)) {
            continue;
        }
        if (!go(next, p.name, Read(script, "Wizard", p.label, ""))) {
            return Fail(p.name);
        }
        if (std::string(p.flag) == "InstType" &&
            _stricmp(Read(script, "InstTypes", "Type5Enabled", "").c_str(), "true") == 0) {
            HWND radio = FindChild(wizard, "Button", Read(script, "InstTypes", "Type5", "").c_str());
            custom = radio && Click(radio);
        }
    }
    if (custom && !go(next, "custom", Read(script, "Wizard", "szLabelCustom", ""))) {
        return Fail("custom");
    }
    if (!go(next, "confirm", Read(script, "Wizard", "szLabelInstall", ""))) {
        return Fail("confirm");
    }
    Click(closeBox);
    DWORD code = 1;
    return installer.WaitForExit(&code) && code == 0 ? 0 : Fail("the installer did not end");
}

}  // namespace
}  // namespace nuvex::test

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: page_walker SETUP.EXE SCRIPT.INI\n");
        return 2;
    }
    char script[MAX_PATH];
    GetFullPathNameA(argv[2], sizeof script, script, nullptr);
    return nuvex::test::Walk(argv[1], script);
}
