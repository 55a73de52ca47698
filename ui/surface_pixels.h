// The pixels a window drawn as one surface hands to the compositor, sorted from what GDI drew.
#pragma once

#include <windows.h>

#include <cstdint>

// Pixels as a 32-bit top-down DIB holds them: 0xAARRGGBB, premultiplied once sorted.
using SurfacePixel = std::uint32_t;

constexpr SurfacePixel kOpaque = 0xFF000000;
// Black at one step of 255: no darker to the eye than what lies below, yet hit by the mouse.
constexpr SurfacePixel kClickableEmpty = 0x01000000;
constexpr SurfacePixel kEmpty = 0;

// GDI draws colours and leaves alpha at 0. Every pixel of the background colour becomes empty:
// clickable inside `clickable` (surface coordinates: the part of the window over the taskbar),
// see-through and click-through outside it; every other pixel is text and becomes opaque in the
// colour it was drawn in. Exact because the text is drawn without antialiasing.
void SortSurfacePixels(SurfacePixel* pixels, int width, int height, COLORREF background, const RECT& clickable);
