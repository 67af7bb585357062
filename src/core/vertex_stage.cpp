#include <algorithm>
#include <cstdint>

#include "core/frame_stages.h"
#include "core/mesh_limits.h"
#include "core/vertex_stage.h"
#include "core/workers.h"
#include "math/numeric.h"
#include "math/transforms.h"

namespace trivane {

namespace {

float wholeNumber(float value) { return static_cast<float>(roundToInt32(value)); }

bool outsideViewVolume(const Vertex& v) {
    // Every comparison is false for NaN, so such a vertex counts as inside.
    return v.z < 0.0f || v.z >= v.w || v.x >= v.w || v.x <= -v.w || v.y >= v.w || v.y <= -v.w;
}

// Vertices handed to one task, and lit together within it.
constexpr int64_t kVerticesPerTask = 512;
constexpr int32_t kLightBatch = 64;

}  // namespace

void processVertices(Mesh& mesh, int32_t begin, int32_t end, const StageMatrices& mx,
                     const raster::LightingSetup& lighting) {
    Vertex normals[kLightBatch];
    for (int32_t first = begin; first < end; first += kLightBatch) {
        const int32_t n = std::min(end - first, kLightBatch);
        for (int32_t j = 0; j < n; ++j) {
            const int32_t i = first + j;
            Vertex& out = mesh.transformed[i];
            out = mesh.vertices[i].transformedBy(mx.modelView);
            out.depth = static_cast<double>(roundToInt32(out.z));
            Vertex normal = mesh.normals[i];
            normal.transformBy(mx.modelView);
            normal.normalize();
            normals[j] = normal;
        }
        Vertex* out = mesh.transformed.data() + first;
        raster::lightVertices(lighting, out, normals, n, out);
        for (int32_t j = 0; j < n; ++j) {
            Vertex& v = out[j];
            v.transformBy(mx.projection);
            mesh.clipFlags[first + j] = outsideViewVolume(v) ? 1 : 0;
            // Every vertex is divided, clipped or not.
            const double k = 1.0 / v.w;
            v.x = static_cast<float>(v.x * k);
            v.y = static_cast<float>(v.y * k);
            v.z = static_cast<float>(v.z * k);
            v.w = static_cast<float>(v.w * k);
            v.transformBy(mx.viewport);
            v.z = wholeNumber(v.z);
            v.x = wholeNumber(v.x);
            v.y = wholeNumber(v.y);
            v.w = wholeNumber(v.w);
        }
    }
}

MaterialChoice materialFor(const SceneState& scene, const LightState& lighting, int32_t materialIndex) {
    // A material number the table does not have is lit as if there were no
    // table at all.
    const bool fromTable = scene.materialCount > 0 && materialIndex >= 0 && materialIndex < scene.materialCount &&
                           static_cast<size_t>(materialIndex) < scene.materials.size() &&
                           static_cast<size_t>(materialIndex) < scene.materialShine.size();
    if (fromTable)
        return MaterialChoice{scene.materials[materialIndex], truncToInt32(scene.materialShine[materialIndex]),
                              materialIndex};
    return MaterialChoice{lighting.defaultMaterial, 128, -1};
}

void transformVertices(SceneState& scene, const CameraState& camera, LightState& lighting, FrameWork& work) {
    const int32_t meshesInUse = trivane::meshesInUse(scene);
    Mesh* const meshes = scene.meshes.data();
    // Grows with the model only.
    if (work.vertexStarts.size() < static_cast<size_t>(meshesInUse) + 1) work.vertexStarts.resize(meshesInUse + 1);
    int64_t* const vertexStarts = work.vertexStarts.data();
    const Mesh& model = meshes[0];
    const StageMatrices mx{modelView(model.scale, model.rotation, model.position, camera),
                           projectionMatrix(camera.nearPlane, camera.farPlane, camera.viewportWidth,
                                            camera.viewportHeight),
                           viewportMatrix(camera.viewportWidth, camera.viewportHeight)};
    int32_t lastLit = -1;
    ++work.vertexStageRuns;
    vertexStarts[0] = 0;
    for (int32_t m = 0; m < meshesInUse; ++m) {
        const int32_t count = usableVertexCount(meshes[m]);
        vertexStarts[m + 1] = vertexStarts[m] + count;
        if (count > 0) lastLit = m;
    }
    const int64_t total = vertexStarts[meshesInUse];
    const int32_t tasks = static_cast<int32_t>((total + kVerticesPerTask - 1) / kVerticesPerTask);
    auto task = [&](int32_t t) {
        const int64_t begin = t * kVerticesPerTask;
        const int64_t end = std::min(total, begin + kVerticesPerTask);
        // The mesh holding vertex `begin`, then on through the meshes the
        // range reaches.
        int32_t m = static_cast<int32_t>(
            std::upper_bound(vertexStarts, vertexStarts + meshesInUse + 1, begin) - vertexStarts - 1);
        for (int64_t at = begin; at < end; ++m) {
            const int64_t meshEnd = std::min(end, vertexStarts[m + 1]);
            if (meshEnd <= at) continue;
            Mesh& mesh = meshes[m];
            const MaterialChoice choice = materialFor(scene, lighting, mesh.materialIndex);
            const raster::LightingSetup setup{lighting.lightPosition, camera.cameraPosition, lighting.light,
                                              choice.terms, choice.shininess};
            const int32_t first = static_cast<int32_t>(at - vertexStarts[m]);
            const int32_t last = static_cast<int32_t>(meshEnd - vertexStarts[m]);
            if (!processVerticesSideBySide(mesh, first, last, mx, setup)) processVertices(mesh, first, last, mx, setup);
            at = meshEnd;
        }
    };
    runTasks(tasks, task);

    // What the serial walk leaves behind: the last vertex lit chose the
    // material.
    if (lastLit >= 0) {
        const MaterialChoice choice = materialFor(scene, lighting, meshes[lastLit].materialIndex);
        lighting.material = choice.terms;
        scene.materialSource = choice.source;
    }
}


}  // namespace trivane
