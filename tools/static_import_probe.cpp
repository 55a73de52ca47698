// The control of the planted-library test: a program that imports the IP helper statically, as
// the readings must not. Beside a planted iphlpapi.dll, with Windows' search order, it loads it.
#include <windows.h>
#include <iphlpapi.h>

int main() {
    ULONG size = 0;
    GetIfTable(nullptr, &size, FALSE);
    return 0;
}
