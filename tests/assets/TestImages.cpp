#include "tests/assets/TestImages.h"

#include <GL/gl.h>
#include <png.h>

#include <cstdio>
#include <jpeglib.h>

namespace assettest {

namespace {

bool writePngRows(png_structp png, png_infop info, const PngSpec& desc, std::FILE* file) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, desc.width, desc.height, desc.bitDepth, desc.colourType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!desc.paletteRgb.empty()) {
        png_set_PLTE(png, info, reinterpret_cast<png_const_colorp>(desc.paletteRgb.data()),
                     int(desc.paletteRgb.size() / 3));
    }
    if (!desc.transparency.empty()) {
        png_set_tRNS(png, info, desc.transparency.data(), int(desc.transparency.size()), nullptr);
    }
    if (desc.fileGamma > 0.0) {
        png_set_gAMA(png, info, desc.fileGamma);
    }
    png_write_info(png, info);
    const size_t rowBytes = desc.samples.size() / size_t(desc.height);
    for (int y = 0; y < desc.height; ++y) {
        png_write_row(png, desc.samples.data() + rowBytes * y);
    }
    png_write_end(png, nullptr);
    return true;
}

}  // namespace

bool writePng(const std::string& path, const PngSpec& desc) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    bool ok = writePngRows(png, info, desc, file);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0 && ok;
}

bool writeJpeg(const std::string& path, int width, int height, int componentCount,
               const std::vector<uint8_t>& samples, int quality) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    jpeg_compress_struct cinfo;
    jpeg_error_mgr errorManager;
    cinfo.err = jpeg_std_error(&errorManager);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, file);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = componentCount;
    cinfo.in_color_space = componentCount == 1 ? JCS_GRAYSCALE : componentCount == 4 ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    const size_t rowBytes = size_t(width) * componentCount;
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(samples.data() + rowBytes * cinfo.next_scanline);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return std::fclose(file) == 0;
}

std::vector<uint8_t> boundTextureRgba(int* width, int* height) {
    GLint w = 0, h = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
    std::vector<uint8_t> rgba(size_t(w) * h * 4);
    GLint packAlignment = 4;
    glGetIntegerv(GL_PACK_ALIGNMENT, &packAlignment);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    glPixelStorei(GL_PACK_ALIGNMENT, packAlignment);
    if (width) *width = w;
    if (height) *height = h;
    return rgba;
}

}  // namespace assettest
