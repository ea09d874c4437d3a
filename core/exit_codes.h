// The exit codes of unattended runs (setup.exe /S, uninst.exe /S) of scripts that ask for
// them. The interactive mode keeps its own: 0, and 1 when the bitmaps cannot be loaded.
// docs/deploy.md carries this table for deployment tools; the numbers are a promise to them.
#pragma once

namespace nuvex {

enum ExitCode : int {
    kExitInstalled = 0,
    kExitResources = 1,       // the bitmap resources could not be loaded (as interactively)
    kExitUsage = 2,           // an unknown switch, a malformed /TYPE= or /D=, a disabled type
    kExitStartup = 3,         // no script, no data, the script copy, a refused Windows version
    kExitNoSpace = 4,         // not enough free space, or the disk filled up while writing
    kExitFolder = 5,          // the target folder cannot be made or takes no files
    kExitDamaged = 6,         // a payload stream that fails its check or cannot be read
    kExitNoMemory = 7,        // memory for a file could not be allocated
    kExitFileNotWritten = 8,  // a file of the installation could not be written
};

}  // namespace nuvex
