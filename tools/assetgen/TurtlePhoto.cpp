// turtle2.jpg: a sea turtle swimming through sunlit blue water, ray-marched
// from its distance field, with caustics, light shafts, drifting particles and
// a school of fish far behind. Kept fairly dark: the photo scene adds a
// brightened blur of it on top.
#include "tools/assetgen/Images.h"

#include "tools/assetgen/AssetMath.h"
#include "tools/assetgen/Noise.h"
#include "tools/assetgen/ScuteLayout.h"
#include "tools/assetgen/TurtleSdf.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

const int kWidth = 800, kHeight = 600;
const float kBoundRadius = 2.1f;

struct Camera {
    Vec3 eye, forward, right, up;
    float focal;
};

// The turtle's body frame inside the world: left, up and forward axes.
struct Pose {
    Vec3 left, up, forward;
    Vec3 toBody(Vec3 q) const { return {dot(q, left), dot(q, up), dot(q, forward)}; }
    Vec3 toWorld(Vec3 b) const { return left * b.x + up * b.y + forward * b.z; }
};

Pose makePose() {
    Vec3 forward = normalised({-0.86f, 0.20f, 0.30f});
    Vec3 left = normalised(cross(normalised(Vec3{0.18f, 1.0f, 0.0f}), forward));
    return Pose{left, cross(forward, left), forward};
}

Camera makeCamera() {
    Camera c;
    c.eye = {0.35f, 1.45f, 3.1f};
    c.forward = normalised(Vec3{-0.05f, 0.05f, 0.0f} - c.eye);
    c.right = normalised(cross(c.forward, {0, 1, 0}));
    c.up = cross(c.right, c.forward);
    c.focal = 1.0f / std::tan(0.5f * 52.0f * kPiFloat / 180.0f);
    return c;
}

Rgba rgb(float r, float g, float b) { return Rgba{r, g, b, 1}; }
Rgba scale(Rgba c, float s) { return Rgba{c.r * s, c.g * s, c.b * s, 1}; }
Rgba add(Rgba a, Rgba b) { return Rgba{a.r + b.r, a.g + b.g, a.b + b.b, 1}; }
Rgba times(Rgba a, Rgba b) { return Rgba{a.r * b.r, a.g * b.g, a.b * b.b, 1}; }

// A bright web of refracted sunlight on surfaces, from world x and z.
float caustics(float x, float z) {
    CellSample a = cellNoise(x * 2.6f, z * 2.6f, 71u);
    CellSample b = cellNoise(x * 4.1f + 3.0f, z * 4.1f - 1.0f, 72u);
    float wa = std::exp(-std::pow((a.second - a.nearest) * 9.0f, 2.0f));
    float wb = std::exp(-std::pow((b.second - b.nearest) * 8.0f, 2.0f));
    return wa * 0.7f + wb * 0.45f;
}

// The open water seen along direction d.
Rgba water(Vec3 d) {
    Rgba deep = rgb(0.004f, 0.025f, 0.07f), mid = rgb(0.015f, 0.11f, 0.22f), high = rgb(0.07f, 0.30f, 0.42f);
    Rgba c = d.y < 0 ? mix(mid, deep, smoothstep(0.0f, 0.7f, -d.y)) : mix(mid, high, smoothstep(0.0f, 0.75f, d.y));
    Vec3 sun = normalised({0.35f, 1.0f, -0.25f});
    float glow = std::max(0.0f, dot(d, sun));
    return add(c, scale(rgb(0.35f, 0.6f, 0.65f), std::pow(glow, 6.0f) * 0.35f));
}

// Colour of the carapace at body point b: the same paint as the shell texture.
Rgba shellColour(Vec3 b) {
    float px, pz;
    carapacePlan(b, px, pz);
    return carapaceColour(px, pz);
}

// Colour of skin at body point b with body normal n: dark scales, pale edges.
Rgba skinColour(Vec3 b, Vec3 n) {
    float u, v;
    float ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
    if (ay >= ax && ay >= az) {
        u = b.x;
        v = b.z;
    } else if (ax >= az) {
        u = b.y;
        v = b.z;
    } else {
        u = b.x;
        v = b.y;
    }
    float density = b.z > 0.9f ? 11.0f : 15.0f;
    CellSample c = cellNoise(u * density, v * density, 33u);
    float edge = smoothstep(0.02f, 0.12f, c.second - c.nearest);
    float tone = hashUnit(c.cellX, c.cellY, 3, 34u);
    Rgba scaleCol = mix(rgb(0.22f, 0.15f, 0.08f), rgb(0.32f, 0.24f, 0.12f), tone);
    Rgba paleCol = b.y < -0.05f ? rgb(0.66f, 0.60f, 0.44f) : rgb(0.50f, 0.47f, 0.36f);
    return mix(paleCol, scaleCol, edge * (b.y < -0.08f ? 0.35f : 1.0f));
}

struct Scene {
    Pose pose = makePose();
    Camera camera = makeCamera();

    float distance(Vec3 q) const { return turtleDistance(pose.toBody(q)).distance; }

    Vec3 normal(Vec3 q) const {
        const float e = 0.0012f;
        Vec3 a{1, -1, -1}, b{-1, -1, 1}, c{-1, 1, -1}, d{1, 1, 1};
        Vec3 n = a * distance(q + a * e) + b * distance(q + b * e) + c * distance(q + c * e) + d * distance(q + d * e);
        return normalised(n);
    }

    Vec3 ray(float x, float y) const {
        float sx = (2.0f * x / kWidth - 1.0f) * (static_cast<float>(kWidth) / kHeight);
        float sy = 1.0f - 2.0f * y / kHeight;
        return normalised(camera.forward * camera.focal + camera.right * sx + camera.up * sy);
    }

    // Marches the ray; true with the hit distance when it meets the turtle.
    bool march(Vec3 d, float& t) const {
        Vec3 o = camera.eye;
        float b = dot(o, d), c = dot(o, o) - kBoundRadius * kBoundRadius;
        float disc = b * b - c;
        if (disc <= 0) {
            return false;
        }
        t = std::max(0.0f, -b - std::sqrt(disc));
        float tEnd = -b + std::sqrt(disc);
        for (int i = 0; i < 140 && t < tEnd; ++i) {
            float dist = distance(o + d * t);
            if (dist < 0.0008f * t) {
                return true;
            }
            t += dist * 0.8f;
        }
        return false;
    }

    Rgba shade(Vec3 d, float t) const {
        Vec3 q = camera.eye + d * t;
        Vec3 n = normal(q);
        Vec3 b = pose.toBody(q), nb = pose.toBody(n);
        TurtlePart part = turtleDistance(b).part;
        Rgba albedo = part == TurtlePart::carapace ? shellColour(b)
                    : part == TurtlePart::plastron ? rgb(0.62f, 0.56f, 0.36f)
                    : part == TurtlePart::eye      ? rgb(0.015f, 0.012f, 0.01f)
                                                   : skinColour(b, nb);
        Vec3 sun = normalised({0.35f, 1.0f, -0.25f});
        float diffuse = std::max(0.0f, dot(n, sun));
        float ao = clampf(0.35f + distance(q + n * 0.09f) / 0.09f * 0.65f, 0.0f, 1.0f);
        float light = diffuse * (0.6f + 1.3f * caustics(q.x + q.y * 0.3f, q.z));
        Rgba ambient = mix(rgb(0.03f, 0.06f, 0.09f), rgb(0.13f, 0.22f, 0.26f), 0.5f + 0.5f * n.y);
        Rgba c = times(albedo, add(scale(rgb(1.0f, 0.96f, 0.85f), light), scale(ambient, ao * 1.4f)));
        Vec3 h = normalised(sun - d);
        float gloss = part == TurtlePart::skin ? 0.08f : 0.3f;
        float specular = std::pow(std::max(0.0f, dot(n, h)), part == TurtlePart::eye ? 90.0f : 30.0f) * gloss;
        float rim = std::pow(1.0f - std::max(0.0f, -dot(d, n)), 3.0f) * 0.12f;
        c = add(c, scale(rgb(0.7f, 0.9f, 1.0f), specular * diffuse + rim));
        // Water between camera and turtle takes the red first, then everything.
        c = times(c, rgb(0.8f, 0.92f, 1.0f));
        float fog = 1.0f - std::exp(-t * 0.06f);
        return mix(c, water(d), fog);
    }
};

// Light shafts fanning down from the surface: brightness at a pixel.
float shafts(float x, float y) {
    float sx = 600.0f, sy = -420.0f;
    float angle = std::atan2(x - sx, y - sy);
    float stripes = fractalNoise(angle * 26.0f, 0.5f, 4, 41u);
    stripes = std::pow(smoothstep(0.35f, 0.85f, stripes), 1.6f);
    float fall = smoothstep(1150.0f, 350.0f, std::hypot(x - sx, y - sy));
    return stripes * fall;
}

void paintBackground(Canvas& image, const Scene& scene) {
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            Vec3 d = scene.ray(x + 0.5f, y + 0.5f);
            Rgba c = water(d);
            // The rippled surface far above, lit from behind.
            float top = smoothstep(90.0f, 0.0f, static_cast<float>(y));
            if (top > 0) {
                float w = caustics(x * 0.004f, y * 0.02f + x * 0.001f);
                c = add(c, scale(rgb(0.25f, 0.5f, 0.55f), top * (0.15f + 0.5f * w)));
            }
            image.at(x, y) = add(c, scale(rgb(0.22f, 0.42f, 0.45f), 0.30f * shafts(x + 0.5f, y + 0.5f)));
        }
    }
}

// A loose school of small fish, far away and half lost in the blue.
void paintFish(Canvas& image) {
    for (int i = 0; i < 34; ++i) {
        float x = 70.0f + 300.0f * hashUnit(i, 0, 0, 51u) + 60.0f * std::sin(i * 0.7f);
        float y = 70.0f + 150.0f * hashUnit(i, 1, 0, 51u);
        float size = 7.0f + 6.0f * hashUnit(i, 2, 0, 51u);
        Rgba body{0.008f, 0.04f, 0.09f, 0.75f};
        for (int k = -3; k <= 3; ++k) {
            image.fillCircle(x + k * size * 0.28f, y, size * 0.42f * (1.0f - std::abs(k) / 4.5f), body);
        }
        image.drawLine(x + size * 1.0f, y, x + size * 1.45f, y - size * 0.35f, size * 0.25f, body);
        image.drawLine(x + size * 1.0f, y, x + size * 1.45f, y + size * 0.35f, size * 0.25f, body);
    }
}

void paintParticles(Canvas& image) {
    for (int i = 0; i < 420; ++i) {
        float x = hashUnit(i, 0, 1, 61u) * kWidth, y = hashUnit(i, 1, 1, 61u) * kHeight;
        float near = hashUnit(i, 2, 1, 61u);
        float r = 0.5f + 2.8f * near * near * near;
        float a = 0.10f + 0.30f * hashUnit(i, 3, 1, 61u);
        image.fillCircle(x, y, r, Rgba{0.55f, 0.75f, 0.78f, a * (r > 2.0f ? 0.5f : 1.0f)});
    }
}

// Samples per pixel where the turtle's outline or parts change, one elsewhere.
void paintTurtle(Canvas& image, const Scene& scene) {
    std::vector<int> partAt(static_cast<size_t>(kWidth) * kHeight, -1);
    Canvas background = image;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            Vec3 d = scene.ray(x + 0.5f, y + 0.5f);
            float t;
            if (!scene.march(d, t)) {
                continue;
            }
            partAt[static_cast<size_t>(y) * kWidth + x] =
                static_cast<int>(turtleDistance(scene.pose.toBody(scene.camera.eye + d * t)).part);
            image.at(x, y) = scene.shade(d, t);
        }
    }
    for (int y = 1; y + 1 < kHeight; ++y) {
        for (int x = 1; x + 1 < kWidth; ++x) {
            int here = partAt[static_cast<size_t>(y) * kWidth + x];
            bool edge = partAt[static_cast<size_t>(y) * kWidth + x - 1] != here ||
                        partAt[static_cast<size_t>(y) * kWidth + x + 1] != here ||
                        partAt[static_cast<size_t>(y - 1) * kWidth + x] != here ||
                        partAt[static_cast<size_t>(y + 1) * kWidth + x] != here;
            if (!edge) {
                continue;
            }
            Rgba sum{0, 0, 0, 1};
            for (int s = 0; s < 4; ++s) {
                float ox = 0.25f + 0.5f * (s % 2), oy = 0.25f + 0.5f * (s / 2);
                Vec3 d = scene.ray(x + ox, y + oy);
                float t;
                Rgba c = scene.march(d, t) ? scene.shade(d, t) : background.at(x, y);
                sum = add(sum, scale(c, 0.25f));
            }
            image.at(x, y) = sum;
        }
    }
}

// Shafts in front of the turtle, a vignette and a fine grain, like a lens would.
void finish(Canvas& image) {
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            Rgba c = add(image.at(x, y), scale(rgb(0.2f, 0.38f, 0.4f), 0.10f * shafts(x + 0.5f, y + 0.5f)));
            float dx = (x - 400.0f) / 400.0f, dy = (y - 300.0f) / 300.0f;
            float vignette = 1.0f - 0.35f * smoothstep(0.4f, 1.5f, dx * dx + dy * dy);
            float grain = (hashUnit(x, y, 9, 81u) - 0.5f) * 0.018f;
            image.at(x, y) = Rgba{c.r * vignette + grain, c.g * vignette + grain, c.b * vignette + grain, 1};
        }
    }
}

}  // namespace

Canvas makeTurtlePhoto() {
    Canvas image(kWidth, kHeight, Rgba{0, 0, 0, 1});
    Scene scene;
    paintBackground(image, scene);
    paintFish(image);
    paintTurtle(image, scene);
    paintParticles(image);
    finish(image);
    return image;
}
