#include "web/gl/MipmapChain.h"

#include <algorithm>
#include <cmath>

int gluNearestPower(int side) {
    if (side < 1) {
        return 0;
    }
    // Walk down to the two highest bits: "1" keeps the power, "11" rounds up.
    int power = 1;
    unsigned value = unsigned(side);
    for (;;) {
        if (value == 1) {
            return power;
        }
        if (value == 3) {
            return power * 4;
        }
        value >>= 1;
        power *= 2;
    }
}

namespace {

// Moves a box along one axis by one output texel: its high edge becomes its low
// edge, and the high edge advances by the step, integer and fraction apart as GLU
// keeps them.
void nextBox(int& low, float& lowFrac, int& high, float& highFrac, int stepInt, float stepFrac) {
    low = high;
    lowFrac = highFrac;
    high += stepInt;
    highFrac += stepFrac;
    if (highFrac > 1) {
        highFrac -= 1.0f;
        ++high;
    }
}

// Area-weighted box filter from (inW, inH) to (outW, outH), with GLU's running
// integer and fractional box edges in float.
MipLevel scaleBox(const uint8_t* in, int inW, int inH, int comps, int stride, int outW, int outH) {
    MipLevel out;
    out.width = outW;
    out.height = outH;
    out.bytes.resize(size_t(outW) * outH * comps);
    const float convY = float(inH) / float(outH);
    const float convX = float(inW) / float(outW);
    const int convYInt = int(std::floor(convY)), convXInt = int(std::floor(convX));
    const float convYFrac = convY - float(convYInt), convXFrac = convX - float(convXInt);
    const float area = convX * convY;
    // GLU clamps only the box's rows: a box edge at x = inW reads on into the
    // next row, and past the image's end on its last row, always with weight
    // 0 there. That read past the end is answered with 0 instead of made.
    const size_t inBytes = size_t(inH - 1) * stride + size_t(inW) * comps;
    auto px = [&](int x, int y, int k) {
        const size_t at = size_t(y) * stride + size_t(x) * comps + k;
        return at < inBytes ? float(in[at]) : 0.0f;
    };

    int lowY = 0, highY = convYInt;
    float lowYF = 0, highYF = convYFrac;
    for (int i = 0; i < outH; ++i) {
        if (highY >= inH) {
            highY = inH - 1;
        }
        int lowX = 0, highX = convXInt;
        float lowXF = 0, highXF = convXFrac;
        for (int j = 0; j < outW; ++j) {
            float totals[4] = {0, 0, 0, 0};
            for (int k = 0; k < comps && k < 4; ++k) {
                float t = 0;
                if (highY > lowY && highX > lowX) {
                    float yp = 1 - lowYF;
                    t += px(lowX, lowY, k) * yp * (1 - lowXF);
                    for (int l = lowX + 1; l < highX; ++l) t += px(l, lowY, k) * yp;
                    t += px(highX, lowY, k) * yp * highXF;
                    yp = highYF;
                    t += px(lowX, highY, k) * yp * (1 - lowXF);
                    for (int l = lowX + 1; l < highX; ++l) t += px(l, highY, k) * yp;
                    t += px(highX, highY, k) * yp * highXF;
                    for (int m = lowY + 1; m < highY; ++m) {
                        t += px(lowX, m, k) * (1 - lowXF) + px(highX, m, k) * highXF;
                    }
                } else if (highY > lowY) {
                    const float xp = highXF - lowXF;
                    t += px(lowX, lowY, k) * (1 - lowYF) * xp;
                    for (int m = lowY + 1; m < highY; ++m) t += px(lowX, m, k) * xp;
                    t += px(lowX, highY, k) * xp * highYF;
                } else if (highX > lowX) {
                    const float yp = highYF - lowYF;
                    t += px(lowX, lowY, k) * (1 - lowXF) * yp;
                    for (int l = lowX + 1; l < highX; ++l) t += px(l, lowY, k) * yp;
                    t += px(highX, lowY, k) * yp * highXF;
                } else {
                    t += px(lowX, lowY, k) * (highYF - lowYF) * (highXF - lowXF);
                }
                for (int m = lowY + 1; m < highY; ++m) {
                    for (int l = lowX + 1; l < highX; ++l) t += px(l, m, k);
                }
                totals[k] = t;
            }
            for (int k = 0; k < comps; ++k) {
                out.bytes[(size_t(i) * outW + j) * comps + k] = uint8_t(totals[k < 4 ? k : 3] / area);
            }
            nextBox(lowX, lowXF, highX, highXF, convXInt, convXFrac);
        }
        nextBox(lowY, lowYF, highY, highYF, convYInt, convYFrac);
    }
    return out;
}

// The next level: rounded means of 2 x 2 blocks, or truncated means of pairs
// once a side is 1, as GLU's one-dimensional halving does.
MipLevel halve(const MipLevel& in, int comps) {
    MipLevel out;
    out.width = in.width > 1 ? in.width / 2 : 1;
    out.height = in.height > 1 ? in.height / 2 : 1;
    out.bytes.resize(size_t(out.width) * out.height * comps);
    auto at = [&](int x, int y, int k) { return unsigned(in.bytes[(size_t(y) * in.width + x) * comps + k]); };
    for (int y = 0; y < out.height; ++y) {
        for (int x = 0; x < out.width; ++x) {
            for (int k = 0; k < comps; ++k) {
                unsigned value;
                if (in.width > 1 && in.height > 1) {
                    value = (at(2 * x, 2 * y, k) + at(2 * x + 1, 2 * y, k) + at(2 * x, 2 * y + 1, k) +
                             at(2 * x + 1, 2 * y + 1, k) + 2) / 4;
                } else if (in.width > 1) {
                    value = (at(2 * x, y, k) + at(2 * x + 1, y, k)) / 2;
                } else {
                    value = (at(x, 2 * y, k) + at(x, 2 * y + 1, k)) / 2;
                }
                out.bytes[(size_t(y) * out.width + x) * comps + k] = uint8_t(value);
            }
        }
    }
    return out;
}

}  // namespace

std::vector<MipLevel> buildMipChain(const uint8_t* source, int width, int height, int components,
                                    int rowStrideBytes, int maxSide) {
    std::vector<MipLevel> levels;
    if (width < 1 || height < 1 || components < 1 || source == nullptr) {
        return levels;
    }
    int baseW = gluNearestPower(width), baseH = gluNearestPower(height);
    while (maxSide > 0 && (baseW > maxSide || baseH > maxSide)) {
        baseW = baseW > 1 ? baseW / 2 : 1;
        baseH = baseH > 1 ? baseH / 2 : 1;
    }
    if ((baseW == width && baseH == height) || (width == 2 * baseW && height == 2 * baseH)) {
        MipLevel base;
        base.width = width;
        base.height = height;
        base.bytes.resize(size_t(width) * height * components);
        for (int y = 0; y < height; ++y) {
            const uint8_t* row = source + size_t(y) * rowStrideBytes;
            std::copy(row, row + size_t(width) * components, base.bytes.begin() + size_t(y) * width * components);
        }
        levels.push_back(baseW == width ? std::move(base) : halve(base, components));
    } else {
        levels.push_back(scaleBox(source, width, height, components, rowStrideBytes, baseW, baseH));
    }
    while (levels.back().width > 1 || levels.back().height > 1) {
        levels.push_back(halve(levels.back(), components));
    }
    return levels;
}
