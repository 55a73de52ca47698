// Waiting in tests: messages are pumped while a condition is polled against a deadline.
#include "tests/support/pump.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "support/dib.h"
#include "support/unique.h"

namespace {

void PumpPending() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

}  // namespace

bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        PumpPending();
        if (condition()) return true;
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs) return condition();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, std::min<DWORD>(10, timeoutMs - elapsed), QS_ALLINPUT);
    }
}

void PumpFor(DWORD milliseconds) {
    PumpUntil([] { return false; }, milliseconds);
}

namespace {

// Only what is on the screen: a docked window reaches below its bottom edge.
RECT OnScreen(const RECT& unclipped) {
    const RECT screenArea{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    RECT rect{};
    if (!IntersectRect(&rect, &unclipped, &screenArea)) return RECT{};
    return rect;
}

}  // namespace

std::vector<COLORREF> ScreenPixels(const RECT& unclipped) {
    const RECT rect = OnScreen(unclipped);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) return {};
    // One copy of the screen area, read from a DIB: much faster than a GetPixel per pixel.
    HDC screen = GetDC(nullptr);
    const UniqueMemoryDc memory(CreateCompatibleDC(screen));
    std::uint32_t* pixels = nullptr;
    const UniqueBitmap bitmap = CreateTopDownDib(width, height, &pixels);
    std::vector<COLORREF> colours;
    if (bitmap && memory) {
        const ScopedSelection selected(memory.get(), bitmap.get());
        BitBlt(memory.get(), 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
        GdiFlush();
        colours.resize(static_cast<size_t>(width) * height);
        for (size_t i = 0; i < colours.size(); ++i) {
            const DWORD bgr = pixels[i];
            colours[i] = RGB((bgr >> 16) & 0xFF, (bgr >> 8) & 0xFF, bgr & 0xFF);
        }
    }
    ReleaseDC(nullptr, screen);
    return colours;
}

PixelCount CountScreenPixels(const RECT& rect, const std::function<bool(COLORREF)>& predicate) {
    PixelCount count;
    const RECT shown = OnScreen(rect);
    const int width = shown.right - shown.left;
    for (COLORREF colour : ScreenPixels(rect)) {
        const int i = count.total++;
        if (!predicate(colour)) continue;
        if (count.matching++ == 0) count.firstMatch = {shown.left + i % width, shown.top + i / width};
    }
    return count;
}

int CountScreenColour(const RECT& rect, COLORREF colour) {
    return CountScreenPixels(rect, [&](COLORREF pixel) { return pixel == colour; }).matching;
}
