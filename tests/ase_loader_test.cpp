#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <chrono>
#include <future>

#include <gtest/gtest.h>

#include "scene/loaded_files.h"
#include "scene/model_formats.h"
#include "scene/text_scanner.h"
#include "scene_files.h"

namespace trivane {
namespace {

using test::TempDir;
using test::Xyzw;
using test::xyz;
using test::xyzw;

std::vector<int32_t> head(const std::vector<int32_t>& values, size_t n) {
    return std::vector<int32_t>(values.begin(), values.begin() + static_cast<ptrdiff_t>(std::min(n, values.size())));
}

// One object with the lines the loader needs, around the given mesh body.
std::string object(const std::string& name, const std::string& body, int materialRef = 0) {
    return "*GEOMOBJECT {\n\t*NODE_NAME \"" + name + "\"\n\t*MESH {\n" + body +
           "\t}\n\t*PROP_MOTIONBLUR 0\n\t*MATERIAL_REF " + std::to_string(materialRef) + "\n}\n";
}

const char* const kTriangle =
    "\t\t*MESH_NUMVERTEX 3\n\t\t*MESH_NUMFACES 1\n\t\t*MESH_VERTEX_LIST {\n"
    "\t\t\t*MESH_VERTEX    0\t1.0\t2.0\t3.0\n\t\t\t*MESH_VERTEX    1\t-4.5\t0.0\t0.25\n"
    "\t\t\t*MESH_VERTEX    2\t0.0\t0.0\t0.0\n\t\t}\n\t\t*MESH_FACE_LIST {\n"
    "\t\t\t*MESH_FACE    0:    A:    0 B:    1 C:    2 AB:    1 BC:    1 CA:    0\t"
    " *MESH_SMOOTHING 1 \t*MESH_MTLID 3\n\t\t}\n";

struct Loaded {
    std::unique_ptr<SceneState> scene = std::make_unique<SceneState>();
    int32_t result = -1;
    LoadReport report;
};

Loaded loadText(const std::string& text) {
    TempDir dir;
    Loaded loaded;
    loaded.report = loadModelFile(*loaded.scene, dir.write("model.ase", text).c_str());
    loaded.result = loaded.report.meshCount;
    return loaded;
}

TEST(AseLoader, StoresVerticesFacesAndTextureFacesAsTheFormatPrescribes) {
    const std::string textures =
        "\t\t*MESH_NUMTVERTEX 6\n\t\t*MESH_TVERTLIST {\n\t\t\t*MESH_TVERT 0\t1.5\t-0.25\t0.0\n"
        "\t\t\t*MESH_TVERT 1\t1.0\t2.0\t0.0\n\t\t\t*MESH_TVERT 2\t-0.3\t1.25\t0.0\n\t\t}\n"
        "\t\t*MESH_NUMTVFACES 1\n\t\t*MESH_TFACELIST {\n\t\t\t*MESH_TFACE 0\t4\t5\t6\n\t\t}\n";
    Loaded l = loadText(object("Box01", kTriangle + textures, 2));
    SceneState& r = *l.scene;
    ASSERT_EQ(l.result, 1);
    ASSERT_EQ(r.meshCount, 1);
    const Mesh& m = r.meshes[0];
    ASSERT_EQ(m.vertexCount, 3);
    // (x, y, z) in the file becomes (2x, 2z, 2y).
    EXPECT_EQ(xyzw(m.vertices[0]), (Xyzw{2.0f, 6.0f, 4.0f, 1.0f}));
    EXPECT_EQ(xyz(m.vertices[1]), (std::array{-9.0f, 0.5f, 0.0f}));
    ASSERT_EQ(std::tuple(m.indexCount, m.texVertexCount, m.texFaceIndexCount), std::tuple(3, 6, 3));
    EXPECT_EQ(head(m.indices, 3), (std::vector<int32_t>{0, 2, 1}));
    EXPECT_EQ(head(m.faceMaterialIds, 3), (std::vector<int32_t>{3, 3, 3}));
    EXPECT_EQ(head(m.texFaces, 3), (std::vector<int32_t>{4, 6, 5}));
    // 1 stays 1, 2 folds to 0; vertex 3 was announced but never given.
    std::vector<std::array<float, 2>> uv;
    for (int i = 0; i < 4; ++i) uv.push_back({m.texVertices[i].u, m.texVertices[i].v});
    EXPECT_EQ(uv, (std::vector<std::array<float, 2>>{{0.5f, 0.25f}, {1.0f, 0.0f}, {0.3f, 0.25f}, {0.0f, 0.0f}}));
    // Finishing the mesh moves it up and resets its transform.
    EXPECT_EQ((std::array{xyz(m.position), xyz(m.scale), xyz(m.rotation)}),
              (std::array{std::array{0.0f, 500.0f, 0.0f}, std::array{1.0f, 1.0f, 1.0f}, std::array{0.0f, 0.0f, 0.0f}}));
    EXPECT_EQ(std::tuple(m.materialIndex, m.visible), std::tuple(2, 1));
    // Normals were computed when the mesh was finished, over the stored
    // corners (0, 2, 1): e1 = (-2, -6, -4), e2 = (-11, -5.5, -4).
    EXPECT_EQ(xyzw(m.normals[0]), (Xyzw{2.0f, 36.0f, -55.0f, 0.0f}));
}

TEST(AseLoader, MaterialsFillInFileOrderAndSkipSubMaterials) {
    const std::string text =
        "*MATERIAL_LIST {\n\t*MATERIAL_COUNT 2\n\t*MATERIAL 0 {\n\t\t*MATERIAL_AMBIENT 0.1\t0.2\t0.3\n"
        "\t\t*MATERIAL_DIFFUSE 0.4\t0.5\t0.6\n\t\t*MATERIAL_SPECULAR 0.7\t0.8\t0.9\n\t\t*MATERIAL_SHINE 1.28\n"
        "\t\t*MATERIAL_SHINESTRENGTH 0.5\n\t}\n\t*MATERIAL 1 {\n\t\t*MATERIAL_AMBIENT 1\t1\t1\n"
        "\t\t*MATERIAL_SHINE 0.25\n\t\t*MATERIAL_SHINESTRENGTH 0.75\n\t\t*NUMSUBMTLS 1\n\t\t*SUBMATERIAL 0 {\n"
        "\t\t\t*MATERIAL_AMBIENT 0.9\t0.9\t0.9\n\t\t\t*MATERIAL_SHINE 0.5\n"
        "\t\t\t*MATERIAL_SHINESTRENGTH 0.1\n\t\t}\n\t}\n}\n"
        // The sub-material flag is still set here: the name and the mesh
        // lines are ignored up to the node transform's last row.
        "*GEOMOBJECT {\n\t*NODE_NAME \"Bone01\"\n\t*NODE_TM {\n\t\t*NODE_NAME \"Bone01\"\n"
        "\t\t*TM_ROW0 1.5 0 0\n\t\t*TM_ROW1 0 1 0\n\t\t*TM_ROW2 0 0 1\n\t\t*TM_ROW3 7 8 9\n\t}\n"
        "\t*MESH {\n\t\t*MESH_NUMVERTEX 1\n\t\t*MESH_VERTEX 0 1 1 1\n\t}\n"
        "\t*PROP_MOTIONBLUR 0\n\t*MATERIAL_REF 1\n}\n";
    Loaded l = loadText(text);
    SceneState& r = *l.scene;
    ASSERT_EQ(l.result, 1);
    ASSERT_EQ(r.materialCount, 2);
    const auto* mat = r.materials.data();
    EXPECT_EQ(std::tuple(mat[0].ambient.g, mat[0].diffuse.b, mat[0].specular.r, mat[1].ambient.r),
              std::tuple(0.2f, 0.6f, 0.7f, 1.0f));
    // Material 1 keeps its own shine, not the sub-material's.
    const float* shine = r.materialShine.data();
    EXPECT_EQ(std::tuple(shine[0], shine[1]), std::tuple(128.0f, 25.0f));
    const Mesh& m = r.meshes[0];
    EXPECT_EQ(m.visible, 0);  // still the constructed value: the name was skipped
    EXPECT_EQ(std::tuple(m.nodeTransform.at(0, 0), m.nodeTransform.at(3, 2), m.nodeTransform.at(3, 3)),
              std::tuple(1.5f, 9.0f, 1.0f));
    EXPECT_EQ(std::tuple(m.vertexCount, m.vertices[0].y, m.materialIndex), std::tuple(1, 2.0f, 1));
}

TEST(AseLoader, ShineUpToOnePointTwoEightIsScaledByAHundred) {
    const std::pair<const char*, float> cases[] = {{"1.28", 128.0f}, {"0.25", 25.0f}, {"20", 20.0f}, {"1.5", 1.5f},
                                                   {"0", 0.0f},      {"1.2799", static_cast<float>(1.2799f * 100.0)}};
    std::string text = "*MATERIAL_COUNT 6\n";
    for (const auto& c : cases) text += std::string("*MATERIAL_SHINE ") + c.first + "\n*MATERIAL_SHINESTRENGTH 0\n";
    Loaded l = loadText(text + object("Box", kTriangle));
    ASSERT_EQ(l.scene->materialCount, 6);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(l.scene->materialShine[i], cases[i].second) << cases[i].first;
}

TEST(AseLoader, LinesAreReadIn255CharacterPiecesWithCarriageReturnsDropped) {
    const std::string straddling = std::string(250, ' ') + "*MESH_VERTEX 0 7 7 7\n";
    const std::string secondPiece = std::string(255, 'x') + "*MESH_VERTEX 0 1 2 3\n";
    // A return one before a piece's end is no line end: the piece keeps the 4.
    const std::string returnInside = "*MESH_VERTEX 2 1 2" + std::string(235, ' ') + "\r4\n";
    const std::string text = "*MESH_NUMVERTEX 3\r\n" + straddling + secondPiece +
                             "*MESH_VERTEX 1\r4\r5\r6\r\n" + returnInside + "*PROP_MOTIONBLUR\r\n";
    Loaded l = loadText(text);
    const Mesh& m = l.scene->meshes[0];
    ASSERT_EQ(std::tuple(l.result, m.vertexCount), std::tuple(1, 3));
    EXPECT_EQ(xyz(m.vertices[0]), (std::array{2.0f, 6.0f, 4.0f}));  // the straddling keyword matched nothing
    EXPECT_EQ(xyz(m.vertices[1]), (std::array{8.0f, 12.0f, 10.0f}));  // a lone carriage return is a blank
    EXPECT_EQ(xyz(m.vertices[2]), (std::array{2.0f, 8.0f, 4.0f}));

    // A carriage return that ends the text and fills its piece is kept as a
    // blank; nothing after the text is read, not even a line feed there.
    const std::string tail = "*MESH_NUMVERTEX 1\n*MESH_VERTEX 0 1 2 3\n*PROP_MOTIONBLUR" + std::string(238, ' ') + "\r";
    const std::string beyond = tail + "\n*MATERIAL_COUNT 1\n*NODE_NAME \"Box\"\n*PROP_MOTIONBLUR\n";
    const LoadedModel model = readModel(reinterpret_cast<const uint8_t*>(beyond.data()), tail.size(), *l.scene);
    EXPECT_EQ(std::tuple(model.meshCount, model.materialCount, model.meshes[0].vertexCount), std::tuple(1, 0, 1));
}

TEST(AseLoader, ReferencesAndWritesBeyondTheirTablesAreIgnored) {
    // Material lines before the list and before any shine strength, lines for
    // arrays never announced, one line more than announced and negative counts.
    Loaded l = loadText("*MATERIAL_AMBIENT 1 1 1\n*MATERIAL_REF 9\n*MATERIAL_COUNT 1\n*MATERIAL_SHINESTRENGTH 1\n*MATERIAL_AMBIENT 5 5 5\n"
                        "*MATERIAL_SHINE 2\n*MESH_VERTEX 0 1 1 1\n*MESH_FACE 0: A: 0 B: 0 C: 0\n*MESH_TVERT 0 1 1\n"
                        "*MESH_TFACE 0 1 1 1\n*MESH_NUMVERTEX 1\n*MESH_VERTEX 0 1 1 1\n*MESH_VERTEX 1 5 5 5\n"
                        "*MESH_NUMFACES 1\n*MESH_FACE 0: A: 0 B: 7 C: -3\n*MESH_FACE 1: A: 1 B: 1 C: 1\n"
                        "*MESH_NUMTVERTEX -4\n*MESH_TVERT 0 0.5 0.5\n*MESH_NUMTVFACES -1\n*MESH_TFACE 0 1 1 1\n"
                        "*PROP_MOTIONBLUR\n");
    SceneState& r = *l.scene;
    const Mesh& m = r.meshes[0];
    ASSERT_EQ(std::tuple(l.result, r.materialCount, m.vertexCount, m.vertices.size(), m.indexCount), std::tuple(1, 1, 1, 1u, 3));
    EXPECT_EQ(std::tuple(r.materials[0].ambient.r, r.materialShine[0], m.vertices[0].x), std::tuple(0.0f, 0.0f, 2.0f));
    // Out-of-range corners are stored as read; the normals skip the face.
    EXPECT_EQ(head(m.indices, 3), (std::vector<int32_t>{0, -3, 7}));
    EXPECT_EQ(m.normals[0].x, 0.0f);
    EXPECT_EQ(std::tuple(m.texVertexCount, m.texFaceIndexCount, m.materialIndex), std::tuple(0, 0, 0));
    EXPECT_TRUE(m.texVertices.empty() && m.texFaces.empty());
}

TEST(AseLoader, TablesStayBoundedByTheFileAndTheirLimits) {
    const std::string text = "*MESH_NUMVERTEX 2000000000\n*MESH_NUMFACES 2000000000\n"
                             "*MESH_NUMTVERTEX 2147483647\n*MESH_NUMTVFACES 99999999999\n"
                             "*MESH_VERTEX 0 1 2 3\n*PROP_MOTIONBLUR\n";
    Loaded l = loadText(text);
    ASSERT_EQ(l.result, 1);
    const Mesh& m = l.scene->meshes[0];
    const int64_t fileSize = static_cast<int64_t>(text.size());
    EXPECT_TRUE(m.vertexCount >= 1 && m.vertexCount <= fileSize / 13 && m.indexCount <= 3 * fileSize / 11 &&
                m.texVertexCount <= fileSize / 12 && m.texFaceIndexCount <= 3 * fileSize / 12);
    for (size_t size : {m.vertices.size(), m.transformed.size(), m.clipFlags.size()})
        EXPECT_EQ(size, static_cast<size_t>(m.vertexCount));
    EXPECT_EQ(std::tuple(m.indices.size(), m.vertices[0].x), std::tuple(static_cast<size_t>(m.indexCount), 2.0f));

    Loaded materials = loadText("*MATERIAL_COUNT 2000000000\n*MATERIAL_AMBIENT 1 1 1\n*PROP_MOTIONBLUR\n");
    EXPECT_EQ(materials.result, 1);
    EXPECT_LE(materials.scene->materialCount, 2);
    EXPECT_EQ(materials.scene->materials.size(), static_cast<size_t>(materials.scene->materialCount));

    // Every object may announce as much as the rest of the file could fill;
    // together they stay within a budget linear in the file's size.
    std::string greedy;
    for (int i = 0; i < 1000; ++i) greedy += "*MESH_NUMVERTEX 999999999\n*PROP_MOTIONBLUR\n";
    Loaded g = loadText(greedy);
    ASSERT_EQ(g.result, 1000);
    int64_t vertices = 0;
    for (int i = 0; i < 1000; ++i) vertices += g.scene->meshes[i].vertexCount;
    EXPECT_LE(vertices * 49, 32 * static_cast<int64_t>(greedy.size()) + (8 << 20));
    EXPECT_GT(g.scene->meshes[0].vertexCount, 1000);

    // The mesh table holds a thousand meshes; lines for more are ignored.
    std::string many;
    for (int i = 0; i < 1005; ++i) many += "*NODE_NAME \"Bone\"\n*MESH_NUMVERTEX 1\n*PROP_MOTIONBLUR\n";
    Loaded t = loadText(many + "*MATERIAL_REF 6\n*MESH_NUMVERTEX 4\n");
    ASSERT_EQ(t.result, 1000);
    const Mesh* last = &t.scene->meshes[999];
    EXPECT_EQ(std::tuple(t.scene->meshCount, last->vertexCount, last->materialIndex, last[-1].materialIndex),
              std::tuple(1000, 1, 6, 0));
}

TEST(AseLoader, TruncatedLinesStopAtTheFirstItemThatCannotBeRead) {
    const std::string truncated =
        "*MESH_NUMVERTEX\n*MESH_NUMFACES 4\n*MESH_FACE 0: A: 5\n"
        "*MESH_FACE 1: A: 1 B: 2 C: 3 AB: 1 BC: 1 CA: 1 *MESH_SMOOTHING \t*MESH_MTLID 5\n"
        "*MESH_FACE 2: A: 4 B: 5 C: 6 AB: 1 BC: 1 CA: 1 *MESH_SMOOTHING 1,2 *MESH_MTLID 5\n"
        "*MESH_FACE 3: A: 7 B: oops C: 9 AB: 1 BC: 1 CA: 1 *MESH_SMOOTHING 1 *MESH_MTLID 5\n"
        "*MESH_NUMTVERTEX\n*MATERIAL_COUNT\n*PROP_MOTIONBLUR\n*MESH_NUMVERTEX 2\n*MESH_VERTEX 0 1.5\n*MESH_VERTEX";
    Loaded t = loadText(truncated);
    const Mesh& m = t.scene->meshes[0];
    ASSERT_EQ(std::tuple(t.result, m.indexCount), std::tuple(1, 12));
    EXPECT_EQ(head(m.indices, 12), (std::vector<int32_t>{5, 0, 0, 1, 3, 2, 4, 6, 5, 7, 0, 0}));
    EXPECT_EQ(head(m.faceMaterialIds, 12), std::vector<int32_t>(12, 0));
    EXPECT_EQ(std::tuple(m.vertexCount, m.texVertexCount, t.scene->materialCount), std::tuple(0, 0, 0));
    EXPECT_TRUE(t.scene->meshes[1].vertices.empty());
}

TEST(AseLoader, UnopenablePathFallsBackToTheDefaultModelAndSaysSo) {
    TempDir dir;
    test::WorkingDirectory cwd(dir.path());
    auto r = test::makeRenderer();
    // Neither file: nothing at all changes, and the reason is the chosen
    // path's own. Nothing is read from a path that is no regular file, and a
    // FIFO without a writer is no reason to wait.
    const std::string fifo = (dir.path() / "fifo.ase").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string huge = dir.write("huge.ase", "");
    std::filesystem::resize_file(huge, (uintmax_t{2} << 30) + 1);  // sparse: takes no disk
    const std::pair<std::string, std::string> unreadable[] = {
        {(dir.path() / "first.ase").string(), "No such file or directory"},
        {dir.path().string(), "it is a directory"},
        {fifo, "it is a FIFO, not a regular file"},
        {"/dev/zero", "it is a device, not a regular file"},
        {huge, "it is larger than the 2 GiB a model may have"},
    };
    for (const auto& [path, why] : unreadable) {
        auto load = std::async(std::launch::async, [&, path = path] { return loadModelFile(r->scene, path.c_str()); });
        if (load.wait_for(std::chrono::seconds(20)) == std::future_status::timeout) {
            ADD_FAILURE() << path << " is still being opened";
            ::close(::open(fifo.c_str(), O_WRONLY | O_NONBLOCK));  // a writer comes and goes: the open ends
        }
        const LoadReport neither = load.get();
        EXPECT_EQ(std::tuple(neither.meshCount, r->scene.meshCount), std::tuple(0, 0));
        EXPECT_EQ(neither.message("m.ase"), "m.ase: cannot open it (" + why + "), nor the default model ./data/bou.ASE; the model on screen is kept");
    }
    ASSERT_EQ(loadModelFile(r->scene, dir.write("first.ase", object("A", kTriangle) + object("B", kTriangle)).c_str()).meshCount, 2);

    dir.write("data/bou.ASE", object("Default", kTriangle, 5));
    const LoadReport fallBack = loadModelFile(r->scene, "missing.ase");
    EXPECT_EQ(std::tuple(fallBack.meshCount, fallBack.fellBack), std::tuple(1, true));
    EXPECT_EQ(fallBack.message("missing.ase"),
              "missing.ase: cannot open it (No such file or directory); loaded the default model ./data/bou.ASE instead");
    // The previous model's second mesh was released.
    EXPECT_EQ(std::tuple(r->scene.meshes[0].vertexCount, r->scene.meshes[0].materialIndex, r->scene.meshes[1].vertexCount, r->scene.meshes[1].vertices.size()),
              std::tuple(3, 5, 0, 0u));
}

// A file that gives no mesh changes nothing on screen and says why; one
// that loads names its first ignored line.
TEST(AseLoader, FailedLoadsKeepTheModelAndSayWhy) {
    std::string utf16NoMark;
    for (const char c : object("Box", kTriangle)) utf16NoMark += std::string{c, '\0'};
    std::string crOnly = object("Box", kTriangle) + object("Two", kTriangle);
    std::replace(crOnly.begin(), crOnly.end(), '\n', '\r');
    const struct {
        std::string text;
        const char* why;
    } failures[] = {
        {"", "the file is empty"},
        {"hello, world\n*SCENE {\n}\n", "no *GEOMOBJECT found"},
        {std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), "not a text file"},
        {utf16NoMark, "UTF-16 text without a byte-order mark"},
        {object("Box", kTriangle).substr(0, 300), "the object at line 1 is not completed by a *PROP_MOTIONBLUR line"},
        {crOnly, "its lines end in carriage returns alone (old Mac line ends)"},
    };
    for (const auto& [text, why] : failures) {
        SCOPED_TRACE(why);
        TempDir dir;
        auto r = test::makeRenderer();
        ASSERT_EQ(loadModelFile(r->scene, dir.write("good.ase", "*MATERIAL_COUNT 1\n" + object("Kept", kTriangle, 4)).c_str()).meshCount, 1);
        r->scene.meshes[0].rotation.y = 30.0f;
        const std::vector<Vertex> vertices = r->scene.meshes[0].vertices;
        const LoadReport report = loadModelFile(r->scene, dir.write("bad.ase", text).c_str());
        EXPECT_FALSE(report.loaded());
        EXPECT_NE(report.message("bad.ase").find(why), std::string::npos) << report.message("bad.ase");
        EXPECT_EQ(std::tuple(r->scene.meshCount, r->scene.materialCount, r->scene.meshes[0].materialIndex, r->scene.meshes[0].rotation.y),
                  std::tuple(1, 1, 4, 30.0f));
        EXPECT_EQ(std::tuple(r->scene.meshes[0].vertices.size(), xyzw(r->scene.meshes[0].vertices[0])), std::tuple(vertices.size(), xyzw(vertices[0])));
    }

    std::string body = kTriangle;
    body.replace(body.find("B:    1"), 7, "B: 9000");
    body += "\t\t*MESH_VERTEX 3 0 0 0\n";
    const Loaded l = loadText(object("Box", body));
    EXPECT_EQ(l.result, 1);
    EXPECT_EQ(l.report.message("m.ase"), "m.ase: 2 lines ignored, the first at line 12: face names vertex 9000 of 3");
    const Loaded extra = loadText(object("Box", std::string(kTriangle) + "\t\t*MESH_FACE 1: A: 0 B: 1 C: 2\n"));
    EXPECT_EQ(extra.report.message("m.ase"), "m.ase: 1 line ignored, the first at line 14: face beyond the 1 announced");
}

// A file streams through a buffer far smaller than itself and reads as it
// does from memory. The hook hears of every megabyte read and of the end, in
// the file's bytes (UTF-16 too); false stops the read, and a stopped load
// changes nothing.
TEST(AseLoader, StreamedFilesReadAsFromMemoryTellProgressAndCanStop) {
    // Some lines are cut into pieces, some keywords straddle two.
    std::string text = "*MESH_NUMVERTEX 100000\n";
    for (int i = 0; i < 100000; ++i)
        text += std::string(i % 7 == 0 ? 230 + i % 40 : 0, ' ') + "*MESH_VERTEX " + std::to_string(i) + "\t" +
                std::to_string(i % 997) + ".25\t2.0\t-3.5\r\n";
    text += "*PROP_MOTIONBLUR\n";
    TempDir dir;
    auto r = test::makeRenderer();
    const auto coordinates = [](const LoadedModel& model) {
        std::vector<std::array<float, 3>> all;
        for (const Vertex& v : model.meshes.at(0).vertices) all.push_back(xyz(v));
        return all;
    };
    std::vector<size_t> told;
    const LoadedModel streamed = readModel(ReadFile(dir.write("big.ase", text).c_str(), kModelFile), r->scene,
                                           [&](size_t done) { return told.push_back(done), true; });
    const LoadedModel inMemory = readModel(reinterpret_cast<const uint8_t*>(text.data()), text.size(), r->scene);
    EXPECT_EQ(std::tuple(streamed.meshCount, streamed.meshes.at(0).vertexCount, streamed.ignoredLines),
              std::tuple(inMemory.meshCount, inMemory.meshes.at(0).vertexCount, inMemory.ignoredLines));
    EXPECT_EQ(coordinates(streamed), coordinates(inMemory));
    ASSERT_EQ(told.size(), (text.size() >> 20) + 1);
    for (size_t i = 0; i + 1 < told.size(); ++i) EXPECT_NEAR(static_cast<double>(told[i]), (i + 1) << 20, kPieceLength + 1);
    EXPECT_EQ(told.back(), text.size());

    std::string utf16 = "\xff\xfe";
    for (const char c : text.substr(0, 1 << 20)) utf16 += std::string{c, '\0'};
    told.clear();
    readModel(reinterpret_cast<const uint8_t*>(utf16.data()), utf16.size(), r->scene,
              [&](size_t done) { return told.push_back(done), true; });
    EXPECT_EQ(told.back(), utf16.size());

    ASSERT_EQ(loadModelFile(r->scene, dir.write("kept.ase", object("Kept", kTriangle)).c_str()).meshCount, 1);
    int calls = 0;
    const LoadReport stopped = loadModelFile(r->scene, (dir.path() / "big.ase").c_str(), [&](size_t) { return ++calls < 2; });
    EXPECT_EQ(std::tuple(calls, stopped.meshCount, stopped.message("big.ase")),
              std::tuple(2, 0, "big.ase: " + std::string(kCancelled) + "; the model on screen is kept"));
    EXPECT_EQ(std::tuple(r->scene.meshCount, r->scene.meshes[0].vertexCount), std::tuple(1, 3));
}

// A read on another thread takes the scene's seeds first; installed, it
// gives what a read against the scene itself gives, down to the fields the
// file never set (the second object has no name, node or material line, the
// third is never completed).
TEST(AseLoader, AReadAgainstTheSeedsInstallsAsOneAgainstTheScene) {
    TempDir dir;
    const std::string path =
        dir.write("m.ase", object("A", kTriangle, 2) + "*GEOMOBJECT {\n" + kTriangle + "*PROP_MOTIONBLUR 0\n" +
                               "*GEOMOBJECT {\n*NODE_NAME \"Bone\"\n*TM_ROW3 1 2 3\n");
    std::unique_ptr<Renderer> viaScene = test::makeRenderer(), viaSeeds = test::makeRenderer();
    for (Renderer* r : {viaScene.get(), viaSeeds.get()}) {
        r->scene.meshCount = 1;
        for (int i = 0; i < 3; ++i) {
            Mesh& m = r->scene.meshes[i];
            m.position = Vector3{1.0f + i, 2.0f, 3.0f};
            m.rotation = Vector3{4.0f, 5.0f + i, 6.0f};
            m.scale = Vector3{7.0f, 8.0f, 9.0f + i};
            m.visible = static_cast<uint8_t>(i % 2);
            m.nodeTransform.at(1, 2) = 10.0f + i;
            m.materialIndex = 11 + i;
        }
    }
    ASSERT_EQ(loadModelFile(viaScene->scene, path.c_str()).meshCount, 2);
    const std::unique_ptr<SceneState> seeds = modelSeeds(viaSeeds->scene);
    ASSERT_EQ(installModelFile(viaSeeds->scene, readModelFile(path.c_str(), *seeds)).meshCount, 2);
    const auto fields = [](const SceneState& scene) {
        std::vector<std::array<float, 13>> all;
        for (int i = 0; i < 3; ++i) {
            const Mesh& m = scene.meshes[i];
            all.push_back({m.position.x, m.position.y, m.rotation.y, m.scale.z, static_cast<float>(m.visible),
                           m.nodeTransform.at(1, 2), m.nodeTransform.at(3, 1), static_cast<float>(m.materialIndex),
                           static_cast<float>(m.vertexCount), m.vertices.empty() ? 0.0f : m.vertices[0].x,
                           static_cast<float>(m.indexCount), static_cast<float>(scene.meshCount),
                           static_cast<float>(scene.materialCount)});
        }
        return all;
    };
    EXPECT_EQ(fields(viaSeeds->scene), fields(viaScene->scene));
}

// Which reader a file goes to, by the end of its name: our own text reader
// keeps every name it read before.
TEST(ModelFormats, OnlyKnownEndingsGoToTheImporter) {
    const struct {
        const char* path;
        bool imported;
        bool model;
    } cases[] = {
        {"data/bou.ASE", false, true},   {"a.ase", false, true},          {"scene", false, false},
        {"notes.txt", false, false},     {"a.obj", true, true},           {"dir.obj/Part.OBJ", true, true},
        {"m.glb", true, true},           {"m.GLTF", true, true},          {"ogre.mesh.xml", true, true},
        {"layout.xml", false, false},    {"frame.raw", false, false},     {"dir/.obj", false, false},
        {"a.obj.ase", false, true},      {"a.ase.obj", true, true},       {"x.stl", true, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(readByImporter(c.path), c.imported) << c.path;
        EXPECT_EQ(looksLikeModel(c.path), c.model) << c.path;
    }
    EXPECT_EQ(allModelPatterns().rfind("*.ase *.obj ", 0), 0u);
}

TEST(TextScanner, FloatsMatchTheCLibraryInTheCLocale) {
    // Signs, partial numbers, the float range's edges, halfway cases, long
    // mantissas and exponents far outside the range in both directions, and
    // a tiny value whose zeros after the point outweigh a positive exponent.
    const std::string inputs[] = {
        "1.28", "0.1", "-0", "  +7.", ".5e-3x", "1e", "1e+", "3.4028235e38", "3.4028236e38", "1e-45", "7e-46",
        "1e-40", "-1e999", "0e99999", "inf", "-Infinity", "nan", "nan(12)x", "0x1.8p3", "0x.8", "0x", "00012.500",
        "\t\v\f\r\n4", "12abc", "1.5,25", "16777217", "16777219", "1.00000005960464477539062501", "-.e3", "+",
        "0.9e39", "00000123456e35", "-0.0000012e-40", "0.1e-44", "0x1p200", "0x.001p-140", "0X1P-149",
        "123456789012345678901234567890", "0.000000000000000000000000000000000000000000001e84", "4.7e-38E5",
        "-98765.4321e-12", "1E+0038", "1e-2147483649",
        "0.0000000000000000000000000000000000000000000000000001e2"};
    for (const std::string& s : inputs) {
        char* end = nullptr;
        const float expected = std::strtof(s.c_str(), &end);
        const bool converts = end != s.c_str();
        const char* cursor = s.c_str();
        float got = -12345.0f;
        ASSERT_EQ(scanFloat(cursor, got), converts) << '"' << s << '"';
        if (!converts) {
            EXPECT_EQ(got, -12345.0f);
            continue;
        }
        EXPECT_EQ(cursor, end) << '"' << s << '"';
        if (std::isnan(expected)) {
            EXPECT_TRUE(std::isnan(got)) << s;
        } else {
            EXPECT_EQ(std::bit_cast<uint32_t>(got), std::bit_cast<uint32_t>(expected))
                << '"' << s << "\" gives " << got << " instead of " << expected;
        }
    }
}

TEST(TextScanner, IntsSaturateAndFailuresLeaveTheCursor) {
    const struct {
        const char* text;
        bool read;
        int32_t value;
        ptrdiff_t consumed;
    } cases[] = {{"  -42 x", true, -42, 5},  {"+7", true, 7, 2},     {"2147483648", true, INT32_MAX, 10},
                 {"\t-99999999999", true, INT32_MIN, 13}, {"12abc", true, 12, 2}, {" x 5", false, 99, 0},
                 {"- 5", false, 99, 0},       {"", false, 99, 0}};
    for (const auto& c : cases) {
        const char* cursor = c.text;
        int32_t value = 99;
        EXPECT_EQ(scanInt(cursor, value), c.read) << c.text;
        EXPECT_EQ(std::tuple(value, cursor - c.text), std::tuple(c.value, c.consumed)) << c.text;
    }
}

}  // namespace
}  // namespace trivane
