// The reference for the benchmark: the least program that does the work the design mandates and
// nothing else. A layered, topmost 70 x 50 window with the same controls (hidden: a surface with
// per-pixel alpha shows their texts, drawn again whenever a text changed); every 20 ms the
// always-on-top call, the two window searches, GetWindowInfo and one registry read; every
// 1000 ms the two switch reads, four interface-table queries and the speed texts (and the memory
// load when its switch is on); every 3000 ms, with the CPU switch on, one run of the CPU query
// and one regular-expression match. It shares no code with the product.
#include <windows.h>
#include <oaidl.h>
#include <ole2.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bare_surface.h"

namespace {

const char* const kIni = "C:\\Program Files (x86)\\Kestrune.ini";
HWND g_window, g_upload, g_download, g_memory, g_cpu;
typedef DWORD(WINAPI* GetIfTableFn)(void*, ULONG*, BOOL);
GetIfTableFn g_getIfTable;
DWORD g_lastIn, g_lastOut;

bool SwitchOn(const char* section) {
    char value[10240];
    return GetPrivateProfileStringA(section, "开关", nullptr, value, sizeof value, kIni) > 0;
}

void Dock() {
    SetWindowPos(g_window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    HWND tray = FindWindowExA(nullptr, nullptr, "Shell_TrayWnd", "");
    HWND area = tray ? FindWindowExA(tray, nullptr, "TrayNotifyWnd", "") : nullptr;
    WINDOWINFO info{};
    info.cbSize = sizeof info;
    GetWindowInfo(area, &info);
    WINDOWINFO taskbar{};
    taskbar.cbSize = sizeof taskbar;
    GetWindowInfo(tray, &taskbar);  // where the surface's empty pixels take clicks
    RECT me;
    GetWindowRect(g_window, &me);
    if (me.left != info.rcWindow.left - 70 || me.top != info.rcWindow.top)
        SetWindowPos(g_window, nullptr, info.rcWindow.left - 70, info.rcWindow.top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize", 0,
                      KEY_READ, &key) == ERROR_SUCCESS) {
        DWORD value = 0, size = sizeof value;
        RegQueryValueExA(key, "SystemUsesLightTheme", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
        RegCloseKey(key);
    }
}

DWORD Counter(bool inbound) {
    ULONG size = 0;
    char probe[1];
    g_getIfTable(probe, &size, FALSE);
    std::vector<char> table(size);
    if (size == 0 || g_getIfTable(table.data(), &size, TRUE) != NO_ERROR) return 0;
    const DWORD rows = *reinterpret_cast<DWORD*>(table.data());
    return rows ? *reinterpret_cast<DWORD*>(&table[4 + (rows - 1) * 860 + (inbound ? 552 : 576)]) : 0;
}

std::string FieldTexts() {
    std::string texts;
    for (HWND field : {g_upload, g_download, g_memory}) {
        char text[32];
        texts.append(text, static_cast<std::size_t>(GetWindowTextA(field, text, sizeof text))).push_back('|');
    }
    return texts;
}

void Refresh() {
    const std::string before = FieldTexts();
    if (SwitchOn("内存")) {
        MEMORYSTATUS status{};
        status.dwLength = sizeof status;
        GlobalMemoryStatus(&status);
        char text[16];
        std::snprintf(text, sizeof text, "%lu%%", status.dwMemoryLoad);
        SetWindowTextA(g_memory, text);
    }
    SwitchOn("CPU");
    char text[32];
    const DWORD out = Counter(false), outAgain = Counter(false), in = Counter(true), inAgain = Counter(true);
    (void)outAgain;
    (void)inAgain;
    std::snprintf(text, sizeof text, "%.1fK/s", (out - (g_lastOut ? g_lastOut : out)) / 1024.0);
    SetWindowTextA(g_upload, text);
    std::snprintf(text, sizeof text, "%.1fK/s", (in - (g_lastIn ? g_lastIn : in)) / 1024.0);
    SetWindowTextA(g_download, text);
    g_lastOut = out;
    g_lastIn = in;
    if (FieldTexts() != before) DrawBareSurface(g_window, {g_upload, g_download, g_memory, g_cpu});
}

void Invoke(IDispatch* object, const wchar_t* name, WORD kind, VARIANT* argument, VARIANT* result) {
    DISPID id;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    if (FAILED(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) return;
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS parameters{argument, kind == DISPATCH_PROPERTYPUT ? &put : nullptr, argument ? 1u : 0u,
                          kind == DISPATCH_PROPERTYPUT ? 1u : 0u};
    object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, kind, &parameters, result, nullptr, nullptr);
}

void SampleCpu() {
    if (!SwitchOn("CPU")) return;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd, writeEnd;
    CreatePipe(&readEnd, &writeEnd, &inherit, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.hStdOutput = startup.hStdError = writeEnd;
    PROCESS_INFORMATION process{};
    wchar_t command[] = L"cmd.exe /c wmic path win32_perfformatteddata_perfos_processor get name,PercentIdleTime";
    const BOOL started = CreateProcessW(nullptr, command, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    CloseHandle(writeEnd);
    std::vector<char> output;
    if (started) {
        for (;;) {
            DWORD available = 0;
            PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr);
            if (available) {
                output.resize(available + 1);
                ReadFile(readEnd, output.data(), available, &available, nullptr);
                break;
            }
            DWORD code;
            if (GetExitCodeProcess(process.hProcess, &code) && code != STILL_ACTIVE) break;
            Sleep(1);
        }
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    CloseHandle(readEnd);

    CLSID id;
    IDispatch* regex = nullptr;
    if (SUCCEEDED(CLSIDFromProgID(L"VBScript.RegExp", &id)) &&
        SUCCEEDED(CoCreateInstance(id, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&regex)))) {
        VARIANT pattern{}, subject{}, matches{}, count{};
        pattern.vt = VT_BSTR;
        pattern.bstrVal = SysAllocString(L"[0-9]");
        Invoke(regex, L"Pattern", DISPATCH_PROPERTYPUT, &pattern, nullptr);
        subject.vt = VT_BSTR;
        subject.bstrVal = SysAllocString(L"_Total  98");
        Invoke(regex, L"Execute", DISPATCH_METHOD, &subject, &matches);
        if (matches.vt == VT_DISPATCH) Invoke(matches.pdispVal, L"Count", DISPATCH_PROPERTYGET, nullptr, &count);
        VariantClear(&pattern);
        VariantClear(&subject);
        VariantClear(&matches);
        regex->Release();
        SetWindowTextA(g_cpu, "2%");
    }
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER) {
        if (wParam == 1) Dock();
        if (wParam == 2) Refresh();
        if (wParam == 3) SampleCpu();
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    OleInitialize(nullptr);
    g_getIfTable = reinterpret_cast<GetIfTableFn>(reinterpret_cast<void*>(
        GetProcAddress(LoadLibraryExA("iphlpapi.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32), "GetIfTable")));
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = CreateSolidBrush(RGB(255, 168, 255));
    windowClass.lpszClassName = "KestruneReference";
    RegisterClassA(&windowClass);
    HWND owner = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
    g_window = CreateWindowExA(WS_EX_LAYERED | WS_EX_TOPMOST, "KestruneReference", "Kestrune reference", WS_POPUP, 50,
                               50, 70, 50, owner, nullptr, instance, nullptr);
    auto control = [&](const char* cls, const char* text, int x, int y, int w, DWORD style) {
        return CreateWindowExA(0, cls, text, WS_CHILD | style, x, y, w, 20, g_window, nullptr, instance, nullptr);
    };
    control("STATIC", "CPU", -100, 7, 30, SS_CENTER);
    g_cpu = control("EDIT", "1%", -100, 24, 30, ES_READONLY | ES_CENTER);
    control("STATIC", "内存", -100, 7, 30, SS_CENTER);
    g_memory = control("EDIT", "10%", -100, 24, 30, ES_READONLY | ES_CENTER);
    control("STATIC", "", 0, 0, 70, SS_NOTIFY);
    g_download = control("EDIT", "", 12, 24, 50, ES_READONLY);
    g_upload = control("EDIT", "", 12, 7, 50, ES_READONLY);
    control("STATIC", "↓", 0, 24, 20, 0);
    control("STATIC", "↑", 0, 8, 20, 0);
    DrawBareSurface(g_window, {g_upload, g_download, g_memory, g_cpu});
    ShowWindow(g_window, SW_SHOWNOACTIVATE);
    SetTimer(g_window, 1, 20, nullptr);
    SetTimer(g_window, 2, 1000, nullptr);
    SetTimer(g_window, 3, 3000, nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    return 0;
}
