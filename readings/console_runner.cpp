// Runs one console command hidden through the system's own cmd.exe, output through one pipe.
// The interpreter is named by its full path and starts in the system folder: the program runs
// elevated from a user-writable folder, where a planted cmd.exe or wmic.exe must never run.
// Each run lives in a job object, so that a hung tool can be ended together with its children;
// where no job can be had, nothing runs (a hung tool could not be ended with what it started).
// The child reads the NUL device: the WMI tool reads its input after answering, and a tool tree
// that held the pipe's read end could eat its own answer or leave a read here waiting for good.
#include "readings/console_runner.h"

#include "support/unique.h"
#include "support/utf16.h"

namespace {

constexpr int kCommandFieldBytes = 520;

// The job of the last run: a tool that answered but has not ended yet is given a little time to
// end by itself (RetireLingeringCommand), and is ended by the next run in any case, so that no
// two tool trees are ever alive together.
UniqueHandle g_lingeringJob;
DWORD g_lingeringSince = 0;
bool g_refuseJobs = false;
DWORD g_pauseAfterEmptyPeekMs = 0;

Text SystemFolder() {
    char folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
    return length > 0 && length < MAX_PATH ? Text(folder, length) : Text();
}

UniqueHandle MakeKillOnCloseJob() {
    if (g_refuseJobs) return {};
    UniqueHandle job(CreateJobObjectA(nullptr, nullptr));
    if (!job) return job;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits);
    return job;
}

}  // namespace

ByteBuffer BuildCommandLine(std::string_view prefix, std::string_view command) {
    ByteBuffer line = ToUtf16(prefix, 936);
    // The prefix's terminator is cut at its first 16-bit zero.
    for (std::size_t i = 0; i + 1 < line.size(); i += 2) {
        if (line[i] == 0 && line[i + 1] == 0) {
            line.resize(i);
            break;
        }
    }
    const ByteBuffer commandPart = ToUtf16(command, 936);
    line.insert(line.end(), commandPart.begin(), commandPart.end());
    const int fill = kCommandFieldBytes - BufferLength(commandPart);
    if (fill > 0) line.insert(line.end(), static_cast<std::size_t>(fill), 0);
    return line;
}

Text InterpreterPrefix() {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    GetVersionExA(&version);
#pragma GCC diagnostic pop
    return version.dwPlatformId == VER_PLATFORM_WIN32_NT ? "cmd.exe /c " : "command.com /c ";
}

void EndLingeringCommand() { g_lingeringJob.reset(); }

void RetireLingeringCommand(DWORD now, DWORD graceMs) {
    if (g_lingeringJob && now - g_lingeringSince >= graceMs) EndLingeringCommand();
}

bool CommandIsLingering() { return static_cast<bool>(g_lingeringJob); }

void RefuseJobsForTesting(bool refuse) { g_refuseJobs = refuse; }

void PauseAfterEmptyPeekForTesting(DWORD ms) { g_pauseAfterEmptyPeekMs = ms; }

ConsoleRun RunConsoleCommandWithin(std::string_view command, OutputHandler handler, DWORD limitMs) {
    ConsoleRun run;
    EndLingeringCommand();
    const DWORD started = GetTickCount();

    const Text prefix = InterpreterPrefix();
    ByteBuffer commandLine = BuildCommandLine(prefix, command);
    const Text folder = SystemFolder();
    const ByteBuffer application = ToUtf16(JoinTexts(folder, "\\", prefix.starts_with("cmd.exe") ? "cmd.exe" : "command.com"), 936);
    const ByteBuffer currentFolder = ToUtf16(folder, 936);

    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    UniqueHandle readEnd, writeEnd;
    if (!CreatePipe(readEnd.put(), writeEnd.put(), &inheritable, 0)) return run;
    // Only the write end goes to the child: nobody but this program can drain the pipe, so a
    // read of no more than the pipe holds never waits.
    if (!SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0)) return run;
    UniqueFile input(CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                                 OPEN_EXISTING, 0, nullptr));
    if (!input) return run;

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdInput = input.get();
    startup.hStdOutput = writeEnd.get();
    startup.hStdError = writeEnd.get();
    PROCESS_INFORMATION info{};
    // Suspended until it is in its job, so that nothing it starts escapes the job.
    const BOOL created = !folder.empty() &&
        CreateProcessW(reinterpret_cast<const wchar_t*>(application.data()), reinterpret_cast<wchar_t*>(commandLine.data()),
                       &inheritable, nullptr, TRUE, CREATE_SUSPENDED, nullptr,
                       reinterpret_cast<const wchar_t*>(currentFolder.data()), &startup, &info);
    writeEnd.reset();
    input.reset();
    if (!created) return run;

    UniqueHandle process(info.hProcess);
    UniqueHandle thread(info.hThread);
    UniqueHandle job = MakeKillOnCloseJob();
    if (!job || !AssignProcessToJobObject(job.get(), process.get())) {
        // Still suspended: it has started nothing, and ending it ends everything of this run.
        TerminateProcess(process.get(), 1);
        return run;
    }
    ResumeThread(thread.get());
    thread.reset();

    auto remaining = [&]() -> DWORD {
        const DWORD elapsed = GetTickCount() - started;
        return elapsed < limitMs ? limitMs - elapsed : 0;
    };
    WaitForInputIdle(process.get(), std::min<DWORD>(1000, remaining()));

    ByteBuffer collected;
    run.outcome = RunOutcome::Ended;
    // A child may write its last output and end between a look that found the pipe empty and the
    // question whether it has ended: once it has, the pipe is read until it is empty before the
    // loop ends. (Its children may still hold the pipe open, so its end is not waited for.)
    bool childEnded = false;
    for (;;) {
        DWORD available = 0;
        if (!PeekNamedPipe(readEnd.get(), nullptr, 0, nullptr, &available, nullptr)) available = 0;
        if (available > 0) {
            ByteBuffer chunk = BlankBuffer(static_cast<int>(available));
            DWORD read = 0;
            if (!ReadFile(readEnd.get(), chunk.data(), available, &read, nullptr)) read = 0;
            chunk.resize(read);
            collected.insert(collected.end(), chunk.begin(), chunk.end());
            if (handler && read > 0) {
                const Text text(chunk.begin(), chunk.end());  // NUL-terminated by the string
                if (handler(text.c_str()) != 0) {
                    run.outcome = RunOutcome::StoppedByHandler;
                    break;
                }
            }
        } else {
            if (childEnded) break;
            if (g_pauseAfterEmptyPeekMs > 0) {
                WaitForSingleObject(process.get(), std::min(g_pauseAfterEmptyPeekMs, remaining()));
            }
            DWORD exitCode = 0;
            if (!GetExitCodeProcess(process.get(), &exitCode) || exitCode != STILL_ACTIVE) {
                childEnded = true;
                continue;  // one more look at once
            }
        }
        if (remaining() == 0) {
            run.outcome = RunOutcome::TimedOut;
            break;
        }
        Sleep(1);
    }

    if (run.outcome == RunOutcome::TimedOut) {
        TerminateJobObject(job.get(), 1);
    } else {
        g_lingeringJob = std::move(job);
        g_lingeringSince = GetTickCount();
    }
    run.output = TextOfBuffer(collected);
    return run;
}
