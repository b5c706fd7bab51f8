// The real demo in this process, headless, rehearsed by keys pressed from its own
// frames: a paused frame is the capture of its time, jumps land on exact frames,
// loops start alike, and files changed on disk show in the next frame (or, when
// damaged, leave the old ones). Each frame is read back before it is shown and
// compared with one drawn from the content and the offline spectrum, as the
// capture tool draws it.
#include "app/Content.h"
#include "app/Demo.h"
#include "app/DemoProgram.h"
#include "platform/KeyPresses.h"
#include "platform/ProcessClock.h"
#include "platform/StopRequests.h"
#include "sound/TrackAnalysis.h"
#include "tests/assets/AssetTestFiles.h"
#include "tests/scenes/ReferenceFrames.h"
#include "tests/support/GLTestContext.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

namespace {

using Pixels = std::vector<uint8_t>;

Pixels readFrame() {
    return testgl::readPixels(0, 0, kDefaultCanvasSize.width, kDefaultCanvasSize.height);
}

// The frame at (t, the soundtrack's offline spectrum at t), drawn from the content on
// disk now, as a capture draws it: its own objects, no sound system.
Pixels captureOf(float t) {
    DemoProgram reference(kDefaultCanvasSize);
    for (size_t i = 0; i < 10; ++i) {
        reference.content.loadTexture(i, kTexturePaths[i]);
    }
    for (size_t i = 0; i < 8; ++i) {
        reference.content.loadMesh(i, kMeshPaths[i]);
    }
    const CanvasSize canvas = kDefaultCanvasSize;
    reference.content.createTarget(kScreenCopyTarget, canvas.width, canvas.height, canvas.width, canvas.height);
    reference.content.createTarget(kBlurTarget, kBlurTargetSide, kBlurTargetSide, canvas.width, canvas.height);
    reference.createScenes();
    TrackAnalysis track;
    EXPECT_TRUE(track.load(kSoundtrackPath));
    std::vector<float> spectrum(kSpectrumBinCount);
    track.spectrumAt(t, spectrum.data());
    reference.drawFrame(t, spectrum.data());
    return readFrame();
}

// The largest difference of any bin between live and the track's spectrum at seconds.
float differenceAt(const TrackAnalysis& track, const float* live, double seconds) {
    std::vector<float> expected(kSpectrumBinCount);
    track.spectrumAt(seconds, expected.data());
    float worst = 0.0f;
    for (int k = 0; k < kSpectrumBinCount; ++k) {
        worst = std::max(worst, std::fabs(live[k] - expected[k]));
    }
    return worst;
}

// The least of differenceAt over the moments from seconds to seconds + withinSeconds
// (every 2 ms): a spectrum read live, some time after the music stood at seconds.
float leastDifference(const TrackAnalysis& track, const float* live, double seconds, double withinSeconds) {
    float least = INFINITY;
    for (double at = seconds; at <= seconds + withinSeconds + 1e-9; at += 0.002) {
        least = std::min(least, differenceAt(track, live, at));
    }
    return least;
}

// Runs the demo from a fresh copy of the content, calling step with each frame's
// number, time and spectrum until it returns false; then asks the run to stop.
class RehearsalRun : public testing::Test {
protected:
    void SetUp() override {
        previous = std::filesystem::current_path();
        folder = std::filesystem::temp_directory_path() / ("morvel-rehearsal-" + std::to_string(getpid()));
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        std::filesystem::copy(MORVEL_E2E_ROOT "/data", folder / "data", std::filesystem::copy_options::recursive);
        std::filesystem::current_path(folder);
        clearStopRequests();
    }
    void TearDown() override {
        std::filesystem::current_path(previous);
        std::filesystem::remove_all(folder);
        clearStopRequests();
    }

    int play(const std::vector<std::string>& args, const std::function<bool(int, float, const float*)>& step) {
        DemoOptions options;
        std::string error;
        EXPECT_TRUE(parseDemoOptions(args, options, error)) << error;
        Demo demo(options);
        int frame = 0;
        bool going = true;
        demo.frameShown = [&](float t, const float* spectrum) {
            if (going && !step(frame++, t, spectrum)) {
                going = false;
                requestStop();
            }
        };
        const int status = demo.run();
        loops = demo.loopCount();
        return status;
    }

    std::filesystem::path previous, folder;
    int loops = 0;
};

TEST_F(RehearsalRun, aPausedFrameIsTheCaptureOfItsTimeAndJumpsWhilePausedLandOnIt) {
    float heldAt = -1.0f, lastT = -1.0f;
    Pixels paused;
    bool checkedJumpBack = false;
    play({"--rehearse", "--from", "10"}, [&](int frame, float t, const float* spectrum) {
        if (frame == 3) {
            pushKeyPressForTesting({Key::kSpace, false});
        } else if (frame == 6) {
            heldAt = t;
            paused = readFrame();
            // The sphere scene: its shake shows the spectrum's every change.
            EXPECT_TRUE(paused == captureOf(t)) << "paused at " << t;
            // On and back again while paused: the same moment, the same frame.
            pushKeyPressForTesting({Key::kRight, false});
            pushKeyPressForTesting({Key::kRight, true});
            pushKeyPressForTesting({Key::kLeft, true});
            pushKeyPressForTesting({Key::kLeft, false});
        } else if (frame == 7) {
            EXPECT_EQ(t, heldAt);
            EXPECT_TRUE(readFrame() == paused);
            pushKeyPressForTesting({Key::kRight, true});
        } else if (frame == 8) {
            // The clock adds the jump in double: within a float's rounding of heldAt + 5.
            EXPECT_FLOAT_EQ(t, heldAt + 5.0f);
            pushKeyPressForTesting({Key::kLeft, true});
        } else if (frame == 9) {
            EXPECT_EQ(t, heldAt);
            EXPECT_TRUE(readFrame() == paused);
            pushKeyPressForTesting({Key::kSpace, false});
        } else if (frame == 15) {
            EXPECT_GT(t, heldAt);  // playing again
            pushKeyPressForTesting({Key::kRight, true});
        } else if (frame == 16) {
            // The frame after a jump shows its time and the music's new position.
            EXPECT_GT(t, lastT + 5.0f);
            EXPECT_LT(t, lastT + 5.5f);
            // Read live, a little after the frame's time (as after a resume).
            TrackAnalysis track;
            EXPECT_TRUE(track.load(kSoundtrackPath));
            EXPECT_LT(leastDifference(track, spectrum, t, 0.1), 0.05f) << "at " << t;
            checkedJumpBack = true;
            return false;
        }
        lastT = t;
        return true;
    });
    EXPECT_GT(heldAt, 10.0f);
    EXPECT_TRUE(checkedJumpBack);
}

TEST_F(RehearsalRun, theFifthLoopStartsWithTheSameFrameAsTheFirst) {
    std::vector<Pixels> starts;
    // How far each loop's first spectrum stands from the track's at the range's start:
    // the music restarts with the clock. It is read live, a moment after the restart,
    // before the frame is shown: it is compared with the track's from the range's
    // start to as long after it as has passed since the frame before was shown (a
    // busy machine reads later), 0.1 s at most (the first frame has none before it).
    // 0 on a quiet machine; music left 0.45 s on (the range's end) stands 0.045 off.
    TrackAnalysis track;
    ASSERT_TRUE(track.load(kSoundtrackPath));
    std::vector<float> startDifferences;
    bool pastTheEnd = false;
    long long lastShownNs = processClockNs();
    play({"--from", "57", "--to", "57.5", "--loop", "--window"}, [&](int frame, float t, const float* spectrum) {
        const long long shownNs = processClockNs();
        // After a frame at or past the range's end comes the range's start.
        EXPECT_TRUE(!pastTheEnd || t == 57.0f) << t;
        pastTheEnd = t >= 57.5f;
        if (t == 57.0f) {
            starts.push_back(readFrame());
            startDifferences.push_back(leastDifference(track, spectrum, t, std::min(0.1, (shownNs - lastShownNs) * 1e-9)));
        }
        lastShownNs = processClockNs();
        return starts.size() < 5 && frame < 300;
    });
    ASSERT_EQ(starts.size(), 5u);
    EXPECT_EQ(loops, 4);
    for (size_t loop = 0; loop < startDifferences.size(); ++loop) {
        EXPECT_LT(startDifferences[loop], 0.02f) << "loop " << loop + 1;
    }
    EXPECT_TRUE(starts[4] == starts[0]);
}

TEST_F(RehearsalRun, aTextureReplacedOnDiskShowsInTheNextFrameAndADamagedOneKeepsIt) {
    Pixels before, replaced;
    std::string redJpeg;
    testing::internal::CaptureStderr();
    int frames = 0;
    play({"--rehearse", "--watch", "--from", "36"}, [&](int frame, float t, const float*) {
        frames = frame;
        if (frame == 2) {
            pushKeyPressForTesting({Key::kSpace, false});
        } else if (frame == 5) {
            before = readFrame();
            // A plain red photograph, written over the old one as an editor saves it.
            std::vector<uint8_t> samples(64 * 64 * 3);
            for (size_t i = 0; i < samples.size(); i += 3) {
                samples[i] = 230;
            }
            redJpeg = saveJpeg(64, 64, 3, samples, "red.jpg");
            std::filesystem::copy_file(redJpeg, "data/tex/turtle2.jpg.new");
            std::filesystem::rename("data/tex/turtle2.jpg.new", "data/tex/turtle2.jpg");
        } else if (frame == 6) {
            replaced = readFrame();
            EXPECT_FALSE(replaced == before);
            EXPECT_TRUE(replaced == captureOf(t));
            std::ofstream("data/tex/turtle2.jpg", std::ios::binary) << "not a photograph at all";
        } else if (frame == 8) {
            EXPECT_TRUE(readFrame() == replaced);
            return false;
        }
        return true;
    });
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(frames, 8);  // the damaged file did not end the run
    EXPECT_NE(err.find("morvel: loaded data/tex/turtle2.jpg again"), std::string::npos) << err;
    EXPECT_NE(err.find("morvel: data/tex/turtle2.jpg does not load (Not a JPEG file"), std::string::npos) << err;
    EXPECT_NE(err.find("keeping the one loaded before"), std::string::npos) << err;
}

// Written as an editor saves: a whole new file renamed over the old one.
void replaceFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path + ".new", std::ios::binary) << bytes;
    std::filesystem::rename(path + ".new", path);
}

std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST_F(RehearsalRun, aMeshAndTheSoundtrackChangedOnDiskLoadAgainAndDamagedOnesAreKept) {
    TrackAnalysis track;
    ASSERT_TRUE(track.load(kSoundtrackPath));
    const std::string shell = "data/obj/turtleskall.ebr";
    const std::string shellBytes = fileBytes(shell);
    const std::string soundtrackBytes = fileBytes(kSoundtrackPath);
    Pixels before, reshaped;
    float heldAt = 0.0f;
    testing::internal::CaptureStderr();
    int frames = 0;
    play({"--rehearse", "--watch", "--from", "50"}, [&](int frame, float t, const float* spectrum) {
        frames = frame;
        if (frame == 2) {
            pushKeyPressForTesting({Key::kSpace, false});
        } else if (frame == 5) {
            heldAt = t;
            before = readFrame();
            replaceFile(shell, shellBytes.substr(0, shellBytes.size() / 2));  // cut short
        } else if (frame == 6) {
            EXPECT_TRUE(readFrame() == before) << "a cut-short mesh was drawn";
            // Another mesh in the shell's place: the next frame draws it.
            replaceFile(shell, fileBytes("data/obj/hisphere.ebr"));
        } else if (frame == 7) {
            reshaped = readFrame();
            EXPECT_FALSE(reshaped == before);
            EXPECT_TRUE(reshaped == captureOf(t));
            replaceFile(kSoundtrackPath, "ID3 and then nothing a decoder could play");
        } else if (frame == 8) {
            // The old soundtrack goes on, held where it was.
            EXPECT_LT(leastDifference(track, spectrum, heldAt, 0.0), 0.02f);
            replaceFile(kSoundtrackPath, soundtrackBytes);
        } else if (frame == 9) {
            // Loaded again, held at the same moment; then on from there.
            EXPECT_EQ(t, heldAt);
            EXPECT_LT(leastDifference(track, spectrum, heldAt, 0.0), 0.02f);
            pushKeyPressForTesting({Key::kSpace, false});
        } else if (frame == 12) {
            EXPECT_GT(t, heldAt);
            EXPECT_LT(leastDifference(track, spectrum, t, 0.1), 0.05f) << "at " << t;
            return false;
        }
        return true;
    });
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(frames, 12);
    EXPECT_NE(err.find("morvel: data/obj/turtleskall.ebr does not load ("), std::string::npos) << err;
    EXPECT_NE(err.find("morvel: loaded data/obj/turtleskall.ebr again"), std::string::npos) << err;
    EXPECT_NE(err.find("morvel: data/sound/tamokrelu.mp3 does not load ("), std::string::npos) << err;
    EXPECT_NE(err.find("morvel: loaded data/sound/tamokrelu.mp3 again"), std::string::npos) << err;
}

TEST_F(RehearsalRun, theOverlayCoversOnlyItsCornerAndGoesAgainOnItsKey) {
    play({"--rehearse", "--from", "12"}, [&](int frame, float t, const float*) {
        if (frame == 2) {
            pushKeyPressForTesting({Key::kSpace, false});
            pushKeyPressForTesting({Key::kF, false});
        } else if (frame == 5) {
            // MORVEL_OVERLAY_PNG names a file to look at the overlay in.
            if (const char* path = std::getenv("MORVEL_OVERLAY_PNG")) {
                scenetest::writePng(path, scenetest::readBackFrame());
            }
            const Pixels withOverlay = readFrame();
            const Pixels capture = captureOf(t);
            int insideDiffering = 0, outsideDiffering = 0;
            for (int y = 0; y < 600; ++y) {
                for (int x = 0; x < 800; ++x) {
                    const size_t at = (size_t(y) * 800 + x) * 4;
                    const bool differs = std::memcmp(&withOverlay[at], &capture[at], 3) != 0;
                    const bool inside = x < 360 && y >= 600 - 190;
                    (inside ? insideDiffering : outsideDiffering) += differs ? 1 : 0;
                }
            }
            EXPECT_EQ(outsideDiffering, 0);
            EXPECT_GT(insideDiffering, 360 * 190 / 2);  // the dark plate at least
            pushKeyPressForTesting({Key::kF, false});
        } else if (frame == 6) {
            EXPECT_TRUE(readFrame() == captureOf(t));
            return false;
        }
        return true;
    });
}

}  // namespace
