// Texture calls of the browser build's GL compatibility layer (see GLCompat.h).
#define GLCOMPAT_NO_RENAMING
#include "web/gl/GLCompat.h"

#include "web/gl/MipmapChain.h"
#include "web/gl/TextureState.h"

#include <unordered_map>
#include <vector>

namespace {

GLuint boundTexture = 0;
std::unordered_map<GLuint, TextureState> records;

GLenum formatFor(GLint internalFormat) {
    switch (internalFormat) {
        case 1: return GL_LUMINANCE;
        case 2: return GL_LUMINANCE_ALPHA;
        case 3: return GL_RGB;
        case 4: return GL_RGBA;
        default: return GLenum(internalFormat);
    }
}

int componentsOf(GLenum format) {
    switch (format) {
        case GL_LUMINANCE: return 1;
        case GL_LUMINANCE_ALPHA: return 2;
        case GL_RGB: return 3;
        case GL_RGBA: return 4;
        default: return 0;
    }
}

}  // namespace

const TextureState* boundTextureState() {
    auto found = records.find(boundTexture);
    return found != records.end() && found->second.format != 0 ? &found->second : nullptr;
}

namespace glcompat {

void texImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height, GLint border,
                GLenum format, GLenum type, const void* pixels) {
    const GLenum internal = formatFor(internalFormat);
    if (target == GL_TEXTURE_2D && level == 0) {
        TextureState& record = records[boundTexture];
        record.format = internal;
        record.width = width;
        record.height = height;
        record.levelCount = record.levelCount > 1 ? record.levelCount : 1;
    } else if (target == GL_TEXTURE_2D && level > 0) {
        TextureState& record = records[boundTexture];
        record.levelCount = record.levelCount > level ? record.levelCount : level + 1;
    }
    glTexImage2D(target, level, GLint(internal), width, height, border, format, type, pixels);
}

void texParameteri(GLenum target, GLenum name, GLint value) {
    if ((name == GL_TEXTURE_WRAP_S || name == GL_TEXTURE_WRAP_T) && value == GL_CLAMP) {
        value = GL_CLAMP_TO_EDGE;
    }
    if (target == GL_TEXTURE_2D) {
        TextureState& record = records[boundTexture];
        switch (name) {
            case GL_TEXTURE_MIN_FILTER: record.minFilter = value; break;
            case GL_TEXTURE_MAG_FILTER: record.magFilter = value; break;
            case GL_TEXTURE_WRAP_S: record.wrapS = value; break;
            case GL_TEXTURE_WRAP_T: record.wrapT = value; break;
            default: break;
        }
    }
    glTexParameteri(target, name, value);
}

void bindTexture(GLenum target, GLuint texture) {
    if (target == GL_TEXTURE_2D) {
        boundTexture = texture;
    }
    glBindTexture(target, texture);
}

void deleteTextures(GLsizei count, const GLuint* textures) {
    for (GLsizei i = 0; i < count; ++i) {
        records.erase(textures[i]);
        if (textures[i] == boundTexture) {
            boundTexture = 0;
        }
    }
    glDeleteTextures(count, textures);
}

void copyTexSubImage2D(GLenum target, GLint level, GLint xOffset, GLint yOffset, GLint x, GLint y, GLsizei width,
                       GLsizei height) {
    auto found = records.find(boundTexture);
    if (target == GL_TEXTURE_2D && level == 0 && found != records.end() && found->second.format == GL_RGBA) {
        TextureState& record = found->second;
        GLint unpackAlignment = 4;
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpackAlignment);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        const std::vector<unsigned char> black(size_t(record.width) * size_t(record.height) * 3, 0);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, record.width, record.height, 0, GL_RGB, GL_UNSIGNED_BYTE,
                     black.data());
        glPixelStorei(GL_UNPACK_ALIGNMENT, unpackAlignment);
        record.format = GL_RGB;
    }
    glCopyTexSubImage2D(target, level, xOffset, yOffset, x, y, width, height);
}

GLint build2DMipmaps(GLenum target, GLint components, GLsizei width, GLsizei height, GLenum format, GLenum type,
                     const void* pixels) {
    const int count = componentsOf(format);
    if (type != GL_UNSIGNED_BYTE || count == 0) {
        return GLU_INVALID_ENUM;
    }
    if (width < 1 || height < 1) {
        return GLU_INVALID_VALUE;
    }
    GLint alignment = 4, maxSide = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSide);
    const int rowBytes = width * count;
    const int stride = (rowBytes + alignment - 1) / alignment * alignment;
    const std::vector<MipLevel> chain =
        buildMipChain(static_cast<const uint8_t*>(pixels), width, height, count, stride, maxSide);
    // Levels are packed, so upload them with alignment 1, as GLU does.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (size_t level = 0; level < chain.size(); ++level) {
        texImage2D(target, GLint(level), components, chain[level].width, chain[level].height, 0, format, type,
                   chain[level].bytes.data());
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    return 0;
}

}  // namespace glcompat
