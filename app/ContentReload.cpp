// Loading content again while rehearsing: each object is replaced in place, so
// the scenes, bound once to the objects, draw the new one in the next frame. A
// replacement is loaded beside the old one first, and only a whole one takes its
// place. Native builds only.
#include "app/Content.h"

#include "assets/JpegCheck.h"
#include "assets/MeshFile.h"
#include "assets/RegularFile.h"

#include <GL/gl.h>

#include <cstring>
#include <utility>

namespace {

bool namesJpeg(const char* path) {
    const char* dot = std::strrchr(path, '.');
    return dot != nullptr && (std::strcmp(dot, ".jpg") == 0 || std::strcmp(dot, ".jpeg") == 0 ||
                              std::strcmp(dot, ".JPG") == 0 || std::strcmp(dot, ".JPEG") == 0);
}

}  // namespace

bool Content::reloadTexture(size_t index, const char* path, std::string& why) {
    // The loader ends the process on a damaged JPEG, as the demo always has; here
    // the file is looked at first.
    if (namesJpeg(path) && !jpegDecodesWhole(path, why)) {
        return false;
    }
    Texture fresh(path);
    if (fresh.textureName == 0) {
        why = "it does not load as an image";
        return false;
    }
    Texture& old = *loadedTextures[index];
    glDeleteTextures(1, &old.textureName);
    old.textureName = fresh.textureName;
    old.width = fresh.width;
    old.height = fresh.height;
    return true;
}

bool Content::reloadMesh(size_t index, const char* path, std::string& why) {
    std::FILE* file = openRegularFile(path);
    if (file == nullptr) {
        why = "it cannot be opened";
        return false;
    }
    Mesh fresh;
    const EbrReadResult result = readEbr(file, fresh);
    std::fclose(file);
    if (result != EbrReadResult::complete) {
        why = "it is damaged";
        return false;
    }
    *loadedMeshes[index] = std::move(fresh);
    return true;
}

Content::Reload Content::reloadFile(const std::string& path, double seconds, bool paused, std::string& why) {
    bool used = false;
    bool loaded = true;
    for (size_t i = 0; i < loadedTextures.size() && loaded; ++i) {
        if (path == kTexturePaths[i] && loadedTextures[i]) {
            used = true;
            loaded = reloadTexture(i, kTexturePaths[i], why);
        }
    }
    // Two entries may come from one file; both take the new one.
    for (size_t i = 0; i < loadedMeshes.size() && loaded; ++i) {
        if (path == kMeshPaths[i] && loadedMeshes[i]) {
            used = true;
            loaded = reloadMesh(i, kMeshPaths[i], why);
        }
    }
    if (path == kSoundtrackPath && sound) {
        used = true;
        loaded = sound->reload(kSoundtrackPath, seconds, paused, why);
    }
    if (!used) {
        return Reload::kNotUsed;
    }
    return loaded ? Reload::kReloaded : Reload::kKeptOld;
}
