// Program entry: no command line, no console.
#include <windows.h>

#include <cstdlib>

#include "app/lifecycle.h"

// The C++ runtime's default terminate handler demangles type names for a console this program
// does not have: some 46 KB of code. Nothing here throws; should the runtime ever terminate the
// program, it ends at once.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

namespace {

// The program runs elevated from a user-writable folder, which the loader would search first
// for any library that is not a known system one. From here on only the system folder is.
void RestrictLibrarySearch() {
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    const auto setDefaultDirectories = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories")));
    if (setDefaultDirectories) setDefaultDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    SetDllDirectoryA("");  // and never the current folder, where the default directories are missing
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    RestrictLibrarySearch();
    return RunProgram();
}
