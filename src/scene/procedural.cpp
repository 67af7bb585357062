#include <cmath>

#include "core/renderer.h"
#include "math/transforms.h"
#include "math/numeric.h"

// The four models that need no file. Each replaces the scene with mesh 0 and
// allocates exactly the entries its build writes: the counts are known before
// anything is written.

namespace trivane {

namespace {

// Angles of the procedural models use 3.14 / 180 like every rotation of the
// viewer, not pi / 180: the globe's last ring is therefore not quite a point.
constexpr double kDegree = kDegreeFactor;
constexpr float kInverse180 = 0.0055555557f;
constexpr float kInverse360 = 0.0027777778f;

// No procedural mesh ever held more than this many entries per array; a build
// asked to exceed it adds nothing.
constexpr int64_t kMaxBuildEntries = 1000000;

constexpr int32_t kRadius = 360;
constexpr int32_t kGlobeSlices = 30;
constexpr int32_t kGlobeStacks = 30;
constexpr int32_t kGeoSphereDepth = 5;
constexpr int32_t kIcoSphereDepth = 4;

struct BuildSize {
    int64_t vertices = 0;
    int64_t indices = 0;
    bool fits = false;
};

// Runs the globe's float loops without writing, so that the room it needs is
// known exactly (rings may hold slices + 1 vertices or not, depending on how
// the float steps add up).
BuildSize globeSize(int32_t slices, int32_t stacks) {
    BuildSize size;
    if (slices <= 0 || stacks <= 0) return size;
    const float phiStep = 360.0f / static_cast<float>(slices);
    const float thetaStep = 180.0f / static_cast<float>(stacks);
    for (float theta = 0.0f; theta <= 180.0f;) {
        for (float phi = 0.0f; phi <= 360.0f; phi += phiStep) {
            if (++size.vertices > kMaxBuildEntries) return size;
        }
        const float next = theta + thetaStep;
        if (next <= 180.0f) size.indices += 6 * int64_t{slices};
        if (size.indices > kMaxBuildEntries || next == theta) return size;
        theta = next;
    }
    size.fits = true;
    return size;
}

// A face subdivided to depth d adds 4^d - 1 vertices and 4^d triangles.
BuildSize subdivisionSize(int32_t depth, int32_t faces) {
    BuildSize size;
    if (depth > 12) return size;
    const int64_t leaves = depth <= 0 ? 1 : (int64_t{1} << (2 * depth));
    size.vertices = (leaves - 1) * faces;
    size.indices = 3 * leaves * faces;
    size.fits = true;
    return size;
}

template <typename T>
void growTo(std::vector<T>& array, int64_t count) {
    if (static_cast<int64_t>(array.size()) < count) array.resize(static_cast<size_t>(count));
}

// Allocates mesh 0 of a procedural model with exactly the given room, in the
// order vertices, transformed, indices, normals, clip flags.
void allocateBuildMesh(Mesh& mesh, int64_t vertices, int64_t indices) {
    releaseMeshArrays(mesh);
    mesh.vertices.resize(static_cast<size_t>(vertices));
    mesh.transformed.resize(static_cast<size_t>(vertices));
    mesh.indices.resize(static_cast<size_t>(indices));
    mesh.normals.resize(static_cast<size_t>(vertices));
    mesh.clipFlags.resize(static_cast<size_t>(vertices));
}

struct SphereCorner {
    double polar;
    float azimuth;
};

}  // namespace

namespace {

// Makes room in mesh 0 for what a builder is about to append at the cursors.
// The model commands allocate exactly, so this only grows arrays for a
// builder called on its own.
bool makeBuildRoom(Renderer& r, const BuildSize& size) {
    if (!size.fits || r.buildVertexCursor < 0 || r.buildIndexCursor < 0) return false;
    const int64_t vertices = int64_t{r.buildVertexCursor} + size.vertices;
    const int64_t indices = int64_t{r.buildIndexCursor} + size.indices;
    if (vertices > kMaxBuildEntries || indices > kMaxBuildEntries) return false;
    Mesh& mesh = r.meshes[0];
    growTo(mesh.vertices, vertices);
    growTo(mesh.transformed, vertices);
    growTo(mesh.normals, vertices);
    growTo(mesh.clipFlags, vertices);
    growTo(mesh.indices, indices);
    return true;
}

void subdivide(Renderer& r, int32_t a, int32_t b, int32_t c, int32_t depth) {
    Mesh& mesh = r.meshes[0];
    if (depth <= 0) {
        // Emitted as (a, c, b): each level reverses the winding of its
        // children once more, so odd depths keep the starting face's winding.
        int32_t* out = mesh.indices.data() + r.buildIndexCursor;
        out[0] = a;
        out[1] = c;
        out[2] = b;
        r.buildIndexCursor += 3;
        return;
    }
    const int32_t m = r.buildVertexCursor;
    r.buildVertexCursor += 3;
    auto midpoint = [&mesh](int32_t target, int32_t p, int32_t q) {
        const Vertex& vp = mesh.vertices[static_cast<size_t>(p)];
        const Vertex& vq = mesh.vertices[static_cast<size_t>(q)];
        Vertex& out = mesh.vertices[static_cast<size_t>(target)];
        out.x = static_cast<float>(0.5 * (static_cast<double>(vp.x) + vq.x));
        out.y = static_cast<float>(0.5 * (static_cast<double>(vp.y) + vq.y));
        out.z = static_cast<float>(0.5 * (static_cast<double>(vp.z) + vq.z));
        out.normalize();
    };
    midpoint(m, b, a);
    midpoint(m + 1, c, a);
    midpoint(m + 2, c, b);
    subdivide(r, a, m + 1, m, depth - 1);
    subdivide(r, m + 1, c, m + 2, depth - 1);
    subdivide(r, m, m + 2, b, depth - 1);
    subdivide(r, m, m + 1, m + 2, depth - 1);
}

bool isBuiltVertex(const Renderer& r, int32_t index) {
    return index >= 0 && index < r.buildVertexCursor &&
           static_cast<size_t>(index) < r.meshes[0].vertices.size();
}

// Subdivides the starting faces, scales to the radius and gives every vertex
// its texture coordinates: v from the height, u from the azimuth about y.
void buildSubdividedSphere(Renderer& r, int32_t radius, int32_t depth, const int32_t (*faces)[3],
                           int32_t faceCount) {
    for (int32_t f = 0; f < faceCount; ++f) {
        for (int corner = 0; corner < 3; ++corner) {
            if (!isBuiltVertex(r, faces[f][corner])) return;
        }
    }
    if (!makeBuildRoom(r, subdivisionSize(depth, faceCount))) return;
    for (int32_t f = 0; f < faceCount; ++f) subdivide(r, faces[f][0], faces[f][1], faces[f][2], depth);

    Mesh& mesh = r.meshes[0];
    // The extent starts from vertex 0 before scaling; vertex 0 of both solids
    // lies inside the scaled extent, so the result is the true one.
    r.sphereMinY[0] = r.sphereMaxY[0] = mesh.vertices[0].y;
    const int32_t count = r.buildVertexCursor;
    for (int32_t i = 0; i < count; ++i) {
        Vertex& v = mesh.vertices[static_cast<size_t>(i)];
        v.x = static_cast<float>(static_cast<double>(v.x) * radius);
        v.y = static_cast<float>(static_cast<double>(v.y) * radius);
        v.z = static_cast<float>(static_cast<double>(v.z) * radius);
        if (v.y < r.sphereMinY[0]) {
            r.sphereMinY[0] = v.y;
        } else if (v.y > r.sphereMaxY[0]) {
            r.sphereMaxY[0] = v.y;
        }
    }
    for (int32_t i = 0; i < count; ++i) {
        Vertex& v = mesh.vertices[static_cast<size_t>(i)];
        v.v = static_cast<float>((v.y - r.sphereMinY[0]) / (r.sphereMaxY[0] - r.sphereMinY[0]));
        v.u = static_cast<float>(static_cast<double>(r.azimuthDegrees(v.x, v.z, 0.0f, -50.0f)) *
                                 kInverse360);
    }
}

const int32_t kTetrahedronFaces[4][3] = {{0, 1, 2}, {0, 2, 3}, {0, 3, 1}, {1, 3, 2}};

const int32_t kIcosahedronFaces[20][3] = {
    {0, 2, 1},  {0, 3, 2},  {0, 4, 3},  {0, 5, 4},   {0, 1, 5},  {1, 2, 6},  {6, 2, 7},
    {2, 3, 7},  {7, 3, 8},  {3, 4, 8},  {8, 4, 9},   {4, 5, 9},  {9, 5, 10}, {5, 1, 10},
    {10, 1, 6}, {11, 6, 7}, {11, 7, 8}, {11, 8, 9}, {11, 9, 10}, {11, 10, 6}};

struct CubeCorner {
    float x, y, z, u, v;
};

const CubeCorner kCubeVertices[24] = {
    {-200, -200, 200, 0, 1},  {-200, -200, 200, 1, 1},  {-200, -200, 200, 0, 1},
    {200, -200, 200, 1, 1},   {200, -200, 200, 1, 1},   {200, -200, 200, 0, 1},
    {200, -200, -200, 1, 0},  {200, -200, -200, 1, 1},  {200, -200, -200, 0, 1},
    {-200, -200, -200, 0, 0}, {-200, -200, -200, 0, 1}, {-200, -200, -200, 1, 1},
    {-200, 200, 200, 1, 0},   {-200, 200, 200, 0, 0},   {-200, 200, 200, 0, 0},
    {200, 200, 200, 1, 0},    {200, 200, 200, 0, 0},    {200, 200, 200, 1, 0},
    {200, 200, -200, 1, 0},   {200, 200, -200, 0, 0},   {200, 200, -200, 1, 1},
    {-200, 200, -200, 0, 0},  {-200, 200, -200, 1, 0},  {-200, 200, -200, 0, 1}};

const int32_t kCubeIndices[36] = {0,  9,  6,  0,  6,  3,  10, 21, 18, 10, 18, 7,
                                  8,  19, 15, 4,  8,  15, 5,  16, 12, 5,  12, 1,
                                  2,  13, 22, 2,  22, 11, 23, 14, 17, 23, 17, 20};

// Steps shared by the four commands: the old model goes (mesh 0 in any case),
// and mesh 0 alone is in use.
void startProceduralModel(Renderer& r) {
    if (r.meshCount < 1) r.meshCount = 1;
    r.releaseModel();
    r.meshCount = 1;
}

void finishSphere(Renderer& r) {
    Mesh& mesh = r.meshes[0];
    mesh.vertexCount = r.buildVertexCursor;
    mesh.indexCount = r.buildIndexCursor;
    mesh.scale = Vector3{1.0f, 1.0f, 1.0f};
    mesh.rotation = Vector3{0.0f, 0.0f, 0.0f};
    mesh.position = Vector3{0.0f, 0.0f, 0.0f};
    r.materialCount = 0;
    r.computeVertexNormals(r.meshCount);
}

}  // namespace

void Renderer::buildGlobe(int32_t radius, int32_t slices, int32_t stacks) {
    if (!makeBuildRoom(*this, globeSize(slices, stacks))) return;
    Mesh& mesh = meshes[0];
    const float phiStep = 360.0f / static_cast<float>(slices);
    const float thetaStep = 180.0f / static_cast<float>(stacks);
    float theta = 0.0f;
    while (theta <= 180.0f) {
        const double ringSine = std::sin(theta * kDegree);
        const float ringY = static_cast<float>(radius * std::cos(theta * kDegree));
        const float ringV = theta * kInverse180;
        for (float phi = 0.0f; phi <= 360.0f; phi += phiStep) {
            Vertex& v = mesh.vertices[static_cast<size_t>(buildVertexCursor)];
            v.x = static_cast<float>(radius * std::cos(phi * kDegree) * ringSine);
            v.y = ringY;
            v.z = static_cast<float>(radius * std::sin(phi * kDegree) * ringSine);
            v.u = phi * kInverse360;
            v.v = ringV;
            ++buildVertexCursor;
        }
        const float next = theta + thetaStep;
        if (next <= 180.0f) {
            // The band to the next ring, whose first vertex is the next one
            // written; it assumes every ring holds slices + 1 vertices.
            const int32_t first = buildVertexCursor;
            for (int32_t a = first; a < first + slices; ++a) {
                const int32_t b = a - slices;
                int32_t* out = mesh.indices.data() + buildIndexCursor;
                out[0] = a;
                out[1] = b - 1;
                out[2] = b;
                out[3] = a;
                out[4] = b;
                out[5] = a + 1;
                buildIndexCursor += 6;
            }
        }
        theta = next;
    }
}

void Renderer::subdivideTriangle(int32_t a, int32_t b, int32_t c, int32_t depth) {
    if (!isBuiltVertex(*this, a) || !isBuiltVertex(*this, b) || !isBuiltVertex(*this, c)) return;
    if (!makeBuildRoom(*this, subdivisionSize(depth, 1))) return;
    subdivide(*this, a, b, c, depth);
}

void Renderer::buildGeoSphere(int32_t radius, int32_t depth) {
    buildSubdividedSphere(*this, radius, depth, kTetrahedronFaces, 4);
}

void Renderer::buildIcoSphere(int32_t radius, int32_t depth) {
    buildSubdividedSphere(*this, radius, depth, kIcosahedronFaces, 20);
}

float Renderer::azimuthDegrees(float ax, float az, float bx, float bz) {
    const double lengthA = std::sqrt(static_cast<double>(ax) * ax + static_cast<double>(az) * az);
    const double lengthB = std::sqrt(static_cast<double>(bx) * bx + static_cast<double>(bz) * bz);
    // Rounding the reciprocals to float is what pulls whole-degree angles just
    // below their value before the truncation: (0, 1) gives 179.
    const float inverseA = static_cast<float>(1.0 / lengthA);
    const float inverseB = static_cast<float>(1.0 / lengthB);
    const float unitAx = static_cast<float>(static_cast<double>(ax) * inverseA);
    const double dot = (static_cast<double>(inverseB) * bz) * (static_cast<double>(inverseA) * az) +
                       (static_cast<double>(inverseB) * bx) * unitAx;
    // acos of a rounding overshoot or of a zero direction is NaN, which
    // converts to 0.
    int32_t angle = truncToInt32(std::acos(dot) * 180.0 * 0.31830988654751274);
    if (unitAx > 0.0f) angle = 360 - angle;
    return static_cast<float>(angle);
}

void Renderer::createGlobeSphere() {
    fixTextureSeam = 0;
    buildVertexCursor = 0;
    buildIndexCursor = 0;
    startProceduralModel(*this);
    const BuildSize size = globeSize(kGlobeSlices, kGlobeStacks);
    allocateBuildMesh(meshes[0], size.vertices, size.indices);
    buildGlobe(kRadius, kGlobeSlices, kGlobeStacks);
    finishSphere(*this);
}

void Renderer::createGeoSphere() {
    buildVertexCursor = 4;
    buildIndexCursor = 0;
    startProceduralModel(*this);
    const BuildSize size = subdivisionSize(kGeoSphereDepth, 4);
    allocateBuildMesh(meshes[0], 4 + size.vertices, size.indices);
    const float start[4][3] = {{0.0f, 0.0f, -1.0f},
                               {0.0f, -0.942809f, 0.333333f},
                               {-0.816497f, 0.471405f, 0.333333f},
                               {0.816497f, 0.471405f, 0.333333f}};
    for (int i = 0; i < 4; ++i) {
        meshes[0].vertices[static_cast<size_t>(i)].x = start[i][0];
        meshes[0].vertices[static_cast<size_t>(i)].y = start[i][1];
        meshes[0].vertices[static_cast<size_t>(i)].z = start[i][2];
    }
    buildGeoSphere(kRadius, kGeoSphereDepth);
    finishSphere(*this);
}

void Renderer::createIcoSphere() {
    buildVertexCursor = 12;
    buildIndexCursor = 0;
    startProceduralModel(*this);
    const BuildSize size = subdivisionSize(kIcoSphereDepth, 20);
    allocateBuildMesh(meshes[0], 12 + size.vertices, size.indices);
    // The two ring angles are doubles, the others floats, as the solid has
    // always been defined.
    const double upper = 2.034443527471076;
    const double lower = 1.107148472528924;
    const SphereCorner corners[12] = {
        {3.141592f, 0.0f},  {upper, 0.0f},        {upper, 1.2566369f}, {upper, 2.5132737f},
        {upper, 3.7699103f}, {upper, 5.0265474f}, {lower, 0.6283184f}, {lower, 1.8849552f},
        {lower, 3.141592f}, {lower, 4.3982286f},  {lower, 5.6548657f}, {0.0f, 0.0f}};
    for (int i = 0; i < 12; ++i) {
        Vertex& v = meshes[0].vertices[static_cast<size_t>(i)];
        const double polarSine = std::sin(corners[i].polar);
        v.x = static_cast<float>(polarSine * std::cos(static_cast<double>(corners[i].azimuth)));
        v.y = static_cast<float>(std::cos(corners[i].polar));
        v.z = static_cast<float>(polarSine * std::sin(static_cast<double>(corners[i].azimuth)));
    }
    buildIcoSphere(kRadius, kIcoSphereDepth);
    finishSphere(*this);
}

void Renderer::createCube() {
    fixTextureSeam = 0;
    startProceduralModel(*this);
    allocateBuildMesh(meshes[0], 24, 36);
    Mesh& mesh = meshes[0];
    for (int i = 0; i < 24; ++i) {
        Vertex& v = mesh.vertices[static_cast<size_t>(i)];
        v.x = kCubeVertices[i].x;
        v.y = kCubeVertices[i].y;
        v.z = kCubeVertices[i].z;
        v.u = kCubeVertices[i].u;
        v.v = kCubeVertices[i].v;
    }
    for (int i = 0; i < 36; ++i) mesh.indices[static_cast<size_t>(i)] = kCubeIndices[i];
    // The cube keeps the model's position, rotation and scale.
    mesh.vertexCount = 24;
    mesh.indexCount = 36;
    buildVertexCursor = 24;
    buildIndexCursor = 36;
    materialCount = 0;
    computeVertexNormals(meshCount);
}

}  // namespace trivane
