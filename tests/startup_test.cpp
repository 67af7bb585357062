
#include <gtest/gtest.h>

#include "scene_files.h"

namespace trivane {
namespace {

using test::TempDir;

int64_t fakeFrequency() { return 12345; }
int64_t fakeCounter() { return 1; }

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
    if (withTexture) dir.write("64Bits.bmp", test::bitmap(2, 2));
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

// The start values themselves show in the pinned default frame of tests/cli.
TEST(Startup, TheDefaultModelOverridesThePlacementStartUpSet) {
    Started s = start(true, true);
    const Renderer& r = *s.renderer;
    EXPECT_EQ(std::tuple(s.result, s.errors), std::tuple(true, ""));
    EXPECT_EQ(std::tuple(r.perfFrequency, r.textureWidth, r.textureMaxY, r.renderMode, r.dirty), std::tuple(12345, 2, 1, Mapping, 0));
    EXPECT_EQ(std::tuple(r.buildVertexCursor, r.buildIndexCursor), std::tuple(4, 0));
    ASSERT_EQ(std::tuple(r.meshCount, r.materialCount), std::tuple(2, 1));
    EXPECT_EQ(std::tuple(r.meshes[0].position.y, r.meshes[0].scale.x, r.meshes[0].visible, r.meshes[1].visible),
              std::tuple(500.0f, 1.0f, 1, 0));
    // Stored corners (0, 2, 1) over the vertices (0, 0, 0), (2, 0, 0),
    // (0, 2, 0): (0, 2, 0) x (2, 0, 0).
    EXPECT_EQ(r.meshes[0].normals[0].z, -4.0f);
}

// A missing texture stops before anything after it is set up; a missing model
// leaves one empty mesh. Either is one line on standard error naming the file
// and where it was looked for.
TEST(Startup, MissingFilesAreNamedOnOneLine) {
    const struct {
        bool texture;
        const char* file;
        bool result;
        std::tuple<int32_t, uint8_t, int32_t, float, float, float> state;  // meshes, camera, mode, near, camera z, y
    } cases[] = {{false, "./64Bits.bmp", false, {0, 0, 0, 0.0f, 0.0f, 0.0f}},
                 {true, "./data/bou.ASE", true, {1, 1, Mapping, 300.0f, -1700.0f, 0.0f}}};
    for (const auto& c : cases) {
        Started s = start(c.texture, !c.texture);
        const Renderer& r = *s.renderer;
        EXPECT_EQ(std::tuple(s.result, r.perfFrequency, r.texturePixels != nullptr, r.meshes[0].vertexCount), std::tuple(c.result, 12345, c.texture, 0));
        EXPECT_EQ(std::tuple(r.meshCount, r.lookAtMode, r.renderMode, r.nearPlane, r.cameraPosition.z, r.meshes[0].position.y), c.state);
        EXPECT_EQ(std::count(s.errors.begin(), s.errors.end(), '\n'), 1) << s.errors;
        EXPECT_TRUE(s.errors.find(c.file) != std::string::npos && s.errors.find(s.directory) != std::string::npos) << s.errors;
    }
}

}  // namespace
}  // namespace trivane
