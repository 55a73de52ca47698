// The real executable, copied into a fresh program folder inside the prefix under another
// start name, started, looked at from outside, and always ended and removed afterwards.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <utility>

#include "support/unique.h"

// Titles of the program's windows, and the fixed name it gives its own file.
constexpr const char* kMainTitle = "任务栏Kestrune";
constexpr const char* kMenuTitle = "菜单";
constexpr const char* kSettingsTitle = "Kestrune设置";
constexpr const char* kMessageTitle = "信息：";
constexpr const char* kFixedFileName = "任务栏Kestrune.exe";

// The built executable and the console probe, as given on the test's command line.
const std::string& BuiltProgramPath();
void SetBuiltProgramPath(const std::string& path);
const std::string& ConsoleProbePath();
void SetConsoleProbePath(const std::string& path);

class ProgramUnderTest {
public:
    static constexpr const char* kStartName = "kestrune-start.exe";

    // In a fresh folder under the start name, or straight in the root of C: (whose files of ours
    // are removed afterwards, and nothing else).
    explicit ProgramUnderTest(std::string startName = kStartName, bool atDriveRoot = false);
    ~ProgramUnderTest();
    ProgramUnderTest(const ProgramUnderTest&) = delete;
    ProgramUnderTest& operator=(const ProgramUnderTest&) = delete;

    // Starts the copy with a working folder other than its own, as a shortcut may; a suspended
    // copy runs no code of its own until Resume, so that several can be let go at one moment.
    bool Start(bool suspended = false);
    void Resume();
    void Stop();
    bool HasExited(DWORD* exitCode = nullptr) const;

    const std::string& Folder() const { return folder_; }
    DWORD ProcessId() const { return processId_; }

    // A visible top-level window of the program with this title, waited for while pumping.
    HWND WaitForWindow(const char* title, DWORD timeoutMs = 10000) const;
    // Its windows, visible or not.
    HWND FindWindowOfProgram(const char* title, bool visibleOnly) const;
    // The window of this title once it is there (visible or not), or nullptr at the time-out.
    HWND PollForWindow(const char* title, bool visibleOnly, DWORD timeoutMs = 3000) const;
    // nullptr once no such window is left, or the one still there at the time-out.
    HWND WindowOnceGone(const char* title, bool visibleOnly, DWORD timeoutMs = 3000) const;

private:
    std::string folder_;
    std::string startName_;
    bool atDriveRoot_;
    UniqueHandle process_;
    UniqueHandle suspendedThread_;
    DWORD processId_ = 0;
};

bool FileExists(const std::string& path);

// The program's configuration file in the prefix: nullptr leaves a section out.
constexpr const char* kConfigPath = "C:\\Program Files (x86)\\Kestrune.ini";
void WriteConfig(const char* cpu, const char* memory);
// Removed even when a test left it read-only.
void RemoveConfig();
// Where the wmic stand-in logs its starts.
constexpr const char* kToolRunsLog = "C:\\kestrune-wmic\\runs.log";

// What the wmic stand-in of the prefix answers ("table 73", "hang", ...); "" for its default.
void SetToolMode(const std::string& mode);
// Every stand-in start its log names (process id, start tick) since the test began, and how
// many of them are still alive as the tool (an id handed out again to another process is not).
std::map<DWORD, DWORD> ToolStarts();
bool ToolAlive(DWORD pid);
int ToolsAlive();

// The Windows mode value the program follows; -1 removes it.
constexpr const char* kThemeKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
void SetSystemTheme(int light);

// No configuration file, no mode value, the tool's default answer: what each test starts from.
void ResetEnvironment();

// Controls by their place in their window's table (timers have a place but no window); a
// control's id is the first id plus its place.
constexpr int kFirstControlId = 1000;
namespace MainControl {
constexpr int kCpuLabel = 1, kCpuField = 2, kMemoryLabel = 3, kMemoryField = 4, kMouseLayer = 5, kDownloadField = 6,
              kUploadField = 7, kDownloadArrow = 9, kUploadArrow = 10;
}
namespace MenuControl {
constexpr int kCloseEntry = 1, kSettingsEntry = 2;  // 标签2 "   关闭", 标签1 "   设置"
}
namespace SettingsControl {
constexpr int kStartupBox = 0, kMemoryBox = 1, kCpuBox = 2;
}
inline HWND ControlOf(HWND window, int index) { return GetDlgItem(window, kFirstControlId + index); }

// The menu opened and its settings entry chosen by posted button releases, as clicks would:
// the settings window, or nullptr when the menu or the settings window did not appear in time.
HWND OpenSettingsByPostedClicks(const ProgramUnderTest& program, HWND main);

// Client rectangle of a child within its parent.
RECT ChildRect(HWND child);
RECT WindowRect(HWND window);
int WindowWidth(HWND window);
// Screen corners, printable in a failed check: a docked window's top right is its notification
// area's top left.
using Corner = std::pair<LONG, LONG>;
Corner TopLeftOf(HWND window);
Corner TopRightOf(HWND window);
// WM_GETTEXT with a time-out, so a hung program cannot hang the test.
std::string WindowTextOf(HWND window);
