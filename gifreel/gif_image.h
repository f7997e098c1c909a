// GifImage: one GIF file decoded at load into per-frame packed DIBs, handed
// out frame by frame as a colour bitmap and a monochrome mask.
#pragma once
#include <windows.h>

#include <cstdint>
#include <vector>

#include "gifreel/core/gif_decoder.h"

class GifImage {
public:
    // Frees what was loaded, then reads and decodes the file. false: nothing
    // stays loaded.
    bool load(const wchar_t* path);
    void free();

    std::size_t frameCount() const { return image_.frames.size(); }
    unsigned screenWidth() const { return image_.screenWidth; }
    unsigned screenHeight() const { return image_.screenHeight; }
    bool frameInfo(std::size_t n, gif::FrameInfo* info) const { return gif::GetFrameInfo(image_, n, info); }
    // Where the frame lies inside the logical screen (clipped to it).
    gif::Placement placement(std::size_t n) const { return gif::ClipToScreen(image_, n); }

    // The frame as a bitmap for dc, its transparent entry first set to colour;
    // nullptr when n is out of range or the bitmap cannot be made. The caller owns it.
    HBITMAP colourBitmap(HDC dc, std::size_t n, COLORREF colour);
    // 1 exactly where the frame holds its transparent index. The caller owns it.
    HBITMAP maskBitmap(std::size_t n) const;

    // Files above this size are refused: banners are small.
    static constexpr std::uint64_t kMaxFileSize = 32u << 20;

private:
    gif::Image image_;
    std::vector<std::vector<std::uint8_t>> dibs_;
};
