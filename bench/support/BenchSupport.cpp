#include "bench/support/BenchSupport.h"

#include "platform/GLWindow.h"
#include "platform/InitialGLState.h"
#include "platform/ProcessClock.h"

#include <SDL2/SDL.h>
#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numeric>

namespace bench {

namespace {

std::string glString(GLenum name) {
    if (SDL_GL_GetCurrentContext() == nullptr) {
        return "";
    }
    const GLubyte* text = glGetString(name);
    return text != nullptr ? reinterpret_cast<const char*>(text) : "";
}

}  // namespace

bool HeadlessGLContext::open(int width, int height) {
    if (window) {
        return true;
    }
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    window.emplace(width, height, 32, false, "morvel-bench");
    if (!window->ready) {
        std::fprintf(stderr, "bench: no GL context: %s\n", SDL_GetError());
        close();
        return false;
    }
    resetGLState(width, height);
    return true;
}

void HeadlessGLContext::close() {
    if (window) {
        window->close();
        window.reset();
    }
}

void resetGLState(int width, int height) {
    setInitialGLState(width, height);
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, 1);
    glClearColor(0, 0, 0, 1);
}

std::string glRenderer() {
    return glString(GL_RENDERER);
}

std::string glVersion() {
    return glString(GL_VERSION);
}

double nowMs() {
    return static_cast<double>(processClockNs()) * 1e-6;
}

std::vector<double> timeGLFrames(int warmupFrames, int timedFrames, const std::function<void()>& prepare,
                                 const std::function<void()>& work) {
    std::vector<double> samples;
    samples.reserve(size_t(std::max(timedFrames, 0)));
    for (int frame = 0; frame < warmupFrames + timedFrames; ++frame) {
        prepare();
        glFinish();
        const double startMs = nowMs();
        work();
        glFinish();
        if (frame >= warmupFrames) {
            samples.push_back(nowMs() - startMs);
        }
    }
    return samples;
}

double percentileOfSorted(const std::vector<double>& sortedMs, double percent) {
    if (sortedMs.empty()) {
        return 0;
    }
    const double rank = std::ceil(percent / 100.0 * double(sortedMs.size()));
    const size_t index = size_t(std::clamp(rank, 1.0, double(sortedMs.size()))) - 1;
    return sortedMs[index];
}

TimingStats summarize(std::vector<double> samplesMs) {
    TimingStats stats;
    if (samplesMs.empty()) {
        return stats;
    }
    std::sort(samplesMs.begin(), samplesMs.end());
    const size_t n = samplesMs.size();
    stats.count = n;
    stats.minMs = samplesMs.front();
    stats.maxMs = samplesMs.back();
    stats.meanMs = std::accumulate(samplesMs.begin(), samplesMs.end(), 0.0) / double(n);
    stats.medianMs = n % 2 == 1 ? samplesMs[n / 2] : (samplesMs[n / 2 - 1] + samplesMs[n / 2]) / 2.0;
    stats.p95Ms = percentileOfSorted(samplesMs, 95);
    stats.p99Ms = percentileOfSorted(samplesMs, 99);
    return stats;
}

std::string jsonString(const std::string& value) {
    std::string out = "\"";
    for (unsigned char c : value) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += char(c);
        }
    }
    return out + "\"";
}

JsonObject& JsonObject::add(const std::string& key, const std::string& value) {
    fields.emplace_back(key, jsonString(value));
    return *this;
}

JsonObject& JsonObject::add(const std::string& key, const char* value) {
    return add(key, std::string(value != nullptr ? value : ""));
}

JsonObject& JsonObject::add(const std::string& key, double value) {
    char text[32] = "null";
    if (std::isfinite(value)) {
        std::snprintf(text, sizeof text, "%.6g", value);
    }
    fields.emplace_back(key, text);
    return *this;
}

JsonObject& JsonObject::add(const std::string& key, int64_t value) {
    fields.emplace_back(key, std::to_string(value));
    return *this;
}

JsonObject& JsonObject::add(const std::string& key, int value) {
    return add(key, int64_t(value));
}

JsonObject& JsonObject::add(const std::string& key, bool value) {
    fields.emplace_back(key, value ? "true" : "false");
    return *this;
}

JsonObject& JsonObject::addStats(const std::string& prefix, const TimingStats& stats) {
    add(prefix + "count", int64_t(stats.count));
    add(prefix + "min_ms", stats.minMs);
    add(prefix + "mean_ms", stats.meanMs);
    add(prefix + "median_ms", stats.medianMs);
    add(prefix + "p95_ms", stats.p95Ms);
    add(prefix + "p99_ms", stats.p99Ms);
    return add(prefix + "max_ms", stats.maxMs);
}

std::string JsonObject::str() const {
    std::string out = "{";
    for (size_t i = 0; i < fields.size(); ++i) {
        out += (i == 0 ? "" : ", ") + jsonString(fields[i].first) + ": " + fields[i].second;
    }
    return out + "}";
}

void JsonObject::print() const {
    std::printf("%s\n", str().c_str());
    std::fflush(stdout);
}

}  // namespace bench
