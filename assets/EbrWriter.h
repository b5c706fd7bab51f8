#pragma once
// Writes meshes in the .ebr format that Mesh reads: little-endian int32 counts,
// then per SubMesh a header, its name, 20-byte vertex records and 12-byte faces.
// Used by the asset generator and by tests; makes no GL calls.
#include <cstdint>
#include <string>
#include <vector>

// One SubMesh as plain arrays: 3 floats per vertex position, 2 per texture
// coordinate, 3 vertex indices per triangle (counter-clockwise seen from outside).
struct EbrSubMesh {
    std::string name;
    std::vector<float> positions;
    std::vector<float> texCoords;
    std::vector<int32_t> faces;
};

// The whole file's bytes for these SubMeshes, in order.
std::vector<uint8_t> encodeEbr(const std::vector<EbrSubMesh>& subMeshes);

// Writes encodeEbr's bytes to path; false when the file cannot be written.
bool writeEbr(const char* path, const std::vector<EbrSubMesh>& subMeshes);
