#pragma once
// The GL state every morvel context starts from, shared by the native window
// and the browser canvas. Makes GL and GLU calls only (no SDL), so any build
// that has a current context can use it.
#include <cstdint>

// The GL state a fresh window starts with: viewport (0, 0, width, height), a
// 45-degree perspective with the aspect width / height in floating point,
// identity model-view (matrix mode left there), depth test, normalisation and
// back-face culling on. Tests and benchmarks reset their contexts with it too.
void setInitialGLState(int32_t width, int32_t height);
