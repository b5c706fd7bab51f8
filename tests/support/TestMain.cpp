// Test entry point: every runner is headless. GL tests get a real Mesa context
// through SDL's offscreen driver and sound tests play through SDL's dummy
// driver, so nothing depends on a display or a sound card.
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
