// The audio library's C interface over SDL2 output and the Mixer.
#include "sound/AudioLibrary.h"

#include "sound/audio/DriverLatency.h"
#include "sound/audio/LibraryState.h"
#include "sound/audio/Mixer.h"
#include "sound/audio/ModuleFile.h"
#include "sound/audio/SampleLoader.h"
#include "sound/audio/FftAnalyzer.h"
#include "sound/audio/HeardSpectrum.h"
#include "sound/audio/LatencyWindow.h"

#include <SDL.h>
#include <pthread.h>
#include <sched.h>
#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

// Frames a block. A sound server's stream holds about one block, and a renderer
// busy on every core can keep the audio thread waiting for tens of milliseconds,
// so real outputs get 64 ms blocks; what they add to the latency is compensated.
// Nothing is heard through the dummy driver, so it keeps short blocks.
constexpr int kOutputBlockFrames = 4096;
constexpr int kDummyBlockFrames = 512;
// Seconds of a sample ready before it starts: more than any output's latency (which
// the start skips) and a block, and resampled in about 20 ms.
constexpr int kPlayReadySeconds = 2;

void countCall() {
    libraryCallCount().fetch_add(1, std::memory_order_relaxed);
}

void fail(int error) {
    library().lastError = error;
}

// Real-time scheduling for the thread that feeds the output, where the system grants
// it (SDL asks only through a session bus); otherwise it stays as it was.
void raiseThisThreadsPriority() {
    sched_param param;
    std::memset(&param, 0, sizeof param);
    param.sched_priority = 5;
    pthread_setschedparam(pthread_self(), SCHED_RR, &param);
}

void SDLCALL mixCallback(void* mixer, Uint8* stream, int byteCount) {
    static thread_local bool raised = false;
    if (!raised) {
        raiseThisThreadsPriority();
        raised = true;
    }
    int frameCount = byteCount / static_cast<int>(2 * sizeof(float));
    static_cast<Mixer*>(mixer)->render(reinterpret_cast<float*>(stream), frameCount);
}

// The mixer's latency follows the highest of the server's recent readings.
void followServerLatency(LibraryState& lib, int mixRateHz) {
    Mixer* mixer = lib.mixer.get();
    lib.serverLatency.watch([mixer, mixRateHz, window = LatencyWindow()](long long readingUs) mutable {
        window.add(readingUs);
        long long latencyUs = window.latencyUs();
        if (latencyUs >= 0) {
            mixer->setOutputLatency(static_cast<int>(latencyUs * mixRateHz / 1000000));
        }
    });
}

// The mixer is made for the driver's block size, then the device opened on it.
bool openOnCurrentDriver(LibraryState& lib, SDL_AudioSpec want, int maxChannels) {
    const char* current = SDL_GetCurrentAudioDriver();
    bool dummy = current != nullptr && std::strcmp(current, "dummy") == 0;
    want.samples = dummy ? kDummyBlockFrames : kOutputBlockFrames;
    lib.mixer.reset(new Mixer(want.freq, maxChannels, want.samples));
    want.userdata = lib.mixer.get();
    // Both SDL's PulseAudio driver and ALSA's PulseAudio plugin open a stream on the
    // server; noting this process's streams first tells the new one apart.
    bool serverReachable = !dummy && lib.serverLatency.connect();
    SDL_AudioSpec have;
    lib.device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (lib.device == 0) {
        lib.serverLatency.stop();
        lib.mixer.reset();
        return false;
    }
    lib.bufferFrames = have.samples;
    const char* driver = SDL_GetCurrentAudioDriver();
    lib.driverName = driver != nullptr ? driver : "";
    lib.mixer->setOutputLatency(fixedLatencyFrames(lib.driverName, want.freq, have.samples));
    // SDL's PulseAudio driver has written everything before a block when it asks for
    // it, and writes nothing more until the block is mixed: asked from the audio thread
    // then, the server's latency says exactly which frame is being heard. Through SDL's
    // ALSA driver, ALSA's PulseAudio plugin passes the frames on to the server as it
    // asks for them, so at a block's request the server holds little of what is on its
    // way; there the highest of the last second's readings, taken just after the
    // plugin passed frames on, is the latency. SDL's ALSA driver asks for a block as
    // soon as the last one is in ALSA's buffer, so its requests come at the output's
    // pace (through the plugin or from a sound card): fitted, they pace the sample.
    // SDL's PulseAudio driver asks as the server frees room, at the output's pace too:
    // where the server reports no latency for the stream (PipeWire's service), the
    // requests' fit paces the sample, so that a server held up for a moment, which
    // then plays everything that much later, is followed instead of kept as an offset.
    if (serverReachable && lib.driverName == "pulseaudio") {
        ServerLatency* server = &lib.serverLatency;
        lib.mixer->setLatencySource([server] { return server->readLatencyUs(); });
    } else if (serverReachable) {
        followServerLatency(lib, want.freq);
    }
    lib.mixer->setRequestTiming(lib.driverName == "alsa" || lib.driverName == "pulseaudio");
    return true;
}

// Opens the default device, or SDL's dummy driver when there is none, so that
// playback time and the spectrum still advance in silence.
bool openDevice(LibraryState& lib, int mixRateHz, int maxChannels) {
    SDL_AudioSpec want;
    std::memset(&want, 0, sizeof want);
    want.freq = mixRateHz;
    want.format = AUDIO_F32SYS;
    want.channels = 2;
    want.callback = mixCallback;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
        if (openOnCurrentDriver(lib, want, maxChannels)) {
            lib.dummyFallback = false;
            return true;
        }
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    if (SDL_AudioInit("dummy") == 0) {
        if (openOnCurrentDriver(lib, want, maxChannels)) {
            lib.dummyFallback = true;
            return true;
        }
        SDL_AudioQuit();
    }
    return false;
}

// How long the end of the run waits for the device to close: a second at most. SDL
// waits for a device's last blocks to play out as it closes (0.27 s through PulseAudio,
// 0.63 s through ALSA's plugin, with 4096-frame blocks at 32 kHz); a device already
// seen frozen (no block asked for in half a second) gets a tenth of a second.
int closeWaitMs(const LibraryState& lib) {
    bool frozen = lib.mixer != nullptr && lib.driverName != "dummy" &&
                  lib.mixer->output().outputStalled(lib.outputStartedNs);
    return frozen ? 100 : 1000;
}

// Waits up to waitMs for a close to end; true when it has.
bool waitForClose(DeviceClosing& closing, int waitMs) {
    std::unique_lock<std::mutex> hold(closing.lock);
    return closing.ended.wait_for(hold, std::chrono::milliseconds(waitMs), [&closing] { return closing.closed; });
}

// Quits SDL's audio as it was started for the device.
void quitAudio(bool dummyFallback) {
    if (dummyFallback) {
        SDL_AudioQuit();
    } else {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
}

// Closes the device and quits SDL's audio, waiting closeWaitMs at most. SDL's close
// joins its audio thread, and a frozen server (stopped, or blocked) keeps that thread
// waiting inside the server's main loop for as long as it stays so. Pausing first
// takes only the lock the audio thread holds while it mixes, and from then on SDL
// never calls the mixer again: whether or not the close ends in time, the mixer and
// the samples can go. The close runs on a thread of its own. One that does not end in
// time is left to end by itself should the server ever answer (lib.closingDevice),
// and SDL's audio is not quit meanwhile: that would close the device again, and wait.
void closeDevice(LibraryState& lib) {
    SDL_AudioDeviceID device = lib.device;
    lib.device = 0;
    SDL_PauseAudioDevice(device, 1);
    // Shared, so that a close left behind never touches what this call owned.
    std::shared_ptr<DeviceClosing> closing = std::make_shared<DeviceClosing>();
    closing->dummyFallback = lib.dummyFallback;
    std::thread closer([device, closing] {
        SDL_CloseAudioDevice(device);
        std::lock_guard<std::mutex> hold(closing->lock);
        closing->closed = true;
        closing->ended.notify_all();
    });
    if (waitForClose(*closing, closeWaitMs(lib))) {
        closer.join();
        quitAudio(lib.dummyFallback);
    } else {
        closer.detach();
        lib.closingDevice = closing;
    }
    lib.serverLatency.stop();
}

// Before SDL's audio is started again: a close left behind must have ended, or the
// two would change SDL's devices at once. False when it still has not.
bool finishLeftClose(LibraryState& lib) {
    if (lib.closingDevice == nullptr) {
        return true;
    }
    if (!waitForClose(*lib.closingDevice, 1000)) {
        return false;
    }
    quitAudio(lib.closingDevice->dummyFallback);
    lib.closingDevice.reset();
    return true;
}

// Any way out of the process (a return from main, or exit() called inside a library,
// as the JPEG decoder does on damaged data) destroys the library state; SDL's audio
// thread and the samples' resampling must be stopped before, or they work on freed
// memory. Registered after the state is constructed, so it runs before the state's
// destructor. A frozen server holds it up a second at most (closeWaitMs).
void stopOutputAtExit() {
    LibraryState& lib = library();
    lib.samples.forEach([](LoadedSample& sample) { sample.stopResampling(); });
    if (lib.open && lib.device != 0) {
        closeDevice(lib);
    }
}

// A server that goes away leaves SDL calling the mixer at about the device's pace
// with its output thrown away; one that freezes leaves SDL waiting on it, and the
// mixer is not called at all. Either way, from then on the wall clock keeps the mix,
// and so the spectrum, in time, as with the dummy driver; while no block is asked for,
// the frames the clock says are due are mixed here. The device is not reopened: the
// rest of the run is silent even if the server comes back (or plays on the wall clock
// if a frozen one wakes). The stall only counts when this thread itself has kept
// running meanwhile, not after the whole process was stopped and continued.
void keepTimeIfOutputLost(LibraryState& lib) {
    if (lib.driverName == "dummy") {
        return;  // on the wall clock from the start
    }
    long long nowNs = Mixer::nowNs();
    bool awake = nowNs - lib.lastOutputCheckNs < OutputClock::kStalledOutputNs;
    lib.lastOutputCheckNs = nowNs;
    bool stalled = awake && lib.mixer->output().outputStalled(lib.outputStartedNs);
    if (!lib.outputLost && (stalled || SDL_GetAudioDeviceStatus(lib.device) == SDL_AUDIO_STOPPED)) {
        lib.outputLost = true;
        SDL_LockAudioDevice(lib.device);
        lib.mixer->setClockPacing(true);
        SDL_UnlockAudioDevice(lib.device);
    }
    if (lib.outputLost && stalled) {
        SDL_LockAudioDevice(lib.device);
        lib.mixer->keepUpWithClock();
        SDL_UnlockAudioDevice(lib.device);
    }
}

void releaseEverything(LibraryState& lib) {
    lib.songs.clear();
    lib.samples.clear();
}

}  // namespace

LibraryState& library() {
    static LibraryState instance;
    return instance;
}

std::atomic<long long>& libraryCallCount() {
    static std::atomic<long long> count{0};
    return count;
}

signed char FSOUND_Init(int mixRateHz, int maxChannels, unsigned int) {
    countCall();
    LibraryState& lib = library();
    if (lib.open) {
        fail(FMOD_ERR_BUSY);
        return 0;
    }
    if (mixRateHz < 4000 || mixRateHz > 192000 || maxChannels < 1 || maxChannels > 1024) {
        fail(FMOD_ERR_INVALID_PARAM);
        return 0;
    }
    if (!finishLeftClose(lib) || !openDevice(lib, mixRateHz, maxChannels)) {
        fail(FMOD_ERR_INIT);
        return 0;
    }
    static const bool stopsAtExit = std::atexit(stopOutputAtExit) == 0;
    (void)stopsAtExit;
    lib.open = true;
    lib.mixRateHz = mixRateHz;
    lib.spectrumEndFrame = -1;
    lib.fftUnit.active = false;
    lib.outputLost = false;
    SDL_LockAudioDevice(lib.device);
    lib.mixer->setClockPacing(lib.driverName == "dummy");
    SDL_UnlockAudioDevice(lib.device);
    SDL_PauseAudioDevice(lib.device, 0);
    lib.outputStartedNs = lib.lastOutputCheckNs = Mixer::nowNs();
    return 1;
}

FSOUND_SAMPLE* FSOUND_Sample_Load(int index, const char* path, unsigned int, int offsetBytes,
                                  int lengthBytes) {
    countCall();
    LibraryState& lib = library();
    if (!lib.open) {
        fail(FMOD_ERR_UNINITIALIZED);
        return nullptr;
    }
    if (path == nullptr || index < FSOUND_UNMANAGED || offsetBytes < 0 || lengthBytes < 0) {
        fail(FMOD_ERR_INVALID_PARAM);
        return nullptr;
    }
    std::unique_ptr<LoadedSample> sample(new LoadedSample);
    PcmData decoded;
    int error = decodeSampleFile(path, offsetBytes, lengthBytes, decoded);
    if (error != FMOD_ERR_NONE) {
        fail(error);
        return nullptr;
    }
    if (decoded.rateHz == lib.mixRateHz || decoded.frames.empty()) {
        decoded.rateHz = lib.mixRateHz;
        sample->setWhole(std::move(decoded));
    } else if (!sample->startResampling(std::move(decoded), lib.mixRateHz)) {
        fail(FMOD_ERR_MEMORY);
        return nullptr;
    }
    return lib.samples.add(std::move(sample));
}

FMUSIC_MODULE* FMUSIC_LoadSong(const char* path) {
    countCall();
    LibraryState& lib = library();
    if (!lib.open) {
        fail(FMOD_ERR_UNINITIALIZED);
        return nullptr;
    }
    if (path == nullptr) {
        fail(FMOD_ERR_INVALID_PARAM);
        return nullptr;
    }
    std::vector<unsigned char> bytes;
    int error = readWholeFile(path, bytes);
    openmpt_module* module = error == FMOD_ERR_NONE ? openModule(bytes.data(), bytes.size(), error)
                                                    : nullptr;
    if (module == nullptr) {
        fail(error);
        return nullptr;
    }
    openmpt_module_set_repeat_count(module, -1);
    std::unique_ptr<LoadedModule> song(new LoadedModule(module));
    song->lengthSeconds = openmpt_module_get_duration_seconds(module);
    return lib.songs.add(std::move(song));
}

int FSOUND_GetError(void) {
    countCall();
    return library().lastError;
}

int FSOUND_PlaySound(int channel, FSOUND_SAMPLE* sample) {
    countCall();
    LibraryState& lib = library();
    if (!lib.open) {
        fail(FMOD_ERR_UNINITIALIZED);
        return -1;
    }
    LoadedSample* loaded = lib.samples.find(sample);
    if (loaded == nullptr) {
        fail(FMOD_ERR_INVALID_PARAM);
        return -1;
    }
    // Playing right after the load finds the resampling a few milliseconds in; the
    // first seconds are made ready first, so that they are heard rather than passed
    // over in silence (the wait is skipped, like the output's latency, so the sample
    // still keeps time with this call). Later plays find the sample far ahead, or whole.
    long long calledNs = Mixer::nowNs();
    loaded->waitForFrames(kPlayReadySeconds * lib.mixRateHz);
    int error = FMOD_ERR_NONE;
    SDL_LockAudioDevice(lib.device);
    int played = lib.mixer->startSample(channel, loaded, calledNs, error);
    SDL_UnlockAudioDevice(lib.device);
    if (played < 0) {
        fail(error);
    }
    return played;
}

FSOUND_DSPUNIT* FSOUND_DSP_GetFFTUnit(void) {
    countCall();
    return &library().fftUnit;
}

signed char FSOUND_DSP_SetActive(FSOUND_DSPUNIT* unit, signed char active) {
    countCall();
    LibraryState& lib = library();
    if (unit != &lib.fftUnit) {
        fail(FMOD_ERR_INVALID_PARAM);
        return 0;
    }
    unit->active = active != 0;
    lib.spectrumEndFrame = -1;
    return 1;
}

float* FSOUND_DSP_GetSpectrum(void) {
    countCall();
    LibraryState& lib = library();
    if (!lib.open || !lib.fftUnit.active) {
        std::memset(lib.spectrum, 0, sizeof lib.spectrum);
        lib.spectrumEndFrame = -1;
        return lib.spectrum;
    }
    keepTimeIfOutputLost(lib);
    if (lib.movedChannel >= 0 && spectrumOfMovedChannel(lib)) {
        return lib.spectrum;
    }
    // The window ends at the frame being heard, not at the mixer's lead.
    HeardSpectrum heard{lib.spectrum, lib.spectrumEndFrame};
    refreshHeardSpectrum(*lib.mixer, 0, lib.analyzer, heard);
    lib.spectrumEndFrame = heard.endFrame;
    return lib.spectrum;
}

signed char FMUSIC_PlaySong(FMUSIC_MODULE* song) {
    countCall();
    LibraryState& lib = library();
    if (!lib.open) {
        fail(FMOD_ERR_UNINITIALIZED);
        return 0;
    }
    LoadedModule* loaded = lib.songs.find(song);
    if (loaded == nullptr) {
        fail(FMOD_ERR_INVALID_PARAM);
        return 0;
    }
    SDL_LockAudioDevice(lib.device);
    lib.mixer->startSong(loaded);
    SDL_UnlockAudioDevice(lib.device);
    return 1;
}

signed char FMUSIC_FreeSong(FMUSIC_MODULE* song) {
    countCall();
    LibraryState& lib = library();
    LoadedModule* loaded = lib.songs.find(song);
    if (loaded == nullptr) {
        fail(FMOD_ERR_INVALID_PARAM);
        return 0;
    }
    SDL_LockAudioDevice(lib.device);
    lib.mixer->stopSong(loaded);
    SDL_UnlockAudioDevice(lib.device);
    lib.songs.take(song);  // destroyed here, out of the mix
    return 1;
}

void FSOUND_Sample_Free(FSOUND_SAMPLE* sample) {
    countCall();
    LibraryState& lib = library();
    LoadedSample* loaded = lib.samples.find(sample);
    if (loaded == nullptr) {
        fail(FMOD_ERR_INVALID_PARAM);
        return;
    }
    SDL_LockAudioDevice(lib.device);
    lib.mixer->stopSample(loaded);
    SDL_UnlockAudioDevice(lib.device);
    lib.samples.take(sample);  // destroyed here, out of the mix
}

void FSOUND_Close(void) {
    countCall();
    LibraryState& lib = library();
    if (!lib.open) {
        return;
    }
    closeDevice(lib);  // nothing mixes after this
    releaseEverything(lib);
    lib.mixer.reset();
    lib.open = false;
    lib.mixRateHz = 0;
    lib.bufferFrames = 0;
    lib.driverName.clear();
    lib.fftUnit.active = false;
    lib.spectrumEndFrame = -1;
    lib.movedChannel = -1;
    std::memset(lib.spectrum, 0, sizeof lib.spectrum);
}
