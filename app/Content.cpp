#include "app/Content.h"

const char* const kSoundtrackPath = "data/sound/tamokrelu.mp3";

const char* const kTexturePaths[10] = {
    "data/tex/bakgrunn.png", "data/tex/blue.png",   "data/tex/vostrumlogo.png", "data/tex/quenbar06.png",
    "data/tex/lol.png",      "data/tex/grid.png",   "data/tex/kuletex.png",     "data/tex/turtle2.jpg",
    "data/tex/green.png",    "data/tex/greets.png",
};

const char* const kMeshPaths[8] = {
    "data/obj/squid01.ebr",  "data/obj/squid01.ebr",  "data/obj/chamferbox.ebr", "data/obj/test.ebr",
    "data/obj/test.ebr",     "data/obj/hisphere.ebr", "data/obj/hisphere.ebr",    "data/obj/turtleskall.ebr",
};

void loadContent(ContentSteps& steps, CanvasSize canvas) {
    steps.openSound(kSoundtrackPath);
    for (size_t i = 0; i < 10; ++i) {
        steps.loadTexture(i, kTexturePaths[i]);
    }
    for (size_t i = 0; i < 8; ++i) {
        steps.loadMesh(i, kMeshPaths[i]);
    }
    steps.createTarget(kScreenCopyTarget, canvas.width, canvas.height, canvas.width, canvas.height);
    steps.createTarget(kBlurTarget, kBlurTargetSide, kBlurTargetSide, canvas.width, canvas.height);
    if (exceedsLayout(canvas)) {
        steps.createTarget(kLayoutCopyTarget, kLayoutWidth, kLayoutHeight, canvas.width, canvas.height);
    }
}

void Content::openSound(const char* path) {
    sound.emplace(path);
}

void Content::loadTexture(size_t index, const char* path) {
    textures[index] = &loadedTextures[index].emplace(path);
}

void Content::loadMesh(size_t index, const char* path) {
    meshes[index] = &loadedMeshes[index].emplace(path);
}

void Content::createTarget(size_t index, int width, int height, int screenWidth, int screenHeight) {
    RenderTarget& created = createdTargets[index].emplace(width, height, screenWidth, screenHeight);
    if (index == kLayoutCopyTarget) {
        layoutCopy = &created;
    } else {
        targets[index] = &created;
    }
}

void Content::startMusic() {
    if (sound) {
        sound->play();
    }
}

const float* Content::currentSpectrum() {
    const float* spectrum = sound ? sound->spectrum() : nullptr;
    return spectrum != nullptr ? spectrum : silence.data();
}

void Content::shutdownSound() {
    if (sound) {
        sound->shutdown();
    }
}
