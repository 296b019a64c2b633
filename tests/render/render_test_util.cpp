#include "render/render_test_util.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace orvtest {

using namespace orv;

std::unique_ptr<HeadlessGlContext> GlTest::context_;
std::string GlTest::why_;

void GlTest::SetUpTestSuite()
{
    if (!context_)
        context_ = HeadlessGlContext::Create(&why_);
}

void GlTest::TearDownTestSuite()
{
    context_.reset();
}

void GlTest::SetUp()
{
    if (!context_)
        GTEST_SKIP() << "No OpenGL context can be made here: " << why_;
    ASSERT_TRUE(context_->MakeCurrent());
    device_ = std::make_unique<GlDevice>(settings_);
    std::string error;
    ASSERT_TRUE(device_->Initialize(HeadlessGlContext::ProcAddress(), &error)) << error;
    scene_ = std::make_unique<SceneRenderer>(*device_, settings_);
}

void GlTest::TearDown()
{
    scene_.reset();
    device_.reset();
}

bool GlTest::MakeDevice(int32_t w, int32_t h, bool enlarge)
{
    device_->SetClientRect({0, 0, w, h});
    return device_->CreateDevice(w, h, enlarge).ok;
}

RgbaImage GlTest::Render(const CModel& model, const SceneDrawOptions& options)
{
    EXPECT_TRUE(device_->BeginFrame());
    scene_->Draw(model, options);
    return device_->ReadPixels();
}

std::pair<int32_t, int32_t> GlTest::PixelOf(const Vec3& p) const
{
    const auto clip = Transform4({p.x, p.y, p.z, 1.0f}, device_->Projection());
    const float nx = clip[0] / clip[3];
    const float ny = clip[1] / clip[3];
    const float w = static_cast<float>(device_->SurfaceWidth());
    const float h = static_cast<float>(device_->SurfaceHeight());
    return {static_cast<int32_t>(std::floor((nx + 1.0f) * 0.5f * w)),
            static_cast<int32_t>(std::floor((1.0f - ny) * 0.5f * h))};
}

std::unique_ptr<CModel> MakeModel(int meshes)
{
    auto model = std::make_unique<CModel>();
    model->geosets.push_back(std::make_unique<CGeometry>());
    for (int i = 0; i < meshes; ++i) {
        model->geosets[0]->meshes.push_back(std::make_unique<CMesh>());
        auto node = std::make_unique<C3doNode>();
        node->num = i;
        node->mesh = i;
        node->sibling = i + 1 < meshes ? i + 1 : -1;
        model->nodes.push_back(std::move(node));
    }
    return model;
}

CFace& AddFace(CMesh& mesh, const std::vector<Vec3>& points, int32_t material,
               const std::vector<std::pair<float, float>>& texels, int32_t texW, int32_t texH)
{
    auto face = std::make_unique<CFace>();
    face->material = material;
    face->textureWidth = texW;
    face->textureHeight = texH;
    for (std::size_t i = 0; i < points.size(); ++i) {
        VertexRecord v;
        v.SetPosition(points[i]);
        face->vertexIndices.push_back(static_cast<int32_t>(mesh.vertices.size()));
        mesh.vertices.push_back(v);
        VertexRecord t;
        if (i < texels.size()) {
            t.u = texels[i].first;
            t.v = texels[i].second;
        }
        face->textureVertexIndices.push_back(static_cast<int32_t>(mesh.textureVertices.size()));
        mesh.textureVertices.push_back(t);
    }
    for (std::size_t i = points.size(); i-- > 0;) {
        VertexRecord c;
        c.SetPosition(points[i]);
        c.color = 0x00FFFFFF;
        if (i < texels.size()) {
            c.u = texels[i].first / static_cast<float>(texW);
            c.v = texels[i].second / static_cast<float>(texH);
        }
        face->corners.push_back(c);
    }
    mesh.faces.push_back(std::move(face));
    return *mesh.faces.back();
}

std::vector<Vec3> FacingSquare(float cx, float cy, float half, float z)
{
    // Bottom left, bottom right, top right, top left: counter-clockwise on screen.
    return {{cx - half, cy - half, z}, {cx + half, cy - half, z}, {cx + half, cy + half, z}, {cx - half, cy + half, z}};
}

CornerBuilder TestCornerBuilder()
{
    return [](CModel& model, const TextureSizeLookup& size) {
        for (auto& geoset : model.geosets)
            for (auto& mesh : geoset->meshes)
                for (auto& face : mesh->faces) {
                    int32_t w = 1, h = 1;
                    if (face->material >= 0 && static_cast<std::size_t>(face->material) < model.materials.size())
                        if (auto s = size(model.materials[static_cast<std::size_t>(face->material)])) {
                            w = s->first;
                            h = s->second;
                        }
                    face->corners.clear();
                    for (std::size_t i = 0; i < face->vertexIndices.size(); ++i) {
                        const auto vi = static_cast<std::size_t>(face->vertexIndices[i]);
                        const auto ti = static_cast<std::size_t>(face->textureVertexIndices[i]);
                        VertexRecord c = mesh->vertices.at(vi);
                        c.u = mesh->textureVertices.at(ti).u / static_cast<float>(w);
                        c.v = mesh->textureVertices.at(ti).v / static_cast<float>(h);
                        face->corners.insert(face->corners.begin(), c);
                    }
                }
    };
}

TextureImage SolidCels(int32_t w, int32_t h, const std::vector<uint32_t>& celColorsRgb)
{
    TextureImage image;
    image.width = w;
    image.height = h;
    image.cels = static_cast<int32_t>(celColorsRgb.size());
    for (std::size_t c = 0; c < celColorsRgb.size(); ++c) {
        image.pixels.insert(image.pixels.end(), static_cast<std::size_t>(w * h), static_cast<uint8_t>(c));
        image.palette[c * 3] = static_cast<uint8_t>(celColorsRgb[c] >> 16);
        image.palette[c * 3 + 1] = static_cast<uint8_t>(celColorsRgb[c] >> 8);
        image.palette[c * 3 + 2] = static_cast<uint8_t>(celColorsRgb[c]);
    }
    return image;
}

uint32_t Through565(uint32_t rgb)
{
    const uint32_t r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
    auto expand = [](uint32_t v, uint32_t bits) {
        const uint32_t top = (1u << bits) - 1;
        return static_cast<uint32_t>(std::lround(static_cast<double>(v >> (8 - bits)) * 255.0 / top));
    };
    return 0xFF000000u | (expand(r, 5) << 16) | (expand(g, 6) << 8) | expand(b, 5);
}

bool Near(uint32_t a, uint32_t b, int tolerance)
{
    for (int shift = 0; shift < 32; shift += 8)
        if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > tolerance)
            return false;
    return true;
}

bool ColorNear(const RgbaImage& image, int32_t x, int32_t y, uint32_t argb, int radius)
{
    for (int32_t dy = -radius; dy <= radius; ++dy)
        for (int32_t dx = -radius; dx <= radius; ++dx)
            if (image.At(x + dx, y + dy) == argb)
                return true;
    return false;
}

int CountColor(const RgbaImage& image, uint32_t argb)
{
    int n = 0;
    for (int32_t y = 0; y < image.height; ++y)
        for (int32_t x = 0; x < image.width; ++x)
            n += image.At(x, y) == argb;
    return n;
}

}  // namespace orvtest
