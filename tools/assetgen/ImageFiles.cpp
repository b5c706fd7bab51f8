#include "tools/assetgen/ImageFiles.h"

#include "tools/assetgen/JpegErrorTrap.h"

#include <jpeglib.h>
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <vector>

namespace {

bool endsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

bool loadPng(const std::string& path, Canvas& canvas) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        return false;
    }
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> bytes(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, bytes.data(), 0, nullptr)) {
        png_image_free(&image);
        return false;
    }
    Canvas out(image.width, image.height);
    for (uint32_t y = 0; y < image.height; ++y) {
        for (uint32_t x = 0; x < image.width; ++x) {
            const uint8_t* p = &bytes[(static_cast<size_t>(y) * image.width + x) * 4];
            out.at(x, y) = Rgba{p[0] / 255.0f, p[1] / 255.0f, p[2] / 255.0f, p[3] / 255.0f};
        }
    }
    canvas = out;
    return true;
}

bool loadJpeg(const std::string& path, Canvas& canvas) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    jpeg_decompress_struct info;
    JpegErrorTrap trap;
    info.err = jpeg_std_error(&trap.manager);
    trap.manager.error_exit = onJpegError;
    bool ok = false;
    if (setjmp(trap.jump) == 0) {
        jpeg_create_decompress(&info);
        jpeg_stdio_src(&info, file);
        jpeg_read_header(&info, TRUE);
        info.out_color_space = JCS_RGB;
        jpeg_start_decompress(&info);
        Canvas out(info.output_width, info.output_height);
        std::vector<uint8_t> row(static_cast<size_t>(info.output_width) * 3);
        while (info.output_scanline < info.output_height) {
            int y = info.output_scanline;
            JSAMPROW rows[1] = {row.data()};
            jpeg_read_scanlines(&info, rows, 1);
            for (uint32_t x = 0; x < info.output_width; ++x) {
                out.at(x, y) = Rgba{row[x * 3] / 255.0f, row[x * 3 + 1] / 255.0f, row[x * 3 + 2] / 255.0f, 1.0f};
            }
        }
        jpeg_finish_decompress(&info);
        canvas = out;
        ok = true;
    }
    jpeg_destroy_decompress(&info);
    std::fclose(file);
    return ok;
}

}  // namespace

bool loadImageFile(const std::string& path, Canvas& canvas) {
    return endsWith(path, ".jpg") ? loadJpeg(path, canvas) : loadPng(path, canvas);
}
