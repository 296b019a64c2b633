#include "model/corners.h"

#include <algorithm>

#include "model/model.h"
#include "model/nodes.h"

namespace orv {

namespace {

constexpr uint32_t kCornerColor = 0x00FFFFFF;

template <typename T>
const T* At(const std::vector<T>& list, int32_t index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= list.size())
        return nullptr;
    return &list[static_cast<std::size_t>(index)];
}

}  // namespace

TextureSize FaceTextureSize(const CModel& model, const CFace& face, const TextureSizeFn& textureSize)
{
    const std::string* material = At(model.materials, face.material);
    if (!material || !textureSize)
        return {};
    const auto size = textureSize(*material);
    if (!size || size->width <= 0 || size->height <= 0)
        return {};
    return *size;
}

void FillDefaultTextureScales(CModel& model, const TextureSizeFn& textureSize)
{
    // Each material's size is asked for once, not once per face.
    std::vector<std::optional<std::optional<TextureSize>>> sizes(textureSize ? model.materials.size() : 0);
    auto sizeOf = [&](int32_t material) -> std::optional<TextureSize> {
        auto& known = sizes[static_cast<std::size_t>(material)];
        if (!known)
            known = textureSize(model.materials[static_cast<std::size_t>(material)]);
        return *known;
    };
    for (auto& geoset : model.geosets)
        for (auto& mesh : geoset.meshes)
            for (auto& face : mesh.faces) {
                CFace& f = face;
                if (f.uScale != 0.0f && f.vScale != 0.0f)
                    continue;
                if (f.material < 0) {
                    if (f.uScale == 0.0f)
                        f.uScale = 1.0f;
                    if (f.vScale == 0.0f)
                        f.vScale = 1.0f;
                } else if (textureSize && At(model.materials, f.material)) {
                    if (const auto size = sizeOf(f.material); size && size->width > 0 && size->height > 0) {
                        if (f.uScale == 0.0f)
                            f.uScale = static_cast<float>(size->width) / 2.0f;
                        if (f.vScale == 0.0f)
                            f.vScale = static_cast<float>(size->height) / 2.0f;
                    }
                }
            }
}

void BuildFaceCorners(CModel& model, const TextureSizeFn& textureSize)
{
    FillDefaultTextureScales(model, textureSize);
    for (auto& geoset : model.geosets) {
        const std::vector<Vec3> pivots = MeshPivots(model, geoset.meshes.size());
        for (std::size_t k = 0; k < geoset.meshes.size(); ++k) {
            CMesh& mesh = geoset.meshes[k];
            mesh.placementOffset = pivots[k];

            for (auto& face : mesh.faces) {
                CFace& f = face;
                // Built in index order and reversed once, which gives the same list as
                // inserting each corner at the front.
                f.corners.clear();
                f.corners.reserve(f.vertexIndices.size());
                for (std::size_t i = 0; i < f.vertexIndices.size(); ++i) {
                    const VertexRecord* vertex = At(mesh.vertices, f.vertexIndices[i]);
                    if (!vertex)
                        continue;
                    VertexRecord c;
                    c.SetPosition(vertex->Position() + mesh.placementOffset);
                    c.specular = vertex->specular;
                    c.color = kCornerColor;
                    const VertexRecord* tex = i < f.textureVertexIndices.size()
                                                  ? At(mesh.textureVertices, f.textureVertexIndices[i])
                                                  : nullptr;
                    if (tex) {
                        c.u = tex->u;
                        c.v = tex->v;
                    }
                    f.corners.push_back(c);
                }
                std::reverse(f.corners.begin(), f.corners.end());
                f.ComputeFaceNormal();
            }
        }
    }
}

void RebuildFaceCorners(CModel& model, const TextureSizeFn& textureSize)
{
    for (auto& geoset : model.geosets)
        for (auto& mesh : geoset.meshes) {
            // A mesh whose corners were never built has nothing newer than its lists.
            const bool built =
                std::any_of(mesh.faces.begin(), mesh.faces.end(), [](const auto& f) { return !f.corners.empty(); });
            if (built)
                RebuildListsIfChanged(model.caches, mesh);
        }
    BuildFaceCorners(model, textureSize);
}

}  // namespace orv
