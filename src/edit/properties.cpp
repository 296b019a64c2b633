#include "edit/properties.h"

#include "edit/selection.h"
#include "view/hierarchy.h"

namespace orv {

namespace {

CFace* FaceAt(CMesh* mesh, int32_t face)
{
    if (!mesh || face < 0 || static_cast<std::size_t>(face) >= mesh->faces.size())
        return nullptr;
    return mesh->faces[static_cast<std::size_t>(face)].get();
}

bool SameFields(const MeshFields& a, const MeshFields& b)
{
    return a.name == b.name && a.radius == b.radius && a.geometryMode == b.geometryMode &&
           a.lightingMode == b.lightingMode && a.textureMode == b.textureMode;
}

bool SameFields(const FaceFields& a, const FaceFields& b)
{
    return a.name == b.name && a.type == b.type && a.geometryMode == b.geometryMode &&
           a.lightingMode == b.lightingMode && a.textureMode == b.textureMode && a.extraLight == b.extraLight;
}

}  // namespace

GeosetFields GeosetFieldsOf(const CModel& model) { return {model.currentGeoset, model.radius, model.insertOffset}; }

MeshFields MeshFieldsOf(const CMesh& mesh)
{
    return {mesh.name, mesh.radius, mesh.geometryMode, mesh.lightingMode, mesh.textureMode};
}

FaceFields FaceFieldsOf(const CFace& face)
{
    return {face.name, face.type, face.geometryMode, face.lightingMode, face.textureMode, face.extraLight};
}

bool SetGeosetFields(COrvaneDoc& doc, const GeosetFields& fields)
{
    CModel& m = *doc.model;
    const bool geosetValid = fields.geoset >= 0 && static_cast<std::size_t>(fields.geoset) < m.geosets.size();
    const int32_t geoset = geosetValid ? fields.geoset : m.currentGeoset;
    if (geoset == m.currentGeoset && fields.radius == m.radius && fields.insertOffset == m.insertOffset)
        return false;
    doc.TakeSnapshot();
    m.currentGeoset = geoset;
    m.radius = fields.radius;
    m.insertOffset = fields.insertOffset;
    return true;
}

bool SetMeshFields(COrvaneDoc& doc, int32_t mesh, const MeshFields& fields)
{
    CMesh* target = doc.model->MeshAt(mesh);
    if (!target || SameFields(MeshFieldsOf(*target), fields))
        return false;
    doc.TakeSnapshot();
    target = doc.model->MeshAt(mesh);
    target->name = fields.name;
    target->radius = fields.radius;
    target->geometryMode = fields.geometryMode;
    target->lightingMode = fields.lightingMode;
    target->textureMode = fields.textureMode;
    return true;
}

bool SetFaceFields(COrvaneDoc& doc, int32_t mesh, int32_t face, const FaceFields& fields, bool renameGroup)
{
    CMesh* m = doc.model->MeshAt(mesh);
    CFace* f = FaceAt(m, face);
    if (!f || SameFields(FaceFieldsOf(*f), fields))
        return false;
    doc.TakeSnapshot();
    if (renameGroup && fields.name != f->name)
        for (auto& other : m->faces)
            if (other.get() != f && InFaceGroup(*other, *f))
                other->name = fields.name;
    f->name = fields.name;
    f->type = fields.type;
    f->geometryMode = fields.geometryMode;
    f->lightingMode = fields.lightingMode;
    f->textureMode = fields.textureMode;
    f->extraLight = fields.extraLight;
    return true;
}

std::optional<VertexFields> VertexFieldsOf(const CModel& model, int32_t mesh, int32_t face, int32_t vertex,
                                           const TextureSizeFn& textureSize)
{
    const CFace* f = FaceAt(model.MeshAt(mesh), face);
    const VertexRecord* record = f ? FaceVertex(*f, vertex) : nullptr;
    if (!record)
        return std::nullopt;
    const Vec3 p = TransformPoint(record->Position(), MeshModelMatrix(model, mesh));
    const TextureSize size = FaceTextureSize(model, *f, textureSize);
    return VertexFields{SwapFileAxes(p), record->u / static_cast<float>(size.width),
                        record->v / static_cast<float>(size.height)};
}

bool SetVertexFields(COrvaneDoc& doc, int32_t mesh, int32_t face, int32_t vertex, const VertexFields& fields)
{
    const TextureSizeFn& sizes = doc.Environment().textureSize;
    const auto now = VertexFieldsOf(*doc.model, mesh, face, vertex, sizes);
    if (!now)
        return false;
    const bool moved = !(now->filePosition == fields.filePosition);
    if (!moved && now->u == fields.u && now->v == fields.v)
        return false;
    doc.TakeSnapshot();
    CMesh& m = *doc.model->MeshAt(mesh);
    CFace& f = *m.faces[static_cast<std::size_t>(face)];
    VertexRecord& record = *FaceVertex(f, vertex);
    const TextureSize size = FaceTextureSize(*doc.model, f, sizes);
    record.u = fields.u * static_cast<float>(size.width);
    record.v = fields.v * static_cast<float>(size.height);
    if (!moved)
        return true;
    const Vec3 target =
        TransformPoint(SwapFileAxes(fields.filePosition), InvertMatrix(MeshModelMatrix(*doc.model, mesh)));
    const Vec3 old = record.Position();
    for (auto& other : m.faces) {
        bool touched = false;
        for (auto& c : other->corners)
            if (LengthSquared(c.Position() - old) < kSharedVertexDistanceSq) {
                c.SetPosition(target);
                touched = true;
            }
        if (touched)
            other->ComputeFaceNormal();
    }
    return true;
}

}  // namespace orv
