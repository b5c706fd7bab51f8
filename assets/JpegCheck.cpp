#include "assets/JpegCheck.h"

#include "assets/RegularFile.h"

#include <csetjmp>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

namespace {

// libjpeg reports through callbacks with no room for a C++ object beyond the
// manager itself, so the way back out is a longjmp kept beside it.
struct CheckingErrors {
    jpeg_error_mgr manager;
    std::jmp_buf escape;
    char message[JMSG_LENGTH_MAX];
};

void leaveOnError(j_common_ptr cinfo) {
    CheckingErrors* errors = reinterpret_cast<CheckingErrors*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, errors->message);
    std::longjmp(errors->escape, 1);
}

void keepWarning(j_common_ptr cinfo, int level) {
    CheckingErrors* errors = reinterpret_cast<CheckingErrors*>(cinfo->err);
    if (level < 0 && errors->manager.num_warnings++ == 0) {
        (*cinfo->err->format_message)(cinfo, errors->message);
    }
}

// Decodes every row into one reused row; false when libjpeg gave up.
bool decodeAllRows(jpeg_decompress_struct& cinfo, CheckingErrors& errors) {
    if (setjmp(errors.escape) != 0) {
        return false;
    }
    jpeg_read_header(&cinfo, TRUE);
    // The texture loader refuses larger sides by ending the process.
    if (cinfo.image_width > 16384 || cinfo.image_height > 16384) {
        std::snprintf(errors.message, sizeof errors.message, "a side is larger than 16384 pixels");
        return false;
    }
    jpeg_start_decompress(&cinfo);
    JSAMPARRAY row = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                                cinfo.output_width * cinfo.output_components, 1);
    while (cinfo.output_scanline < cinfo.output_height) {
        jpeg_read_scanlines(&cinfo, row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    return true;
}

}  // namespace

bool jpegDecodesWhole(const char* path, std::string& why) {
    std::FILE* file = openRegularFile(path);
    if (file == nullptr) {
        why = "cannot be opened";
        return false;
    }
    jpeg_decompress_struct cinfo;
    CheckingErrors errors{};
    cinfo.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = leaveOnError;
    errors.manager.emit_message = keepWarning;
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, file);
    const bool decoded = decodeAllRows(cinfo, errors);
    const bool clean = decoded && errors.manager.num_warnings == 0;
    jpeg_destroy_decompress(&cinfo);
    std::fclose(file);
    if (!clean) {
        why = errors.message;
    }
    return clean;
}
