// Waiting in tests: messages are pumped while a condition is polled against a deadline.
#pragma once

#include <windows.h>

#include <functional>

// Pumps this thread's messages until the condition holds or the time is up; returns the condition.
bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs = 5000);
// Pumps messages for the given time.
void PumpFor(DWORD milliseconds);

// Screen pixels (the X screen under Wine) inside a rectangle.
struct PixelCount {
    int matching = 0;
    int total = 0;
    POINT firstMatch{-1, -1};  // screen coordinates of the first matching pixel, row by row
};
PixelCount CountScreenPixels(const RECT& rect, const std::function<bool(COLORREF)>& predicate);
