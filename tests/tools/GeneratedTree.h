#pragma once
// The generated data/ tree (images and meshes, no soundtrack), made once per
// test binary into a temporary folder and shared by the tools tests.
#include <string>
#include <vector>

// Root of a tree written by generateAssets with two threads; generated on first use.
const std::string& generatedRoot();

// Root of a second, independent tree written with one thread; generated on first use.
const std::string& secondGeneratedRoot();

// Whole contents of a file; empty when it cannot be read.
std::vector<unsigned char> fileBytes(const std::string& path);
