// The benchmark's eyes inside Wine.
//   bench_probe start EXE TITLE     starts EXE, waits until its window TITLE stands docked beside the
//                                   notification area; prints "startup_ms N" and leaves it running
//   bench_probe blocked TITLE SECS  asks the window TITLE for an answer back to back for SECS
//                                   seconds; prints the time it kept the asker waiting beyond the
//                                   usual answer, per 3-second CPU sample: "blocked_ms_per_sample N"
#include <windows.h>

#include "bench/clock.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {


struct Search {
    DWORD processId;
    const char* title;
    HWND found;
};

BOOL CALLBACK Match(HWND hwnd, LPARAM context) {
    auto* search = reinterpret_cast<Search*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    char title[128] = {};
    GetWindowTextA(hwnd, title, sizeof title);
    if ((search->processId == 0 || owner == search->processId) && IsWindowVisible(hwnd) &&
        std::string(title) == search->title) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

HWND FindTitled(DWORD processId, const char* title) {
    Search search{processId, title, nullptr};
    EnumWindows(Match, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool Docked(HWND window) {
    HWND tray = FindWindowExA(nullptr, nullptr, "Shell_TrayWnd", "");
    HWND area = tray ? FindWindowExA(tray, nullptr, "TrayNotifyWnd", "") : nullptr;
    RECT rect, areaRect;
    return area && GetWindowRect(window, &rect) && GetWindowRect(area, &areaRect) && rect.right == areaRect.left &&
           rect.top == areaRect.top;
}

int Start(const char* exe, const char* title) {
    std::string commandLine = std::string("\"") + exe + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    const double begin = NowMs();
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        return 1;
    }
    for (;;) {
        HWND window = FindTitled(info.dwProcessId, title);
        if (window && Docked(window)) break;
        if (NowMs() - begin > 20000) return 1;
        Sleep(1);
    }
    std::printf("startup_ms %.1f\n", NowMs() - begin);
    return 0;
}

int Blocked(const char* title, int seconds) {
    HWND window = FindTitled(0, title);
    if (!window) return 1;
    std::vector<double> latencies;
    const double begin = NowMs();
    while (NowMs() - begin < seconds * 1000.0) {
        const double asked = NowMs();
        DWORD_PTR result = 0;
        SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result);
        latencies.push_back(NowMs() - asked);
        Sleep(1);
    }
    std::vector<double> sorted = latencies;
    std::sort(sorted.begin(), sorted.end());
    const double usual = sorted[sorted.size() / 2];
    double blocked = 0;
    for (double latency : latencies) {
        if (latency > usual + 2.0) blocked += latency - usual;
    }
    std::printf("blocked_ms_per_sample %.1f\n", blocked / (seconds / 3.0));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "start" && argc > 3) return Start(argv[2], argv[3]);
    if (mode == "blocked" && argc > 3) return Blocked(argv[2], std::atoi(argv[3]));
    std::fprintf(stderr, "usage: bench_probe start EXE TITLE | blocked TITLE SECONDS\n");
    return 2;
}
