#include "loader_thread.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app_state.h"
#include "package_layout.h"
#include "scoped_gdi.h"
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

class FileSink final : public ByteSink {
public:
    explicit FileSink(FILE* f) : f_(f) {}
    bool Put(unsigned char byte) override { return std::fputc(byte, f_) != EOF; }

private:
    FILE* f_;
};

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};

void Advance(int amount) { App().startupProgress.fetch_add(amount); }

// Extracts the script copy and records the script offset and the payload base.
void ExtractScript() {
    AppState& app = App();

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
    std::unique_ptr<FILE, FileCloser> copy(std::fopen(app.scriptPath, "wb"));
    if (!copy) {
        FatalStartupError(kCannotWriteCopy);
    }
    Advance(5);

    FileSink sink(copy.get());
    const ScriptCopyResult copied = CopyScript(source, sink);
    if (copied.end == ScriptCopyEnd::kWriteFailed) {
        FatalStartupError(kCannotWriteCopy);
    }
    // A script cut off before its end marker has no payload behind it either.
    if (copied.end == ScriptCopyEnd::kEndOfFile) {
        FatalStartupError(kNoData);
    }
    app.payloadBase = static_cast<uint32_t>(std::ftell(exe.get()));
    if (std::fgetc(exe.get()) == EOF) {
        FatalStartupError(kNoData);
    }
    if (std::fclose(copy.release()) != 0) {
        FatalStartupError(kCannotWriteCopy);
    }
    exe.reset();
    Advance(5);
}

}  // namespace

void FatalStartupError(const char* text) {
    MessageBoxA(nullptr, text, kErrorCaption, MB_ICONWARNING | MB_OK);
    std::exit(0);
}

DWORD WINAPI ScriptLoaderThread(LPVOID) {
    AppState& app = App();

    char tempDir[256];
    DWORD tempLength = GetTempPathA(sizeof tempDir, tempDir);
    if (tempLength == 0 || tempLength >= sizeof tempDir ||
        !JoinPath(app.scriptPath, sizeof app.scriptPath, tempDir, layout::kScriptCopyName)) {
        FatalStartupError(kTempTooLong);
    }
    Advance(5);

    ExtractScript();

    ReadSettings(app.scriptPath, AppSettings(), app.controllerWindow);
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
