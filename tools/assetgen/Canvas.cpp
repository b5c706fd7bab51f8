#include "tools/assetgen/Canvas.h"

#include "tools/assetgen/AssetMath.h"
#include "tools/assetgen/JpegErrorTrap.h"

#include <jpeglib.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>

Rgba mix(const Rgba& a, const Rgba& b, float f) {
    return Rgba{a.r + (b.r - a.r) * f, a.g + (b.g - a.g) * f, a.b + (b.b - a.b) * f,
                a.a + (b.a - a.a) * f};
}

Rgba sampleBilinear(const Canvas& src, float x, float y) {
    x = clampf(x - 0.5f, 0.0f, src.width() - 1.0f);
    y = clampf(y - 0.5f, 0.0f, src.height() - 1.0f);
    int x0 = static_cast<int>(x), y0 = static_cast<int>(y);
    int x1 = std::min(x0 + 1, src.width() - 1), y1 = std::min(y0 + 1, src.height() - 1);
    float fx = x - x0, fy = y - y0;
    const Rgba* corners[4] = {&src.at(x0, y0), &src.at(x1, y0), &src.at(x0, y1), &src.at(x1, y1)};
    const float weights[4] = {(1 - fx) * (1 - fy), fx * (1 - fy), (1 - fx) * fy, fx * fy};
    Rgba sum{0, 0, 0, 0};
    for (int i = 0; i < 4; ++i) {
        float w = weights[i] * corners[i]->a;
        sum.r += corners[i]->r * w;
        sum.g += corners[i]->g * w;
        sum.b += corners[i]->b * w;
        sum.a += w;
    }
    if (sum.a <= 0.0f) {
        return Rgba{0, 0, 0, 0};
    }
    return Rgba{sum.r / sum.a, sum.g / sum.a, sum.b / sum.a, sum.a};
}

Canvas resampled(const Canvas& src, int width, int height) {
    Canvas out(width, height);
    float sx = static_cast<float>(src.width()) / width, sy = static_cast<float>(src.height()) / height;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            out.at(x, y) = sampleBilinear(src, (x + 0.5f) * sx, (y + 0.5f) * sy);
        }
    }
    return out;
}

Canvas::Canvas(int width, int height, Rgba fill)
    : widthPx(width), heightPx(height), pixels(static_cast<size_t>(width) * height, fill) {}

void Canvas::blend(int x, int y, const Rgba& colour, float coverage) {
    if (x < 0 || y < 0 || x >= widthPx || y >= heightPx) {
        return;
    }
    float sa = clampf(colour.a * coverage, 0.0f, 1.0f);
    if (sa <= 0.0f) {
        return;
    }
    Rgba& d = at(x, y);
    float da = d.a * (1.0f - sa);
    float outA = sa + da;
    d.r = (colour.r * sa + d.r * da) / outA;
    d.g = (colour.g * sa + d.g * da) / outA;
    d.b = (colour.b * sa + d.b * da) / outA;
    d.a = outA;
}

void Canvas::fillRect(float x0, float y0, float x1, float y1, const Rgba& colour) {
    int ix0 = std::max(0, static_cast<int>(std::floor(x0)));
    int iy0 = std::max(0, static_cast<int>(std::floor(y0)));
    int ix1 = std::min(widthPx, static_cast<int>(std::ceil(x1)));
    int iy1 = std::min(heightPx, static_cast<int>(std::ceil(y1)));
    for (int y = iy0; y < iy1; ++y) {
        float cy = std::min<float>(y + 1, y1) - std::max<float>(y, y0);
        for (int x = ix0; x < ix1; ++x) {
            float cx = std::min<float>(x + 1, x1) - std::max<float>(x, x0);
            blend(x, y, colour, clampf(cx, 0, 1) * clampf(cy, 0, 1));
        }
    }
}

void Canvas::fillCircle(float cx, float cy, float r, const Rgba& colour) {
    int x0 = static_cast<int>(std::floor(cx - r - 1)), x1 = static_cast<int>(std::ceil(cx + r + 1));
    int y0 = static_cast<int>(std::floor(cy - r - 1)), y1 = static_cast<int>(std::ceil(cy + r + 1));
    for (int y = std::max(0, y0); y < std::min(heightPx, y1); ++y) {
        for (int x = std::max(0, x0); x < std::min(widthPx, x1); ++x) {
            float d = std::hypot(x + 0.5f - cx, y + 0.5f - cy);
            blend(x, y, colour, clampf(r - d + 0.5f, 0.0f, 1.0f));
        }
    }
}

void Canvas::strokeCircle(float cx, float cy, float r, float lineWidth, const Rgba& colour) {
    float half = lineWidth * 0.5f;
    int x0 = static_cast<int>(std::floor(cx - r - half - 1)), x1 = static_cast<int>(std::ceil(cx + r + half + 1));
    int y0 = static_cast<int>(std::floor(cy - r - half - 1)), y1 = static_cast<int>(std::ceil(cy + r + half + 1));
    for (int y = std::max(0, y0); y < std::min(heightPx, y1); ++y) {
        for (int x = std::max(0, x0); x < std::min(widthPx, x1); ++x) {
            float d = std::fabs(std::hypot(x + 0.5f - cx, y + 0.5f - cy) - r);
            blend(x, y, colour, clampf(half - d + 0.5f, 0.0f, 1.0f));
        }
    }
}

void Canvas::drawLine(float x0, float y0, float x1, float y1, float lineWidth, const Rgba& colour) {
    float half = lineWidth * 0.5f;
    int bx0 = static_cast<int>(std::floor(std::min(x0, x1) - half - 1));
    int bx1 = static_cast<int>(std::ceil(std::max(x0, x1) + half + 1));
    int by0 = static_cast<int>(std::floor(std::min(y0, y1) - half - 1));
    int by1 = static_cast<int>(std::ceil(std::max(y0, y1) + half + 1));
    float dx = x1 - x0, dy = y1 - y0;
    float len2 = std::max(dx * dx + dy * dy, 1e-12f);
    for (int y = std::max(0, by0); y < std::min(heightPx, by1); ++y) {
        for (int x = std::max(0, bx0); x < std::min(widthPx, bx1); ++x) {
            float px = x + 0.5f - x0, py = y + 0.5f - y0;
            float t = clampf((px * dx + py * dy) / len2, 0.0f, 1.0f);
            float d = std::hypot(px - t * dx, py - t * dy);
            blend(x, y, colour, clampf(half - d + 0.5f, 0.0f, 1.0f));
        }
    }
}

void Canvas::paste(const Canvas& src, int x, int y) {
    for (int sy = 0; sy < src.height(); ++sy) {
        for (int sx = 0; sx < src.width(); ++sx) {
            blend(x + sx, y + sy, src.at(sx, sy));
        }
    }
}

namespace {

// One box-blur pass along a line of count pixels, stride apart, clamped at the ends.
void boxLine(Rgba* line, int count, int stride, int radius, std::vector<Rgba>& scratch) {
    scratch.resize(count);
    for (int i = 0; i < count; ++i) {
        scratch[i] = line[static_cast<size_t>(i) * stride];
    }
    float norm = 1.0f / (2 * radius + 1);
    for (int i = 0; i < count; ++i) {
        Rgba sum{0, 0, 0, 0};
        for (int k = -radius; k <= radius; ++k) {
            const Rgba& p = scratch[std::min(count - 1, std::max(0, i + k))];
            sum.r += p.r * p.a;
            sum.g += p.g * p.a;
            sum.b += p.b * p.a;
            sum.a += p.a;
        }
        Rgba& out = line[static_cast<size_t>(i) * stride];
        // Colours are averaged weighted by alpha so transparent pixels add no tint.
        if (sum.a > 0) {
            out = Rgba{sum.r / sum.a, sum.g / sum.a, sum.b / sum.a, sum.a * norm};
        } else {
            out = Rgba{0, 0, 0, 0};
        }
    }
}

}  // namespace

void Canvas::blur(int radiusPx, int passCount) {
    std::vector<Rgba> scratch;
    for (int p = 0; p < passCount; ++p) {
        for (int y = 0; y < heightPx; ++y) {
            boxLine(&at(0, y), widthPx, 1, radiusPx, scratch);
        }
        for (int x = 0; x < widthPx; ++x) {
            boxLine(&at(x, 0), heightPx, widthPx, radiusPx, scratch);
        }
    }
}

uint8_t Canvas::toByte(float v) {
    return static_cast<uint8_t>(std::lround(clampf(v, 0.0f, 1.0f) * 255.0f));
}

bool Canvas::writePng(const std::string& path, bool withAlpha) const {
    const int channels = withAlpha ? 4 : 3;
    std::vector<uint8_t> bytes(static_cast<size_t>(widthPx) * heightPx * channels);
    size_t o = 0;
    for (const Rgba& p : pixels) {
        bytes[o++] = toByte(p.r);
        bytes[o++] = toByte(p.g);
        bytes[o++] = toByte(p.b);
        if (withAlpha) {
            bytes[o++] = toByte(p.a);
        }
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    volatile bool ok = info != nullptr;
    if (ok && setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, file);
        png_set_compression_level(png, 9);
        png_set_IHDR(png, info, widthPx, heightPx, 8, withAlpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB,
                     PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int y = 0; y < heightPx; ++y) {
            png_write_row(png, &bytes[static_cast<size_t>(y) * widthPx * channels]);
        }
        png_write_end(png, nullptr);
    } else {
        ok = false;
    }
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0 && ok;
}

bool Canvas::writeJpeg(const std::string& path, int quality) const {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    std::vector<uint8_t> row(static_cast<size_t>(widthPx) * 3);
    jpeg_compress_struct info;
    JpegErrorTrap trap;
    info.err = jpeg_std_error(&trap.manager);
    trap.manager.error_exit = onJpegError;
    volatile bool ok = true;
    if (setjmp(trap.jump) == 0) {
        jpeg_create_compress(&info);
        jpeg_stdio_dest(&info, file);
        info.image_width = widthPx;
        info.image_height = heightPx;
        info.input_components = 3;
        info.in_color_space = JCS_RGB;
        jpeg_set_defaults(&info);
        jpeg_set_quality(&info, quality, TRUE);
        jpeg_start_compress(&info, TRUE);
        for (int y = 0; y < heightPx; ++y) {
            for (int x = 0; x < widthPx; ++x) {
                const Rgba& p = at(x, y);
                row[x * 3] = toByte(p.r);
                row[x * 3 + 1] = toByte(p.g);
                row[x * 3 + 2] = toByte(p.b);
            }
            JSAMPROW rows[1] = {row.data()};
            jpeg_write_scanlines(&info, rows, 1);
        }
        jpeg_finish_compress(&info);
    } else {
        ok = false;
    }
    jpeg_destroy_compress(&info);
    return std::fclose(file) == 0 && ok;
}
