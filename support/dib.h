// Device-independent bitmaps whose pixels code reads and writes directly.
#pragma once

#include <windows.h>

#include <cstdint>

#include "support/unique.h"

// A 32-bit DIB section stored top down (row 0 at the top), one 0x00RRGGBB word per pixel as GDI
// writes it. *bits points at its pixels, or is null when it could not be made.
inline UniqueBitmap CreateTopDownDib(int width, int height, std::uint32_t** bits) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    UniqueBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0));
    *bits = bitmap ? static_cast<std::uint32_t*>(pixels) : nullptr;
    return bitmap;
}
