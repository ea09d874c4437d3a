#include "loader_thread.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "exit_codes.h"
#include "package_layout.h"
#include "package_state.h"
#include "scoped.h"
#include "script_extract.h"
#include "settings_reader.h"
#include "text_rules.h"

namespace nuvex {

namespace {

constexpr char kNoScript[] = "Generic error: No script or renamed uninstaller!";
constexpr char kNoData[] = "Generic error: No installable data!";
constexpr char kTempTooLong[] = "Generic error: Temporary folder path is too long!";
constexpr char kCannotReadSelf[] = "Generic error: Cannot read the installer file!";
constexpr char kCannotWriteCopy[] = "Generic error: Cannot write the temporary script file!";

class FileSource final : public ByteSource {
public:
    explicit FileSource(FILE* f) : f_(f) {}
    int Get() override {
        int c = std::fgetc(f_);
        return c == EOF ? kEndOfInput : c;
    }

private:
    FILE* f_;
};

// Buffered writes through the handle of the script copy, which stays open afterwards.
class HandleSink final : public ByteSink {
public:
    explicit HandleSink(HANDLE file) : file_(file) {}
    bool Put(unsigned char byte) override {
        if (used_ == sizeof buffer_ && !Flush()) {
            return false;
        }
        buffer_[used_++] = byte;
        return true;
    }
    bool Flush() {
        DWORD written = 0;
        const bool ok =
            used_ == 0 || (WriteFile(file_, buffer_, used_, &written, nullptr) && written == used_);
        used_ = 0;
        return ok;
    }

private:
    HANDLE file_;
    unsigned char buffer_[16 * 1024];
    DWORD used_ = 0;
};

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};

void Advance(int amount) { Package().startupProgress.fetch_add(amount); }

// The script copy of this process, held open from its creation to the end of the process.
std::atomic<HANDLE> g_scriptCopy{INVALID_HANDLE_VALUE};
char g_tempDir[256];

// Makes the script copy under a name of this process's own in the temporary folder and
// keeps it in the script path. CREATE_NEW never opens what is already there, a file or a
// link another program put in the way: a taken name is passed over for the next. The handle
// shares reading only, so that the profile functions of this process read the copy while no
// other process can write, rename or delete it; every setting and entry the installation
// acts on is then the package's own, even beside another installer or a hostile program.
HANDLE CreateScriptCopy() {
    PackageState& app = Package();
    constexpr int kNameTries = 64;
    const unsigned long process = GetCurrentProcessId();
    const unsigned long start = GetTickCount();
    for (int attempt = 0; attempt < kNameTries; ++attempt) {
        char name[40];
        std::snprintf(name, sizeof name, "%s-%lx-%lx.tmp", layout::kScriptCopyPrefix, process,
                      (start + static_cast<unsigned long>(attempt)) & 0xFFFFUL);
        if (!JoinPath(app.scriptPath, sizeof app.scriptPath, g_tempDir, name)) {
            FatalStartupError(kTempTooLong);
        }
        HANDLE file = CreateFileA(app.scriptPath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                  nullptr, CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            g_scriptCopy.store(file);
            return file;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
            break;
        }
    }
    FatalStartupError(kCannotWriteCopy);
}

// Extracts the script copy and records the script offset and the payload base.
void ExtractScript() {
    PackageState& app = Package();

    char exePath[256];
    DWORD pathLength = GetModuleFileNameA(nullptr, exePath, sizeof exePath);
    if (pathLength == 0 || pathLength >= sizeof exePath) {
        FatalStartupError(kCannotReadSelf);
    }
    DWORD fileSize = INVALID_FILE_SIZE;
    {
        ScopedHandle self(CreateFileA(exePath, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (self.valid()) {
            fileSize = GetFileSize(self.get(), nullptr);
        }
    }
    std::unique_ptr<FILE, FileCloser> exe(std::fopen(exePath, "rb"));
    if (fileSize == INVALID_FILE_SIZE || !exe) {
        FatalStartupError(kCannotReadSelf);
    }
    std::setvbuf(exe.get(), nullptr, _IOFBF, 64 * 1024);

    FileSource source(exe.get());
    const HeaderSearchResult header = FindScriptHeader(source, fileSize);
    if (!header.found) {
        FatalStartupError(kNoScript);
    }
    app.scriptOffset = header.scriptOffset;
    Advance(5);
    Sleep(100);

    std::fseek(exe.get(), static_cast<long>(header.scriptOffset), SEEK_SET);
    HandleSink sink(CreateScriptCopy());
    Advance(5);

    const ScriptCopyResult copied = CopyScript(source, sink);
    if (copied.end == ScriptCopyEnd::kWriteFailed || !sink.Flush()) {
        FatalStartupError(kCannotWriteCopy);
    }
    // From here on the script can say whether a silent run is wanted, so that a package cut
    // after its script already ends without a message box.
    if (app.silentRequested) {
        char unattended[8] = {};
        GetPrivateProfileStringA("Wizard", "unattended", "", unattended, sizeof unattended,
                                 app.scriptPath);
        app.silent.store(ParseFlag(unattended));
    }
    // A script cut off before its end marker has no payload behind it either.
    if (copied.end == ScriptCopyEnd::kEndOfFile) {
        FatalStartupError(kNoData);
    }
    app.payloadBase = static_cast<uint32_t>(std::ftell(exe.get()));
    if (std::fgetc(exe.get()) == EOF) {
        FatalStartupError(kNoData);
    }
    exe.reset();
    Advance(5);
}

}  // namespace

void FatalStartupError(const char* text) {
    const bool silent = Package().silent.load();
    if (!silent) {
        MessageBoxA(nullptr, text, kErrorCaption, MB_ICONWARNING | MB_OK);
    }
    ReleaseScriptCopy();
    std::exit(silent ? kExitStartup : 0);
}

void ReleaseScriptCopy() {
    HANDLE file = g_scriptCopy.exchange(INVALID_HANDLE_VALUE);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        DeleteFileA(Package().scriptPath);
    }
}

DWORD WINAPI ScriptLoaderThread(LPVOID splashWindow) {
    PackageState& app = Package();

    // The copy's name is made when it is created; the folder must leave room for it.
    DWORD tempLength = GetTempPathA(sizeof g_tempDir, g_tempDir);
    if (tempLength == 0 || tempLength >= sizeof g_tempDir ||
        !JoinPath(app.scriptPath, sizeof app.scriptPath, g_tempDir, layout::kScriptCopyLongest)) {
        FatalStartupError(kTempTooLong);
    }
    Advance(5);

    ExtractScript();

    ReadSettings(app.scriptPath, AppSettings(), static_cast<HWND>(splashWindow));
    for (int i = 0; i < 10; ++i) {
        Advance(5);
        Sleep(100);
    }
    Advance(20);
    Sleep(20);
    ComposeTargetFolder(AppSettings());
    for (int i = 0; i < 8; ++i) {
        Advance(1);
        Sleep(20);
    }
    Sleep(500);
    return 0;
}

}  // namespace nuvex
