#include "setup/setup_data.h"

#include <gtest/gtest.h>

#include <functional>

#include "setup/setup_entries.h"
#include "test_files.h"

namespace {

const char kSetupIni[] =
    "; setup description\r\n"
    "[ProductInformation]\r\n"
    "PackageName =  Keepmark.msi  \r\n"
    "CheckRegKey=HKLM,Software\\Orvane\\Keepmark,Version\r\n"
    "9xMsiInstaller=InstMsiA.exe /q\r\n"
    "[ProductFeatures]\r\n"
    "Core\r\n"
    "Extra = Tools\r\n"
    "=whole line\r\n"
    "\"quoted=kept\"\r\n"
    "; a comment is an entry too\r\n"
    "   \r\n"
    "Empty=\r\n"
    "[UpgradeConditions]\r\n"
    "{1234},\"1.0-1.9;3\",REMOVE\r\n";

TEST(SetupData, LoadsValuesAndLists) {
    ScratchFolder scratch;
    scratch.Write("SETUP.INI", kSetupIni);
    LogRecorder log;
    CSetupData data;
    EXPECT_TRUE(data.Load(scratch.Folder(), "SETUP.INI"));
    ASSERT_EQ(1u, log.lines.size());
    EXPECT_EQ("Loading setup data file: " + scratch.Folder() + "SETUP.INI", log.lines[0]);

    EXPECT_EQ(scratch.Folder(), data.GetFolder());
    EXPECT_EQ("Keepmark.msi", data.GetPackageName());
    EXPECT_EQ("HKLM,Software\\Orvane\\Keepmark,Version", data.GetCheckRegKey());
    EXPECT_EQ("InstMsiA.exe /q", data.Get9xMsiInstaller());
    EXPECT_EQ("", data.GetPlatforms());
    EXPECT_EQ("", data.GetNTMsiInstaller());
    const CSetupData::List features = {"Core", "Tools", "=whole line", "\"quoted=kept\"",
                                       "; a comment is an entry too"};
    EXPECT_EQ(features, data.GetProductFeatures());
    EXPECT_EQ(CSetupData::List{"{1234},\"1.0-1.9;3\",REMOVE"}, data.GetUpgradeConditions());
    EXPECT_TRUE(data.GetNestedInstaller().empty());
    EXPECT_TRUE(data.GetLaunchApplications().empty());

    data.SetFolder("C:\\TEMP\\ODSK0001\\");
    EXPECT_EQ("C:\\TEMP\\ODSK0001\\", data.GetFolder());
}

TEST(SetupData, LoadFailuresAreInternalErrors) {
    const struct {
        const char* what;
        const char* content;  // nullptr: no file
        std::uint32_t hr;
    } cases[] = {
        {"no file", nullptr, 2},
        {"broken INI", "[]\r\n", 13},
        {"no [ProductInformation]", "[ProductFeatures]\r\n", 0x80040065},
        {"no PackageName", "[ProductInformation]\r\nPackage=x\r\n[ProductFeatures]\r\n", 0x80040066},
        {"no [ProductFeatures]", "[ProductInformation]\r\nPackageName=x.msi\r\n", 0x80040065},
    };
    for (const auto& c : cases) {
        ScratchFolder scratch;
        if (c.content) scratch.Write("SETUP.INI", c.content);
        LogRecorder log;
        ReportRecorder reporter;
        CSetupData data;
        const InternalError e = CatchInternalError([&] { data.Load(scratch.Folder(), "SETUP.INI"); });
        EXPECT_EQ(1, e.location) << c.what;
        EXPECT_EQ(c.hr, e.hr) << c.what;
        ASSERT_EQ(1u, reporter.reports.size()) << c.what;
        EXPECT_EQ(c.hr, reporter.reports[0].hr);
        EXPECT_FALSE(data.IsLoaded());
        // A failed load leaves nothing to read.
        const InternalError use = CatchInternalError([&] { data.GetPackageName(); });
        EXPECT_EQ(24, use.location);
        EXPECT_EQ(0x80070005u, use.hr);
    }

    // The reader's message reaches the log.
    ScratchFolder scratch;
    LogRecorder log;
    CSetupData data;
    CatchInternalError([&] { data.Load(scratch.Folder(), "SETUP.INI"); });
    ASSERT_EQ(2u, log.lines.size());
    EXPECT_EQ("Call to CTCharStream::OpenStream( " + scratch.Folder() + "SETUP.INI ) failed.", log.lines[1]);
}

TEST(SetupData, EveryAccessorNeedsALoad) {
    const CSetupData data;
    const std::function<void()> accessors[] = {
        [&] { data.GetFolder(); }, [&] { data.GetMsiVersion(); }, [&] { data.GetProductFeatures(); },
        [&] { data.GetShutdownApplication(); },
    };
    for (const auto& accessor : accessors) {
        const InternalError e = CatchInternalError(accessor);
        EXPECT_EQ(24, e.location);
        EXPECT_EQ(0x80070005u, e.hr);
    }
}

TEST(InternalError, ReportsWithTheStoredOwnerThenThrows) {
    ReportRecorder reporter;
    int window = 0;
    RaiseInternalError(0, 0, &window);  // only stores the owner
    EXPECT_TRUE(reporter.reports.empty());
    const InternalError e = CatchInternalError([] { RaiseInternalError(0x10017, 0x80004003); });
    EXPECT_EQ(0x17, e.location);  // the low 16 bits
    EXPECT_EQ(0x80004003u, e.hr);
    ASSERT_EQ(1u, reporter.reports.size());
    EXPECT_EQ(&window, reporter.reports[0].owner);
    RaiseInternalError(0, 0, nullptr);
}

TEST(InternalError, QuietCommandLines) {
    const struct {
        const char* line;
        bool quiet;
    } cases[] = {
        {"setup.exe /qn", true},   {"setup.exe /QN+", true}, {"setup.exe /qN", true},
        {"setup.exe /Qb-", true},  {"setup.exe /qb", false}, {"setup.exe /qb+", false},
        {"setup.exe /q", false},   {"setup.exe", false},
    };
    for (const auto& c : cases) EXPECT_EQ(c.quiet, InternalErrorsAreQuiet(c.line)) << c.line;
}

TEST(SetupEntries, SplitIntoFields) {
    ShutdownEntry shutdown;
    const struct {
        const char* entry;
        bool ok;
        const char* windowClass;
        std::int32_t numbers[4];
    } shutdowns[] = {
        {"KeepmarkWndClass,5000,273,32771,0", true, "KeepmarkWndClass", {5000, 273, 32771, 0}},
        {"\"Class, with comma\",100", true, "Class, with comma", {100, 0, 0, 0}},
        {"Cls,100,x,7,8", true, "Cls", {100, 0, 0, 0}},  // reading stops at the first non-integer
        {"Cls,,5", true, "Cls", {0, 0, 0, 0}},
        {",5", false, "", {0, 0, 0, 0}},
        {"a\"b,5", false, "", {0, 0, 0, 0}},
    };
    for (const auto& c : shutdowns) {
        EXPECT_EQ(c.ok, ParseShutdownEntry(c.entry, shutdown)) << c.entry;
        if (!c.ok) continue;
        EXPECT_EQ(c.windowClass, shutdown.windowClass);
        const std::int32_t got[] = {shutdown.timeout, shutdown.message, shutdown.commandId, shutdown.lParam};
        for (int i = 0; i < 4; ++i) EXPECT_EQ(c.numbers[i], got[i]) << c.entry << " field " << i;
    }

    const UpgradeCondition upgrade = ParseUpgradeCondition("{1234},\"1.0-1.9;3\",remove,~ABC,Orvane\\Keepmark");
    EXPECT_EQ("{1234}", upgrade.uninstallKey);
    EXPECT_EQ("1.0-1.9;3", upgrade.versionRanges);
    EXPECT_TRUE(upgrade.remove);
    EXPECT_EQ("~ABC", upgrade.oemList);
    EXPECT_EQ("Orvane\\Keepmark", upgrade.oemRegistryKey);
    EXPECT_FALSE(ParseUpgradeCondition("{1234},1.0,LEAVE").remove);
    EXPECT_FALSE(ParseUpgradeCondition("{1234}").remove);

    const struct {
        std::function<void()> parse;
        unsigned location;
        std::uint32_t hr;
    } failures[] = {
        {[] { ParseUpgradeCondition("{1234},1.0,DELETE"); }, 25, 0x8004006C},
        {[] { ParseUpgradeCondition("{1234},1\"0"); }, 25, 0x8004006B},
        {[] { ParseLaunchEntry("{C0DE},\"open"); }, 26, 0x80070057},
    };
    for (const auto& f : failures) {
        const InternalError e = CatchInternalError(f.parse);
        EXPECT_EQ(f.location, e.location);
        EXPECT_EQ(f.hr, e.hr);
    }
    const LaunchEntry launch = ParseLaunchEntry("{C0DE},\"/start /min\"");
    EXPECT_EQ("{C0DE}", launch.componentCode);
    EXPECT_EQ("/start /min", launch.arguments);

    NestedInstallEntry nested;
    ASSERT_TRUE(ParseNestedInstallEntry("{ABCD},\"TOOLS.INI /qb\",oneReboot|other|NOUPDATE", nested));
    EXPECT_EQ("{ABCD}", nested.productCode);
    EXPECT_EQ("TOOLS.INI /qb", nested.arguments);
    EXPECT_TRUE(nested.oneReboot);
    EXPECT_TRUE(nested.noUpdate);
    ASSERT_TRUE(ParseNestedInstallEntry("{ABCD},X.INI,\"a\"\"b|NOUPDATE\"", nested));  // the scan stops at a bad word
    EXPECT_FALSE(nested.noUpdate);
    EXPECT_FALSE(ParseNestedInstallEntry("{AB\"CD}", nested));
}

}  // namespace
