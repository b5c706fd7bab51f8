#include "fx/RenderTarget.h"

#include "platform/MatrixStack.h"

#include <GL/gl.h>

#include <cstdlib>

int32_t powerOfTwoAtLeast(int32_t size) {
    for (int32_t exponent = 1; exponent <= 30; ++exponent) {
        const int32_t candidate = int32_t(1) << exponent;
        if (candidate >= size) {
            return candidate;
        }
    }
    return size;
}

namespace {

// Uploads a transparent-black RGBA image to the bound texture. calloc checks
// the size product for overflow; when the buffer cannot be had (a side above
// 2^30 asks for gigabytes) GL gets no data and leaves the contents undefined.
void uploadZeroTexture(int32_t width, int32_t height) {
    void* zeros = std::calloc(size_t(uint32_t(width)) * size_t(uint32_t(height)), 4);
    glTexImage2D(GL_TEXTURE_2D, 0, 4, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, zeros);
    std::free(zeros);
}

// Both matrices saved and set to identity; matrix mode left at GL_MODELVIEW.
void pushIdentityMatrices() {
    pushIdentityMatrix(GL_PROJECTION);
    pushIdentityMatrix(GL_MODELVIEW);
}

// One z = 0 quad from (x0, y0) to (x1, y1) showing texture coordinates 0..s, 0..t.
void texturedQuad(float x0, float y0, float x1, float y1, float s, float t) {
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex3f(x0, y0, 0);
    glTexCoord2f(s, 0);
    glVertex3f(x1, y0, 0);
    glTexCoord2f(s, t);
    glVertex3f(x1, y1, 0);
    glTexCoord2f(0, t);
    glVertex3f(x0, y1, 0);
    glEnd();
}

}  // namespace

RenderTarget::RenderTarget(int32_t targetWidth, int32_t targetHeight, int32_t screenWidth,
                           int32_t screenHeight) {
    this->screenWidth = screenWidth;
    this->screenHeight = screenHeight;
    this->targetWidth = targetWidth;
    textureWidth = powerOfTwoAtLeast(targetWidth);
    this->targetHeight = targetHeight;
    textureHeight = powerOfTwoAtLeast(targetHeight);

    glGenTextures(1, &textureName);
    glBindTexture(GL_TEXTURE_2D, textureName);
    uploadZeroTexture(textureWidth, textureHeight);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);

    sExtent = float(double(targetWidth) / double(textureWidth));
    tExtent = float(double(targetHeight) / double(textureHeight));
}

void RenderTarget::useViewport() const {
    glViewport(0, 0, targetWidth, targetHeight);
}

void RenderTarget::copyScreen() const {
    glBindTexture(GL_TEXTURE_2D, textureName);
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, targetWidth, targetHeight);
    glViewport(0, 0, screenWidth, screenHeight);
}

void RenderTarget::downsampleInto(const RenderTarget& other) const {
    glViewport(0, 0, other.targetWidth, other.targetHeight);
    glDisable(GL_BLEND);
    drawQuad(0, 0, 0, 0);
    glBindTexture(GL_TEXTURE_2D, other.textureName);
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, other.targetWidth, other.targetHeight);
    glViewport(0, 0, other.screenWidth, other.screenHeight);
}

void RenderTarget::drawQuad(float xOffset, float yOffset, float extraWidth, float extraHeight) const {
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, textureName);
    glDisable(GL_DEPTH_TEST);
    pushIdentityMatrices();

    // 32-bit float throughout: one pixel of a screenWidth-wide viewport is 2/W in NDC.
    const float pixelX = 1.0f / float(screenWidth);
    const float pixelY = 1.0f / float(screenHeight);
    const float x0 = xOffset * pixelX * 2.0f - 1.0f;
    const float y0 = yOffset * pixelY * 2.0f - 1.0f;
    const float x1 = x0 + extraWidth * pixelX * 2.0f + 2.0f;
    const float y1 = y0 + extraHeight * pixelY * 2.0f + 2.0f;
    texturedQuad(x0, y0, x1, y1, sExtent, tExtent);

    glDisable(GL_TEXTURE_2D);
    popProjectionThenModelView();
    glEnable(GL_DEPTH_TEST);
}

void RenderTarget::drawFullScreen() const {
    drawQuad(0, 0, 0, 0);
}

// The image over the whole viewport with the given blend function and colour;
// blending is switched off and the colour back to white afterwards.
static void drawBlended(const RenderTarget& target, GLenum source, GLenum destination, float red, float green,
                        float blue, float alpha) {
    glEnable(GL_BLEND);
    glBlendFunc(source, destination);
    glColor4f(red, green, blue, alpha);
    target.drawQuad(0, 0, 0, 0);
    glColor4f(1, 1, 1, 1);
    glDisable(GL_BLEND);
}

void RenderTarget::drawAdditive(float red, float green, float blue, float alpha) const {
    drawBlended(*this, GL_SRC_ALPHA, GL_ONE, red, green, blue, alpha);
}

void RenderTarget::drawModulate(float red, float green, float blue, float alpha) const {
    drawBlended(*this, GL_DST_COLOR, GL_ZERO, red, green, blue, alpha);
}

void RenderTarget::blurPass(int32_t repetitions, int32_t radius, float spacing, float weight,
                            float xDirection, float yDirection) const {
    pushIdentityMatrices();
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);

    // 64-bit tap arithmetic: 2 * radius + 1 and the tap loop stay defined for any radius.
    const int64_t tapRadius = radius;
    glColor4f(1, 1, 1, weight / float(2 * tapRadius + 1));
    glBindTexture(GL_TEXTURE_2D, textureName);
    glEnable(GL_TEXTURE_2D);

    // The width sets the step in both directions, so a vertical step on a
    // non-square target is not `spacing` pixels.
    const float step = spacing * 2.0f / float(targetWidth);
    for (int32_t repetition = 0; repetition < repetitions; ++repetition) {
        glViewport(0, 0, targetWidth, targetHeight);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        for (int64_t tap = -tapRadius; tap <= tapRadius; ++tap) {
            const float offset = float(tap) * step;
            const float ox = xDirection * offset;
            const float oy = yDirection * offset;
            texturedQuad(ox - 1.0f, oy - 1.0f, ox + 1.0f, oy + 1.0f, sExtent, tExtent);
        }
        glBindTexture(GL_TEXTURE_2D, textureName);
        glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, targetWidth, targetHeight);
        glViewport(0, 0, screenWidth, screenHeight);
    }

    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, 1);
    popProjectionThenModelView();
    glEnable(GL_DEPTH_TEST);
}

void RenderTarget::blur(int32_t repetitions, int32_t radius, float spacing, float weight) const {
    blurPass(repetitions, radius, spacing, weight, 1, 0);
    blurPass(repetitions, radius, spacing, weight, 0, 1);
}

void RenderTarget::setLinear() const {
    glBindTexture(GL_TEXTURE_2D, textureName);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
}

void RenderTarget::setNearest() const {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
}
