// Scrambled bytes in, parsed values out: no input may crash the reader.
#include <cstddef>
#include <cstdint>

#include "common/config_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ConfigReader reader;
    if (!reader.loadBytes(data, size)) return 0;
    char buffer[8];
    reader.get("All", "Name", "default", buffer, sizeof buffer);
    if (const auto* section = reader.section("All"))
        for (const auto& entry : *section) reader.get("All", entry.first.c_str(), "", buffer, 1);
    return 0;
}
