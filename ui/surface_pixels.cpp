#include "ui/surface_pixels.h"

namespace {

// A DIB keeps blue in the low byte, a COLORREF red.
SurfacePixel AsDibColour(COLORREF colour) {
    return (static_cast<SurfacePixel>(GetRValue(colour)) << 16) | (static_cast<SurfacePixel>(GetGValue(colour)) << 8) |
           GetBValue(colour);
}

}  // namespace

void SortSurfacePixels(SurfacePixel* pixels, int width, int height, COLORREF background, const RECT& clickable) {
    const SurfacePixel empty = AsDibColour(background);
    for (int y = 0; y < height; ++y) {
        const bool rowClickable = y >= clickable.top && y < clickable.bottom;
        SurfacePixel* row = pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        for (int x = 0; x < width; ++x) {
            const SurfacePixel colour = row[x] & 0x00FFFFFF;
            if (colour != empty) {
                row[x] = colour | kOpaque;
            } else {
                row[x] = rowClickable && x >= clickable.left && x < clickable.right ? kClickableEmpty : kEmpty;
            }
        }
    }
}
