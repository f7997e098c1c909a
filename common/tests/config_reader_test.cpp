#include "common/config_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "common/config_cipher.h"

namespace {

TEST(ConfigReader, ParsesLikeTheShippedReaders) {
    const struct {
        const char* text;
        const char* key;
        const char* expected;  // nullptr: the default
    } cases[] = {
        {"[All]\r\nName=Keepmark\r\n", "Name", "Keepmark"},
        {"[All]\r\n  Name  =  Keep mark  \r\n", "Name", "Keep mark"},
        {"[All]\r\nName\r\n", "Name", ""},                           // no '=': empty value
        {"[All]\r\nName=a=b\r\n", "Name", "a=b"},                    // first '=' splits
        {"[All]\r\nName=1\r\nName=2\r\n", "Name", "2"},              // later entry wins
        {"[All]\r\nA=1\r\n\r\nName=2\r\n", "Name", nullptr},         // an empty line ends the section
        {"[All]\r\nname=1\r\n", "Name", nullptr},                    // names match case and all
        {"Name=0\r\n[All]\r\nA=1\r\n", "Name", nullptr},             // lines before any section
        {"junk [All] junk\r\nName=x\r\n", "Name", "x"},              // brackets anywhere on the line
        {"[All]\r\nName=last", "Name", "last"},                      // no final line break
        {"[All]\rXName=1\r\n", "Name", "1"},                         // the character after a CR is dropped
        {"[All]\nName=1\n", "Name", nullptr},                        // a bare LF ends no line
        {"[Other]\r\nName=1\r\n[All]\r\nB=2\r\n", "Name", nullptr},  // another section's key
        {"", "Name", nullptr},
    };
    for (const auto& c : cases) {
        ConfigReader reader;
        reader.parsePlain(c.text);
        EXPECT_EQ(c.expected ? c.expected : "<default>", reader.get("All", c.key, "<default>")) << c.text;
    }
}

TEST(ConfigReader, GetCutsToTheBuffer) {
    ConfigReader reader;
    reader.parsePlain("[All]\r\nName=Keepmark\r\n");
    char buffer[4] = {'#', '#', '#', '#'};
    reader.get("All", "Name", "", buffer, sizeof buffer);
    EXPECT_STREQ("Kee", buffer);
    reader.get("All", "Missing", "default", buffer, sizeof buffer);
    EXPECT_STREQ("def", buffer);
    char untouched = '#';
    reader.get("All", "Name", "", &untouched, 0);
    EXPECT_EQ('#', untouched);
}

class ConfigReaderFile : public ::testing::Test {
protected:
    void TearDown() override { std::filesystem::remove(path_); }
    std::string write(const std::vector<std::uint8_t>& bytes) {
        std::FILE* f = std::fopen(path_.string().c_str(), "wb");
        if (!f) return {};
        if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
        return path_.string();
    }
    std::filesystem::path path_ = std::filesystem::temp_directory_path() / "km_config_reader_test.dcf";
};

TEST_F(ConfigReaderFile, LoadsAScrambledFile) {
    const std::string plain = "[All]\r\nName=Keepmark\r\nVersion=1.0\r\n";
    std::vector<std::uint8_t> bytes(plain.begin(), plain.end());
    ConfigCipher().encodeBlock(bytes.data(), bytes.size());
    ConfigReader reader;
    ASSERT_TRUE(reader.load(write(bytes).c_str()));
    EXPECT_EQ("Keepmark", reader.get("All", "Name"));
    EXPECT_EQ("1.0", reader.get("All", "Version"));
}

TEST_F(ConfigReaderFile, RefusesMissingAndOversizedFiles) {
    ConfigReader reader;
    EXPECT_FALSE(reader.load((path_.string() + ".missing").c_str()));
    EXPECT_TRUE(reader.load(write(std::vector<std::uint8_t>(ConfigReader::kMaxFileSize, 'a')).c_str()));
    EXPECT_FALSE(reader.load(write(std::vector<std::uint8_t>(ConfigReader::kMaxFileSize + 1, 'a')).c_str()));
    EXPECT_TRUE(reader.load(write({}).c_str()));
    EXPECT_EQ("d", reader.get("All", "Name", "d"));
}

}  // namespace
