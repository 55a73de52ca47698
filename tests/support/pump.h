// Waiting in tests: messages are pumped while a condition is polled against a deadline.
#pragma once

#include <windows.h>

#include <concepts>
#include <functional>
#include <type_traits>
#include <vector>

// Pumps this thread's messages until the condition holds or the time is up; returns the condition.
bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs = 5000);
// Pumps messages for the given time.
void PumpFor(DWORD milliseconds);

// A wait that keeps the last value it read, so that a failed check can say what it saw.
template <typename T>
struct Polled {
    bool ok;
    T last;
};

// Reads until the value is accepted or the time is up: {accepted, the last value read}.
template <typename Read, typename Accept>
    requires std::predicate<Accept&, const std::invoke_result_t<Read&>&>
Polled<std::invoke_result_t<Read&>> PollUntil(Read read, Accept accept, DWORD timeoutMs = 5000) {
    std::invoke_result_t<Read&> last{};
    const bool ok = PumpUntil([&] { return accept(last = read()); }, timeoutMs);
    return {ok, last};
}

// Reads until the value equals the expected one or the time is up; returns the last value read,
// for EXPECT_EQ(PollUntil(read, expected, timeout), expected).
template <typename Read, typename Expected>
    requires(!std::predicate<Expected&, const std::invoke_result_t<Read&>&>)
std::invoke_result_t<Read&> PollUntil(Read read, const Expected& expected, DWORD timeoutMs = 5000) {
    return PollUntil(read, [&](const auto& value) { return value == expected; }, timeoutMs).last;
}

// Screen pixels (the X screen under Wine) inside a rectangle, row by row; none off the screen.
std::vector<COLORREF> ScreenPixels(const RECT& rect);
struct PixelCount {
    int matching = 0;
    int total = 0;
    POINT firstMatch{-1, -1};  // screen coordinates of the first matching pixel, row by row
};
PixelCount CountScreenPixels(const RECT& rect, const std::function<bool(COLORREF)>& predicate);
// How many of them are exactly this colour.
int CountScreenColour(const RECT& rect, COLORREF colour);
