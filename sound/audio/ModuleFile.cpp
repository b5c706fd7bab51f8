#include "sound/audio/ModuleFile.h"

#include "sound/audio/AudioTypes.h"
#include "sound/audio/PcmData.h"

#include <libopenmpt/libopenmpt.h>

#include <vector>

namespace {

// A header libopenmpt recognises makes a failed load a damaged file, not a foreign one.
bool hasModuleHeader(const unsigned char* data, size_t size) {
    int result = openmpt_probe_file_header(OPENMPT_PROBE_FILE_HEADER_FLAGS_DEFAULT, data, size,
                                           size, openmpt_log_func_silent, nullptr,
                                           openmpt_error_func_ignore, nullptr, nullptr, nullptr);
    // Wanting more data than the whole file holds means a recognised header, cut short.
    return result == OPENMPT_PROBE_FILE_HEADER_RESULT_SUCCESS ||
           result == OPENMPT_PROBE_FILE_HEADER_RESULT_WANTMOREDATA;
}

}  // namespace

openmpt_module* openModule(const unsigned char* data, size_t size, int& error) {
    error = FMOD_ERR_NONE;
    if (size == 0) {
        error = FMOD_ERR_FILE_BAD;
        return nullptr;
    }
    openmpt_module* module = openmpt_module_create_from_memory2(
        data, size, openmpt_log_func_silent, nullptr, openmpt_error_func_ignore, nullptr, nullptr,
        nullptr, nullptr);
    if (module == nullptr) {
        error = hasModuleHeader(data, size) ? FMOD_ERR_FILE_BAD : FMOD_ERR_FILE_FORMAT;
    }
    return module;
}

int renderModuleOnce(const unsigned char* data, size_t size, int rateHz, PcmData& out) {
    out = PcmData();
    int error = FMOD_ERR_NONE;
    openmpt_module* module = openModule(data, size, error);
    if (module == nullptr) {
        return error;
    }
    openmpt_module_set_repeat_count(module, 0);
    // Stop at the song's end rather than fading out past it, so the length is the song's.
    openmpt_module_ctl_set_text(module, "play.at_end", "stop");
    out.rateHz = rateHz;
    out.sourceChannelCount = 2;
    std::vector<float> block(2 * 4096);
    for (;;) {
        size_t count = openmpt_module_read_interleaved_float_stereo(module, rateHz, 4096, block.data());
        if (count == 0) {
            break;
        }
        out.frames.insert(out.frames.end(), block.begin(), block.begin() + 2 * count);
        if (exceedsDecodeCaps(out.frameCount(), rateHz)) {
            error = FMOD_ERR_MEMORY;
            break;
        }
    }
    openmpt_module_destroy(module);
    if (error != FMOD_ERR_NONE) {
        out = PcmData();
    }
    return error;
}
