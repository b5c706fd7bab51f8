#include "tests/support/SoundEncoders.h"

#include <lame/lame.h>
#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace soundencode {

namespace {

void put16(Bytes& bytes, size_t at, int value) {  // big-endian, as MOD files store it
    bytes[at] = static_cast<unsigned char>(value >> 8);
    bytes[at + 1] = static_cast<unsigned char>(value & 0xFF);
}

}  // namespace

Bytes encodeMp3(const std::vector<float>& stereo, int rateHz, int channelCount) {
    lame_t lame = lame_init();
    lame_set_in_samplerate(lame, rateHz);
    lame_set_out_samplerate(lame, rateHz);
    lame_set_mode(lame, channelCount == 1 ? MONO : STEREO);  // mono mixes the (equal) sides
    lame_set_brate(lame, 128);
    lame_set_quality(lame, 2);
    lame_set_write_id3tag_automatic(lame, 0);
    if (lame_init_params(lame) != 0) {
        lame_close(lame);
        return {};
    }
    Bytes out(stereo.size() + 16384);
    int size = static_cast<int>(out.size());
    int frames = static_cast<int>(stereo.size() / 2);
    const int encoded = lame_encode_buffer_interleaved_ieee_float(lame, stereo.data(), frames, out.data(), size);
    const int flushed = encoded < 0 ? -1 : lame_encode_flush(lame, out.data() + encoded, size - encoded);
    if (flushed < 0) {
        lame_close(lame);
        return {};
    }
    out.resize(static_cast<size_t>(encoded + flushed));
    // The first frame holds the place of the tag that tells decoders the delay.
    const size_t tagSize = lame_get_lametag_frame(lame, out.data(), out.size());
    lame_close(lame);
    if (tagSize == 0 || tagSize > out.size()) {
        return {};
    }
    return out;
}

Bytes encodeOgg(const std::vector<float>& stereo, int rateHz, int channelCount) {
    return encodeOggInterleaved(stereo, 2, rateHz, channelCount);
}

Bytes encodeOggInterleaved(const std::vector<float>& frames, int frameChannels, int rateHz, int channelCount) {
    vorbis_info info;
    vorbis_info_init(&info);
    if (channelCount > frameChannels || vorbis_encode_init_vbr(&info, channelCount, rateHz, 0.6f) != 0) {
        vorbis_info_clear(&info);
        return {};
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block block;
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, 1);
    Bytes out;
    auto pages = [&](int (*next)(ogg_stream_state*, ogg_page*)) {
        ogg_page page;
        while (next(&stream, &page) != 0) {
            out.insert(out.end(), page.header, page.header + page.header_len);
            out.insert(out.end(), page.body, page.body + page.body_len);
        }
    };
    ogg_packet headers[3];
    vorbis_analysis_headerout(&dsp, &comment, &headers[0], &headers[1], &headers[2]);
    for (ogg_packet& header : headers) {
        ogg_stream_packetin(&stream, &header);
    }
    pages(ogg_stream_flush);
    const long frameCount = static_cast<long>(frames.size() / frameChannels);
    for (long start = 0, count = 1; count > 0; start += count) {
        count = std::min(4096L, frameCount - start);  // a last write of 0 ends the stream
        float** planes = vorbis_analysis_buffer(&dsp, 4096);
        for (long i = 0; i < count * channelCount; ++i) {
            planes[i % channelCount][i / channelCount] =
                frames[frameChannels * (start + i / channelCount) + i % channelCount];
        }
        vorbis_analysis_wrote(&dsp, static_cast<int>(count));
        for (ogg_packet packet; vorbis_analysis_blockout(&dsp, &block) == 1;) {
            vorbis_analysis(&block, &packet);  // without bitrate management: one packet a block
            ogg_stream_packetin(&stream, &packet);
            pages(ogg_stream_pageout);
        }
    }
    pages(ogg_stream_flush);
    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return out;
}

Bytes tinyMod() {
    const size_t song = 20 + 31 * 30, patterns = song + 2 + 128 + 4, samples = patterns + 64 * 4 * 4;
    Bytes bytes(samples + 2000, 0);
    std::memcpy(bytes.data(), "morvel test", 11);
    put16(bytes, 20 + 22, 1000);  // sample 1: 1000 words long
    bytes[20 + 25] = 64;          // at full volume
    for (int s = 0; s < 31; ++s) {
        put16(bytes, 20 + s * 30 + 28, 1);  // loop length 1: no loop
    }
    bytes[song] = 1;  // one order, playing pattern 0
    bytes[song + 1] = 127;
    std::memcpy(bytes.data() + song + 130, "M.K.", 4);
    put16(bytes, patterns, 428);    // row 0, channel 1: C-2 ...
    bytes[patterns + 2] = 0x10;     // ... of sample 1
    bytes[patterns + 3 * 16 + 2] = 0x0D;  // row 3: pattern break, so the song loops
    for (int i = 0; i < 2000; ++i) {
        bytes[samples + i] = static_cast<unsigned char>((i / 16) % 2 == 0 ? 100 : 156);
    }
    return bytes;
}

}  // namespace soundencode
