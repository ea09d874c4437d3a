// The few things that differ between the Linux and the Windows build of the tool.
#pragma once

#include <cstdio>
#include <filesystem>

namespace nuvex::pack {

// The running executable; empty when it cannot be found.
std::filesystem::path ExecutablePath();

bool StderrIsTerminal();

// True when `path` itself is a symbolic link or, on Windows, any reparse point (a junction
// included). MinGW has no lstat, so std::filesystem::symlink_status there sees the target;
// the attribute of the name itself is asked instead.
bool IsLink(const std::filesystem::path& path);

// True when both paths exist and name the same file: the same device and inode, or on
// Windows the same volume and file index. Links are followed, so a hard link, a symbolic
// link or another spelling of an input is found.
bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b);

// Temporary outputs that an interrupt (Ctrl-C, SIGTERM, SIGHUP) removes before the process
// ends. At most kMaxCleanupFiles at once; a later one is simply not watched.
inline constexpr int kMaxCleanupFiles = 4;
void WatchTempFile(const std::filesystem::path& path);
void UnwatchTempFile(const std::filesystem::path& path);

// The Unicode character of each byte 0x80..0xFF of a single-byte Windows code page, 0 for a
// byte the code page leaves undefined. False when the system knows no such code page.
bool CodePageTable(unsigned codePage, char32_t table[128]);

enum class CreateNewResult { kCreated, kExists, kFailed };

// Creates `path` for writing only when nothing, not even a dangling link, has that name,
// and never through a link. On kFailed or kExists, errno tells why.
CreateNewResult CreateNewFile(const std::filesystem::path& path, std::FILE** out);

}  // namespace nuvex::pack
