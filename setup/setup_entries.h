// The multi-field entries of the setup description's list sections. Fields
// are split with ExtractToken (strict, ","), so a field may be quoted;
// missing trailing fields are empty.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// [ShutdownApplication]: window class, then integers read one after another
// until the first one that is missing, empty or not an integer; that one and
// the later ones stay 0. False when the entry does not split or names no
// window class.
struct ShutdownEntry {
    std::string windowClass;
    std::int32_t timeout = 0;
    std::int32_t message = 0;    // 0: WM_COMMAND, or closing when commandId is 0 too
    std::int32_t commandId = 0;  // wParam
    std::int32_t lParam = 0;
};
bool ParseShutdownEntry(std::string_view entry, ShutdownEntry& out);

// [UpgradeConditions]: a field that does not split is internal error 25
// (0x8004006B), an action other than REMOVE, LEAVE or empty (any case)
// internal error 25 (0x8004006C).
struct UpgradeCondition {
    std::string uninstallKey;
    std::string versionRanges;
    bool remove = false;
    std::string oemList;
    std::string oemRegistryKey;
};
UpgradeCondition ParseUpgradeCondition(std::string_view entry);

// [LaunchApplications]: component code and arguments; a field that does not
// split is internal error 26 (0x80070057). An empty component code means the
// entry is skipped.
struct LaunchEntry {
    std::string componentCode;
    std::string arguments;
};
LaunchEntry ParseLaunchEntry(std::string_view entry);

// NestedInstall and [NestedInstaller]: product code, nested command line and
// "|"-separated options. Never an internal error: false when a field does not
// split. An option word that does not split ends the scan of the options.
struct NestedInstallEntry {
    std::string productCode;
    std::string arguments;
    bool oneReboot = false;
    bool noUpdate = false;
};
bool ParseNestedInstallEntry(std::string_view entry, NestedInstallEntry& out);
