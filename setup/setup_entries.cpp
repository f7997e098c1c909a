#include "setup_entries.h"

#include "setup/internal_error.h"
#include "setup/value_syntax.h"

namespace {

// Splits up to count fields into out; false when one does not split.
bool SplitFields(std::string_view entry, std::string* out[], int count) {
    for (int i = 0; i < count; ++i)
        if (!ExtractToken(entry, *out[i], ',', true)) return false;
    return true;
}

}  // namespace

bool ParseShutdownEntry(std::string_view entry, ShutdownEntry& out) {
    out = ShutdownEntry();
    if (!ExtractToken(entry, out.windowClass, ',', true) || out.windowClass.empty()) return false;
    std::int32_t* numbers[] = {&out.timeout, &out.message, &out.commandId, &out.lParam};
    std::string field;
    for (std::int32_t* number : numbers) {
        if (entry.empty() || !ExtractToken(entry, field, ',', true) || field.empty() ||
            !ParseInteger(field, *number))
            break;
    }
    return true;
}

UpgradeCondition ParseUpgradeCondition(std::string_view entry) {
    UpgradeCondition condition;
    std::string action;
    std::string* fields[] = {&condition.uninstallKey, &condition.versionRanges, &action, &condition.oemList,
                             &condition.oemRegistryKey};
    if (!SplitFields(entry, fields, 5)) RaiseInternalError(25, 0x8004006B);
    if (EqualsIgnoringCase(action, "REMOVE"))
        condition.remove = true;
    else if (!action.empty() && !EqualsIgnoringCase(action, "LEAVE"))
        RaiseInternalError(25, 0x8004006C);
    return condition;
}

LaunchEntry ParseLaunchEntry(std::string_view entry) {
    LaunchEntry launch;
    std::string* fields[] = {&launch.componentCode, &launch.arguments};
    if (!SplitFields(entry, fields, 2)) RaiseInternalError(26, 0x80070057);
    return launch;
}

bool ParseNestedInstallEntry(std::string_view entry, NestedInstallEntry& out) {
    out = NestedInstallEntry();
    std::string options;
    std::string* fields[] = {&out.productCode, &out.arguments, &options};
    if (!SplitFields(entry, fields, 3)) {
        out = NestedInstallEntry();
        return false;
    }
    std::string_view rest = options;
    std::string word;
    while (!rest.empty() && ExtractToken(rest, word, '|', true)) {
        if (EqualsIgnoringCase(word, "ONEREBOOT")) out.oneReboot = true;
        if (EqualsIgnoringCase(word, "NOUPDATE")) out.noUpdate = true;
    }
    return true;
}
