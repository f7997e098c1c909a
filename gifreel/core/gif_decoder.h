// GIF87a/GIF89a parsing and LZW decoding into 8-bit frames, plus the packed
// DIB and mask layouts the Windows side turns into bitmaps. Portable: no
// windows.h here, so it runs natively under sanitizers and the fuzzer.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace gif {

enum class Status {
    Ok,
    BadHeader,
    Truncated,            // a read would pass the end of the file
    BadControlExtension,  // graphic control data not exactly 4 bytes
    BadCodeSize,          // LZW minimum code size of 9 or more
    BadLzwCode,
    TooLarge,             // frame or file beyond the pixel limits
    OutOfMemory,
};
const char* StatusText(Status status);

constexpr std::uint16_t kNoTransparency = 0xFFFF;

struct Frame {
    std::uint32_t descriptorOffset = 0;  // offset of the image descriptor in the file
    std::uint16_t left = 0, top = 0, width = 0, height = 0;
    std::uint8_t flags = 0;              // packed field of the image descriptor
    std::uint32_t control = 0;           // graphic control data, byte 0 in bits 0-7; 0 when none
    std::uint16_t colourCount = 0;       // entries of colours that the table announces
    std::uint8_t colours[768] = {};      // RGB triplets: the local table, else the global one
    std::vector<std::uint8_t> pixels;    // width * height colour indices, top row first
};

struct FrameInfo {
    std::uint16_t left, top, width, height;
    std::uint16_t delay;        // hundredths of a second
    std::uint16_t transparent;  // kNoTransparency when none
    std::uint16_t disposal;     // flags AND 0x1C; kept, never acted on
};

struct Image {
    std::uint16_t screenWidth = 0, screenHeight = 0;
    std::uint8_t screenFlags = 0, background = 0, aspect = 0;
    std::uint8_t globalColours[768] = {};  // zero where the file has no global table
    std::vector<Frame> frames;
};

// Pixel counts beyond which a file is refused rather than allocated: banner
// images are small, and a 20-byte file may declare 65535 x 65535.
struct Limits {
    std::uint64_t maxFramePixels = 16u << 20;
    std::uint64_t maxTotalPixels = 64u << 20;
};

// Parses and decodes a whole file. On failure out holds nothing.
Status Parse(const std::uint8_t* data, std::size_t size, Image& out, const Limits& limits = Limits());

// LZW-decodes GIF image data (codes least significant bit first) into out.
// Pixels the data does not reach keep their value; a string that would run
// past outSize is not written. false on an invalid code or code size.
bool LzwDecode(unsigned minCodeSize, const std::uint8_t* data, std::size_t size, std::uint8_t* out,
               std::size_t outSize);

// Frame info of frame n; false when n is out of range.
bool GetFrameInfo(const Image& image, std::size_t n, FrameInfo* info);

// The packed 8-bit DIB of a frame: BITMAPINFOHEADER, 256 RGBQUADs (entries past
// the frame's table black, so that no pixel value or transparent index can
// reach past the table), then the rows bottom first, each padded to 4 bytes.
constexpr std::size_t kDibHeaderSize = 40;
constexpr std::size_t kDibColours = 256;
constexpr std::size_t kDibBitsOffset = kDibHeaderSize + 4 * kDibColours;
inline std::size_t DibStride(std::size_t width) { return (width + 3) & ~std::size_t(3); }
std::vector<std::uint8_t> PackedDib(const Frame& frame);

// The monochrome mask of a frame: top row first, rows of MaskStride bytes, bit
// 7 the leftmost pixel, 1 exactly where the pixel holds the transparent index.
inline std::size_t MaskStride(std::size_t width) { return ((width + 15) / 8) & ~std::size_t(1); }
std::vector<std::uint8_t> MaskBits(const Frame& frame, std::uint16_t transparent);

// The part of a frame that lies inside the logical screen; width or height 0
// when none does. src is in frame coordinates, dst in screen coordinates.
struct Placement {
    int srcX, srcY, dstX, dstY, width, height;
};
Placement ClipToScreen(const Image& image, std::size_t n);

}  // namespace gif
