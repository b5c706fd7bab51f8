#include "app/DemoProgram.h"

#include "app/Timeline.h"
#include "scenes/PhotoScene.h"
#include "scenes/ShellScene.h"
#include "scenes/SphereScene.h"

#include <GL/gl.h>

void DemoProgram::load() {
    loadContent(content, canvas);
    createScenes();
}

// The one place where set entries become what each scene draws with.
void DemoProgram::createScenes() {
    const TextureSet& textures = content.textures;
    const MeshSet& meshes = content.meshes;
    const GlowTargets glow{content.targets[kScreenCopyTarget], content.targets[kBlurTarget], content.layoutCopy};
    const SphereContent sphere{meshes[kRippledSphereMesh], meshes[kRestSphereMesh], textures[kSphereTexture],
                               textures[kBackgroundTexture]};
    const PhotoContent photo{textures[kPhotographTexture]};
    const ShellContent shell{meshes[kShellMesh], textures[kShellTexture], textures[kGreetingsTexture]};
    scenes = {std::make_unique<SphereScene>(sphere, glow), std::make_unique<PhotoScene>(photo, glow),
              std::make_unique<ShellScene>(shell, glow)};
}

void DemoProgram::drawScene(int scene, float t, const float* spectrum) {
    scenes[scene]->render(t, spectrum);
}

void DemoProgram::drawFrame(float t, const float* spectrum) {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    for (int scene = 0; scene < kSceneCount; ++scene) {
        if (sceneShowsAt(scene, t)) {
            drawScene(scene, t, spectrum);
        }
    }
}
