// The one-second refresh of the readings and the placing of the reading columns.
#pragma once

void RefreshTick();
void ApplyReadingLayout();
