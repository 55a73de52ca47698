// The memory reading: the system's memory load in percent.
#pragma once

// Writes the load into its field while the memory switch is on; otherwise leaves the field alone.
void ShowMemoryLoad();
