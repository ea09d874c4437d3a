// removeuninstaller=true: after a finished removal, uninst.exe and its emptied folder are
// handed to the system's command interpreter, which removes them once this process has ended.
#pragma once

namespace nuvex {

// Starts the clean-up when the log asked for it, the removal thread ran to its end and the
// log is gone; otherwise (the window closed mid-way, the log still held) uninst.exe stays so
// that the removal can be run again. Call it last, just before the process returns.
void StartUninstallerCleanup();

}  // namespace nuvex
