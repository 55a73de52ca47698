// The window and control model on real windows: events, properties, timers, closing, threads.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/pump.h"
#include "ui/window_model.h"

namespace {

std::vector<std::string> g_log;
DWORD g_resizedOnThread = 0;
int g_widthWhenResized = 0;
HWND g_fieldWhenCreated = nullptr;

extern const WindowDefinition kProbeWindow;
extern const WindowDefinition kFramedWindow;
extern const WindowDefinition kMisboundWindow;

void ProbeCreated() {
    g_log.push_back("created");
    g_fieldWhenCreated = GetControlHandle(kProbeWindow, "field");
}
void ProbeMoved() { g_log.push_back("moved"); }
void ProbeResized() {
    g_log.push_back("resized");
    g_resizedOnThread = GetCurrentThreadId();
    g_widthWhenResized = GetProperty(kProbeWindow, kTheWindow, Property::Width);
}
void ProbeTick() { g_log.push_back("tick"); }
void ProbeClicked() { g_log.push_back("clicked"); }
void ProbeButtonUp(int x, int y, int keys) {
    g_log.push_back("up " + std::to_string(x) + "," + std::to_string(y) + " keys " + std::to_string(keys));
}
void FramedCreated() { g_log.push_back("framed created"); }
void FramedDeactivated() { g_log.push_back("framed deactivated"); }
void MisboundCreated() { g_log.push_back("misbound created"); }
void MisboundResized() { g_log.push_back("misbound resized"); }

constexpr COLORREF kProbeBackground = RGB(0, 96, 160);
constexpr COLORREF kFieldBackground = RGB(10, 20, 30);
constexpr FontDescription kFieldFont{.height = -12, .weight = 400, .face = ""};
constexpr FontDescription kCaptionFont{.height = -20, .weight = 700, .face = ""};

constexpr ControlDefinition kProbeControls[] = {
    Timer     ("pulse",   0),
    EditBox   ("field",   10,  5,  60, 20, "hello", Align::Centre, kFieldFont, kFieldBackground),
    TransLabel("caption", 10, 30, 100, 24, "WWWW",  Align::Left,   kCaptionFont),
    Label     ("entry",  120,  5,  60, 24, "label"),
    CheckBox  ("box",    120, 40,  90, 24, "check", RGB(236, 236, 236)),
    EditBox   ("plain",  200,  5,  40, 20, "",      Align::Left,   kDefaultGuiFont, kFieldBackground),
};

constexpr EventBinding kProbeEvents[] = {
    {kTheWindow, Event::Created,      &ProbeCreated},
    {kTheWindow, Event::Moved,        &ProbeMoved},
    {kTheWindow, Event::Resized,      &ProbeResized},
    {"pulse",    Event::Tick,         &ProbeTick},
    {"box",      Event::Clicked,      &ProbeClicked},
    {"caption",  Event::LeftButtonUp, &ProbeButtonUp},
};

constexpr EventBinding kFramedEvents[] = {
    {kTheWindow, Event::Created,     &FramedCreated},
    {kTheWindow, Event::Deactivated, &FramedDeactivated},
};

// A binding that names no control of its window: it must not end up bound to the window itself.
constexpr EventBinding kMisboundEvents[] = {
    {kTheWindow,        Event::Created, &MisboundCreated},
    {"no such control", Event::Resized, &MisboundResized},
};

const WindowDefinition kProbeWindow{
    .title = "probe", .border = Border::None, .background = kProbeBackground,
    .alwaysOnTop = true, .visible = true,
    .left = 300, .top = 200, .width = 260, .height = 80,
    .controls = kProbeControls, .events = kProbeEvents,
};

const WindowDefinition kFramedWindow{
    .title = "framed", .border = Border::Fixed, .background = RGB(236, 236, 236),
    .systemMenu = true, .taskbarButton = true, .visible = true,
    .left = 100, .top = 400, .width = 290, .height = 138,
    .events = kFramedEvents,
};

const WindowDefinition kMisboundWindow{
    .title = "misbound", .border = Border::None, .background = kProbeBackground, .visible = true,
    .left = 300, .top = 300, .width = 120, .height = 60,
    .controls = kProbeControls, .events = kMisboundEvents,
};

constexpr const WindowDefinition* kTestWindows[] = {&kProbeWindow, &kFramedWindow, &kMisboundWindow};

void CloseAndWait(const WindowDefinition& window) {
    CloseWindow(window);
    PumpUntil([&] { return !IsWindowOpen(window); });
}

class WindowModel : public ::testing::Test {
protected:
    void SetUp() override {
        CreateHiddenOwnerWindow();
        g_log.clear();
        g_fieldWhenCreated = nullptr;
        for (const WindowDefinition* window : kTestWindows) ResetControlNameMisses(*window);
    }
    void TearDown() override {
        for (const WindowDefinition* window : kTestWindows) {
            CloseAndWait(*window);
            EXPECT_EQ(ControlNameMisses(*window), 0) << window->title;
        }
    }
};

std::string ClassOf(HWND hwnd) {
    char name[64] = {};
    GetClassNameA(hwnd, name, sizeof name);
    return name;
}

TEST_F(WindowModel, OpeningRaisesCreatedMovedResizedWithEveryControlInPlace) {
    ASSERT_TRUE(OpenWindow(kProbeWindow));
    EXPECT_EQ(g_log, (std::vector<std::string>{"created", "moved", "resized"}));
    EXPECT_NE(g_fieldWhenCreated, nullptr) << "controls exist when created is raised";

    HWND window = GetWindowHandle(kProbeWindow);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(GetText(kProbeWindow, kTheWindow), "probe");
    EXPECT_EQ(GetProperty(kProbeWindow, kTheWindow, Property::Left), 300);
    EXPECT_EQ(GetProperty(kProbeWindow, kTheWindow, Property::Width), 260);

    struct Expected { const char* name; const char* className; int left, top, width, height; const char* text; };
    const Expected controls[] = {
        {"field", "Edit", 10, 5, 60, 20, "hello"},
        {"caption", "KestruneTransLabel", 10, 30, 100, 24, "WWWW"},
        {"entry", "KestruneLabel", 120, 5, 60, 24, "label"},
        {"box", "Button", 120, 40, 90, 24, "check"},
    };
    for (const Expected& c : controls) {
        HWND control = GetControlHandle(kProbeWindow, c.name);
        ASSERT_NE(control, nullptr) << c.name;
        EXPECT_EQ(GetParent(control), window) << c.name;
        EXPECT_STRCASEEQ(ClassOf(control).c_str(), c.className) << c.name;
        EXPECT_EQ(GetProperty(kProbeWindow, c.name, Property::Left), c.left) << c.name;
        EXPECT_EQ(GetProperty(kProbeWindow, c.name, Property::Top), c.top) << c.name;
        EXPECT_EQ(GetProperty(kProbeWindow, c.name, Property::Width), c.width) << c.name;
        EXPECT_EQ(GetProperty(kProbeWindow, c.name, Property::Height), c.height) << c.name;
        EXPECT_EQ(GetText(kProbeWindow, c.name), c.text) << c.name;
    }

    const LONG fieldStyle = GetWindowLongA(GetControlHandle(kProbeWindow, "field"), GWL_STYLE);
    EXPECT_TRUE(fieldStyle & ES_READONLY);
    EXPECT_TRUE(fieldStyle & ES_CENTER);
    EXPECT_FALSE(fieldStyle & (WS_BORDER | ES_MULTILINE));
    EXPECT_FALSE(GetWindowLongA(GetControlHandle(kProbeWindow, "plain"), GWL_STYLE) & ES_CENTER);
    EXPECT_EQ(GetProperty(kProbeWindow, "pulse", Property::Period), 0);
}

TEST_F(WindowModel, FontsAreMadeAsTheTableGivesThem) {
    ASSERT_TRUE(OpenWindow(kProbeWindow));
    struct Expected { const char* name; LONG height; LONG weight; };
    for (const Expected& c : {Expected{"field", -12, 400}, Expected{"caption", -20, 700}}) {
        auto font = reinterpret_cast<HFONT>(SendMessageA(GetControlHandle(kProbeWindow, c.name), WM_GETFONT, 0, 0));
        ASSERT_NE(font, nullptr) << c.name;
        LOGFONTA logical{};
        ASSERT_TRUE(GetObjectA(font, sizeof logical, &logical)) << c.name;
        EXPECT_EQ(logical.lfHeight, c.height) << c.name;
        EXPECT_EQ(logical.lfWeight, c.weight) << c.name;
        EXPECT_EQ(logical.lfCharSet, GB2312_CHARSET) << c.name;
        EXPECT_STREQ(logical.lfFaceName, "") << c.name;
    }
    for (const char* name : {"entry", "plain", "box"}) {
        EXPECT_EQ(SendMessageA(GetControlHandle(kProbeWindow, name), WM_GETFONT, 0, 0),
                  reinterpret_cast<LRESULT>(GetStockObject(DEFAULT_GUI_FONT)))
            << name;
    }
}

TEST_F(WindowModel, BorderAndTaskbarButtonDecideStyleAndOwner) {
    ASSERT_TRUE(OpenWindow(kProbeWindow));
    ASSERT_TRUE(OpenWindow(kFramedWindow));
    HWND probe = GetWindowHandle(kProbeWindow);
    HWND framed = GetWindowHandle(kFramedWindow);

    const LONG probeStyle = GetWindowLongA(probe, GWL_STYLE);
    EXPECT_TRUE(probeStyle & WS_POPUP);
    EXPECT_FALSE(probeStyle & (WS_CAPTION | WS_THICKFRAME | WS_SYSMENU));
    EXPECT_TRUE(GetWindowLongA(probe, GWL_EXSTYLE) & WS_EX_TOPMOST);
    HWND owner = GetWindow(probe, GW_OWNER);
    EXPECT_EQ(owner, HiddenOwnerWindow());
    EXPECT_FALSE(IsWindowVisible(owner));

    const LONG framedStyle = GetWindowLongA(framed, GWL_STYLE);
    EXPECT_EQ(framedStyle & WS_CAPTION, WS_CAPTION);
    EXPECT_TRUE(framedStyle & WS_SYSMENU);
    EXPECT_FALSE(framedStyle & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    EXPECT_FALSE(GetWindowLongA(framed, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(GetWindow(framed, GW_OWNER), nullptr);
    RECT rect;
    GetWindowRect(framed, &rect);
    EXPECT_EQ(rect.right - rect.left, 290);
    EXPECT_EQ(rect.bottom - rect.top, 138);
}

TEST_F(WindowModel, MovesAndResizesRaiseTheirEventsOnlyWhenSomethingChanged) {
    ASSERT_TRUE(OpenWindow(kProbeWindow));
    g_log.clear();
    SetProperty(kProbeWindow, kTheWindow, Property::Width, 290);
    EXPECT_EQ(g_log, (std::vector<std::string>{"resized"}));
    EXPECT_EQ(g_widthWhenResized, 290) << "the write takes effect before the handler runs";

    g_log.clear();
    SetProperty(kProbeWindow, kTheWindow, Property::Left, 320);
    SetProperty(kProbeWindow, kTheWindow, Property::Top, 210);
    EXPECT_EQ(g_log, (std::vector<std::string>{"moved", "moved"}));
    EXPECT_EQ(GetProperty(kProbeWindow, kTheWindow, Property::Left), 320);
    EXPECT_EQ(GetProperty(kProbeWindow, kTheWindow, Property::Top), 210);

    g_log.clear();
    SetProperty(kProbeWindow, kTheWindow, Property::Width, 290);
    SetProperty(kProbeWindow, kTheWindow, Property::Left, 320);
    SetProperty(kProbeWindow, "field", Property::Left, 12);
    EXPECT_TRUE(g_log.empty()) << "unchanged window, and a control moved";
    EXPECT_EQ(GetProperty(kProbeWindow, "field", Property::Left), 12);
}

TEST_F(WindowModel, TimerPeriodRule) {
    ASSERT_TRUE(OpenWindow(kProbeWindow));
    SetProperty(kProbeWindow, "pulse", Property::Period, -5);
    EXPECT_EQ(GetProperty(kProbeWindow, "pulse", Property::Period), 0);

    // Rewriting the period it has every 20 ms must not restart it: a restart would never tick.
    SetProperty(kProbeWindow, "pulse", Property::Period, 60);
    g_log.clear();
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 1000) {
        SetProperty(kProbeWindow, "pulse", Property::Period, 60);
        PumpFor(20);
    }
    const auto ticks = std::count(g_log.begin(), g_log.end(), "tick");
    EXPECT_GE(ticks, 3);

    SetProperty(kProbeWindow, "pulse", Property::Period, 0);
    g_log.clear();
    PumpFor(300);
    EXPECT_EQ(std::count(g_log.begin(), g_log.end(), "tick"), 0) << "period 0 stops the timer";
    EXPECT_EQ(GetProperty(kProbeWindow, "pulse", Property::Period), 0);
}

TEST_F(WindowModel, CloseIsPendingUntilItsMessageArrivesAndRunsNoHandler) {
    ASSERT_TRUE(OpenWindow(kFramedWindow));
    HWND window = GetWindowHandle(kFramedWindow);
    g_log.clear();
    CloseWindow(kFramedWindow);
    EXPECT_TRUE(IsWindowOpen(kFramedWindow));
    EXPECT_TRUE(IsClosePending(kFramedWindow));
    EXPECT_TRUE(IsWindow(window));

    EXPECT_TRUE(PumpUntil([] { return !IsWindowOpen(kFramedWindow); }));
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(IsClosePending(kFramedWindow));
    EXPECT_EQ(std::count(g_log.begin(), g_log.end(), "framed deactivated"), 0);
}

TEST_F(WindowModel, OpeningAnOpenWindowBringsItForwardWithoutASecond) {
    ASSERT_TRUE(OpenWindow(kFramedWindow));
    HWND first = GetWindowHandle(kFramedWindow);
    ASSERT_TRUE(OpenWindow(kFramedWindow));
    EXPECT_EQ(GetWindowHandle(kFramedWindow), first);
    EXPECT_EQ(std::count(g_log.begin(), g_log.end(), "framed created"), 1);
}

TEST_F(WindowModel, OpeningWhileACloseIsPendingFinishesItAndMakesAFreshWindow) {
    ASSERT_TRUE(OpenWindow(kFramedWindow));
    HWND first = GetWindowHandle(kFramedWindow);
    CloseWindow(kFramedWindow);
    ASSERT_TRUE(OpenWindow(kFramedWindow));
    HWND second = GetWindowHandle(kFramedWindow);
    EXPECT_FALSE(IsWindow(first));
    EXPECT_NE(second, first);
    EXPECT_FALSE(IsClosePending(kFramedWindow));
    EXPECT_EQ(std::count(g_log.begin(), g_log.end(), "framed created"), 2);

    PumpFor(100);  // the old close message must not reach the new window
    EXPECT_TRUE(IsWindowOpen(kFramedWindow));
    EXPECT_EQ(GetWindowHandle(kFramedWindow), second);
}

TEST_F(WindowModel, AWindowThatIsNotOpenReadsEmptyAndIgnoresWrites) {
    auto touchEverything = [] {
        SetProperty(kProbeWindow, kTheWindow, Property::Width, 500);
        SetProperty(kProbeWindow, "field", Property::TextColour, 0xFF);
        SetProperty(kProbeWindow, "pulse", Property::Period, 10);
        SetProperty(kProbeWindow, "no such control", Property::Left, 1);
        SetText(kProbeWindow, "field", "x");
        EXPECT_EQ(GetProperty(kProbeWindow, kTheWindow, Property::Width), 0);
        EXPECT_EQ(GetProperty(kProbeWindow, "field", Property::Left), 0);
        EXPECT_EQ(GetText(kProbeWindow, "field"), "");
        EXPECT_EQ(GetWindowHandle(kProbeWindow), nullptr);
        CloseWindow(kProbeWindow);
    };
    touchEverything();  // never opened

    ASSERT_TRUE(OpenWindow(kProbeWindow));
    CloseAndWait(kProbeWindow);
    touchEverything();  // closed
    std::thread worker(touchEverything);
    worker.join();
    EXPECT_EQ(g_log.size(), 3u) << "only the three opening events";
    EXPECT_EQ(ControlNameMisses(kProbeWindow), 3) << "the one wrong name, once a round, open or not";
    ResetControlNameMisses(kProbeWindow);
}

TEST_F(WindowModel, ANameTheWindowLacksIsCountedOnceAndReachesNothing) {
    ASSERT_TRUE(OpenWindow(kMisboundWindow));
    EXPECT_EQ(g_log, (std::vector<std::string>{"misbound created"})) << "the misbound handler never runs";
    EXPECT_EQ(ControlNameMisses(kMisboundWindow), 1) << "the binding that names no control";

    struct Case { const char* call; void (*lookUp)(); };
    const Case cases[] = {
        {"GetProperty", [] { EXPECT_EQ(GetProperty(kMisboundWindow, "nothing", Property::Width), 0); }},
        {"SetProperty", [] { SetProperty(kMisboundWindow, "nothing", Property::Width, 30); }},
        {"GetText", [] { EXPECT_EQ(GetText(kMisboundWindow, "nothing"), ""); }},
        {"SetText", [] { SetText(kMisboundWindow, "nothing", "x"); }},
        {"GetControlHandle", [] { EXPECT_EQ(GetControlHandle(kMisboundWindow, "nothing"), nullptr); }},
        {"from another thread", [] {
             std::atomic<bool> done{false};
             std::thread worker([&] {
                 SetText(kMisboundWindow, "nothing", "x");
                 done = true;
             });
             PumpUntil([&] { return done.load(); });
             worker.join();
         }},
    };
    for (const Case& c : cases) {
        ResetControlNameMisses(kMisboundWindow);
        c.lookUp();
        EXPECT_EQ(ControlNameMisses(kMisboundWindow), 1) << c.call;
    }
    EXPECT_EQ(GetText(kMisboundWindow, kTheWindow), "misbound") << "a wrong name never falls back to the window";
    EXPECT_EQ(GetProperty(kMisboundWindow, kTheWindow, Property::Width), 120);
    EXPECT_EQ(ControlNameMisses(kMisboundWindow), 1) << "the window itself is no miss";
    ResetControlNameMisses(kMisboundWindow);
}

TEST_F(WindowModel, WritesFromAnotherThreadTakeEffectAtOnceOnTheWindowThread) {
    ASSERT_TRUE(OpenWindow(kProbeWindow));
    g_log.clear();
    std::string textSeenByWorker;
    int colourSeenByWorker = 0;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        SetText(kProbeWindow, "field", "from worker");
        SetProperty(kProbeWindow, "field", Property::TextColour, RGB(1, 2, 3));
        SetProperty(kProbeWindow, kTheWindow, Property::Width, 300);
        textSeenByWorker = GetText(kProbeWindow, "field");
        colourSeenByWorker = GetProperty(kProbeWindow, "field", Property::TextColour);
        done = true;
    });
    EXPECT_TRUE(PumpUntil([&] { return done.load(); }));
    worker.join();
    EXPECT_EQ(textSeenByWorker, "from worker");
    EXPECT_EQ(colourSeenByWorker, static_cast<int>(RGB(1, 2, 3)));
    EXPECT_EQ(g_log, (std::vector<std::string>{"resized"}));
    EXPECT_EQ(g_resizedOnThread, GetCurrentThreadId()) << "handlers run on the window's own thread";
    EXPECT_EQ(GetProperty(kProbeWindow, kTheWindow, Property::Width), 300);
}

TEST_F(WindowModel, CheckMarksFromCodeRaiseNoClickButAUserClickDoes) {
    ASSERT_TRUE(OpenWindow(kProbeWindow));
    g_log.clear();
    SetProperty(kProbeWindow, "box", Property::Checked, 1);
    EXPECT_EQ(GetProperty(kProbeWindow, "box", Property::Checked), 1);
    EXPECT_TRUE(g_log.empty());

    SendMessageA(GetControlHandle(kProbeWindow, "box"), BM_CLICK, 0, 0);
    PumpFor(50);
    EXPECT_EQ(g_log, (std::vector<std::string>{"clicked"}));
    EXPECT_EQ(GetProperty(kProbeWindow, "box", Property::Checked), 0) << "the click toggled it";
}

TEST_F(WindowModel, MouseEventsReachTheControlsHandlerWithPositionAndKeys) {
    ASSERT_TRUE(OpenWindow(kProbeWindow));
    g_log.clear();
    SendMessageA(GetControlHandle(kProbeWindow, "caption"), WM_LBUTTONUP, MK_CONTROL | MK_SHIFT, MAKELPARAM(5, 6));
    SendMessageA(GetControlHandle(kProbeWindow, "caption"), WM_RBUTTONUP, 0, MAKELPARAM(5, 6));  // not bound
    EXPECT_EQ(g_log, (std::vector<std::string>{"up 5,6 keys 3"}));
}

TEST_F(WindowModel, TransLabelDrawsItsTextOverWhatLiesBehindIt) {
    ASSERT_TRUE(OpenWindow(kProbeWindow));
    constexpr COLORREF kText = RGB(250, 240, 20);
    SetProperty(kProbeWindow, "caption", Property::TextColour, static_cast<int>(kText));
    HWND caption = GetControlHandle(kProbeWindow, "caption");
    RECT rect;
    GetWindowRect(caption, &rect);
    PixelCount text, background;
    const bool drawn = PumpUntil([&] {
        text = CountScreenPixels(rect, [&](COLORREF c) { return c == kText; });
        background = CountScreenPixels(rect, [](COLORREF c) { return c == kProbeBackground; });
        return text.matching > 20 && background.matching > text.total / 3;
    });
    EXPECT_TRUE(drawn) << "text pixels " << text.matching << ", window background pixels " << background.matching
                       << " of " << text.total;

    // A new colour replaces the old text entirely: no pixel of the old colour is left.
    constexpr COLORREF kNewText = RGB(20, 250, 60);
    SetProperty(kProbeWindow, "caption", Property::TextColour, static_cast<int>(kNewText));
    EXPECT_TRUE(PumpUntil([&] {
        return CountScreenPixels(rect, [&](COLORREF c) { return c == kText; }).matching == 0 &&
               CountScreenPixels(rect, [&](COLORREF c) { return c == kNewText; }).matching > 20;
    }));
}

}  // namespace
