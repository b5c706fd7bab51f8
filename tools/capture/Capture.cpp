#include "tools/capture/Capture.h"

#include "app/DemoProgram.h"
#include "platform/GLWindow.h"
#include "platform/ProcessClock.h"
#include "platform/StopRequests.h"
#include "sound/TrackAnalysis.h"
#include "tools/capture/FrameSink.h"
#include "tools/capture/FrameWriterThread.h"

#include <GL/gl.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

std::unique_ptr<FrameSink> makeSink(const CaptureOptions& options, CanvasSize canvas, std::string& error) {
    if (options.hasAt) {
        return makeStillSink(options.stillFile, options.outWidth, options.outHeight, error);
    }
    if (!options.framesDir.empty()) {
        return makePngSequenceSink(options.framesDir, options.outWidth, options.outHeight, error);
    }
    return makeMp4Sink(options.outFile, canvas, options.fps, options.outWidth, options.outHeight, kSoundtrackPath,
                       options.fromSeconds, options.toSeconds - options.fromSeconds, error);
}

// The file or folder the capture writes, for messages.
const std::string& outputName(const CaptureOptions& options) {
    if (options.hasAt) {
        return options.stillFile;
    }
    return options.framesDir.empty() ? options.outFile : options.framesDir;
}

// Prints frames done, frames per second and time left, at most twice a second.
class Progress {
public:
    explicit Progress(long total) : total(total), startNs(processClockNs()) {}

    void update(long done, bool last) {
        const double seconds = static_cast<double>(processClockNs() - startNs) * 1e-9;
        if (!last && seconds - shownAt < 0.5) {
            return;
        }
        shownAt = seconds;
        const double fps = seconds > 0 ? done / seconds : 0.0;
        const double left = fps > 0 ? (total - done) / fps : 0.0;
        std::fprintf(stderr, "\rmorvel-capture: frame %ld/%ld  %.1f fps  %.0f s left   %s", done, total, fps, left,
                     last ? "\n" : "");
        std::fflush(stderr);
    }

private:
    long total;
    long long startNs;
    double shownAt = -1.0;
};

// Draws the frame at t with the spectrum at t (silence without music).
void drawFrameAt(float t, TrackAnalysis& analysis, bool haveMusic, std::array<float, kSpectrumSize>& spectrum,
                 DemoProgram& program) {
    spectrum.fill(0.0f);
    if (haveMusic) {
        analysis.spectrumAt(t, spectrum.data());
    }
    program.drawFrame(t, spectrum.data());
}

// Reads the drawn canvas back into frame number n, in a buffer from the writer.
CapturedFrame readFrame(long n, CanvasSize canvas, FrameWriterThread& writer) {
    CapturedFrame frame;
    frame.number = n;
    frame.width = canvas.width;
    frame.height = canvas.height;
    frame.rgb = writer.takeBuffer(static_cast<size_t>(canvas.width) * canvas.height * 3);
    glReadPixels(0, 0, canvas.width, canvas.height, GL_RGB, GL_UNSIGNED_BYTE, frame.rgb.data());
    return frame;
}

// The exit status of a finished capture, with its message on standard error.
int reportEnd(const CaptureOptions& options, bool ok, int interruptedBy) {
    if (interruptedBy != 0) {
        std::fprintf(stderr, "\nmorvel-capture: interrupted by signal %d; the output is not complete\n", interruptedBy);
        return 128 + interruptedBy;
    }
    if (!ok) {
        std::fprintf(stderr, "morvel-capture: writing %s failed\n", outputName(options).c_str());
        return 1;
    }
    return 0;
}

}  // namespace

int runCapture(const CaptureOptions& options) {
    long first = 0, end = 0;
    frameRange(options, first, end);
    if (options.hasAt) {
        // A still shows the frame at exactly that time.
        first = 0;
        end = 1;
    }
    // The pixel size every frame is drawn and read back at.
    const CanvasSize canvas = kDefaultCanvasSize;
    std::string error;
    std::unique_ptr<FrameSink> sink = makeSink(options, canvas, error);
    if (!sink) {
        std::fprintf(stderr, "morvel-capture: %s\n", error.c_str());
        return 2;
    }

    // SIGINT and SIGTERM stop the capture between two frames; the output is
    // then removed or left under its temporary name, never as a whole file.
    StopRequests stopRequests;
    // Headless and silent whatever the machine has: the picture is read back and
    // the music is analysed offline, never played.
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    GLWindow window(canvas.width, canvas.height, 32, false, "morvel-capture");
    if (!window.ready) {
        window.close();
        sink->finish(false);
        std::fprintf(stderr, "morvel-capture: no OpenGL context could be made, so nothing can be drawn\n");
        return 1;
    }
    DemoProgram program(canvas);
    program.load();
    TrackAnalysis analysis;
    const bool haveMusic = analysis.load(kSoundtrackPath);
    std::array<float, kSpectrumSize> spectrum{};

    FrameWriterThread writer(*sink);
    Progress progress(end - first);
    bool ok = true;
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    for (long n = first; n < end && ok && stopSignal() == 0; ++n) {
        const float t = options.hasAt ? static_cast<float>(options.atSeconds) : frameTime(n, options.fps);
        drawFrameAt(t, analysis, haveMusic, spectrum, program);
        ok = writer.push(readFrame(n, canvas, writer));
        progress.update(n - first + 1, n + 1 == end);
    }
    const int interruptedBy = stopSignal();
    ok = writer.drain() && ok && interruptedBy == 0;
    ok = sink->finish(ok);
    program.content.shutdownSound();
    window.close();
    return reportEnd(options, ok, interruptedBy);
}
