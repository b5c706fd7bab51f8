#include "scenes/SceneCamera.h"

#include "platform/CanvasSize.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>

void setScenePerspective() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, static_cast<double>(kLayoutWidth) / kLayoutHeight, 1.0, 1000.0);
}

void setWanderingCamera(float t, double eyeRadius) {
    const double time = t;
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(std::sin(0.9 * time) * eyeRadius, std::cos(0.95 * time) * eyeRadius,
              std::sin(0.8 * time) * eyeRadius,
              std::sin(0.85 * time) * 30.0, std::cos(0.75 * time) * 30.0, 0.0,
              0.0, 1.0, 0.0);
}
