#include "uninstall_registration.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "install_rules.h"
#include "global_buffer.h"
#include "package_state.h"
#include "scoped.h"
#include "text_rules.h"
#include "uninstall_log_writer.h"

namespace nuvex {

namespace {

constexpr char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr char kUninstallerName[] = "uninst.exe";
// The script's first section, which the package builder writes.
constexpr char kScriptHeaderSection[] = "Nuvex";

enum class CopyResult { kComplete, kNotMade, kNoMemory, kDiskFull };

// The signed stub's record from the script's first section; false for an unsigned package,
// whose script has none.
bool ReadStubRecord(StubRecord* record) {
    const char* keys[] = {"StubCertOffset", "StubCertSize", "StubCheckSum"};
    uint32_t* fields[] = {&record->certOffset, &record->certSize, &record->checkSum};
    for (int i = 0; i < 3; ++i) {
        char value[32] = {};
        GetPrivateProfileStringA(kScriptHeaderSection, keys[i], "", value, sizeof value,
                                 Package().scriptPath);
        char* end = nullptr;
        const unsigned long number = std::strtoul(value, &end, 10);
        if (value[0] < '0' || value[0] > '9' || *end != '\0' || number > UINT32_MAX) {
            return false;
        }
        *fields[i] = static_cast<uint32_t>(number);
    }
    return true;
}

// The first script-offset bytes of the running file: the installer program without its
// package. Nothing is created or truncated before the buffer and the source are there, and a
// copy that cannot be completed is removed, so that no broken uninstaller stays.
CopyResult CopyBareProgram(const char* destination) {
    const DWORD size = Package().scriptOffset;
    GlobalBuffer buffer(static_cast<uint64_t>(size) + 1024);
    if (!buffer) {
        return CopyResult::kNoMemory;
    }
    char source[256];
    ScopedHandle in(ModulePath(source) ? CreateFileA(source, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)
                                       : INVALID_HANDLE_VALUE);
    if (!in.valid()) {
        return CopyResult::kNotMade;
    }
    ScopedHandle out(CreateFileA(destination, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out.valid()) {
        return CopyResult::kNotMade;
    }
    DWORD read = 0;
    const bool readAll = ReadFile(in.get(), buffer.get(), size, &read, nullptr) && read == size;
    // A signed package's stub points at the package's certificate table; the recorded values
    // make the copy the signed stub again.
    StubRecord record;
    if (readAll && ReadStubRecord(&record)) {
        ApplyStubRecord(buffer.get(), size, record);
    }
    DWORD written = 0;
    const bool wroteAll =
        readAll && WriteFile(out.get(), buffer.get(), size, &written, nullptr) && written == size;
    out.reset();
    if (wroteAll) {
        return CopyResult::kComplete;
    }
    DeleteFileA(destination);
    return readAll ? CopyResult::kDiskFull : CopyResult::kNotMade;
}

void SetString(HKEY key, const char* name, const char* value) {
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), lstrlenA(value) + 1);
}

void SetNumber(HKEY key, const char* name, DWORD value) {
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

// The values that the list of installed programs and deployment tools read, for scripts
// with unattended=true. EstimatedSize follows once the files are written.
void WriteDeploymentValues(HKEY product, const char* uninstaller) {
    char quiet[2048 + 8];
    std::snprintf(quiet, sizeof quiet, "\"%s\" /S", uninstaller);
    SetString(product, "QuietUninstallString", quiet);
    SetString(product, "InstallLocation", AppSettings().targetFolder);
    SetString(product, "DisplayIcon", uninstaller);
    SetNumber(product, "NoModify", 1);
    SetNumber(product, "NoRepair", 1);
}

// The product's key under the Uninstall key, made when `create` says so and opened
// otherwise; the Uninstall key itself is closed again at once.
bool OpenProductKey(const char* name, bool create, ScopedRegKey& product) {
    ScopedRegKey uninstall;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_ALL_ACCESS, uninstall.receive()) !=
        ERROR_SUCCESS) {
        return false;
    }
    const LONG result =
        create ? RegCreateKeyExA(uninstall.get(), name, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                 KEY_ALL_ACCESS, nullptr, product.receive(), nullptr)
               : RegOpenKeyExA(uninstall.get(), name, 0, KEY_ALL_ACCESS, product.receive());
    return result == ERROR_SUCCESS;
}

// DisplayName and UninstallString under the Uninstall key. Failures (no right to write to
// HKEY_LOCAL_MACHINE, say) leave the product out of the list and nothing else.
bool WriteUninstallEntry(const char* name, const char* uninstaller) {
    ScopedRegKey product;
    if (!OpenProductKey(name, true, product)) {
        return false;
    }
    RegSetValueExA(product.get(), "DisplayName", 0, REG_SZ, reinterpret_cast<const BYTE*>(name),
                   lstrlenA(name) + 1);
    RegSetValueExA(product.get(), "UninstallString", 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(uninstaller), lstrlenA(uninstaller) + 1);
    if (AppSettings().unattended) {
        WriteDeploymentValues(product.get(), uninstaller);
    }
    return true;
}

}  // namespace

Flow RegisterUninstaller() {
    const Settings& s = AppSettings();
    char uninstaller[2048];
    const bool pathFits =
        JoinPath(uninstaller, sizeof uninstaller, s.targetFolder, kUninstallerName);

    const CopyResult copy = pathFits ? CopyBareProgram(uninstaller) : CopyResult::kNotMade;
    if (copy == CopyResult::kNoMemory) {
        return ReportInstallError(s.szErrorNEM);
    }
    if (copy == CopyResult::kDiskFull) {
        return ReportInstallError(s.szErrorNES);
    }

    // An empty product name would put the values on the Uninstall key itself, which the
    // uninstaller would then delete; with no name there is no entry, and the log's empty
    // uninstallreg makes the uninstaller skip the deletion. Nor is an entry made for an
    // uninstaller that could not be copied.
    if (s.szInstallAppName[0] != '\0' && copy == CopyResult::kComplete) {
        WriteUninstallEntry(s.szInstallAppName, uninstaller);
        AddBytesWritten(Package().scriptOffset);
    }
    InstallLog().WriteHeader(s.szInstallAppName, s.targetFolder);
    return Flow::kGoOn;
}

void WriteEstimatedSize() {
    const Settings& s = AppSettings();
    if (!s.unattended || s.szInstallAppName[0] == '\0') {
        return;
    }
    // Only an entry made by this installation is completed; none is created here.
    ScopedRegKey product;
    if (OpenProductKey(s.szInstallAppName, false, product)) {
        SetNumber(product.get(), "EstimatedSize", EstimatedSizeKb(BytesWritten()));
    }
}

}  // namespace nuvex
