#include "assets/JpegDecode.h"

#include "assets/RegularFile.h"
#include "platform/MessageBox.h"

#include <new>

#include <jerror.h>

namespace {

// One decoded row of 1 (grey) or 4 (CMYK) samples per pixel into RGB.
void convertRow(const JSAMPLE* src, int componentCount, bool invertedCmyk, JDIMENSION width, uint8_t* dst) {
    for (JDIMENSION x = 0; x < width; ++x, dst += 3) {
        if (componentCount == 1) {
            dst[0] = dst[1] = dst[2] = src[x];
            continue;
        }
        const JSAMPLE* p = src + size_t(x) * 4;
        // Adobe writes CMYK inverted: the stored bytes are 255 - ink.
        const int k = invertedCmyk ? p[3] : 255 - p[3];
        for (int c = 0; c < 3; ++c) {
            const int paper = invertedCmyk ? p[c] : 255 - p[c];
            dst[c] = uint8_t((paper * k + 127) / 255);
        }
    }
}

// Reads all rows straight into the packed RGB buffer. The row table comes from
// the decompressor's own pool, so that any way out of the decode releases it.
void readRgbRows(jpeg_decompress_struct& cinfo, JpegImage& image) {
    JSAMPARRAY rows = static_cast<JSAMPARRAY>(
        (*cinfo.mem->alloc_small)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE, sizeof(JSAMPROW) * image.height));
    for (int32_t i = 0; i < image.height; ++i) {
        rows[i] = image.pixels + size_t(i) * image.rowStride;
    }
    while (cinfo.output_scanline < cinfo.output_height) {
        JDIMENSION first = cinfo.output_scanline;
        jpeg_read_scanlines(&cinfo, rows + first, cinfo.output_height - first);
    }
}

// Reads grey or CMYK rows one at a time and converts each to RGB.
void readConvertedRows(jpeg_decompress_struct& cinfo, JpegImage& image) {
    const int componentCount = cinfo.output_components;
    JSAMPARRAY row = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                                cinfo.output_width * componentCount, 1);
    while (cinfo.output_scanline < cinfo.output_height) {
        JDIMENSION y = cinfo.output_scanline;
        if (jpeg_read_scanlines(&cinfo, row, 1) == 1) {
            convertRow(row[0], componentCount, cinfo.saw_Adobe_marker, cinfo.output_width,
                       image.pixels + size_t(y) * image.rowStride);
        }
    }
}

}  // namespace

bool decodeJpeg(jpeg_decompress_struct& cinfo, JpegImage& image, JDIMENSION maxSide) {
    jpeg_read_header(&cinfo, TRUE);
    if (cinfo.image_width > maxSide || cinfo.image_height > maxSide) {
        ERREXIT1(&cinfo, JERR_IMAGE_TOO_BIG, maxSide);
    }
    jpeg_start_decompress(&cinfo);
    const int componentCount = cinfo.output_components;
    if (componentCount != 1 && componentCount != 3 && componentCount != 4) {
        ERREXIT(&cinfo, JERR_CONVERSION_NOTIMPL);
    }
    image.width = int32_t(cinfo.output_width);
    image.height = int32_t(cinfo.output_height);
    image.rowStride = 3 * image.width;
    image.pixels = new (std::nothrow) uint8_t[size_t(image.rowStride) * image.height];
    if (image.pixels == nullptr) {
        return false;
    }
    if (componentCount == 3) {
        readRgbRows(cinfo, image);
    } else {
        readConvertedRows(cinfo, image);
    }
    jpeg_finish_decompress(&cinfo);
    return true;
}

void freeJpegPixels(JpegImage& image) {
    delete[] image.pixels;
    image.pixels = nullptr;
}

JpegImage* loadJpeg(const char* path) {
    std::FILE* file = openRegularFile(path);
    if (file == nullptr) {
        showMessageBox(path, "Unable to load JPG File!");
        return nullptr;
    }
    // The standard error manager: damaged data prints the library's message on
    // standard error and ends the process with status 1.
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr errorManager;
    cinfo.err = jpeg_std_error(&errorManager);
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, file);
    // Short of memory for the record or its pixels: no image, nothing left open.
    JpegImage* image = new (std::nothrow) JpegImage;
    if (image != nullptr && !decodeJpeg(cinfo, *image)) {
        freeJpeg(image);
        image = nullptr;
    }
    jpeg_destroy_decompress(&cinfo);
    std::fclose(file);
    return image;
}

void freeJpeg(JpegImage* image) {
    if (image != nullptr) {
        freeJpegPixels(*image);
        delete image;
    }
}
