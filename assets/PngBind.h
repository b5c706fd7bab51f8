#pragma once
// Reads a PNG file with libpng and uploads it as one GL texture in a single
// call, the way the small glpng library does for the textures of the demo.
// Needs a GL context current; leaves the new texture bound.

// mipmap argument: one level only, or a full chain built by GLU.
constexpr int PNG_NOMIPMAP = 0;
constexpr int PNG_BUILDMIPMAPS = -1;
// trans argument: keep the file's alpha channel when it has one, or drop it.
constexpr int PNG_ALPHA = -2;
constexpr int PNG_SOLID = -1;

// What the file held: its own size in pixels, bits per sample, and whether the
// uploaded texture has an alpha channel.
struct PngInfo {
    unsigned int width = 0;
    unsigned int height = 0;
    int depth = 0;
    int alpha = 0;
};

// Decodes path (top row to texture row 0, gamma-corrected for the screen, grey
// and palettes expanded to RGB or RGBA, 16-bit samples reduced to 8, sides
// scaled to powers of two by nearest neighbour) and uploads it into a new
// texture with the given wrap mode for s and t and the given filters. Pack and
// unpack alignment are restored afterwards. Returns the texture name, or 0 on
// any failure with no texture left behind; info (may be null) gets the size.
unsigned int pngBind(const char* path, int mipmap, int trans, PngInfo* info, int wrapst, int minfilter,
                     int magfilter);
