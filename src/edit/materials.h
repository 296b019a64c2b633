// Changes to a model's materials: its list of material names, the faces that refer to
// them by index, and the custom materials (MAT bytes kept in the document).
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document/edit_context.h"
#include "model/model.h"
#include "resources/material.h"

namespace orv {

struct ResourceCatalog;

// Index of name in the model's material list, compared without regard to case.
std::optional<std::size_t> FindModelMaterial(const CModel& model, std::string_view name);

// Faces of all meshes of all geometry sets whose material is index.
std::size_t CountFacesWithMaterial(const CModel& model, int32_t index);

// Removes the material at index from the model's list. Faces on it get -1 (no
// material); faces above it move down by one, so every other face keeps its material.
// A custom material of that name leaves the document too. Returns false for an index
// out of range.
bool DeleteModelMaterial(CModel& model, std::size_t index);

// Appends name to the model's list unless it is there already (without regard to case);
// returns its index.
std::size_t AddModelMaterialName(CModel& model, std::string_view name);

// Offsets of custom materials: the running sum of the sizes before each (the first 0).
void RecomputeCustomMaterialOffsets(SortedEntryList& materials);

// Index of the custom material of that short name, compared without regard to case.
std::optional<std::size_t> FindCustomMaterial(const SortedEntryList& materials, std::string_view name);

// Adds a custom material (replacing one of the same name) and recomputes the offsets.
void PutCustomMaterial(SortedEntryList& materials, const std::string& name, std::vector<uint8_t> bytes);

// Removes the custom material of that name; false when there is none.
bool RemoveCustomMaterial(SortedEntryList& materials, std::string_view name);

// A file to load as a custom material: a bitmap (a file of kind Bitmap)
// becomes a MAT named NAME.mat (NAME up to the first "."), remapped onto palette when
// one is given; any other file must be a MAT and is taken whole under its file name.
// Names are lower-cased, as the game's are.
struct MaterialFile {
    std::string name;
    std::vector<uint8_t> bytes;
};
Result<MaterialFile> ReadMaterialFile(const std::filesystem::path& file, const Palette* palette);

// Every name of the model's list that is no custom material but a stock material of
// the catalogue becomes a custom material with the stock bytes; the value counts them.
// Nothing changes when one of them cannot be read.
Result<std::size_t> ConvertStockMaterials(CModel& model, const ResourceCatalog& catalog,
                                          const std::filesystem::path& resourceFile);

// ---- the Materials dialog's changes, as operations ----------------------------------------

// A face by its place in the current geometry set: unlike the face itself, it outlives
// an undo (which gives the document a new model).
struct FaceIndex {
    int32_t mesh = -1;
    int32_t face = -1;
};

// "&Ok" with a face: the face of the current geometry set's mesh takes the material of
// that name (compared without regard to case). Nothing changes for a name the model's
// list lacks, a face that does not resolve, or a face on that material already.
struct FaceMaterialEdit {
    int32_t mesh = -1;
    int32_t face = -1;
    std::string material;
};
EditOutcome SetFaceMaterial(EditContext& c, const FaceMaterialEdit& edit);

// "Add Material to 3DO": the name joins the model's list unless it is there already.
EditOutcome AddMaterialToModel(EditContext& c, const std::string& name);

// "&Delete": DeleteModelMaterial of that index; nothing for an index out of range.
EditOutcome DeleteMaterialAt(EditContext& c, const std::size_t& index);

// "&Load": each file read already becomes a custom material (replacing one of the same
// name) and joins the model's list; nothing changes for no files.
EditOutcome LoadCustomMaterials(EditContext& c, const std::vector<MaterialFile>& files);

// "Con&vert": ConvertStockMaterials with the game's catalogue and archive. Changed when
// a material was converted; nothing without a catalogue; the reason when one cannot be
// read (nothing changes then).
struct StockSource {
    const ResourceCatalog* catalog = nullptr;
    std::filesystem::path resourceFile;
};
EditOutcome ConvertStockMaterialsOf(EditContext& c, const StockSource& source);

}  // namespace orv
