#pragma once
// Scalar maths shared across the asset generator. Pure functions.

// The one pi of the asset generator: doubles for the synthesizer, and the same
// value rounded once to float for the images and meshes, whose arithmetic is
// in float throughout.
constexpr double kPi = 3.14159265358979323846;
constexpr float kPiFloat = static_cast<float>(kPi);

// x clamped to [lo, hi].
float clampf(float x, float lo, float hi);
// Smooth Hermite step of x between edges e0 and e1.
float smoothstep(float e0, float e1, float x);
