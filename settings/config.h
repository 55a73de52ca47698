// The two display switches, kept in an INI file at a fixed path and never cached.
#pragma once

#include "support/text.h"

constexpr const char* kConfigPath = "C:\\Program Files (x86)\\Kestrune.ini";
constexpr const char* kCpuSwitch = "CPU";
constexpr const char* kMemorySwitch = "内存";

// The text stored for the switch; the empty text when the file, section or key is missing.
Text ReadSwitch(const char* section);
// "1" switches on; the empty text switches off and keeps the key in the file.
void WriteSwitch(const char* section, const char* value);
// Any text but the empty one is on ("0" too).
bool SwitchIsOn(const char* section);
