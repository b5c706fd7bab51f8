// The five images that no scene shows but the demo loads all the same: a
// logo, a raster bar, a doodle, a grid and a ball texture.
#include "tools/assetgen/Images.h"

#include "tools/assetgen/AssetMath.h"
#include "tools/assetgen/Noise.h"
#include "tools/assetgen/Text.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace {


Rgba rgb(float r, float g, float b, float a = 1.0f) { return Rgba{r, g, b, a}; }

}  // namespace

Canvas makeVostrumLogo() {
    Canvas mask(512, 256);
    Font font(FontFace::sansBold, 74);
    for (int px = 74; px > 30 && font.measure("VOSTRUM", 2.0f) > 340.0f; px -= 2) {
        font.setPixelHeight(px);
    }
    font.draw(mask, "VOSTRUM", 158, 152, rgb(1, 1, 1), 2.0f);
    // The emblem: a ring holding a V of two strokes.
    mask.strokeCircle(82, 128, 58, 9, rgb(1, 1, 1));
    mask.drawLine(52, 95, 82, 165, 15, rgb(1, 1, 1));
    mask.drawLine(112, 95, 82, 165, 15, rgb(1, 1, 1));
    Canvas shadow(512, 256);
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 512; ++x) {
            shadow.at(x, y) = rgb(0.05f, 0.02f, 0.12f, mask.at(x, y).a);
        }
    }
    shadow.blur(3, 2);
    Canvas out(512, 256);
    out.paste(shadow, 4, 5);
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 512; ++x) {
            float a = mask.at(x, y).a;
            if (a <= 0) {
                continue;
            }
            // A chrome-like gradient: warm top, bright horizon line, deep violet below.
            float t = (y - 80.0f) / 100.0f;
            Rgba top = mix(rgb(1.0f, 0.85f, 0.45f), rgb(1.0f, 0.98f, 0.9f), smoothstep(0.0f, 0.45f, t));
            Rgba c = t < 0.5f ? top : mix(rgb(0.55f, 0.2f, 0.75f), rgb(0.25f, 0.1f, 0.45f), smoothstep(0.5f, 1.0f, t));
            out.blend(x, y, c, a);
        }
    }
    Font small(FontFace::sansBold, 15);
    small.draw(out, "VISUAL  SYSTEMS", 162, 186, rgb(0.05f, 0.02f, 0.12f, 0.8f), 7.0f);
    small.draw(out, "VISUAL  SYSTEMS", 161, 185, rgb(0.95f, 0.9f, 1.0f, 1.0f), 7.0f);
    return out;
}

Canvas makeQuenBar() {
    // A copper-style raster bar: the shade steps every 4 rows like a colour
    // register changed once per few scan lines, dark at the edges, hot in the middle.
    const Rgba stops[5] = {rgb(0.20f, 0.0f, 0.18f), rgb(0.65f, 0.05f, 0.35f), rgb(0.95f, 0.40f, 0.20f),
                           rgb(1.0f, 0.72f, 0.30f), rgb(1.0f, 0.90f, 0.62f)};
    Canvas c(512, 64);
    for (int y = 0; y < 64; ++y) {
        float v = (std::floor(y / 4.0f) * 4.0f + 2.0f) / 64.0f;
        float heat = std::pow(std::sin(kPiFloat * v), 2.2f) * 3.999f;
        int i = static_cast<int>(heat);
        Rgba col = mix(stops[i], stops[std::min(i + 1, 4)], heat - i);
        for (int x = 0; x < 512; ++x) {
            float u = (x + 0.5f) / 512.0f;
            float ends = smoothstep(0.0f, 0.06f, u) * smoothstep(1.0f, 0.94f, u);
            // A faint sheen sweeping along the bar.
            float sheen = 0.08f * std::exp(-std::pow((u - 0.3f) / 0.12f, 2.0f)) * (heat / 4.0f);
            c.at(x, y) = rgb(std::min(1.0f, col.r + sheen), std::min(1.0f, col.g + sheen), std::min(1.0f, col.b + sheen),
                             ends * smoothstep(0.0f, 0.6f, heat));
        }
    }
    return c;
}

Canvas makeLolDoodle() {
    Canvas c(256, 256, rgb(0.99f, 0.96f, 0.84f));
    for (int i = 1; i < 12; ++i) {
        c.drawLine(0, i * 22.0f, 256, i * 22.0f, 1.0f, rgb(0.55f, 0.7f, 0.9f, 0.35f));
    }
    c.drawLine(30, 0, 30, 256, 1.0f, rgb(0.9f, 0.4f, 0.4f, 0.5f));
    const Rgba ink = rgb(0.12f, 0.1f, 0.18f);
    // A wobbly, hand-drawn face outline.
    const float cx = 132, cy = 110, r = 76;
    c.fillCircle(cx, cy, r, rgb(1.0f, 0.84f, 0.2f));
    for (int i = 0; i < 120; ++i) {
        float a0 = 2 * kPiFloat * i / 120, a1 = 2 * kPiFloat * (i + 1) / 120;
        float r0 = r + 2.5f * (valueNoise(i * 0.3f, 0, 5u) - 0.5f), r1 = r + 2.5f * (valueNoise((i + 1) * 0.3f, 0, 5u) - 0.5f);
        c.drawLine(cx + r0 * std::cos(a0), cy + r0 * std::sin(a0), cx + r1 * std::cos(a1), cy + r1 * std::sin(a1), 4, ink);
    }
    // Squeezed laughing eyes, a wide open mouth and two tears of joy.
    for (float side : {-1.0f, 1.0f}) {
        float ex = cx + side * 28;
        c.drawLine(ex - 13, cy - 22, ex, cy - 32, 5, ink);
        c.drawLine(ex, cy - 32, ex + 13, cy - 22, 5, ink);
        c.fillCircle(cx + side * 70, cy - 8, 9, rgb(0.35f, 0.7f, 1.0f));
        c.fillCircle(cx + side * 66, cy - 18, 5, rgb(0.35f, 0.7f, 1.0f));
    }
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            float dx = (x + 0.5f - cx) / 46.0f, dy = (y + 0.5f - (cy + 6)) / 42.0f;
            if (dy >= 0 && dx * dx + dy * dy <= 1.0f) {
                bool tongue = (dx * dx) / 0.4f + std::pow((dy - 0.85f) / 0.4f, 2.0f) < 1.0f;
                c.at(x, y) = tongue ? rgb(0.95f, 0.4f, 0.45f) : rgb(0.45f, 0.08f, 0.12f);
            }
        }
    }
    c.drawLine(cx - 46, cy + 6, cx + 46, cy + 6, 4, ink);
    Font font(FontFace::sansBold, 50);
    font.drawCentred(c, "LOL", 134, 240, rgb(0.9f, 0.2f, 0.45f), 6.0f);
    font.drawCentred(c, "LOL", 131, 237, rgb(0.2f, 0.55f, 0.95f), 6.0f);
    return c;
}

Canvas makeGrid() {
    Canvas c(512, 512, rgb(0.03f, 0.05f, 0.09f));
    for (int i = 0; i <= 64; ++i) {
        float p = i * 8.0f;
        bool major = i % 8 == 0;
        Rgba line = major ? rgb(0.2f, 0.75f, 0.9f, 0.75f) : rgb(0.2f, 0.5f, 0.7f, i % 2 == 0 ? 0.35f : 0.16f);
        float w = major ? 1.6f : 1.0f;
        c.drawLine(p, 0, p, 512, w, line);
        c.drawLine(0, p, 512, p, w, line);
    }
    c.drawLine(256, 0, 256, 512, 2.2f, rgb(1.0f, 0.45f, 0.3f, 0.9f));
    c.drawLine(0, 256, 512, 256, 2.2f, rgb(0.45f, 1.0f, 0.5f, 0.9f));
    c.strokeCircle(256, 256, 128, 1.2f, rgb(1.0f, 0.9f, 0.5f, 0.5f));
    Font mono(FontFace::monoBold, 11);
    for (int i = 1; i < 8; ++i) {
        std::string label = std::to_string((i - 4) * 64);
        mono.draw(c, label, i * 64.0f + 3, 252, rgb(0.7f, 0.9f, 1.0f, 0.85f));
        if (i != 4) {
            mono.draw(c, std::to_string((4 - i) * 64), 259, i * 64.0f - 3, rgb(0.7f, 0.9f, 1.0f, 0.85f));
        }
    }
    return c;
}

Canvas makeBallTexture() {
    Canvas c(512, 256);
    const Rgba gores[6] = {rgb(0.9f, 0.15f, 0.15f), rgb(0.97f, 0.97f, 0.95f), rgb(0.15f, 0.35f, 0.9f),
                           rgb(1.0f, 0.8f, 0.1f),   rgb(0.97f, 0.97f, 0.95f), rgb(0.15f, 0.7f, 0.3f)};
    for (int y = 0; y < 256; ++y) {
        float lat = 90.0f - (y + 0.5f) * 180.0f / 256.0f;
        for (int x = 0; x < 512; ++x) {
            float lon = (x + 0.5f) * 6.0f / 512.0f;
            int gore = static_cast<int>(lon) % 6;
            float edge = std::fmin(lon - std::floor(lon), std::ceil(lon) - lon) * 512.0f / 6.0f *
                         std::cos(lat * kPiFloat / 180.0f);
            Rgba col = gores[gore];
            // White caps over both poles with a small valve on one of them.
            if (std::fabs(lat) > 72.0f) {
                col = rgb(0.97f, 0.97f, 0.95f);
            }
            if (lat > 86.0f) {
                col = rgb(0.75f, 0.75f, 0.72f);
            }
            float seam = std::fabs(lat) > 72.0f ? smoothstep(1.2f, 0.0f, std::fabs(std::fabs(lat) - 72.0f) * 2.8f)
                                                : smoothstep(1.5f, 0.3f, edge);
            col = mix(col, rgb(0.3f, 0.3f, 0.3f), 0.6f * seam);
            float grain = 0.96f + 0.04f * fractalNoise(x * 0.15f, y * 0.15f, 2, 91u);
            c.at(x, y) = rgb(col.r * grain, col.g * grain, col.b * grain);
        }
    }
    return c;
}
