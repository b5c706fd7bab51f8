#pragma once
// What the benchmarks share: a headless GL context with the demo window's
// pixel format and initial state, frame timing with glFinish, percentile
// statistics, and a printer for the one JSON object each benchmark writes.
// Single-threaded; the GL helpers work on the calling thread's context.
#include "platform/GLWindow.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace bench {

// A windowed GLWindow, the demo's own window and context set-up, on SDL's
// offscreen driver unless SDL_VIDEODRIVER names another.
// One per process; closed by close() or the destructor.
class HeadlessGLContext {
public:
    HeadlessGLContext() = default;
    HeadlessGLContext(const HeadlessGLContext&) = delete;
    HeadlessGLContext& operator=(const HeadlessGLContext&) = delete;
    ~HeadlessGLContext() { close(); }

    // Makes a width x height context current and sets the demo window's
    // initial state. False, with a line on stderr, when none can be made.
    bool open(int width = 800, int height = 600);
    // Destroys the context and its window.
    void close();

private:
    std::optional<GLWindow> window;
};

// Puts back the demo window's initial state: full viewport, 45-degree
// perspective, identity model-view, depth test, normalisation and culling on,
// colour white, no blending or texturing, black clear colour.
void resetGLState(int width = 800, int height = 600);

// GL_RENDERER and GL_VERSION of the current context ("" without one).
std::string glRenderer();
std::string glVersion();

// Milliseconds on the demo's own clock (the process clock, as the frame timer
// and the mixer read it).
double nowMs();

// Runs prepare then work for warmupFrames untimed frames and timedFrames timed
// ones; each timed sample is the time of work alone, between a glFinish
// before it and a glFinish after it. Returns the samples in milliseconds.
std::vector<double> timeGLFrames(int warmupFrames, int timedFrames, const std::function<void()>& prepare,
                                 const std::function<void()>& work);

// Summary of timing samples. Percentiles use the nearest rank (the smallest
// sample with at least p% of the samples at or below it); the median of an
// even count is the mean of the two middle samples. All zero for no samples.
struct TimingStats {
    size_t count = 0;
    double minMs = 0;
    double meanMs = 0;
    double medianMs = 0;
    double p95Ms = 0;
    double p99Ms = 0;
    double maxMs = 0;
};
TimingStats summarize(std::vector<double> samplesMs);

// Nearest-rank percentile (0 < percent <= 100) of samples sorted ascending; 0 when empty.
double percentileOfSorted(const std::vector<double>& sortedMs, double percent);

// One flat JSON object, keys kept in insertion order. Strings are escaped;
// numbers that are not finite print as null.
class JsonObject {
public:
    JsonObject& add(const std::string& key, const std::string& value);
    JsonObject& add(const std::string& key, const char* value);
    JsonObject& add(const std::string& key, double value);
    JsonObject& add(const std::string& key, int64_t value);
    JsonObject& add(const std::string& key, int value);
    JsonObject& add(const std::string& key, bool value);
    // count, min_ms, mean_ms, median_ms, p95_ms, p99_ms, max_ms, each key after prefix.
    JsonObject& addStats(const std::string& prefix, const TimingStats& stats);

    // {"key": value, ...} on one line.
    std::string str() const;
    // str() and a newline to standard output, flushed.
    void print() const;

private:
    std::vector<std::pair<std::string, std::string>> fields;  // key, encoded value
};

// value as a JSON string literal, quotes included.
std::string jsonString(const std::string& value);

}  // namespace bench
