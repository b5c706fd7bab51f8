#include "platform/MatrixStack.h"

#include <GL/gl.h>

void pushIdentityMatrix(unsigned int mode) {
    glMatrixMode(mode);
    glPushMatrix();
    glLoadIdentity();
}

void popProjectionThenModelView() {
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

void popModelViewThenProjection() {
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}
