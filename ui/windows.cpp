// Window definitions and their event tables, as data.
#include "ui/windows.h"

#include "app/lifecycle.h"
#include "readings/cpu_load.h"
#include "readings/refresh.h"
#include "settings/settings_window.h"
#include "ui/docking.h"
#include "ui/menu_window.h"

namespace {

constexpr FontSpec kCaptionFont{-14, 400, ""};
constexpr FontSpec kSmallFont{-12, 400, ""};
constexpr FontSpec kSongFont{-12, 400, "宋体"};
constexpr FontSpec kArrowFont{-12, 700, ""};

// Creation order matters: it is the order of the table.
constexpr ControlDefinition kMainControls[] = {
    //         name             left  top  width height  text     alignment      font
    Timer     ("时钟3", 0),
    TransLabel("CPU标签",       -100,   7,   30,   20,  "CPU",   Align::Centre, kCaptionFont),
    EditBox   ("CPU占用编辑框", -100,  24,   30,   20,  "1%",    Align::Centre, kSmallFont, kTransparentColour),
    TransLabel("内存标签",        64,   7,   30,   20,  "内存",  Align::Centre, kSmallFont),
    EditBox   ("内存编辑框",     160,  24,   30,   20,  "10%",   Align::Centre, kSongFont, kTransparentColour),
    TransLabel("透明标签3",       72,   0,  500,  200,  "",      Align::Left,   kDefaultGuiFont),
    EditBox   ("下行编辑框",      16,  24,   50,   20,  "",      Align::Left,   kDefaultGuiFont, kTransparentColour),
    EditBox   ("上行编辑框",      16,   7,   50,   20,  "",      Align::Left,   kDefaultGuiFont, kTransparentColour),
    Timer     ("时钟2", 1000),
    TransLabel("下行标签",         0,  24,   20,   20,  "↓",     Align::Left,   kArrowFont),
    TransLabel("上行标签",         0,   8,   20,   20,  "↑",     Align::Left,   kArrowFont),
    Timer     ("时钟1", 20),
};

constexpr EventBinding kMainEvents[] = {
    {kTheWindow,  Event::Created,       &MainWindowCreated},
    {kTheWindow,  Event::Resized,       &ApplyReadingLayout},
    {"时钟1",     Event::Tick,          &DockMainWindow},
    {"时钟2",     Event::Tick,          &RefreshTick},
    {"时钟3",     Event::Tick,          &SampleCpuLoad},
    {"透明标签3", Event::LeftButtonUp,  &OpenMenuWindow},
    {"透明标签3", Event::RightButtonUp, &OpenMenuWindow},
};

constexpr ControlDefinition kMenuControls[] = {
    //    name     left top width height text
    Label("标签3",  16,  8, 112,  24,   "Quistrel（Velunor）"),
    Label("标签2",  10, 64, 120,  32,   "   关闭"),
    Label("标签1",  10, 34, 120,  32,   "   设置"),
};

constexpr EventBinding kMenuEvents[] = {
    {kTheWindow, Event::Created,      &MenuWindowCreated},
    {kTheWindow, Event::Deactivated,  &CloseMenuWindow},
    {kTheWindow, Event::MouseMove,    &ClearMenuHover},
    {"标签1",    Event::MouseMove,    &HoverSettingsEntry},
    {"标签1",    Event::LeftButtonUp, &OpenSettingsWindow},
    {"标签2",    Event::MouseMove,    &HoverCloseEntry},
    {"标签2",    Event::LeftButtonUp, &CloseEntryClicked},
};

constexpr COLORREF kSettingsBackground = RGB(236, 236, 236);

constexpr ControlDefinition kSettingsControls[] = {
    //       name      left top width height text
    CheckBox("选择框4", 88, 80, 120,  24,   "开机启动",     kSettingsBackground),
    CheckBox("选择框2", 88, 32, 120,  24,   "显示内存信息", kSettingsBackground),
    CheckBox("选择框1", 88,  8, 120,  24,   "显示CPU信息",  kSettingsBackground),
};

constexpr EventBinding kSettingsEvents[] = {
    {kTheWindow, Event::Created, &SettingsWindowCreated},
    {"选择框1",  Event::Clicked, &CpuSwitchClicked},
    {"选择框2",  Event::Clicked, &MemorySwitchClicked},
    {"选择框4",  Event::Clicked, &StartupSwitchClicked},
};

}  // namespace

// title, border, background, system menu, minimise, maximise, taskbar button, on top, visible,
// left, top, width, height, controls, events, close request, text over a colour key
// Closing the main window ends the program: an invisible copy left behind would stop every later start.
const WindowDefinition kMainWindow{
    "任务栏Kestrune", 0, kTransparentColour, false, false, false, false, true, true,
    50, 50, 70, 50, kMainControls, kMainEvents, &MainWindowCloseRequested, true};

const WindowDefinition kMenuWindow{
    "菜单", 0, kSystemColour, false, false, false, false, false, false,
    50, 50, 140, 110, kMenuControls, kMenuEvents};

const WindowDefinition kSettingsWindow{
    "Kestrune设置", 2, kSettingsBackground, true, false, false, true, false, true,
    50, 50, 290, 138, kSettingsControls, kSettingsEvents};
