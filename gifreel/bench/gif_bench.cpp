// Decodes every GIF of a folder with this decoder and with giflib, several
// rounds each, in one run, and prints the times and their ratio.
//   gif_bench FOLDER [ROUNDS]
#include <gif_lib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "gifreel/core/gif_decoder.h"

namespace {

struct Memory {
    const std::vector<std::uint8_t>* bytes;
    std::size_t pos;
};

int ReadMemory(GifFileType* file, GifByteType* out, int n) {
    auto* m = static_cast<Memory*>(file->UserData);
    const std::size_t left = m->bytes->size() - m->pos;
    const std::size_t take = std::min<std::size_t>(left, static_cast<std::size_t>(n));
    std::memcpy(out, m->bytes->data() + m->pos, take);
    m->pos += take;
    return static_cast<int>(take);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: gif_bench FOLDER [ROUNDS]\n");
        return 2;
    }
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 20;
    std::vector<std::vector<std::uint8_t>> files;
    std::size_t bytes = 0;
    for (const auto& e : std::filesystem::directory_iterator(argv[1])) {
        if (e.path().extension() != ".gif") continue;
        std::ifstream in(e.path(), std::ios::binary);
        files.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        bytes += files.back().size();
    }
    using Clock = std::chrono::steady_clock;
    std::uint64_t checkOurs = 0, checkRef = 0;

    const auto t0 = Clock::now();
    for (int r = 0; r < rounds; ++r)
        for (const auto& f : files) {
            gif::Image image;
            if (gif::Parse(f.data(), f.size(), image) != gif::Status::Ok) return 1;
            for (const auto& frame : image.frames) checkOurs += frame.pixels.empty() ? 0 : frame.pixels.back();
        }
    const auto t1 = Clock::now();
    for (int r = 0; r < rounds; ++r)
        for (const auto& f : files) {
            Memory m{&f, 0};
            int error = 0;
            GifFileType* g = DGifOpen(&m, &ReadMemory, &error);
            if (!g || DGifSlurp(g) != GIF_OK) return 1;
            for (int i = 0; i < g->ImageCount; ++i) {
                const SavedImage& s = g->SavedImages[i];
                const std::size_t n = std::size_t(s.ImageDesc.Width) * s.ImageDesc.Height;
                checkRef += n ? s.RasterBits[n - 1] : 0;
            }
            DGifCloseFile(g, &error);
        }
    const auto t2 = Clock::now();
    const double ours = std::chrono::duration<double, std::milli>(t1 - t0).count();
    const double ref = std::chrono::duration<double, std::milli>(t2 - t1).count();
    std::printf("%zu files, %zu bytes, %d rounds\n", files.size(), bytes, rounds);
    std::printf("ours:   %9.1f ms\ngiflib: %9.1f ms\nratio ours/giflib: %.2f\n", ours, ref, ours / ref);
    if (checkOurs != checkRef) {
        std::printf("checksums differ\n");
        return 1;
    }
    return 0;
}
