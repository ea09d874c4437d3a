#include "system_libraries.h"

#include "text_rules.h"

namespace nuvex {

namespace {

// winbase.h declares neither for the Windows XP target the stub is built for.
constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
using SetDllDirectoryFn = BOOL(WINAPI*)(LPCSTR);
using InitCommonControlsFn = void(WINAPI*)();

}  // namespace

void RestrictDllSearch() {
    // kernel32 is mapped into every process before its first instruction: no load here.
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    auto setDefault = ProcAddress<SetDefaultDllDirectoriesFn>(kernel, "SetDefaultDllDirectories");
    if (setDefault && setDefault(kSearchSystem32)) {
        return;
    }
    // Removes the current folder from the search; the program's own folder stays in it, so
    // every LoadLibraryA of the program names a full path as well.
    auto setDirectory = ProcAddress<SetDllDirectoryFn>(kernel, "SetDllDirectoryA");
    if (setDirectory) {
        setDirectory("");
    }
}

HMODULE LoadSystemLibrary(const char* name) {
    char folder[MAX_PATH];
    const UINT length = GetSystemDirectoryA(folder, sizeof folder);
    char path[MAX_PATH];
    if (length == 0 || length >= sizeof folder || !JoinPath(path, sizeof path, folder, name)) {
        return nullptr;
    }
    return LoadLibraryA(path);
}

void InitSystemCommonControls() {
    // Kept loaded for the life of the process, as the static import would be.
    auto init =
        ProcAddress<InitCommonControlsFn>(LoadSystemLibrary("comctl32.dll"), "InitCommonControls");
    if (init) {
        init();
    }
}

}  // namespace nuvex
