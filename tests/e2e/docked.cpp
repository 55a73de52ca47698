// The running program docked beside a taskbar stand-in, and windows of the test's own in front.
#include "tests/e2e/docked.h"

#include "tests/support/pump.h"

UniqueWindow FrontWindow(DWORD style, DWORD exStyle, const RECT& rect, int show) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    windowClass.lpszClassName = "KestruneTestFrontWindow";
    RegisterClassA(&windowClass);  // fails harmlessly once registered
    UniqueWindow window(CreateWindowExA(exStyle, windowClass.lpszClassName, "front", style, rect.left, rect.top,
                                        rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr,
                                        GetModuleHandleA(nullptr), nullptr));
    ShowWindow(window.get(), show);
    SetForegroundWindow(window.get());
    return window;
}

bool IsAbove(HWND upper, HWND lower) {
    for (HWND above = GetWindow(lower, GW_HWNDPREV); above; above = GetWindow(above, GW_HWNDPREV)) {
        if (above == upper) return true;
    }
    return false;
}

void DockedReadings::SetUp() {
    ProgramTest::SetUp();
    Start();
    if (HasFatalFailure()) return;
    ASSERT_EQ(CornerOnceDocked(main_), DockCorner());
    ASSERT_TRUE(PumpUntil([&] {
        text_ = CountScreenPixels(MainRect(), [](COLORREF c) { return c == RGB(255, 255, 255); }).firstMatch;
        return text_.x >= 0;
    }, 3000)) << "no drawn text pixel of the docked readings";
}

bool DockedReadings::BackOnTop() const {
    return IsWindowVisible(main_) && TopRightOf(main_) == DockCorner() && RootAtText() == main_ &&
           GetForegroundWindow() != main_;
}
