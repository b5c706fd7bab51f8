#include "tests/fx/FxTestImages.h"

#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace fxtest {

Image::Image(int width, int height)
    : width(width), height(height), rgba(size_t(width) * size_t(height) * 4, 0) {}

uint8_t* Image::at(int x, int y) {
    return rgba.data() + (size_t(y) * size_t(width) + size_t(x)) * 4;
}

const uint8_t* Image::at(int x, int y) const {
    return rgba.data() + (size_t(y) * size_t(width) + size_t(x)) * 4;
}

namespace {

void setPixel(Image& image, int x, int y, int red, int green, int blue) {
    uint8_t* p = image.at(x, y);
    p[0] = uint8_t(red);
    p[1] = uint8_t(green);
    p[2] = uint8_t(blue);
    p[3] = 255;
}

uint8_t roundToByte(double value) {
    return uint8_t(std::lround(std::clamp(value, 0.0, 255.0)));
}

int wrap(int index, int size) {
    int wrapped = index % size;
    return wrapped < 0 ? wrapped + size : wrapped;
}

}  // namespace

Image uniformImage(int width, int height, uint8_t red, uint8_t green, uint8_t blue) {
    Image image(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            setPixel(image, x, y, red, green, blue);
        }
    }
    return image;
}

Image blockPattern(int width, int height) {
    Image image(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int bx = x / 8;
            const int by = y / 8;
            setPixel(image, x, y, (bx * 37 + 11) % 256, (by * 53 + 7) % 256, ((bx + by) * 29 + 90) % 256);
        }
    }
    return image;
}

Image glowTestFrame() {
    Image image(800, 600);
    for (int y = 0; y < 600; ++y) {
        for (int x = 0; x < 800; ++x) {
            int red = 20 + x * 40 / 800;
            int green = 25;
            int blue = 40 + y * 60 / 600;
            if (x >= 300 && x < 500 && y >= 200 && y < 400) {
                red = 250, green = 240, blue = 200;
            } else if ((x - 150) * (x - 150) + (y - 450) * (y - 450) < 60 * 60) {
                red = 230, green = 40, blue = 30;
            } else if (x >= 600 && x < 760 && y % 40 < 6) {
                red = 30, green = 220, blue = 230;
            }
            setPixel(image, x, y, red, green, blue);
        }
    }
    return image;
}

void drawImage(const Image& image) {
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glWindowPos2i(0, 0);
    glDrawPixels(image.width, image.height, GL_RGBA, GL_UNSIGNED_BYTE, image.rgba.data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPopAttrib();
}

void fillScreen(uint8_t red, uint8_t green, uint8_t blue) {
    glPushAttrib(GL_COLOR_BUFFER_BIT);
    glClearColor(red / 255.0f, green / 255.0f, blue / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glPopAttrib();
}

Image readImage(int width, int height) {
    Image image(width, height);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, image.rgba.data());
    return image;
}

int maxColourDifference(const Image& a, const Image& b) {
    int worst = 0;
    for (size_t i = 0; i < a.rgba.size() && i < b.rgba.size(); ++i) {
        if (i % 4 != 3) {
            worst = std::max(worst, std::abs(int(a.rgba[i]) - int(b.rgba[i])));
        }
    }
    return a.rgba.size() == b.rgba.size() ? worst : 256;
}

Image textureOf(const Image& image, int textureWidth, int textureHeight) {
    Image texture(textureWidth, textureHeight);
    for (int y = 0; y < image.height; ++y) {
        std::copy(image.at(0, y), image.at(0, y) + image.width * 4, texture.at(0, y));
    }
    return texture;
}

void sampleLinear(const Image& texture, double u, double v, double out[3]) {
    const double fu = u - 0.5;
    const double fv = v - 0.5;
    const int x0 = int(std::floor(fu));
    const int y0 = int(std::floor(fv));
    const double ax = fu - x0;
    const double ay = fv - y0;
    const uint8_t* p00 = texture.at(wrap(x0, texture.width), wrap(y0, texture.height));
    const uint8_t* p10 = texture.at(wrap(x0 + 1, texture.width), wrap(y0, texture.height));
    const uint8_t* p01 = texture.at(wrap(x0, texture.width), wrap(y0 + 1, texture.height));
    const uint8_t* p11 = texture.at(wrap(x0 + 1, texture.width), wrap(y0 + 1, texture.height));
    for (int c = 0; c < 3; ++c) {
        const double bottom = p00[c] * (1 - ax) + p10[c] * ax;
        const double top = p01[c] * (1 - ax) + p11[c] * ax;
        out[c] = bottom * (1 - ay) + top * ay;
    }
}

Image drawScaledLinear(const Image& texture, double sExtent, double tExtent, int width, int height) {
    Image out(width, height);
    double colour[3];
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double u = (x + 0.5) / width * sExtent * texture.width;
            const double v = (y + 0.5) / height * tExtent * texture.height;
            sampleLinear(texture, u, v, colour);
            setPixel(out, x, y, roundToByte(colour[0]), roundToByte(colour[1]), roundToByte(colour[2]));
        }
    }
    return out;
}

Image blurPassModel(const Image& image, int radius, int shiftPixels, bool vertical, double tapWeight) {
    // The blender sees the tap weight as an 8-bit alpha.
    const double alpha = std::round(std::clamp(tapWeight, 0.0, 1.0) * 255.0) / 255.0;
    std::vector<double> sum(image.rgba.size(), 0.0);
    for (int tap = -radius; tap <= radius; ++tap) {
        const int shift = tap * shiftPixels;
        for (int y = 0; y < image.height; ++y) {
            for (int x = 0; x < image.width; ++x) {
                const int sx = vertical ? x : x - shift;
                const int sy = vertical ? y - shift : y;
                if (sx < 0 || sx >= image.width || sy < 0 || sy >= image.height) {
                    continue;
                }
                const size_t i = (size_t(y) * image.width + x) * 4;
                for (int c = 0; c < 3; ++c) {
                    sum[i + c] = std::min(255.0, sum[i + c] + roundToByte(image.at(sx, sy)[c] * alpha));
                }
            }
        }
    }
    Image out(image.width, image.height);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const size_t i = (size_t(y) * image.width + x) * 4;
            setPixel(out, x, y, int(sum[i]), int(sum[i + 1]), int(sum[i + 2]));
        }
    }
    return out;
}

Image drawScaledNearest(const Image& small, int width, int height, std::vector<bool>* ambiguous) {
    Image out(width, height);
    ambiguous->assign(size_t(width) * size_t(height), false);
    for (int y = 0; y < height; ++y) {
        const double v = (y + 0.5) * small.height / height;
        const bool nearRowEdge = std::abs(v - std::round(v)) < 0.01;
        for (int x = 0; x < width; ++x) {
            const double u = (x + 0.5) * small.width / width;
            const uint8_t* p = small.at(int(u), int(v));
            setPixel(out, x, y, p[0], p[1], p[2]);
            (*ambiguous)[size_t(y) * width + x] = nearRowEdge || std::abs(u - std::round(u)) < 0.01;
        }
    }
    return out;
}

}  // namespace fxtest
