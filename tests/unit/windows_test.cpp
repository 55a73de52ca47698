// The program's own window definitions, opened in process through the model.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>

#include "settings/config.h"
#include "support/unique.h"
#include "tests/support/pump.h"
#include "tests/unit/program_windows.h"
#include "tools/taskbar_standin.h"
#include "ui/menu_window.h"
#include "ui/window_definitions.h"

using namespace MainControls;
using namespace MenuControls;
using namespace SettingsControls;

namespace {

bool NamesAControl(const WindowDefinition& window, const char* name) {
    for (const ControlDefinition& control : window.controls) {
        if (std::strcmp(control.name, name) == 0) return true;
    }
    return false;
}

TEST(WindowDefinitions, EveryBindingNamesAControlOfItsWindow) {
    for (const WindowDefinition* window : kProgramWindows) {
        for (const EventBinding& binding : window->events) {
            if (binding.source) {
                EXPECT_TRUE(NamesAControl(*window, binding.source)) << binding.source;
            }
            EXPECT_TRUE(binding.handler || binding.mouseHandler);
        }
    }
}

TEST(WindowDefinitions, MainWindowHasItsTwelveControlsAndThreeTimers) {
    const char* const names[] = {"时钟3", "CPU标签", "CPU占用编辑框", "内存标签", "内存编辑框", "透明标签3",
                                 "下行编辑框", "上行编辑框", "时钟2", "下行标签", "上行标签", "时钟1"};
    ASSERT_EQ(kMainWindow.controls.size(), std::size(names));
    for (std::size_t i = 0; i < std::size(names); ++i) EXPECT_STREQ(kMainWindow.controls[i].name, names[i]);
    EXPECT_EQ(kMainWindow.controls[0].period, 0);
    EXPECT_EQ(kMainWindow.controls[8].period, 1000);
    EXPECT_EQ(kMainWindow.controls[11].period, 20);
    EXPECT_STREQ(kMainWindow.title, "任务栏Kestrune");
    EXPECT_EQ(kMainWindow.background, RGB(255, 168, 255));
}

// The controls keep the program's own names, whatever the code calls the constants that carry them.
TEST(WindowDefinitions, EachNameConstantCarriesTheProgramsOwnName) {
    struct Case { const WindowDefinition* window; const char* constant; const char* name; };
    const Case cases[] = {
        {&kMainWindow, kCpuTimer, "时钟3"},           {&kMainWindow, kRefreshTimer, "时钟2"},
        {&kMainWindow, kDockingTimer, "时钟1"},       {&kMainWindow, kCpuCaption, "CPU标签"},
        {&kMainWindow, kCpuField, "CPU占用编辑框"},   {&kMainWindow, kMemoryCaption, "内存标签"},
        {&kMainWindow, kMemoryField, "内存编辑框"},   {&kMainWindow, kMouseLayer, "透明标签3"},
        {&kMainWindow, kUploadField, "上行编辑框"},   {&kMainWindow, kDownloadField, "下行编辑框"},
        {&kMainWindow, kUploadArrow, "上行标签"},     {&kMainWindow, kDownloadArrow, "下行标签"},
        {&kMenuWindow, kSettingsEntry, "标签1"},      {&kMenuWindow, kCloseEntry, "标签2"},
        {&kMenuWindow, kCredit, "标签3"},             {&kSettingsWindow, kCpuBox, "选择框1"},
        {&kSettingsWindow, kMemoryBox, "选择框2"},    {&kSettingsWindow, kStartupBox, "选择框4"},
    };
    for (const Case& c : cases) {
        EXPECT_STREQ(c.constant, c.name);
        EXPECT_TRUE(NamesAControl(*c.window, c.name)) << c.name << " in " << c.window->title;
    }
}

class ProgramWindows : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteFileA(kConfigPath);  // the switches off, as a first start finds them
        CreateHiddenOwnerWindow();
        ResetProgramWindowMisses();
    }
    void TearDown() override {
        for (const WindowDefinition* window : {&kMenuWindow, &kSettingsWindow}) {
            CloseWindow(*window);
            PumpUntil([&] { return !IsWindowOpen(*window); });
        }
        ExpectNoControlNameMissed();
    }
};

struct ExpectedControl { const char* name; int left, top, width, height; const char* text; };

void ExpectControls(const WindowDefinition& window, std::initializer_list<ExpectedControl> controls) {
    for (const ExpectedControl& c : controls) {
        EXPECT_EQ(GetProperty(window, c.name, Property::Left), c.left) << c.name;
        EXPECT_EQ(GetProperty(window, c.name, Property::Top), c.top) << c.name;
        EXPECT_EQ(GetProperty(window, c.name, Property::Width), c.width) << c.name;
        EXPECT_EQ(GetProperty(window, c.name, Property::Height), c.height) << c.name;
        EXPECT_EQ(GetText(window, c.name), c.text) << c.name;
    }
}

TEST_F(ProgramWindows, MenuWindowOpensHiddenOwnedAndWithItsEntries) {
    ASSERT_TRUE(OpenWindow(kMenuWindow));
    HWND menu = GetWindowHandle(kMenuWindow);
    EXPECT_FALSE(IsWindowVisible(menu)) << "its animation shows it";
    EXPECT_EQ(GetText(kMenuWindow, kTheWindow), "菜单");
    EXPECT_EQ(GetProperty(kMenuWindow, kTheWindow, Property::Width), 140);
    EXPECT_EQ(GetProperty(kMenuWindow, kTheWindow, Property::Height), 110);
    EXPECT_EQ(GetWindow(menu, GW_OWNER), HiddenOwnerWindow());
    EXPECT_FALSE(GetWindowLongA(menu, GWL_STYLE) & WS_CAPTION);
    ExpectControls(kMenuWindow, {
        {kCredit, 16, 8, 112, 24, "Quistrel（Velunor）"},
        {kCloseEntry, 10, 64, 120, 32, "   关闭"},
        {kSettingsEntry, 10, 34, 120, 32, "   设置"},
    });
}

// The slide thread is held between two of its steps while the menu is closed and a fresh one
// opened and slid out in full; let go, the old slide must leave the fresh menu alone.
std::atomic<int> g_holdSlideAtStep{-1};
HANDLE g_slideHeld = nullptr;
HANDLE g_slideMayGoOn = nullptr;

void HoldTheFirstSlideOnce(int step) {
    int expected = step;
    if (!g_holdSlideAtStep.compare_exchange_strong(expected, -1)) return;
    SetEvent(g_slideHeld);
    WaitForSingleObject(g_slideMayGoOn, 10000);
}

TEST_F(ProgramWindows, AnOldSlideNeverTouchesAMenuReopenedBetweenItsSteps) {
    struct Case { int holdAt; const char* where; };
    const Case cases[] = {{1, "after placing, before showing"}, {4, "between two rises"}};
    // The menu slides out above the docked readings; one slid off the screen would lose activation.
    UniqueWindow taskbar(CreateTaskbarStandIn(BottomTaskbar(kDarkTaskbarColour)));
    ASSERT_TRUE(OpenWindow(kMainWindow));
    PumpFor(200);
    const int mainLeft = GetProperty(kMainWindow, kTheWindow, Property::Left);
    const int mainTop = GetProperty(kMainWindow, kTheWindow, Property::Top);
    for (const Case& c : cases) {
        UniqueHandle held(CreateEventA(nullptr, TRUE, FALSE, nullptr));
        UniqueHandle mayGoOn(CreateEventA(nullptr, TRUE, FALSE, nullptr));
        g_slideHeld = held.get();
        g_slideMayGoOn = mayGoOn.get();
        g_holdSlideAtStep = c.holdAt;
        SetSlideStepHookForTesting(&HoldTheFirstSlideOnce);

        ASSERT_TRUE(OpenWindow(kMenuWindow));
        ASSERT_TRUE(PumpUntil([&] { return WaitForSingleObject(held.get(), 0) == WAIT_OBJECT_0; })) << c.where;
        CloseWindow(kMenuWindow);
        ASSERT_TRUE(PumpUntil([] { return !IsWindowOpen(kMenuWindow); })) << c.where;
        ASSERT_TRUE(OpenWindow(kMenuWindow));
        const int slidOut = mainTop - GetProperty(kMenuWindow, kTheWindow, Property::Height);
        auto slidOutAndShown = [&] {
            return GetProperty(kMenuWindow, kTheWindow, Property::Top) == slidOut &&
                   GetProperty(kMenuWindow, kTheWindow, Property::Visible) != 0;
        };
        EXPECT_TRUE(PumpUntil(slidOutAndShown)) << c.where;

        SetEvent(mayGoOn.get());
        PumpFor(300);  // time enough for every remaining step of the old slide
        EXPECT_EQ(GetProperty(kMenuWindow, kTheWindow, Property::Top), slidOut) << c.where;
        EXPECT_EQ(GetProperty(kMenuWindow, kTheWindow, Property::Left), mainLeft - 20) << c.where;
        SetSlideStepHookForTesting(nullptr);
        CloseWindow(kMenuWindow);
        PumpUntil([] { return !IsWindowOpen(kMenuWindow); });
    }
    CloseWindow(kMainWindow);
    PumpUntil([] { return !IsWindowOpen(kMainWindow); });
}

// Text on the main window's surface is drawn without antialiasing (the speed fields in the stock
// font's own face and size), so that it sorts from the background by colour; the menu and
// settings windows keep normal quality.
TEST_F(ProgramWindows, FontsAreAliasedOnTheReadingsOnlyAndKeepTheirFaceAndSize) {
    LOGFONTA stock{};
    ASSERT_TRUE(GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof stock, &stock));
    struct Case { const WindowDefinition* window; BYTE quality; };
    const Case cases[] = {{&kMainWindow, NONANTIALIASED_QUALITY}, {&kMenuWindow, DEFAULT_QUALITY},
                          {&kSettingsWindow, DEFAULT_QUALITY}};
    for (const Case& c : cases) {
        ASSERT_TRUE(OpenWindow(*c.window)) << c.window->title;
        int fonts = 0;
        for (const ControlDefinition& control : c.window->controls) {
            if (control.kind == ControlKind::Timer) continue;
            const auto font =
                reinterpret_cast<HFONT>(SendMessageA(GetControlHandle(*c.window, control.name), WM_GETFONT, 0, 0));
            LOGFONTA logical{};
            ASSERT_TRUE(GetObjectA(font, sizeof logical, &logical)) << control.name;
            ++fonts;
            EXPECT_EQ(logical.lfQuality, c.quality) << control.name;
            if (control.font.IsDefault()) {
                EXPECT_EQ(logical.lfHeight, stock.lfHeight) << control.name;
                EXPECT_EQ(logical.lfWeight, stock.lfWeight) << control.name;
                EXPECT_STREQ(logical.lfFaceName, stock.lfFaceName) << control.name;
            } else {
                EXPECT_EQ(logical.lfHeight, control.font.height) << control.name;
                EXPECT_EQ(logical.lfWeight, control.font.weight) << control.name;
            }
        }
        EXPECT_GT(fonts, 0) << c.window->title;
        CloseWindow(*c.window);
        PumpUntil([&] { return !IsWindowOpen(*c.window); });
    }
}

TEST_F(ProgramWindows, SettingsWindowOpensWithItsThreeBoxesAndATaskbarButton) {
    ASSERT_TRUE(OpenWindow(kSettingsWindow));
    HWND settings = GetWindowHandle(kSettingsWindow);
    EXPECT_TRUE(IsWindowVisible(settings));
    EXPECT_EQ(GetText(kSettingsWindow, kTheWindow), "Kestrune设置");
    EXPECT_EQ(GetWindow(settings, GW_OWNER), nullptr);
    const LONG style = GetWindowLongA(settings, GWL_STYLE);
    EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    EXPECT_EQ(GetProperty(kSettingsWindow, kTheWindow, Property::Width), 290);
    EXPECT_EQ(GetProperty(kSettingsWindow, kTheWindow, Property::Height), 138);
    EXPECT_EQ(GetProperty(kSettingsWindow, kTheWindow, Property::BackColour), static_cast<int>(RGB(236, 236, 236)));
    ExpectControls(kSettingsWindow, {
        {kCpuBox, 88, 8, 120, 24, "显示CPU信息"},
        {kMemoryBox, 88, 32, 120, 24, "显示内存信息"},
        {kStartupBox, 88, 80, 120, 24, "开机启动"},
    });
    for (const char* box : {kCpuBox, kMemoryBox, kStartupBox}) {
        EXPECT_EQ(GetProperty(kSettingsWindow, box, Property::Checked), 0) << box;
    }

    ASSERT_TRUE(OpenWindow(kSettingsWindow));
    EXPECT_EQ(GetWindowHandle(kSettingsWindow), settings) << "one settings window at most";
}

}  // namespace
