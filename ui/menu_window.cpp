// The pop-up menu: opened by a button release on the readings, placed and slid up on a thread
// of its own so that the main window's messages keep flowing, closed when it loses activation.
#include "ui/menu_window.h"

#include "support/unique.h"
#include "ui/docking.h"
#include "ui/window_definitions.h"

std::atomic<COLORREF> menuNormalColour{0};
std::atomic<COLORREF> menuHoverColour{0};

using namespace MenuControls;

namespace {

constexpr const char* kLabels[] = {kSettingsEntry, kCloseEntry, kCredit};
constexpr int kSlideSteps = 10;
constexpr int kSlideStepPixels = 2;
constexpr int kSlideStepMs = 10;

struct MenuColours {
    COLORREF normal;
    COLORREF hover;
    COLORREF text;
};

MenuColours MenuColoursFor(int light) {
    if (light == 1) return {.normal = RGB(240, 240, 240), .hover = RGB(234, 234, 234), .text = 0x131315};
    return {.normal = RGB(50, 50, 50), .hover = RGB(61, 61, 61), .text = RGB(255, 255, 255)};
}

void Highlight(const char* entry, const char* other) {
    if (static_cast<COLORREF>(GetProperty(kMenuWindow, entry, Property::BackColour)) == menuHoverColour.load()) return;
    SetProperty(kMenuWindow, entry, Property::BackColour, static_cast<int>(menuHoverColour.load()));
    SetProperty(kMenuWindow, other, Property::BackColour, static_cast<int>(menuNormalColour.load()));
}

SlideStepHook g_slideStepHook = nullptr;

void RoundWindowCorners(HWND window, int cornerWidth, int cornerHeight) {
    RECT client{};
    GetClientRect(window, &client);
    UniqueRegion region(CreateRoundRectRgn(0, 0, client.right - client.left, client.bottom - client.top, cornerWidth,
                                           cornerHeight));
    // On success the window owns the region; on failure it is still ours to delete.
    if (region && SetWindowRgn(window, region.get(), TRUE)) region.release();
}

// Blocks the calling thread (no messages pumped); returns at once without a timer.
bool WaitMilliseconds(int milliseconds) {
    UniqueHandle timer(CreateWaitableTimerA(nullptr, FALSE, nullptr));
    if (!timer) return true;
    LARGE_INTEGER due;
    due.QuadPart = -static_cast<LONGLONG>(milliseconds) * 10000;  // relative, in 100 ns units
    if (SetWaitableTimer(timer.get(), &due, 0, nullptr, nullptr, FALSE)) WaitForSingleObject(timer.get(), INFINITE);
    return true;
}

void PlaceMenu() {
    RoundWindowCorners(GetWindowHandle(kMenuWindow), 10, 10);
    const int mainLeft = GetProperty(kMainWindow, kTheWindow, Property::Left);
    const int mainTop = GetProperty(kMainWindow, kTheWindow, Property::Top);
    const int menuHeight = GetProperty(kMenuWindow, kTheWindow, Property::Height);
    SetProperty(kMenuWindow, kTheWindow, Property::Left, mainLeft - 20);
    SetProperty(kMenuWindow, kTheWindow, Property::Top, mainTop - menuHeight + kSlideSteps * kSlideStepPixels);
}

void ColourAndShowMenu() {
    const MenuColours colours = MenuColoursFor(themeIsLight.load());
    menuNormalColour = colours.normal;
    menuHoverColour = colours.hover;
    for (const char* label : kLabels) SetProperty(kMenuWindow, label, Property::BackColour, static_cast<int>(colours.normal));
    for (const char* label : kLabels) SetProperty(kMenuWindow, label, Property::TextColour, static_cast<int>(colours.text));
    SetProperty(kMenuWindow, kTheWindow, Property::BackColour, static_cast<int>(colours.normal));
    SetProperty(kMenuWindow, kTheWindow, Property::Visible, 1);
    // The readings never take the activation, so the click left another program in front; the
    // menu may come forward (this process had the last input), and must, to learn by losing the
    // activation that the user clicked elsewhere.
    SetForegroundWindow(GetWindowHandle(kMenuWindow));
}

void RaiseMenuOneStep() {
    SetProperty(kMenuWindow, kTheWindow, Property::Top, GetProperty(kMenuWindow, kTheWindow, Property::Top) - kSlideStepPixels);
}

// The slide-in of the given menu window, on a thread of its own; harmless when the menu closes
// under it, and never touches a menu opened after it.
DWORD WINAPI AnimateMenuWindow(void* menuWindow) {
    const HWND menu = static_cast<HWND>(menuWindow);
    // Each step is one call on the menu's thread that first makes sure the menu is still this
    // one; the menu may be closed, and a fresh one opened, between any two steps.
    auto step = [menu](int number, void (*work)()) {
        if (g_slideStepHook) g_slideStepHook(number);
        return RunOnWindow(kMenuWindow, menu, work);
    };
    if (!step(0, &PlaceMenu) || !step(1, &ColourAndShowMenu)) return 0;
    for (int i = 0; i < kSlideSteps; ++i) {
        if (i > 0) WaitMilliseconds(kSlideStepMs);
        if (!step(2 + i, &RaiseMenuOneStep)) return 0;
    }
    return 0;
}

}  // namespace

// A click on the readings while the menu is open closes it and opens a fresh one: the readings
// take no activation, so that menu does not lose it and close by itself.
void OpenMenuWindow(int, int, int) {
    CloseWindow(kMenuWindow);
    OpenWindow(kMenuWindow);
}

void MenuWindowCreated() {
    // The slide is given this very window: one opened after it closes has a slide of its own.
    UniqueHandle thread(CreateThread(nullptr, 0, AnimateMenuWindow, GetWindowHandle(kMenuWindow), 0, nullptr));
}

void SetSlideStepHookForTesting(SlideStepHook hook) { g_slideStepHook = hook; }

void CloseMenuWindow() { CloseWindow(kMenuWindow); }

void ClearMenuHover(int, int, int) {
    SetProperty(kMenuWindow, kSettingsEntry, Property::BackColour, static_cast<int>(menuNormalColour.load()));
    SetProperty(kMenuWindow, kCloseEntry, Property::BackColour, static_cast<int>(menuNormalColour.load()));
}

void HoverSettingsEntry(int, int, int) { Highlight(kSettingsEntry, kCloseEntry); }
void HoverCloseEntry(int, int, int) { Highlight(kCloseEntry, kSettingsEntry); }

void OpenSettingsWindow(int, int, int) { OpenWindow(kSettingsWindow); }
