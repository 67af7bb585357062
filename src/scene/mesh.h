#pragma once

#include <cstdint>
#include <vector>

#include "math/vertex.h"

namespace trivane {

struct TexCoord {
    float u = 0.0f;
    float v = 0.0f;
};

// Tiling coordinates are folded into 0..1: the sign is dropped and whole
// turns above 1 are removed (1 itself stays).
float foldTextureCoordinate(float value);

// One scene object. The counts say how many entries are in use; every producer
// keeps each array at least as long as its count (vertices, transformed,
// normals and clipFlags >= vertexCount, indices and faceMaterialIds >=
// indexCount, texVertices >= texVertexCount, texFaces >= texFaceIndexCount).
// Face and texture-face entries are stored as read and may name vertices that
// do not exist; consumers check them.
struct Mesh {
    Vector3 position;
    Vector3 rotation;  // degrees about X, Y, Z
    Vector3 scale;
    std::vector<uint8_t> clipFlags;
    uint8_t visible = 0;
    int32_t vertexCount = 0;
    std::vector<Vertex> vertices;     // model space
    std::vector<Vertex> transformed;  // screen space after a re-transform, lit
    std::vector<Vertex> normals;      // summed face normals, w = 0
    Matrix4 nodeTransform;            // read from the file, never applied
    int32_t texVertexCount = 0;
    std::vector<TexCoord> texVertices;
    int32_t texFaceIndexCount = 0;
    std::vector<int32_t> texFaces;
    int32_t indexCount = 0;
    std::vector<int32_t> indices;
    int32_t materialIndex = 0;
    std::vector<int32_t> faceMaterialIds;
    // Which of the scene's model textures the textured faces show; -1: the
    // scene's own texture.
    int32_t texture = -1;
};

// Frees every array of the mesh (capacity too) and zeroes the counts that
// describe them; position, rotation, scale, visibility, node transform and
// material index stay.
void releaseMeshArrays(Mesh& mesh);

// Each vertex normal becomes the sum of the unnormalised normals of the faces
// that use it.
void computeVertexNormals(Mesh& mesh);

}  // namespace trivane
