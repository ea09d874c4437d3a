#include "uninstall_log_writer.h"

#include <cstdlib>
#include <cstring>

#include "package_state.h"
#include "text_rules.h"
#include "uninstall_log.h"

namespace nuvex {

namespace {
constexpr char kLogName[] = "uninst.ini";
// Room for a key and a value of the 2048-byte fields that the log's values come from.
constexpr std::size_t kLineRoom = 2 * 2048 + 64;
// The header the profile functions put before the first key: a section line and its line
// ends. A file whose first key stands further in is not the fresh file it should be.
constexpr DWORD kMaxHeaderBytes = 64;
}  // namespace

void UninstallLogWriter::Begin(const char* targetFolder, bool enabled, LogWrites writes) {
    numbering_.emplace();
    enabled_ = enabled && JoinPath(path_, sizeof path_, targetFolder, kLogName);
    mode_ = writes == LogWrites::kProfileFunctions ? Mode::kProfile : Mode::kUndecided;
}

void UninstallLogWriter::End() {
    if (file_) {
        CloseHandle(file_);
        file_ = nullptr;
    }
    enabled_ = false;
}

void UninstallLogWriter::WriteHeader(const char* registryKeyName, const char* targetFolder) {
    const Settings& s = AppSettings();
    Write(kLogProductKey, registryKeyName);
    Write(kLogButtonText, s.szButtonUnInstall);
    Write(kLogLabelText, s.szLabelUninst);
    Write(kLogBodyText, s.szTextUninst);
    // Optional keys for the uninstaller's own switches; a log without them reads as before.
    if (s.unattended) {
        Write(kLogUnattended, "true");
    }
    if (s.removeuninstaller) {
        Write(kLogRemoveUninstaller, "true");
    }
    char key[kLogKeySize];
    FormatLogKey(key, sizeof key, LogFamily::kDir, 0);
    Write(key, targetFolder);
}

void UninstallLogWriter::Record(LogFamily family, const char* path) {
    if (!enabled_) {
        return;
    }
    char key[kLogKeySize];
    FormatLogKey(key, sizeof key, family, numbering_->Peek(family));
    Write(key, path);
    numbering_->Advance(family);
}

void UninstallLogWriter::RecordFirst(LogFamily family, const char* path) {
    char key[kLogKeySize];
    FormatLogKey(key, sizeof key, family, 0);
    Write(key, path);
}

// Failed writes are passed over: the installation itself does not depend on the log.
void UninstallLogWriter::Write(const char* key, const char* value) {
    if (!enabled_) {
        return;
    }
    // Wine's profile functions read the file again for every write, and so drop the blanks
    // at the end of every value but the last one written; an appended line cannot do that.
    // Such a value (a typed target folder can end in one) hands the rest of the log to them.
    const std::size_t length = std::strlen(value);
    const bool endsInBlank =
        length > 0 && IsProfileBlank(static_cast<unsigned char>(value[length - 1]));
    switch (mode_) {
        case Mode::kAppend:
            if (!endsInBlank) {
                Append(key, value);
                return;
            }
            CloseHandle(file_);
            file_ = nullptr;
            mode_ = Mode::kProfile;
            WritePrivateProfileStringA(kLogSection, key, value, path_);
            return;
        case Mode::kUndecided: {
            const bool fresh = GetFileAttributesA(path_) == INVALID_FILE_ATTRIBUTES &&
                               GetLastError() == ERROR_FILE_NOT_FOUND;
            mode_ = Mode::kProfile;
            WritePrivateProfileStringA(kLogSection, key, value, path_);
            if (fresh && !endsInBlank) {
                StartAppending(key, value);
            }
            return;
        }
        case Mode::kProfile:
            WritePrivateProfileStringA(kLogSection, key, value, path_);
            return;
    }
}

// Appending starts only when the file holds just what the profile functions wrote for the
// first key: a header and that key's line, which every later line follows.
void UninstallLogWriter::StartAppending(const char* firstKey, const char* firstValue) {
    char line[kLineRoom];
    const std::size_t lineLength = ComposeLogLine(line, sizeof line, firstKey, firstValue);
    HANDLE file = CreateFileA(path_, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    const DWORD size = GetFileSize(file, nullptr);
    bool matches = false;
    if (lineLength > 0 && size != INVALID_FILE_SIZE && size >= lineLength &&
        size - lineLength <= kMaxHeaderBytes) {
        char content[kLineRoom + kMaxHeaderBytes];
        DWORD read = 0;
        // The read leaves the file position at the end, where the next lines go.
        matches = ReadFile(file, content, size, &read, nullptr) && read == size &&
                  std::memcmp(content + size - lineLength, line, lineLength) == 0 &&
                  std::memchr(content, '=', size - lineLength) == nullptr;
    }
    if (!matches) {
        CloseHandle(file);
        return;
    }
    file_ = file;
    mode_ = Mode::kAppend;
}

void UninstallLogWriter::Append(const char* key, const char* value) {
    char room[kLineRoom];
    char* line = room;
    std::size_t size = sizeof room;
    // The log's values come from 2048-byte fields; anything longer still goes in one piece.
    const std::size_t needed = std::strlen(key) + std::strlen(value) + 4;
    if (needed > size) {
        line = static_cast<char*>(std::malloc(needed));
        size = needed;
    }
    const std::size_t length = line ? ComposeLogLine(line, size, key, value) : 0;
    DWORD written = 0;
    if (length > 0) {
        WriteFile(file_, line, static_cast<DWORD>(length), &written, nullptr);
    }
    if (line != room) {
        std::free(line);
    }
}

UninstallLogWriter& InstallLog() {
    static UninstallLogWriter log;
    return log;
}

}  // namespace nuvex
