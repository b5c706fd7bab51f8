#pragma once
// Text set in a Debian TrueType font (fonts-dejavu) with FreeType, drawn onto
// a Canvas with anti-aliased coverage. One Font per thread: FreeType faces are
// not shared between threads.
#include "tools/assetgen/Canvas.h"

#include <string>
#include <vector>

// The DejaVu faces the generator uses.
enum class FontFace { sans, sansLight, sansBold, sansCondensedBold, serifBold, serifItalic, monoBold };

class Font {
public:
    // Opens the face at the given pixel height; ok() tells whether it loaded.
    Font(FontFace face, int pixelHeight);
    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    bool ok() const { return ftFace != nullptr; }
    // Changes the pixel height for later calls.
    void setPixelHeight(int pixelHeight);
    // Advance width of text in pixels, with extra tracking between letters.
    float measure(const std::string& text, float tracking = 0.0f) const;
    // Draws text with its baseline starting at (x, baselineY); returns the advance.
    float draw(Canvas& canvas, const std::string& text, float x, float baselineY,
               const Rgba& colour, float tracking = 0.0f) const;
    // Draws text centred horizontally on cx.
    void drawCentred(Canvas& canvas, const std::string& text, float cx, float baselineY,
                     const Rgba& colour, float tracking = 0.0f) const;

    // Path of the font file for a face, in fontFolder().
    static std::string pathOf(FontFace face);
    // The folder the faces are read from: fonts-dejavu's, or MORVEL_FONT_DIR
    // when set (tests use it to take the fonts away).
    static std::string fontFolder();
    // The font files of the faces the generator uses that FreeType cannot open.
    static std::vector<std::string> missingFiles();

private:
    void* ftLibrary = nullptr;  // FT_Library
    void* ftFace = nullptr;     // FT_Face
};
