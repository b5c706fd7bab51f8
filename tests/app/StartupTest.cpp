// Start-up against a recording host: every step the demo takes before its
// first frame, in order, with the paths it hands to each loader.
#include "app/Startup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class RecordingHost : public StartupHost, public ContentSteps {
public:
    explicit RecordingHost(bool windowWorks = true) : windowWorks(windowWorks) {}

    bool openWindow() override {
        steps.push_back("window");
        return windowWorks;
    }
    ContentSteps& contentSteps() override { return *this; }
    CanvasSize canvasSize() const override { return kDefaultCanvasSize; }
    void openSound(const char* path) override { steps.push_back(std::string("sound ") + path); }
    void loadTexture(size_t index, const char* path) override {
        steps.push_back("texture " + std::to_string(index) + " " + path);
    }
    void loadMesh(size_t index, const char* path) override {
        steps.push_back("mesh " + std::to_string(index) + " " + path);
    }
    void createTarget(size_t index, int width, int height, int screenWidth, int screenHeight) override {
        steps.push_back("target " + std::to_string(index) + " " + std::to_string(width) + "x" +
                        std::to_string(height) + " of " + std::to_string(screenWidth) + "x" +
                        std::to_string(screenHeight));
    }
    void createScenes() override { steps.push_back("scenes"); }
    void startClock() override { steps.push_back("clock"); }
    void playMusic() override { steps.push_back("play"); }

    bool windowWorks;
    std::vector<std::string> steps;
};

}  // namespace

TEST(Startup, loadsEverythingInItsFixedOrderThenStartsTheClockAndAtOnceTheMusic) {
    RecordingHost host;
    EXPECT_TRUE(startUp(host));
    const std::vector<std::string> expected = {
        "window",
        "sound data/sound/tamokrelu.mp3",
        "texture 0 data/tex/bakgrunn.png",
        "texture 1 data/tex/blue.png",
        "texture 2 data/tex/vostrumlogo.png",
        "texture 3 data/tex/quenbar06.png",
        "texture 4 data/tex/lol.png",
        "texture 5 data/tex/grid.png",
        "texture 6 data/tex/kuletex.png",
        "texture 7 data/tex/turtle2.jpg",
        "texture 8 data/tex/green.png",
        "texture 9 data/tex/greets.png",
        "mesh 0 data/obj/squid01.ebr",
        "mesh 1 data/obj/squid01.ebr",
        "mesh 2 data/obj/chamferbox.ebr",
        "mesh 3 data/obj/test.ebr",
        "mesh 4 data/obj/test.ebr",
        "mesh 5 data/obj/hisphere.ebr",
        "mesh 6 data/obj/hisphere.ebr",
        "mesh 7 data/obj/turtleskall.ebr",
        "target 0 800x600 of 800x600",
        "target 1 128x128 of 800x600",
        "scenes",
        "clock",
        "play",
    };
    EXPECT_EQ(host.steps, expected);
}

TEST(Startup, withoutAGLContextNothingIsLoadedOrStarted) {
    RecordingHost host(false);
    EXPECT_FALSE(startUp(host));
    EXPECT_EQ(host.steps, std::vector<std::string>{"window"});
}
