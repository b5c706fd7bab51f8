// The glow post-process of every scene at 800 x 600: copy the frame into the
// full-size target, shrink it into the 128 x 128 one, blur(3, 3, 1, 1) there,
// draw the frame back sharp, multiply and add the blurred image. Each frame
// first puts a fixed picture on the screen (untimed); only the post-process is
// timed, between glFinish calls. Prints one JSON object.
// Usage: glow_bench [timed frames, default 300]
#include "bench/support/BenchSupport.h"
#include "fx/Glow.h"
#include "fx/RenderTarget.h"
#include "platform/CanvasSize.h"
#include "platform/MatrixStack.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kWidth = kDefaultCanvasSize.width;
constexpr int kHeight = kDefaultCanvasSize.height;
constexpr int kWarmupFrames = 20;

// Bright bars and a gradient: something for the glow to spread.
std::vector<uint8_t> makeFrame() {
    std::vector<uint8_t> rgba(size_t(kWidth) * kHeight * 4);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            uint8_t* p = &rgba[(size_t(y) * kWidth + x) * 4];
            const bool bar = (x / 50 + y / 50) % 4 == 0;
            p[0] = uint8_t(bar ? 250 : x * 60 / kWidth);
            p[1] = uint8_t(bar ? 230 : 20);
            p[2] = uint8_t(bar ? 180 : y * 80 / kHeight);
            p[3] = 255;
        }
    }
    return rgba;
}

void drawFrame(const std::vector<uint8_t>& rgba) {
    glDisable(GL_DEPTH_TEST);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    pushIdentityMatrix(GL_PROJECTION);
    pushIdentityMatrix(GL_MODELVIEW);
    glRasterPos2f(-1, -1);
    glDrawPixels(kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    popModelViewThenProjection();
    glEnable(GL_DEPTH_TEST);
}

}  // namespace

int main(int argc, char** argv) {
    const int timedFrames = argc > 1 ? std::max(1, std::atoi(argv[1])) : 300;
    bench::HeadlessGLContext context;
    if (!context.open(kWidth, kHeight)) {
        return 1;
    }
    RenderTarget full(kWidth, kHeight, kWidth, kHeight);
    RenderTarget small(128, 128, kWidth, kHeight);
    const std::vector<uint8_t> frame = makeFrame();

    const std::vector<double> samples = bench::timeGLFrames(
        kWarmupFrames, timedFrames, [&] { drawFrame(frame); },
        [&] { applyGlow(full, small, 1.0f, GlowBlend::multiplyThenAdd); });
    const bench::TimingStats stats = bench::summarize(samples);

    bench::JsonObject json;
    json.add("benchmark", "glow").add("width", kWidth).add("height", kHeight);
    json.add("warmup_frames", kWarmupFrames).addStats("", stats);
    json.add("gl_errors", glGetError() != GL_NO_ERROR);
    json.add("renderer", bench::glRenderer()).add("gl_version", bench::glVersion());
    json.print();
    return 0;
}
