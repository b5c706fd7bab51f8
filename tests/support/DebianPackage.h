#pragma once
// Real files that nobody here wrote, for the tests that decode them: a Debian
// package fetched with apt-get download (at most two minutes) and unpacked once
// into a cache under the build folder, shared safely by test processes running
// side by side.
#include <string>

// The folder the package's files matching pattern were unpacked into (their
// paths inside the package below it, e.g. usr/share/...), or "" when the
// package cannot be had (no network, no such package, time-out).
std::string debianPackageFolder(const std::string& package, const std::string& pattern = "*");
