#pragma once

#include <span>
#include <string>
#include <string_view>

namespace trivane {

// A kind of model file, as choosers list it: "Wavefront OBJ" and "*.obj".
struct ModelFormat {
    const char* name;
    const char* patterns;  // blank-separated
};

// What the importer reads beside our own text format, each with the name
// endings it goes by (never *.ase, which our own reader keeps).
std::span<const ModelFormat> importedFormats();

// Whether the importer reads this file, by the end of its name in any case.
// Every other file, one without an extension too, is read as model text.
bool readByImporter(std::string_view path);

// Whether a file's name says it is a model of any kind we read.
bool looksLikeModel(std::string_view path);

// Every pattern of every format, ours first, blank-separated.
std::string allModelPatterns();

}  // namespace trivane
