// A console program for the command-runner tests, started through the real cmd.exe.
//   chunks N DELAY   N lines, each written and flushed alone, DELAY ms apart
//   interleave       stdout and stderr lines alternating, 50 ms apart
//   silent           nothing, exit 0
//   hang             nothing, never ends
//   spawn-hang       starts "hang" as a child of its own, then hangs
//   answer-linger    one line at once, then stays alive for 5 s
//   late DELAY       one line after DELAY ms, then ends
//   read-answer      reads its standard input to the end, then one line, then ends
//   answer-read      one line, then reads its standard input to the end, then ends (as the WMI
//                    command-line tool does)
// Standard output and error are in text mode: "\n" arrives as CR LF.
// Copied under any other name (cmd.exe, wmic.exe planted in a program folder), it only leaves
// a marker file "<its own path>.ran" and exits, so a test can see that it was run.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void Write(FILE* stream, const char* text) {
    std::fputs(text, stream);
    std::fflush(stream);
}

void ReadInputToTheEnd() {
    char buffer[256];
    DWORD read = 0;
    while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof buffer, &read, nullptr) && read > 0) {
    }
}

std::string OwnPath() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string self = OwnPath();
    const std::string name = self.substr(self.find_last_of('\\') + 1);
    if (_stricmp(name.c_str(), "console_probe.exe") != 0) {
        if (FILE* marker = std::fopen((self + ".ran").c_str(), "w")) std::fclose(marker);
        return 0;
    }
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "chunks") {
        const int count = argc > 2 ? std::atoi(argv[2]) : 3;
        const int delay = argc > 3 ? std::atoi(argv[3]) : 100;
        for (int i = 1; i <= count; ++i) {
            char line[32];
            std::snprintf(line, sizeof line, "chunk %d\n", i);
            Write(stdout, line);
            if (i < count) Sleep(delay);
        }
    } else if (mode == "interleave") {
        const char* lines[] = {"out 1\n", "err 2\n", "out 3\n", "err 4\n"};
        for (int i = 0; i < 4; ++i) {
            Write(i % 2 ? stderr : stdout, lines[i]);
            Sleep(50);
        }
    } else if (mode == "silent") {
        return 0;
    } else if (mode == "hang") {
        Sleep(INFINITE);
    } else if (mode == "spawn-hang") {
        std::string command = "\"" + self + "\" hang";
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info);
        Sleep(INFINITE);
    } else if (mode == "answer-linger") {
        Write(stdout, "answer\n");
        Sleep(5000);
    } else if (mode == "read-answer") {
        ReadInputToTheEnd();
        Write(stdout, "answer\n");
    } else if (mode == "answer-read") {
        Write(stdout, "answer\n");
        ReadInputToTheEnd();
    } else if (mode == "late") {
        Sleep(argc > 2 ? std::atoi(argv[2]) : 1000);
        Write(stdout, "answer\n");
    }
    return 0;
}
