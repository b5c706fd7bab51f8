#include "assets/MeshFile.h"

#include "assets/Mesh.h"
#include "assets/RegularFile.h"
#include "platform/MessageBox.h"

#include <cstdint>
#include <cstring>
#include <new>

namespace {

constexpr int64_t kHeaderBytes = 12;
constexpr int64_t kVertexBytes = 20;
constexpr int64_t kFaceBytes = 12;
constexpr int32_t kMaxNameLength = 100;

// A stream with a known number of bytes left, read little-endian.
struct EbrStream {
    std::FILE* file;
    int64_t bytesLeft;

    bool readBytes(void* out, int64_t count) {
        if (count > bytesLeft || std::fread(out, 1, static_cast<size_t>(count), file) != static_cast<size_t>(count)) {
            bytesLeft = 0;
            return false;
        }
        bytesLeft -= count;
        return true;
    }

    bool readInt32(int32_t& value) {
        uint8_t b[4];
        if (!readBytes(b, 4)) {
            return false;
        }
        uint32_t bits = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
        value = static_cast<int32_t>(bits);
        return true;
    }

    bool readFloat(float& value) {
        int32_t bits;
        if (!readInt32(bits)) {
            return false;
        }
        std::memcpy(&value, &bits, sizeof value);
        return true;
    }
};

// Bytes from the current position to the end, or -1 when the stream cannot seek.
int64_t bytesToEnd(std::FILE* file) {
    long start = std::ftell(file);
    if (start < 0 || std::fseek(file, 0, SEEK_END) != 0) {
        return -1;
    }
    long end = std::ftell(file);
    if (end < start || std::fseek(file, start, SEEK_SET) != 0) {
        return -1;
    }
    return end - start;
}

bool readVertices(EbrStream& in, SubMesh& sub) {
    for (int32_t k = 0; k < sub.vertexCount; ++k) {
        float* position = &sub.positions[size_t(k) * 3];
        float* texCoord = &sub.texCoords[size_t(k) * 2];
        if (!in.readFloat(position[0]) || !in.readFloat(position[1]) || !in.readFloat(position[2]) ||
            !in.readFloat(texCoord[0]) || !in.readFloat(texCoord[1])) {
            return false;
        }
    }
    return true;
}

// Reads the face records, refusing any index outside 0 .. vertexCount - 1.
bool readFaces(EbrStream& in, SubMesh& sub) {
    const size_t indexCount = size_t(sub.faceCount) * 3;
    for (size_t i = 0; i < indexCount; ++i) {
        int32_t index;
        if (!in.readInt32(index) || index < 0 || index >= sub.vertexCount) {
            return false;
        }
        sub.faces[i] = index;
    }
    return true;
}

// One SubMesh block, or null when it is damaged.
std::unique_ptr<SubMesh> readSubMesh(EbrStream& in) {
    int32_t vertexCount, faceCount, nameLength;
    if (!in.readInt32(vertexCount) || !in.readInt32(faceCount) || !in.readInt32(nameLength)) {
        return nullptr;
    }
    if (vertexCount < 0 || faceCount < 0 || nameLength < 0 || nameLength > kMaxNameLength) {
        return nullptr;
    }
    // The block must fit in what is left before its arrays are sized from it.
    const int64_t blockBytes = nameLength + kVertexBytes * vertexCount + kFaceBytes * faceCount;
    if (blockBytes > in.bytesLeft) {
        return nullptr;
    }
    char name[kMaxNameLength];  // read and discarded: SubMeshes keep no name
    if (!in.readBytes(name, nameLength)) {
        return nullptr;
    }
    std::unique_ptr<SubMesh> sub = SubMesh::allocate(vertexCount, faceCount);
    if (!sub || !readVertices(in, *sub) || !readFaces(in, *sub)) {
        return nullptr;
    }
    sub->computeNormals();
    return sub;
}

}  // namespace

EbrReadResult readEbr(std::FILE* file, Mesh& mesh) {
    EbrStream in{file, bytesToEnd(file)};
    int32_t announced;
    if (in.bytesLeft < 0 || !in.readInt32(announced) || announced < 0) {
        return EbrReadResult::damaged;
    }
    // Every block needs at least its header, which bounds the table size.
    const int64_t capacity = announced < in.bytesLeft / kHeaderBytes ? announced : in.bytesLeft / kHeaderBytes;
    mesh.subMeshes.reset(new (std::nothrow) std::unique_ptr<SubMesh>[size_t(capacity)]);
    if (!mesh.subMeshes) {
        return EbrReadResult::damaged;
    }
    for (int32_t j = 0; j < announced; ++j) {
        std::unique_ptr<SubMesh> sub = j < capacity ? readSubMesh(in) : nullptr;
        if (!sub) {
            return EbrReadResult::damaged;
        }
        mesh.subMeshes[j] = std::move(sub);
        mesh.subMeshCount = j + 1;
    }
    return EbrReadResult::complete;
}

Mesh::Mesh(const char* path) {
    std::FILE* file = openRegularFile(path);
    if (file == nullptr) {
        showMessageBox(path, "Error: .ebr file not found");
        return;
    }
    EbrReadResult result = readEbr(file, *this);
    std::fclose(file);
    if (result == EbrReadResult::damaged) {
        showMessageBox(path, "Error: .ebr file is damaged");
    }
}
