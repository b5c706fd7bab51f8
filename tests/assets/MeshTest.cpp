#include "assets/EbrWriter.h"
#include "assets/Mesh.h"
#include "assets/Texture.h"
#include "tests/assets/AssetTestFiles.h"
#include "tests/support/GLTestContext.h"

#include <cmath>

// Little-endian int32 fields, and joined byte runs, for files the writer refuses to make.
static std::vector<uint8_t> i32(std::initializer_list<int32_t> values) {
    std::vector<uint8_t> bytes;
    for (int32_t v : values) {
        for (int s = 0; s < 32; s += 8) bytes.push_back(uint8_t(uint32_t(v) >> s));
    }
    return bytes;
}

static std::vector<uint8_t> operator+(std::vector<uint8_t> head, const std::vector<uint8_t>& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

static EbrSubMesh triangle(std::vector<int32_t> face = {0, 1, 2}, std::string name = "") {
    return {name, {0, 0, 0, 1, 0, 0, 0, 1, 0}, {0, 0, 1, 0, 0, 1}, face};
}

static std::string saveEbr(const std::vector<EbrSubMesh>& subs) {
    return saveBytes("mesh.ebr", encodeEbr(subs));
}

static void expectNormal(const SubMesh& sub, int vertex, std::vector<float> expected) {
    for (int c = 0; c < 3; ++c) EXPECT_FLOAT_EQ(sub.normals[vertex * 3 + c], expected[c]) << "vertex " << vertex;
}

// A unit UV sphere of 24 rings and 32 segments (the seam column doubled) as two
// SubMeshes, its northern and southern halves; each triangle is counter-clockwise
// seen from outside.
static std::vector<EbrSubMesh> unitSphere() {
    const int rings = 24, row = 33;
    std::vector<EbrSubMesh> halves(2);
    for (int v = 0; v < (rings + 1) * row; ++v) {
        const double theta = M_PI * (v / row) / rings, phi = 2 * M_PI * (v % row) / (row - 1);
        for (EbrSubMesh& half : halves) {
            half.positions.insert(half.positions.end(), {float(std::sin(theta) * std::cos(phi)), float(std::cos(theta)),
                                                         float(std::sin(theta) * std::sin(phi))});
            half.texCoords.insert(half.texCoords.end(), {float(v % row) / (row - 1), float(v / row) / rings});
        }
        if (v / row < rings && v % row < row - 1) {
            halves[v / row >= rings / 2].faces.insert(halves[v / row >= rings / 2].faces.end(),
                                                      {v, v + 1, v + row, v + 1, v + row + 1, v + row});
        }
    }
    return halves;
}

TEST(MeshFile, smallestFileWithAnyNamesAndTrailingBytesLoadsWithoutMessage) {
    const std::vector<uint8_t> smallest = encodeEbr({triangle()});
    ASSERT_EQ(smallest.size(), 88u);
    // Each file's bytes, and the normal z of each SubMesh: toward the viewer who sees its face counter-clockwise.
    const std::pair<std::vector<uint8_t>, std::vector<float>> files[] = {
        {smallest, {1}}, {smallest + std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7}, {1}}, {encodeEbr({}), {}},
        {encodeEbr({triangle({0, 1, 2}, std::string("a\0b\xff\xc3\xa9", 6)), triangle({0, 2, 1}, std::string(100, 0))}),
         {1, -1}}};
    MessageRecorder messages;
    for (const auto& [bytes, normalZ] : files) {
        Mesh mesh(saveBytes("mesh.ebr", bytes).c_str());
        ASSERT_EQ(mesh.subMeshCount, int32_t(normalZ.size()));
        for (size_t j = 0; j < normalZ.size(); ++j) {
            const SubMesh& sub = *mesh.subMeshes[j];
            ASSERT_EQ(std::make_pair(sub.vertexCount, sub.faceCount), std::make_pair(3, 1));
            EXPECT_EQ(std::vector<float>(sub.positions.get(), sub.positions.get() + 9), triangle().positions);
            EXPECT_EQ(std::vector<float>(sub.texCoords.get(), sub.texCoords.get() + 6), triangle().texCoords);
            const std::vector<int32_t> face(sub.faces.get(), sub.faces.get() + 3);
            EXPECT_EQ(face, (normalZ[j] > 0 ? std::vector<int32_t>{0, 1, 2} : std::vector<int32_t>{0, 2, 1}));
            for (int v = 0; v < 3; ++v) expectNormal(sub, v, {0, 0, normalZ[j]});
        }
        mesh.computeNormals();
    }
    EXPECT_TRUE(messages.boxes.empty());
}

TEST(MeshFile, normalsAreAreaWeightedAndNotANumberWithoutAFace) {
    // 0-2: unit triangle facing +z (area 0.5); 0, 3, 4: area 2 facing +y.
    // 5, 6: only in a face with a repeated index; 7-9: collinear; 10: unreferenced.
    EbrSubMesh sub{"",
                   {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 2, 2, 0, 0, 5, 5, 5, 6, 5, 5, 0, 0, 0, 1, 1, 1, 2, 2, 2, 9, 9, 9},
                   std::vector<float>(22, 0.0f), {0, 1, 2, 0, 3, 4, 5, 6, 5, 7, 8, 9}};
    Mesh mesh(saveEbr({sub}).c_str());
    ASSERT_EQ(mesh.subMeshCount, 1);
    const float len = std::sqrt(17.0f);  // raw cross products summed: (0, 0, 1) + (0, 4, 0)
    expectNormal(*mesh.subMeshes[0], 0, {0, 4 / len, 1 / len});
    expectNormal(*mesh.subMeshes[0], 1, {0, 0, 1});
    expectNormal(*mesh.subMeshes[0], 3, {0, 1, 0});
    for (int k = 5 * 3; k < 11 * 3; ++k) EXPECT_TRUE(std::isnan(mesh.subMeshes[0]->normals[k])) << "vertex " << k / 3;
}

TEST(MeshFile, twoLoadsOfOneFileAreIndependentAndNormalsFollowMovedPositions) {
    const std::string path = saveEbr({triangle()});
    Mesh first(path.c_str()), second(path.c_str());
    ASSERT_EQ(second.subMeshCount, 1);
    first.subMeshes[0]->positions[7] = 0.0f;  // vertex 2 from (0, 1, 0) to (0, 0, 1): the face turns to -y
    first.subMeshes[0]->positions[8] = 1.0f;
    first.computeNormals();
    for (int v = 0; v < 3; ++v) expectNormal(*first.subMeshes[0], v, {0, -1, 0});
    EXPECT_EQ(second.subMeshes[0]->positions[7], 1.0f);
    expectNormal(*second.subMeshes[0], 2, {0, 0, 1});
}

TEST(MeshFile, missingOrDamagedFilesShowOneMessageAndKeepTheWholeSubMeshesBefore) {
    const std::vector<uint8_t> good = encodeEbr({triangle()}), block(good.begin() + 4, good.end());
    // A good block, then one of 3 vertices whose face reaches past them.
    const std::vector<uint8_t> badFace = i32({2}) + block + i32({3, 1, 0}) + std::vector<uint8_t>(60);
    // What, the bytes, and how many SubMeshes are kept (-1: no file at all).
    const std::tuple<const char*, std::vector<uint8_t>, int32_t> cases[] = {
        {"empty file", {}, 0},
        {"count cut short", {1, 0}, 0},
        {"negative SubMesh count", i32({-1}) + block, 0},
        {"absurd SubMesh count", i32({0x7fffffff}) + block, 1},
        {"second block missing", i32({2}) + block, 1},
        {"face cut short", std::vector<uint8_t>(good.begin(), good.end() - 5), 0},
        {"negative vertex count", i32({2}) + block + i32({-3, 0, 0}), 1},
        {"negative face count", i32({1, 0, -1, 0}), 0},
        {"absurd vertex count", i32({1, 0x7fffffff, 0, 0}) + block, 0},
        {"absurd face count", i32({1, 3, 0x7ffffff0, 0}) + block, 0},
        {"name longer than 100", i32({1, 0, 0, 101}) + std::vector<uint8_t>(101), 0},
        {"negative name length", i32({1, 0, 0, -4}), 0},
        {"index equal to the vertex count", badFace + i32({0, 1, 3}), 1},
        {"negative index", badFace + i32({-1, 1, 2}), 1},
        {"missing file", {}, -1},
    };
    for (const auto& [what, bytes, kept] : cases) {
        SCOPED_TRACE(what);
        const std::string path = kept < 0 ? scratchPath("absent.ebr") : saveBytes("mesh.ebr", bytes);
        MessageRecorder messages;
        Mesh mesh(path.c_str());
        const char* text = kept < 0 ? "Error: .ebr file not found" : "Error: .ebr file is damaged";
        EXPECT_EQ(messages.boxes, (decltype(messages.boxes){{path, text}}));
        ASSERT_EQ(mesh.subMeshCount, std::max(kept, 0));
        for (int32_t j = 0; j < mesh.subMeshCount; ++j) expectNormal(*mesh.subMeshes[j], 0, {0, 0, 1});
        mesh.computeNormals();
    }
}

// End to end: a sphere written as .ebr, drawn sphere-mapped with one PNG, and a
// second PNG laid over a corner, checked in the GL state and the frame read back.
TEST(SphereOverlay, sphereMappedSphereAndOverlayShowWhereTheyShouldAndLeaveTheStateAsDocumented) {
    freshGl();
    Mesh sphere(saveEbr(unitSphere()).c_str());
    ASSERT_EQ(sphere.subMeshCount, 2);
    int withNormal = 0;  // each half has normals only where its faces are
    for (int k = 0; k < 2 * sphere.subMeshes[0]->vertexCount; ++k) {
        const SubMesh& sub = *sphere.subMeshes[k % 2];
        const float *n = &sub.normals[k / 2 * 3], *p = &sub.positions[k / 2 * 3];
        withNormal += !std::isnan(n[0]);
        EXPECT_FALSE(n[0] * p[0] + n[1] * p[1] + n[2] * p[2] < 0.98f) << "vertex " << k / 2;  // outward, or NaN
    }
    EXPECT_GT(withNormal, 25 * 33 + 33 - 4);  // the equator is in both; some pole copies touch only degenerate faces

    // Sphere mapping reflects the map by the normals: blue on the left, green on the right.
    TestPng halves{64, 64, PNG_COLOR_TYPE_PALETTE, 8, {}, {0, 0, 255, 0, 255, 0}};
    for (int p = 0; p < 64 * 64; ++p) halves.samples.push_back(p % 64 >= 32);
    Texture environment(savePng(halves).c_str()), overlay(savePng({1, 1, PNG_COLOR_TYPE_RGB, 8, {255, 0, 0}}).c_str());
    ASSERT_NE(environment.textureName * overlay.textureName, 0u);
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_OBJECT_LINEAR);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_EYE_LINEAR);
    glTranslatef(0, 0, -4);
    environment.bind();
    enableSphereMap();
    sphere.draw();
    Mesh(saveEbr({}).c_str()).draw();
    // Drawing leaves the client arrays disabled and generation alone; switching it off keeps the sphere-map mode.
    expectGl({{GL_VERTEX_ARRAY, 0}, {GL_NORMAL_ARRAY, 0}, {GL_TEXTURE_COORD_ARRAY, 0}, {GL_TEXTURE_GEN_S, 1},
              {GL_TEXTURE_GEN_T, 1}});
    disableSphereMap();
    expectGl({{GL_TEXTURE_GEN_S, 0}, {GL_TEXTURE_GEN_T, 0}});
    GLint modes[2] = {0, 0};
    glGetTexGeniv(GL_S, GL_TEXTURE_GEN_MODE, &modes[0]);
    glGetTexGeniv(GL_T, GL_TEXTURE_GEN_MODE, &modes[1]);
    EXPECT_TRUE(modes[0] == GL_SPHERE_MAP && modes[1] == GL_SPHERE_MAP);
    environment.unbind();
    glLoadIdentity();
    overlay.drawOverlay(600, 450, 200, 150, true);
    ASSERT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    if (std::getenv("MORVEL_SAVE_FRAMES")) testgl::saveBmp("sphere-overlay.bmp", 800, 600);
    // Both halves of the sphere (radius about 187 pixels around the centre) reflect each half
    // of the map on its own side; the overlay covers x 600..800, y 450..600 only.
    expectPixels({{280, 360, 0x0000ffff}, {280, 240, 0x0000ffff}, {520, 360, 0x00ff00ff}, {520, 240, 0x00ff00ff}}, 60);
    expectPixels({{400, 500, 0}, {10, 10, 0}, {700, 525, 0xff0000ff}, {799, 599, 0xff0000ff}, {595, 525, 0},
                  {700, 445, 0}}, 0);
}
