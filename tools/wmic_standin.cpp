// A stand-in for the WMI command-line tool (Wine's own lacks the "path" form), installed over
// wmic.exe in the test prefix. A test tells it what to do in C:\kestrune-wmic\mode.txt:
//   table IDLE   the processor table with _Total at IDLE percent, CR CR LF lines, one write
//   hang         nothing, never ends
//   error        an error text and exit code 44
//   utf16        the table in UTF-16, as the tool writes when redirected on some systems
//   megabyte     a megabyte of text lines
//   chunks       the table in several writes, 200 ms apart
//   nothing      no output, exit code 0
//   exitcode     the table, then exit code 3
//   linger IDLE  the table, then stays alive for 30 s
//   slow MS      the table (_Total at 50), after MS milliseconds, as a busy WMI service answers
// Without that file it answers like a tool that does not know the query. Like the real tool, it
// reads its standard input to the end after answering. Every start is appended to
// C:\kestrune-wmic\runs.log as "<tick count> <process id>".
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr const char* kFolder = "C:\\kestrune-wmic";

void LogRun() {
    CreateDirectoryA(kFolder, nullptr);
    if (FILE* log = std::fopen("C:\\kestrune-wmic\\runs.log", "a")) {
        std::fprintf(log, "%lu %lu\n", GetTickCount(), GetCurrentProcessId());
        std::fclose(log);
    }
}

std::string ReadMode(std::string& argument) {
    char mode[64] = {};
    char value[256] = {};
    FILE* file = std::fopen("C:\\kestrune-wmic\\mode.txt", "r");
    if (!file) return "";
    const int read = std::fscanf(file, "%63s %255s", mode, value);
    std::fclose(file);
    if (read >= 2) argument = value;
    return read >= 1 ? mode : "";
}

void WriteAll(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

// The real tool's habit: given its caller's pipe for input, it would wait here.
void ReadInputToTheEnd() {
    char buffer[256];
    DWORD read = 0;
    while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof buffer, &read, nullptr) && read > 0) {
    }
}

std::string Table(const std::string& idle) {
    const std::string line = "\r\r\n";
    return "Name    PercentIdleTime  " + line + "0       97               " + line + "1       99               " + line +
           "_Total  " + idle + "               " + line + line;
}

int Answer(const std::string& mode, const std::string& argument) {
    if (mode == "table" || mode == "exitcode" || mode == "linger") {
        WriteAll(Table(argument.empty() ? "50" : argument));
        return mode == "exitcode" ? 3 : 0;
    }
    if (mode == "utf16") {
        std::string wide;
        for (char c : Table("50")) {
            wide.push_back(c);
            wide.push_back('\0');
        }
        WriteAll("\xFF\xFE" + wide);
        return 0;
    }
    if (mode == "megabyte") {
        const std::string line(63, 'x');
        std::string block;
        for (int i = 0; i < 1024; ++i) block += line + "\n";
        for (int i = 0; i < 16; ++i) WriteAll(block);
        return 0;
    }
    if (mode == "chunks") {
        const std::string table = Table("50");
        for (std::size_t at = 0; at < table.size(); at += 40) {
            WriteAll(table.substr(at, 40));
            Sleep(200);
        }
        return 0;
    }
    if (mode == "slow") {
        Sleep(static_cast<DWORD>(std::strtoul(argument.c_str(), nullptr, 10)));
        WriteAll(Table("50"));
        return 0;
    }
    if (mode == "nothing") return 0;
    if (mode == "hang") {
        Sleep(INFINITE);
        return 0;
    }
    WriteAll("Node - KESTRUNE-TEST\r\nERROR:\r\nDescription = Invalid query\r\n");
    return 44;
}

}  // namespace

int main() {
    _setmode(_fileno(stdout), _O_BINARY);
    LogRun();
    std::string argument;
    const std::string mode = ReadMode(argument);
    const int code = Answer(mode, argument);
    ReadInputToTheEnd();
    if (mode == "linger") Sleep(30000);
    return code;
}
