#include "sound/audio/PcmData.h"

#include "sound/AudioLibrary.h"

#include <samplerate.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>

namespace {

bool startsWith(const unsigned char* data, size_t size, const char* magic) {
    size_t length = std::strlen(magic);
    return size >= length && std::memcmp(data, magic, length) == 0;
}

// An MPEG audio frame header starts with eleven set bits.
bool startsWithMpegSync(const unsigned char* data, size_t size) {
    return size >= 2 && data[0] == 0xFF && (data[1] & 0xE0) == 0xE0;
}

// True when the path's last suffix names an MPEG audio file, whatever its case.
bool hasMpegSuffix(const char* path) {
    const char* dot = std::strrchr(path, '.');
    if (dot == nullptr) {
        return false;
    }
    char suffix[5] = {0, 0, 0, 0, 0};
    for (int i = 0; i < 4 && dot[i + 1] != '\0'; ++i) {
        char c = dot[i + 1];
        suffix[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return std::strcmp(suffix, "mp3") == 0 || std::strcmp(suffix, "mp2") == 0 ||
           std::strcmp(suffix, "mp1") == 0;
}

}  // namespace

int readWholeFile(const char* path, std::vector<unsigned char>& bytes) {
    bytes.clear();
    if (path == nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return FMOD_ERR_FILE_NOTFOUND;
    }
    int error = FMOD_ERR_NONE;
    // Only regular files have a size to trust: a directory opens, but reads fail.
    struct stat info;
    bool regular = fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode);
    long long size = regular ? static_cast<long long>(info.st_size) : -1;
    if (size < 0) {
        error = FMOD_ERR_FILE_BAD;
    } else if (size > kMaxFileBytes) {
        error = FMOD_ERR_MEMORY;
    } else {
        bytes.resize(static_cast<size_t>(size));
        if (size > 0 && std::fread(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
            error = FMOD_ERR_FILE_BAD;
            bytes.clear();
        }
    }
    std::fclose(file);
    return error;
}

int decodeSampleBytes(const char* path, const unsigned char* data, size_t size, PcmData& out) {
    out = PcmData();
    if (size == 0) {
        return FMOD_ERR_FILE_BAD;
    }
    if (startsWith(data, size, "OggS")) {
        return decodeOgg(data, size, out);
    }
    // MPEG audio has no magic number; accept a leading ID3 tag, a frame sync, or a name
    // that says so (some files carry junk before the first frame).
    bool looksMpeg = startsWith(data, size, "ID3") || startsWithMpegSync(data, size);
    if (looksMpeg || hasMpegSuffix(path)) {
        int error = decodeMp3(data, size, out);
        if (error == FMOD_ERR_FILE_BAD && !looksMpeg) {
            return FMOD_ERR_FILE_FORMAT;  // nothing in it was MPEG audio
        }
        return error;
    }
    return FMOD_ERR_FILE_FORMAT;
}

int resampleTo(PcmData& pcm, int rateHz) {
    if (pcm.rateHz == rateHz || pcm.frames.empty()) {
        pcm.rateHz = rateHz;
        return FMOD_ERR_NONE;
    }
    double ratio = static_cast<double>(rateHz) / pcm.rateHz;
    long long inFrames = pcm.frameCount();
    long long outCapacity = static_cast<long long>(inFrames * ratio) + 64;
    if (outCapacity > static_cast<long long>(kMaxDecodedSeconds * rateHz) + 64) {
        return FMOD_ERR_MEMORY;
    }
    std::vector<float> resampled(static_cast<size_t>(outCapacity) * 2);
    SRC_DATA job;
    std::memset(&job, 0, sizeof job);
    job.data_in = pcm.frames.data();
    job.input_frames = static_cast<long>(inFrames);
    job.data_out = resampled.data();
    job.output_frames = static_cast<long>(outCapacity);
    job.src_ratio = ratio;
    job.end_of_input = 1;
    if (src_simple(&job, SRC_SINC_MEDIUM_QUALITY, 2) != 0) {
        return FMOD_ERR_FILE_BAD;
    }
    resampled.resize(static_cast<size_t>(job.output_frames_gen) * 2);
    pcm.frames.swap(resampled);
    pcm.rateHz = rateHz;
    return FMOD_ERR_NONE;
}

int loadSampleFile(const char* path, long long offsetBytes, long long lengthBytes, int rateHz,
                   PcmData& out) {
    out = PcmData();
    if (offsetBytes < 0 || lengthBytes < 0) {
        return FMOD_ERR_INVALID_PARAM;
    }
    std::vector<unsigned char> bytes;
    int error = readWholeFile(path, bytes);
    if (error != FMOD_ERR_NONE) {
        return error;
    }
    long long available = static_cast<long long>(bytes.size());
    long long start = offsetBytes < available ? offsetBytes : available;
    long long length = available - start;
    if (lengthBytes > 0 && lengthBytes < length) {
        length = lengthBytes;
    }
    error = decodeSampleBytes(path, bytes.data() + start, static_cast<size_t>(length), out);
    if (error != FMOD_ERR_NONE) {
        out = PcmData();
        return error;
    }
    out.sourceRateHz = out.rateHz;
    out.sourceFrameCount = out.frameCount();
    error = resampleTo(out, rateHz);
    if (error != FMOD_ERR_NONE) {
        out = PcmData();
    }
    return error;
}
