// libFuzzer target for the JPEG decode that textures use. The demo hands damaged
// data to libjpeg's standard error manager, which ends the process by design;
// here the same decode runs under an error manager that jumps back instead, so
// that a damaged file is the documented outcome and anything else (a crash, a
// leak, a read out of bounds) is a finding.
#include "assets/JpegDecode.h"
#include "tests/fuzz/FuzzSupport.h"

#include <csetjmp>
#include <cstdlib>
#include <string>

namespace {

struct ReturningErrors {
    jpeg_error_mgr standard;
    std::jmp_buf back;
};

void jumpBack(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<ReturningErrors*>(cinfo->err)->back, 1);
}

void quiet(j_common_ptr, int) {}

constexpr JDIMENSION kFuzzMaxSide = 1024;

std::vector<uint8_t> jpegBytes(int width, int height, int components, bool progressive, int restartRows) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr errors;
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long length = 0;
    jpeg_mem_dest(&cinfo, &buffer, &length);
    cinfo.image_width = width;
    cinfo.image_height = height;
    cinfo.input_components = components;
    cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 50, TRUE);
    if (progressive) jpeg_simple_progression(&cinfo);
    cinfo.restart_in_rows = restartRows;
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(size_t(width) * components);
    while (cinfo.next_scanline < cinfo.image_height) {
        for (size_t x = 0; x < row.size(); ++x) row[x] = JSAMPLE(x * 29 + cinfo.next_scanline * 7);
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<uint8_t> bytes(buffer, buffer + length);
    std::free(buffer);
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const std::string folder = fuzz::seedFolder("FUZZ_SEED_DIR");
    if (folder.empty()) return 0;
    fuzz::writeSeed(folder, "seed-rgb.jpg", jpegBytes(19, 13, 3, false, 0));
    fuzz::writeSeed(folder, "seed-grey.jpg", jpegBytes(8, 21, 1, false, 1));
    fuzz::writeSeed(folder, "seed-cmyk.jpg", jpegBytes(17, 9, 4, false, 0));
    fuzz::writeSeed(folder, "seed-progressive.jpg", jpegBytes(33, 17, 3, true, 0));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::FILE* file = fuzz::openBytes(data, size);
    if (file == nullptr) return 0;
    // Everything a jump back must release lives outside the jumping frame's locals.
    static JpegImage image;
    static jpeg_decompress_struct cinfo;
    static ReturningErrors errors;
    image = JpegImage();
    cinfo.err = jpeg_std_error(&errors.standard);
    errors.standard.error_exit = jumpBack;
    errors.standard.emit_message = quiet;
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, file);
    if (setjmp(errors.back) == 0) {
        // Sides up to 1024: a declared 16384 x 16384 image with no data decodes
        // (as grey) for seconds, which tells nothing more than a small one.
        if (decodeJpeg(cinfo, image, kFuzzMaxSide) &&
            (image.pixels == nullptr || image.rowStride != 3 * image.width || image.width <= 0 || image.height <= 0)) {
            std::abort();
        }
    }
    freeJpegPixels(image);
    jpeg_destroy_decompress(&cinfo);
    std::fclose(file);
    return 0;
}
