// Text rules of the installer script, free of any platform call.
#pragma once

#include <cstddef>
#include <cstdint>

namespace nuvex {

// Copies `src` into `dst` of `size` bytes, cut to size - 1 characters, always terminated.
void CopyCut(char* dst, std::size_t size, const char* src);

// Appends `src` to the text in `dst`, cut to the field.
void AppendCut(char* dst, std::size_t size, const char* src);

// ASCII-only, as the profile functions compare section and key names.
bool EqualsIgnoreCase(const char* a, const char* b);

// Every "|" becomes a line feed, so "||" gives an empty line.
void ConvertBars(char* text);

// Treats `field` as a template: each of the first four "%s" becomes `appName`, "%%" becomes
// "%". Any other "%" sequence, a fifth "%s" included, is copied as it stands, so nothing is
// read that was not given. The result replaces the field, cut to `size` - 1 characters.
void ExpandAppName(char* field, std::size_t size, const char* appName);

// Script booleans: "true" in any letter case. includeuninst is the odd one out: true unless
// it reads "false".
bool ParseFlag(const char* value);
bool ParseIncludeUninstFlag(const char* value);

// Index of `value` among `words` ignoring case; 0 when it matches none.
int ParseChoice(const char* value, const char* const* words, int count);

// szInstDir, and with autonametopath "\" and szInstallAppDir, cut to the 2048-byte field.
void ComposeTargetFolder(char* out, std::size_t size, const char* instDir, bool autoNameToPath,
                         const char* appDir);

// Components actually read for a NumberOfComponents value: none below 1, at most ten.
int ComponentsToRead(int numberOfComponents);
bool ComponentCountValid(int numberOfComponents);

// The warning text for a component count outside 1..9.
void FormatComponentCountMessage(char* out, std::size_t size, int numberOfComponents);

// Mode selection: true when the base name of `modulePath` (after the last backslash) is
// "uninst.exe" ignoring case. At most the first 256 characters are examined.
bool IsUninstallerPath(const char* modulePath);

// The uninstall log beside the executable: the last three characters become "ini".
// False when the path is too short to hold them.
bool UninstallLogPath(const char* modulePath, char* out, std::size_t size);

// "%s\\%s" from a temporary directory and a file name. False, with `out` empty, when the
// result does not fit.
bool JoinPath(char* out, std::size_t size, const char* dir, const char* name);

// Splash-style progress fill: p > 99 gives w + 2, p < 0 gives 0, else (w + 1) / 100.0 * p
// truncated toward zero.
int ProgressFillLength(int width, int percent);

}  // namespace nuvex
