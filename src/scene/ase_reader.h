#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "scene/loaded_files.h"
#include "scene/text_scanner.h"

namespace trivane {

// Reads model text as a flat line scanner, not a parser of the nested blocks:
// each line is searched for a fixed list of keywords in a fixed order and the
// first one found decides what the line does.
class AseReader {
public:
    // In the order in which they decide a line.
    enum Keyword : int {
        kGeomobject, kMaterialCount, kSubmaterial, kMaterial, kTmRow0, kTmRow1, kTmRow2, kTmRow3,
        kMaterialAmbient, kMaterialDiffuse, kMaterialSpecular, kMaterialShine, kMaterialShinestrength,
        kNodeName, kMeshNumvertex, kMeshNumfaces, kMeshVertex, kMeshFace,
        kMeshNumtvertex, kMeshTvert, kMeshNumtvfaces, kMeshTface, kPropMotionblur, kMaterialRef, kKeywordCount
    };

    // A table that a count line declares.
    struct Table {
        size_t column;        // where the count stands after its keyword
        int64_t lineBytes;    // the shortest line an entry can be written on
        int32_t slots;        // taken by one entry
        int64_t entryBytes;   // one entry in all the arrays it fills
        const char* entries;  // as messages name many of them
        const char* entry;    // and one
    };

    // The text is read as it is: UTF-16 must already be in characters.
    AseReader(LineReader lines, int64_t size, const SceneState& current);

    // Reads the whole text, once: the model is moved out. progress, when
    // set, is told the bytes read as each megabyte is passed and at the end;
    // false stops the read.
    LoadedModel read(const ReadProgress& progress);
    // The line the first object starts on, or 0 when there is none.
    int64_t firstObjectLine() const { return firstObjectLine_; }

private:
    using Keywords = std::array<const char*, kKeywordCount>;

    void readLine(const Keywords& keywords);
    static LoadedModel cancelled();

    // Materials: their count, then each one's colours, shine and shine
    // strength, which ends it.
    void readMaterialCount(const char* match);
    void readMaterial(Keyword keyword, const char* match);

    // The node: the rows of its transform (false when the line holds none)
    // and its name.
    bool readTransformRow(const Keywords& keywords);
    void readNodeName(const char* match);

    // The mesh geometry: vertex and face counts, then the entries.
    void readGeometry(Keyword keyword, const char* match);
    void readVertex(Mesh& mesh, const char* match);
    void readFace(Mesh& mesh, const char* match);

    // Texture mapping: texture vertex and face counts, then the entries.
    void readMapping(Keyword keyword, const char* match);
    void readTexVertex(Mesh& mesh, const char* match);
    void readTexFace(Mesh& mesh, const char* match);

    // The end of an object: its closing line, then its material.
    void readObjectEnd(const Keywords& keywords);

    // Counts the line as ignored; the first one is named.
    void ignore(const std::string& why);
    // The object being read, or none once the table is full.
    Mesh* objectInProgress();
    // A line that ends before the count's column holds no count.
    bool countAfter(const char* match, const Table& table, int32_t& declared);
    // Sizes a table from its count line. The declared count is honoured up
    // to what the rest of the file could fill, every entry needing a line of
    // its own, and what the budget allows; negative counts are 0.
    template <typename... Arrays>
    bool readTableCount(const char* match, const Table& table, int32_t& slots, Arrays&... arrays);
    // Whether the entry at the cursor lies within both the announced count
    // and the stored array; one beyond them is reported.
    bool hasRoom(int32_t cursor, int32_t slots, size_t stored, const Table& table);
    // Reports the first corner outside the table it indexes.
    void checkCorners(const int32_t* corners, int32_t count, const char* what);

    const SceneState& current_;
    LineReader lines_;
    const int64_t fileSize_;
    // All the tables the file may still make the reader allocate, in bytes.
    // Each count is bounded by the bytes left in the file, but every object
    // may declare one, so without a total a file of many short objects would
    // cost the square of its size. Real exports need about twice their size.
    int64_t budget_;
    LoadedModel model_;
    int32_t meshCount_ = 1;  // the object being read is counted, as the table does
    int64_t firstObjectLine_ = 0;
    int32_t vertexCursor_ = 0, faceCursor_ = 0, texVertexCursor_ = 0, texFaceCursor_ = 0;
    int32_t materialCursor_ = 0;
    bool subMaterial_ = false;
    // A *MATERIAL_COUNT line was read; without one no material counts.
    bool declaresMaterials_ = false;
    // The object announced a second mapping channel: only the first one is
    // used, so texture lines are skipped up to the object's end.
    bool inFurtherMappingChannel_ = false;
    char scratch_[kPieceLength + 1] = {};
};

}  // namespace trivane
