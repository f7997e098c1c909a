#include "gifreel/core/gif_decoder.h"

#include <gtest/gtest.h>

#include "gif_builder.h"

using namespace giftest;
using gif::Status;

namespace {

const Bytes kTrailer{0x3B};

Bytes Still(const Bytes& pixels = {0, 1, 2, 3, 3, 2}) {
    Bytes f = Header(3, 2);
    Append(f, Image(3, 2, pixels));
    Append(f, kTrailer);
    return f;
}

Status ParseBytes(const Bytes& file, gif::Image* image = nullptr) {
    gif::Image local;
    return gif::Parse(file.data(), file.size(), image ? *image : local);
}

TEST(GifDecoder, DecodesAStillImageWithItsTableAndNoDelay) {
    Bytes f = Header(3, 2, 2, "GIF87a");
    Append(f, Image(3, 2, {0, 1, 2, 3, 3, 2}));
    Append(f, kTrailer);
    gif::Image image;
    ASSERT_EQ(Status::Ok, ParseBytes(f, &image));
    EXPECT_EQ(3, image.screenWidth);
    EXPECT_EQ(2, image.screenHeight);
    ASSERT_EQ(1u, image.frames.size());
    EXPECT_EQ((Bytes{0, 1, 2, 3, 3, 2}), image.frames[0].pixels);
    EXPECT_EQ(4, image.frames[0].colourCount);
    EXPECT_EQ(2 * 3, image.frames[0].colours[3 * 3 + 1]);  // entry 3 is (3, 6, 9)
    EXPECT_EQ(f.size() - 1 - (Image(3, 2, {0, 1, 2, 3, 3, 2}).size()), image.frames[0].descriptorOffset);
    gif::FrameInfo info;
    ASSERT_TRUE(gif::GetFrameInfo(image, 0, &info));
    EXPECT_EQ(0, info.delay);
    EXPECT_EQ(gif::kNoTransparency, info.transparent);
    EXPECT_FALSE(gif::GetFrameInfo(image, 1, &info));
}

TEST(GifDecoder, FrameInfoFollowsTheControlExtensionOfEachFrame) {
    Bytes f = Header(2, 2);
    Append(f, Extension(0xFE, "a comment"));
    Append(f, Extension(0xFF, "NETSCAPE2.0\x03\x01\x00\x00"));
    Append(f, ControlExtension(0, 3, 2));
    Append(f, ImageBlock(1, 1, 1, 1, 0, {}, 2, PlainLzw(2, {3})));
    Append(f, Image(2, 2, {1, 1, 1, 1}));  // no control extension of its own
    Append(f, kTrailer);
    gif::Image image;
    ASSERT_EQ(Status::Ok, ParseBytes(f, &image));
    ASSERT_EQ(2u, image.frames.size());
    gif::FrameInfo info;
    ASSERT_TRUE(gif::GetFrameInfo(image, 0, &info));
    EXPECT_EQ(1, info.left);
    EXPECT_EQ(1, info.top);
    EXPECT_EQ(10, info.delay);  // delay 0 in an animation: a tenth of a second
    EXPECT_EQ(3, info.transparent);
    EXPECT_EQ(8, info.disposal);
    ASSERT_TRUE(gif::GetFrameInfo(image, 1, &info));
    EXPECT_EQ(gif::kNoTransparency, info.transparent);
    EXPECT_EQ(0u, image.frames[1].control);

    // A single frame keeps its delay of 0; a declared delay stays as it is.
    Bytes one = Header(1, 1);
    Append(one, ControlExtension(0));
    Append(one, Image(1, 1, {2}));
    ASSERT_EQ(Status::Ok, ParseBytes(one, &image));
    ASSERT_TRUE(gif::GetFrameInfo(image, 0, &info));
    EXPECT_EQ(0, info.delay);
    Bytes slow = Header(1, 1);
    Append(slow, ControlExtension(250));
    Append(slow, Image(1, 1, {2}));
    ASSERT_EQ(Status::Ok, ParseBytes(slow, &image));
    ASSERT_TRUE(gif::GetFrameInfo(image, 0, &info));
    EXPECT_EQ(250, info.delay);
}

TEST(GifDecoder, InterlacedRowsLandInImageOrder) {
    for (unsigned height : {1u, 2u, 3u, 4u, 5u, 8u, 9u, 17u}) {
        // Decoded row k holds the value k; image row r must get the k of its pass order.
        Bytes decoded;
        for (unsigned k = 0; k < height; ++k) decoded.insert(decoded.end(), 2, static_cast<std::uint8_t>(k % 4));
        Bytes f = Header(2, height);
        Append(f, Image(2, height, decoded, 0x40));
        gif::Image image;
        ASSERT_EQ(Status::Ok, ParseBytes(f, &image)) << height;
        std::vector<unsigned> order;
        for (unsigned start : {0u, 4u, 2u, 1u})
            for (unsigned r = start; r < height; r += (start == 0 ? 8 : start == 4 ? 8 : start == 2 ? 4 : 2))
                order.push_back(r);
        ASSERT_EQ(height, order.size());
        for (unsigned k = 0; k < height; ++k)
            EXPECT_EQ(k % 4, image.frames[0].pixels[order[k] * 2]) << "height " << height << " row " << order[k];
    }
}

TEST(GifDecoder, EndsWithoutTrailerOrAtAnyOtherByte) {
    Bytes f = Header(3, 2);
    Append(f, Image(3, 2, {0, 1, 2, 3, 3, 2}));
    gif::Image image;
    EXPECT_EQ(Status::Ok, ParseBytes(f, &image));
    EXPECT_EQ(1u, image.frames.size());
    Append(f, Bytes{0x00, 0x2C, 0x01});  // junk after the image: the frames so far stand
    EXPECT_EQ(Status::Ok, ParseBytes(f, &image));
    EXPECT_EQ(1u, image.frames.size());
    EXPECT_EQ(Status::Ok, ParseBytes(Header(3, 2), &image));  // no image at all
    EXPECT_EQ(0u, image.frames.size());
}

TEST(GifDecoder, EveryFailureRuleFailsTheWholeFile) {
    const Bytes good = Still();
    auto cut = [&](std::size_t n) { return Bytes(good.begin(), good.begin() + n); };
    Bytes gce5 = Header(1, 1);
    Append(gce5, Bytes{0x21, 0xF9, 5, 0, 0, 0, 0, 0, 0});
    Append(gce5, Image(1, 1, {0}));
    Bytes gce3 = Header(1, 1);
    Append(gce3, Bytes{0x21, 0xF9, 3, 0, 0, 0, 0});
    Bytes openExtension = Header(1, 1);
    Append(openExtension, Bytes{0x21, 0xFE, 5, 'a', 'b'});  // promises more than is there
    Bytes unterminated = Header(1, 1);
    Append(unterminated, Bytes{0x21, 0xFE, 2, 'a', 'b'});  // no zero length byte
    Bytes lonelyIntroducer = Header(1, 1);
    lonelyIntroducer.push_back(0x21);
    Bytes localTableCut = Header(1, 1);
    Append(localTableCut, Bytes{0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0x82, 1, 2, 3});
    Bytes noCodeSize = Header(1, 1);
    Append(noCodeSize, Bytes{0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0});
    Bytes codeSize9 = Header(1, 1);
    Append(codeSize9, ImageBlock(0, 0, 1, 1, 0, {}, 9, {0}));
    Bytes aboveNext = Header(2, 1);  // after clear, code 7 is not in the table yet
    Append(aboveNext, ImageBlock(0, 0, 2, 1, 0, {}, 2, Codes(2, {4, 1, 7, 5})));
    Bytes nextAfterClear = Header(2, 1);  // the "next free" case needs a previous code
    Append(nextAfterClear, ImageBlock(0, 0, 2, 1, 0, {}, 2, Codes(2, {4, 6, 5})));
    Bytes huge = Header(1, 1);
    Append(huge, ImageBlock(0, 0, 65535, 65535, 0, {}, 2, Codes(2, {4, 5})));

    const struct {
        const char* name;
        Bytes file;
        Status expected;
    } cases[] = {
        {"empty", {}, Status::BadHeader},
        {"five bytes", Bytes{'G', 'I', 'F', '8', '9'}, Status::BadHeader},
        {"GIF88a", Bytes{'G', 'I', 'F', '8', '8', 'a', 1, 0, 1, 0, 0, 0, 0}, Status::BadHeader},
        {"gif89a", Bytes{'g', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0}, Status::BadHeader},
        {"screen descriptor cut", cut(12), Status::Truncated},
        {"global table cut", cut(13 + 11), Status::Truncated},
        {"descriptor cut", cut(13 + 12 + 9), Status::Truncated},
        {"image data cut", cut(good.size() - 3), Status::Truncated},
        {"no zero block after image data", cut(good.size() - 2), Status::Truncated},
        {"control extension of 5 bytes", gce5, Status::BadControlExtension},
        {"control extension of 3 bytes", gce3, Status::BadControlExtension},
        {"extension block longer than the file", openExtension, Status::Truncated},
        {"extension without terminator", unterminated, Status::Truncated},
        {"extension introducer at the end", lonelyIntroducer, Status::Truncated},
        {"local table cut", localTableCut, Status::Truncated},
        {"no code size byte", noCodeSize, Status::Truncated},
        {"code size 9", codeSize9, Status::BadCodeSize},
        {"code above next free", aboveNext, Status::BadLzwCode},
        {"next free code right after clear", nextAfterClear, Status::BadLzwCode},
        {"65535 x 65535", huge, Status::TooLarge},
    };
    for (const auto& c : cases) {
        gif::Image image;
        image.frames.resize(3);
        EXPECT_EQ(c.expected, ParseBytes(c.file, &image)) << c.name;
        EXPECT_TRUE(image.frames.empty()) << c.name;
    }
    EXPECT_EQ(Status::Ok, ParseBytes(good));
}

TEST(GifDecoder, TableOverflowWithoutClearFailsAndAClearInTimeSucceeds) {
    // Code size 2 on an image of zeros: every code after the first adds one
    // entry; 4090 additions fill the table up to 4096 codes.
    auto stream = [](bool clearInTime) {
        BitWriter w;
        unsigned width = 3, next = 6;
        w.put(4, 3);
        w.put(0, 3);
        while (next < 4096) {
            w.put(0, width);
            if (++next == (1u << width) && width < 12) ++width;
        }
        if (clearInTime) {
            w.put(4, 12);
            w.put(0, 3);
            w.put(5, 3);
        } else {
            w.put(0, 12);  // would need entry 4096
        }
        return w.bytes();
    };
    for (bool clearInTime : {true, false}) {
        Bytes f = Header(100, 100);
        Append(f, ImageBlock(0, 0, 100, 100, 0, {}, 2, stream(clearInTime)));
        EXPECT_EQ(clearInTime ? Status::Ok : Status::BadLzwCode, ParseBytes(f)) << clearInTime;
    }
}

TEST(GifDecoder, LzwRepeatsAndGrowsItsCodes) {
    // 0, 0 (new code 6 = "00"), 6, then code 7 = "000" via the next-free rule.
    Bytes out(10, 9);
    const Bytes data = Codes(2, {4, 0, 6, 7, 5});
    ASSERT_TRUE(gif::LzwDecode(2, data.data(), data.size(), out.data(), out.size()));
    EXPECT_EQ((Bytes{0, 0, 0, 0, 0, 0, 9, 9, 9, 9}), out);
    // No clear code at the start is fine too.
    const Bytes bare = Codes(2, {1, 2, 6, 5});
    Bytes out2(4, 9);
    ASSERT_TRUE(gif::LzwDecode(2, bare.data(), bare.size(), out2.data(), out2.size()));
    EXPECT_EQ((Bytes{1, 2, 1, 2}), out2);
}

TEST(GifDecoder, ShortDataLeavesZerosAndOverlongStringsAreNotWritten) {
    Bytes f = Header(4, 2);
    Append(f, ImageBlock(0, 0, 4, 2, 0, {}, 2, PlainLzw(2, {3, 2, 1}, false)));
    gif::Image image;
    ASSERT_EQ(Status::Ok, ParseBytes(f, &image));
    EXPECT_EQ((Bytes{3, 2, 1, 0, 0, 0, 0, 0}), image.frames[0].pixels);

    // 3 pixels: "1", "2", then "12" would run one past the end and is dropped.
    Bytes out(3, 9);
    const Bytes data = Codes(2, {4, 1, 2, 6, 5});
    ASSERT_TRUE(gif::LzwDecode(2, data.data(), data.size(), out.data(), out.size()));
    EXPECT_EQ((Bytes{1, 2, 9}), out);
}

TEST(GifDecoder, ImageWithoutAnyColourTableGetsBlack) {
    Bytes f = Header(2, 1, 0);
    Append(f, Image(2, 1, {1, 3}));
    gif::Image image;
    ASSERT_EQ(Status::Ok, ParseBytes(f, &image));
    const auto dib = gif::PackedDib(image.frames[0]);
    for (std::size_t i = gif::kDibHeaderSize; i < gif::kDibBitsOffset; ++i) ASSERT_EQ(0, dib[i]) << i;
}

TEST(GifDecoder, LocalTableReplacesTheGlobalOne) {
    Bytes f = Header(1, 1);
    Append(f, ImageBlock(0, 0, 1, 1, 0x80, Bytes{10, 20, 30, 40, 50, 60}, 2, PlainLzw(2, {1})));
    gif::Image image;
    ASSERT_EQ(Status::Ok, ParseBytes(f, &image));
    EXPECT_EQ(2, image.frames[0].colourCount);
    const auto dib = gif::PackedDib(image.frames[0]);
    const std::uint8_t* quad1 = &dib[gif::kDibHeaderSize + 4];
    EXPECT_EQ((Bytes{60, 50, 40, 0}), Bytes(quad1, quad1 + 4));  // blue, green, red, 0
}

TEST(GifDecoder, PackedDibIsBottomUpWithPaddedRows) {
    gif::Frame frame;
    frame.width = 5;
    frame.height = 3;
    frame.colourCount = 4;
    frame.pixels = {1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 3, 3, 3, 3, 3};
    const auto dib = gif::PackedDib(frame);
    auto u32 = [&](std::size_t at) { return dib[at] | dib[at + 1] << 8 | dib[at + 2] << 16 | dib[at + 3] << 24; };
    EXPECT_EQ(40, u32(0));
    EXPECT_EQ(5, u32(4));
    EXPECT_EQ(3, u32(8));
    EXPECT_EQ(0x00080001, u32(12));  // planes 1, 8 bits
    EXPECT_EQ(0, u32(16));           // BI_RGB
    EXPECT_EQ(8 * 3, u32(20));
    EXPECT_EQ(256, u32(32));
    ASSERT_EQ(gif::kDibBitsOffset + 24, dib.size());
    const std::uint8_t* bits = &dib[gif::kDibBitsOffset];
    EXPECT_EQ((Bytes{3, 3, 3, 3, 3, 0, 0, 0}), Bytes(bits, bits + 8));  // the bottom row first
    EXPECT_EQ(1, bits[16]);
}

TEST(GifDecoder, MaskMarksExactlyTheTransparentIndex) {
    gif::Frame frame;
    frame.width = 17;
    frame.height = 2;
    frame.pixels.assign(34, 0);
    frame.pixels[0] = 5;
    frame.pixels[16] = 5;
    frame.pixels[17 + 9] = 5;
    EXPECT_EQ(4u, gif::MaskStride(17));
    EXPECT_EQ(2u, gif::MaskStride(16));
    EXPECT_EQ(2u, gif::MaskStride(1));
    EXPECT_EQ((Bytes{0x80, 0, 0x80, 0, 0, 0x40, 0, 0}), gif::MaskBits(frame, 5));
    EXPECT_EQ(Bytes(8, 0), gif::MaskBits(frame, gif::kNoTransparency));
}

TEST(GifDecoder, FramesAreClippedToTheLogicalScreen) {
    gif::Image image;
    image.screenWidth = 10;
    image.screenHeight = 8;
    auto frame = [&](unsigned left, unsigned top, unsigned w, unsigned h) {
        gif::Frame f;
        f.left = static_cast<std::uint16_t>(left);
        f.top = static_cast<std::uint16_t>(top);
        f.width = static_cast<std::uint16_t>(w);
        f.height = static_cast<std::uint16_t>(h);
        image.frames.push_back(f);
    };
    frame(2, 3, 4, 4);     // inside
    frame(7, 6, 5, 5);     // partly outside
    frame(10, 0, 3, 3);    // wholly outside
    frame(65535, 65535, 65535, 65535);
    const struct {
        int dstX, dstY, width, height;
    } expected[] = {{2, 3, 4, 4}, {7, 6, 3, 2}, {0, 0, 0, 0}, {0, 0, 0, 0}};
    for (std::size_t i = 0; i < 4; ++i) {
        const gif::Placement p = gif::ClipToScreen(image, i);
        EXPECT_EQ(expected[i].width, p.width) << i;
        EXPECT_EQ(expected[i].height, p.height) << i;
        if (p.width) {
            EXPECT_EQ(expected[i].dstX, p.dstX) << i;
            EXPECT_EQ(expected[i].dstY, p.dstY) << i;
        }
    }
}

}  // namespace
