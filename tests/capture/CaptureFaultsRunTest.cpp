// How morvel-capture behaves when what it is given or where it writes is not
// what it expects: two captures to one path, a still over a link, a node or a
// file that must survive, a range off the frames or off the timeline, odd
// sizes, colour for HD players, and content that is missing or damaged.
#include "tests/capture/CaptureRunSupport.h"

#include "sound/TrackAnalysis.h"
#include "tools/capture/Mp4Encoding.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace capture_test;

namespace {

bool isOneLine(const std::string& text) {
    return !text.empty() && text.find('\n') == text.size() - 1;
}

// Mean and largest difference of 16 x 16 block averages, over the channels:
// the colour a viewer sees, without the detail that 4:2:0 and the encoder blur.
struct BlockDifference {
    double mean = 0;
    double largest = 0;
};

BlockDifference blockDifference(const Image& a, const Image& b) {
    BlockDifference result;
    int blocks = 0;
    for (int by = 0; by + 16 <= a.height; by += 16) {
        for (int bx = 0; bx + 16 <= a.width; bx += 16) {
            for (int c = 0; c < 3; ++c) {
                long sumA = 0, sumB = 0;
                for (int y = by; y < by + 16; ++y) {
                    for (int x = bx; x < bx + 16; ++x) {
                        sumA += a.at(x, y)[c];
                        sumB += b.at(x, y)[c];
                    }
                }
                const double difference = std::abs(sumA - sumB) / 256.0;
                result.mean += difference;
                result.largest = std::max(result.largest, difference);
                ++blocks;
            }
        }
    }
    result.mean /= blocks;
    return result;
}

// The lag, within maxLag, at which the sound best matches the reference
// starting at referenceStart: 0 when sample i of the sound is sample
// referenceStart + i of the reference.
long bestLag(const std::vector<int16_t>& sound, const std::vector<float>& reference, long referenceStart,
             long maxLag) {
    const long window = 24000;
    const long from = 4800;
    long best = -maxLag - 1;
    double bestScore = -1e300;
    for (long lag = -maxLag; lag <= maxLag; ++lag) {
        double score = 0;
        for (long i = from; i < from + window; ++i) {
            score += sound[i] * reference[referenceStart + lag + i];
        }
        if (score > bestScore) {
            bestScore = score;
            best = lag;
        }
    }
    return best;
}

// The soundtrack as the demo decodes it, at rateHz, mixed to mono.
std::vector<float> demoSoundtrack(int rateHz) {
    TrackAnalysis track(rateHz);
    EXPECT_TRUE(track.load(MORVEL_E2E_ROOT "/data/sound/tamokrelu.mp3"));
    std::vector<float> mono(track.frameCount());
    for (long long i = 0; i < track.frameCount(); ++i) {
        mono[i] = (track.frames()[2 * i] + track.frames()[2 * i + 1]) * 0.5f;
    }
    return mono;
}

}  // namespace

TEST(CaptureFaults, twoCapturesToOnePathBothEndWithAWholeFileAndNothingElse) {
    TempFolder folder;
    const std::string one = std::string(MORVEL_CAPTURE_BINARY) + " --fps 30 --from 1 --to 1.5 --size 192x144 --out '" +
                            (folder / "same.mp4") + "'";
    ProcessResult both =
        runIn(MORVEL_E2E_ROOT, "sh -c \"(" + one + "; echo first \\$?) & (" + one + "; echo second \\$?) & wait\"");
    EXPECT_NE(both.out.find("first 0"), std::string::npos) << both.out << both.err;
    EXPECT_NE(both.out.find("second 0"), std::string::npos) << both.out << both.err;
    EXPECT_EQ(folder.names(), std::vector<std::string>{"same.mp4"});
    const std::string video = probeStream(folder / "same.mp4", "v:0", "nb_frames");
    EXPECT_EQ(probeValue(video, "nb_frames"), "15");
    EXPECT_EQ(probeValue(probeStream(folder / "same.mp4", "a:0", "codec_name"), "codec_name"), "aac");
}

TEST(CaptureFaults, aStillNeverTouchesALinkANodeOrAFileItDoesNotFinish) {
    TempFolder folder;
    const std::string victim = folder / "victim.txt";
    { std::ofstream(victim) << "someone else's file"; }
    std::filesystem::create_symlink(victim, folder / "link.png");
    ProcessResult link = capture("--at 10 --png '" + (folder / "link.png") + "'");
    EXPECT_EQ(link.status, 2) << link.err;
    EXPECT_TRUE(isOneLine(link.err)) << link.err;
    EXPECT_NE(link.err.find("is a symbolic link"), std::string::npos) << link.err;
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "link.png"));
    EXPECT_EQ(readFile(victim), "someone else's file");

    // A named pipe stands in for a device node: writing would block on it.
    ASSERT_EQ(mkfifo((folder / "pipe.png").c_str(), 0600), 0);
    ProcessResult node = runIn(MORVEL_E2E_ROOT, "timeout 30 " MORVEL_CAPTURE_BINARY " --at 10 --png '" +
                                                    (folder / "pipe.png") + "'");
    EXPECT_EQ(node.status, 2) << node.err;
    EXPECT_NE(node.err.find("is not a regular file"), std::string::npos) << node.err;
    EXPECT_TRUE(std::filesystem::is_fifo(folder / "pipe.png"));

    // Stopped before its frame is drawn, the capture leaves the earlier still as it was.
    const std::string earlier = folder / "still.png";
    { std::ofstream(earlier) << "the earlier still"; }
    ProcessResult stopped = runIn(MORVEL_E2E_ROOT, "timeout --preserve-status -s TERM 0.5 " MORVEL_CAPTURE_BINARY
                                                   " --at 30 --png '" + earlier + "'");
    EXPECT_EQ(stopped.status, 128 + 15) << stopped.err;
    EXPECT_EQ(readFile(earlier), "the earlier still");
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"link.png", "pipe.png", "still.png", "victim.txt"}));
}

// Stopped in its second pass, a two-pass capture ends ffmpeg and leaves
// neither the video nor the intermediate and the pass log.
TEST(CaptureFaults, aTwoPassCaptureStoppedInItsSecondPassLeavesNothing) {
    TempFolder folder;
    const std::string script =
        MORVEL_CAPTURE_BINARY " --preset party-720 --from 30 --to 30.5 --out '" + (folder / "p.mp4") + "' 2>'" +
        (folder / "err") + "' & pid=$!; for i in $(seq 600); do grep -q 'second pass' '" + (folder / "err") +
        "' && break; sleep 0.1; done; kill -INT $pid; wait $pid; echo status $?";
    { std::ofstream(folder / "stop.sh") << script << "\n"; }
    ProcessResult run = runIn(MORVEL_E2E_ROOT, "sh '" + (folder / "stop.sh") + "'");
    const std::string err = readFile(folder / "err");
    EXPECT_NE(err.find("second pass"), std::string::npos) << err;
    EXPECT_NE(run.out.find("status 130"), std::string::npos) << run.out << err;
    std::filesystem::remove(folder / "err");
    std::filesystem::remove(folder / "stop.sh");
    EXPECT_TRUE(folder.names().empty());
}

// The audio starts at the first frame's time, to the sample, whatever --from
// says: 30.01 s at 30 fps first shows frame 901, at 30 1/30 s. The range has
// no cut between scenes, where the encoder would put a keyframe anyway.
TEST(CaptureFaults, theSoundStartsAtTheFirstFramesTimeToTheSampleAndKeyframesComeEveryTwoSeconds) {
    TempFolder folder;
    const std::string movie = folder / "offset.mp4";
    ProcessResult run = capture("--fps 30 --from 30.01 --to 32.6 --size 192x144 --out '" + movie + "'");
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<int16_t> sound = decodeMonoSound(movie, kAudioRateHz);
    ASSERT_GT(sound.size(), 30000u);
    const std::vector<float> track = demoSoundtrack(kAudioRateHz);
    const long firstFrameSample = 901L * kAudioRateHz / 30;
    EXPECT_EQ(bestLag(sound, track, firstFrameSample, 800), 0);

    // 77 frames from 901 to 977: keyframes at 0 and 60 at least.
    ProcessResult frames = runIn(".", "ffprobe -v error -select_streams v:0 -show_entries frame=key_frame "
                                      "-of default=nw=1 '" + movie + "'");
    std::vector<int> keyframes;
    int index = 0;
    for (size_t at = frames.out.find("key_frame="); at != std::string::npos;
         at = frames.out.find("key_frame=", at + 1), ++index) {
        if (frames.out[at + 10] == '1') {
            keyframes.push_back(index);
        }
    }
    EXPECT_EQ(index, 77);
    ASSERT_FALSE(keyframes.empty());
    EXPECT_EQ(keyframes.front(), 0);
    keyframes.push_back(index);
    for (size_t i = 1; i < keyframes.size(); ++i) {
        EXPECT_LE(keyframes[i] - keyframes[i - 1], 60) << frames.out;
    }
}

// At one frame a second from 0.5 s the frames are 1 and 2: two seconds of
// picture, so two seconds of sound, not two and a half.
TEST(CaptureFaults, theSoundLastsAsLongAsThePictures) {
    TempFolder folder;
    const std::string movie = folder / "slow.mp4";
    ProcessResult run = capture("--fps 1 --from 0.5 --to 3 --size 192x144 --out '" + movie + "'");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(probeValue(probeStream(movie, "v:0", "nb_frames"), "nb_frames"), "2");
    const std::string audio = probeStream(movie, "a:0", "duration");
    EXPECT_NEAR(std::atof(probeValue(audio, "duration").c_str()), 2.0, 0.002) << audio;
    // ffmpeg's decoder ends on a whole AAC block; the file's edit list says 2 s.
    const size_t decoded = decodeMonoSound(movie, kAudioRateHz).size();
    EXPECT_GE(decoded, 2u * kAudioRateHz);
    EXPECT_LT(decoded, 2u * kAudioRateHz + 1024);
}

TEST(CaptureFaults, rangesWithoutFramesTimesOffTheTimelineAndOddVideoSizesAreRefusedInOneLine) {
    TempFolder folder;
    for (const std::string& arguments :
         {"--from 5 --to 5 --out '" + (folder / "x.mp4") + "'",
          "--from 58 --to 66 --out '" + (folder / "x.mp4") + "'",
          "--from 70 --to 72 --out '" + (folder / "x.mp4") + "'",
          "--at -5 --png '" + (folder / "x.png") + "'",
          "--at 1e12 --png '" + (folder / "x.png") + "'",
          "--at 3 --from 1 --to 2 --png '" + (folder / "x.png") + "'",
          "--size 801x600 --fps 30 --from 1 --to 2 --out '" + (folder / "x.mp4") + "'"}) {
        ProcessResult run = capture(arguments);
        EXPECT_EQ(run.status, 2) << arguments << "\n" << run.err;
        EXPECT_TRUE(isOneLine(run.err)) << arguments << "\n" << run.err;
        EXPECT_EQ(run.err.rfind("morvel-capture: ", 0), 0u) << run.err;
    }
    EXPECT_TRUE(folder.names().empty());
}

namespace {

// Captures one frame at 35 s (deep blue water) as an MP4 and as a still at
// the given size, checks the MP4's colour tags, and returns how far the
// frame decoded as a player would (by its tags, or by its size untagged: HD
// as BT.709) lies from the still.
BlockDifference colourDifference(const std::string& size, int width, int height, const std::string& matrixTag) {
    TempFolder folder;
    ProcessResult movie = capture("--fps 30 --from 35 --to 35.03 --size " + size + " --out '" + (folder / "a.mp4") + "'");
    EXPECT_EQ(movie.status, 0) << movie.err;
    ProcessResult still = capture("--at 35 --size " + size + " --png '" + (folder / "a.png") + "'");
    EXPECT_EQ(still.status, 0) << still.err;
    const std::string tags = probeStream(folder / "a.mp4", "v:0", "color_space,color_primaries,color_transfer,color_range");
    EXPECT_EQ(probeValue(tags, "color_space"), matrixTag) << tags;
    EXPECT_EQ(probeValue(tags, "color_primaries"), "bt709") << tags;
    EXPECT_EQ(probeValue(tags, "color_transfer"), "bt709") << tags;
    EXPECT_EQ(probeValue(tags, "color_range"), "tv") << tags;
    std::string matrix = probeValue(tags, "color_space");
    if (matrix == "smpte170m" || matrix == "unknown" || matrix.empty()) {
        matrix = matrix == "smpte170m" || width < 1280 ? "bt601" : "bt709";
    }
    const Image decoded = decodeFirstFrame(folder / "a.mp4", width, height, matrix);
    const Image drawn = readPng(folder / "a.png");
    EXPECT_EQ(decoded.rgb.size(), drawn.rgb.size());
    if (decoded.rgb.size() != drawn.rgb.size() || drawn.rgb.empty()) {
        return {255, 255};
    }
    return blockDifference(decoded, drawn);
}

}  // namespace

TEST(CaptureFaults, hdVideoIsBt709AndSmallVideoBt601TaggedSoThatPlayersShowTheStillsColours) {
    const BlockDifference hd = colourDifference("1280x720", 1280, 720, "bt709");
    EXPECT_LT(hd.mean, 1.5);
    EXPECT_LT(hd.largest, 6.0);
    const BlockDifference sd = colourDifference("800x600", 800, 600, "smpte170m");
    EXPECT_LT(sd.mean, 1.5);
    EXPECT_LT(sd.largest, 6.0);
}

TEST(CaptureFaults, missingOrDamagedContentIsNamedAndNothingIsWritten) {
    TempFolder empty;
    ProcessResult none = capture("--at 10 --png '" + (empty / "x.png") + "'", empty.path);
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.err, "morvel-capture: data/sound/tamokrelu.mp3 is missing; run it from the folder that holds the "
                        "whole data/ (morvel-assetgen --root . writes it)\n");
    EXPECT_TRUE(empty.names().empty());

    TempFolder content(freshContentCopy());
    std::filesystem::remove(content / "data/tex/blue.png");
    ProcessResult missing = capture("--fps 30 --from 1 --to 2 --frames '" + (content / "frames") + "'", content.path);
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("morvel-capture: data/tex/blue.png is missing;"), std::string::npos) << missing.err;
    EXPECT_FALSE(std::filesystem::exists(content / "frames"));

    std::filesystem::copy_file(MORVEL_E2E_ROOT "/data/tex/blue.png", content / "data/tex/blue.png");
    std::filesystem::resize_file(content / "data/tex/greets.png", 200);
    ProcessResult damaged = capture("--at 50 --png '" + (content / "x.png") + "'", content.path);
    EXPECT_EQ(damaged.status, 1);
    EXPECT_NE(damaged.err.find("morvel-capture: data/tex/greets.png could not be loaded; morvel-assetgen writes it "
                               "afresh\n"),
              std::string::npos)
        << damaged.err;
    EXPECT_FALSE(std::filesystem::exists(content / "x.png"));
}
