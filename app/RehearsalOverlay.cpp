#include "app/RehearsalOverlay.h"

#include "platform/CanvasSize.h"
#include "platform/MatrixStack.h"
#include "scenes/PhotoScene.h"
#include "scenes/SphereScene.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr float kDigitWidth = 12.0f;
constexpr float kDigitHeight = 20.0f;
constexpr float kStroke = 2.5f;
constexpr float kLineHeight = 30.0f;

// Segments a to g of each digit, as bits 0 to 6.
constexpr unsigned char kSegments[10] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};

void quad(float x0, float y0, float x1, float y1) {
    glVertex2f(x0, y0);
    glVertex2f(x1, y0);
    glVertex2f(x1, y1);
    glVertex2f(x0, y1);
}

// One seven-segment digit with its lower-left corner at (x, y).
void drawDigit(float x, float y, int digit) {
    const unsigned char on = kSegments[digit];
    const float w = kDigitWidth, h = kDigitHeight, s = kStroke, mid = y + h / 2;
    const float bars[7][4] = {
        {x, y + h - s, x + w, y + h},        {x + w - s, mid, x + w, y + h}, {x + w - s, y, x + w, mid},
        {x, y, x + w, y + s},                {x, y, x + s, mid},             {x, mid, x + s, y + h},
        {x, mid - s / 2, x + w, mid + s / 2},
    };
    for (int segment = 0; segment < 7; ++segment) {
        if (on & (1 << segment)) {
            quad(bars[segment][0], bars[segment][1], bars[segment][2], bars[segment][3]);
        }
    }
}

// Writes text (digits, '.', '-') from (x, y); returns where it ended.
float drawNumber(float x, float y, const char* text) {
    for (const char* c = text; *c != '\0'; ++c) {
        if (*c >= '0' && *c <= '9') {
            drawDigit(x, y, *c - '0');
            x += kDigitWidth + 5.0f;
        } else if (*c == '.') {
            quad(x, y, x + kStroke, y + kStroke);
            x += kStroke + 5.0f;
        } else if (*c == '-') {
            quad(x, y + kDigitHeight / 2 - kStroke / 2, x + kDigitWidth, y + kDigitHeight / 2 + kStroke / 2);
            x += kDigitWidth + 5.0f;
        }
    }
    return x;
}

void drawLine(int line, float value, int decimals) {
    char text[8];
    formatOverlayNumber(value, decimals, text, sizeof text);
    drawNumber(10.0f, kLayoutHeight - 30.0f - line * kLineHeight, text);
}

// One bin: its value as digits and a bar as long as the value is of full scale.
void drawBin(int line, float value) {
    const float y = kLayoutHeight - 30.0f - line * kLineHeight;
    char text[8];
    formatOverlayNumber(value, 3, text, sizeof text);
    const float x = drawNumber(10.0f, y, text) + 10.0f;
    quad(x, y, x + 200.0f * std::clamp(value, 0.0f, 1.0f), y + kDigitHeight);
}

}  // namespace

void formatOverlayNumber(float value, int decimals, char* text, int capacity) {
    const float shown = std::isfinite(value) ? std::clamp(value, -999.0f, 9999.0f) : 0.0f;
    std::snprintf(text, static_cast<size_t>(capacity), "%.*f", decimals, static_cast<double>(shown));
}

void drawRehearsalOverlay(float seconds, float frameMs, const float* spectrum) {
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    glDisable(GL_BLEND);
    glDisable(GL_FOG);
    pushIdentityMatrix(GL_PROJECTION);
    glOrtho(0, kLayoutWidth, 0, kLayoutHeight, -1, 1);
    pushIdentityMatrix(GL_MODELVIEW);
    // A dark plate keeps the digits readable over any scene.
    glColor3f(0.0f, 0.0f, 0.0f);
    glBegin(GL_QUADS);
    quad(0.0f, kLayoutHeight - 190.0f, 360.0f, kLayoutHeight);
    glColor3f(1.0f, 1.0f, 0.2f);
    drawLine(0, seconds, 2);
    glColor3f(0.6f, 1.0f, 0.6f);
    drawLine(1, frameMs, 1);
    const int bins[4] = {SphereScene::kShakeBinX, SphereScene::kShakeBinY, SphereScene::kShakeBinZ,
                         PhotoScene::kBassBin};
    const float tints[4][3] = {{1.0f, 0.4f, 0.4f}, {0.4f, 1.0f, 0.4f}, {0.4f, 0.6f, 1.0f}, {1.0f, 0.6f, 1.0f}};
    for (int i = 0; i < 4; ++i) {
        glColor3fv(tints[i]);
        drawBin(2 + i, spectrum[bins[i]]);
    }
    glEnd();
    popModelViewThenProjection();
    glPopAttrib();
}
