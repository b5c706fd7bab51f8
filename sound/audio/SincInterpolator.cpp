#include "sound/audio/SincInterpolator.h"

#include <array>
#include <cmath>

namespace {

constexpr int kHalf = SincInterpolator::kTaps / 2;
constexpr double kKaiserBeta = 9.0;

double besselI0(double x) {
    double sum = 1.0, term = 1.0;
    for (int k = 1; k < 30; ++k) {
        term *= (x / (2.0 * k)) * (x / (2.0 * k));
        sum += term;
    }
    return sum;
}

// weights[p][t]: the weight of frame position - kHalf + 1 + t at fraction p / kPhases.
using Table = std::array<std::array<float, SincInterpolator::kTaps>, SincInterpolator::kPhases + 1>;

Table buildTable() {
    Table table{};
    for (int p = 0; p <= SincInterpolator::kPhases; ++p) {
        double fraction = static_cast<double>(p) / SincInterpolator::kPhases;
        double sum = 0.0;
        for (int t = 0; t < SincInterpolator::kTaps; ++t) {
            double x = (t - kHalf + 1) - fraction;
            double argument = M_PI * x;
            double sinc = x == 0.0 ? 1.0 : std::sin(argument) / argument;
            double edge = x / kHalf;
            double window = std::fabs(edge) >= 1.0 ? 0.0 : besselI0(kKaiserBeta * std::sqrt(1.0 - edge * edge));
            table[p][t] = static_cast<float>(sinc * window);
            sum += table[p][t];
        }
        // Unity gain at 0 Hz for every fraction, so a slow drift of the fraction cannot be heard as a level change.
        for (float& weight : table[p]) {
            weight = static_cast<float>(weight / sum);
        }
    }
    return table;
}

const Table& weights() {
    static const Table table = buildTable();
    return table;
}

}  // namespace

void SincInterpolator::read(const float* frames, long long readyFrames, long long position, double fraction,
                            float& left, float& right) {
    const Table& table = weights();
    double scaled = fraction * kPhases;
    int phase = static_cast<int>(scaled);
    float blend = static_cast<float>(scaled - phase);
    const std::array<float, kTaps>& low = table[phase];
    const std::array<float, kTaps>& high = table[phase + 1];
    float sumLeft = 0.0f, sumRight = 0.0f;
    long long first = position - kHalf + 1;
    for (int t = 0; t < kTaps; ++t) {
        long long frame = first + t;
        if (frame < 0 || frame >= readyFrames) {
            continue;
        }
        float weight = low[t] + blend * (high[t] - low[t]);
        sumLeft += weight * frames[2 * frame];
        sumRight += weight * frames[2 * frame + 1];
    }
    left = sumLeft;
    right = sumRight;
}
