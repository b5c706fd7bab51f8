// The 8-bit filtering program of the browser build's GL compatibility layer
// (see ByteFilterProgram.h).
#define GLCOMPAT_NO_RENAMING
#define GL_GLEXT_PROTOTYPES
#include "web/gl/ByteFilterProgram.h"

#include "web/gl/GLCompat.h"

#include <emscripten.h>

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

// Texels are fetched at their centres with nearest filtering and handled as
// whole levels 0..255, so every step below is exact in float.
const char* const kFragmentSource = R"(
precision highp float;
uniform sampler2D u_image;
uniform vec2 u_imageSize;
uniform float u_linear;
uniform vec2 u_repeat;
varying vec4 v_tint;
varying vec2 v_imageCoord;

vec4 texel(vec2 cell) {
    vec2 repeated = cell - u_imageSize * floor(cell / u_imageSize);
    vec2 clamped = clamp(cell, vec2(0.0), u_imageSize - 1.0);
    vec2 wrapped = mix(clamped, repeated, u_repeat);
    return floor(texture2D(u_image, (wrapped + 0.5) / u_imageSize) * 255.0 + 0.5);
}

vec4 lerpLevels(vec4 a, vec4 b, float weight) {
    return floor((a * (256.0 - weight) + b * weight + 128.0) / 256.0);
}

void main() {
    vec2 position = v_imageCoord * u_imageSize;
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
    GLint imageSize = -1, linear = -1, repeat = -1, image = -1;
    bool tried = false;
};

GLuint compiled(GLenum kind, const char* source) {
    const GLuint shader = glCreateShader(kind);
    glShaderSource(shader, 1, &source, nullptr);
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

// Built on first use; a failure is reported once and leaves name 0.
const Program& program() {
    static Program made;
    if (made.tried) {
        return made;
    }
    made.tried = true;
    const GLuint vertex = compiled(GL_VERTEX_SHADER, kVertexSource);
    const GLuint fragment = compiled(GL_FRAGMENT_SHADER, kFragmentSource);
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
    made.image = glGetUniformLocation(name, "u_image");
    made.imageSize = glGetUniformLocation(name, "u_imageSize");
    made.linear = glGetUniformLocation(name, "u_linear");
    made.repeat = glGetUniformLocation(name, "u_repeat");
    return made;
}

bool isByteFormat(GLenum format) {
    return format == GL_RGB || format == GL_RGBA || format == GL_LUMINANCE || format == GL_LUMINANCE_ALPHA;
}

void setFilters(GLint minFilter, GLint magFilter) {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magFilter);
}

}  // namespace

bool byteFilteringFits(const TextureState& texture) {
    const bool linear = texture.minFilter == GL_LINEAR && texture.magFilter == GL_LINEAR;
    const bool nearest = texture.minFilter == GL_NEAREST && texture.magFilter == GL_NEAREST;
    return isByteFormat(texture.format) && texture.width > 0 && texture.height > 0 && (linear || nearest);
}

void endWithByteFiltering(const TextureState& texture) {
    const Program& made = program();
    if (made.name == 0) {
        glEnd();
        return;
    }
    glUseProgram(made.name);
    glUniform1i(made.image, 0);
    glUniform2f(made.imageSize, float(texture.width), float(texture.height));
    glUniform1f(made.linear, texture.minFilter == GL_LINEAR ? 1.0f : 0.0f);
    glUniform2f(made.repeat, texture.wrapS == GL_REPEAT ? 1.0f : 0.0f, texture.wrapT == GL_REPEAT ? 1.0f : 0.0f);
    setFilters(GL_NEAREST, GL_NEAREST);
    glEnd();
    setFilters(texture.minFilter, texture.magFilter);
    glUseProgram(0);
}
