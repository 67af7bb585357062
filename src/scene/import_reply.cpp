#include "scene/import_reply.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace trivane {

namespace {

constexpr size_t kMaterialBytes = 11 * 4;
constexpr size_t kMeshHeaderBytes = 4 * 4;
// What one entry costs in memory once read.
constexpr int64_t kMaterialCost = sizeof(LightingTerms) + sizeof(float);
constexpr int64_t kVertexCost = 3 * sizeof(Vertex) + sizeof(uint8_t);
constexpr int64_t kCornerCost = 2 * sizeof(int32_t);
constexpr int64_t kTexCornerCost = sizeof(TexCoord) + sizeof(int32_t);

class ReplyReader {
public:
    ReplyReader(const uint8_t* data, size_t size, const SceneState& current, int64_t budget)
        : at_(data), end_(data + size), current_(current), budget_(budget) {}

    LoadedModel read() {
        uint32_t materials = 0, textures = 0, meshes = 0;
        if (readHeader(materials, textures, meshes) && readMaterials(materials, textures) &&
            readTextures(textures) && readMeshes(meshes) && expectEnd())
            return std::move(model_);
        LoadedModel refused;
        refused.failure = "the importer's reply is malformed: " + failure_;
        return refused;
    }

private:
    bool fail(std::string why) {
        failure_ = std::move(why);
        return false;
    }
    size_t left() const { return static_cast<size_t>(end_ - at_); }
    // Whether count entries of entryBytes each are still in the reply.
    bool holds(uint64_t count, uint64_t entryBytes, const std::string& what) {
        if (entryBytes == 0 || count <= left() / entryBytes) return true;
        return fail(std::to_string(count) + " " + what + " announced, more than the reply holds");
    }
    bool charge(int64_t bytes, const std::string& what) {
        if (bytes <= budget_) {
            budget_ -= bytes;
            return true;
        }
        return fail(what + " would take more memory than a reply of its size may");
    }

    // The caller has checked that the bytes are there.
    uint32_t u32() {
        const uint32_t v = uint32_t{at_[0]} | uint32_t{at_[1]} << 8 | uint32_t{at_[2]} << 16 | uint32_t{at_[3]} << 24;
        at_ += 4;
        return v;
    }
    float f32() {
        const uint32_t bits = u32();
        float v;
        std::memcpy(&v, &bits, sizeof v);
        return v;
    }
    Rgb rgb() {
        Rgb c;
        c.r = f32();
        c.g = f32();
        c.b = f32();
        return c;
    }

    bool readHeader(uint32_t& materials, uint32_t& textures, uint32_t& meshes) {
        if (left() < 20) return fail("it is shorter than its header");
        if (std::memcmp(at_, kReplyMagic, sizeof kReplyMagic) != 0) return fail("it does not start with TVIR");
        at_ += sizeof kReplyMagic;
        const uint32_t version = u32();
        if (version != kReplyVersion) return fail("version " + std::to_string(version) + " is not 1");
        materials = u32();
        textures = u32();
        meshes = u32();
        return true;
    }

    bool readMaterials(uint32_t count, uint32_t textureCount) {
        if (!holds(count, kMaterialBytes, "materials") || !charge(count * kMaterialCost, "the materials"))
            return false;
        model_.materials.resize(count);
        model_.materialShine.resize(count);
        materialTextures_.resize(count);
        for (uint32_t i = 0; i < count; ++i) {
            LightingTerms& terms = model_.materials[i];
            terms.ambient = rgb();
            terms.diffuse = rgb();
            terms.specular = rgb();
            model_.materialShine[i] = f32();
            const int32_t texture = static_cast<int32_t>(u32());
            if (texture < -1 || (texture >= 0 && static_cast<uint32_t>(texture) >= textureCount))
                return fail("material " + std::to_string(i) + " names texture " + std::to_string(texture) + " of " +
                            std::to_string(textureCount));
            materialTextures_[i] = texture;
        }
        model_.materialCount = static_cast<int32_t>(count);
        return true;
    }

    bool readTexture(MaterialTexture& image, uint32_t index) {
        const std::string name = "texture " + std::to_string(index);
        if (left() < 8) return fail(name + " is cut short");
        const uint32_t width = u32(), height = u32();
        if (width == 0 || height == 0 || width > kReplyMaxTextureSide || height > kReplyMaxTextureSide)
            return fail(name + " is " + std::to_string(width) + " x " + std::to_string(height) +
                        " texels, outside 1..8192 a side");
        const size_t row = size_t{width} * 3;
        const size_t stride = (row + 3) & ~size_t{3};
        if (!holds(height, row, "rows of " + name) || !charge(static_cast<int64_t>(stride * height), name))
            return false;
        image.width = static_cast<int32_t>(width);
        image.height = static_cast<int32_t>(height);
        image.stride = static_cast<int32_t>(stride);
        image.texels.assign(stride * height, 0);
        for (uint32_t y = 0; y < height; ++y, at_ += row) std::copy_n(at_, row, image.texels.data() + y * stride);
        return true;
    }

    bool readTextures(uint32_t count) {
        // Every texture takes at least its 8-byte size and one texel.
        if (!holds(count, 11, "textures") || !charge(count * int64_t{sizeof(MaterialTexture)}, "the textures"))
            return false;
        model_.textures.resize(count);
        for (uint32_t i = 0; i < count; ++i)
            if (!readTexture(model_.textures[i], i)) return false;
        return true;
    }

    bool readMeshes(uint32_t count) {
        if (!holds(count, kMeshHeaderBytes, "meshes") || !charge(count * int64_t{sizeof(Mesh)}, "the meshes"))
            return false;
        model_.meshes.reserve(count);
        for (uint32_t i = 0; i < count; ++i) {
            model_.meshes.push_back(seededMesh(current_, static_cast<int32_t>(i)));
            if (!readMesh(model_.meshes.back(), i)) return false;
        }
        if (count == 0) return fail("it holds no mesh");
        model_.meshCount = static_cast<int32_t>(count);
        return true;
    }

    bool readMesh(Mesh& mesh, uint32_t index);
    void readVertices(Mesh& mesh, bool normals, bool texCoords);
    bool readTriangles(Mesh& mesh, const std::string& name);

    bool expectEnd() {
        if (left() == 0) return true;
        return fail(std::to_string(left()) + " bytes follow the last mesh");
    }

    const uint8_t* at_;
    const uint8_t* const end_;
    const SceneState& current_;
    int64_t budget_;
    LoadedModel model_;
    std::vector<int32_t> materialTextures_;
    std::string failure_;
};

bool ReplyReader::readMesh(Mesh& mesh, uint32_t index) {
    const std::string name = "mesh " + std::to_string(index);
    if (left() < kMeshHeaderBytes) return fail(name + " is cut short");
    const uint32_t material = u32(), vertices = u32(), triangles = u32(), flags = u32();
    if (material >= model_.materials.size())
        return fail(name + " names material " + std::to_string(material) + " of " +
                    std::to_string(model_.materials.size()));
    if ((flags & ~(kReplyHasNormals | kReplyHasTexCoords)) != 0) return fail(name + " has unknown flags");
    const bool normals = (flags & kReplyHasNormals) != 0, texCoords = (flags & kReplyHasTexCoords) != 0;
    const int32_t texture = materialTextures_[material];
    if (texCoords && texture < 0) return fail(name + " has texture coordinates but its material no texture");
    if (vertices > INT32_MAX || triangles > INT32_MAX / 3)
        return fail(name + " has more entries than a mesh may");
    const uint64_t vertexBytes = 12 + (normals ? 12 : 0) + (texCoords ? 8 : 0);
    const uint64_t corners = uint64_t{triangles} * 3;
    if (!holds(vertices, vertexBytes, "vertices of " + name) || !holds(triangles, 12, "triangles of " + name))
        return false;
    // Both tables are bounded by the reply, so neither product overflows.
    if (vertices * vertexBytes + triangles * uint64_t{12} > left()) return fail(name + " is cut short");
    const int64_t cost = vertices * (kVertexCost + (texCoords ? int64_t{sizeof(TexCoord)} : 0)) +
                         static_cast<int64_t>(corners) * (kCornerCost + (texCoords ? kTexCornerCost : 0));
    if (!charge(cost, name)) return false;
    mesh.visible = 1;
    mesh.materialIndex = static_cast<int32_t>(material);
    mesh.texture = texCoords ? texture : -1;
    mesh.vertexCount = static_cast<int32_t>(vertices);
    mesh.vertices.resize(vertices);
    mesh.transformed.resize(vertices);
    mesh.normals.resize(vertices);
    mesh.clipFlags.resize(vertices);
    readVertices(mesh, normals, texCoords);
    mesh.indexCount = static_cast<int32_t>(corners);
    mesh.indices.resize(corners);
    mesh.faceMaterialIds.resize(corners);
    if (!readTriangles(mesh, name)) return false;
    if (!normals) computeVertexNormals(mesh);
    placeFinishedMesh(mesh);
    return true;
}

void ReplyReader::readVertices(Mesh& mesh, bool normals, bool texCoords) {
    for (Vertex& v : mesh.vertices) {
        v.x = f32();
        v.y = f32();
        v.z = f32();
    }
    if (normals) {
        for (Vertex& n : mesh.normals) {
            n.x = f32();
            n.y = f32();
            n.z = f32();
            n.w = 0.0f;
        }
    }
    if (!texCoords) return;
    mesh.texVertexCount = mesh.vertexCount;
    mesh.texVertices.resize(mesh.vertices.size());
    for (TexCoord& t : mesh.texVertices) {
        t.u = foldTextureCoordinate(f32());
        t.v = foldTextureCoordinate(f32());
    }
}

bool ReplyReader::readTriangles(Mesh& mesh, const std::string& name) {
    for (int32_t k = 0; k < mesh.indexCount; ++k) {
        const uint32_t corner = u32();
        if (corner >= static_cast<uint32_t>(mesh.vertexCount))
            return fail(name + " triangle " + std::to_string(k / 3) + " names vertex " + std::to_string(corner) +
                        " of " + std::to_string(mesh.vertexCount));
        mesh.indices[static_cast<size_t>(k)] = static_cast<int32_t>(corner);
    }
    if (mesh.texVertexCount > 0) {
        mesh.texFaceIndexCount = mesh.indexCount;
        mesh.texFaces = mesh.indices;
    }
    return true;
}

}  // namespace

int64_t defaultReplyBudget(size_t size) {
    return 32 * static_cast<int64_t>(std::min<size_t>(size, size_t{1} << 40)) + (int64_t{8} << 20);
}

LoadedModel readImportReply(const uint8_t* data, size_t size, const SceneState& current, int64_t budget) {
    return ReplyReader(data, size, current, budget).read();
}

}  // namespace trivane
