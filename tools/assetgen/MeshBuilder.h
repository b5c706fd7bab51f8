#pragma once
// Helpers that build closed triangle meshes as EbrSubMesh arrays: swept tubes
// and surfaces of revolution with capped ends, and outward orientation by
// signed volume. Pure arithmetic, no GL, no shared state.
#include "assets/EbrWriter.h"
#include "assets/Mesh.h"

#include <functional>

// Vec3 arithmetic for mesh building (the cross product is assets' cross).
Vec3 operator+(Vec3 a, Vec3 b);
Vec3 operator-(Vec3 a, Vec3 b);
Vec3 operator*(Vec3 a, float s);
float dot(Vec3 a, Vec3 b);
Vec3 normalised(Vec3 a);

// One cross-section of a sweep: an ellipse with half-axes radiusU along u and
// radiusV along v around centre, u and v unit and perpendicular.
struct SweepRing {
    Vec3 centre, u, v;
    float radiusU = 1, radiusV = 1;
};

// Appends a vertex with position p and texture coordinate (s, t); returns its index.
int32_t addVertex(EbrSubMesh& mesh, Vec3 p, float s, float t);
// Appends the triangle (a, b, c).
void addTriangle(EbrSubMesh& mesh, int32_t a, int32_t b, int32_t c);

// Appends a closed tube through rings (at least two), segments vertices per ring,
// each end closed by a fan around the end ring's centre moved by capOffset along
// the tube; faces wound outward. Texture s runs around, t along.
void appendSweep(EbrSubMesh& mesh, const std::vector<SweepRing>& rings, int segments,
                 float startCapOffset, float endCapOffset);

// Rings that follow a path of centres with radii from radius(f), f from 0 at
// the first centre to 1 at the last; frames turn with the path (parallel transport).
std::vector<SweepRing> ringsAlong(const std::vector<Vec3>& path,
                                  const std::function<float(float)>& radius, float flattenV);

// Signed volume enclosed by the faces (positive when they are wound outward).
double signedVolume(const EbrSubMesh& mesh, size_t firstFace = 0);

// Reverses the winding of faces from firstFace on when they enclose negative volume.
void orientOutward(EbrSubMesh& mesh, size_t firstFace = 0);
