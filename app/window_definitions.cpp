// The program's three windows as data: their controls, the handler each event runs, their flags.
// The tables wire the handlers of every layer, so they live here, at the top.
#include "ui/window_definitions.h"

#include "app/lifecycle.h"
#include "readings/cpu_load.h"
#include "readings/refresh.h"
#include "settings/settings_window.h"
#include "ui/docking.h"
#include "ui/menu_window.h"

namespace {

using namespace MainControls;
using namespace MenuControls;
using namespace SettingsControls;

constexpr FontDescription kCaptionFont{.height = -14, .weight = 400, .face = ""};
constexpr FontDescription kSmallFont{.height = -12, .weight = 400, .face = ""};
constexpr FontDescription kSongFont{.height = -12, .weight = 400, .face = "宋体"};
constexpr FontDescription kArrowFont{.height = -12, .weight = 700, .face = ""};

// Creation order matters: it is the order of the table.
constexpr ControlDefinition kMainControls[] = {
    //         name             left  top  width height  text     alignment      font
    Timer     (kCpuTimer, 0),
    TransLabel(kCpuCaption,     -100,   7,   30,   20,  "CPU",   Align::Centre, kCaptionFont),
    EditBox   (kCpuField,       -100,  24,   30,   20,  "1%",    Align::Centre, kSmallFont, kTransparentColour),
    TransLabel(kMemoryCaption,    64,   7,   30,   20,  "内存",  Align::Centre, kSmallFont),
    EditBox   (kMemoryField,     160,  24,   30,   20,  "10%",   Align::Centre, kSongFont, kTransparentColour),
    TransLabel(kMouseLayer,       72,   0,  500,  200,  "",      Align::Left,   kDefaultGuiFont),
    EditBox   (kDownloadField,    16,  24,   50,   20,  "",      Align::Left,   kDefaultGuiFont, kTransparentColour),
    EditBox   (kUploadField,      16,   7,   50,   20,  "",      Align::Left,   kDefaultGuiFont, kTransparentColour),
    Timer     (kRefreshTimer, 1000),
    TransLabel(kDownloadArrow,     0,  24,   20,   20,  "↓",     Align::Left,   kArrowFont),
    TransLabel(kUploadArrow,       0,   8,   20,   20,  "↑",     Align::Left,   kArrowFont),
    Timer     (kDockingTimer, 20),
};

constexpr EventBinding kMainEvents[] = {
    {kTheWindow,    Event::Created,       &MainWindowCreated},
    {kTheWindow,    Event::Resized,       &ApplyReadingLayout},
    {kDockingTimer, Event::Tick,          &DockMainWindow},
    {kRefreshTimer, Event::Tick,          &RefreshTick},
    {kCpuTimer,     Event::Tick,          &SampleCpuLoad},
    {kMouseLayer,   Event::LeftButtonUp,  &OpenMenuWindow},
    {kMouseLayer,   Event::RightButtonUp, &OpenMenuWindow},
};

constexpr ControlDefinition kMenuControls[] = {
    //    name           left top width height text
    Label(kCredit,         16,  8, 112,  24,   "Quistrel（Velunor）"),
    Label(kCloseEntry,     10, 64, 120,  32,   "   关闭"),
    Label(kSettingsEntry,  10, 34, 120,  32,   "   设置"),
};

constexpr EventBinding kMenuEvents[] = {
    {kTheWindow,     Event::Created,      &MenuWindowCreated},
    {kTheWindow,     Event::Deactivated,  &CloseMenuWindow},
    {kTheWindow,     Event::MouseMove,    &ClearMenuHover},
    {kSettingsEntry, Event::MouseMove,    &HoverSettingsEntry},
    {kSettingsEntry, Event::LeftButtonUp, &OpenSettingsWindow},
    {kCloseEntry,    Event::MouseMove,    &HoverCloseEntry},
    {kCloseEntry,    Event::LeftButtonUp, &CloseEntryClicked},
};

constexpr COLORREF kSettingsBackground = RGB(236, 236, 236);

constexpr ControlDefinition kSettingsControls[] = {
    //       name        left top width height text
    CheckBox(kStartupBox,  88, 80, 120,  24,   "开机启动",     kSettingsBackground),
    CheckBox(kMemoryBox,   88, 32, 120,  24,   "显示内存信息", kSettingsBackground),
    CheckBox(kCpuBox,      88,  8, 120,  24,   "显示CPU信息",  kSettingsBackground),
};

constexpr EventBinding kSettingsEvents[] = {
    {kTheWindow,  Event::Created, &SettingsWindowCreated},
    {kCpuBox,     Event::Clicked, &CpuSwitchClicked},
    {kMemoryBox,  Event::Clicked, &MemorySwitchClicked},
    {kStartupBox, Event::Clicked, &StartupSwitchClicked},
};

}  // namespace

// Closing the main window ends the program: an invisible copy left behind would stop every later
// start. It is a guest on the shell's taskbar and never takes the keyboard: Alt+F4 never closes it.
const WindowDefinition kMainWindow{
    .title = "任务栏Kestrune", .border = Border::None, .background = kTransparentColour,
    .alwaysOnTop = true, .visible = true,
    .left = 50, .top = 50, .width = 70, .height = 50,
    .controls = kMainControls, .events = kMainEvents,
    .closeRequested = &MainWindowCloseRequested, .neverActive = true, .drawnAsOneSurface = true,
};

const WindowDefinition kMenuWindow{
    .title = "菜单", .border = Border::None, .background = kSystemColour,
    .left = 50, .top = 50, .width = 140, .height = 110,
    .controls = kMenuControls, .events = kMenuEvents,
};

const WindowDefinition kSettingsWindow{
    .title = "Kestrune设置", .border = Border::Fixed, .background = kSettingsBackground,
    .systemMenu = true, .taskbarButton = true, .visible = true,
    .left = 50, .top = 50, .width = 290, .height = 138,
    .controls = kSettingsControls, .events = kSettingsEvents,
};
