#include "platform/CanvasSize.h"

#include <algorithm>
#include <cstdint>

namespace {

// Reads decimal digits from text up to stop; false when there are none, there
// is anything else, or the number passes limit.
bool readSide(const char*& text, char stop, int limit, int& side) {
    int64_t value = 0;
    const char* start = text;
    for (; *text != stop; ++text) {
        if (*text < '0' || *text > '9') {
            return false;
        }
        value = value * 10 + (*text - '0');
        if (value > limit) {
            return false;
        }
    }
    side = static_cast<int>(value);
    return text != start;
}

}  // namespace

bool parseCanvasSize(const char* text, CanvasSize& size) {
    CanvasSize read;
    if (text == nullptr || !readSide(text, 'x', kMaxCanvasSide, read.width)) {
        return false;
    }
    ++text;
    if (!readSide(text, '\0', kMaxCanvasSide, read.height)) {
        return false;
    }
    if (read.width < kMinCanvasSide || read.height < kMinCanvasSide) {
        return false;
    }
    size = read;
    return true;
}

CanvasSize largestLayoutFit(int width, int height) {
    // Whole steps of the layout's 4 x 3, so the shape is exact.
    const int steps = std::max(0, std::min(width / 4, height / 3));
    return {4 * steps, 3 * steps};
}

CanvasSize fitWithin(CanvasSize size, int maxSide) {
    const int longer = std::max(size.width, size.height);
    if (longer <= maxSide || longer <= 0) {
        return size;
    }
    const auto scaled = [&](int side) {
        return static_cast<int>(static_cast<int64_t>(side) * maxSide / longer);
    };
    return {scaled(size.width), scaled(size.height)};
}
