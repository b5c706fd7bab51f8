// Each scene's whole frame at a few times and spectra against its reviewed
// reference (see ReferenceFrames.h).
#include "tests/scenes/ReferenceFrames.h"

using namespace scenetest;

namespace {

TEST_F(ReferenceFrames, sphereShakenByItsThreeBinsUnderTheBackground) {
    expectFrame<SphereScene>("sphere-10s", 10.0f, {{3, 0.1f}, {4, 0.3f}, {5, 0.5f}, {0, 0.9f}});
}

TEST_F(ReferenceFrames, sphereWhileTheBackgroundFadesIn) {
    expectFrame<SphereScene>("sphere-1.3s", 1.3f, {});
}

TEST_F(ReferenceFrames, photographWithItsGlowWeightedByTheBass) {
    expectFrame<PhotoScene>("photo-35s-bass", 35.0f, {{0, 0.6f}, {3, 1.0f}});
}

TEST_F(ReferenceFrames, shellUnderTheWanderingCameraWithTheGreetings) {
    expectFrame<ShellScene>("shell-50s-bass", 50.0f, {{0, 0.4f}, {5, 1.0f}});
    expectFrame<ShellScene>("shell-57s", 57.0f, {});
}

}  // namespace
