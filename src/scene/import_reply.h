#pragma once

// The reply trivane-import writes on its standard output: a model another
// library read, flattened into our mesh records. It comes from a process
// that may have been fed a hostile file, so it is read like any untrusted
// input: every count against the bytes left, every index against its table,
// and all it may cost against a memory budget.
//
// Little-endian throughout; u32 and i32 are 4-byte integers, f32 IEEE floats.
//
//   header     "TVIR", u32 version (1), u32 materials, u32 textures, u32 meshes
//   material   f32 ambient r g b, diffuse r g b, specular r g b, f32 shine,
//              i32 texture (-1: none)                               44 bytes
//   texture    u32 width, u32 height (1..8192 each), then height rows of
//              width texels, 3 bytes each (blue, green, red), bottom row
//              first, no padding
//   mesh       u32 material, u32 vertices, u32 triangles, u32 flags
//              (1: normals follow, 2: texture coordinates follow), then
//              vertices x f32 x y z, [vertices x f32 x y z normals],
//              [vertices x f32 u v], triangles x u32 corner corner corner
//
// Coordinates are already ours (y up, winding as the renderer takes it);
// texture coordinates are raw and folded into 0..1 on reading. Only a mesh
// whose material has a texture may carry texture coordinates. Anything after
// the last mesh is a fault.

#include <cstddef>
#include <cstdint>

#include "scene/loaded_files.h"

namespace trivane {

inline constexpr char kReplyMagic[4] = {'T', 'V', 'I', 'R'};
inline constexpr uint32_t kReplyVersion = 1;
inline constexpr uint32_t kReplyHasNormals = 1;
inline constexpr uint32_t kReplyHasTexCoords = 2;
inline constexpr uint32_t kReplyMaxTextureSide = 8192;
// trivane-import exits with 0 after a whole reply, with this when memory ran
// out, and with another code after a last line on stderr saying why.
inline constexpr int kImportExitOutOfMemory = 3;

// What a reply of this many bytes may make the reader allocate by default:
// as for model text, a multiple of its size and a little more.
int64_t defaultReplyBudget(size_t size);

// The model a reply describes, or no mesh and the reason in failure. Meshes
// take the placement a finished object of model text takes; the rest of
// their slots is seeded from current as the text reader seeds them. Normals
// the reply lacks are computed as for model text.
LoadedModel readImportReply(const uint8_t* data, size_t size, const SceneState& current, int64_t budget);
inline LoadedModel readImportReply(const uint8_t* data, size_t size, const SceneState& current) {
    return readImportReply(data, size, current, defaultReplyBudget(size));
}

}  // namespace trivane
