/* The scripts' probe for a host that runs 32-bit Windows programs: built for i386 and started
   through Wine's 32-bit loader, it answers only where such code really runs. */
#include <stdio.h>
#include <windows.h>

int main(void) {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    if (sizeof(void*) != 4 || info.dwPageSize == 0) return 1;
    puts("i386 ok");
    return 0;
}
