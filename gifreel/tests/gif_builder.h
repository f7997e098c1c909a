// Builds small GIF files byte by byte for the decoder tests.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace giftest {

using Bytes = std::vector<std::uint8_t>;

// Packs codes least significant bit first.
class BitWriter {
public:
    void put(unsigned code, unsigned width) {
        for (unsigned i = 0; i < width; ++i, ++bit_) {
            if (bit_ % 8 == 0) bytes_.push_back(0);
            if (code & (1u << i)) bytes_.back() |= static_cast<std::uint8_t>(1u << (bit_ % 8));
        }
    }
    const Bytes& bytes() const { return bytes_; }

private:
    Bytes bytes_;
    unsigned bit_ = 0;
};

// Codes without compression: a clear code before every run short enough that
// the code width never grows (codeSize >= 2).
inline Bytes PlainLzw(unsigned codeSize, const Bytes& pixels, bool endCode = true) {
    BitWriter w;
    const unsigned clear = 1u << codeSize, width = codeSize + 1, run = clear - 2;
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        if (i % run == 0) w.put(clear, width);
        w.put(pixels[i], width);
    }
    if (endCode) w.put(clear + 1, width);
    return w.bytes();
}

// Codes given one by one, the width following the decoder's growth: every
// code after the first since a clear adds one entry.
inline Bytes Codes(unsigned codeSize, std::initializer_list<unsigned> codes) {
    BitWriter w;
    const unsigned clear = 1u << codeSize;
    unsigned width = codeSize + 1, next = clear + 2;
    bool first = true;
    for (unsigned code : codes) {
        w.put(code, width);
        if (code == clear) {
            width = codeSize + 1;
            next = clear + 2;
            first = true;
        } else if (code != clear + 1) {
            if (!first && ++next == (1u << width) && width < 12) ++width;
            first = false;
        }
    }
    return w.bytes();
}

inline void Append(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }
inline void Word(Bytes& out, unsigned v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline Bytes SubBlocks(const Bytes& data) {
    Bytes out;
    for (std::size_t i = 0; i < data.size(); i += 255) {
        const std::size_t n = std::min<std::size_t>(255, data.size() - i);
        out.push_back(static_cast<std::uint8_t>(n));
        out.insert(out.end(), data.begin() + i, data.begin() + i + n);
    }
    out.push_back(0);
    return out;
}

// Header and logical screen, with a global table of 2^(bits) entries where
// entry i is (i, 2i, 3i) when bits > 0.
inline Bytes Header(unsigned width, unsigned height, unsigned tableBits = 2, const char* version = "GIF89a") {
    Bytes out(version, version + 6);
    Word(out, width);
    Word(out, height);
    out.push_back(tableBits ? static_cast<std::uint8_t>(0x80 | (tableBits - 1)) : 0);
    out.push_back(0);
    out.push_back(0);
    for (unsigned i = 0; tableBits && i < (1u << tableBits); ++i) {
        out.push_back(static_cast<std::uint8_t>(i));
        out.push_back(static_cast<std::uint8_t>(2 * i));
        out.push_back(static_cast<std::uint8_t>(3 * i));
    }
    return out;
}

inline Bytes ControlExtension(unsigned delay, int transparent = -1, unsigned disposal = 0) {
    Bytes out{0x21, 0xF9, 4,
              static_cast<std::uint8_t>((disposal << 2) | (transparent >= 0 ? 1 : 0)),
              static_cast<std::uint8_t>(delay), static_cast<std::uint8_t>(delay >> 8),
              static_cast<std::uint8_t>(transparent >= 0 ? transparent : 0), 0};
    return out;
}

inline Bytes Extension(std::uint8_t label, const std::string& data) {
    Bytes out{0x21, label};
    Append(out, SubBlocks(Bytes(data.begin(), data.end())));
    return out;
}

// Image descriptor, optional local table bytes, then the code size and data.
inline Bytes ImageBlock(unsigned left, unsigned top, unsigned width, unsigned height, std::uint8_t flags,
                        const Bytes& localTable, unsigned codeSize, const Bytes& lzw) {
    Bytes out{0x2C};
    Word(out, left);
    Word(out, top);
    Word(out, width);
    Word(out, height);
    out.push_back(flags);
    Append(out, localTable);
    out.push_back(static_cast<std::uint8_t>(codeSize));
    Append(out, SubBlocks(lzw));
    return out;
}

// A whole image of the given pixels with code size 2.
inline Bytes Image(unsigned width, unsigned height, const Bytes& pixels, std::uint8_t flags = 0) {
    return ImageBlock(0, 0, width, height, flags, {}, 2, PlainLzw(2, pixels));
}

}  // namespace giftest
