#include "scene/model_formats.h"

#include <algorithm>

#include "scene/text_scanner.h"

namespace trivane {

namespace {

// Debian's assimp 5.2 reads these. Left out: *.xml and *.raw, which name
// far more files that are not models (our own raw frames among them).
constexpr ModelFormat kImported[] = {
    {"Wavefront OBJ", "*.obj"},
    {"glTF 2.0", "*.gltf *.glb"},
    {"STL", "*.stl"},
    {"Stanford PLY", "*.ply"},
    {"3D Studio", "*.3ds"},
    {"Collada", "*.dae *.zae"},
    {"Autodesk FBX", "*.fbx"},
    {"Object File Format", "*.off"},
    {"3D Manufacturing Format", "*.3mf"},
    {"Blender", "*.blend"},
    {"X3D", "*.x3d *.x3db"},
    {"DirectX", "*.x"},
    {"LightWave", "*.lwo *.lws *.lxo"},
    {"AC3D", "*.ac *.ac3d *.acc"},
    {"AutoCAD DXF", "*.dxf"},
    {"Milkshape 3D", "*.ms3d"},
    {"Quake and Doom", "*.md2 *.md3 *.md5mesh *.md5anim *.md5camera *.mdc *.mdl *.bsp *.pk3"},
    {"Other formats",
     "*.3d *.amf *.ask *.assbin *.b3d *.bvh *.cob *.csm *.enff *.hmp *.ifc *.ifczip *.iqm *.irr *.irrmesh *.mesh "
     "*.mesh.xml *.mot *.ndo *.nff *.ogex *.pmx *.prj *.q3o *.q3s *.scn *.sib *.smd *.step *.stp *.ter *.uc "
     "*.vta *.xgl *.zgl"},
};

bool endsWithIgnoringCase(std::string_view text, std::string_view end) {
    return end.size() <= text.size() && sameIgnoringCase(text.substr(text.size() - end.size()), end);
}

// Whether the name ends as one of the blank-separated patterns ("*.obj").
bool matchesOne(std::string_view path, std::string_view patterns) {
    while (!patterns.empty()) {
        const size_t blank = patterns.find(' ');
        const std::string_view pattern = patterns.substr(0, blank);
        // "*.obj" takes "a.obj", not a file called ".obj" alone in its folder.
        const std::string_view ending = pattern.substr(1);
        if (endsWithIgnoringCase(path, ending) && path.size() > ending.size() &&
            path[path.size() - ending.size() - 1] != '/')
            return true;
        if (blank == std::string_view::npos) break;
        patterns.remove_prefix(blank + 1);
    }
    return false;
}

}  // namespace

std::span<const ModelFormat> importedFormats() { return kImported; }

bool readByImporter(std::string_view path) {
    return std::any_of(std::begin(kImported), std::end(kImported),
                       [path](const ModelFormat& format) { return matchesOne(path, format.patterns); });
}

bool looksLikeModel(std::string_view path) { return matchesOne(path, "*.ase") || readByImporter(path); }

std::string allModelPatterns() {
    std::string all = "*.ase";
    for (const ModelFormat& format : kImported) all += std::string(" ") + format.patterns;
    return all;
}

}  // namespace trivane
