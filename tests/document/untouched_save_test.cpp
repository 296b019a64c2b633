#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>

#include "document/document.h"
#include "formats/model3do.h"
#include "formats/projectfile.h"
#include "model/corners.h"
#include "support/model_compare.h"
#include "test_util.h"
#include "view/camera.h"

using namespace orv;
namespace fs = std::filesystem;

namespace {

using orvtest::SlurpText;

// The model a 3DO text holds, with its faces' corners.
CModel Read(const std::string& text)
{
    CModel m;
    TextBuffer buffer(text);
    EXPECT_TRUE(Read3do(m, buffer).complete);
    BuildFaceCorners(m);
    return m;
}

// The model's radius, then each mesh's.
std::vector<float> Radii(const CModel& m)
{
    std::vector<float> out = {m.radius};
    for (const auto& g : m.geosets)
        for (const auto& mesh : g.meshes)
            out.push_back(mesh.radius);
    return out;
}

}  // namespace

TEST(UntouchedSave, EditorAndCommandLineWriteTheFileAsRead)
{
    orvtest::TempDir dir;
    const Settings settings;
    std::vector<fs::path> models = orvtest::CorpusFiles("3do", ".3do");
    models.insert(models.begin(), orvtest::Fixture("3do", "tiny_crlf.3do"));
    for (const fs::path& in : models) {
        SCOPED_TRACE(in.filename().string());
        // The command line: no resources, every material 1 x 1; the editor: other sizes
        // found and drawn, not powers of two, and frames drawn before the save.
        COrvaneDoc tool(settings, {});
        ASSERT_TRUE(tool.OpenDocument(in.string()));
        // Both written under one name: the files' first lines, which name it, agree.
        const fs::path out = dir / "m.3do";
        ASSERT_TRUE(tool.SaveDocument(out.string()));
        const std::string toolText = SlurpText(out);

        DocumentEnvironment env;
        env.textureSize = [](const std::string& name) -> std::optional<TextureSize> {
            return TextureSize{static_cast<int32_t>(37 + name.size() * 7), 100};
        };
        COrvaneDoc editor(settings, env);
        ASSERT_TRUE(editor.OpenDocument(in.string()));
        RebuildFaceCorners(*editor.model, [](const std::string&) { return TextureSize{256, 96}; });
        orvtest::Place(*editor.model);
        Camera camera = orvtest::CameraAt({0, 0, -1});
        Settings viewSettings;
        camera.UpdateViewInfo();
        camera.UpdateViewStatus(*editor.model, editor.modes, -1, viewSettings, "");
        ASSERT_TRUE(editor.SaveDocument(out.string()));

        const std::string editorText = SlurpText(out);
        EXPECT_EQ(editorText, toolText);
        const CModel written = Read(editorText), read = Read(SlurpText(in));
        orvtest::ExpectSameModel(written, read);
        EXPECT_EQ(Radii(written), Radii(read));
    }
}

// An edit measures the radii of what it moved at once, so the panes show what a save will
// write; its undo gives back the radii read.
TEST(UntouchedSave, UndoOfAnEditGivesBackTheRadiiRead)
{
    orvtest::TempDir dir;
    COrvaneDoc doc(Settings{}, {});
    const fs::path in = orvtest::Fixture("3do", "tiny_crlf.3do");
    ASSERT_TRUE(doc.OpenDocument(in.string()));
    const fs::path out = dir / "m.3do";
    ASSERT_TRUE(doc.SaveDocument(out.string()));
    const std::string before = SlurpText(out);
    ASSERT_TRUE(doc.Change([&] {
        for (auto& f : doc.model->geosets[0].meshes[0].faces)
            for (auto& c : f.corners)
                c.SetPosition(c.Position() * 3.0f);
        return true;
    }));
    EXPECT_FLOAT_EQ(doc.model->geosets[0].meshes[0].radius, 3.0f * std::sqrt(2.0f));
    EXPECT_FLOAT_EQ(doc.model->geosets[0].meshes[1].radius, 0.5f);
    ViewState view;
    ASSERT_TRUE(doc.Undo(view));
    ASSERT_TRUE(doc.SaveDocument(out.string()));
    EXPECT_EQ(SlurpText(out), before);
}

// Older projects hold the vertex lists' texture coordinates measured by the picture's size
// rather than in texels: read and saved unchanged, written back byte for byte.
TEST(UntouchedSave, AProjectFileIsWrittenBackAsRead)
{
    orvtest::TempDir dir;
    std::vector<uint8_t> bytes = orvtest::Slurp(orvtest::Fixture("orv", "walker.orv"));
    auto project = LoadProject(bytes.data(), bytes.size());
    ASSERT_TRUE(project) << project.error();
    // Each mesh's vertex list lies in the file as it does in memory.
    int patched = 0;
    for (const auto& g : project->model->geosets)
        for (const auto& mesh : g.meshes) {
            const auto& list = mesh.vertices;
            if (list.empty())
                continue;
            const auto* raw = reinterpret_cast<const uint8_t*>(list.data());
            const auto at = std::search(bytes.begin(), bytes.end(), raw, raw + list.size() * sizeof(VertexRecord));
            ASSERT_NE(at, bytes.end()) << mesh.name;
            for (std::size_t i = 0; i < list.size(); ++i) {
                VertexRecord r = list[i];
                r.u = r.u / 256.0f + 0.125f;
                r.v = r.v / 128.0f + 0.375f;
                std::memcpy(&*at + i * sizeof(VertexRecord), &r, sizeof r);
            }
            ++patched;
        }
    ASSERT_GT(patched, 0);
    const fs::path in = dir / "older.orv", out = dir / "saved.orv";
    orvtest::Spit(in, bytes);
    COrvaneDoc doc(Settings{}, {});
    ASSERT_TRUE(doc.OpenDocument(in.string()));
    ASSERT_TRUE(doc.SaveDocument(out.string()));
    EXPECT_TRUE(orvtest::Slurp(out) == bytes) << "the saved project differs from the one read";
}
