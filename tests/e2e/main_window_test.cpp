// The started program seen from outside: its main window, its controls, its pixels, its file.
#include <gtest/gtest.h>

#include <vector>

#include "support/unique.h"
#include "tests/e2e/program_under_test.h"
#include "tests/support/pump.h"
#include "tools/taskbar_standin.h"

namespace {

constexpr COLORREF kColourKey = RGB(255, 168, 255);
constexpr int kFirstControlId = 1000;

class MainWindowFromOutside : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveConfig();
        SetSystemTheme(-1);
        taskbar_.reset(CreateTaskbarStandIn(BottomTaskbar(kDarkTaskbarColour)));
        ASSERT_TRUE(program_.Start()) << "could not start " << BuiltProgramPath();
        main_ = program_.WaitForWindow("任务栏Kestrune");
        ASSERT_NE(main_, nullptr) << "no main window appeared";
    }

    UniqueWindow taskbar_;
    ProgramUnderTest program_;
    HWND main_ = nullptr;
};

TEST_F(MainWindowFromOutside, IsABorderlessTopmostColourKeyedWindowWithoutTaskbarButton) {
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

    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(main_, &key, &alpha, &flags));
    EXPECT_EQ(key, kColourKey);
    EXPECT_EQ(flags, static_cast<DWORD>(LWA_COLORKEY));

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

TEST_F(MainWindowFromOutside, HasItsNineVisibleControlsWhereTheTableStandsThem) {
    // The twelve controls of the table less the three timers, which are no windows.
    const ExpectedChild expected[] = {
        {1, "KestruneTransLabel", 7, 30, 20, "CPU"},
        {2, "Edit", 24, 30, 20, "1%"},
        {3, "KestruneTransLabel", 7, 30, 20, "内存"},
        {4, "Edit", 24, 30, 20, "10%"},
        {5, "KestruneTransLabel", 0, 70, 50, ""},  // the mouse layer, over the whole window
        {6, "Edit", 24, 50, 20, nullptr},          // download speed
        {7, "Edit", 7, 50, 20, nullptr},           // upload speed
        {9, "KestruneTransLabel", 24, 20, 20, "↓"},
        {10, "KestruneTransLabel", 8, 20, 20, "↑"},
    };
    std::vector<HWND> children;
    EnumChildWindows(main_, CollectChild, reinterpret_cast<LPARAM>(&children));
    EXPECT_EQ(children.size(), std::size(expected));

    for (const ExpectedChild& c : expected) {
        HWND child = GetDlgItem(main_, kFirstControlId + c.index);
        ASSERT_NE(child, nullptr) << "control " << c.index;
        char className[64] = {};
        GetClassNameA(child, className, sizeof className);
        EXPECT_STRCASEEQ(className, c.className) << "control " << c.index;
        RECT rect;
        GetWindowRect(child, &rect);
        MapWindowPoints(nullptr, main_, reinterpret_cast<POINT*>(&rect), 2);
        EXPECT_EQ(rect.top, c.top) << "control " << c.index;
        EXPECT_EQ(rect.right - rect.left, c.width) << "control " << c.index;
        EXPECT_EQ(rect.bottom - rect.top, c.height) << "control " << c.index;
        if (c.text) {
            char text[64] = {};
            DWORD_PTR copied = 0;
            SendMessageTimeoutA(child, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000,
                                &copied);
            EXPECT_STREQ(text, c.text) << "control " << c.index;
        }
    }
}

// Every pixel of the window that is on the screen is the taskbar's or the text's: no colour
// key, and no edge pixel blended with it (which would show as a pink fringe).
TEST_F(MainWindowFromOutside, ShowsOnlyItsTextOverTheTaskbar) {
    struct Case { const char* theme; int light; COLORREF taskbar, text; };
    const Case cases[] = {
        {"dark", 0, kDarkTaskbarColour, RGB(255, 255, 255)},
        {"light", 1, kLightTaskbarColour, static_cast<COLORREF>(0x131315)},
    };
    for (const Case& c : cases) {
        SetSystemTheme(c.light);
        RepaintTaskbarStandIn(taskbar_.get(), c.taskbar);
        PixelCount taskbar, text, other;
        RECT rect{};
        const bool seen = PumpUntil([&] {
            GetWindowRect(main_, &rect);
            taskbar = CountScreenPixels(rect, [&](COLORREF p) { return p == c.taskbar; });
            text = CountScreenPixels(rect, [&](COLORREF p) { return p == c.text; });
            other = CountScreenPixels(rect, [&](COLORREF p) { return p != c.taskbar && p != c.text; });
            return other.matching == 0 && taskbar.matching > taskbar.total / 2 && text.matching > 10;
        });
        EXPECT_TRUE(seen) << c.theme << ": " << other.matching << " pixels neither taskbar nor text (colour key "
                          << CountScreenPixels(rect, [](COLORREF p) { return p == kColourKey; }).matching
                          << "), taskbar " << taskbar.matching << ", text " << text.matching << " of " << taskbar.total;
    }
}

TEST_F(MainWindowFromOutside, GivesItsFileTheFixedNameInItsOwnFolder) {
    const std::string folder = program_.Folder();
    EXPECT_TRUE(PumpUntil([&] { return FileExists(folder + "\\任务栏Kestrune.exe"); }));
    EXPECT_FALSE(FileExists(folder + "\\" + ProgramUnderTest::kStartName));
}

// A start name whose 乗 carries a 0x5C byte after the last real backslash, and a program in a
// drive's root started from another folder of that drive.
TEST(ProgramFile, TakesTheFixedNameInItsOwnFolderWhereverThatIs) {
    struct Case { const char* startName; bool atDriveRoot; };
    const Case cases[] = {{"下载乗abc.exe", false}, {"kestrune-root.exe", true}};
    RemoveConfig();
    UniqueWindow taskbar(CreateTaskbarStandIn(BottomTaskbar(kDarkTaskbarColour)));
    for (const Case& c : cases) {
        ProgramUnderTest program(c.startName, c.atDriveRoot);
        ASSERT_TRUE(program.Start()) << c.startName;
        const std::string folder = program.Folder();
        EXPECT_TRUE(PumpUntil([&] { return FileExists(folder + "\\任务栏Kestrune.exe"); })) << folder;
        EXPECT_FALSE(FileExists(folder + "\\" + c.startName)) << folder;
        EXPECT_NE(program.WaitForWindow("任务栏Kestrune"), nullptr) << "still runs: " << folder;
    }
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: e2e_tests <path of the built kestrune.exe> <path of console_probe.exe>\n");
        return 2;
    }
    SetBuiltProgramPath(argv[1]);
    SetConsoleProbePath(argv[2]);
    return RUN_ALL_TESTS();
}
