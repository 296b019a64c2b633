#include <gtest/gtest.h>

#include <array>
#include <tuple>

#include "formats/model3do.h"
#include "formats/textformat.h"
#include "model/corners.h"
#include "model/model.h"
#include "support/model_compare.h"

using namespace orv;
using orvtest::CrLf;

namespace {

// Edge cases of the format in one small file: a keyword after other text, a comment,
// upper-case "0X" and prefix-less face types, a face without corners between two others,
// and a first node that needs the "$$dummy" root.
std::string Sample() { return orvtest::FixtureText("3do", "edge_cases.3do"); }

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

// What the written layout (see Write3do below) cannot show: the values before rounding,
// the normals as read (the writer measures them), the colours drawing writes.
TEST(Read3do, ReadsTheFormatsEdgeCases)
{
    CModel m;
    EXPECT_TRUE(ReadText(m, Sample(), false).complete);
    EXPECT_EQ(m.radius, 2.5f);  // keyword after other text

    const CMesh& mesh = OnlyMesh(m);
    ASSERT_EQ(mesh.vertices.size(), 3u);
    EXPECT_EQ(mesh.vertices[1].color, 0u);       // not where drawing writes
    EXPECT_EQ(mesh.textureVertices[0].u, 0.0f);  // |u| < 0.001
    EXPECT_FLOAT_EQ(mesh.textureVertices[0].v, 1.23457f);
    EXPECT_EQ(mesh.vertexNormals[2].Position(), Vec3(1, 0, 0));  // y and z exchanged
    // The face without corners is gone; the normal lines still match faces line by line.
    ASSERT_EQ(mesh.faces.size(), 2u);
    EXPECT_EQ(std::make_pair(mesh.faces[0].normal, mesh.faces[1].normal), std::make_pair(Vec3(1, 3, 2), Vec3(7, 9, 8)));
    // The root the first node gets above it (the file's indices are left as they are).
    ASSERT_EQ(m.nodes.size(), 3u);
    EXPECT_EQ(m.nodes[1].poses.size(), 1u);
}

TEST(Read3do, TruncatedAndHostileInputIsReadAsFarAsItGoes)
{
    const std::string full = CrLf(Sample());
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
    EXPECT_EQ(OnlyMesh(m).vertices.size(), 2u);  // (a geoset or mesh missing throws)

    // 401 corners on one face line of about 3600 characters: every corner is kept. One
    // corner names a texture vertex outside the list: the face stays whole.
    CModel big;
    EXPECT_TRUE(ReadText(big, orvtest::FixtureText("3do", "face_401_corners_one_past_texture_list.3do")).damaged);
    ASSERT_EQ(OnlyMesh(big).faces.size(), 1u);
    EXPECT_EQ(OnlyMesh(big).faces[0].corners.size(), 401u);
    EXPECT_NE(Format3do(big, "b.3do").find("    0:    7  0x0   4  3  0   0.00  401  "), std::string::npos);
}

// What cannot stand is reported, the file's face and value named, and the model read is
// sound: no face is shortened (it is left out or kept whole), no number that is not
// finite is kept, and what is written from it reads back whole.
TEST(Read3do, DamagedIndicesAndValuesAreReportedAndNeverShortenAFace)
{
    // Each damage as the text after the change, and what is read: the report and the faces.
    const std::pair<const char*, const char*> cases[] = {{"3 0, 0 1, 1 2, 0", "3 99, 0 1, 1 2, 0"},
                                                         {"3 0,1 1,0 2,1", "3 -1,1 1,0 2,1"},
                                                         {"3 0,1 1,0 2,1", "3 0,1 1,0 2,7"},
                                                         {"1: 4 5 6 0.5", "1: 4 nan 6 0.5"},
                                                         {"1: 4 5 6 0.5", "1: 4 5 6 inf"},
                                                         {"1: 64 -32", "1: 64 1e39"},
                                                         {"RADIUS 1.0", "RADIUS nan"},
                                                         {"RADIUS 2.5", "RADIUS -inf"},
                                                         {"0: 0 0X10 4 3 0 0.5", "0: 0 0X10 4 3 0 nan"},
                                                         {"2: 1 0 0", "2: 1 0 nan"},
                                                         {"2: 7 8 9", "2: 7 nan 9"},
                                                         {"INSERT OFFSET 1 2 3", "INSERT OFFSET 1 inf 3"},
                                                         {"1 2 3 10 20 30", "1 2 3 10 nan 30"}};
    std::string report;
    for (const auto& [from, to] : cases) {
        SCOPED_TRACE(to);
        CModel m;
        const ReadStatus s = ReadText(m, orvtest::Replaced(Sample(), from, to));
        const std::size_t faces = OnlyMesh(m).faces.size();
        report += std::string(to) + (s.complete ? ", complete" : "") + (s.damaged ? ", damaged" : "") + ", " +
                  std::to_string(faces) + " faces:\n  " + s.missing + "\n";
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
    orvtest::ExpectSameAsFixture("expected", "read3do_damaged.txt", report);
}

// A file that ends early says where: the first list that came up short, or the section
// or line that never came.
TEST(Read3do, SaysWhatAFileThatEndsEarlyLacks)
{
    const std::string full = Sample();
    std::vector<std::pair<std::string, std::string>> cuts = {
        {"the whole but its last line end", full.substr(0, full.size() - 1)},
        // Sections a model cannot do without, even where the text goes on.
        {"from the HIERARCHYDEF section on", full.substr(full.find("SECTION: HIERARCHYDEF"))},
        // A face line short of its corners is noted; the rest is still read.
        {"a face line short of a corner", orvtest::Replaced(full, "3 0,1 1,0 2,1", "3 0,1 1,0")},
    };
    for (const char* at : {"1: floor", "GEOSETS", "NAME box", "2: 1 5 3 1", "TEXTURE VERTICES", "2: -1 20", "2: 7 8 9",
                           "SECTION: HIERARCHYDEF", "1: 0x0 0x1 -1"})
        cuts.emplace_back(std::string("cut before ") + at, full.substr(0, full.find(at)));
    std::string report;
    for (const auto& [name, text] : cuts) {
        CModel m;
        const ReadStatus s = ReadText(m, text);
        report += name + (s.recognised ? "" : ", not recognised") + (s.complete ? ", complete" : "") + ":\n  " +
                  s.missing + "\n";
    }
    orvtest::ExpectSameAsFixture("expected", "read3do_cut.txt", report);

    CModel tiny;
    const auto whole = Load3doFile(orvtest::Fixture("3do", "tiny_crlf.3do"), tiny);
    ASSERT_TRUE(orvtest::Ok(whole));
    EXPECT_TRUE(whole->complete);
    EXPECT_EQ(whole->missing, "");
}

TEST(Write3do, WritesTheFixedLayoutAndReadsBackTheSameModel)
{
    CModel first, lf;
    ReadText(first, CrLf(Sample()));
    ReadText(lf, Sample());
    EXPECT_EQ(Format3do(lf, "a.3do"), Format3do(first, "a.3do"));  // LF-only files read alike
    // Drawing rewrites the corner colours; the intensities must not be touched.
    for (auto& f : OnlyMesh(first).faces)
        f.SetCornerColors(0xFF102030);
    const std::string text = Format3do(first, "a.3do");
    orvtest::ExpectSameAsFixture("3do", "edge_cases_written.3do", text);

    CModel second;
    EXPECT_TRUE(ReadText(second, text).complete);
    orvtest::ExpectSameModel(first, second);
    EXPECT_EQ(Format3do(second, "a.3do"), text);
}

// Values finer than the file's decimals, as other programs write them and edits leave
// them: the first save is already what every later save writes. Texture vertices that
// differ below a thousandth are one, and vertices far from their node's pivot keep their
// last digit.
TEST(Write3do, ASavedFileSavedAgainChangesNothing)
{
    const std::string text = orvtest::FixtureText("3do", "values_finer_than_written.3do");
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
    EXPECT_NE(Write3do(m, dir / "missing" / "m.3do").error().find("m.3do"), std::string::npos);
    ASSERT_TRUE(orvtest::Ok(Write3do(m, dir / "m.3do")));
    // The head names the file alone: the writer's folders stay on the writer's machine.
    EXPECT_EQ(orvtest::SlurpText(dir / "m.3do").rfind("# MODEL 'm.3do' created with ", 0), 0u);
    CModel back;
    ASSERT_TRUE(orvtest::Ok(Load3doFile(dir / "m.3do", back)));
    EXPECT_FALSE(Load3doFile(dir / "none.3do", back));
}
