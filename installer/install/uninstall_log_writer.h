// The uninstall log uninst.ini in the target folder, as the installation writes it: the
// header, then one key for every item at the moment it has been made.
//
// A log this installation creates is written by appending: the profile functions make the
// file with its first key, and every later key, new by construction, is one "key=value"
// line added with one WriteFile, the bytes WritePrivateProfileStringA would have written
// without rewriting the whole file each time. A log that exists already (a reinstallation)
// is written through the profile functions, which merge the new keys into the old ones.
#pragma once

#include <windows.h>

#include <optional>

#include "install_rules.h"

namespace nuvex {

enum class LogWrites { kAppendWhenNew, kProfileFunctions };

class UninstallLogWriter {
public:
    // Decides once for the installation whether anything is written at all (includeuninst)
    // and where the log lives. A target folder too long for the log path writes nothing.
    void Begin(const char* targetFolder, bool enabled,
               LogWrites writes = LogWrites::kAppendWhenNew);
    bool Enabled() const { return enabled_; }
    // Closes the log at the end of the install thread, however it ended; nothing is written
    // after it.
    void End();

    // uninstallreg, szButtonUnInstall, szLabelUninst, szTextUninst and dir000000, in this
    // order. `registryKeyName` is the product name, empty only when the script gives none. It
    // is written also when the entry could not be made (no uninstaller copy, no right to
    // write to HKEY_LOCAL_MACHINE): the uninstaller's deletion of a missing key does nothing.
    void WriteHeader(const char* registryKeyName, const char* targetFolder);

    // Records `path` under the next number of `family`.
    void Record(LogFamily family, const char* path);
    // Records `path` as number 0 of `family`, which the numbering leaves free: the Start
    // menu group, startdir000000.
    void RecordFirst(LogFamily family, const char* path);

private:
    // kUndecided until the first write, which shows whether the file is new.
    enum class Mode { kUndecided, kAppend, kProfile };

    void Write(const char* key, const char* value);
    void StartAppending(const char* firstKey, const char* firstValue);
    void Append(const char* key, const char* value);

    bool enabled_ = false;
    Mode mode_ = Mode::kUndecided;
    HANDLE file_ = nullptr;  // the log, open for appending in kAppend
    char path_[2048] = {};
    // Set by Begin. Held empty until then, so that the one writer is all zero bytes and
    // stays out of the stub's file: the numbering's start values would take the writer,
    // path included, into .data.
    std::optional<LogNumbering> numbering_;
};

// The one log of the running installation, shared by the install phases.
UninstallLogWriter& InstallLog();

}  // namespace nuvex
