// Reading a model file into the scene: open (falling back to the default
// model), read, and install only what gave a mesh.
#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "scene/ase_reader.h"
#include "scene/files.h"
#include "scene/import_child.h"
#include "scene/model_formats.h"
#include "scene/loaded_files.h"

namespace trivane {

namespace {

// Model text streamed from a file passes through a buffer of this size.
constexpr size_t kStreamBuffer = size_t{256} << 10;

TextSource memorySource(const uint8_t* data, size_t size) {
    return [=](int64_t offset, std::span<uint8_t> into) {
        const size_t at = std::min(static_cast<size_t>(offset), size);
        const size_t count = std::min(into.size(), size - at);
        std::copy_n(data + at, count, into.begin());
        return count;
    };
}

// Why a file gave no mesh, in words a person can act on. file is the file as
// stored, text what the reader read (they differ for UTF-16).
std::string whyNoMesh(const TextSource& file, const TextSource* text, int64_t firstObjectLine) {
    const TextFacts stored = textFacts(file, "*GEOMOBJECT");
    if (const char* why = whyNotText(stored)) return why;
    const TextFacts read = text != nullptr ? textFacts(*text, "*GEOMOBJECT") : stored;
    // Lines ended by a carriage return alone (old Mac text) are no lines
    // here: such a file reads as one long line, cut into pieces.
    if (read.holdsWord && read.loneReturns > read.feeds)
        return "its lines end in carriage returns alone (old Mac line ends), which are not line ends here";
    if (firstObjectLine == 0) return "no *GEOMOBJECT found";
    return "the object at line " + std::to_string(firstObjectLine) +
           " is not completed by a *PROP_MOTIONBLUR line (is the file cut short?)";
}

// Reads the lines; firstObjectLine is where the first object starts, or 0.
LoadedModel readLines(LineReader lines, int64_t textSize, int64_t fileSize, const SceneState& current,
                      const ReadProgress& progress, int64_t& firstObjectLine) {
    AseReader reader(std::move(lines), textSize, current);
    // Converted text is told in proportion, so that the last call still
    // gives the file's size.
    const auto inFileBytes = [&](size_t done) {
        const double share = textSize == 0 ? 1.0 : static_cast<double>(done) / static_cast<double>(textSize);
        return progress(textSize == fileSize ? done : static_cast<size_t>(share * static_cast<double>(fileSize)));
    };
    LoadedModel model = reader.read(progress ? ReadProgress(inFileBytes) : ReadProgress());
    firstObjectLine = reader.firstObjectLine();
    return model;
}

}  // namespace

LoadedModel readModel(const uint8_t* bytes, size_t byteCount, const SceneState& current, const ReadProgress& progress) {
    const std::optional<std::vector<uint8_t>> utf16 = utf16Text(bytes, byteCount);
    const uint8_t* text = utf16 ? utf16->data() : bytes;
    const size_t textSize = utf16 ? utf16->size() : byteCount;
    int64_t firstObjectLine = 0;
    LoadedModel model = readLines(LineReader(text, textSize), static_cast<int64_t>(textSize),
                                  static_cast<int64_t>(byteCount), current, progress, firstObjectLine);
    if (model.meshCount == 0 && model.failure.empty()) {
        const TextSource converted = memorySource(text, textSize);
        model.failure = whyNoMesh(memorySource(bytes, byteCount), utf16 ? &converted : nullptr, firstObjectLine);
    }
    return model;
}

LoadedModel readModel(const ReadFile& file, const SceneState& current, const ReadProgress& progress) {
    uint8_t mark[2] = {};
    if (file.readAt(0, mark) == 2 && utf16Text(mark, 2)) {
        const std::vector<uint8_t> bytes = file.bytes();
        return readModel(bytes.data(), bytes.size(), current, progress);
    }
    const TextSource source = [&file](int64_t offset, std::span<uint8_t> into) { return file.readAt(offset, into); };
    int64_t firstObjectLine = 0;
    LoadedModel model =
        readLines(LineReader(source, kStreamBuffer), file.size(), file.size(), current, progress, firstObjectLine);
    if (model.meshCount == 0 && model.failure.empty()) model.failure = whyNoMesh(source, nullptr, firstObjectLine);
    return model;
}

void installModel(SceneState& scene, LoadedModel&& model) {
    releaseModel(scene);
    if (scene.meshes.size() < model.meshes.size()) scene.meshes.resize(model.meshes.size());
    for (size_t i = 0; i < model.meshes.size(); ++i) scene.meshes[i] = std::move(model.meshes[i]);
    scene.modelTextures = std::move(model.textures);
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
    seeds->meshes.resize(scene.meshes.size());
    for (size_t i = 0; i < scene.meshes.size(); ++i) {
        const Mesh& from = scene.meshes[i];
        Mesh& to = seeds->meshes[i];
        to.position = from.position;
        to.rotation = from.rotation;
        to.scale = from.scale;
        to.visible = from.visible;
        to.nodeTransform = from.nodeTransform;
        to.materialIndex = from.materialIndex;
        to.texture = from.texture;
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
    // A file the importer knows by its name goes there; every other one is
    // read as model text, as every file was before.
    read.model = openError.empty() && readByImporter(path) ? importModel(path, file.size(), current, progress)
                                                           : readModel(file, current, progress);
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
