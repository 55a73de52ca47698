// The network reading: the interface table through the IP helper library, which is loaded from
// the system folder only (the program folder is user-writable and the program runs elevated).
#include "readings/network.h"

#include <windows.h>
#include <iphlpapi.h>

#include <cstddef>
#include <optional>

#include "readings/traffic.h"
#include "support/unique.h"
#include "ui/window_definitions.h"
#include "ui/window_model.h"

namespace {

// The one network state: every interface's short history in the meter, and the measured
// interface's index and counters under their long-standing names.
struct NetworkState {
    TrafficMeter meter;
    int selectedRow = 0;  // the measured interface's index; 0 while none is measured
    std::uint32_t lastOutOctets = 0;
    std::uint32_t lastInOctets = 0;
    // When the meter was last fed: the growth it gives covers the time since then.
    std::optional<std::uint32_t> lastReadAt;
};
NetworkState g_network;

}  // namespace

int& selectedRow = g_network.selectedRow;
std::uint32_t& lastOutOctets = g_network.lastOutOctets;
std::uint32_t& lastInOctets = g_network.lastInOctets;

// The table is read byte by byte at these places; the system's own declarations must agree.
static_assert(sizeof(MIB_IFROW) == kIfRowSize, "one interface row");
static_assert(offsetof(MIB_IFTABLE, table) == kIfRowsOffset, "rows follow the row count");
static_assert(offsetof(MIB_IFROW, dwInOctets) == kInOctetsOffset, "bytes received");
static_assert(offsetof(MIB_IFROW, dwOutOctets) == kOutOctetsOffset, "bytes sent");
static_assert(offsetof(MIB_IFROW, dwIndex) == kIfIndexOffset, "the interface index");

namespace {

using GetIfTableFunction = DWORD(WINAPI*)(void* table, ULONG* size, BOOL sorted);

UniqueModule g_ipHelper;
GetIfTableFunction g_getIfTable = nullptr;

// From the system folder only; by full path where the loader does not know that flag yet.
HMODULE LoadSystemLibrary(const char* name) {
    if (HMODULE library = LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) return library;
    char folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    return LoadLibraryExA(JoinTexts(Text(folder, length), "\\", name).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

GetIfTableFunction IfTableFunction() {
    if (!g_getIfTable) {
        if (!g_ipHelper) g_ipHelper.reset(LoadSystemLibrary("iphlpapi.dll"));
        if (g_ipHelper) {
            g_getIfTable = reinterpret_cast<GetIfTableFunction>(
                reinterpret_cast<void*>(GetProcAddress(g_ipHelper.get(), "GetIfTable")));
        }
    }
    return g_getIfTable;
}

InterfaceTableSource g_tableSource = nullptr;
MillisecondClock g_clock = nullptr;

std::uint32_t Now() { return g_clock ? g_clock() : GetTickCount(); }

// The whole table, or an empty buffer when it cannot be had this time.
ByteBuffer QueryInterfaceTable() {
    if (g_tableSource) return g_tableSource();
    GetIfTableFunction getIfTable = IfTableFunction();
    if (!getIfTable) return {};
    ULONG size = 0;
    ByteBuffer probe = BlankBuffer(1);
    getIfTable(probe.data(), &size, FALSE);
    if (size == 0) return {};
    ByteBuffer table = BlankBuffer(static_cast<int>(size));
    // A table that grew between the two calls gives no reading this time.
    if (getIfTable(table.data(), &size, TRUE) != NO_ERROR) return {};
    return table;
}

}  // namespace

void ShowSpeeds() {
    // One query a tick: both fields come from the same table.
    const ByteBuffer table = QueryInterfaceTable();
    if (table.empty()) return;  // measured from the last table read, next time
    const std::uint32_t now = Now();
    NetworkState& state = g_network;
    // An index cleared from outside asks for a fresh choice.
    if (state.selectedRow != static_cast<int>(state.meter.MeasuredIndex())) {
        state.meter = TrafficMeter{};
        state.lastReadAt.reset();
    }
    // Two reads within one tick of the clock: no time to divide by; the next read covers both.
    if (state.lastReadAt && *state.lastReadAt == now) return;
    const TrafficTick tick = state.meter.Feed(InterfaceRowsOf(table));
    // Unsigned: right across the clock's wrap every 49.7 days.
    const std::uint32_t elapsed = state.lastReadAt ? now - *state.lastReadAt : 0;
    state.lastReadAt = now;
    state.selectedRow = static_cast<int>(state.meter.MeasuredIndex());
    state.lastOutOctets = state.meter.LastOutOctets();
    state.lastInOctets = state.meter.LastInOctets();

    Text upload = "0";
    Text download = "0";
    if (tick.measured) {
        // The first read has grown by nothing yet: 0.0 either way.
        upload = KilobytesText(elapsed ? BytesPerSecond(tick.outBytes, elapsed) : 0);
        download = KilobytesText(elapsed ? BytesPerSecond(tick.inBytes, elapsed) : 0);
    }
    SetText(kMainWindow, MainControls::kUploadField, SpeedText(upload));
    SetText(kMainWindow, MainControls::kDownloadField, SpeedText(download));
}

void SetInterfaceTableSourceForTesting(InterfaceTableSource source) { g_tableSource = source; }

void SetClockForTesting(MillisecondClock clock) { g_clock = clock; }

void ReleaseInterfaceLibrary() {
    g_getIfTable = nullptr;
    g_ipHelper.reset();
}
