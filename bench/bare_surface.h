// The least drawing of a layered surface with per-pixel alpha, for the reference program and the
// bare calls of the tick figures: the fields' texts drawn by GDI into a 32-bit DIB over a key
// colour, every pixel sorted (text opaque, the rest black at alpha 1), handed to
// UpdateLayeredWindow. It shares no code with the product.
#pragma once

#include <windows.h>

#include <initializer_list>

inline void DrawBareSurface(HWND window, std::initializer_list<HWND> fields) {
    RECT rect;
    GetWindowRect(window, &rect);
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(dc, bitmap);
    HBRUSH key = CreateSolidBrush(RGB(255, 168, 255));
    const RECT all{0, 0, width, height};
    FillRect(dc, &all, key);
    DeleteObject(key);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    for (HWND field : fields) {
        char text[64];
        const int length = GetWindowTextA(field, text, sizeof text);
        RECT place;
        GetWindowRect(field, &place);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&place), 2);
        HGDIOBJ font = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(field, WM_GETFONT, 0, 0)));
        DrawTextA(dc, text, length, &place, DT_SINGLELINE | DT_NOPREFIX);
        SelectObject(dc, font);
    }
    GdiFlush();
    auto* pixels = static_cast<DWORD*>(bits);
    for (int i = 0; pixels && i < width * height; ++i) {
        const DWORD colour = pixels[i] & 0xFFFFFF;
        pixels[i] = colour == 0xFFA8FF ? 0x01000000 : colour | 0xFF000000;
    }
    POINT origin{0, 0};
    SIZE size{width, height};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    UpdateLayeredWindow(window, nullptr, nullptr, &size, dc, &origin, 0, &blend, ULW_ALPHA);
    SelectObject(dc, previous);
    DeleteDC(dc);
    DeleteObject(bitmap);
}
