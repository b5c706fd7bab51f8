// Ogg Vorbis decoding with libvorbisfile, reading from memory.
#include "sound/audio/OggDecoder.h"

#include "sound/audio/AudioTypes.h"

#include <vorbis/vorbisfile.h>

#include <cstring>

namespace {

struct MemoryStream {
    const unsigned char* data;
    size_t size;
    size_t position;
};

size_t readMemory(void* buffer, size_t itemSize, size_t itemCount, void* handle) {
    MemoryStream* stream = static_cast<MemoryStream*>(handle);
    if (itemSize == 0) {
        return 0;
    }
    size_t left = (stream->size - stream->position) / itemSize;
    size_t taken = itemCount < left ? itemCount : left;
    if (taken == 0) {
        return 0;  // at the end; the buffer may be null when nothing is asked for
    }
    std::memcpy(buffer, stream->data + stream->position, taken * itemSize);
    stream->position += taken * itemSize;
    return taken;
}

// True when the first page names the Vorbis codec, so a failure means a damaged file.
bool namesVorbis(const unsigned char* data, size_t size) {
    const char marker[] = "\x01vorbis";
    size_t length = sizeof marker - 1;
    for (size_t i = 0; i + length <= size && i < 64; ++i) {
        if (std::memcmp(data + i, marker, length) == 0) {
            return true;
        }
    }
    return false;
}

int openErrorCode(int status, const unsigned char* data, size_t size) {
    if (status == OV_EVERSION) {
        return FMOD_ERR_VERSION;
    }
    if (status == OV_ENOTVORBIS && !namesVorbis(data, size)) {
        return FMOD_ERR_FILE_FORMAT;  // an Ogg stream of some other codec, or no Ogg at all
    }
    return FMOD_ERR_FILE_BAD;
}

// How much of one channel goes to each side of the stereo mix.
struct ChannelShare {
    float left;
    float right;
};

// Down-mixes of Vorbis' layouts, in Vorbis' own channel order, with the usual
// coefficients: the front sides as they are; the centre at -3 dB on both sides; each
// side or rear surround at -3 dB on its own side; a rear centre at -6 dB on both; the
// LFE channel left out (it repeats what the others hold below 120 Hz, and mixed in it
// would boom). Beyond eight channels the order is the application's own: the first
// two play as left and right, the rest not at all.
const ChannelShare* downMixOf(int channels) {
    constexpr float h = 0.70710678f;
    static const ChannelShare kOne[] = {{1, 1}};
    static const ChannelShare kTwo[] = {{1, 0}, {0, 1}};
    static const ChannelShare kThree[] = {{1, 0}, {h, h}, {0, 1}};                             // FL C FR
    static const ChannelShare kFour[] = {{1, 0}, {0, 1}, {h, 0}, {0, h}};                      // FL FR RL RR
    static const ChannelShare kFive[] = {{1, 0}, {h, h}, {0, 1}, {h, 0}, {0, h}};              // FL C FR RL RR
    static const ChannelShare kSix[] = {{1, 0}, {h, h}, {0, 1}, {h, 0}, {0, h}, {0, 0}};       // ... LFE
    // FL C FR SL SR RC LFE, and FL C FR SL SR RL RR LFE.
    static const ChannelShare kSeven[] = {{1, 0}, {h, h}, {0, 1}, {h, 0}, {0, h}, {0.5f, 0.5f}, {0, 0}};
    static const ChannelShare kEight[] = {{1, 0}, {h, h}, {0, 1}, {h, 0}, {0, h}, {h, 0}, {0, h}, {0, 0}};
    static const ChannelShare* const kLayouts[] = {nullptr, kOne, kTwo, kThree, kFour, kFive, kSix, kSeven, kEight};
    return channels >= 1 && channels <= 8 ? kLayouts[channels] : kTwo;
}

// Appends decoded planes as stereo frames: mono is copied to both sides, stereo kept
// as it is, and more channels down-mixed by their layout.
void appendPlanes(float** planes, long count, int channels, PcmData& out) {
    if (channels <= 2) {
        const float* left = planes[0];
        const float* right = channels > 1 ? planes[1] : planes[0];
        for (long i = 0; i < count; ++i) {
            out.frames.push_back(left[i]);
            out.frames.push_back(right[i]);
        }
        return;
    }
    const ChannelShare* shares = downMixOf(channels);
    const int mixed = channels <= 8 ? channels : 2;
    for (long i = 0; i < count; ++i) {
        float left = 0.0f, right = 0.0f;
        for (int c = 0; c < mixed; ++c) {
            left += shares[c].left * planes[c][i];
            right += shares[c].right * planes[c][i];
        }
        out.frames.push_back(left);
        out.frames.push_back(right);
    }
}

// Decodes up to the end or to a change of rate or layout between chained streams.
bool decodeAll(OggVorbis_File& file, PcmData& out) {
    int section = 0;
    int holes = 0;
    for (;;) {
        float** planes = nullptr;
        long count = ov_read_float(&file, &planes, 4096, &section);
        if (count == OV_HOLE && ++holes < 1024) {
            continue;  // a gap in the data: vorbisfile resyncs after it
        }
        if (count <= 0) {
            return true;
        }
        vorbis_info* info = ov_info(&file, section);
        if (info == nullptr || info->rate != out.rateHz || info->channels != out.sourceChannelCount) {
            return true;
        }
        appendPlanes(planes, count, info->channels, out);
        if (exceedsDecodeCaps(out.frameCount(), out.rateHz)) {
            return false;
        }
    }
}

}  // namespace

int decodeOgg(const unsigned char* data, size_t size, PcmData& out) {
    out = PcmData();
    MemoryStream stream = {data, size, 0};
    // Read as a stream, front to back: a file cut short then decodes up to the cut
    // instead of failing the search for its last page.
    ov_callbacks callbacks = {readMemory, nullptr, nullptr, nullptr};
    OggVorbis_File file;
    int status = ov_open_callbacks(&stream, &file, nullptr, 0, callbacks);
    if (status != 0) {
        return openErrorCode(status, data, size);
    }
    vorbis_info* info = ov_info(&file, -1);
    int error = FMOD_ERR_NONE;
    if (info == nullptr || info->channels < 1 || info->rate < 1000 || info->rate > 384000) {
        error = FMOD_ERR_FILE_BAD;
    } else {
        out.rateHz = static_cast<int>(info->rate);
        out.sourceChannelCount = info->channels;
        if (!decodeAll(file, out)) {
            error = FMOD_ERR_MEMORY;
        } else if (out.frames.empty()) {
            error = FMOD_ERR_FILE_BAD;
        }
    }
    ov_clear(&file);
    if (error != FMOD_ERR_NONE) {
        out = PcmData();
    }
    return error;
}
