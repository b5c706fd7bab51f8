#include "tools/capture/Capture.h"

#include "app/DemoProgram.h"
#include "platform/GLWindow.h"
#include "platform/ProcessClock.h"
#include "platform/StopRequests.h"
#include "sound/TrackAnalysis.h"
#include "tools/capture/FrameSink.h"
#include "tools/capture/FrameWriterThread.h"

#include <GL/gl.h>
#include <sys/stat.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

std::unique_ptr<FrameSink> makeSink(const CaptureOptions& options, std::string& error) {
    if (options.hasAt) {
        return makeStillSink(options.stillFile, options.frame, error);
    }
    long first = 0, end = 0;
    frameRange(options, first, end);
    if (!options.framesDir.empty()) {
        return makePngSequenceSink(options.framesDir, options.frame, first, error);
    }
    return makeMp4Sink(options.outFile, mp4EncodingFor(options, kSoundtrackPath), error);
}

// Every file of data/ is there as a regular file; otherwise the first that is
// not. A capture is a deliverable: it draws only from the whole content.
bool findMissingContent(std::string& missing) {
    std::vector<const char*> paths{kSoundtrackPath};
    paths.insert(paths.end(), std::begin(kTexturePaths), std::end(kTexturePaths));
    paths.insert(paths.end(), std::begin(kMeshPaths), std::end(kMeshPaths));
    for (const char* path : paths) {
        struct stat info;
        if (stat(path, &info) != 0 || !S_ISREG(info.st_mode)) {
            missing = path;
            return true;
        }
    }
    return false;
}

// The first content file that loaded as nothing (a damaged image or mesh), or
// "" when all of them gave something to draw.
std::string firstUnloadedContent(const Content& content) {
    for (size_t i = 0; i < content.textures.size(); ++i) {
        if (content.textures[i]->textureName == 0) {
            return kTexturePaths[i];
        }
    }
    for (size_t i = 0; i < content.meshes.size(); ++i) {
        if (content.meshes[i]->subMeshCount == 0) {
            return kMeshPaths[i];
        }
    }
    return "";
}

// Whether this GL driver can draw and copy a canvas of the render size, by the
// demo's own rule. A capture is a deliverable of the size asked for, so where
// the demo falls back to a smaller size, the capture refuses.
bool driverHolds(const GLWindow& window, CanvasSize render, std::string& error) {
    const int maxSide = window.maxCanvasSide();
    if (render.width <= maxSide && render.height <= maxSide) {
        return true;
    }
    error = "this GL driver cannot draw at " + std::to_string(render.width) + "x" + std::to_string(render.height) +
            ": its textures, frame buffers and viewports stop at " + std::to_string(maxSide) + " pixels a side";
    return false;
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

// Draws the frame at t with the spectrum at t.
void drawFrameAt(float t, const TrackAnalysis& analysis, std::array<float, kSpectrumSize>& spectrum,
                 DemoProgram& program) {
    analysis.spectrumAt(t, spectrum.data());
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
    // SIGINT and SIGTERM stop the capture between two frames; the output is
    // then removed, never left under its final name, nor any temporary file.
    StopRequests stopRequests;
    std::string missing;
    if (findMissingContent(missing)) {
        std::fprintf(stderr, "morvel-capture: %s is missing; run it from the folder that holds the whole data/ "
                     "(morvel-assetgen --root . writes it)\n", missing.c_str());
        return 1;
    }
    std::string error;
    std::unique_ptr<FrameSink> sink = makeSink(options, error);
    if (!sink) {
        std::fprintf(stderr, "morvel-capture: %s\n", error.c_str());
        return 2;
    }
    // Headless and silent whatever the machine has: the picture is read back and
    // the music is analysed offline, never played. Windows has no offscreen GL,
    // so there the frames are drawn in a window of the tool's own.
#ifdef _WIN32
    _putenv_s("SDL_AUDIODRIVER", "dummy");
#else
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
#endif
    const CanvasSize canvas = options.render;
    GLWindow window(canvas.width, canvas.height, 32, false, "morvel-capture");
    if (!window.ready) {
        window.close();
        sink->finish(false);
        std::fprintf(stderr, "morvel-capture: no OpenGL context could be made, so nothing can be drawn\n");
        return 1;
    }
    if (!driverHolds(window, canvas, error)) {
        window.close();
        sink->finish(false);
        std::fprintf(stderr, "morvel-capture: %s\n", error.c_str());
        return 2;
    }
    DemoProgram program(canvas);
    program.load();
    TrackAnalysis analysis;
    std::string unloaded = firstUnloadedContent(program.content);
    if (unloaded.empty() && !analysis.load(kSoundtrackPath)) {
        unloaded = kSoundtrackPath;
    }
    if (!unloaded.empty()) {
        program.content.shutdownSound();
        window.close();
        sink->finish(false);
        std::fprintf(stderr, "morvel-capture: %s could not be loaded; morvel-assetgen writes it afresh\n",
                     unloaded.c_str());
        return 1;
    }
    std::array<float, kSpectrumSize> spectrum{};

    bool ok = true;
    {
        FrameWriterThread writer(*sink);
        Progress progress(end - first);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        for (long n = first; n < end && ok && stopSignal() == 0; ++n) {
            const float t = options.hasAt ? static_cast<float>(options.atSeconds) : frameTime(n, options.fps);
            drawFrameAt(t, analysis, spectrum, program);
            ok = writer.push(readFrame(n, canvas, writer));
            progress.update(n - first + 1, n + 1 == end);
        }
        ok = writer.drain() && ok;
    }
    program.content.shutdownSound();
    window.close();
    ok = sink->finish(ok && stopSignal() == 0);
    return reportEnd(options, ok, stopSignal());
}
