// The generated meshes, read back through the demo's own .ebr reader.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "assets/Mesh.h"
#include "assets/PngImage.h"
#include "platform/MessageBox.h"
#include "tests/tools/GeneratedTree.h"

namespace {

const char* const kMeshFiles[] = {"hisphere.ebr", "turtleskall.ebr", "squid01.ebr", "chamferbox.ebr", "test.ebr"};

// Loads a generated mesh, recording any message box it shows.
struct LoadedMesh {
    std::vector<std::string> messages;
    std::unique_ptr<Mesh> mesh;
    explicit LoadedMesh(const std::string& name) {
        MessageSink previous = setMessageSink([this](const char* caption, const char* text) {
            messages.push_back(std::string(caption) + ": " + text);
        });
        mesh = std::make_unique<Mesh>(generatedFile("data/obj/" + name).c_str());
        setMessageSink(previous);
    }
    const SubMesh& sub(int i) const { return *mesh->subMeshes[i]; }
};

Vec3 position(const SubMesh& s, int32_t i) {
    return {s.positions[i * 3], s.positions[i * 3 + 1], s.positions[i * 3 + 2]};
}

struct Box {
    Vec3 lo{1e9f, 1e9f, 1e9f}, hi{-1e9f, -1e9f, -1e9f};
};

Box boundsOf(const SubMesh& s) {
    Box box;
    for (int32_t i = 0; i < s.vertexCount; ++i) {
        Vec3 p = position(s, i);
        box.lo = {std::fmin(box.lo.x, p.x), std::fmin(box.lo.y, p.y), std::fmin(box.lo.z, p.z)};
        box.hi = {std::fmax(box.hi.x, p.x), std::fmax(box.hi.y, p.y), std::fmax(box.hi.z, p.z)};
    }
    return box;
}

// Vertex ids with coincident positions merged, so flat-shaded facets that
// repeat a corner still count as one surface.
std::vector<int32_t> weldedIds(const SubMesh& s) {
    std::map<std::tuple<float, float, float>, int32_t> seen;
    std::vector<int32_t> ids(s.vertexCount);
    for (int32_t i = 0; i < s.vertexCount; ++i) {
        Vec3 p = position(s, i);
        ids[i] = seen.emplace(std::make_tuple(p.x, p.y, p.z), static_cast<int32_t>(seen.size())).first->second;
    }
    return ids;
}

// Empty when every edge (a, b) of the faces occurs exactly once and its
// reverse (b, a) exactly once too: a closed, consistently wound surface.
std::string closureFault(const SubMesh& s, const std::vector<int32_t>& ids) {
    std::map<std::pair<int32_t, int32_t>, int> edges;
    for (int32_t f = 0; f < s.faceCount; ++f) {
        for (int k = 0; k < 3; ++k) {
            int32_t a = ids[s.faces[f * 3 + k]], b = ids[s.faces[f * 3 + (k + 1) % 3]];
            if (a == b) return "a face repeats a corner";
            if (++edges[{a, b}] > 1) return "an edge is used twice in the same direction";
        }
    }
    for (const auto& edge : edges) {
        if (edges.count({edge.first.second, edge.first.first}) == 0) return "an edge has no neighbour";
    }
    return "";
}

// Volume enclosed by the faces; positive when they face outward.
double signedVolume(const SubMesh& s) {
    double volume = 0;
    for (int32_t f = 0; f < s.faceCount; ++f) {
        Vec3 a = position(s, s.faces[f * 3]), b = position(s, s.faces[f * 3 + 1]), c = position(s, s.faces[f * 3 + 2]);
        Vec3 bc = cross(b, c);
        volume += (static_cast<double>(a.x) * bc.x + static_cast<double>(a.y) * bc.y + static_cast<double>(a.z) * bc.z) / 6.0;
    }
    return volume;
}

// Number of separate pieces: vertices joined by shared faces.
int componentCount(const SubMesh& s) {
    std::vector<int32_t> parent(s.vertexCount);
    for (int32_t i = 0; i < s.vertexCount; ++i) parent[i] = i;
    auto root = [&](int32_t i) {
        while (parent[i] != i) i = parent[i] = parent[parent[i]];
        return i;
    };
    for (int32_t f = 0; f < s.faceCount; ++f) {
        parent[root(s.faces[f * 3])] = root(s.faces[f * 3 + 1]);
        parent[root(s.faces[f * 3 + 1])] = root(s.faces[f * 3 + 2]);
    }
    std::set<int32_t> roots;
    for (int32_t i = 0; i < s.vertexCount; ++i) roots.insert(root(i));
    return static_cast<int>(roots.size());
}

}  // namespace

TEST(GeneratedMeshes, everyFileLoadsWholeWithoutAMessage) {
    for (const char* name : kMeshFiles) {
        SCOPED_TRACE(name);
        LoadedMesh loaded(name);
        EXPECT_TRUE(loaded.messages.empty()) << loaded.messages.front();
        ASSERT_GT(loaded.mesh->subMeshCount, 0);
        for (int i = 0; i < loaded.mesh->subMeshCount; ++i) {
            const SubMesh& s = loaded.sub(i);
            ASSERT_GT(s.faceCount, 0);
            for (int32_t k = 0; k < s.faceCount * 3; ++k) {
                ASSERT_TRUE(s.faces[k] >= 0 && s.faces[k] < s.vertexCount);
            }
            // A finite normal everywhere means no stray vertex without a real face.
            for (int32_t k = 0; k < s.vertexCount * 3; ++k) ASSERT_TRUE(std::isfinite(s.normals[k]));
            for (int32_t k = 0; k < s.vertexCount * 2; ++k) {
                ASSERT_TRUE(s.texCoords[k] >= -0.01f && s.texCoords[k] <= 1.01f) << s.texCoords[k];
            }
        }
    }
}

TEST(GeneratedMeshes, everySurfaceIsClosedAndWoundOutward) {
    for (const char* name : kMeshFiles) {
        LoadedMesh loaded(name);
        for (int i = 0; i < loaded.mesh->subMeshCount; ++i) {
            SCOPED_TRACE(std::string(name) + " SubMesh " + std::to_string(i));
            const SubMesh& s = loaded.sub(i);
            EXPECT_EQ(closureFault(s, weldedIds(s)), "");
            EXPECT_GT(signedVolume(s), 0.0);
        }
    }
}

TEST(GeneratedMeshes, sphereIsAGeodesicOfRadiusFiftyWithSmoothRadialNormals) {
    LoadedMesh loaded("hisphere.ebr");
    ASSERT_EQ(loaded.mesh->subMeshCount, 1);
    const SubMesh& s = loaded.sub(0);
    EXPECT_EQ(s.vertexCount, 10242);
    EXPECT_EQ(s.faceCount, 20480);
    const float cosThreeDegrees = std::cos(3.0f * 3.14159265f / 180.0f);
    for (int32_t i = 0; i < s.vertexCount; ++i) {
        Vec3 p = position(s, i);
        float r = std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z);
        ASSERT_NEAR(r, 50.0f, 1e-3f);
        float along = (p.x * s.normals[i * 3] + p.y * s.normals[i * 3 + 1] + p.z * s.normals[i * 3 + 2]) / r;
        ASSERT_GT(along, cosThreeDegrees) << "vertex " << i;
    }
}

TEST(GeneratedMeshes, sphereSharesEveryVertexSoItHasNoSeam) {
    LoadedMesh loaded("hisphere.ebr");
    const SubMesh& s = loaded.sub(0);
    std::vector<int32_t> ids(s.vertexCount);
    for (int32_t i = 0; i < s.vertexCount; ++i) ids[i] = i;
    // Closed by index alone: a duplicated seam vertex would leave open edges.
    EXPECT_EQ(closureFault(s, ids), "");
    EXPECT_EQ(weldedIds(s).back(), s.vertexCount - 1) << "two vertices share a position";
}

TEST(GeneratedMeshes, shellIsAboutOneHundredTwentyLongCentredAndDomedUpward) {
    LoadedMesh loaded("turtleskall.ebr");
    ASSERT_EQ(loaded.mesh->subMeshCount, 1);
    const SubMesh& s = loaded.sub(0);
    Box box = boundsOf(s);
    EXPECT_NEAR(box.hi.z - box.lo.z, 120.0f, 10.0f);
    EXPECT_GT(box.hi.x - box.lo.x, 80.0f);
    EXPECT_LT(box.hi.x - box.lo.x, box.hi.z - box.lo.z);
    EXPECT_GT(box.hi.y - box.lo.y, 25.0f);
    EXPECT_LT(box.hi.y - box.lo.y, 50.0f);
    EXPECT_NEAR(box.lo.x + box.hi.x, 0.0f, 0.01f);
    EXPECT_NEAR(box.lo.y + box.hi.y, 0.0f, 0.01f);
    EXPECT_NEAR(box.lo.z + box.hi.z, 0.0f, 0.01f);
    // The carapace's crown faces up and the belly down.
    int32_t top = 0, bottom = 0;
    for (int32_t i = 0; i < s.vertexCount; ++i) {
        if (position(s, i).y > position(s, top).y) top = i;
        if (position(s, i).y < position(s, bottom).y) bottom = i;
    }
    EXPECT_GT(s.normals[top * 3 + 1], 0.9f);
    EXPECT_LT(s.normals[bottom * 3 + 1], -0.9f);
    // Measured from the rim (the widest point), the dome rises well over
    // twice as far as the flatter underside sinks.
    int32_t side = 0;
    for (int32_t i = 0; i < s.vertexCount; ++i) {
        if (position(s, i).x > position(s, side).x) side = i;
    }
    float rimY = position(s, side).y;
    EXPECT_GT(box.hi.y - rimY, 2.0f * (rimY - box.lo.y));
}

TEST(GeneratedMeshes, squidHasItsFourNamedPartsAlongOneAxis) {
    LoadedMesh loaded("squid01.ebr");
    ASSERT_EQ(loaded.mesh->subMeshCount, 4);
    // Mantle, fins, head with two eyes, and eight arms with two tentacles.
    EXPECT_EQ(componentCount(loaded.sub(0)), 1);
    EXPECT_EQ(componentCount(loaded.sub(1)), 1);
    EXPECT_EQ(componentCount(loaded.sub(2)), 3);
    EXPECT_EQ(componentCount(loaded.sub(3)), 10);
    Box arms = boundsOf(loaded.sub(3)), mantle = boundsOf(loaded.sub(0));
    EXPECT_GT(mantle.hi.z, 60.0f);
    EXPECT_LT(arms.lo.z, -40.0f);
    EXPECT_GT(mantle.hi.z - arms.lo.z, 120.0f);
}

TEST(GeneratedMeshes, chamferBoxHasFlatFacetsOnASixtyUnitCube) {
    LoadedMesh loaded("chamferbox.ebr");
    ASSERT_EQ(loaded.mesh->subMeshCount, 1);
    const SubMesh& s = loaded.sub(0);
    // 6 faces and 12 chamfers (two triangles each) and 8 corner triangles.
    EXPECT_EQ(s.faceCount, 44);
    Box box = boundsOf(s);
    EXPECT_FLOAT_EQ(box.hi.x - box.lo.x, 60.0f);
    EXPECT_FLOAT_EQ(box.hi.y - box.lo.y, 60.0f);
    // Each face's corners carry that face's normal, so the facets shade flat.
    for (int32_t f = 0; f < s.faceCount; ++f) {
        const int32_t* c = &s.faces[f * 3];
        for (int k = 1; k < 3; ++k) {
            for (int axis = 0; axis < 3; ++axis) {
                ASSERT_NEAR(s.normals[c[0] * 3 + axis], s.normals[c[k] * 3 + axis], 1e-5f) << "face " << f;
            }
        }
    }
}

TEST(GeneratedMeshes, testModelStoresTwoNamedSubMeshes) {
    std::vector<unsigned char> bytes = fileBytes(generatedFile("data/obj/test.ebr"));
    auto int32At = [&](size_t at) {
        int32_t v;
        std::memcpy(&v, &bytes[at], 4);
        return v;
    };
    ASSERT_GE(bytes.size(), 16u);
    ASSERT_EQ(int32At(0), 2);
    std::vector<std::string> names;
    size_t at = 4;
    for (int i = 0; i < 2; ++i) {
        ASSERT_LE(at + 12, bytes.size());
        int32_t vertices = int32At(at), faces = int32At(at + 4), length = int32At(at + 8);
        ASSERT_TRUE(length > 0 && length <= 100);
        names.emplace_back(reinterpret_cast<const char*>(&bytes[at + 12]), length);
        at += 12 + length + 20 * static_cast<size_t>(vertices) + 12 * static_cast<size_t>(faces);
    }
    EXPECT_EQ(at, bytes.size());
    EXPECT_EQ(names, (std::vector<std::string>{"pyramid", "torus"}));
}

TEST(GeneratedMeshes, shellMapsCarapaceToThePlanViewAndUndersideToAPalePlastronStrip) {
    LoadedMesh loaded("turtleskall.ebr");
    const SubMesh& s = loaded.sub(0);
    PngPixels green;
    ASSERT_TRUE(decodePng(generatedFile("data/tex/green.png").c_str(), false, green));
    auto brightness = [&](float u, float v) {
        uint32_t x = std::min(green.width - 1, static_cast<uint32_t>(u * green.width));
        uint32_t y = std::min(green.height - 1, static_cast<uint32_t>(v * green.height));
        const uint8_t* q = &green.bytes[(static_cast<size_t>(y) * green.width + x) * 3];
        return std::array<int, 3>{q[0], q[1], q[2]};
    };
    // t runs from the head (+z, top of the image) back, one texture height per
    // 120 units, everywhere. The carapace and rim take s from x as well, so
    // the painted scutes land on the relief; the underside takes it from |x|
    // inside a narrow strip by the image's edge that the plan view never reaches.
    const float tAtOrigin = s.texCoords[1] + position(s, 0).z / 120.0f;
    float lowestPlanY = 1e9f, highestStripY = -1e9f, stripPerUnit = 0.0f;
    double planLight = 0, stripLight = 0;
    int planCount = 0, stripCount = 0;
    std::vector<bool> inStrip(s.vertexCount);
    for (int32_t i = 0; i < s.vertexCount; ++i) {
        Vec3 p = position(s, i);
        float u = s.texCoords[i * 2], v = s.texCoords[i * 2 + 1];
        ASSERT_NEAR(v, tAtOrigin - p.z / 120.0f, 1e-4f) << "vertex " << i;
        std::array<int, 3> texel = brightness(u, v);
        int light = texel[0] + texel[1] + texel[2];
        if (std::fabs(u - (0.5f + p.x / 120.0f)) < 1e-4f) {
            lowestPlanY = std::min(lowestPlanY, p.y);
            planLight += light;
            ++planCount;
            continue;
        }
        ASSERT_LT(u, 0.08f) << "vertex " << i;
        if (stripPerUnit == 0.0f && std::fabs(p.x) > 10.0f) stripPerUnit = u / std::fabs(p.x);
        if (stripPerUnit > 0.0f) {
            ASSERT_NEAR(u, std::fabs(p.x) * stripPerUnit, 1e-4f) << "vertex " << i;
        }
        highestStripY = std::max(highestStripY, p.y);
        inStrip[i] = true;
        EXPECT_GT(texel[0], texel[2]) << "vertex " << i;
        stripLight += light;
        ++stripCount;
    }
    // The paint changes cleanly along the rim's foot: no face spans both
    // mappings, and the carapace's reaches down to where the plastron's begins.
    EXPECT_GT(stripCount, s.vertexCount / 6);
    EXPECT_NEAR(highestStripY, lowestPlanY, 1e-3f);
    for (int32_t f = 0; f < s.faceCount; ++f) {
        const int32_t* c = &s.faces[f * 3];
        ASSERT_TRUE(inStrip[c[0]] == inStrip[c[1]] && inStrip[c[1]] == inStrip[c[2]]) << "face " << f;
    }
    // The plastron is pale against the dark carapace, split by a darker centre seam.
    EXPECT_GT(stripLight / stripCount, 1.6 * planLight / planCount);
    int seam = 0, plates = 0;
    for (float v = 0.3f; v < 0.7f; v += 0.01f) {
        std::array<int, 3> a = brightness(0.0f, v), b = brightness(0.03f, v);
        seam += a[0] + a[1] + a[2];
        plates += b[0] + b[1] + b[2];
    }
    EXPECT_LT(seam, 0.8 * plates);
}

TEST(GeneratedMeshes, sphereTextureCoordinatesFollowLongitudeAndLatitude) {
    LoadedMesh loaded("hisphere.ebr");
    const SubMesh& s = loaded.sub(0);
    for (int32_t i = 0; i < s.vertexCount; ++i) {
        Vec3 p = position(s, i);
        ASSERT_NEAR(s.texCoords[i * 2 + 1], std::acos(p.y / 50.0f) / 3.14159265f, 1e-3f);
        if (std::fabs(p.y) < 49.0f) {
            ASSERT_NEAR(s.texCoords[i * 2], 0.5f + std::atan2(p.z, p.x) / (2.0f * 3.14159265f), 1e-3f);
        }
    }
}
