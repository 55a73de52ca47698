// The switches in the real INI file of the test prefix.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <sstream>

#include "settings/config.h"

namespace {

std::string FileText(const char* path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

class ConfigFile : public ::testing::Test {
protected:
    void SetUp() override { DeleteFileA(kConfigPath); }
    void TearDown() override { DeleteFileA(kConfigPath); }
};

TEST_F(ConfigFile, AMissingFileReadsOffAndIsNotCreatedByReading) {
    EXPECT_EQ(ReadSwitch(kCpuSwitch), "");
    EXPECT_FALSE(SwitchIsOn(kMemorySwitch));
    EXPECT_EQ(GetFileAttributesA(kConfigPath), INVALID_FILE_ATTRIBUTES);
}

TEST_F(ConfigFile, OnIsAnyTextAndOffKeepsTheKeyEmpty) {
    WriteSwitch(kCpuSwitch, "1");
    WriteSwitch(kMemorySwitch, "1");
    EXPECT_EQ(ReadSwitch(kCpuSwitch), "1");
    EXPECT_TRUE(SwitchIsOn(kMemorySwitch));

    WriteSwitch(kMemorySwitch, "");
    EXPECT_FALSE(SwitchIsOn(kMemorySwitch));
    EXPECT_NE(FileText(kConfigPath).find("[内存]\r\n开关=\r\n"), std::string::npos) << FileText(kConfigPath);

    WriteSwitch(kMemorySwitch, "1");
    const std::string text = FileText(kConfigPath);
    EXPECT_NE(text.find("[内存]\r\n开关=1\r\n"), std::string::npos) << text;
    EXPECT_EQ(text, "[CPU]\r\n开关=1\r\n[内存]\r\n开关=1\r\n") << "one key per section, rewritten in place";

    for (const char* value : {"0", "yes", "off"}) {
        WriteSwitch(kCpuSwitch, value);
        EXPECT_TRUE(SwitchIsOn(kCpuSwitch)) << value;
    }
}

TEST_F(ConfigFile, IsNeverCachedSoAHandEditIsSeenAtTheNextRead) {
    WriteSwitch(kCpuSwitch, "1");
    EXPECT_TRUE(SwitchIsOn(kCpuSwitch));
    std::ofstream(kConfigPath, std::ios::binary | std::ios::trunc) << "[CPU]\r\n开关=\r\n";
    EXPECT_FALSE(SwitchIsOn(kCpuSwitch));
}

}  // namespace
