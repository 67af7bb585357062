#include <sys/mman.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "scene/ase_reader.h"
#include "scene/loaded_files.h"
#include "scene/text_scanner.h"

namespace trivane {

namespace {

using Table = AseReader::Table;

// In the order of AseReader::Keyword. The trailing blank of most keywords
// keeps them from matching longer keywords that share their start.
constexpr KeywordTable<AseReader::kKeywordCount> kKeywords({
    "*GEOMOBJECT", "*MATERIAL_COUNT", "*SUBMATERIAL ", "*MATERIAL ", "*TM_ROW0 ", "*TM_ROW1 ", "*TM_ROW2 ", "*TM_ROW3 ",
    "*MATERIAL_AMBIENT ", "*MATERIAL_DIFFUSE ", "*MATERIAL_SPECULAR ", "*MATERIAL_SHINE ", "*MATERIAL_SHINESTRENGTH ",
    "*NODE_NAME ", "*MESH_NUMVERTEX", "*MESH_NUMFACES", "*MESH_VERTEX ", "*MESH_FACE ",
    "*MESH_NUMTVERTEX", "*MESH_TVERT ", "*MESH_NUMTVFACES", "*MESH_TFACE ", "*PROP_MOTIONBLUR", "*MATERIAL_REF "});

// Every line that writes a material is at least 16 bytes long.
constexpr Table kMaterials{16, 16, 1, sizeof(LightingTerms) + sizeof(float), "materials", "material"};
constexpr Table kVertices{16, 13, 1, 3 * sizeof(Vertex) + sizeof(uint8_t), "vertices", "vertex"};
constexpr Table kFaces{15, 11, 3, 3 * 2 * sizeof(int32_t), "faces", "face"};
constexpr Table kTexVertices{17, 12, 1, sizeof(TexCoord), "texture vertices", "texture vertex"};
constexpr Table kTexFaces{17, 12, 3, 3 * sizeof(int32_t), "texture faces", "texture face"};

// A table's array at its final size. A large one is asked to come in huge
// pages: a model of a million faces otherwise spends more time taking the
// faults of its 4 KiB pages than reading its text.
template <typename T>
void sizeTable(std::vector<T>& array, size_t count) {
    constexpr uintptr_t kHugePage = uintptr_t{2} << 20;
    std::vector<T> fresh;
    fresh.reserve(count);
    const uintptr_t start = reinterpret_cast<uintptr_t>(fresh.data());
    const uintptr_t first = (start + kHugePage - 1) & ~(kHugePage - 1);
    const uintptr_t end = (start + count * sizeof(T)) & ~(kHugePage - 1);
    if (end > first) ::madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
    fresh.resize(count);
    array.swap(fresh);
}

}  // namespace

float foldTextureCoordinate(float value) {
    value = std::fabs(value);
    if (value > 1.0f) value = value - std::trunc(value);
    return value;
}

Mesh seededMesh(const SceneState& current, int32_t slot) {
    // Beyond the scene's table (an imported model may need more slots) a
    // slot is a fresh one.
    if (slot < 0 || static_cast<size_t>(slot) >= current.meshes.size()) return Mesh{};
    const Mesh& old = current.meshes[static_cast<size_t>(slot)];
    Mesh mesh;
    mesh.position = old.position;
    mesh.rotation = old.rotation;
    mesh.scale = old.scale;
    mesh.visible = old.visible;
    mesh.nodeTransform = old.nodeTransform;
    mesh.materialIndex = slot < current.meshCount ? 0 : old.materialIndex;
    return mesh;
}

void placeFinishedMesh(Mesh& mesh) {
    mesh.scale = Vector3{1.0f, 1.0f, 1.0f};
    mesh.rotation = Vector3{0.0f, 0.0f, 0.0f};
    mesh.position = Vector3{0.0f, 500.0f, 0.0f};
}

AseReader::AseReader(LineReader lines, int64_t size, const SceneState& current)
    : current_(current), lines_(std::move(lines)), fileSize_(size),
      budget_(32 * fileSize_ + (int64_t{8} << 20)) {}

LoadedModel AseReader::read(const ReadProgress& progress) {
    constexpr int64_t kReportEvery = int64_t{1} << 20;
    int64_t nextReport = progress ? kReportEvery : INT64_MAX;
    char line[kPieceLength + 1];
    Keywords keywords;
    while (lines_.next(line) > 0) {
        findKeywords(line, kKeywords, keywords);
        readLine(keywords);
        if (lines_.consumed() < nextReport) continue;
        if (!progress(static_cast<size_t>(lines_.consumed()))) return cancelled();
        nextReport = (lines_.consumed() / kReportEvery + 1) * kReportEvery;
    }
    if (progress && !progress(static_cast<size_t>(fileSize_))) return cancelled();
    if (!declaresMaterials_) model_.materialCount = 0;
    // An object without its closing line is not part of the model;
    // whatever it allocated goes at once.
    if (meshCount_ - 1 < static_cast<int32_t>(model_.meshes.size()))
        releaseMeshArrays(model_.meshes[static_cast<size_t>(meshCount_ - 1)]);
    model_.meshCount = meshCount_ - 1;
    return std::move(model_);
}

LoadedModel AseReader::cancelled() {
    LoadedModel none;
    none.failure = kCancelled;
    return none;
}

void AseReader::readLine(const Keywords& keywords) {
    if (firstObjectLine_ == 0 && keywords[kGeomobject] != nullptr) firstObjectLine_ = lines_.lineNumber();
    if (keywords[kMaterialCount] != nullptr) {
        readMaterialCount(keywords[kMaterialCount]);
        return;
    }
    if (keywords[kSubmaterial] != nullptr) subMaterial_ = true;
    if (keywords[kMaterial] != nullptr) subMaterial_ = false;
    // A sub-material's lines would be taken for its parent's; only the
    // transform rows are read inside one.
    if (readTransformRow(keywords) || subMaterial_) return;
    // Once a further mapping channel is announced, the lines of its
    // entries go on to the object's end.
    const int last = inFurtherMappingChannel_ ? kMeshNumtvertex : kMeshTface;
    int first = kMaterialAmbient;
    while (first <= last && keywords[first] == nullptr) ++first;
    const Keyword keyword = static_cast<Keyword>(first);
    if (first <= kMaterialShinestrength) readMaterial(keyword, keywords[first]);
    else if (first == kNodeName) readNodeName(keywords[first]);
    else if (first <= kMeshFace) readGeometry(keyword, keywords[first]);
    else if (first <= last) readMapping(keyword, keywords[first]);
    else readObjectEnd(keywords);
}

void AseReader::readMaterialCount(const char* match) {
    if (readTableCount(match, kMaterials, model_.materialCount, model_.materials, model_.materialShine))
        declaresMaterials_ = true;
}

void AseReader::readMaterial(Keyword keyword, const char* match) {
    const int32_t i = materialCursor_;
    if (i >= model_.materialCount || static_cast<size_t>(i) >= model_.materials.size()) {
        ignore("material line outside the *MATERIAL_COUNT table");
        return;
    }
    LightingTerms& terms = model_.materials[i];
    LineScan scan(match, scratch_);
    if (keyword == kMaterialShine) {
        // Exponents written as fractions of 100 are scaled up; the comparison
        // is made in double, so 1.28 (read as a float just below it) becomes
        // 128.
        float shine = 0.0f;
        const bool read = scan.word() && scan.real(shine);
        if (read && static_cast<double>(shine) < 1.28) shine = static_cast<float>(static_cast<double>(shine) * 100.0);
        if (read) model_.materialShine[static_cast<size_t>(i)] = shine;
        else ignore("shine without a number");
    } else if (keyword == kMaterialShinestrength) {
        // The strength itself is never used; its keyword still lands in the
        // scratch word.
        scan.word();
        ++materialCursor_;
    } else {
        Rgb& rgb = keyword == kMaterialAmbient ? terms.ambient
                   : keyword == kMaterialDiffuse ? terms.diffuse
                                                 : terms.specular;
        if (!(scan.word() && scan.real(rgb.r) && scan.real(rgb.g) && scan.real(rgb.b)))
            ignore("colour without three numbers");
    }
}

bool AseReader::readTransformRow(const Keywords& keywords) {
    int row = 0;
    while (row < 4 && keywords[kTmRow0 + row] == nullptr) ++row;
    if (row == 4) return false;
    if (Mesh* mesh = objectInProgress()) {
        Matrix4& tm = mesh->nodeTransform;
        LineScan scan(keywords[kTmRow0 + row], scratch_);
        if (!(scan.word() && scan.real(tm.at(row, 0)) && scan.real(tm.at(row, 1)) && scan.real(tm.at(row, 2))))
            ignore("transform row without three numbers");
    }
    // The last row belongs to an object's node, which no sub-material
    // encloses.
    if (row == 3) subMaterial_ = false;
    return true;
}

void AseReader::readNodeName(const char* match) {
    Mesh* mesh = objectInProgress();
    if (mesh == nullptr) return;
    mesh->visible = 1;
    // Both words go into the one scratch word, so the second word of a
    // two-word name is what is tested.
    LineScan scan(match + 11, scratch_);
    scan.word() && scan.word();
    for (char* c = scratch_; *c != '\0'; ++c) {
        if (*c >= 'A' && *c <= 'Z') *c = static_cast<char>(*c - 'A' + 'a');
    }
    if (std::strstr(scratch_, "bip") != nullptr || std::strstr(scratch_, "bone") != nullptr) mesh->visible = 0;
}

void AseReader::readGeometry(Keyword keyword, const char* match) {
    Mesh* mesh = objectInProgress();
    if (mesh == nullptr) return;
    if (keyword == kMeshNumvertex)
        readTableCount(match, kVertices, mesh->vertexCount, mesh->vertices, mesh->clipFlags, mesh->transformed,
                       mesh->normals);
    else if (keyword == kMeshNumfaces)
        readTableCount(match, kFaces, mesh->indexCount, mesh->indices, mesh->faceMaterialIds);
    else if (keyword == kMeshVertex)
        readVertex(*mesh, match);
    else
        readFace(*mesh, match);
}

void AseReader::readVertex(Mesh& mesh, const char* match) {
    if (!hasRoom(vertexCursor_, mesh.vertexCount, mesh.vertices.size(), kVertices)) return;
    Vertex& vertex = mesh.vertices[static_cast<size_t>(vertexCursor_++)];
    // The file is z-up; the viewer is y-up and draws the file at twice its
    // size.
    float x = 0.0f, y = 0.0f, z = 0.0f;
    LineScan scan(match, scratch_);
    const bool hasX = scan.word() && scan.ignoredInt() && scan.real(x);
    if (hasX) vertex.x = static_cast<float>(2.0 * x);
    const bool hasY = hasX && scan.real(y);
    if (hasY) vertex.z = static_cast<float>(2.0 * y);
    if (hasY && scan.real(z)) vertex.y = static_cast<float>(2.0 * z);
    else ignore("vertex without three coordinates");
}

void AseReader::readFace(Mesh& mesh, const char* match) {
    if (!hasRoom(faceCursor_, mesh.indexCount, std::min(mesh.indices.size(), mesh.faceMaterialIds.size()), kFaces))
        return;
    // Corners are stored first, third, second: together with the exchange
    // of y and z this keeps the file's winding.
    int32_t* indices = mesh.indices.data() + faceCursor_;
    int32_t materialId = 0;
    LineScan scan(match, scratch_);
    const bool corners = scan.word() && scan.word() && scan.word() && scan.integer(indices[0]) && scan.word() &&
                         scan.integer(indices[2]) && scan.word() && scan.integer(indices[1]);
    // Exporters leave the smoothing group empty when there is none; the
    // material id is then not read, which is no fault of the file worth
    // reporting.
    if (corners && scan.word() && scan.ignoredInt() && scan.word() && scan.ignoredInt() && scan.word() &&
        scan.ignoredInt() && scan.word() && scan.ignoredInt() && scan.word() && scan.integer(materialId))
        std::fill_n(mesh.faceMaterialIds.begin() + faceCursor_, 3, materialId);
    if (!corners) ignore("face without three corners");
    checkCorners(indices, mesh.vertexCount, "face names vertex ");
    faceCursor_ += 3;
}

void AseReader::readMapping(Keyword keyword, const char* match) {
    Mesh* mesh = objectInProgress();
    if (mesh == nullptr) return;
    if (keyword == kMeshNumtvertex && mesh->texVertexCount != 0) {
        // A further mapping channel: only the first one is used.
        int32_t declared = 0;
        if (countAfter(match, kTexVertices, declared)) inFurtherMappingChannel_ = true;
    } else if (keyword == kMeshNumtvertex) {
        readTableCount(match, kTexVertices, mesh->texVertexCount, mesh->texVertices);
    } else if (keyword == kMeshTvert) {
        readTexVertex(*mesh, match);
    } else if (keyword == kMeshNumtvfaces) {
        readTableCount(match, kTexFaces, mesh->texFaceIndexCount, mesh->texFaces);
    } else {
        readTexFace(*mesh, match);
    }
}

void AseReader::readTexVertex(Mesh& mesh, const char* match) {
    if (!hasRoom(texVertexCursor_, mesh.texVertexCount, mesh.texVertices.size(), kTexVertices)) return;
    TexCoord& tex = mesh.texVertices[static_cast<size_t>(texVertexCursor_++)];
    // Tiling coordinates are folded into 0..1: the sign is dropped and
    // whole turns above 1 are removed (1 itself stays).
    float u = 0.0f, v = 0.0f;
    LineScan scan(match, scratch_);
    const bool hasU = scan.word() && scan.ignoredInt() && scan.real(u);
    if (hasU) tex.u = foldTextureCoordinate(u);
    if (hasU && scan.real(v)) tex.v = foldTextureCoordinate(v);
    else ignore("texture vertex without two coordinates");
}

void AseReader::readTexFace(Mesh& mesh, const char* match) {
    if (!hasRoom(texFaceCursor_, mesh.texFaceIndexCount, mesh.texFaces.size(), kTexFaces)) return;
    int32_t* corners = mesh.texFaces.data() + texFaceCursor_;
    LineScan scan(match, scratch_);
    if (scan.word() && scan.ignoredInt() && scan.integer(corners[0]) && scan.integer(corners[2]) &&
        scan.integer(corners[1]))
        checkCorners(corners, mesh.texVertexCount, "texture face names texture vertex ");
    else
        ignore("texture face line cannot be read in full");
    texFaceCursor_ += 3;
}

void AseReader::readObjectEnd(const Keywords& keywords) {
    Mesh* finished = keywords[kPropMotionblur] != nullptr ? objectInProgress() : nullptr;
    if (finished != nullptr) {
        computeVertexNormals(*finished);
        placeFinishedMesh(*finished);
        inFurtherMappingChannel_ = false;
        vertexCursor_ = faceCursor_ = texVertexCursor_ = texFaceCursor_ = 0;
        ++meshCount_;
    }
    // The reference follows the closing line, so it names the object just
    // finished.
    if (keywords[kMaterialRef] == nullptr || meshCount_ < 2) return;
    LineScan scan(keywords[kMaterialRef], scratch_);
    if (!(scan.word() && scan.integer(model_.meshes[static_cast<size_t>(meshCount_ - 2)].materialIndex)))
        ignore("material reference without a number");
}

void AseReader::ignore(const std::string& why) {
    if (model_.ignoredLines++ == 0) model_.firstIgnored = "line " + std::to_string(lines_.lineNumber()) + ": " + why;
}

Mesh* AseReader::objectInProgress() {
    const int32_t slot = meshCount_ - 1;
    if (slot >= kMaxMeshes) {
        ignore("more than " + std::to_string(kMaxMeshes) + " objects");
        return nullptr;
    }
    while (static_cast<int32_t>(model_.meshes.size()) <= slot)
        model_.meshes.push_back(seededMesh(current_, static_cast<int32_t>(model_.meshes.size())));
    return &model_.meshes[static_cast<size_t>(slot)];
}

bool AseReader::countAfter(const char* match, const Table& table, int32_t& declared) {
    const char* from = match + std::min(table.column, std::strlen(match));
    if (scanInt(from, declared)) return true;
    ignore("count without a number");
    return false;
}

template <typename... Arrays>
bool AseReader::readTableCount(const char* match, const Table& table, int32_t& slots, Arrays&... arrays) {
    int32_t declared = 0;
    if (!countAfter(match, table, declared)) return false;
    const int64_t fillable = (fileSize_ - lines_.consumed()) / table.lineBytes;
    const int64_t affordable = budget_ / table.entryBytes;
    const int32_t count = declared <= 0 ? 0
                                        : static_cast<int32_t>(std::min<int64_t>(
                                              {declared, fillable, INT32_MAX / table.slots, affordable}));
    budget_ -= count * table.entryBytes;
    if (count < declared)
        ignore(std::to_string(declared) + " " + table.entries + " announced, room for " + std::to_string(count));
    slots = table.slots * count;
    (sizeTable(arrays, static_cast<size_t>(slots)), ...);
    return true;
}

bool AseReader::hasRoom(int32_t cursor, int32_t slots, size_t stored, const Table& table) {
    const int64_t last = int64_t{cursor} + table.slots - 1;
    if (last < slots && static_cast<size_t>(last) < stored) return true;
    ignore(std::string(table.entry) + " beyond the " + std::to_string(slots / table.slots) + " announced");
    return false;
}

void AseReader::checkCorners(const int32_t* corners, int32_t count, const char* what) {
    const int32_t* outside = std::find_if(corners, corners + 3, [&](int32_t i) { return i < 0 || i >= count; });
    if (outside != corners + 3) ignore(what + std::to_string(*outside) + " of " + std::to_string(count));
}

}  // namespace trivane
