#include "app/Demo.h"

#include "app/RehearsalOverlay.h"
#include "platform/KeyPresses.h"
#include "platform/MessageBox.h"
#include "platform/ProcessClock.h"

#include <cstdio>

namespace {

RehearsalKey rehearsalKeyOf(Key key) {
    switch (key) {
    case Key::kSpace: return RehearsalKey::kSpace;
    case Key::kLeft: return RehearsalKey::kLeft;
    case Key::kRight: return RehearsalKey::kRight;
    case Key::kHome: return RehearsalKey::kHome;
    case Key::kLeftBracket: return RehearsalKey::kRangeStart;
    case Key::kRightBracket: return RehearsalKey::kRangeEnd;
    case Key::kF: return RehearsalKey::kOverlay;
    case Key::kOther: break;
    }
    return RehearsalKey::kOther;
}

}  // namespace

Demo::Demo(const DemoOptions& options) : options(options), canvas(options.size) {
    rehearsal.rangeStartSeconds = options.fromSeconds;
    rehearsal.rangeEndSeconds = options.toSeconds;
    rehearsal.loop = options.loop;
}

int Demo::run() {
    if (!startUp(*this)) {
        showMessageBox("morvel", "No OpenGL context could be made, so the demo cannot run.");
        window->close();
        return kNoWindowStatus;
    }
    if (options.rehearse) {
        startCollectingKeyPresses();
    }
    const int status = runTimeline(*this);
    if (options.rehearse) {
        stopCollectingKeyPresses();
    }
    return status;
}

bool Demo::openWindow() {
    int displayWidth = 0, displayHeight = 0;
    if (options.native && desktopDisplaySize(displayWidth, displayHeight)) {
        canvas = largestLayoutFit(displayWidth, displayHeight);
        std::fprintf(stderr, "morvel: drawing at %dx%d, the largest 4:3 size on this %dx%d display\n", canvas.width,
                     canvas.height, displayWidth, displayHeight);
    }
    window.emplace(canvas.width, canvas.height, 32, !options.windowed, "morvel");
    if (!window->ready) {
        return false;
    }
    fitCanvasToDriver();
    program.emplace(canvas);
    return true;
}

// A size beyond the GL driver's limits would leave the frame half drawn; the
// largest that works takes its place, with one line saying so.
void Demo::fitCanvasToDriver() {
    const CanvasSize served = fitWithin(canvas, window->maxCanvasSide());
    if (served == canvas) {
        return;
    }
    std::fprintf(stderr, "morvel: this GL driver cannot draw at %dx%d; drawing at %dx%d instead\n", canvas.width,
                 canvas.height, served.width, served.height);
    canvas = served;
    window->resizeCanvas(canvas.width, canvas.height);
}

ContentSteps& Demo::contentSteps() {
    return program->content;
}

CanvasSize Demo::canvasSize() const {
    return canvas;
}

void Demo::createScenes() {
    program->createScenes();
    if (options.watch) {
        watcher.emplace("data");
        if (!watcher->ready()) {
            std::fprintf(stderr, "morvel: %s; changed files will not be loaded again\n", watcher->error().c_str());
        }
    }
}

void Demo::startClock() {
    timer.start();
    // A range that starts later, or loops, starts at the first frame, with its music,
    // so that every pass begins alike.
    if (options.fromSeconds > 0.0f || options.loop) {
        pendingJump = options.fromSeconds;
    }
}

void Demo::playMusic() {
    program->content.startMusic();
}

float Demo::now() {
    if (options.rehearse) {
        takeRehearsalKeys();
        reloadChangedFiles();
        const long long nowNs = processClockNs();
        frameMs = lastFrameNs > 0 ? static_cast<float>((nowNs - lastFrameNs) * 1e-6) : 0.0f;
        lastFrameNs = nowNs;
    }
    if (pendingJump) {
        const double seconds = *pendingJump;
        pendingJump.reset();
        jumpTo(seconds);
        return static_cast<float>(seconds);
    }
    return timer.now();
}

float Demo::endSeconds() {
    return rehearsal.rangeEndSeconds;
}

bool Demo::goOnAtEnd(float t) {
    if (!options.rehearse && !options.loop) {
        return false;
    }
    const ClockCommand command = options.rehearse ? atRangeEnd(rehearsal, t)
                                                  : ClockCommand{ClockCommand::kJump, rehearsal.rangeStartSeconds};
    if (command.kind == ClockCommand::kJump) {
        ++loops;
        pendingJump = command.seconds;
    } else if (command.kind == ClockCommand::kPause) {
        // Held on the range's last moment, not on a frame past it that no scene draws.
        pause();
        jumpTo(rehearsal.rangeEndSeconds);
    }
    return true;
}

// The music first: its seek may wait for the track to be ready there, and the
// clock starts from the moment it is heard.
void Demo::jumpTo(double seconds) {
    if (program->content.sound) {
        // The frame shows the time as a float; the music is where that says.
        const float shown = static_cast<float>(seconds);
        SoundSystem& sound = *program->content.sound;
        sound.seek(shown);
        // A soundtrack that had played out starts again on the seek; held, it waits.
        if (timer.held()) {
            sound.setPaused(true);
            sound.seek(shown);
        }
    }
    timer.jumpTo(seconds);
    followMusicClock();
}

void Demo::followMusicClock() {
    if (program->content.sound) {
        ::followMusicClock(timer, *program->content.sound);
    }
}

void followMusicClock(FrameTimer& timer, SoundSystem& sound) {
    double seconds = 0.0;
    long long atNs = 0;
    if (!timer.held() && sound.musicClock(seconds, atNs)) {
        timer.jumpTo(seconds, atNs);
    }
}

void Demo::pause() {
    timer.hold();
    if (program->content.sound) {
        // Paused at the held time exactly, so that the picture and the spectrum
        // are those of one moment.
        program->content.sound->setPaused(true);
        program->content.sound->seek(timer.now());
    }
    rehearsal.paused = true;
}

void Demo::resume() {
    timer.resume();
    if (program->content.sound) {
        program->content.sound->setPaused(false);
    }
    followMusicClock();
    rehearsal.paused = false;
}

void Demo::apply(ClockCommand command) {
    switch (command.kind) {
    case ClockCommand::kJump: pendingJump = command.seconds; break;
    case ClockCommand::kPause: pause(); break;
    case ClockCommand::kResume: resume(); break;
    case ClockCommand::kNone: break;
    }
}

void Demo::takeRehearsalKeys() {
    KeyPress presses[16];
    const int count = takeKeyPresses(presses, 16);
    for (int i = 0; i < count; ++i) {
        const RehearsalKey key = rehearsalKeyOf(presses[i].key);
        apply(applyRehearsalKey(rehearsal, {key, presses[i].shift}, pendingJump.value_or(timer.exactNow())));
    }
}

// Between frames, on the main thread, where the GL context is current.
void Demo::reloadChangedFiles() {
    if (!watcher || !watcher->ready()) {
        return;
    }
    changedFiles.clear();
    watcher->takeChanges(changedFiles);
    for (const std::string& path : changedFiles) {
        std::string why;
        switch (program->content.reloadFile(path, timer.now(), timer.held(), why)) {
        case Content::Reload::kReloaded:
            std::fprintf(stderr, "morvel: loaded %s again\n", path.c_str());
            break;
        case Content::Reload::kKeptOld:
            std::fprintf(stderr, "morvel: %s does not load (%s); keeping the one loaded before\n", path.c_str(),
                         why.c_str());
            break;
        case Content::Reload::kNotUsed:
            break;
        }
    }
}

const float* Demo::currentSpectrum() {
    return program->content.currentSpectrum();
}

void Demo::renderScene(int scene, float t, const float* spectrum) {
    program->drawScene(scene, t, spectrum);
    drawnSeconds = t;
    drawnSpectrum = spectrum;
}

void Demo::present() {
    if (rehearsal.overlay && drawnSpectrum != nullptr) {
        drawRehearsalOverlay(drawnSeconds, frameMs, drawnSpectrum);
    }
    if (frameShown) {
        frameShown(drawnSeconds, drawnSpectrum);
    }
    window->present();
}

bool Demo::stopRequested() {
    return ::stopRequested();
}

void Demo::stopClock() {
    timer.stop();
}

void Demo::shutdownSound() {
    program->content.shutdownSound();
}

int Demo::closeWindow() {
    return window->close();
}
