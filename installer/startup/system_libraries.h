// Libraries of Windows itself, loaded only from the system folder. An installer is usually
// started from a downloads folder, which holds whatever a web page dropped there; Windows
// looks in the program's own folder first for any DLL that is not one of its "known DLLs".
#pragma once

#include <windows.h>

namespace nuvex {

// Takes the program's folder and the current folder out of the DLL search for the rest of
// the process: SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32) where the system has
// it (Windows 8, Windows 7 with KB2533623), SetDllDirectoryA("") where it does not. Both are
// looked up at run time: neither is there on the oldest systems the installer supports.
// Called before anything else, ahead of the first call that may load a library.
void RestrictDllSearch();

// GetProcAddress's result as the function type it is known to have; nullptr for a null
// module or a missing export. Through void(*)() so that the compiler accepts the change of
// signature.
template <typename Fn>
Fn ProcAddress(HMODULE module, const char* name) {
    FARPROC proc = module ? GetProcAddress(module, name) : nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(proc));
}

// LoadLibraryA on `name` in the system folder, by its full path; nullptr when the path does
// not fit or the library cannot be loaded.
HMODULE LoadSystemLibrary(const char* name);

// InitCommonControls of the system's comctl32.dll. Linking it would put comctl32 among the
// static imports, which the loader resolves before any code of the program runs, with the
// program's folder first in the search; comctl32 is no known DLL.
void InitSystemCommonControls();

}  // namespace nuvex
