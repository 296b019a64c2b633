// The sample walker opened from a folder of its own (its puppet and keyframes beside it),
// with a view's selection, camera and clipboard and dialogs that answer at once; with
// Stock(), the game's archive holds wkwalk.key.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "commands/command_table.h"
#include "document/document.h"
#include "edit/clipboard.h"
#include "edit/selection.h"
#include "formats/keyfile.h"
#include "formats/projectfile.h"
#include "formats/samplemodel.h"
#include "model/fileio.h"
#include "resources/archive.h"
#include "resources/catalog.h"
#include "support/model_builder.h"
#include "test_util.h"
#include "view/camera.h"

namespace orvtest {

// A document of a hand-built model with a view's selection and clipboard, no window.
struct ModelDoc {
    orv::Settings settings;
    orv::COrvaneDoc doc;
    orv::Selection selection;
    orv::Clipboard clip;
    // sizes gives the pictures' sizes of the model's materials.
    explicit ModelDoc(std::unique_ptr<orv::CModel> m, orv::TextureSizeFn sizes = {})
        : doc(settings, [&] {
              orv::DocumentEnvironment env;
              env.textureSize = std::move(sizes);
              return env;
          }())
    {
        doc.model = std::move(m);
    }
    orv::EditContext Ctx()
    {
        orv::EditContext c(doc, settings, &selection, nullptr);
        c.clipboard = &clip;
        return c;
    }
    orv::CMesh& Mesh(int32_t k = 0) { return *doc.model->MeshAt(k); }
    // The model as a project file holds it.
    std::vector<uint8_t> Bytes() { return orv::SaveProject(*doc.model, {}); }
    // A change as a pane or the table runs it: through the document, one undo step.
    template <class Params>
    bool Set(orv::EditOutcome (*op)(orv::EditContext&, const Params&), const Params& p)
    {
        orv::EditContext c = Ctx();
        return doc.Run(c, op, p).changed;
    }
};

struct OpenedSample {
    TempDir dir;
    orv::Settings settings;
    orv::ResourceCatalog catalog;
    orv::COrvaneDoc doc{settings, {}};
    orv::Selection selection;
    orv::Camera camera = CameraAt({0, 0, -1});
    orv::Clipboard clip;
    orv::CommandHooks hooks;

    // The walker, or a copy of a model file of the caller's beside it.
    explicit OpenedSample(const std::filesystem::path& file = {})
    {
        for (const orv::SampleFile& f : orv::MakeSampleModelFiles())
            EXPECT_TRUE(Ok(orv::WriteFileAtomic(dir / f.fileName, f.text)));
        std::filesystem::path open = dir / "walker.3do";
        if (!file.empty()) {
            open = dir / file.filename();
            std::filesystem::copy_file(file, open, std::filesystem::copy_options::overwrite_existing);
        }
        EXPECT_TRUE(Ok(doc.OpenDocument(open.string())));
        Place(*doc.model);
        doc.currentView = [this] {
            return orv::ViewState{selection.currentMesh, selection.currentFace, selection.currentNode,
                                  orv::CameraState{camera.eye, camera.direction, camera.up}};
        };
        hooks.confirmCarve = [](const orv::EditContext&) { return true; };
        hooks.extrude = [](const orv::EditContext&) { return std::optional<orv::ExtrudeParams>(orv::ExtrudeParams{}); };
        hooks.primitive = [](const orv::EditContext&, orv::PrimitiveShape shape) {
            orv::PrimitiveParams p;
            p.shape = shape;
            return std::optional<orv::PrimitiveParams>(p);
        };
    }
    orv::CModel& Model() { return *doc.model; }
    orv::EditContext Context(bool drawing = true)
    {
        orv::EditContext c(doc, settings, &selection, &camera);
        c.clipboard = &clip;
        c.hooks = &hooks;
        c.drawing = drawing;
        return c;
    }
    orv::CommandResult Run(int id, bool drawing = true)
    {
        orv::EditContext c = Context(drawing);
        return orv::RunCommand(id, c);
    }
    bool Checked(int id) { return orv::CommandChecked(*orv::FindCommand(id), Context()); }
    // A dialog's "&OK", as the window runs it: one undo step of the document.
    template <class Editor>
    orv::EditOutcome Commit(Editor& e)
    {
        orv::EditContext c = Context();
        return doc.Run(c, [&](orv::EditContext& x) { return e.Commit(x); });
    }
    // The walk (sub-mode 1) as the current keyframe.
    void Walk()
    {
        Model().currentMode = 0;
        Model().currentSubMode = 1;
        ASSERT_TRUE(doc.LoadCurrentKeyframe());
    }
    // The game's archive, in a folder "resource" below the game's own, holds wkwalk.key.
    void Stock()
    {
        std::filesystem::create_directories(dir / "game" / "resource");
        const std::filesystem::path archive = dir / "game" / "resource" / "res2.gob";
        std::vector<orv::ArchiveEntryData> entries;
        for (const orv::SampleFile& f : orv::MakeSampleModelFiles())
            if (f.fileName == "wkwalk.key")
                entries.push_back({f.archiveName, std::vector<uint8_t>(f.text.begin(), f.text.end())});
        ASSERT_TRUE(Ok(orv::WriteArchive(archive, entries)));
        ASSERT_TRUE(Ok(orv::LoadCatalog(archive, catalog)));
        doc.SetEnvironment({&catalog, archive, {}, {}});
    }
    orv::CKeyframe ReadBack(const std::string& name)
    {
        orv::CModel m;
        auto read = orv::LoadKeyFile(dir / name, m);
        EXPECT_TRUE(Ok(read));
        return read ? std::move(read->keyframe) : orv::CKeyframe();
    }
    // What a save keeps of the model: the project file and the keyframe's file, without
    // what the project keeps of the view and the animation (the camera, the view's turn of
    // the model, the camera bookmarks, the nodes' poses).
    std::string Stored()
    {
        orv::CModel& m = *doc.model;
        const orv::Matrix4 turned = m.modelMatrix;
        auto bookmarks = std::move(m.bookmarks);
        std::vector<std::vector<orv::Matrix4>> poses;
        for (auto& n : m.nodes)
            poses.push_back(std::exchange(n.poses, {}));
        m.modelMatrix = orv::Matrix4::Identity();
        m.bookmarks.clear();
        const std::vector<uint8_t> project = orv::SaveProject(m, {});
        m.modelMatrix = turned;
        m.bookmarks = std::move(bookmarks);
        for (std::size_t i = 0; i < m.nodes.size(); ++i)
            m.nodes[i].poses = std::move(poses[i]);
        std::string s(project.begin(), project.end());
        if (m.keyframe)
            s += orv::FormatKey(*m.keyframe, static_cast<int32_t>(m.nodes.size()), "k.key");
        return s;
    }
};

}  // namespace orvtest
