// The network reading: the interface table through the IP helper library, which is loaded from
// the system folder only (the program folder is user-writable and the program runs elevated).
#include "readings/network.h"

#include <windows.h>
#include <iphlpapi.h>

#include <cstddef>

#include "support/unique.h"
#include "ui/window_model.h"
#include "ui/windows.h"

namespace {
SpeedState g_speed;
}  // namespace

int& selectedRow = g_speed.selectedRow;
std::uint32_t& lastOutOctets = g_speed.lastOutOctets;
std::uint32_t& lastInOctets = g_speed.lastInOctets;

// The table is read byte by byte at these places; the system's own declarations must agree.
static_assert(sizeof(MIB_IFROW) == kIfRowSize, "one interface row");
static_assert(offsetof(MIB_IFTABLE, table) == kIfRowsOffset, "rows follow the row count");
static_assert(offsetof(MIB_IFROW, dwInOctets) == kInOctetsOffset, "bytes received");
static_assert(offsetof(MIB_IFROW, dwOutOctets) == kOutOctetsOffset, "bytes sent");

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

// Queries the table afresh: the chosen row and its counters; row 0 when there is no reading.
InterfaceCounters ReadInterfaceCounters() {
    const ByteBuffer table = QueryInterfaceTable();
    if (table.empty()) return {};
    return CountersFromTable(table, g_speed);
}

// Kilobytes since the previous sample with one decimal, or "0" with no reading.
Text UploadSpeedText() {
    const InterfaceCounters counters = ReadInterfaceCounters();
    if (counters.row == 0) return "0";
    return KilobytesSince(counters.outOctets, lastOutOctets);
}

Text DownloadSpeedText() {
    const InterfaceCounters counters = ReadInterfaceCounters();
    if (counters.row == 0) return "0";
    return KilobytesSince(counters.inOctets, lastInOctets);
}

}  // namespace

void ShowSpeeds() {
    const Text upload = UploadSpeedText();
    const Text download = DownloadSpeedText();
    SetText(kMainWindow, MainControls::kUploadField, SpeedText(upload));
    SetText(kMainWindow, MainControls::kDownloadField, SpeedText(download));
}

void SetInterfaceTableSourceForTesting(InterfaceTableSource source) { g_tableSource = source; }

void ReleaseInterfaceLibrary() {
    g_getIfTable = nullptr;
    g_ipHelper.reset();
}
