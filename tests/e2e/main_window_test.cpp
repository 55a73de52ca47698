// The started program seen from outside: its main window, its controls, its pixels, its file.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "support/unique.h"
#include "tests/e2e/program_test.h"
#include "tests/support/pump.h"
#include "tests/support/test_main.h"
#include "tools/taskbar_standin.h"

namespace {

using namespace MainControl;

constexpr COLORREF kColourKey = RGB(255, 168, 255);

class MainWindowFromOutside : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        Start();
        // Looked at once docked: a place read while the first docking ticks move the window, and
        // a point looked up after they did, lie in two different places.
        ASSERT_EQ(CornerOnceDocked(main_), DockCorner());
    }
};

TEST_F(MainWindowFromOutside, IsABorderlessTopmostLayeredWindowWithoutColourKeyOrTaskbarButton) {
    RECT rect;
    GetWindowRect(main_, &rect);
    EXPECT_EQ(rect.right - rect.left, 70);
    EXPECT_EQ(rect.bottom - rect.top, 50);

    const LONG style = GetWindowLongA(main_, GWL_STYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_FALSE(style & (WS_CAPTION | WS_THICKFRAME | WS_SYSMENU));
    const LONG exStyle = GetWindowLongA(main_, GWL_EXSTYLE);
    EXPECT_TRUE(exStyle & WS_EX_TOPMOST);
    EXPECT_TRUE(exStyle & WS_EX_LAYERED);
    EXPECT_FALSE(exStyle & WS_EX_APPWINDOW);
    // Never the active window: passed over when the active window closes, not activated by a click.
    EXPECT_TRUE(exStyle & WS_EX_NOACTIVATE);
    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutA(main_, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(main_),
                                    MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN), SMTO_ABORTIFHUNG, 2000, &answer));
    EXPECT_EQ(answer, static_cast<DWORD_PTR>(MA_NOACTIVATE));

    // A surface with per-pixel alpha, never a colour key: a window that has layered attributes
    // cannot be given a surface, and its keyed pixels are not shown with HDR on nor hit by the mouse.
    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
    EXPECT_FALSE(GetLayeredWindowAttributes(main_, &key, &alpha, &flags))
        << "layered attributes set: key " << std::hex << key << ", flags " << flags;

    // Owned by a hidden window of its own process: no taskbar button.
    HWND owner = GetWindow(main_, GW_OWNER);
    ASSERT_NE(owner, nullptr);
    EXPECT_FALSE(IsWindowVisible(owner));
    DWORD ownerProcess = 0;
    GetWindowThreadProcessId(owner, &ownerProcess);
    EXPECT_EQ(ownerProcess, program_.ProcessId());
}

struct ExpectedChild { int index; const char* className; int top, width, height; const char* text; };

BOOL CALLBACK CollectChild(HWND hwnd, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(hwnd);
    return TRUE;
}

// Children from the top of the z-order down.
std::vector<HWND> ChildrenTopFirst(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) children.push_back(child);
    return children;
}

POINT CentreOnScreen(HWND window) {
    const RECT rect = WindowRect(window);
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

TEST_F(MainWindowFromOutside, HasItsNineVisibleControlsWhereTheTableStandsThem) {
    // The twelve controls of the table less the three timers, which are no windows.
    const ExpectedChild expected[] = {
        {kCpuLabel, "KestruneTransLabel", 7, 30, 20, "CPU"},
        {kCpuField, "Edit", 24, 30, 20, "1%"},
        {kMemoryLabel, "KestruneTransLabel", 7, 30, 20, "内存"},
        {kMemoryField, "Edit", 24, 30, 20, "10%"},
        {kMouseLayer, "KestruneTransLabel", 0, 70, 50, ""},  // over the whole window
        {kDownloadField, "Edit", 24, 50, 20, nullptr},
        {kUploadField, "Edit", 7, 50, 20, nullptr},
        {kDownloadArrow, "KestruneTransLabel", 24, 20, 20, "↓"},
        {kUploadArrow, "KestruneTransLabel", 8, 20, 20, "↑"},
    };
    std::vector<HWND> children;
    EnumChildWindows(main_, CollectChild, reinterpret_cast<LPARAM>(&children));
    EXPECT_EQ(children.size(), std::size(expected));

    for (const ExpectedChild& c : expected) {
        HWND child = ControlOf(main_, c.index);
        ASSERT_NE(child, nullptr) << "control " << c.index;
        char className[64] = {};
        GetClassNameA(child, className, sizeof className);
        EXPECT_STRCASEEQ(className, c.className) << "control " << c.index;
        const RECT rect = ChildRect(child);
        EXPECT_EQ(rect.top, c.top) << "control " << c.index;
        EXPECT_EQ(rect.right - rect.left, c.width) << "control " << c.index;
        EXPECT_EQ(rect.bottom - rect.top, c.height) << "control " << c.index;
        if (c.text) {
            EXPECT_EQ(WindowTextOf(child), c.text) << "control " << c.index;
        }
    }

    // What the order does: the mouse layer takes a click anywhere over the speeds, and each
    // transparent label is drawn over the fields it overlaps.
    const HWND layer = ControlOf(main_, kMouseLayer);
    for (const int field : {kDownloadField, kUploadField}) {
        const POINT centre = CentreOnScreen(ControlOf(main_, field));
        POINT inMain = centre;
        ScreenToClient(main_, &inMain);
        EXPECT_EQ(ChildWindowFromPointEx(main_, inMain, CWP_SKIPINVISIBLE), layer) << "over field " << field;
        EXPECT_EQ(WindowFromPoint(centre), layer) << "a click on field " << field;
    }
    const std::vector<HWND> order = ChildrenTopFirst(main_);
    auto depthOf = [&](int index) { return std::find(order.begin(), order.end(), ControlOf(main_, index)) - order.begin(); };
    int overlaps = 0;
    for (const ExpectedChild& label : expected) {
        if (std::string(label.className) != "KestruneTransLabel") continue;
        for (const ExpectedChild& field : expected) {
            if (std::string(field.className) != "Edit") continue;
            RECT overlap{};
            const RECT a = ChildRect(ControlOf(main_, label.index)), b = ChildRect(ControlOf(main_, field.index));
            if (!IntersectRect(&overlap, &a, &b)) continue;
            ++overlaps;
            EXPECT_LT(depthOf(label.index), depthOf(field.index)) << "label " << label.index << " under field " << field.index;
        }
    }
    EXPECT_GE(overlaps, 4) << "the mouse layer over every field at least";
}

// Every pixel of the window that is on the screen is the taskbar's, at most one step darker in a
// channel (the empty pixels are black at alpha 1 so that they take clicks), or the text's: no
// background of its own, no colour key, no edge pixel blended with either.
TEST_F(MainWindowFromOutside, ShowsOnlyItsTextOverTheTaskbar) {
    struct Case { const char* theme; int light; COLORREF taskbar, text; };
    const Case cases[] = {
        {"dark", 0, kDarkTaskbarColour, RGB(255, 255, 255)},
        {"light", 1, kLightTaskbarColour, static_cast<COLORREF>(0x131315)},
    };
    // Every reading on, so that every font of the window is on the screen, and judged only once
    // the speed fields show their text: an empty field has no fringe to show.
    program_.Stop();
    WriteConfig("1", "1");
    ProgramUnderTest program;
    HWND main = StartAndWaitForMain(program);
    ASSERT_NE(main, nullptr);
    for (int field : {MainControl::kUploadField, MainControl::kDownloadField}) {
        const auto shown = PollUntil([&] { return WindowTextOf(ControlOf(main, field)); },
                                     [](const std::string& text) { return !text.empty(); }, 3000);
        ASSERT_TRUE(shown.ok) << "field " << field << " shows no text";
    }
    PumpFor(200);
    for (const Case& c : cases) {
        SetSystemTheme(c.light);
        RepaintTaskbarStandIn(taskbar_.get(), c.taskbar);
        auto isTaskbar = [&](COLORREF p) {
            auto within = [](int shown, int below) { return shown <= below && shown >= below - 1; };
            return within(GetRValue(p), GetRValue(c.taskbar)) && within(GetGValue(p), GetGValue(c.taskbar)) &&
                   within(GetBValue(p), GetBValue(c.taskbar));
        };
        PixelCount taskbar, text, other;
        RECT rect{};
        const bool seen = PumpUntil([&] {
            GetWindowRect(main, &rect);
            taskbar = CountScreenPixels(rect, isTaskbar);
            text = CountScreenPixels(rect, [&](COLORREF p) { return p == c.text; });
            other = CountScreenPixels(rect, [&](COLORREF p) { return !isTaskbar(p) && p != c.text; });
            return other.matching == 0 && taskbar.matching > taskbar.total / 2 && text.matching > 10;
        });
        EXPECT_TRUE(seen) << c.theme << ": " << other.matching << " pixels neither taskbar nor text (first at "
                          << other.firstMatch.x << "," << other.firstMatch.y << "; colour key "
                          << CountScreenPixels(rect, [](COLORREF p) { return p == kColourKey; }).matching
                          << "), taskbar " << taskbar.matching << ", text " << text.matching << " of " << taskbar.total;
    }
}

TEST_F(MainWindowFromOutside, GivesItsFileTheFixedNameInItsOwnFolder) {
    const std::string folder = program_.Folder();
    EXPECT_TRUE(PumpUntil([&] { return FileExists(folder + "\\" + kFixedFileName); }));
    EXPECT_FALSE(FileExists(folder + "\\" + ProgramUnderTest::kStartName));
}

// A start name whose 乗 carries a 0x5C byte after the last real backslash, and a program in a
// drive's root started from another folder of that drive.
using ProgramFile = ProgramTest;

TEST_F(ProgramFile, TakesTheFixedNameInItsOwnFolderWhereverThatIs) {
    struct Case { const char* startName; bool atDriveRoot; };
    const Case cases[] = {{"下载乗abc.exe", false}, {"kestrune-root.exe", true}};
    for (const Case& c : cases) {
        ProgramUnderTest program(c.startName, c.atDriveRoot);
        ASSERT_TRUE(program.Start()) << c.startName;
        const std::string folder = program.Folder();
        EXPECT_TRUE(PumpUntil([&] { return FileExists(folder + "\\" + kFixedFileName); })) << folder;
        EXPECT_FALSE(FileExists(folder + "\\" + c.startName)) << folder;
        EXPECT_NE(program.WaitForWindow(kMainTitle), nullptr) << "still runs: " << folder;
    }
}

}  // namespace

int main(int argc, char** argv) {
    return RunAllTestsWithPaths(argc, argv, "e2e_tests <path of the built kestrune.exe> <path of console_probe.exe>",
                                {SetBuiltProgramPath, SetConsoleProbePath});
}
