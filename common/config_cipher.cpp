#include "config_cipher.h"

#include <cstring>

namespace {

// Not a rotation: the right shift is by s, so most shifts lose or merge bits.
// Stored files depend on exactly this.
std::uint8_t mix(std::uint8_t b, unsigned s) {
    return static_cast<std::uint8_t>(((b << s) & 0xFF) | (b >> s));
}

// Output bit for each input bit of the position.
constexpr unsigned kShuffle[8] = {3, 7, 2, 6, 1, 5, 0, 4};

}  // namespace

ConfigCipher::ConfigCipher() : ConfigCipher(kSeed) {}

ConfigCipher::ConfigCipher(const std::uint8_t seed[8]) : key_(deriveKey(seed)) {
    unsigned sum = 0;
    for (std::uint8_t k : key_) sum += k;
    keySum_ = static_cast<std::uint8_t>(sum);
}

ConfigCipher::Key ConfigCipher::deriveKey(const std::uint8_t seed[8]) {
    Key key{};
    for (unsigned i = 0; i < 8; ++i) {
        unsigned sum = 0;
        for (unsigned j = 0; j < 8; ++j) sum += mix(seed[j], (i + j) % 8);
        key[i] = static_cast<std::uint8_t>(sum);
    }
    return key;
}

std::uint8_t ConfigCipher::shufflePosition(unsigned position) {
    position &= 0xFF;
    unsigned out = 0;
    for (unsigned bit = 0; bit < 8; ++bit)
        if (position & (1u << bit)) out |= 1u << kShuffle[bit];
    return static_cast<std::uint8_t>(out);
}

// Sum of m*key[i] mod 256 equals m*sum(key) mod 256, whatever the order of the terms.
std::uint8_t ConfigCipher::encodeByte(std::uint8_t c, std::uint8_t q) const {
    const std::uint8_t m = static_cast<std::uint8_t>(q + 1);
    return static_cast<std::uint8_t>(c + m * keySum_);
}

std::uint8_t ConfigCipher::decodeByte(std::uint8_t c, std::uint8_t q) const {
    const std::uint8_t m = static_cast<std::uint8_t>(q + 1);
    return static_cast<std::uint8_t>(c - m * keySum_);
}

bool ConfigCipher::encodeString(const char* source, std::uint8_t* dest, std::size_t destSize) const {
    const std::size_t length = std::strlen(source);
    if (length > destSize) return false;
    for (std::size_t i = 0; i < length; ++i)
        dest[i] = encodeByte(static_cast<std::uint8_t>(source[i]), shufflePosition(i % 256));
    return true;
}

bool ConfigCipher::decodeString(const std::uint8_t* source, std::size_t sourceSize,
                                char* dest, std::size_t destSize) const {
    std::size_t length = 0;
    while (length < sourceSize && source[length] != 0) ++length;
    if (length + 1 > destSize) return false;
    for (std::size_t i = 0; i < length; ++i)
        dest[i] = static_cast<char>(decodeByte(source[i], shufflePosition(i % 256)));
    dest[length] = '\0';
    return true;
}

void ConfigCipher::decodeBlock(std::uint8_t* data, std::size_t size, std::size_t start) const {
    for (std::size_t i = 0; i < size; ++i) data[i] = decodeByte(data[i], shufflePosition((start + i) % 256));
}

void ConfigCipher::encodeBlock(std::uint8_t* data, std::size_t size, std::size_t start) const {
    for (std::size_t i = 0; i < size; ++i) data[i] = encodeByte(data[i], shufflePosition((start + i) % 256));
}
