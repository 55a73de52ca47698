// Bad input from every side the program reads: it keeps running, and nothing it did not mean to
// change is changed.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <sstream>

#include "support/unique.h"
#include "tests/e2e/program_under_test.h"
#include "tests/support/pump.h"
#include "tools/taskbar_standin.h"

namespace {

using namespace MainControl;

constexpr const char* kConfigPath = "C:\\Program Files (x86)\\Kestrune.ini";

std::string FileBytes(const char* path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

void WriteBytes(const char* path, const std::string& bytes) {
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

int MainWidth(HWND main) {
    RECT rect{};
    GetWindowRect(main, &rect);
    return rect.right - rect.left;
}

bool Answers(HWND window) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 3000, &result) != 0;
}

class BadInput : public ::testing::Test {
protected:
    void SetUp() override {
        SetFileAttributesA(kConfigPath, FILE_ATTRIBUTE_NORMAL);
        RemoveConfig();
        SetSystemTheme(-1);
        taskbar_.reset(CreateTaskbarStandIn(BottomTaskbar(kDarkTaskbarColour)));
    }
    void TearDown() override {
        SetFileAttributesA(kConfigPath, FILE_ATTRIBUTE_NORMAL);
        RemoveConfig();
        SetSystemTheme(-1);
        SetToolMode("");
    }
    UniqueWindow taskbar_;
};

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
        ASSERT_TRUE(program.Start()) << c.label;
        HWND main = program.WaitForWindow("任务栏Kestrune");
        ASSERT_NE(main, nullptr) << c.label;
        PumpFor(1500);  // a refresh tick reads the switches too
        EXPECT_FALSE(program.HasExited()) << c.label;
        EXPECT_TRUE(Answers(main)) << c.label;
        if (c.width > 0) {
            EXPECT_EQ(MainWidth(main), c.width) << c.label;
        }
        EXPECT_TRUE(FileBytes(kConfigPath) == c.bytes) << c.label << ": the file was changed";
    }
}

TEST_F(BadInput, AReadOnlyConfigurationFileIsLeftAsItIs) {
    const std::string bytes = "[CPU]\r\n开关=1\r\n[内存]\r\n开关=1\r\n";
    WriteBytes(kConfigPath, bytes);
    SetFileAttributesA(kConfigPath, FILE_ATTRIBUTE_READONLY);
    ProgramUnderTest program;
    ASSERT_TRUE(program.Start());
    HWND main = program.WaitForWindow("任务栏Kestrune");
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(MainWidth(main), 130);
    // The memory box, clicked off: the write fails unnoticed, the width still follows the click.
    PostMessageA(MainControlOf(main, kMouseLayer), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    HWND menu = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (menu = program.FindWindowOfProgram("菜单", false)) != nullptr; }, 3000));
    PostMessageA(GetDlgItem(menu, 1002), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    HWND settings = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (settings = program.FindWindowOfProgram("Kestrune设置", true)) != nullptr; }, 3000));
    PostMessageA(GetDlgItem(settings, 1001), BM_CLICK, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return MainWidth(main) == 100; }, 2000));
    PumpFor(300);
    EXPECT_FALSE(program.HasExited());
    // Wine keeps the read-only attribute in the file's mode bits, which do not stop root.
    UniqueHandle probe(CreateFileA(kConfigPath, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (probe.get() == INVALID_HANDLE_VALUE) {
        probe.release();
        EXPECT_EQ(FileBytes(kConfigPath), bytes);
    } else {
        std::printf("note: read-only files are writable here (running as root), the file's bytes are not checked\n");
    }
}

TEST_F(BadInput, ThemeValuesOfAnotherTypeReadAsDark) {
    const char* kThemeKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
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
        ASSERT_TRUE(program.Start()) << c.label;
        HWND main = program.WaitForWindow("任务栏Kestrune");
        ASSERT_NE(main, nullptr) << c.label;
        EXPECT_TRUE(PumpUntil([&] {
            RECT rect{};
            GetWindowRect(main, &rect);
            return CountScreenPixels(rect, [](COLORREF colour) { return colour == RGB(255, 255, 255); }).matching > 10;
        }, 3000)) << c.label << ": not the dark theme's white text";
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
        ASSERT_TRUE(program.Start()) << mode;
        HWND main = program.WaitForWindow("任务栏Kestrune");
        ASSERT_NE(main, nullptr) << mode;
        PumpFor(4500);  // one sample and a refresh
        EXPECT_FALSE(program.HasExited()) << mode;
        EXPECT_TRUE(Answers(main)) << mode;
        EXPECT_EQ(WindowTextOf(MainControlOf(main, kCpuField)), "1%") << mode << ": a reading from output that holds none";
    }
    // A table that comes with an error exit code still counts: the output is what matters.
    SetToolMode("exitcode");
    ProgramUnderTest program;
    ASSERT_TRUE(program.Start());
    HWND main = program.WaitForWindow("任务栏Kestrune");
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(PumpUntil([&] { return WindowTextOf(MainControlOf(main, kCpuField)) == "50%"; }, 6000));
}

TEST_F(BadInput, TheShellRestartingManyTimes) {
    ProgramUnderTest program;
    ASSERT_TRUE(program.Start());
    HWND main = program.WaitForWindow("任务栏Kestrune");
    ASSERT_NE(main, nullptr);
    auto docked = [&] {
        RECT rect{}, area{};
        GetWindowRect(main, &rect);
        GetWindowRect(NotifyAreaOf(taskbar_.get()), &area);
        return taskbar_ && rect.right == area.left && rect.top == area.top;
    };
    for (int restart = 0; restart < 20; ++restart) {
        taskbar_.reset();
        PumpFor(restart % 3 == 0 ? 60 : 5);
        taskbar_.reset(CreateTaskbarStandIn(BottomTaskbar(kDarkTaskbarColour)));
        PumpFor(restart % 2 == 0 ? 40 : 0);
    }
    EXPECT_TRUE(PumpUntil(docked, 2000));
    EXPECT_FALSE(program.HasExited());
}

TEST_F(BadInput, ANotificationAreaOfZeroSize) {
    TaskbarPlacement placement = BottomTaskbar(kDarkTaskbarColour);
    placement.notifyArea.left = placement.notifyArea.right;
    placement.notifyArea.bottom = placement.notifyArea.top;
    taskbar_.reset(CreateTaskbarStandIn(placement));
    ProgramUnderTest program;
    ASSERT_TRUE(program.Start());
    HWND main = program.WaitForWindow("任务栏Kestrune");
    ASSERT_NE(main, nullptr);
    RECT area{};
    GetWindowRect(NotifyAreaOf(taskbar_.get()), &area);
    EXPECT_TRUE(PumpUntil([&] {
        RECT rect{};
        GetWindowRect(main, &rect);
        return rect.right == area.left && rect.top == area.top;
    }, 2000));
    EXPECT_FALSE(program.HasExited());
}

TEST_F(BadInput, TheFixedNameAlreadyTakenOrTheFolderReadOnly) {
    struct Case { const char* label; bool folderNamed; bool readOnlyFolder; };
    const Case cases[] = {{"a folder of that name", true, false}, {"a read-only program folder", false, true}};
    for (const Case& c : cases) {
        ProgramUnderTest program;
        const std::string fixed = program.Folder() + "\\任务栏Kestrune.exe";
        if (c.folderNamed) {
            ASSERT_TRUE(CreateDirectoryA(fixed.c_str(), nullptr)) << c.label;
        }
        if (c.readOnlyFolder) SetFileAttributesA(program.Folder().c_str(), FILE_ATTRIBUTE_READONLY);
        ASSERT_TRUE(program.Start()) << c.label;
        HWND main = program.WaitForWindow("任务栏Kestrune");
        EXPECT_NE(main, nullptr) << c.label;
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
