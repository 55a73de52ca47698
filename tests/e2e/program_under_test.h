// The real executable, copied into a fresh program folder inside the prefix under another
// start name, started, looked at from outside, and always ended and removed afterwards.
#pragma once

#include <windows.h>

#include <map>
#include <string>

#include "support/unique.h"

// The path the test was given: a Unix path (from CTest) or a Windows one.
std::string WindowsPathOf(const std::string& path);

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

    // Starts the copy with a working folder other than its own, as a shortcut may.
    bool Start();
    void Stop();
    bool HasExited(DWORD* exitCode = nullptr) const;

    const std::string& Folder() const { return folder_; }
    DWORD ProcessId() const { return processId_; }

    // A visible top-level window of the program with this title, waited for while pumping.
    HWND WaitForWindow(const char* title, DWORD timeoutMs = 10000) const;
    // Its windows, visible or not.
    HWND FindWindowOfProgram(const char* title, bool visibleOnly) const;

private:
    std::string folder_;
    std::string startName_;
    bool atDriveRoot_;
    UniqueHandle process_;
    DWORD processId_ = 0;
};

bool FileExists(const std::string& path);

// The program's configuration file in the prefix: nullptr leaves a section out.
void WriteConfig(const char* cpu, const char* memory);
void RemoveConfig();

// What the wmic stand-in of the prefix answers ("table 73", "hang", ...); "" for its default.
void SetToolMode(const std::string& mode);
// Every stand-in start its log names (process id, start tick), and how many of them are alive.
std::map<DWORD, DWORD> ToolStarts();
bool ProcessAlive(DWORD pid);
int ToolsAlive();

// The Windows mode value the program follows; -1 removes it.
void SetSystemTheme(int light);

// Controls of the main window, by their place in the window's table (timers have none).
namespace MainControl {
constexpr int kCpuLabel = 1, kCpuField = 2, kMemoryLabel = 3, kMemoryField = 4, kMouseLayer = 5, kDownloadField = 6,
              kUploadField = 7, kDownloadArrow = 9, kUploadArrow = 10;
}
HWND MainControlOf(HWND main, int index);
// Client rectangle of a child within its parent.
RECT ChildRect(HWND child);
// WM_GETTEXT with a time-out, so a hung program cannot hang the test.
std::string WindowTextOf(HWND window);
