// The running program beside a taskbar stand-in: docking, switches and layout, live readings, theme.
#include <gtest/gtest.h>

#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <atomic>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "support/unique.h"
#include "tests/e2e/docked.h"
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

// A TCP socket of the test's own, closed with its owner.
class Socket {
public:
    Socket() = default;
    explicit Socket(SOCKET socket) : socket_(socket) {}
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    ~Socket() { Reset(); }
    SOCKET get() const { return socket_; }
    explicit operator bool() const { return socket_ != INVALID_SOCKET; }
    void Reset(SOCKET socket = INVALID_SOCKET) {
        if (socket_ != INVALID_SOCKET) closesocket(socket_);
        socket_ = socket;
    }

private:
    SOCKET socket_ = INVALID_SOCKET;
};

// A steady stream from one loopback TCP socket of this process to another, paced to a rate,
// until it is stopped. Loopback is a real interface in the table Wine hands the program.
class LoopbackStream {
public:
    explicit LoopbackStream(std::uint64_t bytesPerSecond) {
        WSADATA data{};
        started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
        if (!started_ || !Connect()) return;
        receiver_ = std::thread([this] {
            std::vector<char> buffer(64 * 1024);
            while (recv(receiving_.get(), buffer.data(), static_cast<int>(buffer.size()), 0) > 0) {}
        });
        sender_ = std::thread([this, bytesPerSecond] {
            const std::vector<char> buffer(64 * 1024, 'k');
            const ULONGLONG start = GetTickCount64();
            std::uint64_t sent = 0;
            while (!stop_) {
                const std::uint64_t due = (GetTickCount64() - start) * bytesPerSecond / 1000;
                if (sent >= due) {
                    Sleep(5);
                    continue;
                }
                const int chunk = static_cast<int>(std::min<std::uint64_t>(buffer.size(), due - sent));
                const int written = send(sending_.get(), buffer.data(), chunk, 0);
                if (written <= 0) break;
                sent += static_cast<std::uint64_t>(written);
            }
        });
    }
    ~LoopbackStream() {
        Stop();
        if (started_) WSACleanup();
    }
    bool Flowing() const { return sender_.joinable(); }
    void Stop() {
        stop_ = true;
        if (sender_.joinable()) sender_.join();
        if (sending_) shutdown(sending_.get(), SD_SEND);  // the receiver reads to the end and stops
        if (receiver_.joinable()) receiver_.join();
        sending_.Reset();
        receiving_.Reset();
    }

private:
    bool Connect() {
        Socket listener(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int length = sizeof address;
        if (!listener || bind(listener.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            listen(listener.get(), 1) != 0 ||
            getsockname(listener.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            return false;
        }
        sending_.Reset(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
        if (!sending_ || connect(sending_.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return false;
        receiving_.Reset(accept(listener.get(), nullptr, nullptr));
        return static_cast<bool>(receiving_);
    }

    bool started_ = false;
    Socket sending_, receiving_;
    std::atomic<bool> stop_{false};
    std::thread sender_, receiver_;
};

// What a speed field shows, in MiB/s: "2M/s", "1500.2K/s", "0K/s".
double ShownMegabytes(const std::string& text) {
    std::smatch figure;
    if (!std::regex_match(text, figure, std::regex(R"((\d+(?:\.\d)?)([KM])/s)"))) return -1;
    const double value = std::stod(figure[1]);
    return figure[2] == "M" ? value : value / 1024;
}

// How the speeds are measured while a steady stream flows: the refresh ticks a second apart, or
// held up every third second by a CPU sample whose tool takes most of a second to answer (as a
// busy WMI service does), switched on between two refreshes so that the ticks come late.
struct SpeedCase {
    const char* what;
    int toolAnswersAfterMs;  // 0: no CPU reading
};

void PrintTo(const SpeedCase& c, std::ostream* out) { *out << c.what; }

class SpeedFields : public RunningProgram, public ::testing::WithParamInterface<SpeedCase> {};

// Linux loopback counts each byte once sent and once received, so both fields show the rate.
TEST_P(SpeedFields, ShowTheTrafficOfTheInterfaceThatCarriesIt) {
    const SpeedCase& c = GetParam();
    if (c.toolAnswersAfterMs > 0) SetToolMode("slow " + std::to_string(c.toolAnswersAfterMs));
    auto fields = [&] {
        return std::pair(WindowTextOf(ControlOf(main_, kUploadField)), WindowTextOf(ControlOf(main_, kDownloadField)));
    };
    std::vector<std::pair<std::string, std::string>> samples;  // every 250 ms, from the 4th second
    {
        LoopbackStream stream(2 * 1024 * 1024);
        ASSERT_TRUE(stream.Flowing()) << "no loopback connection: " << WSAGetLastError();
        Start();
        // The refresh rhythm, from the first refresh: the fields change from empty.
        const auto first = PollUntil(fields, [](const auto& shown) { return !shown.first.empty(); }, 3000);
        ASSERT_TRUE(first.ok) << "no refresh within 3 s";
        const DWORD firstRefresh = GetTickCount();
        if (c.toolAnswersAfterMs > 0) {
            HWND settings = OpenSettingsByPostedClicks(program_, main_);
            ASSERT_NE(settings, nullptr) << "the settings window did not open";
            // About 600 ms after a refresh, at least a second after the first.
            const DWORD since = GetTickCount() - firstRefresh;
            DWORD clickAt = std::max<DWORD>(1600, since / 1000 * 1000 + 600);
            if (clickAt <= since) clickAt += 1000;
            PumpFor(clickAt - since);
            PostMessageA(ControlOf(settings, SettingsControl::kCpuBox), BM_CLICK, 0, 0);
        }
        const DWORD sinceFirst = GetTickCount() - firstRefresh;
        if (sinceFirst < 4000) PumpFor(4000 - sinceFirst);
        for (int sample = 0; sample < 32; ++sample) {
            PumpFor(250);
            samples.push_back(fields());
        }
    }
    std::string seen;
    for (std::size_t i = 0; i < samples.size(); i += 4) seen += " " + samples[i].first + "/" + samples[i].second;
    auto inRange = [](const std::string& text) {
        const double megabytes = ShownMegabytes(text);
        return megabytes >= 1.4 && megabytes <= 2.8;
    };
    // The share of all samples in range, and the fewest in range among every five seconds in a
    // row (one sample a second), each way.
    auto share = [&](auto field) {
        const auto in = std::count_if(samples.begin(), samples.end(), [&](const auto& s) { return inRange(field(s)); });
        return static_cast<double>(in) / static_cast<double>(samples.size());
    };
    auto fewestInRange = [&](auto field) {
        std::vector<std::string> perSecond;
        for (std::size_t i = 0; i < samples.size(); i += 4) perSecond.push_back(field(samples[i]));
        long fewest = 5;
        for (std::size_t first = 0; first + 5 <= perSecond.size(); ++first) {
            const auto window = perSecond.begin() + static_cast<std::ptrdiff_t>(first);
            fewest = std::min<long>(fewest, std::count_if(window, window + 5, inRange));
        }
        return fewest;
    };
    auto upload = [](const auto& s) { return s.first; };
    auto download = [](const auto& s) { return s.second; };
    EXPECT_GE(share(upload), 0.8) << c.what << "; upload; upload/download seen each second:" << seen;
    EXPECT_GE(share(download), 0.8) << c.what << "; download; upload/download seen each second:" << seen;
    EXPECT_GE(fewestInRange(upload), 4) << c.what << "; upload; upload/download seen each second:" << seen;
    EXPECT_GE(fewestInRange(download), 4) << c.what << "; download; upload/download seen each second:" << seen;

    auto quiet = [](const std::pair<std::string, std::string>& shown) {
        const double upload = ShownMegabytes(shown.first), download = ShownMegabytes(shown.second);
        return upload >= 0 && upload < 64.0 / 1024 && download >= 0 && download < 64.0 / 1024;
    };
    const auto after = PollUntil(fields, quiet, 5000);
    EXPECT_TRUE(after.ok) << c.what << "; 5 s after the stream stopped: " << after.last.first << "/" << after.last.second;
}

const SpeedCase kSpeedCases[] = {
    {"refresh ticks a second apart", 0},
    {"a CPU sample of 900 ms every third second, switched on between two refreshes", 900},
};
INSTANTIATE_TEST_SUITE_P(Traffic, SpeedFields, ::testing::ValuesIn(kSpeedCases),
                         [](const auto& info) { return info.index == 0 ? std::string("Steady") : std::string("HeldUpByASlowCpuSample"); });

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
        EXPECT_EQ(RootAtText(), front.get()) << c.what << ": the readings came back over the program; the foreground "
                                             << GetForegroundWindow() << ", the program " << front.get();
        EXPECT_FALSE(IsWindowVisible(main_)) << c.what << ": hidden, so they take no click and no activation";

        // As the program closes, Windows hands the foreground to the user's next window at once,
        // while the readings are still hidden. Wine does it a moment later, when the readings may
        // already be back (topmost, so next in line) and gives it to them: the next window takes
        // the foreground first here, as Windows would have given it.
        UniqueWindow next = FrontWindow(WS_OVERLAPPEDWINDOW, 0, {100, 100, 500, 400}, SW_SHOWNORMAL);
        ASSERT_EQ(GetForegroundWindow(), next.get()) << c.what;
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

// A click on the taskbar raises it, then the shell opens a menu over it (a notification-area
// icon's, anchored beside the readings and opened leftwards): a topmost window over the
// readings. They climb back over the taskbar, but never over the menu.
TEST_F(DockedReadings, StayBelowAMenuTheShellOpensOverThem) {
    SetWindowPos(taskbar_.get(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    const RECT readings = MainRect();
    const RECT menuRect{readings.left - 120, readings.top - 60, readings.right - 8, readings.bottom};
    UniqueWindow menu = FrontWindow(WS_POPUP, WS_EX_TOPMOST | WS_EX_TOOLWINDOW, menuRect, SW_SHOW);
    const COLORREF menuColour = kFrontWindowColour;
    RECT covered{};
    IntersectRect(&covered, &readings, &menuRect);

    EXPECT_TRUE(PumpUntil([&] { return IsAbove(main_, taskbar_.get()); }, 100))
        << "the readings did not climb back over the taskbar";
    int samples = 0, readingsOverMenu = 0, belowTaskbar = 0, mostPixelsDrawnOver = 0;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 2000) {
        PumpFor(50);
        ++samples;
        if (IsAbove(main_, menu.get())) ++readingsOverMenu;
        if (!IsAbove(main_, taskbar_.get())) ++belowTaskbar;
        const int drawnOver = CountScreenPixels(covered, [&](COLORREF c) { return c != menuColour; }).matching;
        mostPixelsDrawnOver = std::max(mostPixelsDrawnOver, drawnOver);
    }
    EXPECT_EQ(readingsOverMenu, 0) << "of " << samples << " samples, the readings were above the menu";
    EXPECT_EQ(mostPixelsDrawnOver, 0) << "pixels of the menu drawn over by the readings";
    EXPECT_EQ(belowTaskbar, 0) << "of " << samples << " samples, the readings were below the taskbar";

    menu.reset();
    PumpFor(100);
    EXPECT_TRUE(IsAbove(main_, taskbar_.get())) << "after the menu closed";
    EXPECT_TRUE(PumpUntil([&] { return RootAtText() == main_; }, 500)) << "at the readings' text lies " << RootAtText();
}

}  // namespace
