#pragma once
// A swimming sea turtle as a signed distance field, for ray-marching the
// photograph. Body frame: +z forward (head), +y up, +x the turtle's left; the
// carapace is about 2 units long. Pure functions, safe on any thread.
#include "tools/assetgen/MeshBuilder.h"

// What a body point is made of, for shading.
enum class TurtlePart { carapace, plastron, skin, eye };

struct TurtleDistance {
    float distance;  // a lower bound of the distance to the surface (negative inside)
    TurtlePart part;
};

// Distance from body-frame point p to the turtle, with the nearest part.
TurtleDistance turtleDistance(Vec3 p);

// Plan coordinates (as ScuteLayout uses them) of a body-frame point on the carapace.
void carapacePlan(Vec3 p, float& planX, float& planZ);
