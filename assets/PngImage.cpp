#include "assets/PngImage.h"

#include "assets/RegularFile.h"

#include <png.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>

namespace {

// Sides beyond this are refused before anything is allocated for the pixels.
constexpr uint32_t kMaxSide = 16384;
// Deflate expands at most about 1032 to 1; a file whose rows could not fit in
// its own compressed bytes even at that ratio is damaged.
constexpr double kMaxInflateRatio = 1100.0;
constexpr double kDefaultFileGamma = 1.0 / 2.2;
// The ancillary chunks kept (PLTE and tRNS are always kept) are a few bytes
// long; anything that asks for more memory than this is refused on sight.
constexpr png_alloc_size_t kMaxChunkBytes = 64 * 1024;
// How many chunks libpng may store beyond the ones it needs.
constexpr png_uint_32 kMaxCachedChunks = 32;
// Chunks whose contents change the decoded pixels; every other ancillary chunk
// (text, palettes suggestions, profiles, ...) is skipped unread.
constexpr png_byte kUsedAncillaryChunks[] = "gAMA\0sRGB";

// Everything readRows touches lives here, outside the frame that libpng may
// longjmp back into.
struct PngDecode {
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::FILE* file = nullptr;
    long fileBytes = 0;
    bool keepAlpha = true;
    std::vector<png_bytep> rows;
};

void failSilently(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

void ignoreWarning(png_structp, png_const_charp) {}

long fileSize(std::FILE* file) {
    if (std::fseek(file, 0, SEEK_END) != 0) {
        return -1;
    }
    long size = std::ftell(file);
    return std::fseek(file, 0, SEEK_SET) == 0 ? size : -1;
}

// Expansion, alpha, 16-bit and grey transforms: the result is 8-bit RGB or RGBA.
void setColourTransforms(png_structp png, png_infop info, bool keepAlpha) {
    const int colourType = png_get_color_type(png, info);
    if (colourType == PNG_COLOR_TYPE_PALETTE) {
        png_set_palette_to_rgb(png);
    }
    if (colourType == PNG_COLOR_TYPE_GRAY && png_get_bit_depth(png, info) < 8) {
        png_set_expand_gray_1_2_4_to_8(png);
    }
    if (png_get_valid(png, info, PNG_INFO_tRNS) && keepAlpha) {
        png_set_tRNS_to_alpha(png);
    }
    if ((colourType & PNG_COLOR_MASK_ALPHA) && !keepAlpha) {
        png_set_strip_alpha(png);
    }
    if (png_get_bit_depth(png, info) == 16) {
        png_set_scale_16(png);
    }
    if (!(colourType & PNG_COLOR_MASK_COLOR)) {
        png_set_gray_to_rgb(png);
    }
}

// Corrects for the screen only when file and screen gamma do not already cancel.
void setGammaTransform(png_structp png, png_infop info) {
    double fileGamma = kDefaultFileGamma;
    if (png_get_valid(png, info, PNG_INFO_gAMA)) {
        png_get_gAMA(png, info, &fileGamma);
    }
    const double screen = screenGamma();
    if (std::fabs(fileGamma * screen - 1.0) >= 0.05) {
        png_set_gamma(png, screen, fileGamma);
    }
}

bool sizeIsPlausible(png_structp png, png_infop info, long fileBytes) {
    const uint32_t width = png_get_image_width(png, info);
    const uint32_t height = png_get_image_height(png, info);
    if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide) {
        return false;
    }
    const double bitsPerPixel = double(png_get_bit_depth(png, info)) * png_get_channels(png, info);
    const double rawBytes = double(height) * (1.0 + std::ceil(width * bitsPerPixel / 8.0));
    return rawBytes <= double(fileBytes) * kMaxInflateRatio;
}

// Bounds every allocation libpng makes for a chunk, and drops what the
// decoder never looks at, so a small file cannot ask for gigabytes.
void setReadLimits(png_structp png) {
    png_set_user_limits(png, kMaxSide, kMaxSide);
    png_set_chunk_malloc_max(png, kMaxChunkBytes);
    png_set_chunk_cache_max(png, kMaxCachedChunks);
    // -1: every known chunk except IHDR, PLTE, tRNS, IDAT and IEND, and every unknown one.
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_AS_DEFAULT, kUsedAncillaryChunks, 2);
}

// The pixel buffer and its row table; false when memory runs short.
bool allocateRows(PngDecode& d, PngPixels& out, size_t rowBytes) {
    try {
        out.bytes.assign(rowBytes * out.height, 0);
        d.rows.resize(out.height);
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (uint32_t y = 0; y < out.height; ++y) {
        d.rows[y] = out.bytes.data() + rowBytes * y;
    }
    return true;
}

bool readRows(PngDecode& d, PngPixels& out) {
    if (setjmp(png_jmpbuf(d.png))) {
        return false;
    }
    png_init_io(d.png, d.file);
    png_set_sig_bytes(d.png, 8);
    setReadLimits(d.png);
    png_read_info(d.png, d.info);
    if (!sizeIsPlausible(d.png, d.info, d.fileBytes)) {
        return false;
    }
    out.fileBitDepth = png_get_bit_depth(d.png, d.info);
    setColourTransforms(d.png, d.info, d.keepAlpha);
    setGammaTransform(d.png, d.info);
    png_set_interlace_handling(d.png);
    png_read_update_info(d.png, d.info);
    out.width = png_get_image_width(d.png, d.info);
    out.height = png_get_image_height(d.png, d.info);
    out.channelCount = png_get_channels(d.png, d.info);
    const size_t rowBytes = png_get_rowbytes(d.png, d.info);
    if ((out.channelCount != 3 && out.channelCount != 4) || rowBytes != size_t(out.width) * out.channelCount) {
        return false;
    }
    if (!allocateRows(d, out, rowBytes)) {
        return false;
    }
    png_read_image(d.png, d.rows.data());
    png_read_end(d.png, nullptr);
    return true;
}

bool hasPngSignature(std::FILE* file) {
    png_byte signature[8];
    return std::fread(signature, 1, 8, file) == 8 && png_sig_cmp(signature, 0, 8) == 0;
}

}  // namespace

double screenGamma() {
    const char* viewing = std::getenv("VIEWING_GAMMA");
    double value = viewing != nullptr ? std::strtod(viewing, nullptr) : 0.0;
    return value > 0.0 ? 2.2 / value : 2.2;
}

bool decodePng(const char* path, bool keepAlpha, PngPixels& out) {
    std::FILE* file = openRegularFile(path);
    if (file == nullptr) {
        out = PngPixels();
        return false;
    }
    const bool ok = decodePngFile(file, keepAlpha, out);
    std::fclose(file);
    return ok;
}

bool decodePngFile(std::FILE* file, bool keepAlpha, PngPixels& out) {
    PngDecode d;
    d.keepAlpha = keepAlpha;
    d.file = file;
    d.fileBytes = fileSize(d.file);
    bool ok = false;
    if (d.fileBytes > 0 && hasPngSignature(d.file)) {
        d.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, failSilently, ignoreWarning);
        d.info = d.png != nullptr ? png_create_info_struct(d.png) : nullptr;
        ok = d.info != nullptr && readRows(d, out);
        png_destroy_read_struct(&d.png, d.info != nullptr ? &d.info : nullptr, nullptr);
    }
    if (!ok) {
        out = PngPixels();
    }
    return ok;
}

std::vector<uint8_t> scaleNearest(const PngPixels& image, uint32_t newWidth, uint32_t newHeight) {
    const size_t pixelBytes = size_t(image.channelCount);
    std::vector<uint8_t> scaled(size_t(newWidth) * newHeight * pixelBytes);
    uint8_t* dst = scaled.data();
    for (uint32_t y = 0; y < newHeight; ++y) {
        const uint32_t srcY = uint32_t(uint64_t(y) * image.height / newHeight);
        const uint8_t* srcRow = image.bytes.data() + size_t(srcY) * image.width * pixelBytes;
        for (uint32_t x = 0; x < newWidth; ++x) {
            const uint8_t* src = srcRow + size_t(uint64_t(x) * image.width / newWidth) * pixelBytes;
            for (size_t c = 0; c < pixelBytes; ++c) *dst++ = src[c];
        }
    }
    return scaled;
}
