// The two display switches in their INI file, read afresh every time so that a change made
// elsewhere (the settings window, a hand edit, another session's copy) is seen at once.
#include "settings/config.h"

#include <windows.h>

namespace {
constexpr const char* kSwitchKey = "开关";
constexpr DWORD kReadBufferSize = 10240;
}  // namespace

Text ReadSwitch(const char* section) {
    Text value(kReadBufferSize, '\0');
    const DWORD length = GetPrivateProfileStringA(section, kSwitchKey, nullptr, value.data(), kReadBufferSize, kConfigPath);
    value.resize(length);
    return value;
}

void WriteSwitch(const char* section, const char* value) {
    // Never a null value: that would delete the key instead of leaving it empty.
    WritePrivateProfileStringA(section, kSwitchKey, value ? value : "", kConfigPath);
}

bool SwitchIsOn(const char* section) { return CompareTexts(ReadSwitch(section), "") != 0; }
