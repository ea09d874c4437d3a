// The installer's and uninstaller's command line, for scripts that ask for unattended runs:
// /S for silent, /TYPE=n for an install type slot and /D=folder for the target. Pure parsing;
// whether the switches count at all is the script's decision (unattended=true).
#pragma once

#include <cstddef>

namespace nuvex {

inline constexpr std::size_t kCommandLineTargetSize = 2048;

struct CommandLine {
    bool silent = false;
    // A switch that is not known, a malformed /TYPE= or an empty /D=. Ignored in the
    // interactive mode; a usage error in the silent mode.
    bool usageError = false;
    int type = -1;  // /TYPE=n, -1 when not given
    bool hasTarget = false;
    char target[kCommandLineTargetSize] = {};
};

// The arguments of a full Windows command line: what follows the program name, which is
// either quoted (up to the closing quote) or ends at the first blank or tab.
const char* SkipProgramName(const char* commandLine);

// Parses the arguments. Switches are separated by blanks or tabs and matched ignoring
// case. /D= comes last and takes the rest of the line as it stands, blanks included, with
// no quotes; only trailing blanks are dropped. A /D= folder longer than the field is a
// usage error rather than a cut path.
CommandLine ParseCommandLine(const char* arguments);

// A folder a silent run can install to: a drive letter with its colon and backslash, or a
// UNC path. A relative folder would land wherever the deployment tool happens to stand.
bool IsFullPath(const char* path);

}  // namespace nuvex
