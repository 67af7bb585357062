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

LoadReport loadModelBytes(SceneState& scene, const uint8_t* data, size_t size) {
    LoadedModel model = readModel(data, size, scene);
    LoadReport report;
    report.meshCount = model.meshCount;
    report.ignoredLines = model.ignoredLines;
    report.firstIgnored = std::move(model.firstIgnored);
    report.failure = std::move(model.failure);
    if (report.loaded()) installModel(scene, std::move(model));
    return report;
}

LoadReport loadModelFile(SceneState& scene, const char* path) {
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
        LoadReport report;
        report.failure = "cannot open it (" + openError + "), nor the default model " + kDefaultModelPath;
        return report;
    }
    const std::vector<uint8_t> bytes = readAll(file.get());
    file.reset();
    LoadReport report = loadModelBytes(scene, bytes.data(), bytes.size());
    if (!openError.empty()) {
        report.fellBack = true;
        const std::string cannot = "cannot open it (" + openError + "); ";
        report.failure = report.loaded() ? std::string()
                                         : cannot + "the default model " + kDefaultModelPath +
                                               " gave none either: " + report.failure;
        report.notice = cannot + "loaded the default model " + kDefaultModelPath + " instead";
    }
    return report;
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
