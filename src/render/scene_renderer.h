// Drawing a model into the device's surface: the faces' textures (PrepareScene), the
// meshes of the hierarchy in the document's render mode, the coordinate axes and the
// node markers of the selection.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "edit/selection.h"
#include "model/model.h"
#include "model/settings.h"
#include "render/game_view.h"
#include "render/gl_device.h"
#include "render/texture_cache.h"
#include "view/hierarchy.h"

namespace orv {

struct SceneDrawOptions {
    RenderMode renderMode = RenderMode::All;
    int32_t currentMesh = -1;
    bool coordinateMode = false;
    // Node markers of the selection, each a small cube in its own colour.
    std::span<const NodeMarker> markers;
    // Faces of the current mesh a command will act on (Selection::MarkedFaces): outlined
    // in the selection colour over everything else, so that members of the group hidden
    // behind other faces show too.
    std::span<const std::size_t> markedFaces;
    // Put after each node's own matrix. The editor's node matrices already hold the
    // model matrix and leave this the identity.
    Matrix4 world = Matrix4::Identity();
    // One draw call per face from corners copied every frame, the way the faces were
    // first drawn: kept to compare pixels and speed with the mesh buffers.
    bool onePerFace = false;
    // Solid faces lit by a light at the camera ("Shaded"); outlines, axes and markers
    // keep their colours.
    bool shaded = false;
    // Meshes drawn solid are drawn as the game draws them, through the colormap
    // (SetColormap), with this light and time; none: the editor's own drawing.
    const GameViewOptions* game = nullptr;
};

class SceneRenderer {
public:
    SceneRenderer(GlDevice& device, Settings& settings);
    ~SceneRenderer();
    SceneRenderer(const SceneRenderer&) = delete;
    SceneRenderer& operator=(const SceneRenderer&) = delete;

    // Where materials come from. Without a resolver the resources count as unavailable:
    // no face has a texture.
    void SetMaterialResolver(MaterialResolver resolver);
    // The colormap ("ColorMap") the game view draws through; its tables are uploaded once.
    void SetColormap(std::optional<ColormapData> colormap) { game_.SetColormap(std::move(colormap)); }
    GameView& Game() { return game_; }

    // A fresh texture cache, made for the materials the model's faces use (others are
    // made when a face first needs them). The model is only read: a face's texture and
    // the size its texels are divided by belong to the renderer (MaterialTexture), never
    // to the face.
    void PrepareScene(const CModel& model);
    // The faces of one mesh changed their materials (faces added or pasted): its buffers
    // are made again with their textures.
    void AssignFaceTextures(const CModel& model, const CMesh& mesh);
    const TextureRecord* GetTexture(const std::string& material, const std::string& colormap);
    TextureCache& Textures() { return textures_; }

    // What a material draws with: its texture's handle (0: none, the face draws white)
    // and the size in texels that corner coordinates are divided by. Without a picture:
    // no texture and 1 x 1; a picture that cannot become a texture: no texture, the
    // picture's size.
    struct MaterialTexture {
        uint32_t handle = 0;
        int32_t width = 1;
        int32_t height = 1;
    };
    MaterialTexture TextureOfMaterial(const std::string& material);
    // The same for a face of the model (no material, or one out of range: none, 1 x 1).
    MaterialTexture TextureOfFace(const CModel& model, const CFace& face);

    // The model's faces or corners changed: the mesh buffers are made again before the
    // next frame.
    void ModelChanged();
    // One mesh's faces or corners changed (a texture drag): only its buffers are made
    // again.
    void MeshChanged(const CMesh& mesh);

    // Draws the scene into the device's surface, between BeginFrame and Present: the
    // nodes in the order of the hierarchy walk (NodeOrder), with the world matrices the
    // model's pose holds for them (PlaceNodes).
    void Draw(const CModel& model, std::span<const NodeVisit> nodes, const SceneDrawOptions& options);

private:
    struct TextureRun {
        uint32_t handle = 0;
        uint32_t first = 0;  // vertex of the run's first triangle
        uint32_t count = 0;
    };
    struct MeshBuffers {
        GLuint vertexArray = 0;
        GLuint vertexBuffer = 0;
        std::vector<TextureRun> runs;
        // Closed outlines, every edge of every face as a line of its own, handed over
        // in one call.
        GLint linesFirst = 0;
        GLsizei linesCount = 0;
        MeshBuffersSource source;
    };

    void DrawAxes();
    void DrawMarkers(std::span<const NodeMarker> markers);
    void DrawMarkedFaces(const CMesh& mesh, std::span<const std::size_t> faces);
    void DrawMeshBuffered(const CModel& model, const CMesh& mesh, bool solid);
    void DrawMeshPerFace(const CModel& model, const CMesh& mesh, bool solid);
    void DrawGame(const CModel& model, std::span<const NodeVisit> nodes, const SceneDrawOptions& options);
    MeshBuffers& BuffersFor(const CModel& model, const CMesh& mesh);
    void BuildBuffers(const CModel& model, const CMesh& mesh, MeshBuffers& b);
    void ReleaseBuffers();
    void DeleteGl(MeshBuffers& b);
    void Stream(const void* data, std::size_t bytes);
    uint32_t GlTextureOf(uint32_t handle) const;

    GlDevice& device_;
    Settings& settings_;
    const GlApi& gl_;
    TextureCache textures_;
    std::unordered_map<std::string, MaterialTexture> materials_;  // by material name, as looked up
    std::unordered_map<const CMesh*, std::unique_ptr<MeshBuffers>> buffers_;
    GLuint streamArray_ = 0;
    GLuint streamBuffer_ = 0;
    GLuint streamIndices_ = 0;
    std::vector<VertexRecord> scratch_;
    bool shaded_ = false;  // of the frame being drawn
    GameView game_;
};

}  // namespace orv
