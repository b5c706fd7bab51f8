#pragma once
// The plan of a sea turtle's carapace, shared by the shell mesh (raised plates)
// and its texture green.png (plates, growth rings, seams), so that texture and
// relief line up; and the plan of its underside, the plastron. Plan coordinates: X across, Z along (head at +Z), both in
// [-1, 1]; one plan unit is 60 mesh units. Pure functions.

// Where a plan point falls among the scutes.
struct ScuteSample {
    int id;             // 0-12 the central plates, 13 and up the marginals
    float seamDistance;  // plan units to the nearest seam between plates or the outline
    float radius;        // 0 at the centre, 1 on the outline
    float centreX, centreZ;  // the plate's growth centre in plan units
};

// Distance from the centre to the outline of the carapace in direction angle
// (radians; 0 is +X, pi/2 is +Z, the head).
float carapaceOutline(float angle);

// The scute under plan point (x, z); points beyond the outline report the
// nearest marginal with radius above 1.
ScuteSample scuteAt(float x, float z);

// Where the marginal ring starts, as a fraction of the outline radius.
const float kMarginalStart = 0.82f;

// Where a plan point of the underside falls. The underside is symmetric about
// the centre line, so only |x| matters.
struct PlastronSample {
    int region;          // 0 plastron plates, 1 bridge plates, 2 skin by the flippers, 3 the marginals' undersides
    int id;              // the plate within its region (pairs share an id)
    float seamDistance;  // plan units to the nearest seam (large on skin)
    float radius;        // 0 at the centre, 1 on the outline
};

PlastronSample plastronAt(float x, float z);

// green.png keeps the underside's paint in two mirrored strips along its left
// and right edges, beyond the carapace's plan view: half the underside, with
// |x| from 0 to kPlastronReach across kPlastronStrip of the texture's width
// from the edge inward (the centre seam on the edge) and t as in the plan view.
const float kPlastronStrip = 36.0f / 512.0f;
const float kPlastronReach = 0.82f;
