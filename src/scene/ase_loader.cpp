#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/renderer.h"
#include "scene/files.h"
#include "scene/text_scanner.h"

// The model reader is a flat line scanner, not a parser of the nested blocks:
// each line is searched for a fixed list of keywords in a fixed order and the
// first one found decides what the line does. The trailing blank of most
// keywords keeps them from matching longer keywords that share their start.

namespace trivane {

namespace {

constexpr int kPieceLength = 255;  // longer lines are read as several lines

// Reads lines the way a text-mode read with a 256-byte buffer does: at most
// 255 characters, up to and including a line feed, and a carriage return
// directly before a line feed is dropped. The line is then seen as a C string,
// so it ends at its first zero byte.
class LineReader {
public:
    LineReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool next(char (&line)[kPieceLength + 1]) {
        int length = 0;
        while (length < kPieceLength && at_ < size_) {
            char c = static_cast<char>(data_[at_++]);
            if (c == '\r' && at_ < size_ && data_[at_] == '\n') {
                ++at_;
                c = '\n';
            }
            line[length++] = c;
            if (c == '\n') break;
        }
        line[length] = '\0';
        return length > 0;
    }

    int64_t consumed() const { return static_cast<int64_t>(at_); }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

// Text stored as UTF-16 with a byte-order mark is read as its characters, as
// other readers of the format do. A character beyond one byte can be part of
// no keyword or number and reads as '?'.
std::vector<uint8_t> textOf(std::vector<uint8_t> bytes) {
    if (bytes.size() < 2) return bytes;
    const bool little = bytes[0] == 0xFF && bytes[1] == 0xFE;
    const bool big = bytes[0] == 0xFE && bytes[1] == 0xFF;
    if (!little && !big) return bytes;
    std::vector<uint8_t> text;
    text.reserve(bytes.size() / 2);
    auto unitAt = [&](size_t i) -> uint32_t {
        return little ? bytes[i] | (uint32_t{bytes[i + 1]} << 8) : (uint32_t{bytes[i]} << 8) | bytes[i + 1];
    };
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
        const uint32_t unit = unitAt(i);
        // A surrogate pair is one character.
        if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < bytes.size() && unitAt(i + 2) >= 0xDC00 &&
            unitAt(i + 2) < 0xE000)
            i += 2;
        text.push_back(unit < 0x100 ? static_cast<uint8_t>(unit) : static_cast<uint8_t>('?'));
    }
    return text;
}

// Line patterns of the recognised subset. Words and ignored numbers go into
// the one scratch word; each step stops the line at its first failed
// conversion, like formatted input, and leaves later targets untouched.
class LineScan {
public:
    LineScan(const char* from, char* scratch) : cursor_(from), scratch_(scratch) {}

    bool word() { return ok_ && (ok_ = scanWord(cursor_, scratch_)); }

    // An ignored int lands in the scratch word as the four bytes of its value,
    // which is what a later name line without a name finds there.
    bool ignoredInt() {
        int32_t value = 0;
        if (!ok_ || !(ok_ = scanInt(cursor_, value))) return false;
        std::memcpy(scratch_, &value, sizeof value);
        return true;
    }

    bool integer(int32_t& out) { return ok_ && (ok_ = scanInt(cursor_, out)); }
    bool real(float& out) { return ok_ && (ok_ = scanFloat(cursor_, out)); }

private:
    const char* cursor_;
    char* scratch_;
    bool ok_ = true;
};

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

int32_t Renderer::loadModel(const char* path) {
    FileHandle file = openForReading(path);
    if (!file) file = openDefaultFile(kDefaultModelPath);
    if (!file) return 0;
    const std::vector<uint8_t> text = textOf(readAll(file.get()));
    file.reset();
    return loadModelFromMemory(text.data(), text.size());
}

int32_t Renderer::loadModelFromMemory(const uint8_t* data, size_t bytes) {
    releaseModel();
    meshCount = 1;
    hasMaterials = 0;
    parseFlag = 0;

    const int64_t size = static_cast<int64_t>(bytes);
    LineReader reader(data, bytes);
    LoaderState state;
    char line[kPieceLength + 1];

    // The mesh being filled, or none once the table is full.
    auto inProgress = [this]() -> Mesh* {
        return meshCount - 1 < kMaxMeshes ? &meshes[meshCount - 1] : nullptr;
    };
    auto remaining = [&]() { return size - reader.consumed(); };
    auto material = [&]() -> LightingTerms* {
        const int32_t i = state.materialCursor;
        return (i < materialCount && static_cast<size_t>(i) < materials.size()) ? &materials[i]
                                                                                : nullptr;
    };
    auto readColour = [&](const char* match, Rgb& colour) {
        LineScan scan(match, state.scratch);
        scan.word() && scan.real(colour.r) && scan.real(colour.g) && scan.real(colour.b);
    };
    auto readRow = [&](const char* match, int row) {
        Mesh* mesh = inProgress();
        if (mesh == nullptr) return;
        LineScan scan(match, state.scratch);
        scan.word() && scan.real(mesh->nodeTransform.at(row, 0)) &&
            scan.real(mesh->nodeTransform.at(row, 1)) && scan.real(mesh->nodeTransform.at(row, 2));
    };

    while (reader.next(line)) {
        const char* match = nullptr;

        if ((match = std::strstr(line, "*MATERIAL_COUNT")) != nullptr) {
            int32_t declared = 0;
            if (readCount(match, 16, declared)) {
                // Every line that writes a material is at least 16 bytes long.
                const int32_t count = boundedCount(declared, remaining(), 16, INT32_MAX);
                materialCount = count;
                replaceArray(materials, count);
                replaceArray(materialShine, count);
                materialSource = -1;
                hasMaterials = 1;
            }
            continue;
        }
        if (std::strstr(line, "*SUBMATERIAL ") != nullptr) state.subMaterial = true;
        if (std::strstr(line, "*MATERIAL ") != nullptr) state.subMaterial = false;

        if ((match = std::strstr(line, "*TM_ROW0 ")) != nullptr) {
            readRow(match, 0);
            continue;
        }
        if ((match = std::strstr(line, "*TM_ROW1 ")) != nullptr) {
            readRow(match, 1);
            continue;
        }
        if ((match = std::strstr(line, "*TM_ROW2 ")) != nullptr) {
            readRow(match, 2);
            continue;
        }
        if ((match = std::strstr(line, "*TM_ROW3 ")) != nullptr) {
            readRow(match, 3);
            state.subMaterial = false;
            continue;
        }
        if (state.subMaterial) continue;

        if ((match = std::strstr(line, "*MATERIAL_AMBIENT ")) != nullptr) {
            if (LightingTerms* m = material()) readColour(match, m->ambient);
        } else if ((match = std::strstr(line, "*MATERIAL_DIFFUSE ")) != nullptr) {
            if (LightingTerms* m = material()) readColour(match, m->diffuse);
        } else if ((match = std::strstr(line, "*MATERIAL_SPECULAR ")) != nullptr) {
            if (LightingTerms* m = material()) readColour(match, m->specular);
        } else if ((match = std::strstr(line, "*MATERIAL_SHINE ")) != nullptr) {
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
                    materialShine[static_cast<size_t>(state.materialCursor)] = shine;
                }
            }
        } else if ((match = std::strstr(line, "*MATERIAL_SHINESTRENGTH ")) != nullptr) {
            if (material() != nullptr) {
                // The strength itself is never used; the line ends a material,
                // and its keyword still lands in the scratch word.
                LineScan(match, state.scratch).word();
                ++state.materialCursor;
            }
        } else if ((match = std::strstr(line, "*NODE_NAME ")) != nullptr) {
            if (Mesh* mesh = inProgress()) {
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
        } else if ((match = std::strstr(line, "*MESH_NUMVERTEX")) != nullptr) {
            Mesh* mesh = inProgress();
            int32_t declared = 0;
            if (mesh != nullptr && readCount(match, 16, declared)) {
                const int32_t count = boundedCount(declared, remaining(), 13, INT32_MAX);
                mesh->vertexCount = count;
                replaceArray(mesh->vertices, count);
                replaceArray(mesh->clipFlags, count);
                replaceArray(mesh->transformed, count);
                replaceArray(mesh->normals, count);
            }
        } else if ((match = std::strstr(line, "*MESH_NUMFACES")) != nullptr) {
            Mesh* mesh = inProgress();
            int32_t declared = 0;
            if (mesh != nullptr && readCount(match, 15, declared)) {
                const int32_t count = 3 * boundedCount(declared, remaining(), 11, INT32_MAX / 3);
                mesh->indexCount = count;
                replaceArray(mesh->indices, count);
                replaceArray(mesh->faceMaterialIds, count);
            }
        } else if ((match = std::strstr(line, "*MESH_VERTEX ")) != nullptr) {
            Mesh* mesh = inProgress();
            if (mesh != nullptr && state.vertexCursor < mesh->vertexCount &&
                static_cast<size_t>(state.vertexCursor) < mesh->vertices.size()) {
                Vertex& vertex = mesh->vertices[static_cast<size_t>(state.vertexCursor)];
                // The file is z-up; the viewer is y-up and draws the file at
                // twice its size.
                float x = 0.0f, y = 0.0f, z = 0.0f;
                LineScan scan(match, state.scratch);
                if (scan.word() && scan.ignoredInt() && scan.real(x)) {
                    vertex.x = static_cast<float>(2.0 * x);
                    if (scan.real(y)) {
                        vertex.z = static_cast<float>(2.0 * y);
                        if (scan.real(z)) vertex.y = static_cast<float>(2.0 * z);
                    }
                }
                ++state.vertexCursor;
            }
        } else if ((match = std::strstr(line, "*MESH_FACE ")) != nullptr) {
            Mesh* mesh = inProgress();
            const int32_t at = state.faceCursor;
            if (mesh != nullptr && int64_t{at} + 2 < mesh->indexCount &&
                static_cast<size_t>(at) + 2 < mesh->indices.size() &&
                static_cast<size_t>(at) + 2 < mesh->faceMaterialIds.size()) {
                // Corners are stored first, third, second: together with the
                // exchange of y and z this keeps the file's winding.
                int32_t* indices = mesh->indices.data() + at;
                int32_t materialId = 0;
                LineScan scan(match, state.scratch);
                if (scan.word() && scan.word() && scan.word() && scan.integer(indices[0]) &&
                    scan.word() && scan.integer(indices[2]) && scan.word() &&
                    scan.integer(indices[1]) && scan.word() && scan.ignoredInt() && scan.word() &&
                    scan.ignoredInt() && scan.word() && scan.ignoredInt() && scan.word() &&
                    scan.ignoredInt() && scan.word() && scan.integer(materialId)) {
                    for (int corner = 0; corner < 3; ++corner) {
                        mesh->faceMaterialIds[static_cast<size_t>(at + corner)] = materialId;
                    }
                }
                state.faceCursor += 3;
            }
        } else if ((match = std::strstr(line, "*MESH_NUMTVERTEX")) != nullptr) {
            Mesh* mesh = inProgress();
            int32_t declared = 0;
            if (mesh != nullptr && readCount(match, 17, declared)) {
                if (mesh->texVertexCount != 0) {
                    // A further mapping channel: only the first one is used.
                    parseFlag = 1;
                } else {
                    const int32_t count = boundedCount(declared, remaining(), 12, INT32_MAX);
                    mesh->texVertexCount = count;
                    replaceArray(mesh->texVertices, count);
                }
            }
        } else if (!parseFlag && (match = std::strstr(line, "*MESH_TVERT ")) != nullptr) {
            Mesh* mesh = inProgress();
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
                }
                ++state.texVertexCursor;
            }
        } else if (!parseFlag && (match = std::strstr(line, "*MESH_NUMTVFACES")) != nullptr) {
            Mesh* mesh = inProgress();
            int32_t declared = 0;
            if (mesh != nullptr && readCount(match, 17, declared)) {
                const int32_t count = 3 * boundedCount(declared, remaining(), 12, INT32_MAX / 3);
                mesh->texFaceIndexCount = count;
                replaceArray(mesh->texFaces, count);
            }
        } else if (!parseFlag && (match = std::strstr(line, "*MESH_TFACE ")) != nullptr) {
            Mesh* mesh = inProgress();
            const int32_t at = state.texFaceCursor;
            if (mesh != nullptr && int64_t{at} + 2 < mesh->texFaceIndexCount &&
                static_cast<size_t>(at) + 2 < mesh->texFaces.size()) {
                int32_t* corners = mesh->texFaces.data() + at;
                LineScan scan(match, state.scratch);
                scan.word() && scan.ignoredInt() && scan.integer(corners[0]) &&
                    scan.integer(corners[2]) && scan.integer(corners[1]);
                state.texFaceCursor += 3;
            }
        } else {
            if (std::strstr(line, "*PROP_MOTIONBLUR") != nullptr && inProgress() != nullptr) {
                computeVertexNormals(meshCount);
                Mesh& mesh = meshes[meshCount - 1];
                mesh.scale = Vector3{1.0f, 1.0f, 1.0f};
                mesh.rotation = Vector3{0.0f, 0.0f, 0.0f};
                mesh.position = Vector3{0.0f, 500.0f, 0.0f};
                parseFlag = 0;
                state.vertexCursor = state.faceCursor = 0;
                state.texVertexCursor = state.texFaceCursor = 0;
                ++meshCount;
            }
            if ((match = std::strstr(line, "*MATERIAL_REF ")) != nullptr && meshCount >= 2) {
                LineScan scan(match, state.scratch);
                scan.word() && scan.integer(meshes[meshCount - 2].materialIndex);
            }
        }
    }

    if (!hasMaterials) materialCount = 0;
    // An object without its closing line is not part of the model; whatever
    // it allocated goes at once, so unused meshes never hold arrays.
    if (Mesh* dropped = inProgress()) releaseMeshArrays(*dropped);
    meshCount = meshCount - 1;
    return meshCount;
}

}  // namespace trivane
