// Libraries planted in the program's folder are never loaded. Run with WINEDLLOVERRIDES set to
// native-first for the planted names, so that Wine searches as Windows does; a control program
// that imports the IP helper statically shows that a planted library would then be loaded.
#include <gtest/gtest.h>

#include <windows.h>

#include "tests/e2e/program_test.h"
#include "tests/support/pump.h"
#include "tests/support/test_main.h"

namespace {

std::string g_markerLibrary;
std::string g_staticImportProbe;
// The IP helper, which the readings load, and the theme library, which the window system loads
// on the program's behalf. (Not version.dll: Wine's own user32 imports it while the process
// starts, before any program code runs; Windows' user32 does not.)
constexpr const char* kPlantedNames[] = {"iphlpapi.dll", "uxtheme.dll"};

bool RunToEnd(const std::string& path) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    std::string commandLine = "\"" + path + "\"";
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        return false;
    }
    UniqueHandle thread(info.hThread);
    UniqueHandle process(info.hProcess);
    WaitForSingleObject(process.get(), 10000);
    return true;
}

using PlantedLibraries = ProgramTest;

TEST_F(PlantedLibraries, AreNeverLoadedWhileTheReadingsRun) {
    WriteConfig("1", "1");
    SetToolMode("table 60");
    for (const char* name : kPlantedNames) {
        ASSERT_TRUE(CopyFileA(g_markerLibrary.c_str(), (program_.Folder() + "\\" + name).c_str(), FALSE)) << name;
    }

    // The control: with this search order a statically imported planted library is loaded.
    const std::string control = program_.Folder() + "\\static_import_probe.exe";
    ASSERT_TRUE(CopyFileA(g_staticImportProbe.c_str(), control.c_str(), FALSE));
    ASSERT_TRUE(RunToEnd(control));
    ASSERT_TRUE(FileExists(program_.Folder() + "\\iphlpapi.dll.loaded"))
        << "the planted library was not loaded even by the control: the test would prove nothing";
    DeleteFileA((program_.Folder() + "\\iphlpapi.dll.loaded").c_str());

    ASSERT_NO_FATAL_FAILURE(Start());
    // The menu, then the settings window with its themed check boxes.
    EXPECT_NE(OpenSettingsByPostedClicks(program_, main_), nullptr);
    EXPECT_EQ(PollUntil([&] { return WindowTextOf(ControlOf(main_, MainControl::kCpuField)); }, "40%", 6000), "40%")
        << "the readings ran";
    PumpFor(1500);

    for (const char* name : kPlantedNames) {
        EXPECT_FALSE(FileExists(program_.Folder() + "\\" + name + ".loaded")) << "the planted " << name << " was loaded";
    }
}

}  // namespace

int main(int argc, char** argv) {
    return RunAllTestsWithPaths(argc, argv,
                                "planted_library_tests <kestrune.exe> <marker iphlpapi.dll> <static_import_probe.exe>",
                                {SetBuiltProgramPath, [](const std::string& path) { g_markerLibrary = path; },
                                 [](const std::string& path) { g_staticImportProbe = path; }});
}
