#include <cmath>

#include "math/numeric.h"
#include "math/transforms.h"
#include "scene/procedural.h"

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

constexpr int32_t kRadius = 360;
constexpr int32_t kGlobeSlices = 30;
constexpr int32_t kGlobeStacks = 30;
constexpr int32_t kGeoSphereDepth = 5;
constexpr int32_t kIcoSphereDepth = 4;

struct BuildSize {
    int64_t vertices = 0;
    int64_t indices = 0;
};

// Runs the globe's float loops without writing, so that the room it needs is
// known exactly (rings may hold slices + 1 vertices or not, depending on how
// the float steps add up).
BuildSize globeSize(int32_t slices, int32_t stacks) {
    BuildSize size;
    const float phiStep = 360.0f / static_cast<float>(slices);
    const float thetaStep = 180.0f / static_cast<float>(stacks);
    for (float theta = 0.0f; theta <= 180.0f; theta += thetaStep) {
        for (float phi = 0.0f; phi <= 360.0f; phi += phiStep) ++size.vertices;
        if (theta + thetaStep <= 180.0f) size.indices += 6 * int64_t{slices};
    }
    return size;
}

// A face subdivided to depth d adds 4^d - 1 vertices and 4^d triangles.
BuildSize subdivisionSize(int32_t depth, int32_t faces) {
    const int64_t leaves = int64_t{1} << (2 * depth);
    return BuildSize{(leaves - 1) * faces, 3 * leaves * faces};
}

// Mesh 0 of a procedural model, allocated with exactly the room its build
// writes, and where the build has got to.
struct Build {
    Mesh& mesh;
    int32_t vertexCursor;
    int32_t indexCursor = 0;

    Build(Mesh& target, int32_t startVertices, const BuildSize& size) : mesh(target), vertexCursor(startVertices) {
        const auto vertices = static_cast<size_t>(startVertices + size.vertices);
        releaseMeshArrays(mesh);
        mesh.vertices.resize(vertices);
        mesh.transformed.resize(vertices);
        mesh.indices.resize(static_cast<size_t>(size.indices));
        mesh.normals.resize(vertices);
        mesh.clipFlags.resize(vertices);
    }

    void subdivide(int32_t a, int32_t b, int32_t c, int32_t depth);
};

void Build::subdivide(int32_t a, int32_t b, int32_t c, int32_t depth) {
    if (depth <= 0) {
        // Emitted as (a, c, b): each level reverses the winding of its
        // children once more, so odd depths keep the starting face's winding.
        int32_t* out = mesh.indices.data() + indexCursor;
        out[0] = a;
        out[1] = c;
        out[2] = b;
        indexCursor += 3;
        return;
    }
    const int32_t m = vertexCursor;
    vertexCursor += 3;
    auto midpoint = [this](int32_t target, int32_t p, int32_t q) {
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
    subdivide(a, m + 1, m, depth - 1);
    subdivide(m + 1, c, m + 2, depth - 1);
    subdivide(m, m + 2, b, depth - 1);
    subdivide(m, m + 1, m + 2, depth - 1);
}

void buildGlobe(Build& build, int32_t radius, int32_t slices, int32_t stacks) {
    Mesh& mesh = build.mesh;
    const float phiStep = 360.0f / static_cast<float>(slices);
    const float thetaStep = 180.0f / static_cast<float>(stacks);
    float theta = 0.0f;
    while (theta <= 180.0f) {
        const double ringSine = std::sin(theta * kDegree);
        const float ringY = static_cast<float>(radius * std::cos(theta * kDegree));
        const float ringV = theta * kInverse180;
        for (float phi = 0.0f; phi <= 360.0f; phi += phiStep) {
            Vertex& v = mesh.vertices[static_cast<size_t>(build.vertexCursor++)];
            v.x = static_cast<float>(radius * std::cos(phi * kDegree) * ringSine);
            v.y = ringY;
            v.z = static_cast<float>(radius * std::sin(phi * kDegree) * ringSine);
            v.u = phi * kInverse360;
            v.v = ringV;
        }
        const float next = theta + thetaStep;
        if (next <= 180.0f) {
            // The band to the next ring, whose first vertex is the next one
            // written; it assumes every ring holds slices + 1 vertices.
            const int32_t first = build.vertexCursor;
            for (int32_t a = first; a < first + slices; ++a) {
                const int32_t b = a - slices;
                int32_t* out = mesh.indices.data() + build.indexCursor;
                out[0] = a;
                out[1] = b - 1;
                out[2] = b;
                out[3] = a;
                out[4] = b;
                out[5] = a + 1;
                build.indexCursor += 6;
            }
        }
        theta = next;
    }
}

// Subdivides the starting faces, scales to the radius and gives every vertex
// its texture coordinates: v from the height, u from the azimuth about y.
void buildSubdividedSphere(Build& build, int32_t radius, int32_t depth, const int32_t (*faces)[3],
                           int32_t faceCount) {
    for (int32_t f = 0; f < faceCount; ++f) build.subdivide(faces[f][0], faces[f][1], faces[f][2], depth);

    Mesh& mesh = build.mesh;
    // The extent starts from vertex 0 before scaling; vertex 0 of both solids
    // lies inside the scaled extent, so the result is the true one.
    double minY = mesh.vertices[0].y, maxY = mesh.vertices[0].y;
    const int32_t count = build.vertexCursor;
    for (int32_t i = 0; i < count; ++i) {
        Vertex& v = mesh.vertices[static_cast<size_t>(i)];
        v.x = static_cast<float>(static_cast<double>(v.x) * radius);
        v.y = static_cast<float>(static_cast<double>(v.y) * radius);
        v.z = static_cast<float>(static_cast<double>(v.z) * radius);
        if (v.y < minY) {
            minY = v.y;
        } else if (v.y > maxY) {
            maxY = v.y;
        }
    }
    for (int32_t i = 0; i < count; ++i) {
        Vertex& v = mesh.vertices[static_cast<size_t>(i)];
        v.v = static_cast<float>((v.y - minY) / (maxY - minY));
        v.u = static_cast<float>(static_cast<double>(azimuthDegrees(v.x, v.z, 0.0f, -50.0f)) * kInverse360);
    }
}

struct SphereCorner {
    double polar;
    float azimuth;
};

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

// The old model goes (mesh 0 in any case), and mesh 0 alone is in use.
Mesh& startProceduralModel(SceneState& scene) {
    if (scene.meshCount < 1) scene.meshCount = 1;
    releaseModel(scene);
    scene.meshCount = 1;
    return scene.meshes[0];
}

void finishModel(const Build& build) {
    build.mesh.vertexCount = build.vertexCursor;
    build.mesh.indexCount = build.indexCursor;
    computeVertexNormals(build.mesh);
}

// A sphere stands at the origin, unturned and unscaled.
void finishSphere(const Build& build) {
    build.mesh.scale = Vector3{1.0f, 1.0f, 1.0f};
    build.mesh.rotation = Vector3{0.0f, 0.0f, 0.0f};
    build.mesh.position = Vector3{0.0f, 0.0f, 0.0f};
    finishModel(build);
}

}  // namespace

float azimuthDegrees(float ax, float az, float bx, float bz) {
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

void createGlobeSphere(SceneState& scene) {
    Mesh& mesh = startProceduralModel(scene);
    Build build(mesh, 0, globeSize(kGlobeSlices, kGlobeStacks));
    buildGlobe(build, kRadius, kGlobeSlices, kGlobeStacks);
    finishSphere(build);
}

void createGeoSphere(SceneState& scene) {
    Mesh& mesh = startProceduralModel(scene);
    Build build(mesh, 4, subdivisionSize(kGeoSphereDepth, 4));
    const float start[4][3] = {{0.0f, 0.0f, -1.0f},
                               {0.0f, -0.942809f, 0.333333f},
                               {-0.816497f, 0.471405f, 0.333333f},
                               {0.816497f, 0.471405f, 0.333333f}};
    for (int i = 0; i < 4; ++i) {
        mesh.vertices[static_cast<size_t>(i)].x = start[i][0];
        mesh.vertices[static_cast<size_t>(i)].y = start[i][1];
        mesh.vertices[static_cast<size_t>(i)].z = start[i][2];
    }
    buildSubdividedSphere(build, kRadius, kGeoSphereDepth, kTetrahedronFaces, 4);
    finishSphere(build);
}

void createIcoSphere(SceneState& scene) {
    Mesh& mesh = startProceduralModel(scene);
    Build build(mesh, 12, subdivisionSize(kIcoSphereDepth, 20));
    // The two ring angles are doubles, the others floats, as the solid has
    // always been defined.
    const double upper = 2.034443527471076;
    const double lower = 1.107148472528924;
    const SphereCorner corners[12] = {
        {3.141592f, 0.0f},  {upper, 0.0f},        {upper, 1.2566369f}, {upper, 2.5132737f},
        {upper, 3.7699103f}, {upper, 5.0265474f}, {lower, 0.6283184f}, {lower, 1.8849552f},
        {lower, 3.141592f}, {lower, 4.3982286f},  {lower, 5.6548657f}, {0.0f, 0.0f}};
    for (int i = 0; i < 12; ++i) {
        Vertex& v = mesh.vertices[static_cast<size_t>(i)];
        const double polarSine = std::sin(corners[i].polar);
        v.x = static_cast<float>(polarSine * std::cos(static_cast<double>(corners[i].azimuth)));
        v.y = static_cast<float>(std::cos(corners[i].polar));
        v.z = static_cast<float>(polarSine * std::sin(static_cast<double>(corners[i].azimuth)));
    }
    buildSubdividedSphere(build, kRadius, kIcoSphereDepth, kIcosahedronFaces, 20);
    finishSphere(build);
}

void createCube(SceneState& scene) {
    Mesh& mesh = startProceduralModel(scene);
    Build build(mesh, 0, BuildSize{24, 36});
    for (const CubeCorner& corner : kCubeVertices) {
        Vertex& v = mesh.vertices[static_cast<size_t>(build.vertexCursor++)];
        v.x = corner.x;
        v.y = corner.y;
        v.z = corner.z;
        v.u = corner.u;
        v.v = corner.v;
    }
    for (const int32_t index : kCubeIndices) mesh.indices[static_cast<size_t>(build.indexCursor++)] = index;
    // The cube keeps the model's position, rotation and scale.
    finishModel(build);
}

}  // namespace trivane
