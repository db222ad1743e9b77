// Microsoft Binary Format single precision, the 4-byte number of every MetaStock file.
// b3 is the exponent with bias 129 (0 means zero), bit 7 of b2 the sign, the other 23 bits
// the fraction below an implied leading 1: IEEE single precision with the sign and exponent
// moved.
#pragma once

#include <array>
#include <cstdint>

using MbfSingle = std::array<std::uint8_t, 4>;

// pSource holds an IEEE single, pDest receives its MBF bytes; both may be the same 4 bytes.
// Zero, subnormals, infinities, not-a-numbers and magnitudes of 2^127 or more, which MBF
// cannot hold, give four zero bytes.
void EncodeMbf(const void* pSource, void* pDest);
// pSource holds MBF bytes, pDest receives the IEEE single; both may be the same 4 bytes.
void DecodeMbf(const void* pSource, void* pDest);

MbfSingle EncodeMbf(float value);
float DecodeMbf(const MbfSingle& bytes);
