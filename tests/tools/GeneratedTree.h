#pragma once
// Generated files for the tools tests, made on demand into a temporary folder
// that lives as long as the test process. ctest runs every test in a process
// of its own, so each test makes only the files it reads.
#include <string>
#include <vector>

// Path of one file of the data/ tree (such as "data/obj/test.ebr"), written by
// its generator on first use in this process; empty when no generator has it.
std::string generatedFile(const std::string& relativePath);

// A fresh empty folder under the process's temporary folder, removed with it.
std::string scratchFolder(const std::string& name);

// Whole contents of a file; empty when it cannot be read.
std::vector<unsigned char> fileBytes(const std::string& path);
