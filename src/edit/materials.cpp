#include "edit/materials.h"

#include <memory>

#include "base/text.h"
#include "model/file_kind.h"
#include "model/fileio.h"
#include "resources/bitmap.h"
#include "resources/catalog.h"

namespace orv {

namespace fs = std::filesystem;

std::optional<std::size_t> FindModelMaterial(const CModel& model, std::string_view name)
{
    for (std::size_t i = 0; i < model.materials.size(); ++i)
        if (CompareNoCase(model.materials[i], name) == 0)
            return i;
    return std::nullopt;
}

std::size_t CountFacesWithMaterial(const CModel& model, int32_t index)
{
    std::size_t n = 0;
    for (const auto& geo : model.geosets)
        for (const auto& mesh : geo.meshes)
            for (const auto& face : mesh.faces)
                if (face.material == index)
                    ++n;
    return n;
}

bool DeleteModelMaterial(CModel& model, std::size_t index)
{
    if (index >= model.materials.size())
        return false;
    const auto deleted = static_cast<int32_t>(index);
    for (auto& geo : model.geosets)
        for (auto& mesh : geo.meshes)
            for (auto& face : mesh.faces) {
                if (face.material == deleted)
                    face.material = -1;
                else if (face.material > deleted)
                    --face.material;
            }
    const std::string name = model.materials[index];
    model.materials.erase(model.materials.begin() + static_cast<std::ptrdiff_t>(index));
    RemoveCustomMaterial(model.customMaterials, name);
    return true;
}

std::size_t AddModelMaterialName(CModel& model, std::string_view name)
{
    if (auto i = FindModelMaterial(model, name))
        return *i;
    model.materials.emplace_back(name);
    return model.materials.size() - 1;
}

void RecomputeCustomMaterialOffsets(SortedEntryList& materials)
{
    uint32_t offset = 0;
    for (auto& e : materials.Entries()) {
        e->offset = offset;
        offset += e->size;
    }
}

std::optional<std::size_t> FindCustomMaterial(const SortedEntryList& materials, std::string_view name)
{
    const auto& entries = materials.Entries();
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (CompareNoCase(entries[i]->shortName, name) == 0)
            return i;
    return std::nullopt;
}

void PutCustomMaterial(SortedEntryList& materials, const std::string& name, std::vector<uint8_t> bytes)
{
    RemoveCustomMaterial(materials, name);
    auto entry = std::make_unique<CTreeObject>(name, 0u, static_cast<uint32_t>(bytes.size()));
    entry->data = std::move(bytes);
    materials.Add(std::move(entry));
    RecomputeCustomMaterialOffsets(materials);
}

bool RemoveCustomMaterial(SortedEntryList& materials, std::string_view name)
{
    const auto i = FindCustomMaterial(materials, name);
    if (!i)
        return false;
    materials.RemoveAt(*i);
    RecomputeCustomMaterialOffsets(materials);
    return true;
}

Result<MaterialFile> ReadMaterialFile(const fs::path& file, const Palette* palette)
{
    const std::string fileName = ToLowerAscii(ShortNameOf(file.filename().string()));
    auto raw = ReadWholeFile(file);
    if (!raw)
        return Fail(raw.error());
    MaterialFile material;
    if (FileKindOf(fileName) == FileKind::Bitmap) {
        auto image = ReadBmp(*raw);
        if (!image)
            return Fail(file.string() + ": " + image.error());
        ToMaterialPalette(*image, palette);
        material.name = fileName.substr(0, fileName.find('.')) + ".mat";
        material.bytes = MakeMat(*image);
    } else {
        // Only a material may become one: anything else would be drawn as garbage or
        // not at all, and saved into the model's project. A MAT this program cannot
        // draw is still a material.
        if (const auto info = ParseMat(*raw); !info)
            return Fail(file.string() + " is not a MAT material: " + info.error());
        material.name = fileName;
        material.bytes = std::move(*raw);
    }
    if (material.name.empty() || material.name == ".mat")
        return Fail(file.string() + " has no name a material could take");
    return material;
}

Result<std::size_t> ConvertStockMaterials(CModel& model, const ResourceCatalog& catalog, const fs::path& resourceFile)
{
    // All bytes are read first, so a failure leaves the document as it was.
    std::vector<std::pair<std::string, std::vector<uint8_t>>> found;
    for (const auto& name : model.materials) {
        if (FindCustomMaterial(model.customMaterials, name))
            continue;
        bool pending = false;
        for (const auto& f : found)
            pending = pending || CompareNoCase(f.first, name) == 0;
        const CTreeObject* stock = catalog.materials.Lookup(name);
        if (!stock || pending)
            continue;
        auto bytes = ReadEntryData(resourceFile, *stock);
        if (!bytes)
            return Fail(bytes.error());
        found.emplace_back(stock->shortName, std::move(*bytes));
    }
    for (auto& [name, bytes] : found) {
        auto entry = std::make_unique<CTreeObject>(name, 0u, static_cast<uint32_t>(bytes.size()));
        entry->data = std::move(bytes);
        model.customMaterials.Add(std::move(entry));
    }
    RecomputeCustomMaterialOffsets(model.customMaterials);
    return found.size();
}

// ---- the Materials dialog's changes -------------------------------------------------------

namespace {

// The material list or a custom material changed: views load their textures again.
constexpr uint32_t kMaterialsChanged = kModelChanged | kTexturesChanged;

}  // namespace

EditOutcome SetFaceMaterial(EditContext& c, const FaceMaterialEdit& edit)
{
    CModel& model = c.model();
    CMesh* mesh = model.MeshAt(edit.mesh);
    if (!mesh || edit.face < 0 || static_cast<std::size_t>(edit.face) >= mesh->faces.size())
        return {};
    const auto index = FindModelMaterial(model, edit.material);
    CFace& face = mesh->faces[static_cast<std::size_t>(edit.face)];
    if (!index || face.material == static_cast<int32_t>(*index))
        return {};
    face.material = static_cast<int32_t>(*index);
    return EditOutcome::Changed(kMaterialsChanged);
}

EditOutcome AddMaterialToModel(EditContext& c, const std::string& name)
{
    if (name.empty() || FindModelMaterial(c.model(), name))
        return {};
    AddModelMaterialName(c.model(), name);
    return EditOutcome::Changed(kMaterialsChanged);
}

EditOutcome DeleteMaterialAt(EditContext& c, const std::size_t& index)
{
    return DeleteModelMaterial(c.model(), index) ? EditOutcome::Changed(kMaterialsChanged) : EditOutcome{};
}

EditOutcome LoadCustomMaterials(EditContext& c, const std::vector<MaterialFile>& files)
{
    CModel& model = c.model();
    for (const MaterialFile& f : files) {
        PutCustomMaterial(model.customMaterials, f.name, f.bytes);
        AddModelMaterialName(model, f.name);
    }
    return files.empty() ? EditOutcome{} : EditOutcome::Changed(kMaterialsChanged);
}

EditOutcome ConvertStockMaterialsOf(EditContext& c, const StockSource& source)
{
    if (!source.catalog)
        return {};
    const auto converted = ConvertStockMaterials(c.model(), *source.catalog, source.resourceFile);
    if (!converted)
        return EditOutcome::Refused(converted.error());
    return *converted > 0 ? EditOutcome::Changed(kMaterialsChanged) : EditOutcome{};
}

}  // namespace orv
