// libFuzzer targets for the sound library's loaders, one binary a format
// (chosen by MORVEL_SOUND_FUZZ_FORMAT at compile time): MP3 and Ogg through the
// same decode and resampling to the mix rate that sample loading does, modules
// through the loader and the first blocks of their rendering. Any bytes must
// give an error code, or audio within the caps that is whole stereo frames.
#include "sound/AudioLibrary.h"
#include "sound/SoundFormat.h"
#include "sound/audio/ModuleFile.h"
#include "sound/audio/SampleLoader.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tests/fuzz/SoundSeeds.h"
#include "tests/support/SoundEncoders.h"

#include <libopenmpt/libopenmpt.h>

#include <cstdlib>
#include <string>

namespace {

[[maybe_unused]] void checkDecoded(int error, const PcmData& pcm) {
    if (error != FMOD_ERR_NONE) {
        if (!pcm.frames.empty()) std::abort();  // a failure keeps nothing
        return;
    }
    if (pcm.frames.empty() || pcm.frames.size() % 2 != 0 || pcm.rateHz != kMixRateHz ||
        exceedsDecodeCaps(pcm.sourceFrameCount, pcm.sourceRateHz)) {
        std::abort();
    }
}

// What sample loading does after reading the file: decode by content, resample.
[[maybe_unused]] void loadSample(const char* name, const uint8_t* data, size_t size) {
    PcmData pcm;
    int error = decodeSampleBytes(name, data, size, pcm);
    if (error == FMOD_ERR_NONE) {
        pcm.sourceRateHz = pcm.rateHz;
        pcm.sourceFrameCount = pcm.frameCount();
        error = resampleTo(pcm, kMixRateHz);
        if (error != FMOD_ERR_NONE) pcm = PcmData();
    }
    checkDecoded(error, pcm);
}

[[maybe_unused]] void loadModule(const uint8_t* data, size_t size) {
    int error = FMOD_ERR_NONE;
    openmpt_module* module = openModule(data, size, error);
    if ((module == nullptr) == (error == FMOD_ERR_NONE)) std::abort();
    if (module == nullptr) return;
    float block[2 * 1024];
    for (int i = 0; i < 8 && openmpt_module_read_interleaved_float_stereo(module, kMixRateHz, 1024, block) > 0; ++i) {
    }
    openmpt_module_destroy(module);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const std::string folder = fuzz::seedFolder("FUZZ_SEED_DIR");
    if (folder.empty()) return 0;
#if MORVEL_SOUND_FUZZ_FORMAT == 0
    fuzz::writeSeed(folder, "seed-stereo.mp3", fuzz::toneMp3(32000, 2, 0.1));
    fuzz::writeSeed(folder, "seed-mono.mp3", fuzz::toneMp3(22050, 1, 0.1));
    fuzz::writeSeed(folder, "seed-48k.mp3", fuzz::toneMp3(48000, 2, 0.05));
#elif MORVEL_SOUND_FUZZ_FORMAT == 1
    fuzz::writeSeed(folder, "seed-stereo.ogg", fuzz::toneOgg(32000, 2, 0.1));
    fuzz::writeSeed(folder, "seed-mono.ogg", fuzz::toneOgg(44100, 1, 0.05));
#else
    fuzz::writeSeed(folder, "seed.mod", soundencode::tinyMod());
#endif
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
#if MORVEL_SOUND_FUZZ_FORMAT == 0
    loadSample("fuzz.mp3", data, size);
#elif MORVEL_SOUND_FUZZ_FORMAT == 1
    loadSample("fuzz.ogg", data, size);
#else
    loadModule(data, size);
#endif
    return 0;
}
