#include "tools/assetgen/Meshes.h"

#include "tools/assetgen/AssetMath.h"
#include "tools/assetgen/MeshBuilder.h"

#include <cmath>
#include <cstdint>
#include <map>
#include <utility>

namespace {


Vec3 vertexOf(const EbrSubMesh& mesh, int32_t i) {
    return {mesh.positions[i * 3], mesh.positions[i * 3 + 1], mesh.positions[i * 3 + 2]};
}

// The index of the vertex halfway between a and b on the unit sphere, made once per edge.
int32_t midpoint(EbrSubMesh& mesh, std::map<std::pair<int32_t, int32_t>, int32_t>& cache,
                 int32_t a, int32_t b) {
    auto key = std::make_pair(std::min(a, b), std::max(a, b));
    auto found = cache.find(key);
    if (found != cache.end()) {
        return found->second;
    }
    Vec3 m = normalised(vertexOf(mesh, a) + vertexOf(mesh, b));
    int32_t index = addVertex(mesh, m, 0, 0);
    cache.emplace(key, index);
    return index;
}

void addIcosahedron(EbrSubMesh& mesh) {
    const float g = (1.0f + std::sqrt(5.0f)) * 0.5f;
    const float corners[12][3] = {{-1, g, 0}, {1, g, 0}, {-1, -g, 0}, {1, -g, 0},
                                  {0, -1, g}, {0, 1, g}, {0, -1, -g}, {0, 1, -g},
                                  {g, 0, -1}, {g, 0, 1}, {-g, 0, -1}, {-g, 0, 1}};
    for (const auto& c : corners) {
        addVertex(mesh, normalised({c[0], c[1], c[2]}), 0, 0);
    }
    const int32_t faces[20][3] = {{0, 11, 5}, {0, 5, 1},  {0, 1, 7},   {0, 7, 10}, {0, 10, 11},
                                  {1, 5, 9},  {5, 11, 4}, {11, 10, 2}, {10, 7, 6}, {7, 1, 8},
                                  {3, 9, 4},  {3, 4, 2},  {3, 2, 6},   {3, 6, 8},  {3, 8, 9},
                                  {4, 9, 5},  {2, 4, 11}, {6, 2, 10},  {8, 6, 7},  {9, 8, 1}};
    for (const auto& f : faces) {
        addTriangle(mesh, f[0], f[1], f[2]);
    }
}

}  // namespace

std::vector<EbrSubMesh> makeGeodesicSphere(float radius, int subdivisions) {
    EbrSubMesh mesh;
    mesh.name = "hisphere";
    addIcosahedron(mesh);
    for (int level = 0; level < subdivisions; ++level) {
        std::vector<int32_t> old;
        old.swap(mesh.faces);
        std::map<std::pair<int32_t, int32_t>, int32_t> cache;
        for (size_t f = 0; f < old.size(); f += 3) {
            int32_t a = old[f], b = old[f + 1], c = old[f + 2];
            int32_t ab = midpoint(mesh, cache, a, b), bc = midpoint(mesh, cache, b, c);
            int32_t ca = midpoint(mesh, cache, c, a);
            addTriangle(mesh, a, ab, ca);
            addTriangle(mesh, b, bc, ab);
            addTriangle(mesh, c, ca, bc);
            addTriangle(mesh, ab, bc, ca);
        }
    }
    for (size_t v = 0; v < mesh.positions.size() / 3; ++v) {
        Vec3 n = vertexOf(mesh, static_cast<int32_t>(v));
        mesh.texCoords[v * 2] = 0.5f + std::atan2(n.z, n.x) / (2.0f * kPiFloat);
        mesh.texCoords[v * 2 + 1] = std::acos(std::fmax(-1.0f, std::fmin(1.0f, n.y))) / kPiFloat;
        for (int c = 0; c < 3; ++c) {
            mesh.positions[v * 3 + c] *= radius;
        }
    }
    orientOutward(mesh);
    return {mesh};
}

namespace {

// Appends one flat convex polygon (corners in any order around it) as a fan,
// wound to face away from the origin, with texture coordinates projected along
// its dominant axis.
void addFacet(EbrSubMesh& mesh, const std::vector<Vec3>& corners, float side) {
    Vec3 centre{0, 0, 0};
    for (const Vec3& c : corners) {
        centre = centre + c;
    }
    centre = centre * (1.0f / corners.size());
    Vec3 n = cross(corners[1] - corners[0], corners[2] - corners[0]);
    bool flip = dot(n, centre) < 0;
    Vec3 a{std::fabs(centre.x), std::fabs(centre.y), std::fabs(centre.z)};
    int32_t base = static_cast<int32_t>(mesh.positions.size() / 3);
    for (const Vec3& c : corners) {
        float s = a.x >= a.y && a.x >= a.z ? c.z : c.x;
        float t = a.y >= a.x && a.y >= a.z ? c.z : c.y;
        addVertex(mesh, c, s / side + 0.5f, t / side + 0.5f);
    }
    for (size_t i = 1; i + 1 < corners.size(); ++i) {
        int32_t b = base + static_cast<int32_t>(i), c = b + 1;
        if (flip) {
            std::swap(b, c);
        }
        addTriangle(mesh, base, b, c);
    }
}

Vec3 axisPoint(int axis, float along, float first, float second) {
    float v[3];
    v[axis] = along;
    v[(axis + 1) % 3] = first;
    v[(axis + 2) % 3] = second;
    return {v[0], v[1], v[2]};
}

}  // namespace

std::vector<EbrSubMesh> makeChamferBox(float side, float chamfer) {
    EbrSubMesh mesh;
    mesh.name = "chamferbox";
    const float h = side * 0.5f, in = h - chamfer;
    for (int axis = 0; axis < 3; ++axis) {
        for (float s : {-1.0f, 1.0f}) {
            // The main face, inset by the chamfer on all four sides; corners in order.
            addFacet(mesh, {axisPoint(axis, s * h, -in, -in), axisPoint(axis, s * h, in, -in),
                            axisPoint(axis, s * h, in, in), axisPoint(axis, s * h, -in, in)}, side);
            // The chamfer strip along the edge between this face and the next axis' faces.
            for (float t : {-1.0f, 1.0f}) {
                addFacet(mesh, {axisPoint(axis, s * h, t * in, -in), axisPoint(axis, s * h, t * in, in),
                                axisPoint(axis, s * in, t * h, in), axisPoint(axis, s * in, t * h, -in)},
                         side);
            }
        }
    }
    for (float x : {-1.0f, 1.0f}) {
        for (float y : {-1.0f, 1.0f}) {
            for (float z : {-1.0f, 1.0f}) {
                addFacet(mesh, {{x * h, y * in, z * in}, {x * in, y * h, z * in}, {x * in, y * in, z * h}},
                         side);
            }
        }
    }
    return {mesh};
}

std::vector<EbrSubMesh> makeTestMesh() {
    EbrSubMesh pyramid;
    pyramid.name = "pyramid";
    // The origin lies inside, so addFacet turns every facet outward.
    const Vec3 apex{0, 30, 0};
    const Vec3 base[4] = {{-30, -10, -30}, {30, -10, -30}, {30, -10, 30}, {-30, -10, 30}};
    addFacet(pyramid, {base[0], base[1], base[2], base[3]}, 60.0f);
    for (int i = 0; i < 4; ++i) {
        addFacet(pyramid, {base[i], base[(i + 1) % 4], apex}, 60.0f);
    }
    EbrSubMesh torus;
    torus.name = "torus";
    const int rings = 32, segments = 16;
    for (int i = 0; i < rings; ++i) {
        float a = 2 * kPiFloat * i / rings;
        for (int j = 0; j < segments; ++j) {
            float b = 2 * kPiFloat * j / segments;
            float r = 30 + 10 * std::cos(b);
            addVertex(torus, {r * std::cos(a), 10 * std::sin(b), r * std::sin(a)},
                      static_cast<float>(i) / rings, static_cast<float>(j) / segments);
        }
    }
    for (int i = 0; i < rings; ++i) {
        for (int j = 0; j < segments; ++j) {
            int32_t a = i * segments + j, b = ((i + 1) % rings) * segments + j;
            int32_t c = ((i + 1) % rings) * segments + (j + 1) % segments, d = i * segments + (j + 1) % segments;
            addTriangle(torus, a, b, c);
            addTriangle(torus, a, c, d);
        }
    }
    orientOutward(torus);
    return {pyramid, torus};
}
