// Start-up decisions that do not need the platform.
#pragma once

namespace nuvex {

// Platform identifiers as GetVersionEx reports them.
inline constexpr int kPlatformWin9x = 1;
inline constexpr int kPlatformNt = 2;

// The script refuses the Windows 95 family with erroronwin9x and the NT family with
// erroronwinnt; any other platform is never refused.
inline bool SystemRefused(int platformId, bool errorOnWin9x, bool errorOnWinNt) {
    return (platformId == kPlatformWin9x && errorOnWin9x) ||
           (platformId == kPlatformNt && errorOnWinNt);
}

}  // namespace nuvex
