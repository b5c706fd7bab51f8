#include "tools/assetgen/Soundtrack.h"

#include "tools/assetgen/SoundtrackMix.h"

#include <lame/lame.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr int kSoundtrackBitrateKbps = 192;

// Owns one libmp3lame encoder.
class LameEncoder {
public:
    LameEncoder() : flags(lame_init()) {}
    ~LameEncoder() {
        if (flags != nullptr) {
            lame_close(flags);
        }
    }
    LameEncoder(const LameEncoder&) = delete;
    LameEncoder& operator=(const LameEncoder&) = delete;

    // Sets up constant-bit-rate stereo at kSynthRateHz; false when lame refuses.
    bool configure(int bitrateKbps) {
        if (flags == nullptr) {
            return false;
        }
        lame_set_in_samplerate(flags, kSynthRateHz);
        lame_set_out_samplerate(flags, kSynthRateHz);
        lame_set_num_channels(flags, 2);
        lame_set_mode(flags, JOINT_STEREO);
        lame_set_VBR(flags, vbr_off);
        lame_set_brate(flags, bitrateKbps);
        lame_set_quality(flags, 2);
        lame_set_bWriteVbrTag(flags, 1);
        return lame_init_params(flags) >= 0;
    }

    // Encodes the whole buffer and the final flush into out; false on an encoder error.
    bool encode(const StereoBuffer& buffer, std::vector<unsigned char>& out) {
        const std::size_t blockSamples = 8192;
        std::vector<unsigned char> chunk(blockSamples * 5 / 4 + 7200);
        for (std::size_t start = 0; start < buffer.size(); start += blockSamples) {
            const int count = static_cast<int>(std::min(blockSamples, buffer.size() - start));
            const int written = lame_encode_buffer_ieee_float(flags, &buffer.left[start], &buffer.right[start], count,
                                                              chunk.data(), static_cast<int>(chunk.size()));
            if (!append(chunk, written, out)) {
                return false;
            }
        }
        return append(chunk, lame_encode_flush(flags, chunk.data(), static_cast<int>(chunk.size())), out);
    }

    // Replaces the placeholder first frame with the Info tag (frame count,
    // encoder delay and padding), now that the whole stream is known.
    bool writeInfoTag(std::vector<unsigned char>& out) {
        std::vector<unsigned char> tag(4096);
        const std::size_t size = lame_get_lametag_frame(flags, tag.data(), tag.size());
        if (size == 0 || size > tag.size() || size > out.size()) {
            return false;
        }
        std::memcpy(out.data(), tag.data(), size);
        return true;
    }

private:
    static bool append(const std::vector<unsigned char>& chunk, int written, std::vector<unsigned char>& out) {
        if (written < 0 || static_cast<std::size_t>(written) > chunk.size()) {
            return false;
        }
        out.insert(out.end(), chunk.begin(), chunk.begin() + written);
        return true;
    }

    lame_global_flags* flags;
};

}  // namespace

std::vector<unsigned char> encodeMp3(const StereoBuffer& buffer, int bitrateKbps) {
    LameEncoder encoder;
    std::vector<unsigned char> out;
    if (!encoder.configure(bitrateKbps) || !encoder.encode(buffer, out) || !encoder.writeInfoTag(out)) {
        return {};
    }
    return out;
}

bool writeSoundtrack(const std::string& path) {
    // Opened first, so an unwritable path fails before seconds of rendering.
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        std::fprintf(stderr, "morvel-assetgen: cannot open %s for writing\n", path.c_str());
        return false;
    }
    const std::vector<unsigned char> mp3 = encodeMp3(renderSoundtrack(), kSoundtrackBitrateKbps);
    const bool written = !mp3.empty() && std::fwrite(mp3.data(), 1, mp3.size(), file) == mp3.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        std::fprintf(stderr, "morvel-assetgen: %s for %s\n", mp3.empty() ? "MP3 encoding failed" : "cannot write",
                     path.c_str());
        std::remove(path.c_str());
        return false;
    }
    return true;
}
