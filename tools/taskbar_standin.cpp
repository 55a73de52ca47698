// A stand-in for the shell's taskbar, shared by the tests and the demo.
#include "tools/taskbar_standin.h"

namespace {

LRESULT CALLBACK StandInProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ERASEBKGND) {
        RECT client;
        GetClientRect(hwnd, &client);
        HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(GetWindowLongPtrA(hwnd, GWLP_USERDATA)));
        FillRect(reinterpret_cast<HDC>(wParam), &client, brush);
        DeleteObject(brush);
        return 1;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

void RegisterStandInClass(const char* name) {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = StandInProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    windowClass.lpszClassName = name;
    RegisterClassExA(&windowClass);  // a second registration fails harmlessly
}

}  // namespace

TaskbarPlacement BottomTaskbar(COLORREF colour) {
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    return {{0, height - 40, width, height}, {width - 200, 0, width, 40}, colour};
}

namespace {

// The notification area a shade apart, so that a screenshot shows where it is.
COLORREF NotifyAreaColour(COLORREF c) { return RGB(GetRValue(c) ^ 0x10, GetGValue(c) ^ 0x10, GetBValue(c) ^ 0x10); }

}  // namespace

HWND CreateTaskbarStandIn(const TaskbarPlacement& placement) {
    RegisterStandInClass("Shell_TrayWnd");
    RegisterStandInClass("TrayNotifyWnd");
    const RECT& bar = placement.taskbar;
    HWND taskbar = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "Shell_TrayWnd", "", WS_POPUP, bar.left, bar.top,
                                   bar.right - bar.left, bar.bottom - bar.top, nullptr, nullptr,
                                   GetModuleHandleA(nullptr), nullptr);
    if (!taskbar) return nullptr;
    SetWindowLongPtrA(taskbar, GWLP_USERDATA, static_cast<LONG_PTR>(placement.colour));
    const RECT& area = placement.notifyArea;
    HWND notify = CreateWindowExA(0, "TrayNotifyWnd", "", WS_CHILD | WS_VISIBLE, area.left, area.top,
                                  area.right - area.left, area.bottom - area.top, taskbar, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    SetWindowLongPtrA(notify, GWLP_USERDATA, static_cast<LONG_PTR>(NotifyAreaColour(placement.colour)));
    ShowWindow(taskbar, SW_SHOWNOACTIVATE);
    UpdateWindow(taskbar);
    return taskbar;
}

void RepaintTaskbarStandIn(HWND taskbar, COLORREF colour) {
    SetWindowLongPtrA(taskbar, GWLP_USERDATA, static_cast<LONG_PTR>(colour));
    SetWindowLongPtrA(NotifyAreaOf(taskbar), GWLP_USERDATA, static_cast<LONG_PTR>(NotifyAreaColour(colour)));
    RedrawWindow(taskbar, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

HWND NotifyAreaOf(HWND taskbar) { return FindWindowExA(taskbar, nullptr, "TrayNotifyWnd", ""); }
