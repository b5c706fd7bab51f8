// How much decoded audio a small file can make the library hold: the caps count
// bytes as well as seconds, so a file declaring a huge rate stops as early as
// one at an ordinary rate.
#include "tests/sound/TestAudioFiles.h"

#include "sound/audio/Mp3Decoder.h"
#include "sound/audio/OggDecoder.h"

#include <gtest/gtest.h>
#include <vorbis/vorbisenc.h>

using namespace soundtest;

namespace {

// An Ogg Vorbis stream set up by the encoder for 48 kHz stereo, whose
// identification header is then made to declare rateHz, followed by
// packetCount one-byte audio packets: long blocks whose floors end at once,
// which decoders take as silence, 1024 frames each.
Bytes silentOgg(int rateHz, long packetCount) {
    vorbis_info info;
    vorbis_info_init(&info);
    EXPECT_EQ(vorbis_encode_init_vbr(&info, 2, 48000, 0.1f), 0);
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    ogg_stream_state stream;
    ogg_stream_init(&stream, 7);
    Bytes out;
    auto pages = [&](int (*next)(ogg_stream_state*, ogg_page*)) {
        for (ogg_page page; next(&stream, &page) != 0;) {
            out.insert(out.end(), page.header, page.header + page.header_len);
            out.insert(out.end(), page.body, page.body + page.body_len);
        }
    };
    ogg_packet headers[3];
    vorbis_analysis_headerout(&dsp, &comment, &headers[0], &headers[1], &headers[2]);
    for (int i = 0; i < 4; ++i) headers[0].packet[12 + i] = static_cast<unsigned char>(rateHz >> (8 * i));
    for (ogg_packet& header : headers) ogg_stream_packetin(&stream, &header);
    pages(ogg_stream_flush);
    unsigned char audio = 0x02;  // bit 0: audio packet; bit 1: mode 1, the long block
    for (long i = 0; i < packetCount; ++i) {
        ogg_packet packet{&audio, 1, 0, i + 1 == packetCount, (i + 1) * 1024, 3 + i};
        ogg_stream_packetin(&stream, &packet);
        pages(ogg_stream_pageout);
    }
    pages(ogg_stream_flush);
    ogg_stream_clear(&stream);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return out;
}

}  // namespace

TEST(DecodeCaps, aFileDeclaringAHugeRateStopsAtTheByteCapNotAfterTwentyMinutesOfItsOwnRate) {
    const Bytes small = silentOgg(384000, 40);
    PcmData pcm;
    ASSERT_EQ(decodeOgg(small.data(), small.size(), pcm), 0);
    EXPECT_EQ(pcm.rateHz, 384000);
    EXPECT_NEAR(pcm.frameCount(), 40 * 1024, 2048);

    // 61 million frames: 160 s at 384 kHz, far inside 20 minutes, but 490 MB of floats.
    const Bytes large = silentOgg(384000, 60000);
    EXPECT_LT(large.size(), 200000u);
    EXPECT_EQ(decodeOgg(large.data(), large.size(), pcm), FMOD_ERR_MEMORY);
    EXPECT_EQ(pcm.frameCount(), 0);
}

TEST(DecodeCaps, aSmallMp3WhoseHeaderClaimsMinutesDoesNotReserveThem) {
    // Half a second, whose Info tag is then made to claim 30000 frames: 18 minutes at
    // 32 kHz, inside the caps, but far more samples than its bytes can carry.
    Bytes mp3 = encodeMp3(stereoTone(440.0, 660.0, 0.3, 32000, 0.5), 32000, 2);
    ASSERT_FALSE(mp3.empty());
    const std::string bytes(mp3.begin(), mp3.end());
    size_t tag = bytes.find("Info");
    if (tag == std::string::npos) tag = bytes.find("Xing");
    ASSERT_NE(tag, std::string::npos);
    ASSERT_TRUE(mp3[tag + 7] & 1) << "the tag carries no frame count";
    const unsigned claimed = 30000;
    for (int i = 0; i < 4; ++i) mp3[tag + 8 + i] = static_cast<unsigned char>(claimed >> (24 - 8 * i));

    PcmData pcm;
    ASSERT_EQ(decodeMp3(mp3.data(), mp3.size(), pcm), 0);
    EXPECT_NEAR(pcm.frameCount(), 16000, 2400);
    // What was decoded, with room to grow, not the 276 MB the tag asks for.
    EXPECT_LT(pcm.frames.capacity(), 1000000u);
}

// MPEG-1 layer II frames at 44.1 kHz of silence: the bitrate index (1 to 14; 0 is
// free format) and the frame's bytes, header included.
void appendLayerTwoFrames(Bytes& mp3, int frameCount, int bitrateIndex, size_t frameBytes) {
    for (int frame = 0; frame < frameCount; ++frame) {
        const unsigned char header[] = {0xFF, 0xFD, static_cast<unsigned char>(bitrateIndex << 4), 0x00};
        mp3.insert(mp3.end(), header, header + sizeof header);
        mp3.insert(mp3.end(), frameBytes - sizeof header, 0);
    }
}

TEST(DecodeCaps, anMp3WhoseLengthNoHeaderGivesIsDecodedWithoutRoomToSpare) {
    // Without an encoder's header mpg123 estimates the length from the first
    // frame's bitrate: here one frame at 384 kbps then 399 at 32 kbps, which it
    // takes for some 34 frames. A vector grown from there by doubling would hold up to
    // twice the audio and copy it all on each step; the frames counted before
    // decoding give the room at once.
    Bytes mp3;
    appendLayerTwoFrames(mp3, 1, 14, 1253);
    appendLayerTwoFrames(mp3, 399, 1, 104);
    PcmData pcm;
    ASSERT_EQ(decodeMp3(mp3.data(), mp3.size(), pcm), 0);
    EXPECT_EQ(pcm.rateHz, 44100);
    EXPECT_EQ(pcm.frameCount(), 400 * 1152);
    EXPECT_EQ(pcm.frames.capacity(), pcm.frames.size());
}

TEST(DecodeCaps, headersWithNothingBetweenThemAreNotAnMp3) {
    // Frames of 9 bytes: 3.6 KB that mpg123 would play as 10 s of stereo, 128
    // samples a byte, where no MPEG frame holds more than 24.
    Bytes mp3;
    appendLayerTwoFrames(mp3, 400, 0, 9);
    PcmData pcm;
    EXPECT_EQ(decodeMp3(mp3.data(), mp3.size(), pcm), FMOD_ERR_FILE_BAD);
    EXPECT_TRUE(pcm.frames.empty());
}
