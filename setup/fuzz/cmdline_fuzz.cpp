// Any argument text: a model, a refusal that leaves nothing behind, or an
// internal error of parsing or loading; never a crash.
#include <cstdint>
#include <cstdlib>
#include <filesystem>

#include "fuzz_files.h"
#include "setup/command_line.h"
#include "setup/internal_error.h"

namespace {

std::string MakeFolder() {
    const std::string folder = FuzzScratchPath("cmdline") + "/";
    std::filesystem::create_directories(folder + "ODSK1234");
    const std::string ini = "[ProductInformation]\r\nPackageName=p.msi\r\n[ProductFeatures]\r\n";
    WriteFuzzFile(folder + "SETUP.INI", ini.data(), ini.size());
    WriteFuzzFile(folder + "OTHER.INI", ini.data(), ini.size());
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string folder = MakeFolder();
    const std::string arguments(reinterpret_cast<const char*>(data), size);
    CSetupCommandLine line;
    bool ok = false;
    try {
        ok = line.Parse(folder.c_str(), arguments.c_str(), folder.c_str());
    } catch (const InternalError& e) {
        if (e.location != 1 && e.location != 23) std::abort();
        if (!line.GetSourceFolder().empty()) std::abort();
        return 0;
    }
    std::string command;
    line.AppendModeSwitches(command);
    line.AppendUiLevel(command);
    line.AppendLogSwitch(command);
    line.AppendMifSwitch(command);
    line.AppendOtherArguments(command);
    line.AppendProperties(command);
    line.AppendCopyState(command);
    if (ok != line.GetSetupData().IsLoaded()) std::abort();
    if (!ok && !command.empty()) std::abort();
    // "/~" from the real source must never give the run its folder to remove.
    if (line.GetCopyState() == CSetupCommandLine::kCopyCopied) std::abort();
    return 0;
}
