#include "self_removal.h"

#include <cstring>

#include "command_line.h"
#include "text_rules.h"

namespace nuvex {

namespace {

// Where the root of a full path ends: after "X:\" or after "\\server\share\" (0 when the
// share has no backslash behind it, so that nothing lies inside it).
std::size_t RootLength(const char* path) {
    if (path[0] != '\\') {
        return 3;
    }
    const char* server = std::strchr(path + 2, '\\');
    const char* share = server ? std::strchr(server + 1, '\\') : nullptr;
    return share ? static_cast<std::size_t>(share - path) + 1 : 0;
}

// A quote, a control character or a wildcard, which no Windows file name holds (a `?` comes
// from a name the ANSI code page cannot spell, and del would take it as a pattern), and the two
// characters that start a variable: Windows' interpreter takes a delayed value as it stands, but
// Wine's expands %NAME% and !NAME! inside it once more, which could turn a folder named "%X%" into
// another path. Such an uninstaller stays where it is.
bool HasUnsafeCharacter(const char* path) {
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(path); *p; ++p) {
        if (*p < 0x20 || *p == '"' || *p == '?' || *p == '*' || *p == '%' || *p == '!') {
            return true;
        }
    }
    return false;
}

bool Copy(char (&field)[kSelfRemovalPathSize], const char* text, std::size_t length) {
    if (length >= sizeof field) {
        return false;
    }
    std::memcpy(field, text, length);
    field[length] = '\0';
    return true;
}

}  // namespace

SelfRemovalResult PlanSelfRemoval(const char* modulePath, const char* systemFolder,
                                  SelfRemovalPlan* plan) {
    if (!IsFullPath(modulePath) || !IsFullPath(systemFolder)) {
        return SelfRemovalResult::kNotFullPath;
    }
    if (HasUnsafeCharacter(modulePath) || HasUnsafeCharacter(systemFolder)) {
        return SelfRemovalResult::kUnsafeCharacter;
    }
    // "X:" alone would be the interpreter's current folder on that drive, not the root.
    const char* lastSlash = std::strrchr(modulePath, '\\');
    const std::size_t folderLength = static_cast<std::size_t>(lastSlash - modulePath);
    const std::size_t root = RootLength(modulePath);
    if (lastSlash[1] == '\0') {
        return SelfRemovalResult::kNotFullPath;
    }
    if (root == 0 || folderLength < root) {
        return SelfRemovalResult::kInDriveRoot;
    }
    static_assert(sizeof kSelfRemovalCommand <= sizeof plan->commandLine, "command fits");
    std::memcpy(plan->commandLine, kSelfRemovalCommand, sizeof kSelfRemovalCommand);
    if (!Copy(plan->exe, modulePath, std::strlen(modulePath)) ||
        !Copy(plan->folder, modulePath, folderLength) ||
        !JoinPath(plan->program, sizeof plan->program, systemFolder, "cmd.exe") ||
        !JoinPath(plan->ping, sizeof plan->ping, systemFolder, "ping.exe")) {
        return SelfRemovalResult::kTooLong;
    }
    return SelfRemovalResult::kReady;
}

}  // namespace nuvex
