// The readings drawn as one surface with per-pixel alpha: the pixels handed to the compositor,
// when they are drawn, and that each text lies where its control would paint it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/config.h"
#include "support/unique.h"
#include "tests/support/pump.h"
#include "tests/unit/program_windows.h"
#include "tools/taskbar_standin.h"
#include "ui/docking.h"
#include "ui/surface_pixels.h"
#include "ui/window_definitions.h"

using namespace MainControls;

namespace {

TEST(SurfacePixels, TextIsOpaqueInItsColourAndTheRestEmptyTakingClicksOnlyOverTheBackdrop) {
    constexpr COLORREF kBackground = RGB(255, 168, 255);
    // Two rows of four as GDI leaves them (alpha untouched, here even set); clickable: x 1-2, row 0.
    SurfacePixel pixels[] = {
        0x00FFA8FF, 0x00FFFFFF, 0xFFFFA8FF, 0x00131315,
        0x00FFA8FF, 0x00FFA8FF, 0x00FFA8FE, 0x00000000,
    };
    const SurfacePixel expected[] = {
        kEmpty,     0xFFFFFFFF,  // text, white
        kClickableEmpty,         // background over the backdrop, whatever its alpha byte said
        0xFF131315,              // text outside the backdrop is opaque all the same
        kEmpty,     kEmpty,      // background beside and below the backdrop
        0xFFFFA8FE,              // one step off the background is text
        0xFF000000,              // black text
    };
    SortSurfacePixels(pixels, 4, 2, kBackground, RECT{1, 0, 3, 1});
    for (int i = 0; i < 8; ++i) EXPECT_EQ(pixels[i], expected[i]) << "pixel " << i % 4 << "," << i / 4;
}

constexpr const char* kTextControls[] = {kUploadArrow, kDownloadArrow, kUploadField, kDownloadField,
                                         kCpuCaption,  kCpuField,      kMemoryCaption, kMemoryField};
constexpr const char* kFields[] = {kUploadField, kDownloadField, kCpuField, kMemoryField};
constexpr const char* kThemeKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";

void SetLightTheme(bool light) {
    UniqueKey key;
    RegCreateKeyExA(HKEY_CURRENT_USER, kThemeKey, 0, nullptr, 0, KEY_WRITE, nullptr, key.put(), nullptr);
    const DWORD value = light ? 1 : 0;
    RegSetValueExA(key.get(), "SystemUsesLightTheme", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

RECT ControlRectOf(const WindowDefinition& window, const char* control) {
    const int left = GetProperty(window, control, Property::Left), top = GetProperty(window, control, Property::Top);
    return {left, top, left + GetProperty(window, control, Property::Width),
            top + GetProperty(window, control, Property::Height)};
}

// A taskbar along the top of the screen, lower than the readings: they reach over other programs.
TaskbarPlacement LowTopTaskbar(COLORREF colour) {
    const int width = GetSystemMetrics(SM_CXSCREEN);
    return {{0, 0, width, 30}, {width - 200, 0, width, 30}, colour};
}

// The main window in process beside a taskbar stand-in, every reading on, its timers stopped so
// that only the test writes its texts and docks it.
class ReadingsSurface : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteFileA(kConfigPath);
        WriteSwitch(kCpuSwitch, "1");
        WriteSwitch(kMemorySwitch, "1");
        ResetProgramWindowMisses();
        CreateHiddenOwnerWindow();
    }
    void TearDown() override {
        CloseWindow(kMainWindow);
        PumpUntil([] { return !IsWindowOpen(kMainWindow); });
        SetLightTheme(false);
        DeleteFileA(kConfigPath);
        ExpectNoControlNameMissed();
    }
    void Open(const TaskbarPlacement& placement) {
        taskbar_.reset(CreateTaskbarStandIn(placement));
        ASSERT_TRUE(OpenWindow(kMainWindow));
        for (const char* timer : {kRefreshTimer, kCpuTimer, kDockingTimer}) {
            SetProperty(kMainWindow, timer, Property::Period, 0);
        }
        DockMainWindow();
        PumpFor(100);
    }
    void ShowTexts(const char* upload, const char* download, const char* cpu, const char* memory) {
        SetText(kMainWindow, kUploadField, upload);
        SetText(kMainWindow, kDownloadField, download);
        SetText(kMainWindow, kCpuField, cpu);
        SetText(kMainWindow, kMemoryField, memory);
        PumpFor(50);
    }
    int Drawings() { return LastSurfaceForTesting(kMainWindow).drawings; }
    UniqueWindow taskbar_;
};

TEST_F(ReadingsSurface, ShowsItsTextsOpaqueInTheThemesColourWhereTheControlsStandAndTakesClicksOnlyOverTheTaskbar) {
    struct Case { const char* name; TaskbarPlacement placement; bool light; COLORREF text; };
    const Case cases[] = {
        {"dark, along the bottom", BottomTaskbar(kDarkTaskbarColour), false, kDarkThemeText},
        {"light, along the bottom", BottomTaskbar(kLightTaskbarColour), true, kLightThemeText},
        {"dark, along the top and lower than the readings", LowTopTaskbar(kDarkTaskbarColour), false, kDarkThemeText},
    };
    for (const Case& c : cases) {
        SetLightTheme(c.light);
        Open(c.placement);
        ShowTexts("999.9K/s", "1.5M/s", "100%", "7%");

        const SurfaceSnapshot surface = LastSurfaceForTesting(kMainWindow);
        ASSERT_TRUE(surface.shown) << c.name << ": UpdateLayeredWindow failed";
        RECT window{};
        GetWindowRect(GetWindowHandle(kMainWindow), &window);
        ASSERT_EQ(surface.width, window.right - window.left) << c.name;
        ASSERT_EQ(surface.height, window.bottom - window.top) << c.name;
        RECT overTaskbar{};
        GetWindowRect(taskbar_.get(), &overTaskbar);
        OffsetRect(&overTaskbar, -window.left, -window.top);

        std::vector<RECT> places;
        for (const char* control : kTextControls) places.push_back(ControlRectOf(kMainWindow, control));
        std::vector<int> textPixels(places.size(), 0);
        int clickable = 0, seeThrough = 0, wrong = 0;
        std::string firstWrong;
        for (int y = 0; y < surface.height; ++y) {
            for (int x = 0; x < surface.width; ++x) {
                const SurfacePixel pixel = surface.At(x, y);
                const POINT point{x, y};
                bool right = false;
                if ((pixel >> 24) == 0xFF) {
                    right = (pixel & 0xFFFFFF) == ((GetRValue(c.text) << 16u) | (GetGValue(c.text) << 8u) | GetBValue(c.text));
                    bool placed = false;
                    for (std::size_t i = 0; i < places.size(); ++i) {
                        if (PtInRect(&places[i], point)) {
                            placed = true;
                            ++textPixels[i];
                        }
                    }
                    right = right && placed;
                } else if (PtInRect(&overTaskbar, point)) {
                    right = pixel == kClickableEmpty;
                    ++clickable;
                } else {
                    right = pixel == kEmpty;
                    ++seeThrough;
                }
                if (!right && wrong++ == 0) {
                    char text[96];
                    snprintf(text, sizeof text, "%d,%d is %08X", x, y, static_cast<unsigned>(pixel));
                    firstWrong = text;
                }
            }
        }
        EXPECT_EQ(wrong, 0) << c.name << ": first " << firstWrong;
        for (std::size_t i = 0; i < places.size(); ++i) EXPECT_GT(textPixels[i], 3) << c.name << ": " << kTextControls[i];
        EXPECT_GT(clickable, surface.width * 20) << c.name;
        EXPECT_GT(seeThrough, surface.width * 9) << c.name << ": the rows beyond the taskbar";

        CloseWindow(kMainWindow);
        PumpUntil([] { return !IsWindowOpen(kMainWindow); });
    }
}

TEST_F(ReadingsSurface, DrawsOnceForTheTextsOfOneRefreshAgainForAColourOrATaskbarThatMovedAndNeverForNothing) {
    Open(BottomTaskbar(kDarkTaskbarColour));
    ShowTexts("1.0K/s", "2.0K/s", "3%", "4%");
    const int before = Drawings();

    ShowTexts("5.0K/s", "6.0K/s", "7%", "8%");
    EXPECT_EQ(Drawings(), before + 1) << "four new texts written in one handler";
    ShowTexts("5.0K/s", "6.0K/s", "7%", "8%");
    DockMainWindow();
    DockMainWindow();
    PumpFor(50);
    EXPECT_EQ(Drawings(), before + 1) << "the same texts and a steady taskbar";

    SetLightTheme(true);
    DockMainWindow();
    PumpFor(50);
    EXPECT_EQ(Drawings(), before + 2) << "the theme's colour";
    EXPECT_EQ(LastSurfaceForTesting(kMainWindow).At(GetProperty(kMainWindow, kUploadField, Property::Left) + 2, 0),
              kClickableEmpty);

    // The taskbar grows by ten pixels upwards: the readings follow it and draw once.
    RECT bar{};
    GetWindowRect(taskbar_.get(), &bar);
    SetWindowPos(taskbar_.get(), nullptr, bar.left, bar.top - 10, bar.right - bar.left, bar.bottom - bar.top + 10,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    DockMainWindow();
    PumpFor(50);
    EXPECT_EQ(Drawings(), before + 3) << "a taskbar that moved";
    DockMainWindow();
    PumpFor(50);
    EXPECT_EQ(Drawings(), before + 3);
}

// Each field's pixels as a mask, row by row ('#' text, '.' background, '?' where another control
// overlaps it): drawn on the surface, and painted by the same field itself in a window of the same
// controls that paints them, read from the screen.
TEST_F(ReadingsSurface, EachFieldsTextLiesWhereTheFieldWouldPaintItItself) {
    // The main window's controls in a window that paints them itself, over the same background.
    static const WindowDefinition reference = [] {
        WindowDefinition copy = kMainWindow;
        copy.title = "painted by its controls";
        copy.drawnAsOneSurface = false;
        copy.neverActive = false;
        copy.events = {};
        copy.closeRequested = nullptr;
        copy.left = 100;
        copy.top = 100;
        return copy;
    }();
    Open(BottomTaskbar(kDarkTaskbarColour));
    ASSERT_TRUE(OpenWindow(reference));
    SetProperty(reference, kTheWindow, Property::Width, GetProperty(kMainWindow, kTheWindow, Property::Width));
    for (const char* control : kTextControls) {
        SetProperty(reference, control, Property::Left, GetProperty(kMainWindow, control, Property::Left));
        SetProperty(reference, control, Property::TextColour, GetProperty(kMainWindow, control, Property::TextColour));
    }
    for (const char* field : kFields) {
        const auto font = SendMessageA(GetControlHandle(kMainWindow, field), WM_GETFONT, 0, 0);
        SendMessageA(GetControlHandle(reference, field), WM_SETFONT, static_cast<WPARAM>(font), TRUE);
    }

    const char* const rounds[][4] = {
        {"0.0K/s", "1.5M/s", "1%", "7%"},
        {"1023.9K/s", "999.9K/s", "100%", "100%"},  // as wide as they come
    };
    for (const auto& texts : rounds) {
        for (int i = 0; i < 4; ++i) {
            SetText(kMainWindow, kFields[i], texts[i]);
            SetText(reference, kFields[i], texts[i]);
        }
        RedrawWindow(GetWindowHandle(reference), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        PumpFor(300);
        const SurfaceSnapshot surface = LastSurfaceForTesting(kMainWindow);
        RECT painted{};
        GetWindowRect(GetWindowHandle(reference), &painted);
        for (const char* field : kFields) {
            const RECT place = ControlRectOf(kMainWindow, field);
            const int width = place.right - place.left, height = place.bottom - place.top;
            RECT onScreen = place;
            OffsetRect(&onScreen, painted.left, painted.top);
            const std::vector<COLORREF> screen = ScreenPixels(onScreen);
            ASSERT_EQ(screen.size(), static_cast<std::size_t>(width) * height) << field;
            std::string itself, drawn;
            for (int y = 0; y < height; ++y) {
                for (int x = 0; x < width; ++x) {
                    // Where another control overlaps the field, which one shows depended on which
                    // painted last: only the field's own pixels are compared.
                    const POINT point{place.left + x, place.top + y};
                    bool underLabel = false;
                    for (const char* other : kTextControls) {
                        const RECT otherPlace = ControlRectOf(kMainWindow, other);
                        underLabel = underLabel || (other != field && PtInRect(&otherPlace, point));
                    }
                    itself += underLabel ? '?' : screen[y * width + x] != kTransparentColour ? '#' : '.';
                    drawn += underLabel ? '?' : (surface.At(point.x, point.y) >> 24) == 0xFF ? '#' : '.';
                }
                itself += '\n';
                drawn += '\n';
            }
            EXPECT_EQ(drawn, itself)
                << field << " \"" << GetText(kMainWindow, field) << "\": drawn on the surface (left) and painted by the field";
        }
    }
    CloseWindow(reference);
    PumpUntil([] { return !IsWindowOpen(reference); });
}

}  // namespace
