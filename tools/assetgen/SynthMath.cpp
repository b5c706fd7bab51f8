#include "tools/assetgen/SynthMath.h"

#include "tools/assetgen/AssetMath.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

namespace {

constexpr double kTwoPiHigh = 6.28318530717958623200e+00;
constexpr double kTwoPiLow = 2.44929359829470635445e-16;
constexpr double kHalfPi = 1.57079632679489661923;
// ln 2 split so that k * kLn2High is exact for any exponent k a double can have.
constexpr double kLn2High = 6.93147180369123816490e-01;
constexpr double kLn2Low = 1.90821492927058770002e-10;
constexpr double kLog2E = 1.44269504088896338700e+00;

constexpr double inverseFactorial(int n) {
    double product = 1.0;
    for (int i = 2; i <= n; ++i) {
        product *= i;
    }
    return 1.0 / product;
}

// Coefficients of x^1, x^3, ... x^17 in the Taylor series of sin.
constexpr std::array<double, 9> kSinCoefficients = [] {
    std::array<double, 9> c{};
    for (int i = 0; i < 9; ++i) {
        c[i] = (i % 2 == 0 ? 1.0 : -1.0) * inverseFactorial(2 * i + 1);
    }
    return c;
}();

// Coefficients of x^0 ... x^13 in the Taylor series of exp.
constexpr std::array<double, 14> kExpCoefficients = [] {
    std::array<double, 14> c{};
    for (int i = 0; i < 14; ++i) {
        c[i] = inverseFactorial(i);
    }
    return c;
}();

// Taylor series of sin on [-pi/2, pi/2]; the first omitted term is below 5e-14.
double sinNearZero(double x) {
    const double x2 = x * x;
    double sum = 0.0;
    for (std::size_t i = kSinCoefficients.size(); i-- > 0;) {
        sum = kSinCoefficients[i] + x2 * sum;
    }
    return x * sum;
}

// Taylor series of exp on [-ln2 / 2, ln2 / 2]; the first omitted term is below 1e-17.
double expNearZero(double r) {
    double sum = 0.0;
    for (std::size_t i = kExpCoefficients.size(); i-- > 0;) {
        sum = kExpCoefficients[i] + r * sum;
    }
    return sum;
}

}  // namespace

double synthSin(double x) {
    if (!std::isfinite(x)) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    const double turns = std::nearbyint(x / kTwoPiHigh);
    double r = (x - turns * kTwoPiHigh) - turns * kTwoPiLow;
    // Fold [-pi, pi] onto [-pi/2, pi/2], where the series converges fast.
    if (r > kHalfPi) {
        r = kPi - r;
    } else if (r < -kHalfPi) {
        r = -kPi - r;
    }
    return sinNearZero(r);
}

double synthCos(double x) {
    return synthSin(x + kHalfPi);
}

double synthTan(double x) {
    return synthSin(x) / synthCos(x);
}

double synthExp(double x) {
    if (std::isnan(x)) {
        return x;
    }
    if (x > 709.78) {
        return std::numeric_limits<double>::infinity();
    }
    if (x < -745.2) {
        return 0.0;
    }
    const double k = std::nearbyint(x * kLog2E);
    const double r = (x - k * kLn2High) - k * kLn2Low;
    const int exponent = static_cast<int>(k);
    if (exponent < -1020 || exponent > 1020) {
        return std::ldexp(expNearZero(r), exponent);
    }
    // 2^exponent assembled from its bits: exact, and cheaper than ldexp.
    const std::uint64_t bits = static_cast<std::uint64_t>(exponent + 1023) << 52;
    double scale = 0.0;
    std::memcpy(&scale, &bits, sizeof scale);
    return expNearZero(r) * scale;
}

double synthLog(double x) {
    if (std::isnan(x) || x < 0.0) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    if (x == 0.0) {
        return -std::numeric_limits<double>::infinity();
    }
    if (std::isinf(x)) {
        return x;
    }
    int exponent = 0;
    double mantissa = std::frexp(x, &exponent);
    if (mantissa < 0.70710678118654752440) {
        mantissa *= 2.0;
        exponent -= 1;
    }
    // log(m) = 2 atanh(s) with |s| < 0.172: the series to s^21 is exact to double precision.
    const double s = (mantissa - 1.0) / (mantissa + 1.0);
    const double s2 = s * s;
    double sum = 1.0 / 21.0;
    for (int n = 19; n >= 1; n -= 2) {
        sum = 1.0 / n + s2 * sum;
    }
    const double e = static_cast<double>(exponent);
    return e * kLn2High + (e * kLn2Low + 2.0 * s * sum);
}

double synthPow(double base, double exponent) {
    return synthExp(exponent * synthLog(base));
}

double synthTanh(double x) {
    if (x > 22.0) {
        return 1.0;
    }
    if (x < -22.0) {
        return -1.0;
    }
    if (std::fabs(x) < 1e-5) {
        return x - x * x * x / 3.0;
    }
    const double e = synthExp(2.0 * x);
    return (e - 1.0) / (e + 1.0);
}
