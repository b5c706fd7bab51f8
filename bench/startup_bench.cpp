// Start-up time: from nothing to the first frame of the sphere scene shown,
// split into the phases of the demo's start-up order. Runs headless; needs
// data/ in the working directory (scripts/run or morvel-assetgen makes it).
#include "app/DemoProgram.h"
#include "bench/support/BenchSupport.h"
#include "platform/GLWindow.h"
#include "sound/audio/PcmData.h"
#include "sound/audio/SampleLoader.h"

#include <GL/gl.h>

#include <array>
#include <cstdlib>
#include <vector>

namespace {

// Where the sound system's work goes: reading the file and decoding the MP3 (before
// the load returns) and resampling it to the mix rate (on its own thread, after),
// timed apart on the same file the demo loads.
void addSoundParts(bench::JsonObject& json) {
    const double start = bench::nowMs();
    std::vector<unsigned char> bytes;
    if (readWholeFile("data/sound/tamokrelu.mp3", bytes) != 0) {
        return;
    }
    const double read = bench::nowMs();
    PcmData pcm;
    if (decodeSampleBytes("data/sound/tamokrelu.mp3", bytes.data(), bytes.size(), pcm) != 0) {
        return;
    }
    const double decoded = bench::nowMs();
    resampleTo(pcm, kMixRateHz);
    const double resampled = bench::nowMs();
    json.add("sound_read_ms", read - start)
        .add("sound_decode_ms", decoded - read)
        .add("sound_resample_ms", resampled - decoded);
}

}  // namespace

int main() {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    const double start = bench::nowMs();
    GLWindow window(800, 600, 32, false, "morvel-startup-bench");
    const double windowReady = bench::nowMs();
    DemoProgram program(kDefaultCanvasSize);
    program.load();
    const double contentReady = bench::nowMs();
    // As the demo does: the music starts right before the first frame (and waits for
    // the soundtrack's first seconds to be resampled if the content loaded faster).
    program.content.startMusic();
    const double musicStarted = bench::nowMs();
    std::array<float, kSpectrumSize> silence{};
    program.drawScene(0, 0.0f, silence.data());
    glFinish();
    window.present();
    const double firstFrame = bench::nowMs();

    bench::JsonObject json;
    json.add("benchmark", "startup")
        .add("renderer", bench::glRenderer())
        .add("window_ms", windowReady - start)
        .add("content_ms", contentReady - windowReady)
        .add("music_start_ms", musicStarted - contentReady)
        .add("first_frame_ms", firstFrame - musicStarted)
        .add("total_ms", firstFrame - start);
    addSoundParts(json);
    json.print();
    program.content.shutdownSound();
    window.close();
    return 0;
}
