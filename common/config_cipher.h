// The byte transform of PCONFIG.DCF and of the scrambled proxy password.
// Pure code: no Windows headers, built natively too.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

class ConfigCipher {
public:
    using Key = std::array<std::uint8_t, 8>;

    // Compiled into every program that reads the file; only these eight bytes count.
    static constexpr std::uint8_t kSeed[8] = {'Q', 'Z', 'W', 'M', 'R', 'T', 'K', 'P'};

    ConfigCipher();                                  // key from kSeed
    explicit ConfigCipher(const std::uint8_t seed[8]);

    static Key deriveKey(const std::uint8_t seed[8]);
    // Positions of 256 and more are reduced modulo 256 first.
    static std::uint8_t shufflePosition(unsigned position);

    std::uint8_t encodeByte(std::uint8_t c, std::uint8_t q) const;
    std::uint8_t decodeByte(std::uint8_t c, std::uint8_t q) const;

    // Scrambles each character of a NUL-terminated text; writes no terminator.
    // Returns false, writing nothing, when the text does not fit destSize.
    bool encodeString(const char* source, std::uint8_t* dest, std::size_t destSize) const;
    // Decodes scrambled bytes up to the first zero byte (at most sourceSize bytes)
    // and terminates the text. Returns false, writing nothing, when it does not fit.
    bool decodeString(const std::uint8_t* source, std::size_t sourceSize,
                      char* dest, std::size_t destSize) const;

    // Transforms bytes in place; the first one is at file offset start. The
    // position of each byte is its offset modulo 256.
    void decodeBlock(std::uint8_t* data, std::size_t size, std::size_t start = 0) const;
    void encodeBlock(std::uint8_t* data, std::size_t size, std::size_t start = 0) const;

    const Key& key() const { return key_; }

private:
    Key key_;
    std::uint8_t keySum_;  // the eight key terms collapse into one multiplier
};
