// A tiny program for testing the bench itself.
//   benchprobe exit N        exits with code N (any 32-bit value)
//   benchprobe drive L: F    prints the drive type of L:\ and whether L:\F exists
//   benchprobe sleep MS      sleeps, then exits 0 (for tests that end it early)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "exit") == 0) {
        std::printf("stdout line\n");
        std::fprintf(stderr, "stderr line\n");
        std::fflush(nullptr);
        ::ExitProcess(static_cast<UINT>(std::strtoul(argv[2], nullptr, 0)));
    }
    if (argc == 3 && std::strcmp(argv[1], "sleep") == 0) {
        ::Sleep(std::strtoul(argv[2], nullptr, 0));
        return 0;
    }
    if (argc == 4 && std::strcmp(argv[1], "drive") == 0) {
        const std::string root = std::string(argv[2]) + "\\";
        const std::string file = root + argv[3];
        const UINT type = ::GetDriveTypeA(root.c_str());
        std::printf("%s type=%s file=%s\n", root.c_str(),
                    type == DRIVE_FIXED ? "fixed" : type == DRIVE_REMOTE ? "remote" : "other",
                    ::GetFileAttributesA(file.c_str()) != INVALID_FILE_ATTRIBUTES ? "yes" : "no");
        return 0;
    }
    std::fprintf(stderr, "usage: benchprobe exit N | drive L: FILE | sleep MS\n");
    return 2;
}
