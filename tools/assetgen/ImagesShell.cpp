// The shell scene's two images: the carapace texture green.png (laid out in
// the plan coordinates of the shell mesh) and the greetings overlay greets.png.
#include <cmath>
#include <string>

#include "tools/assetgen/Images.h"
#include "tools/assetgen/Noise.h"
#include "tools/assetgen/ScuteLayout.h"
#include "tools/assetgen/Text.h"

namespace {

Rgba rgb(float r, float g, float b) { return Rgba{r, g, b, 1}; }
Rgba scaled(Rgba c, float s) { return Rgba{c.r * s, c.g * s, c.b * s, c.a}; }

// One plate's colour at plan point (x, z). The scene draws the shell unlit, so
// the plates carry their own shading: lighter crowns, darker towards the seams.
Rgba plateColour(const ScuteSample& s, float x, float z) {
    float h = hashUnit(s.id, 1, 0, 21u), h2 = hashUnit(s.id, 2, 0, 21u);
    Rgba green = rgb(0.22f, 0.30f, 0.11f), brown = rgb(0.34f, 0.22f, 0.09f);
    Rgba c = mix(green, brown, 0.25f + 0.6f * h);
    float ringPhase = s.seamDistance / (0.022f + 0.008f * h2);
    float rings = 0.5f + 0.5f * std::cos(ringPhase * 6.2831853f);
    float wobble = fractalNoise(x * 30.0f, z * 30.0f, 3, 22u);
    float streaks = fractalNoise(x * 6.0f + s.id * 3.1f, z * 6.0f, 4, 23u);
    c = scaled(c, 0.80f + 0.20f * rings + 0.25f * (wobble - 0.5f));
    c = mix(c, rgb(0.50f, 0.40f, 0.16f), 0.45f * smoothstep(0.58f, 0.78f, streaks));
    c = mix(c, rgb(0.09f, 0.08f, 0.04f), 0.55f * smoothstep(0.45f, 0.3f, streaks));
    float crown = smoothstep(0.0f, 0.12f, s.seamDistance);
    return scaled(c, 0.70f + 0.40f * crown);
}

}  // namespace

Canvas makeGreenScutes() {
    const int size = 512;
    Canvas c(size, size);
    for (int py = 0; py < size; ++py) {
        for (int px = 0; px < size; ++px) {
            // Texture row 0 (the top file row) is the head end, as the mesh expects.
            float x = (px + 0.5f) / (size * 0.5f) - 1.0f, z = 1.0f - (py + 0.5f) / (size * 0.5f);
            ScuteSample s = scuteAt(x, z);
            Rgba colour = plateColour(s, x, z);
            float seam = smoothstep(0.010f, 0.003f, s.seamDistance);
            colour = mix(colour, rgb(0.05f, 0.045f, 0.02f), seam);
            // Beyond the outline lies the rim's underside: dark, leathery.
            float outside = smoothstep(1.0f, 1.04f, s.radius);
            float skin = 0.7f + 0.3f * fractalNoise(x * 40.0f, z * 40.0f, 2, 24u);
            colour = mix(colour, rgb(0.12f * skin, 0.11f * skin, 0.06f * skin), outside);
            c.at(px, py) = colour;
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
    const int size = 512;
    Canvas text(size, size);
    Font heading(FontFace::SansLight, 40);
    Font names(FontFace::SansBold, 21);
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
    Font small(FontFace::Sans, 12);
    small.draw(text, "from the morvel crew", left + 18, y + 8, Rgba{0.6f, 0.8f, 0.72f, 0.9f}, 2.0f);
    // A soft dark halo under the letters keeps them legible over the bright shell.
    Canvas shadow(size, size);
    for (int py = 0; py < size; ++py) {
        for (int px = 0; px < size; ++px) {
            shadow.at(px, py) = Rgba{0.0f, 0.03f, 0.02f, std::min(1.0f, text.at(px, py).a * 1.6f)};
        }
    }
    shadow.blur(3, 3);
    Canvas out(size, size);
    out.paste(shadow, 0, 0);
    out.paste(text, 0, 0);
    return out;
}
