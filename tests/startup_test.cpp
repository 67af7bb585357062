
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

// The start values themselves show in the pinned default frame of tests/cli,
// missing files in its missing_files run.
TEST(Startup, TheDefaultModelOverridesThePlacementStartUpSet) {
    TempDir dir;
    dir.write("64Bits.bmp", test::bitmap(2, 2));
    dir.write("data/bou.ASE", kModel);
    test::WorkingDirectory cwd(dir.path());
    const auto renderer = test::makeRendererWithFrame();
    renderer->clock.counter = CounterSource{&fakeFrequency, &fakeCounter};
    const StartReport report = renderer->initialise();
    EXPECT_EQ(std::tuple(report.started, report.missing.size(), report.notes.size()), std::tuple(true, 0u, 0u));
    const Renderer& r = *renderer;
    EXPECT_EQ(std::tuple(r.clock.perfFrequency, r.scene.textureWidth, r.scene.textureMaxY, r.settings.renderMode, r.input.dirty), std::tuple(12345, 2, 1, Mapping, 0));
    ASSERT_EQ(std::tuple(r.scene.meshCount, r.scene.materialCount), std::tuple(2, 1));
    EXPECT_EQ(std::tuple(r.scene.meshes[0].position.y, r.scene.meshes[0].scale.x, r.scene.meshes[0].visible, r.scene.meshes[1].visible),
              std::tuple(500.0f, 1.0f, 1, 0));
    // Stored corners (0, 2, 1) over the vertices (0, 0, 0), (2, 0, 0),
    // (0, 2, 0): (0, 2, 0) x (2, 0, 0).
    EXPECT_EQ(r.scene.meshes[0].normals[0].z, -4.0f);
}

}  // namespace
}  // namespace trivane
