#pragma once
// Reads back PNG and JPEG files into a Canvas, for the contact sheet. Keeps no
// state; a damaged file gives false instead of ending the process.
#include "tools/assetgen/Canvas.h"

#include <string>

// Decodes a PNG (any colour type, to RGBA) or, by extension .jpg, a JPEG into
// canvas; false, with canvas untouched, when the file cannot be read.
bool loadImageFile(const std::string& path, Canvas& canvas);
