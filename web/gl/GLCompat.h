#pragma once
// The GL compatibility layer of the browser build. Every shared source (assets,
// fx, scenes) is compiled with this header forced in first, so the calls below
// reach glcompat:: instead of emscripten's fixed-function emulation
// (-sLEGACY_GL_EMULATION), which lacks or mishandles them. Each shim does what
// desktop OpenGL 1.1 with Mesa's GLU does, in terms WebGL 1 accepts, and then
// calls the emulation. Main thread only (the thread of the WebGL context).
//
// Sources of the layer itself define GLCOMPAT_NO_RENAMING before any include,
// so that their own calls reach the emulation.
#include <GL/gl.h>
#include <GL/glu.h>

namespace glcompat {

// --- Textures (TextureShims.cpp) ---
// Stands in for glTexImage2D: WebGL wants the internal format spelled as the
// pixel format, so the 1.0 counts 1-4 become GL_LUMINANCE .. GL_RGBA. Records
// the bound texture's format and size for copyTexSubImage2D.
void texImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height, GLint border,
                GLenum format, GLenum type, const void* pixels);
// Stands in for glTexParameteri: GL_CLAMP does not exist in WebGL, GL_CLAMP_TO_EDGE
// takes its place (the border colour it would blend in is black, which our
// clamped textures never show at their edges).
void texParameteri(GLenum target, GLenum name, GLint value);
// Stands in for glBindTexture: remembers the binding.
void bindTexture(GLenum target, GLuint texture);
// Stands in for glDeleteTextures: forgets what was recorded.
void deleteTextures(GLsizei count, const GLuint* textures);
// Stands in for glCopyTexSubImage2D: the canvas has no alpha channel, and WebGL
// refuses to copy it into an RGBA texture, so such a texture is re-made as RGB
// (same size, black) before its first copy. Natively the copied alpha reads 1,
// which is what an RGB texture samples as.
void copyTexSubImage2D(GLenum target, GLint level, GLint xOffset, GLint yOffset, GLint x, GLint y, GLsizei width,
                       GLsizei height);
// Stands in for gluBuild2DMipmaps, which the emulation does not have: the image
// is scaled to the nearest powers of two with GLU's box filter, then halved level
// by level as GLU does. Returns 0, or a GLU error code.
GLint build2DMipmaps(GLenum target, GLint components, GLsizei width, GLsizei height, GLenum format, GLenum type,
                     const void* pixels);

// --- Matrices (MatrixShims.cpp) ---
// Stands in for gluLookAt, whose emulated version leaves the matrix unchanged:
// multiplies the current matrix by GLU's viewing matrix.
void lookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centreX, GLdouble centreY, GLdouble centreZ,
            GLdouble upX, GLdouble upY, GLdouble upZ);

// --- Drawing (DrawShims.cpp) ---
// Stands in for glColor4f: each component is rounded to the nearest 1/255, as
// a desktop driver does before blending into an 8-bit frame buffer. The browser
// blends in float, and the glow's many faint additive passes (alpha 1/7)
// would otherwise come out several levels brighter than natively.
void color4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha);
// Stands in for glTexGeni: GL_SPHERE_MAP on S and T is recorded (the emulation
// throws on any texgen call); other modes are ignored.
void texGeni(GLenum coord, GLenum name, GLint mode);
// Stand in for glEnable/glDisable: GL_TEXTURE_GEN_S/T are recorded here and not
// passed on; everything else is, GL_TEXTURE_2D also recorded.
void enable(GLenum capability);
void disable(GLenum capability);
// Stand in for the client array pointers: recorded, then passed on.
void vertexPointer(GLint size, GLenum type, GLsizei stride, const void* pointer);
void normalPointer(GLenum type, GLsizei stride, const void* pointer);
void texCoordPointer(GLint size, GLenum type, GLsizei stride, const void* pointer);
// Stands in for glDrawElements. With sphere mapping on, texture coordinates are
// computed on the CPU from the model-view matrix, the vertices and the normals.
// GL_UNSIGNED_INT indices, which the emulation reads as 16-bit, are drawn as
// 16-bit ones, in pieces when a draw spans more than 65,536 vertices. A textured
// draw is filtered as Mesa filters 8-bit textures (see ByteFilterProgram.h).
void drawElements(GLenum mode, GLsizei count, GLenum type, const void* indices);
// Stands in for glEnd: a textured draw is filtered as Mesa filters 8-bit
// textures (see ByteFilterProgram.h) where that program fits the texture; any
// other goes to the emulation's fixed-function shader.
void end();

}  // namespace glcompat

#ifndef GLCOMPAT_NO_RENAMING
#define glTexImage2D glcompat::texImage2D
#define glTexParameteri glcompat::texParameteri
#define glBindTexture glcompat::bindTexture
#define glDeleteTextures glcompat::deleteTextures
#define glCopyTexSubImage2D glcompat::copyTexSubImage2D
#define gluBuild2DMipmaps glcompat::build2DMipmaps
#define gluLookAt glcompat::lookAt
#define glColor4f glcompat::color4f
#define glTexGeni glcompat::texGeni
#define glEnable glcompat::enable
#define glDisable glcompat::disable
#define glVertexPointer glcompat::vertexPointer
#define glNormalPointer glcompat::normalPointer
#define glTexCoordPointer glcompat::texCoordPointer
#define glDrawElements glcompat::drawElements
#define glEnd glcompat::end
#endif
