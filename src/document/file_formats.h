// The kinds of file a document is opened from and saved as, with what reads and writes
// each: the one table that the document's open and save, the window's file dialogs and
// kind checks, and the command line's conversions go by.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "base/result.h"
#include "formats/projectfile.h"
#include "model/file_filter.h"
#include "model/file_kind.h"

namespace orv {

class CModel;
class COrvaneDoc;
struct ResourceSources;

// A model read from a file, before it becomes a document's.
struct OpenedModel {
    std::unique_ptr<CModel> model;
    CameraState camera;         // a project's; none for a model file (it is framed)
    std::string readInPart;     // what the file lacked when it ended early; "" when whole
    bool readDamaged = false;   // the file held what cannot stand (readInPart names it)
    std::string puppetFile;     // the puppet file beside a 3DO, when there is one
    std::string puppetProblem;  // why that file is not what the document holds; "" when it is
    bool savedCamera = false;   // the file keeps a camera and the current keyframe's choice
};

struct DocumentFormat {
    FileKind kind;
    std::string_view typeName;  // as the file dialogs name the type: "3DO Files"
    bool opens;                 // File > Open takes it (a puppet file goes into the active document)
    bool saves;                 // a document can be saved as it
    bool readByGame;            // the game's engine reads it, so its limits apply
    bool keepsCustomMaterials;  // the saved files carry the model's custom materials
    // Reads the file as a document's model, its puppet found in sources; null when the
    // kind is not opened as a document.
    Result<OpenedModel> (*read)(const std::string& path, const ResourceSources& sources);
    // Writes the document as the kind; null when a document is not saved as it.
    Status (*write)(COrvaneDoc& doc, const std::string& path);
};

// Every kind a document is opened from or saved as, in the order the file dialogs list
// them.
std::span<const DocumentFormat> DocumentFormats();
// The entry of the kind; null for a kind that is no document's.
const DocumentFormat* DocumentFormatOf(FileKind kind);
// The format a file is opened by: its kind's when that is read as a document, else the
// project's (whose reader says what the file looks like when it is no project).
const DocumentFormat& OpenFormatFor(std::string_view path);
// The format a document is saved as under path: its kind's; the project's for a name
// of no kind the editor knows. Null for a kind a document is not saved as (a puppet
// file, an archive, a material...): such a file is never written over with a model.
const DocumentFormat* SaveFormatFor(std::string_view path);

// The file dialog's entry of a format: "3DO Files (*.3do)".
FileFilter FilterOf(const DocumentFormat& format);
// The file types File > Open offers: every kind it takes together, then each.
FileFilters OpenFilters();
// The file types Save As offers, the project's first.
FileFilters SaveFilters();

}  // namespace orv
