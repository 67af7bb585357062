// Reading a model file into the scene: open (falling back to the default
// model), read, and install only what gave a mesh.
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

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

ModelFileRead reportOf(LoadedModel&& model) {
    ModelFileRead read;
    read.report.meshCount = model.meshCount;
    read.report.ignoredLines = model.ignoredLines;
    read.report.firstIgnored = std::move(model.firstIgnored);
    read.report.failure = std::move(model.failure);
    read.model = std::move(model);
    return read;
}

LoadReport installed(SceneState& scene, ModelFileRead&& read) {
    if (read.report.loaded()) installModel(scene, std::move(read.model));
    return std::move(read.report);
}

}  // namespace

LoadReport loadModelBytes(SceneState& scene, const uint8_t* data, size_t size) {
    return installed(scene, reportOf(readModel(data, size, scene)));
}

LoadReport loadModelFile(SceneState& scene, const char* path) { return installed(scene, readModelFile(scene, path)); }

ModelFileRead readModelFile(const SceneState& current, const char* path) {
    // The default model itself may come from the installed copy; only
    // another file falls back to it.
    const bool isDefault = std::strcmp(path, kDefaultModelPath) == 0;
    FileHandle file = isDefault ? openDefaultFile(path) : openForReading(path);
    std::string openError;
    if (!file) {
        openError = std::strerror(errno);
        file = openDefaultFile(kDefaultModelPath);
    }
    if (!file) {
        ModelFileRead read;
        read.report.failure = "cannot open it (" + openError + "), nor the default model " + kDefaultModelPath;
        return read;
    }
    const std::vector<uint8_t> bytes = readAll(file.get());
    file.reset();
    ModelFileRead read = reportOf(readModel(bytes.data(), bytes.size(), current));
    LoadReport& report = read.report;
    if (!openError.empty()) {
        report.fellBack = true;
        const std::string cannot = "cannot open it (" + openError + "); ";
        report.failure = report.loaded() ? std::string()
                                         : cannot + "the default model " + kDefaultModelPath +
                                               " gave none either: " + report.failure;
        report.notice = cannot + "loaded the default model " + kDefaultModelPath + " instead";
    }
    return read;
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
