#include "sound/audio/SampleLoader.h"

#include "sound/audio/AudioTypes.h"
#include "sound/audio/Mp3Decoder.h"
#include "sound/audio/OggDecoder.h"

#include <samplerate.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
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

uint32_t readLe32(const unsigned char* bytes) {
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
}

// A RIFF file that is not a WAVE of MPEG audio (a PCM WAV, an AVI, a WebP).
// The format tag of the first "fmt " chunk tells: 0x50 is MPEG layer 1 or 2,
// 0x55 MPEG layer 3, 0xFFFE (extensible) keeps its tag in the sub-format.
bool isRiffOfOtherAudio(const unsigned char* data, size_t size) {
    if (!startsWith(data, size, "RIFF")) {
        return false;
    }
    if (size < 12 || std::memcmp(data + 8, "WAVE", 4) != 0) {
        return true;
    }
    for (size_t at = 12; at + 8 <= size;) {
        const size_t length = readLe32(data + at + 4);
        if (std::memcmp(data + at, "fmt ", 4) == 0 && length >= 2 && at + 8 + 2 <= size) {
            unsigned tag = data[at + 8] | unsigned(data[at + 9]) << 8;
            if (tag == 0xFFFE && length >= 26 && at + 8 + 26 <= size) {
                tag = data[at + 8 + 24] | unsigned(data[at + 8 + 25]) << 8;
            }
            return tag != 0x50 && tag != 0x55;
        }
        if (length > size - at - 8) {
            break;
        }
        at += 8 + length + (length & 1);
    }
    return true;
}

// Files that say at their start what else they are. MPEG audio has no magic
// number of its own, and a decoder finds things that pass for frames in almost
// any data (quiet 16-bit samples are full of 0xFF bytes).
bool hasForeignSignature(const unsigned char* data, size_t size) {
    static const char* const kSignatures[] = {"fLaC", "FORM", "\x89PNG", "\xFF\xD8\xFF", "GIF8", "MThd", "PK\x03\x04"};
    for (const char* signature : kSignatures) {
        if (startsWith(data, size, signature)) {
            return true;
        }
    }
    return isRiffOfOtherAudio(data, size);
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
    // Only regular files have a size to trust: a folder or a device opens, but
    // holds no file to load, so it counts as one that is not there.
    struct stat info;
    bool regular = fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode);
    long long size = regular ? static_cast<long long>(info.st_size) : -1;
    if (size < 0) {
        error = FMOD_ERR_FILE_NOTFOUND;
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
    if (hasForeignSignature(data, size)) {
        return FMOD_ERR_FILE_FORMAT;
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

long long resampledCapacity(long long inFrames, double ratio) {
    return static_cast<long long>(inFrames * ratio) + 64;
}

long long resampleInto(const float* in, long long inFrames, double ratio, float* out, long long capacity,
                       const std::function<bool(long long)>& progress, long long chunkFrames) {
    chunkFrames = std::max(chunkFrames, 1LL);
    int error = 0;
    SRC_STATE* state = src_new(SRC_SINC_MEDIUM_QUALITY, 2, &error);
    if (state == nullptr) {
        return -1;
    }
    long long used = 0, written = 0;
    for (;;) {
        SRC_DATA job;
        std::memset(&job, 0, sizeof job);
        long long chunk = std::min(chunkFrames, inFrames - used);
        job.data_in = in + 2 * used;
        job.input_frames = static_cast<long>(chunk);
        job.data_out = out + 2 * written;
        job.output_frames = static_cast<long>(std::min(capacity - written, 4 * chunkFrames));
        job.src_ratio = ratio;
        job.end_of_input = used + chunk == inFrames ? 1 : 0;
        if (src_process(state, &job) != 0) {
            written = -1;
            break;
        }
        used += job.input_frames_used;
        written += job.output_frames_gen;
        bool finished = job.end_of_input != 0 && job.output_frames_gen == 0 && used == inFrames;
        if (finished || written == capacity || !progress(written)) {
            break;
        }
    }
    src_delete(state);
    return written;
}

int resampleTo(PcmData& pcm, int rateHz) {
    if (pcm.rateHz == rateHz || pcm.frames.empty()) {
        pcm.rateHz = rateHz;
        return FMOD_ERR_NONE;
    }
    double ratio = static_cast<double>(rateHz) / pcm.rateHz;
    long long capacity = resampledCapacity(pcm.frameCount(), ratio);
    if (exceedsDecodeCaps(capacity - 64, rateHz)) {
        return FMOD_ERR_MEMORY;
    }
    std::vector<float> resampled(static_cast<size_t>(capacity) * 2);
    long long written = resampleInto(pcm.frames.data(), pcm.frameCount(), ratio, resampled.data(), capacity,
                                     [](long long) { return true; });
    if (written < 0) {
        return FMOD_ERR_FILE_BAD;
    }
    resampled.resize(static_cast<size_t>(written) * 2);
    pcm.frames.swap(resampled);
    pcm.rateHz = rateHz;
    return FMOD_ERR_NONE;
}

int decodeSampleFile(const char* path, long long offsetBytes, long long lengthBytes, PcmData& out) {
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
    return FMOD_ERR_NONE;
}

int loadSampleFile(const char* path, long long offsetBytes, long long lengthBytes, int rateHz,
                   PcmData& out) {
    int error = decodeSampleFile(path, offsetBytes, lengthBytes, out);
    if (error == FMOD_ERR_NONE) {
        error = resampleTo(out, rateHz);
    }
    if (error != FMOD_ERR_NONE) {
        out = PcmData();
    }
    return error;
}
