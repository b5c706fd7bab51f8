#include "assets/EbrWriter.h"
#include "assets/Mesh.h"
#include "tests/assets/AssetTestFiles.h"
#include "tests/support/GLTestContext.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

using assettest::MessageRecorder;
using assettest::scratchPath;
using assettest::writeBytes;

namespace {

// Little-endian bytes built field by field, for files the writer refuses to make.
struct Bytes {
    std::vector<uint8_t> data;
    Bytes& i32(int32_t v) {
        for (int s = 0; s < 32; s += 8) data.push_back(uint8_t(uint32_t(v) >> s));
        return *this;
    }
    Bytes& f32(float v) {
        int32_t bits;
        std::memcpy(&bits, &v, 4);
        return i32(bits);
    }
    Bytes& raw(const std::vector<uint8_t>& more) {
        data.insert(data.end(), more.begin(), more.end());
        return *this;
    }
};

EbrSubMesh triangle(std::vector<int32_t> face = {0, 1, 2}, std::string name = "") {
    return {name, {0, 0, 0, 1, 0, 0, 0, 1, 0}, {0, 0, 1, 0, 0, 1}, face};
}

std::string saveEbr(const std::vector<uint8_t>& bytes) {
    std::string path = scratchPath("mesh.ebr");
    EXPECT_TRUE(writeBytes(path, bytes));
    return path;
}

std::string saveEbr(const std::vector<EbrSubMesh>& subs) {
    return saveEbr(encodeEbr(subs));
}

void expectNormal(const SubMesh& sub, int vertex, float x, float y, float z) {
    EXPECT_FLOAT_EQ(sub.normals[vertex * 3 + 0], x) << "vertex " << vertex;
    EXPECT_FLOAT_EQ(sub.normals[vertex * 3 + 1], y) << "vertex " << vertex;
    EXPECT_FLOAT_EQ(sub.normals[vertex * 3 + 2], z) << "vertex " << vertex;
}

bool normalIsNaN(const SubMesh& sub, int vertex) {
    return std::isnan(sub.normals[vertex * 3]) && std::isnan(sub.normals[vertex * 3 + 1]) &&
           std::isnan(sub.normals[vertex * 3 + 2]);
}

}  // namespace

TEST(MeshFile, smallestFileLoadsWithNormalsTowardTheCounterClockwiseViewer) {
    std::vector<uint8_t> bytes = encodeEbr({triangle()});
    ASSERT_EQ(bytes.size(), 88u);
    MessageRecorder messages;
    Mesh mesh(saveEbr(bytes).c_str());
    EXPECT_TRUE(messages.boxes.empty());
    ASSERT_EQ(mesh.subMeshCount, 1);
    const SubMesh& sub = *mesh.subMeshes[0];
    EXPECT_EQ(sub.vertexCount, 3);
    EXPECT_EQ(sub.faceCount, 1);
    const float positions[] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    const float texCoords[] = {0, 0, 1, 0, 0, 1};
    EXPECT_EQ(std::memcmp(sub.positions.get(), positions, sizeof positions), 0);
    EXPECT_EQ(std::memcmp(sub.texCoords.get(), texCoords, sizeof texCoords), 0);
    EXPECT_EQ(sub.faces[0], 0);
    EXPECT_EQ(sub.faces[1], 1);
    EXPECT_EQ(sub.faces[2], 2);
    for (int v = 0; v < 3; ++v) expectNormal(sub, v, 0, 0, 1);
}

TEST(MeshFile, reversedFaceTurnsTheNormalsAround) {
    Mesh mesh(saveEbr({triangle({0, 2, 1})}).c_str());
    ASSERT_EQ(mesh.subMeshCount, 1);
    for (int v = 0; v < 3; ++v) expectNormal(*mesh.subMeshes[0], v, 0, 0, -1);
}

TEST(MeshFile, zeroSubMeshesGiveAnEmptyMeshWithoutMessage) {
    MessageRecorder messages;
    Mesh mesh(saveEbr(encodeEbr({})).c_str());
    EXPECT_EQ(mesh.subMeshCount, 0);
    EXPECT_TRUE(messages.boxes.empty());
    mesh.computeNormals();
}

TEST(MeshFile, namesOfAnyBytesAreSkippedWithoutEffect) {
    std::string odd("a\0b\xff\xc3\xa9", 6);
    Mesh plain(saveEbr({triangle({0, 1, 2}, "")}).c_str());
    Mesh named(saveEbr({triangle({0, 1, 2}, odd), triangle({0, 2, 1}, std::string(100, '\0'))}).c_str());
    ASSERT_EQ(named.subMeshCount, 2);
    EXPECT_EQ(std::memcmp(plain.subMeshes[0]->positions.get(), named.subMeshes[0]->positions.get(), 36), 0);
    EXPECT_EQ(std::memcmp(plain.subMeshes[0]->texCoords.get(), named.subMeshes[0]->texCoords.get(), 24), 0);
    expectNormal(*named.subMeshes[1], 0, 0, 0, -1);
    EXPECT_EQ(named.subMeshes[1]->faces[1], 2);
}

TEST(MeshFile, bytesAfterTheLastBlockAreIgnored) {
    std::vector<uint8_t> bytes = encodeEbr({triangle()});
    bytes.insert(bytes.end(), {1, 2, 3, 4, 5, 6, 7});
    MessageRecorder messages;
    Mesh mesh(saveEbr(bytes).c_str());
    EXPECT_TRUE(messages.boxes.empty());
    ASSERT_EQ(mesh.subMeshCount, 1);
    expectNormal(*mesh.subMeshes[0], 2, 0, 0, 1);
}

TEST(MeshFile, twoLoadsOfOneFileAreIndependent) {
    std::string path = saveEbr({triangle()});
    Mesh first(path.c_str());
    Mesh second(path.c_str());
    ASSERT_EQ(second.subMeshCount, 1);
    first.subMeshes[0]->positions[5] = 4.0f;  // move vertex 1 off the plane
    first.computeNormals();
    EXPECT_NE(first.subMeshes[0]->positions.get(), second.subMeshes[0]->positions.get());
    EXPECT_EQ(second.subMeshes[0]->positions[5], 0.0f);
    expectNormal(*second.subMeshes[0], 1, 0, 0, 1);
    EXPECT_LT(first.subMeshes[0]->normals[2], 0.99f);
}

TEST(MeshFile, missingFileShowsNotFoundOnceAndGivesAnEmptyMesh) {
    MessageRecorder messages;
    std::string path = scratchPath("absent.ebr");
    Mesh mesh(path.c_str());
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].first, path);
    EXPECT_EQ(messages.boxes[0].second, "Error: .ebr file not found");
    EXPECT_EQ(mesh.subMeshCount, 0);
    mesh.computeNormals();
}

// Each damaged file: one box naming the path, and only the whole SubMeshes before the damage.
struct DamageCase {
    const char* what;
    std::vector<uint8_t> bytes;
    int32_t keptSubMeshes;
};

std::vector<DamageCase> damageCases() {
    const std::vector<uint8_t> good = encodeEbr({triangle()});
    const std::vector<uint8_t> goodBlock(good.begin() + 4, good.end());
    std::vector<DamageCase> cases;
    cases.push_back({"empty file", {}, 0});
    cases.push_back({"count cut short", {1, 0}, 0});
    cases.push_back({"negative SubMesh count", Bytes().i32(-1).raw(goodBlock).data, 0});
    cases.push_back({"absurd SubMesh count", Bytes().i32(0x7fffffff).raw(goodBlock).data, 1});
    cases.push_back({"second block missing", Bytes().i32(2).raw(goodBlock).data, 1});
    std::vector<uint8_t> cut(good.begin(), good.end() - 5);
    cases.push_back({"face cut short", cut, 0});
    cases.push_back({"negative vertex count", Bytes().i32(2).raw(goodBlock).i32(-3).i32(0).i32(0).data, 1});
    cases.push_back({"negative face count", Bytes().i32(1).i32(0).i32(-1).i32(0).data, 0});
    cases.push_back({"absurd vertex count", Bytes().i32(1).i32(0x7fffffff).i32(0).i32(0).raw(goodBlock).data, 0});
    cases.push_back({"absurd face count", Bytes().i32(1).i32(3).i32(0x7ffffff0).i32(0).raw(goodBlock).data, 0});
    cases.push_back({"name longer than 100", Bytes().i32(1).i32(0).i32(0).i32(101).raw(std::vector<uint8_t>(101)).data, 0});
    cases.push_back({"negative name length", Bytes().i32(1).i32(0).i32(0).i32(-4).data, 0});
    Bytes pastEnd;
    pastEnd.i32(2).raw(goodBlock).i32(3).i32(1).i32(0);
    for (int k = 0; k < 15; ++k) pastEnd.f32(0.5f);
    cases.push_back({"index equal to the vertex count", Bytes(pastEnd).i32(0).i32(1).i32(3).data, 1});
    cases.push_back({"negative index", Bytes(pastEnd).i32(-1).i32(1).i32(2).data, 1});
    return cases;
}

TEST(MeshFile, eachKindOfDamageShowsOneMessageAndKeepsTheWholeSubMeshesBeforeIt) {
    for (const DamageCase& c : damageCases()) {
        SCOPED_TRACE(c.what);
        std::string path = saveEbr(c.bytes);
        MessageRecorder messages;
        Mesh mesh(path.c_str());
        ASSERT_EQ(messages.boxes.size(), 1u);
        EXPECT_EQ(messages.boxes[0].first, path);
        EXPECT_EQ(messages.boxes[0].second, "Error: .ebr file is damaged");
        ASSERT_EQ(mesh.subMeshCount, c.keptSubMeshes);
        for (int32_t j = 0; j < mesh.subMeshCount; ++j) {
            ASSERT_NE(mesh.subMeshes[j], nullptr);
            expectNormal(*mesh.subMeshes[j], 0, 0, 0, 1);
        }
        mesh.computeNormals();
    }
}

TEST(SubMeshNormals, largerTriangleDominatesASharedVertex) {
    // Vertex 0 is shared: a unit triangle in the xy plane (normal +z, area 0.5)
    // and a triangle of area 2 in the xz plane facing +y.
    EbrSubMesh sub{"", {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 2, 2, 0, 0}, std::vector<float>(10, 0.0f), {0, 1, 2, 0, 3, 4}};
    Mesh mesh(saveEbr({sub}).c_str());
    ASSERT_EQ(mesh.subMeshCount, 1);
    // Sum of the raw cross products: (0, 0, 1) + (0, 4, 0).
    const float len = std::sqrt(17.0f);
    expectNormal(*mesh.subMeshes[0], 0, 0, 4 / len, 1 / len);
    expectNormal(*mesh.subMeshes[0], 1, 0, 0, 1);
    expectNormal(*mesh.subMeshes[0], 3, 0, 1, 0);
}

TEST(SubMeshNormals, unreferencedAndDegenerateOnlyVerticesBecomeNotANumber) {
    // Vertices 0-2: a real triangle. 3 and 4: only in a face with a repeated index.
    // 5, 6, 7: collinear. 8: referenced by nothing.
    std::vector<float> positions = {0, 0, 0, 1, 0, 0, 0, 1, 0, 5, 5, 5, 6, 5, 5, 0, 0, 0, 1, 1, 1, 2, 2, 2, 9, 9, 9};
    EbrSubMesh sub{"", positions, std::vector<float>(18, 0.0f), {0, 1, 2, 3, 4, 3, 5, 6, 7}};
    Mesh mesh(saveEbr({sub}).c_str());
    ASSERT_EQ(mesh.subMeshCount, 1);
    expectNormal(*mesh.subMeshes[0], 0, 0, 0, 1);
    for (int v = 3; v <= 8; ++v) EXPECT_TRUE(normalIsNaN(*mesh.subMeshes[0], v)) << "vertex " << v;
}

TEST(SubMeshNormals, recomputingFollowsMovedPositions) {
    Mesh mesh(saveEbr({triangle()}).c_str());
    SubMesh& sub = *mesh.subMeshes[0];
    sub.positions[7] = 0.0f;  // vertex 2 from (0, 1, 0) to (0, 0, 1): the face now faces -y
    sub.positions[8] = 1.0f;
    mesh.computeNormals();
    for (int v = 0; v < 3; ++v) expectNormal(sub, v, 0, -1, 0);
}

TEST(MeshDraw, leavesTheThreeClientArraysDisabledAndTexGenUntouched) {
    testgl::ensureContext();
    testgl::resetState();
    Mesh mesh(saveEbr({triangle(), triangle({0, 2, 1})}).c_str());
    Mesh empty(saveEbr(encodeEbr({})).c_str());
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    enableSphereMap();
    mesh.draw();
    empty.draw();
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_NORMAL_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_GEN_S));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_GEN_T));
    GLvoid* pointer = nullptr;
    glGetPointerv(GL_VERTEX_ARRAY_POINTER, &pointer);
    EXPECT_EQ(pointer, mesh.subMeshes[1]->positions.get());
    disableSphereMap();
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST(SphereMap, switchesGenerationAndKeepsTheModeWhenOff) {
    testgl::ensureContext();
    testgl::resetState();
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_OBJECT_LINEAR);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_EYE_LINEAR);
    enableSphereMap();
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_GEN_S));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_GEN_T));
    disableSphereMap();
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_T));
    GLint modeS = 0, modeT = 0;
    glGetTexGeniv(GL_S, GL_TEXTURE_GEN_MODE, &modeS);
    glGetTexGeniv(GL_T, GL_TEXTURE_GEN_MODE, &modeT);
    EXPECT_EQ(modeS, GL_SPHERE_MAP);
    EXPECT_EQ(modeT, GL_SPHERE_MAP);
}
