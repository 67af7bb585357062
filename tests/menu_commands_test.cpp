// Menu commands: the fields each command leaves, the platform calls it
// makes, and the light and material dialog reaching the picture.
#include <filesystem>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "scene_files.h"
#include "test_support.h"
#include "ui/light_dialog.h"
#include "ui/menu_ids.h"
#include "ui/platform_services.h"

namespace trivane {
namespace {

// Scroll events the dialog receives while it is "open".
struct Scroll {
    int32_t control, code, thumb;
};

struct FakePlatform : PlatformServices, DialogControls {
    explicit FakePlatform(Renderer& r) : renderer(r) {}
    Renderer& renderer;
    int quits = 0, dialogs = 0, picks = 0;
    std::optional<std::string> chosen;
    std::vector<Scroll> scrolls;
    std::vector<int32_t> ends;

    void requestQuit() override { ++quits; }
    void runLightMaterialDialog() override {
        ++dialogs;
        LightMaterialDialog dialog(renderer, *this);
        dialog.onInitDialog();
        for (const Scroll& s : scrolls) dialog.onScroll(s.control, s.code, s.thumb);
        dialog.onCommand(2);
    }
    std::optional<std::string> pickModelFile() override {
        ++picks;
        return chosen;
    }
    void showLoadReport(const std::string& path, const LoadReport& report) override {
        reports.push_back(report.message(path));
    }
    std::vector<std::string> reports;
    void setScrollRange(int32_t, int32_t, int32_t) override {}
    void setScrollPos(int32_t, int32_t) override {}
    void setText(int32_t, const char*) override {}
    void endDialog(int32_t result) override { ends.push_back(result); }
};

// The start-up defaults, without reading the default scene's files.
std::unique_ptr<Renderer> started() {
    auto r = test::makeRendererWithFrame();
    r->perfFrequency = 1000;
    r->lookAtMode = 1;
    r->moveModel = 1;
    r->meshCount = 1;
    r->nearPlane = 300.0f;
    r->farPlane = 200000.0f;
    r->viewportWidth = 800.0f;
    r->viewportHeight = 600.0f;
    r->cameraPosition = Vertex{0, 0, -1700};
    r->cameraUp = Vertex{0, 1, 0};
    r->meshes[0].scale = Vector3{1, 1, 1};
    r->meshes[0].visible = 1;  // as the default model leaves it; procedural models keep it
    r->light = LightingTerms{{0.2f, 0.2f, 0.2f}, {1, 1, 1}, {1, 1, 1}};
    r->lightPosition = Vertex{0, 0, -300};
    r->material = LightingTerms{{0, 0, 0}, {1, 1, 1}, {1, 1, 1}};
    r->drawColor[0] = 255;
    r->renderMode = Gouraud;
    return r;
}

// Everything a command might touch by mistake, as plain numbers.
std::vector<double> snapshot(const Renderer& r) {
    std::vector<double> v;
    for (const Vertex* p : {&r.cameraPosition, &r.cameraTarget, &r.lightPosition})
        v.insert(v.end(), {p->x, p->y, p->z, p->w});
    for (const Vector3* p : {&r.cameraRotation, &r.meshes[0].position, &r.meshes[0].rotation, &r.meshes[0].scale})
        v.insert(v.end(), {p->x, p->y, p->z});
    for (const Rgb* c : {&r.light.ambient, &r.light.diffuse, &r.light.specular}) v.insert(v.end(), {c->r, c->g, c->b});
    v.insert(v.end(), {double(r.renderMode), double(r.meshCount), double(r.meshes[0].vertexCount),
                       double(r.lookAtMode), double(r.animating), double(r.dirty), double(r.materialCount)});
    return v;
}

void expectVector(const Vector3& v, float x, float y, float z) {
    EXPECT_EQ(v.x, x);
    EXPECT_EQ(v.y, y);
    EXPECT_EQ(v.z, z);
}

TEST(MenuTableTest, MenusItemsAndIds) {
    ASSERT_EQ(menu::kMenuCount, 7);
    const char* titles[] = {"File", "Camera", "모델선택", "Mapping", "Lighting", "애니메이션", "Help"};
    const int counts[] = {3, 3, 4, 3, 1, 1, 2};
    std::vector<std::pair<std::string, int32_t>> items;
    for (int m = 0; m < menu::kMenuCount; ++m) {
        EXPECT_STREQ(menu::kMenus[m].title, titles[m]);
        ASSERT_EQ(menu::kMenus[m].itemCount, counts[m]);
        for (int i = 0; i < counts[m]; ++i) items.emplace_back(menu::kMenus[m].items[i].text, menu::kMenus[m].items[i].id);
    }
    const std::vector<std::pair<std::string, int32_t>> expected = {
        {"Load ASE", 40019},        {"Save Picture…", 40030}, {"Exit", 40001},
        {"Lookat", 40002},          {"Euler", 40003},           {"Fit Model", 40021},
        {"CreateGlobeSphere\r\n", 40010}, {"CreateGeoSphere\r\n", 40011},
        {"20면체구", 40014},         {"3D정사각형", 40017},
        {"Mapping", 40012},         {"Wire", 40013},
        {"Gouraud Shading", 40015}, {"빛,재질조정", 40018},
        {"활성,비활성", 40020},
        {"Controls", 40031},        {"About Trivane", 40032},
    };
    EXPECT_EQ(items, expected);
    EXPECT_EQ(menu::displayLength("CreateGlobeSphere\r\n"), 17);
    EXPECT_EQ(menu::displayLength("Exit"), 4);
    EXPECT_EQ(menu::displayLength("\r\n"), 0);
}

TEST(MenuCommandTest, CameraPresets) {
    const struct {
        int32_t id;
        float z;
        uint8_t lookAt;
    } presets[] = {{menu::kCameraLookAt, -1000.0f, 1}, {menu::kCameraEuler, -400.0f, 0}};
    for (const auto& preset : presets) {
        SCOPED_TRACE(preset.id);
        auto r = started();
        FakePlatform p(*r);
        r->cameraPosition = Vertex{30, -40, -900};
        r->cameraPosition.w = 7.0f;
        r->cameraTarget = Vertex{5, 6, 7};
        r->cameraRotation = Vector3{10, 20, 30};
        r->meshes[0].position = Vector3{1, 2, 3};
        r->meshes[0].rotation = Vector3{4, 5, 6};
        r->lightPosition.x = 50;
        r->lookAtMode = 1 - preset.lookAt;
        r->dirty = 0;
        r->onMenuCommand(p, preset.id);
        const Vertex &c = r->cameraPosition, &t = r->cameraTarget;
        // Only x, y and z of the position are written.
        EXPECT_EQ(std::vector<float>({c.x, c.y, c.z, c.w, t.x, t.y, t.z}),
                  std::vector<float>({0, 0, preset.z, 7, 0, 0, 0}));
        expectVector(r->cameraRotation, 0, 0, 0);
        EXPECT_EQ(r->lookAtMode, preset.lookAt);
        EXPECT_EQ(r->dirty, 1);
        // Neither the model nor the light moves.
        expectVector(r->meshes[0].position, 1, 2, 3);
        expectVector(r->meshes[0].rotation, 4, 5, 6);
        EXPECT_EQ(r->lightPosition.x, 50.0f);
        EXPECT_EQ(p.quits + p.dialogs + p.picks, 0);
    }
}

TEST(MenuCommandTest, ModesAnimationUnusedIdsAndPlatformCalls) {
    auto r = started();
    FakePlatform p(*r);
    r->createCube();
    r->dirty = 0;
    const std::vector<double> before = snapshot(*r);
    // Ids without an item change nothing.
    for (int32_t id : {40004, 40005, 40006, 40007, 40008, 40009, 40016, 40000, 40029, 0, -1, 1, 2})
        r->onMenuCommand(p, id);
    EXPECT_EQ(snapshot(*r), before);
    // A render mode changes nothing else.
    const int32_t modes[][2] = {{menu::kModeWire, Wire}, {menu::kModeMapping, Mapping}, {menu::kModeGouraud, Gouraud}};
    for (const auto& m : modes) {
        r->renderMode = 0;
        r->onMenuCommand(p, m[0]);
        EXPECT_EQ(r->renderMode, m[1]);
        r->renderMode = Gouraud;
        EXPECT_EQ(snapshot(*r), before) << m[0];
    }
    EXPECT_EQ(p.quits + p.dialogs + p.picks, 0);
    r->onMenuCommand(p, menu::kExit);
    EXPECT_EQ(p.quits, 1);
    r->onMenuCommand(p, menu::kLightMaterialDialog);
    EXPECT_EQ(p.dialogs, 1);
    EXPECT_EQ(p.ends, std::vector<int32_t>{1});
    r->onMenuCommand(p, menu::kLoadModel);  // cancelled
    EXPECT_EQ(p.picks, 1);
    EXPECT_EQ(snapshot(*r), before);

    r->meshes[0].rotation.y = 14.0f;
    r->onMenuCommand(p, menu::kToggleAnimation);
    EXPECT_EQ(r->animating, 1);
    r->onMenuCommand(p, menu::kToggleAnimation);
    EXPECT_EQ(r->animating, 0);
    EXPECT_EQ(r->meshes[0].rotation.y, 14.0f);  // the rotation already applied stays
}

TEST(MenuCommandTest, CubeKeepsTheTransformSpheresResetIt) {
    for (int32_t id : {menu::kCube, menu::kGlobeSphere, menu::kGeoSphere, menu::kIcoSphere}) {
        SCOPED_TRACE(id);
        auto r = started();
        FakePlatform p(*r);
        r->meshes[0].position = Vector3{0, 500, 0};
        r->meshes[0].rotation = Vector3{30, -20, 15};
        r->meshes[0].scale = Vector3{0.5f, 0.5f, 0.5f};
        r->materials = {LightingTerms{}};
        r->materialShine = {1.0f};
        r->materialCount = 1;
        r->onMenuCommand(p, id);
        EXPECT_EQ(r->meshCount, 1);
        EXPECT_EQ(r->materialCount, 0);
        EXPECT_GT(r->meshes[0].indexCount, 0);
        EXPECT_EQ(r->meshes[0].texVertexCount, 0);
        const bool cube = id == menu::kCube;
        if (cube) {
            EXPECT_EQ(r->meshes[0].vertexCount, 24);
            EXPECT_EQ(r->meshes[0].indexCount, 36);
        }
        expectVector(r->meshes[0].position, 0, cube ? 500 : 0, 0);
        expectVector(r->meshes[0].rotation, cube ? 30 : 0, cube ? -20 : 0, cube ? 15 : 0);
        expectVector(r->meshes[0].scale, cube ? 0.5f : 1, cube ? 0.5f : 1, cube ? 0.5f : 1);
    }
}

// The repository's own default scene: seven meshes, six materials.
const std::string kSceneModel = std::string(TRIVANE_SOURCE_DIR) + "/data/bou.ASE";
constexpr int32_t kSceneMeshes = 7;
constexpr int32_t kSceneMaterials = 6;

// The same path, padded with "/." and "/" to exactly `bytes` bytes.
std::string padded(const std::string& path, size_t bytes) {
    const size_t slash = path.rfind('/');
    std::string dir = path.substr(0, slash);
    const std::string file = path.substr(slash);
    while (dir.size() + file.size() + 2 <= bytes) dir += "/.";
    while (dir.size() + file.size() < bytes) dir += "/";
    return dir + file;
}

TEST(MenuCommandTest, LoadRefusesPathsOver255Bytes) {
    // An empty path or one with a NUL inside is refused too: the loader
    // would open something other than what was chosen.
    std::vector<std::pair<std::string, bool>> cases = {{"", false},
                                                       {kSceneModel + std::string(1, '\0') + "x", false}};
    for (size_t bytes : {255u, 256u, 4096u}) {
        cases.emplace_back(padded(kSceneModel, bytes), bytes == 255);
        ASSERT_EQ(cases.back().first.size(), bytes);
    }
    for (const auto& [path, loads] : cases) {
        SCOPED_TRACE(::testing::Message() << path.size() << " bytes");
        auto r = started();
        FakePlatform p(*r);
        r->createCube();
        p.chosen = path;
        r->onMenuCommand(p, menu::kLoadModel);
        EXPECT_EQ(p.picks, 1);
        EXPECT_EQ(r->meshCount, loads ? kSceneMeshes : 1);
        EXPECT_EQ(r->materialCount, loads ? kSceneMaterials : 0);
        if (!loads) {
            EXPECT_EQ(r->meshes[0].vertexCount, 24);
        }
    }
}

// Sum of one colour channel over the picture: a cheap view of "brighter".
uint64_t channelSum(const Renderer& r, int channel) {
    uint64_t sum = 0;
    for (int i = channel; i < kFrameStride * kFrameHeight; i += 3) sum += r.frameBits[i];
    return sum;
}

TEST(MenuCommandTest, DialogMaterialReachesThePictureWithoutMaterialList) {
    auto r = started();
    FakePlatform p(*r);
    r->onMenuCommand(p, menu::kCube);
    r->setDirty(true);
    r->renderFrame();
    ASSERT_EQ(r->materialSource, -1);
    const uint64_t red = channelSum(*r, 2), green = channelSum(*r, 1), blue = channelSum(*r, 0);
    ASSERT_GT(red, 0u);
    // Material diffuse and specular red down to 0.1, ambient red to 0.
    p.scrolls = {{1053, ThumbTrack, 10}, {1056, ThumbTrack, 10}, {1050, PageLeft, 0}, {1050, PageLeft, 0}};
    r->onMenuCommand(p, menu::kLightMaterialDialog);
    r->setDirty(true);
    r->renderFrame();
    EXPECT_EQ(r->material.diffuse.r, 0.1f);  // what the text display shows
    EXPECT_EQ(r->material.ambient.r, 0.0f);
    const LightingTerms& d = r->defaultMaterial;
    EXPECT_EQ(std::vector<float>({d.ambient.r, d.ambient.g, d.diffuse.r, d.diffuse.g, d.specular.r, d.specular.b}),
              std::vector<float>({0.0f, 0.2f, 0.1f, 1.0f, 0.1f, 1.0f}));
    EXPECT_EQ(r->light.diffuse.r, 1.0f);  // the light rows are not the material's
    EXPECT_LT(channelSum(*r, 2), red / 2);
    EXPECT_EQ(channelSum(*r, 1), green);
    EXPECT_EQ(channelSum(*r, 0), blue);
}

TEST(MenuCommandTest, DialogMaterialReachesThePictureWithMaterialList) {
    auto r = started();
    FakePlatform p(*r);
    p.chosen = kSceneModel;
    r->onMenuCommand(p, menu::kLoadModel);
    ASSERT_EQ(r->materialCount, kSceneMaterials);
    r->setDirty(true);
    r->renderFrame();
    const int32_t source = r->materialSource;
    ASSERT_GE(source, 0);
    ASSERT_LT(source, kSceneMaterials);
    const std::vector<LightingTerms> before = r->materials;
    const float shine = r->materialShine[source];
    const uint64_t green = channelSum(*r, 1);
    p.scrolls = {{1054, ThumbTrack, 0}, {1057, ThumbTrack, 0}, {1051, ThumbTrack, 0}};  // all green off
    r->onMenuCommand(p, menu::kLightMaterialDialog);
    const LightingTerms& m = r->materials[source];
    EXPECT_EQ(std::vector<float>({m.ambient.g, m.diffuse.g, m.specular.g}), std::vector<float>(3, 0.0f));
    EXPECT_EQ(m.diffuse.r, before[source].diffuse.r);
    EXPECT_EQ(r->materialShine[source], shine);  // the shininess is not the dialog's
    for (int32_t i = 0; i < kSceneMaterials; ++i)
        if (i != source) {
            EXPECT_EQ(std::memcmp(&r->materials[i], &before[i], sizeof(LightingTerms)), 0) << i;
        }
    EXPECT_EQ(r->defaultMaterial.diffuse.g, 1.0f);
    r->setDirty(true);
    r->renderFrame();
    EXPECT_EQ(r->materialSource, source);
    EXPECT_EQ(r->material.diffuse.g, 0.0f);
    EXPECT_LT(channelSum(*r, 1), green);
}

}  // namespace
// Rows and columns holding any drawn pixel.
struct Extent {
    int left = kFrameWidth, right = -1, bottom = kFrameHeight, top = -1;
};

Extent drawnExtent(const Renderer& r) {
    Extent e;
    for (int y = 0; y < kFrameHeight; ++y)
        for (int x = 0; x < kFrameWidth; ++x) {
            const uint8_t* p = r.frameBits + y * kFrameStride + 3 * x;
            if (p[0] | p[1] | p[2]) e = {std::min(e.left, x), std::max(e.right, x), std::min(e.bottom, y), std::max(e.top, y)};
        }
    return e;
}

// Fit fills the picture with the shown meshes, centred, whatever their scale
// and place in the file, and ignores hidden ones.
TEST(MenuCommandTest, FitModelFillsThePictureWithTheShownMeshes) {
    const std::string shared = std::string(TRIVANE_TESTDATA_DIR) + "/ase/";
    test::TempDir dir;
    const std::string tiny = "*MESH_NUMVERTEX 3\n*MESH_NUMFACES 1\n*MESH_VERTEX 0 5000 0 7000\n"
                             "*MESH_VERTEX 1 5001 0 7000\n*MESH_VERTEX 2 5000 0 7001\n"
                             "*MESH_FACE 0: A: 0 B: 1 C: 2 AB: 1 BC: 1 CA: 1 *MESH_SMOOTHING 1 *MESH_MTLID 0\n";
    const std::string hiddenFirst = dir.write(
        "bone.ase", "*NODE_NAME \"Bone01\"\n*MESH_NUMVERTEX 1\n*MESH_VERTEX 0 -90000 0 0\n*PROP_MOTIONBLUR\n"
                    "*NODE_NAME \"Tiny\"\n" + tiny + "*PROP_MOTIONBLUR\n");
    const struct {
        std::string load;
        int32_t command;
    } cases[] = {{hiddenFirst, 0}, {"", menu::kCube}, {"", menu::kGeoSphere}, {shared + "Rifle.ase", 0},
                 {shared + "MotionCaptureROM.ase", 0}, {shared + "ThreeCubesGreen.ASE", 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.load + std::to_string(c.command));
        if (!c.load.empty() && !std::filesystem::exists(c.load)) {
            GTEST_SKIP() << "real model files not found: " << c.load;
        }
        auto r = started();
        FakePlatform p(*r);
        if (c.command) r->onMenuCommand(p, c.command);
        if (!c.load.empty()) {
            ASSERT_TRUE(r->loadModel(c.load.c_str()).loaded());
        }
        r->meshes[0].rotation.y = 30.0f;
        r->onMenuCommand(p, menu::kFitModel);
        r->setDirty(true);
        r->renderFrame();
        const Extent e = drawnExtent(*r);
        ASSERT_GE(e.right, e.left);
        EXPECT_GE(std::max(e.right - e.left, (e.top - e.bottom) * 4 / 3), 400);
        EXPECT_TRUE(e.left > 0 && e.right < kFrameWidth - 1 && e.bottom > 0 && e.top < kFrameHeight - 1);
        EXPECT_NEAR((e.left + e.right) / 2, kFrameWidth / 2, 120);
        EXPECT_NEAR((e.bottom + e.top) / 2, kFrameHeight / 2, 90);
        EXPECT_EQ(r->meshes[0].rotation.y, 30.0f);  // turned as it was
    }
}

}  // namespace trivane
