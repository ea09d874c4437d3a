// setup.exe /S and uninst.exe /S for scripts with unattended=true: the same installation and
// removal as the windows run, on the main thread, with no window and no message box, ending
// with an exit code for deployment tools (core/exit_codes.h).
#pragma once

#include "command_line.h"

namespace nuvex {

// Returned when the script or log does not allow a silent run: the caller goes on with the
// windows as if no switch had been given.
inline constexpr int kNotSilent = -1;

// Reads the script and, when it says unattended=true, installs. Returns the exit code or
// kNotSilent; in the latter case the settings are read and the loader has ended.
int RunSilentInstall(const CommandLine& args);

// Puts uninst.ini beside `modulePath` into the script path; false when it cannot be opened.
bool UseUninstallLog(const char* modulePath);

// Removes what uninst.ini beside `modulePath` lists when the log says unattended=true.
// A missing log is a start-up failure without a message box: nothing is there to ask.
int RunSilentUninstall(const char* modulePath, const CommandLine& args);

}  // namespace nuvex
