// Any file: a clean load or a clean failure; a saved file loads again and
// saves to the very same bytes.
#include <cstdint>
#include <cstdlib>

#include "fuzz_files.h"
#include "setup/ini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = FuzzScratchPath("ini");
    WriteFuzzFile(path, data, size);

    CIniFile ini;
    try {
        ini.SetFileName(path);
    } catch (const COvIniFileException&) {
        if (ini.GetSectionCount() != 0 || !ini.GetFileName().empty()) std::abort();
        return 0;
    }
    for (std::size_t n = 1; n <= ini.GetSectionCount(); ++n) {
        IniSection* section = nullptr;
        if (!ini.GetSectionAt(static_cast<long>(n), &section)) std::abort();
        IniSection* found = nullptr;
        if (!ini.GetSection(section->GetName(), &found)) std::abort();
        std::string value;
        for (const IniLine& line : section->GetLines())
            if (line.IsKeyLine() && !section->GetValue(line.GetKey(), value)) std::abort();
    }

    ini.Save();
    const std::string first = ReadFuzzFile(path);
    CIniFile again;
    again.SetFileName(path);  // what was saved must load
    if (again.IsUnicode() != ini.IsUnicode()) std::abort();
    again.Save();
    if (ReadFuzzFile(path) != first) std::abort();
    return 0;
}
