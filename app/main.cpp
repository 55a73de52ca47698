// Program entry: no command line, no console.
#include <windows.h>

#include "app/lifecycle.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return RunProgram(); }
