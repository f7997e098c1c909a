// The setup description (SETUP.INI by default), loaded once and kept in
// memory: the [ProductInformation] values and eight list sections.
#pragma once
#include <string>
#include <vector>

class CSetupData {
public:
    // Loads folder + name. Answers true; every failure is an internal error:
    // location 1 for the file and [ProductInformation] (the reader's error
    // code when the file cannot be read, 0x80040065 for a missing
    // [ProductInformation] or [ProductFeatures], 0x80040066 for a missing
    // PackageName).
    bool Load(const std::string& folder, const std::string& name);
    // Back to the state before Load.
    void Clear();
    bool IsLoaded() const { return loaded_; }

    // Every accessor below raises internal error 24 (0x80070005) before Load.
    const std::string& GetFolder() const;
    void SetFolder(const std::string& folder) { folder_ = folder; }

    const std::string& GetPackageName() const { return Value(kPackageName); }
    const std::string& GetCheckRegKey() const { return Value(kCheckRegKey); }
    const std::string& GetPlatforms() const { return Value(kPlatforms); }
    const std::string& GetNestedInstall() const { return Value(kNestedInstall); }
    const std::string& GetMsiVersion() const { return Value(kMsiVersion); }
    const std::string& GetAllowNTServer() const { return Value(kAllowNTServer); }
    const std::string& Get9xMsiInstaller() const { return Value(k9xMsiInstaller); }
    const std::string& GetNTMsiInstaller() const { return Value(kNTMsiInstaller); }

    using List = std::vector<std::string>;
    const List& GetProductFeatures() const { return Entries(kProductFeatures); }
    const List& GetPreviousVersionUninstall() const { return Entries(kPreviousVersionUninstall); }
    const List& GetShutdownApplication() const { return Entries(kShutdownApplication); }
    const List& GetIncompatibleAppExit() const { return Entries(kIncompatibleAppExit); }
    const List& GetIncompatibleAppUninstall() const { return Entries(kIncompatibleAppUninstall); }
    const List& GetUpgradeConditions() const { return Entries(kUpgradeConditions); }
    const List& GetLaunchApplications() const { return Entries(kLaunchApplications); }
    const List& GetNestedInstaller() const { return Entries(kNestedInstaller); }

private:
    enum ValueIndex {
        kPackageName, kCheckRegKey, kPlatforms, kNestedInstall,
        kMsiVersion, kAllowNTServer, k9xMsiInstaller, kNTMsiInstaller, kValueCount
    };
    enum ListIndex {
        kProductFeatures, kPreviousVersionUninstall, kShutdownApplication, kIncompatibleAppExit,
        kIncompatibleAppUninstall, kUpgradeConditions, kLaunchApplications, kNestedInstaller, kListCount
    };

    const std::string& Value(ValueIndex i) const;
    const List& Entries(ListIndex i) const;
    void LoadFile(const std::string& path);

    bool loaded_ = false;
    std::string folder_;
    std::string values_[kValueCount];
    List lists_[kListCount];
};
