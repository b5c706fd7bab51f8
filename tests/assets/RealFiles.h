#pragma once
// Image files that nobody here wrote, taken from Debian packages at test time:
// `apt-get download` and `dpkg-deb -x` into a cache beside the test binary
// (inside the build folder, never committed). Tests skip when it fails.
#include <cstdint>
#include <string>
#include <vector>

namespace assettest {

// The folder holding the unpacked files of package (only those whose paths
// match pattern, when one is given), or "" when it cannot be fetched.
std::string unpackedPackage(const std::string& package, const std::string& pattern = "");

// Every regular file below folder whose name ends in suffix, sorted.
std::vector<std::string> filesBelow(const std::string& folder, const std::string& suffix);

// libpng's own decode of a PNG to 8-bit RGBA (its simplified interface), rows top first.
bool referencePngRgba(const std::string& path, int& width, int& height, std::vector<uint8_t>& rgba);

}  // namespace assettest
