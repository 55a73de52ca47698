// The real executable in a program folder of its own, started and ended by the test.
#include "tests/e2e/program_under_test.h"

#include <shellapi.h>

#include <cstdio>
#include <fstream>
#include <utility>

#include "tests/support/observe.h"
#include "tests/support/pump.h"

namespace {

std::string g_builtProgram;
std::string g_consoleProbe;

struct WindowSearch {
    DWORD processId;
    const char* title;
    bool visibleOnly;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND hwnd, LPARAM context) {
    auto* search = reinterpret_cast<WindowSearch*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    if (owner != search->processId) return TRUE;
    if (search->visibleOnly && !IsWindowVisible(hwnd)) return TRUE;
    char title[256] = {};
    GetWindowTextA(hwnd, title, sizeof title);  // sends no message to a top-level window of another process
    if (std::string(title) != search->title) return TRUE;
    search->found = hwnd;
    return FALSE;
}

void RemoveFolder(const std::string& folder) {
    std::string from = folder;
    from.push_back('\0');  // the list is ended by two NULs
    SHFILEOPSTRUCTA operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    SHFileOperationA(&operation);
}

}  // namespace

const std::string& BuiltProgramPath() { return g_builtProgram; }
void SetBuiltProgramPath(const std::string& path) { g_builtProgram = WindowsPathOf(path); }
const std::string& ConsoleProbePath() { return g_consoleProbe; }
void SetConsoleProbePath(const std::string& path) { g_consoleProbe = WindowsPathOf(path); }

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

ProgramUnderTest::ProgramUnderTest(std::string startName, bool atDriveRoot)
    : startName_(std::move(startName)), atDriveRoot_(atDriveRoot) {
    if (atDriveRoot_) {
        folder_ = "C:";
    } else {
        CreateDirectoryA("C:\\kestrune-e2e", nullptr);
        static int made = 0;  // several copies may be made within one tick
        folder_ = "C:\\kestrune-e2e\\run-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount()) +
                  "-" + std::to_string(++made);
        CreateDirectoryA(folder_.c_str(), nullptr);
    }
    CopyFileA(g_builtProgram.c_str(), (folder_ + "\\" + startName_).c_str(), FALSE);
}

ProgramUnderTest::~ProgramUnderTest() {
    Stop();
    if (atDriveRoot_) {
        DeleteFileA((folder_ + "\\" + startName_).c_str());
        DeleteFileA((folder_ + "\\" + kFixedFileName).c_str());
    } else {
        RemoveFolder(folder_);
    }
}

bool ProgramUnderTest::Start(bool suspended) {
    std::string commandLine = "\"" + folder_ + "\\" + startName_ + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    char systemFolder[MAX_PATH] = {};
    GetSystemDirectoryA(systemFolder, MAX_PATH);
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, suspended ? CREATE_SUSPENDED : 0, nullptr,
                        systemFolder, &startup, &info)) {
        return false;
    }
    UniqueHandle thread(info.hThread);
    if (suspended) suspendedThread_ = std::move(thread);
    process_.reset(info.hProcess);
    processId_ = info.dwProcessId;
    return true;
}

void ProgramUnderTest::Resume() {
    if (suspendedThread_) ResumeThread(suspendedThread_.get());
    suspendedThread_.reset();
}

void ProgramUnderTest::Stop() {
    suspendedThread_.reset();
    if (!process_) return;
    if (WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_.get(), 99);
        WaitForSingleObject(process_.get(), 5000);
    }
    process_.reset();
}

bool ProgramUnderTest::HasExited(DWORD* exitCode) const {
    if (!process_) return true;
    if (WaitForSingleObject(process_.get(), 0) != WAIT_OBJECT_0) return false;
    if (exitCode) GetExitCodeProcess(process_.get(), exitCode);
    return true;
}

HWND ProgramUnderTest::FindWindowOfProgram(const char* title, bool visibleOnly) const {
    WindowSearch search{processId_, title, visibleOnly, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND ProgramUnderTest::WaitForWindow(const char* title, DWORD timeoutMs) const {
    HWND found = nullptr;
    PumpUntil([&] { return (found = FindWindowOfProgram(title, true)) != nullptr || HasExited(); }, timeoutMs);
    return found;
}

HWND ProgramUnderTest::PollForWindow(const char* title, bool visibleOnly, DWORD timeoutMs) const {
    return PollUntil([&] { return FindWindowOfProgram(title, visibleOnly); }, [](HWND found) { return found != nullptr; },
                     timeoutMs)
        .last;
}

HWND ProgramUnderTest::WindowOnceGone(const char* title, bool visibleOnly, DWORD timeoutMs) const {
    return PollUntil([&] { return FindWindowOfProgram(title, visibleOnly); }, HWND{}, timeoutMs);
}

HWND OpenSettingsByPostedClicks(const ProgramUnderTest& program, HWND main) {
    PostMessageA(ControlOf(main, MainControl::kMouseLayer), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    HWND menu = program.PollForWindow(kMenuTitle, false);
    if (!menu) return nullptr;
    PostMessageA(ControlOf(menu, MenuControl::kSettingsEntry), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    return program.PollForWindow(kSettingsTitle, true);
}

void WriteConfig(const char* cpu, const char* memory) {
    RemoveConfig();
    if (cpu) WritePrivateProfileStringA("CPU", "开关", cpu, kConfigPath);
    if (memory) WritePrivateProfileStringA("内存", "开关", memory, kConfigPath);
}

void RemoveConfig() {
    SetFileAttributesA(kConfigPath, FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(kConfigPath);
}

std::map<DWORD, DWORD> ToolStarts() {
    std::ifstream log(kToolRunsLog);
    std::map<DWORD, DWORD> starts;
    DWORD tick = 0, pid = 0;
    while (log >> tick >> pid) starts[pid] = tick;  // an id handed out again: its latest start
    return starts;
}

// Wine hands out process ids again soon after a process ends: the id of a tool that ended may
// already name another process (the program itself, a shell), which must not count as a tool.
bool ToolAlive(DWORD pid) {
    UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, pid));
    if (!process || WaitForSingleObject(process.get(), 0) != WAIT_TIMEOUT) return false;
    char image[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    if (!QueryFullProcessImageNameA(process.get(), 0, image, &size)) return true;  // alive, name unknown: count it
    const std::string path(image, size);
    const std::string name = path.substr(path.find_last_of('\\') + 1);
    return _stricmp(name.c_str(), "wmic.exe") == 0;
}

int ToolsAlive() {
    int alive = 0;
    for (const auto& [pid, tick] : ToolStarts()) alive += ToolAlive(pid) ? 1 : 0;
    return alive;
}

void SetToolMode(const std::string& mode) {
    constexpr const char* kModeFile = "C:\\kestrune-wmic\\mode.txt";
    if (mode.empty()) {
        DeleteFileA(kModeFile);
        return;
    }
    CreateDirectoryA("C:\\kestrune-wmic", nullptr);
    if (FILE* file = std::fopen(kModeFile, "w")) {
        std::fprintf(file, "%s\n", mode.c_str());
        std::fclose(file);
    }
}

void SetSystemTheme(int light) {
    UniqueKey key;
    RegCreateKeyExA(HKEY_CURRENT_USER, kThemeKey, 0, nullptr, 0, KEY_WRITE, nullptr, key.put(), nullptr);
    if (light < 0) {
        RegDeleteValueA(key.get(), "SystemUsesLightTheme");
        return;
    }
    const DWORD value = static_cast<DWORD>(light);
    RegSetValueExA(key.get(), "SystemUsesLightTheme", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

void ResetEnvironment() {
    RemoveConfig();
    SetSystemTheme(-1);
    SetToolMode("");
    DeleteFileA(kToolRunsLog);  // each test counts the tool runs of its own
}

RECT ChildRect(HWND child) {
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

RECT WindowRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

int WindowWidth(HWND window) {
    const RECT rect = WindowRect(window);
    return rect.right - rect.left;
}

Corner TopLeftOf(HWND window) {
    const RECT rect = WindowRect(window);
    return {rect.left, rect.top};
}

Corner TopRightOf(HWND window) {
    const RECT rect = WindowRect(window);
    return {rect.right, rect.top};
}

std::string WindowTextOf(HWND window) {
    char text[256] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000,
                        &copied);
    return text;
}
