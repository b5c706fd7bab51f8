// Matrix calls of the browser build's GL compatibility layer (see GLCompat.h).
#define GLCOMPAT_NO_RENAMING
#include "web/gl/GLCompat.h"

#include "web/gl/FixedFunctionMath.h"

namespace glcompat {

void lookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centreX, GLdouble centreY, GLdouble centreZ,
            GLdouble upX, GLdouble upY, GLdouble upZ) {
    float rotation[16];
    lookAtRotation(eyeX, eyeY, eyeZ, centreX, centreY, centreZ, upX, upY, upZ, rotation);
    glMultMatrixf(rotation);
    glTranslatef(float(-eyeX), float(-eyeY), float(-eyeZ));
}

}  // namespace glcompat
