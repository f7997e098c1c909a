// Scrambles a plain INI file into PCONFIG.DCF form and back, and shows the
// values a reader sees. For fixtures and packaging; builds natively too.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/config_cipher.h"
#include "common/config_reader.h"

namespace {

int Usage() {
    std::fputs(
        "usage: dcftool encode PLAIN.INI OUT.DCF   scramble a plain INI file\n"
        "       dcftool decode IN.DCF OUT.INI      descramble to a plain INI file\n"
        "       dcftool show IN.DCF [SECTION]      print the values of a section (default All)\n",
        stderr);
    return 2;
}

bool ReadFile(const char* path, std::vector<std::uint8_t>* out) {
    std::FILE* f = std::fopen(path, "rb");
    if (!f) return false;
    std::uint8_t block[4096];
    size_t n;
    while ((n = std::fread(block, 1, sizeof block, f)) > 0) out->insert(out->end(), block, block + n);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

bool WriteFile(const char* path, const std::vector<std::uint8_t>& data) {
    std::FILE* f = std::fopen(path, "wb");
    if (!f) return false;
    const bool ok = data.empty() || std::fwrite(data.data(), 1, data.size(), f) == data.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return Usage();
    const std::string command = argv[1];
    std::vector<std::uint8_t> data;
    if (!ReadFile(argv[2], &data)) {
        std::fprintf(stderr, "dcftool: cannot read %s\n", argv[2]);
        return 1;
    }
    const ConfigCipher cipher;
    if (command == "encode" || command == "decode") {
        if (argc != 4) return Usage();
        if (command == "encode")
            cipher.encodeBlock(data.data(), data.size());
        else
            cipher.decodeBlock(data.data(), data.size());
        if (!WriteFile(argv[3], data)) {
            std::fprintf(stderr, "dcftool: cannot write %s\n", argv[3]);
            return 1;
        }
        return 0;
    }
    if (command == "show") {
        ConfigReader reader;
        if (!reader.loadBytes(data.data(), data.size())) {
            std::fprintf(stderr, "dcftool: %s is larger than %u bytes\n", argv[2],
                         static_cast<unsigned>(ConfigReader::kMaxFileSize));
            return 1;
        }
        const char* name = argc > 3 ? argv[3] : "All";
        const auto* section = reader.section(name);
        if (!section) {
            std::fprintf(stderr, "dcftool: no section [%s]\n", name);
            return 1;
        }
        for (const auto& entry : *section) std::printf("%s=%s\n", entry.first.c_str(), entry.second.c_str());
        return 0;
    }
    return Usage();
}
