#include "tools/assetgen/ContactSheet.h"

#include "tools/assetgen/ImageFiles.h"
#include "tools/assetgen/Text.h"

#include <algorithm>
#include <cmath>

namespace {

const int kTile = 300;
const int kLabel = 34;
const int kGap = 16;
const int kColumns = 5;
const char* const kImages[10] = {"bakgrunn.png", "blue.png",   "vostrumlogo.png", "quenbar06.png",
                                 "lol.png",      "grid.png",   "kuletex.png",     "turtle2.jpg",
                                 "green.png",    "greets.png"};

// Draws image scaled to fit a kTile square at (left, top), over a checkerboard.
void drawTile(Canvas& sheet, const Canvas& image, int left, int top) {
    float scale = std::min(static_cast<float>(kTile) / image.width(), static_cast<float>(kTile) / image.height());
    int w = static_cast<int>(image.width() * scale), h = static_cast<int>(image.height() * scale);
    int ox = left + (kTile - w) / 2, oy = top + (kTile - h) / 2;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            bool dark = ((x / 10) + (y / 10)) % 2 == 0;
            sheet.at(ox + x, oy + y) = dark ? Rgba{0.55f, 0.55f, 0.58f, 1} : Rgba{0.75f, 0.75f, 0.78f, 1};
            sheet.blend(ox + x, oy + y, sampleBilinear(image, (x + 0.5f) / scale, (y + 0.5f) / scale));
        }
    }
}

}  // namespace

bool writeContactSheet(const std::string& root, const std::string& outPath) {
    const int rows = (10 + kColumns - 1) / kColumns;
    Canvas sheet(kColumns * (kTile + kGap) + kGap, rows * (kTile + kLabel + kGap) + kGap + 40,
                 Rgba{0.13f, 0.13f, 0.15f, 1});
    Font font(FontFace::sans, 15);
    Font title(FontFace::sansBold, 20);
    title.draw(sheet, "morvel content", kGap, 30, Rgba{0.9f, 0.9f, 0.9f, 1});
    for (int i = 0; i < 10; ++i) {
        Canvas image(1, 1);
        if (!loadImageFile(root + "/data/tex/" + kImages[i], image)) {
            return false;
        }
        int left = kGap + (i % kColumns) * (kTile + kGap);
        int top = 40 + kGap + (i / kColumns) * (kTile + kLabel + kGap);
        drawTile(sheet, image, left, top);
        std::string label = std::string(kImages[i]) + "  " + std::to_string(image.width()) + " x " +
                            std::to_string(image.height());
        font.drawCentred(sheet, label, left + kTile * 0.5f, top + kTile + 22, Rgba{0.85f, 0.85f, 0.85f, 1});
    }
    return sheet.writePng(outPath, false);
}
