#include "metastock/Mbf.h"

#include <bit>
#include <cmath>
#include <cstring>

void EncodeMbf(const void* pSource, void* pDest) {
    float value;
    std::memcpy(&value, pSource, 4);
    std::uint8_t mbf[4] = {0, 0, 0, 0};
    // Zero, subnormals, infinities and not-a-numbers have no MBF form, nor has anything
    // whose exponent would not fit once moved to the larger bias.
    if (std::isnormal(value) && std::fabs(value) < 0x1p127f) {
        const auto bits = std::bit_cast<std::uint32_t>(value);
        const std::uint32_t nSign = bits >> 31;
        const std::uint32_t nExponent = (bits >> 23) & 0xFF;
        mbf[0] = static_cast<std::uint8_t>(bits & 0xFF);
        mbf[1] = static_cast<std::uint8_t>((bits >> 8) & 0xFF);
        mbf[2] = static_cast<std::uint8_t>(((bits >> 16) & 0x7F) | (nSign << 7));
        mbf[3] = static_cast<std::uint8_t>(nExponent + 2);
    }
    std::memcpy(pDest, mbf, 4);
}

void DecodeMbf(const void* pSource, void* pDest) {
    std::uint8_t mbf[4];
    std::memcpy(mbf, pSource, 4);
    float value = 0.0f;
    if (mbf[3] != 0) {
        const std::uint32_t nFraction = mbf[0] | (mbf[1] << 8) | (static_cast<std::uint32_t>(mbf[2] & 0x7F) << 16);
        const bool bNegative = (mbf[2] & 0x80) != 0;
        if (mbf[3] > 2) {
            const std::uint32_t bits = (static_cast<std::uint32_t>(bNegative ? 1 : 0) << 31) | (static_cast<std::uint32_t>(mbf[3] - 2) << 23) | nFraction;
            value = std::bit_cast<float>(bits);
        } else {
            // The two smallest MBF exponents lie below the normal IEEE range.
            value = std::ldexp(1.0f + static_cast<float>(nFraction) / 8388608.0f, mbf[3] - 129);
            if (bNegative) {
                value = -value;
            }
        }
    }
    std::memcpy(pDest, &value, 4);
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
