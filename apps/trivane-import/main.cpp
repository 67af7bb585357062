// trivane-import MODEL: reads a model with assimp and writes it on stdout as
// the reply scene/import_reply.h describes. It runs as a child of the viewer
// with limits on memory and time, so that a file that crashes, hangs or
// exhausts the importer costs only this process.
//
// Materials map onto the lighting's terms as model text's materials do:
//   ambient   AI_MATKEY_COLOR_AMBIENT, else 0.2 grey
//   diffuse   AI_MATKEY_COLOR_DIFFUSE, else 0.8 grey
//   specular  AI_MATKEY_COLOR_SPECULAR, else black
//   shine     AI_MATKEY_SHININESS as the specular exponent, else 0; below 1
//             the material has no highlight (specular black), since an
//             exponent of 0 would light even the faces turned away
// The material assimp makes up for a file without any (named
// AI_DEFAULT_MATERIAL_NAME: STL, OBJ without MTL; or without a name: PLY)
// takes all of these defaults: a light grey without a highlight. A material's first
// diffuse (or base colour) texture is a file beside the model or one
// embedded in it; one that cannot be read or decoded leaves the material
// untextured, with a warning on stderr.
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include <assimp/IOSystem.hpp>
#include <assimp/Importer.hpp>
#include <assimp/MemoryIOWrapper.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include "image_decode.h"
#include "scene/files.h"
#include "scene/import_reply.h"

namespace trivane {

namespace {

// Every file assimp opens (the model, an OBJ's MTL, a glTF's buffers) is
// read as the viewer reads files: regular files within the model limit.
class RegularFiles : public Assimp::IOSystem {
public:
    bool Exists(const char* path) const override { return whyUnreadable(path).empty(); }
    char getOsSeparator() const override { return '/'; }
    Assimp::IOStream* Open(const char* path, const char* mode) override {
        if (std::strchr(mode, 'w') != nullptr || std::strchr(mode, 'a') != nullptr) return nullptr;
        const ReadFile file(path, kModelFile);
        if (!file) return nullptr;
        const std::vector<uint8_t> bytes = file.bytes();
        auto* copy = new uint8_t[bytes.size()];
        std::copy(bytes.begin(), bytes.end(), copy);
        return new Assimp::MemoryIOStream(copy, bytes.size(), true);
    }
    void Close(Assimp::IOStream* stream) override { delete stream; }
};

class ReplyWriter {
public:
    void u32(uint32_t v) {
        for (int shift = 0; shift < 32; shift += 8) bytes_.push_back(static_cast<uint8_t>(v >> shift));
    }
    void f32(float v) {
        uint32_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        u32(bits);
    }
    void raw(const void* data, size_t size) {
        const auto* from = static_cast<const uint8_t*>(data);
        bytes_.insert(bytes_.end(), from, from + size);
    }
    // False when the descriptor would not take it all.
    bool flush(int fd) const {
        size_t done = 0;
        while (done < bytes_.size()) {
            const ssize_t wrote = ::write(fd, bytes_.data() + done, bytes_.size() - done);
            if (wrote < 0 && errno == EINTR) continue;
            if (wrote <= 0) return false;
            done += static_cast<size_t>(wrote);
        }
        return true;
    }

private:
    std::vector<uint8_t> bytes_;
};

// The images of the materials, each file or embedded name decoded once.
struct Textures {
    std::vector<DecodedImage> images;
    std::map<std::string, int32_t> byName;  // -1: could not be used
};

bool textureBytes(const aiScene& scene, const std::filesystem::path& folder, const std::string& name,
                  std::vector<uint8_t>& bytes, std::string& why) {
    if (const aiTexture* embedded = scene.GetEmbeddedTexture(name.c_str())) {
        if (embedded->mHeight != 0) {
            why = "it is embedded uncompressed, which is not read";
            return false;
        }
        const auto* data = reinterpret_cast<const uint8_t*>(embedded->pcData);
        bytes.assign(data, data + embedded->mWidth);
        return true;
    }
    std::string relative = name;
    std::replace(relative.begin(), relative.end(), '\\', '/');
    const std::string path = (folder / relative).string();
    const ReadFile file(path.c_str(), kTextureFile);
    if (!file) {
        why = path + ": " + file.failure();
        return false;
    }
    bytes = file.bytes();
    return true;
}

int32_t materialTexture(const aiScene& scene, const aiMaterial& material, const std::filesystem::path& folder,
                        Textures& textures) {
    aiString name;
    if (material.GetTexture(aiTextureType_DIFFUSE, 0, &name) != AI_SUCCESS &&
        material.GetTexture(aiTextureType_BASE_COLOR, 0, &name) != AI_SUCCESS)
        return -1;
    const auto known = textures.byName.find(name.C_Str());
    if (known != textures.byName.end()) return known->second;
    std::vector<uint8_t> bytes;
    std::string why;
    DecodedImage image;
    int32_t index = -1;
    if (textureBytes(scene, folder, name.C_Str(), bytes, why) &&
        decodeImage(bytes.data(), bytes.size(), kReplyMaxTextureSide, image, why)) {
        index = static_cast<int32_t>(textures.images.size());
        textures.images.push_back(std::move(image));
    } else {
        std::cerr << "warning: texture " << name.C_Str() << " is not used: " << why << '\n';
    }
    textures.byName.emplace(name.C_Str(), index);
    return index;
}

void writeMaterial(ReplyWriter& out, const aiMaterial& material, int32_t texture) {
    aiColor3D ambient(0.2f, 0.2f, 0.2f), diffuse(0.8f, 0.8f, 0.8f), specular(0.0f, 0.0f, 0.0f);
    float shine = 0.0f;
    aiString name;
    // The material assimp makes up for a file without one keeps ours: it is
    // named so, or (PLY) not named at all, and white, which would wash the
    // shading out.
    const bool named = material.Get(AI_MATKEY_NAME, name) == AI_SUCCESS && name.length > 0;
    const bool madeUp = !named || name == aiString(AI_DEFAULT_MATERIAL_NAME);
    if (!madeUp) {
        material.Get(AI_MATKEY_COLOR_AMBIENT, ambient);
        material.Get(AI_MATKEY_COLOR_DIFFUSE, diffuse);
        material.Get(AI_MATKEY_COLOR_SPECULAR, specular);
        material.Get(AI_MATKEY_SHININESS, shine);
    }
    if (!(shine >= 1.0f)) {
        specular = aiColor3D(0.0f, 0.0f, 0.0f);
        shine = 0.0f;
    }
    for (const aiColor3D& c : {ambient, diffuse, specular}) {
        out.f32(c.r);
        out.f32(c.g);
        out.f32(c.b);
    }
    out.f32(shine);
    out.u32(static_cast<uint32_t>(texture));
}

// A point taken through a node's transform, then into our frame: assimp's
// y-up right-handed space becomes the viewer's by turning z around, and the
// model is drawn at twice its size, as model text is.
struct Placement {
    double m[3][4];      // the node's global transform
    double normal[3][3]; // its inverse transpose
    bool mirrors;        // its determinant is negative: the winding turns
};

Placement placementOf(const aiMatrix4x4& t) {
    Placement p{};
    const double a[3][4] = {{t.a1, t.a2, t.a3, t.a4}, {t.b1, t.b2, t.b3, t.b4}, {t.c1, t.c2, t.c3, t.c4}};
    std::memcpy(p.m, a, sizeof a);
    const double det = a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
                       a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
                       a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
    // The inverse transpose is the cofactor matrix over the determinant.
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
            const int r1 = (r + 1) % 3, r2 = (r + 2) % 3, c1 = (c + 1) % 3, c2 = (c + 2) % 3;
            p.normal[r][c] = (a[r1][c1] * a[r2][c2] - a[r1][c2] * a[r2][c1]) / det;
        }
    p.mirrors = det < 0.0;
    return p;
}

void writePoint(ReplyWriter& out, const double m[][4], const aiVector3D& v, bool translate, double scale) {
    double x[3];
    for (int r = 0; r < 3; ++r) {
        const double w = translate ? m[r][3] : 0.0;
        x[r] = m[r][0] * v.x + m[r][1] * v.y + m[r][2] * v.z + w;
    }
    out.f32(static_cast<float>(scale * x[0]));
    out.f32(static_cast<float>(scale * x[1]));
    out.f32(static_cast<float>(-scale * x[2]));
}

bool usableNormals(const aiMesh& mesh) {
    if (mesh.mNormals == nullptr) return false;
    // Zero normals (STL files often carry them) mean none: our rule does
    // better than a direction that is not there.
    for (unsigned i = 0; i < mesh.mNumVertices; ++i)
        if (mesh.mNormals[i].x == 0.0f && mesh.mNormals[i].y == 0.0f && mesh.mNormals[i].z == 0.0f) return false;
    return true;
}

void writeMesh(ReplyWriter& out, const aiMesh& mesh, const Placement& p, bool textured) {
    const bool normals = usableNormals(mesh);
    const bool texCoords = textured && mesh.mTextureCoords[0] != nullptr;
    uint32_t triangles = 0;
    for (unsigned f = 0; f < mesh.mNumFaces; ++f) triangles += mesh.mFaces[f].mNumIndices == 3 ? 1 : 0;
    out.u32(mesh.mMaterialIndex);
    out.u32(mesh.mNumVertices);
    out.u32(triangles);
    out.u32((normals ? kReplyHasNormals : 0) | (texCoords ? kReplyHasTexCoords : 0));
    for (unsigned i = 0; i < mesh.mNumVertices; ++i) writePoint(out, p.m, mesh.mVertices[i], true, 2.0);
    if (normals) {
        const double n[3][4] = {{p.normal[0][0], p.normal[0][1], p.normal[0][2], 0.0},
                                {p.normal[1][0], p.normal[1][1], p.normal[1][2], 0.0},
                                {p.normal[2][0], p.normal[2][1], p.normal[2][2], 0.0}};
        for (unsigned i = 0; i < mesh.mNumVertices; ++i) writePoint(out, n, mesh.mNormals[i], false, 1.0);
    }
    for (unsigned i = 0; texCoords && i < mesh.mNumVertices; ++i) {
        out.f32(mesh.mTextureCoords[0][i].x);
        out.f32(mesh.mTextureCoords[0][i].y);
    }
    // Turning z around mirrors the model, so the corners go the other way
    // round; a mirroring node turns them back.
    for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
        const aiFace& face = mesh.mFaces[f];
        if (face.mNumIndices != 3) continue;
        out.u32(face.mIndices[0]);
        out.u32(face.mIndices[p.mirrors ? 1 : 2]);
        out.u32(face.mIndices[p.mirrors ? 2 : 1]);
    }
}

struct Instance {
    const aiMesh* mesh;
    Placement placement;
};

void collect(const aiScene& scene, const aiNode& node, const aiMatrix4x4& parent, std::vector<Instance>& into) {
    const aiMatrix4x4 global = parent * node.mTransformation;
    const Placement placement = placementOf(global);
    for (unsigned i = 0; i < node.mNumMeshes; ++i)
        if (node.mMeshes[i] < scene.mNumMeshes) into.push_back({scene.mMeshes[node.mMeshes[i]], placement});
    for (unsigned i = 0; i < node.mNumChildren; ++i) collect(scene, *node.mChildren[i], global, into);
}

// The reply for an imported scene.
ReplyWriter replyFor(const aiScene& scene, const std::filesystem::path& folder) {
    Textures textures;
    std::vector<int32_t> materialTextures;
    for (unsigned i = 0; i < scene.mNumMaterials; ++i)
        materialTextures.push_back(materialTexture(scene, *scene.mMaterials[i], folder, textures));
    std::vector<Instance> instances;
    if (scene.mRootNode != nullptr) collect(scene, *scene.mRootNode, aiMatrix4x4(), instances);

    ReplyWriter out;
    uint32_t magic = 0;
    for (int i = 3; i >= 0; --i) magic = magic << 8 | static_cast<uint8_t>(kReplyMagic[i]);
    out.u32(magic);
    out.u32(kReplyVersion);
    out.u32(scene.mNumMaterials);
    out.u32(static_cast<uint32_t>(textures.images.size()));
    out.u32(static_cast<uint32_t>(instances.size()));
    for (unsigned i = 0; i < scene.mNumMaterials; ++i) writeMaterial(out, *scene.mMaterials[i], materialTextures[i]);
    for (const DecodedImage& image : textures.images) {
        out.u32(image.width);
        out.u32(image.height);
        out.raw(image.texels.data(), image.texels.size());
    }
    for (const Instance& instance : instances) {
        const unsigned material = instance.mesh->mMaterialIndex;
        const bool textured = material < materialTextures.size() && materialTextures[material] >= 0;
        writeMesh(out, *instance.mesh, instance.placement, textured);
    }
    return out;
}

// Test-only failures, chosen by TRIVANE_IMPORT_SIMULATE: the viewer must
// survive each of them.
void simulateFailure() {
    const char* what = std::getenv("TRIVANE_IMPORT_SIMULATE");
    if (what == nullptr) return;
    if (std::strcmp(what, "crash") == 0) ::raise(SIGSEGV);
    if (std::strcmp(what, "hang") == 0)
        for (;;) ::pause();
    if (std::strcmp(what, "memory") == 0) {
        // Address space only, never touched: the limit stops it, not the
        // machine's memory.
        std::vector<std::unique_ptr<char[]>> blocks;
        for (;;) blocks.emplace_back(new char[size_t{1} << 30]);
    }
}

int run(const char* path) {
    // The reply has stdout to itself: whatever a library prints goes to
    // stderr.
    const int reply = ::dup(STDOUT_FILENO);
    if (reply < 0 || ::dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
        std::cerr << "stdout cannot be set aside for the reply\n";
        return 1;
    }
    simulateFailure();
    Assimp::Importer importer;
    importer.SetIOHandler(new RegularFiles);
    importer.SetPropertyInteger(AI_CONFIG_PP_SBP_REMOVE, aiPrimitiveType_POINT | aiPrimitiveType_LINE);
    const aiScene* scene = importer.ReadFile(
        path, aiProcess_Triangulate | aiProcess_SortByPType | aiProcess_JoinIdenticalVertices);
    if (scene == nullptr) {
        const std::string why = importer.GetErrorString();
        if (why.find("bad_alloc") != std::string::npos) throw std::bad_alloc();
        std::cerr << (why.empty() ? "the importer could not read it" : why) << '\n';
        return 1;
    }
    if (!replyFor(*scene, std::filesystem::path(path).parent_path()).flush(reply)) {
        std::cerr << "the reply could not be written\n";
        return 1;
    }
    return 0;
}

}  // namespace

}  // namespace trivane

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: trivane-import MODEL\n";
        return 2;
    }
    try {
        return trivane::run(argv[1]);
    } catch (const std::bad_alloc&) {
        std::cerr << "out of memory\n";
        return trivane::kImportExitOutOfMemory;
    } catch (const std::exception& e) {
        std::cerr << e.what() << '\n';
        return 1;
    }
}
