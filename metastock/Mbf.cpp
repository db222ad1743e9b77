#include "metastock/Mbf.h"

#include <bit>
#include <cmath>
#include <cstring>

// Both functions take the IEEE single as the host holds it in memory.
static_assert(std::endian::native == std::endian::little, "IEEE singles are handled as little-endian bytes");

namespace {

constexpr std::uint8_t kSignBit = 0x80;

} // namespace

void EncodeMbf(const void* pSource, void* pDest) {
    std::uint8_t ieee[4];
    std::memcpy(ieee, pSource, 4);
    float value;
    std::memcpy(&value, ieee, 4);

    // [0, 255]; 0 is zero or a subnormal, 255 an infinity or a not-a-number.
    const int nExponent = ((ieee[3] << 1) & 0xFF) | (ieee[2] >> 7);
    // MBF's bias is 2 higher, so IEEE exponents 254 and 255 (2^127 and above) do not fit.
    std::uint8_t mbf[4] = {0, 0, 0, 0};
    if (value != 0.0f && nExponent >= 1 && nExponent <= 253) {
        mbf[0] = ieee[0];
        mbf[1] = ieee[1];
        mbf[2] = static_cast<std::uint8_t>((ieee[2] & 0x7F) | (ieee[3] & kSignBit));
        mbf[3] = static_cast<std::uint8_t>(nExponent + 2);
    }
    std::memcpy(pDest, mbf, 4);
}

void DecodeMbf(const void* pSource, void* pDest) {
    std::uint8_t mbf[4];
    std::memcpy(mbf, pSource, 4);

    std::uint8_t ieee[4] = {0, 0, 0, 0};
    if (mbf[3] >= 3) {
        // [1, 253]: every MBF exponent from 3 up is a normal IEEE exponent.
        const int nExponent = mbf[3] - 2;
        ieee[0] = mbf[0];
        ieee[1] = mbf[1];
        ieee[2] = static_cast<std::uint8_t>((mbf[2] & 0x7F) | ((nExponent & 1) << 7));
        ieee[3] = static_cast<std::uint8_t>((nExponent >> 1) | (mbf[2] & kSignBit));
    } else if (mbf[3] != 0) {
        // Exponents 1 and 2 are below IEEE's normal range; moving the bits would make an
        // infinity or a wrong subnormal, so compute the nearest single instead.
        const std::uint32_t nFraction = (static_cast<std::uint32_t>(mbf[2] & 0x7F) << 16) |
                                        (static_cast<std::uint32_t>(mbf[1]) << 8) | mbf[0];
        double magnitude = std::ldexp(1.0 + nFraction / 8388608.0, mbf[3] - 129);
        const float value = static_cast<float>((mbf[2] & kSignBit) ? -magnitude : magnitude);
        std::memcpy(ieee, &value, 4);
    }
    std::memcpy(pDest, ieee, 4);
}

MbfSingle EncodeMbf(float value) {
    MbfSingle bytes;
    EncodeMbf(&value, bytes.data());
    return bytes;
}

float DecodeMbf(const MbfSingle& bytes) {
    float value;
    DecodeMbf(bytes.data(), &value);
    return value;
}
