#include "setup_data.h"

#include "setup/ini_file.h"
#include "setup/internal_error.h"
#include "setup/setup_log.h"

namespace {

constexpr unsigned kFileLocation = 1;
constexpr unsigned kUseBeforeLoadLocation = 24;
constexpr std::uint32_t kMissingSection = 0x80040065;
constexpr std::uint32_t kMissingPackageName = 0x80040066;
constexpr std::uint32_t kAccessDenied = 0x80070005;
constexpr std::uint32_t kFailed = 0x80004005;  // E_FAIL

const char* const kKeys[] = {"PackageName", "CheckRegKey", "Platforms", "NestedInstall",
                             "MsiVersion", "AllowNTServer", "9xMsiInstaller", "NTMsiInstaller"};
const char* const kLists[] = {"ProductFeatures", "PreviousVersionUninstall", "ShutdownApplication",
                              "IncompatibleAppExit", "IncompatibleAppUninstall", "UpgradeConditions",
                              "LaunchApplications", "NestedInstaller"};

}  // namespace

void CSetupData::Clear() {
    loaded_ = false;
    folder_.clear();
    for (auto& value : values_) value.clear();
    for (auto& list : lists_) list.clear();
}

bool CSetupData::Load(const std::string& folder, const std::string& name) {
    Clear();
    folder_ = folder;
    const std::string path = folder + name;
    SetupLog("Loading setup data file: " + path);
    try {
        LoadFile(path);
    } catch (const COvIniFileException& e) {
        SetupLog(e.GetMessage());
        // The error code becomes the run's status: never let it read as success.
        RaiseInternalError(kFileLocation, e.GetErrorCode() ? e.GetErrorCode() : kFailed);
    }
    loaded_ = true;
    return true;
}

void CSetupData::LoadFile(const std::string& path) {
    CIniFile file;
    file.SetFileName(path);

    IniSection* section = nullptr;
    if (!file.GetSection("ProductInformation", &section)) RaiseInternalError(kFileLocation, kMissingSection);
    for (int i = 0; i < kValueCount; ++i) {
        std::string value;
        if (section->GetValue(kKeys[i], value))
            values_[i] = std::string(TrimBlanks(value));
        else if (i == kPackageName)
            RaiseInternalError(kFileLocation, kMissingPackageName);
    }

    for (int i = 0; i < kListCount; ++i) {
        if (!file.GetSection(kLists[i], &section)) {
            if (i == kProductFeatures) RaiseInternalError(kFileLocation, kMissingSection);
            continue;
        }
        // A key line gives what follows its "="; any other line, comments
        // included, gives the whole line.
        for (const IniLine& line : section->GetLines()) {
            const std::string_view entry = TrimBlanks(line.GetValue());
            if (!entry.empty()) lists_[i].emplace_back(entry);
        }
    }
}

const std::string& CSetupData::GetFolder() const {
    if (!loaded_) RaiseInternalError(kUseBeforeLoadLocation, kAccessDenied);
    return folder_;
}

const std::string& CSetupData::Value(ValueIndex i) const {
    if (!loaded_) RaiseInternalError(kUseBeforeLoadLocation, kAccessDenied);
    return values_[i];
}

const CSetupData::List& CSetupData::Entries(ListIndex i) const {
    if (!loaded_) RaiseInternalError(kUseBeforeLoadLocation, kAccessDenied);
    return lists_[i];
}
