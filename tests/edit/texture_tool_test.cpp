#include <gtest/gtest.h>

#include <cmath>

#include "edit/selection.h"
#include "edit/texture_tool.h"
#include "support/model_builder.h"

using namespace orv;

namespace {

// A face whose vertex k (index-list position k) lies at points[k]; corners are stored in
// the reverse order, as the model keeps them.
CFace FaceThrough(std::vector<Vec3> points)
{
    CFace f;
    for (auto it = points.rbegin(); it != points.rend(); ++it)
        f.corners.push_back(orvtest::At(*it));
    f.ComputeFaceNormal();
    return f;
}

std::pair<float, float> UV(const CFace& f, int k) { return {FaceVertex(f, k)->u, FaceVertex(f, k)->v}; }

// (u, v) of vertices 0, 1, 2, ... in turn.
void ExpectUVs(const CFace& f, std::initializer_list<std::pair<float, float>> uvs)
{
    int k = 0;
    for (const auto& [u, v] : uvs) {
        EXPECT_NEAR(FaceVertex(f, k)->u, u, 1e-5f) << "vertex " << k;
        EXPECT_NEAR(FaceVertex(f, k)->v, v, 1e-5f) << "vertex " << k;
        ++k;
    }
}

const std::vector<Vec3> kSquare = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
const TextureLayout kUnitScales{0, 0, 0, 0, 1, 1, false};

}  // namespace

TEST(TextureTool, SquareUnfoldsFromTheStartVertexMirroredAndTurned)
{
    // The start vertex at the offsets, its predecessor along v, its successor along u; turned
    // by 90, the flat point (1, 0) goes to (0, 1), then the offset.
    CFace f = FaceThrough(kSquare);
    TextureLayout layout = kUnitScales;
    ASSERT_TRUE(ApplyTextureLayout(f, layout, {}));
    ExpectUVs(f, {{0, 0}, {1, 0}, {1, 1}, {0, 1}});
    layout.mirror = true;
    ASSERT_TRUE(ApplyTextureLayout(f, layout, {}));
    ExpectUVs(f, {{0, 0}, {1, 0}, {1, -1}, {0, -1}});
    layout.mirror = false;
    layout.angle = 90;
    layout.uOffset = 0.5f;
    ASSERT_TRUE(ApplyTextureLayout(f, layout, {}));
    ExpectUVs(f, {{0.5f, 0}, {0.5f, 1}, {-0.5f, 1}, {-0.5f, 0}});
}

TEST(TextureTool, TriangleWithScalesOffsetsAndAnotherStart)
{
    CFace f = FaceThrough({{0, 0, 0}, {2, 0, 0}, {0, 1, 0}});
    TextureLayout layout{1, 0, 0.5f, 0.25f, 2, 3, false};
    ASSERT_TRUE(ApplyTextureLayout(f, layout, {}));
    ExpectUVs(f, {{0.5f, 6.25f}, {0.5f, 0.25f}, {2.5f, 6.25f}});  // u = 2 * across, v = 3 * along
    StoreTextureLayout(f, layout);
    EXPECT_EQ(TextureLayoutOf(f).vScale, 3);
    EXPECT_EQ(f.startVertex, 1);
}

TEST(TextureTool, DegenerateFacesAreRefused)
{
    CFace line = FaceThrough({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}});
    FaceVertex(line, 1)->u = 0.75f;
    TextureLayout layout = kUnitScales;
    EXPECT_NE(TextureLayoutProblem(line, 0).find("no area"), std::string::npos);
    EXPECT_FALSE(ApplyTextureLayout(line, layout, {}));
    EXPECT_EQ(UV(line, 1).first, 0.75f);

    CFace two = FaceThrough({{0, 0, 0}, {1, 0, 0}});
    EXPECT_NE(TextureLayoutProblem(two, 0).find("three"), std::string::npos);
    EXPECT_FALSE(ApplyTextureLayout(two, layout, {}));

    // A start vertex on top of its predecessor has no direction to unfold along.
    CFace doubled = FaceThrough({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {1, 1, 0}});
    EXPECT_FALSE(TextureLayoutProblem(doubled, 3).empty());
    layout.startVertex = 3;
    EXPECT_FALSE(ApplyTextureLayout(doubled, layout, {}));
    layout.startVertex = 7;
    EXPECT_FALSE(ApplyTextureLayout(doubled, layout, {}));
    layout.startVertex = 0;
    ASSERT_TRUE(ApplyTextureLayout(doubled, layout, {}));
    for (int k = 0; k < 4; ++k)
        EXPECT_TRUE(std::isfinite(UV(doubled, k).first) && std::isfinite(UV(doubled, k).second)) << k;
}

// The transfer's results are in CornersHoldTexelsOfTheFacesOwnSize and in the paste and
// extrude tests; here where it has nothing to go on.
TEST(TextureTool, TransferNeedsASharedEdgeAndNeverGivesNaN)
{
    // No shared edge: the target keeps its coordinates.
    CFace apart = FaceThrough({{5, 0, 0}, {6, 0, 0}, {6, 1, 0}});
    FaceVertex(apart, 2)->u = 0.5f;
    EXPECT_FALSE(TransferTexture(apart, FaceThrough(kSquare), {}, {}));
    EXPECT_EQ(UV(apart, 2).first, 0.5f);

    // A source with no extent away from the edge gives the edge's coordinates, never NaN.
    CFace sliver = FaceThrough({{1, 0, 0}, {1, 0.5f, 0}, {1, 1, 0}});
    FaceVertex(sliver, 0)->v = 0;
    FaceVertex(sliver, 2)->v = 1;
    CFace beside = FaceThrough({{1, 0, 0}, {2, 0, 0}, {2, 1, 0}, {1, 1, 0}});
    TransferTexture(beside, sliver, {}, {});
    for (int k = 0; k < 4; ++k)
        EXPECT_TRUE(std::isfinite(UV(beside, k).first) && std::isfinite(UV(beside, k).second)) << k;
}

// The tool works in texture units, each face's measured by its own texture's size.
TEST(TextureTool, CornersHoldTexelsOfTheFacesOwnSize)
{
    CFace f = FaceThrough(kSquare);
    TextureLayout layout = kUnitScales;
    ASSERT_TRUE(ApplyTextureLayout(f, layout, {64, 32}));
    ExpectUVs(f, {{0, 0}, {64, 0}, {64, 32}, {0, 32}});

    // f, 64 x 32, continues onto a neighbour of a texture 16 x 8: the neighbour's far
    // edge lies at u = 2 units, which its own size makes 32 texels.
    CFace target = FaceThrough({{1, 0, 0}, {2, 0, 0}, {2, 1, 0}, {1, 1, 0}});
    ASSERT_TRUE(TransferTexture(target, f, {16, 8}, {64, 32}));
    ExpectUVs(target, {{16, 0}, {32, 0}, {32, 8}, {16, 8}});
    // The tool's parameters stay in units; along the edge the angle is 0.
    EXPECT_EQ(std::pair(target.uOffset, target.vOffset), std::pair(1.0f, 0.0f));
    EXPECT_EQ(target.angle, 0.0f);
}
