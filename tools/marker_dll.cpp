// A library planted in a program folder by the tests: loaded, it leaves "<its own path>.loaded"
// beside itself. It exports GetIfTable (answering "not supported") so that a program importing
// the IP helper statically still starts with it in place.
#include <windows.h>

#include <cstdio>

#include "support/unique.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        char path[MAX_PATH] = {};
        GetModuleFileNameA(instance, path, MAX_PATH);
        char marker[MAX_PATH + 16];
        std::snprintf(marker, sizeof marker, "%s.loaded", path);
        const UniqueFile file(CreateFileA(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    }
    return TRUE;
}

extern "C" __declspec(dllexport) DWORD WINAPI GetIfTable(void*, ULONG*, BOOL) { return ERROR_NOT_SUPPORTED; }
