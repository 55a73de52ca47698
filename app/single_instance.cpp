// One copy per logon session. The event's name has no prefix, so it lives in the caller's
// session: a copy in another user's session runs too.
#include "app/single_instance.h"

#include <windows.h>

#include "app/lifecycle.h"

namespace {
constexpr const char* kInstanceEventName = "sadsMorvanejkjk";
// Held, never signalled, never closed: the end of the process releases it.
HANDLE g_instanceEvent = nullptr;
}  // namespace

void EnsureSingleInstance() {
    if (g_instanceEvent) return;  // this process is the copy that holds it
    if (OpenEventA(EVENT_ALL_ACCESS, FALSE, kInstanceEventName)) ExitProgram(0);
    g_instanceEvent = CreateEventA(nullptr, FALSE, FALSE, kInstanceEventName);
}
