// The large model the benchmarks share: a gently curved, textured grid of 100,000 quads
// sharing their corners, split over ten meshes placed by a chain of nodes, as a large
// real model is.
#pragma once

#include <memory>
#include <string>

#include "model/model.h"

namespace orv::bench {

inline constexpr int kQuadsX = 400;
inline constexpr int kQuadsY = 250;

inline std::unique_ptr<CModel> MakeLargeModel()
{
    auto model = std::make_unique<CModel>();
    model->materials = {"grid.mat"};
    model->geosets.push_back(std::make_unique<CGeometry>());
    constexpr int kMeshes = 10;
    for (int k = 0; k < kMeshes; ++k) {
        auto mesh = std::make_unique<CMesh>();
        mesh->name = "grid" + std::to_string(k);
        for (int j = k * kQuadsY / kMeshes; j < (k + 1) * kQuadsY / kMeshes; ++j)
            for (int i = 0; i < kQuadsX; ++i) {
                auto f = std::make_unique<CFace>();
                f->material = 0;
                f->geometryMode = 4;
                f->lightingMode = 3;
                f->textureMode = 1;
                auto corner = [](int x, int y) {
                    VertexRecord r;
                    r.x = static_cast<float>(x) * 0.01f;
                    r.z = static_cast<float>(y) * 0.01f;
                    r.y = 0.001f * static_cast<float>((x * 7 + y * 3) % 11);
                    r.u = static_cast<float>(x % 16) * 4.0f;  // texels of a 64 x 64 texture
                    r.v = static_cast<float>(y % 16) * 4.0f;
                    r.color = 0x00FFFFFF;
                    return r;
                };
                f->corners = {corner(i, j), corner(i + 1, j), corner(i + 1, j + 1), corner(i, j + 1)};
                f->ComputeFaceNormal();
                mesh->faces.push_back(std::move(f));
            }
        model->geosets[0]->meshes.push_back(std::move(mesh));
        auto node = std::make_unique<C3doNode>();
        node->mesh = k;
        node->name = "grid" + std::to_string(k);
        node->sibling = k + 1 < kMeshes ? k + 1 : -1;
        model->nodes.push_back(std::move(node));
    }
    model->RebuildHierarchy();
    return model;
}

}  // namespace orv::bench
