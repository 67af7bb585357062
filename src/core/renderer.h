#pragma once

#include <cstdint>
#include <vector>

#include "core/clock.h"
#include "math/vertex.h"
#include "raster/frame_layout.h"
#include "raster/frame_target.h"
#include "raster/lighting_terms.h"
#include "scene/mesh.h"

namespace trivane {

class PlatformServices;

enum RenderMode : int32_t { Wire = 1, Mapping = 2, Gouraud = 3 };

constexpr int32_t kMaxMeshes = 1000;
// Row bands a frame is cut into at most: a few per worker, so that a band
// with much to draw does not leave the others idle.
constexpr int32_t kMaxBands = 64;

// A face that passed the back-face and clip tests, ready to be drawn by every
// band it reaches: its corners in screen space, the texture corners of a
// textured face, and the rows it can touch.
struct AssembledFace {
    enum Kind : uint8_t { Lines, Shaded, Textured };
    const Vertex* corner[3];
    float u[3];
    float v[3];
    int32_t rowLow;   // first row it can touch
    int32_t rowHigh;  // last row it can touch
    Kind kind;
};

// The material lighting uses for a mesh, its exponent and where it came from
// (an index into the material table, or -1 for the default material).
struct MaterialChoice {
    LightingTerms terms;
    int32_t shininess;
    int32_t source;
};

// Stands in for the console window that the viewer historically opened; it
// exists for the lifetime of the program and writes nothing.
class DebugConsole {
public:
    DebugConsole() = default;
    ~DebugConsole() = default;
};

// The whole state of the system in one record. The program holds one of
// static lifetime; tests create their own on the heap (it is several MB).
// Flags are bytes holding 0 or 1. Member functions are defined in the folder
// of the subsystem they belong to.
class Renderer {
public:
    Renderer();
    ~Renderer();
    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;

    // ---- fields, in the order of the record ----
    float fps = 0.0f;
    int64_t perfFrequency = 0;
    int64_t lastCounter = 0;
    Mesh meshes[kMaxMeshes];
    int32_t dragStartY = 0;
    int32_t lastMouseX = 0, lastMouseY = 0;
    int32_t meshCount = 0;
    int32_t presentWidth = 0, presentHeight = 0;
    int32_t renderMode = 0;
    int32_t buildIndexCursor = 0;
    Vector3 cameraRotation;
    uint8_t parseFlag = 0;
    uint8_t animating = 0;
    uint8_t fixTextureSeam = 0;
    uint8_t keyHeld = 0;
    uint8_t mouseDragging = 0;
    uint8_t rightButtonDown = 0;
    uint8_t leftButtonDown = 0;
    uint8_t dirty = 0;
    uint8_t transposeRotations = 0;
    uint8_t lookAtMode = 0;
    uint8_t moveModel = 0;
    std::vector<uint8_t> textureFile;         // the whole texture file
    uint8_t* frameBits = nullptr;             // first framebuffer byte, row 0 = bottom
    const uint8_t* texturePixels = nullptr;   // first texel, inside textureFile
    uint8_t drawColor[3] = {0, 0, 0};         // red, green, blue
    int32_t frameWidth = 0;
    int32_t textureWidth = 0;
    int32_t frameHeight = 0;
    int32_t textureMaxY = 0;
    int32_t textureStride = 0;
    int32_t frameStride = 0;
    int32_t buildVertexCursor = 0;
    float nearPlane = 0.0f;
    float farPlane = 0.0f;
    float viewportWidth = 0.0f;
    float viewportHeight = 0.0f;
    Vertex cameraPosition;
    Vertex cameraTarget;
    Vertex cameraUp;
    Matrix4 builderMatrix;
    Matrix4 rotationMatrix;
    Matrix4 scaleMatrix;
    Matrix4 transform;
    Matrix4 frameTransform;
    float zBuffer[kFrameWidth * kFrameHeight] = {};  // reciprocal depth, 0 = empty
    double sphereMaxY[1000] = {};
    double sphereMinY[1000] = {};
    LightingTerms material;
    Vertex lightPosition;
    LightingTerms light;
    std::vector<LightingTerms> materials;
    int32_t materialCount = 0;
    uint8_t hasMaterials = 0;
    std::vector<float> materialShine;

    // ---- our additions ----
    // The material that lighting uses when the model has no material list (or
    // names a material it does not have); the dialog edits it.
    LightingTerms defaultMaterial;
    // Where the last lit vertex took its material from: an index into
    // materials, or -1 for defaultMaterial. The dialog writes back there.
    int32_t materialSource = -1;
    // The counter behind the frame rate; tests replace it.
    CounterSource counter;
    // The colour buffer itself; frameBits points here once it is created.
    uint8_t frameStorage[kFrameStride * kFrameHeight] = {};
    // Per-frame working storage, kept between frames so that frames allocate
    // nothing once the model's size is known.
    std::vector<AssembledFace> assembledFaces;
    raster::FrameBand bands[kMaxBands];
    int64_t vertexStarts[kMaxMeshes + 1] = {};

    // ---- core: context, start-up, frame ----
    void setDirty(bool value) { dirty = value ? 1 : 0; }
    // Points frameBits at the colour buffer and sets width, height and stride.
    // Only 800 x 600 exists; any other size leaves frameBits null.
    void createFrameBitmap(int32_t width, int32_t height);
    // Frame rate from the counter, then the automatic rotation.
    void endOfFrame();
    bool initialise();
    void renderFrame();
    // The frame's stages, in order: vertices (true when any was processed),
    // faces (how many were assembled), then the bands.
    bool transformVertices(int32_t meshesInUse);
    size_t assembleFaces(int32_t meshesInUse);
    void drawBands(size_t faceCount);
    // The whole picture as one band, for drawing outside a frame.
    raster::FrameBand wholeFrame();
    raster::TexelSource texels() const;
    // Takes the last colour a band's fills computed into drawColor.
    void keepLastColour(const raster::FrameBand& band);

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
    int32_t loadModel(const char* path);
    bool loadTexture();
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
    MaterialChoice materialFor(int32_t materialIndex) const;
    // Fixed bounds, not the size fields: column 0 and row 0 are never written.
    // Inline: the fills store every pixel through it.
    void putPixel(int32_t x, int32_t y) {
        if (x <= 0 || x >= 800 || y <= 0 || y >= 600 || frameBits == nullptr) return;
        storeRgb(frameRow(frameBits, y) + 3 * x, drawColor[0], drawColor[1], drawColor[2]);
    }
    void drawLine(int32_t x0, int32_t y0, int32_t x1, int32_t y1);
    void drawGouraudTriangle(Vertex a, Vertex b, Vertex c, int32_t faceIndex);
    void fillGouraudApexFirst(Vertex left, Vertex right, Vertex apex);
    void fillGouraudApexLast(Vertex left, Vertex right, Vertex apex);
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
