#pragma once
// The demo's meshes, built in code as EbrSubMesh arrays ready for writeEbr.
// Every surface is closed and wound counter-clockwise seen from outside.
#include "assets/EbrWriter.h"

#include <vector>

// A geodesic sphere: an icosahedron subdivided subdivisions times, projected to
// radius, vertices shared (10 * 4^n + 2 of them), texture from longitude/latitude.
std::vector<EbrSubMesh> makeGeodesicSphere(float radius, int subdivisions);

// A box of the given side with its twelve edges and eight corners cut at 45
// degrees by chamfer; flat facets, box-projected texture coordinates.
std::vector<EbrSubMesh> makeChamferBox(float side, float chamfer);

// A small two-part test model: SubMesh "pyramid" and SubMesh "torus".
std::vector<EbrSubMesh> makeTestMesh();

// A squid, about 150 units long along z: SubMeshes "mantle", "fins", "head" and "arms"
// (eight arms and two longer tentacles with clubs).
std::vector<EbrSubMesh> makeSquid();

// A sea turtle's shell about 120 units long (head towards +z), centred on the
// origin: domed carapace with raised scutes and a rim, flatter underside.
// Texture coordinates are the plan view that green.png is painted in.
std::vector<EbrSubMesh> makeTurtleShell();
