// Small RAII holders for GDI objects and selections, device contexts, kernel handles,
// registry keys and shell memory, so that nothing leaks on an early return and objects made
// for one drawing are gone when the drawing ends.
#pragma once

#include <windows.h>
#include <objbase.h>

namespace nuvex {

// A GDI object owned for one drawing (pen, brush, bitmap, font).
template <typename T>
class ScopedGdiObject {
public:
    explicit ScopedGdiObject(T obj) : obj_(obj) {}
    ~ScopedGdiObject() {
        if (obj_) {
            DeleteObject(obj_);
        }
    }
    ScopedGdiObject(const ScopedGdiObject&) = delete;
    ScopedGdiObject& operator=(const ScopedGdiObject&) = delete;
    T get() const { return obj_; }
    explicit operator bool() const { return obj_ != nullptr; }

private:
    T obj_;
};

// An object selected into a device context for a while: the object selected before goes
// back on scope exit, so that the one drawn with can be deleted or selected elsewhere (a
// bitmap can be selected into one device context at a time). Declared after the holder of
// the object it selects, so that it lets go of it first.
class ScopedSelection {
public:
    ScopedSelection(HDC dc, HGDIOBJ obj) : dc_(dc), old_(SelectObject(dc, obj)) {}
    // Selects nothing yet; keeps the object of `type` (OBJ_BITMAP, ...) selected now, for a
    // drawing that selects several in turn.
    ScopedSelection(HDC dc, UINT type) : dc_(dc), old_(GetCurrentObject(dc, type)) {}
    ~ScopedSelection() {
        if (old_) {
            SelectObject(dc_, old_);
        }
    }
    ScopedSelection(const ScopedSelection&) = delete;
    ScopedSelection& operator=(const ScopedSelection&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// A memory device context compatible with another.
class ScopedMemoryDC {
public:
    explicit ScopedMemoryDC(HDC compatibleWith) : dc_(CreateCompatibleDC(compatibleWith)) {}
    ~ScopedMemoryDC() {
        if (dc_) {
            DeleteDC(dc_);
        }
    }
    ScopedMemoryDC(const ScopedMemoryDC&) = delete;
    ScopedMemoryDC& operator=(const ScopedMemoryDC&) = delete;
    HDC get() const { return dc_; }

private:
    HDC dc_;
};

// A window's device context from GetDC, released on scope exit.
class ScopedWindowDC {
public:
    explicit ScopedWindowDC(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
    ~ScopedWindowDC() {
        if (dc_) {
            ReleaseDC(hwnd_, dc_);
        }
    }
    ScopedWindowDC(const ScopedWindowDC&) = delete;
    ScopedWindowDC& operator=(const ScopedWindowDC&) = delete;
    HDC get() const { return dc_; }

private:
    HWND hwnd_;
    HDC dc_;
};

// A kernel handle closed on scope exit.
class ScopedHandle {
public:
    explicit ScopedHandle(HANDLE h = nullptr) : h_(h) {}
    ~ScopedHandle() { reset(); }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    void reset(HANDLE h = nullptr) {
        if (h_ && h_ != INVALID_HANDLE_VALUE) {
            CloseHandle(h_);
        }
        h_ = h;
    }
    HANDLE get() const { return h_; }
    bool valid() const { return h_ && h_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE h_;
};

// A registry key closed on scope exit, filled by RegOpenKeyExA or RegCreateKeyExA through
// receive().
class ScopedRegKey {
public:
    ScopedRegKey() = default;
    ~ScopedRegKey() {
        if (key_) {
            RegCloseKey(key_);
        }
    }
    ScopedRegKey(const ScopedRegKey&) = delete;
    ScopedRegKey& operator=(const ScopedRegKey&) = delete;
    HKEY* receive() { return &key_; }
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

// A block from the shell's allocator (an item list, say), freed through it on scope exit.
template <typename T>
class ScopedCoTaskMem {
public:
    explicit ScopedCoTaskMem(T block) : block_(block) {}
    ~ScopedCoTaskMem() {
        if (block_) {
            CoTaskMemFree(block_);
        }
    }
    ScopedCoTaskMem(const ScopedCoTaskMem&) = delete;
    ScopedCoTaskMem& operator=(const ScopedCoTaskMem&) = delete;
    T get() const { return block_; }

private:
    T block_;
};

}  // namespace nuvex
