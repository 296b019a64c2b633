// Edit commands as the view runs them, each with its undo snapshot: a nudge of a face on
// a 100,000-face model (one mesh, or the same spread over 200 meshes) and on the sample
// walker, building a 50-sided, 100-ring dome, carving and pasting a 10,000-face mesh and
// extruding one face of a 100,000-face geometry set, and the grid of a mesh of many faces.
#include <benchmark/benchmark.h>

#include "document/document.h"
#include "edit/carve.h"
#include "edit/clipboard.h"
#include "edit/primitives.h"
#include "edit/transform.h"
#include "formats/samplemodel.h"

using namespace orv;

namespace {

constexpr int kQuads = 100000;

// A flat grid of quads sharing their corners, cut into the given number of meshes, each
// placed by a node of its own.
std::unique_ptr<CModel> MakeGrid(int meshes)
{
    auto model = std::make_unique<CModel>();
    model->geosets.push_back(CGeometry());
    const int perMesh = kQuads / meshes;
    constexpr int kRow = 250;
    for (int k = 0; k < meshes; ++k) {
        CMesh mesh;
        for (int q = 0; q < perMesh; ++q) {
            const int i = q % kRow, j = q / kRow;
            CFace f;
            auto corner = [k](int x, int y) {
                VertexRecord r;
                r.x = static_cast<float>(x) * 0.01f;
                r.z = static_cast<float>(y) * 0.01f;
                r.y = static_cast<float>(k);
                return r;
            };
            f.corners = {corner(i, j), corner(i, j + 1), corner(i + 1, j + 1), corner(i + 1, j)};
            f.ComputeFaceNormal();
            mesh.faces.push_back(std::move(f));
        }
        model->geosets[0].meshes.push_back(std::move(mesh));
        C3doNode node;
        node.mesh = k;
        node.sibling = k + 1 < meshes ? k + 1 : -1;
        model->nodes.push_back(std::move(node));
    }
    model->RebuildHierarchy();
    return model;
}

// One move step of a face in the middle of the first mesh through the document's runner,
// as the command runs it; the steps go up and down so the model stays the same size.
void Nudge(benchmark::State& state, std::unique_ptr<CModel> model, bool rotate, int axis = 1)
{
    Settings settings;
    COrvaneDoc doc(settings, {});
    doc.model = std::move(model);
    Selection selection;
    selection.currentMesh = 0;
    selection.currentFace = static_cast<int32_t>(doc.model->MeshAt(0)->faces.size() / 2);
    float sign = 1.0f;
    EditContext c(doc, settings, &selection);
    for (auto _ : state) {
        const NudgeParams step{axis, rotate ? sign * 6.0f : sign * 0.005f};
        benchmark::DoNotOptimize(doc.Run(c, rotate ? RotateSelection : MoveSelection, step).changed);
        sign = -sign;
    }
}

void BM_MoveFaceLargeOneMesh(benchmark::State& state) { Nudge(state, MakeGrid(1), false); }
void BM_MoveFaceLarge200Meshes(benchmark::State& state) { Nudge(state, MakeGrid(200), false); }
void BM_RotateFaceLargeOneMesh(benchmark::State& state) { Nudge(state, MakeGrid(1), true); }
// Across the grid the shared corners would bend the neighbours, so the two above are taken
// back and change nothing; along it the face's corners move and the step holds them.
void BM_MoveFaceLarge200MeshesAlong(benchmark::State& state) { Nudge(state, MakeGrid(200), false, 0); }
void BM_MoveFaceWalker(benchmark::State& state) { Nudge(state, MakeSampleModel(), false); }
void BM_RotateFaceWalker(benchmark::State& state) { Nudge(state, MakeSampleModel(), true); }

// The grid of a mesh of 24 x 24 separate squares in face-only mode, the squares taken
// from the last to the first so every face's nodes go in before those already listed.
void BM_MeshGridFaceOnly576Faces(benchmark::State& state)
{
    CModel model;
    model.geosets.push_back(CGeometry());
    CMesh mesh;
    for (int i = 23; i >= 0; --i)
        for (int j = 23; j >= 0; --j) {
            CFace f;
            auto corner = [i, j](float dx, float dy) {
                VertexRecord r;
                r.x = static_cast<float>(i) + dx;
                r.y = static_cast<float>(j) + dy;
                return r;
            };
            f.corners = {corner(-0.5f, -0.5f), corner(0.5f, -0.5f), corner(0.5f, 0.5f), corner(-0.5f, 0.5f)};
            f.ComputeFaceNormal();
            mesh.faces.push_back(std::move(f));
        }
    model.geosets[0].meshes.push_back(std::move(mesh));
    Settings settings;
    settings.grid = 0.02f;
    for (auto _ : state) {
        EditModes modes;
        modes.meshMode = modes.grid = modes.gridFaceOnly = true;
        Selection selection;
        selection.currentMesh = 0;
        selection.RebuildNodes(model, modes, settings);
        benchmark::DoNotOptimize(selection.nodes.size());
    }
}

void BM_CreateDome50x100(benchmark::State& state)
{
    CModel model;
    model.geosets.push_back(CGeometry());
    model.geosets[0].meshes.push_back(CMesh());
    CMesh& mesh = model.geosets[0].meshes[0];
    DomeSize size;
    size.sides = 50;
    size.rings = 100;
    const CameraFrame frame{{0, 0, 0}, {0, 0, 1}, {0, 1, 0}};
    for (auto _ : state) {
        mesh.faces.clear();
        BuildDome(model, mesh, Matrix4::Identity(), frame, size, {"Dome", ""});
        benchmark::DoNotOptimize(mesh.faces.size());
    }
}

// A 100-sided, 100-ring dome (10,000 faces) as the one mesh of a model, placed by one node.
std::unique_ptr<CModel> MakeDomeModel()
{
    auto model = std::make_unique<CModel>();
    model->geosets.push_back(CGeometry());
    model->geosets[0].meshes.push_back(CMesh());
    C3doNode node;
    node.mesh = 0;
    model->nodes.push_back(std::move(node));
    model->RebuildHierarchy();
    DomeSize size;
    size.sides = 100;
    size.rings = 100;
    const CameraFrame frame{{0, 0, 0}, {0, 0, 1}, {0, 1, 0}};
    BuildDome(*model, model->geosets[0].meshes[0], Matrix4::Identity(), frame, size, {"Dome", ""});
    model->geosets[0].meshes[0].RebuildMeshLists();
    return model;
}

// Carving the dome in half by a plane through its axis, snapshot first; a fresh dome is
// made (untimed) for every run.
void BM_CarveMesh10k(benchmark::State& state)
{
    Settings settings;
    for (auto _ : state) {
        state.PauseTiming();
        COrvaneDoc doc(settings, {});
        doc.model = MakeDomeModel();
        doc.modes.meshMode = true;
        doc.modes.grid = true;
        Selection selection;
        selection.currentMesh = 0;
        selection.selectedPositions = {{0, -1, -1}, {0, 1, -1}, {0, 1, 1}};
        state.ResumeTiming();
        EditContext c(doc, settings, &selection);
        const EditOutcome carved = doc.Run(c, CarveMesh);
        if (!carved.message.empty())
            state.SkipWithError(carved.message.c_str());
        benchmark::DoNotOptimize(doc.model->geosets[0].meshes[0].faces.size());
    }
}

// Pasting a copied 10,000-face mesh in mesh mode (the command takes its snapshot); the
// paste is undone (untimed) so every run pastes into the same model.
void BM_PasteMesh10k(benchmark::State& state)
{
    Settings settings;
    COrvaneDoc doc(settings, {});
    doc.model = MakeDomeModel();
    doc.modes.meshMode = true;
    Selection selection;
    selection.currentMesh = 0;
    Clipboard clip;
    EditContext c(doc, settings, &selection);
    c.clipboard = &clip;
    (void)Copy(c);
    ViewState view;
    for (auto _ : state) {
        if (!doc.Run(c, Paste).changed)
            state.SkipWithError("nothing pasted");
        state.PauseTiming();
        if (!doc.Undo(view))
            state.SkipWithError("undo failed");
        selection.currentMesh = 0;
        state.ResumeTiming();
    }
}

// Extruding the middle face of a 100,000-face geometry set: the search for the faces
// beyond its edges scans the whole mesh. The model grows by four side faces per run.
void BM_ExtrudeFaceIn100k(benchmark::State& state)
{
    Settings settings;
    COrvaneDoc doc(settings, {});
    doc.model = MakeGrid(1);
    Selection selection;
    selection.currentMesh = 0;
    selection.currentFace = static_cast<int32_t>(kQuads / 2);
    ExtrudeParams p;
    p.depth1 = 0.01f;
    EditContext c(doc, settings, &selection);
    for (auto _ : state) {
        (void)ExtrudeFace(c, p);
        benchmark::DoNotOptimize(doc.model->geosets[0].meshes[0].faces.size());
    }
}

}  // namespace

BENCHMARK(BM_MoveFaceLargeOneMesh)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MoveFaceLarge200Meshes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RotateFaceLargeOneMesh)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MoveFaceLarge200MeshesAlong)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MoveFaceWalker)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RotateFaceWalker)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MeshGridFaceOnly576Faces)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CreateDome50x100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CarveMesh10k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PasteMesh10k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExtrudeFaceIn100k)->Unit(benchmark::kMillisecond);
