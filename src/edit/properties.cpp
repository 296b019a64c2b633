#include "edit/properties.h"

#include <utility>

#include "edit/selection.h"
#include "view/hierarchy.h"

namespace orv {

namespace {

const CFace* FaceAt(const CMesh* mesh, int32_t face)
{
    if (!mesh || face < 0 || static_cast<std::size_t>(face) >= mesh->faces.size())
        return nullptr;
    return &mesh->faces[static_cast<std::size_t>(face)];
}

CFace* FaceAt(CMesh* mesh, int32_t face) { return const_cast<CFace*>(FaceAt(static_cast<const CMesh*>(mesh), face)); }

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

EditOutcome SetGeosetFields(EditContext& c, const GeosetFields& fields)
{
    CModel& m = c.model();
    const bool geosetValid = fields.geoset >= 0 && static_cast<std::size_t>(fields.geoset) < m.geosets.size();
    const int32_t geoset = geosetValid ? fields.geoset : m.currentGeoset;
    if (geoset == m.currentGeoset && fields.radius == m.radius && fields.insertOffset == m.insertOffset)
        return {};
    m.currentGeoset = geoset;
    m.radius = fields.radius;
    m.insertOffset = fields.insertOffset;
    return EditOutcome::Changed(kModelChanged);
}

EditOutcome SetMeshFields(EditContext& c, const MeshEdit& edit)
{
    CMesh* target = c.model().MeshAt(edit.mesh);
    const MeshFields& fields = edit.fields;
    if (!target || SameFields(MeshFieldsOf(*target), fields))
        return {};
    target->name = fields.name;
    target->radius = fields.radius;
    target->geometryMode = fields.geometryMode;
    target->lightingMode = fields.lightingMode;
    target->textureMode = fields.textureMode;
    return EditOutcome::Changed(kModelChanged);
}

EditOutcome SetFaceFields(EditContext& c, const FaceEdit& edit)
{
    CMesh* m = c.model().MeshAt(edit.mesh);
    CFace* f = FaceAt(m, edit.face);
    const FaceFields& fields = edit.fields;
    if (!f || SameFields(FaceFieldsOf(*f), fields))
        return {};
    if (edit.renameGroup && fields.name != f->name)
        for (auto& other : m->faces)
            if (&other != f && InFaceGroup(other, *f))
                other.name = fields.name;
    f->name = fields.name;
    f->type = fields.type;
    f->geometryMode = fields.geometryMode;
    f->lightingMode = fields.lightingMode;
    f->textureMode = fields.textureMode;
    f->extraLight = fields.extraLight;
    return EditOutcome::Changed(kModelChanged);
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

EditOutcome SetVertexFields(EditContext& c, const VertexEdit& edit)
{
    CModel& model = c.model();
    const VertexFields& fields = edit.fields;
    const TextureSizeFn sizes = c.TextureSizes();
    const auto now = VertexFieldsOf(model, edit.mesh, edit.face, edit.vertex, sizes);
    if (!now)
        return {};
    const bool moved = !(now->filePosition == fields.filePosition);
    if (!moved && now->u == fields.u && now->v == fields.v)
        return {};
    CMesh& m = *model.MeshAt(edit.mesh);
    CFace& f = m.faces[static_cast<std::size_t>(edit.face)];
    VertexRecord& record = *FaceVertex(f, edit.vertex);
    const TextureSize size = FaceTextureSize(model, f, sizes);
    record.u = fields.u * static_cast<float>(size.width);
    record.v = fields.v * static_cast<float>(size.height);
    if (!moved)
        return EditOutcome::Changed(kModelChanged);
    const Vec3 target =
        TransformPoint(SwapFileAxes(fields.filePosition), InvertMatrix(MeshModelMatrix(model, edit.mesh)));
    const Vec3 old = record.Position();
    for (auto& other : m.faces) {
        bool touched = false;
        for (auto& r : other.corners)
            if (LengthSquared(r.Position() - old) < kSharedVertexDistanceSq) {
                r.SetPosition(target);
                touched = true;
            }
        if (touched)
            other.ComputeFaceNormal();
    }
    return EditOutcome::Changed(kModelChanged);
}

}  // namespace orv
