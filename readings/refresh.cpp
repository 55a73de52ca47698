// The one-second refresh of the readings and the placing of the reading columns.
#include "readings/refresh.h"

// No reading is measured yet: the fields keep their design texts and places.
void RefreshTick() {}
void ApplyReadingLayout() {}
