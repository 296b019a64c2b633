#include <gtest/gtest.h>

#include "format_test_util.h"
#include "formats/model3do.h"
#include "model/fileio.h"
#include "model/model.h"

using namespace orv;
namespace fs = std::filesystem;

namespace {

void Put(const fs::path& p, const std::string& bytes) { ASSERT_TRUE(WriteFileAtomic(p, bytes)); }

std::string Get(const fs::path& p)
{
    std::string s;
    EXPECT_TRUE(ReadWholeFile(p, s)) << p;
    return s;
}

void AddItem(CModel& m, const std::string& key)
{
    if (m.puppetModes.empty())
        m.puppetModes.push_back(std::make_unique<CPuppetMode>());
    auto item = std::make_unique<CPuppetItem>();
    item->keyFile = key;
    m.puppetModes[0]->items.push_back(std::move(item));
}

}  // namespace

TEST(ExportBrindleProject, BuildsTheResourceTree)
{
    orvtest::TempDir dir;
    const fs::path source = dir.path / "program";
    fs::create_directories(source);
    Put(source / "ship.pup", "pup bytes");
    Put(source / "KyWalk.KEY", "walk bytes");  // found whatever the case
    Put(source / "evil.key", "evil bytes");
    Put(dir.path / "outside.key", "must not be read");

    CModel m;
    m.materials = {"hull.mat"};
    AddItem(m, "kywalk.key");
    AddItem(m, "kyrun.key");          // not there: skipped silently
    AddItem(m, "..\\..\\evil.key");   // only its file name is used
    AddItem(m, "../outside.key");
    auto mat = std::make_unique<CTreeObject>("hull.mat", 0, 3);
    mat->data = {1, 2, 3};
    m.customMaterials.Add(std::move(mat));
    auto bad = std::make_unique<CTreeObject>("..", 0, 1);
    bad->data = {9};
    m.customMaterials.Add(std::move(bad));

    const fs::path project = dir.path / "out" / "ship.brp";
    fs::create_directories(project.parent_path());
    std::string error;
    ASSERT_TRUE(ExportBrindleProject(m, "ship", project, source, &error)) << error;

    EXPECT_TRUE(fs::is_regular_file(project));
    EXPECT_EQ(fs::file_size(project), 0u);
    const fs::path base = dir.path / "out" / "ship";
    for (const char* sub : {"3do", "3do/key", "3do/mat", "cog", "jkl", "mat", "misc", "misc/ai", "misc/cmp", "misc/par",
                            "misc/per", "misc/pup", "misc/snd", "misc/spr", "sound"})
        EXPECT_TRUE(fs::is_directory(base / sub)) << sub;

    CModel back;
    ASSERT_TRUE(Load3doFile(base / "3do" / "ship.3do", back, &error)) << error;
    EXPECT_EQ(back.materials, m.materials);
    EXPECT_NE(Get(base / "3do" / "ship.3do").find("# MODEL '" + (base / "3do" / "ship.3do").string() + "'"),
              std::string::npos);
    EXPECT_EQ(Get(base / "misc" / "pup" / "ship.pup"), "pup bytes");
    EXPECT_EQ(Get(base / "3do" / "key" / "kywalk.key"), "walk bytes");
    EXPECT_EQ(Get(base / "3do" / "key" / "evil.key"), "evil bytes");
    EXPECT_FALSE(fs::exists(base / "3do" / "key" / "kyrun.key"));
    EXPECT_FALSE(fs::exists(base / "3do" / "key" / "outside.key"));
    EXPECT_EQ(Get(base / "3do" / "mat" / "hull.mat"), std::string("\x01\x02\x03", 3));
    EXPECT_EQ(std::distance(fs::directory_iterator(base / "3do" / "mat"), fs::directory_iterator()), 1);

    // Exporting again replaces the copies and succeeds.
    Put(source / "ship.pup", "new pup");
    ASSERT_TRUE(ExportBrindleProject(m, "ship", project, source, &error)) << error;
    EXPECT_EQ(Get(base / "misc" / "pup" / "ship.pup"), "new pup");
}

TEST(ExportBrindleProject, ReportsWhatCannotBeCreated)
{
    orvtest::TempDir dir;
    CModel m;
    std::string error;
    EXPECT_FALSE(ExportBrindleProject(m, "a", dir.path / "missing" / "a.brp", dir.path, &error));
    EXPECT_NE(error.find("a.brp"), std::string::npos);

    // A file where the folder should go.
    Put(dir.path / "b", "in the way");
    EXPECT_FALSE(ExportBrindleProject(m, "b", dir.path / "b.brp", dir.path, &error));
    EXPECT_NE(error.find("b"), std::string::npos);
}
