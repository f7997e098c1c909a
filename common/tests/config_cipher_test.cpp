#include "common/config_cipher.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Worked out by hand from the derivation and shuffle rules, independently of
// this code: a change of the transform cannot pass.
TEST(ConfigCipher, KnownAnswer) {
    const ConfigCipher cipher;
    const ConfigCipher::Key expectedKey = {0x3c, 0xc9, 0xba, 0xb1, 0x5c, 0xd0, 0x12, 0x02};
    EXPECT_EQ(expectedKey, cipher.key());

    const std::string plain = "[All]\r\nName=Keepmark\r\nVersion=1.0\r\n";
    const std::vector<std::uint8_t> expected = {
        0x0b, 0x71, 0x1c, 0x9c, 0xcd, 0xfd, 0x7a, 0x3e, 0x11, 0x9d, 0x15, 0x6d, 0xbb, 0x55, 0xd5, 0x60, 0x7d, 0xf1,
        0x82, 0xfb, 0xdd, 0x5a, 0x26, 0xb5, 0x82, 0x03, 0x79, 0xff, 0x3e, 0x8d, 0x01, 0x7e, 0xe0, 0x3d, 0xba};
    std::vector<std::uint8_t> data(plain.begin(), plain.end());
    cipher.encodeBlock(data.data(), data.size());
    EXPECT_EQ(expected, data);
}

TEST(ConfigCipher, ShufflePermutesPositionBits) {
    const struct {
        unsigned in;
        unsigned out;
    } cases[] = {{0, 0}, {1, 8}, {2, 128}, {3, 136}, {16, 2}, {64, 1}, {128, 16}, {255, 255}, {256, 0}, {257, 8}};
    for (const auto& c : cases) EXPECT_EQ(c.out, ConfigCipher::shufflePosition(c.in)) << c.in;
}

TEST(ConfigCipher, DecodeUndoesEncodeForEveryByteAndPosition) {
    const ConfigCipher cipher;
    for (unsigned q = 0; q < 256; ++q)
        for (unsigned c = 0; c < 256; ++c)
            ASSERT_EQ(c, cipher.decodeByte(cipher.encodeByte(static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(q)),
                                           static_cast<std::uint8_t>(q)));
}

TEST(ConfigCipher, PositionRestartsEvery256BytesAndOffset255IsStoredAsIs) {
    const ConfigCipher cipher;
    std::vector<std::uint8_t> data(513, 'x');
    cipher.encodeBlock(data.data(), data.size());
    EXPECT_EQ('x', data[255]);  // shuffled position 255: multiplier 0
    EXPECT_EQ('x', data[511]);
    EXPECT_EQ(data[0], data[256]);
    EXPECT_EQ(data[1], data[257]);
    EXPECT_EQ(data[0], data[512]);
    // Decoding in pieces with their start offsets gives the same as one pass.
    std::vector<std::uint8_t> pieces = data;
    cipher.decodeBlock(pieces.data(), 100, 0);
    cipher.decodeBlock(pieces.data() + 100, pieces.size() - 100, 100);
    EXPECT_EQ(std::vector<std::uint8_t>(513, 'x'), pieces);
}

TEST(ConfigCipher, StringsRoundTripAndRespectBuffers) {
    const ConfigCipher cipher;
    // Past 256 the positions start again. (A character that is a multiple of 16
    // can scramble to a zero byte and end the text early; 'q' never does.)
    const std::string password(300, 'q');
    std::vector<std::uint8_t> scrambled(password.size() + 1, 0);
    ASSERT_TRUE(cipher.encodeString(password.c_str(), scrambled.data(), scrambled.size()));
    EXPECT_EQ(scrambled[0], scrambled[256]);
    EXPECT_EQ(0, scrambled.back());  // no terminator written

    std::vector<char> plain(password.size() + 1, '#');
    ASSERT_TRUE(cipher.decodeString(scrambled.data(), scrambled.size(), plain.data(), plain.size()));
    EXPECT_EQ(password, std::string(plain.data()));

    // Too small: nothing written.
    std::uint8_t small[4] = {9, 9, 9, 9};
    EXPECT_FALSE(cipher.encodeString("hello", small, sizeof small));
    EXPECT_EQ(9, small[0]);
    char out[5] = {'#', '#', '#', '#', '#'};
    const std::uint8_t five[] = {1, 2, 3, 4, 5};
    EXPECT_FALSE(cipher.decodeString(five, sizeof five, out, sizeof out));  // no room for the terminator
    EXPECT_EQ('#', out[0]);
}

TEST(ConfigCipher, DecodeStringStopsAtTheFirstZeroByte) {
    const ConfigCipher cipher;
    const std::uint8_t scrambled[] = {cipher.encodeByte('a', ConfigCipher::shufflePosition(0)), 0,
                                      cipher.encodeByte('b', ConfigCipher::shufflePosition(2))};
    char out[8] = {};
    ASSERT_TRUE(cipher.decodeString(scrambled, sizeof scrambled, out, sizeof out));
    EXPECT_STREQ("a", out);
}

}  // namespace
