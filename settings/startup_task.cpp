// The start-with-Windows task, through the Task Scheduler 2.0 interfaces. Success is judged by
// finding the task by name afterwards, not by the result of the call that made or deleted it.
#include "settings/startup_task.h"

#include <windows.h>
#include <oleauto.h>
#include <taskschd.h>

#include <utility>

#include "settings/startup.h"
#include "support/com_ptr.h"
#include "support/files.h"
#include "support/unique.h"
#include "support/utf16.h"

namespace {

// The Administrators group by its SID, which no language edition of Windows renames.
constexpr const char* kAdministrators = "S-1-5-32-544";

using UniqueBstr = Unique<BSTR, &SysFreeString>;

// The program's texts are ANSI; the scheduler takes UTF-16.
UniqueBstr ToBstr(std::string_view text) {
    const ByteBuffer units = ToUtf16(text, CP_ACP);
    return UniqueBstr(SysAllocString(units.empty() ? L"" : reinterpret_cast<const wchar_t*>(units.data())));
}

// Character data and attribute values alike. The five bytes are all below 0x40, so none of them
// can be the second byte of a GBK character.
Text XmlEscaped(std::string_view text) {
    Text escaped;
    for (const char c : text) {
        switch (c) {
        case '&': escaped += "&amp;"; break;
        case '<': escaped += "&lt;"; break;
        case '>': escaped += "&gt;"; break;
        case '"': escaped += "&quot;"; break;
        case '\'': escaped += "&apos;"; break;
        default: escaped += c;
        }
    }
    return escaped;
}

// The root folder of a connected scheduler; the service is kept alongside, as the folder is its.
struct Scheduler {
    ComPtr<ITaskService> service;
    ComPtr<ITaskFolder> root;
};

Scheduler Connect() {
    Scheduler scheduler;
    if (FAILED(CoCreateInstance(CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER, __uuidof(ITaskService),
                                scheduler.service.put_void()))) {
        return {};
    }
    VARIANT empty;
    VariantInit(&empty);  // this computer, as the user the program runs as
    if (FAILED(scheduler.service->Connect(empty, empty, empty, empty))) return {};
    const UniqueBstr root = ToBstr("\\");
    if (FAILED(scheduler.service->GetFolder(root.get(), scheduler.root.put()))) return {};
    return scheduler;
}

// The answer of a look-up by name: found, missing, or not known (no access, no service); the
// task itself, when found, for a caller that asks for it.
enum class Lookup { Found, Missing, Unknown };

Lookup FindTask(ITaskFolder* folder, BSTR name, ComPtr<IRegisteredTask>* foundTask = nullptr) {
    ComPtr<IRegisteredTask> task;
    const HRESULT found = folder->GetTask(name, task.put());
    if (SUCCEEDED(found) && task) {
        if (foundTask) *foundTask = std::move(task);
        return Lookup::Found;
    }
    if (found == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) || found == HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND)) {
        return Lookup::Missing;
    }
    return Lookup::Unknown;
}

// The run value names this program when it holds its path, in quotes or bare as earlier versions
// wrote it; Windows compares paths without regard to case.
bool RunValueNames(const char* valueName, std::string_view path) {
    const Text data = ReadRunValue(valueName);
    const Text bare(path);
    return lstrcmpiA(data.c_str(), RunValueData(path).c_str()) == 0 || lstrcmpiA(data.c_str(), bare.c_str()) == 0;
}

}  // namespace

Text StartupTaskXml(std::string_view path, std::string_view folder) {
    // No LogonType beside the GroupId: a group principal always runs in the interactive session of
    // the member who logged on, and the schema allows a logon type only with a user.
    // Parallel: while one administrator's copy runs, the logon of another must still start one in
    // that member's session; a second copy in the same session ends itself on the instance event.
    return JoinTexts(
        "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n"
        "<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\r\n"
        "  <Triggers>\r\n"
        "    <LogonTrigger>\r\n"
        "      <Enabled>true</Enabled>\r\n"
        "    </LogonTrigger>\r\n"
        "  </Triggers>\r\n"
        "  <Principals>\r\n"
        "    <Principal id=\"Author\">\r\n"
        "      <GroupId>", kAdministrators, "</GroupId>\r\n"
        "      <RunLevel>HighestAvailable</RunLevel>\r\n"
        "    </Principal>\r\n"
        "  </Principals>\r\n"
        "  <Settings>\r\n"
        "    <MultipleInstancesPolicy>Parallel</MultipleInstancesPolicy>\r\n"
        "    <DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>\r\n"
        "    <StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>\r\n"
        "    <ExecutionTimeLimit>PT0S</ExecutionTimeLimit>\r\n"
        "    <Priority>5</Priority>\r\n"
        "  </Settings>\r\n"
        "  <Actions Context=\"Author\">\r\n"
        "    <Exec>\r\n"
        "      <Command>\"", XmlEscaped(path), "\"</Command>\r\n"
        "      <WorkingDirectory>", XmlEscaped(folder), "</WorkingDirectory>\r\n"
        "    </Exec>\r\n"
        "  </Actions>\r\n"
        "</Task>\r\n");
}

bool RegisterStartupTask(std::string_view path, std::string_view folder) {
    const Scheduler scheduler = Connect();
    if (!scheduler.root) return false;
    const UniqueBstr name = ToBstr(kStartupTaskName);
    const UniqueBstr xml = ToBstr(StartupTaskXml(path, folder));
    const UniqueBstr group = ToBstr(kAdministrators);
    if (!name || !xml || !group) return false;

    // The group as the user, with group logon: the task runs for whichever member logs on. (A group
    // with an interactive-token logon registers too, but never runs.) The variant borrows the BSTR.
    VARIANT user;
    VariantInit(&user);
    user.vt = VT_BSTR;
    user.bstrVal = group.get();
    VARIANT none;
    VariantInit(&none);
    ComPtr<IRegisteredTask> registered;
    const HRESULT made = scheduler.root->RegisterTask(name.get(), xml.get(), TASK_CREATE_OR_UPDATE, user, none,
                                                      TASK_LOGON_GROUP, none, registered.put());
    registered.reset();
    if (SUCCEEDED(made) && FindTask(scheduler.root.get(), name.get()) == Lookup::Found) return true;
    scheduler.root->DeleteTask(name.get(), 0);  // whatever was half made
    return false;
}

bool DeleteStartupTask() {
    const Scheduler scheduler = Connect();
    if (!scheduler.root) return false;
    const UniqueBstr name = ToBstr(kStartupTaskName);
    if (!name) return false;
    scheduler.root->DeleteTask(name.get(), 0);
    return FindTask(scheduler.root.get(), name.get()) == Lookup::Missing;
}

bool StartupTaskExists() {
    const Scheduler scheduler = Connect();
    if (!scheduler.root) return false;
    const UniqueBstr name = ToBstr(kStartupTaskName);
    return name && FindTask(scheduler.root.get(), name.get()) == Lookup::Found;
}

StartupTaskState ReadStartupTaskState() {
    const Scheduler scheduler = Connect();
    const UniqueBstr name = ToBstr(kStartupTaskName);
    if (!scheduler.root || !name) return StartupTaskState::Unknown;
    ComPtr<IRegisteredTask> task;
    switch (FindTask(scheduler.root.get(), name.get(), &task)) {
    case Lookup::Missing: return StartupTaskState::Missing;
    case Lookup::Unknown: return StartupTaskState::Unknown;
    case Lookup::Found: break;
    }
    // Only the policy is compared: the scheduler may give back less of the definition than it was
    // given (Wine keeps the settings but drops triggers and principal), and a whole comparison
    // would register the task anew every time.
    ComPtr<ITaskDefinition> definition;
    ComPtr<ITaskSettings> settings;
    TASK_INSTANCES_POLICY policy = TASK_INSTANCES_PARALLEL;
    if (FAILED(task->get_Definition(definition.put())) || !definition ||
        FAILED(definition->get_Settings(settings.put())) || !settings ||
        FAILED(settings->get_MultipleInstances(&policy))) {
        return StartupTaskState::Unknown;
    }
    return policy == TASK_INSTANCES_PARALLEL ? StartupTaskState::Current : StartupTaskState::Outdated;
}

bool StartupTaskWantsRestoring(bool runValueNamesProgram, bool programFileThere, StartupTaskState task) {
    return runValueNamesProgram && programFileThere &&
           (task == StartupTaskState::Missing || task == StartupTaskState::Outdated);
}

void RestoreStartupTask(const char* valueName, std::string_view path, std::string_view folder) {
    const Text file(path);
    const bool named = RunValueNames(valueName, path);
    const bool there = IsFile(file.c_str());
    // The scheduler is asked only where its answer matters.
    const StartupTaskState task = named && there ? ReadStartupTaskState() : StartupTaskState::Unknown;
    if (StartupTaskWantsRestoring(named, there, task)) RegisterStartupTask(path, folder);
}
