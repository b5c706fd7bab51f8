#include "tools/assetgen/Text.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdlib>

namespace {

FT_Face asFace(void* face) { return static_cast<FT_Face>(face); }

}  // namespace

std::string Font::fontFolder() {
    const char* override = std::getenv("MORVEL_FONT_DIR");
    return override != nullptr ? override : "/usr/share/fonts/truetype/dejavu";
}

std::string Font::pathOf(FontFace face) {
    const std::string dir = fontFolder() + "/";
    switch (face) {
        case FontFace::sans: return dir + "DejaVuSans.ttf";
        case FontFace::sansLight: return dir + "DejaVuSans-ExtraLight.ttf";
        case FontFace::sansBold: return dir + "DejaVuSans-Bold.ttf";
        case FontFace::sansCondensedBold: return dir + "DejaVuSansCondensed-Bold.ttf";
        case FontFace::serifBold: return dir + "DejaVuSerif-Bold.ttf";
        case FontFace::serifItalic: return dir + "DejaVuSerif-Italic.ttf";
        case FontFace::monoBold: return dir + "DejaVuSansMono-Bold.ttf";
    }
    return dir + "DejaVuSans.ttf";
}

Font::Font(FontFace face, int pixelHeight) {
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0) {
        return;
    }
    ftLibrary = library;
    FT_Face opened = nullptr;
    if (FT_New_Face(library, pathOf(face).c_str(), 0, &opened) != 0) {
        return;
    }
    ftFace = opened;
    setPixelHeight(pixelHeight);
}

Font::~Font() {
    if (ftFace != nullptr) {
        FT_Done_Face(asFace(ftFace));
    }
    if (ftLibrary != nullptr) {
        FT_Done_FreeType(static_cast<FT_Library>(ftLibrary));
    }
}

void Font::setPixelHeight(int pixelHeight) {
    if (ftFace != nullptr) {
        FT_Set_Pixel_Sizes(asFace(ftFace), 0, pixelHeight);
    }
}

float Font::measure(const std::string& text, float tracking) const {
    if (ftFace == nullptr) {
        return 0.0f;
    }
    FT_Face face = asFace(ftFace);
    float width = 0.0f;
    for (unsigned char c : text) {
        if (FT_Load_Char(face, c, FT_LOAD_DEFAULT) != 0) {
            continue;
        }
        width += face->glyph->advance.x / 64.0f + tracking;
    }
    return text.empty() ? 0.0f : width - tracking;
}

float Font::draw(Canvas& canvas, const std::string& text, float x, float baselineY,
                 const Rgba& colour, float tracking) const {
    if (ftFace == nullptr) {
        return 0.0f;
    }
    FT_Face face = asFace(ftFace);
    float pen = x;
    for (unsigned char c : text) {
        if (FT_Load_Char(face, c, FT_LOAD_RENDER) != 0) {
            continue;
        }
        const FT_GlyphSlot g = face->glyph;
        const FT_Bitmap& bm = g->bitmap;
        int left = static_cast<int>(pen + 0.5f) + g->bitmap_left;
        int top = static_cast<int>(baselineY + 0.5f) - g->bitmap_top;
        for (unsigned row = 0; row < bm.rows; ++row) {
            for (unsigned col = 0; col < bm.width; ++col) {
                unsigned char v = bm.buffer[row * bm.pitch + col];
                if (v != 0) {
                    canvas.blend(left + col, top + row, colour, v / 255.0f);
                }
            }
        }
        pen += g->advance.x / 64.0f + tracking;
    }
    return pen - x;
}

void Font::drawCentred(Canvas& canvas, const std::string& text, float cx, float baselineY,
                       const Rgba& colour, float tracking) const {
    draw(canvas, text, cx - measure(text, tracking) * 0.5f, baselineY, colour, tracking);
}

std::vector<std::string> Font::missingFiles() {
    std::vector<std::string> missing;
    for (FontFace face : {FontFace::sans, FontFace::sansLight, FontFace::sansBold, FontFace::sansCondensedBold,
                          FontFace::serifBold, FontFace::serifItalic, FontFace::monoBold}) {
        if (!Font(face, 12).ok()) {
            missing.push_back(pathOf(face));
        }
    }
    return missing;
}
