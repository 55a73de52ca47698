// Docking and theme colours on the program's main window, opened in process beside a taskbar stand-in.
#include <gtest/gtest.h>

#include <iphlpapi.h>

#include <cstring>
#include <vector>

#include "readings/network.h"
#include "settings/config.h"
#include "support/unique.h"
#include "tests/support/pump.h"
#include "tests/unit/program_windows.h"
#include "tools/taskbar_standin.h"
#include "ui/docking.h"
#include "ui/full_screen.h"
#include "ui/window_definitions.h"

using namespace MainControls;

namespace {

constexpr const char* kThemeKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
constexpr const char* kColoured[] = {kDownloadArrow, kUploadArrow, kDownloadField, kUploadField,
                                     kMemoryCaption, kMemoryField, kCpuCaption, kCpuField};

void SetThemeValue(DWORD type, const void* data, DWORD size) {
    UniqueKey key;
    RegCreateKeyExA(HKEY_CURRENT_USER, kThemeKey, 0, nullptr, 0, KEY_WRITE, nullptr, key.put(), nullptr);
    RegSetValueExA(key.get(), "SystemUsesLightTheme", 0, type, static_cast<const BYTE*>(data), size);
}

void RemoveThemeValue() {
    UniqueKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kThemeKey, 0, KEY_WRITE, key.put()) == ERROR_SUCCESS) {
        RegDeleteValueA(key.get(), "SystemUsesLightTheme");
    }
}

BOOL CALLBACK CollectChild(HWND hwnd, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(hwnd);
    return TRUE;
}

bool NeedsPainting(HWND window) {
    if (GetUpdateRect(window, nullptr, FALSE)) return true;
    std::vector<HWND> children;
    EnumChildWindows(window, CollectChild, reinterpret_cast<LPARAM>(&children));
    for (HWND child : children) {
        if (GetUpdateRect(child, nullptr, FALSE)) return true;
    }
    return false;
}

class DockingInProcess : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveThemeValue();
        DeleteFileA(kConfigPath);  // the readings' switches off: the window as the table makes it
        ResetProgramWindowMisses();
        CreateHiddenOwnerWindow();
        taskbar_.reset(CreateTaskbarStandIn(BottomTaskbar(kDarkTaskbarColour)));
        ASSERT_TRUE(OpenWindow(kMainWindow));
        PumpFor(200);
    }
    void TearDown() override {
        CloseWindow(kMainWindow);
        PumpUntil([] { return !IsWindowOpen(kMainWindow); });
        RemoveThemeValue();
        ExpectNoControlNameMissed();
    }
    UniqueWindow taskbar_;
};

TEST_F(DockingInProcess, ASteadyTaskbarCausesNoMoveAndNoRepainting) {
    RECT area;
    GetWindowRect(NotifyAreaOf(taskbar_.get()), &area);
    EXPECT_EQ(GetProperty(kMainWindow, kTheWindow, Property::Left), area.left - 70);
    EXPECT_EQ(GetProperty(kMainWindow, kTheWindow, Property::Top), area.top);

    HWND main = GetWindowHandle(kMainWindow);
    UpdateWindow(main);
    RedrawWindow(main, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    ASSERT_FALSE(NeedsPainting(main));
    const int drawings = LastSurfaceForTesting(kMainWindow).drawings;
    DockMainWindow();
    DockMainWindow();
    EXPECT_FALSE(NeedsPainting(main)) << "docking on a steady taskbar invalidated something";
    PumpFor(50);
    EXPECT_EQ(LastSurfaceForTesting(kMainWindow).drawings, drawings) << "docking on a steady taskbar drew the readings";
}

TEST_F(DockingInProcess, TheSystemModeValueChoosesTheColoursOfAllEightFields) {
    struct Case { DWORD type; DWORD value; DWORD size; int light; COLORREF colour; };
    const Case cases[] = {
        {REG_DWORD, 1, 4, 1, 0x131315},
        {REG_DWORD, 0, 4, 0, 0xFFFFFF},
        {REG_DWORD, 7, 4, 1, 0x131315},
        {REG_SZ, '1', 2, 0, 0xFFFFFF},      // another type is dark
        {REG_BINARY, 1, 4, 0, 0xFFFFFF},
    };
    for (const Case& c : cases) {
        SetThemeValue(c.type, &c.value, c.size);
        DockMainWindow();
        EXPECT_EQ(themeIsLight.load(), c.light) << "type " << c.type << " value " << c.value;
        for (const char* control : kColoured) {
            EXPECT_EQ(static_cast<COLORREF>(GetProperty(kMainWindow, control, Property::TextColour)), c.colour)
                << control << " type " << c.type << " value " << c.value;
        }
    }
    RemoveThemeValue();
    DockMainWindow();
    EXPECT_EQ(themeIsLight.load(), 0) << "a missing value is dark";
}

}  // namespace

namespace {

constexpr const char* kConfig = "C:\\Program Files (x86)\\Kestrune.ini";

TEST(StartUpInProcess, WidensTheWindowPerSwitchAndStartsTheCpuTimerOnlyWithCpu) {
    struct Case { const char* cpu; const char* memory; int width; int cpuPeriod; };
    const Case cases[] = {
        {"", "", 70, 0},
        {"1", "", 100, 3000},
        {"", "1", 100, 0},
        {"1", "1", 130, 3000},
    };
    CreateHiddenOwnerWindow();
    ResetProgramWindowMisses();
    for (const Case& c : cases) {
        DeleteFileA(kConfig);
        WritePrivateProfileStringA("CPU", "开关", c.cpu, kConfig);
        WritePrivateProfileStringA("内存", "开关", c.memory, kConfig);
        ASSERT_TRUE(OpenWindow(kMainWindow));
        EXPECT_EQ(GetProperty(kMainWindow, kTheWindow, Property::Width), c.width) << c.cpu << "/" << c.memory;
        EXPECT_EQ(GetProperty(kMainWindow, kCpuTimer, Property::Period), c.cpuPeriod) << c.cpu << "/" << c.memory;
        EXPECT_EQ(GetProperty(kMainWindow, kRefreshTimer, Property::Period), 1000);
        EXPECT_EQ(GetProperty(kMainWindow, kDockingTimer, Property::Period), 20);
        CloseWindow(kMainWindow);
        PumpUntil([] { return !IsWindowOpen(kMainWindow); });
    }
    DeleteFileA(kConfig);
    ExpectNoControlNameMissed();
}

}  // namespace

namespace {

// An interface table laid out by the system's own declarations, not by the program's offsets.
ByteBuffer g_fedTable;
ByteBuffer FedTable() { return g_fedTable; }

void FeedOneInterface(DWORD inOctets, DWORD outOctets) {
    MIB_IFROW row{};
    row.dwIndex = 7;
    row.dwInOctets = inOctets;
    row.dwOutOctets = outOctets;
    const DWORD count = 1;
    g_fedTable = BlankBuffer(static_cast<int>(offsetof(MIB_IFTABLE, table) + sizeof row));
    std::memcpy(g_fedTable.data(), &count, sizeof count);
    std::memcpy(g_fedTable.data() + offsetof(MIB_IFTABLE, table), &row, sizeof row);
}

std::uint32_t g_clockNow = 0;
std::uint32_t FedClock() { return g_clockNow; }

// The fed table and clock in place of the system's, and a fresh meter, for one test.
struct FedReadings {
    FedReadings() {
        SetInterfaceTableSourceForTesting(&FedTable);
        SetClockForTesting(&FedClock);
        Restart();
    }
    ~FedReadings() {
        SetInterfaceTableSourceForTesting(nullptr);
        SetClockForTesting(nullptr);
        Restart();
    }
    static void Restart() {
        selectedRow = 0;
        lastOutOctets = lastInOctets = 0;
    }
};

TEST_F(DockingInProcess, BytesSentShowInTheUploadFieldAndBytesReceivedInTheDownloadField) {
    FedReadings fed;
    g_clockNow = 50000;
    FeedOneInterface(100000, 200000);
    ShowSpeeds();
    g_clockNow += 1000;
    FeedOneInterface(100000 + 10 * 1024, 200000 + 300 * 1024);
    ShowSpeeds();
    EXPECT_EQ(GetText(kMainWindow, kUploadField), "300.0K/s");
    EXPECT_EQ(GetText(kMainWindow, kDownloadField), "10.0K/s");
}

// The refresh tick comes late while a CPU sample holds the window's thread, and after the
// machine wakes up: each figure is the growth per second of the time between the two table reads
// it is measured from, whatever the ticks' rhythm. Down 2 MiB/s and up 100 KiB/s throughout.
TEST_F(DockingInProcess, SpeedsArePerSecondOfTheTimeBetweenTwoTableReads) {
    struct Read {
        std::uint32_t at;  // the clock, in ms
        bool failed;       // the table could not be had
        double seconds;    // the traffic's time since the case began
        const char* download;
        const char* upload;
    };
    struct Case { const char* what; std::vector<Read> reads; };
    constexpr std::uint32_t kStart = 7000000;
    const Case cases[] = {
        {"1 s", {{kStart, false, 0, "0.0K/s", "0.0K/s"}, {kStart + 1000, false, 1, "2M/s", "100.0K/s"}}},
        {"1.7 s", {{kStart, false, 0, "0.0K/s", "0.0K/s"}, {kStart + 1700, false, 1.7, "2M/s", "100.0K/s"}}},
        {"0.3 s", {{kStart, false, 0, "0.0K/s", "0.0K/s"}, {kStart + 300, false, 0.3, "2M/s", "100.0K/s"}}},
        {"a late tick, then an early one",
         {{kStart, false, 0, "0.0K/s", "0.0K/s"}, {kStart + 1700, false, 1.7, "2M/s", "100.0K/s"},
          {kStart + 2000, false, 2, "2M/s", "100.0K/s"}}},
        {"0 ms: the fields stay, the next read covers both",
         {{kStart, false, 0, "0.0K/s", "0.0K/s"}, {kStart + 1000, false, 1, "2M/s", "100.0K/s"},
          {kStart + 1000, false, 1.5, "2M/s", "100.0K/s"}, {kStart + 2000, false, 2, "2M/s", "100.0K/s"}}},
        {"a five-minute sleep",
         {{kStart, false, 0, "0.0K/s", "0.0K/s"}, {kStart + 300000, false, 300, "2M/s", "100.0K/s"}}},
        {"the clock wraps between two reads",
         {{0xFFFFFE0Cu, false, 0, "0.0K/s", "0.0K/s"}, {500, false, 1, "2M/s", "100.0K/s"}}},
        {"a failed read between two good ones",
         {{kStart, false, 0, "0.0K/s", "0.0K/s"}, {kStart + 1000, false, 1, "2M/s", "100.0K/s"},
          {kStart + 2000, true, 2, "2M/s", "100.0K/s"}, {kStart + 3000, false, 3, "2M/s", "100.0K/s"}}},
    };
    for (const Case& c : cases) {
        FedReadings fed;
        for (const Read& read : c.reads) {
            g_clockNow = read.at;
            if (read.failed) {
                g_fedTable.clear();
            } else {
                FeedOneInterface(1000 + static_cast<DWORD>(read.seconds * 2 * 1024 * 1024),
                                 2000 + static_cast<DWORD>(read.seconds * 100 * 1024));
            }
            ShowSpeeds();
            EXPECT_EQ(GetText(kMainWindow, kDownloadField), read.download) << c.what << ", at " << read.at;
            EXPECT_EQ(GetText(kMainWindow, kUploadField), read.upload) << c.what << ", at " << read.at;
        }
    }
}

}  // namespace

namespace {

TEST(FullScreen, OnlyACaptionlessWindowOfAnotherProgramCoveringTheTaskbarsMonitorStepsIn) {
    constexpr RECT kMonitor{0, 0, 1280, 800};
    constexpr DWORD kMaximised = WS_OVERLAPPEDWINDOW | WS_MAXIMIZE | WS_VISIBLE;
    struct Case { const char* what; ForegroundFacts facts; bool stepBack; };
    auto window = [&](const char* className, DWORD style, RECT rect) {
        ForegroundFacts facts;
        facts.exists = true;
        facts.className = className;
        facts.style = style;
        facts.rect = rect;
        facts.taskbarMonitor = kMonitor;
        return facts;
    };
    auto with = [](ForegroundFacts facts, auto change) { change(facts); return facts; };
    const ForegroundFacts game = window("GameWindow", WS_POPUP | WS_VISIBLE, kMonitor);
    const Case cases[] = {
        {"borderless over the monitor", game, true},
        {"borderless a little larger than the monitor", window("Film", WS_POPUP, {-8, -8, 1288, 808}), true},
        {"a thin border but no title bar", window("Slides", WS_POPUP | WS_BORDER, kMonitor), true},
        {"maximised with a title bar", window("Editor", kMaximised, {-8, -8, 1288, 768}), false},
        {"a title bar, sized over the monitor", window("Editor", WS_OVERLAPPEDWINDOW, {-8, -8, 1288, 808}), false},
        {"the desktop window", with(game, [](ForegroundFacts& f) { f.desktop = true; }), false},
        {"Progman", window("Progman", WS_POPUP, kMonitor), false},
        {"WorkerW", window("WorkerW", WS_POPUP, kMonitor), false},
        {"the taskbar", window("Shell_TrayWnd", WS_POPUP, kMonitor), false},
        {"one of the program's own", with(game, [](ForegroundFacts& f) { f.ours = true; }), false},
        {"full screen on another monitor", window("GameWindow", WS_POPUP, {1280, 0, 2560, 800}), false},
        {"over both monitors", window("GameWindow", WS_POPUP, {0, 0, 2560, 800}), true},
        {"borderless, one pixel short", window("GameWindow", WS_POPUP, {0, 0, 1280, 799}), false},
        {"no foreground window", ForegroundFacts{}, false},
    };
    for (const Case& c : cases) EXPECT_EQ(FullScreenProgramInFront(c.facts), c.stepBack) << c.what;
}

}  // namespace
