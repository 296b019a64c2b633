#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>
#include <tuple>

#include "formats/model3do.h"
#include "formats/textformat.h"
#include "model/corners.h"
#include "model/model.h"
#include "support/model_compare.h"

using namespace orv;
using orvtest::CrLf;
using orvtest::WithVersion;

namespace {

// Edge cases of the format in one small file: a keyword after other text, a comment,
// upper-case "0X" and prefix-less face types, a face without corners between two others,
// and a first node that needs the "$$dummy" root.
const char* const kSample = R"(# A hand-written model
SECTION: HEADER
3DO 2.1
SECTION: MODELRESOURCE
MATERIALS 2
0: Wall.MAT
1: floor.mat
SECTION: GEOMETRYDEF
   the radius: RADIUS 2.5
INSERT OFFSET 1 2 3
GEOSETS 1
GEOSET 0
MESHES 1
MESH 0
NAME box
RADIUS 1.0
GEOMETRYMODE	4
LIGHTINGMODE	3
TEXTUREMODE	0
VERTICES 3
# num: x: y: z: i:
0: 1 2 3 0.25
1: 4 5 6 0.5
2: 1 5 3 1
TEXTURE VERTICES 2
0: 0.0004 1.234567
1: 64 -32
VERTEX NORMALS
0: 0 0 1
1: 0 1 0
2: 1 0 0
FACES 3
0: 0 0X10 4 3 0 0.5 3 0, 0 1, 1 2, 0
1: 1 0x2 4 3 0 0 0
2: -1 20 4 3 1 0 3 0,1 1,0 2,1
FACE NORMALS
0: 1 2 3
1: 4 5 6
2: 7 8 9
SECTION: HIERARCHYDEF
HIERARCHY NODES 2
# num: flags: type: mesh: parent: child: sibling: numChildren: x: y: z: pitch: yaw: roll: pivotx: pivoty: pivotz: name:
0: 0x1 0x2 0 0 -1 -1 0 1 2 3 10 20 30 0.5 0.25 0.125 box
1: 0x0 0x1 -1 -1 -1 -1 0 0 0 0 0 0 0 0 0 0 other
)";

ReadStatus ReadText(CModel& model, const std::string& text, bool corners = true)
{
    TextBuffer buffer(text);
    const ReadStatus s = Read3do(model, buffer);
    if (corners)
        BuildFaceCorners(model);
    return s;
}

CMesh& OnlyMesh(CModel& m) { return m.geosets.at(0).meshes.at(0); }

}  // namespace

// What the written layout cannot show: y and z exchanged both ways, the values before
// rounding, the lists as read.
TEST(Read3do, ReadsTheFormatsEdgeCases)
{
    CModel m;
    EXPECT_TRUE(ReadText(m, kSample, false).complete);
    EXPECT_EQ(m.materials, (std::vector<std::string>{"wall.mat", "floor.mat"}));
    EXPECT_EQ(m.radius, 2.5f);                 // keyword after other text
    EXPECT_EQ(m.insertOffset, Vec3(1, 3, 2));  // y and z exchanged

    const CMesh& mesh = OnlyMesh(m);
    ASSERT_EQ(mesh.vertices.size(), 3u);
    EXPECT_EQ(mesh.vertices[1].Position(), Vec3(4, 6, 5));
    EXPECT_EQ(mesh.vertices[1].Intensity(), 0.5f);
    EXPECT_EQ(mesh.vertices[1].color, 0u);       // not where drawing writes
    EXPECT_EQ(mesh.textureVertices[0].u, 0.0f);  // |u| < 0.001
    EXPECT_FLOAT_EQ(mesh.textureVertices[0].v, 1.23457f);
    EXPECT_EQ(mesh.vertexNormals[2].Position(), Vec3(1, 0, 0));
    // The face without corners is gone; the normal lines still match faces line by line.
    ASSERT_EQ(mesh.faces.size(), 2u);
    EXPECT_EQ(mesh.faces[0].vertexIndices, (std::vector<int32_t>{0, 1, 2}));
    EXPECT_EQ(mesh.faces[0].textureVertexIndices, (std::vector<int32_t>{0, 1, 0}));
    EXPECT_EQ(mesh.faces[0].normal, Vec3(1, 3, 2));
    EXPECT_EQ(mesh.faces[1].normal, Vec3(7, 9, 8));

    // The first node places a mesh under a parent: a root goes above it, and the file's
    // indices are left as they are.
    ASSERT_EQ(m.nodes.size(), 3u);
    EXPECT_EQ(m.nodes[0].name, "$$dummy");
    const C3doNode& box = m.nodes[1];
    EXPECT_EQ(std::tie(box.name, box.parent), std::make_tuple(std::string("box"), 0));
    EXPECT_EQ(box.position, Vec3(1, 3, 2));
    EXPECT_EQ(box.rotation, Vec3(10, 30, 20));  // (pitch, yaw, roll) -> (pitch, roll, yaw)
    EXPECT_EQ(box.pivot, Vec3(0.5f, 0.125f, 0.25f));
    EXPECT_EQ(box.poses.size(), 1u);
}

TEST(Read3do, TruncatedAndHostileInputIsReadAsFarAsItGoes)
{
    const std::string full = CrLf(kSample);
    // Cut anywhere: what was read is kept (a longer cut never gives less), nothing more
    // appears than the whole text gives, the damaged model can still be written, and the
    // cut is reported. (Only a cut after the last line's CR loses nothing.)
    using Counts = std::array<std::size_t, 4>;  // materials, vertices, faces, nodes
    auto counts = [](CModel& m) {
        const bool mesh = !m.geosets.empty() && !m.geosets[0].meshes.empty();
        return Counts{m.materials.size(), mesh ? OnlyMesh(m).vertices.size() : 0, mesh ? OnlyMesh(m).faces.size() : 0,
                      m.nodes.size()};
    };
    CModel whole;
    ReadText(whole, full);
    const Counts all = counts(whole);
    ASSERT_EQ(all, (Counts{2, 3, 2, 3}));
    Counts last{};
    for (std::size_t n = 0; n < full.size(); ++n) {
        CModel m;
        const ReadStatus s = ReadText(m, full.substr(0, n));
        EXPECT_EQ(s.complete, n + 1 >= full.size()) << n;
        EXPECT_EQ(s.missing.empty(), s.complete) << n;
        const Counts now = counts(m);
        for (std::size_t i = 0; i < now.size(); ++i) {
            EXPECT_GE(now[i], last[i]) << "count " << i << " fell at " << n;
            EXPECT_LE(now[i], all[i]) << "count " << i << " grew past the whole text's at " << n;
        }
        last = now;
        EXPECT_NE(Format3do(m, "t.3do").find("SECTION: HEADER"), std::string::npos) << n;
    }

    // Counts larger than the text: what is there is read, nothing is allocated for the rest.
    CModel m;
    EXPECT_FALSE(ReadText(m, orvtest::FixtureText("3do", "counts_past_text.3do")).complete);
    ASSERT_EQ(m.geosets.size(), 1u);
    ASSERT_EQ(m.geosets[0].meshes.size(), 1u);
    EXPECT_EQ(OnlyMesh(m).vertices.size(), 2u);

    // 401 corners on one face line of about 3600 characters: every corner is kept. One
    // corner names a texture vertex outside the list: the face stays whole.
    const std::string head =
        "SECTION: GEOMETRYDEF\nRADIUS 1\nINSERT OFFSET 0 0 0\nGEOSETS 1\nGEOSET 0\n"
        "MESHES 1\nMESH 0\nNAME m\nRADIUS 1\nGEOMETRYMODE 4\nLIGHTINGMODE 3\nTEXTUREMODE 0\n";
    std::string text = head + "VERTICES 400\n", normals, face = "0: 7 0x0 4 3 0 0.0 401 ";
    for (int i = 0; i < 400; ++i) {
        text += "0: " + std::to_string(i) + " " + std::to_string(i % 7) + " 0 0\n";
        normals += "0: 0 0 1\n";
        face += std::to_string(i) + ",  0 ";
    }
    face += "1, -5";
    ASSERT_GT(face.size(), 2047u);
    CModel big;
    EXPECT_TRUE(ReadText(big, text + "TEXTURE VERTICES 1\n0: 5 6\nVERTEX NORMALS\n" + normals + "FACES 1\n" + face +
                                  "\nFACE NORMALS\n0: 0 0 1\n")
                    .damaged);
    ASSERT_EQ(OnlyMesh(big).faces.size(), 1u);
    EXPECT_EQ(OnlyMesh(big).faces[0].corners.size(), 401u);
    EXPECT_NE(Format3do(big, "b.3do").find("    0:    7  0x0   4  3  0   0.00  401  "), std::string::npos);
}

// What cannot stand is reported, the file's face and value named, and the model read is
// sound: no face is shortened (it is left out or kept whole), no number that is not
// finite is kept, and what is written from it reads back whole.
TEST(Read3do, DamagedIndicesAndValuesAreReportedAndNeverShortenAFace)
{
    const std::string full = kSample;
    auto with = [&](const char* from, const char* to) {
        return std::string(full).replace(full.find(from), std::string_view(from).size(), to);
    };
    const std::tuple<std::string, std::size_t, std::string> cases[] = {
        {with("3 0, 0 1, 1 2, 0", "3 99, 0 1, 1 2, 0"), 1,
         "face 0 of mesh 0 (box) names vertex 99 but the mesh has 3; the face is left out"},
        {with("3 0,1 1,0 2,1", "3 -1,1 1,0 2,1"), 1,
         "face 2 of mesh 0 (box) names vertex -1 but the mesh has 3; the face is left out"},
        {with("3 0,1 1,0 2,1", "3 0,1 1,0 2,7"), 2,
         "face 2 of mesh 0 (box) names texture vertex 7 but the mesh has 2; the face is kept whole, that corner at "
         "texture coordinates (0, 0)"},
        {with("1: 4 5 6 0.5", "1: 4 nan 6 0.5"), 0,
         "vertex 1 of mesh 0 (box) is no finite number; the faces naming it are left out (and 2 more damaged places)"},
        {with("1: 4 5 6 0.5", "1: 4 5 6 inf"), 2,
         "the intensity of vertex 1 of mesh 0 (box) is no finite number; it is read as 0"},
        {with("1: 64 -32", "1: 64 1e39"), 2,
         "texture vertex 1 of mesh 0 (box) is no finite number; it is read as (0, 0)"},
        {with("RADIUS 1.0", "RADIUS nan"), 2, "the RADIUS of mesh 0 (box) is no finite number; it is measured anew"},
        {with("RADIUS 2.5", "RADIUS -inf"), 2, "the model's RADIUS is no finite number; it is measured anew"},
        {with("0: 0 0X10 4 3 0 0.5", "0: 0 0X10 4 3 0 nan"), 2,
         "the extra light of face 0 of mesh 0 (box) is no finite number; it is read as 0"},
        {with("2: 1 0 0", "2: 1 0 nan"), 2, "vertex normal 2 of mesh 0 (box) is no finite number; it is measured anew"},
        {with("2: 7 8 9", "2: 7 nan 9"), 2, "face normal 2 of mesh 0 (box) is no finite number; it is measured anew"},
        {with("INSERT OFFSET 1 2 3", "INSERT OFFSET 1 inf 3"), 2,
         "the INSERT OFFSET is no finite number; it is read as 0 0 0"},
        {with("1 2 3 10 20 30", "1 2 3 10 nan 30"), 2,
         "the placement of node 0 (box) is no finite number; what is not is read as 0"},
    };
    for (const auto& [text, faces, missing] : cases) {
        SCOPED_TRACE(missing);
        CModel m;
        const ReadStatus s = ReadText(m, text);
        EXPECT_EQ(std::tie(s.complete, s.damaged, s.missing), std::make_tuple(false, true, missing));
        EXPECT_EQ(OnlyMesh(m).faces.size(), faces);
        const std::string written = Format3do(m, "w.3do");
        EXPECT_EQ(written.find("nan"), std::string::npos);
        EXPECT_EQ(written.find("inf"), std::string::npos);
        CModel back;
        ASSERT_TRUE(ReadText(back, written).complete);
        ASSERT_EQ(OnlyMesh(back).faces.size(), faces);
        for (const auto& f : OnlyMesh(back).faces)
            EXPECT_EQ(f.corners.size(), 3u);  // every face of the file has three
        // A radius that was no number is measured, not written as 0.
        if (faces > 0) {
            EXPECT_GT(OnlyMesh(back).radius, 0.0f);
            EXPECT_GT(back.radius, 0.0f);
        }
    }
}

// A file that ends early says where: the first list that came up short, or the section
// or line that never came.
TEST(Read3do, SaysWhatAFileThatEndsEarlyLacks)
{
    const std::string full = kSample;
    auto cutBefore = [&](const char* at) { return full.substr(0, full.find(at)); };
    const std::pair<std::string, std::string> cuts[] = {
        {cutBefore("1: floor"), "1 of 2 materials read"},
        {cutBefore("GEOSETS"), "the GEOMETRYDEF section ends before its GEOSETS line"},
        {cutBefore("NAME box"), "0 of 1 meshes read; mesh 0 ends before its NAME line"},
        {cutBefore("2: 1 5 3 1"), "0 of 1 meshes read; mesh 0 (box) has 2 of 3 vertices"},
        {cutBefore("TEXTURE VERTICES"), "0 of 1 meshes read; mesh 0 (box) ends before its TEXTURE VERTICES line"},
        {cutBefore("2: -1 20"), "0 of 1 meshes read; mesh 0 (box) has 2 of 3 faces"},
        {cutBefore("2: 7 8 9"), "0 of 1 meshes read; mesh 0 (box) has 2 of 3 face normals"},
        {cutBefore("SECTION: HIERARCHYDEF"), "no HIERARCHYDEF section"},
        {cutBefore("1: 0x0 0x1 -1"), "1 of 2 hierarchy nodes read"},
        {full.substr(0, full.size() - 1), "1 of 2 hierarchy nodes read whole; the last line has no line end"},
        // Sections a model cannot do without, even where the text goes on.
        {full.substr(full.find("SECTION: HIERARCHYDEF")), "no GEOMETRYDEF section"},
        // A face line short of its corners is noted; the rest is still read.
        {std::string(full).replace(full.find("3 0,1 1,0 2,1"), 13, "3 0,1 1,0"),
         "face 2 of mesh 0 (box) has 2 of 3 corners; the face is left out"},
    };
    for (const auto& [text, missing] : cuts) {
        CModel m;
        const ReadStatus s = ReadText(m, text);
        EXPECT_TRUE(s.recognised);
        EXPECT_FALSE(s.complete) << missing;
        EXPECT_EQ(s.missing, missing);
    }

    CModel tiny;
    const auto whole = Load3doFile(orvtest::Fixture("3do", "tiny_crlf.3do"), tiny);
    ASSERT_TRUE(orvtest::Ok(whole));
    EXPECT_TRUE(whole->complete);
    EXPECT_EQ(whole->missing, "");
}

TEST(Write3do, WritesTheFixedLayoutAndReadsBackTheSameModel)
{
    CModel first, lf;
    ReadText(first, CrLf(kSample));
    ReadText(lf, kSample);
    EXPECT_EQ(Format3do(lf, "a.3do"), Format3do(first, "a.3do"));  // LF-only files read alike
    // Drawing rewrites the corner colours; the intensities must not be touched.
    for (auto& f : OnlyMesh(first).faces)
        f.SetCornerColors(0xFF102030);
    const std::string text = Format3do(first, "a.3do");
    EXPECT_EQ(text, CrLf(WithVersion(R"(# MODEL 'a.3do' created with @VERSION@

# Header
SECTION: HEADER

3DO 2.1

# Model resource
SECTION: MODELRESOURCE

# Material list
MATERIALS 2

         0:    wall.mat
         1:    floor.mat

# Geometry definitions
SECTION: GEOMETRYDEF

# Object radius
RADIUS    2.500000

# Insertion offset
INSERT OFFSET  1.0000000 2.0000000 3.0000000

# Number of Geometry sets
GEOSETS 1

# Geometry set definition
GEOSET 0

# Number of meshes
MESHES 1

# Mesh definition
MESH 0

NAME    box

RADIUS    1.000000

GEOMETRYMODE    4
LIGHTINGMODE    3
TEXTUREMODE    0

VERTICES 3

# num:        x:        y:        z:        i:
    0:   1.000000   2.000000   3.000000   0.250000
    1:   1.000000   5.000000   3.000000   1.000000
    2:   4.000000   5.000000   6.000000   0.500000

TEXTURE VERTICES 2

# num:        u:        v:
    0:      0.000      1.235
    1:     64.000    -32.000

VERTEX NORMALS

# num:        x:        y:        z:
    0:  -0.707107   0.000000   0.707107
    1:  -0.707107   0.000000   0.707107
    2:  -0.707107   0.000000   0.707107

FACES 2

# num:	mat:	type:	geo:	light:	tex:	extralight:	verts:
    0:    0  0x10   4  3  0   0.50  3    0,  0   2,  1   1,  0 
    1:   -1  0x20   4  3  1   0.00  3    0,  1   2,  0   1,  1 

FACE NORMALS

# num:        x:        y:        z:
    0:  -0.707107  -0.000000   0.707107
    1:  -0.707107  -0.000000   0.707107


# Hierarchydef
SECTION: HIERARCHYDEF

# Hierarchy node list
HIERARCHY NODES 3

#  num:   flags:   type:    mesh:  parent:  child:  sibling:  numChildren:        x:         y:         z:     pitch:       yaw:      roll:    pivotx:    pivoty:    pivotz:	   nodeName
    0:   0x0000 0x00001       -1       -1        1       -1             1   0.000000   0.000000   0.000000   0.000000   0.000000   0.000000   0.000000   0.000000   0.000000 $$dummy
    1:   0x0001 0x00002        0        0       -1       -1             0   1.000000   2.000000   3.000000  10.000000  20.000000  30.000000   0.500000   0.250000   0.125000 box
    2:   0x0000 0x00001       -1       -1       -1       -1             0   0.000000   0.000000   0.000000   0.000000   0.000000   0.000000   0.000000   0.000000   0.000000 other
)")));

    CModel second;
    EXPECT_TRUE(ReadText(second, text).complete);
    orvtest::ExpectSameModel(first, second);
    EXPECT_EQ(second.nodes.size(), 3u);  // the written root is not a mesh node: no second root
    EXPECT_EQ(Format3do(second, "a.3do"), text);
}

// Values finer than the file's decimals, as other programs write them and edits leave
// them: the first save is already what every later save writes. Texture vertices that
// differ below a thousandth are one, and vertices far from their node's pivot keep their
// last digit.
TEST(Write3do, ASavedFileSavedAgainChangesNothing)
{
    uint32_t seed = 7;
    auto next = [&seed] {  // [0, 1)
        seed = seed * 1664525u + 1013904223u;
        return static_cast<double>(seed >> 8) / 16777216.0;
    };
    auto number = [](double v) { return Format("%.9f", {v}); };
    constexpr int kVertices = 60, kFaces = 40;
    std::string vertices, texture, normals, faces, faceNormals;
    for (int i = 0; i < kVertices; ++i) {
        vertices += "0: " + number((next() * 2 - 1) * 30) + " " + number((next() * 2 - 1) * 30) + " " +
                    number(next() * 2 - 1) + " 0\n";
        const double base = std::array{0.1234, 12.25, 7.12345}[i % 3];
        texture += "0: " + number(base + (next() - 0.5) * 0.0018) + " " + number(base + (next() - 0.5) * 0.0018) + "\n";
        normals += "0: 0 0 1\n";
    }
    for (int i = 0; i < kFaces; ++i) {
        faces += "0: 0 0x0 4 3 4 0 3";
        for (int c = 0; c < 3; ++c)
            faces += " " + std::to_string((i + c * 7) % kVertices) + ", " +
                     std::to_string(static_cast<int>(next() * kVertices));
        faces += "\n";
        faceNormals += "0: 0 0 1\n";
    }
    const std::string text =
        "SECTION: GEOMETRYDEF\nRADIUS 1\nINSERT OFFSET 0 0 0\nGEOSETS 1\nGEOSET 0\nMESHES 1\n"
        "MESH 0\nNAME m\nRADIUS 1\nGEOMETRYMODE 4\nLIGHTINGMODE 3\nTEXTUREMODE 4\n"
        "VERTICES 60\n" +
        vertices + "TEXTURE VERTICES 60\n" + texture + "VERTEX NORMALS\n" + normals + "FACES 40\n" + faces +
        "FACE NORMALS\n" + faceNormals +
        "SECTION: HIERARCHYDEF\nHIERARCHY NODES 1\n"
        "0: 0x0 0x1 0 -1 -1 -1 0 0 0 0 0 0 0 1.234567891 -3.333333333 0.7 m\n";
    CModel first, second;
    ASSERT_TRUE(ReadText(first, text).complete);
    const std::string saved = Format3do(first, "a.3do");
    ASSERT_TRUE(ReadText(second, saved).complete);
    EXPECT_LT(OnlyMesh(second).textureVertices.size(), 60u);  // some were alike as written
    EXPECT_EQ(Format3do(second, "a.3do"), saved);
}

TEST(Write3do, FailuresAreReported)
{
    orvtest::TempDir dir;
    CModel m;
    const Status written = Write3do(m, dir / "missing" / "m.3do");
    EXPECT_FALSE(written);
    EXPECT_NE(written.error().find("m.3do"), std::string::npos);
    ASSERT_TRUE(orvtest::Ok(Write3do(m, dir / "m.3do")));
    // The head names the file alone: the writer's folders stay on the writer's machine.
    EXPECT_EQ(orvtest::SlurpText(dir / "m.3do").rfind("# MODEL 'm.3do' created with ", 0), 0u);
    CModel back;
    ASSERT_TRUE(orvtest::Ok(Load3doFile(dir / "m.3do", back)));
    EXPECT_FALSE(Load3doFile(dir / "none.3do", back));
}
