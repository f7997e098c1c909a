// setup's command line: MSIEXEC's syntax (mode switches, UI level, logging,
// properties) after an optional setup description name, plus setup's own
// copy-state switches "/~" and "/~-". Owns the loaded setup description.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "setup/setup_data.h"

class CSetupCommandLine {
public:
    enum InstallMode {
        kModeNone = 0, kModeInstall = 1 /* /i */, kModeRepair = 2 /* /f */, kModeUninstall = 3 /* /x */,
        kModeAdvertise = 4 /* /j */, kModeAdmin = 5 /* /a */, kModePatch = 6 /* /p */,
        kModePatchAdmin = 7 /* /p with /a */
    };
    enum UiLevel {
        kUiNone = 0, kUiFull = 1 /* /qf */, kUiReduced = 2 /* /qr */, kUiBasicModal = 3 /* /qb+ */,
        kUiBasic = 4 /* /qb */, kUiBasicNoModal = 5 /* /qb- */, kUiSilentModal = 6 /* /qn+ */,
        kUiSilent = 7 /* /qn */
    };
    enum CopyState { kCopyNone = 0, kCopyCopied = 1 /* /~ */, kCopyFailed = 2 /* /~- */ };
    enum RebootKind { kRebootNone = 0, kRebootForce = 1, kRebootSuppress = 2, kRebootReallySuppress = 3,
                      kRebootEmpty = 4 };

    // Parses arguments for a setup started from folder, and loads the setup
    // description. A refused word resets everything and answers false.
    // Internal error 23: 0x80004003 for a missing argument text or folder,
    // 0x8004006B for a word that does not split; loading raises its own.
    // tempFolder is the system's temporary folder: "/~" is only taken as
    // "this run owns its folder" when folder is a copy setup made there
    // (IsSetupTempCopy); otherwise it counts as "/~-", so nothing is removed.
    bool Parse(const char* folder, const char* arguments, const char* tempFolder);
    void Reset();

    const std::string& GetSourceFolder() const { return sourceFolder_; }
    void SetSourceFolder(const std::string& folder);
    const std::string& GetSetupFileName() const { return setupFileName_; }
    int GetInstallMode() const { return mode_; }
    int GetUiLevel() const { return uiLevel_; }
    const std::string& GetReinstallMode() const { return reinstallMode_; }
    int GetCopyState() const { return copyState_; }
    void SetCopyState(int state) { copyState_ = state; }
    int GetRebootKind() const { return rebootKind_; }
    CSetupData& GetSetupData() { return data_; }
    const CSetupData& GetSetupData() const { return data_; }

    // Each appends MSIEXEC's form of its part to command.
    void AppendModeSwitches(std::string& command) const;
    void AppendUiLevel(std::string& command) const;
    void AppendLogSwitch(std::string& command) const;
    void AppendMifSwitch(std::string& command) const;
    void AppendOtherArguments(std::string& command) const;
    void AppendProperties(std::string& command) const;
    void AppendCopyState(std::string& command) const;

private:
    class Words;
    bool LoadSetupData();
    bool ReadSwitch(const std::string& word, Words& words);
    bool ReadProperty(const std::string& word, Words& words);
    bool AddProperty(const std::string& name, const std::string& value);

    CSetupData data_;
    std::string sourceFolder_;
    std::string tempFolder_;
    std::string setupFileName_;
    int mode_ = kModeNone;
    std::string modeArgument_;
    std::string reinstallMode_;
    std::string package_;
    int languageKind_ = 0;  // 1 /g, 2 /t
    std::string language_;
    int uiLevel_ = kUiNone;
    bool log_ = false;
    std::string logOptions_;
    std::string logFile_;
    bool mif_ = false;
    std::string mifFile_;
    std::vector<std::string> properties_;
    std::vector<std::string> otherArguments_;
    int copyState_ = kCopyNone;
    int rebootKind_ = kRebootNone;
};

// True when folder is tempFolder followed by one folder "ODSK" and four
// hexadecimal digits (the names setup gives its copies), with or without a
// final separator; case is ignored, "\\" and "/" both separate. Both paths
// must be given in the same form (long or short names).
bool IsSetupTempCopy(std::string_view folder, std::string_view tempFolder);
