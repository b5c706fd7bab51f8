#pragma once
// A PNG read whole as 8-bit RGB, for tests that compare the pictures the demo's
// tools write. Header only: the runners that use it are built from their own
// sources alone.
#include <png.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace png_test {

struct Image {
    int width = 0;   // 0 when the file could not be read
    int height = 0;
    std::vector<uint8_t> rgb;  // top row first

    const uint8_t* at(int x, int y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
};

inline Image readPng(const std::string& path) {
    Image image;
    png_image png = {};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) {
        return image;
    }
    png.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(png));
    if (png_image_finish_read(&png, nullptr, rgb.data(), 0, nullptr)) {
        image.width = static_cast<int>(png.width);
        image.height = static_cast<int>(png.height);
        image.rgb = std::move(rgb);
    }
    return image;
}

}  // namespace png_test
