// Drawing calls of the browser build's GL compatibility layer (see GLCompat.h).
// Every indexed draw goes out as one interleaved array (position, normal,
// texture coordinate) of just the vertices it uses, which is the layout the
// emulation uploads without its fixed-size re-striding buffer.
#define GLCOMPAT_NO_RENAMING
#include "web/gl/GLCompat.h"

#include "web/gl/ByteFilterProgram.h"
#include "web/gl/FixedFunctionMath.h"
#include "web/gl/IndexPieces.h"
#include "web/gl/TextureState.h"

#include <emscripten.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

struct ClientArray {
    GLint size = 0;
    GLenum type = GL_FLOAT;
    GLsizei stride = 0;
    const void* pointer = nullptr;

    // The vertex'th element as floats, or null when unset or not float.
    const float* at(uint32_t vertex) const {
        if (pointer == nullptr || type != GL_FLOAT) {
            return nullptr;
        }
        const size_t step = stride != 0 ? size_t(stride) : size_t(size) * sizeof(float);
        return reinterpret_cast<const float*>(static_cast<const char*>(pointer) + step * vertex);
    }
};

ClientArray vertices, normals, texCoords;
bool sphereMapS = false, sphereMapT = false;
bool generateS = false, generateT = false;
bool texturing = false;

constexpr int kInterleavedFloats = 8;

bool sphereMapping() {
    return generateS && generateT && sphereMapS && sphereMapT;
}

int verticesPerPrimitive(GLenum mode) {
    switch (mode) {
        case GL_TRIANGLES: return 3;
        case GL_LINES: return 2;
        case GL_POINTS: return 1;
        default: return 0;  // strips and fans cannot be cut apart
    }
}

std::vector<uint32_t> widened(GLsizei count, GLenum type, const void* indices) {
    std::vector<uint32_t> out(size_t(count > 0 ? count : 0));
    for (size_t i = 0; i < out.size(); ++i) {
        switch (type) {
            case GL_UNSIGNED_INT: out[i] = static_cast<const uint32_t*>(indices)[i]; break;
            case GL_UNSIGNED_SHORT: out[i] = static_cast<const uint16_t*>(indices)[i]; break;
            default: out[i] = static_cast<const uint8_t*>(indices)[i]; break;
        }
    }
    return out;
}

// Position, normal and texture coordinate of each vertex of the piece.
void interleave(const IndexPiece& piece, std::vector<float>& out) {
    out.assign(size_t(piece.vertexSpan) * kInterleavedFloats, 0.0f);
    for (uint32_t v = 0; v < piece.vertexSpan; ++v) {
        float* dst = &out[size_t(v) * kInterleavedFloats];
        const uint32_t source = piece.firstVertex + v;
        if (const float* p = vertices.at(source)) {
            for (int k = 0; k < vertices.size && k < 3; ++k) dst[k] = p[k];
        }
        if (const float* n = normals.at(source)) {
            dst[3] = n[0];
            dst[4] = n[1];
            dst[5] = n[2];
        }
        if (const float* t = texCoords.at(source)) {
            dst[6] = t[0];
            dst[7] = texCoords.size > 1 ? t[1] : 0.0f;
        }
    }
}

// Overwrites the texture coordinates of an interleaved piece with sphere-map ones.
void applySphereMap(std::vector<float>& data, uint32_t vertexCount) {
    float modelView[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
    std::vector<float> positions(size_t(vertexCount) * 3), eyeNormals(size_t(vertexCount) * 3),
        st(size_t(vertexCount) * 2);
    for (uint32_t v = 0; v < vertexCount; ++v) {
        for (int k = 0; k < 3; ++k) {
            positions[v * 3 + k] = data[size_t(v) * kInterleavedFloats + k];
            eyeNormals[v * 3 + k] = data[size_t(v) * kInterleavedFloats + 3 + k];
        }
    }
    sphereMapCoordinates(modelView, positions.data(), eyeNormals.data(), vertexCount, st.data());
    for (uint32_t v = 0; v < vertexCount; ++v) {
        data[size_t(v) * kInterleavedFloats + 6] = st[v * 2];
        data[size_t(v) * kInterleavedFloats + 7] = st[v * 2 + 1];
    }
}

// Puts back what the caller set, so its own later draws see its arrays.
void restorePointers() {
    if (vertices.pointer != nullptr) {
        glVertexPointer(vertices.size, vertices.type, vertices.stride, vertices.pointer);
    }
    if (normals.pointer != nullptr) {
        glNormalPointer(normals.type, normals.stride, normals.pointer);
    }
    if (texCoords.pointer != nullptr) {
        glTexCoordPointer(texCoords.size, texCoords.type, texCoords.stride, texCoords.pointer);
    }
}

}  // namespace

namespace glcompat {

void color4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha) {
    auto level = [](GLfloat value) {
        const float clamped = value < 0.0f ? 0.0f : (value > 1.0f ? 1.0f : value);
        return std::nearbyint(clamped * 255.0f) / 255.0f;
    };
    glColor4f(level(red), level(green), level(blue), level(alpha));
}

void texGeni(GLenum coord, GLenum name, GLint mode) {
    if (name != GL_TEXTURE_GEN_MODE) {
        return;
    }
    if (coord == GL_S) {
        sphereMapS = mode == GL_SPHERE_MAP;
    } else if (coord == GL_T) {
        sphereMapT = mode == GL_SPHERE_MAP;
    }
}

void enable(GLenum capability) {
    if (capability == GL_TEXTURE_GEN_S) {
        generateS = true;
    } else if (capability == GL_TEXTURE_GEN_T) {
        generateT = true;
    } else {
        texturing = texturing || capability == GL_TEXTURE_2D;
        glEnable(capability);
    }
}

void disable(GLenum capability) {
    if (capability == GL_TEXTURE_GEN_S) {
        generateS = false;
    } else if (capability == GL_TEXTURE_GEN_T) {
        generateT = false;
    } else {
        texturing = texturing && capability != GL_TEXTURE_2D;
        glDisable(capability);
    }
}

void vertexPointer(GLint size, GLenum type, GLsizei stride, const void* pointer) {
    vertices = {size, type, stride, pointer};
    glVertexPointer(size, type, stride, pointer);
}

void normalPointer(GLenum type, GLsizei stride, const void* pointer) {
    normals = {3, type, stride, pointer};
    glNormalPointer(type, stride, pointer);
}

void texCoordPointer(GLint size, GLenum type, GLsizei stride, const void* pointer) {
    texCoords = {size, type, stride, pointer};
    glTexCoordPointer(size, type, stride, pointer);
}

void drawElements(GLenum mode, GLsizei count, GLenum type, const void* indices) {
    if (count <= 0 || indices == nullptr) {
        return;
    }
    const std::vector<uint32_t> wide = widened(count, type, indices);
    const int perPrimitive = verticesPerPrimitive(mode);
    size_t dropped = 0;
    const std::vector<IndexPiece> pieces =
        splitIntoPieces(wide.data(), wide.size(), perPrimitive > 0 ? perPrimitive : int(wide.size()), kMaxPieceSpan,
                        &dropped);
    if (dropped > 0) {
        static bool told = false;
        if (!told) {
            told = true;
            emscripten_log(EM_LOG_WARN, "morvel: %d primitives span too many vertices to draw", int(dropped));
        }
    }
    const TextureState* texture = texturing ? boundTextureState() : nullptr;
    const bool filtering = texture != nullptr && byteFilteringFits(*texture) && startByteFiltering(*texture);
    std::vector<float> data;
    for (const IndexPiece& piece : pieces) {
        interleave(piece, data);
        if (sphereMapping()) {
            applySphereMap(data, piece.vertexSpan);
        }
        const GLsizei stride = kInterleavedFloats * sizeof(float);
        glVertexPointer(3, GL_FLOAT, stride, data.data());
        glNormalPointer(GL_FLOAT, stride, data.data() + 3);
        glTexCoordPointer(2, GL_FLOAT, stride, data.data() + 6);
        glDrawElements(mode, GLsizei(piece.indices.size()), GL_UNSIGNED_SHORT, piece.indices.data());
    }
    if (filtering) {
        stopByteFiltering(*texture);
    }
    restorePointers();
}

void end() {
    const TextureState* texture = texturing && !sphereMapping() ? boundTextureState() : nullptr;
    const bool filtering = texture != nullptr && byteFilteringFits(*texture) && startByteFiltering(*texture);
    glEnd();
    if (filtering) {
        stopByteFiltering(*texture);
    }
}

}  // namespace glcompat
