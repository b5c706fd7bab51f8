// libFuzzer target for the PNG decoding that textures use: any bytes give a
// failure or a packed RGB/RGBA image of the size reported, within the reader's
// chunk and size limits, and the power-of-two copy made for upload.
#include "assets/PngImage.h"
#include "tests/fuzz/FuzzSupport.h"

#include <png.h>

#include <cstdlib>
#include <string>

namespace {

uint32_t powerOfTwoSide(uint32_t side) {
    uint32_t size = 1;
    while (size < side && size < 16384) size *= 2;
    return size;
}

// A small PNG written with libpng, with a text chunk, gamma and transparency where asked.
std::vector<uint8_t> pngBytes(int width, int height, int colourType, int bitDepth, bool extras) {
    std::vector<uint8_t> bytes;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<uint8_t> row(size_t(width) * 8, 0);
    if (setjmp(png_jmpbuf(png)) == 0) {
        png_set_write_fn(
            png, &bytes,
            [](png_structp p, png_bytep data, size_t length) {
                auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(p));
                out->insert(out->end(), data, data + length);
            },
            nullptr);
        png_set_IHDR(png, info, width, height, bitDepth, colourType, extras ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_color palette[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {9, 9, 9}};
        png_byte alpha[2] = {0, 128};
        if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_PLTE(png, info, palette, 4);
        if (extras && colourType == PNG_COLOR_TYPE_PALETTE) png_set_tRNS(png, info, alpha, 2, nullptr);
        if (extras) {
            png_set_gAMA(png, info, 0.7);
            png_text text{};
            text.compression = PNG_TEXT_COMPRESSION_zTXt;
            text.key = const_cast<char*>("Comment");
            text.text = const_cast<char*>("a seed");
            png_set_text(png, info, &text, 1);
        }
        png_write_info(png, info);
        const int passes = png_set_interlace_handling(png);
        for (int pass = 0; pass < passes; ++pass) {
            for (int y = 0; y < height; ++y) {
                for (size_t x = 0; x < row.size(); ++x) row[x] = uint8_t(x * 37 + y * 11);
                png_write_row(png, row.data());
            }
        }
        png_write_end(png, nullptr);
    } else {
        bytes.clear();
    }
    png_destroy_write_struct(&png, &info);
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const std::string folder = fuzz::seedFolder("FUZZ_SEED_DIR");
    if (folder.empty()) return 0;
    const int types[][2] = {{PNG_COLOR_TYPE_RGB, 8}, {PNG_COLOR_TYPE_RGB_ALPHA, 16}, {PNG_COLOR_TYPE_GRAY, 1},
                            {PNG_COLOR_TYPE_GRAY_ALPHA, 8}, {PNG_COLOR_TYPE_PALETTE, 2}};
    int n = 0;
    for (const auto& type : types) {
        for (bool extras : {false, true}) {
            fuzz::writeSeed(folder, "seed-" + std::to_string(n) + ".png", pngBytes(5 + n, 3 + n % 4, type[0], type[1], extras));
            ++n;
        }
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::FILE* file = fuzz::openBytes(data, size);
    if (file == nullptr) return 0;
    PngPixels image;
    const bool ok = decodePngFile(file, true, image);
    std::fclose(file);
    if (!ok) {
        if (!image.bytes.empty() || image.width != 0) std::abort();
        return 0;
    }
    if ((image.channelCount != 3 && image.channelCount != 4) ||
        image.bytes.size() != size_t(image.width) * image.height * image.channelCount) {
        std::abort();
    }
    const std::vector<uint8_t> scaled = scaleNearest(image, powerOfTwoSide(image.width), powerOfTwoSide(image.height));
    if (scaled.size() != size_t(powerOfTwoSide(image.width)) * powerOfTwoSide(image.height) * image.channelCount) {
        std::abort();
    }
    return 0;
}
