// Bad input from every side the program reads: it keeps running, and nothing it did not mean to
// change is changed.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>

#include "support/unique.h"
#include "tests/e2e/program_test.h"
#include "tests/support/observe.h"
#include "tests/support/pump.h"
#include "tools/taskbar_standin.h"

namespace {

using namespace MainControl;

void WriteBytes(const char* path, const std::string& bytes) {
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

bool Answers(HWND window) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 3000, &result) != 0;
}

using BadInput = ProgramTest;

TEST_F(BadInput, ConfigurationFilesOfEveryShape) {
    struct Case { const char* label; std::string bytes; int width; };
    const std::string big = "[CPU]\r\n开关=" + std::string(100 * 1024, 'x') + "\r\n";
    std::string binary;
    for (int i = 0; i < 4096; ++i) binary.push_back(static_cast<char>((i * 7919) % 256));
    const Case cases[] = {
        {"a 100 KB value", big, 100},
        {"binary bytes", binary, -1},
        {"a section repeated", "[内存]\r\n开关=1\r\n[内存]\r\n开关=\r\n[内存]\r\n开关=1\r\n", 100},
        {"no line ends", "[CPU]开关=1[内存]开关=1", -1},
        {"an empty file", "", 70},
    };
    for (const Case& c : cases) {
        WriteBytes(kConfigPath, c.bytes);
        ProgramUnderTest program;
        HWND main = StartAndWaitForMain(program);
        ASSERT_NE(main, nullptr) << c.label;
        PumpFor(1500);  // a refresh tick reads the switches too
        EXPECT_FALSE(program.HasExited()) << c.label;
        EXPECT_TRUE(Answers(main)) << c.label;
        if (c.width > 0) {
            EXPECT_EQ(WindowWidth(main), c.width) << c.label;
        }
        EXPECT_TRUE(FileBytes(kConfigPath) == c.bytes) << c.label << ": the file was changed";
    }
}

TEST_F(BadInput, AReadOnlyConfigurationFileIsLeftAsItIs) {
    const std::string bytes = "[CPU]\r\n开关=1\r\n[内存]\r\n开关=1\r\n";
    WriteBytes(kConfigPath, bytes);
    SetFileAttributesA(kConfigPath, FILE_ATTRIBUTE_READONLY);
    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_EQ(WindowWidth(main_), 130);
    // The memory box, clicked off: the write fails unnoticed, the width still follows the click.
    HWND settings = OpenSettingsByPostedClicks(program_, main_);
    ASSERT_NE(settings, nullptr);
    PostMessageA(ControlOf(settings, SettingsControl::kMemoryBox), BM_CLICK, 0, 0);
    EXPECT_EQ(PollUntil([&] { return WindowWidth(main_); }, 100, 2000), 100);
    PumpFor(300);
    EXPECT_FALSE(program_.HasExited());
    // Wine keeps the read-only attribute in the file's mode bits, which do not stop root.
    UniqueFile probe(CreateFileA(kConfigPath, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!probe) {
        EXPECT_EQ(FileBytes(kConfigPath), bytes);
    } else {
        std::printf("note: read-only files are writable here (running as root), the file's bytes are not checked\n");
    }
}

TEST_F(BadInput, ThemeValuesOfAnotherTypeReadAsDark) {
    struct Case { const char* label; DWORD type; std::string data; };
    const Case cases[] = {
        {"REG_SZ", REG_SZ, std::string("1\0", 2)},
        {"REG_BINARY", REG_BINARY, std::string("\x01\x00\x00\x00", 4)},
        {"a long REG_BINARY", REG_BINARY, std::string(64, '\x01')},
    };
    for (const Case& c : cases) {
        UniqueKey key;
        RegCreateKeyExA(HKEY_CURRENT_USER, kThemeKey, 0, nullptr, 0, KEY_WRITE, nullptr, key.put(), nullptr);
        RegSetValueExA(key.get(), "SystemUsesLightTheme", 0, c.type, reinterpret_cast<const BYTE*>(c.data.data()),
                       static_cast<DWORD>(c.data.size()));
        ProgramUnderTest program;
        HWND main = StartAndWaitForMain(program);
        ASSERT_NE(main, nullptr) << c.label;
        const auto white = PollUntil([&] { return CountScreenColour(WindowRect(main), RGB(255, 255, 255)); },
                                     [](int pixels) { return pixels > 10; }, 3000);
        EXPECT_TRUE(white.ok) << c.label << ": not the dark theme's white text (" << white.last << " white pixels)";
        EXPECT_FALSE(program.HasExited()) << c.label;
    }
}

// One run of each shape leaves the reading as it was; three in a row give way to the processor
// times (CpuReading.AToolWithoutAReadingGivesWayToTheProcessorTimes).
TEST_F(BadInput, ToolOutputOfEveryShapeLeavesTheReadingAsItWas) {
    const char* const modes[] = {"error", "utf16", "megabyte", "chunks", "nothing"};
    WriteConfig("1", nullptr);
    for (const char* mode : modes) {
        SetToolMode(mode);
        ProgramUnderTest program;
        HWND main = StartAndWaitForMain(program);
        ASSERT_NE(main, nullptr) << mode;
        PumpFor(4500);  // one sample and a refresh
        EXPECT_FALSE(program.HasExited()) << mode;
        EXPECT_TRUE(Answers(main)) << mode;
        EXPECT_EQ(WindowTextOf(ControlOf(main, kCpuField)), "1%") << mode << ": a reading from output that holds none";
    }
    // A table that comes with an error exit code still counts: the output is what matters.
    SetToolMode("exitcode");
    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_EQ(PollUntil([&] { return WindowTextOf(ControlOf(main_, kCpuField)); }, "50%", 6000), "50%");
}

TEST_F(BadInput, TheShellRestartingManyTimes) {
    ASSERT_NO_FATAL_FAILURE(Start());
    for (int restart = 0; restart < 20; ++restart) {
        taskbar_.reset();
        PumpFor(restart % 3 == 0 ? 60 : 5);
        taskbar_.reset(CreateTaskbarStandIn(BottomTaskbar(kDarkTaskbarColour)));
        PumpFor(restart % 2 == 0 ? 40 : 0);
    }
    EXPECT_EQ(CornerOnceDocked(main_), DockCorner());
    EXPECT_FALSE(program_.HasExited());
}

TEST_F(BadInput, ANotificationAreaOfZeroSize) {
    TaskbarPlacement placement = BottomTaskbar(kDarkTaskbarColour);
    placement.notifyArea.left = placement.notifyArea.right;
    placement.notifyArea.bottom = placement.notifyArea.top;
    taskbar_.reset(CreateTaskbarStandIn(placement));
    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_EQ(CornerOnceDocked(main_), DockCorner());
    EXPECT_FALSE(program_.HasExited());
}

TEST_F(BadInput, TheFixedNameAlreadyTakenOrTheFolderReadOnly) {
    struct Case { const char* label; bool folderNamed; bool readOnlyFolder; };
    const Case cases[] = {{"a folder of that name", true, false}, {"a read-only program folder", false, true}};
    for (const Case& c : cases) {
        ProgramUnderTest program;
        const std::string fixed = program.Folder() + "\\" + kFixedFileName;
        if (c.folderNamed) {
            ASSERT_TRUE(CreateDirectoryA(fixed.c_str(), nullptr)) << c.label;
        }
        if (c.readOnlyFolder) SetFileAttributesA(program.Folder().c_str(), FILE_ATTRIBUTE_READONLY);
        ASSERT_TRUE(program.Start()) << c.label;
        EXPECT_NE(program.WaitForWindow(kMainTitle), nullptr) << c.label;
        PumpFor(1200);
        EXPECT_FALSE(program.HasExited()) << c.label;
        if (c.folderNamed) {
            EXPECT_TRUE(GetFileAttributesA(fixed.c_str()) & FILE_ATTRIBUTE_DIRECTORY) << c.label << ": the folder is kept";
            EXPECT_TRUE(FileExists(program.Folder() + "\\" + ProgramUnderTest::kStartName)) << c.label;
        } else {
            EXPECT_TRUE(FileExists(fixed) || FileExists(program.Folder() + "\\" + ProgramUnderTest::kStartName))
                << c.label << ": the program file is gone";
        }
        program.Stop();
        SetFileAttributesA(program.Folder().c_str(), FILE_ATTRIBUTE_NORMAL);
        if (c.folderNamed) RemoveDirectoryA(fixed.c_str());
    }
}

}  // namespace
