// The window and control model: creation from definitions, events, properties by name, and
// property access from other threads carried out on the window's own thread.
#include "ui/window_model.h"

#include <windowsx.h>

#include <array>
#include <atomic>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

#include "support/dib.h"
#include "support/unique.h"
#include "ui/surface_pixels.h"

namespace {

constexpr char kWindowClass[] = "KestruneWindow";
constexpr char kOwnerClass[] = "KestruneOwner";
constexpr char kLabelClass[] = "KestruneLabel";
constexpr char kTransLabelClass[] = "KestruneTransLabel";

constexpr UINT kCloseMessage = WM_APP + 0x100;  // the deferred close of CloseWindow
constexpr UINT kCallMessage = WM_APP + 0x101;   // work sent over from another thread
constexpr UINT kSurfaceMessage = WM_APP + 0x102;  // a surface to draw again, once the handler at work is done
constexpr int kFirstControlId = 1000;

constexpr int kWindowSlot = 0;  // binding slot of the window; control i uses slot i + 1
constexpr int kNoSuchControl = -1;

constexpr int kEventKinds = static_cast<int>(Event::MouseMove) + 1;
using Bindings = std::array<const EventBinding*, kEventKinds>;

struct ControlState {
    HWND hwnd = nullptr;
    UniqueFont ownFont;  // empty when the control uses the stock GUI font
    HFONT font = nullptr;
    UniqueBrush backBrush;
    COLORREF textColour = 0;
    COLORREF backColour = 0;
    int period = 0;
};

// What a window drawn as one surface shows, kept between drawings so that a change that changes
// nothing draws nothing.
struct SurfaceState {
    bool drawPosted = false;
    bool contentChanged = true;  // a text, a colour or a control's place or visibility
    RECT backdrop{};             // screen coordinates
    SIZE drawnSize{};
    SIZE bitmapSize{};
    RECT drawnClickable{};       // surface coordinates
    UniqueBitmap bitmap;         // a top-down 32-bit DIB section of bitmapSize, reused while it fits
    SurfacePixel* bits = nullptr;
    int drawings = 0;
    bool shown = false;
};

struct WindowState {
    std::atomic<const WindowDefinition*> definition{nullptr};
    std::atomic<HWND> hwnd{nullptr};
    std::atomic<DWORD> threadId{0};
    std::atomic<bool> closePending{false};
    bool eventsLive = false;
    RECT lastRect{};
    COLORREF background = 0;
    UniqueBrush backgroundBrush;
    bool alwaysOnTop = false;
    std::vector<ControlState> controls;
    std::vector<Bindings> bindings;  // slot 0 the window, then one per control
    std::atomic<int> controlNameMisses{0};
    SurfaceState surface;
};

// A handful of definitions exist; slots are claimed on the owning thread and never released,
// so other threads can look a definition up without a lock.
std::array<WindowState, 8> g_windows;
HWND g_hiddenOwner = nullptr;
ATOM g_labelAtom = 0;
ATOM g_transLabelAtom = 0;

struct CrossThreadCall {
    void (*run)(void*);
    void* work;
};

WindowState* FindState(const WindowDefinition& window) {
    for (auto& state : g_windows) {
        if (state.definition.load() == &window) return &state;
    }
    return nullptr;
}

WindowState* ClaimState(const WindowDefinition& window) {
    if (WindowState* state = FindState(window)) return state;
    for (auto& state : g_windows) {
        const WindowDefinition* expected = nullptr;
        if (state.definition.compare_exchange_strong(expected, &window)) return &state;
    }
    return nullptr;
}

WindowState* OpenState(const WindowDefinition& window) {
    WindowState* state = FindState(window);
    return state && state->hwnd.load() ? state : nullptr;
}

bool OnOwnerThread(const WindowState& state) { return GetCurrentThreadId() == state.threadId.load(); }

// Runs work on the window's thread and waits for it; a window that is gone does nothing.
template <typename Work>
void RunOnOwnerThread(WindowState& state, Work&& work) {
    HWND hwnd = state.hwnd.load();
    if (!hwnd) return;
    CrossThreadCall call{[](void* p) { (*static_cast<std::remove_reference_t<Work>*>(p))(); }, &work};
    SendMessageA(hwnd, kCallMessage, 0, reinterpret_cast<LPARAM>(&call));
}

// Runs the work on the window's thread, at once when that is this thread.
template <typename Work>
void OnWindowThread(WindowState& state, Work&& work) {
    if (OnOwnerThread(state)) {
        work();
    } else {
        RunOnOwnerThread(state, work);
    }
}

void RecordMiss(const WindowDefinition& window) {
    if (WindowState* state = ClaimState(window)) ++state->controlNameMisses;
}

// The index of the named control; a name the definition lacks is recorded. The definitions never
// change, so any thread may look a name up.
int FindControl(const WindowDefinition& window, const char* name) {
    if (!name) return kNoSuchControl;
    for (std::size_t i = 0; i < window.controls.size(); ++i) {
        if (std::strcmp(window.controls[i].name, name) == 0) return static_cast<int>(i);
    }
    RecordMiss(window);
    return kNoSuchControl;
}

// What a name in a call leads to: the open window itself or one of its controls. No state when
// the window is not open or lacks the control.
struct Target {
    WindowState* state = nullptr;
    bool isWindow = false;
    int index = kNoSuchControl;
};

Target FindTarget(const WindowDefinition& window, const char* control) {
    if (control == kTheWindow) return {.state = OpenState(window), .isWindow = true};
    // Looked up before the window is known to be open, so that a wrong name is recorded either way.
    const int index = FindControl(window, control);
    if (index == kNoSuchControl) return {};
    return {.state = OpenState(window), .index = index};
}

int ControlIndexOf(const WindowState& state, HWND control) {
    const int index = GetDlgCtrlID(control) - kFirstControlId;
    if (index < 0 || index >= static_cast<int>(state.controls.size())) return kNoSuchControl;
    return state.controls[index].hwnd == control ? index : kNoSuchControl;
}

WindowState* StateOfWindow(HWND hwnd) { return reinterpret_cast<WindowState*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA)); }

COLORREF Resolve(COLORREF colour) { return colour == kSystemColour ? GetSysColor(COLOR_BTNFACE) : colour; }

int KeyState(WPARAM flags) {
    return ((flags & MK_CONTROL) ? 1 : 0) | ((flags & MK_SHIFT) ? 2 : 0) | (GetKeyState(VK_MENU) < 0 ? 4 : 0);
}

bool IsMouseMessage(UINT message) {
    return message == WM_MOUSEMOVE || message == WM_LBUTTONUP || message == WM_RBUTTONUP;
}

Event MouseEventOf(UINT message) {
    switch (message) {
    case WM_LBUTTONUP: return Event::LeftButtonUp;
    case WM_RBUTTONUP: return Event::RightButtonUp;
    default: return Event::MouseMove;
    }
}

void Raise(WindowState& state, int slot, Event event, int x = 0, int y = 0, int keys = 0) {
    if (!state.eventsLive || slot < 0 || slot >= static_cast<int>(state.bindings.size())) return;
    const EventBinding* binding = state.bindings[slot][static_cast<int>(event)];
    if (!binding) return;
    if (binding->mouseHandler) {
        binding->mouseHandler(x, y, keys);
    } else if (binding->handler) {
        binding->handler();
    }
}

void RaiseMouseEvent(WindowState& state, int slot, UINT message, WPARAM wParam, LPARAM lParam) {
    Raise(state, slot, MouseEventOf(message), GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), KeyState(wParam));
}

bool HasMouseBindings(const WindowState& state, int slot) {
    const Bindings& bindings = state.bindings[slot];
    return bindings[static_cast<int>(Event::MouseMove)] || bindings[static_cast<int>(Event::LeftButtonUp)] ||
           bindings[static_cast<int>(Event::RightButtonUp)];
}

void DestroyOpenWindow(WindowState& state) {
    HWND hwnd = state.hwnd.load();
    if (!hwnd) return;
    state.eventsLive = false;  // no handler runs on any close, not even deactivation
    DestroyWindow(hwnd);
}

void ForgetWindow(WindowState& state) {
    state.eventsLive = false;
    state.hwnd = nullptr;
    state.closePending = false;
    state.controls.clear();  // fonts and brushes go after the controls that used them
    state.bindings.clear();
    state.backgroundBrush.reset();
    state.surface = SurfaceState{};
}

RECT ControlRect(const WindowState& state, const ControlState& control) {
    RECT rect{};
    GetWindowRect(control.hwnd, &rect);
    MapWindowPoints(nullptr, state.hwnd.load(), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

bool DrawnAsOneSurface(const WindowState& state) {
    const WindowDefinition* definition = state.definition.load();
    return definition && definition->drawnAsOneSurface;
}

// The surface is drawn again once the handler at work is done, so that the texts one refresh
// writes are drawn together, once. A request that changes nothing draws nothing.
void RequestSurface(WindowState& state, bool contentChanged) {
    if (!DrawnAsOneSurface(state)) return;
    if (contentChanged) state.surface.contentChanged = true;
    if (state.surface.drawPosted) return;
    state.surface.drawPosted = PostMessageA(state.hwnd.load(), kSurfaceMessage, 0, 0) != FALSE;
}

// A TransLabel has no background: what lies behind it is painted again, then its text.
void RepaintBehind(const WindowState& state, const ControlState& control) {
    const RECT rect = ControlRect(state, control);
    RedrawWindow(state.hwnd.load(), &rect, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void RepaintControl(WindowState& state, const ControlDefinition& definition, const ControlState& control) {
    if (DrawnAsOneSurface(state)) {
        RequestSurface(state, true);
        return;
    }
    if (definition.kind == ControlKind::TransLabel) {
        RepaintBehind(state, control);
    } else {
        InvalidateRect(control.hwnd, nullptr, TRUE);
    }
}

void WritePeriod(WindowState& state, int index, int period) {
    if (period < 0) period = 0;
    ControlState& control = state.controls[index];
    if (period == control.period) return;  // a rewrite must not delay the next tick
    KillTimer(state.hwnd.load(), kFirstControlId + index);
    control.period = period;
    if (period > 0) SetTimer(state.hwnd.load(), kFirstControlId + index, static_cast<UINT>(period), nullptr);
}

void WriteWindowProperty(WindowState& state, Property property, int value) {
    HWND hwnd = state.hwnd.load();
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    constexpr UINT kMove = SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;
    constexpr UINT kSize = SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE;
    switch (property) {
    case Property::Left:
        if (value != rect.left) SetWindowPos(hwnd, nullptr, value, rect.top, 0, 0, kMove);
        break;
    case Property::Top:
        if (value != rect.top) SetWindowPos(hwnd, nullptr, rect.left, value, 0, 0, kMove);
        break;
    case Property::Width:
        if (value != width) SetWindowPos(hwnd, nullptr, 0, 0, value, height, kSize);
        break;
    case Property::Height:
        if (value != height) SetWindowPos(hwnd, nullptr, 0, 0, width, value, kSize);
        break;
    case Property::Visible:
        if ((value != 0) != (IsWindowVisible(hwnd) != FALSE)) ShowWindow(hwnd, value ? SW_SHOW : SW_HIDE);
        break;
    case Property::BackColour:
        if (static_cast<COLORREF>(value) != state.background) {
            state.background = static_cast<COLORREF>(value);
            state.backgroundBrush.reset(CreateSolidBrush(state.background));
            InvalidateRect(hwnd, nullptr, TRUE);
            RequestSurface(state, true);
        }
        break;
    case Property::AlwaysOnTop:
        // Applied on every write: the window climbs back over windows that came to the front.
        state.alwaysOnTop = value != 0;
        SetWindowPos(hwnd, value ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        break;
    default:
        break;
    }
}

void WriteControlProperty(WindowState& state, int index, Property property, int value) {
    const ControlDefinition& definition = state.definition.load()->controls[index];
    ControlState& control = state.controls[index];
    if (definition.kind == ControlKind::Timer) {
        if (property == Property::Period) WritePeriod(state, index, value);
        return;
    }
    const RECT rect = ControlRect(state, control);
    RECT moved = rect;
    switch (property) {
    case Property::Left: moved = {value, rect.top, value + rect.right - rect.left, rect.bottom}; break;
    case Property::Top: moved = {rect.left, value, rect.right, value + rect.bottom - rect.top}; break;
    case Property::Width: moved.right = rect.left + value; break;
    case Property::Height: moved.bottom = rect.top + value; break;
    case Property::Visible:
        if ((value != 0) != ((GetWindowLongA(control.hwnd, GWL_STYLE) & WS_VISIBLE) != 0)) {
            ShowWindow(control.hwnd, value ? SW_SHOWNA : SW_HIDE);
            RequestSurface(state, true);
        }
        return;
    case Property::TextColour:
        if (static_cast<COLORREF>(value) == control.textColour) return;
        control.textColour = static_cast<COLORREF>(value);
        RepaintControl(state, definition, control);
        return;
    case Property::BackColour:
        if (static_cast<COLORREF>(value) == control.backColour) return;
        control.backColour = static_cast<COLORREF>(value);
        control.backBrush.reset(CreateSolidBrush(control.backColour));
        RepaintControl(state, definition, control);
        return;
    case Property::Checked:
        if (definition.kind == ControlKind::CheckBox) {
            SendMessageA(control.hwnd, BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
        }
        return;
    default:
        return;
    }
    if (EqualRect(&moved, &rect)) return;
    SetWindowPos(control.hwnd, nullptr, moved.left, moved.top, moved.right - moved.left, moved.bottom - moved.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    if (DrawnAsOneSurface(state)) {
        RequestSurface(state, true);
    } else if (definition.kind == ControlKind::TransLabel) {
        // Its old place shows its old text until the parent paints there again.
        RedrawWindow(state.hwnd.load(), &rect, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
        RepaintBehind(state, control);
    }
}

int ReadWindowProperty(const WindowState& state, Property property) {
    HWND hwnd = state.hwnd.load();
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    switch (property) {
    case Property::Left: return rect.left;
    case Property::Top: return rect.top;
    case Property::Width: return rect.right - rect.left;
    case Property::Height: return rect.bottom - rect.top;
    case Property::Visible: return IsWindowVisible(hwnd) ? 1 : 0;
    case Property::BackColour: return static_cast<int>(state.background);
    case Property::AlwaysOnTop: return state.alwaysOnTop ? 1 : 0;
    default: return 0;
    }
}

int ReadControlProperty(const WindowState& state, int index, Property property) {
    const ControlDefinition& definition = state.definition.load()->controls[index];
    const ControlState& control = state.controls[index];
    if (definition.kind == ControlKind::Timer) return property == Property::Period ? control.period : 0;
    const RECT rect = ControlRect(state, control);
    switch (property) {
    case Property::Left: return rect.left;
    case Property::Top: return rect.top;
    case Property::Width: return rect.right - rect.left;
    case Property::Height: return rect.bottom - rect.top;
    case Property::Visible: return (GetWindowLongA(control.hwnd, GWL_STYLE) & WS_VISIBLE) ? 1 : 0;
    case Property::TextColour: return static_cast<int>(control.textColour);
    case Property::BackColour: return static_cast<int>(control.backColour);
    case Property::Checked:
        return definition.kind == ControlKind::CheckBox && SendMessageA(control.hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
    default: return 0;
    }
}

Text ReadWindowText(HWND hwnd) {
    const int length = GetWindowTextLengthA(hwnd);
    if (length <= 0) return {};
    Text text(static_cast<std::size_t>(length) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(hwnd, text.data(), length + 1)));
    return text;
}

// Painting of the two control kinds the model draws itself.
// rect: the control's place in the device context.
void DrawLabel(HWND hwnd, HDC dc, RECT rect, const ControlDefinition& definition, const ControlState& control) {
    if (definition.kind == ControlKind::Label && control.backBrush) FillRect(dc, &rect, control.backBrush.get());
    const Text text = ReadWindowText(hwnd);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, control.textColour);
    const ScopedSelection font(dc, control.font);
    UINT format = DT_NOPREFIX;
    if (definition.kind == ControlKind::Label) {
        format |= DT_SINGLELINE | DT_VCENTER | DT_LEFT;
    } else {
        format |= DT_WORDBREAK | (definition.align == Align::Centre ? DT_CENTER : DT_LEFT);
    }
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &rect, format);
}

void PaintLabel(HWND hwnd, const ControlDefinition& definition, const ControlState& control) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd, &paint);
    RECT client;
    GetClientRect(hwnd, &client);
    DrawLabel(hwnd, dc, client, definition, control);  // its font is deselected before the paint ends
    EndPaint(hwnd, &paint);
}

// An edit control's single line exactly where the control itself puts it: each character at the
// place the control gives for it, clipped to its formatting rectangle. So its margins, alignment,
// scrolling of a line too wide and its own spacing of the glyphs (which differs from DrawText's
// after some letters) all carry over. place: the control's place in the device context.
void DrawEditText(HWND edit, HDC dc, const RECT& place, const ControlState& control) {
    const POINT origin{place.left, place.top};
    const Text text = ReadWindowText(edit);
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (length <= 0) return;
    std::wstring line(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), line.data(), length);
    // The place of every character (Windows answers -1 for the end of the line, so the last
    // character's advance is its own width). The figures the fields hold are single-byte
    // characters, whose indexes are the same counted in characters or in bytes.
    std::vector<POINT> places(static_cast<std::size_t>(length));
    for (int i = 0; i < length; ++i) {
        const auto place = static_cast<DWORD>(SendMessageA(edit, EM_POSFROMCHAR, static_cast<WPARAM>(i), 0));
        places[i] = {static_cast<short>(LOWORD(place)), static_cast<short>(HIWORD(place))};
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, control.textColour);
    SetTextAlign(dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
    const ScopedSelection font(dc, control.font);
    std::vector<INT> advances(static_cast<std::size_t>(length));
    for (int i = 0; i + 1 < length; ++i) advances[i] = places[i + 1].x - places[i].x;
    SIZE last{};
    GetTextExtentPoint32W(dc, &line[length - 1], 1, &last);
    advances[length - 1] = last.cx;
    RECT clip{};
    SendMessageA(edit, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&clip));
    OffsetRect(&clip, origin.x, origin.y);
    IntersectRect(&clip, &clip, &place);
    ExtTextOutW(dc, origin.x + places[0].x, origin.y + places[0].y, ETO_CLIPPED, &clip, line.data(),
                static_cast<UINT>(length), advances.data());
}

// Every visible control as it would paint itself, from the bottom of their order up, over the
// window's background: where two overlap, the upper one's background and text lie over the lower
// one's, whichever changed last (painting themselves, the one that happened to paint last won).
void DrawControlsInto(WindowState& state, HDC dc, SIZE size) {
    const RECT all{0, 0, size.cx, size.cy};
    FillRect(dc, &all, state.backgroundBrush.get());
    HWND top = GetWindow(state.hwnd.load(), GW_CHILD);
    for (HWND child = top ? GetWindow(top, GW_HWNDLAST) : nullptr; child; child = GetWindow(child, GW_HWNDPREV)) {
        const int index = ControlIndexOf(state, child);
        if (index == kNoSuchControl || !(GetWindowLongA(child, GWL_STYLE) & WS_VISIBLE)) continue;
        const ControlDefinition& definition = state.definition.load()->controls[index];
        ControlState& control = state.controls[index];
        const RECT rect = ControlRect(state, control);
        RECT shown{};
        if (!IntersectRect(&shown, &rect, &all)) continue;  // a column switched off stands outside
        switch (definition.kind) {
        case ControlKind::EditBox:
            if (!control.backBrush) control.backBrush.reset(CreateSolidBrush(control.backColour));
            FillRect(dc, &rect, control.backBrush.get());
            DrawEditText(child, dc, rect, control);
            break;
        case ControlKind::Label:
        case ControlKind::TransLabel:
            DrawLabel(child, dc, rect, definition, control);
            break;
        case ControlKind::CheckBox:  // a system control with a look of its own: not for a surface
        case ControlKind::Timer:
            break;
        }
    }
}

bool FitSurfaceBitmap(SurfaceState& surface, SIZE size) {
    if (surface.bitmap && surface.bitmapSize.cx == size.cx && surface.bitmapSize.cy == size.cy) return true;
    surface.bitmap = CreateTopDownDib(size.cx, size.cy, &surface.bits);
    surface.bitmapSize = surface.bitmap ? size : SIZE{};
    return static_cast<bool>(surface.bitmap);
}

// Draws the window's surface and hands it to the compositor, unless nothing it shows has changed
// since the last time: no text, colour or control, neither the window's size nor the part of it
// over the backdrop.
void DrawSurface(WindowState& state) {
    SurfaceState& surface = state.surface;
    surface.drawPosted = false;
    HWND hwnd = state.hwnd.load();
    RECT window{};
    GetWindowRect(hwnd, &window);
    const SIZE size{window.right - window.left, window.bottom - window.top};
    RECT clickable{};
    if (IntersectRect(&clickable, &surface.backdrop, &window)) OffsetRect(&clickable, -window.left, -window.top);
    const bool sameSize = size.cx == surface.drawnSize.cx && size.cy == surface.drawnSize.cy;
    if (!surface.contentChanged && sameSize && EqualRect(&clickable, &surface.drawnClickable)) return;
    if (size.cx <= 0 || size.cy <= 0 || !FitSurfaceBitmap(surface, size)) return;

    const UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    if (!dc) return;
    const ScopedSelection bitmap(dc.get(), surface.bitmap.get());
    DrawControlsInto(state, dc.get(), size);
    GdiFlush();  // the pixels are read directly
    SortSurfacePixels(surface.bits, size.cx, size.cy, state.background, clickable);
    POINT origin{0, 0};
    SIZE shownSize = size;
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    surface.shown =
        UpdateLayeredWindow(hwnd, nullptr, nullptr, &shownSize, dc.get(), &origin, 0, &blend, ULW_ALPHA) != FALSE;
    ++surface.drawings;
    // A surface the compositor refused is drawn again at the next request.
    surface.contentChanged = !surface.shown;
    surface.drawnSize = size;
    surface.drawnClickable = clickable;
}

LRESULT CALLBACK ControlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const ATOM atom = static_cast<ATOM>(GetClassLongA(hwnd, GCW_ATOM));
    const bool ownClass = atom == g_labelAtom || atom == g_transLabelAtom;
    WindowState* state = StateOfWindow(GetParent(hwnd));
    const int index = state ? ControlIndexOf(*state, hwnd) : kNoSuchControl;

    if (index != kNoSuchControl && DrawnAsOneSurface(*state) && (message == WM_PAINT || message == WM_ERASEBKGND)) {
        // The surface shows this control's text; its own painting would land on it under Wine.
        if (message == WM_PAINT) ValidateRect(hwnd, nullptr);
        return message == WM_ERASEBKGND ? 1 : 0;
    }
    if (index != kNoSuchControl) {
        if (IsMouseMessage(message)) {
            // The control's own handling follows; it must not read the state again.
            RaiseMouseEvent(*state, index + 1, message, wParam, lParam);
        } else {
            switch (message) {
            case WM_PAINT:
                if (ownClass) {
                    PaintLabel(hwnd, state->definition.load()->controls[index], state->controls[index]);
                    return 0;
                }
                break;
            case WM_GETFONT:
                if (ownClass) return reinterpret_cast<LRESULT>(state->controls[index].font);
                break;
            case WM_NCHITTEST:
                // Text drawn over the window with no mouse handler of its own lets the mouse through
                // to what lies behind it, such as a layer that catches clicks over the whole window.
                if (atom == g_transLabelAtom && !HasMouseBindings(*state, index + 1)) return HTTRANSPARENT;
                break;
            default:
                break;
            }
        }
    }
    if (ownClass) {
        if (message == WM_ERASEBKGND) return 1;  // WM_PAINT draws everything there is
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    // A subclassed system control: its class procedure does the rest.
    return CallWindowProcA(reinterpret_cast<WNDPROC>(GetClassLongPtrA(hwnd, GCLP_WNDPROC)), hwnd, message, wParam,
                           lParam);
}

LRESULT ControlColours(WindowState& state, HWND control, HDC dc) {
    const int index = ControlIndexOf(state, control);
    if (index == kNoSuchControl) return 0;
    ControlState& colours = state.controls[index];
    SetTextColor(dc, colours.textColour);
    SetBkColor(dc, colours.backColour);
    if (!colours.backBrush) colours.backBrush.reset(CreateSolidBrush(colours.backColour));
    return reinterpret_cast<LRESULT>(colours.backBrush.get());
}

void OnPositionChanged(WindowState& state) {
    if (!state.eventsLive) return;
    RECT rect{};
    GetWindowRect(state.hwnd.load(), &rect);
    const bool moved = rect.left != state.lastRect.left || rect.top != state.lastRect.top;
    const bool resized = rect.right - rect.left != state.lastRect.right - state.lastRect.left ||
                         rect.bottom - rect.top != state.lastRect.bottom - state.lastRect.top;
    state.lastRect = rect;
    if (moved || resized) RequestSurface(state, false);
    if (moved) Raise(state, kWindowSlot, Event::Moved);
    if (resized) Raise(state, kWindowSlot, Event::Resized);
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* state = static_cast<WindowState*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
        state->hwnd = hwnd;
    }
    WindowState* state = StateOfWindow(hwnd);
    if (!state) return DefWindowProcA(hwnd, message, wParam, lParam);

    switch (message) {
    case kCallMessage: {
        const auto* call = reinterpret_cast<const CrossThreadCall*>(lParam);
        call->run(call->work);
        return 0;
    }
    case kCloseMessage:
        if (state->closePending) DestroyOpenWindow(*state);
        return 0;
    case kSurfaceMessage:
        DrawSurface(*state);
        return 0;
    case WM_PAINT:
        if (DrawnAsOneSurface(*state)) {
            ValidateRect(hwnd, nullptr);  // the surface is what shows
            return 0;
        }
        break;
    case WM_MOUSEACTIVATE:
        if (state->definition.load()->neverActive) return MA_NOACTIVATE;
        break;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE && state->definition.load()->neverActive) return 0;
        break;
    case WM_CLOSE:
        if (Handler closeRequested = state->definition.load()->closeRequested) {
            closeRequested();
        } else {
            DestroyOpenWindow(*state);
        }
        return 0;
    case WM_NCDESTROY:
        ForgetWindow(*state);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        break;
    case WM_ERASEBKGND: {
        RECT client;
        GetClientRect(hwnd, &client);
        if (state->backgroundBrush && !DrawnAsOneSurface(*state)) FillRect(reinterpret_cast<HDC>(wParam), &client, state->backgroundBrush.get());
        return 1;
    }
    case WM_WINDOWPOSCHANGED:
        OnPositionChanged(*state);
        break;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) Raise(*state, kWindowSlot, Event::Deactivated);
        break;
    case WM_TIMER: {
        const int index = static_cast<int>(wParam) - kFirstControlId;
        if (index >= 0 && index < static_cast<int>(state->controls.size())) Raise(*state, index + 1, Event::Tick);
        return 0;
    }
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED && lParam) {
            const int index = ControlIndexOf(*state, reinterpret_cast<HWND>(lParam));
            if (index != kNoSuchControl) Raise(*state, index + 1, Event::Clicked);
        }
        return 0;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        if (LRESULT brush = ControlColours(*state, reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam))) {
            return brush;
        }
        break;
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
        RaiseMouseEvent(*state, kWindowSlot, message, wParam, lParam);
        return 0;
    default:
        break;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

void RegisterClasses() {
    static bool registered = false;
    if (registered) return;
    registered = true;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    HICON icon = LoadIconA(instance, MAKEINTRESOURCEA(1));

    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = icon ? icon : LoadIconA(nullptr, MAKEINTRESOURCEA(32512));
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    windowClass.lpszClassName = kWindowClass;
    RegisterClassExA(&windowClass);

    WNDCLASSEXA ownerClass{};
    ownerClass.cbSize = sizeof ownerClass;
    ownerClass.lpfnWndProc = DefWindowProcA;
    ownerClass.hInstance = instance;
    ownerClass.lpszClassName = kOwnerClass;
    RegisterClassExA(&ownerClass);

    WNDCLASSEXA labelClass{};
    labelClass.cbSize = sizeof labelClass;
    labelClass.lpfnWndProc = ControlProc;
    labelClass.hInstance = instance;
    labelClass.hCursor = windowClass.hCursor;
    labelClass.lpszClassName = kLabelClass;
    g_labelAtom = RegisterClassExA(&labelClass);
    labelClass.lpszClassName = kTransLabelClass;
    g_transLabelAtom = RegisterClassExA(&labelClass);
}

DWORD StyleOf(const WindowDefinition& definition) {
    if (definition.border == Border::None) return WS_POPUP | WS_CLIPSIBLINGS;
    return WS_OVERLAPPED | WS_CAPTION | WS_CLIPSIBLINGS | (definition.systemMenu ? WS_SYSMENU : 0);
}

HFONT MakeFont(const FontDescription& font, bool aliased, UniqueFont& owned) {
    const auto stock = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    if (font.IsDefault()) {
        if (!aliased) return stock;
        // The stock font as it is, but for its quality.
        LOGFONTA logical{};
        if (!GetObjectA(stock, sizeof logical, &logical)) return stock;
        logical.lfQuality = NONANTIALIASED_QUALITY;
        owned.reset(CreateFontIndirectA(&logical));
        return owned ? owned.get() : stock;
    }
    owned.reset(CreateFontA(font.height, 0, 0, 0, font.weight, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                            CLIP_DEFAULT_PRECIS, aliased ? NONANTIALIASED_QUALITY : DEFAULT_QUALITY,
                            DEFAULT_PITCH | FF_DONTCARE, font.face ? font.face : ""));
    return owned.get();
}

void CreateControl(WindowState& state, int index) {
    const ControlDefinition& definition = state.definition.load()->controls[index];
    ControlState& control = state.controls[index];
    control.textColour = Resolve(definition.textColour);
    control.backColour = Resolve(definition.backColour);
    control.period = 0;
    if (definition.kind == ControlKind::Timer) return;

    const char* className = nullptr;
    DWORD style = WS_CHILD | WS_VISIBLE;
    switch (definition.kind) {
    case ControlKind::EditBox:
        className = "EDIT";
        style |= ES_AUTOHSCROLL | ES_READONLY | (definition.align == Align::Centre ? ES_CENTER : ES_LEFT);
        break;
    case ControlKind::CheckBox:
        className = "BUTTON";
        style |= WS_TABSTOP | BS_AUTOCHECKBOX;
        break;
    case ControlKind::Label: className = kLabelClass; break;
    case ControlKind::TransLabel: className = kTransLabelClass; break;
    case ControlKind::Timer: return;
    }
    HWND parent = state.hwnd.load();
    control.hwnd = CreateWindowExA(0, className, definition.text, style, definition.left, definition.top,
                                   definition.width, definition.height, parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + index)),
                                   GetModuleHandleA(nullptr), nullptr);
    if (!control.hwnd) return;
    control.font = MakeFont(definition.font, state.definition.load()->drawnAsOneSurface, control.ownFont);
    if (className == kLabelClass || className == kTransLabelClass) {
        if (definition.kind == ControlKind::Label) control.backBrush.reset(CreateSolidBrush(control.backColour));
    } else {
        SendMessageA(control.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(control.font), FALSE);
        SetWindowLongPtrA(control.hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ControlProc));
    }
    // Text drawn over whatever lies behind it stays above the other controls, and so does
    // the layer that catches the mouse over them.
    if (definition.kind == ControlKind::TransLabel) {
        SetWindowPos(control.hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}

void ResolveBindings(WindowState& state) {
    const WindowDefinition& definition = *state.definition.load();
    state.bindings.assign(definition.controls.size() + 1, Bindings{});
    for (const EventBinding& binding : definition.events) {
        const int slot = binding.source ? FindControl(definition, binding.source) + 1 : kWindowSlot;
        if (binding.source && slot == 0) continue;  // names no control of this window: recorded, never raised
        state.bindings[slot][static_cast<int>(binding.event)] = &binding;
    }
}

}  // namespace

HWND CreateHiddenOwnerWindow() {
    if (g_hiddenOwner && IsWindow(g_hiddenOwner)) return g_hiddenOwner;
    RegisterClasses();
    g_hiddenOwner = CreateWindowExA(0, kOwnerClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                    GetModuleHandleA(nullptr), nullptr);
    return g_hiddenOwner;
}

HWND HiddenOwnerWindow() { return g_hiddenOwner; }

bool OpenWindow(const WindowDefinition& window) {
    WindowState* state = ClaimState(window);
    if (!state) return false;
    if (HWND open = state->hwnd.load()) {
        if (!state->closePending) {
            if (IsIconic(open)) {
                ShowWindow(open, SW_RESTORE);
            } else {
                SetActiveWindow(open);
            }
            return true;
        }
        DestroyOpenWindow(*state);
    }

    RegisterClasses();
    HWND owner = window.taskbarButton ? nullptr : CreateHiddenOwnerWindow();
    state->threadId = GetCurrentThreadId();
    state->closePending = false;
    state->eventsLive = false;
    state->background = Resolve(window.background);
    state->backgroundBrush.reset(CreateSolidBrush(state->background));
    state->alwaysOnTop = window.alwaysOnTop;
    state->controls = std::vector<ControlState>(window.controls.size());
    ResolveBindings(*state);

    const DWORD extendedStyle =
        (window.neverActive ? WS_EX_NOACTIVATE : 0) | (window.drawnAsOneSurface ? WS_EX_LAYERED : 0);
    HWND hwnd = CreateWindowExA(extendedStyle, kWindowClass, window.title, StyleOf(window),
                                window.left, window.top, window.width, window.height, owner, nullptr,
                                GetModuleHandleA(nullptr), state);
    if (!hwnd) {
        ForgetWindow(*state);
        return false;
    }
    for (std::size_t i = 0; i < window.controls.size(); ++i) CreateControl(*state, static_cast<int>(i));
    for (std::size_t i = 0; i < window.controls.size(); ++i) {
        if (window.controls[i].kind == ControlKind::Timer) WritePeriod(*state, static_cast<int>(i), window.controls[i].period);
    }
    WriteWindowProperty(*state, Property::AlwaysOnTop, window.alwaysOnTop ? 1 : 0);

    GetWindowRect(hwnd, &state->lastRect);
    state->eventsLive = true;
    Raise(*state, kWindowSlot, Event::Created);
    if (state->hwnd.load() == hwnd) Raise(*state, kWindowSlot, Event::Moved);
    if (state->hwnd.load() == hwnd) Raise(*state, kWindowSlot, Event::Resized);
    if (state->hwnd.load() != hwnd) return false;
    // A layered window shows nothing before its first surface.
    if (window.drawnAsOneSurface) DrawSurface(*state);
    if (window.visible) ShowWindow(hwnd, window.taskbarButton ? SW_SHOW : SW_SHOWNOACTIVATE);
    return true;
}

void CloseWindow(const WindowDefinition& window) {
    WindowState* state = OpenState(window);
    if (!state) return;
    state->closePending = true;
    PostMessageA(state->hwnd.load(), kCloseMessage, 0, 0);
}

HWND GetWindowHandle(const WindowDefinition& window) {
    const WindowState* state = FindState(window);
    return state ? state->hwnd.load() : nullptr;
}

bool IsWindowOpen(const WindowDefinition& window) { return GetWindowHandle(window) != nullptr; }

void SetVisibleQuietly(const WindowDefinition& window, bool visible) {
    WindowState* state = OpenState(window);
    if (!state) return;
    if (!OnOwnerThread(*state)) {
        RunOnOwnerThread(*state, [&] { SetVisibleQuietly(window, visible); });
        return;
    }
    // Not ShowWindow: hiding the thread's active window that way activates another one.
    SetWindowPos(state->hwnd.load(), nullptr, 0, 0, 0, 0,
                 (visible ? SWP_SHOWWINDOW : SWP_HIDEWINDOW) | SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE);
}

bool RunOnWindow(const WindowDefinition& window, HWND expected, const std::function<void()>& work) {
    WindowState* state = FindState(window);
    if (!state || !expected) return false;
    bool ran = false;
    // The check is made on the window's thread, where windows are opened and closed, so the
    // window cannot change between the check and the work.
    auto checkedWork = [&] {
        if (state->hwnd.load() != expected) return;
        work();
        ran = true;
    };
    // From another thread it is sent to the definition's current window, which is ours, never to a
    // handle that may have been reused since.
    OnWindowThread(*state, checkedWork);
    return ran;
}

bool IsClosePending(const WindowDefinition& window) {
    const WindowState* state = OpenState(window);
    return state && state->closePending;
}

HWND GetControlHandle(const WindowDefinition& window, const char* control) {
    const Target target = FindTarget(window, control);
    if (!target.state || target.isWindow) return nullptr;
    HWND result = nullptr;
    OnWindowThread(*target.state, [&] { result = target.state->controls[target.index].hwnd; });
    return result;
}

int GetProperty(const WindowDefinition& window, const char* control, Property property) {
    const Target target = FindTarget(window, control);
    if (!target.state) return 0;
    int result = 0;
    OnWindowThread(*target.state, [&] {
        result = target.isWindow ? ReadWindowProperty(*target.state, property)
                                 : ReadControlProperty(*target.state, target.index, property);
    });
    return result;
}

void SetProperty(const WindowDefinition& window, const char* control, Property property, int value) {
    const Target target = FindTarget(window, control);
    if (!target.state) return;
    OnWindowThread(*target.state, [&] {
        if (target.isWindow) {
            WriteWindowProperty(*target.state, property, value);
        } else {
            WriteControlProperty(*target.state, target.index, property, value);
        }
    });
}

Text GetText(const WindowDefinition& window, const char* control) {
    const Target target = FindTarget(window, control);
    if (!target.state) return {};
    Text result;
    OnWindowThread(*target.state, [&] {
        HWND hwnd = target.isWindow ? target.state->hwnd.load() : target.state->controls[target.index].hwnd;
        if (hwnd) result = ReadWindowText(hwnd);
    });
    return result;
}

void SetText(const WindowDefinition& window, const char* control, std::string_view text) {
    const Target target = FindTarget(window, control);
    if (!target.state) return;
    OnWindowThread(*target.state, [&] {
        WindowState& state = *target.state;
        const Text value(text);
        if (target.isWindow) {
            SetWindowTextA(state.hwnd.load(), value.c_str());
            return;
        }
        ControlState& written = state.controls[target.index];
        if (!written.hwnd) return;
        // Rewriting the same text would repaint the field every second for nothing.
        if (ReadWindowText(written.hwnd) == value) return;
        SetWindowTextA(written.hwnd, value.c_str());
        const ControlDefinition& definition = window.controls[target.index];
        if (DrawnAsOneSurface(state)) {
            RequestSurface(state, true);
        } else if (definition.kind == ControlKind::Label || definition.kind == ControlKind::TransLabel) {
            RepaintControl(state, definition, written);
        }
    });
}

void SetSurfaceBackdrop(const WindowDefinition& window, const RECT& screenRect) {
    WindowState* state = OpenState(window);
    if (!state) return;
    OnWindowThread(*state, [&] {
        if (EqualRect(&state->surface.backdrop, &screenRect)) return;
        state->surface.backdrop = screenRect;
        RequestSurface(*state, false);
    });
}

SurfaceSnapshot LastSurfaceForTesting(const WindowDefinition& window) {
    SurfaceSnapshot snapshot;
    WindowState* state = OpenState(window);
    if (!state) return snapshot;
    OnWindowThread(*state, [&] {
        const SurfaceState& surface = state->surface;
        snapshot.drawings = surface.drawings;
        snapshot.shown = surface.shown;
        if (!surface.bits) return;
        snapshot.width = surface.bitmapSize.cx;
        snapshot.height = surface.bitmapSize.cy;
        snapshot.pixels.assign(surface.bits, surface.bits + static_cast<std::size_t>(snapshot.width) * snapshot.height);
    });
    return snapshot;
}

int ControlNameMisses(const WindowDefinition& window) {
    const WindowState* state = FindState(window);
    return state ? state->controlNameMisses.load() : 0;
}

void ResetControlNameMisses(const WindowDefinition& window) {
    if (WindowState* state = FindState(window)) state->controlNameMisses = 0;
}

void DestroyAllWindows() {
    for (auto& state : g_windows) {
        if (state.hwnd.load() && OnOwnerThread(state)) DestroyOpenWindow(state);
    }
    if (g_hiddenOwner) {
        DestroyWindow(g_hiddenOwner);
        g_hiddenOwner = nullptr;
    }
}
