#pragma once
// The one pi of the asset generator: doubles for the synthesizer, and the same
// value rounded once to float for the images and meshes, whose arithmetic is
// in float throughout.
constexpr double kPi = 3.14159265358979323846;
constexpr float kPiFloat = static_cast<float>(kPi);
