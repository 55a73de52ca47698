// What a test sees of the system from outside the program: paths, files, processes.
#include "tests/support/observe.h"

#include <fstream>
#include <sstream>

#include "support/unique.h"

std::string WindowsPathOf(const std::string& path) {
    if (path.empty() || path[0] != '/') return path;
    std::string windows = "Z:" + path;
    for (char& c : windows) {
        if (c == '/') c = '\\';
    }
    return windows;
}

std::string FileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

int CountProcesses(const std::function<bool(const PROCESSENTRY32&)>& matches) {
    UniqueSnapshot snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = Process32First(snapshot.get(), &entry); more; more = Process32Next(snapshot.get(), &entry)) {
        if (matches(entry)) ++count;
    }
    return count;
}

int ProcessesNamed(const char* exeName) {
    return CountProcesses([&](const PROCESSENTRY32& entry) { return _stricmp(entry.szExeFile, exeName) == 0; });
}
