#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "math/lighting_terms.h"
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
    // For the person who chose the file.
    int32_t ignoredLines = 0;
    std::string firstIgnored;  // "line 12: face names vertex 9000 of 800"
    std::string failure;       // why no mesh was read; empty when one was
};

// Reads model text (UTF-16 with a byte-order mark is taken as its characters).
// A field the file never sets keeps the value the scene's mesh in the same
// slot has, since installing writes only what the file wrote.
LoadedModel readModel(const uint8_t* data, size_t size, const SceneState& current);

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
// The same from a file, falling back to the default model when the path
// cannot be opened.
LoadReport loadModelFile(SceneState& scene, const char* path);

// A model file read but not yet installed, and what the load will say.
struct ModelFileRead {
    LoadedModel model;
    LoadReport report;
};
// The reading half of loadModelFile, which may run away from the scene:
// current is only read, for the fields the file leaves as they are.
ModelFileRead readModelFile(const SceneState& current, const char* path);

}  // namespace trivane
