#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <optional>
#include <string_view>
#include <string>
#include <vector>

#include "scene/loaded_files.h"
#include "scene/text_scanner.h"

// The model reader is a flat line scanner, not a parser of the nested blocks:
// each line is searched for a fixed list of keywords in a fixed order and the
// first one found decides what the line does. The trailing blank of most
// keywords keeps them from matching longer keywords that share their start.

namespace trivane {

namespace {

// The keywords the reader looks for, listed in the same order in the table.
enum Keyword : int {
    kGeomobject,
    kMaterialCount,
    kSubmaterial,
    kMaterial,
    kTmRow0,
    kTmRow1,
    kTmRow2,
    kTmRow3,
    kMaterialAmbient,
    kMaterialDiffuse,
    kMaterialSpecular,
    kMaterialShine,
    kMaterialShinestrength,
    kNodeName,
    kMeshNumvertex,
    kMeshNumfaces,
    kMeshVertex,
    kMeshFace,
    kMeshNumtvertex,
    kMeshTvert,
    kMeshNumtvfaces,
    kMeshTface,
    kPropMotionblur,
    kMaterialRef,
    kKeywordCount
};

constexpr KeywordTable<kKeywordCount> kKeywords({
    "*GEOMOBJECT",
    "*MATERIAL_COUNT",
    "*SUBMATERIAL ",
    "*MATERIAL ",
    "*TM_ROW0 ",
    "*TM_ROW1 ",
    "*TM_ROW2 ",
    "*TM_ROW3 ",
    "*MATERIAL_AMBIENT ",
    "*MATERIAL_DIFFUSE ",
    "*MATERIAL_SPECULAR ",
    "*MATERIAL_SHINE ",
    "*MATERIAL_SHINESTRENGTH ",
    "*NODE_NAME ",
    "*MESH_NUMVERTEX",
    "*MESH_NUMFACES",
    "*MESH_VERTEX ",
    "*MESH_FACE ",
    "*MESH_NUMTVERTEX",
    "*MESH_TVERT ",
    "*MESH_NUMTVFACES",
    "*MESH_TFACE ",
    "*PROP_MOTIONBLUR",
    "*MATERIAL_REF "});

// Where a count is read from a fixed column after its keyword, a line that
// ends sooner reads nothing.
const char* columnAfter(const char* match, size_t offset) {
    const size_t available = std::strlen(match);
    return match + (offset < available ? offset : available);
}

bool readCount(const char* match, size_t offset, int32_t& count) {
    const char* from = columnAfter(match, offset);
    return scanInt(from, count);
}

// A declared count is honoured up to what the rest of the file could fill:
// every entry needs a line of its own holding its keyword. Negative counts
// are 0.
int32_t boundedCount(int32_t declared, int64_t remainingBytes, int64_t bytesPerEntry, int32_t limit) {
    if (declared <= 0) return 0;
    const int64_t fillable = remainingBytes / bytesPerEntry;
    int64_t count = declared < fillable ? declared : fillable;
    if (count > limit) count = limit;
    return static_cast<int32_t>(count);
}

template <typename T>
void replaceArray(std::vector<T>& array, int32_t count) {
    std::vector<T>(static_cast<size_t>(count)).swap(array);
}

float foldTextureCoordinate(float value) {
    value = std::fabs(value);
    if (value > 1.0f) value = value - std::trunc(value);
    return value;
}

// All the tables one file may make the reader allocate, in bytes. Each count
// is already bounded by the bytes left in the file, but every object may
// declare one, so without a total a file of many short objects would cost the
// square of its size. Real exports need about twice their size.
class AllocationBudget {
public:
    explicit AllocationBudget(size_t fileBytes)
        : left_(32 * static_cast<int64_t>(fileBytes) + (int64_t{8} << 20)) {}

    int32_t grant(int32_t count, int64_t bytesPerEntry) {
        const int64_t affordable = left_ / bytesPerEntry;
        const int32_t granted = count < affordable ? count : static_cast<int32_t>(affordable);
        left_ -= granted * bytesPerEntry;
        return granted;
    }

private:
    int64_t left_;
};

constexpr int64_t kVertexEntryBytes = 3 * sizeof(Vertex) + sizeof(uint8_t);
constexpr int64_t kFaceEntryBytes = 3 * 2 * sizeof(int32_t);
constexpr int64_t kTexFaceEntryBytes = 3 * sizeof(int32_t);

struct LoaderState {
    int32_t vertexCursor = 0;
    int32_t faceCursor = 0;
    int32_t texVertexCursor = 0;
    int32_t texFaceCursor = 0;
    int32_t materialCursor = 0;
    bool subMaterial = false;
    char scratch[kPieceLength + 1] = {};
};

}  // namespace


namespace {

// A fresh table slot as the scene's own slot would be after its model was
// released: arrays and counts gone, the fields lines may set kept.
Mesh seededMesh(const SceneState& current, int32_t slot) {
    const Mesh& old = current.meshes[slot];
    Mesh mesh;
    mesh.position = old.position;
    mesh.rotation = old.rotation;
    mesh.scale = old.scale;
    mesh.visible = old.visible;
    mesh.nodeTransform = old.nodeTransform;
    mesh.materialIndex = slot < current.meshCount ? 0 : old.materialIndex;
    return mesh;
}

bool outside(int32_t index, int32_t count) { return index < 0 || index >= count; }

// Why a file gave no mesh, in words a person can act on.
std::string whyNoMesh(const uint8_t* data, size_t size, int64_t firstObjectLine) {
    if (const char* why = whyNotText(data, size)) return why;
    if (firstObjectLine == 0) return "no *GEOMOBJECT found";
    return "the object at line " + std::to_string(firstObjectLine) +
           " is not completed by a *PROP_MOTIONBLUR line (is the file cut short?)";
}

}  // namespace

LoadedModel readModel(const uint8_t* bytes, size_t byteCount, const SceneState& current) {
    const std::optional<std::vector<uint8_t>> utf16 = utf16Text(bytes, byteCount);
    const uint8_t* data = utf16 ? utf16->data() : bytes;
    const size_t size = utf16 ? utf16->size() : byteCount;

    LoadedModel model;
    int32_t meshCount = 1;  // the object being read is counted, as the table does
    const int64_t fileSize = static_cast<int64_t>(size);
    LineReader reader(data, size);
    LoaderState state;
    AllocationBudget budget(size);
    int64_t firstObjectLine = 0;
    char line[kPieceLength + 1];

    auto ignore = [&](const std::string& why) {
        if (model.ignoredLines++ == 0) model.firstIgnored = "line " + std::to_string(reader.lineNumber()) + ": " + why;
    };
    // The mesh being filled, or none once the table is full.
    auto inProgress = [&]() -> Mesh* {
        const int32_t slot = meshCount - 1;
        if (slot >= kMaxMeshes) return nullptr;
        while (static_cast<int32_t>(model.meshes.size()) <= slot)
            model.meshes.push_back(seededMesh(current, static_cast<int32_t>(model.meshes.size())));
        return &model.meshes[static_cast<size_t>(slot)];
    };
    auto inProgressOrIgnore = [&]() -> Mesh* {
        Mesh* mesh = inProgress();
        if (mesh == nullptr) ignore("more than " + std::to_string(kMaxMeshes) + " objects");
        return mesh;
    };
    auto remaining = [&]() { return fileSize - reader.consumed(); };
    // A declared count as the file can fill it and the budget allows.
    auto grantedCount = [&](int32_t declared, int64_t lineBytes, int32_t limit, int64_t entryBytes, const char* what) {
        const int32_t count = budget.grant(boundedCount(declared, remaining(), lineBytes, limit), entryBytes);
        if (count < declared) {
            ignore(std::to_string(declared) + " " + what + " announced, room for " + std::to_string(count));
        }
        return count;
    };
    auto material = [&]() -> LightingTerms* {
        const int32_t i = state.materialCursor;
        if (i < model.materialCount && static_cast<size_t>(i) < model.materials.size()) return &model.materials[i];
        ignore("material line outside the *MATERIAL_COUNT table");
        return nullptr;
    };
    auto readColour = [&](const char* match, Rgb& colour) {
        LineScan scan(match, state.scratch);
        if (!(scan.word() && scan.real(colour.r) && scan.real(colour.g) && scan.real(colour.b)))
            ignore("colour without three numbers");
    };
    auto readRow = [&](const char* match, int row) {
        Mesh* mesh = inProgressOrIgnore();
        if (mesh == nullptr) return;
        LineScan scan(match, state.scratch);
        if (!(scan.word() && scan.real(mesh->nodeTransform.at(row, 0)) &&
              scan.real(mesh->nodeTransform.at(row, 1)) && scan.real(mesh->nodeTransform.at(row, 2))))
            ignore("transform row without three numbers");
    };
    auto countAfter = [&](const char* match, size_t offset, int32_t& declared) {
        if (readCount(match, offset, declared)) return true;
        ignore("count without a number");
        return false;
    };

    while (reader.next(line)) {
        const char* match = nullptr;
        const LineKeywords keywords(line, kKeywords);

        if (firstObjectLine == 0 && keywords[kGeomobject] != nullptr) firstObjectLine = reader.lineNumber();

        if ((match = keywords[kMaterialCount]) != nullptr) {
            int32_t declared = 0;
            if (countAfter(match, 16, declared)) {
                // Every line that writes a material is at least 16 bytes long.
                const int32_t count = grantedCount(declared, 16, INT32_MAX,
                                                   sizeof(LightingTerms) + sizeof(float), "materials");
                model.materialCount = count;
                replaceArray(model.materials, count);
                replaceArray(model.materialShine, count);
                model.hasMaterials = 1;
            }
            continue;
        }
        if (keywords[kSubmaterial] != nullptr) state.subMaterial = true;
        if (keywords[kMaterial] != nullptr) state.subMaterial = false;

        if ((match = keywords[kTmRow0]) != nullptr) {
            readRow(match, 0);
            continue;
        }
        if ((match = keywords[kTmRow1]) != nullptr) {
            readRow(match, 1);
            continue;
        }
        if ((match = keywords[kTmRow2]) != nullptr) {
            readRow(match, 2);
            continue;
        }
        if ((match = keywords[kTmRow3]) != nullptr) {
            readRow(match, 3);
            state.subMaterial = false;
            continue;
        }
        if (state.subMaterial) continue;

        if ((match = keywords[kMaterialAmbient]) != nullptr) {
            if (LightingTerms* m = material()) readColour(match, m->ambient);
        } else if ((match = keywords[kMaterialDiffuse]) != nullptr) {
            if (LightingTerms* m = material()) readColour(match, m->diffuse);
        } else if ((match = keywords[kMaterialSpecular]) != nullptr) {
            if (LightingTerms* m = material()) readColour(match, m->specular);
        } else if ((match = keywords[kMaterialShine]) != nullptr) {
            if (material() != nullptr) {
                float shine = 0.0f;
                LineScan scan(match, state.scratch);
                if (scan.word() && scan.real(shine)) {
                    // Exponents written as fractions of 100 are scaled up; the
                    // comparison is made in double, so 1.28 (read as a float
                    // just below it) becomes 128.
                    if (static_cast<double>(shine) < 1.28) {
                        shine = static_cast<float>(static_cast<double>(shine) * 100.0);
                    }
                    model.materialShine[static_cast<size_t>(state.materialCursor)] = shine;
                } else {
                    ignore("shine without a number");
                }
            }
        } else if ((match = keywords[kMaterialShinestrength]) != nullptr) {
            if (material() != nullptr) {
                // The strength itself is never used; the line ends a material,
                // and its keyword still lands in the scratch word.
                LineScan(match, state.scratch).word();
                ++state.materialCursor;
            }
        } else if ((match = keywords[kNodeName]) != nullptr) {
            if (Mesh* mesh = inProgressOrIgnore()) {
                mesh->visible = 1;
                // Both words go into the one scratch word, so the second word
                // of a two-word name is what is tested.
                LineScan scan(match + 11, state.scratch);
                scan.word() && scan.word();
                for (char* c = state.scratch; *c != '\0'; ++c) {
                    if (*c >= 'A' && *c <= 'Z') *c = static_cast<char>(*c - 'A' + 'a');
                }
                if (std::strstr(state.scratch, "bip") != nullptr ||
                    std::strstr(state.scratch, "bone") != nullptr) {
                    mesh->visible = 0;
                }
            }
        } else if ((match = keywords[kMeshNumvertex]) != nullptr) {
            Mesh* mesh = inProgressOrIgnore();
            int32_t declared = 0;
            if (mesh != nullptr && countAfter(match, 16, declared)) {
                const int32_t count = grantedCount(declared, 13, INT32_MAX, kVertexEntryBytes, "vertices");
                mesh->vertexCount = count;
                replaceArray(mesh->vertices, count);
                replaceArray(mesh->clipFlags, count);
                replaceArray(mesh->transformed, count);
                replaceArray(mesh->normals, count);
            }
        } else if ((match = keywords[kMeshNumfaces]) != nullptr) {
            Mesh* mesh = inProgressOrIgnore();
            int32_t declared = 0;
            if (mesh != nullptr && countAfter(match, 15, declared)) {
                const int32_t count = 3 * grantedCount(declared, 11, INT32_MAX / 3, kFaceEntryBytes, "faces");
                mesh->indexCount = count;
                replaceArray(mesh->indices, count);
                replaceArray(mesh->faceMaterialIds, count);
            }
        } else if ((match = keywords[kMeshVertex]) != nullptr) {
            Mesh* mesh = inProgressOrIgnore();
            if (mesh != nullptr && state.vertexCursor < mesh->vertexCount &&
                static_cast<size_t>(state.vertexCursor) < mesh->vertices.size()) {
                Vertex& vertex = mesh->vertices[static_cast<size_t>(state.vertexCursor)];
                // The file is z-up; the viewer is y-up and draws the file at
                // twice its size.
                float x = 0.0f, y = 0.0f, z = 0.0f;
                bool complete = false;
                LineScan scan(match, state.scratch);
                if (scan.word() && scan.ignoredInt() && scan.real(x)) {
                    vertex.x = static_cast<float>(2.0 * x);
                    if (scan.real(y)) {
                        vertex.z = static_cast<float>(2.0 * y);
                        if ((complete = scan.real(z))) vertex.y = static_cast<float>(2.0 * z);
                    }
                }
                if (!complete) ignore("vertex without three coordinates");
                ++state.vertexCursor;
            } else if (mesh != nullptr) {
                ignore("vertex beyond the " + std::to_string(mesh->vertexCount) + " announced");
            }
        } else if ((match = keywords[kMeshFace]) != nullptr) {
            Mesh* mesh = inProgressOrIgnore();
            const int32_t at = state.faceCursor;
            if (mesh != nullptr && int64_t{at} + 2 < mesh->indexCount &&
                static_cast<size_t>(at) + 2 < mesh->indices.size() &&
                static_cast<size_t>(at) + 2 < mesh->faceMaterialIds.size()) {
                // Corners are stored first, third, second: together with the
                // exchange of y and z this keeps the file's winding.
                int32_t* indices = mesh->indices.data() + at;
                int32_t materialId = 0;
                LineScan scan(match, state.scratch);
                const bool corners = scan.word() && scan.word() && scan.word() && scan.integer(indices[0]) &&
                                     scan.word() && scan.integer(indices[2]) && scan.word() &&
                                     scan.integer(indices[1]);
                // Exporters leave the smoothing group empty when there is
                // none; the material id is then not read, which is no fault
                // of the file worth reporting.
                if (corners && scan.word() && scan.ignoredInt() && scan.word() && scan.ignoredInt() &&
                    scan.word() && scan.ignoredInt() && scan.word() && scan.ignoredInt() && scan.word() &&
                    scan.integer(materialId)) {
                    for (int corner = 0; corner < 3; ++corner) {
                        mesh->faceMaterialIds[static_cast<size_t>(at + corner)] = materialId;
                    }
                }
                if (!corners) ignore("face without three corners");
                for (int corner = 0; corner < 3; ++corner) {
                    if (outside(indices[corner], mesh->vertexCount)) {
                        ignore("face names vertex " + std::to_string(indices[corner]) + " of " +
                               std::to_string(mesh->vertexCount));
                        break;
                    }
                }
                state.faceCursor += 3;
            } else if (mesh != nullptr) {
                ignore("face beyond the " + std::to_string(mesh->indexCount / 3) + " announced");
            }
        } else if ((match = keywords[kMeshNumtvertex]) != nullptr) {
            Mesh* mesh = inProgressOrIgnore();
            int32_t declared = 0;
            if (mesh != nullptr && countAfter(match, 17, declared)) {
                if (mesh->texVertexCount != 0) {
                    // A further mapping channel: only the first one is used.
                    model.parseFlag = 1;
                } else {
                    const int32_t count = grantedCount(declared, 12, INT32_MAX, sizeof(TexCoord), "texture vertices");
                    mesh->texVertexCount = count;
                    replaceArray(mesh->texVertices, count);
                }
            }
        } else if (!model.parseFlag && (match = keywords[kMeshTvert]) != nullptr) {
            Mesh* mesh = inProgressOrIgnore();
            if (mesh != nullptr && state.texVertexCursor < mesh->texVertexCount &&
                static_cast<size_t>(state.texVertexCursor) < mesh->texVertices.size()) {
                TexCoord& tex = mesh->texVertices[static_cast<size_t>(state.texVertexCursor)];
                // Tiling coordinates are folded into 0..1: the sign is dropped
                // and whole turns above 1 are removed (1 itself stays).
                float u = 0.0f, v = 0.0f;
                LineScan scan(match, state.scratch);
                if (scan.word() && scan.ignoredInt() && scan.real(u)) {
                    tex.u = foldTextureCoordinate(u);
                    if (scan.real(v)) tex.v = foldTextureCoordinate(v);
                    else ignore("texture vertex without two coordinates");
                } else {
                    ignore("texture vertex without two coordinates");
                }
                ++state.texVertexCursor;
            } else if (mesh != nullptr) {
                ignore("texture vertex beyond the " + std::to_string(mesh->texVertexCount) + " announced");
            }
        } else if (!model.parseFlag && (match = keywords[kMeshNumtvfaces]) != nullptr) {
            Mesh* mesh = inProgressOrIgnore();
            int32_t declared = 0;
            if (mesh != nullptr && countAfter(match, 17, declared)) {
                const int32_t count =
                    3 * grantedCount(declared, 12, INT32_MAX / 3, kTexFaceEntryBytes, "texture faces");
                mesh->texFaceIndexCount = count;
                replaceArray(mesh->texFaces, count);
            }
        } else if (!model.parseFlag && (match = keywords[kMeshTface]) != nullptr) {
            Mesh* mesh = inProgressOrIgnore();
            const int32_t at = state.texFaceCursor;
            if (mesh != nullptr && int64_t{at} + 2 < mesh->texFaceIndexCount &&
                static_cast<size_t>(at) + 2 < mesh->texFaces.size()) {
                int32_t* corners = mesh->texFaces.data() + at;
                LineScan scan(match, state.scratch);
                if (!(scan.word() && scan.ignoredInt() && scan.integer(corners[0]) && scan.integer(corners[2]) &&
                      scan.integer(corners[1]))) {
                    ignore("texture face line cannot be read in full");
                } else {
                    for (int corner = 0; corner < 3; ++corner) {
                        if (outside(corners[corner], mesh->texVertexCount)) {
                            ignore("texture face names texture vertex " + std::to_string(corners[corner]) + " of " +
                                   std::to_string(mesh->texVertexCount));
                            break;
                        }
                    }
                }
                state.texFaceCursor += 3;
            } else if (mesh != nullptr) {
                ignore("texture face beyond the " + std::to_string(mesh->texFaceIndexCount / 3) + " announced");
            }
        } else {
            if (keywords[kPropMotionblur] != nullptr) {
                if (Mesh* finished = inProgressOrIgnore()) {
                    computeVertexNormals(*finished);
                    finished->scale = Vector3{1.0f, 1.0f, 1.0f};
                    finished->rotation = Vector3{0.0f, 0.0f, 0.0f};
                    finished->position = Vector3{0.0f, 500.0f, 0.0f};
                    model.parseFlag = 0;
                    state.vertexCursor = state.faceCursor = 0;
                    state.texVertexCursor = state.texFaceCursor = 0;
                    ++meshCount;
                }
            }
            if ((match = keywords[kMaterialRef]) != nullptr && meshCount >= 2) {
                LineScan scan(match, state.scratch);
                if (!(scan.word() && scan.integer(model.meshes[static_cast<size_t>(meshCount - 2)].materialIndex)))
                    ignore("material reference without a number");
            }
        }
    }

    if (!model.hasMaterials) model.materialCount = 0;
    // An object without its closing line is not part of the model; whatever
    // it allocated goes at once.
    if (meshCount - 1 < static_cast<int32_t>(model.meshes.size())) {
        releaseMeshArrays(model.meshes[static_cast<size_t>(meshCount - 1)]);
    }
    model.meshCount = meshCount - 1;
    if (model.meshCount == 0) model.failure = whyNoMesh(bytes, byteCount, firstObjectLine);
    return model;
}

}  // namespace trivane
