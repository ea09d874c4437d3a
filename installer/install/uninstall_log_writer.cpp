#include "uninstall_log_writer.h"

#include <windows.h>

#include "app_state.h"
#include "text_rules.h"

namespace nuvex {

namespace {
constexpr char kSection[] = "Nuvex";
constexpr char kLogName[] = "uninst.ini";
}  // namespace

void UninstallLogWriter::Begin(const char* targetFolder, bool enabled) {
    numbering_.emplace();
    enabled_ = enabled && JoinPath(path_, sizeof path_, targetFolder, kLogName);
}

void UninstallLogWriter::WriteHeader(const char* registryKeyName, const char* targetFolder) {
    const Settings& s = AppSettings();
    Write("uninstallreg", registryKeyName);
    Write("szButtonUnInstall", s.szButtonUnInstall);
    Write("szLabelUninst", s.szLabelUninst);
    Write("szTextUninst", s.szTextUninst);
    // Optional keys for the uninstaller's own switches; a log without them reads as before.
    if (s.unattended) {
        Write("unattended", "true");
    }
    char key[kLogKeySize];
    FormatLogKey(key, LogFamily::kDir, 0);
    Write(key, targetFolder);
}

void UninstallLogWriter::Record(LogFamily family, const char* path) {
    if (!enabled_) {
        return;
    }
    char key[kLogKeySize];
    FormatLogKey(key, family, numbering_->Peek(family));
    Write(key, path);
    numbering_->Advance(family);
}

void UninstallLogWriter::RecordFirst(LogFamily family, const char* path) {
    char key[kLogKeySize];
    FormatLogKey(key, family, 0);
    Write(key, path);
}

void UninstallLogWriter::Write(const char* key, const char* value) {
    if (enabled_) {
        // A failed write is passed over: the installation itself does not depend on the log.
        WritePrivateProfileStringA(kSection, key, value, path_);
    }
}

UninstallLogWriter& InstallLog() {
    static UninstallLogWriter log;
    return log;
}

}  // namespace nuvex
