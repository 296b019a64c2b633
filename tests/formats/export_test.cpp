#include <gtest/gtest.h>

#include "formats/model3do.h"
#include "formats/resource_tree.h"
#include "model/model.h"
#include "test_util.h"

using namespace orv;
using orvtest::Bytes;
using orvtest::Slurp;
using orvtest::Spit;
namespace fs = std::filesystem;

TEST(ExportBrindleProject, BuildsTheResourceTreeWithSafeNames)
{
    orvtest::TempDir dir;
    const fs::path source = dir / "program";
    Spit(source / "ship.pup", Bytes("pup bytes"));
    Spit(source / "KyWalk.KEY", Bytes("walk bytes"));  // found whatever the case
    Spit(source / "evil.key", Bytes("evil bytes"));
    Spit(dir / "outside.key", Bytes("must not be read"));

    CModel m;
    m.materials = {"hull.mat"};
    m.puppetModes.push_back(CPuppetMode());
    // Missing files are skipped silently; of unsafe names only the file name is used.
    for (const char* key : {"kywalk.key", "kyrun.key", "..\\..\\evil.key", "../outside.key"})
        m.puppetModes[0].items.emplace_back(CPuppetItem()).keyFile = key;
    orvtest::AddItem(m.customMaterials, "hull.mat", {1, 2, 3});
    orvtest::AddItem(m.customMaterials, "..", {9});

    const fs::path project = dir / "out" / "ship.brp";
    fs::create_directories(project.parent_path());
    ASSERT_TRUE(orvtest::Ok(ExportBrindleProject(m, "ship", project, source)));
    EXPECT_EQ(fs::file_size(project), 0u);
    const fs::path base = dir / "out" / "ship";
    for (const char* sub : {"3do", "3do/key", "3do/mat", "cog", "jkl", "mat", "misc", "misc/ai", "misc/cmp", "misc/par",
                            "misc/per", "misc/pup", "misc/snd", "misc/spr", "sound"})
        EXPECT_TRUE(fs::is_directory(base / sub)) << sub;

    CModel back;
    ASSERT_TRUE(orvtest::Ok(Load3doFile(base / "3do" / "ship.3do", back)));
    EXPECT_EQ(back.materials, m.materials);
    const auto text = Slurp(base / "3do" / "ship.3do");
    EXPECT_EQ(std::string(text.begin(), text.end()).rfind("# MODEL 'ship.3do' created with ", 0), 0u);
    EXPECT_EQ(Slurp(base / "misc" / "pup" / "ship.pup"), Bytes("pup bytes"));
    EXPECT_EQ(Slurp(base / "3do" / "key" / "kywalk.key"), Bytes("walk bytes"));
    EXPECT_EQ(Slurp(base / "3do" / "key" / "evil.key"), Bytes("evil bytes"));
    EXPECT_EQ(orvtest::CountFiles(base / "3do" / "key"), 2u);
    EXPECT_EQ(Slurp(base / "3do" / "mat" / "hull.mat"), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(orvtest::CountFiles(base / "3do" / "mat"), 1u);

    // Exporting again replaces the copies and succeeds.
    Spit(source / "ship.pup", Bytes("new pup"));
    ASSERT_TRUE(orvtest::Ok(ExportBrindleProject(m, "ship", project, source)));
    EXPECT_EQ(Slurp(base / "misc" / "pup" / "ship.pup"), Bytes("new pup"));
}

TEST(ExportBrindleProject, ReportsWhatCannotBeCreated)
{
    orvtest::TempDir dir;
    CModel m;
    // A failure's message (which a success lacks) names the file.
    EXPECT_NE(ExportBrindleProject(m, "a", dir / "missing" / "a.brp", dir.path).error().find("a.brp"),
              std::string::npos);
    // A file where the folder should go.
    Spit(dir / "b", Bytes("in the way"));
    EXPECT_NE(ExportBrindleProject(m, "b", dir / "b.brp", dir.path).error(), "");
}
