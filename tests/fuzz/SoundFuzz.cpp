// libFuzzer targets for the sound library's loaders, one binary a format
// (chosen by MORVEL_SOUND_FUZZ_FORMAT at compile time): MP3 and Ogg decoded at
// the file's own rate, as sample loading decodes them; modules through the
// loader and the first blocks of their rendering. Resampling to the
// mix rate, which sample loading does next, has a target of its own
// (ResampleFuzz.cpp): it costs more than most decodes and depends only on the
// decoded frames and their rate, so running it on every decoded input would
// test the same code again at a fraction of the decoders' speed. Any bytes must
// give an error code, or finite audio within the caps that is whole stereo frames.
#include "sound/AudioLibrary.h"
#include "sound/SoundFormat.h"
#include "sound/audio/ModuleFile.h"
#include "sound/audio/OggDecoder.h"
#include "sound/audio/SampleLoader.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tests/fuzz/SoundSeeds.h"
#include "tests/support/SoundEncoders.h"

#include <libopenmpt/libopenmpt.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The rates a decoder may report: mpg123's are 8 to 48 kHz, the Ogg decoder
// refuses streams outside 1 to 384 kHz.
constexpr int kLowestRateHz = 1000;
constexpr int kHighestRateHz = 384000;

// A product with zero is NaN exactly where the sample is infinite or NaN. Left out
// of the coverage, whose tracing of a comparison per sample would cost more than
// many a decode, and would steer the fuzzer by the harness's own loop.
[[maybe_unused]] __attribute__((no_sanitize("coverage"))) bool allFinite(const PcmData& pcm) {
    float sum = 0.0f;
    for (float sample : pcm.frames) sum += sample * 0.0f;
    return sum == 0.0f;
}

[[maybe_unused]] void checkDecoded(int error, const PcmData& pcm) {
    if (error != FMOD_ERR_NONE) {
        if (!pcm.frames.empty()) std::abort();  // a failure keeps nothing
        return;
    }
    if (pcm.frames.empty() || pcm.frames.size() % 2 != 0 || pcm.rateHz < kLowestRateHz ||
        pcm.rateHz > kHighestRateHz || pcm.sourceChannelCount < 1 || exceedsDecodeCaps(pcm.frameCount(), pcm.rateHz)) {
        std::abort();
    }
    if (!allFinite(pcm)) std::abort();
}

// MP3 through the choice of decoder by content (and its walk of RIFF chunks), as
// sample loading picks it; Ogg through its decoder alone, so that none of its
// inputs' time goes to MP3 decoding, which the MP3 target covers.
[[maybe_unused]] void decodeMp3Sample(const uint8_t* data, size_t size) {
    PcmData pcm;
    int error = decodeSampleBytes("fuzz.mp3", data, size, pcm);
    checkDecoded(error, pcm);
}

// Ogg's page checksum: CRC-32 with polynomial 0x04C11DB7, unreflected, from 0.
// Like allFinite, harness code left out of the coverage: traced, its loops took a
// fifth of the Ogg target's time.
[[maybe_unused]] __attribute__((no_sanitize("coverage"))) uint32_t oggChecksum(const uint8_t* page, size_t size) {
    static const std::vector<uint32_t> table = [] {
        std::vector<uint32_t> entries(256);
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t r = i << 24;
            for (int bit = 0; bit < 8; ++bit) r = (r & 0x80000000u) != 0 ? (r << 1) ^ 0x04C11DB7u : r << 1;
            entries[i] = r;
        }
        return entries;
    }();
    uint32_t crc = 0;
    for (size_t i = 0; i < size; ++i) crc = (crc << 8) ^ table[((crc >> 24) ^ page[i]) & 0xFF];
    return crc;
}

// Gives every whole page in the bytes the checksum of what it now holds. A mutation
// inside a page would otherwise break its checksum, and the stream reader drop the
// page before the decoder ever saw what changed in it.
[[maybe_unused]] __attribute__((no_sanitize("coverage"))) void rechecksumOggPages(std::vector<uint8_t>& bytes) {
    for (size_t at = 0; at + 27 <= bytes.size(); ++at) {
        if (std::memcmp(&bytes[at], "OggS", 4) != 0) continue;
        const size_t segmentCount = bytes[at + 26];
        if (at + 27 + segmentCount > bytes.size()) return;
        size_t pageSize = 27 + segmentCount;
        for (size_t i = 0; i < segmentCount; ++i) pageSize += bytes[at + 27 + i];
        if (at + pageSize > bytes.size()) return;
        std::memset(&bytes[at + 22], 0, 4);
        const uint32_t crc = oggChecksum(&bytes[at], pageSize);
        for (int i = 0; i < 4; ++i) bytes[at + 22 + i] = uint8_t(crc >> (8 * i));
        at += pageSize - 1;
    }
}

// Inputs of even length have their pages' checksums made right, those of odd
// length are decoded as they are, so that damaged checksums are fuzzed too.
[[maybe_unused]] void decodeOggSample(const uint8_t* data, size_t size) {
    std::vector<uint8_t> bytes(data, data + size);
    if (size % 2 == 0) rechecksumOggPages(bytes);
    PcmData pcm;
    // An empty vector's data() may be null, which no loader is ever handed.
    int error = decodeOgg(size > 0 ? bytes.data() : data, size, pcm);
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
    // Three and six channels: the down-mix of Vorbis' layouts.
    fuzz::writeSeed(folder, "seed-3ch.ogg", fuzz::toneOggChannels(32000, 3, 0.05));
    fuzz::writeSeed(folder, "seed-6ch.ogg", fuzz::toneOggChannels(32000, 6, 0.05));
#else
    fuzz::writeSeed(folder, "seed.mod", soundencode::tinyMod());
#endif
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
#if MORVEL_SOUND_FUZZ_FORMAT == 0
    decodeMp3Sample(data, size);
#elif MORVEL_SOUND_FUZZ_FORMAT == 1
    decodeOggSample(data, size);
#else
    loadModule(data, size);
#endif
    return 0;
}
