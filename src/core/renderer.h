#pragma once

#include <cstdint>
#include <vector>

#include "core/clock.h"
#include "core/frame_stages.h"
#include "math/camera_state.h"
#include "raster/frame_target.h"
#include "raster/light_state.h"
#include "scene/loaded_files.h"
#include "scene/scene_state.h"
#include "ui/input_state.h"

namespace trivane {

class PlatformServices;

// Stands in for the console window that the viewer historically opened; it
// exists for the lifetime of the program and writes nothing.
class DebugConsole {
public:
    DebugConsole() = default;
    ~DebugConsole() = default;
};

// The whole state, composed of parts with one responsibility each. Code that
// needs only some of it takes those parts (see frame_stages.h); the member
// functions here are the operations that span several parts. The program holds
// one Renderer of static lifetime; tests create their own on the heap (it is
// several MB). Flags are bytes holding 0 or 1.
//
// Where each field of the single-record layout lives:
//   SceneState   meshes, meshCount, materials, materialCount, materialShine,
//                textureFile, texturePixels, textureWidth, textureMaxY,
//                textureStride, parseFlag, hasMaterials, buildVertexCursor,
//                buildIndexCursor, sphereMaxY, sphereMinY
//   CameraState  cameraPosition, cameraTarget, cameraUp, cameraRotation,
//                lookAtMode, nearPlane, farPlane, viewportWidth,
//                viewportHeight, transform, frameTransform, builderMatrix,
//                rotationMatrix, scaleMatrix, transposeRotations
//   LightState   light, lightPosition, material (+ defaultMaterial,
//                materialSource)
//   FrameTarget  frameBits, frameWidth, frameHeight, frameStride, zBuffer,
//                drawColor, renderMode, fixTextureSeam, presentWidth,
//                presentHeight (+ frameStorage)
//   InputState   dragStartY, lastMouseX, lastMouseY, keyHeld, mouseDragging,
//                rightButtonDown, leftButtonDown, moveModel, dirty
//   FrameClock   fps, perfFrequency, lastCounter, animating (+ counter)
//   FrameWork    per-frame storage of the stages
// Fields nothing read (the horizontal drag start, the current counter, the
// specular strengths and two sphere bounds) are gone.
class Renderer : public SceneState,
                 public CameraState,
                 public LightState,
                 public FrameTarget,
                 public InputState,
                 public FrameClock,
                 public FrameWork {
public:
    Renderer() = default;
    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;

    // ---- core: context, start-up, frame ----
    void setDirty(bool value) { dirty = value ? 1 : 0; }
    // Frame rate from the counter, then the automatic rotation.
    void endOfFrame();
    bool initialise();
    // Everything start-up sets apart from reading the two files.
    void setStartValues();
    void renderFrame();

    // ---- geometry: transform builders ----
    void translate(float tx, float ty, float tz);
    void rotateX(float degrees);
    void rotateY(float degrees);
    void rotateZ(float degrees);
    void scaleBy(float sx, float sy, float sz);
    void lookAt(Vertex eye, Vertex target, Vertex up);
    void project(Vertex& vertex);
    void toViewport(Vertex& vertex);

    // ---- scene and assets ----
    void releaseModel();
    // Reads a model file (falling back to the default one when the path
    // cannot be opened) and installs it when it holds a mesh.
    LoadReport loadModel(const char* path);
    // The same from a file's bytes already in memory.
    LoadReport loadModelFromMemory(const uint8_t* data, size_t size);
    // Replaces the model on screen with one read from a file.
    void installModel(LoadedModel&& model);
    // Reads ./64Bits.bmp (else the installed copy); false when neither can be
    // opened.
    bool loadTexture();
    // Takes a bitmap file's bytes as the texture (a white texel when they
    // are not a usable 24-bit image).
    void useTexture(std::vector<uint8_t> bytes);
    void installTexture(LoadedTexture&& texture);
    void computeVertexNormals(int32_t meshNumber);
    void buildGlobe(int32_t radius, int32_t slices, int32_t stacks);
    void subdivideTriangle(int32_t a, int32_t b, int32_t c, int32_t depth);
    void buildGeoSphere(int32_t radius, int32_t depth);
    void buildIcoSphere(int32_t radius, int32_t depth);
    float azimuthDegrees(float ax, float az, float bx, float bz);
    // The four model commands of the menu.
    void createGlobeSphere();
    void createGeoSphere();
    void createIcoSphere();
    void createCube();

    // ---- shading and rasterisation ----
    void lightVertex(int32_t meshIndex, int32_t vertexIndex, Vertex normal, int32_t materialIndex);
    void drawTexturedTriangle(Vertex a, Vertex b, Vertex c, int32_t faceIndex);
    void fillTexturedApexFirst(Vertex left, Vertex right, Vertex apex);
    void fillTexturedApexLast(Vertex left, Vertex right, Vertex apex);

    // ---- front-end logic ----
    void onKey(int32_t keyCode, uint8_t pressed);
    void onLeftButtonDown(int32_t x, int32_t y);
    void onLeftButtonUp();
    void onRightButtonDown(int32_t x, int32_t y);
    void onRightButtonUp();
    void onMouseMove(int32_t x, int32_t y);
    void onMouseWheel(int32_t raw);
    void onMenuCommand(PlatformServices& platform, int32_t id);
};

}  // namespace trivane
