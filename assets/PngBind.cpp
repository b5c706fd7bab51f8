#include "assets/PngBind.h"

#include "assets/PngImage.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <new>

namespace {

// A GL has a handful of error flags; one that reports more than this without
// end (a lost context, a broken driver) is not going to stop.
constexpr int kMaxStaleGlErrors = 64;

// Clears the error flags left by earlier calls, giving up on a GL that never runs dry.
void clearGlErrors() {
    for (int i = 0; i < kMaxStaleGlErrors && glGetError() != GL_NO_ERROR; ++i) {
    }
}

// The image scaled to width x height, or false when memory runs short.
bool scaleToUpload(const PngPixels& image, uint32_t width, uint32_t height, std::vector<uint8_t>& scaled) {
    try {
        scaled = scaleNearest(image, width, height);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

// The next power of two at or above side, no larger than maxSide.
uint32_t powerOfTwoSide(uint32_t side, uint32_t maxSide) {
    uint32_t size = 1;
    while (size < side && size < maxSide) size *= 2;
    return size < maxSide ? size : maxSide;
}

// Uploads with alignment 1 for packed rows, then puts both alignments back.
bool upload(const uint8_t* pixels, int channelCount, GLsizei width, GLsizei height, bool mipmap) {
    GLint packAlignment = 4, unpackAlignment = 4;
    glGetIntegerv(GL_PACK_ALIGNMENT, &packAlignment);
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpackAlignment);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    const GLenum format = channelCount == 4 ? GL_RGBA : GL_RGB;
    bool ok = true;
    if (mipmap) {
        ok = gluBuild2DMipmaps(GL_TEXTURE_2D, channelCount, width, height, format, GL_UNSIGNED_BYTE, pixels) == 0;
    } else {
        glTexImage2D(GL_TEXTURE_2D, 0, channelCount, width, height, 0, format, GL_UNSIGNED_BYTE, pixels);
    }
    glPixelStorei(GL_PACK_ALIGNMENT, packAlignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, unpackAlignment);
    return ok;
}

}  // namespace

unsigned int pngBind(const char* path, int mipmap, int trans, PngInfo* info, int wrapst, int minfilter,
                     int magfilter) {
    if (info != nullptr) {
        *info = PngInfo();
    }
    PngPixels image;
    if (!decodePng(path, trans != PNG_SOLID, image)) {
        return 0;
    }
    GLint maxSide = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSide);
    const uint32_t width = powerOfTwoSide(image.width, uint32_t(maxSide > 0 ? maxSide : 64));
    const uint32_t height = powerOfTwoSide(image.height, uint32_t(maxSide > 0 ? maxSide : 64));
    std::vector<uint8_t> scaled;
    if ((width != image.width || height != image.height) && !scaleToUpload(image, width, height, scaled)) {
        return 0;
    }
    const uint8_t* pixels = scaled.empty() ? image.bytes.data() : scaled.data();

    // GL reports upload failures only through its error flags, so start clean.
    clearGlErrors();
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrapst);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrapst);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minfilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magfilter);
    bool ok = upload(pixels, image.channelCount, GLsizei(width), GLsizei(height), mipmap != PNG_NOMIPMAP);
    if (!ok || glGetError() != GL_NO_ERROR) {
        glDeleteTextures(1, &name);
        return 0;
    }
    if (info != nullptr) {
        info->width = image.width;
        info->height = image.height;
        info->depth = image.fileBitDepth;
        info->alpha = image.channelCount == 4 ? 8 : 0;
    }
    return name;
}
