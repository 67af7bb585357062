#include <unistd.h>

#include <cstdio>
#include <string>

#include "core/renderer.h"
#include "scene/files.h"
#include "scene/loaded_files.h"

namespace trivane {

namespace {

std::string workingDirectory() {
    std::string buffer(4096, '\0');
    if (getcwd(buffer.data(), buffer.size()) == nullptr) return "(unknown)";
    buffer.resize(std::char_traits<char>::length(buffer.c_str()));
    return buffer;
}

// The files are read relative to the working directory; a window that stays
// black needs one line saying which file was not there, and where.
void reportMissing(const char* path, const char* consequence) {
    std::fprintf(stderr, "trivane: cannot open %s in %s; %s\n", path, workingDirectory().c_str(),
                 consequence);
}

// Only whether fopen succeeds: a directory of that name is not reported here.
bool canOpen(const char* path) { return FileHandle(std::fopen(path, "rb")) != nullptr; }

bool canOpenDefault(const char* path) {
    if (canOpen(path)) return true;
    const std::string installed = installedCopyOf(path);
    return !installed.empty() && canOpen(installed.c_str());
}

}  // namespace

void Renderer::setStartValues() {
    clock.animating = 0;
    input.rightButtonDown = 0;
    input.leftButtonDown = 0;
    input.keyHeld = 0;
    input.dirty = 0;
    input.moveModel = 1;
    input.dragStartY = 0;
    input.mouseDragging = 0;
    camera.lookAtMode = 1;
    // Off: most real exports are box- or planar-mapped, and the correction
    // turns each of their faces into a one-texel sliver.
    settings.fixTextureSeam = 0;
    settings.renderMode = Mapping;
    scene.meshCount = 1;

    camera.nearPlane = 300.0f;
    camera.farPlane = 200000.0f;
    // The viewport is the picture: a larger one shows more of the scene at the
    // same scale.
    camera.viewportWidth = static_cast<float>(target.frameWidth);
    camera.viewportHeight = static_cast<float>(target.frameHeight);
    camera.cameraPosition = Vertex{};
    camera.cameraPosition.z = -1700.0f;
    camera.cameraTarget = Vertex{};
    camera.cameraUp = Vertex{};
    camera.cameraUp.y = 1.0f;
    camera.cameraRotation = Vector3{0.0f, 0.0f, 0.0f};

    scene.meshes[0].scale = Vector3{1.0f, 1.0f, 1.0f};
    scene.meshes[0].rotation = Vector3{0.0f, 0.0f, 0.0f};
    scene.meshes[0].position = Vector3{0.0f, 0.0f, 0.0f};

    lighting.light.ambient = Rgb{0.2f, 0.2f, 0.2f};
    lighting.lightPosition = Vertex{};
    lighting.lightPosition.z = -300.0f;
    lighting.light.diffuse = Rgb{1.0f, 1.0f, 1.0f};
    lighting.light.specular = Rgb{1.0f, 1.0f, 1.0f};
    lighting.material.ambient = Rgb{0.0f, 0.0f, 0.0f};
    lighting.material.diffuse = Rgb{1.0f, 1.0f, 1.0f};
    lighting.material.specular = Rgb{1.0f, 1.0f, 1.0f};
}

bool Renderer::initialise() {
    clock.perfFrequency = clock.counter.frequency();

    // Without the texture nothing else is set up: the picture stays empty.
    if (!loadDefaultTexture(scene)) {
        reportMissing(kDefaultTexturePath, "nothing will be drawn");
        return false;
    }

    setStartValues();

    const bool present = canOpenDefault(kDefaultModelPath);
    if (!present) reportMissing(kDefaultModelPath, "no model will be drawn");
    // A file that gives no mesh leaves the one empty mesh, as a missing one
    // does. The loader has computed the normals of every mesh it finished.
    const std::string said = loadModelFile(scene, kDefaultModelPath).message(kDefaultModelPath);
    if (present && !said.empty()) std::fprintf(stderr, "trivane: %s\n", said.c_str());
    return true;
}

}  // namespace trivane
