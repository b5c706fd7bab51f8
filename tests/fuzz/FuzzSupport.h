#pragma once
// Small helpers shared by the fuzz targets: reading fuzz bytes as a stream, and
// writing seed files into the folder a target is told of at start.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace fuzz {

// A read-only stream over the bytes (an empty one reads as at its end); close with fclose.
std::FILE* openBytes(const uint8_t* data, size_t size);

// The folder named by the environment variable, or "" when it is unset.
std::string seedFolder(const char* variable);

// Writes bytes to folder/name.
void writeSeed(const std::string& folder, const std::string& name, const std::vector<uint8_t>& bytes);

}  // namespace fuzz
