#include "settings_reader.h"

#include "package_state.h"
#include "script_settings.h"
#include "text_rules.h"

namespace nuvex {

namespace {

class LoaderEvents final : public SettingsReadEvents {
public:
    explicit LoaderEvents(HWND splashWindow) : splashWindow_(splashWindow) {}

    void SplashLinesChanged() override {
        if (splashWindow_) {
            RECT area = {0, 0, 200, 90};
            RedrawWindow(splashWindow_, &area, nullptr, RDW_INVALIDATE | RDW_ERASE);
        }
    }
    void ComponentCountInvalid(int numberOfComponents) override {
        // Loading goes on after this message, so a silent run goes on without it.
        if (Package().silent.load()) {
            return;
        }
        char message[128];
        FormatComponentCountMessage(message, sizeof message, numberOfComponents);
        MessageBoxA(nullptr, message, kErrorCaption, MB_ICONWARNING | MB_OK);
    }

private:
    HWND splashWindow_;
};

}  // namespace

void ReadTextSetting(const char* section, const char* key, const char* def, char* dest,
                     std::size_t size, const char* file) {
    GetPrivateProfileStringA(section, key, def, dest, static_cast<DWORD>(size), file);
    ConvertBars(dest);
}

void ReadSettings(const char* scriptPath, Settings& s, HWND splashWindow) {
    LoaderEvents events(splashWindow);
    ReadScriptSettings(ProfileFile(scriptPath), s, events);
}

void ComposeTargetFolder(Settings& s) {
    nuvex::ComposeTargetFolder(s.targetFolder, sizeof s.targetFolder, s.szInstDir,
                               s.autonametopath != 0, s.szInstallAppDir);
}

}  // namespace nuvex
