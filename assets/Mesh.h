#pragma once
// Indexed triangle meshes read from .ebr files, with smooth vertex normals,
// drawn through client-side vertex arrays. Loading makes no GL calls; draw and
// the sphere-map switches need the window's GL context current.
#include <cstdint>
#include <memory>

// One indexed triangle mesh. The four arrays are separate, packed and exactly
// sized so that each goes to GL as a client array with stride 0.
struct SubMesh {
    int32_t vertexCount = 0;
    int32_t faceCount = 0;
    std::unique_ptr<float[]> positions;  // vertexCount x (x, y, z)
    std::unique_ptr<float[]> normals;    // vertexCount x (x, y, z), unit length
    std::unique_ptr<float[]> texCoords;  // vertexCount x (s, t)
    std::unique_ptr<int32_t[]> faces;    // faceCount x (i0, i1, i2), zero-based

    // A SubMesh with both counts stored and the four arrays allocated, contents unset;
    // null when a count is negative or the memory cannot be had.
    static std::unique_ptr<SubMesh> allocate(int32_t vertexCount, int32_t faceCount);

    // Derives normals from positions and faces: area-weighted sum, normalised.
    // A vertex with no non-degenerate face ends with not-a-number components.
    // Allocates nothing.
    void computeNormals();
};

// A three-component vector of 32-bit floats.
struct Vec3 {
    float x = 0, y = 0, z = 0;
};

// Right-handed cross product u x v.
Vec3 cross(Vec3 u, Vec3 v);

// The contents of one .ebr file: its SubMeshes in file order.
class Mesh {
public:
    // Reads the file and derives normals. A missing file shows "Error: .ebr file
    // not found"; a damaged one "Error: .ebr file is damaged" (caption: the path)
    // and keeps only the SubMeshes read whole before the damage.
    explicit Mesh(const char* path);
    // No SubMeshes: for reading a file into with readEbr.
    Mesh() = default;

    // Draws every SubMesh with one glDrawElements each; leaves the vertex, normal
    // and texture-coordinate arrays disabled and sets no other state.
    void draw() const;

    // Recomputes the normals of every SubMesh in order.
    void computeNormals();

    int32_t subMeshCount = 0;
    std::unique_ptr<std::unique_ptr<SubMesh>[]> subMeshes;
};

// Switches sphere-map generation of s and t on.
void enableSphereMap();

// Switches s and t generation off; the generation mode stays sphere map.
void disableSphereMap();
