// Any bytes in: the parser, the LZW decoder and the bitmap layouts must
// neither crash nor read or write out of bounds.
#include <cstddef>
#include <cstdint>

#include "gifreel/core/gif_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    gif::Image image;
    // Small limits keep each run fast; the limit logic is the same.
    gif::Limits limits;
    limits.maxFramePixels = 1u << 18;
    limits.maxTotalPixels = 1u << 20;
    if (gif::Parse(data, size, image, limits) != gif::Status::Ok) return 0;
    for (std::size_t i = 0; i < image.frames.size(); ++i) {
        gif::FrameInfo info;
        if (!gif::GetFrameInfo(image, i, &info)) __builtin_trap();
        (void)gif::PackedDib(image.frames[i]);
        (void)gif::MaskBits(image.frames[i], info.transparent);
        const gif::Placement p = gif::ClipToScreen(image, i);
        if (p.width < 0 || p.height < 0 || p.dstX + p.width > image.screenWidth ||
            p.dstY + p.height > image.screenHeight)
            __builtin_trap();
    }
    return 0;
}
