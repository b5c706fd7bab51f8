#include "tests/fuzz/SoundSeeds.h"

#include <lame/lame.h>
#include <vorbis/vorbisenc.h>

#include <cmath>
#include <cstring>

namespace fuzz {

namespace {

std::vector<float> tone(int rateHz, double seconds) {
    std::vector<float> samples(size_t(rateHz * seconds) * 2);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = 0.5f * float(std::sin(2 * M_PI * 440 * double(i / 2) / rateHz));
    return samples;
}

}  // namespace

std::vector<uint8_t> toneMp3(int rateHz, int channelCount, double seconds) {
    const std::vector<float> stereo = tone(rateHz, seconds);
    lame_t lame = lame_init();
    lame_set_in_samplerate(lame, rateHz);
    lame_set_out_samplerate(lame, rateHz);
    lame_set_mode(lame, channelCount == 1 ? MONO : STEREO);
    lame_set_brate(lame, 64);
    lame_set_write_id3tag_automatic(lame, 0);
    std::vector<uint8_t> out;
    if (lame_init_params(lame) == 0) {
        out.resize(stereo.size() + 16384);
        int written = lame_encode_buffer_interleaved_ieee_float(lame, stereo.data(), int(stereo.size() / 2), out.data(),
                                                                int(out.size()));
        written += lame_encode_flush(lame, out.data() + written, int(out.size()) - written);
        out.resize(size_t(written > 0 ? written : 0));
        lame_get_lametag_frame(lame, out.data(), out.size());
    }
    lame_close(lame);
    return out;
}

std::vector<uint8_t> toneOgg(int rateHz, int channelCount, double seconds) {
    const std::vector<float> stereo = tone(rateHz, seconds);
    std::vector<uint8_t> out;
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, channelCount, rateHz, 0.1f) != 0) {
        vorbis_info_clear(&info);
        return out;
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block block;
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, 1);
    auto pages = [&](int (*next)(ogg_stream_state*, ogg_page*)) {
        for (ogg_page page; next(&stream, &page) != 0;) {
            out.insert(out.end(), page.header, page.header + page.header_len);
            out.insert(out.end(), page.body, page.body + page.body_len);
        }
    };
    ogg_packet headers[3];
    vorbis_analysis_headerout(&dsp, &comment, &headers[0], &headers[1], &headers[2]);
    for (ogg_packet& header : headers) ogg_stream_packetin(&stream, &header);
    pages(ogg_stream_flush);
    const long frameCount = long(stereo.size() / 2);
    float** planes = vorbis_analysis_buffer(&dsp, int(frameCount));
    for (long i = 0; i < frameCount; ++i) {
        for (int c = 0; c < channelCount; ++c) planes[c][i] = stereo[size_t(2 * i + c)];
    }
    vorbis_analysis_wrote(&dsp, int(frameCount));
    vorbis_analysis_wrote(&dsp, 0);
    for (ogg_packet packet; vorbis_analysis_blockout(&dsp, &block) == 1;) {
        vorbis_analysis(&block, &packet);
        ogg_stream_packetin(&stream, &packet);
        pages(ogg_stream_pageout);
    }
    pages(ogg_stream_flush);
    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return out;
}

std::vector<uint8_t> tinyMod() {
    const size_t song = 20 + 31 * 30, patterns = song + 2 + 128 + 4, samples = patterns + 64 * 4 * 4;
    std::vector<uint8_t> bytes(samples + 200, 0);
    std::memcpy(bytes.data(), "morvel seed", 11);
    bytes[20 + 22 + 1] = 100;  // sample 1: 100 words long (big-endian)
    bytes[20 + 25] = 64;       // at full volume
    for (int s = 0; s < 31; ++s) bytes[size_t(20 + s * 30 + 29)] = 1;  // loop length 1: no loop
    bytes[song] = 1;
    bytes[song + 1] = 127;
    std::memcpy(bytes.data() + song + 130, "M.K.", 4);
    bytes[patterns] = 428 >> 8;  // row 0, channel 1: C-2 of sample 1
    bytes[patterns + 1] = 428 & 0xff;
    bytes[patterns + 2] = 0x10;
    bytes[patterns + 3 * 16 + 2] = 0x0D;  // row 3: pattern break
    for (size_t i = 0; i < 200; ++i) bytes[samples + i] = uint8_t((i / 16) % 2 == 0 ? 100 : 156);
    return bytes;
}

}  // namespace fuzz
