// Keeping the main window on the taskbar beside the notification area, in theme colours.
// It is re-placed every 20 ms rather than parented, so it follows the taskbar when the shell
// moves, resizes or recreates it.
#include "ui/docking.h"

#include "support/unique.h"
#include "ui/window_model.h"
#include "ui/windows.h"

using namespace MainControls;

std::atomic<int> themeIsLight{0};

namespace {

// The taskbar follows the system mode, not the app mode: with Windows' default of a dark
// taskbar and light apps, the app mode would put dark text on a dark taskbar.
constexpr const char* kThemeKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
constexpr const char* kThemeValue = "SystemUsesLightTheme";

constexpr const char* kColouredControls[] = {
    kDownloadArrow, kUploadArrow, kDownloadField, kUploadField, kMemoryCaption, kMemoryField, kCpuCaption, kCpuField,
};

}  // namespace

HWND FindNotificationArea() {
    HWND taskbar = FindWindowExA(nullptr, nullptr, "Shell_TrayWnd", "");
    if (!taskbar) return nullptr;
    return FindWindowExA(taskbar, nullptr, "TrayNotifyWnd", "");
}

RECT GetWindowScreenRect(HWND window) {
    WINDOWINFO info{};
    info.cbSize = sizeof info;
    if (!window || !GetWindowInfo(window, &info)) return RECT{};
    return info.rcWindow;
}

int ThemeFromValue(bool found, DWORD type, DWORD value) { return found && type == REG_DWORD && value != 0 ? 1 : 0; }

int ReadThemeIsLight() {
    UniqueKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kThemeKey, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return 0;
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof value;
    const bool found =
        RegQueryValueExA(key.get(), kThemeValue, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) ==
            ERROR_SUCCESS && size == sizeof value;
    return ThemeFromValue(found, type, value);
}

void DockMainWindow() {
    SetProperty(kMainWindow, kTheWindow, Property::AlwaysOnTop, 1);

    const RECT area = GetWindowScreenRect(FindNotificationArea());
    const int left = area.left - GetProperty(kMainWindow, kTheWindow, Property::Width);
    if (GetProperty(kMainWindow, kTheWindow, Property::Left) != left) {
        SetProperty(kMainWindow, kTheWindow, Property::Left, left);
    }
    if (GetProperty(kMainWindow, kTheWindow, Property::Top) != area.top) {
        SetProperty(kMainWindow, kTheWindow, Property::Top, area.top);
    }

    const int light = ReadThemeIsLight();
    themeIsLight = light;
    const COLORREF colour = light ? kLightThemeText : kDarkThemeText;
    if (static_cast<COLORREF>(GetProperty(kMainWindow, kDownloadArrow, Property::TextColour)) != colour) {
        for (const char* control : kColouredControls) {
            SetProperty(kMainWindow, control, Property::TextColour, static_cast<int>(colour));
        }
    }
}
