#include "app/Content.h"

#include "assets/Mesh.h"
#include "assets/Texture.h"
#include "fx/RenderTarget.h"

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
    for (size_t i = 0; i < ownedTextures.size(); ++i) {
        ownedTextures[i] = std::make_unique<Texture>(kTexturePaths[i]);
        textures[i] = ownedTextures[i].get();
    }
    for (size_t i = 0; i < ownedMeshes.size(); ++i) {
        ownedMeshes[i] = std::make_unique<Mesh>(kMeshPaths[i]);
        meshes[i] = ownedMeshes[i].get();
    }
    ownedTargets[0] = std::make_unique<RenderTarget>(800, 600, 800, 600);
    ownedTargets[1] = std::make_unique<RenderTarget>(128, 128, 800, 600);
    targets = {ownedTargets[0].get(), ownedTargets[1].get()};
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
