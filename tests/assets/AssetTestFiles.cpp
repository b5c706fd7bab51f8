#include "tests/assets/AssetTestFiles.h"

#include "tests/support/DebianPackage.h"
#include "tests/support/GLTestContext.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <jpeglib.h>

namespace fs = std::filesystem;

static std::string processFolder;  // removed at exit; constructed before the handler is registered

std::string scratchPath(const std::string& name) {
    static int serial = 0;
    if (processFolder.empty()) {
        processFolder = ::testing::TempDir() + "morvel-assets-" + std::to_string(getpid());
        std::atexit([] { std::error_code ignored; fs::remove_all(processFolder, ignored); });
    }
    fs::path path = processFolder + "/" + std::to_string(serial++) + "/" + name;
    fs::create_directories(path.parent_path());
    return path.string();
}

std::string saveBytes(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::string path = scratchPath(name);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return path;
}

std::vector<uint8_t> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string savePng(const TestPng& desc, const std::string& name) {
    const std::string path = scratchPath(name);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        ADD_FAILURE() << "libpng could not write " << path;
    } else {
        png_init_io(png, file);
        png_set_IHDR(png, info, desc.width, desc.height, desc.bitDepth, desc.colourType, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        const std::vector<uint8_t>& palette = desc.paletteRgb;
        if (!palette.empty()) png_set_PLTE(png, info, (png_const_colorp)palette.data(), int(palette.size() / 3));
        const std::vector<uint8_t>& alpha = desc.transparency;
        if (!alpha.empty()) png_set_tRNS(png, info, alpha.data(), int(alpha.size()), nullptr);
        if (desc.fileGamma > 0.0) png_set_gAMA(png, info, desc.fileGamma);
        png_write_info(png, info);
        for (int y = 0; y < desc.height && !desc.samples.empty(); ++y) {
            png_write_row(png, &desc.samples[desc.samples.size() / desc.height * y]);
        }
        if (!desc.samples.empty()) png_write_end(png, nullptr);
    }
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return path;
}

std::string saveJpeg(int width, int height, int componentCount, const std::vector<uint8_t>& samples,
                     const std::string& name) {
    std::string path = scratchPath(name);
    std::FILE* file = std::fopen(path.c_str(), "wb");
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
    jpeg_set_quality(&cinfo, 95, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(&samples[size_t(width) * componentCount * cinfo.next_scanline]);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::fclose(file);
    return path;
}

void freshGl() {
    testgl::ensureContext();
    testgl::resetState();
    unsetenv("VIEWING_GAMMA");
}

void expectGl(std::initializer_list<std::pair<unsigned int, int>> expected, bool texture) {
    for (auto [name, value] : expected) {
        GLint actual = -1;
        texture ? glGetTexParameteriv(GL_TEXTURE_2D, name, &actual) : glGetIntegerv(name, &actual);
        EXPECT_EQ(actual, value) << (texture ? "texture parameter 0x" : "GL state 0x") << std::hex << name;
    }
}

std::vector<uint32_t> boundTexels(int* width, int* height) {
    GLint w = 0, h = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
    std::vector<uint32_t> texels(size_t(w) * h);  // read back packed as 0xRRGGBBAA
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_INT_8_8_8_8, texels.data());
    if (width) *width = w;
    if (height) *height = h;
    return texels;
}

bool near(uint32_t actual, uint32_t expected, int tolerance) {
    for (int shift = 8; shift < 32; shift += 8) {
        if (std::abs(int(actual >> shift & 0xff) - int(expected >> shift & 0xff)) > tolerance) return false;
    }
    return true;
}

void expectPixels(std::initializer_list<std::tuple<int, int, uint32_t>> expected, int tolerance) {
    for (auto [x, y, colour] : expected) {
        EXPECT_TRUE(near(testgl::pixelAt(x, y), colour, tolerance)) << std::hex << testgl::pixelAt(x, y) << std::dec
                                                                     << " at " << x << ", " << y;
    }
}

std::string packageFolder(const std::string& p, const std::string& subfolder, const std::string& pattern) {
    const std::string folder = debianPackageFolder(p, pattern);
    return folder.empty() ? "" : folder + "/" + subfolder;
}

std::vector<uint32_t> referenceTexels(const std::string& path, int& width, int& height) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    std::vector<uint32_t> texels;
    if (png_image_begin_read_from_file(&image, path.c_str())) {
        image.format = PNG_FORMAT_ABGR;  // A, B, G, R bytes: 0xRRGGBBAA read as a little-endian word
        texels.resize(size_t(image.width) * image.height);
        if (!png_image_finish_read(&image, nullptr, texels.data(), 0, nullptr)) texels.clear();
        png_image_free(&image);
    }
    width = int(image.width);
    height = int(image.height);
    return texels;
}
