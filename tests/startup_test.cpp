#include <string>

#include <gtest/gtest.h>

#include "scene_files.h"
#include "test_support.h"

namespace trivane {
namespace {

using test::TempDir;

int64_t fakeFrequency() { return 12345; }
int64_t fakeCounter() { return 1; }

std::string tinyBitmap() {
    std::string bytes(54 + 2 * 8, '\0');
    bytes[0] = 'B';
    bytes[1] = 'M';
    bytes[18] = 2;  // width 2
    bytes[22] = 2;  // height 2
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

size_t lines(const std::string& text) { return static_cast<size_t>(std::count(text.begin(), text.end(), '\n')); }

TEST(Startup, DefaultsAndTheDefaultModel) {
    Started s = start(true, true);
    const Renderer& r = *s.renderer;
    EXPECT_TRUE(s.result);
    EXPECT_EQ(s.errors, "");
    EXPECT_EQ(r.perfFrequency, 12345);
    EXPECT_EQ(r.textureWidth, 2);
    EXPECT_EQ(r.textureMaxY, 1);
    EXPECT_EQ(r.lookAtMode, 1);
    EXPECT_EQ(r.moveModel, 1);
    EXPECT_EQ(r.fixTextureSeam, 0);
    EXPECT_EQ(r.animating, 0);
    EXPECT_EQ(r.dirty, 0);
    EXPECT_EQ(r.renderMode, Mapping);
    EXPECT_EQ(r.nearPlane, 300.0f);
    EXPECT_EQ(r.farPlane, 200000.0f);
    EXPECT_EQ(r.viewportWidth, 800.0f);
    EXPECT_EQ(r.viewportHeight, 600.0f);
    EXPECT_EQ(r.cameraPosition.z, -1700.0f);
    EXPECT_EQ(r.cameraPosition.w, 1.0f);
    EXPECT_EQ(r.cameraTarget.z, 0.0f);
    EXPECT_EQ(r.cameraUp.y, 1.0f);
    EXPECT_EQ(r.light.ambient.g, 0.2f);
    EXPECT_EQ(r.light.diffuse.b, 1.0f);
    EXPECT_EQ(r.lightPosition.z, -300.0f);
    EXPECT_EQ(r.material.ambient.r, 0.0f);
    EXPECT_EQ(r.material.specular.r, 1.0f);
    EXPECT_EQ(r.drawColor[0], 255);
    EXPECT_EQ(r.drawColor[1], 0);
    EXPECT_EQ(r.buildVertexCursor, 4);
    EXPECT_EQ(r.buildIndexCursor, 0);
    // The model overrides the position that start-up set.
    ASSERT_EQ(r.meshCount, 2);
    EXPECT_EQ(r.meshes[0].position.y, 500.0f);
    EXPECT_EQ(r.meshes[0].scale.x, 1.0f);
    EXPECT_EQ(r.meshes[0].visible, 1);
    EXPECT_EQ(r.meshes[1].visible, 0);
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
    EXPECT_EQ(r.meshCount, 0);
    EXPECT_EQ(r.renderMode, 0);
    EXPECT_EQ(r.lookAtMode, 0);
    EXPECT_EQ(r.moveModel, 0);
    EXPECT_EQ(r.nearPlane, 0.0f);
    EXPECT_EQ(r.viewportWidth, 0.0f);
    EXPECT_EQ(r.cameraPosition.z, 0.0f);
    EXPECT_EQ(r.cameraUp.y, 0.0f);
    EXPECT_EQ(r.light.ambient.r, 0.0f);
    EXPECT_EQ(r.drawColor[0], 0);
    EXPECT_EQ(r.texturePixels, nullptr);
    EXPECT_TRUE(r.meshes[0].vertices.empty());
    EXPECT_EQ(lines(s.errors), 1u);
    EXPECT_NE(s.errors.find("./64Bits.bmp"), std::string::npos) << s.errors;
    EXPECT_NE(s.errors.find(s.directory), std::string::npos) << s.errors;
}

TEST(Startup, MissingModelLeavesOneEmptyMeshAndSaysWhy) {
    Started s = start(true, false);
    const Renderer& r = *s.renderer;
    EXPECT_TRUE(s.result);
    EXPECT_EQ(r.meshCount, 1);
    EXPECT_EQ(r.meshes[0].vertexCount, 0);
    EXPECT_EQ(r.meshes[0].indexCount, 0);
    EXPECT_EQ(r.meshes[0].position.y, 0.0f);
    EXPECT_EQ(r.renderMode, Mapping);
    EXPECT_EQ(r.lookAtMode, 1);
    EXPECT_EQ(lines(s.errors), 1u);
    EXPECT_NE(s.errors.find("./data/bou.ASE"), std::string::npos) << s.errors;
    EXPECT_NE(s.errors.find(s.directory), std::string::npos) << s.errors;
}

}  // namespace
}  // namespace trivane

namespace trivane {
namespace {

// The repository's own default scene, read from the repository root as the
// viewer reads it from its working directory.
TEST(Startup, RepositoryDefaultSceneFitsTheDefaultView) {
    test::WorkingDirectory cwd(TRIVANE_SOURCE_DIR);
    auto r = test::makeRendererWithFrame();
    testing::internal::CaptureStderr();
    ASSERT_TRUE(r->initialise());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(r->textureWidth, 64);
    EXPECT_EQ(r->textureMaxY, 63);
    EXPECT_EQ(r->textureStride, 192);
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
        for (int k = 0; k < m.indexCount; ++k) {
            ASSERT_GE(m.indices[k], 0);
            ASSERT_LT(m.indices[k], m.vertexCount);
        }
        if (m.texVertexCount > 0) {
            ++textured;
            ASSERT_EQ(m.texFaceIndexCount, m.indexCount);
            for (int k = 0; k < m.texFaceIndexCount; ++k) {
                ASSERT_GE(m.texFaces[k], 0);
                ASSERT_LT(m.texFaces[k], m.texVertexCount);
            }
        }
        if (!m.visible) continue;
        for (int k = 0; k < m.vertexCount; ++k) {
            lowest = std::min(lowest, m.vertices[k].y + r->meshes[0].position.y);
            highest = std::max(highest, m.vertices[k].y + r->meshes[0].position.y);
        }
    }
    EXPECT_EQ(hidden, 1);
    EXPECT_EQ(r->meshes[1].visible, 0);  // the bone
    // Procedural models take over mesh 0's visibility, and the last mesh lit
    // owns the material the dialog edits: both must be seen.
    EXPECT_EQ(r->meshes[0].visible, 1);
    EXPECT_EQ(r->meshes[r->meshCount - 1].visible, 1);
    EXPECT_EQ(textured, 3);
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
