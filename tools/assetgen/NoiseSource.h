#pragma once
// xorshift32 white noise for the soundtrack: a fixed seed gives the same
// sequence on every machine. A plain value; one per voice, any thread.
#include <cstdint>

class NoiseSource {
public:
    // A zero seed (which xorshift would never leave) is replaced by a fixed one.
    explicit NoiseSource(std::uint32_t seed) : state(seed ? seed : 0x9e3779b9u) {}
    // Next sample, uniform in [-1, 1).
    float next();

private:
    std::uint32_t state;
};
