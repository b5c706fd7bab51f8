#include "assets/Mesh.h"

#include <GL/gl.h>

#include <cmath>
#include <new>

std::unique_ptr<SubMesh> SubMesh::allocate(int32_t vertexCount, int32_t faceCount) {
    if (vertexCount < 0 || faceCount < 0) {
        return nullptr;
    }
    std::unique_ptr<SubMesh> sub(new (std::nothrow) SubMesh);
    if (!sub) {
        return nullptr;
    }
    sub->vertexCount = vertexCount;
    sub->faceCount = faceCount;
    sub->positions.reset(new (std::nothrow) float[size_t(vertexCount) * 3]);
    sub->normals.reset(new (std::nothrow) float[size_t(vertexCount) * 3]);
    sub->texCoords.reset(new (std::nothrow) float[size_t(vertexCount) * 2]);
    sub->faces.reset(new (std::nothrow) int32_t[size_t(faceCount) * 3]);
    if (!sub->positions || !sub->normals || !sub->texCoords || !sub->faces) {
        return nullptr;
    }
    return sub;
}

Vec3 cross(Vec3 u, Vec3 v) {
    return {u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
}

namespace {

Vec3 positionAt(const float* positions, int32_t index) {
    const float* p = positions + size_t(index) * 3;
    return {p[0], p[1], p[2]};
}

void addTo(float* normals, int32_t index, Vec3 n) {
    float* dst = normals + size_t(index) * 3;
    dst[0] += n.x;
    dst[1] += n.y;
    dst[2] += n.z;
}

}  // namespace

void SubMesh::computeNormals() {
    const size_t componentCount = size_t(vertexCount) * 3;
    for (size_t i = 0; i < componentCount; ++i) {
        normals[i] = 0.0f;
    }
    // Unnormalised cross products: larger triangles weigh more, degenerate ones add nothing.
    for (int32_t f = 0; f < faceCount; ++f) {
        const int32_t* face = &faces[size_t(f) * 3];
        Vec3 p0 = positionAt(positions.get(), face[0]);
        Vec3 p1 = positionAt(positions.get(), face[1]);
        Vec3 p2 = positionAt(positions.get(), face[2]);
        Vec3 e1{p1.x - p0.x, p1.y - p0.y, p1.z - p0.z};
        Vec3 e2{p2.x - p0.x, p2.y - p0.y, p2.z - p0.z};
        Vec3 n = cross(e1, e2);
        addTo(normals.get(), face[0], n);
        addTo(normals.get(), face[1], n);
        addTo(normals.get(), face[2], n);
    }
    // One reciprocal per vertex and no zero guard: a vertex without area ends not-a-number.
    for (size_t i = 0; i < componentCount; i += 3) {
        float* n = &normals[i];
        float r = 1.0f / std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        n[0] *= r;
        n[1] *= r;
        n[2] *= r;
    }
}

void Mesh::draw() const {
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    for (int32_t j = 0; j < subMeshCount; ++j) {
        const SubMesh& sub = *subMeshes[j];
        glVertexPointer(3, GL_FLOAT, 0, sub.positions.get());
        glNormalPointer(GL_FLOAT, 0, sub.normals.get());
        glTexCoordPointer(2, GL_FLOAT, 0, sub.texCoords.get());
        glDrawElements(GL_TRIANGLES, 3 * sub.faceCount, GL_UNSIGNED_INT, sub.faces.get());
    }
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
}

void Mesh::computeNormals() {
    for (int32_t j = 0; j < subMeshCount; ++j) {
        subMeshes[j]->computeNormals();
    }
}

void enableSphereMap() {
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
}

void disableSphereMap() {
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
}
