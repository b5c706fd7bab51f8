#pragma once
// Arithmetic of fixed-function features that the browser's GL emulation lacks,
// done on the CPU as desktop OpenGL 1.1 and Mesa's GLU define it. Matrices are
// column-major 4 x 4 floats as glGetFloatv returns them. Plain functions; any thread.
#include <cstddef>

// GLU's viewing matrix for gluLookAt (without the translation by -eye, which the
// caller applies after multiplying): rows side, up and -forward, in float as GLU
// computes them.
void lookAtRotation(double eyeX, double eyeY, double eyeZ, double centreX, double centreY, double centreZ,
                    double upX, double upY, double upZ, float out[16]);

// GL_SPHERE_MAP texture coordinates for count vertices: the eye-space position
// direction u (model-view x vertex, normalised) is reflected about the eye-space
// normal n (normal x inverse model-view, normalised as GL_NORMALIZE does), and
// (s, t) = (r.x / m + 1/2, r.y / m + 1/2) with m = 2 |r + (0, 0, 1)|.
// positions and normals are packed xyz triples; writes packed (s, t) pairs.
void sphereMapCoordinates(const float modelView[16], const float* positions, const float* normals, size_t count,
                          float* outST);
