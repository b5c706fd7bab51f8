#pragma once
// The desktop icon: the demo's environment-mapped sphere (blue.png seen on a
// mirror ball) on a transparent square. Pure function of its size, so the
// bytes are the same every run.
#include "tools/assetgen/Canvas.h"

#include <string>

// Edge of the icon that desktop menus pick for hicolor/128x128.
constexpr int kIconSizePx = 128;

// sizePx x sizePx RGBA: a lit mirror ball reflecting the blue studio, clear
// outside the ball.
Canvas makeIcon(int sizePx);

// Writes makeIcon(kIconSizePx) as an RGBA PNG. When it cannot be written,
// says so on stderr with the path and returns false.
bool writeIcon(const std::string& path);
