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

Content::Content() : sound(kSoundtrackPath) {
    for (size_t i = 0; i < loadedTextures.size(); ++i) {
        textures[i] = &loadedTextures[i].emplace(kTexturePaths[i]);
    }
    for (size_t i = 0; i < loadedMeshes.size(); ++i) {
        meshes[i] = &loadedMeshes[i].emplace(kMeshPaths[i]);
    }
    targets[0] = &createdTargets[0].emplace(800, 600, 800, 600);
    targets[1] = &createdTargets[1].emplace(128, 128, 800, 600);
}

void Content::startMusic() {
    sound.play();
}

const float* Content::currentSpectrum() {
    const float* spectrum = sound.spectrum();
    return spectrum != nullptr ? spectrum : silence.data();
}

void Content::shutdownSound() {
    sound.shutdown();
}
