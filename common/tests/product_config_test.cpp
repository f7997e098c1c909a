// ProductConfig under Wine: the real temporary folder and INI calls.
#include "common/product_config.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string ExeFolder() {
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path);
    return s.substr(0, s.rfind('\\') + 1);
}

std::string Folder(const std::string& path) { return path.substr(0, path.rfind('\\') + 1); }

class ProductConfigTest : public ::testing::Test {
protected:
    void SetUp() override {
        dcf_ = ExeFolder() + "pconfig.dcf";
        char tmp[MAX_PATH] = {};
        ::GetEnvironmentVariableA("TMP", tmp, MAX_PATH);
        savedTmp_ = tmp;
    }
    void TearDown() override {
        ProductConfig::instance().deleteTempFile();
        ::DeleteFileA(dcf_.c_str());
        ::SetEnvironmentVariableA("TMP", savedTmp_.empty() ? nullptr : savedTmp_.c_str());
    }
    void writeDcf(const std::string& plain) {
        std::vector<std::uint8_t> bytes(plain.begin(), plain.end());
        ConfigCipher().encodeBlock(bytes.data(), bytes.size());
        FILE* f = std::fopen(dcf_.c_str(), "wb");
        ASSERT_NE(nullptr, f);
        if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }

    std::string dcf_;
    std::string savedTmp_;
};

TEST_F(ProductConfigTest, DecodesIntoATemporaryIniFile) {
    writeDcf("[All]\r\nName=Keepmark Pro\r\nHideTrayIcon=1\r\nOverrideRemindDays=45\r\n");
    ProductConfig& config = ProductConfig::instance();
    ASSERT_TRUE(config.decodeToTempFile());
    const std::string temp = config.tempPath();
    char tempFolder[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, tempFolder);
    EXPECT_EQ(std::string(tempFolder), Folder(temp));
    EXPECT_EQ(0u, temp.substr(temp.rfind('\\') + 1).find("pcf"));

    char buffer[64];
    EXPECT_EQ(12u, config.getString("Name", "", buffer, sizeof buffer));
    EXPECT_STREQ("Keepmark Pro", buffer);
    EXPECT_EQ(4u, config.getString("Name", "", buffer, 5));  // cut to size - 1
    EXPECT_STREQ("Keep", buffer);
    config.getString("OemURL", "none", buffer, sizeof buffer);
    EXPECT_STREQ("none", buffer);
    EXPECT_EQ(1u, config.getInt("HideTrayIcon", 0));
    EXPECT_EQ(45u, config.getInt("OverrideRemindDays", 30));
    EXPECT_EQ(static_cast<UINT>(-1), config.getInt("OverrideLaunchMode", -1));

    config.deleteTempFile();
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(temp.c_str()));
}

TEST_F(ProductConfigTest, EmptyFileGivesDefaults) {
    writeDcf("");
    ProductConfig& config = ProductConfig::instance();
    ASSERT_TRUE(config.decodeToTempFile());
    char buffer[16];
    config.getString("Name", "", buffer, sizeof buffer);
    EXPECT_STREQ("", buffer);
    EXPECT_EQ(30u, config.getInt("OverrideRemindDays", 30));
}

TEST_F(ProductConfigTest, MissingFileFails) {
    EXPECT_FALSE(ProductConfig::instance().decodeToTempFile());
    EXPECT_STREQ("", ProductConfig::instance().tempPath());
}

TEST_F(ProductConfigTest, MissingTempFolderFallsBackToTheProgramFolder) {
    writeDcf("[All]\r\nName=x\r\n");
    ASSERT_TRUE(::SetEnvironmentVariableA("TMP", "C:\\no\\such\\folder\\"));
    ProductConfig& config = ProductConfig::instance();
    ASSERT_TRUE(config.decodeToTempFile());
    EXPECT_EQ(ExeFolder(), Folder(config.tempPath()));
    char buffer[8];
    config.getString("Name", "", buffer, sizeof buffer);
    EXPECT_STREQ("x", buffer);
}

}  // namespace
