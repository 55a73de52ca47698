// Start with Windows and the executable's fixed name, so that the registered path keeps naming
// the file that runs. Success is judged by reading the value back, not by the write's result.
#include "settings/startup.h"

#include <windows.h>

#include <utility>

#include "support/files.h"
#include "support/unique.h"

Text programFileName;

namespace {

Text g_programDirectory;
Text g_startFileName;

Text ModulePath() {
    Text path(MAX_PATH, '\0');
    for (;;) {
        const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);  // truncated: a long path
    }
}

// Read through the 64-bit system's 32-bit branch; write and delete through the 32-bit view, which
// on 64-bit Windows is that same branch, named explicitly so that a 64-bit build of the program
// keeps its value where the 32-bit one does.
constexpr const char* kReadingKey = "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run\\";
constexpr const char* kWritingKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// The reading key, without its trailing backslash.
Text ReadingKey() {
    const Text key = kReadingKey;
    return key.substr(0, key.size() - 1);
}

bool ValueNamesFile(const char* valueName) { return FindText(ReadRunValue(valueName), AsText(valueName)) > 0; }

}  // namespace

const Text& ProgramDirectory() { return g_programDirectory; }

void RecordProgramLocation() {
    PathParts parts = SplitPath(ModulePath());
    g_programDirectory = std::move(parts.folder);
    g_startFileName = std::move(parts.fileName);
}

void TellUser(const char* message) { MessageBoxA(nullptr, message, "信息：", MB_OK | MB_ICONERROR | MB_TASKMODAL); }

void RenameToProgramFileName() {
    if (g_startFileName.empty()) return;  // never recorded: nothing of ours to rename
    // Both names are relative: the current directory is the program's own folder.
    MoveFileA(g_startFileName.c_str(), programFileName.c_str());
}

Text ReadRunValue(const char* valueName) {
    UniqueKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, ReadingKey().c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return {};
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key.get(), valueName, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return {};
    if (type != REG_SZ && type != REG_EXPAND_SZ) return {};
    ByteBuffer data = BlankBuffer(static_cast<int>(size) + 1);  // stored data need not end in a NUL
    if (RegQueryValueExA(key.get(), valueName, nullptr, &type, data.data(), &size) != ERROR_SUCCESS) return {};
    const Text text = TextOfBuffer(data);
    if (type == REG_SZ) return text;
    const DWORD expandedSize = ExpandEnvironmentStringsA(text.c_str(), nullptr, 0);
    ByteBuffer expanded = BlankBuffer(static_cast<int>(expandedSize) + 1);
    ExpandEnvironmentStringsA(text.c_str(), reinterpret_cast<char*>(expanded.data()), expandedSize);
    return TextOfBuffer(expanded);
}

Text RunValueData(std::string_view path) { return JoinTexts("\"", path, "\""); }

bool RegisterStartup(const char* valueName, const char* path) {
    // Only a file counts: a search would also match a folder of that name, and expand wildcards.
    const bool fileThere = IsFile(path);
    if (fileThere) {
        UniqueKey key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kWritingKey, 0, KEY_SET_VALUE | KEY_WOW64_32KEY, key.put()) ==
            ERROR_SUCCESS) {
            const Text data = RunValueData(AsText(path));
            RegSetValueExA(key.get(), valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                           static_cast<DWORD>(data.size() + 1));
        }
    }
    if (ValueNamesFile(valueName)) return fileThere;
    TellUser(kRegisterFailed);
    return false;
}

bool UnregisterStartup(const char* valueName) {
    UniqueKey key;
    bool deleted = false;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kWritingKey, 0, KEY_SET_VALUE | KEY_WOW64_32KEY, key.put()) ==
        ERROR_SUCCESS) {
        deleted = RegDeleteValueA(key.get(), valueName) == ERROR_SUCCESS;
    }
    key.reset();
    if (!deleted) RegDeleteKeyA(HKEY_LOCAL_MACHINE, JoinTexts(kReadingKey, AsText(valueName)).c_str());
    if (!ValueNamesFile(valueName)) return true;
    if (CompareTexts(AsText(valueName), kOlderProgramFileName) != 0) TellUser(kUnregisterFailed);
    return false;
}
