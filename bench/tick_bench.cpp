// In-process figures: the mean time of one docking tick, of one refresh tick and of one redrawing
// of the readings (two new texts) of the program, each with the messages it leaves queued (the
// readings are drawn once the handler is done), against the same system calls made bare.
#include <windows.h>

#include "bench/bare_surface.h"
#include "bench/clock.h"

#include <cstdio>
#include <vector>

#include "readings/cpu_load.h"
#include "readings/refresh.h"
#include "settings/config.h"
#include "tools/taskbar_standin.h"
#include "ui/docking.h"
#include "ui/window_definitions.h"

namespace {


template <typename Work>
double MeanMicroseconds(int calls, Work work) {
    work();  // warm
    const double begin = (1000.0 * NowMs());
    for (int i = 0; i < calls; ++i) work();
    return ((1000.0 * NowMs()) - begin) / calls;
}

// What a tick leaves queued: the drawing it asked for, paint messages.
void DispatchQueued() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}

void BareDock(HWND window) {
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    HWND tray = FindWindowExA(nullptr, nullptr, "Shell_TrayWnd", "");
    HWND area = FindWindowExA(tray, nullptr, "TrayNotifyWnd", "");
    WINDOWINFO info{};
    info.cbSize = sizeof info;
    GetWindowInfo(area, &info);
    GetWindowInfo(tray, &info);  // the taskbar under the surface, where its empty pixels take clicks
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize", 0,
                      KEY_READ, &key) == ERROR_SUCCESS) {
        DWORD value = 0, size = sizeof value;
        RegQueryValueExA(key, "SystemUsesLightTheme", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
        RegCloseKey(key);
    }
}

using GetIfTableFn = DWORD(WINAPI*)(void*, ULONG*, BOOL);

void BareRefresh(GetIfTableFn getIfTable, HWND upload, HWND download) {
    char value[10240];
    GetPrivateProfileStringA("内存", "开关", nullptr, value, sizeof value, "C:\\Program Files (x86)\\Kestrune.ini");
    GetPrivateProfileStringA("CPU", "开关", nullptr, value, sizeof value, "C:\\Program Files (x86)\\Kestrune.ini");
    for (int i = 0; i < 4; ++i) {
        ULONG size = 0;
        char probe[1];
        getIfTable(probe, &size, FALSE);
        std::vector<char> table(size);
        getIfTable(table.data(), &size, TRUE);
    }
    SetWindowTextA(upload, "0.0K/s");
    SetWindowTextA(download, "0.0K/s");
}

}  // namespace

int main() {
    HWND taskbar = CreateTaskbarStandIn(BottomTaskbar(kDarkTaskbarColour));
    CreateHiddenOwnerWindow();
    OpenWindow(kMainWindow);
    HWND main = GetWindowHandle(kMainWindow);
    const auto getIfTable = reinterpret_cast<GetIfTableFn>(reinterpret_cast<void*>(
        GetProcAddress(LoadLibraryExA("iphlpapi.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32), "GetIfTable")));

    // Only the calls below run the handlers.
    for (const char* timer : {MainControls::kDockingTimer, MainControls::kRefreshTimer, MainControls::kCpuTimer}) {
        SetProperty(kMainWindow, timer, Property::Period, 0);
    }
    DispatchQueued();
    HWND upload = GetControlHandle(kMainWindow, MainControls::kUploadField);
    HWND download = GetControlHandle(kMainWindow, MainControls::kDownloadField);

    const double dock = MeanMicroseconds(3000, [] {
        DockMainWindow();
        DispatchQueued();
    });
    const double bareDock = MeanMicroseconds(3000, [&] {
        BareDock(main);
        DispatchQueued();
    });
    const double refresh = MeanMicroseconds(300, [] {
        RefreshTick();
        DispatchQueued();
    });
    const double bareRefresh = MeanMicroseconds(300, [&] {
        BareRefresh(getIfTable, upload, download);
        DispatchQueued();
    });
    int round = 0;
    const double drawing = MeanMicroseconds(300, [&] {
        const bool odd = ++round % 2 != 0;
        SetText(kMainWindow, MainControls::kUploadField, odd ? "12.3K/s" : "45.6K/s");
        SetText(kMainWindow, MainControls::kDownloadField, odd ? "1.5M/s" : "2M/s");
        DispatchQueued();
    });
    const double bareDrawing = MeanMicroseconds(300, [&] {
        const bool odd = ++round % 2 != 0;
        SetWindowTextA(upload, odd ? "12.3K/s" : "45.6K/s");
        SetWindowTextA(download, odd ? "1.5M/s" : "2M/s");
        DrawBareSurface(main, {upload, download});
        DispatchQueued();
    });
    std::printf("docking tick:  %8.1f us   bare calls: %8.1f us   ratio %.2f\n", dock, bareDock, dock / bareDock);
    std::printf("refresh tick:  %8.1f us   bare calls: %8.1f us   ratio %.2f\n", refresh, bareRefresh,
                refresh / bareRefresh);
    std::printf("new texts:     %8.1f us   bare calls: %8.1f us   ratio %.2f\n", drawing, bareDrawing,
                drawing / bareDrawing);
    // The CPU sample where there is no WMI tool: the time the main thread is blocked per sample.
    if (SwitchIsOn(kCpuSwitch)) {
        const double sample = MeanMicroseconds(300, [] { SampleCpuLoad(); });
        std::printf("CPU sample:    %8.1f us   (%s)\n", sample,
                    cpuBusyPercent > 0 ? "processor times, no tool" : "no figure: is the tool still there?");
    }
    DestroyWindow(taskbar);
    return 0;
}
