// Brings the program to what the pictures script photographs, as a user would, and returns once
// it is on the screen and no longer changing:
//   ui_poke readings   docked beside the taskbar, with a CPU sample shown
//   ui_poke menu       the menu opened and slid into place above the readings
//   ui_poke settings   the settings window opened from the menu
// Exits 1 when that does not come about in time.
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/e2e/program_under_test.h"
#include "tests/support/pump.h"

namespace {

HWND Wait(const char* title, DWORD timeoutMs = 4000) {
    HWND window = nullptr;
    PumpUntil([&] { return (window = FindWindowA(nullptr, title)) != nullptr; }, timeoutMs);
    return window;
}

// Drawn (more than one colour) and the same in two looks a little apart: painting has finished.
bool Steady(HWND window) {
    const std::vector<COLORREF> before = ScreenPixels(WindowRect(window));
    Sleep(150);
    const std::vector<COLORREF> after = ScreenPixels(WindowRect(window));
    if (before.empty() || before != after) return false;
    for (COLORREF pixel : after) {
        if (pixel != after.front()) return true;
    }
    return false;
}

bool Docked(HWND main) {
    HWND taskbar = FindWindowExA(nullptr, nullptr, "Shell_TrayWnd", "");
    HWND area = taskbar ? FindWindowExA(taskbar, nullptr, "TrayNotifyWnd", nullptr) : nullptr;
    return area && TopRightOf(main) == TopLeftOf(area);
}

bool SampleShown(HWND main) {
    const std::string cpu = WindowTextOf(ControlOf(main, MainControl::kCpuField));
    return !cpu.empty() && cpu.back() == '%' && cpu != "1%";  // "1%" is the design text
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    HWND main = Wait(kMainTitle, 20000);
    if (!main) return 1;
    if (std::strcmp(argv[1], "readings") == 0) {
        return PumpUntil([&] {
            main = FindWindowA(nullptr, kMainTitle);  // afresh: an earlier copy may still be ending
            return main && Docked(main) && SampleShown(main) && Steady(main);
        }, 30000) ? 0 : 1;
    }
    PostMessageA(ControlOf(main, MainControl::kMouseLayer), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    // Found afresh on every look: a click while a menu is open closes that one and opens another.
    HWND menu = nullptr;
    auto inPlace = [&] {
        menu = FindWindowA(nullptr, kMenuTitle);
        return menu && IsWindowVisible(menu) && WindowRect(menu).bottom == WindowRect(main).top && Steady(menu);
    };
    if (!PumpUntil(inPlace, 4000)) return 1;
    if (std::strcmp(argv[1], "settings") != 0) return 0;
    PostMessageA(ControlOf(menu, MenuControl::kSettingsEntry), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    HWND settings = Wait(kSettingsTitle);
    return settings && PumpUntil([&] { return IsWindowVisible(settings) && Steady(settings); }, 4000) ? 0 : 1;
}
