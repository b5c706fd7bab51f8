// Ogg Vorbis decoding with libvorbisfile, reading from memory.
#include "sound/audio/PcmData.h"

#include "sound/AudioLibrary.h"

#include <vorbis/vorbisfile.h>

#include <cstdio>
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
    std::memcpy(buffer, stream->data + stream->position, taken * itemSize);
    stream->position += taken * itemSize;
    return taken;
}

int seekMemory(void* handle, ogg_int64_t offset, int whence) {
    MemoryStream* stream = static_cast<MemoryStream*>(handle);
    long long base = whence == SEEK_SET ? 0
                     : whence == SEEK_CUR ? static_cast<long long>(stream->position)
                                          : static_cast<long long>(stream->size);
    long long target = base + offset;
    if (target < 0 || target > static_cast<long long>(stream->size)) {
        return -1;
    }
    stream->position = static_cast<size_t>(target);
    return 0;
}

long tellMemory(void* handle) {
    return static_cast<long>(static_cast<MemoryStream*>(handle)->position);
}

int openErrorCode(int status) {
    switch (status) {
    case OV_ENOTVORBIS: return FMOD_ERR_FILE_FORMAT;  // an Ogg stream of some other codec
    case OV_EVERSION: return FMOD_ERR_VERSION;
    default: return FMOD_ERR_FILE_BAD;
    }
}

// Appends decoded planes as stereo frames: mono is copied to both sides, and of
// more than two channels the first two (front left and right) are kept.
void appendPlanes(float** planes, long count, int channels, PcmData& out) {
    const float* left = planes[0];
    const float* right = channels > 1 ? planes[1] : planes[0];
    for (long i = 0; i < count; ++i) {
        out.frames.push_back(left[i]);
        out.frames.push_back(right[i]);
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
        if (out.frameCount() > kMaxDecodedSeconds * out.rateHz) {
            return false;
        }
    }
}

}  // namespace

int decodeOgg(const unsigned char* data, size_t size, PcmData& out) {
    out = PcmData();
    MemoryStream stream = {data, size, 0};
    ov_callbacks callbacks = {readMemory, seekMemory, nullptr, tellMemory};
    OggVorbis_File file;
    int status = ov_open_callbacks(&stream, &file, nullptr, 0, callbacks);
    if (status != 0) {
        return openErrorCode(status);
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
