// GoogleTest copies every failure to OutputDebugStringA. Wine carries that call out by raising
// an exception, and a 32-bit process under qemu-user crashes or hangs on it right after its
// first failure, sometimes with exit code 0, so a failing test could pass. The Wine test
// programs link this object, which fills the call's import slot with a function that drops
// the copy; the failure itself still goes to stdout.
#include <windows.h>

namespace {
void WINAPI DropDebugOutput(LPCSTR) {}
}  // namespace

extern "C" {
void(WINAPI* importedOutputDebugStringA)(LPCSTR) __asm__("__imp__OutputDebugStringA@4") =
    DropDebugOutput;
}
