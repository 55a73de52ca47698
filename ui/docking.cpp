// Keeping the main window on the taskbar beside the notification area, in theme colours.
// It is re-placed every 20 ms rather than parented, so it follows the taskbar when the shell
// moves, resizes or recreates it.
#include "ui/docking.h"

#include "support/unique.h"
#include "ui/full_screen.h"
#include "ui/window_definitions.h"
#include "ui/window_model.h"

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

HWND FindTaskbar() { return FindWindowExA(nullptr, nullptr, "Shell_TrayWnd", ""); }

HWND NotificationAreaOf(HWND taskbar) {
    if (!taskbar) return nullptr;
    return FindWindowExA(taskbar, nullptr, "TrayNotifyWnd", "");
}

struct Taskbar {
    HWND window = nullptr;
    RECT notifyArea{};  // screen coordinates; all zeros without a taskbar
};

// The taskbar's monitor, asked of the system again only when the notification area has moved
// (the taskbar moved, changed size, or a display change moved it): monitor queries are the
// dear part of this tick.
RECT TaskbarMonitor(const Taskbar& taskbar) {
    static RECT lastArea{};
    static RECT lastMonitor{};
    if (EqualRect(&taskbar.notifyArea, &lastArea) && !IsRectEmpty(&lastMonitor)) return lastMonitor;
    // Without a taskbar the readings are off the screen anyway; the primary monitor stands in.
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoA(MonitorFromWindow(taskbar.window, MONITOR_DEFAULTTOPRIMARY), &monitor)) return RECT{};
    lastArea = taskbar.notifyArea;
    lastMonitor = monitor.rcMonitor;
    return lastMonitor;
}

// Read in the order the decision weighs them, and no further than the first that decides: in
// the usual case (a program with a title bar in front) three questions are asked every 20 ms.
ForegroundFacts ReadForegroundFacts(const Taskbar& taskbar) {
    ForegroundFacts facts;
    HWND front = GetForegroundWindow();
    if (!front || !IsWindowVisible(front)) return facts;
    facts.exists = true;
    facts.style = static_cast<DWORD>(GetWindowLongA(front, GWL_STYLE));
    if ((facts.style & WS_CAPTION) == WS_CAPTION) return facts;
    GetWindowRect(front, &facts.rect);
    facts.taskbarMonitor = TaskbarMonitor(taskbar);
    if (facts.rect.right - facts.rect.left < facts.taskbarMonitor.right - facts.taskbarMonitor.left) return facts;
    DWORD process = 0;
    GetWindowThreadProcessId(front, &process);
    facts.ours = process == GetCurrentProcessId();
    facts.desktop = front == GetDesktopWindow() || front == GetShellWindow();
    char className[256] = {};
    GetClassNameA(front, className, sizeof className);
    facts.className = className;
    return facts;
}

// While a full-screen program is in front the readings step back as the taskbar does: hidden,
// so that they neither cover it nor take its clicks, nor take the activation when it closes;
// and shown again, on top, without taking the focus from the program the user went back to.
bool StepBackForFullScreen(const Taskbar& taskbar) {
    static bool steppedBack = false;
    const bool fullScreen = FullScreenProgramInFront(ReadForegroundFacts(taskbar));
    if (fullScreen != steppedBack) SetVisibleQuietly(kMainWindow, !fullScreen);
    steppedBack = fullScreen;
    return fullScreen;
}

// The readings belong directly above the taskbar, not above everything over it: the menus, jump
// lists and tooltips the shell opens over the taskbar are topmost windows too, and readings that
// climbed over them would cover their entries and take their clicks. So the order is left alone
// while the readings are above the taskbar (most often the first window walked), and they are put
// back just above it, never higher, once it has been raised over them.
void KeepJustAboveTaskbar(const Taskbar& taskbar) {
    if (!taskbar.window || IsRectEmpty(&taskbar.notifyArea)) {
        SetProperty(kMainWindow, kTheWindow, Property::AlwaysOnTop, 1);
        return;
    }
    HWND readings = GetWindowHandle(kMainWindow);
    HWND aboveTaskbar = GetWindow(taskbar.window, GW_HWNDPREV);
    for (HWND above = aboveTaskbar; above; above = GetWindow(above, GW_HWNDPREV)) {
        if (above == readings) return;
    }
    // The window directly above the taskbar is topmost as the taskbar is; behind it the readings
    // stay topmost.
    SetWindowPos(readings, aboveTaskbar ? aboveTaskbar : HWND_TOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

}  // namespace

HWND FindNotificationArea() { return NotificationAreaOf(FindTaskbar()); }

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
    Taskbar taskbar;
    taskbar.window = FindTaskbar();
    taskbar.notifyArea = GetWindowScreenRect(NotificationAreaOf(taskbar.window));
    if (!StepBackForFullScreen(taskbar)) KeepJustAboveTaskbar(taskbar);
    // Between the strokes the readings take clicks over the taskbar only, never over a program
    // beside a taskbar narrower than they are.
    SetSurfaceBackdrop(kMainWindow, GetWindowScreenRect(taskbar.window));

    const RECT& area = taskbar.notifyArea;
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
