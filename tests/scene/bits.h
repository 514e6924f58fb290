#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

inline std::uint32_t Bits(float f) { return std::bit_cast<std::uint32_t>(f); }

// The bit patterns of a Vector's or a Matrix's floats, in memory order.
template <class T>
std::vector<std::uint32_t> BitsOf(const T& value)
{
    std::vector<std::uint32_t> bits(sizeof value / 4);
    std::memcpy(bits.data(), &value, sizeof value);
    return bits;
}
