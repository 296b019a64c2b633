// Helpers of the rendered-pixel tests: a headless context shared by the whole test
// program, hand-built models, and reading pictures back.
#pragma once

#include <gtest/gtest.h>

#include "gl_required.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "model/model.h"
#include "model/settings.h"
#include "render/gl_device.h"
#include "render/headless_context.h"
#include "render/scene_renderer.h"

namespace orvtest {

using orv::RgbaImage;
using orv::Vec3;

// Each test gets a fresh device and scene renderer on the one context.
class GlTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!context_)
            context_ = orv::HeadlessGlContext::Create(&why_);
    }
    static void TearDownTestSuite() { context_.reset(); }

    void SetUp() override
    {
        if (!context_ && orv::test::OpenGlRequired())
            FAIL() << "No OpenGL context can be made, and this machine must have one: " << why_;
        if (!context_)
            GTEST_SKIP() << "No OpenGL context can be made here: " << why_;
        ASSERT_TRUE(context_->MakeCurrent());
        device_ = std::make_unique<orv::GlDevice>(settings_);
        std::string error;
        ASSERT_TRUE(device_->Initialize(orv::HeadlessGlContext::ProcAddress(), &error)) << error;
        scene_ = std::make_unique<orv::SceneRenderer>(*device_, settings_);
    }
    bool MakeDevice(int32_t w, int32_t h, bool enlarge = false)
    {
        device_->SetClientRect({0, 0, w, h});
        return device_->CreateDevice(w, h, enlarge).ok;
    }

    RgbaImage Render(const orv::CModel& model, const orv::SceneDrawOptions& options = {})
    {
        EXPECT_TRUE(device_->BeginFrame());
        scene_->Draw(model, orv::NodeOrder(model), options);
        return device_->ReadPixels();
    }

    // Pixel (x right, y down) where a point given in view space lands, and its colour.
    std::pair<int32_t, int32_t> PixelOf(const Vec3& p) const
    {
        const auto clip = orv::Transform4({p.x, p.y, p.z, 1.0f}, device_->Projection());
        return {static_cast<int32_t>(std::floor((clip[0] / clip[3] + 1.0f) * 0.5f * device_->SurfaceWidth())),
                static_cast<int32_t>(std::floor((1.0f - clip[1] / clip[3]) * 0.5f * device_->SurfaceHeight()))};
    }
    uint32_t ColorAt(const RgbaImage& image, const Vec3& p) const
    {
        const auto [x, y] = PixelOf(p);
        return image.At(x, y);
    }

    orv::Settings settings_;
    std::unique_ptr<orv::GlDevice> device_;
    std::unique_ptr<orv::SceneRenderer> scene_;

    inline static std::unique_ptr<orv::HeadlessGlContext> context_;
    inline static std::string why_;
};

// One geometry set whose mesh i is carried by node i; the nodes are siblings with
// identity matrices.
inline std::unique_ptr<orv::CModel> MakeModel(int meshes)
{
    auto model = std::make_unique<orv::CModel>();
    model->geosets.push_back(orv::CGeometry());
    for (int i = 0; i < meshes; ++i) {
        model->geosets[0].meshes.push_back(orv::CMesh());
        model->nodes.push_back(orv::C3doNode());
        model->nodes.back().mesh = i;
        model->nodes.back().sibling = i + 1 < meshes ? i + 1 : -1;
    }
    return model;
}

// A face whose vertex index list runs through the points in order, with texture
// vertices in texels; its corners built as the model builds them (in reverse order, u
// and v the texels).
inline orv::CFace& AddFace(orv::CMesh& mesh, const std::vector<Vec3>& points, int32_t material = -1,
                           const std::vector<std::pair<float, float>>& texels = {})
{
    orv::CFace face;
    face.material = material;
    for (std::size_t i = 0; i < points.size(); ++i) {
        orv::VertexRecord v, t;
        v.SetPosition(points[i]);
        if (i < texels.size())
            std::tie(t.u, t.v) = texels[i];
        face.vertexIndices.push_back(static_cast<int32_t>(mesh.vertices.size()));
        face.textureVertexIndices.push_back(static_cast<int32_t>(mesh.textureVertices.size()));
        mesh.vertices.push_back(v);
        mesh.textureVertices.push_back(t);
        v.color = 0x00FFFFFF;
        v.u = t.u;
        v.v = t.v;
        face.corners.insert(face.corners.begin(), v);
    }
    mesh.faces.push_back(std::move(face));
    return mesh.faces.back();
}

// An axis-aligned square at depth z, its index list counter-clockwise as seen from the
// origin looking along +z (so it faces the default camera).
inline std::vector<Vec3> FacingSquare(float cx, float cy, float half, float z)
{
    return {{cx - half, cy - half, z}, {cx + half, cy - half, z}, {cx + half, cy + half, z}, {cx - half, cy + half, z}};
}

// A picture of w × h pixels per cel where every pixel of cel c has palette index c, and
// palette entry c the colour given (0xRRGGBB).
inline orv::TextureImage SolidCels(int32_t w, int32_t h, const std::vector<uint32_t>& celColors)
{
    orv::TextureImage image{w, h, static_cast<int32_t>(celColors.size()), {}, {}, {}};
    for (std::size_t c = 0; c < celColors.size(); ++c) {
        image.pixels.insert(image.pixels.end(), static_cast<std::size_t>(w * h), static_cast<uint8_t>(c));
        for (std::size_t k = 0; k < 3; ++k)
            image.palette[c * 3 + k] = static_cast<uint8_t>(celColors[c] >> (16 - 8 * k));
    }
    return image;
}

// Whether a pixel of the colour lies within radius of (x, y).
inline bool ColorNear(const RgbaImage& image, int32_t x, int32_t y, uint32_t argb, int radius = 2)
{
    for (int32_t dy = -radius; dy <= radius; ++dy)
        for (int32_t dx = -radius; dx <= radius; ++dx)
            if (image.At(x + dx, y + dy) == argb)
                return true;
    return false;
}

// The colours a picture holds.
inline std::set<uint32_t> Colours(const RgbaImage& image)
{
    std::set<uint32_t> out;
    for (int32_t y = 0; y < image.height; ++y)
        for (int32_t x = 0; x < image.width; ++x)
            out.insert(image.At(x, y));
    return out;
}

inline int CountColor(const RgbaImage& image, uint32_t argb)
{
    int n = 0;
    for (int32_t y = 0; y < image.height; ++y)
        for (int32_t x = 0; x < image.width; ++x)
            n += image.At(x, y) == argb;
    return n;
}

}  // namespace orvtest
