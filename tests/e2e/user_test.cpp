// The program as a user meets it: one copy only, its fixed file name, the menu opened by a real
// click, the settings window and what its boxes change, the close entry.
#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>
#include <sddl.h>
#include <taskschd.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <sstream>

#include "support/com_ptr.h"
#include "support/unique.h"
#include "tests/e2e/program_test.h"
#include "tests/support/observe.h"
#include "tests/support/pump.h"
#include "tools/taskbar_standin.h"

namespace {

using namespace MainControl;
using namespace SettingsControl;

constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kRunValue = kFixedFileName;
constexpr const char* kOlderRunValue = "MorvaneKestrune.exe";
constexpr COLORREF kMenuDark = RGB(50, 50, 50);
constexpr COLORREF kMenuDarkHover = RGB(61, 61, 61);
constexpr COLORREF kMenuLight = RGB(240, 240, 240);

// The 32-bit view of HKLM's Run key, the one the program reads and writes whatever its own build.
UniqueKey RunKey(REGSAM access, REGSAM view = KEY_WOW64_32KEY) {
    UniqueKey key;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, nullptr, 0, access | view, nullptr, key.put(), nullptr);
    return key;
}

bool InNativeView(const char* name) {
    return RegQueryValueExA(RunKey(KEY_READ, KEY_WOW64_64KEY).get(), name, nullptr, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS;
}

bool ReadRun(const char* name, std::string* data = nullptr, DWORD* type = nullptr) {
    char buffer[1024] = {};
    DWORD size = sizeof buffer - 1;
    DWORD kind = 0;
    if (RegQueryValueExA(RunKey(KEY_READ).get(), name, nullptr, &kind, reinterpret_cast<BYTE*>(buffer), &size) !=
        ERROR_SUCCESS) {
        return false;
    }
    if (data) *data = buffer;
    if (type) *type = kind;
    return true;
}

void WriteRun(const char* name, const std::string& data) {
    RegSetValueExA(RunKey(KEY_WRITE).get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                   static_cast<DWORD>(data.size() + 1));
}

// From both views: a value left in the 64-bit one by an earlier run must not pass for this one's.
void DeleteRun(const char* name) {
    RegDeleteValueA(RunKey(KEY_WRITE).get(), name);
    RegDeleteValueA(RunKey(KEY_WRITE, KEY_WOW64_64KEY).get(), name);
}

// The prefix's Task Scheduler, asked by task name as any program could ask it.
class TaskScheduler {
public:
    TaskScheduler() {
        CoInitialize(nullptr);
        VARIANT empty;
        VariantInit(&empty);
        if (FAILED(CoCreateInstance(CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER, __uuidof(ITaskService),
                                    service_.put_void())) ||
            FAILED(service_->Connect(empty, empty, empty, empty)) ||
            FAILED(service_->GetFolder(const_cast<BSTR>(L"\\"), root_.put()))) {
            root_.reset();
        }
    }
    ~TaskScheduler() {
        root_.reset();
        service_.reset();
        CoUninitialize();
    }
    TaskScheduler(const TaskScheduler&) = delete;
    TaskScheduler& operator=(const TaskScheduler&) = delete;

    bool Has(const wchar_t* name) const {
        ComPtr<IRegisteredTask> task;
        return root_ && SUCCEEDED(root_->GetTask(const_cast<BSTR>(name), task.put())) && task;
    }
    void Delete(const wchar_t* name) const {
        if (root_) root_->DeleteTask(const_cast<BSTR>(name), 0);
    }

private:
    ComPtr<ITaskService> service_;
    ComPtr<ITaskFolder> root_;
};

constexpr const wchar_t* kTaskName = L"任务栏Kestrune";
// Where Wine's scheduler (a 64-bit service) keeps the task of that name: a folder there makes it
// impossible to write, a read-only file impossible to delete.
std::string TaskFileUnderWine() {
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    return std::string("C:\\windows\\") + (wow64 ? "sysnative" : "system32") + "\\tasks\\任务栏Kestrune";
}

bool TaskRegistered() { return TaskScheduler().Has(kTaskName); }

void MoveMouseTo(int x, int y) {
    SetCursorPos(x, y);
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof input);
}

void ClickAt(int x, int y, bool right = false) {
    MoveMouseTo(x, y);
    PumpFor(30);
    INPUT inputs[2] = {};
    inputs[0].type = inputs[1].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN;
    inputs[1].mi.dwFlags = right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP;
    SendInput(2, inputs, sizeof inputs[0]);
}

int CountColour(const RECT& rect, COLORREF colour) { return CountScreenColour(rect, colour); }

// A screen point where the readings have drawn text of this colour (white on the dark stand-in).
bool FindDrawnPoint(const RECT& rect, POINT* point, COLORREF text = RGB(255, 255, 255)) {
    for (int y = rect.top; y < rect.bottom; ++y) {
        for (int x = rect.left; x < rect.right; ++x) {
            if (CountColour(RECT{x, y, x + 1, y + 1}, text) == 1) {
                *point = {x, y};
                return true;
            }
        }
    }
    return false;
}

// A screen point of a field where the readings show no text, with text left and right of it on
// the same row: between two strokes.
bool FindPointBetweenStrokes(const RECT& wholeField, POINT* point, COLORREF text = RGB(255, 255, 255)) {
    const RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    RECT field{};  // the part on the screen: the readings reach below a taskbar lower than they are
    if (!IntersectRect(&field, &wholeField, &screen)) return false;
    const int width = field.right - field.left;
    const std::vector<COLORREF> pixels = ScreenPixels(field);
    if (pixels.size() != static_cast<std::size_t>(width * (field.bottom - field.top))) return false;
    for (int y = 0; y < field.bottom - field.top; ++y) {
        const COLORREF* row = &pixels[static_cast<std::size_t>(y) * width];
        bool textLeft = false;
        for (int x = 0; x < width; ++x) {
            if (row[x] == text) {
                textLeft = true;
            } else if (textLeft && std::find(row + x, row + width, text) != row + width) {
                *point = {field.left + x, field.top + y};
                return true;
            }
        }
    }
    return false;
}

BOOL CALLBACK CountTitled(HWND hwnd, LPARAM context) {
    auto* search = reinterpret_cast<std::pair<const char*, int>*>(context);
    char title[64] = {};
    GetWindowTextA(hwnd, title, sizeof title);
    if (std::string(title) == search->first) ++search->second;
    return TRUE;
}

int CountWindowsTitled(const char* title) {
    std::pair<const char*, int> search{title, 0};
    EnumWindows(CountTitled, reinterpret_cast<LPARAM>(&search));
    return search.second;
}

class AsAUser : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        DeleteRun(kRunValue);
        DeleteRun(kOlderRunValue);
        TaskScheduler().Delete(kTaskName);
        // Another application's window, away from the readings. (A click on the stand-in would
        // do on Windows, but under Wine it raises the stand-in's X window over the readings.)
        elsewhere_.reset(CreateWindowExA(0, "STATIC", "elsewhere", WS_POPUP | WS_VISIBLE | SS_NOTIFY, 0, 0, 200, 100,
                                         nullptr, nullptr, GetModuleHandleA(nullptr), nullptr));
    }
    void TearDown() override {
        ProgramTest::TearDown();
        DeleteRun(kRunValue);
        DeleteRun(kOlderRunValue);
        SetFileAttributesA(TaskFileUnderWine().c_str(), FILE_ATTRIBUTE_NORMAL);
        RemoveDirectoryA(TaskFileUnderWine().c_str());
        TaskScheduler().Delete(kTaskName);
    }
    void Start() {
        ProgramTest::Start();
        if (HasFatalFailure()) return;
        const auto docked = PollUntil([&] { return WindowRect(main_).right; },
                                      [&](LONG right) { return right == WindowRect(NotifyAreaOf(taskbar_.get())).left; });
        ASSERT_TRUE(docked.ok) << "right edge " << docked.last << ", notification area from "
                               << WindowRect(NotifyAreaOf(taskbar_.get())).left;
    }
    // A real click on drawn text of the readings; returns the menu once it has finished sliding.
    HWND OpenMenuByClick(bool right = false, COLORREF text = RGB(255, 255, 255)) {
        POINT point{};
        EXPECT_TRUE(PumpUntil([&] { return FindDrawnPoint(WindowRect(main_), &point, text); }, 3000)) << "no text drawn";
        return OpenMenuByClickAt(point, right);
    }
    HWND OpenMenuByClickAt(POINT point, bool right = false) {
        ClickAt(point.x, point.y, right);
        HWND menu = nullptr;
        const bool slid = PumpUntil([&] {
            menu = program_.FindWindowOfProgram(kMenuTitle, true);
            return menu && WindowRect(menu).bottom == WindowRect(main_).top;
        }, 3000);
        const HWND any = program_.FindWindowOfProgram(kMenuTitle, false);
        EXPECT_TRUE(slid) << "the menu did not open and slide into place: click at " << point.x << "," << point.y
                          << (any ? (IsWindowVisible(any) ? " menu visible, bottom " : " menu hidden, bottom ") : " no menu")
                          << (any ? WindowRect(any).bottom : 0) << " main top " << WindowRect(main_).top;
        PumpFor(50);
        return slid ? menu : nullptr;
    }
    POINT CentreOfEntry(HWND menu, int entry) const {
        const RECT rect = WindowRect(ControlOf(menu, entry));
        return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    }
    HWND OpenSettingsFromMenu() {
        HWND menu = OpenMenuByClick();
        if (!menu) return nullptr;
        const POINT settings = CentreOfEntry(menu, MenuControl::kSettingsEntry);
        ClickAt(settings.x, settings.y);
        return program_.PollForWindow(kSettingsTitle, true);
    }
    bool BoxChecked(HWND settings, int box) const {
        DWORD_PTR state = 0;
        SendMessageTimeoutA(ControlOf(settings, box), BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 2000, &state);
        return state == BST_CHECKED;
    }
    // A user's click: posted, so that a message box it opens cannot hold the test up.
    void ClickBox(HWND settings, int box) const { PostMessageA(ControlOf(settings, box), BM_CLICK, 0, 0); }
    int MainWidth() const { return WindowWidth(main_); }
    // The main window's width once it is the expected one, or the last one seen.
    int MainWidthOnce(int expected) const { return PollUntil([&] { return MainWidth(); }, expected, 2000); }

    void ClickElsewhere() const { ClickAt(100, 50); }

    UniqueWindow elsewhere_;
};

TEST_F(AsAUser, ASecondCopyEndsAtOnceWithCodeZeroAndTheFirstGoesOn) {
    Start();
    {
        ProgramUnderTest second;
        ASSERT_TRUE(second.Start());
        DWORD exitCode = 99;
        EXPECT_TRUE(PumpUntil([&] { return second.HasExited(&exitCode); }, 5000));
        EXPECT_EQ(exitCode, 0u);
        EXPECT_EQ(second.FindWindowOfProgram(kMainTitle, true), nullptr);
    }
    PumpFor(300);
    EXPECT_FALSE(program_.HasExited());
    EXPECT_TRUE(IsWindowVisible(main_));

    program_.Stop();
    ProgramUnderTest later;
    ASSERT_TRUE(later.Start());
    EXPECT_NE(later.WaitForWindow(kMainTitle), nullptr) << "a start after the first copy ended runs";
}

// Copies started at the same moment, as where the run value and the logon task both fire at a
// logon with UAC off: exactly one runs, every other ends at once with code 0. Wine spreads the
// starts of processes let go together over far more than the moment in which creating the event
// decides, so this guards the rule rather than proving it.
TEST_F(AsAUser, OfSixCopiesStartedTogetherExactlyOneRuns) {
    constexpr int kCopies = 6;
    std::array<ProgramUnderTest, kCopies> copies;  // a folder each: every copy renames its own file
    for (ProgramUnderTest& copy : copies) ASSERT_TRUE(copy.Start(/*suspended=*/true));
    for (ProgramUnderTest& copy : copies) copy.Resume();
    const DWORD resumed = GetTickCount();

    std::array<DWORD, kCopies> endedAfterMs;  // since they were let go; kStillRunning while not
    constexpr DWORD kStillRunning = ~DWORD{0};
    endedAfterMs.fill(kStillRunning);
    const auto ended = [&] {
        int count = 0;
        for (int i = 0; i < kCopies; ++i) {
            if (endedAfterMs[i] == kStillRunning && copies[i].HasExited()) endedAfterMs[i] = GetTickCount() - resumed;
            count += endedAfterMs[i] != kStillRunning ? 1 : 0;
        }
        return count;
    };
    PumpUntil([&] { return ended() == kCopies - 1; }, 5000);
    PumpFor(300);  // long enough for the last copy to show, should it wrongly end too
    const int endedInAll = ended();

    std::ostringstream seen;
    int windows = 0;
    for (int i = 0; i < kCopies; ++i) {
        DWORD exitCode = 99;
        const bool exited = copies[i].HasExited(&exitCode);
        seen << "\n  copy " << i << " (pid " << copies[i].ProcessId() << "): ";
        if (exited) {
            seen << "ended with code " << exitCode << " after " << endedAfterMs[i] << " ms";
            EXPECT_EQ(exitCode, 0u) << "copy " << i;
            EXPECT_LE(endedAfterMs[i], 5000u) << "copy " << i;
        } else {
            const HWND main = copies[i].WaitForWindow(kMainTitle);
            seen << (main ? "runs with its main window" : "runs without a main window");
            windows += main ? 1 : 0;
        }
    }
    EXPECT_EQ(endedInAll, kCopies - 1) << seen.str();
    EXPECT_EQ(windows, 1) << seen.str();
    EXPECT_EQ(CountWindowsTitled(kMainTitle), 1) << "main windows of any process" << seen.str();
}

// The event made by a copy with other rights (elevated where this one is not, say) refuses this
// copy: it ends as it does beside any other copy.
TEST_F(AsAUser, ACopyThatTheEventRefusesEndsAtOnceWithCodeZero) {
    PSECURITY_DESCRIPTOR nobody = nullptr;  // a security that grants nothing to anybody
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA("D:", SDDL_REVISION_1, &nobody, nullptr));
    SECURITY_ATTRIBUTES closed{sizeof closed, nobody, FALSE};
    const UniqueHandle held(CreateEventA(&closed, FALSE, FALSE, "sadsMorvanejkjk"));
    const DWORD made = GetLastError();
    LocalFree(nobody);
    ASSERT_TRUE(held);
    ASSERT_NE(made, static_cast<DWORD>(ERROR_ALREADY_EXISTS)) << "a copy of the program left running";
    ASSERT_EQ(OpenEventA(EVENT_ALL_ACCESS, FALSE, "sadsMorvanejkjk"), nullptr) << "the event refuses nobody";

    ASSERT_TRUE(program_.Start());
    DWORD exitCode = 99;
    EXPECT_TRUE(PumpUntil([&] { return program_.HasExited(&exitCode); }, 5000));
    EXPECT_EQ(exitCode, 0u);
    EXPECT_EQ(program_.FindWindowOfProgram(kMainTitle, true), nullptr);
}

TEST_F(AsAUser, AFileAlreadyCarryingTheFixedNameLeavesBothFilesAsTheyAre) {
    const std::string taken = program_.Folder() + "\\" + kFixedFileName;
    std::ofstream(taken, std::ios::binary) << "not the program";
    Start();
    EXPECT_TRUE(FileExists(program_.Folder() + "\\" + ProgramUnderTest::kStartName));
    EXPECT_EQ(FileBytes(taken.c_str()), "not the program");
}

TEST_F(AsAUser, AClickOnTheReadingsSlidesTheMenuUpInTheThemesColours) {
    Start();
    HWND menu = OpenMenuByClick();
    ASSERT_NE(menu, nullptr);
    const RECT rect = WindowRect(menu);
    const RECT mainRect = WindowRect(main_);
    EXPECT_EQ(rect.right - rect.left, 140);
    EXPECT_EQ(rect.bottom - rect.top, 110);
    EXPECT_EQ(rect.left, mainRect.left - 20);
    EXPECT_EQ(rect.bottom, mainRect.top);
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    EXPECT_NE(GetWindowRgn(menu, region), ERROR) << "rounded corners need a window region";
    DeleteObject(region);
    EXPECT_GT(CountColour(rect, kMenuDark), 3000) << "dark grey in the dark theme";
    EXPECT_GT(CountColour(rect, RGB(255, 255, 255)), 10) << "white text";

    // Hover moves the highlight from entry to entry.
    const POINT settings = CentreOfEntry(menu, MenuControl::kSettingsEntry), close = CentreOfEntry(menu, MenuControl::kCloseEntry);
    MoveMouseTo(settings.x, settings.y);
    const auto hovered = PollUntil([&] { return CountColour(WindowRect(ControlOf(menu, MenuControl::kSettingsEntry)), kMenuDarkHover); },
                                   [](int pixels) { return pixels > 1000; }, 2000);
    EXPECT_TRUE(hovered.ok) << hovered.last << " highlighted pixels on the settings entry";
    MoveMouseTo(close.x, close.y);
    const auto moved = PollUntil([&] { return std::pair(CountColour(WindowRect(ControlOf(menu, MenuControl::kCloseEntry)), kMenuDarkHover),
                                                        CountColour(WindowRect(ControlOf(menu, MenuControl::kSettingsEntry)), kMenuDarkHover)); },
                                 [](const std::pair<int, int>& seen) { return seen.first > 1000 && seen.second == 0; }, 2000);
    EXPECT_TRUE(moved.ok) << "the highlight did not move to the close entry (close, settings highlighted pixels: "
                          << testing::PrintToString(moved.last) << "); " << [&] {
                                 // Whether the pointer got there: tells lost input from a missed hover.
                                 POINT cursor{};
                                 GetCursorPos(&cursor);
                                 const bool entryThere = WindowFromPoint(close) == ControlOf(menu, MenuControl::kCloseEntry);
                                 return "cursor at " + std::to_string(cursor.x) + "," + std::to_string(cursor.y) + ", close entry's centre " +
                                        std::to_string(close.x) + "," + std::to_string(close.y) +
                                        (entryThere ? " (the entry is there)" : " (another window is there)");
                             }();

    // A click elsewhere takes the activation away: the menu closes itself.
    ClickElsewhere();
    EXPECT_EQ(program_.WindowOnceGone(kMenuTitle, false), nullptr);
    EXPECT_FALSE(program_.HasExited());
}

// On Windows only the text's strokes of a colour-keyed window take a click; the surface's empty
// pixels over the taskbar take it too. Wine hits windows by their rectangle, so this passed with
// the colour key as well: a guard here; the pixels' alpha is checked in process.
TEST_F(AsAUser, AClickBetweenTheStrokesOrOnTheEmptyPartOfAFieldOpensTheMenu) {
    Start();
    POINT between{};
    ASSERT_TRUE(PumpUntil([&] { return FindPointBetweenStrokes(WindowRect(ControlOf(main_, MainControl::kDownloadField)), &between); },
                          3000)) << "no text in the download field";
    EXPECT_EQ(CountColour(RECT{between.x, between.y, between.x + 1, between.y + 1}, RGB(255, 255, 255)), 0);
    HWND menu = OpenMenuByClickAt(between);
    ASSERT_NE(menu, nullptr) << "left click between the strokes at " << between.x << "," << between.y;
    ClickElsewhere();
    ASSERT_EQ(program_.WindowOnceGone(kMenuTitle, false), nullptr);

    const RECT field = WindowRect(ControlOf(main_, MainControl::kUploadField));
    const POINT empty{field.right - 3, (field.top + field.bottom) / 2};
    EXPECT_EQ(CountColour(RECT{empty.x, empty.y, empty.x + 1, empty.y + 1}, RGB(255, 255, 255)), 0);
    EXPECT_NE(OpenMenuByClickAt(empty, true), nullptr) << "right click on the empty end of the upload field";
}

TEST_F(AsAUser, TheMenuFollowsALightTaskbarAndARightClickOpensItToo) {
    SetSystemTheme(1);
    Start();
    PumpFor(100);
    HWND menu = OpenMenuByClick(true, RGB(21, 19, 19));
    ASSERT_NE(menu, nullptr);
    EXPECT_GT(CountColour(WindowRect(menu), kMenuLight), 3000) << "light grey in the light theme";
    EXPECT_GT(CountColour(WindowRect(menu), RGB(21, 19, 19)), 10) << "dark text";
}

TEST_F(AsAUser, ClicksDuringTheSlideCloseAndReopenTheMenuHarmlessly) {
    Start();
    HWND menu = OpenMenuByClick();
    ASSERT_NE(menu, nullptr);
    POINT point{};
    ASSERT_TRUE(FindDrawnPoint(WindowRect(main_), &point));
    // The readings take no activation from the open menu: they close it themselves and open a
    // fresh one.
    ClickAt(point.x, point.y);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(menu); }, 2000)) << "the open menu stayed open";
    EXPECT_NE(program_.PollForWindow(kMenuTitle, false), nullptr) << "no fresh menu";
    for (int i = 0; i < 5; ++i) {
        ClickAt(point.x, point.y);  // closes the open menu, opens a fresh one
        ClickElsewhere();           // and closes that one while it slides
    }
    // A click elsewhere that came before the fresh menu was shown leaves that menu open and
    // active once it shows: one more click elsewhere closes it, as it would for a user.
    PumpFor(300);  // the animation threads outlive their menus
    ClickElsewhere();
    EXPECT_EQ(program_.WindowOnceGone(kMenuTitle, false), nullptr);
    EXPECT_FALSE(program_.HasExited());

    menu = OpenMenuByClick();
    ASSERT_NE(menu, nullptr) << "a fresh menu after all that";
    EXPECT_EQ(WindowRect(menu).left, WindowRect(main_).left - 20);
}

TEST_F(AsAUser, TheCloseEntryEndsTheProgramWithCodeZero) {
    Start();
    HWND menu = OpenMenuByClick();
    ASSERT_NE(menu, nullptr);
    const POINT close = CentreOfEntry(menu, MenuControl::kCloseEntry);  // 标签2, "   关闭"
    ClickAt(close.x, close.y);
    DWORD exitCode = 99;
    EXPECT_TRUE(PumpUntil([&] { return program_.HasExited(&exitCode); }, 5000));
    EXPECT_EQ(exitCode, 0u);
}

TEST_F(AsAUser, ACloseSentByAnotherProgramEndsItInsteadOfLeavingItInvisible) {
    Start();
    PostMessageA(main_, WM_CLOSE, 0, 0);
    DWORD exitCode = 99;
    EXPECT_TRUE(PumpUntil([&] { return program_.HasExited(&exitCode); }, 5000));
    EXPECT_EQ(exitCode, 0u);
}

// Alt+F4 and the other keys go to the active window, which the readings never are; should the
// keyboard reach them all the same (Wine may activate them, and a user may give them the
// foreground), Alt+F4 leaves them running and goes nowhere else. Before each try the user's
// active window closes, and the readings are put in front if they are not.
TEST_F(AsAUser, AltF4NeverClosesTheReadings) {
    Start();
    auto altF4 = [] {
        INPUT keys[4] = {};
        for (INPUT& key : keys) key.type = INPUT_KEYBOARD;
        keys[0].ki.wVk = keys[3].ki.wVk = VK_MENU;
        keys[1].ki.wVk = keys[2].ki.wVk = VK_F4;
        keys[2].ki.dwFlags = keys[3].ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(4, keys, sizeof keys[0]);
    };
    auto altF4OnTheReadings = [&](const char* after) {
        if (GetForegroundWindow() != main_) SetForegroundWindow(main_);
        PumpFor(100);
        altF4();
        PumpFor(500);
        DWORD_PTR result = 0;
        EXPECT_FALSE(program_.HasExited()) << "after " << after;
        EXPECT_TRUE(SendMessageTimeoutA(main_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &result)) << "after " << after;
        EXPECT_TRUE(IsWindow(taskbar_.get())) << "after " << after << ": the keystroke closed the taskbar";
        EXPECT_TRUE(IsWindow(elsewhere_.get())) << "after " << after << ": the keystroke closed another window";
    };

    {
        UniqueWindow users(CreateWindowExA(0, "STATIC", "a window of the user's", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                           300, 200, 300, 200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr));
        SetForegroundWindow(users.get());
        PumpFor(100);
    }
    altF4OnTheReadings("a window of the user's closed");

    HWND settings = OpenSettingsFromMenu();
    ASSERT_NE(settings, nullptr);
    SetForegroundWindow(settings);
    PumpFor(100);
    altF4();
    EXPECT_EQ(program_.WindowOnceGone(kSettingsTitle, false), nullptr) << "the settings window still closes on Alt+F4";
    altF4OnTheReadings("the settings window closed with Alt+F4");

    // A close by the keyboard that comes as a system command is refused too.
    DWORD_PTR result = 0;
    SendMessageTimeoutA(main_, WM_SYSCOMMAND, SC_CLOSE, 0, SMTO_ABORTIFHUNG, 2000, &result);
    PumpFor(300);
    EXPECT_FALSE(program_.HasExited()) << "after a system command to close";
}

TEST_F(AsAUser, TheSettingsEntryOpensOneSettingsWindowLoadedFromFileAndRegistry) {
    WriteConfig("1", "");
    WriteRun(kRunValue, "C:\\elsewhere\\任务栏Kestrune.exe");  // any data counts as registered
    Start();
    HWND settings = OpenSettingsFromMenu();
    ASSERT_NE(settings, nullptr);
    EXPECT_TRUE(BoxChecked(settings, kCpuBox));
    EXPECT_FALSE(BoxChecked(settings, kMemoryBox));
    EXPECT_TRUE(BoxChecked(settings, kStartupBox));
    EXPECT_FALSE(TaskRegistered()) << "a run value for another copy of the program brings no task";
    EXPECT_EQ(program_.WindowOnceGone(kMenuTitle, false), nullptr)
        << "the menu closes when the settings window takes the activation";

    // Asked again: the open window comes forward, no second one.
    HWND again = OpenSettingsFromMenu();
    EXPECT_EQ(again, settings);
    EXPECT_EQ(CountWindowsTitled(kSettingsTitle), 1);
}

TEST_F(AsAUser, TheReadingBoxesWriteTheFileAndResizeTheReadingsAtOnce) {
    SetToolMode("table 73");
    Start();
    HWND settings = OpenSettingsFromMenu();
    ASSERT_NE(settings, nullptr);
    EXPECT_FALSE(BoxChecked(settings, kMemoryBox));
    EXPECT_EQ(GetFileAttributesA(kConfigPath), INVALID_FILE_ATTRIBUTES) << "no file until a box is clicked";

    ClickBox(settings, kMemoryBox);
    EXPECT_EQ(MainWidthOnce(100), 100);
    EXPECT_EQ(FileBytes(kConfigPath), "[内存]\r\n开关=1\r\n");
    const DWORD clicked = GetTickCount();
    ClickBox(settings, kCpuBox);
    EXPECT_EQ(MainWidthOnce(130), 130);
    EXPECT_EQ(PollUntil([&] { return WindowTextOf(ControlOf(main_, kCpuField)); }, "27%", 6000), "27%")
        << "CPU sampling started; box clicked at tick " << clicked << ", tool runs (tick, process): "
        << FileBytes(kToolRunsLog);

    ClickBox(settings, kMemoryBox);
    ClickBox(settings, kCpuBox);
    EXPECT_EQ(MainWidthOnce(70), 70);
    EXPECT_EQ(FileBytes(kConfigPath), "[内存]\r\n开关=\r\n[CPU]\r\n开关=\r\n") << "keys kept with empty values";
    const std::pair<LONG, LONG> bothGone{-100, -100};
    EXPECT_EQ(PollUntil([&] { return std::pair(ChildRect(ControlOf(main_, kCpuField)).left,
                                               ChildRect(ControlOf(main_, kMemoryField)).left); },
                        bothGone, 2000),
              bothGone)
        << "both columns leave the readings (CPU, memory left edges)";
}

TEST_F(AsAUser, ClearingTheCpuBoxEndsALingeringToolAtOnce) {
    SetToolMode("linger 73");
    WriteConfig("1", nullptr);
    Start();
    HWND settings = OpenSettingsFromMenu();
    ASSERT_NE(settings, nullptr);
    ASSERT_EQ(PollUntil(ToolsAlive, 1, 5000), 1) << "a tool that answered and lingers";
    ClickBox(settings, kCpuBox);
    const DWORD cleared = GetTickCount();
    EXPECT_EQ(PollUntil(ToolsAlive, 0, 1000), 0)
        << "tools alive " << GetTickCount() - cleared << " ms after the box was cleared";
}

TEST_F(AsAUser, TheStartupBoxRegistersTheQuotedPathAndUnregistersBothNames) {
    WriteRun(kOlderRunValue, "C:\\old\\MorvaneKestrune.exe");
    Start();
    HWND settings = OpenSettingsFromMenu();
    ASSERT_NE(settings, nullptr);
    EXPECT_FALSE(BoxChecked(settings, kStartupBox));

    ClickBox(settings, kStartupBox);
    std::string data;
    DWORD type = 0;
    EXPECT_TRUE(PumpUntil([&] { return ReadRun(kRunValue, &data, &type); }, 2000));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(data, "\"" + program_.Folder() + "\\" + kFixedFileName + "\"");
    EXPECT_FALSE(InNativeView(kRunValue)) << "written to the 64-bit view, where the program never reads it";
    EXPECT_TRUE(PumpUntil(TaskRegistered, 3000)) << "the task that starts it elevated at logon";
    PumpFor(300);
    EXPECT_EQ(program_.FindWindowOfProgram(kMessageTitle, true), nullptr) << "a message after a registration that worked";

    ClickBox(settings, kStartupBox);
    EXPECT_TRUE(PumpUntil([&] { return !ReadRun(kRunValue) && !ReadRun(kOlderRunValue); }, 2000));
    EXPECT_TRUE(PumpUntil([] { return !TaskRegistered(); }, 3000));
    PumpFor(300);
    EXPECT_EQ(program_.FindWindowOfProgram(kMessageTitle, true), nullptr);

    // Checked and cleared again with the task already deleted by hand: a missing task is no failure.
    ClickBox(settings, kStartupBox);
    ASSERT_TRUE(PumpUntil(TaskRegistered, 3000));
    TaskScheduler().Delete(kTaskName);
    ClickBox(settings, kStartupBox);
    EXPECT_TRUE(PumpUntil([&] { return !ReadRun(kRunValue); }, 2000));
    PumpFor(300);
    EXPECT_EQ(program_.FindWindowOfProgram(kMessageTitle, true), nullptr);
}

TEST_F(AsAUser, AnEarlierVersionsRunValueGetsItsTaskWhenTheSettingsOpen) {
    Start();
    // Written bare, before values were quoted, and before there was a task.
    WriteRun(kRunValue, program_.Folder() + "\\" + kFixedFileName);
    ASSERT_FALSE(TaskRegistered());
    HWND settings = OpenSettingsFromMenu();
    ASSERT_NE(settings, nullptr);
    EXPECT_TRUE(BoxChecked(settings, kStartupBox));
    EXPECT_TRUE(PumpUntil(TaskRegistered, 3000));
    PumpFor(300);
    EXPECT_EQ(program_.FindWindowOfProgram(kMessageTitle, true), nullptr) << "set up without a word";
}

// The text of a message box's child that holds this part; empty when none does.
std::string MessageTextWith(HWND box, const char* part) {
    std::string text;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const std::string childText = WindowTextOf(child);
        if (childText.find(part) != std::string::npos) text = childText;
    }
    return text;
}

// Closes the program's message box; a second one after it is a failure of its own.
void CloseOnlyMessage(const ProgramUnderTest& program, HWND box) {
    PostMessageA(box, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.WindowOnceGone(kMessageTitle, true), nullptr);
    PumpFor(500);
    EXPECT_EQ(program.FindWindowOfProgram(kMessageTitle, true), nullptr) << "a second message for one click";
}

// The text of the program's one message box for a click, which the test then closes; empty when
// none shows.
std::string OnlyMessageOf(const ProgramUnderTest& program) {
    HWND box = program.PollForWindow(kMessageTitle, true);
    if (!box) return {};
    std::string text = MessageTextWith(box, "失败");
    if (text.empty()) text = "(no text)";
    CloseOnlyMessage(program, box);
    return text;
}

TEST_F(AsAUser, ATaskThatCannotBeWrittenOrDeletedSaysSoOncePerClick) {
    Start();
    HWND settings = OpenSettingsFromMenu();
    ASSERT_NE(settings, nullptr);

    // A folder where Wine writes the task: the run value is written all the same.
    ASSERT_TRUE(CreateDirectoryA(TaskFileUnderWine().c_str(), nullptr)) << GetLastError();
    ClickBox(settings, kStartupBox);
    EXPECT_EQ(OnlyMessageOf(program_), "设置失败，请以管理员模式运行！");
    EXPECT_TRUE(ReadRun(kRunValue));
    EXPECT_FALSE(TaskRegistered());
    RemoveDirectoryA(TaskFileUnderWine().c_str());

    // A task file that cannot be deleted: the run value goes all the same.
    ClickBox(settings, kStartupBox);
    EXPECT_TRUE(PumpUntil([&] { return !ReadRun(kRunValue); }, 2000));
    ClickBox(settings, kStartupBox);
    ASSERT_TRUE(PumpUntil(TaskRegistered, 3000));
    ASSERT_TRUE(SetFileAttributesA(TaskFileUnderWine().c_str(), FILE_ATTRIBUTE_READONLY)) << GetLastError();
    ClickBox(settings, kStartupBox);
    EXPECT_EQ(OnlyMessageOf(program_), "删除失败，请以管理员模式运行！");
    EXPECT_FALSE(ReadRun(kRunValue));
    EXPECT_TRUE(TaskRegistered());
}

TEST_F(AsAUser, ARegistrationThatCannotBeVerifiedSaysSo) {
    Start();
    HWND settings = OpenSettingsFromMenu();
    ASSERT_NE(settings, nullptr);
    // The program's file is renamed away under it and a folder takes its name: the path to
    // register names no file, though a search for that name would find one.
    const std::string path = program_.Folder() + "\\" + kFixedFileName;
    ASSERT_TRUE(MoveFileA(path.c_str(), (program_.Folder() + "\\moved.exe").c_str()));
    ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr));
    ClickBox(settings, kStartupBox);
    HWND message = program_.PollForWindow(kMessageTitle, true);
    ASSERT_NE(message, nullptr) << "no message box";
    EXPECT_EQ(GetWindow(message, GW_OWNER), nullptr) << "a message box with no owner";
    EXPECT_EQ(MessageTextWith(message, "设置失败"), "设置失败，请以管理员模式运行！");
    EXPECT_FALSE(ReadRun(kRunValue));
    EXPECT_FALSE(TaskRegistered()) << "no task to start a file that is not there";
    CloseOnlyMessage(program_, message);
    EXPECT_TRUE(BoxChecked(settings, kStartupBox)) << "the box keeps the state the user gave it";
}

}  // namespace
