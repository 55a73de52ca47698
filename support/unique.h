// One owning wrapper for every kind of Win32 resource, so that every exit path releases it.
#pragma once

#include <windows.h>

template <typename T, auto Close, T Invalid = T{}>
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
    explicit operator bool() const { return value_ != Invalid; }
    T release() {
        T value = value_;
        value_ = Invalid;
        return value;
    }
    void reset(T value = Invalid) {
        if (value_ != Invalid) Close(value_);
        value_ = value;
    }
    T* put() {
        reset();
        return &value_;
    }

private:
    T value_ = Invalid;
};

inline void DeleteGdiObject(HGDIOBJ object) { DeleteObject(object); }
inline void DestroyWindowHandle(HWND window) { DestroyWindow(window); }

using UniqueHandle = Unique<HANDLE, &CloseHandle>;
using UniqueKey = Unique<HKEY, &RegCloseKey>;
using UniqueFont = Unique<HFONT, &DeleteGdiObject>;
using UniqueBrush = Unique<HBRUSH, &DeleteGdiObject>;
using UniqueRegion = Unique<HRGN, &DeleteGdiObject>;
using UniqueWindow = Unique<HWND, &DestroyWindowHandle>;
