// The program as a user meets it: one copy only, its fixed file name, the menu opened by a real
// click, the settings window and what its boxes change, the close entry.
#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>
#include <taskschd.h>

#include <fstream>
#include <sstream>

#include "support/com_ptr.h"
#include "support/unique.h"
#include "tests/e2e/program_under_test.h"
#include "tests/support/pump.h"
#include "tools/taskbar_standin.h"

namespace {

using namespace MainControl;

constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kRunValue = "任务栏Kestrune.exe";
constexpr const char* kOlderRunValue = "MorvaneKestrune.exe";
constexpr const char* kConfigPath = "C:\\Program Files (x86)\\Kestrune.ini";
constexpr COLORREF kMenuDark = RGB(50, 50, 50);
constexpr COLORREF kMenuDarkHover = RGB(61, 61, 61);
constexpr COLORREF kMenuLight = RGB(240, 240, 240);
constexpr int kSettingsStartupBox = 0, kSettingsMemoryBox = 1, kSettingsCpuBox = 2;

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

std::string FileBytes(const char* path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

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

RECT WindowRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

int CountColour(const RECT& rect, COLORREF colour) {
    return CountScreenPixels(rect, [&](COLORREF c) { return c == colour; }).matching;
}

// A screen point where the readings have drawn text (white on the dark stand-in).
bool FindDrawnPoint(const RECT& rect, POINT* point) {
    for (int y = rect.top; y < rect.bottom; ++y) {
        for (int x = rect.left; x < rect.right; ++x) {
            if (CountColour(RECT{x, y, x + 1, y + 1}, RGB(255, 255, 255)) == 1) {
                *point = {x, y};
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

class AsAUser : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveConfig();
        SetSystemTheme(-1);
        DeleteRun(kRunValue);
        DeleteRun(kOlderRunValue);
        TaskScheduler().Delete(kTaskName);
        taskbar_.reset(CreateTaskbarStandIn(BottomTaskbar(kDarkTaskbarColour)));
        // Another application's window, away from the readings. (A click on the stand-in would
        // do on Windows, but under Wine it raises the stand-in's X window over the readings.)
        elsewhere_.reset(CreateWindowExA(0, "STATIC", "elsewhere", WS_POPUP | WS_VISIBLE | SS_NOTIFY, 0, 0, 200, 100,
                                         nullptr, nullptr, GetModuleHandleA(nullptr), nullptr));
    }
    void TearDown() override {
        program_.Stop();
        RemoveConfig();
        SetSystemTheme(-1);
        SetToolMode("");
        DeleteRun(kRunValue);
        DeleteRun(kOlderRunValue);
        SetFileAttributesA(TaskFileUnderWine().c_str(), FILE_ATTRIBUTE_NORMAL);
        RemoveDirectoryA(TaskFileUnderWine().c_str());
        TaskScheduler().Delete(kTaskName);
    }
    void Start() {
        ASSERT_TRUE(program_.Start());
        main_ = program_.WaitForWindow("任务栏Kestrune");
        ASSERT_NE(main_, nullptr);
        ASSERT_TRUE(PumpUntil([&] { return WindowRect(main_).right == WindowRect(NotifyAreaOf(taskbar_.get())).left; }));
    }
    // A real click on drawn text of the readings; returns the menu once it has finished sliding.
    HWND OpenMenuByClick(bool right = false) {
        POINT point{};
        EXPECT_TRUE(PumpUntil([&] { return FindDrawnPoint(WindowRect(main_), &point); }, 3000)) << "no text drawn";
        ClickAt(point.x, point.y, right);
        HWND menu = nullptr;
        const bool slid = PumpUntil([&] {
            menu = program_.FindWindowOfProgram("菜单", true);
            return menu && WindowRect(menu).bottom == WindowRect(main_).top;
        }, 3000);
        const HWND any = program_.FindWindowOfProgram("菜单", false);
        EXPECT_TRUE(slid) << "the menu did not open and slide into place: click at " << point.x << "," << point.y
                          << (any ? (IsWindowVisible(any) ? " menu visible, bottom " : " menu hidden, bottom ") : " no menu")
                          << (any ? WindowRect(any).bottom : 0) << " main top " << WindowRect(main_).top;
        PumpFor(50);
        return slid ? menu : nullptr;
    }
    POINT CentreOfLabel(HWND menu, int index) const {
        RECT rect{};
        GetWindowRect(GetDlgItem(menu, 1000 + index), &rect);
        return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    }
    RECT LabelRect(HWND menu, int index) const {
        RECT rect{};
        GetWindowRect(GetDlgItem(menu, 1000 + index), &rect);
        return rect;
    }
    HWND OpenSettingsFromMenu() {
        HWND menu = OpenMenuByClick();
        if (!menu) return nullptr;
        const POINT settings = CentreOfLabel(menu, 2);  // 标签1, "   设置"
        ClickAt(settings.x, settings.y);
        HWND window = nullptr;
        PumpUntil([&] { return (window = program_.FindWindowOfProgram("Kestrune设置", true)) != nullptr; }, 3000);
        return window;
    }
    bool BoxChecked(HWND settings, int index) const {
        DWORD_PTR state = 0;
        SendMessageTimeoutA(GetDlgItem(settings, 1000 + index), BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 2000, &state);
        return state == BST_CHECKED;
    }
    // A user's click: posted, so that a message box it opens cannot hold the test up.
    void ClickBox(HWND settings, int index) const { PostMessageA(GetDlgItem(settings, 1000 + index), BM_CLICK, 0, 0); }
    int MainWidth() const { return WindowRect(main_).right - WindowRect(main_).left; }

    void ClickElsewhere() const { ClickAt(100, 50); }

    UniqueWindow taskbar_;
    UniqueWindow elsewhere_;
    ProgramUnderTest program_;
    HWND main_ = nullptr;
};

TEST_F(AsAUser, ASecondCopyEndsAtOnceWithCodeZeroAndTheFirstGoesOn) {
    Start();
    {
        ProgramUnderTest second;
        ASSERT_TRUE(second.Start());
        DWORD exitCode = 99;
        EXPECT_TRUE(PumpUntil([&] { return second.HasExited(&exitCode); }, 5000));
        EXPECT_EQ(exitCode, 0u);
        EXPECT_EQ(second.FindWindowOfProgram("任务栏Kestrune", true), nullptr);
    }
    PumpFor(300);
    EXPECT_FALSE(program_.HasExited());
    EXPECT_TRUE(IsWindowVisible(main_));

    program_.Stop();
    ProgramUnderTest later;
    ASSERT_TRUE(later.Start());
    EXPECT_NE(later.WaitForWindow("任务栏Kestrune"), nullptr) << "a start after the first copy ended runs";
}

TEST_F(AsAUser, AFileAlreadyCarryingTheFixedNameLeavesBothFilesAsTheyAre) {
    const std::string taken = program_.Folder() + "\\任务栏Kestrune.exe";
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
    const POINT settings = CentreOfLabel(menu, 2), close = CentreOfLabel(menu, 1);
    MoveMouseTo(settings.x, settings.y);
    EXPECT_TRUE(PumpUntil([&] { return CountColour(LabelRect(menu, 2), kMenuDarkHover) > 1000; }, 2000));
    MoveMouseTo(close.x, close.y);
    EXPECT_TRUE(PumpUntil([&] {
        return CountColour(LabelRect(menu, 1), kMenuDarkHover) > 1000 && CountColour(LabelRect(menu, 2), kMenuDarkHover) == 0;
    }, 2000)) << "the highlight did not move to the close entry";

    // A click elsewhere takes the activation away: the menu closes itself.
    ClickElsewhere();
    EXPECT_TRUE(PumpUntil([&] { return program_.FindWindowOfProgram("菜单", false) == nullptr; }, 3000));
    EXPECT_FALSE(program_.HasExited());
}

TEST_F(AsAUser, TheMenuFollowsALightTaskbarAndARightClickOpensItToo) {
    SetSystemTheme(1);
    Start();
    PumpFor(100);
    POINT point{};
    ASSERT_TRUE(PumpUntil([&] {
        const RECT rect = WindowRect(main_);
        for (int y = rect.top; y < rect.bottom; ++y)
            for (int x = rect.left; x < rect.right; ++x)
                if (CountColour(RECT{x, y, x + 1, y + 1}, RGB(21, 19, 19)) == 1) {
                    point = {x, y};
                    return true;
                }
        return false;
    }, 3000));
    ClickAt(point.x, point.y, true);
    HWND menu = nullptr;
    ASSERT_TRUE(PumpUntil([&] {
        menu = program_.FindWindowOfProgram("菜单", true);
        return menu && WindowRect(menu).bottom == WindowRect(main_).top;
    }, 3000));
    PumpFor(50);
    EXPECT_GT(CountColour(WindowRect(menu), kMenuLight), 3000) << "light grey in the light theme";
    EXPECT_GT(CountColour(WindowRect(menu), RGB(21, 19, 19)), 10) << "dark text";
}

TEST_F(AsAUser, ClicksDuringTheSlideCloseAndReopenTheMenuHarmlessly) {
    Start();
    HWND menu = OpenMenuByClick();
    ASSERT_NE(menu, nullptr);
    POINT point{};
    ASSERT_TRUE(FindDrawnPoint(WindowRect(main_), &point));
    for (int i = 0; i < 5; ++i) {
        ClickAt(point.x, point.y);  // closes the open menu, opens a fresh one
        ClickElsewhere();           // and closes that one while it slides
    }
    // A click elsewhere that came before the fresh menu was shown leaves that menu open and
    // active once it shows: one more click elsewhere closes it, as it would for a user.
    PumpFor(300);  // the animation threads outlive their menus
    ClickElsewhere();
    EXPECT_TRUE(PumpUntil([&] { return program_.FindWindowOfProgram("菜单", false) == nullptr; }, 3000));
    EXPECT_FALSE(program_.HasExited());

    menu = OpenMenuByClick();
    ASSERT_NE(menu, nullptr) << "a fresh menu after all that";
    EXPECT_EQ(WindowRect(menu).left, WindowRect(main_).left - 20);
}

TEST_F(AsAUser, TheCloseEntryEndsTheProgramWithCodeZero) {
    Start();
    HWND menu = OpenMenuByClick();
    ASSERT_NE(menu, nullptr);
    const POINT close = CentreOfLabel(menu, 1);  // 标签2, "   关闭"
    ClickAt(close.x, close.y);
    DWORD exitCode = 99;
    EXPECT_TRUE(PumpUntil([&] { return program_.HasExited(&exitCode); }, 5000));
    EXPECT_EQ(exitCode, 0u);
}

TEST_F(AsAUser, AltF4OnTheReadingsEndsTheProgramInsteadOfLeavingItInvisible) {
    Start();
    PostMessageA(main_, WM_CLOSE, 0, 0);
    DWORD exitCode = 99;
    EXPECT_TRUE(PumpUntil([&] { return program_.HasExited(&exitCode); }, 5000));
    EXPECT_EQ(exitCode, 0u);
}

TEST_F(AsAUser, TheSettingsEntryOpensOneSettingsWindowLoadedFromFileAndRegistry) {
    WriteConfig("1", "");
    WriteRun(kRunValue, "C:\\elsewhere\\任务栏Kestrune.exe");  // any data counts as registered
    Start();
    HWND settings = OpenSettingsFromMenu();
    ASSERT_NE(settings, nullptr);
    EXPECT_TRUE(BoxChecked(settings, kSettingsCpuBox));
    EXPECT_FALSE(BoxChecked(settings, kSettingsMemoryBox));
    EXPECT_TRUE(BoxChecked(settings, kSettingsStartupBox));
    EXPECT_FALSE(TaskRegistered()) << "a run value for another copy of the program brings no task";
    EXPECT_TRUE(PumpUntil([&] { return program_.FindWindowOfProgram("菜单", false) == nullptr; }, 3000))
        << "the menu closes when the settings window takes the activation";

    // Asked again: the open window comes forward, no second one.
    HWND again = OpenSettingsFromMenu();
    EXPECT_EQ(again, settings);
    EXPECT_EQ(CountWindowsTitled("Kestrune设置"), 1);
}

TEST_F(AsAUser, TheReadingBoxesWriteTheFileAndResizeTheReadingsAtOnce) {
    SetToolMode("table 73");
    Start();
    HWND settings = OpenSettingsFromMenu();
    ASSERT_NE(settings, nullptr);
    EXPECT_FALSE(BoxChecked(settings, kSettingsMemoryBox));
    EXPECT_EQ(GetFileAttributesA(kConfigPath), INVALID_FILE_ATTRIBUTES) << "no file until a box is clicked";

    ClickBox(settings, kSettingsMemoryBox);
    EXPECT_TRUE(PumpUntil([&] { return MainWidth() == 100; }, 2000));
    EXPECT_EQ(FileBytes(kConfigPath), "[内存]\r\n开关=1\r\n");
    ClickBox(settings, kSettingsCpuBox);
    EXPECT_TRUE(PumpUntil([&] { return MainWidth() == 130; }, 2000));
    EXPECT_TRUE(PumpUntil([&] { return WindowTextOf(MainControlOf(main_, kCpuField)) == "27%"; }, 6000))
        << "CPU sampling started";

    ClickBox(settings, kSettingsMemoryBox);
    ClickBox(settings, kSettingsCpuBox);
    EXPECT_TRUE(PumpUntil([&] { return MainWidth() == 70; }, 2000));
    EXPECT_EQ(FileBytes(kConfigPath), "[内存]\r\n开关=\r\n[CPU]\r\n开关=\r\n") << "keys kept with empty values";
    EXPECT_TRUE(PumpUntil([&] {
        return ChildRect(MainControlOf(main_, kCpuField)).left == -100 &&
               ChildRect(MainControlOf(main_, kMemoryField)).left == -100;
    }, 2000)) << "both columns leave the readings";
}

TEST_F(AsAUser, ClearingTheCpuBoxEndsALingeringToolAtOnce) {
    SetToolMode("linger 73");
    WriteConfig("1", nullptr);
    Start();
    HWND settings = OpenSettingsFromMenu();
    ASSERT_NE(settings, nullptr);
    ASSERT_TRUE(PumpUntil([] { return ToolsAlive() == 1; }, 5000)) << "a tool that answered and lingers";
    ClickBox(settings, kSettingsCpuBox);
    const DWORD cleared = GetTickCount();
    EXPECT_TRUE(PumpUntil([] { return ToolsAlive() == 0; }, 1000))
        << ToolsAlive() << " tools alive " << GetTickCount() - cleared << " ms after the box was cleared";
}

TEST_F(AsAUser, TheStartupBoxRegistersTheQuotedPathAndUnregistersBothNames) {
    WriteRun(kOlderRunValue, "C:\\old\\MorvaneKestrune.exe");
    Start();
    HWND settings = OpenSettingsFromMenu();
    ASSERT_NE(settings, nullptr);
    EXPECT_FALSE(BoxChecked(settings, kSettingsStartupBox));

    ClickBox(settings, kSettingsStartupBox);
    std::string data;
    DWORD type = 0;
    EXPECT_TRUE(PumpUntil([&] { return ReadRun(kRunValue, &data, &type); }, 2000));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(data, "\"" + program_.Folder() + "\\任务栏Kestrune.exe\"");
    EXPECT_FALSE(InNativeView(kRunValue)) << "written to the 64-bit view, where the program never reads it";
    EXPECT_TRUE(PumpUntil(TaskRegistered, 3000)) << "the task that starts it elevated at logon";
    PumpFor(300);
    EXPECT_EQ(program_.FindWindowOfProgram("信息：", true), nullptr) << "a message after a registration that worked";

    ClickBox(settings, kSettingsStartupBox);
    EXPECT_TRUE(PumpUntil([&] { return !ReadRun(kRunValue) && !ReadRun(kOlderRunValue); }, 2000));
    EXPECT_TRUE(PumpUntil([] { return !TaskRegistered(); }, 3000));
    PumpFor(300);
    EXPECT_EQ(program_.FindWindowOfProgram("信息：", true), nullptr);

    // Checked and cleared again with the task already deleted by hand: a missing task is no failure.
    ClickBox(settings, kSettingsStartupBox);
    ASSERT_TRUE(PumpUntil(TaskRegistered, 3000));
    TaskScheduler().Delete(kTaskName);
    ClickBox(settings, kSettingsStartupBox);
    EXPECT_TRUE(PumpUntil([&] { return !ReadRun(kRunValue); }, 2000));
    PumpFor(300);
    EXPECT_EQ(program_.FindWindowOfProgram("信息：", true), nullptr);
}

TEST_F(AsAUser, AnEarlierVersionsRunValueGetsItsTaskWhenTheSettingsOpen) {
    Start();
    // Written bare, before values were quoted, and before there was a task.
    WriteRun(kRunValue, program_.Folder() + "\\任务栏Kestrune.exe");
    ASSERT_FALSE(TaskRegistered());
    HWND settings = OpenSettingsFromMenu();
    ASSERT_NE(settings, nullptr);
    EXPECT_TRUE(BoxChecked(settings, kSettingsStartupBox));
    EXPECT_TRUE(PumpUntil(TaskRegistered, 3000));
    PumpFor(300);
    EXPECT_EQ(program_.FindWindowOfProgram("信息：", true), nullptr) << "set up without a word";
}

// The text of the program's one message box for a click, which the test then closes; empty when
// none shows, and a second one after it is a failure of its own.
std::string OnlyMessageOf(const ProgramUnderTest& program) {
    HWND box = nullptr;
    PumpUntil([&] { return (box = program.FindWindowOfProgram("信息：", true)) != nullptr; }, 3000);
    if (!box) return {};
    std::string text = "(no text)";
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (WindowTextOf(child).find("失败") != std::string::npos) text = WindowTextOf(child);
    }
    PostMessageA(box, WM_CLOSE, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return program.FindWindowOfProgram("信息：", true) == nullptr; }, 3000));
    PumpFor(500);
    EXPECT_EQ(program.FindWindowOfProgram("信息：", true), nullptr) << "a second message for one click";
    return text;
}

TEST_F(AsAUser, ATaskThatCannotBeWrittenOrDeletedSaysSoOncePerClick) {
    Start();
    HWND settings = OpenSettingsFromMenu();
    ASSERT_NE(settings, nullptr);

    // A folder where Wine writes the task: the run value is written all the same.
    ASSERT_TRUE(CreateDirectoryA(TaskFileUnderWine().c_str(), nullptr)) << GetLastError();
    ClickBox(settings, kSettingsStartupBox);
    EXPECT_EQ(OnlyMessageOf(program_), "设置失败，请以管理员模式运行！");
    EXPECT_TRUE(ReadRun(kRunValue));
    EXPECT_FALSE(TaskRegistered());
    RemoveDirectoryA(TaskFileUnderWine().c_str());

    // A task file that cannot be deleted: the run value goes all the same.
    ClickBox(settings, kSettingsStartupBox);
    EXPECT_TRUE(PumpUntil([&] { return !ReadRun(kRunValue); }, 2000));
    ClickBox(settings, kSettingsStartupBox);
    ASSERT_TRUE(PumpUntil(TaskRegistered, 3000));
    ASSERT_TRUE(SetFileAttributesA(TaskFileUnderWine().c_str(), FILE_ATTRIBUTE_READONLY)) << GetLastError();
    ClickBox(settings, kSettingsStartupBox);
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
    const std::string path = program_.Folder() + "\\任务栏Kestrune.exe";
    ASSERT_TRUE(MoveFileA(path.c_str(), (program_.Folder() + "\\moved.exe").c_str()));
    ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr));
    ClickBox(settings, kSettingsStartupBox);
    HWND message = nullptr;
    EXPECT_TRUE(PumpUntil([&] { return (message = program_.FindWindowOfProgram("信息：", true)) != nullptr; }, 3000));
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(GetWindow(message, GW_OWNER), nullptr) << "a message box with no owner";
    std::string text;
    for (HWND child = GetWindow(message, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const std::string childText = WindowTextOf(child);
        if (childText.find("设置失败") != std::string::npos) text = childText;
    }
    EXPECT_EQ(text, "设置失败，请以管理员模式运行！");
    EXPECT_FALSE(ReadRun(kRunValue));
    EXPECT_FALSE(TaskRegistered()) << "no task to start a file that is not there";
    PostMessageA(message, WM_CLOSE, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return program_.FindWindowOfProgram("信息：", true) == nullptr; }, 3000));
    PumpFor(500);
    EXPECT_EQ(program_.FindWindowOfProgram("信息：", true), nullptr) << "a second message for one click";
    EXPECT_TRUE(BoxChecked(settings, kSettingsStartupBox)) << "the box keeps the state the user gave it";
}

}  // namespace
