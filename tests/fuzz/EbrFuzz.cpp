// libFuzzer target for the .ebr reader: any bytes must load without reading or
// writing out of bounds, and whatever is kept must be safe to renormalise.
#include "assets/EbrWriter.h"
#include "assets/Mesh.h"
#include "assets/MeshFile.h"
#include "platform/MessageBox.h"
#include "tests/fuzz/FuzzSupport.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// A Mesh to read into, made once: construction from a missing path gives the
// empty Mesh the reader expects.
Mesh& emptyMesh() {
    static Mesh* mesh = [] {
        setMessageSink([](const char*, const char*) {});
        return new Mesh("");
    }();
    mesh->subMeshCount = 0;
    mesh->subMeshes.reset();
    return *mesh;
}

void checkKeptSubMeshes(const Mesh& mesh) {
    for (int32_t j = 0; j < mesh.subMeshCount; ++j) {
        const SubMesh* sub = mesh.subMeshes[j].get();
        if (sub == nullptr) std::abort();
        for (int32_t i = 0; i < sub->faceCount * 3; ++i) {
            if (sub->faces[i] < 0 || sub->faces[i] >= sub->vertexCount) std::abort();
        }
    }
}

// Seeds for an empty corpus: valid files of a few shapes.
void writeSeeds(const std::string& dir) {
    EbrSubMesh triangle{"tri", {0, 0, 0, 1, 0, 0, 0, 1, 0}, {0, 0, 1, 0, 0, 1}, {0, 1, 2}};
    EbrSubMesh quad{"", {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0}, {0, 0, 1, 0, 1, 1, 0, 1}, {0, 1, 2, 0, 2, 3}};
    writeEbr((dir + "/seed-empty.ebr").c_str(), {});
    writeEbr((dir + "/seed-triangle.ebr").c_str(), {triangle});
    writeEbr((dir + "/seed-two.ebr").c_str(), {quad, triangle});
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (const char* dir = std::getenv("FUZZ_SEED_DIR")) {
        writeSeeds(dir);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::FILE* file = fuzz::openBytes(data, size);
    if (file == nullptr) {
        return 0;
    }
    Mesh& mesh = emptyMesh();
    readEbr(file, mesh);
    std::fclose(file);
    checkKeptSubMeshes(mesh);
    mesh.computeNormals();
    return 0;
}
