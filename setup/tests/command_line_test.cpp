#include "setup/command_line.h"

#include <gtest/gtest.h>

#include "test_files.h"

namespace {

const char kMinimalIni[] = "[ProductInformation]\r\nPackageName=%s\r\n[ProductFeatures]\r\n";

std::string SetupIni(const std::string& package) {
    std::string text = kMinimalIni;
    return text.replace(text.find("%s"), 2, package);
}

// Everything the emitters give, in the order setup passes it to MSIEXEC.
std::string Emitted(const CSetupCommandLine& line) {
    std::string command;
    line.AppendModeSwitches(command);
    line.AppendUiLevel(command);
    line.AppendLogSwitch(command);
    line.AppendMifSwitch(command);
    line.AppendOtherArguments(command);
    line.AppendProperties(command);
    line.AppendCopyState(command);
    return command;
}

class CommandLineTest : public ::testing::Test {
protected:
    void SetUp() override {
        scratch_.Write("SETUP.INI", SetupIni("main.msi"));
        scratch_.Write("OTHER.INI", SetupIni("other.msi"));
        scratch_.Write("My Setup.ini", SetupIni("spaced.msi"));
    }
    ScratchFolder scratch_;
};

TEST_F(CommandLineTest, ParsesIntoTheModel) {
    const struct {
        const char* arguments;
        const char* emitted;
        const char* setupFile;
        const char* package;  // the loaded PackageName
    } cases[] = {
        {"", "", "SETUP.INI", "main.msi"},
        {"   ", "", "SETUP.INI", "main.msi"},
        {"OTHER.INI /qn", " /qn", "OTHER.INI", "other.msi"},
        {"\"My Setup.ini\"", "", "My Setup.ini", "spaced.msi"},
        {"/qb-", " /qb-", "SETUP.INI", "main.msi"},
        {"/QN+", " /qn+", "SETUP.INI", "main.msi"},
        {"/q", " /qn", "SETUP.INI", "main.msi"},
        {"/qR", " /qr", "SETUP.INI", "main.msi"},
        {"/i \"C:\\My Files\\p.msi\" /qb", " /I \"C:\\My Files\\p.msi\" /qb", "SETUP.INI", "main.msi"},
        {"/fomus p.msi", " /fomus p.msi", "SETUP.INI", "main.msi"},
        {"/X p.msi", " /x p.msi", "SETUP.INI", "main.msi"},
        {"/a admin.msi", " /a admin.msi", "SETUP.INI", "main.msi"},
        {"/p fix.msp", " /p fix.msp", "SETUP.INI", "main.msi"},
        {"/p fix.msp /a admin.msi", " /p fix.msp /a admin.msi", "SETUP.INI", "main.msi"},
        {"/a admin.msi /p fix.msp", " /p fix.msp /a admin.msi", "SETUP.INI", "main.msi"},
        {"/jm p.msi /t t.mst", " /jm p.msi /t t.mst", "SETUP.INI", "main.msi"},
        {"/g 1033 /ju p.msi", " /ju p.msi /g 1033", "SETUP.INI", "main.msi"},
        {"/lv* setup.log /m s.mif", " /Lv* setup.log /m s.mif", "SETUP.INI", "main.msi"},
        {"/b /qn /cx", " /qn /b /cx", "SETUP.INI", "main.msi"},  // unknown letters pass on
        {"/? /h", "", "SETUP.INI", "main.msi"},
        {"/~-", " /~-", "SETUP.INI", "main.msi"},
        {"prop=1 B", " B PROP=1", "SETUP.INI", "main.msi"},
        {"OTHER.INI TARGETDIR = \"C:\\K M\"", " TARGETDIR=\"C:\\K M\"", "OTHER.INI", "other.msi"},
        {"OTHER.INI Name =Value", " NAME=Value", "OTHER.INI", "other.msi"},
        {"OTHER.INI A= 1", " A=1", "OTHER.INI", "other.msi"},
        {"REBOOT=ReallySuppress", " REBOOT=ReallySuppress", "SETUP.INI", "main.msi"},
        {"REBOOT=\"\"", " REBOOT=\"\"", "SETUP.INI", "main.msi"},
        {"/i p.msi REINSTALLMODE=vomus", " /I p.msi REINSTALLMODE=vomus", "SETUP.INI", "main.msi"},
    };
    for (const auto& c : cases) {
        CSetupCommandLine line;
        ASSERT_TRUE(line.Parse(scratch_.Folder().c_str(), c.arguments, nullptr)) << c.arguments;
        EXPECT_EQ(c.emitted, Emitted(line)) << c.arguments;
        EXPECT_EQ(c.setupFile, line.GetSetupFileName()) << c.arguments;
        EXPECT_EQ(c.package, line.GetSetupData().GetPackageName()) << c.arguments;
        EXPECT_EQ(scratch_.Folder(), line.GetSourceFolder());
    }
}

TEST_F(CommandLineTest, RefusesAndResets) {
    const char* const cases[] = {
        "/qx",
        "/qbb",
        "/i",
        "/x old.msi /i new.msi",
        "/p fix.msp /a a.msi /a b.msi",
        "/g 1033 /i p.msi",
        "/g 1033 /t t.mst",
        "/m s.mif /j p.msi",
        "/j p.msi /m s.mif",
        "/m s.mif /p fix.msp",
        "/l a.log /l b.log",
        "/l",
        "/y",
        "/Z",
        "/",
        "/~x",
        "/~- /~-",
        "OTHER.INI A=",
        "OTHER.INI A =",
        "REBOOT=S reboot=F",
        "REBOOT=Maybe",
        "/f p.msi REINSTALLMODE=vomus",
    };
    for (const char* arguments : cases) {
        CSetupCommandLine line;
        EXPECT_FALSE(line.Parse(scratch_.Folder().c_str(), arguments, nullptr)) << arguments;
        // A refusal resets everything, the loaded setup description too.
        EXPECT_EQ("", Emitted(line)) << arguments;
        EXPECT_EQ("", line.GetSourceFolder());
        EXPECT_EQ("", line.GetSetupFileName());
        EXPECT_EQ(24, CatchInternalError([&] { line.GetSetupData().GetPackageName(); }).location);
    }
}

TEST_F(CommandLineTest, Getters) {
    CSetupCommandLine line;
    ASSERT_TRUE(line.Parse(scratch_.Folder().c_str(), "/i p.msi REINSTALLMODE=vomus REBOOT=r /qb+", nullptr));
    EXPECT_EQ(CSetupCommandLine::kModeInstall, line.GetInstallMode());
    EXPECT_EQ(CSetupCommandLine::kUiBasicModal, line.GetUiLevel());
    EXPECT_EQ("vomus", line.GetReinstallMode());
    EXPECT_EQ(CSetupCommandLine::kRebootReallySuppress, line.GetRebootKind());
    EXPECT_EQ(CSetupCommandLine::kCopyNone, line.GetCopyState());

    line.SetSourceFolder("C:\\TEMP\\ODSK0A0B\\");
    line.SetCopyState(CSetupCommandLine::kCopyCopied);
    EXPECT_EQ("C:\\TEMP\\ODSK0A0B\\", line.GetSetupData().GetFolder());
    std::string copy;
    line.AppendCopyState(copy);
    EXPECT_EQ(" /~", copy);

    line.Reset();
    EXPECT_EQ(CSetupCommandLine::kModeNone, line.GetInstallMode());
    EXPECT_EQ("", Emitted(line));
    EXPECT_FALSE(line.GetSetupData().IsLoaded());
}

TEST_F(CommandLineTest, InternalErrorsOfParse) {
    const std::string scratch = scratch_.Folder();
    const struct {
        const char* folder;
        const char* arguments;
        unsigned location;
        std::uint32_t hr;
    } cases[] = {
        {scratch.c_str(), nullptr, 23, 0x80004003},
        {"", "/qn", 23, 0x80004003},
        {nullptr, "/qn", 23, 0x80004003},
        {scratch.c_str(), "/i \"unclosed", 23, 0x8004006B},
        {scratch.c_str(), "MISSING.INI", 1, 2},  // the loader's own error
    };
    for (const auto& c : cases) {
        CSetupCommandLine line;
        const InternalError e = CatchInternalError([&] { line.Parse(c.folder, c.arguments, nullptr); });
        EXPECT_EQ(c.location, e.location) << (c.arguments ? c.arguments : "(none)");
        EXPECT_EQ(c.hr, e.hr) << (c.arguments ? c.arguments : "(none)");
        EXPECT_EQ("", line.GetSourceFolder());
    }
}

TEST(SetupTempCopy, OnlySetupsOwnCopiesQualify) {
    const struct {
        const char* folder;
        const char* temp;
        bool copy;
    } cases[] = {
        {"C:\\TEMP\\ODSK1A2B\\", "C:\\TEMP\\", true},
        {"c:\\temp\\odsk1a2b", "C:\\TEMP", true},
        {"C:\\TEMP\\ODSK1A2G\\", "C:\\TEMP\\", false},       // not hexadecimal
        {"C:\\TEMP\\ODSK1A2\\", "C:\\TEMP\\", false},
        {"C:\\TEMP\\ODSK1A2B3\\", "C:\\TEMP\\", false},
        {"C:\\TEMP\\ODSK1A2B\\SUB\\", "C:\\TEMP\\", false},
        {"C:\\TEMP\\X\\ODSK1A2B\\", "C:\\TEMP\\", false},
        {"C:\\TEMP\\", "C:\\TEMP\\", false},
        {"D:\\SETUP\\", "C:\\TEMP\\", false},
        {"C:\\TEMPX\\ODSK1234\\", "C:\\TEMP", false},
        {"C:\\TEMP\\ODSK1234\\", "", false},
        {"", "C:\\TEMP\\", false},
    };
    for (const auto& c : cases) EXPECT_EQ(c.copy, IsSetupTempCopy(c.folder, c.temp)) << c.folder << " in " << c.temp;
}

TEST_F(CommandLineTest, TildeOwnsOnlySetupsTemporaryCopy) {
    std::filesystem::create_directory(scratch_.Root() / "ODSK00FF");
    scratch_.Write("ODSK00FF/SETUP.INI", SetupIni("copy.msi"));
    const std::string copyFolder = scratch_.Path("ODSK00FF") + scratch_.Folder().back();

    const struct {
        std::string folder;
        int state;
        size_t logLines;  // besides the loader's line
    } cases[] = {
        {copyFolder, CSetupCommandLine::kCopyCopied, 0},
        {scratch_.Folder(), CSetupCommandLine::kCopyFailed, 1},  // the real source: never removed
    };
    for (const auto& c : cases) {
        LogRecorder log;
        CSetupCommandLine line;
        ASSERT_TRUE(line.Parse(c.folder.c_str(), "/qb /~", scratch_.Folder().c_str()));
        EXPECT_EQ(c.state, line.GetCopyState()) << c.folder;
        EXPECT_EQ(1 + c.logLines, log.lines.size()) << c.folder;
    }
    CSetupCommandLine line;
    ASSERT_TRUE(line.Parse(scratch_.Folder().c_str(), "/~-", scratch_.Folder().c_str()));
    EXPECT_EQ(CSetupCommandLine::kCopyFailed, line.GetCopyState());
}

}  // namespace
