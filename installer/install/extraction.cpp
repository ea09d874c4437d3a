#include "extraction.h"

#include <windows.h>

#include <cstring>

#include "component_entries.h"
#include "exit_codes.h"
#include "global_buffer.h"
#include "install_rules.h"
#include "lzma_extraction.h"
#include "package_state.h"
#include "payload_inflate.h"
#include "process_state.h"
#include "text_rules.h"
#include "uninstall_log_writer.h"

namespace nuvex {

namespace {

// Slack of the two buffers and of the capacity announced to uncompress.
constexpr uint64_t kInputSlack = 128;
constexpr uint64_t kOutputSlack = 2048;
constexpr uint64_t kCapacitySlack = 1024;

struct ExtractionState {
    HANDLE package = INVALID_HANDLE_VALUE;
    uint64_t packageSize = 0;
    char windowsFolder[256] = {};
    char systemFolder[256] = {};
    int total = 0;
    int n = 0;  // running number of the entry, across slots and families
    PayloadMethod method = PayloadMethod::kZlib;
    LzmaExtraction lzma;
};

struct PayloadEntry {
    int slot;
    EntryFamily family;
    int index;
    const char* value;
};

const char* DestinationFolder(const ExtractionState& state, EntryFamily family) {
    switch (family) {
        case EntryFamily::kWin:
            return state.windowsFolder;
        case EntryFamily::kSys:
            return state.systemFolder;
        default:
            return AppSettings().targetFolder;
    }
}

// Reads `length` bytes at `offset` of the payload, which lie inside the file; fewer bytes
// than that count as a failed read.
bool ReadStream(HANDLE package, uint32_t offset, uint32_t length, unsigned char* buffer) {
    if (package == INVALID_HANDLE_VALUE) {
        return false;
    }
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(Package().payloadBase) + offset;
    if (!SetFilePointerEx(package, position, nullptr, FILE_BEGIN)) {
        return false;
    }
    DWORD read = 0;
    return ReadFile(package, buffer, length, &read, nullptr) != FALSE && read == length;
}

// One zlib stream per file: read whole, inflated in one call.
Decoded InflateEntry(const ExtractionState& state, const StreamAttributes& a, GlobalBuffer& output,
                     uint32_t* produced) {
    GlobalBuffer input(a.length + kInputSlack);
    if (!input || !output.Allocate(a.origlen + kOutputSlack)) {
        return Decoded::kNoMemory;
    }
    if (!ReadStream(state.package, a.offset, a.length, input.get())) {
        return Decoded::kReadFailed;
    }
    SetProgress(ExtractionProgress(state.n, state.total, EntryStage::kRead));

    // The output buffer holds origlen + 2048 bytes, so this capacity fits in 32 bits.
    const InflateResult result =
        InflatePayload(input.get(), a.length, output.get(),
                       static_cast<uint32_t>(a.origlen + kCapacitySlack), a.crc, produced);
    SetProgress(ExtractionProgress(state.n, state.total, EntryStage::kInflated));
    return result == InflateResult::kOk         ? Decoded::kOk
           : result == InflateResult::kNoMemory ? Decoded::kNoMemory
                                                : Decoded::kDamaged;
}

enum class WriteResult { kWritten, kKept, kNotCreated, kShort };

// Replaces a file of the target folder; never touches an existing file of the Windows or
// system folder, which is kept without a word. A short write (a full disk) removes what was
// written.
WriteResult WriteDestination(const char* path, EntryFamily family, const unsigned char* data,
                             DWORD size) {
    const DWORD disposition = family == EntryFamily::kFile ? CREATE_ALWAYS : CREATE_NEW;
    HANDLE file =
        CreateFileA(path, GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        const bool exists = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
        return family != EntryFamily::kFile && exists ? WriteResult::kKept
                                                      : WriteResult::kNotCreated;
    }
    DWORD written = 0;
    const bool complete = WriteFile(file, data, size, &written, nullptr) && written == size;
    // Closing can be where a full disk shows, so its result counts too.
    const bool closed = CloseHandle(file) != FALSE;
    if (complete && closed) {
        return WriteResult::kWritten;
    }
    DeleteFileA(path);
    return WriteResult::kShort;
}

// A file that could not be written: a running copy of the product holds it open, it is
// read-only, or its name is refused. Passing over it would end on the done page with the old
// file in place, so the user decides, with the progress window as the owner. True for Retry.
bool AskToRetry(const char* file) {
    // No one is there to answer in a silent run: the file ends it with its own exit code.
    if (Package().silent.load()) {
        RecordExitCode(kExitFileNotWritten);
        return false;
    }
    char text[kCannotWriteTextSize];
    ComposeCannotWriteText(text, sizeof text, file);
    return MessageBoxA(Process().progressWindow, text, kErrorCaption,
                       MB_RETRYCANCEL | MB_ICONWARNING) == IDRETRY;
}

// Cancel in that message box ends like the Cancel button: on the error page with its own
// text. What was written so far stays logged, so the uninstaller removes it.
Flow CancelAtFile() {
    RequestCancel();
    return RequestErrorPage();
}

Flow ExtractPayloadEntry(ExtractionState& state, const PayloadEntry& entry) {
    const Settings& s = AppSettings();

    // A path past 255 characters is refused like a file that cannot be created, and so is
    // one whose folder could not be found out.
    char destination[layout::kEntryValueSize];
    const char* folder = DestinationFolder(state, entry.family);
    const bool destinationFits =
        folder[0] != '\0' && JoinPath(destination, sizeof destination, folder, entry.value);

    const auto attribute = [&](const char* suffix) {
        return ReadEntryAttribute(entry.slot, entry.family, entry.index, suffix);
    };
    const uint32_t length = attribute(kSuffixLength);
    const uint32_t origlen = attribute(kSuffixOrigLen);
    const uint32_t crc = attribute(kSuffixCrc);
    const uint32_t offset = attribute(kSuffixOffset);

    SetProgress(ExtractionProgress(state.n, state.total, EntryStage::kStart));
    // The package builder writes neither: a value that leads out of its folder, or a stream
    // reaching past the end of the file (a cut download, or a damaged script).
    if (ClimbsOutOfFolder(entry.value) ||
        (state.package != INVALID_HANDLE_VALUE &&
         !StreamInPackage(state.packageSize, Package().payloadBase, offset, length))) {
        return ReportInstallError(s.szErrorCRC);
    }
    {
        GlobalBuffer output;
        uint32_t produced = 0;
        const StreamAttributes stream = {length, origlen, crc, offset};
        switch (state.method == PayloadMethod::kZlib
                    ? InflateEntry(state, stream, output, &produced)
                    : state.lzma.DecodeFile(state.method, state.package, stream, output, &produced,
                                            state.n, state.total)) {
            case Decoded::kOk:
                break;
            case Decoded::kNoMemory:
                return ReportInstallError(s.szErrorNEM);
            case Decoded::kDamaged:
                return ReportInstallError(s.szErrorCRC);
            case Decoded::kReadFailed:
                return RequestErrorPage();
        }

        // A path that does not fit is refused like a file that cannot be created; the box
        // then names the entry, the part of the path that is known. An empty value names no
        // file at all and is passed over.
        while (entry.value[0] != '\0') {
            const WriteResult written =
                destinationFits
                    ? WriteDestination(destination, entry.family, output.get(), produced)
                    : WriteResult::kNotCreated;
            if (written == WriteResult::kWritten) {
                InstallLog().Record(LogFamily::kFile, destination);
                AddBytesWritten(produced);
                break;
            }
            if (written == WriteResult::kKept) {
                break;
            }
            if (written == WriteResult::kShort) {
                return ReportInstallError(s.szErrorNES);
            }
            if (!AskToRetry(destinationFits ? destination : entry.value)) {
                return CancelAtFile();
            }
        }
    }
    return StopIfCancelled();
}

// The payload entries of one slot, family by family. An empty value does not end a family
// here, unlike the count: it names no file and is passed over. False when the installation
// stops.
bool ExtractComponent(ExtractionState& state, int slot) {
    for (EntryFamily family : kPayloadFamilies) {
        const bool completed =
            ForEachEntry(slot, family, EntryEnd::kAtAbsentKey, [&](int index, const char* value) {
                if (ExtractPayloadEntry(state, {slot, family, index, value}) == Flow::kStop) {
                    return false;
                }
                ++state.n;
                return true;
            });
        if (!completed) {
            return false;
        }
    }
    return true;
}

}  // namespace

Flow ExtractPayload(int total) {
    const Settings& s = AppSettings();
    ExtractionState state;
    state.total = total;

    char exePath[256];
    if (ModulePath(exePath)) {
        state.package = CreateFileA(exePath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    LARGE_INTEGER size;
    if (state.package != INVALID_HANDLE_VALUE && GetFileSizeEx(state.package, &size)) {
        state.packageSize = static_cast<uint64_t>(size.QuadPart);
    }
    SetPackageFile(state.package);
    state.method = ReadPayloadMethod();
    // Paths that do not fit are left empty: every file there is then refused by JoinPath.
    const UINT windowsLength =
        GetWindowsDirectoryA(state.windowsFolder, sizeof state.windowsFolder);
    if (windowsLength == 0 || windowsLength >= sizeof state.windowsFolder) {
        state.windowsFolder[0] = '\0';
    }
    const UINT systemLength = GetSystemDirectoryA(state.systemFolder, sizeof state.systemFolder);
    if (systemLength == 0 || systemLength >= sizeof state.systemFolder) {
        state.systemFolder[0] = '\0';
    }

    const bool completed = ForEachSelectedSlot([&](int slot) {
        char status[2048];
        ComposeComponentStatus(status, sizeof status, s.szInstallerInstallingPart, s.Title[slot]);
        SetStatusLine(status);
        state.lzma.StartComponent();
        return ExtractComponent(state, slot);
    });
    if (!completed) {
        return Flow::kStop;
    }

    ClosePackageFile();
    SetProgress(kProgressAfterExtraction);
    SetStatusLine(s.szInstallerEnding);
    return Flow::kGoOn;
}

}  // namespace nuvex
