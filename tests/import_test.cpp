// The importer's reply reader, and models read through the real
// trivane-import child.
#include <cstdlib>
#include <functional>

#include "core/png_writer.h"
#include "scene/import_child.h"
#include "scene/import_reply.h"
#include "scene_files.h"

namespace trivane::test {
namespace {

// A reply put together field by field, so that a case can break one field.
struct ReplyParts {
    struct MaterialPart {
        float colours[10] = {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f, 0.9f, 20.0f};
        int32_t texture = -1;
    };
    struct TexturePart {
        uint32_t width = 3, height = 2;
        std::vector<uint8_t> texels = std::vector<uint8_t>(18);
    };
    struct MeshPart {
        uint32_t material = 0, flags = 0;
        std::vector<float> points, normals, uvs;
        std::vector<uint32_t> corners;
        uint32_t vertexCount() const { return static_cast<uint32_t>(points.size() / 3); }
    };
    std::string magic = "TVIR";
    uint32_t version = 1;
    std::vector<MaterialPart> materials;
    std::vector<TexturePart> textures;
    std::vector<MeshPart> meshes;
    // Replaces every mesh's announced triangle count when set.
    int64_t triangleCount = -1;
    std::string trailer;

    std::string bytes() const {
        std::string out = magic;
        const auto u32 = [&](uint32_t v) { out += withLe32(std::string(4, '\0'), 0, static_cast<int32_t>(v)); };
        const auto f32 = [&](float f) {
            uint32_t bits;
            std::memcpy(&bits, &f, 4);
            u32(bits);
        };
        for (const size_t n : {size_t{version}, materials.size(), textures.size(), meshes.size()})
            u32(static_cast<uint32_t>(n));
        for (const MaterialPart& m : materials) {
            for (const float c : m.colours) f32(c);
            u32(static_cast<uint32_t>(m.texture));
        }
        for (const TexturePart& t : textures) {
            u32(t.width);
            u32(t.height);
            out.append(t.texels.begin(), t.texels.end());
        }
        for (const MeshPart& m : meshes) {
            for (const uint32_t v : {m.material, m.vertexCount(),
                                     triangleCount >= 0 ? static_cast<uint32_t>(triangleCount)
                                                        : static_cast<uint32_t>(m.corners.size() / 3),
                                     m.flags})
                u32(v);
            for (const auto* list : {&m.points, &m.normals, &m.uvs})
                for (const float f : *list) f32(f);
            for (const uint32_t c : m.corners) u32(c);
        }
        return out + trailer;
    }
};

// Two materials, the second with a 3 x 2 texture; a textured mesh with
// normals and a plain one without.
ReplyParts goodReply() {
    ReplyParts r;
    r.materials.resize(2);
    r.materials[1].colours[0] = 0.75f;
    r.materials[1].texture = 0;
    r.textures.resize(1);
    for (size_t i = 0; i < r.textures[0].texels.size(); ++i) r.textures[0].texels[i] = static_cast<uint8_t>(10 + i);
    ReplyParts::MeshPart textured;
    textured.material = 1;
    textured.flags = kReplyHasNormals | kReplyHasTexCoords;
    textured.points = {0, 0, 0, 10, 0, 0, 0, 10, 0, 10, 10, 0};
    textured.normals = {0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0, -2};
    textured.uvs = {0, 0, -0.25f, 1.5f, 1, 1, 0.5f, 0.5f};
    textured.corners = {0, 2, 1, 1, 2, 3};
    ReplyParts::MeshPart plain;
    plain.points = {0, 0, 5, 4, 0, 5, 0, 4, 5};
    plain.corners = {0, 1, 2};
    r.meshes = {textured, plain};
    return r;
}

LoadedModel readReply(const std::string& bytes, int64_t budget = -1) {
    SceneState current;
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    return budget < 0 ? readImportReply(data, bytes.size(), current)
                      : readImportReply(data, bytes.size(), current, budget);
}

TEST(ImportReply, AGoodReplyFillsMeshesMaterialsAndPaddedTextures) {
    const ReplyParts parts = goodReply();
    LoadedModel model = readReply(parts.bytes());
    ASSERT_EQ(model.failure, "");
    ASSERT_EQ(model.meshCount, 2);
    EXPECT_EQ(model.materialCount, 2);
    EXPECT_EQ(model.materials[1].ambient.r, 0.75f);
    EXPECT_EQ(model.materials[0].specular.b, 0.9f);
    EXPECT_EQ(model.materialShine[0], 20.0f);
    // Rows of 9 bytes are padded to 12.
    const MaterialTexture& image = model.textures.at(0);
    EXPECT_EQ(image.stride, 12);
    EXPECT_EQ(image.height, 2);
    EXPECT_EQ(image.texels[12 + 8], parts.textures[0].texels[9 + 8]);

    const Mesh& textured = model.meshes[0];
    EXPECT_EQ(textured.visible, 1);
    EXPECT_EQ(textured.materialIndex, 1);
    EXPECT_EQ(textured.texture, 0);
    EXPECT_EQ(textured.vertices[3].x, 10.0f);
    EXPECT_EQ(textured.normals[3].z, -2.0f);
    ASSERT_EQ(textured.texVertexCount, 4);
    EXPECT_EQ(textured.texVertices[1].u, foldTextureCoordinate(-0.25f));
    EXPECT_EQ(textured.texVertices[1].v, foldTextureCoordinate(1.5f));
    EXPECT_EQ(textured.texFaces, textured.indices);
    EXPECT_EQ(textured.texFaceIndexCount, 6);
    EXPECT_GE(textured.clipFlags.size(), 4u);
    EXPECT_GE(textured.transformed.size(), 4u);
    EXPECT_GE(textured.faceMaterialIds.size(), 6u);

    // Without normals in the reply, the mesh takes our rule's.
    Mesh plain = model.meshes[1];
    EXPECT_EQ(plain.texture, -1);
    EXPECT_EQ(plain.texVertexCount, 0);
    const std::vector<Vertex> read = plain.normals;
    computeVertexNormals(plain);
    EXPECT_NE(read[0].z, 0.0f);
    EXPECT_EQ(read[0].z, plain.normals[0].z);
}

TEST(ImportReply, EveryCutOfAGoodReplyIsRefused) {
    const std::string bytes = goodReply().bytes();
    for (size_t size = 0; size < bytes.size(); ++size) {
        const LoadedModel model = readReply(bytes.substr(0, size));
        EXPECT_EQ(model.meshCount, 0) << size;
        EXPECT_NE(model.failure.find("malformed"), std::string::npos) << size;
    }
}

TEST(ImportReply, MalformedRepliesAreRefusedWithTheirReason) {
    struct Case {
        const char* why;
        std::function<void(ReplyParts&)> breakIt;
        int64_t budget;
    };
    const Case cases[] = {
        {"does not start with TVIR", [](ReplyParts& r) { r.magic = "TVIS"; }, -1},
        {"version 2", [](ReplyParts& r) { r.version = 2; }, -1},
        {"mesh 0 has more entries than a mesh may", [](ReplyParts& r) { r.triangleCount = 4000000000; }, -1},
        {"100000 triangles of mesh 0 announced", [](ReplyParts& r) { r.triangleCount = 100000; }, -1},
        {"mesh 0 is cut short", [](ReplyParts& r) { r.triangleCount = 10; }, -1},
        {"triangle 1 names vertex 4 of 4", [](ReplyParts& r) { r.meshes[0].corners[5] = 4; }, -1},
        {"mesh 1 names material 2 of 2", [](ReplyParts& r) { r.meshes[1].material = 2; }, -1},
        {"material 1 names texture 1 of 1", [](ReplyParts& r) { r.materials[1].texture = 1; }, -1},
        {"material 0 names texture -2", [](ReplyParts& r) { r.materials[0].texture = -2; }, -1},
        {"texture 0 is 0 x 2", [](ReplyParts& r) { r.textures[0].width = 0; }, -1},
        {"texture 0 is 8193 x 2", [](ReplyParts& r) { r.textures[0].width = 8193; }, -1},
        {"8192 rows of texture 0 announced", [](ReplyParts& r) { r.textures[0].height = 8192; }, -1},
        {"4 bytes follow the last mesh", [](ReplyParts& r) { r.trailer = "more"; }, -1},
        {"has texture coordinates but its material no texture", [](ReplyParts& r) { r.meshes[0].material = 0; }, -1},
        {"unknown flags", [](ReplyParts& r) { r.meshes[1].flags = 4; }, -1},
        {"holds no mesh", [](ReplyParts& r) { r.meshes.clear(); }, -1},
        {"more memory than", [](ReplyParts&) {}, 1000},
    };
    for (const Case& c : cases) {
        ReplyParts parts = goodReply();
        c.breakIt(parts);
        const LoadedModel model = readReply(parts.bytes(), c.budget);
        EXPECT_EQ(model.meshCount, 0) << c.why;
        EXPECT_TRUE(model.meshes.empty()) << c.why;
        EXPECT_NE(model.failure.find(c.why), std::string::npos) << c.why << " / " << model.failure;
    }
}

// A model in two objects with a material and a PNG texture beside it.
struct ObjFiles {
    TempDir dir;
    std::string obj;
    std::vector<uint8_t> picture;  // 3 x 2, bottom row first, rows of 9 bytes

    ObjFiles() {
        dir.write("m.mtl", "newmtl skin\nKa 0.1 0.2 0.3\nKd 0.5 0.25 0.125\nKs 0.4 0.4 0.4\nNs 12\nmap_Kd tex.png\n");
        for (int i = 0; i < 18; ++i) picture.push_back(static_cast<uint8_t>(40 + 11 * i));
        const FramePixels pixels{picture.data(), 3, 2, 9};
        EXPECT_EQ(writeFramePng((dir.path() / "tex.png").string(), pixels), "");
        obj = dir.write("m.obj",
                        "mtllib m.mtl\no first\nv 1 2 3\nv 4 2 3\nv 1 5 3\nvt 0.25 0.5\nusemtl skin\nf 1/1 2/1 3/1\n"
                        "o second\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 4 5 6 7\n");
    }
};

TEST(ImportChild, AnObjWithItsMaterialAndTextureComesThroughTheChild) {
    const ObjFiles files;
    SceneState current;
    const LoadedModel model = importModel(files.obj.c_str(), 0, current);
    ASSERT_EQ(model.failure, "");
    ASSERT_EQ(model.meshCount, 2);
    // Twice the size, z turned around: the viewer's frame.
    const Mesh& first = model.meshes[0];
    ASSERT_EQ(first.vertexCount, 3);
    EXPECT_EQ(first.vertices[1].x, 8.0f);
    EXPECT_EQ(first.vertices[1].y, 4.0f);
    EXPECT_EQ(first.vertices[1].z, -6.0f);
    EXPECT_EQ(first.indexCount, 3);
    // The quad is cut into two triangles.
    EXPECT_EQ(model.meshes[1].indexCount, 6);
    EXPECT_EQ(model.meshes[1].vertexCount, 4);

    const LightingTerms& skin = model.materials.at(static_cast<size_t>(first.materialIndex));
    EXPECT_EQ(skin.ambient.g, 0.2f);
    EXPECT_EQ(skin.diffuse.b, 0.125f);
    EXPECT_EQ(skin.specular.r, 0.4f);
    EXPECT_EQ(model.materialShine.at(static_cast<size_t>(first.materialIndex)), 12.0f);
    ASSERT_EQ(first.texture, 0);
    ASSERT_EQ(first.texVertexCount, 3);
    EXPECT_EQ(first.texVertices[0].u, 0.25f);
    const MaterialTexture& image = model.textures.at(0);
    ASSERT_EQ(image.width, 3);
    ASSERT_EQ(image.height, 2);
    for (int row = 0; row < 2; ++row)
        EXPECT_TRUE(std::equal(files.picture.begin() + row * 9, files.picture.begin() + row * 9 + 9,
                               image.texels.begin() + row * image.stride))
            << row;
    EXPECT_EQ(model.meshes[1].texture, -1);
    EXPECT_EQ(model.meshes[1].texVertexCount, 0);
}

// Sets an environment variable for the scope of a case.
class EnvSetting {
public:
    EnvSetting(const char* name, const char* value) : name_(name) { ::setenv(name, value, 1); }
    ~EnvSetting() { ::unsetenv(name_); }
    EnvSetting(const EnvSetting&) = delete;
    EnvSetting& operator=(const EnvSetting&) = delete;

private:
    const char* name_;
};

TEST(ImportChild, FailuresOfTheChildAreToldAndKeepTheModelOnScreen) {
    const ObjFiles files;
    SceneState scene;
    ASSERT_TRUE(loadModelFile(scene, files.obj.c_str()).loaded());
    struct Case {
        const char* simulate;
        const char* limitName;
        const char* limit;
        bool cancel;
        std::string said;
    };
    const Case cases[] = {
        {"crash", "TRIVANE_IMPORT_SECONDS", "60", false, "the importer crashed (Segmentation fault)"},
        {"hang", "TRIVANE_IMPORT_SECONDS", "0.5", false, "the importer took longer than 0.5 s"},
        {"memory", "TRIVANE_IMPORT_MEMORY_MB", "512", false, "the importer ran out of its 512 MiB of memory"},
        {"hang", "TRIVANE_IMPORT_SECONDS", "60", true, std::string(kCancelled)},
    };
    for (const Case& c : cases) {
        const EnvSetting simulate("TRIVANE_IMPORT_SIMULATE", c.simulate);
        const EnvSetting limit(c.limitName, c.limit);
        const LoadReport report = loadModelFile(scene, files.obj.c_str(), [&](size_t) { return !c.cancel; });
        EXPECT_FALSE(report.loaded()) << c.said;
        EXPECT_EQ(report.message(files.obj), files.obj + ": " + c.said + "; the model on screen is kept");
        EXPECT_EQ(scene.meshCount, 2) << c.said;
        EXPECT_EQ(scene.meshes[0].vertices[1].x, 8.0f) << c.said;
    }
}

TEST(ImportChild, OnlyFilesNamedAsImportedFormatsGoToTheImporter) {
    const ObjFiles files;
    const std::string text = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";
    const struct {
        const char* name;
        bool imported;
    } cases[] = {{"tri.ASE", false}, {"tri.aSe", false}, {"tri", false}, {"tri.txt", false}, {"tri.OBJ", true}};
    for (const auto& c : cases) {
        SceneState scene;
        const LoadReport report = loadModelFile(scene, files.dir.write(c.name, text).c_str());
        EXPECT_EQ(report.loaded(), c.imported) << c.name << ": " << report.failure;
        if (!c.imported) {
            EXPECT_EQ(report.failure, "no *GEOMOBJECT found") << c.name;
        }
    }
}

}  // namespace
}  // namespace trivane::test
