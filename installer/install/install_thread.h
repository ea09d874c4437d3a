// The install thread: the whole installation after the user has confirmed it, as one fixed
// sequence of phases. Started by the progress window, which notices its end by polling.
#pragma once

#include <windows.h>

#include "install_flow.h"

namespace nuvex {

// Returns 0 on every path; the wizard's page tells how the installation ended.
DWORD WINAPI InstallThreadProc(LPVOID);

// The same sequence on the calling thread, for the silent run, which has no window to
// poll from. kStop when it ended early; RecordedExitCode() then says why.
Flow RunInstallation();

}  // namespace nuvex
