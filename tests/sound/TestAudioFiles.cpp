#include "tests/sound/TestAudioFiles.h"

#include "sound/AudioLibrary.h"

#include <gtest/gtest.h>
#include <lame/lame.h>
#include <vorbis/vorbisenc.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace soundtest {

namespace {

const double kPi = 3.14159265358979323846;

struct TempDir {
    std::string path;
    TempDir() {
        char pattern[] = "/tmp/morvel-sound-XXXXXX";
        const char* made = mkdtemp(pattern);
        path = made != nullptr ? made : "/tmp";
    }
    ~TempDir() {
        if (path != "/tmp") {
            std::string command = "rm -rf '" + path + "'";
            if (std::system(command.c_str()) != 0) {
                std::fprintf(stderr, "could not remove %s\n", path.c_str());
            }
        }
    }
};

std::vector<float> channelOf(const std::vector<float>& stereo, int side) {
    std::vector<float> out(stereo.size() / 2);
    for (size_t i = 0; i < out.size(); ++i) {
        out[i] = stereo[2 * i + side];
    }
    return out;
}

void appendPage(const ogg_page& page, std::vector<unsigned char>& out) {
    out.insert(out.end(), page.header, page.header + page.header_len);
    out.insert(out.end(), page.body, page.body + page.body_len);
}

void putBigEndian16(std::vector<unsigned char>& bytes, size_t at, int value) {
    bytes[at] = static_cast<unsigned char>((value >> 8) & 0xFF);
    bytes[at + 1] = static_cast<unsigned char>(value & 0xFF);
}

}  // namespace

const std::string& tempDir() {
    static TempDir dir;
    return dir.path;
}

std::string tempPath(const std::string& name) {
    return tempDir() + "/" + name;
}

std::vector<float> sineStereo(double frequencyHz, double amplitude, int rateHz, double seconds) {
    size_t frames = static_cast<size_t>(std::llround(seconds * rateHz));
    std::vector<float> out(2 * frames);
    for (size_t i = 0; i < frames; ++i) {
        float value = static_cast<float>(amplitude * std::sin(2.0 * kPi * frequencyHz * i / rateHz));
        out[2 * i] = value;
        out[2 * i + 1] = value;
    }
    return out;
}

std::vector<float> toneSteps(const std::vector<double>& frequenciesHz, double stepSeconds,
                             double amplitude, int rateHz) {
    std::vector<float> out;
    for (double frequency : frequenciesHz) {
        std::vector<float> step = sineStereo(frequency, amplitude, rateHz, stepSeconds);
        out.insert(out.end(), step.begin(), step.end());
    }
    return out;
}

std::vector<unsigned char> encodeMp3(const std::vector<float>& stereo, int rateHz, int channelCount) {
    lame_t lame = lame_init();
    lame_set_in_samplerate(lame, rateHz);
    lame_set_out_samplerate(lame, rateHz);
    lame_set_num_channels(lame, channelCount);
    lame_set_mode(lame, channelCount == 1 ? MONO : STEREO);
    lame_set_brate(lame, 128);
    lame_set_quality(lame, 2);
    lame_set_bWriteVbrTag(lame, 1);
    lame_set_write_id3tag_automatic(lame, 0);
    EXPECT_EQ(lame_init_params(lame), 0);
    std::vector<float> left = channelOf(stereo, 0);
    std::vector<float> right = channelOf(stereo, 1);
    std::vector<unsigned char> out(left.size() * 5 / 4 + 16384);
    int written = lame_encode_buffer_ieee_float(lame, left.data(), right.data(),
                                                static_cast<int>(left.size()), out.data(),
                                                static_cast<int>(out.size()));
    EXPECT_GE(written, 0);
    int flushed = lame_encode_flush(lame, out.data() + written,
                                    static_cast<int>(out.size()) - written);
    EXPECT_GE(flushed, 0);
    out.resize(static_cast<size_t>(written + flushed));
    // The first frame is a placeholder for the tag that tells decoders the delay.
    unsigned char tag[4096];
    size_t tagSize = lame_get_lametag_frame(lame, tag, sizeof tag);
    if (tagSize > 0 && tagSize <= out.size()) {
        std::memcpy(out.data(), tag, tagSize);
    }
    lame_close(lame);
    return out;
}

std::vector<unsigned char> encodeOgg(const std::vector<float>& stereo, int rateHz, int channelCount) {
    vorbis_info info;
    vorbis_info_init(&info);
    EXPECT_EQ(vorbis_encode_init_vbr(&info, channelCount, rateHz, 0.6f), 0);
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block block;
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, 1234);
    std::vector<unsigned char> out;
    ogg_packet header, headerComment, headerCode;
    vorbis_analysis_headerout(&dsp, &comment, &header, &headerComment, &headerCode);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &headerComment);
    ogg_stream_packetin(&stream, &headerCode);
    ogg_page page;
    while (ogg_stream_flush(&stream, &page) != 0) {
        appendPage(page, out);
    }
    const int frameCount = static_cast<int>(stereo.size() / 2);
    const int chunk = 4096;
    // Chunks of audio, then an empty write that marks the end of the stream.
    for (int start = 0;;) {
        int count = std::min(chunk, frameCount - start);
        if (count > 0) {
            float** planes = vorbis_analysis_buffer(&dsp, count);
            for (int i = 0; i < count; ++i) {
                for (int c = 0; c < channelCount; ++c) {
                    planes[c][i] = stereo[2 * (start + i) + c];
                }
            }
        }
        vorbis_analysis_wrote(&dsp, count);
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet) == 1) {
                ogg_stream_packetin(&stream, &packet);
                while (ogg_stream_pageout(&stream, &page) != 0) {
                    appendPage(page, out);
                }
            }
        }
        if (count == 0) {
            break;
        }
        start += count;
    }
    while (ogg_stream_flush(&stream, &page) != 0) {
        appendPage(page, out);
    }
    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return out;
}

std::vector<unsigned char> tinyMod() {
    const size_t headerSize = 20 + 31 * 30 + 2 + 128 + 4;
    const size_t patternSize = 64 * 4 * 4;
    const int sampleBytes = 2000;
    std::vector<unsigned char> bytes(headerSize + patternSize + sampleBytes, 0);
    std::memcpy(bytes.data(), "morvel test", 11);
    size_t sample1 = 20;
    std::memcpy(bytes.data() + sample1, "square", 6);
    putBigEndian16(bytes, sample1 + 22, sampleBytes / 2);  // length in words
    bytes[sample1 + 25] = 64;                              // full volume
    putBigEndian16(bytes, sample1 + 28, 1);                // loop length 1: no loop
    for (int s = 1; s < 31; ++s) {
        putBigEndian16(bytes, 20 + s * 30 + 28, 1);
    }
    size_t song = 20 + 31 * 30;
    bytes[song] = 1;        // one order
    bytes[song + 1] = 127;  // restart byte
    bytes[song + 2] = 0;    // order 0 plays pattern 0
    std::memcpy(bytes.data() + song + 130, "M.K.", 4);
    unsigned char* pattern = bytes.data() + headerSize;
    const int period = 428;  // C-2
    pattern[0] = static_cast<unsigned char>(period >> 8);  // sample 1's high nibble is 0
    pattern[1] = static_cast<unsigned char>(period & 0xFF);
    pattern[2] = 0x10;  // sample 1, no effect
    unsigned char* row3 = pattern + 3 * 16;
    row3[2] = 0x0D;  // pattern break to row 0 of the next order (which loops to this one)
    unsigned char* data = bytes.data() + headerSize + patternSize;
    for (int i = 0; i < sampleBytes; ++i) {
        data[i] = static_cast<unsigned char>((i / 16) % 2 == 0 ? 100 : 256 - 100);
    }
    return bytes;
}

OpenAudio::OpenAudio() : opened(FSOUND_Init(32000, 8, 0) != 0) {}

OpenAudio::~OpenAudio() {
    FSOUND_Close();
}

bool writeFile(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

bool writeText(const std::string& path, const std::string& text) {
    return writeFile(path, std::vector<unsigned char>(text.begin(), text.end()));
}

std::string captureText(const std::function<void()>& body) {
    testing::internal::CaptureStdout();
    body();
    return testing::internal::GetCapturedStdout();
}

std::vector<std::string> captureLines(const std::function<void()>& body) {
    std::string text = captureText(body);
    std::vector<std::string> lines;
    std::istringstream stream(text);
    std::string line;
    while (std::getline(stream, line)) {
        lines.push_back(line);
    }
    return lines;
}

}  // namespace soundtest
