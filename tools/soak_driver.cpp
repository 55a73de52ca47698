// The uptime soak: runs the program with both readings on and the wmic stand-in answering, opens
// and closes the menu, opens the settings window and toggles its boxes, again and again, and
// reports what the program holds: kernel handles, windows, resident memory, live children.
//   soak_driver KESTRUNE_EXE SECONDS REPORT_SECONDS [--check]
// With --check it compares the last report with the first one after the warm-up minute and
// exits 1 when anything grew beyond a small allowance for one-off blips.
#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/unique.h"
#include "tests/e2e/program_under_test.h"
#include "tests/support/observe.h"
#include "tests/support/pump.h"
#include "tools/taskbar_standin.h"

namespace {

constexpr DWORD kWarmUpMs = 60000;

struct Figures {
    DWORD elapsedMs = 0;
    int handles = -1;
    int windows = 0;
    long residentKb = -1;
    int children = 0;
};

// Kernel handles of one process, from the system handle table (Wine's GetProcessHandleCount is a stub).
int HandleCount(DWORD processId) {
    using Query = LONG(WINAPI*)(ULONG, void*, ULONG, ULONG*);
    static const auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    if (!query) return -1;
    std::vector<unsigned char> buffer(1 << 16);
    for (;;) {
        ULONG needed = 0;
        const LONG status = query(16, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        if (status == static_cast<LONG>(0xC0000004)) {  // length mismatch: grow and ask again
            buffer.resize(std::max<std::size_t>(buffer.size() * 2, needed + 4096));
            continue;
        }
        if (status < 0) return -1;
        break;
    }
    struct Entry {
        USHORT processId, creatorBackTraceIndex;
        UCHAR objectType, attributes;
        USHORT handle;
        void* object;
        ULONG access;
    };
    const ULONG count = *reinterpret_cast<const ULONG*>(buffer.data());
    const auto* entries = reinterpret_cast<const Entry*>(buffer.data() + sizeof(void*));
    int handles = 0;
    for (ULONG i = 0; i < count; ++i) {
        if (entries[i].processId == static_cast<USHORT>(processId)) ++handles;
    }
    return handles;
}

BOOL CALLBACK CountChild(HWND, LPARAM count) {
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

BOOL CALLBACK CountWindow(HWND hwnd, LPARAM context) {
    auto* search = reinterpret_cast<std::pair<DWORD, int>*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    if (owner == search->first) {
        ++search->second;
        EnumChildWindows(hwnd, CountChild, reinterpret_cast<LPARAM>(&search->second));
    }
    return TRUE;
}

int WindowCount(DWORD processId) {
    std::pair<DWORD, int> search{processId, 0};
    EnumWindows(CountWindow, reinterpret_cast<LPARAM>(&search));
    return search.second;
}

int ChildCount(DWORD processId) {
    return CountProcesses([&](const PROCESSENTRY32& entry) {
        return entry.th32ParentProcessID == processId || _stricmp(entry.szExeFile, "wmic.exe") == 0;
    });
}

std::string ReadWholeFile(const std::string& path) {
    UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  0, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) {
        file.release();
        return {};
    }
    std::string text;
    char chunk[4096];
    DWORD read = 0;
    while (ReadFile(file.get(), chunk, sizeof chunk, &read, nullptr) && read > 0) text.append(chunk, read);
    return text;
}

// The resident set of the Wine process whose command line names the program's folder.
long ResidentKb(const std::string& folderName) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA("Z:\\proc\\*", &found);
    if (search == INVALID_HANDLE_VALUE) return -1;
    long resident = -1;
    do {
        const std::string name = found.cFileName;
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
        const std::string cmdline = ReadWholeFile("Z:\\proc\\" + name + "\\cmdline");
        if (cmdline.find(folderName) == std::string::npos || cmdline.find("soak_driver") != std::string::npos) continue;
        const std::string status = ReadWholeFile("Z:\\proc\\" + name + "\\status");
        const std::size_t at = status.find("VmRSS:");
        if (at != std::string::npos) resident = std::strtol(status.c_str() + at + 6, nullptr, 10);
    } while (resident < 0 && FindNextFileA(search, &found));
    FindClose(search);
    return resident;
}

Figures Measure(const ProgramUnderTest& program) {
    const std::string folder = program.Folder().substr(program.Folder().find_last_of('\\') + 1);
    return {0, HandleCount(program.ProcessId()), WindowCount(program.ProcessId()), ResidentKb(folder),
            ChildCount(program.ProcessId())};
}

// One round of what a user does: the menu, the settings window, a box toggled twice, closed.
void UseOnce(const ProgramUnderTest& program, HWND main, int round) {
    PostMessageA(ControlOf(main, MainControl::kMouseLayer), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    HWND menu = program.PollForWindow(kMenuTitle, true, 2000);
    PumpFor(150);  // the slide
    if (!menu) return;
    if (round % 2 == 0) {
        PostMessageA(menu, WM_ACTIVATE, WA_INACTIVE, 0);  // as a click elsewhere would
        return;
    }
    PostMessageA(ControlOf(menu, MenuControl::kSettingsEntry), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    HWND settings = program.PollForWindow(kSettingsTitle, true, 2000);
    if (!settings) return;
    const int box = round % 4 == 1 ? SettingsControl::kMemoryBox : SettingsControl::kCpuBox;
    PostMessageA(ControlOf(settings, box), BM_CLICK, 0, 0);
    PumpFor(100);
    PostMessageA(ControlOf(settings, box), BM_CLICK, 0, 0);
    PumpFor(100);
    PostMessageA(settings, WM_CLOSE, 0, 0);
    program.WindowOnceGone(kSettingsTitle, false, 2000);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: soak_driver KESTRUNE_EXE SECONDS REPORT_SECONDS [--check]\n");
        return 2;
    }
    SetBuiltProgramPath(argv[1]);
    const DWORD seconds = static_cast<DWORD>(std::atoi(argv[2]));
    const DWORD reportEvery = static_cast<DWORD>(std::max(1, std::atoi(argv[3])));
    const bool check = argc > 4 && std::string(argv[4]) == "--check";

    UniqueWindow taskbar(CreateTaskbarStandIn(BottomTaskbar(kDarkTaskbarColour)));
    WriteConfig("1", "1");
    SetToolMode("table 42");
    ProgramUnderTest program;
    if (!program.Start()) return 1;
    HWND main = program.WaitForWindow(kMainTitle);
    if (!main) return 1;
    // The first CPU sample loads the scripting engine once; in a cold prefix the first tool runs
    // can be slow enough to be cut off and paused. The clock starts once a sample has arrived.
    if (!PumpUntil([&] { return WindowTextOf(ControlOf(main, MainControl::kCpuField)) == "58%"; }, 90000)) {
        std::printf("soak: no CPU sample arrived in 90 s\n");
    }

    std::printf("%8s %8s %8s %12s %9s\n", "seconds", "handles", "windows", "resident-kB", "children");
    std::vector<Figures> reports;
    const DWORD start = GetTickCount();
    DWORD nextReport = 0;
    for (int round = 0;; ++round) {
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= nextReport) {
            Figures figures = Measure(program);
            figures.elapsedMs = elapsed;
            reports.push_back(figures);
            std::printf("%8lu %8d %8d %12ld %9d\n", elapsed / 1000, figures.handles, figures.windows, figures.residentKb,
                        figures.children);
            std::fflush(stdout);
            nextReport += reportEvery * 1000;
        }
        if (elapsed >= seconds * 1000 || program.HasExited()) break;
        UseOnce(program, main, round);
        PumpFor(500);
    }
    const bool alive = !program.HasExited();
    program.Stop();
    RemoveConfig();
    SetToolMode("");
    if (!alive) {
        std::printf("soak: the program ended during the run\n");
        return 1;
    }
    if (!check) return 0;
    // The first minute is the warm-up (libraries, caches, the first CPU sample): judge the last
    // report against the first one after it.
    const Figures* base = nullptr;
    for (const Figures& report : reports) {
        if (!base && report.elapsedMs >= kWarmUpMs) base = &report;
    }
    if (!base || base == &reports.back()) {
        std::printf("soak: too few reports after the warm-up minute to judge\n");
        return 1;
    }
    const Figures& last = reports.back();
    bool flat = true;
    auto judge = [&](const char* what, long before, long after, long allowance) {
        const bool ok = after <= before + allowance;
        std::printf("soak: %-12s %8ld -> %8ld (allowance %ld) %s\n", what, before, after, allowance, ok ? "flat" : "GREW");
        flat = flat && ok;
    };
    judge("handles", base->handles, last.handles, 6);
    judge("windows", base->windows, last.windows, 1);
    judge("resident-kB", base->residentKb, last.residentKb, 3072);
    judge("children", 1, last.children, 0);
    return flat ? 0 : 1;
}
