// Reads the installer script into the settings record through the profile functions.
#pragma once

#include <windows.h>

#include <cstddef>

#include "profile_reader.h"
#include "settings.h"

namespace nuvex {

// The profile functions on one INI file.
class ProfileFile final : public ProfileReader {
public:
    explicit ProfileFile(const char* path) : path_(path) {}
    std::size_t Text(const char* section, const char* key, const char* def, char* dest,
                     std::size_t size) const override {
        return GetPrivateProfileStringA(section, key, def, dest, static_cast<DWORD>(size), path_);
    }
    int Number(const char* section, const char* key, int def) const override {
        return static_cast<int>(GetPrivateProfileIntA(section, key, def, path_));
    }

private:
    const char* path_;
};

// GetPrivateProfileStringA, then every "|" becomes a line feed.
void ReadTextSetting(const char* section, const char* key, const char* def, char* dest,
                     std::size_t size, const char* file);

// Every start-up key, in reading order, into `s` (which starts from ResetSettings). When the
// splash lines change, `splashWindow` (if any) is asked to repaint them.
void ReadSettings(const char* scriptPath, Settings& s, HWND splashWindow);

// The default target folder from szInstDir, autonametopath and szInstallAppDir.
void ComposeTargetFolder(Settings& s);

}  // namespace nuvex
