// The large model the benchmarks share: a gently curved, textured grid of 100,000 quads
// sharing their corners, split over ten meshes placed by a chain of nodes, as a large
// real model is.
#pragma once

#include <memory>
#include <string>
#include <utility>

#include "model/model.h"

namespace orv::bench {

inline constexpr int kQuadsX = 400;
inline constexpr int kQuadsY = 250;

inline std::unique_ptr<CModel> MakeLargeModel()
{
    auto model = std::make_unique<CModel>();
    model->materials = {"grid.mat"};
    model->geosets.push_back(CGeometry());
    constexpr int kMeshes = 10;
    for (int k = 0; k < kMeshes; ++k) {
        CMesh mesh;
        mesh.name = "grid" + std::to_string(k);
        for (int j = k * kQuadsY / kMeshes; j < (k + 1) * kQuadsY / kMeshes; ++j)
            for (int i = 0; i < kQuadsX; ++i) {
                CFace f;
                f.material = 0;
                f.geometryMode = 4;
                f.lightingMode = 3;
                f.textureMode = 1;
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
                f.corners = {corner(i, j), corner(i + 1, j), corner(i + 1, j + 1), corner(i, j + 1)};
                f.ComputeFaceNormal();
                mesh.faces.push_back(std::move(f));
            }
        model->geosets[0].meshes.push_back(std::move(mesh));
        C3doNode node;
        node.mesh = k;
        node.name = "grid" + std::to_string(k);
        node.sibling = k + 1 < kMeshes ? k + 1 : -1;
        model->nodes.push_back(std::move(node));
    }
    model->RebuildHierarchy();
    return model;
}

// Models of the shapes that hostile files take, built the way a 3DO file states them:
// a mesh of one triangle per node that places one.
inline CMesh& AddTriangleMesh(CModel& model, const std::string& name)
{
    if (model.geosets.empty())
        model.geosets.push_back(CGeometry());
    CMesh mesh;
    mesh.name = name;
    for (const auto& [x, y] : {std::pair{0.0f, 0.0f}, {0.5f, 0.0f}, {0.0f, 0.5f}})
        mesh.vertices.emplace_back().SetPosition({x, y, 0});
    mesh.textureVertices.emplace_back();
    CFace face;
    face.vertexIndices = {0, 1, 2};
    face.textureVertexIndices = {0, 0, 0};
    mesh.faces.push_back(std::move(face));
    model.geosets[0].meshes.push_back(std::move(mesh));
    return model.geosets[0].meshes.back();
}

// A chain of n nodes, each the child of the one before; the last places the one mesh.
inline std::unique_ptr<CModel> MakeChainModel(int n)
{
    auto model = std::make_unique<CModel>();
    AddTriangleMesh(*model, "tip");
    for (int i = 0; i < n; ++i) {
        C3doNode node;
        node.name = "n" + std::to_string(i);
        node.child = i + 1 < n ? i + 1 : -1;
        node.mesh = i + 1 < n ? -1 : 0;
        node.position = {0, 0, 0.01f};
        model->nodes.push_back(std::move(node));
    }
    model->RebuildHierarchy();
    return model;
}

// Node 0 and n - 1 siblings below it, every node placing a mesh: all of them mesh 0, or
// each a mesh of its own, all of the same name.
inline std::unique_ptr<CModel> MakeWideModel(int n, bool sharedMesh)
{
    auto model = std::make_unique<CModel>();
    for (int i = 0; i < n; ++i) {
        if (i == 0 || !sharedMesh)
            AddTriangleMesh(*model, "part");
        C3doNode node;
        node.name = "n" + std::to_string(i);
        node.mesh = sharedMesh ? 0 : i;
        node.child = i == 0 && n > 1 ? 1 : -1;
        node.sibling = i > 0 && i + 1 < n ? i + 1 : -1;
        model->nodes.push_back(std::move(node));
    }
    model->RebuildHierarchy();
    return model;
}

}  // namespace orv::bench
