#include "web/gl/IndexPieces.h"

#include <algorithm>

namespace {

void finishPiece(const uint32_t* indices, size_t begin, size_t end, uint32_t low, uint32_t high,
                 std::vector<IndexPiece>& pieces) {
    if (begin == end) {
        return;
    }
    IndexPiece piece;
    piece.firstVertex = low;
    piece.vertexSpan = high - low + 1;
    piece.indices.reserve(end - begin);
    for (size_t i = begin; i < end; ++i) {
        if (indices[i] != UINT32_MAX) {
            piece.indices.push_back(uint16_t(indices[i] - low));
        }
    }
    pieces.push_back(std::move(piece));
}

}  // namespace

std::vector<IndexPiece> splitIntoPieces(const uint32_t* indices, size_t count, int verticesPerPrimitive,
                                        uint32_t maxSpan, size_t* droppedPrimitives) {
    std::vector<IndexPiece> pieces;
    size_t dropped = 0;
    const size_t step = verticesPerPrimitive > 0 ? size_t(verticesPerPrimitive) : 1;
    // Indices of dropped primitives are marked so finishPiece skips them.
    std::vector<uint32_t> kept(indices, indices + count - count % step);
    size_t begin = 0;
    uint32_t low = UINT32_MAX, high = 0;
    for (size_t p = 0; p < kept.size(); p += step) {
        const auto [primLow, primHigh] = std::minmax_element(kept.begin() + p, kept.begin() + p + step);
        if (uint64_t(*primHigh) - *primLow >= maxSpan) {
            std::fill(kept.begin() + p, kept.begin() + p + step, UINT32_MAX);
            ++dropped;
            continue;
        }
        const uint32_t newLow = std::min(low, *primLow), newHigh = std::max(high, *primHigh);
        if (low != UINT32_MAX && uint64_t(newHigh) - newLow >= maxSpan) {
            finishPiece(kept.data(), begin, p, low, high, pieces);
            begin = p;
            low = *primLow;
            high = *primHigh;
        } else {
            low = newLow;
            high = newHigh;
        }
    }
    if (low != UINT32_MAX) {
        finishPiece(kept.data(), begin, kept.size(), low, high, pieces);
    }
    if (droppedPrimitives != nullptr) {
        *droppedPrimitives = dropped;
    }
    return pieces;
}
