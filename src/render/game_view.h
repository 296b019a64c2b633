// "Game View": a model drawn the way the game's software renderer draws it. Every 8-bit
// texel goes through the colormap's light table (64 rows, row 0 the darkest) and the
// palette; each face follows the lower of its mesh's and its own geometry, lighting and
// texture modes, its extra light and its flags (double-sided, translucent).
//
// The rules are the game engine's (as its public re-implementation OpenJKDF2 reads them:
// rdModel3_DrawMesh / rdModel3_DrawFace pick the modes and light the faces,
// rdLight_CalcFaceIntensity / rdLight_CalcVertexIntensities give the intensities,
// rdCache_DrawFaceN and its rasteriser turn intensities into light-table rows and blend
// translucent faces through the transparency table). Each step below names the rule it
// follows.
//
// All lookups run in the shaders from tables uploaded once: the material's palette
// indices (one texture per material, all cels stacked), the light table joined with the
// palette, the transparency table. Translucent faces read the palette index already
// drawn under them from a second colour attachment of the surface.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "model/model.h"
#include "render/gl_device.h"
#include "render/texture_cache.h"
#include "resources/material.h"

namespace orv {

// What a mesh's buffers were made from, to notice a mesh replaced without notice.
struct MeshBuffersSource {
    std::size_t faceCount = 0;
    const CFace* firstFace = nullptr;
    const CFace* lastFace = nullptr;
    static MeshBuffersSource Of(const CMesh& mesh)
    {
        return {mesh.faces.size(), mesh.faces.empty() ? nullptr : &mesh.faces.front(),
                mesh.faces.empty() ? nullptr : &mesh.faces.back()};
    }
    bool operator==(const MeshBuffersSource&) const = default;
};

// What the editor chooses the game view's light and time with.
struct GameViewOptions {
    // The sector's light, 0 to 1: no lit face is darker (the game's ambient light is a
    // floor under every face of lighting mode 1 to 3).
    float ambient = 0.5f;
    // A light of intensity 1 at the camera, without falloff, so the model is lit alike
    // at every distance.
    bool cameraLight = true;
    // Time in seconds that materials with several cels animate by.
    double seconds = 0.0;
};

// Cels per second of an animated material. The game turns a material's cels at the rate
// its level's script gives; this is the rate the view shows them at.
inline constexpr double kGameCelsPerSecond = 8.0;

// The cel a material of cels cels shows after seconds: in turn from cel 0.
int32_t GameCelAt(int32_t cels, double seconds);

// One light-table row for a light level: the level clamped to 0...1 and cut down to one
// of the 64 rows (the rasteriser truncates level * 63).
int32_t LightRow(float level);

class GameView {
public:
    // The material of a face's material index (null: the face is not drawn, as the game
    // leaves out faces without material).
    using MaterialLookup = std::function<const TextureRecord*(int32_t material)>;

    explicit GameView(GlDevice& device);
    ~GameView();
    GameView(const GameView&) = delete;
    GameView& operator=(const GameView&) = delete;

    // The colormap the materials are drawn with; without one, 8-bit materials are not
    // drawn. Its tables are uploaded now, once.
    void SetColormap(std::optional<ColormapData> colormap);
    bool HasColormap() const { return colormap_.has_value(); }

    // Every buffer and material texture goes (the texture cache was made anew).
    void Clear();
    void ModelChanged();
    void MeshChanged(const CMesh& mesh);

    // One frame, between the device's BeginFrame and Present: Begin, then DrawMesh for
    // each mesh drawn solid, then End, which draws the translucent faces back to front
    // and hands the device its own drawing state back.
    void Begin(const GameViewOptions& options, bool translucentFaces);
    void DrawMesh(const CModel& model, const CMesh& mesh, const Matrix4& world, const MaterialLookup& lookup);
    void End();
    // Whether a mesh has faces drawn through the transparency table (before drawing: the
    // index attachment is only needed then).
    bool HasTranslucentFaces(const CModel& model, const CMesh& mesh, const MaterialLookup& lookup);
    // Whether the last frame showed a material of several cels (the view then wants
    // frames as time goes on).
    bool Animated() const { return animated_; }

private:
    struct Run;
    struct TranslucentFace;
    struct Buffers;
    struct MaterialTexture {
        GLuint texture = 0;
        int32_t celsStored = 0;  // the cels the texture holds, stacked (1 when all would not fit)
    };
    struct Pending;

    bool BuildProgram();
    Buffers& BuffersFor(const CModel& model, const CMesh& mesh, const MaterialLookup& lookup);
    void Build(const CModel& model, const CMesh& mesh, const MaterialLookup& lookup, Buffers& b);
    void Release(Buffers& b);
    const MaterialTexture* TextureOf(const TextureRecord& record);
    void EnsureNearestTable();
    void EnsureIndexSurfaces();
    void SetMatrices(const Matrix4& world);
    bool UseMaterial(const TextureRecord& record);
    void DrawRange(const Run& run);
    void CopyDestination(const std::vector<Vec3>& corners, const Matrix4& world);

    GlDevice& device_;
    const GlApi& gl_;
    GLuint program_ = 0;
    GLint uMatrix_ = -1, uModelView_ = -1, uCameraLight_ = -1, uAmbient_ = -1;
    GLint uSize_ = -1, uCelRow_ = -1, uSolidColor_ = -1, uTransparent_ = -1, uTrueColor_ = -1, uTranslucent_ = -1;

    std::optional<ColormapData> colormap_;
    GLuint litPalette_ = 0;    // 256 x 65: the light table's rows through the palette, then the palette
    GLuint translucency_ = 0;  // 256 x 256
    GLuint nearest_ = 0;       // 1024 x 32: the palette entry nearest a 15-bit colour
    GLuint indexBuffer_ = 0;   // the surface's palette indices (second colour attachment)
    GLuint destination_ = 0;   // a copy of them, read by translucent faces
    GLuint destinationFbo_ = 0;
    int32_t indexWidth_ = 0, indexHeight_ = 0;

    std::unordered_map<const CMesh*, std::unique_ptr<Buffers>> buffers_;
    std::unordered_map<const TextureRecord*, MaterialTexture> materials_;
    std::vector<Pending> pending_;  // translucent faces of the frame
    GameViewOptions options_;
    bool indexAttached_ = false;
    bool animated_ = false;
};

}  // namespace orv
