#include "assets/EbrWriter.h"

#include <cassert>
#include <cstdio>
#include <cstring>

namespace {

void putInt32(std::vector<uint8_t>& out, int32_t value) {
    uint32_t bits = static_cast<uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<uint8_t>(bits >> shift));
    }
}

void putFloat(std::vector<uint8_t>& out, float value) {
    int32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    putInt32(out, bits);
}

}  // namespace

std::vector<uint8_t> encodeEbr(const std::vector<EbrSubMesh>& subMeshes) {
    std::vector<uint8_t> out;
    putInt32(out, static_cast<int32_t>(subMeshes.size()));
    for (const EbrSubMesh& sub : subMeshes) {
        const size_t vertexCount = sub.positions.size() / 3;
        assert(sub.positions.size() == vertexCount * 3 && sub.texCoords.size() == vertexCount * 2);
        assert(sub.faces.size() % 3 == 0 && sub.name.size() <= 100);
        putInt32(out, static_cast<int32_t>(vertexCount));
        putInt32(out, static_cast<int32_t>(sub.faces.size() / 3));
        putInt32(out, static_cast<int32_t>(sub.name.size()));
        out.insert(out.end(), sub.name.begin(), sub.name.end());
        for (size_t v = 0; v < vertexCount; ++v) {
            for (int c = 0; c < 3; ++c) putFloat(out, sub.positions[v * 3 + c]);
            for (int c = 0; c < 2; ++c) putFloat(out, sub.texCoords[v * 2 + c]);
        }
        for (int32_t index : sub.faces) {
            putInt32(out, index);
        }
    }
    return out;
}

bool writeEbr(const char* path, const std::vector<EbrSubMesh>& subMeshes) {
    std::vector<uint8_t> bytes = encodeEbr(subMeshes);
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) {
        return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}
