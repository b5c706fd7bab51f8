#include "web/gl/FixedFunctionMath.h"

#include <cmath>

namespace {

struct V3 {
    float x, y, z;
};

V3 crossOf(V3 a, V3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

V3 normalised(V3 v) {
    const float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (length == 0.0f) {
        return v;
    }
    return {v.x / length, v.y / length, v.z / length};
}

// Inverse of the upper-left 3 x 3 of a column-major 4 x 4; rows of the result
// times a normal (as a row vector) give the eye-space normal.
void inverseUpper3x3(const float m[16], double inv[3][3]) {
    auto at = [&](int row, int col) { return double(m[col * 4 + row]); };
    const double a = at(0, 0), b = at(0, 1), c = at(0, 2);
    const double d = at(1, 0), e = at(1, 1), f = at(1, 2);
    const double g = at(2, 0), h = at(2, 1), i = at(2, 2);
    const double det = a * (e * i - f * h) - b * (d * i - f * g) + c * (d * h - e * g);
    const double r = det != 0.0 ? 1.0 / det : 0.0;
    inv[0][0] = (e * i - f * h) * r;
    inv[0][1] = (c * h - b * i) * r;
    inv[0][2] = (b * f - c * e) * r;
    inv[1][0] = (f * g - d * i) * r;
    inv[1][1] = (a * i - c * g) * r;
    inv[1][2] = (c * d - a * f) * r;
    inv[2][0] = (d * h - e * g) * r;
    inv[2][1] = (b * g - a * h) * r;
    inv[2][2] = (a * e - b * d) * r;
}

}  // namespace

void lookAtRotation(double eyeX, double eyeY, double eyeZ, double centreX, double centreY, double centreZ,
                    double upX, double upY, double upZ, float out[16]) {
    V3 forward = normalised({float(centreX - eyeX), float(centreY - eyeY), float(centreZ - eyeZ)});
    const V3 up0{float(upX), float(upY), float(upZ)};
    const V3 side = normalised(crossOf(forward, up0));
    const V3 up = crossOf(side, forward);
    const float m[16] = {side.x, up.x, -forward.x, 0, side.y, up.y, -forward.y, 0,
                         side.z, up.z, -forward.z, 0, 0,      0,    0,          1};
    for (int k = 0; k < 16; ++k) {
        out[k] = m[k];
    }
}

void sphereMapCoordinates(const float modelView[16], const float* positions, const float* normals, size_t count,
                          float* outST) {
    double inv[3][3];
    inverseUpper3x3(modelView, inv);
    const float* m = modelView;
    for (size_t v = 0; v < count; ++v) {
        const float* p = positions + v * 3;
        const float* n = normals + v * 3;
        const V3 eye = normalised({m[0] * p[0] + m[4] * p[1] + m[8] * p[2] + m[12],
                                   m[1] * p[0] + m[5] * p[1] + m[9] * p[2] + m[13],
                                   m[2] * p[0] + m[6] * p[1] + m[10] * p[2] + m[14]});
        // Normals transform as row vectors by the inverse.
        const V3 normal = normalised({float(n[0] * inv[0][0] + n[1] * inv[1][0] + n[2] * inv[2][0]),
                                      float(n[0] * inv[0][1] + n[1] * inv[1][1] + n[2] * inv[2][1]),
                                      float(n[0] * inv[0][2] + n[1] * inv[1][2] + n[2] * inv[2][2])});
        const float twice = 2.0f * (normal.x * eye.x + normal.y * eye.y + normal.z * eye.z);
        const V3 r{eye.x - normal.x * twice, eye.y - normal.y * twice, eye.z - normal.z * twice};
        const float mag = 2.0f * std::sqrt(r.x * r.x + r.y * r.y + (r.z + 1.0f) * (r.z + 1.0f));
        const float scale = mag != 0.0f ? 1.0f / mag : 0.0f;
        outST[v * 2] = r.x * scale + 0.5f;
        outST[v * 2 + 1] = r.y * scale + 0.5f;
    }
}
