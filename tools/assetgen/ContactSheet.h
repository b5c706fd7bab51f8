#pragma once
// A review sheet: the ten generated images side by side, each labelled with
// its file name and size, transparent ones over a checkerboard. Opens its own
// Fonts, so any one thread may make it.
#include <string>

// Reads root/data/tex/* and writes the sheet as a PNG to outPath; false when
// an image is missing or the sheet cannot be written.
bool writeContactSheet(const std::string& root, const std::string& outPath);
