// Reading a model file into the scene: open (falling back to the default
// model), read, and install only what gave a mesh.
#include <cstring>
#include <memory>
#include <string>

#include "scene/files.h"
#include "scene/loaded_files.h"

namespace trivane {

void installModel(SceneState& scene, LoadedModel&& model) {
    releaseModel(scene);
    for (size_t i = 0; i < model.meshes.size(); ++i) scene.meshes[i] = std::move(model.meshes[i]);
    scene.meshCount = model.meshCount;
    scene.materials = std::move(model.materials);
    scene.materialShine = std::move(model.materialShine);
    scene.materialCount = model.materialCount;
}

namespace {

LoadReport reportOn(LoadedModel& model) {
    LoadReport report;
    report.meshCount = model.meshCount;
    report.ignoredLines = model.ignoredLines;
    report.firstIgnored = std::move(model.firstIgnored);
    report.failure = std::move(model.failure);
    return report;
}

}  // namespace

LoadReport loadModelBytes(SceneState& scene, const uint8_t* data, size_t size) {
    LoadedModel model = readModel(data, size, scene);
    const LoadReport report = reportOn(model);
    if (report.loaded()) installModel(scene, std::move(model));
    return report;
}

std::unique_ptr<SceneState> modelSeeds(const SceneState& scene) {
    auto seeds = std::make_unique<SceneState>();
    for (int32_t i = 0; i < kMaxMeshes; ++i) {
        const Mesh& from = scene.meshes[i];
        Mesh& to = seeds->meshes[i];
        to.position = from.position;
        to.rotation = from.rotation;
        to.scale = from.scale;
        to.visible = from.visible;
        to.nodeTransform = from.nodeTransform;
        to.materialIndex = from.materialIndex;
    }
    seeds->meshCount = scene.meshCount;
    return seeds;
}

ModelFileRead readModelFile(const char* path, const SceneState& current, const ReadProgress& progress) {
    // The default model itself may come from the installed copy; only
    // another file falls back to it.
    const bool isDefault = std::strcmp(path, kDefaultModelPath) == 0;
    ReadFile file = isDefault ? readDefaultFile(path, kModelFile) : ReadFile(path, kModelFile);
    std::string openError;
    if (!file) {
        openError = file.failure();
        file = readDefaultFile(kDefaultModelPath, kModelFile);
    }
    ModelFileRead read;
    if (!file) {
        read.report.failure = "cannot open it (" + openError + "), nor the default model " + kDefaultModelPath;
        return read;
    }
    // The reader passes over the text once: what it has passed need not stay
    // in memory.
    const ReadProgress releasing = [&](size_t done) {
        file.release(done);
        return !progress || progress(done);
    };
    read.model = readModel(file.bytes().data(), file.bytes().size(), current, releasing);
    read.report = reportOn(read.model);
    if (!openError.empty()) {
        LoadReport& report = read.report;
        report.fellBack = true;
        const std::string cannot = "cannot open it (" + openError + "); ";
        report.failure = report.loaded() ? std::string()
                                         : cannot + "the default model " + kDefaultModelPath +
                                               " gave none either: " + report.failure;
        report.notice = cannot + "loaded the default model " + kDefaultModelPath + " instead";
    }
    return read;
}

LoadReport installModelFile(SceneState& scene, ModelFileRead&& read) {
    if (read.report.loaded()) installModel(scene, std::move(read.model));
    return std::move(read.report);
}

LoadReport loadModelFile(SceneState& scene, const char* path, const ReadProgress& progress) {
    return installModelFile(scene, readModelFile(path, scene, progress));
}

std::string LoadReport::message(const std::string& path) const {
    if (!loaded()) return path + ": " + failure + "; the model on screen is kept";
    std::string text = notice.empty() ? std::string() : path + ": " + notice;
    if (ignoredLines > 0) {
        if (!text.empty()) text += "; ";
        text += (fellBack ? std::string(kDefaultModelPath) : path) + ": " + std::to_string(ignoredLines) +
                (ignoredLines == 1 ? " line" : " lines") + " ignored, the first at " + firstIgnored;
    }
    return text;
}

}  // namespace trivane
