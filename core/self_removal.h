// Removing uninst.exe, and its folder once empty, after a finished removal of a script that
// asks for it (removeuninstaller=true). Windows refuses to delete the file of a running
// program, so the system's command interpreter does it after the uninstaller has ended: it
// tries again about once a second, a bounded number of times, then removes the folder
// without /s, so only an empty folder goes. Nothing is written anywhere else.
#pragma once

#include <cstddef>

namespace nuvex {

// The paths reach the command interpreter in its environment, never in its command text.
// The command reads them with delayed expansion (!NAME!), which substitutes a value after the
// line has been parsed, so the characters of a path (blanks, & ^ ( ) ;) are data and never
// syntax: no path can make the interpreter run anything else. Paths with % or ! are refused.
#define NUVEX_SELF_REMOVAL_EXE "NUVEX_UNINST_EXE"
#define NUVEX_SELF_REMOVAL_DIR "NUVEX_UNINST_DIR"
#define NUVEX_SELF_REMOVAL_PING "NUVEX_UNINST_PING"
inline constexpr char kSelfRemovalExeVariable[] = NUVEX_SELF_REMOVAL_EXE;
inline constexpr char kSelfRemovalFolderVariable[] = NUVEX_SELF_REMOVAL_DIR;
inline constexpr char kSelfRemovalPingVariable[] = NUVEX_SELF_REMOVAL_PING;

// The interpreter's command line, the same for every installation. /d: no AutoRun command
// from the registry; /v:on: delayed expansion. Each of at most 30 rounds deletes the file;
// while it is still there (the uninstaller has not yet ended, a virus scanner holds it),
// ping waits about a second; once it is gone, the folder goes if it is empty (rmdir without
// /s) and `exit` ends the loop. So the wait ends with the uninstaller, or after some 30
// seconds. %i is the loop's variable, written with one percent sign on a command line. The
// loop has no parentheses of its own and nothing follows it: Wine's interpreter misreads the
// first and counts a command after the loop as part of its body.
inline constexpr char kSelfRemovalCommand[] =
    "cmd.exe /d /q /v:on /c \"for /l %i in (1,1,30) do (del /f /q \"!" NUVEX_SELF_REMOVAL_EXE
    "!\" >nul 2>&1 & if exist \"!" NUVEX_SELF_REMOVAL_EXE "!\" (\"!" NUVEX_SELF_REMOVAL_PING
    "!\" -n 2 127.0.0.1 >nul) else (rmdir \"!" NUVEX_SELF_REMOVAL_DIR "!\" >nul 2>&1 & exit))\"";

#undef NUVEX_SELF_REMOVAL_EXE
#undef NUVEX_SELF_REMOVAL_DIR
#undef NUVEX_SELF_REMOVAL_PING

inline constexpr std::size_t kSelfRemovalPathSize = 260;
inline constexpr std::size_t kSelfRemovalCommandSize = 512;

enum class SelfRemovalResult {
    kReady,
    kNotFullPath,      // not "X:\..." or "\\server\share\...": no folder to name safely
    kInDriveRoot,      // uninst.exe directly in a drive or share root: that folder never goes
    kUnsafeCharacter,  // a quote, a control character, a wildcard, % or !
    kTooLong,
};

struct SelfRemovalPlan {
    char program[kSelfRemovalPathSize];         // <system folder>\cmd.exe, started by full path
    char commandLine[kSelfRemovalCommandSize];  // kSelfRemovalCommand, writable for the system
    char exe[kSelfRemovalPathSize];             // uninst.exe as it runs
    char folder[kSelfRemovalPathSize];          // the folder it lies in
    char ping[kSelfRemovalPathSize];            // <system folder>\ping.exe, the one-second pause
};

// Plans the clean-up of the uninstaller at `modulePath` with the programs of `systemFolder`
// (both as the system gives them). Only kReady fills `plan` completely.
SelfRemovalResult PlanSelfRemoval(const char* modulePath, const char* systemFolder,
                                  SelfRemovalPlan* plan);

}  // namespace nuvex
