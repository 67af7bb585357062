#include "fuzz/targets.h"

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/renderer.h"
#include "core/workers.h"
#include "raster/fills.h"
#include "scene/import_reply.h"
#include "scene/loaded_files.h"
#include "ui/event_script.h"
#include "ui/menu_ids.h"
#include "ui/session.h"

namespace trivane::fuzz {

namespace {

// Invariants the rest of the program relies on; a broken one is a finding.
void require(bool holds) {
    if (!holds) __builtin_trap();
}

template <typename T>
bool sized(const std::vector<T>& array, int64_t count) {
    return count >= 0 && static_cast<size_t>(count) <= array.size();
}

void checkModel(const LoadedModel& model) {
    require(model.meshCount >= 0 && model.meshCount <= kMaxMeshes);
    require(static_cast<size_t>(model.meshCount) <= model.meshes.size());
    require((model.meshCount == 0) == !model.failure.empty());
    require(sized(model.materials, model.materialCount) && sized(model.materialShine, model.materialCount));
    for (const Mesh& m : model.meshes) {
        require(sized(m.vertices, m.vertexCount) && sized(m.transformed, m.vertexCount) &&
                sized(m.normals, m.vertexCount) && sized(m.clipFlags, m.vertexCount));
        require(sized(m.indices, m.indexCount) && sized(m.faceMaterialIds, m.indexCount) && m.indexCount % 3 == 0);
        require(sized(m.texVertices, m.texVertexCount) && sized(m.texFaces, m.texFaceIndexCount));
    }
}

// A 2 x 2 texture of four colours, so the textured fill reads real texels.
std::vector<uint8_t> smallBitmap() {
    std::vector<uint8_t> bmp(54 + 16, 0);
    bmp[0] = 'B';
    bmp[1] = 'M';
    bmp[10] = 54;
    bmp[14] = 40;
    bmp[18] = 2;
    bmp[22] = 2;
    bmp[26] = 1;
    bmp[28] = 24;
    const uint8_t texels[16] = {255, 0, 0, 0, 255, 0, 0, 0, 0, 0, 255, 0, 255, 255, 255, 0};
    std::copy(texels, texels + 16, bmp.begin() + 54);
    return bmp;
}

}  // namespace

int modelFile(const uint8_t* data, size_t size) {
    static const auto empty = std::make_unique<SceneState>();
    checkModel(readModel(data, size, *empty));
    return 0;
}

int textureFile(const uint8_t* data, size_t size) {
    const LoadedTexture t = readTexture(std::vector<uint8_t>(data, data + size));
    const raster::TexelSource texels =
        raster::texelSource(t.file, t.file.data() + t.pixelOffset, t.width, t.maxY, t.stride);
    require(texels.pixels != nullptr);
    // Every texel the header names lies in the file: the corners suffice.
    const int64_t last = int64_t{t.maxY} * t.stride + 3 * (int64_t{t.width} - 1);
    require(last >= 0 && last + 3 <= texels.available);
    volatile uint8_t sink = texels.pixels[0];
    sink = texels.pixels[last + 2];
    (void)sink;
    return 0;
}

int eventScript(const uint8_t* data, size_t size) {
    std::vector<ScriptEvent> events;
    std::string error;
    const std::string_view script(reinterpret_cast<const char*>(data), size);
    if (parseEventScript(script, events, error)) {
        require(events.size() <= static_cast<size_t>(std::count(script.begin(), script.end(), ';')) + 1);
    } else {
        require(!error.empty());
    }
    return 0;
}

int importReply(const uint8_t* data, size_t size) {
    static const auto empty = std::make_unique<SceneState>();
    const LoadedModel model = readImportReply(data, size, *empty);
    require((model.meshCount == 0) == !model.failure.empty());
    require(model.meshCount == 0 || static_cast<size_t>(model.meshCount) == model.meshes.size());
    require(sized(model.materials, model.materialCount) && sized(model.materialShine, model.materialCount));
    for (const MaterialTexture& t : model.textures)
        require(t.width > 0 && t.stride >= 3 * t.width && t.texels.size() == size_t(t.stride) * size_t(t.height));
    // What a reply gives is whole and checked: every index names what exists.
    for (int32_t i = 0; i < model.meshCount; ++i) {
        const Mesh& m = model.meshes[static_cast<size_t>(i)];
        require(static_cast<size_t>(m.vertexCount) == m.vertices.size() && sized(m.transformed, m.vertexCount) &&
                sized(m.normals, m.vertexCount) && sized(m.clipFlags, m.vertexCount));
        require(sized(m.indices, m.indexCount) && sized(m.faceMaterialIds, m.indexCount) && m.indexCount % 3 == 0);
        require(m.materialIndex >= 0 && m.materialIndex < model.materialCount);
        require(m.texture >= -1 && m.texture < static_cast<int32_t>(model.textures.size()));
        require(m.texVertexCount == 0 || (m.texture >= 0 && sized(m.texVertices, m.texVertexCount) &&
                                          sized(m.texFaces, m.texFaceIndexCount)));
        for (int32_t k = 0; k < m.indexCount; ++k) require(m.indices[k] >= 0 && m.indices[k] < m.vertexCount);
        for (int32_t k = 0; k < m.texFaceIndexCount; ++k)
            require(m.texFaces[k] >= 0 && m.texFaces[k] < m.texVertexCount);
        for (int32_t k = 0; k < m.texVertexCount; ++k)
            require(!(m.texVertices[k].u > 1.0f) && !(m.texVertices[k].v > 1.0f));
    }
    return 0;
}

int renderModel(const uint8_t* data, size_t size) {
    static Session* const session = [] {
        setWorkerCount(1);
        auto* started = new Session();
        started->startWithTexture(smallBitmap());
        started->state().target.clearFrame = false;
        return started;
    }();
    SceneState& scene = session->state().scene;
    // Every input starts from the same empty scene, so a finding replays alone.
    static int32_t slotsUsed = 0;
    releaseModel(scene);
    for (int32_t i = 0; i < slotsUsed; ++i) scene.meshes[i] = Mesh{};
    scene.meshCount = 0;
    const LoadReport report = loadModelBytes(scene, data, size);
    slotsUsed = std::min(kMaxMeshes, std::max(slotsUsed, report.meshCount + 1));
    if (!report.loaded()) return 0;
    ScriptPlayer platform(*session);
    for (int32_t mode : {menu::kModeMapping, menu::kModeGouraud, menu::kModeWire}) {
        session->menuCommand(platform, mode);
        session->frame();
    }
    return 0;
}

}  // namespace trivane::fuzz
