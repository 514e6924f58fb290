#include "scene/random.h"

#include "scene/single_precision.h"

std::int32_t randomA = 890123;
std::int32_t randomB = 1;
std::int32_t randomC = 234567;

namespace {

// Two's complement addition without signed overflow.
std::int32_t WrappingAdd(std::int32_t a, std::int32_t b)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

} // namespace

float NextRandom()
{
    const std::int32_t b = WrappingAdd(randomB, randomC);
    const std::int32_t c = WrappingAdd(randomC, randomA);
    const std::int32_t a = WrappingAdd(randomA, b);
    randomA = a;
    randomB = b;
    randomC = c;
    // Arithmetic shift: the high half, sign included, in [-32768, 32767].
    return RoundQuotient(b >> 16, 32767.0);
}
