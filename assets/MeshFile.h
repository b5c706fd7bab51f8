#pragma once
// The .ebr reader behind Mesh's constructor, usable on any open stream so that
// tests and the fuzz target can feed it bytes from memory. Makes no GL calls.
#include <cstdio>

class Mesh;

// How reading a stream into a Mesh ended.
enum class EbrReadResult {
    complete,  // every SubMesh the file announces was read whole
    damaged,   // the file broke off or held an impossible value; the whole SubMeshes before it are kept
};

// Reads the .ebr bytes from the stream's current position to its end into mesh
// (which must be empty), deriving normals. Trusts no count, length or index:
// each is checked against the bytes left before anything is allocated.
EbrReadResult readEbr(std::FILE* file, Mesh& mesh);
