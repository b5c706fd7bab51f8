#include "tools/assetgen/MeshBuilder.h"

#include <algorithm>
#include <cmath>

Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 operator*(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
float dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3 normalised(Vec3 a) {
    float len = std::sqrt(dot(a, a));
    return len > 0 ? a * (1.0f / len) : Vec3{0, 0, 1};
}

int32_t addVertex(EbrSubMesh& mesh, Vec3 p, float s, float t) {
    int32_t index = static_cast<int32_t>(mesh.positions.size() / 3);
    mesh.positions.insert(mesh.positions.end(), {p.x, p.y, p.z});
    mesh.texCoords.insert(mesh.texCoords.end(), {s, t});
    return index;
}

void addTriangle(EbrSubMesh& mesh, int32_t a, int32_t b, int32_t c) {
    mesh.faces.insert(mesh.faces.end(), {a, b, c});
}

void appendSweep(EbrSubMesh& mesh, const std::vector<SweepRing>& rings, int segments,
                 float startCapOffset, float endCapOffset) {
    const size_t firstFace = mesh.faces.size() / 3;
    const int32_t base = static_cast<int32_t>(mesh.positions.size() / 3);
    const int ringCount = static_cast<int>(rings.size());
    for (int i = 0; i < ringCount; ++i) {
        const SweepRing& r = rings[i];
        for (int j = 0; j < segments; ++j) {
            float a = 6.2831853f * j / segments;
            Vec3 p = r.centre + r.u * (std::cos(a) * r.radiusU) + r.v * (std::sin(a) * r.radiusV);
            addVertex(mesh, p, static_cast<float>(j) / segments, static_cast<float>(i) / (ringCount - 1));
        }
    }
    auto at = [&](int i, int j) { return base + i * segments + (j % segments); };
    for (int i = 0; i + 1 < ringCount; ++i) {
        for (int j = 0; j < segments; ++j) {
            addTriangle(mesh, at(i, j), at(i, j + 1), at(i + 1, j + 1));
            addTriangle(mesh, at(i, j), at(i + 1, j + 1), at(i + 1, j));
        }
    }
    Vec3 startAxis = normalised(rings[0].centre - rings[1].centre);
    Vec3 endAxis = normalised(rings[ringCount - 1].centre - rings[ringCount - 2].centre);
    int32_t start = addVertex(mesh, rings[0].centre + startAxis * startCapOffset, 0.5f, 0.0f);
    int32_t end = addVertex(mesh, rings[ringCount - 1].centre + endAxis * endCapOffset, 0.5f, 1.0f);
    for (int j = 0; j < segments; ++j) {
        addTriangle(mesh, start, at(0, j + 1), at(0, j));
        addTriangle(mesh, end, at(ringCount - 1, j), at(ringCount - 1, j + 1));
    }
    orientOutward(mesh, firstFace);
}

std::vector<SweepRing> ringsAlong(const std::vector<Vec3>& path,
                                  const std::function<float(float)>& radius, float flattenV) {
    std::vector<SweepRing> rings;
    const size_t count = path.size();
    Vec3 tangent = normalised(path[1] - path[0]);
    Vec3 reference = std::fabs(tangent.y) < 0.9f ? Vec3{0, 1, 0} : Vec3{1, 0, 0};
    Vec3 u = normalised(cross(reference, tangent));
    for (size_t i = 0; i < count; ++i) {
        Vec3 next = path[std::min(i + 1, count - 1)];
        Vec3 prev = path[i == 0 ? 0 : i - 1];
        tangent = normalised(next - prev);
        // Parallel transport: remove the tangent part of the previous u.
        u = normalised(u - tangent * dot(u, tangent));
        Vec3 v = cross(tangent, u);
        float r = radius(count > 1 ? static_cast<float>(i) / (count - 1) : 0.0f);
        rings.push_back(SweepRing{path[i], u, v, r, r * flattenV});
    }
    return rings;
}

double signedVolume(const EbrSubMesh& mesh, size_t firstFace) {
    double volume = 0.0;
    auto p = [&](int32_t i) {
        return Vec3{mesh.positions[i * 3], mesh.positions[i * 3 + 1], mesh.positions[i * 3 + 2]};
    };
    for (size_t f = firstFace; f < mesh.faces.size() / 3; ++f) {
        Vec3 a = p(mesh.faces[f * 3]), b = p(mesh.faces[f * 3 + 1]), c = p(mesh.faces[f * 3 + 2]);
        volume += static_cast<double>(dot(a, cross(b, c))) / 6.0;
    }
    return volume;
}

void orientOutward(EbrSubMesh& mesh, size_t firstFace) {
    if (signedVolume(mesh, firstFace) >= 0.0) {
        return;
    }
    for (size_t f = firstFace; f < mesh.faces.size() / 3; ++f) {
        std::swap(mesh.faces[f * 3 + 1], mesh.faces[f * 3 + 2]);
    }
}
