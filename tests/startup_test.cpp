#include <algorithm>
#include <string>
#include <tuple>

#include <gtest/gtest.h>

#include "scene_files.h"
#include "test_support.h"

namespace trivane {
namespace {

using test::TempDir;
using test::Xyzw;
using test::xyz;
using test::xyzw;

int64_t fakeFrequency() { return 12345; }
int64_t fakeCounter() { return 1; }

// A 2 x 2, 24-bit bitmap.
std::string tinyBitmap() {
    std::string bytes(54 + 2 * 8, '\0');
    bytes[0] = 'B';
    bytes[1] = 'M';
    bytes[18] = 2;
    bytes[22] = 2;
    bytes[28] = 24;
    return bytes;
}

const char* const kModel =
    "*MATERIAL_COUNT 1\n*MATERIAL_DIFFUSE 0.5 0.5 0.5\n*MATERIAL_SHINESTRENGTH 0\n"
    "*NODE_NAME \"First\"\n*MESH_NUMVERTEX 3\n*MESH_NUMFACES 1\n"
    "*MESH_VERTEX 0 0 0 0\n*MESH_VERTEX 1 1 0 0\n*MESH_VERTEX 2 0 0 1\n"
    "*MESH_FACE 0: A: 0 B: 1 C: 2 AB: 1 BC: 1 CA: 1 *MESH_SMOOTHING 1 *MESH_MTLID 0\n"
    "*PROP_MOTIONBLUR 0\n"
    "*NODE_NAME \"Bip01\"\n*MESH_NUMVERTEX 1\n*PROP_MOTIONBLUR 0\n";

struct Started {
    std::unique_ptr<Renderer> renderer = test::makeRendererWithFrame();
    bool result = false;
    std::string errors;
    std::string directory;
};

Started start(bool withTexture, bool withModel) {
    TempDir dir;
    if (withTexture) dir.write("64Bits.bmp", tinyBitmap());
    if (withModel) dir.write("data/bou.ASE", kModel);
    test::WorkingDirectory cwd(dir.path());
    Started s;
    s.directory = std::filesystem::current_path().string();
    s.renderer->counter = CounterSource{&fakeFrequency, &fakeCounter};
    testing::internal::CaptureStderr();
    s.result = s.renderer->initialise();
    s.errors = testing::internal::GetCapturedStderr();
    return s;
}

// Exactly one line on standard error, naming the file and where it was looked for.
void expectOneLineNaming(const Started& s, const char* file) {
    EXPECT_EQ(std::count(s.errors.begin(), s.errors.end(), '\n'), 1) << s.errors;
    EXPECT_NE(s.errors.find(file), std::string::npos) << s.errors;
    EXPECT_NE(s.errors.find(s.directory), std::string::npos) << s.errors;
}

TEST(Startup, DefaultsAndTheDefaultModel) {
    Started s = start(true, true);
    const Renderer& r = *s.renderer;
    EXPECT_TRUE(s.result);
    EXPECT_EQ(s.errors, "");
    EXPECT_EQ(r.perfFrequency, 12345);
    EXPECT_EQ(std::tuple(r.textureWidth, r.textureMaxY), std::tuple(2, 1));
    EXPECT_EQ(std::tuple(r.lookAtMode, r.moveModel, r.fixTextureSeam, r.animating, r.dirty),
              std::tuple(1, 1, 0, 0, 0));
    EXPECT_EQ(r.renderMode, Mapping);
    EXPECT_EQ(std::tuple(r.nearPlane, r.farPlane, r.viewportWidth, r.viewportHeight),
              std::tuple(300.0f, 200000.0f, 800.0f, 600.0f));
    EXPECT_EQ(xyzw(r.cameraPosition), (Xyzw{0.0f, 0.0f, -1700.0f, 1.0f}));
    EXPECT_EQ(xyz(r.cameraTarget), (std::array{0.0f, 0.0f, 0.0f}));
    EXPECT_EQ(xyz(r.cameraUp), (std::array{0.0f, 1.0f, 0.0f}));
    EXPECT_EQ(xyz(r.lightPosition), (std::array{0.0f, 0.0f, -300.0f}));
    EXPECT_EQ(r.light.ambient.g, 0.2f);
    EXPECT_EQ(r.light.diffuse.b, 1.0f);
    EXPECT_EQ(r.material.ambient.r, 0.0f);
    EXPECT_EQ(r.material.specular.r, 1.0f);
    EXPECT_EQ(std::tuple(r.drawColor[0], r.drawColor[1], r.drawColor[2]), std::tuple(255, 0, 0));
    EXPECT_EQ(std::tuple(r.buildVertexCursor, r.buildIndexCursor), std::tuple(4, 0));
    // The model overrides the position that start-up set.
    ASSERT_EQ(r.meshCount, 2);
    EXPECT_EQ(r.meshes[0].position.y, 500.0f);
    EXPECT_EQ(r.meshes[0].scale.x, 1.0f);
    EXPECT_EQ(std::tuple(r.meshes[0].visible, r.meshes[1].visible), std::tuple(1, 0));
    EXPECT_EQ(r.materialCount, 1);
    EXPECT_EQ(r.materials[0].diffuse.g, 0.5f);
    // Stored corners (0, 2, 1) over the vertices (0, 0, 0), (2, 0, 0),
    // (0, 2, 0): (0, 2, 0) x (2, 0, 0).
    EXPECT_EQ(r.meshes[0].normals[0].z, -4.0f);
}

TEST(Startup, MissingTextureStopsEarlyAndSaysWhy) {
    Started s = start(false, true);
    const Renderer& r = *s.renderer;
    EXPECT_FALSE(s.result);
    EXPECT_EQ(r.perfFrequency, 12345);
    // Nothing after the texture was set up.
    EXPECT_EQ(std::tuple(r.meshCount, r.lookAtMode, r.moveModel, r.renderMode, r.drawColor[0]),
              std::tuple(0, 0, 0, 0, 0));
    EXPECT_EQ(std::tuple(r.nearPlane, r.viewportWidth, r.cameraPosition.z, r.cameraUp.y, r.light.ambient.r),
              std::tuple(0.0f, 0.0f, 0.0f, 0.0f, 0.0f));
    EXPECT_EQ(r.texturePixels, nullptr);
    EXPECT_TRUE(r.meshes[0].vertices.empty());
    expectOneLineNaming(s, "./64Bits.bmp");
}

TEST(Startup, MissingModelLeavesOneEmptyMeshAndSaysWhy) {
    Started s = start(true, false);
    const Renderer& r = *s.renderer;
    EXPECT_TRUE(s.result);
    EXPECT_EQ(r.meshCount, 1);
    EXPECT_EQ(std::tuple(r.meshes[0].vertexCount, r.meshes[0].indexCount), std::tuple(0, 0));
    EXPECT_EQ(r.meshes[0].position.y, 0.0f);
    EXPECT_EQ(r.renderMode, Mapping);
    EXPECT_EQ(r.lookAtMode, 1);
    expectOneLineNaming(s, "./data/bou.ASE");
}

// The repository's own default scene, read from the repository root as the
// viewer reads it from its working directory.
TEST(Startup, RepositoryDefaultSceneFitsTheDefaultView) {
    test::WorkingDirectory cwd(TRIVANE_SOURCE_DIR);
    auto r = test::makeRendererWithFrame();
    testing::internal::CaptureStderr();
    ASSERT_TRUE(r->initialise());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(std::tuple(r->textureWidth, r->textureMaxY, r->textureStride), std::tuple(64, 63, 192));
    ASSERT_EQ(r->meshCount, 7);
    EXPECT_EQ(r->materialCount, 6);
    int hidden = 0, textured = 0;
    float lowest = 1e9f, highest = -1e9f;
    for (int i = 0; i < r->meshCount; ++i) {
        const Mesh& m = r->meshes[i];
        SCOPED_TRACE(i);
        hidden += m.visible ? 0 : 1;
        EXPECT_LT(m.materialIndex, r->materialCount);
        ASSERT_GT(m.vertexCount, 0);
        ASSERT_GT(m.indexCount, 0);
        for (int k = 0; k < m.indexCount; ++k) ASSERT_TRUE(m.indices[k] >= 0 && m.indices[k] < m.vertexCount);
        if (m.texVertexCount > 0) {
            ++textured;
            ASSERT_EQ(m.texFaceIndexCount, m.indexCount);
            for (int k = 0; k < m.texFaceIndexCount; ++k)
                ASSERT_TRUE(m.texFaces[k] >= 0 && m.texFaces[k] < m.texVertexCount);
        }
        for (int k = 0; k < m.vertexCount && m.visible; ++k) {
            lowest = std::min(lowest, m.vertices[k].y + r->meshes[0].position.y);
            highest = std::max(highest, m.vertices[k].y + r->meshes[0].position.y);
        }
    }
    EXPECT_EQ(hidden, 1);
    EXPECT_EQ(textured, 3);
    // The bone is hidden; procedural models take over mesh 0's visibility, and
    // the last mesh lit owns the material the dialog edits: both must be seen.
    EXPECT_EQ(r->meshes[1].visible, 0);
    EXPECT_EQ(r->meshes[0].visible, 1);
    EXPECT_EQ(r->meshes[r->meshCount - 1].visible, 1);
    // Seen from 1700 in front with a 90 degree field of view the picture
    // spans -1700..1700 at the origin's depth; the figure keeps a margin.
    EXPECT_GT(lowest, -1200.0f);
    EXPECT_LT(highest, 1400.0f);
    EXPECT_GT(highest - lowest, 1800.0f);
    // Materials differ from each other.
    EXPECT_NE(r->materials[1].diffuse.b, r->materials[2].diffuse.b);
    EXPECT_NE(r->materials[2].diffuse.r, r->materials[1].diffuse.r);
}

}  // namespace
}  // namespace trivane
