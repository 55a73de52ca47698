// Opens the program's menu or its settings window from outside, as a click would, for the
// pictures script:  ui_poke menu | settings
#include <windows.h>

#include <cstring>

namespace {

HWND Wait(const char* title) {
    for (int i = 0; i < 200; ++i) {
        if (HWND window = FindWindowA(nullptr, title)) return window;
        Sleep(20);
    }
    return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    HWND main = Wait("任务栏Kestrune");
    if (!main) return 1;
    PostMessageA(GetDlgItem(main, 1005), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));  // the mouse layer
    if (std::strcmp(argv[1], "settings") != 0) return 0;
    HWND menu = Wait("菜单");
    if (!menu) return 1;
    Sleep(300);
    PostMessageA(GetDlgItem(menu, 1002), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));  // "   设置"
    return Wait("Kestrune设置") ? 0 : 1;
}
