#pragma once
// Deterministic hash noise for procedural images and meshes: the same inputs
// give the same values on every run and machine (integer hashing, no clock,
// no library random generators). Pure functions, safe on any thread.
#include <cstdint>

// A well-mixed 32-bit hash of three integers and a seed.
uint32_t hash3(int32_t x, int32_t y, int32_t z, uint32_t seed);
// A value in [0, 1) from hash3.
float hashUnit(int32_t x, int32_t y, int32_t z, uint32_t seed);
// Smoothly interpolated value noise in [0, 1] at (x, y).
float valueNoise(float x, float y, uint32_t seed);
// Sum of octaves of value noise, normalised to [0, 1].
float fractalNoise(float x, float y, int octaves, uint32_t seed);
// Value noise that wraps with the given integer period along x and y, for tiling images.
float tiledNoise(float x, float y, int period, uint32_t seed);
// Distance to the nearest and second-nearest feature point of a Worley
// (cellular) pattern with one jittered point per unit cell; also the cell id.
struct CellSample {
    float nearest;
    float second;
    int32_t cellX, cellY;
};
CellSample cellNoise(float x, float y, uint32_t seed);
