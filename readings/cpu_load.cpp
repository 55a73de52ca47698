// The processor load, sampled every three seconds while its reading is shown.
#include "readings/cpu_load.h"

int cpuBusyPercent = 0;

// Its timer stays stopped until the CPU reading can be switched on.
void SampleCpuLoad() {}
