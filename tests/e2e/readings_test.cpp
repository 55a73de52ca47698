// The running program beside a taskbar stand-in: docking, switches and layout, live readings, theme.
#include <gtest/gtest.h>

#include <regex>

#include "support/unique.h"
#include "tests/e2e/program_test.h"
#include "tests/support/pump.h"
#include "tools/taskbar_standin.h"

namespace {

using namespace MainControl;

class RunningProgram : public ProgramTest {
protected:
    RECT MainRect() const { return WindowRect(main_); }
};

TEST_F(RunningProgram, DocksBesideTheNotificationAreaAndFollowsIt) {
    Start();
    HWND area = NotifyAreaOf(taskbar_.get());
    EXPECT_EQ(CornerOnceDocked(main_), DockCorner());
    EXPECT_EQ(MainRect().bottom - MainRect().top, 50) << "the height stays the design height";

    // The taskbar grows taller and moves up; then the notification area widens.
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    SetWindowPos(taskbar_.get(), nullptr, 0, screenHeight - 60, screenWidth, 60, SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(CornerOnceDocked(main_), DockCorner()) << "after the taskbar moved";
    SetWindowPos(area, nullptr, screenWidth - 320, 0, 320, 60, SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(CornerOnceDocked(main_), DockCorner()) << "after the notification area grew";
}

TEST_F(RunningProgram, LeavesTheScreenWithoutATaskbarAndComesBackWithANewOne) {
    Start();
    ASSERT_EQ(CornerOnceDocked(main_), DockCorner());
    for (int restart = 0; restart < 3; ++restart) {
        taskbar_.reset();  // the shell is gone
        const Corner offScreen{-70, 0};
        EXPECT_EQ(PollUntil([&] { return TopLeftOf(main_); }, offScreen, 2000), offScreen) << "restart " << restart;
        taskbar_.reset(CreateTaskbarStandIn(BottomTaskbar(kDarkTaskbarColour)));
        EXPECT_EQ(CornerOnceDocked(main_), DockCorner()) << "restart " << restart;
    }
}

TEST_F(RunningProgram, WidthAndColumnsFollowTheSwitches) {
    struct Case { const char* cpu; const char* memory; int width, cpuLeft, memoryLeft, arrowsLeft, speedsLeft; };
    const Case cases[] = {
        {nullptr, nullptr, 70, -100, -100, 0, 12},
        {"", "1", 100, -100, 0, 30, 42},
        {"1", "", 100, 0, -100, 30, 42},
        {"1", "0", 130, 0, 30, 60, 72},  // any text is on, "0" too
    };
    for (const Case& c : cases) {
        const std::string label = std::string("cpu=") + (c.cpu ? c.cpu : "(none)") + " memory=" + (c.memory ? c.memory : "(none)");
        WriteConfig(c.cpu, c.memory);
        ProgramUnderTest program;
        HWND main = StartAndWaitForMain(program);
        ASSERT_NE(main, nullptr) << label;
        // Measured once docked: a child's place read while the window moves mixes two positions.
        EXPECT_EQ(CornerOnceDocked(main), DockCorner()) << label;
        EXPECT_EQ(WindowWidth(main), c.width) << label;
        EXPECT_EQ(ChildRect(ControlOf(main, kCpuLabel)).left, c.cpuLeft) << label;
        EXPECT_EQ(ChildRect(ControlOf(main, kCpuField)).left, c.cpuLeft) << label;
        EXPECT_EQ(ChildRect(ControlOf(main, kMemoryLabel)).left, c.memoryLeft) << label;
        EXPECT_EQ(ChildRect(ControlOf(main, kMemoryField)).left, c.memoryLeft) << label;
        EXPECT_EQ(ChildRect(ControlOf(main, kUploadArrow)).left, c.arrowsLeft) << label;
        EXPECT_EQ(ChildRect(ControlOf(main, kDownloadArrow)).left, c.arrowsLeft) << label;
        EXPECT_EQ(ChildRect(ControlOf(main, kUploadField)).left, c.speedsLeft) << label;
        EXPECT_EQ(ChildRect(ControlOf(main, kDownloadField)).left, c.speedsLeft) << label;
        const RECT layer = ChildRect(ControlOf(main, kMouseLayer));
        EXPECT_EQ(layer.left, 0) << label;
        EXPECT_EQ(layer.right - layer.left, c.width) << label;
    }
}

TEST_F(RunningProgram, SpeedFieldsShowSpeedTexts) {
    Start();
    const std::regex speed(R"(\d+\.\dK/s|\d+(\.\d)?M/s|0K/s)");
    const auto [shown, texts] = PollUntil(
        [&] { return std::pair(WindowTextOf(ControlOf(main_, kUploadField)), WindowTextOf(ControlOf(main_, kDownloadField))); },
        [](const auto& both) { return !both.first.empty() && !both.second.empty(); }, 3000);
    EXPECT_TRUE(shown) << "upload \"" << texts.first << "\", download \"" << texts.second << "\"";
    const auto& [upload, download] = texts;
    EXPECT_TRUE(std::regex_match(upload, speed)) << upload;
    EXPECT_TRUE(std::regex_match(download, speed)) << download;
}

TEST_F(RunningProgram, MemoryFieldShowsTheLoadOnlyWhileItsSwitchIsOn) {
    WriteConfig(nullptr, "1");
    Start();
    const auto [changed, text] = PollUntil([&] { return WindowTextOf(ControlOf(main_, kMemoryField)); },
                                           [](const std::string& shown) { return shown != "10%"; }, 3000);
    EXPECT_TRUE(changed) << "still the design text " << text;
    std::smatch load;
    ASSERT_TRUE(std::regex_match(text, load, std::regex(R"((\d{1,3})%)"))) << text;
    MEMORYSTATUS status{};
    status.dwLength = sizeof status;
    GlobalMemoryStatus(&status);
    EXPECT_NEAR(std::stoi(load[1]), static_cast<int>(status.dwMemoryLoad), 10);

    // Switched off by hand: the field keeps its last text.
    WriteConfig(nullptr, "");
    PumpFor(100);
    const std::string last = WindowTextOf(ControlOf(main_, kMemoryField));
    PumpFor(2200);
    EXPECT_EQ(WindowTextOf(ControlOf(main_, kMemoryField)), last);
}

TEST_F(RunningProgram, MemoryFieldIsLeftAloneWhileItsSwitchIsOff) {
    Start();
    PumpFor(2200);  // two refresh ticks
    EXPECT_EQ(WindowTextOf(ControlOf(main_, kMemoryField)), "10%");
    EXPECT_EQ(WindowTextOf(ControlOf(main_, kCpuField)), "1%");
}

TEST_F(RunningProgram, TextTakesTheColourOfTheWindowsMode) {
    SetSystemTheme(0);
    Start();
    constexpr COLORREF kWhite = RGB(255, 255, 255);
    constexpr COLORREF kDarkText = RGB(21, 19, 19);
    // (white, dark text) pixels over the readings
    auto textPixels = [&] { return std::pair(CountScreenColour(WindowRect(main_), kWhite), CountScreenColour(WindowRect(main_), kDarkText)); };
    auto onlyWhite = [](const std::pair<int, int>& seen) { return seen.first > 10 && seen.second == 0; };
    auto onlyDark = [](const std::pair<int, int>& seen) { return seen.second > 10 && seen.first == 0; };
    const auto dark = PollUntil(textPixels, onlyWhite, 3000);
    EXPECT_TRUE(dark.ok) << "white, dark text: " << testing::PrintToString(dark.last);

    SetSystemTheme(1);
    const auto light = PollUntil(textPixels, onlyDark, 1000);
    EXPECT_TRUE(light.ok) << "white, dark text: " << testing::PrintToString(light.last);
    SetSystemTheme(0);
    const auto darkAgain = PollUntil(textPixels, onlyWhite, 1000);
    EXPECT_TRUE(darkAgain.ok) << "white, dark text: " << testing::PrintToString(darkAgain.last);
}

}  // namespace

namespace {

// A window of the test's own in front of everything, as a game, a film or a captioned program.
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

class DockedReadings : public RunningProgram {
protected:
    void SetUp() override {
        RunningProgram::SetUp();
        Start();
        // A drawn pixel of the readings' white text, where a click would reach them.
        ASSERT_EQ(CornerOnceDocked(main_), DockCorner());
        ASSERT_TRUE(PumpUntil([&] {
            text_ = CountScreenPixels(MainRect(), [](COLORREF c) { return c == RGB(255, 255, 255); }).firstMatch;
            return text_.x >= 0;
        }, 3000)) << "no drawn text pixel of the docked readings";
    }
    HWND RootAtText() const { return GetAncestor(WindowFromPoint(text_), GA_ROOT); }
    // The readings are shown, docked, over the taskbar at their text, and not the foreground.
    bool BackOnTop() const {
        return IsWindowVisible(main_) && TopRightOf(main_) == DockCorner() && RootAtText() == main_ &&
               GetForegroundWindow() != main_;
    }

    POINT text_{-1, -1};
};

TEST_F(DockedReadings, StepBackWhileAFullScreenProgramIsInFrontAndReturnWithoutTheFocus) {
    const RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    struct Case { const char* what; bool topmost; };
    for (const Case& c : {Case{"topmost", true}, Case{"not topmost, the taskbar put under it", false}}) {
        UniqueWindow front = FrontWindow(WS_POPUP, c.topmost ? WS_EX_TOPMOST : 0, screen, SW_SHOW);
        // As the shell does, for as long as the program is in front: the taskbar leaves the
        // topmost band and stays behind the program (under Wine it was raised again when the
        // readings hid, so the stand-in keeps putting it back, as the shell would).
        auto taskbarBehind = [&] {
            if (c.topmost) return;
            SetWindowPos(taskbar_.get(), HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            SetWindowPos(taskbar_.get(), front.get(), 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        };
        taskbarBehind();
        ASSERT_EQ(GetForegroundWindow(), front.get()) << c.what;
        EXPECT_TRUE(PumpUntil([&] { taskbarBehind(); return RootAtText() == front.get(); }, 500))
            << c.what << ": at the readings' text lies " << RootAtText() << ", the program is " << front.get()
            << ", the readings " << main_ << (IsWindowVisible(main_) ? " (shown)" : " (hidden)") << ", the taskbar "
            << taskbar_.get() << ", the foreground " << GetForegroundWindow();
        for (int i = 0; i < 6; ++i) {
            PumpFor(50);
            taskbarBehind();
        }
        EXPECT_EQ(RootAtText(), front.get()) << c.what << ": the readings came back over the program";
        EXPECT_FALSE(IsWindowVisible(main_)) << c.what << ": hidden, so they take no click and no activation";

        front.reset();
        SetWindowPos(taskbar_.get(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        EXPECT_TRUE(PumpUntil([&] { return BackOnTop(); }, 500))
            << c.what << ": visible " << IsWindowVisible(main_) << ", at the text " << RootAtText()
            << ", foreground " << GetForegroundWindow() << ", readings " << main_;
    }
}

TEST_F(DockedReadings, StayOnTopOfAMaximisedWindowWithATitleBar) {
    UniqueWindow front = FrontWindow(WS_OVERLAPPEDWINDOW, 0, {0, 0, 640, 480}, SW_MAXIMIZE);
    ASSERT_EQ(GetForegroundWindow(), front.get());
    PumpFor(500);
    EXPECT_TRUE(IsWindowVisible(main_));
    EXPECT_EQ(RootAtText(), main_) << "at the readings' text lies " << RootAtText();
}

TEST_F(DockedReadings, ClimbBackOverATaskbarRaisedAboveThem) {
    SetWindowPos(taskbar_.get(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_TRUE(PumpUntil([&] { return RootAtText() == main_; }, 500)) << "at the readings' text lies " << RootAtText()
                                                                       << ", the taskbar is " << taskbar_.get();
}

}  // namespace
