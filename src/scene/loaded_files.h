#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "math/lighting_terms.h"
#include "scene/files.h"
#include "scene/mesh.h"
#include "scene/scene_state.h"

namespace trivane {

// A model file read into a value of its own. Nothing on screen changes until
// it is installed, and a file that yields no mesh is never installed, so a bad
// file cannot cost the user the model they are looking at.
struct LoadedModel {
    // Completed meshes first (meshCount of them), then the object the file
    // left unfinished, if any: its arrays are gone but the fields its lines
    // set (name visibility, node transform) stay, as they would in the table.
    std::vector<Mesh> meshes;
    int32_t meshCount = 0;
    std::vector<LightingTerms> materials;
    std::vector<float> materialShine;
    int32_t materialCount = 0;
    // The images of an imported model's materials (Mesh::texture).
    std::vector<MaterialTexture> textures;
    // For the person who chose the file.
    int32_t ignoredLines = 0;
    std::string firstIgnored;  // "line 12: face names vertex 9000 of 800"
    std::string failure;       // why no mesh was read; empty when one was
};

// Told how far a read has come, in bytes of the file: as each megabyte is
// passed, and once at the end with the file's size. Returning false stops the read;
// it then gives no model, and kCancelled as the failure.
using ReadProgress = std::function<bool(size_t bytesDone)>;
inline constexpr std::string_view kCancelled = "the read was cancelled";

// Reads model text (UTF-16 with a byte-order mark is taken as its characters).
// A field the file never sets keeps the value the scene's mesh in the same
// slot has, since installing writes only what the file wrote. Of current,
// only what modelSeeds copies is read.
LoadedModel readModel(const uint8_t* data, size_t size, const SceneState& current,
                      const ReadProgress& progress = {});
// The same from a file, whose text passes through a small buffer: reading
// takes no memory beyond the model's (UTF-16 text is read whole).
LoadedModel readModel(const ReadFile& file, const SceneState& current, const ReadProgress& progress = {});

// What readModel reads of a scene (each mesh's placement, visibility, node
// transform and material index, and the mesh count), without the arrays: a
// read on another thread takes this copy, since the scene's own fields change
// while it is drawn (the automatic rotation, the handlers, Fit Model).
std::unique_ptr<SceneState> modelSeeds(const SceneState& scene);

// A fresh table slot as the scene's own slot would be after its model was
// released: arrays and counts gone, the fields a model file may set kept.
Mesh seededMesh(const SceneState& current, int32_t slot);
// Where a finished object of a model file stands until the viewer moves it.
void placeFinishedMesh(Mesh& mesh);

// A bitmap file's bytes made ready for the textured fill: the file itself,
// with a white texel appended in its place when it is not a usable
// uncompressed 24-bit image, and rows turned bottom-up.
struct LoadedTexture {
    std::vector<uint8_t> file;
    size_t pixelOffset = 0;  // first texel
    int32_t width = 0;
    int32_t maxY = 0;
    int32_t stride = 0;
};

LoadedTexture readTexture(std::vector<uint8_t> bytes);
// Makes a texture read from a file the scene's texture.
void installTexture(SceneState& scene, LoadedTexture&& texture);
// Reads ./64Bits.bmp (else the installed copy) as the texture; false when
// neither can be opened.
bool loadDefaultTexture(SceneState& scene);

// What a model load did, for the viewer to tell.
struct LoadReport {
    int32_t meshCount = 0;
    bool fellBack = false;  // the chosen path could not be opened; the default model was read
    std::string notice;     // says so
    int32_t ignoredLines = 0;
    std::string firstIgnored;
    std::string failure;  // why nothing was installed

    bool loaded() const { return meshCount > 0; }
    // One line naming the file, or empty when there is nothing to say.
    std::string message(const std::string& path) const;
};

// Replaces the model on screen with one read from a file.
void installModel(SceneState& scene, LoadedModel&& model);
// Reads a model from a file's bytes and installs it when it holds a mesh.
LoadReport loadModelBytes(SceneState& scene, const uint8_t* data, size_t size);

// A model file read but not yet installed, and what will be said about it.
struct ModelFileRead {
    LoadedModel model;
    LoadReport report;
};
// Reads a model file, or the default model when the path cannot be opened,
// touching no scene: it may run on a worker thread against modelSeeds.
ModelFileRead readModelFile(const char* path, const SceneState& current, const ReadProgress& progress = {});
// Installs what was read when it holds a mesh.
LoadReport installModelFile(SceneState& scene, ModelFileRead&& read);
// Both at once.
LoadReport loadModelFile(SceneState& scene, const char* path, const ReadProgress& progress = {});

}  // namespace trivane
