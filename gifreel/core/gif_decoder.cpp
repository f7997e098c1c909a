#include "gifreel/core/gif_decoder.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace gif {

const char* StatusText(Status status) {
    switch (status) {
        case Status::Ok: return "ok";
        case Status::BadHeader: return "not a GIF file";
        case Status::Truncated: return "truncated";
        case Status::BadControlExtension: return "bad graphic control extension";
        case Status::BadCodeSize: return "bad LZW code size";
        case Status::BadLzwCode: return "bad LZW code";
        case Status::TooLarge: return "image too large";
        case Status::OutOfMemory: return "out of memory";
    }
    return "unknown";
}

namespace {

constexpr int kMaxBits = 12;
constexpr unsigned kNoCode = 0xFFFF;

// A bounds-checked cursor over the file.
class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::size_t remaining() const { return size_ - pos_; }
    std::size_t position() const { return pos_; }
    bool atEnd() const { return pos_ >= size_; }
    std::uint8_t peek() const { return data_[pos_]; }
    bool byte(std::uint8_t* out) {
        if (remaining() < 1) return false;
        *out = data_[pos_++];
        return true;
    }
    bool word(std::uint16_t* out) {
        if (remaining() < 2) return false;
        *out = static_cast<std::uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
        pos_ += 2;
        return true;
    }
    bool copy(std::uint8_t* out, std::size_t n) {
        if (remaining() < n) return false;
        std::memcpy(out, data_ + pos_, n);
        pos_ += n;
        return true;
    }
    // Reads a run of sub-blocks into acc (emptied first); false, with acc
    // empty, when the run is cut off.
    bool subBlocks(std::vector<std::uint8_t>& acc) {
        acc.clear();
        for (;;) {
            std::uint8_t n;
            if (!byte(&n)) break;
            if (n == 0) return true;
            if (remaining() < n) break;
            acc.insert(acc.end(), data_ + pos_, data_ + pos_ + n);
            pos_ += n;
        }
        acc.clear();
        return false;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

struct TableEntry {
    std::uint16_t prefix;  // kNoCode for a root
    std::uint16_t length;
    std::uint8_t suffix;
    std::uint8_t first;
};

// Rows of an interlaced image in the order they arrive.
void Deinterlace(std::vector<std::uint8_t>& pixels, std::size_t width, std::size_t height) {
    if (height < 2 || width == 0) return;
    std::vector<std::uint8_t> natural(pixels.size());
    static const std::size_t start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
    std::size_t k = 0;
    for (int pass = 0; pass < 4; ++pass)
        for (std::size_t r = start[pass]; r < height; r += step[pass], ++k)
            std::memcpy(&natural[r * width], &pixels[k * width], width);
    pixels.swap(natural);
}

}  // namespace

bool LzwDecode(unsigned minCodeSize, const std::uint8_t* data, std::size_t size, std::uint8_t* out,
               std::size_t outSize) {
    if (minCodeSize >= 9) return false;
    static_assert(kMaxBits == 12, "table size below assumes 12-bit codes");
    TableEntry table[4097];
    const unsigned clear = 1u << minCodeSize;
    const unsigned end = clear + 1;
    for (unsigned i = 0; i < clear; ++i)
        table[i] = TableEntry{static_cast<std::uint16_t>(kNoCode), 1, static_cast<std::uint8_t>(i),
                              static_cast<std::uint8_t>(i)};
    unsigned codeSize = minCodeSize + 1;
    unsigned limit = 1u << codeSize;
    unsigned next = clear + 2;
    unsigned previous = kNoCode;
    const std::uint64_t totalBits = std::uint64_t(size) * 8;
    std::uint64_t bit = 0;
    std::size_t pos = 0;

    for (;;) {
        if (bit >= totalBits) return true;
        // Three bytes hold any 12-bit code at any bit offset; bytes past the
        // end read as zero.
        const std::size_t at = static_cast<std::size_t>(bit >> 3);
        std::uint32_t word;
        if (at + 3 <= size) {
            word = data[at] | (data[at + 1] << 8) | (data[at + 2] << 16);
        } else {
            word = data[at];
            if (at + 1 < size) word |= data[at + 1] << 8;
        }
        const unsigned code = (word >> (bit & 7)) & ((1u << codeSize) - 1);
        bit += codeSize;

        if (code == clear) {
            codeSize = minCodeSize + 1;
            limit = 1u << codeSize;
            next = clear + 2;
            previous = kNoCode;
            continue;
        }
        if (code == end) return true;

        if (previous != kNoCode) {
            std::uint8_t suffix;
            if (code < next)
                suffix = table[code].first;
            else if (code == next)
                suffix = table[previous].first;
            else
                return false;
            // Slot 4096 exists only so that this addition can be refused below.
            table[next] = TableEntry{static_cast<std::uint16_t>(previous),
                                     static_cast<std::uint16_t>(table[previous].length + 1), suffix,
                                     table[previous].first};
            if (++next > limit) return false;
            if (next == limit && codeSize < kMaxBits) {
                ++codeSize;
                limit <<= 1;
            }
        } else if (code >= next) {
            return false;
        }

        const std::size_t length = table[code].length;
        if (length <= outSize - pos) {
            std::size_t p = pos + length;
            for (unsigned c = code; c != kNoCode; c = table[c].prefix) out[--p] = table[c].suffix;
            pos += length;
        }
        previous = code;
    }
}

Status Parse(const std::uint8_t* data, std::size_t size, Image& out, const Limits& limits) {
    out = Image();
    Image image;
    Reader in(data, size);

    std::uint8_t header[6];
    if (size < 6 || !in.copy(header, 6)) return Status::BadHeader;
    if (header[0] != 'G' || header[1] != 'I' || header[2] != 'F' || header[3] != '8' ||
        (header[4] != '7' && header[4] != '9') || header[5] != 'a')
        return Status::BadHeader;

    if (in.remaining() < 7) return Status::Truncated;
    in.word(&image.screenWidth);
    in.word(&image.screenHeight);
    in.byte(&image.screenFlags);
    in.byte(&image.background);
    in.byte(&image.aspect);
    if (image.screenFlags & 0x80) {
        if (!in.copy(image.globalColours, 3u << ((image.screenFlags & 7) + 1))) return Status::Truncated;
    }

    std::vector<std::uint8_t> acc;
    std::uint32_t control = 0;
    std::uint64_t totalPixels = 0;
    try {
        while (!in.atEnd()) {
            const std::uint8_t kind = in.peek();
            if (kind == 0x21) {
                std::uint8_t introducer, label;
                in.byte(&introducer);
                if (!in.byte(&label)) return Status::Truncated;
                if (!in.subBlocks(acc)) return Status::Truncated;
                if (label == 0xF9) {
                    if (acc.size() != 4) return Status::BadControlExtension;
                    control = acc[0] | (acc[1] << 8) | (acc[2] << 16) | (std::uint32_t(acc[3]) << 24);
                }
                continue;
            }
            if (kind != 0x2C) break;  // the trailer, or anything else: done

            if (in.remaining() < 10) return Status::Truncated;
            Frame frame;
            frame.descriptorOffset = static_cast<std::uint32_t>(in.position());
            std::uint8_t separator;
            in.byte(&separator);
            in.word(&frame.left);
            in.word(&frame.top);
            in.word(&frame.width);
            in.word(&frame.height);
            in.byte(&frame.flags);
            if (frame.flags & 0x80) {
                frame.colourCount = static_cast<std::uint16_t>(1u << ((frame.flags & 7) + 1));
                if (!in.copy(frame.colours, 3u * frame.colourCount)) return Status::Truncated;
            } else {
                frame.colourCount = static_cast<std::uint16_t>(1u << ((image.screenFlags & 7) + 1));
                std::memcpy(frame.colours, image.globalColours, sizeof frame.colours);
            }
            frame.control = control;
            control = 0;

            std::uint8_t codeSize;
            if (!in.byte(&codeSize)) return Status::Truncated;
            if (!in.subBlocks(acc)) return Status::Truncated;
            if (codeSize >= 9) return Status::BadCodeSize;

            const std::uint64_t pixels = std::uint64_t(frame.width) * frame.height;
            totalPixels += pixels;
            if (pixels > limits.maxFramePixels || totalPixels > limits.maxTotalPixels) return Status::TooLarge;
            frame.pixels.assign(static_cast<std::size_t>(pixels), 0);
            if (!LzwDecode(codeSize, acc.data(), acc.size(), frame.pixels.data(), frame.pixels.size()))
                return Status::BadLzwCode;
            if (frame.flags & 0x40) Deinterlace(frame.pixels, frame.width, frame.height);
            image.frames.push_back(std::move(frame));
        }
    } catch (const std::bad_alloc&) {
        return Status::OutOfMemory;
    }
    out = std::move(image);
    return Status::Ok;
}

bool GetFrameInfo(const Image& image, std::size_t n, FrameInfo* info) {
    if (n >= image.frames.size() || !info) return false;
    const Frame& f = image.frames[n];
    const std::uint32_t v = f.control;
    info->left = f.left;
    info->top = f.top;
    info->width = f.width;
    info->height = f.height;
    info->delay = static_cast<std::uint16_t>((v >> 8) & 0xFFFF);
    if (info->delay == 0 && image.frames.size() > 1) info->delay = 10;
    info->transparent = (v & 1) ? static_cast<std::uint16_t>(v >> 24) : kNoTransparency;
    info->disposal = static_cast<std::uint16_t>(v & 0x1C);
    return true;
}

namespace {

void Put32(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}

}  // namespace

std::vector<std::uint8_t> PackedDib(const Frame& frame) {
    const std::size_t width = frame.width, height = frame.height, stride = DibStride(width);
    std::vector<std::uint8_t> dib(kDibBitsOffset + stride * height, 0);
    std::uint8_t* h = dib.data();
    Put32(h + 0, 40);
    Put32(h + 4, static_cast<std::uint32_t>(width));
    Put32(h + 8, static_cast<std::uint32_t>(height));  // positive: bottom-up
    h[12] = 1;                                         // planes
    h[14] = 8;                                         // bits per pixel
    Put32(h + 20, static_cast<std::uint32_t>(stride * height));
    Put32(h + 32, kDibColours);
    std::uint8_t* quad = h + kDibHeaderSize;
    const std::size_t colours = std::min<std::size_t>(frame.colourCount, kDibColours);
    for (std::size_t i = 0; i < colours; ++i, quad += 4) {
        quad[0] = frame.colours[3 * i + 2];
        quad[1] = frame.colours[3 * i + 1];
        quad[2] = frame.colours[3 * i];
    }
    std::uint8_t* bits = h + kDibBitsOffset;
    if (width == 0) return dib;
    for (std::size_t r = 0; r < height; ++r)
        std::memcpy(bits + (height - 1 - r) * stride, frame.pixels.data() + r * width, width);
    return dib;
}

std::vector<std::uint8_t> MaskBits(const Frame& frame, std::uint16_t transparent) {
    const std::size_t width = frame.width, height = frame.height, stride = MaskStride(width);
    std::vector<std::uint8_t> mask(stride * height, 0);
    if (transparent > 0xFF) return mask;
    const std::uint8_t key = static_cast<std::uint8_t>(transparent);
    for (std::size_t r = 0; r < height; ++r) {
        const std::uint8_t* row = frame.pixels.data() + r * width;
        std::uint8_t* m = mask.data() + r * stride;
        for (std::size_t x = 0; x < width; ++x)
            if (row[x] == key) m[x >> 3] |= static_cast<std::uint8_t>(0x80 >> (x & 7));
    }
    return mask;
}

Placement ClipToScreen(const Image& image, std::size_t n) {
    Placement p{0, 0, 0, 0, 0, 0};
    if (n >= image.frames.size()) return p;
    const Frame& f = image.frames[n];
    const int right = std::min<int>(f.left + f.width, image.screenWidth);
    const int bottom = std::min<int>(f.top + f.height, image.screenHeight);
    if (right <= f.left || bottom <= f.top) return p;
    p.dstX = f.left;
    p.dstY = f.top;
    p.width = right - f.left;
    p.height = bottom - f.top;
    return p;
}

}  // namespace gif
