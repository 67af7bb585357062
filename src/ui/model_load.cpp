#include "ui/model_load.h"

#include <filesystem>
#include <utility>

#include "scene/model_formats.h"

namespace trivane {

ModelLoad::ModelLoad(const SceneState& scene, std::string path)
    : seeds_(modelSeeds(scene)), path_(std::move(path)) {}

ModelLoad::~ModelLoad() = default;

void ModelLoad::run(const std::function<void()>& eachStep) {
    if (cancelled()) return;
    std::error_code unknown;
    const uintmax_t size = std::filesystem::file_size(path_, unknown);
    // The importer tells nothing until it is done: its bar only moves.
    if (!unknown && !readByImporter(path_)) bytesTotal_.store(static_cast<int64_t>(size), std::memory_order_relaxed);
    read_ = readModelFile(path_.c_str(), *seeds_, [this, &eachStep](size_t done) {
        bytesRead_.store(static_cast<int64_t>(done), std::memory_order_relaxed);
        if (eachStep) eachStep();
        return !cancelled();
    });
}

LoadReport ModelLoad::install(SceneState& scene) {
    if (cancelled()) {
        LoadReport report;
        report.failure = std::string(kCancelled);
        return report;
    }
    return installModelFile(scene, std::move(read_));
}

}  // namespace trivane
