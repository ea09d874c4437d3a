// The process entry point of nuvex.exe. The stub is linked without MinGW's start-up code
// (-nostartfiles, installer/CMakeLists.txt): that code parses a command line the program
// ignores, sets up thread-local storage it does not use and applies pseudo-relocations it
// has none of, and with its exception handler, TLS callbacks and error messages it took
// about 10 KB of every package. What of it the program needs is done here.
#include <windows.h>

#include <cstdlib>

#include "entry.h"
#include "system_libraries.h"

// The linker's list of static constructors (the shared GDI objects, the window states):
// -1, the constructors, 0. MinGW's start-up runs them from the last to the first.
extern "C" void (*__CTOR_LIST__[])();

namespace {

void RunStaticConstructors() {
    int count = 0;
    while (__CTOR_LIST__[count + 1] != nullptr) {
        ++count;
    }
    for (int i = count; i >= 1; --i) {
        __CTOR_LIST__[i]();
    }
}

}  // namespace

// The stack is 4-byte aligned at a process entry; GCC's code expects 16.
extern "C" __attribute__((force_align_arg_pointer)) void WINAPI NuvexStartup() {
    // Before anything that may load a library, the static constructors included.
    nuvex::RestrictDllSearch();
    // The floating-point unit as MinGW's start-up leaves it (fninit: 64-bit precision), so
    // that the gradient and the progress fill round as in the tests, which keep that start-up.
    __asm__ volatile("fninit");
    RunStaticConstructors();
    // exit, not ExitProcess: msvcrt flushes and closes the stdio files first.
    std::exit(nuvex::Main(GetModuleHandleA(nullptr)));
}
