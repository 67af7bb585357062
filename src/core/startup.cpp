#include <cstdio>
#include <string>

#include "core/renderer.h"
#include "scene/files.h"
#include "scene/loaded_files.h"

namespace trivane {

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

StartReport Renderer::initialise() {
    StartReport report;
    clock.perfFrequency = clock.counter.frequency();

    // Without the texture nothing else is set up: the picture stays empty.
    if (!loadDefaultTexture(scene)) {
        report.missing.push_back(notFoundMessage(kDefaultTexturePath) + "; nothing will be drawn");
        return report;
    }

    setStartValues();
    report.started = true;

    const bool present = static_cast<bool>(readDefaultFile(kDefaultModelPath, kModelFile));
    if (!present) report.missing.push_back(notFoundMessage(kDefaultModelPath) + "; no model will be drawn");
    // A file that gives no mesh leaves the one empty mesh, as a missing one
    // does. The loader has computed the normals of every mesh it finished.
    const std::string said = loadModelFile(scene, kDefaultModelPath).message(kDefaultModelPath);
    if (present && !said.empty()) report.notes.push_back(said);
    return report;
}

}  // namespace trivane
