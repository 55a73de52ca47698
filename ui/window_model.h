// The window and control model: windows are opened from definitions (tables of controls and
// event bindings), and handlers reach windows and controls by the names in those tables.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "support/text.h"

enum class ControlKind { EditBox, Label, CheckBox, Timer, TransLabel };
enum class Align { Left, Centre };

enum class Event { Created, Moved, Resized, Deactivated, Tick, Clicked, LeftButtonUp, RightButtonUp, MouseMove };

// Key state of mouse events: 1 Ctrl, 2 Shift, 4 Alt.
using Handler = void (*)();
using MouseHandler = void (*)(int x, int y, int keys);

struct FontDescription {
    int height = 0;  // logical height; 0 with no face means the default GUI font
    int weight = 0;
    const char* face = nullptr;  // "" lets the system choose a face for the character set
    bool IsDefault() const { return height == 0 && face == nullptr; }
};
constexpr FontDescription kDefaultGuiFont{};

// The colour a definition gives for "the system's own" (the window face colour).
constexpr COLORREF kSystemColour = 0xFF000000;

struct ControlDefinition {
    const char* name = "";
    ControlKind kind = ControlKind::Label;
    int left = 0, top = 0, width = 0, height = 0;
    const char* text = "";
    Align align = Align::Left;
    FontDescription font{};
    COLORREF textColour = 0;
    COLORREF backColour = 0;
    int period = 0;  // Timer only, milliseconds
};

// Table rows, one maker per control kind. EditBoxes are borderless, read-only and single-line.
constexpr ControlDefinition Timer(const char* name, int period) {
    return {.name = name, .kind = ControlKind::Timer, .period = period};
}
constexpr ControlDefinition EditBox(const char* name, int left, int top, int width, int height, const char* text,
                                    Align align, FontDescription font, COLORREF back) {
    return {.name = name, .kind = ControlKind::EditBox, .left = left, .top = top, .width = width, .height = height,
            .text = text, .align = align, .font = font, .backColour = back};
}
constexpr ControlDefinition TransLabel(const char* name, int left, int top, int width, int height, const char* caption,
                                       Align align, FontDescription font) {
    return {.name = name, .kind = ControlKind::TransLabel, .left = left, .top = top, .width = width, .height = height,
            .text = caption, .align = align, .font = font};
}
constexpr ControlDefinition Label(const char* name, int left, int top, int width, int height, const char* text) {
    return {.name = name, .kind = ControlKind::Label, .left = left, .top = top, .width = width, .height = height,
            .text = text, .backColour = kSystemColour};
}
constexpr ControlDefinition CheckBox(const char* name, int left, int top, int width, int height, const char* text,
                                     COLORREF back) {
    return {.name = name, .kind = ControlKind::CheckBox, .left = left, .top = top, .width = width, .height = height,
            .text = text, .backColour = back};
}

// source: a control's name, or kTheWindow for the window itself.
struct EventBinding {
    const char* source;
    Event event;
    Handler handler = nullptr;
    MouseHandler mouseHandler = nullptr;

    constexpr EventBinding(const char* source_, Event event_, Handler handler_)
        : source(source_), event(event_), handler(handler_) {}
    constexpr EventBinding(const char* source_, Event event_, MouseHandler handler_)
        : source(source_), event(event_), mouseHandler(handler_) {}
};
constexpr const char* kTheWindow = nullptr;

// None: a bare pop-up. Fixed: a caption and a frame that cannot be dragged to another size.
enum class Border { None, Fixed };

struct WindowDefinition {
    const char* title = "";
    Border border = Border::None;
    COLORREF background = kSystemColour;
    bool systemMenu = false;
    bool taskbarButton = false;
    bool alwaysOnTop = false;
    bool visible = false;
    int left = 0, top = 0, width = 0, height = 0;
    std::span<const ControlDefinition> controls{};
    std::span<const EventBinding> events{};
    // What a close request (Alt+F4, the frame's close button) does; without one the window closes.
    Handler closeRequested = nullptr;
    // Never the active window, so never the keyboard's: a click does not activate it, Windows
    // passes it over when the active window closes, and a close from the keyboard (Alt+F4, should
    // it get there all the same) is ignored. A close sent by another program still comes through.
    bool neverActive = false;
    // Shown as one layered surface with per-pixel alpha, drawn by the model from its controls'
    // texts, instead of the window and its controls painting themselves: what lies between the
    // strokes stays clickable, and the compositor shows it with HDR on, where a colour key shows
    // nothing. The controls remain the model (places, texts, colours) but never paint. Their
    // fonts are not antialiased, so that text and background sort apart by colour exactly.
    bool drawnAsOneSurface = false;
};

enum class Property { Left, Top, Width, Height, Visible, TextColour, BackColour, Checked, Period, AlwaysOnTop };

// Opens a window from its definition; an open one is brought forward instead (a pending close
// is finished first and a fresh window made). Returns true when the window is open afterwards.
bool OpenWindow(const WindowDefinition& window);
// Asks the window to close; it is destroyed when the posted close message arrives.
void CloseWindow(const WindowDefinition& window);
HWND GetWindowHandle(const WindowDefinition& window);
bool IsWindowOpen(const WindowDefinition& window);
bool IsClosePending(const WindowDefinition& window);
HWND GetControlHandle(const WindowDefinition& window, const char* control);

// Properties of the window (control = kTheWindow) or of a control, by name. On a window that
// is not open, reads give 0 or the empty text and writes do nothing. Calls from another thread
// are carried out on the window's own thread before they return.
int GetProperty(const WindowDefinition& window, const char* control, Property property);
void SetProperty(const WindowDefinition& window, const char* control, Property property, int value);
// Shows or hides the window where it is, leaving activation and the window order alone: the
// focus stays where the user put it.
void SetVisibleQuietly(const WindowDefinition& window, bool visible);
// Runs the work on the window's own thread and waits for it, provided the definition's window
// there is still this one; returns false, having done nothing, when it is gone or has been
// replaced by a fresh window of the same definition. Another thread that works on a window in
// several steps uses this for each step, so no step can land on a window opened after the first.
bool RunOnWindow(const WindowDefinition& window, HWND expected, const std::function<void()>& work);
// Title of the window, text of an EditBox, Label or CheckBox, caption of a TransLabel.
Text GetText(const WindowDefinition& window, const char* control);
void SetText(const WindowDefinition& window, const char* control, std::string_view text);

// A window drawn as one surface: the screen rectangle over which its empty pixels still take the
// mouse (for the readings, the taskbar under them); elsewhere they let clicks through to what lies
// below. Drawn again only when this changes the pixels.
void SetSurfaceBackdrop(const WindowDefinition& window, const RECT& screenRect);
// What the model last handed to UpdateLayeredWindow for a window drawn as one surface, and how
// many times it drew: for tests.
struct SurfaceSnapshot {
    int drawings = 0;
    bool shown = false;  // UpdateLayeredWindow succeeded
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;  // 0xAARRGGBB premultiplied, row by row from the top
    std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};
SurfaceSnapshot LastSurfaceForTesting(const WindowDefinition& window);

// A control name the definition does not have is looked up in vain and an event bound to one is
// never raised; neither stops the program, but each is counted here, per definition, so that a
// test can say that none happened.
int ControlNameMisses(const WindowDefinition& window);
void ResetControlNameMisses(const WindowDefinition& window);

// The never-shown window that owns every window without a taskbar button.
HWND CreateHiddenOwnerWindow();
HWND HiddenOwnerWindow();
// Destroys every open window and the hidden owner; for the end of the program.
void DestroyAllWindows();
