// MP3 decoding with libmpg123, reading from memory through a seekable reader so
// that gapless information (encoder delay and padding) is honoured.
#include "sound/audio/Mp3Decoder.h"

#include "sound/audio/AudioTypes.h"

#include <mpg123.h>

#include <sys/types.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

struct MemoryStream {
    const unsigned char* data;
    size_t size;
    size_t position;
};

ssize_t readMemory(void* handle, void* buffer, size_t count) {
    MemoryStream* stream = static_cast<MemoryStream*>(handle);
    size_t left = stream->size - stream->position;
    size_t taken = count < left ? count : left;
    std::memcpy(buffer, stream->data + stream->position, taken);
    stream->position += taken;
    return static_cast<ssize_t>(taken);
}

off_t seekMemory(void* handle, off_t offset, int whence) {
    MemoryStream* stream = static_cast<MemoryStream*>(handle);
    long long base = whence == SEEK_SET ? 0
                     : whence == SEEK_CUR ? static_cast<long long>(stream->position)
                                          : static_cast<long long>(stream->size);
    long long target = base + offset;
    if (target < 0 || target > static_cast<long long>(stream->size)) {
        return -1;
    }
    stream->position = static_cast<size_t>(target);
    return static_cast<off_t>(target);
}

// Bytes taken by ID3v2 tags at the start and by ID3v1 and APEv2 tags at the
// end: metadata that is no part of the audio, however large its pictures.
size_t tagBytes(const unsigned char* data, size_t size) {
    size_t tags = 0;
    if (size >= 10 && std::memcmp(data, "ID3", 3) == 0) {
        const size_t body = size_t(data[6] & 0x7f) << 21 | size_t(data[7] & 0x7f) << 14 |
                            size_t(data[8] & 0x7f) << 7 | size_t(data[9] & 0x7f);
        tags += 10 + body + ((data[5] & 0x10) != 0 ? 10 : 0);
    }
    if (size >= 128 && std::memcmp(data + size - 128, "TAG", 3) == 0) {
        tags += 128;
    }
    if (size >= 32 && std::memcmp(data + size - 32, "APETAGEX", 8) == 0) {
        const unsigned char* length = data + size - 32 + 12;
        tags += size_t(length[0]) | size_t(length[1]) << 8 | size_t(length[2]) << 16 | size_t(length[3]) << 24;
    }
    return tags < size ? tags : size;
}

// What mpg123 takes as MPEG audio frames in the stream: their bytes (header and
// body) and the samples per channel they hold. Parsing only: nothing is decoded.
struct MpegFrames {
    long long bytes = 0;
    long long samples = 0;
};

using Mpg123Handle = std::unique_ptr<mpg123_handle, decltype(&mpg123_delete)>;

// A quiet handle reading the bytes from memory; null when mpg123 cannot make one.
Mpg123Handle newMemoryReader() {
    int status = MPG123_OK;
    Mpg123Handle handle(mpg123_new(nullptr, &status), mpg123_delete);
    if (handle == nullptr || mpg123_param(handle.get(), MPG123_ADD_FLAGS, MPG123_QUIET, 0.0) != MPG123_OK ||
        mpg123_replace_reader_handle(handle.get(), readMemory, seekMemory, nullptr) != MPG123_OK) {
        handle.reset();
    }
    return handle;
}

MpegFrames walkMpegFrames(const unsigned char* data, size_t size) {
    MpegFrames frames;
    Mpg123Handle parser = newMemoryReader();
    MemoryStream stream = {data, size, 0};
    if (parser == nullptr || mpg123_open_handle(parser.get(), &stream) != MPG123_OK) {
        return frames;
    }
    for (;;) {
        const int status = mpg123_framebyframe_next(parser.get());
        if (status != MPG123_OK && status != MPG123_NEW_FORMAT) {
            break;
        }
        size_t bodyBytes = 0;
        if (mpg123_framedata(parser.get(), nullptr, nullptr, &bodyBytes) == MPG123_OK) {
            frames.bytes += 4 + static_cast<long long>(bodyBytes);
            frames.samples += std::max(mpg123_spf(parser.get()), 0);
        }
    }
    mpg123_close(parser.get());
    return frames;
}

// No MPEG audio frame holds more than 24 samples a byte (576 in MPEG-2's 8-kbps
// layer III frames of 24 bytes at 24 kHz; 1152 in MPEG-1's smallest of 96). Frames
// holding more than a third over that are headers with next to nothing between
// them (free-format frames of a few bytes, which mpg123 takes), and a few KB of
// them would decode to minutes.
constexpr long long kMaxSamplesPerFrameByte = 32;

// A real MP3 is frames from end to end; other data (a WAV, an image) can hold a
// few byte patterns that pass for frame headers, and decodes to noise or silence.
bool mostlyMpegFrames(const MpegFrames& frames, const unsigned char* data, size_t size) {
    const long long audioBytes = static_cast<long long>(size - tagBytes(data, size));
    return frames.bytes * 2 >= audioBytes && frames.samples <= kMaxSamplesPerFrameByte * frames.bytes;
}

// Accepts every rate mpg123 knows, mono or stereo, always as 32-bit float.
void requestFloatOutput(mpg123_handle* decoder) {
    const long* rates = nullptr;
    size_t rateCount = 0;
    mpg123_rates(&rates, &rateCount);
    mpg123_format_none(decoder);
    for (size_t i = 0; i < rateCount; ++i) {
        mpg123_format(decoder, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_FLOAT_32);
    }
}

// Appends count decoded floats in the stream's channel layout as stereo frames.
void appendFrames(const float* samples, size_t count, int channels, PcmData& out) {
    if (channels == 2) {
        out.frames.insert(out.frames.end(), samples, samples + count);
        return;
    }
    for (size_t i = 0; i < count; ++i) {
        out.frames.push_back(samples[i]);
        out.frames.push_back(samples[i]);
    }
}

// Room for every frame the walk found, so that the decoded audio is not copied
// again and again as it grows. An encoder's length header can be missing, wrong or
// hostile, and mpg123's estimate without one holds only while every frame is the
// size of the first; the walk counts what is there. An upper bound: gapless
// trimming and a change of format mid-stream only give fewer. A count past the
// caps reserves nothing; the decode stops at the caps anyway.
void reserveForFrames(long long samples, PcmData& out) {
    if (samples > 0 && !exceedsDecodeCaps(samples, out.rateHz)) {
        out.frames.reserve(static_cast<size_t>(samples) * 2);
    }
}

// Decodes until the end, an error, or a change of rate or layout mid-stream
// (keeping what came before). Returns the number of mpg123 reads that gave audio.
long long decodeAll(mpg123_handle* decoder, long long frameSamples, PcmData& out, bool& tooLong) {
    float buffer[8192];
    int channels = 0;
    long long productiveReads = 0;
    int idleReads = 0;
    for (;;) {
        size_t done = 0;
        int status = mpg123_read(decoder, buffer, sizeof buffer, &done);
        if (status == MPG123_NEW_FORMAT) {
            long rate = 0;
            int encoding = 0;
            mpg123_getformat(decoder, &rate, &channels, &encoding);
            if (out.rateHz != 0 && (rate != out.rateHz || channels != out.sourceChannelCount)) {
                break;
            }
            out.rateHz = static_cast<int>(rate);
            out.sourceChannelCount = channels;
            reserveForFrames(frameSamples, out);
        }
        if (done > 0 && channels > 0) {
            appendFrames(buffer, done / sizeof(float), channels, out);
            ++productiveReads;
            idleReads = 0;
            if (exceedsDecodeCaps(out.frameCount(), out.rateHz)) {
                tooLong = true;
                break;
            }
        } else if (status != MPG123_NEW_FORMAT && ++idleReads > 64) {
            break;  // no progress: never spin on a damaged stream
        }
        if (status != MPG123_OK && status != MPG123_NEW_FORMAT) {
            break;  // MPG123_DONE, or an error after which we keep what is whole
        }
    }
    return productiveReads;
}

}  // namespace

int decodeMp3(const unsigned char* data, size_t size, PcmData& out) {
    out = PcmData();
    // The walk costs a fraction of a decode, so data that is not MP3 is turned
    // away before any of it is decoded. It takes a handle of its own: one that has
    // walked a stream announces no format when it decodes the same one again.
    const MpegFrames frames = walkMpegFrames(data, size);
    if (!mostlyMpegFrames(frames, data, size)) {
        return FMOD_ERR_FILE_BAD;
    }
    Mpg123Handle decoder = newMemoryReader();
    if (decoder == nullptr) {
        return FMOD_ERR_MEMORY;
    }
    requestFloatOutput(decoder.get());
    MemoryStream stream = {data, size, 0};
    bool tooLong = false;
    long long productiveReads = 0;
    if (mpg123_open_handle(decoder.get(), &stream) == MPG123_OK) {
        productiveReads = decodeAll(decoder.get(), frames.samples, out, tooLong);
        mpg123_close(decoder.get());
    }
    if (tooLong) {
        out = PcmData();
        return FMOD_ERR_MEMORY;
    }
    if (productiveReads == 0 || out.frames.empty()) {
        out = PcmData();
        return FMOD_ERR_FILE_BAD;
    }
    return FMOD_ERR_NONE;
}
