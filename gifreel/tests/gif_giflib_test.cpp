// Every file of the generated corpus decodes to the same frames, positions,
// colour tables, indices and control values as giflib gives.
#include <gif_lib.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "gifreel/core/gif_decoder.h"

namespace fs = std::filesystem;

namespace {

std::string g_corpus;

std::vector<std::uint8_t> ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(GifAgainstGiflib, CorpusDecodesIdentically) {
    ASSERT_FALSE(g_corpus.empty()) << "usage: gif_giflib_test CORPUS_DIR";
    int files = 0, interlaced = 0, localTables = 0, transparent = 0, animated = 0, offsets = 0;
    for (const auto& entry : fs::directory_iterator(g_corpus)) {
        if (entry.path().extension() != ".gif") continue;
        SCOPED_TRACE(entry.path().filename().string());
        ++files;
        int error = 0;
        GifFileType* ref = DGifOpenFileName(entry.path().c_str(), &error);
        ASSERT_NE(nullptr, ref) << GifErrorString(error);
        ASSERT_EQ(GIF_OK, DGifSlurp(ref)) << GifErrorString(ref->Error);

        const auto bytes = ReadFile(entry.path());
        gif::Image ours;
        ASSERT_EQ(gif::Status::Ok, gif::Parse(bytes.data(), bytes.size(), ours));
        EXPECT_EQ(ref->SWidth, ours.screenWidth);
        EXPECT_EQ(ref->SHeight, ours.screenHeight);
        ASSERT_EQ(static_cast<std::size_t>(ref->ImageCount), ours.frames.size());
        if (ref->ImageCount > 1) ++animated;
        for (int i = 0; i < ref->ImageCount; ++i) {
            SCOPED_TRACE(i);
            const SavedImage& s = ref->SavedImages[i];
            const gif::Frame& f = ours.frames[i];
            EXPECT_EQ(s.ImageDesc.Left, f.left);
            EXPECT_EQ(s.ImageDesc.Top, f.top);
            ASSERT_EQ(s.ImageDesc.Width, f.width);
            ASSERT_EQ(s.ImageDesc.Height, f.height);
            if (s.ImageDesc.Left || s.ImageDesc.Top) ++offsets;
            if (s.ImageDesc.Interlace) ++interlaced;
            const ColorMapObject* map = s.ImageDesc.ColorMap ? s.ImageDesc.ColorMap : ref->SColorMap;
            if (s.ImageDesc.ColorMap) ++localTables;
            ASSERT_NE(nullptr, map);
            ASSERT_EQ(map->ColorCount, f.colourCount);
            for (int c = 0; c < map->ColorCount; ++c) {
                ASSERT_EQ(map->Colors[c].Red, f.colours[3 * c]) << c;
                ASSERT_EQ(map->Colors[c].Green, f.colours[3 * c + 1]) << c;
                ASSERT_EQ(map->Colors[c].Blue, f.colours[3 * c + 2]) << c;
            }
            const std::size_t n = std::size_t(f.width) * f.height;
            ASSERT_EQ(0, std::memcmp(s.RasterBits, f.pixels.data(), n)) << "pixel indices differ";

            GraphicsControlBlock gcb;
            gif::FrameInfo info;
            ASSERT_TRUE(gif::GetFrameInfo(ours, i, &info));
            if (DGifSavedExtensionToGCB(ref, i, &gcb) == GIF_OK) {
                EXPECT_EQ(gcb.TransparentColor == NO_TRANSPARENT_COLOR ? gif::kNoTransparency : gcb.TransparentColor,
                          info.transparent);
                if (gcb.TransparentColor != NO_TRANSPARENT_COLOR) ++transparent;
                EXPECT_EQ(gcb.DisposalMode << 2, info.disposal);
                if (gcb.DelayTime || ref->ImageCount == 1) EXPECT_EQ(gcb.DelayTime, info.delay);
            } else {
                EXPECT_EQ(0u, f.control);
            }
        }
        DGifCloseFile(ref, &error);
    }
    // The corpus must show every kind it is meant to cover.
    EXPECT_GE(files, 20);
    EXPECT_GT(interlaced, 0);
    EXPECT_GT(localTables, 0);
    EXPECT_GT(transparent, 0);
    EXPECT_GT(animated, 0);
    EXPECT_GT(offsets, 0);
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc > 1) g_corpus = argv[1];
    return RUN_ALL_TESTS();
}
