// One copy per logon session. The event's name has no prefix, so it lives in the caller's
// session: a copy in another user's session runs too. The event is created, never first looked
// for: creating is one step, so of copies started at the same moment exactly one makes it.
#include "app/single_instance.h"

#include "support/unique.h"

namespace {
constexpr const char* kInstanceEventName = "sadsMorvanejkjk";
// Held, never signalled, never closed: the end of the process releases it.
HANDLE g_instanceEvent = nullptr;
}  // namespace

bool AnotherCopyHolds(bool handleReturned, DWORD lastError) {
    return handleReturned ? lastError == ERROR_ALREADY_EXISTS : lastError == ERROR_ACCESS_DENIED;
}

bool ClaimSingleInstance() {
    if (g_instanceEvent) return true;  // this process is the copy that holds it
    UniqueHandle event(CreateEventA(nullptr, FALSE, FALSE, kInstanceEventName));
    const DWORD error = GetLastError();
    if (AnotherCopyHolds(static_cast<bool>(event), error)) return false;  // closes this copy's handle to it
    g_instanceEvent = event.release();
    return true;
}
