// The full-screen decision: plain values in, a yes or no out.
#include "ui/full_screen.h"

#include <string_view>

namespace {

// The shell's own windows fill the screen too (the desktop behind everything, the taskbar), and
// are in front whenever the user clicks them.
constexpr std::string_view kShellClasses[] = {"Progman", "WorkerW", "Shell_TrayWnd", "Shell_SecondaryTrayWnd", "#32769"};

bool Covers(const RECT& outer, const RECT& inner) {
    return outer.left <= inner.left && outer.top <= inner.top && outer.right >= inner.right &&
           outer.bottom >= inner.bottom;
}

}  // namespace

bool FullScreenProgramInFront(const ForegroundFacts& foreground) {
    if (!foreground.exists) return false;
    // A captioned window over the monitor is a maximised one: with an auto-hiding taskbar the
    // taskbar slides up over it when asked, and the readings must come with it.
    if ((foreground.style & WS_CAPTION) == WS_CAPTION) return false;
    // Covering the taskbar's monitor wholly also means being on it: one full screen on another
    // monitor leaves this one's taskbar in view.
    const RECT& monitor = foreground.taskbarMonitor;
    if (monitor.right <= monitor.left || monitor.bottom <= monitor.top) return false;
    if (!Covers(foreground.rect, monitor)) return false;
    if (foreground.ours || foreground.desktop) return false;
    for (std::string_view shellClass : kShellClasses) {
        if (foreground.className == shellClass) return false;
    }
    return true;
}
