// A/V sync through real sound servers. The offset is the time at which the listener
// hears track time tau less the time at which the demo's clock reads tau; drift is
// how much it changes over the run. Each server is started privately with a null
// sink, the soundtrack played as the demo plays it (clock, then play, a spectrum
// every frame) and the sink's monitor recorded. Beside it a reference stream writes
// a one-frame click every second into the same sink; where a click lands in the
// recording, against the aligned track, says which track frame was heard then.
// When it was heard: through PipeWire, from the graph's own clock, the monitor
// being recorded straight from the graph (GraphRecording); through PulseAudio, from
// the server's latency reports for the click stream, which wander by tenths of a
// millisecond while the recording shows the clicks heard exactly a sink second
// apart, so each stretch of clicks the recording shows unbroken is timed by the line
// through its reports (see steadyClickStamps). PipeWire's service reports wander
// too far for that: the line they gave placed one steady output 2 to 14 ms late in
// runs a minute apart, where the graph's clock placed it within 0.4 ms.
// Needs data/ in the working directory. Usage:
//   sync_bench [seconds [pulseaudio|alsa|pipewire|pipewire-driver]] [--uptime-days days]
//              [--seek | --seek-jumps | --seek-pauses] [--stream-latency-ms ms]
// 60 s and the first three by default; pipewire-driver plays through SDL's own
// PipeWire driver instead of PipeWire's PulseAudio service. --seek plays as a maker
// rehearses: a jump every 2 s (back and on, all over the track) and a pause of 0.6 s
// every 5 s from 2.2 s on, and reports the offset at the first click heard after
// each, which should be that of a straight run. --uptime-days runs everything on a
// counter that reads as on a machine up that long (through the process clock's test seam): picture and
// sound share the process clock, so the figures should not move. --stream-latency-ms
// sets the latency the fixture's silent keeper stream asks for (by default 10 ms for
// PulseAudio and 200 ms for PipeWire) and the click stream's (four times that):
// PipeWire's graph runs at the smallest a stream asks for, so 10 gives a 4-ms quantum,
// 32 an 8-ms one, and 200 leaves the demo's own stream to set it (32 ms).
#include "app/Demo.h"
#include "bench/support/BenchSupport.h"
#include "platform/FrameTimer.h"
#include "platform/ProcessClock.h"
#include "sound/SoundSystem.h"
#include "sound/TrackAnalysis.h"
#include "sound/audio/Mixer.h"
#include "sound/audio/SincInterpolator.h"
#include "tests/support/soundserver/GraphRecording.h"
#include "tests/support/soundserver/RecordingMatch.h"
#include "tests/support/soundserver/SoundServer.h"

#include <SDL.h>
#include <pulse/simple.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <ctime>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kRateHz = 32000;
constexpr int kChunkFrames = 160;  // 5 ms
constexpr int kClickEveryFrames = kRateHz;
// Click n has the level kClickLevel + kClickStep x (n mod kClickLevels), so that a
// recorded click says which one it is even when the first ones were never heard.
constexpr float kClickLevel = 0.3f;
constexpr float kClickStep = 0.02f;
constexpr int kClickLevels = 20;

// The demo's clock: the process clock, which FrameTimer, the mixer and its heard-clock
// fit read. The sound server times the sink on the system's monotonic clock, which
// time-keeping steers away from the counter by up to a few hundred ppm; measuring on
// another clock than the demo's would hide or invent that much drift.
long long nowNs() {
    return Mixer::nowNs();
}

// SDL's performance counter as on a machine that has been up offsetTicks longer.
struct FakedUptime {
    static inline uint64_t offsetTicks = 0;
    static uint64_t ticks() { return SDL_GetPerformanceCounter() + offsetTicks; }
    static uint64_t frequency() { return SDL_GetPerformanceFrequency(); }
};

// Before anything reads the clock: from now on it counts on a machine up for days.
void fakeUptime(double days) {
    const double frequency = static_cast<double>(SDL_GetPerformanceFrequency());
    FakedUptime::offsetTicks = static_cast<uint64_t>(days * 86400.0 * frequency);
    setProcessCounterForTesting({&FakedUptime::ticks, &FakedUptime::frequency});
}

// Writes silence with a click every second to the default sink; when each click is heard.
class ClickReference {
public:
    // The server is asked to hold about targetMs of it.
    bool start(int targetMs) {
        pa_sample_spec clickFormat = {PA_SAMPLE_FLOAT32LE, kRateHz, 2};
        const uint32_t targetBytes = static_cast<uint32_t>(targetMs * kRateHz / 1000 * 2 * sizeof(float));
        const uint32_t serverDefault = static_cast<uint32_t>(-1);
        pa_buffer_attr attr = {serverDefault, targetBytes, serverDefault, serverDefault, serverDefault};
        int error = 0;
        stream = pa_simple_new(nullptr, "sync_bench", PA_STREAM_PLAYBACK, nullptr, "clicks", &clickFormat, nullptr, &attr,
                               &error);
        if (stream == nullptr) {
            return false;
        }
        writer = std::thread([this] { run(); });
        return true;
    }

    std::vector<long long> stop() {
        running = false;
        if (writer.joinable()) {
            writer.join();
        }
        if (stream != nullptr) {
            pa_simple_free(stream);
            stream = nullptr;
        }
        return heardNs;
    }

private:
    void run() {
        std::vector<float> chunk(2 * kChunkFrames);
        long long written = 0;
        while (running) {
            long long clickAt = -1;
            for (int i = 0; i < kChunkFrames; ++i) {
                bool click = (written + i) % kClickEveryFrames == kClickEveryFrames / 2;
                float level = kClickLevel + kClickStep * static_cast<float>(heardNs.size() % kClickLevels);
                chunk[2 * i] = chunk[2 * i + 1] = click ? level : 0.0f;
                clickAt = click ? i : clickAt;
            }
            int error = 0;
            if (pa_simple_write(stream, chunk.data(), chunk.size() * sizeof(float), &error) < 0) {
                break;
            }
            written += kChunkFrames;
            if (clickAt >= 0) {
                // The latency is until the last frame written is heard.
                pa_usec_t latencyUs = pa_simple_get_latency(stream, &error);
                heardNs.push_back(nowNs() + static_cast<long long>(latencyUs) * 1000 -
                                  (kChunkFrames - 1 - clickAt) * 1000000000LL / kRateHz);
            }
        }
    }

    pa_simple* stream = nullptr;
    std::thread writer;
    std::atomic<bool> running{true};
    std::vector<long long> heardNs;
};

struct SyncFigures {
    bool measured = false;
    double startOffsetMs = NAN;
    double endOffsetMs = NAN;
    double worstOffsetMs = 0.0;
    int dropouts = -1;
    double sinkClockPpm = NAN;
    int keeperLatencyMs = 0;
    // Seeking: the moves made, and the offset at the first click after each jump.
    int moves = 0;
    int jumpsInRecording = 0;
    std::vector<double> afterMoveOffsetsMs;
};

// How fast the sink's clock runs against the steady clock, in parts per million
// (positive: fast): clicks written a second of sink time apart are heard less than a
// second of steady time apart. The median of the spacings, so that a click stream
// held back for a moment does not count. A sink that runs fast plays the track ahead
// of the picture by that much over the run; that is the drift.
double sinkClockPpm(const std::vector<long long>& heardNs) {
    std::vector<double> spacings;
    for (size_t i = 1; i < heardNs.size(); ++i) {
        spacings.push_back((heardNs[i] - heardNs[i - 1]) * 1e-9);
    }
    if (spacings.empty()) {
        return NAN;
    }
    std::nth_element(spacings.begin(), spacings.begin() + spacings.size() / 2, spacings.end());
    return (1.0 / spacings[spacings.size() / 2] - 1.0) * 1e6;
}

struct RecordedClick {
    long long frame;
    int levelIndex;
};

// Recording frames where the recording stands out from the aligned track for one frame
// only: the clicks (the end of the track, cut off, stands out for good).
std::vector<RecordedClick> clickFrames(const std::vector<float>& recording, const std::vector<float>& track,
                                   const RecordingMatch& match) {
    long long frameCount = static_cast<long long>(recording.size() / 2);
    auto difference = [&](long long i) {
        double position = static_cast<double>(i) - match.lagAt(i);
        double whole = std::floor(position);
        float left = 0.0f, right = 0.0f;
        SincInterpolator::read(track.data(), static_cast<long long>(track.size() / 2), static_cast<long long>(whole),
                               position - whole, left, right);
        return std::fabs(recording[2 * i] - left);
    };
    // Where the recording jumps in the track (a seek), the lag between blocks means
    // nothing for a block or two either side.
    auto nearAJump = [&](long long i) {
        for (size_t s = 1; s < match.segments.size(); ++s) {
            if (std::llabs(i - match.segments[s].recordingFrame) < 2048) {
                return true;
            }
        }
        return false;
    };
    std::vector<RecordedClick> clicks;
    for (long long i = 1; i + 1 < frameCount; ++i) {
        if (nearAJump(i)) {
            continue;
        }
        float d = difference(i);
        if (d > kClickLevel * 0.8f && difference(i - 1) < 0.05f && difference(i + 1) < 0.05f) {
            clicks.push_back({i, static_cast<int>(std::lround((d - kClickLevel) / kClickStep))});
        }
    }
    return clicks;
}

int levelModulo(long long value) {
    return static_cast<int>((value % kClickLevels + kClickLevels) % kClickLevels);
}

// Which written click each recorded one is (-1: not a click). Clicks lie whole seconds
// of sink time apart in the recording, so a run of them, each a whole number of seconds
// after the one before, is one stretch of the click stream; a click stream held back
// for a moment (on a busy machine) starts a new run, shifted by a fraction of a second,
// and a one-frame blip of the recording that is no click seldom lies whole seconds from
// its neighbours. The levels, which count modulo kClickLevels, say which written click a
// run starts at: the reading most of its clicks agree on (one misread does not shift
// them all), nearest to where the run before it left off (the first run starts within
// the first kClickLevels clicks). Runs of fewer than three clicks, or without a clear
// majority, are left out.
std::vector<long long> numberClicks(const std::vector<RecordedClick>& clicks) {
    std::vector<long long> numbers(clicks.size(), -1);
    long long lastNumber = -1, lastFrame = 0;
    for (size_t start = 0, end = 0; start < clicks.size(); start = end) {
        std::vector<long long> offsets{0};
        for (end = start + 1; end < clicks.size(); ++end) {
            double seconds = static_cast<double>(clicks[end].frame - clicks[end - 1].frame) / kClickEveryFrames;
            long long whole = std::llround(seconds);
            if (whole < 1 || std::fabs(seconds - whole) > 0.01) {
                break;
            }
            offsets.push_back(offsets.back() + whole);
        }
        std::vector<int> votes(kClickLevels, 0);
        for (size_t i = start; i < end; ++i) {
            ++votes[levelModulo(clicks[i].levelIndex - offsets[i - start])];
        }
        int level = static_cast<int>(std::max_element(votes.begin(), votes.end()) - votes.begin());
        if (end - start < 3 || 2 * votes[level] <= static_cast<int>(end - start)) {
            continue;
        }
        long long base = level;
        if (lastNumber >= 0) {
            double gapSeconds = static_cast<double>(clicks[start].frame - lastFrame) / kClickEveryFrames;
            long long estimate = lastNumber + std::llround(gapSeconds);
            base = estimate + levelModulo(level - estimate);
            base -= base - estimate > kClickLevels / 2 ? kClickLevels : 0;
        }
        for (size_t i = start; i < end; ++i) {
            numbers[i] = base + offsets[i - start];
        }
        lastNumber = numbers[end - 1];
        lastFrame = clicks[end - 1].frame;
    }
    return numbers;
}

// When each found click was heard (-1 where it is no click). Within a stretch of
// clicks the recording shows whole seconds of sink time apart to the frame, nothing
// was dropped, held up or resampled: they were heard on one straight line against the
// clock, and the stream's latency reports, which wander about it, are replaced by
// the line through them: least squares over the reports near a repeated-median line
// (each click's median slope to the others, their median, then the median
// intercept), so that reports off by milliseconds now and then neither tilt nor
// shift it. Stretches too short to fit keep their reports.
std::vector<long long> steadyClickStamps(const std::vector<RecordedClick>& found, const std::vector<long long>& numbers,
                                         const std::vector<long long>& heardNs) {
    constexpr int kFittedStretch = 8;
    constexpr long long kExactFrames = 2;  // a click is found to the frame
    std::vector<long long> stamps(found.size(), -1);
    std::vector<size_t> stretch;
    auto fitStretch = [&] {
        if (stretch.size() < kFittedStretch) {
            for (size_t i : stretch) {
                stamps[i] = heardNs[static_cast<size_t>(numbers[i])];
            }
            return;
        }
        // Recording frames and reported times, from the stretch's first click.
        const long long originFrame = found[stretch.front()].frame;
        const long long originNs = heardNs[static_cast<size_t>(numbers[stretch.front()])];
        std::vector<double> xs, ys;
        for (size_t i : stretch) {
            xs.push_back(static_cast<double>(found[i].frame - originFrame));
            ys.push_back(static_cast<double>(heardNs[static_cast<size_t>(numbers[i])] - originNs));
        }
        auto median = [](std::vector<double> values) {
            std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
            return values[values.size() / 2];
        };
        const size_t n = xs.size();
        std::vector<double> slopes, fromOne;
        for (size_t a = 0; a < n; ++a) {
            fromOne.clear();
            for (size_t b = 0; b < n; ++b) {
                if (a != b) {
                    fromOne.push_back((ys[b] - ys[a]) / (xs[b] - xs[a]));
                }
            }
            slopes.push_back(median(fromOne));
        }
        double slope = median(slopes);
        std::vector<double> residuals;
        for (size_t k = 0; k < n; ++k) {
            residuals.push_back(ys[k] - slope * xs[k]);
        }
        double intercept = median(residuals);
        // Then least squares over the reports near that line.
        for (double& residual : residuals) {
            residual = std::fabs(residual - intercept);
        }
        const double bound = std::max(1e6, 3.0 * 1.4826 * median(residuals));
        double used = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
        for (size_t k = 0; k < n; ++k) {
            if (residuals[k] <= bound) {
                used += 1;
                sx += xs[k];
                sy += ys[k];
                sxx += xs[k] * xs[k];
                sxy += xs[k] * ys[k];
            }
        }
        if (used >= kFittedStretch / 2 && used * sxx - sx * sx > 0) {
            slope = (used * sxy - sx * sy) / (used * sxx - sx * sx);
            intercept = (sy - slope * sx) / used;
        }
        for (size_t k = 0; k < n; ++k) {
            stamps[stretch[k]] = originNs + std::llround(intercept + slope * xs[k]);
        }
    };
    for (size_t i = 0; i < found.size(); ++i) {
        if (numbers[i] < 0 || numbers[i] >= static_cast<long long>(heardNs.size())) {
            continue;
        }
        if (!stretch.empty()) {
            const size_t last = stretch.back();
            const long long expected = (numbers[i] - numbers[last]) * kClickEveryFrames;
            const long long off = found[i].frame - found[last].frame - expected;
            if (numbers[i] <= numbers[last] || std::llabs(off) > kExactFrames) {
                fitStretch();
                stretch.clear();
            }
        }
        stretch.push_back(i);
    }
    fitStretch();
    return stamps;
}

// How fast the system's monotonic clock runs against the demo's over a stretch.
struct MonotonicAgainstClock {
    long long monotonicNs;
    long long clockNs;

    static long long monotonicNow() {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        return now.tv_sec * 1000000000LL + now.tv_nsec;
    }
    static MonotonicAgainstClock now() { return {monotonicNow(), nowNs()}; }
    // Monotonic nanoseconds per clock nanosecond since this reading.
    double ratioUntilNow() const {
        return static_cast<double>(monotonicNow() - monotonicNs) / static_cast<double>(nowNs() - clockNs);
    }
};

// What the clock read from a moment on (after a start, a jump, a pause or a resume).
struct ClockEvent {
    long long atNs;
    double seconds;
    bool held;
};

double clockReadingAt(const std::vector<ClockEvent>& events, long long ns) {
    const ClockEvent* last = &events.front();
    for (const ClockEvent& event : events) {
        if (event.atNs <= ns) {
            last = &event;
        }
    }
    return last->held ? last->seconds : last->seconds + (ns - last->atNs) * 1e-9;
}

// Whether a click heard at ns could still carry what the output held before a move,
// or falls in a pause: within kSettleNs after any event, or while held. What the
// output held is heard out first, for its latency: 386 ms through ALSA's plugin.
bool nearAMove(const std::vector<ClockEvent>& events, long long ns) {
    constexpr long long kSettleNs = 500000000;
    for (size_t i = 1; i < events.size(); ++i) {
        if (ns >= events[i].atNs && ns < events[i].atNs + kSettleNs) {
            return true;
        }
    }
    const ClockEvent* last = &events.front();
    for (const ClockEvent& event : events) {
        if (event.atNs <= ns) {
            last = &event;
        }
    }
    return last->held;
}

// What the clock reads, and when: one reading of the counter gives both.
ClockEvent clockEvent(FrameTimer& timer) {
    const double seconds = timer.exactNow();
    return {processClockNsOf(static_cast<uint64_t>(timer.counter)), seconds, timer.held()};
}

// By how much each move shifted the recording against the track, in frames: the
// wall time less the clock's reading grows by a pause's length and by how far a jump
// went back, and stays put while the clock runs.
std::vector<long long> lagMoves(const std::vector<ClockEvent>& events) {
    std::vector<long long> moves;
    auto behind = [&](const ClockEvent& e) { return (e.atNs - events.front().atNs) * 1e-9 - e.seconds; };
    for (size_t i = 1; i < events.size(); ++i) {
        if (!events[i].held) {
            moves.push_back(std::llround((behind(events[i]) - behind(events[i - 1])) * kRateHz));
        }
    }
    return moves;
}

// Plays the soundtrack as the demo does for seconds of wall time; with seeking, as a
// rehearsal does: the music moved first, then the clock takes up the music's reading.
std::vector<ClockEvent> playLikeTheDemo(SoundSystem& sound, double seconds, bool jumping, bool pausing) {
    FrameTimer timer;
    timer.start();
    std::vector<ClockEvent> events{clockEvent(timer)};
    sound.play();
    const long long startNs = events.front().atNs;
    int nextJump = 1, nextPause = 0;
    bool holding = false;
    // Targets wander back and on over the whole track.
    const double targets[] = {31.0, 12.5, 47.0, 3.0, 22.25, 55.0, 8.0, 40.5, 17.0, 35.0};
    while ((nowNs() - startNs) * 1e-9 < seconds) {
        const double wall = (nowNs() - startNs) * 1e-9;
        // Pauses lie between whole seconds, jumps on odd ones: never two moves at once.
        // The first pause comes after two seconds of play, when the start is matched.
        if (pausing && !holding && wall >= 2.2 + 5.0 * nextPause) {
            timer.hold();
            sound.setPaused(true);
            sound.seek(timer.now());
            events.push_back(clockEvent(timer));
            holding = true;
        } else if (pausing && holding && wall >= 2.8 + 5.0 * nextPause) {
            timer.resume();
            sound.setPaused(false);
            followMusicClock(timer, sound);
            events.push_back(clockEvent(timer));
            holding = false;
            ++nextPause;
        } else if (jumping && !holding && wall >= 2.0 * nextJump - 1.0) {
            const double target = targets[(nextJump - 1) % 10];
            sound.seek(static_cast<float>(target));
            timer.jumpTo(target);
            followMusicClock(timer, sound);
            events.push_back(clockEvent(timer));
            ++nextJump;
        }
        sound.spectrum();
        SDL_Delay(5);
    }
    sound.shutdown();
    return events;
}

SyncFigures measure(SoundServer::Kind kind, const char* driver, const TrackAnalysis& track, double seconds,
                    bool jumping, bool pausing, int streamLatencyMs) {
    SyncFigures figures;
    SoundServer server;
    if (!server.start(kind, streamLatencyMs)) {
        std::fprintf(stderr, "sync_bench: %s\n", server.why().c_str());
        return figures;
    }
    server.applyToThisProcess();
    figures.keeperLatencyMs = server.keeperLatency();
    setenv("SDL_AUDIODRIVER", driver, 1);
    // Through PipeWire the sink's monitor is recorded on the graph's clock, which says
    // exactly when each frame was heard; through PulseAudio the clicks' reports say it.
    const bool graphTimed = kind == SoundServer::Kind::pipeWire;
    GraphRecording graph;
    ClickReference clicks;
    if (!(graphTimed ? graph.start(SoundServer::kSinkName, kRateHz) : server.startRecording()) ||
        !clicks.start(4 * server.keeperLatency())) {
        std::fprintf(stderr, "sync_bench: %s: the recording or the click stream did not start\n", server.name());
        return figures;
    }
    SoundSystem sound("data/sound/tamokrelu.mp3");
    const MonotonicAgainstClock paceFrom = MonotonicAgainstClock::now();
    const std::vector<ClockEvent> events = playLikeTheDemo(sound, seconds, jumping, pausing);
    const double monotonicPerClockNs = paceFrom.ratioUntilNow();
    SDL_Delay(200);
    std::vector<long long> heardNs = clicks.stop();
    graph.stop();
    const std::vector<float> recording = graphTimed ? graph.frames() : server.stopRecording();
    const std::vector<float> trackFrames(track.frames(), track.frames() + 2 * track.frameCount());
    RecordingMatch match = matchRecording(recording, trackFrames, kRateHz, 2.0, lagMoves(events));
    if (!match.found) {
        std::fprintf(stderr, "sync_bench: %s through %s: the track is not in the recording (%zu frames)\n",
                     server.name(), driver, recording.size() / 2);
        return figures;
    }
    figures.dropouts = match.jumpCount();
    // PipeWire's null sink plays at exactly its rate on the system's monotonic clock
    // (a timer that steps each cycle by the cycle's length).
    figures.sinkClockPpm = graphTimed ? (monotonicPerClockNs - 1.0) * 1e6 : sinkClockPpm(heardNs);
    std::vector<RecordedClick> found = clickFrames(recording, trackFrames, match);
    std::fprintf(stderr, "sync_bench: %s through %s: %zu clicks written, %zu found%s\n", server.name(), driver,
                 heardNs.size(), found.size(),
                 graphTimed ? (", quantum " + std::to_string(graph.quantumFrames()) + " frames").c_str() : "");
    std::string offsetsText, reportedText;
    std::vector<long long> numbers = numberClicks(found);
    const std::vector<long long> stamps = graphTimed ? std::vector<long long>() : steadyClickStamps(found, numbers, heardNs);
    std::vector<bool> moveReported(events.size(), false);
    for (size_t i = 0; i < found.size(); ++i) {
        const RecordedClick& click = found[i];
        long long written = numbers[i];
        if (written < 0 || written >= static_cast<long long>(heardNs.size())) {
            continue;  // not a click: a moment where the recording leaves the track
        }
        double tau = (static_cast<double>(click.frame) - match.lagAt(click.frame)) / kRateHz;
        const long long heard = graphTimed ? graph.heardNs(click.frame) : stamps[i];
        const long long reported = heardNs[static_cast<size_t>(written)];
        const double wall = (heard - events.front().atNs) * 1e-9;
        if (heard < 0 || wall < 0.5 || wall > seconds - 0.5 || nearAMove(events, heard)) {
            continue;
        }
        double offsetMs = (clockReadingAt(events, heard) - tau) * 1000.0;
        char text[32];
        std::snprintf(text, sizeof text, " %.2f", offsetMs);
        offsetsText += text;
        std::snprintf(text, sizeof text, " %.2f", (clockReadingAt(events, reported) - tau) * 1000.0);
        reportedText += text;
        if (!figures.measured) {
            figures.startOffsetMs = offsetMs;
            figures.measured = true;
        }
        figures.endOffsetMs = offsetMs;
        size_t move = 0;
        for (size_t e = 0; e < events.size(); ++e) {
            move = events[e].atNs <= heard ? e : move;
        }
        if (move > 0 && !moveReported[move]) {
            moveReported[move] = true;
            figures.afterMoveOffsetsMs.push_back(offsetMs);
        }
        figures.worstOffsetMs = std::max(figures.worstOffsetMs, std::fabs(offsetMs));
    }
    std::fprintf(stderr, "sync_bench: %s through %s: offset at each click, ms:%s\n", server.name(), driver,
                 offsetsText.c_str());
    std::fprintf(stderr, "sync_bench: %s through %s: the same, each timed by its own latency report, ms:%s\n",
                 server.name(), driver, reportedText.c_str());
    figures.moves = static_cast<int>(events.size()) - 1;
    figures.jumpsInRecording = match.jumpCount();
    return figures;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    double uptimeDays = 0.0;
    bool jumping = false, pausing = false;
    for (const char* flag : {"--seek", "--seek-jumps", "--seek-pauses"}) {
        const auto given = std::find(args.begin(), args.end(), flag);
        if (given != args.end()) {
            jumping = jumping || std::string(flag) != "--seek-pauses";
            pausing = pausing || std::string(flag) != "--seek-jumps";
            args.erase(given);
        }
    }
    const bool seeking = jumping || pausing;
    int streamLatencyMs = 0;  // each server's usual
    for (size_t i = 0; i + 1 < args.size();) {
        if (args[i] == "--uptime-days") {
            uptimeDays = std::atof(args[i + 1].c_str());
        } else if (args[i] == "--stream-latency-ms") {
            streamLatencyMs = std::max(1, std::atoi(args[i + 1].c_str()));
        } else {
            ++i;
            continue;
        }
        args.erase(args.begin() + static_cast<long>(i), args.begin() + static_cast<long>(i) + 2);
    }
    if (uptimeDays > 0.0) {
        fakeUptime(uptimeDays);
    }
    double seconds = !args.empty() ? std::atof(args[0].c_str()) : 60.0;
    TrackAnalysis track;
    if (!track.load("data/sound/tamokrelu.mp3")) {
        std::fprintf(stderr, "sync_bench: no data/sound/tamokrelu.mp3 here\n");
        return 1;
    }
    const struct {
        const char* key;
        SoundServer::Kind kind;
        const char* driver;
        bool onlyWhenNamed;
    } cases[] = {
        {"pulseaudio", SoundServer::Kind::pulseAudio, "pulseaudio", false},
        {"alsa", SoundServer::Kind::pulseAudio, "alsa", false},
        {"pipewire", SoundServer::Kind::pipeWire, "pulseaudio", false},
        // SDL's own PipeWire driver, which the layer does not choose: kept to show why.
        {"pipewire-driver", SoundServer::Kind::pipeWire, "pipewire", true},
    };
    bench::JsonObject json;
    json.add("benchmark", seeking ? "sync_seek" : "sync")
        .add("seconds", seconds)
        .add("uptime_days", uptimeDays)
        .add("stream_latency_ms", streamLatencyMs);  // 0: each server's usual
    for (const auto& c : cases) {
        if (args.size() > 1 ? args[1] != c.key : c.onlyWhenNamed) {
            continue;
        }
        SyncFigures f = measure(c.kind, c.driver, track, seconds, jumping, pausing, streamLatencyMs);
        std::string key = c.key;
        std::replace(key.begin(), key.end(), '-', '_');
        if (key == "pulseaudio") {
            json.add("offset_ms", f.startOffsetMs).add("drift_ms", f.endOffsetMs - f.startOffsetMs);
        }
        json.add(key + "_offset_ms", f.startOffsetMs)
            .add(key + "_drift_ms", f.endOffsetMs - f.startOffsetMs)
            .add(key + "_worst_offset_ms", f.worstOffsetMs)
            .add(key + "_sink_clock_ppm", f.sinkClockPpm)
            .add(key + "_dropouts", f.dropouts)
            .add(key + "_keeper_latency_ms", f.keeperLatencyMs);
        if (seeking) {
            double worst = 0.0;
            std::string list;
            for (double offsetMs : f.afterMoveOffsetsMs) {
                worst = std::max(worst, std::fabs(offsetMs));
                char text[32];
                std::snprintf(text, sizeof text, " %.2f", offsetMs);
                list += text;
            }
            std::fprintf(stderr, "sync_bench: %s: offset at the first click after each move, ms:%s\n", c.key,
                         list.c_str());
            json.add(key + "_moves", f.moves)
                .add(key + "_moves_measured", static_cast<int>(f.afterMoveOffsetsMs.size()))
                .add(key + "_worst_offset_after_move_ms", worst)
                .add(key + "_recording_jumps", f.jumpsInRecording);
        }
    }
    json.print();
    return 0;
}
