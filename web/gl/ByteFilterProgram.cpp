// The 8-bit filtering program of the browser build's GL compatibility layer
// (see ByteFilterProgram.h).
#define GLCOMPAT_NO_RENAMING
#define GL_GLEXT_PROTOTYPES
#include "web/gl/ByteFilterProgram.h"

#include "web/gl/GLCompat.h"

#include <emscripten.h>
#include <emscripten/html5.h>

#include <string>

namespace {

// The emulation binds its own attribute and matrix names in any program it
// draws with, so the program uses them.
const char* const kVertexSource = R"(
attribute vec4 a_position;
attribute vec4 a_color;
attribute vec4 a_texCoord0;
uniform mat4 u_modelView;
uniform mat4 u_projection;
varying vec4 v_tint;
varying vec2 v_imageCoord;
void main() {
    gl_Position = u_projection * (u_modelView * a_position);
    v_tint = a_color;
    v_imageCoord = a_texCoord0.xy;
}
)";

const char* const kMipmapPrelude = R"(
#extension GL_OES_standard_derivatives : enable
#extension GL_EXT_shader_texture_lod : enable
#define MIPMAPS 1
)";

// Texels are fetched at their centres with nearest filtering and handled as
// whole levels 0..255, so every step below is exact in float. The mipmap level
// is GL's nearest one for the footprint (level 0 up to lambda 0.5).
const char* const kFragmentSource = R"(
precision highp float;
uniform sampler2D u_image;
uniform vec2 u_imageSize;
uniform float u_linear;
uniform vec2 u_repeat;
uniform float u_lastLevel;
varying vec4 v_tint;
varying vec2 v_imageCoord;

float level = 0.0;
vec2 levelSize;

vec4 fetch(vec2 coord) {
#ifdef MIPMAPS
    return texture2DLodEXT(u_image, coord, level);
#else
    return texture2D(u_image, coord);
#endif
}

vec4 texel(vec2 cell) {
    vec2 repeated = cell - levelSize * floor(cell / levelSize);
    vec2 clamped = clamp(cell, vec2(0.0), levelSize - 1.0);
    vec2 wrapped = mix(clamped, repeated, u_repeat);
    return floor(fetch((wrapped + 0.5) / levelSize) * 255.0 + 0.5);
}

vec4 lerpLevels(vec4 a, vec4 b, float weight) {
    return floor((a * (256.0 - weight) + b * weight + 128.0) / 256.0);
}

void main() {
#ifdef MIPMAPS
    vec2 footprint = v_imageCoord * u_imageSize;
    float lambda = log2(max(length(dFdx(footprint)), length(dFdy(footprint))));
    if (u_lastLevel > 0.0 && lambda > 0.5) {
        level = min(ceil(lambda + 0.5) - 1.0, u_lastLevel);
    }
#endif
    levelSize = max(floor(u_imageSize / exp2(level)), vec2(1.0));
    vec2 position = v_imageCoord * levelSize;
    vec4 levels;
    if (u_linear > 0.5) {
        vec2 steps = floor((position - 0.5) * 256.0 + 0.5);
        vec2 cell = floor(steps / 256.0);
        vec2 weight = steps - cell * 256.0;
        vec4 lower = lerpLevels(texel(cell), texel(cell + vec2(1.0, 0.0)), weight.x);
        vec4 upper = lerpLevels(texel(cell + vec2(0.0, 1.0)), texel(cell + vec2(1.0, 1.0)), weight.x);
        levels = lerpLevels(lower, upper, weight.y);
    } else {
        levels = texel(floor(position));
    }
    gl_FragColor = levels / 255.0 * v_tint;
}
)";

struct Program {
    GLuint name = 0;
    GLint image = -1, imageSize = -1, linear = -1, repeat = -1, lastLevel = -1;
    bool mipmaps = false;
    bool tried = false;
};

GLuint compiled(GLenum kind, const std::string& source) {
    const GLuint shader = glCreateShader(kind);
    const char* text = source.c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok != GL_TRUE) {
        char log[512] = {};
        glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        emscripten_log(EM_LOG_WARN, "morvel: the 8-bit filtering shader does not compile: %s", log);
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

bool browserHasMipmapExtensions() {
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = emscripten_webgl_get_current_context();
    return context != 0 && emscripten_webgl_enable_extension(context, "OES_standard_derivatives") &&
           emscripten_webgl_enable_extension(context, "EXT_shader_texture_lod");
}

// Built on first use; a failure is reported once and leaves name 0.
const Program& program() {
    static Program made;
    if (made.tried) {
        return made;
    }
    made.tried = true;
    const bool mipmaps = browserHasMipmapExtensions();
    const GLuint vertex = compiled(GL_VERTEX_SHADER, kVertexSource);
    const GLuint fragment =
        compiled(GL_FRAGMENT_SHADER, std::string(mipmaps ? kMipmapPrelude : "") + kFragmentSource);
    if (vertex == 0 || fragment == 0) {
        return made;
    }
    const GLuint name = glCreateProgram();
    glAttachShader(name, vertex);
    glAttachShader(name, fragment);
    glLinkProgram(name);
    GLint ok = GL_FALSE;
    glGetProgramiv(name, GL_LINK_STATUS, &ok);
    if (ok != GL_TRUE) {
        emscripten_log(EM_LOG_WARN, "morvel: the 8-bit filtering shader does not link");
        glDeleteProgram(name);
        return made;
    }
    made.name = name;
    made.mipmaps = mipmaps;
    made.image = glGetUniformLocation(name, "u_image");
    made.imageSize = glGetUniformLocation(name, "u_imageSize");
    made.linear = glGetUniformLocation(name, "u_linear");
    made.repeat = glGetUniformLocation(name, "u_repeat");
    made.lastLevel = glGetUniformLocation(name, "u_lastLevel");
    return made;
}

bool isByteFormat(GLenum format) {
    return format == GL_RGB || format == GL_RGBA || format == GL_LUMINANCE || format == GL_LUMINANCE_ALPHA;
}

bool usesMipmaps(const TextureState& texture) {
    return texture.minFilter == GL_LINEAR_MIPMAP_NEAREST || texture.minFilter == GL_NEAREST_MIPMAP_NEAREST;
}

void setFilters(GLint minFilter, GLint magFilter) {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magFilter);
}

}  // namespace

bool byteFilteringFits(const TextureState& texture) {
    const bool linear = texture.magFilter == GL_LINEAR &&
                        (texture.minFilter == GL_LINEAR || texture.minFilter == GL_LINEAR_MIPMAP_NEAREST);
    const bool nearest = texture.magFilter == GL_NEAREST &&
                         (texture.minFilter == GL_NEAREST || texture.minFilter == GL_NEAREST_MIPMAP_NEAREST);
    if (!isByteFormat(texture.format) || texture.width < 1 || texture.height < 1 || !(linear || nearest)) {
        return false;
    }
    return !usesMipmaps(texture) || program().mipmaps;
}

bool startByteFiltering(const TextureState& texture) {
    const Program& made = program();
    if (made.name == 0) {
        return false;
    }
    const bool mipmapped = usesMipmaps(texture) && texture.levelCount > 1;
    glUseProgram(made.name);
    glUniform1i(made.image, 0);
    glUniform2f(made.imageSize, float(texture.width), float(texture.height));
    glUniform1f(made.linear, texture.magFilter == GL_LINEAR ? 1.0f : 0.0f);
    glUniform2f(made.repeat, texture.wrapS == GL_REPEAT ? 1.0f : 0.0f, texture.wrapT == GL_REPEAT ? 1.0f : 0.0f);
    glUniform1f(made.lastLevel, mipmapped ? float(texture.levelCount - 1) : 0.0f);
    setFilters(mipmapped ? GL_NEAREST_MIPMAP_NEAREST : GL_NEAREST, GL_NEAREST);
    return true;
}

void stopByteFiltering(const TextureState& texture) {
    setFilters(texture.minFilter, texture.magFilter);
    glUseProgram(0);
}
