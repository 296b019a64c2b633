#include <gtest/gtest.h>

#include <sys/resource.h>
#include <csignal>

#include <algorithm>
#include <filesystem>
#include <tuple>

#include "document/document.h"
#include "formats/samplemodel.h"
#include "model/fileio.h"
#include "resources/archive.h"
#include "resources/catalog.h"
#include "resources/material.h"
#include "resources/sample.h"
#include "support/model_builder.h"
#include "support/model_compare.h"

using namespace orv;
namespace fs = std::filesystem;

namespace {

std::string Slurp(const fs::path& p) { return orvtest::SlurpText(p); }
using orvtest::ExpectSameAsFixture;
using orvtest::Spit;

// The 3DO text without its first line, which names the file.
std::string Body3do(const fs::path& p)
{
    const std::string s = Slurp(p);
    return s.substr(std::min(s.find('\n'), s.size()));
}

// A puppet file unlike the sample's: one mode with a single sub-mode.
const char* const kOtherPup = "Mode=0\r\nrun\t\tkyrun.key\t0x00\t0\t0\r\n\r\njoints\r\n0=0\r\nend\r\n";

// Files larger than the limit cannot be written while it is set, as on a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) : handler_(std::signal(SIGXFSZ, SIG_IGN))
    {
        getrlimit(RLIMIT_FSIZE, &old_);
        rlimit lim = old_;
        lim.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lim);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, handler_);
    }

private:
    rlimit old_{};
    void (*handler_)(int);
};

// The sample archive stands in for the game's; models/ holds the documents' files and
// program/ is the program's own folder.
class DocumentTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto entries = SampleResourceEntries();
        for (const auto& f : MakeSampleModelFiles()) {
            entries.push_back({f.archiveName, std::vector<uint8_t>(f.text.begin(), f.text.end())});
            files[f.fileName] = f.text;
        }
        ASSERT_TRUE(orvtest::Ok(WriteArchive(archive, entries)));
        ASSERT_TRUE(orvtest::Ok(LoadCatalog(archive, catalog)));
        fs::create_directories(models);
        fs::create_directories(root / "program");
    }

    DocumentEnvironment Env(bool withCatalog) const
    {
        DocumentEnvironment env;
        if (withCatalog) {
            env.catalog = &catalog;
            env.resourceFile = archive;
        }
        env.programDir = root / "program";
        return env;
    }

    std::unique_ptr<COrvaneDoc> Doc(bool withCatalog)
    {
        return std::make_unique<COrvaneDoc>(settings, Env(withCatalog));
    }

    // The sample model saved under a name in models/ (with no puppet file beside it).
    std::string Walker(const std::string& name = "walker.3do")
    {
        Spit(models / name, files.at("walker.3do"));
        return (models / name).string();
    }

    // A project of the walker, saved with its camera at eye.
    std::string Project(COrvaneDoc& doc, const Vec3& eye, const fs::path& path)
    {
        EXPECT_TRUE(doc.OpenDocument(Walker()));
        doc.currentView = [eye] { return ViewState{-1, -1, -1, CameraState{eye, {0, 0, 1}, {0, 1, 0}}}; };
        EXPECT_TRUE(doc.SaveDocument(path.string()));
        return path.string();
    }

    // A step and what the window shows of the document after it, for the test's recorded
    // log: the step's failure, the file, whether it is modified, the sets, puppet, camera,
    // what was not read, and whether there is anything to undo or redo.
    void Log(const COrvaneDoc& d, const std::string& step, const std::string& error = {})
    {
        const Vec3& eye = d.savedCamera.eye;
        std::size_t items = 0;
        for (const auto& mode : d.model->puppetModes)
            items += mode.items.size();
        log += step + ": " + (error.empty() ? "done" : error) + "\n  " + d.PathName() + " (" + d.Title() + ")" +
               (d.IsModified() ? ", modified, " : ", ") + std::to_string(d.model->geosets.size()) + " sets, " +
               std::to_string(d.model->puppetModes.size()) + " modes of " + std::to_string(items) +
               " sub-modes, puppet file '" + d.PuppetFileName() + "' " + d.PuppetFileProblem() + ", camera at " +
               std::to_string(eye.x) + " " + std::to_string(eye.y) + " " + std::to_string(eye.z) + ", read in part '" +
               d.ReadInPart() + "'" + (d.CanUndo() ? ", undo" : "") + (d.CanRedo() ? ", redo" : "") + "\n";
    }

    orvtest::TempDir temp;
    std::string log;
    const fs::path root = temp.path, models = root / "models", archive = root / "res2.gob";
    ResourceCatalog catalog;
    std::map<std::string, std::string> files;
    Settings settings;
};

}  // namespace

// The file beside the model wins over the game's walker.pup, as a mod's does, whatever its
// case; for my.ship.3do the puppet file is my.pup. None beside it: the game's; one in the
// current folder is not the model's.
TEST_F(DocumentTest, PuppetOfAModelComesFromBesideItThenFromTheGame)
{
    const std::string walker = Walker();
    Spit(models / "WALKER.PUP", kOtherPup);
    auto doc = Doc(true);
    Log(*doc, "open beside WALKER.PUP", doc->OpenDocument(walker).error());
    EXPECT_FALSE(doc->PuppetReplaceRefused());  // read whole, it is written over without a question
    Spit(models / "my.pup", kOtherPup);
    Spit(models / "my.ship.pup", files.at("walker.pup"));
    Log(*doc, "open my.ship.3do", doc->OpenDocument(Walker("my.ship.3do")).error());
    fs::remove(models / "WALKER.PUP");
    Spit(root / "walker.pup", kOtherPup);
    const fs::path cwd = fs::current_path();
    fs::current_path(root);
    Log(*doc, "open with none beside it", doc->OpenDocument(Walker("WALKER.3DO")).error());
    auto bare = Doc(false);
    Log(*bare, "open without the game", bare->OpenDocument(walker).error());
    fs::current_path(cwd);
    ExpectSameAsFixture("expected", "document_puppet_beside.txt", log, root);
}

// The game's blank puppets have only joints; other text is refused by both ways in.
TEST_F(DocumentTest, APuppetFileOfJointsOnlyOrOfEmptyModesIsStillAPuppet)
{
    const std::string blank = "# blank, used to generate a puppet\r\njoints\r\nend\r\n";
    auto doc = Doc(false);
    for (const auto& [name, pup] :
         {std::pair{"joints only", blank},
          {"empty modes", std::string("Mode=0\r\nMode=1, BasedOn=0\r\njoints\r\n0=1 #Size 4\r\nend\r\n")},
          {"a 3DO", files.at("walker.3do")}}) {
        Spit(models / "walker.pup", pup);
        Log(*doc, std::string("open beside ") + name, doc->OpenDocument(Walker()).error());
    }
    ExpectSameAsFixture("expected", "document_puppet_files.txt", log, root);

    // File > Open of a .pup: the same rule.
    Spit(models / "blank.pup", blank);
    EXPECT_TRUE(orvtest::Ok(ReadPuppetImport((models / "blank.pup").string())));
    Spit(models / "model.pup", files.at("walker.3do"));
    EXPECT_EQ(ReadPuppetImport((models / "model.pup").string()).error(), "model.pup holds no puppet modes");
}

TEST_F(DocumentTest, FailedOpenKeepsTheDocumentAsItWas)
{
    auto doc = Doc(true);
    const fs::path project = Project(*doc, {1, 2, 3}, models / "walker.orv");
    ASSERT_TRUE(doc->OpenDocument(project.string()));
    doc->SetModified();
    const CModel* before = doc->model.get();

    fs::create_directories(models / "folder.3do");
    fs::copy_file(orvtest::Fixture("3do", "not_a_model.3do"), models / "notes.3do");
    fs::copy_file(orvtest::Fixture("orv", "truncated.orv"), models / "truncated.orv");
    for (const char* name : {"missing.3do", "folder.3do", "gone.orv", "notes.3do", "truncated.orv"}) {
        EXPECT_FALSE(doc->OpenDocument((models / name).string())) << name;
        EXPECT_EQ(std::tuple(doc->model.get(), doc->PathName(), doc->IsModified(), doc->savedCamera.eye),
                  std::tuple(before, project.string(), true, Vec3(1, 2, 3)))
            << name;
    }
}

TEST_F(DocumentTest, ProjectOpenLoadsItsCurrentKeyframeFromTheCatalogueOrBeside)
{
    auto doc = Doc(true);
    ASSERT_TRUE(doc->OpenDocument(Walker()));
    doc->model->currentMode = 0;
    doc->model->currentSubMode = 1;  // walk: wkwalk.key, 16 frames
    const std::string project = (models / "walker.orv").string();
    ASSERT_TRUE(doc->SaveDocument(project));
    auto keyframeOf = [&](bool withCatalog) {
        auto opened = Doc(withCatalog);
        EXPECT_TRUE(opened->OpenDocument(project));
        const auto key = opened->model->keyframe.value_or(CKeyframe());
        return std::pair(key.name, key.frames);
    };
    EXPECT_EQ(keyframeOf(true), std::pair(std::string("wkwalk.key"), 16));

    // Without a catalogue, the file beside the project (any case); here the standing one's 20 frames.
    Spit(models / "WKWALK.KEY", files.at("wkstand.key"));
    EXPECT_EQ(keyframeOf(false), std::pair(std::string("wkwalk.key"), 20));
    fs::remove(models / "WKWALK.KEY");
    EXPECT_EQ(keyframeOf(false).first, "");

    // A current sub-mode out of range loads nothing and is no failure.
    doc->model->currentSubMode = 7;
    ASSERT_TRUE(doc->SaveDocument(project));
    EXPECT_EQ(keyframeOf(true).first, "");
}

// An imported model takes nothing of the template, not even its camera; a damaged
// template is as good as none.
TEST_F(DocumentTest, NewDocumentStartsFromTheTemplateOrEmpty)
{
    auto doc = Doc(true);
    ASSERT_TRUE(doc->OpenDocument(Walker()));
    doc->SetModified();
    ASSERT_TRUE(doc->NewDocument());
    Log(*doc, "new without a template");
    Project(*doc, {0, 0, -4}, root / "program" / "New.orv");
    auto fromTemplate = Doc(true);
    ASSERT_TRUE(fromTemplate->NewDocument());
    Log(*fromTemplate, "new from the template");
    orvtest::ExpectSameModel(*fromTemplate->model, *doc->model);
    fromTemplate->AdoptImportedModel(std::make_unique<CModel>());
    Log(*fromTemplate, "import a model");
    fs::copy_file(orvtest::Fixture("orv", "text_not_a_project.orv"), root / "program" / "New.orv",
                  fs::copy_options::overwrite_existing);
    ASSERT_TRUE(fromTemplate->NewDocument());
    Log(*fromTemplate, "new from a damaged template");
    ExpectSameAsFixture("expected", "document_new.txt", log, root);
}

// Only the last extension tells a file's kind: earlier dots are part of the title.
TEST_F(DocumentTest, SaveAsKeepsTheNameForModelsAndTakesItForProjects)
{
    const std::string walker = Walker();
    DocumentEnvironment env = Env(true);
    env.textureSize = MaterialSizeFunction(catalog, archive, nullptr, "01redmap.cmp");
    COrvaneDoc doc(settings, env);
    ASSERT_TRUE(doc.OpenDocument(walker));
    doc.SetModified();
    const fs::path out = root / "out";
    fs::create_directories(out);

    // A 3DO copy: written, the document keeps its name and stays modified.
    for (const char* name : {"walker.orv.3do", "walker.brp.3DO"}) {
        Log(doc, std::string("save as ") + name, doc.SaveAs((out / name).string()).error());
        EXPECT_EQ(Body3do(out / name), Body3do(walker)) << name;
    }
    EXPECT_FALSE(fs::exists(out / "walker.brp")) << "a .brp export was made for walker.brp.3DO";

    // An export: the folder beside the .brp, named by the title up to its first dot, with
    // the puppet and keyframes taken from beside the document.
    Spit(models / "walker.pup", files.at("walker.pup"));
    Spit(models / "wkwalk.key", files.at("wkwalk.key"));
    Log(doc, "save as tree.3do.brp", doc.SaveAs((out / "tree.3do.brp").string()).error());
    EXPECT_TRUE(fs::is_regular_file(out / "tree.3do.brp"));
    EXPECT_EQ(Body3do(out / "tree.3do" / "3do" / "walker.3do"), Body3do(walker));
    EXPECT_EQ(Slurp(out / "tree.3do" / "misc" / "pup" / "walker.pup"), files.at("walker.pup"));
    EXPECT_EQ(Slurp(out / "tree.3do" / "3do" / "key" / "wkwalk.key"), files.at("wkwalk.key"));

    // A project: the document takes the new name and is saved; Save by its own name now
    // writes the project. The kind comes from the file's name, not from its folder's.
    fs::create_directories(out / "models.3do");
    const fs::path project = out / "models.3do" / "Test.3do.ORV";
    Log(doc, "save as Test.3do.ORV", doc.SaveAs(project.string()).error());
    doc.SetModified();
    Log(doc, "save", doc.SaveDocument(doc.PathName()).error());
    ExpectSameAsFixture("expected", "document_save_as.txt", log, root);

    // Read back it is the same model; exported, it takes its title up to the first dot.
    COrvaneDoc back(settings, env);
    ASSERT_TRUE(orvtest::Ok(back.OpenDocument(project.string())));
    orvtest::ExpectSameModel(*back.model, *doc.model);
    ASSERT_TRUE(orvtest::Ok(back.SaveDocument((out / "again.brp").string())));
    EXPECT_TRUE(fs::is_regular_file(out / "again" / "3do" / "Test.3do"));
    EXPECT_TRUE(orvtest::Ok(back.OpenDocument((out / "walker.orv.3do").string())));
}

TEST_F(DocumentTest, FailedSaveReportsItAndLeavesTheOldFileAlone)
{
    const std::string walker = Walker();
    auto doc = Doc(true);
    ASSERT_TRUE(doc->OpenDocument(walker));
    doc->SetModified();
    const fs::path out = root / "out";
    fs::create_directories(out);
    // room limits the size of the files a save may write.
    auto fails = [&](const fs::path& path, bool saveAs, rlim_t room = RLIM_INFINITY) {
        Status saved;
        {
            FileSizeLimit limit(room);
            saved = saveAs ? doc->SaveAs(path.string()) : doc->SaveDocument(path.string());
        }
        EXPECT_FALSE(saved.error().empty()) << path;
        EXPECT_EQ(doc->PathName(), walker);
        EXPECT_TRUE(doc->IsModified());
        return !saved;
    };

    // The target's folder does not exist: nothing is created anywhere.
    for (const char* name : {"test.orv", "test.3do", "test.brp"}) {
        EXPECT_TRUE(fails(out / "missing" / name, true)) << name;
        EXPECT_FALSE(fs::exists(out / "missing")) << name;
    }
    // A folder stands where the file would go: it stays, with what it holds.
    for (const char* name : {"dir.orv", "dir.3do"}) {
        Spit(out / name / "keep.txt", "keep");
        EXPECT_TRUE(fails(out / name, true)) << name;
        EXPECT_EQ(Slurp(out / name / "keep.txt"), "keep") << name;
    }
    // The disk fills up while writing over an earlier save.
    for (const char* name : {"full.orv", "full.3do"}) {
        Spit(out / name, "an earlier save");
        EXPECT_TRUE(fails(out / name, false, 512)) << name;
        EXPECT_TRUE(fails(out / name, true, 512)) << name;
        EXPECT_EQ(Slurp(out / name), "an earlier save") << name;
    }
    EXPECT_EQ(orvtest::CountFiles(out), 4u) << "no temporary file is left";
}

// A file that ends early is never replaced by what was read unless the user agreed, for
// that one save, under any spelling of its name; other files are written as usual. Once
// replaced, the document is its whole content; a project save renames the document, whose
// file is then written whole; opening a whole file forgets the part-read state.
TEST_F(DocumentTest, AFileReadOnlyInPartIsNotSavedOverWithoutConsent)
{
    const std::string whole = files.at("walker.3do");
    const fs::path cut = models / "cut.3do";
    Spit(cut, whole.substr(0, whole.find("MESH 3")));
    auto doc = Doc(false);
    Log(*doc, "open cut.3do", doc->OpenDocument(cut.string()).error());
    const std::string before = Slurp(cut);
    doc->SetModified();
    for (const fs::path& same : {cut, models / "." / "cut.3do"}) {
        EXPECT_TRUE(doc->SaveReplacesPartialFile(same.string()));
        Log(*doc, "save", doc->SaveDocument(same.string()).error());
    }
    Log(*doc, "save as cut.3do", doc->SaveAs(cut.string()).error());
    EXPECT_EQ(Slurp(cut), before);
    Log(*doc, "save as copy.3do", doc->SaveAs((models / "copy.3do").string()).error());
    doc->AgreeToReplacePartialFile();
    Log(*doc, "agreed, save", doc->SaveDocument(cut.string()).error());
    EXPECT_EQ(Body3do(cut), Body3do(models / "copy.3do"));
    Log(*doc, "save", doc->SaveDocument(cut.string()).error());
    Spit(cut, whole.substr(0, whole.size() / 2));
    Log(*doc, "open cut.3do cut at its half", doc->OpenDocument(cut.string()).error());
    doc->AgreeToReplacePartialFile();
    Log(*doc, "agreed, save other.3do", doc->SaveDocument((models / "other.3do").string()).error());
    Log(*doc, "save", doc->SaveDocument(cut.string()).error());
    Log(*doc, "save as cut.orv", doc->SaveAs((models / "cut.orv").string()).error());
    Log(*doc, "open walker.3do", doc->OpenDocument(Walker()).error());
    ExpectSameAsFixture("expected", "document_read_in_part.txt", log, root);
}

// An import makes the model differ from its file: closing must ask.
TEST_F(DocumentTest, ImportsAreUndoStepsAndOpeningStartsTheListsAfresh)
{
    auto doc = Doc(false);
    Log(*doc, "open walker.3do without its puppet", doc->OpenDocument(Walker()).error());
    Spit(root / "elsewhere" / "walker.pup", files.at("walker.pup"));
    Log(*doc, "import walker.pup", doc->ImportPuppet((root / "elsewhere" / "walker.pup").string()).error());
    doc->SetModified(false);
    Log(*doc, "import gone.pup", doc->ImportPuppet((root / "elsewhere" / "gone.pup").string()) ? "" : "refused");
    ViewState view;
    Log(*doc, "undo", doc->Undo(view).error());
    Log(*doc, "redo", doc->Redo(view).error());
    Log(*doc, "open walker.3do", doc->OpenDocument(Walker()).error());
    ExpectSameAsFixture("expected", "document_import_steps.txt", log, root);
}

// Sizes as the application gives them: custom materials of the document's own model,
// which must be the one being opened when its corners are built.
TEST_F(DocumentTest, MaterialSizesComeFromTheModelBeingOpened)
{
    auto doc = Doc(false);
    DocumentEnvironment env = Env(false);
    env.textureSize = [d = doc.get()](const std::string& name) -> std::optional<TextureSize> {
        if (d->model->customMaterials.Lookup(name))
            return TextureSize{128, 32};
        return std::nullopt;
    };
    doc->SetEnvironment(env);

    // A project whose custom material stands in for the body's "metal.mat".
    auto model = MakeSampleModel();
    orvtest::AddItem(model->customMaterials, "3do\\mat\\metal.mat", {0});
    const std::string project = (root / "program" / "New.orv").string();
    ASSERT_TRUE(orvtest::Ok(WriteProjectFile(project, *model, {})));
    auto body = [&]() -> const CFace& { return doc->model->geosets[0].meshes[0].faces[0]; };

    // The texture tool's scales follow the size found (the template's were never set).
    ASSERT_TRUE(doc->OpenDocument(project));
    EXPECT_EQ(body().uScale, 64.0f);
    ASSERT_TRUE(doc->NewDocument());
    EXPECT_EQ(body().uScale, 64.0f);
    // A 3DO has no custom materials: the previous model's do not count.
    ASSERT_TRUE(doc->OpenDocument(Walker()));
    EXPECT_EQ(body().uScale, 0.0f);
}

// The nodes stand in place after an open, a run and an undo, and the step of the next run
// finds the lists of the faces changed before it rebuilt.
TEST_F(DocumentTest, NodesAndListsFollowEveryChange)
{
    auto doc = Doc(false);
    ASSERT_TRUE(doc->OpenDocument(Walker()));
    EXPECT_TRUE(!doc->model->nodeMatrices.empty() && orvtest::NodesInPlace(*doc->model));
    EditContext c(*doc, settings);
    ASSERT_TRUE(doc->Run(c,
                         [](EditContext& e) {
                             e.model().nodes[1].position.x += 1.0f;
                             e.model().RebuildHierarchy();
                             e.model().MeshAt(0)->faces[0].corners[0].x += 0.5f;
                             return EditOutcome::Changed(kModelChanged);
                         })
                    .changed);
    EXPECT_TRUE(orvtest::NodesInPlace(*doc->model));
    (void)doc->Change([] { return false; });
    CMesh rebuilt = *doc->model->MeshAt(0);
    rebuilt.RebuildMeshLists();
    EXPECT_TRUE(rebuilt == *doc->model->MeshAt(0)) << "the moved corner's lists were not rebuilt";
    ViewState view;
    ASSERT_TRUE(doc->Undo(view));
    EXPECT_TRUE(orvtest::NodesInPlace(*doc->model));
}

// Modified exactly while the model is in another state than the one saved; a new change
// ends the redo list; an open step goes on until another step, an undo or a redo comes
// between; a run inside a run is part of it; a run that changes nothing leaves no step.
TEST_F(DocumentTest, UndoAndRedoKnowTheStateSavedAndANewChangeEndsRedo)
{
    auto doc = Doc(false);
    ASSERT_TRUE(doc->OpenDocument(Walker()));
    EditContext c(*doc, settings);
    COrvaneDoc::OpenStep open;
    ViewState view;
    struct Row {
        // e: edit, o: edit in the open step, n: an edit within an edit, v: a run that changes
        // nothing, s: save, u: undo, r: redo, t: take the step back
        char action;
        const char* name;  // the edit's name, then the name expected after the action
        bool modified;
        bool canRedo;
    };
    const Row rows[] = {
        {'e', "z", true, false},  {'e', "a", true, false},  {'s', "a", false, false}, {'e', "b", true, false},
        {'u', "a", false, true},  {'u', "z", true, true},   {'r', "a", false, true},  {'r', "b", true, false},
        {'u', "a", false, true},  {'e', "c", true, false},  {'r', "c", true, false},  {'u', "a", false, true},
        {'u', "z", true, true},   {'e', "d", true, false},  {'u', "z", true, true},   {'s', "z", false, true},
        {'o', "e", true, false},  {'s', "e", false, false}, {'o', "f", true, false},  {'u', "z", true, true},
        {'r', "f", true, false},  {'s', "f", false, false}, {'o', "g", true, false},  {'o', "h", true, false},
        {'t', "f", false, false}, {'t', "f", false, false}, {'o', "i", true, false},  {'e', "j", true, false},
        {'t', "j", true, false},  {'u', "i", true, true},   {'u', "f", false, true},  {'v', "f", false, true},
        {'n', "k", true, false},  {'u', "f", false, true},  {'u', "z", true, true},   {'o', "l", true, false},
        {'e', "m", true, false},  {'o', "p", true, false},  {'u', "m", true, true},
    };
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const Row& row = rows[i];
        auto rename = [&](EditContext& e) {
            e.model().MeshAt(0)->name = row.name;
            return EditOutcome::Changed(kModelChanged);
        };
        switch (row.action) {
        case 'e': doc->Run(c, rename); break;
        case 'o': doc->Run(c, rename, &open); break;
        case 'n': doc->Run(c, [&](EditContext& e) { return (void)doc->Run(e, rename), rename(e); }); break;
        case 'v': doc->Run(c, [](EditContext&) { return EditOutcome::Done(kViewStateChanged); }); break;
        case 's': ASSERT_TRUE(orvtest::Ok(doc->SaveDocument(doc->PathName()))); break;
        case 'u': (void)doc->Undo(view); break;
        case 'r': (void)doc->Redo(view); break;
        case 't':
            // Nothing is taken back once another step came after the open one.
            (void)doc->TakeBack(open, view);
            open = {};
            break;
        }
        EXPECT_EQ(std::make_tuple(doc->model->MeshAt(0)->name, doc->IsModified(), doc->CanRedo()),
                  std::make_tuple(std::string(row.name), row.modified, row.canRedo))
            << "row " << i << " '" << row.action << "'";
    }
}
