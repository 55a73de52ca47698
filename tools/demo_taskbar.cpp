// The demo taskbar for the run command: a dark (or, with the argument "light", light) taskbar
// stand-in along the bottom of the screen, until it is closed or killed.
#include <windows.h>

#include <cstring>

#include "tools/taskbar_standin.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    const bool light = commandLine && std::strstr(commandLine, "light");
    HWND taskbar = CreateTaskbarStandIn(BottomTaskbar(light ? kLightTaskbarColour : kDarkTaskbarColour));
    if (!taskbar) return 1;
    MSG message;
    while (IsWindow(taskbar) && GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
