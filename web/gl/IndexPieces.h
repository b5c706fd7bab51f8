#pragma once
// Index narrowing for the browser's draw emulation, which reads indices as
// 16-bit: a list of 32-bit indices becomes pieces whose vertices lie in one
// window of at most 65,536 consecutive vertices, each with 16-bit indices
// relative to its window's first vertex. Whole primitives stay in one piece.
// Plain functions; any thread.
#include <cstddef>
#include <cstdint>
#include <vector>

struct IndexPiece {
    uint32_t firstVertex = 0;
    // Vertices the piece uses lie in [firstVertex, firstVertex + vertexSpan).
    uint32_t vertexSpan = 0;
    std::vector<uint16_t> indices;
};

constexpr uint32_t kMaxPieceSpan = 65536;

// Splits indices into pieces of whole primitives of verticesPerPrimitive indices
// (1 for lists that cannot be split). A primitive whose own vertices lie further
// apart than maxSpan is left out and counted in droppedPrimitives.
std::vector<IndexPiece> splitIntoPieces(const uint32_t* indices, size_t count, int verticesPerPrimitive,
                                        uint32_t maxSpan, size_t* droppedPrimitives);
