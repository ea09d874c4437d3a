// Every start-up key of the installer script, in reading order, into the settings record.
// The reading itself is platform-free; the two moments where the installer shows something
// (new splash lines, a bad component count) are events the caller handles.
#pragma once

#include "profile_reader.h"
#include "settings.h"

namespace nuvex {

class SettingsReadEvents {
public:
    // The splash lines have just become the English ones.
    virtual void SplashLinesChanged() {}
    // NumberOfComponents lies outside 1..9; reading goes on once this returns.
    virtual void ComponentCountInvalid(int /*numberOfComponents*/) {}

protected:
    ~SettingsReadEvents() = default;
};

// Reads into `s`, which starts from ResetSettings. Texts are cut to their fields; the bar
// and application-name rules run on each text as its key's table row says.
void ReadScriptSettings(const ProfileReader& script, Settings& s, SettingsReadEvents& events);

}  // namespace nuvex
