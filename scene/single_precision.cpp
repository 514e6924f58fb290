#include "scene/single_precision.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

namespace {

// Rounds r + e (e being the exact error of the double r, or only its sign)
// to float32 with a single rounding: first to double with "round to odd",
// which keeps the inexactness in the last bit, then to nearest float. Round
// to odd at 53 bits followed by rounding to 24 bits is a correct rounding.
float RoundOnce(double r, double errorSign)
{
    if (errorSign != 0.0 && std::isfinite(r)) {
        const std::uint64_t bits = std::bit_cast<std::uint64_t>(r);
        if ((bits & 1u) == 0) {
            const double inf = std::numeric_limits<double>::infinity();
            r = std::nextafter(r, errorSign > 0.0 ? inf : -inf);
        }
    }
    return static_cast<float>(r);
}

} // namespace

float RoundSum(double a, double b)
{
    // Knuth's two-sum: s + e == a + b exactly.
    const double s = a + b;
    if (!std::isfinite(s))
        return static_cast<float>(s);
    const double bv = s - a;
    const double av = s - bv;
    const double e = (a - av) + (b - bv);
    return RoundOnce(s, e);
}

float RoundProduct(double a, double b)
{
    const double p = a * b;
    if (!std::isfinite(p))
        return static_cast<float>(p);
    const double e = std::fma(a, b, -p); // exact a*b - p
    return RoundOnce(p, e);
}

float RoundQuotient(double a, double b)
{
    const double q = a / b;
    if (!std::isfinite(q) || q == 0.0)
        return static_cast<float>(q);
    // a - q*b is exact; the true quotient lies above q when it has b's sign.
    const double remainder = std::fma(-q, b, a);
    double errorSign = 0.0;
    if (remainder != 0.0)
        errorSign = (remainder > 0.0) == (b > 0.0) ? 1.0 : -1.0;
    return RoundOnce(q, errorSign);
}

double Sine(double x)
{
    return std::sin(x);
}

double Cosine(double x)
{
    return std::cos(x);
}
