// The start-with-Windows task: its definition read back by an XML reader, and registration,
// look-up and deletion against the prefix's real Task Scheduler.
#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>
#include <taskschd.h>

#include <string>

#include "settings/startup_task.h"
#include "support/com_ptr.h"
#include "support/unique.h"
#include "support/utf16.h"
#include "tests/support/xml_leaves.h"

namespace {

std::wstring Wide(std::string_view text) {
    const ByteBuffer units = ToUtf16(text, CP_ACP);
    return units.empty() ? std::wstring() : std::wstring(reinterpret_cast<const wchar_t*>(units.data()));
}

std::string Narrow(const std::wstring& text) {
    const int bytes = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string narrow(bytes > 0 ? bytes : 1, '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, narrow.data(), bytes, nullptr, nullptr);
    narrow.resize(narrow.size() - 1);
    return narrow;
}

std::string Dump(const XmlLeaves& leaves) {
    std::string text;
    for (const auto& [path, value] : leaves) text += "  " + Narrow(path) + " = " + Narrow(value) + "\n";
    return text;
}

constexpr const wchar_t* kPolicyPath = L"/Task/Settings/MultipleInstancesPolicy";
const XmlLeaves kSettings = {
    {kPolicyPath, L"Parallel"},
    {L"/Task/Settings/DisallowStartIfOnBatteries", L"false"},
    {L"/Task/Settings/StopIfGoingOnBatteries", L"false"},
    {L"/Task/Settings/ExecutionTimeLimit", L"PT0S"},
    {L"/Task/Settings/Priority", L"5"},
};

// Everything but the action: any member of the Administrators group, at its highest rights, at
// any user's logon (a logon trigger with no user), and the settings above.
XmlLeaves DefinitionWith(const std::wstring& command, const std::wstring& folder) {
    XmlLeaves leaves = {
        {L"/Task@version", L"1.2"},
        {L"/Task@xmlns", L"http://schemas.microsoft.com/windows/2004/02/mit/task"},
        {L"/Task/Triggers/LogonTrigger/Enabled", L"true"},
        {L"/Task/Principals/Principal@id", L"Author"},
        {L"/Task/Principals/Principal/GroupId", L"S-1-5-32-544"},
        {L"/Task/Principals/Principal/RunLevel", L"HighestAvailable"},
        {L"/Task/Actions@Context", L"Author"},
        {L"/Task/Actions/Exec/Command", command},
        {L"/Task/Actions/Exec/WorkingDirectory", folder},
    };
    leaves.insert(kSettings.begin(), kSettings.end());
    return leaves;
}

// Wine's XML reader lets a bare ampersand through where Windows' reader stops, so the text is
// checked for it directly.
bool EveryAmpersandStartsAReference(const Text& xml) {
    for (size_t at = xml.find('&'); at != Text::npos; at = xml.find('&', at + 1)) {
        bool reference = false;
        for (const char* entity : {"&amp;", "&lt;", "&gt;", "&quot;", "&apos;"}) {
            reference = reference || xml.compare(at, strlen(entity), entity) == 0;
        }
        if (!reference) return false;
    }
    return true;
}

TEST(StartupTaskXml, IsTheWholeDefinitionWithThePathQuotedAndEscaped) {
    struct Case { const char* path; const char* folder; const wchar_t* command; const wchar_t* workingFolder; };
    const Case cases[] = {
        {"C:\\Program Files (x86)\\Kestrune\\任务栏Kestrune.exe", "C:\\Program Files (x86)\\Kestrune",
         L"\"C:\\Program Files (x86)\\Kestrune\\任务栏Kestrune.exe\"", L"C:\\Program Files (x86)\\Kestrune"},
        {"D:\\R&D\\工具\\任务栏Kestrune.exe", "D:\\R&D\\工具",
         L"\"D:\\R&D\\工具\\任务栏Kestrune.exe\"", L"D:\\R&D\\工具"},
        // Not names Windows allows, but the text must survive whatever it holds.
        {"C:\\<a> \"b\" 'c'&amp;\\k.exe", "C:\\<a> \"b\" 'c'&amp;",
         L"\"C:\\<a> \"b\" 'c'&amp;\\k.exe\"", L"C:\\<a> \"b\" 'c'&amp;"},
        // GBK characters whose second byte is a backslash or an at sign.
        {"E:\\表\\@\\任务栏Kestrune.exe", "E:\\表\\@", L"\"E:\\表\\@\\任务栏Kestrune.exe\"", L"E:\\表\\@"},
    };
    for (const Case& c : cases) {
        XmlLeaves leaves;
        std::string error;
        const Text xml = StartupTaskXml(c.path, c.folder);
        ASSERT_TRUE(ReadXmlLeaves(Wide(xml), &leaves, &error)) << error << " for path=" << c.path << "\n" << xml;
        EXPECT_EQ(leaves, DefinitionWith(c.command, c.workingFolder)) << "path=" << c.path << "\n" << Dump(leaves);
        EXPECT_TRUE(EveryAmpersandStartsAReference(xml)) << xml;
    }
}

// The root folder of the Task Scheduler, asked directly, for what the program cannot say itself.
class StartupTask : public ::testing::Test {
protected:
    void SetUp() override {
        OleInitialize(nullptr);  // as the program does at start
        ASSERT_TRUE(DeleteStartupTask()) << "a task of that name left over and not deletable";
    }
    void TearDown() override {
        DeleteStartupTask();
        OleUninitialize();
    }
    // The scheduler's root folder, the service it belongs to kept alongside; empty without one.
    struct Root {
        ComPtr<ITaskService> service;
        ComPtr<ITaskFolder> folder;
    };
    static Root ConnectedRoot() {
        Root root;
        VARIANT empty;
        VariantInit(&empty);
        if (FAILED(CoCreateInstance(CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER, __uuidof(ITaskService),
                                    root.service.put_void())) ||
            FAILED(root.service->Connect(empty, empty, empty, empty)) ||
            FAILED(root.service->GetFolder(const_cast<BSTR>(L"\\"), root.folder.put()))) {
            return {};
        }
        return root;
    }
    // The definition the scheduler holds for the task; empty when there is none.
    std::wstring RegisteredXml() const {
        const Root root = ConnectedRoot();
        ComPtr<IRegisteredTask> task;
        BSTR xml = nullptr;
        if (!root.folder || FAILED(root.folder->GetTask(const_cast<BSTR>(kTaskName), task.put())) ||
            FAILED(task->get_Xml(&xml))) {
            return {};
        }
        std::wstring text = xml ? xml : L"";
        SysFreeString(xml);
        return text;
    }
    // One setting of the registered definition; "(no task)" when there is none.
    std::wstring RegisteredSetting(const wchar_t* name) const {
        const std::wstring xml = RegisteredXml();
        if (xml.empty()) return L"(no task)";
        XmlLeaves leaves;
        std::string error;
        if (!ReadXmlLeaves(xml, &leaves, &error)) return L"(unreadable: " + Wide(error) + L")";
        const auto found = leaves.find(std::wstring(L"/Task/Settings/") + name);
        return found == leaves.end() ? L"(missing)" : found->second;
    }
    // A task under the program's name as an earlier version would leave it: the program's
    // definition with this policy, and priority 7, which the program never writes.
    bool PlantTask(const Text& path, const Text& folder, const wchar_t* policy) const {
        std::wstring xml = Wide(StartupTaskXml(path, folder));
        const auto replace = [&](const std::wstring& from, const std::wstring& to) {
            const size_t at = xml.find(from);
            if (at != std::wstring::npos) xml.replace(at, from.size(), to);
            return at != std::wstring::npos;
        };
        if (!replace(L">Parallel<", std::wstring(L">") + policy + L"<") || !replace(L"<Priority>5<", L"<Priority>7<")) {
            return false;
        }
        const Root root = ConnectedRoot();
        VARIANT none;
        VariantInit(&none);
        VARIANT group;  // as the program registers it: the Administrators group, group logon
        VariantInit(&group);
        group.vt = VT_BSTR;
        group.bstrVal = const_cast<BSTR>(L"S-1-5-32-544");
        ComPtr<IRegisteredTask> task;
        return root.folder && SUCCEEDED(root.folder->RegisterTask(const_cast<BSTR>(kTaskName), const_cast<BSTR>(xml.c_str()),
                                                                  TASK_CREATE_OR_UPDATE, group, none, TASK_LOGON_GROUP,
                                                                  none, task.put()));
    }
    static constexpr const wchar_t* kTaskName = L"任务栏Kestrune";
};

TEST_F(StartupTask, IsRegisteredByNameWithItsSettingsAndDeletedAgain) {
    EXPECT_FALSE(StartupTaskExists());
    ASSERT_TRUE(RegisterStartupTask("C:\\R&D\\工具\\任务栏Kestrune.exe", "C:\\R&D\\工具"));
    EXPECT_TRUE(StartupTaskExists());

    // What the scheduler kept of the definition: its settings at least. Not the instances policy:
    // Wine's scheduler reads every policy as IgnoreNew, so the policy is checked in the definition
    // submitted (above) and in the restoring rule (below), and here only that it can be read.
    EXPECT_NE(ReadStartupTaskState(), StartupTaskState::Unknown) << "the registered policy cannot be read";
    XmlLeaves registered;
    std::string error;
    const std::wstring xml = RegisteredXml();
    ASSERT_TRUE(ReadXmlLeaves(xml, &registered, &error)) << error;
    for (const auto& [path, value] : kSettings) {
        if (path == kPolicyPath) continue;
        const auto found = registered.find(path);
        EXPECT_TRUE(found != registered.end() && found->second == value)
            << "expected " << Narrow(path) << " = " << Narrow(value) << " in the registered definition:\n" << Dump(registered);
    }

    EXPECT_TRUE(RegisterStartupTask("C:\\elsewhere\\任务栏Kestrune.exe", "C:\\elsewhere")) << "replaces the task";
    EXPECT_TRUE(DeleteStartupTask());
    EXPECT_FALSE(StartupTaskExists());
    EXPECT_EQ(RegisteredXml(), L"");
    EXPECT_EQ(ReadStartupTaskState(), StartupTaskState::Missing);
    EXPECT_TRUE(DeleteStartupTask()) << "a task already missing counts as deleted";
}

// The run value under test, in the 32-bit view the program reads, named apart from the program's.
constexpr const char* kTestValue = "KestruneTaskTest.exe";
constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

void SetRunValue(const char* data) {
    UniqueKey key;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, nullptr, 0, KEY_WRITE | KEY_WOW64_32KEY, nullptr, key.put(), nullptr);
    if (data) {
        RegSetValueExA(key.get(), kTestValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(data),
                       static_cast<DWORD>(strlen(data) + 1));
    } else {
        RegDeleteValueA(key.get(), kTestValue);
    }
}

TEST_F(StartupTask, IsRestoredSilentlyOnlyForARunValueNamingThisProgram) {
    char temp[MAX_PATH] = {};
    GetTempPathA(sizeof temp, temp);
    const Text folder = JoinTexts(temp, "R&D 工具");
    const Text path = JoinTexts(folder, "\\任务栏Kestrune.exe");
    CreateDirectoryA(folder.c_str(), nullptr);
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(file);
    file.reset();

    const Text quoted = JoinTexts("\"", path, "\"");
    Text upper = quoted;
    CharUpperBuffA(upper.data(), static_cast<DWORD>(upper.size()));
    const Text gone = JoinTexts(folder, "\\gone.exe");
    const Text elsewhere = "\"C:\\elsewhere\\任务栏Kestrune.exe\"";
    // planted: the policy of a task already there (with priority 7, which the program never
    // writes), or none. priority: what the scheduler holds afterwards, 5 for the program's own task.
    constexpr const wchar_t* kNoTask = L"(no task)";
    struct Case { bool set; Text runValue; Text programPath; const wchar_t* planted; const wchar_t* priority; };
    const Case cases[] = {
        {true, quoted, path, nullptr, L"5"},
        {true, path, path, nullptr, L"5"},  // written bare by an earlier version
        {true, upper, path, nullptr, L"5"},
        {true, elsewhere, path, nullptr, kNoTask},
        {false, "", path, nullptr, kNoTask},
        {true, JoinTexts("\"", gone, "\""), gone, nullptr, kNoTask},  // no file to start
        // Registered by an earlier version, which ignored a logon while a copy ran: replaced. (A
        // task that already runs in parallel cannot be planted here, as Wine's scheduler reads
        // every policy as IgnoreNew; StartupTaskRestoring has that case.)
        {true, quoted, path, L"IgnoreNew", L"5"},
        // Not this program's run value, or no file: whatever task there is stays.
        {true, elsewhere, path, L"IgnoreNew", L"7"},
        {false, "", path, L"IgnoreNew", L"7"},
        {true, JoinTexts("\"", gone, "\""), gone, L"IgnoreNew", L"7"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(DeleteStartupTask());
        if (c.planted) {
            ASSERT_TRUE(PlantTask(c.programPath, folder, c.planted)) << Narrow(c.planted);
            ASSERT_EQ(RegisteredSetting(L"Priority"), L"7");
        }
        SetRunValue(c.set ? c.runValue.c_str() : nullptr);
        RestoreStartupTask(kTestValue, c.programPath, folder);
        EXPECT_EQ(RegisteredSetting(L"Priority"), c.priority)
            << "run value " << (c.set ? c.runValue : "(none)") << ", program " << c.programPath << ", task before "
            << (c.planted ? Narrow(c.planted) : "(none)");
    }

    SetRunValue(nullptr);
    DeleteFileA(path.c_str());
    RemoveDirectoryA(folder.c_str());
}

TEST(StartupTaskRestoring, RegistersOnlyForThisProgramAMissingOrOutdatedTask) {
    using enum StartupTaskState;
    struct Case { bool named; bool fileThere; StartupTaskState task; bool restored; const char* label; };
    constexpr Case cases[] = {
        {true, true, Missing, true, "set up before the task existed"},
        {true, true, Outdated, true, "registered by an earlier version with another policy"},
        {true, true, Current, false, "already running in parallel: not registered anew at every opening"},
        {true, true, Unknown, false, "no answer from the scheduler"},
        {false, true, Missing, false, "run value not this program's"},
        {false, true, Outdated, false, "run value not this program's"},
        {true, false, Missing, false, "no file to start"},
        {true, false, Outdated, false, "no file to start"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StartupTaskWantsRestoring(c.named, c.fileThere, c.task), c.restored) << c.label;
    }
}

}  // namespace
