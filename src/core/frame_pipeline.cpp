#include <algorithm>
#include <cstdint>
#include <cstring>

#include "core/renderer.h"
#include "math/numeric.h"

namespace trivane {

namespace {

// Vertices a mesh really has room for: its count, but never past an array.
int32_t usableVertexCount(const Mesh& mesh) {
    size_t n = mesh.vertexCount > 0 ? static_cast<size_t>(mesh.vertexCount) : 0;
    n = std::min({n, mesh.vertices.size(), mesh.transformed.size(), mesh.normals.size(),
                  mesh.clipFlags.size()});
    return static_cast<int32_t>(n);
}

int32_t usableIndexCount(const Mesh& mesh) {
    size_t n = mesh.indexCount > 0 ? static_cast<size_t>(mesh.indexCount) : 0;
    return static_cast<int32_t>(std::min(n, mesh.indices.size()));
}

float wholeNumber(float value) { return static_cast<float>(roundToInt32(value)); }

bool outsideViewVolume(const Vertex& v) {
    // Every comparison is false for NaN, so such a vertex counts as inside.
    return v.z < 0.0f || v.z >= v.w || v.x >= v.w || v.x <= -v.w || v.y >= v.w || v.y <= -v.w;
}

// The texture vertex a face corner names, or null when the mesh does not
// have it (the face is then shaded instead of textured).
const TexCoord* cornerTexCoord(const Mesh& mesh, int32_t corner) {
    if (corner < 0 || corner >= mesh.texFaceIndexCount ||
        static_cast<size_t>(corner) >= mesh.texFaces.size())
        return nullptr;
    const int32_t t = mesh.texFaces[corner];
    if (t < 0 || t >= mesh.texVertexCount || static_cast<size_t>(t) >= mesh.texVertices.size())
        return nullptr;
    return &mesh.texVertices[t];
}

}  // namespace

void Renderer::renderFrame() {
    const bool canDraw = frameBits != nullptr;
    if (canDraw) {
        std::memset(frameBits, 0, static_cast<size_t>(frameStride) * static_cast<size_t>(frameHeight));
        if (renderMode == Mapping || renderMode == Gouraud) std::fill(std::begin(zBuffer), std::end(zBuffer), 0.0f);
    }
    const int32_t meshesInUse = std::clamp(meshCount, 0, kMaxMeshes);

    if (keyHeld || mouseDragging || dirty) {
        const Mesh& model = meshes[0];
        scaleBy(model.scale.x, model.scale.y, model.scale.z);
        rotateZ(model.rotation.z);
        rotateX(model.rotation.x);
        rotateY(model.rotation.y);
        translate(model.position.x, model.position.y, model.position.z);
        if (lookAtMode) {
            lookAt(cameraPosition, cameraTarget, cameraUp);
        } else {
            // The camera's own rotations enter inverted, after its negated position.
            transposeRotations = 1;
            translate(-cameraPosition.x, -cameraPosition.y, -cameraPosition.z);
            rotateZ(cameraRotation.z);
            rotateX(cameraRotation.x);
            rotateY(cameraRotation.y);
            transposeRotations = 0;
        }
        frameTransform = transform;

        for (int32_t m = 0; m < meshesInUse; ++m) {
            Mesh& mesh = meshes[m];
            const int32_t count = usableVertexCount(mesh);
            for (int32_t i = 0; i < count; ++i) {
                Vertex& out = mesh.transformed[i];
                out = mesh.vertices[i].transformedBy(transform);
                out.depth = static_cast<double>(roundToInt32(out.z));
                Vertex normal = mesh.normals[i];
                normal.transformBy(transform);
                normal.normalize();
                lightVertex(m, i, normal, mesh.materialIndex);
                project(out);
                mesh.clipFlags[i] = outsideViewVolume(out) ? 1 : 0;
                // Every vertex is divided, clipped or not.
                const double k = 1.0 / out.w;
                out.x = static_cast<float>(out.x * k);
                out.y = static_cast<float>(out.y * k);
                out.z = static_cast<float>(out.z * k);
                out.w = static_cast<float>(out.w * k);
                toViewport(out);
                out.z = wholeNumber(out.z);
                out.x = wholeNumber(out.x);
                out.y = wholeNumber(out.y);
                out.w = wholeNumber(out.w);
            }
        }
        transform.setIdentity();
        dirty = 0;
    }

    if (canDraw && (renderMode == Wire || renderMode == Mapping || renderMode == Gouraud)) {
        for (int32_t m = 0; m < meshesInUse; ++m) {
            Mesh& mesh = meshes[m];
            const int32_t vertexLimit = usableVertexCount(mesh);
            const int32_t indexLimit = usableIndexCount(mesh);
            for (int32_t f = 0; f + 2 < indexLimit; f += 3) {
                const int32_t ia = mesh.indices[f];
                const int32_t ib = mesh.indices[f + 1];
                const int32_t ic = mesh.indices[f + 2];
                // A face naming a vertex the mesh does not have is not drawn.
                if (ia < 0 || ia >= vertexLimit || ib < 0 || ib >= vertexLimit || ic < 0 ||
                    ic >= vertexLimit)
                    continue;
                Vertex& a = mesh.transformed[ia];
                Vertex& b = mesh.transformed[ib];
                Vertex& c = mesh.transformed[ic];

                const double e1x = static_cast<double>(b.x) - a.x;
                const double e1y = static_cast<double>(b.y) - a.y;
                const double e2x = static_cast<double>(c.x) - a.x;
                const double e2y = static_cast<double>(c.y) - a.y;
                const double det = e1y * e2x - e1x * e2y;
                if (!(det > 0.0)) continue;

                const bool allClipped = mesh.clipFlags[ia] && mesh.clipFlags[ib] && mesh.clipFlags[ic];
                if (renderMode == Wire) {
                    drawColor[0] = 255;
                    drawColor[1] = 0;
                    drawColor[2] = 0;
                    if (allClipped || !mesh.visible) continue;
                    const int32_t ax = truncToInt32(a.x), ay = truncToInt32(a.y);
                    const int32_t bx = truncToInt32(b.x), by = truncToInt32(b.y);
                    const int32_t cx = truncToInt32(c.x), cy = truncToInt32(c.y);
                    drawLine(ax, ay, bx, by);
                    drawLine(ax, ay, cx, cy);
                    drawLine(cx, cy, bx, by);
                    continue;
                }
                if (allClipped || !mesh.visible) continue;
                if (renderMode == Mapping && mesh.texVertexCount != 0) {
                    const TexCoord* ta = cornerTexCoord(mesh, f);
                    const TexCoord* tb = cornerTexCoord(mesh, f + 1);
                    const TexCoord* tc = cornerTexCoord(mesh, f + 2);
                    if (ta != nullptr && tb != nullptr && tc != nullptr) {
                        // Written into the shared vertices just before the fill, so
                        // each face carries its own texture coordinates.
                        a.u = ta->u;
                        b.u = tb->u;
                        c.u = tc->u;
                        a.v = ta->v;
                        b.v = tb->v;
                        c.v = tc->v;
                        drawTexturedTriangle(a, b, c, f);
                        continue;
                    }
                }
                drawGouraudTriangle(a, b, c, f);
            }
        }
    }

    endOfFrame();
}

}  // namespace trivane
