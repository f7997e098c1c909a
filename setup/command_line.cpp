#include "command_line.h"

#include <cctype>

#include "setup/internal_error.h"
#include "setup/setup_log.h"
#include "setup/value_syntax.h"

namespace {

constexpr unsigned kLocation = 23;
constexpr std::uint32_t kMissingArgument = 0x80004003;
constexpr std::uint32_t kBadWord = 0x8004006B;
constexpr char kDefaultSetupFile[] = "SETUP.INI";
constexpr char kWhite[] = " \t\r\n\v\f";

std::string Trim(std::string_view text) {
    const auto first = text.find_first_not_of(kWhite);
    if (first == std::string_view::npos) return {};
    return std::string(text.substr(first, text.find_last_not_of(kWhite) - first + 1));
}

// The setup description name is a file name: quotes that only let it hold
// blanks are not part of it.
std::string Unquote(const std::string& word) {
    if (word.size() >= 2 && word.front() == '"' && word.back() == '"') return word.substr(1, word.size() - 2);
    return word;
}

}  // namespace

// The command line's words, taken one by one (ExtractToken, non-strict, " "),
// with room to put one back.
class CSetupCommandLine::Words {
public:
    explicit Words(const char* text) : text_(text), rest_(text_) {}
    Words(const Words&) = delete;
    Words& operator=(const Words&) = delete;

    // The next non-empty word; false when none is left.
    bool Next(std::string& word) {
        if (held_) {
            held_ = false;
            word = std::move(putBack_);
            return true;
        }
        while (!rest_.empty()) {
            if (!ExtractToken(rest_, word, ' ', false)) RaiseInternalError(kLocation, kBadWord);
            if (!word.empty()) return true;
        }
        return false;
    }
    void PutBack(std::string word) {
        putBack_ = std::move(word);
        held_ = true;
    }

private:
    std::string text_;
    std::string_view rest_;
    std::string putBack_;
    bool held_ = false;
};

void CSetupCommandLine::Reset() { *this = CSetupCommandLine(); }

void CSetupCommandLine::SetSourceFolder(const std::string& folder) {
    sourceFolder_ = folder;
    data_.SetFolder(folder);
}

bool CSetupCommandLine::Parse(const char* folder, const char* arguments, const char* tempFolder) {
    Reset();
    try {
        if (!arguments || !folder || !*folder) RaiseInternalError(kLocation, kMissingArgument);
        sourceFolder_ = folder;
        tempFolder_ = tempFolder ? tempFolder : "";
        Words words(arguments);
        std::string word;
        int index = 0;
        while (words.Next(word)) {
            const bool first = index++ == 0;
            bool accepted = true;
            if (word.front() == '/') {
                if (first) {
                    setupFileName_ = kDefaultSetupFile;
                    accepted = LoadSetupData();
                }
                accepted = accepted && ReadSwitch(word, words);
            } else if (first && word.find('=') == std::string::npos) {
                setupFileName_ = Unquote(word);
                accepted = LoadSetupData();
            } else {
                if (first) {
                    setupFileName_ = kDefaultSetupFile;
                    accepted = LoadSetupData();
                }
                accepted = accepted && ReadProperty(word, words);
            }
            if (!accepted) {
                Reset();
                return false;
            }
        }
        if (index == 0) {  // no words at all
            setupFileName_ = kDefaultSetupFile;
            if (!LoadSetupData()) {
                Reset();
                return false;
            }
        }
        return true;
    } catch (...) {
        Reset();
        throw;
    }
}

bool CSetupCommandLine::LoadSetupData() {
    if (setupFileName_.empty() || sourceFolder_.empty()) RaiseInternalError(kLocation, kMissingArgument);
    return data_.Load(sourceFolder_, setupFileName_);
}

bool CSetupCommandLine::ReadSwitch(const std::string& word, Words& words) {
    if (word.size() < 2) return false;  // "/" alone
    const std::string text = word.substr(2);
    const bool languageGiven = languageKind_ != 0;
    // The switch's own word: it must exist and not be empty.
    const auto take = [&words](std::string& out) { return words.Next(out) && !out.empty(); };

    switch (std::tolower(static_cast<unsigned char>(word[1]))) {
        case 'a':
            if (languageGiven || (mode_ != kModeNone && mode_ != kModePatch) || !take(package_)) return false;
            mode_ = mode_ == kModePatch ? kModePatchAdmin : kModeAdmin;
            return true;
        case 'f':
            if (languageGiven || mode_ != kModeNone || !take(package_)) return false;
            mode_ = kModeRepair;
            modeArgument_ = text;
            return true;
        case 'g':
        case 't':
            if (languageGiven || (mode_ != kModeNone && mode_ != kModeAdvertise) || !take(language_)) return false;
            languageKind_ = std::tolower(static_cast<unsigned char>(word[1])) == 'g' ? 1 : 2;
            return true;
        case 'i':
            if (languageGiven || mode_ != kModeNone || !take(package_)) return false;
            mode_ = kModeInstall;
            return true;
        case 'j':
            if (mode_ != kModeNone || mif_ || !take(package_)) return false;
            mode_ = kModeAdvertise;
            modeArgument_ = text;
            return true;
        case 'l':
            if (log_ || !take(logFile_)) return false;
            log_ = true;
            logOptions_ = text;
            return true;
        case 'm':
            if (mif_ || mode_ == kModeAdvertise || mode_ == kModePatch || mode_ == kModePatchAdmin ||
                !take(mifFile_))
                return false;
            mif_ = true;
            return true;
        case 'p':
            if (languageGiven || mif_ || (mode_ != kModeNone && mode_ != kModeAdmin) || !take(modeArgument_))
                return false;
            mode_ = mode_ == kModeAdmin ? kModePatchAdmin : kModePatch;
            return true;
        case 'q': {
            static const struct {
                const char* text;
                int level;
            } kForms[] = {{"", kUiSilent},       {"n", kUiSilent},         {"n+", kUiSilentModal},
                          {"b", kUiBasic},       {"b+", kUiBasicModal},    {"b-", kUiBasicNoModal},
                          {"f", kUiFull},        {"r", kUiReduced}};
            for (const auto& form : kForms)
                if (EqualsIgnoringCase(text, form.text)) {
                    uiLevel_ = form.level;
                    return true;
                }
            return false;
        }
        case 'x':
            if (languageGiven || mode_ != kModeNone || !take(package_)) return false;
            mode_ = kModeUninstall;
            return true;
        case 'y':
        case 'z':
            return false;
        case '~':
            if (copyState_ != kCopyNone) return false;
            if (text == "-") {
                copyState_ = kCopyFailed;
            } else if (!text.empty()) {
                return false;
            } else if (IsSetupTempCopy(sourceFolder_, tempFolder_)) {
                copyState_ = kCopyCopied;
            } else {
                // Owning a folder means removing it at the end: never the real source.
                SetupLog("Ignoring /~: \"" + sourceFolder_ + "\" is not a temporary copy made by setup");
                copyState_ = kCopyFailed;
            }
            return true;
        case '?':
        case 'h':
            return true;
        default:
            otherArguments_.push_back(word);
            return true;
    }
}

bool CSetupCommandLine::ReadProperty(const std::string& word, Words& words) {
    std::string name;
    std::string value;
    const auto equals = word.find('=');
    if (equals != std::string::npos) {
        name = UpperCase(Trim(std::string_view(word).substr(0, equals)));
        value = Trim(std::string_view(word).substr(equals + 1));
        if (value.empty() && !words.Next(value)) return false;
    } else {
        // NAME =VALUE or NAME = VALUE; otherwise a word passed on as it is.
        std::string next;
        if (!words.Next(next)) {
            otherArguments_.push_back(word);
            return true;
        }
        if (next.front() != '=') {
            otherArguments_.push_back(word);
            words.PutBack(std::move(next));
            return true;
        }
        name = UpperCase(word);
        value = Trim(std::string_view(next).substr(1));
        if (value.empty() && !words.Next(value)) return false;
    }
    return AddProperty(name, value);
}

bool CSetupCommandLine::AddProperty(const std::string& name, const std::string& value) {
    properties_.push_back(name + "=" + value);
    if (EqualsIgnoringCase(name, "REBOOT")) {
        if (rebootKind_ != kRebootNone) return false;
        if (value == "\"\"") {
            rebootKind_ = kRebootEmpty;
            return true;
        }
        switch (value.empty() ? 0 : std::toupper(static_cast<unsigned char>(value[0]))) {
            case 'F': rebootKind_ = kRebootForce; return true;
            case 'S': rebootKind_ = kRebootSuppress; return true;
            case 'R': rebootKind_ = kRebootReallySuppress; return true;
            default: return false;
        }
    }
    if (EqualsIgnoringCase(name, "REINSTALLMODE")) {
        if (mode_ != kModeNone && mode_ != kModeInstall) return false;
        reinstallMode_ = value;
    }
    return true;
}

void CSetupCommandLine::AppendModeSwitches(std::string& command) const {
    switch (mode_) {
        case kModeInstall: command += " /I " + package_; break;
        case kModeRepair: command += " /f" + modeArgument_ + " " + package_; break;
        case kModeUninstall: command += " /x " + package_; break;
        case kModeAdvertise:
            command += " /j" + modeArgument_ + " " + package_;
            if (languageKind_ == 1) command += " /g " + language_;
            if (languageKind_ == 2) command += " /t " + language_;
            break;
        case kModeAdmin: command += " /a " + package_; break;
        case kModePatch: command += " /p " + modeArgument_; break;
        case kModePatchAdmin: command += " /p " + modeArgument_ + " /a " + package_; break;
        default: break;
    }
}

void CSetupCommandLine::AppendUiLevel(std::string& command) const {
    static const char* const kSwitches[] = {"", " /qf", " /qr", " /qb+", " /qb", " /qb-", " /qn+", " /qn"};
    if (uiLevel_ >= 0 && uiLevel_ <= kUiSilent) command += kSwitches[uiLevel_];
}

void CSetupCommandLine::AppendLogSwitch(std::string& command) const {
    if (log_) command += " /L" + logOptions_ + " " + logFile_;
}

void CSetupCommandLine::AppendMifSwitch(std::string& command) const {
    if (mif_) command += " /m " + mifFile_;
}

void CSetupCommandLine::AppendOtherArguments(std::string& command) const {
    for (const auto& argument : otherArguments_) command += " " + argument;
}

void CSetupCommandLine::AppendProperties(std::string& command) const {
    for (const auto& property : properties_) command += " " + property;
}

void CSetupCommandLine::AppendCopyState(std::string& command) const {
    if (copyState_ == kCopyCopied) command += " /~";
    if (copyState_ == kCopyFailed) command += " /~-";
}

bool IsSetupTempCopy(std::string_view folder, std::string_view tempFolder) {
    const auto normal = [](std::string_view path) {
        std::string text(path);
        for (char& c : text)
            if (c == '/') c = '\\';
        return text;
    };
    if (folder.empty() || tempFolder.empty()) return false;
    std::string temp = normal(tempFolder);
    if (temp.back() != '\\') temp += '\\';
    std::string copy = normal(folder);
    if (copy.back() == '\\') copy.pop_back();
    constexpr std::size_t kNameLength = 8;  // "ODSK" and four hexadecimal digits
    if (copy.size() != temp.size() + kNameLength) return false;
    if (!EqualsIgnoringCase(std::string_view(copy).substr(0, temp.size()), temp)) return false;
    const std::string_view name = std::string_view(copy).substr(temp.size());
    if (!EqualsIgnoringCase(name.substr(0, 4), "ODSK")) return false;
    for (char c : name.substr(4))
        if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    return true;
}
