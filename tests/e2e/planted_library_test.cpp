// Libraries planted in the program's folder are never loaded. Run with WINEDLLOVERRIDES set to
// native-first for the planted names, so that Wine searches as Windows does; a control program
// that imports the IP helper statically shows that a planted library would then be loaded.
#include <gtest/gtest.h>

#include <windows.h>

#include "support/unique.h"
#include "tests/e2e/program_under_test.h"
#include "tests/support/pump.h"
#include "tools/taskbar_standin.h"

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
    WaitForSingleObject(info.hProcess, 10000);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return true;
}

TEST(PlantedLibraries, AreNeverLoadedWhileTheReadingsRun) {
    UniqueWindow taskbar(CreateTaskbarStandIn(BottomTaskbar(kDarkTaskbarColour)));
    WriteConfig("1", "1");
    SetToolMode("table 60");
    ProgramUnderTest program;
    for (const char* name : kPlantedNames) {
        ASSERT_TRUE(CopyFileA(g_markerLibrary.c_str(), (program.Folder() + "\\" + name).c_str(), FALSE)) << name;
    }

    // The control: with this search order a statically imported planted library is loaded.
    const std::string control = program.Folder() + "\\static_import_probe.exe";
    ASSERT_TRUE(CopyFileA(g_staticImportProbe.c_str(), control.c_str(), FALSE));
    ASSERT_TRUE(RunToEnd(control));
    ASSERT_TRUE(FileExists(program.Folder() + "\\iphlpapi.dll.loaded"))
        << "the planted library was not loaded even by the control: the test would prove nothing";
    DeleteFileA((program.Folder() + "\\iphlpapi.dll.loaded").c_str());

    ASSERT_TRUE(program.Start());
    HWND main = program.WaitForWindow("任务栏Kestrune");
    ASSERT_NE(main, nullptr);
    // The menu, then the settings window with its themed check boxes.
    PostMessageA(MainControlOf(main, MainControl::kMouseLayer), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    HWND menu = nullptr;
    EXPECT_TRUE(PumpUntil([&] { return (menu = program.FindWindowOfProgram("菜单", false)) != nullptr; }, 3000));
    if (menu) PostMessageA(GetDlgItem(menu, 1002), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(PumpUntil([&] { return program.FindWindowOfProgram("Kestrune设置", true) != nullptr; }, 3000));
    EXPECT_TRUE(PumpUntil([&] { return WindowTextOf(MainControlOf(main, MainControl::kCpuField)) == "40%"; }, 6000))
        << "the readings ran";
    PumpFor(1500);

    for (const char* name : kPlantedNames) {
        EXPECT_FALSE(FileExists(program.Folder() + "\\" + name + ".loaded")) << "the planted " << name << " was loaded";
    }
    program.Stop();
    RemoveConfig();
    SetToolMode("");
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: planted_library_tests <kestrune.exe> <marker iphlpapi.dll> <static_import_probe.exe>\n");
        return 2;
    }
    SetBuiltProgramPath(argv[1]);
    g_markerLibrary = WindowsPathOf(argv[2]);
    g_staticImportProbe = WindowsPathOf(argv[3]);
    return RUN_ALL_TESTS();
}
