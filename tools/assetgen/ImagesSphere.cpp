// The sphere scene's two images: the framing overlay bakgrunn.png and the
// studio sphere map blue.png.
#include "tools/assetgen/Images.h"

#include "tools/assetgen/AssetMath.h"
#include "tools/assetgen/Noise.h"
#include "tools/assetgen/Text.h"

#include <algorithm>
#include <cmath>

namespace {

const Rgba kNavy{0.015f, 0.035f, 0.09f, 1};
const Rgba kIce{0.80f, 0.90f, 1.0f, 1};

Rgba withAlpha(Rgba c, float a) { return Rgba{c.r, c.g, c.b, a}; }

// Dark vignette: a rounded-rectangle falloff towards the edges plus two bands.
void paintVignette(Canvas& c) {
    for (int y = 0; y < c.height(); ++y) {
        for (int x = 0; x < c.width(); ++x) {
            float dx = std::fabs(x + 0.5f - 400.0f) / 400.0f, dy = std::fabs(y + 0.5f - 300.0f) / 300.0f;
            float q = std::pow(std::pow(dx, 5.0f) + std::pow(dy, 5.0f), 0.2f);
            float edge = smoothstep(0.62f, 1.05f, q) * 0.85f;
            float band = std::max(smoothstep(78.0f, 58.0f, y + 0.5f), smoothstep(512.0f, 534.0f, y + 0.5f));
            float a = std::max(edge, band * 0.85f);
            float grain = (fractalNoise(x * 0.02f, y * 0.02f, 3, 11u) - 0.5f) * 0.05f;
            Rgba tone = mix(kNavy, Rgba{0.04f, 0.12f, 0.22f, 1}, clampf(1.0f - q + grain, 0, 1));
            // The bands are a lighter steel blue: the glow multiplies the frame
            // by its own blur, so a dark band would swallow the title.
            tone = mix(tone, Rgba{0.20f, 0.34f, 0.52f, 1}, band * (0.8f + grain * 4.0f));
            c.at(x, y) = withAlpha(tone, clampf(a + grain * a, 0, 1));
        }
    }
}

// A small four-pointed star ornament centred on (x, y).
void ornament(Canvas& c, float x, float y, float size, const Rgba& colour) {
    c.drawLine(x - size, y, x + size, y, 1.2f, colour);
    c.drawLine(x, y - size * 0.6f, x, y + size * 0.6f, 1.2f, colour);
    c.strokeCircle(x, y, size * 0.35f, 1.0f, colour);
}

// Hairlines along both bands with ornaments at their ends and centres.
void paintOrnaments(Canvas& c) {
    const Rgba line = withAlpha(kIce, 0.55f);
    for (float y : {62.0f, 538.0f}) {
        c.drawLine(40, y, 370, y, 1.0f, line);
        c.drawLine(430, y, 760, y, 1.0f, line);
        ornament(c, 400, y, 14, withAlpha(kIce, 0.8f));
        c.fillCircle(40, y, 2.5f, line);
        c.fillCircle(760, y, 2.5f, line);
    }
    for (int i = 0; i < 5; ++i) {
        float x = 60.0f + i * 9.0f;
        c.fillCircle(x, 28, 1.6f, withAlpha(kIce, 0.5f - i * 0.08f));
        c.fillCircle(800 - x, 28, 1.6f, withAlpha(kIce, 0.5f - i * 0.08f));
    }
    c.strokeCircle(400, 300, 292, 0.8f, withAlpha(kIce, 0.10f));
    // Thin viewfinder brackets at the corners of the clear window.
    const Rgba bracket = withAlpha(kIce, 0.45f);
    for (float sx : {-1.0f, 1.0f}) {
        for (float sy : {-1.0f, 1.0f}) {
            float x = 400 + sx * 352, y = 300 + sy * 212;
            c.drawLine(x, y, x - sx * 26, y, 1.0f, bracket);
            c.drawLine(x, y, x, y - sy * 18, 1.0f, bracket);
        }
    }
}

// The title set in type in the lower band, captions in the upper one.
void paintType(Canvas& c) {
    Font title(FontFace::sans, 54);
    Canvas glow(c.width(), c.height());
    title.drawCentred(glow, "morvel", 400, 584, Rgba{0.45f, 0.7f, 1.0f, 0.9f}, 18.0f);
    glow.blur(4, 2);
    c.paste(glow, 0, 0);
    title.drawCentred(c, "morvel", 400, 584, Rgba{0.95f, 0.98f, 1.0f, 1}, 18.0f);
    Font small(FontFace::sans, 11);
    small.draw(c, "TAMOKRELU", 58, 44, withAlpha(kIce, 0.75f), 4.0f);
    small.draw(c, "REALTIME  MMXXVI", 742 - small.measure("REALTIME  MMXXVI", 4.0f), 44,
               withAlpha(kIce, 0.75f), 4.0f);
    small.drawCentred(c, "I  .  THE MIRROR", 400, 30, withAlpha(kIce, 0.6f), 3.0f);
}

}  // namespace

Canvas makeBakgrunn() {
    // Designed in the 800 x 600 space it is shown in, then stretched to a
    // power-of-two square so the loader keeps every pixel.
    Canvas design(800, 600);
    paintVignette(design);
    paintOrnaments(design);
    paintType(design);
    return resampled(design, 1024, 1024);
}

namespace {

// A soft-edged rectangular light panel around direction centre.
float softbox(float rx, float ry, float rz, float cx, float cy, float cz, float w, float h) {
    float len = std::sqrt(cx * cx + cy * cy + cz * cz);
    cx /= len; cy /= len; cz /= len;
    float facing = rx * cx + ry * cy + rz * cz;
    if (facing <= 0.0f) {
        return 0.0f;
    }
    // Panel axes: horizontal (perpendicular to up and centre), then vertical.
    float ux = cz, uz = -cx;
    float ul = std::sqrt(ux * ux + uz * uz);
    ux /= ul; uz /= ul;
    float vx = cy * uz, vy = cz * ux - cx * uz, vz = -cy * ux;
    float u = (rx * ux + rz * uz) / facing, v = (rx * vx + ry * vy + rz * vz) / facing;
    return smoothstep(w, w * 0.7f, std::fabs(u)) * smoothstep(h, h * 0.7f, std::fabs(v));
}

// The studio seen along reflected direction r (eye space, y up, z towards the viewer).
Rgba studio(float rx, float ry, float rz) {
    Rgba floor{0.04f, 0.09f, 0.24f, 1}, horizon{0.50f, 0.66f, 0.86f, 1};
    Rgba wall{0.16f, 0.33f, 0.62f, 1}, ceiling{0.06f, 0.14f, 0.36f, 1};
    Rgba c = ry < 0 ? mix(horizon, floor, std::pow(std::min(1.0f, -ry * 3.0f), 0.6f))
                    : mix(mix(horizon, wall, std::min(1.0f, ry * 4.0f)), ceiling, std::pow(ry, 1.5f));
    float az = std::atan2(rx, -rz);
    // Faint floor boards that converge to the horizon, and a bright horizon seam.
    if (ry < -0.02f) {
        float boards = 0.5f + 0.5f * std::cos(az * 18.0f);
        c = mix(c, Rgba{0.1f, 0.2f, 0.45f, 1}, 0.25f * std::pow(boards, 8.0f) * std::min(1.0f, -ry * 6));
    }
    float seam = std::exp(-ry * ry * 900.0f);
    c = mix(c, Rgba{0.85f, 0.92f, 1.0f, 1}, 0.55f * seam);
    float light = softbox(rx, ry, rz, -0.6f, 0.55f, 0.6f, 0.45f, 0.30f) +
                  0.8f * softbox(rx, ry, rz, 0.75f, 0.35f, 0.2f, 0.22f, 0.5f) +
                  0.6f * softbox(rx, ry, rz, 0.1f, 0.9f, -0.3f, 0.6f, 0.15f);
    c = mix(c, Rgba{0.92f, 0.96f, 1.0f, 1}, clampf(light, 0, 1) * 0.85f);
    return c;
}

}  // namespace

Canvas makeBlueSphereMap() {
    constexpr int kSizePx = 512;
    Canvas c(kSizePx, kSizePx);
    for (int py = 0; py < kSizePx; ++py) {
        for (int px = 0; px < kSizePx; ++px) {
            // GL's sphere map puts t = 0 (the top file row) at the downward reflection.
            Rgba sum{0, 0, 0, 0};
            for (int sy = 0; sy < 2; ++sy) {
                for (int sx = 0; sx < 2; ++sx) {
                    float nx = 2.0f * (px + 0.25f + 0.5f * sx) / kSizePx - 1.0f;
                    float ny = 2.0f * (py + 0.25f + 0.5f * sy) / kSizePx - 1.0f;
                    float rr = std::min(1.0f, nx * nx + ny * ny);
                    float nz = std::sqrt(1.0f - rr);
                    Rgba s = studio(2 * nz * nx, 2 * nz * ny, 2 * nz * nz - 1);
                    sum.r += s.r * 0.25f;
                    sum.g += s.g * 0.25f;
                    sum.b += s.b * 0.25f;
                }
            }
            c.at(px, py) = Rgba{sum.r, sum.g, sum.b, 1};
        }
    }
    (void)kPiFloat;
    return c;
}
