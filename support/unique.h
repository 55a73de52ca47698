// One owning wrapper for every kind of Win32 resource, so that every exit path releases it.
#pragma once

#include <windows.h>

// InvalidBits: the bits of the empty value. Most kinds are empty at null; files, find handles and
// tool-help snapshots are empty at INVALID_HANDLE_VALUE, which, being a pointer made from -1,
// cannot itself be a template argument.
template <typename T, auto Close, INT_PTR InvalidBits = 0>
class Unique {
public:
    Unique() = default;
    explicit Unique(T value) : value_(value) {}
    Unique(Unique&& other) noexcept : value_(other.release()) {}
    Unique& operator=(Unique&& other) noexcept {
        reset(other.release());
        return *this;
    }
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;
    ~Unique() { reset(); }

    T get() const { return value_; }
    explicit operator bool() const { return value_ != Invalid(); }
    T release() {
        T value = value_;
        value_ = Invalid();
        return value;
    }
    void reset(T value = Invalid()) {
        if (value_ != Invalid()) Close(value_);
        value_ = value;
    }
    T* put() {
        reset();
        return &value_;
    }

private:
    static T Invalid() { return reinterpret_cast<T>(InvalidBits); }

    T value_ = Invalid();
};

constexpr INT_PTR kInvalidHandleBits = -1;

inline void DeleteGdiObject(HGDIOBJ object) { DeleteObject(object); }
inline void DestroyWindowHandle(HWND window) { DestroyWindow(window); }

using UniqueHandle = Unique<HANDLE, &CloseHandle>;
using UniqueFile = Unique<HANDLE, &CloseHandle, kInvalidHandleBits>;
using UniqueSnapshot = Unique<HANDLE, &CloseHandle, kInvalidHandleBits>;  // tool-help
using UniqueFind = Unique<HANDLE, &FindClose, kInvalidHandleBits>;
using UniqueModule = Unique<HMODULE, &FreeLibrary>;
using UniqueKey = Unique<HKEY, &RegCloseKey>;
using UniqueFont = Unique<HFONT, &DeleteGdiObject>;
using UniqueBrush = Unique<HBRUSH, &DeleteGdiObject>;
using UniqueRegion = Unique<HRGN, &DeleteGdiObject>;
using UniqueBitmap = Unique<HBITMAP, &DeleteGdiObject>;
using UniqueMemoryDc = Unique<HDC, &DeleteDC>;
using UniqueWindow = Unique<HWND, &DestroyWindowHandle>;

// An object selected into a device context for a scope; the one it replaced is selected again at
// the end, so that the context never ends up holding an object about to be deleted.
class ScopedSelection {
public:
    ScopedSelection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ScopedSelection(const ScopedSelection&) = delete;
    ScopedSelection& operator=(const ScopedSelection&) = delete;
    ~ScopedSelection() {
        if (previous_ && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
    }

private:
    HDC dc_;
    HGDIOBJ previous_;
};
