// The shell scene's two images: the shell texture green.png (the carapace laid
// out in the plan coordinates of the shell mesh, the plastron in strips along
// its sides) and the greetings overlay greets.png.
#include "tools/assetgen/Images.h"

#include "tools/assetgen/AssetMath.h"
#include "tools/assetgen/Noise.h"
#include "tools/assetgen/ScuteLayout.h"
#include "tools/assetgen/Text.h"

#include <cmath>
#include <string>

namespace {

Rgba rgb(float r, float g, float b) { return Rgba{r, g, b, 1}; }
Rgba scaled(Rgba c, float s) { return Rgba{c.r * s, c.g * s, c.b * s, c.a}; }

// One plate's colour at plan point (x, z), before seams.
Rgba plateColour(const ScuteSample& s, float x, float z) {
    float h = hashUnit(s.id, 1, 0, 21u), h2 = hashUnit(s.id, 2, 0, 21u);
    Rgba olive = rgb(0.25f, 0.29f, 0.10f), brown = rgb(0.36f, 0.22f, 0.08f);
    Rgba c = mix(olive, brown, 0.2f + 0.65f * h);
    // Growth rings follow the plate's edges, wavering, fading towards its centre.
    float waver = 0.012f * (fractalNoise(x * 14.0f, z * 14.0f, 3, 22u) - 0.5f);
    float rings = 0.5f + 0.5f * std::cos((s.seamDistance + waver) / (0.034f + 0.01f * h2) * 6.2831853f);
    float ringFade = smoothstep(0.2f, 0.02f, s.seamDistance);
    c = scaled(c, 0.84f + 0.32f * rings * ringFade);
    // Sunburst streaks radiating from the growth centre, amber and dark.
    float dx = x - s.centreX, dz = z - s.centreZ;
    float angle = std::atan2(dz, dx), reach = std::sqrt(dx * dx + dz * dz);
    float rays = fractalNoise(angle * 7.0f + s.id * 13.0f, reach * 3.0f, 3, 23u);
    float blotch = fractalNoise(x * 5.0f, z * 5.0f, 3, 25u);
    c = mix(c, rgb(0.55f, 0.40f, 0.14f), 0.55f * smoothstep(0.55f, 0.75f, rays) * smoothstep(0.3f, 0.6f, blotch));
    c = mix(c, rgb(0.10f, 0.07f, 0.03f), 0.6f * smoothstep(0.42f, 0.25f, rays));
    float grain = fractalNoise(x * 60.0f, z * 60.0f, 2, 26u);
    float crown = smoothstep(0.0f, 0.10f, s.seamDistance);
    return scaled(c, (0.68f + 0.42f * crown) * (0.9f + 0.2f * grain));
}

// One plate of the underside: pale cream and yellow, faint growth lines.
Rgba undersideColour(const PlastronSample& s, float x, float z) {
    float h = hashUnit(s.region, s.id, 0, 27u);
    float grain = fractalNoise(x * 30.0f, z * 30.0f, 3, 28u);
    if (s.region == 2) {
        // Bare skin where the flippers meet the shell: greyer, wrinkled.
        float wrinkle = fractalNoise(x * 20.0f, z * 55.0f, 2, 29u);
        return scaled(rgb(0.40f, 0.33f, 0.21f), 0.85f + 0.2f * wrinkle);
    }
    Rgba cream = rgb(0.58f, 0.52f, 0.36f), yellow = rgb(0.58f, 0.46f, 0.22f);
    Rgba c = mix(cream, yellow, s.region == 3 ? 0.7f + 0.3f * h : 0.15f + 0.4f * h);
    float rings = 0.5f + 0.5f * std::cos(s.seamDistance / 0.03f * 6.2831853f);
    c = scaled(c, 1.0f - 0.06f * rings * smoothstep(0.12f, 0.02f, s.seamDistance));
    // Plates darken a little into their seams and, near the rim, into its shadow.
    float edge = 0.86f + 0.14f * smoothstep(0.0f, 0.05f, s.seamDistance);
    float rimShade = 1.0f - 0.3f * smoothstep(0.9f, 1.0f, s.radius);
    c = scaled(c, edge * rimShade * (0.92f + 0.12f * grain));
    float seam = smoothstep(0.013f, 0.005f, s.seamDistance);
    return mix(c, rgb(0.22f, 0.17f, 0.09f), (s.region == 3 ? 0.55f : 0.9f) * seam);
}

}  // namespace

Rgba plastronColour(float x, float z) { return undersideColour(plastronAt(x, z), x, z); }

Rgba carapaceColour(float x, float z) {
    ScuteSample s = scuteAt(x, z);
    Rgba colour = plateColour(s, x, z);
    float seam = smoothstep(0.008f, 0.002f, s.seamDistance);
    colour = mix(colour, rgb(0.05f, 0.045f, 0.02f), seam);
    // Beyond the outline lies the rim's underside: dark, leathery.
    float outside = smoothstep(1.0f, 1.04f, s.radius);
    float skin = 0.7f + 0.3f * fractalNoise(x * 40.0f, z * 40.0f, 2, 24u);
    return mix(colour, rgb(0.12f * skin, 0.11f * skin, 0.06f * skin), outside);
}

Canvas makeGreenScutes() {
    constexpr int kSizePx = 512;
    const int strip = static_cast<int>(kPlastronStrip * kSizePx + 0.5f);
    Canvas c(kSizePx, kSizePx);
    for (int py = 0; py < kSizePx; ++py) {
        // Texture row 0 (the top file row) is the head end, as the mesh expects.
        float z = 1.0f - (py + 0.5f) / (kSizePx * 0.5f);
        for (int px = strip; px < kSizePx - strip; ++px) {
            c.at(px, py) = carapaceColour((px + 0.5f) / (kSizePx * 0.5f) - 1.0f, z);
        }
        // The strips squeeze the plastron across, so each pixel averages four samples there.
        for (int px = 0; px < strip; ++px) {
            Rgba sum{0, 0, 0, 0};
            for (int k = 0; k < 4; ++k) {
                float x = (px + 0.125f + 0.25f * k) / (strip * 1.0f) * kPlastronReach;
                Rgba p = plastronColour(x, z);
                sum = Rgba{sum.r + p.r * 0.25f, sum.g + p.g * 0.25f, sum.b + p.b * 0.25f, 1.0f};
            }
            c.at(px, py) = sum;
            c.at(kSizePx - 1 - px, py) = sum;
        }
    }
    return c;
}

namespace {

const char* const kGroups[] = {"Kvantefisk",   "Bitplane Otters", "Polygon Moose", "Rasterbarn",
                               "Tape Loop Society", "Dampskip Digital", "Nordkapp Cyan", "Halvmaane",
                               "Lumen Koi", "Sjokoladefabrikken Null"};

}  // namespace

Canvas makeGreets() {
    constexpr int kSizePx = 512;
    Canvas text(kSizePx, kSizePx);
    Font heading(FontFace::sansLight, 40);
    Font names(FontFace::sansBold, 21);
    const Rgba ice{0.82f, 0.96f, 0.88f, 1};
    const float left = 44.0f;
    heading.draw(text, "greetings", left, 206, ice, 4.0f);
    text.fillRect(left, 218, left + 150, 219.5f, Rgba{0.6f, 0.9f, 0.75f, 0.8f});
    float y = 252;
    for (const char* group : kGroups) {
        text.fillCircle(left + 4, y - 7, 2.6f, Rgba{0.45f, 0.85f, 0.65f, 1});
        names.draw(text, group, left + 18, y, ice, 0.5f);
        y += 27.0f;
    }
    Font small(FontFace::sans, 12);
    small.draw(text, "from the morvel crew", left + 18, y + 8, Rgba{0.6f, 0.8f, 0.72f, 0.9f}, 2.0f);
    // A soft dark halo under the letters keeps them legible over the bright shell.
    Canvas shadow(kSizePx, kSizePx);
    for (int py = 0; py < kSizePx; ++py) {
        for (int px = 0; px < kSizePx; ++px) {
            shadow.at(px, py) = Rgba{0.0f, 0.03f, 0.02f, std::min(1.0f, text.at(px, py).a * 1.6f)};
        }
    }
    shadow.blur(3, 3);
    Canvas out(kSizePx, kSizePx);
    out.paste(shadow, 0, 0);
    out.paste(text, 0, 0);
    return out;
}
