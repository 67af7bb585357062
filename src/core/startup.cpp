#include <unistd.h>

#include <cstdio>
#include <string>

#include "core/renderer.h"
#include "scene/files.h"

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
    parseFlag = 0;
    animating = 0;
    transposeRotations = 0;
    rightButtonDown = 0;
    leftButtonDown = 0;
    keyHeld = 0;
    dirty = 0;
    lookAtMode = 1;
    // Off: most real exports are box- or planar-mapped, and the correction
    // turns each of their faces into a one-texel sliver.
    fixTextureSeam = 0;
    moveModel = 1;
    meshCount = 1;

    nearPlane = 300.0f;
    farPlane = 200000.0f;
    viewportWidth = 800.0f;
    viewportHeight = 600.0f;

    cameraPosition = Vertex{};
    cameraPosition.z = -1700.0f;
    cameraTarget = Vertex{};
    cameraUp = Vertex{};
    cameraUp.y = 1.0f;
    cameraRotation = Vector3{0.0f, 0.0f, 0.0f};

    meshes[0].scale = Vector3{1.0f, 1.0f, 1.0f};
    meshes[0].rotation = Vector3{0.0f, 0.0f, 0.0f};
    meshes[0].position = Vector3{0.0f, 0.0f, 0.0f};

    light.ambient = Rgb{0.2f, 0.2f, 0.2f};
    lightPosition = Vertex{};
    lightPosition.z = -300.0f;
    light.diffuse = Rgb{1.0f, 1.0f, 1.0f};
    light.specular = Rgb{1.0f, 1.0f, 1.0f};
    material.ambient = Rgb{0.0f, 0.0f, 0.0f};
    material.diffuse = Rgb{1.0f, 1.0f, 1.0f};
    material.specular = Rgb{1.0f, 1.0f, 1.0f};

    buildVertexCursor = 4;
    buildIndexCursor = 0;

    drawColor[0] = 255;
    drawColor[1] = 0;
    drawColor[2] = 0;
    dragStartY = 0;
    mouseDragging = 0;
    renderMode = Mapping;
}

bool Renderer::initialise() {
    perfFrequency = counter.frequency();

    // Without the texture nothing else is set up: the picture stays empty.
    if (!loadTexture()) {
        reportMissing(kDefaultTexturePath, "nothing will be drawn");
        return false;
    }

    setStartValues();

    const bool present = canOpenDefault(kDefaultModelPath);
    if (!present) reportMissing(kDefaultModelPath, "no model will be drawn");
    // A file that gives no mesh leaves the one empty mesh, as a missing one does.
    const std::string said = loadModel(kDefaultModelPath).message(kDefaultModelPath);
    if (present && !said.empty()) std::fprintf(stderr, "trivane: %s\n", said.c_str());

    computeVertexNormals(meshCount);
    return true;
}

}  // namespace trivane
