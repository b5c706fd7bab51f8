#include "assets/Texture.h"

#include "assets/JpegImage.h"
#include "assets/PngBind.h"
#include "platform/CanvasSize.h"
#include "platform/MatrixStack.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstring>
#include <initializer_list>

// OpenGL 1.2; the Windows headers stop at 1.1.
#ifndef GL_CLAMP_TO_EDGE
#define GL_CLAMP_TO_EDGE 0x812F
#endif

namespace {

// True when the text after the path's first dot is exactly one of the four
// accepted spellings and ends the path.
bool takesPngPath(const char* path) {
    const char* dot = std::strchr(path, '.');
    if (dot == nullptr) {
        return false;
    }
    const char* extension = dot + 1;
    for (const char* form : {"png", "Png", "PNg", "PNG"}) {
        if (std::strcmp(extension, form) == 0) {
            return true;
        }
    }
    return false;
}

bool isPowerOfTwo(int side) {
    return side > 0 && (side & (side - 1)) == 0;
}

// The wrap and filter settings of the bound texture that an overlay may change.
struct SamplingParameters {
    GLint wrapS = GL_REPEAT, wrapT = GL_REPEAT, magFilter = GL_LINEAR;
};

SamplingParameters boundSampling() {
    SamplingParameters p;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &p.wrapS);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &p.wrapT);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &p.magFilter);
    return p;
}

void setBoundSampling(const SamplingParameters& p) {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, p.wrapS);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, p.wrapT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, p.magFilter);
}

// The image as one quad over (x, y, width, height) of the overlay space; the
// top row of the image sits at t = 0, so the top edge gets t = 0.
void overlayQuad(int x, int y, int width, int height) {
    const float left = float(x), right = float(x + width);
    const float bottom = float(y), top = float(y + height);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 1);
    glVertex3f(left, bottom, 0);
    glTexCoord2f(1, 1);
    glVertex3f(right, bottom, 0);
    glTexCoord2f(1, 0);
    glVertex3f(right, top, 0);
    glTexCoord2f(0, 0);
    glVertex3f(left, top, 0);
    glEnd();
}

}  // namespace

OverlaySampling overlaySampling(int viewportWidth, int viewportHeight, int width, int height, int textureWidth,
                                int textureHeight) {
    OverlaySampling sampling;
    if (viewportWidth == kLayoutWidth && viewportHeight == kLayoutHeight) {
        return sampling;
    }
    sampling.asMade = false;
    sampling.clampToEdge = true;
    const bool texelPerUnit = width == textureWidth && height == textureHeight;
    const bool wholeMultiple = viewportWidth % kLayoutWidth == 0 && viewportHeight % kLayoutHeight == 0 &&
                               viewportWidth / kLayoutWidth == viewportHeight / kLayoutHeight;
    sampling.nearest = texelPerUnit && wholeMultiple && viewportWidth > kLayoutWidth;
    return sampling;
}

Texture::Texture(const char* path) {
    load(path);
}

void Texture::setClamp() {
    glBindTexture(GL_TEXTURE_2D, textureName);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
}

void Texture::setRepeat() {
    glBindTexture(GL_TEXTURE_2D, textureName);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
}

void Texture::bind() {
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, textureName);
}

void Texture::unbind() {
    glDisable(GL_TEXTURE_2D);
}

// The overlay space is the layout space, fixed whatever the viewport or the
// canvas's pixel size; the glOrtho below spells it out.
static_assert(kLayoutWidth == 800 && kLayoutHeight == 600, "drawOverlay's glOrtho is the layout space");

void Texture::drawOverlay(int x, int y, int width, int height, bool blend) {
    pushIdentityMatrix(GL_PROJECTION);
    glOrtho(0, 800, 0, 600, -1, 1);
    pushIdentityMatrix(GL_MODELVIEW);
    if (blend) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, textureName);
    GLint viewport[4] = {0, 0, kLayoutWidth, kLayoutHeight};
    glGetIntegerv(GL_VIEWPORT, viewport);
    // The uploaded texture keeps the file's sides only when they are powers of two.
    const bool uploadedAsIs = isPowerOfTwo(this->width) && isPowerOfTwo(this->height);
    const OverlaySampling sampling = overlaySampling(viewport[2], viewport[3], width, height,
                                                     uploadedAsIs ? this->width : 0, uploadedAsIs ? this->height : 0);
    if (sampling.asMade) {
        overlayQuad(x, y, width, height);
    } else {
        const SamplingParameters found = boundSampling();
        SamplingParameters used = found;
        if (sampling.clampToEdge) {
            used.wrapS = used.wrapT = GL_CLAMP_TO_EDGE;
        }
        if (sampling.nearest) {
            used.magFilter = GL_NEAREST;
        }
        setBoundSampling(used);
        overlayQuad(x, y, width, height);
        setBoundSampling(found);
    }
    glDisable(GL_TEXTURE_2D);
    popModelViewThenProjection();
}

void Texture::load(const char* path) {
    textureName = 0;
    if (takesPngPath(path)) {
        PngInfo info;
        textureName = pngBind(path, PNG_NOMIPMAP, PNG_ALPHA, &info, GL_REPEAT, GL_LINEAR, GL_LINEAR);
        width = int32_t(info.width);
        height = int32_t(info.height);
        return;
    }
    JpegImage* image = loadJpeg(path);
    if (image == nullptr) {
        // The box has been shown; the texture stays without an image.
        width = 0;
        height = 0;
        return;
    }
    glGenTextures(1, &textureName);
    glBindTexture(GL_TEXTURE_2D, textureName);
    // Decoded rows are packed (3 x width bytes), so read them with alignment 1.
    GLint unpackAlignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpackAlignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gluBuild2DMipmaps(GL_TEXTURE_2D, 3, image->width, image->height, GL_RGB, GL_UNSIGNED_BYTE, image->pixels);
    glPixelStorei(GL_UNPACK_ALIGNMENT, unpackAlignment);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    width = image->width;
    height = image->height;
    freeJpeg(image);
}
