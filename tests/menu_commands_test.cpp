// Menu commands: the platform calls they make, the paths Load ASE refuses and
// Fit Model on models of any scale. Each command's picture is pinned in
// tests/cli.
#include <gtest/gtest.h>

#include "scene_files.h"
#include "scene/procedural.h"
#include "ui/menu_commands.h"
#include "ui/menu_ids.h"
#include "ui/platform_services.h"

namespace trivane {
namespace {

struct FakePlatform : PlatformServices {
    int quits = 0, dialogs = 0, picks = 0;
    std::optional<std::string> chosen;
    void requestQuit() override { ++quits; }
    void runLightMaterialDialog() override { ++dialogs; }
    std::optional<std::string> pickModelFile() override {
        ++picks;
        return chosen;
    }
    void showLoadReport(const std::string&, const LoadReport&) override {}
};

std::unique_ptr<Renderer> started() {
    auto r = test::startView(Gouraud);
    r->scene.meshes[0].visible = 1;  // as the default model leaves it; procedural models keep it
    return r;
}

// Ids no command has are in tests/cli (exit_ends_events).
TEST(MenuCommandTest, PlatformCallsAndTheAnimationToggle) {
    auto r = started();
    FakePlatform p;
    r->scene.meshes[0].rotation.y = 14.0f;
    for (int32_t id : {menu::kLoadModel, menu::kExit, menu::kLightMaterialDialog})  // the load is cancelled
        onMenuCommand(*r, p, id);
    EXPECT_EQ(std::vector<int>({p.quits, p.dialogs, p.picks}), std::vector<int>({1, 1, 1}));
    for (int expected : {1, 0}) {
        onMenuCommand(*r, p, menu::kToggleAnimation);
        EXPECT_EQ(r->clock.animating, expected);
    }
    EXPECT_EQ(r->scene.meshes[0].rotation.y, 14.0f);  // the rotation already applied stays
}

// Paths of 255 and 256 bytes are in tests/cli (refused_paths); a script
// cannot carry these two.
TEST(MenuCommandTest, LoadRefusesEmptyPathsAndPathsWithANul) {
    const std::string scene = std::string(TRIVANE_SOURCE_DIR) + "/data/bou.ASE";
    const std::pair<std::string, bool> cases[] = {{"", false}, {scene + std::string(1, '\0') + "x", false}, {scene, true}};
    for (const auto& [path, loads] : cases) {
        SCOPED_TRACE(::testing::Message() << path.size() << " bytes");
        auto r = started();
        FakePlatform p;
        createCube(r->scene);
        p.chosen = path;
        onMenuCommand(*r, p, menu::kLoadModel);
        EXPECT_EQ(std::vector<int>({r->scene.meshCount, r->scene.materialCount}), loads ? std::vector<int>({7, 6}) : std::vector<int>({1, 0}));
    }
}

// Rows and columns holding any drawn pixel.
struct Extent {
    int left = kFrameWidth, right = -1, bottom = kFrameHeight, top = -1;
};

Extent drawnExtent(const Renderer& r) {
    Extent e;
    for (int y = 0; y < kFrameHeight; ++y)
        for (int x = 0; x < kFrameWidth; ++x) {
            const uint8_t* p = r.target.frameBits + y * kFrameStride + 3 * x;
            if (p[0] | p[1] | p[2]) e = {std::min(e.left, x), std::max(e.right, x), std::min(e.bottom, y), std::max(e.top, y)};
        }
    return e;
}

// Fit fills the picture with the shown meshes, centred, whatever their scale
// and place in the file, and ignores hidden ones.
TEST(MenuCommandTest, FitModelFillsThePictureWithTheShownMeshes) {
    const std::string shared = std::string(TRIVANE_TESTDATA_DIR) + "/ase/";
    test::TempDir dir;
    const std::string hiddenFirst = dir.write(
        "bone.ase", "*NODE_NAME \"Bone01\"\n*MESH_NUMVERTEX 1\n*MESH_VERTEX 0 -90000 0 0\n*PROP_MOTIONBLUR\n"
                    "*NODE_NAME \"Tiny\"\n*MESH_NUMVERTEX 3\n*MESH_NUMFACES 1\n*MESH_VERTEX 0 5000 0 7000\n"
                    "*MESH_VERTEX 1 5001 0 7000\n*MESH_VERTEX 2 5000 0 7001\n"
                    "*MESH_FACE 0: A: 0 B: 1 C: 2 AB: 1 BC: 1 CA: 1 *MESH_SMOOTHING 1 *MESH_MTLID 0\n*PROP_MOTIONBLUR\n");
    for (const std::string& load : {hiddenFirst, shared + "Rifle.ase", shared + "MotionCaptureROM.ase"}) {
        SCOPED_TRACE(load);
        if (!std::filesystem::exists(load)) GTEST_SKIP() << "real model files not found: " << load;
        auto r = started();
        FakePlatform p;
        ASSERT_TRUE(loadModelFile(r->scene, load.c_str()).loaded());
        r->scene.meshes[0].rotation.y = 30.0f;
        onMenuCommand(*r, p, menu::kFitModel);
        r->input.dirty = 1;
        r->renderFrame();
        const Extent e = drawnExtent(*r);
        ASSERT_GE(e.right, e.left);
        EXPECT_GE(std::max(e.right - e.left, (e.top - e.bottom) * 4 / 3), 400);
        EXPECT_TRUE(e.left > 0 && e.right < kFrameWidth - 1 && e.bottom > 0 && e.top < kFrameHeight - 1);
        EXPECT_NEAR((e.left + e.right) / 2, kFrameWidth / 2, 120);
        EXPECT_NEAR((e.bottom + e.top) / 2, kFrameHeight / 2, 90);
        EXPECT_EQ(r->scene.meshes[0].rotation.y, 30.0f);  // turned as it was
    }
}

// A model just opened is framed: turned so that it is not seen edge-on and
// filling 60 to 90 % of the picture's width or height, whatever its scale,
// place and orientation in the file. Flat planes in each of the three planes
// too.
TEST(MenuCommandTest, FramingShowsEveryModelLargeAndNeverEdgeOn) {
    const std::string shared = std::string(TRIVANE_TESTDATA_DIR) + "/ase/";
    test::TempDir dir;
    // Both windings, each with corners of its own, so that one side faces
    // the camera whichever way the plane is turned.
    auto plane = [&](const char* name, const char* a, const char* b, const char* c, const char* d) {
        std::string text = "*NODE_NAME \"Plane\"\n*MESH_NUMVERTEX 8\n*MESH_NUMFACES 4\n";
        for (int i = 0; i < 8; ++i)
            text += "*MESH_VERTEX " + std::to_string(i) + " " + std::initializer_list<const char*>{a, b, c, d}.begin()[i % 4] + "\n";
        for (const char* face : {"0: A: 0 B: 1 C: 2", "1: A: 0 B: 2 C: 3", "2: A: 4 B: 6 C: 5", "3: A: 4 B: 7 C: 6"})
            text += std::string("*MESH_FACE ") + face + " AB: 1 BC: 1 CA: 1 *MESH_SMOOTHING 1 *MESH_MTLID 0\n";
        return dir.write(name, text + "*PROP_MOTIONBLUR\n");
    };
    // In file coordinates (z up), at any scale.
    const std::string models[] = {
        plane("xy.ase", "-9000 -9000 40", "9000 -9000 40", "9000 9000 40", "-9000 9000 40"),
        plane("xz.ase", "-3 0 -3", "3 0 -3", "3 0 3", "-3 0 3"),
        plane("yz.ase", "0 -50 -50", "0 50 -50", "0 50 50", "0 -50 50"),
        shared + "Rifle.ase", shared + "MotionCaptureROM.ase", shared + "ThreeCubesGreen.ASE"};
    for (const std::string& load : models) {
        SCOPED_TRACE(load);
        if (!std::filesystem::exists(load)) GTEST_SKIP() << "real model files not found: " << load;
        auto r = started();
        FakePlatform p;
        ASSERT_TRUE(loadModelFile(r->scene, load.c_str()).loaded());
        r->scene.meshes[0].visible = 1;
        for (int32_t id : {menu::kFrameModel, menu::kModeGouraud}) onMenuCommand(*r, p, id);
        r->input.dirty = 1;
        r->renderFrame();
        const Extent e = drawnExtent(*r);
        ASSERT_GE(e.right, e.left) << "nothing drawn";
        const double width = (e.right - e.left + 1) / double(kFrameWidth), height = (e.top - e.bottom + 1) / double(kFrameHeight);
        EXPECT_TRUE(std::max(width, height) >= 0.6 && std::max(width, height) <= 0.9) << width << " x " << height;
        EXPECT_GE(std::min(width, height), 0.1) << "seen edge-on";
    }
}

}  // namespace
}  // namespace trivane
