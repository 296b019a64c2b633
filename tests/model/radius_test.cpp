// The radii the files store: measured from the origins the game culls around, and kept as
// read (or typed) while the geometry they belong to stays as it is.
#include <gtest/gtest.h>

#include <cmath>

#include "formats/model3do.h"
#include "model/corners.h"
#include "model/radius.h"
#include "support/model_builder.h"
#include "test_util.h"

using namespace orv;

namespace {

// A closed cube of half-size 0.5 around centre, as corners.
CMesh& CubeAt(CModel& model, const Vec3& centre)
{
    CMesh& mesh = orvtest::AddMesh(model);
    orvtest::AddCube(mesh);
    for (auto& f : mesh.faces)
        for (auto& c : f.corners)
            c.SetPosition(c.Position() + centre);
    return mesh;
}

float Len(float x, float y, float z) { return std::sqrt(x * x + y * y + z * z); }

}  // namespace

TEST(Radius, MeasuredFromTheMeshAndModelOrigins)
{
    // A unit cube ten units off its origin: the sphere must reach its far corners (the
    // box rule gave the cube's own diagonal, 1.732, and left it outside).
    CModel off;
    CMesh& far = CubeAt(off, {10, 0, 0});
    off.RebuildHierarchy();
    UpdateRadii(off);
    EXPECT_FLOAT_EQ(far.radius, Len(10.5f, 0.5f, 0.5f));
    EXPECT_FLOAT_EQ(off.radius, Len(10.5f, 0.5f, 0.5f));

    // A centred cube placed 5 up by its node, under a parent turned 90 degrees about z:
    // the mesh radius is the cube's own; the model's reaches where the node puts it.
    CModel placed;
    CubeAt(placed, {0, 0, 0});
    CubeAt(placed, {0, 1, 0});
    CMesh& child = placed.geosets[0].meshes[1];
    placed.nodes[0].sibling = -1;
    placed.nodes[0].child = 1;
    placed.nodes[0].rotation = {0, 90, 0};  // roll: turns +y onto -x
    placed.nodes[1].position = {0, 5, 0};
    // A pivot moves the child's vertices within its node; the mesh origin moves with them.
    placed.nodes[1].pivot = {0, 1, 0};
    child.placementOffset = {0, 1, 0};
    placed.RebuildHierarchy();
    UpdateRadii(placed);
    EXPECT_FLOAT_EQ(child.radius, Len(0.5f, 0.5f, 0.5f));
    EXPECT_NEAR(placed.radius, Len(6.5f, 0.5f, 0.5f), 1e-5f);

    // A mesh without faces has nothing to reach.
    CModel empty;
    orvtest::AddMesh(empty).radius = 2.0f;
    UpdateRadii(empty);
    EXPECT_EQ(empty.geosets[0].meshes[0].radius, 0.0f);
}

TEST(Radius, ReadAndTypedRadiiStayUntilTheirGeometryChanges)
{
    orvtest::TempDir dir;
    const auto path = dir / "tiny.3do";
    orvtest::Spit(path, orvtest::Bytes(orvtest::FixtureText("3do", "tiny_crlf.3do")));
    CModel model;
    ASSERT_TRUE(orvtest::Ok(Load3doFile(path, model)));
    CMesh& base = model.geosets[0].meshes[0];
    CMesh& top = model.geosets[0].meshes[1];
    // The file's radii are not what the rule would measure (base reaches sqrt 2).
    EXPECT_FLOAT_EQ(base.radius, 1.0f);
    EXPECT_FLOAT_EQ(model.radius, 1.5f);

    // The corners built again for other texture sizes move nothing.
    RebuildFaceCorners(model, [](const std::string&) { return TextureSize{100, 37}; });
    UpdateRadii(model);
    EXPECT_FLOAT_EQ(top.radius, 0.5f);
    const std::string text = Format3do(model, "tiny.3do");
    EXPECT_NE(text.find("RADIUS    1.500000"), std::string::npos);
    EXPECT_NE(text.find("RADIUS    1.000000"), std::string::npos);

    // A radius typed in stays too.
    top.radius = 0.75f;
    UpdateRadii(model);
    EXPECT_FLOAT_EQ(top.radius, 0.75f);

    // Moving a vertex of the base (the file's (1, 1, 0), y and z exchanged in the model)
    // measures the base and the model again, not the top.
    for (auto& f : base.faces)
        for (auto& c : f.corners)
            if (c.Position() == Vec3(1, 0, 1))
                c.SetPosition({2, 0, 1});
    UpdateRadii(model);
    EXPECT_FLOAT_EQ(base.radius, Len(2, 0, 1));
    EXPECT_FLOAT_EQ(top.radius, 0.75f);
    EXPECT_GE(model.radius, Len(2, 0, 1) - 1e-5f);

    // Once measured, the new radius is kept as well until the next change.
    base.radius = 9.0f;
    UpdateRadii(model);
    EXPECT_FLOAT_EQ(base.radius, 9.0f);

    // A mesh taken out before another leaves the other's radius as it was.
    model.geosets[0].meshes.erase(model.geosets[0].meshes.begin());
    UpdateRadii(model);
    EXPECT_FLOAT_EQ(model.geosets[0].meshes[0].radius, 0.75f);
}
