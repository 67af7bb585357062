#include "ui/model_load.h"

#include <utility>

namespace trivane {

ModelLoad::ModelLoad(const SceneState& scene, std::string path)
    : placement_(std::make_unique<SceneState>()), path_(std::move(path)) {
    // The fields a model file may leave as they are, without the arrays.
    SceneState& copy = *placement_;
    copy.meshCount = scene.meshCount;
    for (int32_t i = 0; i < kMaxMeshes; ++i) {
        const Mesh& from = scene.meshes[i];
        Mesh& to = copy.meshes[i];
        to.position = from.position;
        to.rotation = from.rotation;
        to.scale = from.scale;
        to.visible = from.visible;
        to.nodeTransform = from.nodeTransform;
        to.materialIndex = from.materialIndex;
    }
}

ModelLoad::~ModelLoad() = default;

void ModelLoad::run() {
    if (cancelled()) return;
    read_ = readModelFile(*placement_, path_.c_str());
}

LoadReport ModelLoad::install(SceneState& scene) {
    if (cancelled()) {
        LoadReport report;
        report.failure = "the load was cancelled";
        return report;
    }
    if (read_.report.loaded()) installModel(scene, std::move(read_.model));
    return std::move(read_.report);
}

}  // namespace trivane
