#include "install_thread.h"

#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>

#include "component_entries.h"
#include "extraction.h"
#include "install_flow.h"
#include "install_rules.h"
#include "package_state.h"
#include "process_state.h"
#include "shortcuts.h"
#include "system_libraries.h"
#include "text_rules.h"
#include "uninstall_log_writer.h"
#include "uninstall_registration.h"

namespace nuvex {

namespace {

// Association changed, folder created and item created, in one notification.
constexpr LONG kShellEvents = SHCNE_ASSOCCHANGED | SHCNE_MKDIR | SHCNE_CREATE;
constexpr DWORD kFinalPauseMs = 500;
constexpr DWORD kBuildWithExtendedFreeSpace = 1000;

using GetDiskFreeSpaceExFn = BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER,
                                           PULARGE_INTEGER);

// Bytes available to the caller on the target's drive. False when there is no drive letter
// to ask about (a UNC or relative path) or the system cannot say; the check is then
// skipped, and a disk that fills up shows later as a short write.
bool QueryFreeSpace(const char* targetFolder, uint64_t* freeBytes) {
    char root[4];
    if (!DriveRoot(targetFolder, root)) {
        return false;
    }
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(&version);
    if (version.dwBuildNumber > kBuildWithExtendedFreeSpace) {
        // Looked up at run time: the first Windows 95 releases lack the export. kernel32 is
        // mapped into every process, so there is nothing to load.
        auto getFreeSpaceEx = ProcAddress<GetDiskFreeSpaceExFn>(GetModuleHandleA("kernel32.dll"),
                                                                "GetDiskFreeSpaceExA");
        if (getFreeSpaceEx) {
            ULARGE_INTEGER available, total, free;
            const bool known = getFreeSpaceEx(root, &available, &total, &free) != FALSE;
            if (known) {
                *freeBytes = available.QuadPart;
            }
            return known;
        }
    }
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
    if (!GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters)) {
        return false;
    }
    *freeBytes = ClusterBytes(sectorsPerCluster, bytesPerSector, freeClusters);
    return true;
}

Flow CheckFreeSpace() {
    const Settings& s = AppSettings();
    const uint64_t required = RequiredSpace(s.requiedspace, kComponentCount);
    uint64_t freeBytes = 0;
    if (QueryFreeSpace(s.targetFolder, &freeBytes) && !EnoughFreeSpace(required, freeBytes)) {
        return ReportInstallError(s.szErrorNES);
    }
    return Flow::kGoOn;
}

// Whether a file can be made in `folder`: a folder on a read-only medium, or a file that
// stands where the folder should be, passes CreateDirectoryA as "already exists" and would
// then take no file at all. The probe file goes when its handle closes. (GetTempFileNameA
// is no probe: Wine's reports a name even when the file could not be made.) A folder too
// long for the probe's name is not probed: no payload file fits in it anyway.
bool FolderTakesFiles(const char* folder) {
    constexpr int kTries = 16;
    for (int n = 0; n < kTries; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "~nvx%04lx.tmp",
                      static_cast<unsigned long>((GetCurrentProcessId() + n) & 0xFFFF));
        char probe[MAX_PATH];
        if (!JoinPath(probe, sizeof probe, folder, name)) {
            return true;
        }
        HANDLE file = CreateFileA(probe, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            return true;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
            return false;
        }
    }
    return true;  // every name is taken: files do land there
}

// The folders above the target are made one by one, whatever becomes of each; then the
// target itself, which must exist afterwards and take files, before anything is registered
// that would point into it.
Flow CreateTargetFolder() {
    const Settings& s = AppSettings();
    const ParentFolders parents = ParentFolderPrefixes(s.targetFolder);
    char prefix[sizeof s.targetFolder];
    for (int i = 0; i < parents.count; ++i) {
        std::memcpy(prefix, s.targetFolder, parents.length[i]);
        prefix[parents.length[i]] = '\0';
        CreateDirectoryA(prefix, nullptr);
    }
    if (!CreateDirectoryA(s.targetFolder, nullptr)) {
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
            return ReportInstallError(s.szErrorDIR);
        }
    }
    if (!FolderTakesFiles(s.targetFolder)) {
        return ReportInstallError(s.szErrorDIR);
    }
    return Flow::kGoOn;
}

// Every dir entry of the selected slots, created and recorded whether or not it existed. A
// path past 255 characters is neither created nor recorded; a value leading out of the
// target folder, which the package builder never writes, is reported as a damaged package.
Flow CreateComponentFolders() {
    const char* target = AppSettings().targetFolder;
    bool climbsOut = false;
    const bool completed =
        ForEachSelectedEntry(EntryFamily::kDir, [&](int, int, const char* value) {
            climbsOut = ClimbsOutOfFolder(value);
            if (climbsOut) {
                return false;
            }
            char path[layout::kEntryValueSize];
            if (JoinPath(path, sizeof path, target, value)) {
                CreateDirectoryA(path, nullptr);
                InstallLog().Record(LogFamily::kDir, path);
            }
            return !CancelRequested();
        });
    if (climbsOut) {
        return ReportInstallError(AppSettings().szErrorCRC);
    }
    return completed ? Flow::kGoOn : Flow::kStop;
}

// The payload entries of the selected slots, for the progress arithmetic. Every slot adds 1
// to the progress, selected or not.
Flow CountPayloadEntries(int* total) {
    *total = 0;
    for (int slot = 0; slot < kComponentCount; ++slot) {
        AddProgress(1);
        if (!SlotSelected(slot)) {
            continue;
        }
        for (EntryFamily family : kPayloadFamilies) {
            const bool completed = ForEachEntry(slot, family, [&](int, const char*) {
                ++*total;
                return !CancelRequested();
            });
            if (!completed) {
                return Flow::kStop;
            }
        }
    }
    return Flow::kGoOn;
}

// Registry entries are read and passed over: what one would describe is not settled.
Flow ReadRegistryEntries() {
    return ForEachSelectedEntry(EntryFamily::kReg,
                                [](int, int, const char*) { return !CancelRequested(); })
               ? Flow::kGoOn
               : Flow::kStop;
}

// Runs once the installation is complete and Cancel no longer counts: a program opened here
// belongs to a finished installation.
void OpenRunEntries() {
    const char* target = AppSettings().targetFolder;
    ForEachSelectedEntry(EntryFamily::kRun, [&](int, int, const char* value) {
        char path[layout::kEntryValueSize];
        if (JoinPath(path, sizeof path, target, value)) {
            ShellExecuteA(Process().progressWindow, "open", path, nullptr, target, SW_SHOWDEFAULT);
        }
        return true;
    });
}

}  // namespace

Flow RunInstallation() {
    const Settings& s = AppSettings();
    InstallLog().Begin(s.targetFolder, s.includeuninst != 0);

    if (CheckFreeSpace() == Flow::kStop) {
        return Flow::kStop;
    }
    AddProgress(1);
    if (CreateTargetFolder() == Flow::kStop) {
        return Flow::kStop;
    }
    if (s.includeuninst && RegisterUninstaller() == Flow::kStop) {
        return Flow::kStop;
    }
    if (CreateComponentFolders() == Flow::kStop) {
        return Flow::kStop;
    }
    AddProgress(1);
    int total = 0;
    if (CountPayloadEntries(&total) == Flow::kStop) {
        return Flow::kStop;
    }
    if (ExtractPayload(total) == Flow::kStop) {
        return Flow::kStop;
    }
    if (CreateShortcutsAndFolders() == Flow::kStop) {
        return Flow::kStop;
    }
    if (ReadRegistryEntries() == Flow::kStop) {
        return Flow::kStop;
    }
    // The last cancel check: everything is in place from here on.
    if (!CloseCancel()) {
        return Flow::kStop;
    }
    SetProgress(kProgressComplete);
    if (s.includeuninst) {
        WriteEstimatedSize();
    }
    // A silent run opens no window, the programs' own included.
    if (!Package().silent.load()) {
        OpenRunEntries();
    }
    SHChangeNotify(kShellEvents, SHCNF_FLUSH, nullptr, nullptr);
    Sleep(kFinalPauseMs);
    return Flow::kGoOn;
}

DWORD WINAPI InstallThreadProc(LPVOID) {
    RunInstallation();
    InstallLog().End();
    return 0;
}

}  // namespace nuvex
