#include "tests/fx/FxTestState.h"

#include "fx/RenderTarget.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>

namespace fxtest {

namespace {

// Binds texture for a query and puts the previous binding back afterwards.
class TextureQuery {
public:
    explicit TextureQuery(unsigned int texture) : previous(boundTexture()) {
        glBindTexture(GL_TEXTURE_2D, texture);
    }
    ~TextureQuery() { glBindTexture(GL_TEXTURE_2D, previous); }

private:
    unsigned int previous;
};

Colour colourOf(GLenum name) {
    float c[4];
    glGetFloatv(name, c);
    return Colour{c[0], c[1], c[2], c[3]};
}

}  // namespace

Viewport viewport() {
    int v[4];
    glGetIntegerv(GL_VIEWPORT, v);
    return Viewport{v[0], v[1], v[2], v[3]};
}

Colour currentColour() {
    return colourOf(GL_CURRENT_COLOR);
}

Colour clearColour() {
    return colourOf(GL_COLOR_CLEAR_VALUE);
}

Matrices matrices() {
    Matrices m{};
    glGetFloatv(GL_PROJECTION_MATRIX, m.data());
    glGetFloatv(GL_MODELVIEW_MATRIX, m.data() + 16);
    return m;
}

int matrixMode() {
    int mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    return mode;
}

unsigned int boundTexture() {
    int name = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
    return unsigned(name);
}

std::pair<int, int> blendFunction() {
    int source = 0;
    int destination = 0;
    glGetIntegerv(GL_BLEND_SRC, &source);
    glGetIntegerv(GL_BLEND_DST, &destination);
    return {source, destination};
}

std::pair<int, int> textureSize(unsigned int texture) {
    TextureQuery query(texture);
    int width = 0;
    int height = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    return {width, height};
}

Image textureImage(unsigned int texture) {
    const std::pair<int, int> size = textureSize(texture);
    TextureQuery query(texture);
    Image image(size.first, size.second);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, image.rgba.data());
    return image;
}

std::pair<int, int> filters(unsigned int texture) {
    return {texParameter(texture, GL_TEXTURE_MIN_FILTER), texParameter(texture, GL_TEXTURE_MAG_FILTER)};
}

int texParameter(unsigned int texture, int name) {
    TextureQuery query(texture);
    int value = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GLenum(name), &value);
    return value;
}

const uint8_t* black() {
    static const uint8_t kBlack[4] = {0, 0, 0, 255};
    return kBlack;
}

void expectColourNear(uint32_t pixel, int red, int green, int blue, int tolerance) {
    const int got[3] = {int(pixel >> 24), int((pixel >> 16) & 255), int((pixel >> 8) & 255)};
    const int want[3] = {red, green, blue};
    for (int c = 0; c < 3; ++c) {
        EXPECT_LE(std::abs(got[c] - want[c]), tolerance)
            << "channel " << c << ": got " << got[c] << ", want " << want[c];
    }
}

void expectBlendPassState(const RenderTarget& target, int source, int destination) {
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_EQ(blendFunction(), std::make_pair(source, destination));
    EXPECT_EQ(currentColour(), (Colour{1, 1, 1, 1}));
    EXPECT_EQ(boundTexture(), target.textureName);
}

}  // namespace fxtest
