// The document's file handling without windows: opening by name with the puppet and
// keyframe look-ups, New from the template, Save and Save As by name, and saves that
// fail without costing the previous file.
#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "edit/document.h"
#include "formats/format_test_util.h"
#include "formats/keyfile.h"
#include "formats/model3do.h"
#include "formats/model_compare.h"
#include "formats/puppet.h"
#include "formats/samplemodel.h"
#include "model/fileio.h"
#include "resources/archive.h"
#include "resources/catalog.h"
#include "resources/material.h"
#include "resources/sample.h"

using namespace orv;
namespace fs = std::filesystem;

namespace {

std::string Slurp(const fs::path& p)
{
    std::string s;
    EXPECT_TRUE(ReadWholeFile(p, s)) << p;
    return s;
}

void Spit(const fs::path& p, std::string_view text)
{
    fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary);
    out << text;
}

// The 3DO text without its first line, which names the file.
std::string Body3do(const fs::path& p)
{
    const std::string s = Slurp(p);
    const auto eol = s.find('\n');
    return eol == std::string::npos ? s : s.substr(eol + 1);
}

// The names in a folder, sorted.
std::vector<std::string> Listing(const fs::path& dir)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::size_t ModeItems(const CModel& m)
{
    std::size_t n = 0;
    for (const auto& mode : m.puppetModes)
        n += mode->items.size();
    return n;
}

// A puppet file unlike the sample's: one mode with a single sub-mode.
std::string OtherPup()
{
    CModel m;
    auto mode = std::make_unique<CPuppetMode>();
    auto item = std::make_unique<CPuppetItem>();
    item->name = "run";
    item->keyFile = "kyrun.key";
    mode->items.push_back(std::move(item));
    m.puppetModes.push_back(std::move(mode));
    m.puppetJoints = {"0\t0"};
    return FormatPup(m, "other.pup");
}

// Files larger than the limit cannot be written while it is set, as on a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lim = old_;
        lim.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lim);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }

private:
    rlimit old_{};
    void (*oldHandler_)(int) = nullptr;
};

class DocumentTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = temp.path;
        // The sample archive as orvane-tool sample lays it out, standing in for the game's.
        auto entries = SampleResourceEntries();
        for (const auto& f : MakeSampleModelFiles()) {
            entries.push_back({f.archiveName, std::vector<uint8_t>(f.text.begin(), f.text.end())});
            files[f.fileName] = f.text;
        }
        archive = root / "res2.gob";
        std::string err;
        ASSERT_TRUE(WriteArchive(archive, entries, &err)) << err;
        ASSERT_TRUE(LoadCatalog(archive, catalog, &err)) << err;
        ASSERT_TRUE(catalog.puppets.Lookup("walker.pup"));
        fs::create_directories(root / "models");
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

    // The sample model saved under name in folder (with no puppet file beside it).
    fs::path Walker(const std::string& name, const fs::path& folder)
    {
        Spit(folder / name, files.at("walker.3do"));
        return folder / name;
    }

    orvtest::TempDir temp;
    fs::path root;
    fs::path archive;
    ResourceCatalog catalog;
    std::map<std::string, std::string> files;
    Settings settings;
};

}  // namespace

TEST_F(DocumentTest, PuppetComesFromTheCatalogueThenFromBesideTheFile)
{
    const fs::path models = root / "models";
    const fs::path walker = Walker("walker.3do", models);
    // The catalogue lists walker.pup: its two sub-modes are read from the archive.
    auto doc = Doc(true);
    ASSERT_TRUE(doc->OpenDocument(walker.string()));
    EXPECT_EQ(ModeItems(*doc->model), 2u);
    EXPECT_EQ(doc->model->puppetModes[0]->items[1]->keyFile, "wkwalk.key");
    EXPECT_EQ(doc->model->formatTag, "JK1");
    EXPECT_EQ(doc->PathName(), walker.string());
    EXPECT_EQ(doc->Title(), "walker.3do");
    EXPECT_FALSE(doc->IsModified());

    // A puppet file beside the model does not override the catalogue's...
    Spit(models / "WALKER.PUP", OtherPup());
    ASSERT_TRUE(doc->OpenDocument(walker.string()));
    EXPECT_EQ(ModeItems(*doc->model), 2u);
    EXPECT_TRUE(doc->model->puppetJoints.empty());
    // ...but without a catalogue entry it is found there, whatever its case.
    auto bare = Doc(false);
    ASSERT_TRUE(bare->OpenDocument(walker.string()));
    EXPECT_EQ(ModeItems(*bare->model), 1u);
    EXPECT_EQ(bare->model->puppetModes[0]->items[0]->keyFile, "kyrun.key");
    EXPECT_EQ(bare->model->puppetJoints, (std::vector<std::string>{"0\t0"}));

    // Neither: the model opens with no puppet modes.
    fs::remove(models / "WALKER.PUP");
    ASSERT_TRUE(bare->OpenDocument(walker.string()));
    EXPECT_TRUE(bare->model->puppetModes.empty());
    ASSERT_EQ(bare->model->geosets.size(), 1u);
    EXPECT_EQ(bare->model->geosets[0]->meshes.size(), 6u);
    // Opening built the corners the geometry is edited and drawn from.
    EXPECT_EQ(bare->model->geosets[0]->meshes[0]->faces[0]->corners.size(), 4u);

    // A puppet file in the current folder but not beside the model is not the model's.
    const fs::path cwd = fs::current_path();
    Spit(root / "walker.pup", OtherPup());
    fs::current_path(root);
    const bool opened = bare->OpenDocument(walker.string());
    fs::current_path(cwd);
    ASSERT_TRUE(opened);
    EXPECT_TRUE(bare->model->puppetModes.empty());
}

TEST_F(DocumentTest, PuppetNameIsCutAtTheFirstDotAndNamesIgnoreCase)
{
    EXPECT_EQ(PuppetNameFor("/models/my.ship.3do"), "my.pup");
    EXPECT_EQ(PuppetNameFor("/models/SHIP.3DO"), "SHIP.pup");
    EXPECT_EQ(PuppetNameFor("ship.3do"), "ship.pup");

    const fs::path models = root / "models";
    const fs::path dotted = Walker("my.ship.3do", models);
    Spit(models / "my.pup", OtherPup());
    Spit(models / "my.ship.pup", files.at("walker.pup"));
    auto doc = Doc(false);
    ASSERT_TRUE(doc->OpenDocument(dotted.string()));
    EXPECT_EQ(ModeItems(*doc->model), 1u) << "my.ship.3do takes my.pup";

    // Upper case is still a 3DO name (a project reader would refuse this text).
    const fs::path upper = Walker("SHIP.3DO", models);
    Spit(models / "ship.pup", OtherPup());
    ASSERT_TRUE(doc->OpenDocument(upper.string()));
    EXPECT_EQ(doc->model->geosets[0]->meshes.size(), 6u);
    EXPECT_EQ(ModeItems(*doc->model), 1u);
    EXPECT_EQ(doc->Title(), "SHIP.3DO");
    // The catalogue look-up ignores case too.
    const fs::path shouting = Walker("WALKER.3DO", models);
    auto withCatalog = Doc(true);
    ASSERT_TRUE(withCatalog->OpenDocument(shouting.string()));
    EXPECT_EQ(ModeItems(*withCatalog->model), 2u);
}

TEST_F(DocumentTest, UnreadableModelIsAFailedOpenAndTheDocumentKeepsItsModel)
{
    const fs::path models = root / "models";
    const fs::path walker = Walker("walker.3do", models);
    auto doc = Doc(true);
    ASSERT_TRUE(doc->OpenDocument(walker.string()));
    doc->SetModified();
    const CModel* before = doc->model.get();

    fs::create_directories(models / "folder.3do");
    Spit(models / "notes.3do", "just some words\r\n");
    for (const fs::path& bad : {models / "missing.3do", models / "folder.3do", models / "notes.3do"}) {
        std::string err;
        EXPECT_FALSE(doc->OpenDocument(bad.string(), &err)) << bad;
        EXPECT_FALSE(err.empty()) << bad;
        EXPECT_EQ(doc->model.get(), before) << bad;
        EXPECT_EQ(doc->model->geosets[0]->meshes.size(), 6u);
        EXPECT_EQ(doc->PathName(), walker.string());
        EXPECT_TRUE(doc->IsModified());
    }
}

TEST_F(DocumentTest, ProjectOpenLoadsItsCurrentKeyframeFromTheCatalogueOrBeside)
{
    const fs::path models = root / "models";
    auto doc = Doc(true);
    ASSERT_TRUE(doc->OpenDocument(Walker("walker.3do", models).string()));
    doc->model->currentMode = 0;
    doc->model->currentSubMode = 1;  // walk: wkwalk.key, 16 frames
    const fs::path project = models / "walker.orv";
    std::string err;
    ASSERT_TRUE(doc->SaveDocument(project.string(), &err)) << err;

    // The catalogue's keyframe, named by its entry.
    auto opened = Doc(true);
    ASSERT_TRUE(opened->OpenDocument(project.string(), &err)) << err;
    ASSERT_TRUE(opened->model->keyframe);
    EXPECT_EQ(opened->model->keyframe->name, "wkwalk.key");
    EXPECT_EQ(opened->model->keyframe->frames, 16);
    EXPECT_EQ(opened->model->frameCount, 16);

    // Without a catalogue, the file beside the project (any case) under the sub-mode's name;
    // here it holds the standing keyframe's 20 frames.
    Spit(models / "WKWALK.KEY", files.at("wkstand.key"));
    auto beside = Doc(false);
    ASSERT_TRUE(beside->OpenDocument(project.string(), &err)) << err;
    ASSERT_TRUE(beside->model->keyframe);
    EXPECT_EQ(beside->model->keyframe->name, "wkwalk.key");
    EXPECT_EQ(beside->model->keyframe->frames, 20);

    // Neither: the project opens without a keyframe.
    fs::remove(models / "WKWALK.KEY");
    auto none = Doc(false);
    ASSERT_TRUE(none->OpenDocument(project.string(), &err)) << err;
    EXPECT_FALSE(none->model->keyframe);
    EXPECT_EQ(ModeItems(*none->model), 2u);

    // A current sub-mode out of range loads nothing and is no failure.
    doc->model->currentSubMode = 7;
    ASSERT_TRUE(doc->SaveDocument(project.string(), &err)) << err;
    auto outOfRange = Doc(true);
    ASSERT_TRUE(outOfRange->OpenDocument(project.string(), &err)) << err;
    EXPECT_FALSE(outOfRange->model->keyframe);
    EXPECT_FALSE(outOfRange->LoadCurrentKeyframe());
}

TEST_F(DocumentTest, CorruptProjectIsRefusedAndNothingHalfLoadedStays)
{
    const fs::path models = root / "models";
    auto doc = Doc(true);
    ASSERT_TRUE(doc->OpenDocument(Walker("walker.3do", models).string()));
    doc->currentCamera = [] { return CameraState{{1, 2, 3}, {0, 0, 1}, {0, 1, 0}}; };
    const fs::path project = models / "walker.orv";
    ASSERT_TRUE(doc->SaveDocument(project.string()));
    const std::string good = Slurp(project);

    auto target = Doc(true);
    ASSERT_TRUE(target->OpenDocument(project.string()));
    EXPECT_EQ(target->savedCamera.eye, Vec3(1, 2, 3));
    const CModel* before = target->model.get();

    const std::vector<std::pair<std::string, std::string>> bad = {
        {"truncated.orv", good.substr(0, good.size() / 2)},
        {"camera cut.orv", good.substr(0, good.size() - 5)},
        {"empty.orv", ""},
        {"text.orv", "3DO 2.1\r\n"},
        {"huge count.orv", good.substr(0, 97) + "\xFF\xFF\xFF\xFF\xFF\x7F" + good.substr(103)},
    };
    for (const auto& [name, bytes] : bad) {
        Spit(models / name, bytes);
        std::string err;
        EXPECT_FALSE(target->OpenDocument((models / name).string(), &err)) << name;
        EXPECT_FALSE(err.empty()) << name;
        EXPECT_EQ(target->model.get(), before) << name;
        EXPECT_EQ(target->PathName(), project.string()) << name;
        EXPECT_EQ(target->savedCamera.eye, Vec3(1, 2, 3)) << name;
        EXPECT_EQ(target->model->geosets[0]->meshes.size(), 6u) << name;
    }
    // A missing project is a failed open as well.
    EXPECT_FALSE(target->OpenDocument((models / "gone.orv").string()));
}

TEST_F(DocumentTest, NewDocumentStartsFromTheTemplateOrEmpty)
{
    // Without New.orv: the empty model and no camera.
    auto doc = Doc(true);
    ASSERT_TRUE(doc->NewDocument());
    EXPECT_TRUE(doc->model->geosets.empty());
    EXPECT_TRUE(doc->model->materials.empty());
    EXPECT_EQ(doc->savedCamera.eye, Vec3());
    EXPECT_EQ(doc->model->document, doc.get());
    EXPECT_FALSE(doc->IsModified());
    EXPECT_TRUE(doc->PathName().empty());

    // With New.orv in the program folder: its model (corners built) and its camera.
    auto maker = Doc(true);
    ASSERT_TRUE(maker->OpenDocument(Walker("walker.3do", root / "models").string()));
    maker->currentCamera = [] { return CameraState{{0, 0, -4}, {0, 0, 1}, {0, 1, 0}}; };
    ASSERT_TRUE(maker->SaveDocument((root / "program" / "New.orv").string()));
    auto fromTemplate = Doc(true);
    // A document that had a file forgets it.
    ASSERT_TRUE(fromTemplate->OpenDocument((root / "models" / "walker.3do").string()));
    fromTemplate->SetModified();
    ASSERT_TRUE(fromTemplate->NewDocument());
    EXPECT_TRUE(fromTemplate->PathName().empty());
    EXPECT_TRUE(fromTemplate->Title().empty());
    EXPECT_FALSE(fromTemplate->IsModified());
    EXPECT_EQ(fromTemplate->savedCamera.eye, Vec3(0, 0, -4));
    EXPECT_EQ(fromTemplate->savedCamera.up, Vec3(0, 1, 0));
    orvtest::ExpectSameModel(*fromTemplate->model, *maker->model);
    EXPECT_EQ(ModeItems(*fromTemplate->model), 2u);
    EXPECT_EQ(fromTemplate->model->document, fromTemplate.get());

    // A damaged template is as good as none.
    Spit(root / "program" / "New.orv", "garbage");
    ASSERT_TRUE(fromTemplate->NewDocument());
    EXPECT_TRUE(fromTemplate->model->geosets.empty());
    EXPECT_EQ(fromTemplate->savedCamera.eye, Vec3());
}

TEST_F(DocumentTest, ImportPuppetReplacesThePuppetData)
{
    auto doc = Doc(false);
    ASSERT_TRUE(doc->OpenDocument(Walker("walker.3do", root / "models").string()));
    EXPECT_TRUE(doc->model->puppetModes.empty());
    Spit(root / "elsewhere" / "walker.pup", files.at("walker.pup"));
    ASSERT_TRUE(doc->ImportPuppet((root / "elsewhere" / "walker.pup").string()));
    EXPECT_EQ(ModeItems(*doc->model), 2u);
    // The model now differs from its file: closing it must ask.
    EXPECT_TRUE(doc->IsModified());

    doc->SetModified(false);
    std::string err;
    EXPECT_FALSE(doc->ImportPuppet((root / "elsewhere" / "gone.pup").string(), &err));
    EXPECT_FALSE(err.empty());
    EXPECT_EQ(ModeItems(*doc->model), 2u);
    EXPECT_FALSE(doc->IsModified());

    Spit(root / "elsewhere" / "other.pup", OtherPup());
    ASSERT_TRUE(doc->ImportPuppet((root / "elsewhere" / "other.pup").string()));
    EXPECT_EQ(ModeItems(*doc->model), 1u);
    EXPECT_EQ(doc->model->puppetJoints.size(), 1u);
}

TEST_F(DocumentTest, SaveAsKeepsTheNameForModelsAndTakesItForProjects)
{
    const fs::path walker = Walker("walker.3do", root / "models");
    auto doc = Doc(true);
    ASSERT_TRUE(doc->OpenDocument(walker.string()));
    doc->SetModified();
    fs::create_directories(root / "out");
    std::string err;

    // A 3DO copy: written, the document keeps its name and stays modified.
    ASSERT_TRUE(doc->SaveAs((root / "out" / "test.3do").string(), &err)) << err;
    EXPECT_EQ(doc->PathName(), walker.string());
    EXPECT_EQ(doc->Title(), "walker.3do");
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(Body3do(root / "out" / "test.3do"), Body3do(walker));

    // An export: the folder beside the .brp, named by the title up to its first dot, with
    // the puppet and keyframes taken from beside the document.
    Spit(root / "models" / "walker.pup", files.at("walker.pup"));
    Spit(root / "models" / "wkwalk.key", files.at("wkwalk.key"));
    ASSERT_TRUE(doc->SaveAs((root / "out" / "export.brp").string(), &err)) << err;
    EXPECT_EQ(doc->PathName(), walker.string());
    EXPECT_TRUE(fs::is_regular_file(root / "out" / "export.brp"));
    EXPECT_EQ(Body3do(root / "out" / "export" / "3do" / "walker.3do"), Body3do(walker));
    EXPECT_EQ(Slurp(root / "out" / "export" / "misc" / "pup" / "walker.pup"), files.at("walker.pup"));
    EXPECT_EQ(Slurp(root / "out" / "export" / "3do" / "key" / "wkwalk.key"), files.at("wkwalk.key"));

    // A project: the document takes the new name and is saved.
    const fs::path project = root / "out" / "Test.ORV";
    ASSERT_TRUE(doc->SaveAs(project.string(), &err)) << err;
    EXPECT_EQ(doc->PathName(), project.string());
    EXPECT_EQ(doc->Title(), "Test.ORV");
    EXPECT_FALSE(doc->IsModified());
    // Save by the document's own name now writes the project.
    doc->SetModified();
    ASSERT_TRUE(doc->SaveDocument(doc->PathName(), &err)) << err;
    EXPECT_FALSE(doc->IsModified());
    auto back = Doc(true);
    ASSERT_TRUE(back->OpenDocument(project.string(), &err)) << err;
    orvtest::ExpectSameModel(*back->model, *doc->model);

    // Exporting a project takes its title up to the first dot as well.
    ASSERT_TRUE(back->SaveDocument((root / "out" / "again.brp").string(), &err)) << err;
    EXPECT_TRUE(fs::is_regular_file(root / "out" / "again" / "3do" / "Test.3do"));
}

TEST_F(DocumentTest, ModelToProjectToModelGivesTheSameModel)
{
    const fs::path walker = Walker("walker.3do", root / "models");
    for (bool withCatalog : {false, true}) {
        SCOPED_TRACE(withCatalog ? "with the catalogue's texture sizes" : "without resources");
        DocumentEnvironment env = Env(withCatalog);
        if (withCatalog)
            env.textureSize = MaterialSizeFunction(catalog, archive, nullptr, "01redmap.cmp");
        COrvaneDoc first(settings, env);
        ASSERT_TRUE(first.OpenDocument(walker.string()));
        std::string err;
        const fs::path project = root / "out" / "walker.orv";
        fs::create_directories(project.parent_path());
        ASSERT_TRUE(first.SaveDocument(project.string(), &err)) << err;

        COrvaneDoc second(settings, env);
        ASSERT_TRUE(second.OpenDocument(project.string(), &err)) << err;
        orvtest::ExpectSameModel(*second.model, *first.model);
        ASSERT_TRUE(second.SaveDocument((root / "out" / "walker.3do").string(), &err)) << err;
        // The same text as the model the sample was made from.
        EXPECT_EQ(Body3do(root / "out" / "walker.3do"), Body3do(walker));
        EXPECT_EQ(ModeItems(*second.model), withCatalog ? 2u : 0u);
    }
}

TEST_F(DocumentTest, SavedProjectHasSortedDeduplicatedLists)
{
    // A mesh whose vertex list is out of order, repeats a vertex and holds one no face uses.
    const std::string text = orvtest::CrLf(R"(3DO 2.1
SECTION: HEADER
3DO 2.1
SECTION: MODELRESOURCE
MATERIALS 0
SECTION: GEOMETRYDEF
RADIUS 1.0
INSERT OFFSET 0 0 0
GEOSETS 1
GEOSET 0
MESHES 1
MESH 0
NAME box
RADIUS 1.0
GEOMETRYMODE 4
LIGHTINGMODE 3
TEXTUREMODE 0
VERTICES 6
0: 1.0 1.0 0.0 0.0
1: 0.0 0.0 0.0 0.0
2: 1.0 0.0 0.0 0.0
3: 0.0 0.0 0.0 0.0
4: 0.0 1.0 0.0 0.0
5: 5.0 5.0 5.0 0.0
TEXTURE VERTICES 1
0: 0.0 0.0
VERTEX NORMALS
0: 0 0 1
1: 0 0 1
2: 0 0 1
3: 0 0 1
4: 0 0 1
5: 0 0 1
FACES 2
0: -1 0x0 4 3 0 0.0 3 1,0 2,0 0,0
1: -1 0x0 4 3 0 0.0 3 3,0 0,0 4,0
FACE NORMALS
0: 0 0 1
1: 0 0 1
SECTION: HIERARCHYDEF
HIERARCHY NODES 1
0: 0x0 0x1 0 -1 -1 -1 0 0.0 0.0 0.0 0.0 0.0 0.0 0.0 0.0 0.0 box
)");
    Spit(root / "models" / "box.3do", text);
    auto doc = Doc(false);
    std::string err;
    ASSERT_TRUE(doc->OpenDocument((root / "models" / "box.3do").string(), &err)) << err;
    const CMesh& opened = *doc->model->geosets[0]->meshes[0];
    ASSERT_EQ(opened.vertices.size(), 6u);
    std::vector<Vec3> cornersBefore;
    for (const auto& f : opened.faces)
        for (const auto& c : f->corners)
            cornersBefore.push_back(c.Position());

    ASSERT_TRUE(doc->SaveDocument((root / "models" / "box.orv").string(), &err)) << err;
    CameraState cam;
    auto back = ReadProjectFile((root / "models" / "box.orv").string(), &cam, &err);
    ASSERT_TRUE(back) << err;
    const CMesh& mesh = *back->geosets[0]->meshes[0];
    // Four distinct positions in ascending (x, y, z) order; the unused one is gone.
    ASSERT_EQ(mesh.vertices.size(), 4u);
    for (std::size_t i = 1; i < mesh.vertices.size(); ++i) {
        const Vec3 a = mesh.vertices[i - 1].Position(), b = mesh.vertices[i].Position();
        EXPECT_TRUE(std::tie(a.x, a.y, a.z) < std::tie(b.x, b.y, b.z)) << i;
    }
    EXPECT_EQ(mesh.vertexNormals.size(), mesh.vertices.size());
    EXPECT_EQ(mesh.textureVertices.size(), 1u);
    // The faces point at the same positions through the rebuilt index lists.
    std::vector<Vec3> cornersAfter;
    for (const auto& f : mesh.faces) {
        ASSERT_EQ(f->vertexIndices.size(), 3u);
        for (std::size_t k = f->vertexIndices.size(); k-- > 0;)
            cornersAfter.push_back(mesh.vertices.at(static_cast<std::size_t>(f->vertexIndices[k])).Position());
    }
    EXPECT_EQ(cornersAfter, cornersBefore);
}

TEST_F(DocumentTest, FailedSaveReportsItAndLeavesTheOldFileAlone)
{
    const fs::path walker = Walker("walker.3do", root / "models");
    auto doc = Doc(true);
    ASSERT_TRUE(doc->OpenDocument(walker.string()));
    doc->SetModified();
    const fs::path out = root / "out";
    fs::create_directories(out);

    // The target's folder does not exist: nothing is created anywhere.
    for (const char* name : {"test.orv", "test.3do", "test.brp"}) {
        std::string err;
        EXPECT_FALSE(doc->SaveDocument((out / "missing" / name).string(), &err)) << name;
        EXPECT_FALSE(err.empty()) << name;
        EXPECT_FALSE(fs::exists(out / "missing")) << name;
        EXPECT_FALSE(doc->SaveAs((out / "missing" / name).string(), &err)) << name;
        EXPECT_EQ(doc->PathName(), walker.string());
    }

    // A folder stands where the file would go: it stays, with what it holds.
    for (const char* name : {"dir.orv", "dir.3do"}) {
        Spit(out / name / "keep.txt", "keep");
        std::string err;
        EXPECT_FALSE(doc->SaveAs((out / name).string(), &err)) << name;
        EXPECT_FALSE(err.empty()) << name;
        EXPECT_EQ(Slurp(out / name / "keep.txt"), "keep") << name;
        EXPECT_EQ(doc->PathName(), walker.string());
        EXPECT_TRUE(doc->IsModified());
    }
    EXPECT_EQ(Listing(out), (std::vector<std::string>{"dir.3do", "dir.orv"})) << "no temporary file is left";

    // The disk fills up while writing over an earlier save: the earlier file survives
    // whole, and no partial or temporary file is left behind.
    const std::string old = "an earlier save";
    for (const char* name : {"full.orv", "full.3do"}) {
        Spit(out / name, old);
        std::string err;
        bool saved = true, savedAs = true;
        {
            FileSizeLimit limit(512);
            saved = doc->SaveDocument((out / name).string(), &err);
            savedAs = doc->SaveAs((out / name).string(), &err);
        }
        EXPECT_FALSE(saved) << name;
        EXPECT_FALSE(savedAs) << name;
        EXPECT_FALSE(err.empty()) << name;
        EXPECT_EQ(Slurp(out / name), old) << name;
        EXPECT_EQ(doc->PathName(), walker.string());
    }
    EXPECT_EQ(Listing(out), (std::vector<std::string>{"dir.3do", "dir.orv", "full.3do", "full.orv"}));

    // The same saves succeed once there is room, replacing the earlier file.
    std::string err;
    ASSERT_TRUE(doc->SaveDocument((out / "full.orv").string(), &err)) << err;
    EXPECT_NE(Slurp(out / "full.orv"), old);
    EXPECT_EQ(Listing(out), (std::vector<std::string>{"dir.3do", "dir.orv", "full.3do", "full.orv"}));
}

TEST_F(DocumentTest, SnapshotsUndoAndRedoMarkTheDocumentModified)
{
    auto doc = Doc(true);
    ASSERT_TRUE(doc->OpenDocument(Walker("walker.3do", root / "models").string()));
    ASSERT_FALSE(doc->IsModified());
    ViewState view;
    view.mesh = 2;
    doc->TakeSnapshot(view);
    EXPECT_TRUE(doc->IsModified());
    doc->model->geosets[0]->meshes[2]->name = "edited";

    ASSERT_TRUE(doc->SaveDocument(doc->PathName()));
    EXPECT_FALSE(doc->IsModified());
    view.mesh = -1;
    ASSERT_TRUE(doc->Undo(view));
    // Undo marks the document modified even though it returns to an earlier state.
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(view.mesh, 2);
    EXPECT_EQ(doc->model->geosets[0]->meshes[2]->name, "lthigh");
    EXPECT_EQ(doc->model->document, doc.get());
    // The restored model keeps the puppet data the catalogue gave and its corners.
    EXPECT_EQ(ModeItems(*doc->model), 2u);
    EXPECT_EQ(doc->model->geosets[0]->meshes[2]->faces[0]->corners.size(), 4u);

    doc->SetModified(false);
    ASSERT_TRUE(doc->Redo(view));
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(doc->model->geosets[0]->meshes[2]->name, "edited");
    EXPECT_FALSE(doc->Redo(view));

    // Opening another file starts both lists afresh.
    ASSERT_TRUE(doc->OpenDocument((root / "models" / "walker.3do").string()));
    EXPECT_FALSE(doc->history.CanUndo());
    EXPECT_FALSE(doc->history.CanRedo());
}

TEST_F(DocumentTest, MaterialSizesComeFromTheModelBeingOpened)
{
    // Sizes as the application gives them: custom materials of the document's model first.
    auto doc = Doc(false);
    DocumentEnvironment env = Env(false);
    COrvaneDoc* d = doc.get();
    env.textureSize = [d](const std::string& name) -> std::optional<TextureSize> {
        if (d->model->customMaterials.Lookup(name))
            return TextureSize{128, 32};
        return std::nullopt;
    };
    doc->SetEnvironment(env);

    // A project whose custom material stands in for the body's "metal.mat".
    auto model = MakeSampleModel();
    auto custom = std::make_unique<CTreeObject>("3do\\mat\\metal.mat", 0, 1);
    custom->data = {0};
    model->customMaterials.Add(std::move(custom));
    const fs::path project = root / "program" / "New.orv";
    std::string err;
    ASSERT_TRUE(WriteProjectFile(project.string(), *model, {}, &err)) << err;
    auto widthOfBody = [&] { return d->model->geosets[0]->meshes[0]->faces[0]->textureWidth; };
    ASSERT_EQ(d->model->geosets.size(), 0u);

    ASSERT_TRUE(doc->OpenDocument(project.string(), &err)) << err;
    EXPECT_EQ(widthOfBody(), 128);
    ASSERT_TRUE(doc->NewDocument());
    EXPECT_EQ(widthOfBody(), 128);
    // A 3DO has no custom materials: the previous model's do not count.
    ASSERT_TRUE(doc->OpenDocument(Walker("walker.3do", root / "models").string(), &err)) << err;
    EXPECT_EQ(widthOfBody(), 1);
    // The scale of the texture tool follows the size found.
    EXPECT_EQ(d->model->geosets[0]->meshes[0]->faces[0]->uScale, 0.0f);
    ASSERT_TRUE(doc->OpenDocument(project.string(), &err)) << err;
    EXPECT_EQ(d->model->geosets[0]->meshes[0]->faces[0]->uScale, 64.0f);
}
