// The check of a whole mod: the sample walker laid out as a mod (folder and archive), and
// one fault of each kind put into it, each found once and nothing else.
#include "resources/modcheck.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <regex>

#include "formats/samplemodel.h"
#include "formats/templates.h"
#include "resources/archive.h"
#include "resources/sample.h"
#include "support/files.h"

using namespace orv;
namespace fs = std::filesystem;
using orvtest::Replaced;

namespace {

using ModFiles = std::map<std::string, std::string>;  // path in the mod ('/') -> bytes

// The walker with its puppet, keyframes, materials and colormap; a puppet of other nodes
// (paired with nothing), and a level whose template pairs the walker with its puppet
// through a template it is based on.
ModFiles CleanMod()
{
    ModFiles mod;
    for (const SampleFile& f : MakeSampleModelFiles()) {
        const std::string folder = f.fileName.ends_with(".3do")   ? "3do/"
                                   : f.fileName.ends_with(".pup") ? "misc/pup/"
                                                                  : "3do/key/";
        mod[folder + f.fileName] = f.text;
    }
    for (const SampleMaterial& m : MakeSampleMaterials())
        if (mod["3do/walker.3do"].find(m.name) != std::string::npos)
            mod["3do/mat/" + m.name] = std::string(m.bytes.begin(), m.bytes.end());
    const auto cmp = MakeSampleColormap();
    mod["misc/cmp/dflt.cmp"] = std::string(cmp.begin(), cmp.end());
    mod["misc/pup/other.pup"] = "Mode=0\r\nstand\tother.key\t0x00\t1\t1\r\n";
    mod["3do/key/other.key"] = std::regex_replace(mod["3do/key/wkstand.key"], std::regex("MESH NAME "), "MESH NAME x_");
    mod["jkl/level.jkl"] = orvtest::FixtureText("jkl", "walker_template_based_on_another.jkl");
    return mod;
}

// The mod as a folder, or as one archive of the same files.
fs::path Lay(const fs::path& root, const ModFiles& mod, bool archive)
{
    if (!archive) {
        for (const auto& [name, bytes] : mod)
            orvtest::Spit(root / "mod" / name, bytes);
        return root / "mod";
    }
    std::vector<ArchiveEntryData> entries;
    for (const auto& [name, bytes] : mod)
        entries.push_back({std::regex_replace(name, std::regex("/"), "\\"), {bytes.begin(), bytes.end()}});
    EXPECT_TRUE(WriteArchive(root / "mod.gob", entries));
    return root / "mod.gob";
}

// The game: its colormap and none of the mod's files.
fs::path Game(const fs::path& root)
{
    const auto cmp = MakeSampleColormap();
    EXPECT_TRUE(WriteArchive(root / "res2.gob", {{"misc\\cmp\\01redmap.cmp", cmp}}));
    return root / "res2.gob";
}

ModCheckReport Check(const fs::path& root, const ModFiles& mod, bool archive, bool game = true)
{
    ModCheckOptions options;
    options.mod = {Lay(root, mod, archive)};
    if (game)
        options.game = {Game(root)};
    auto report = CheckMod(options);
    EXPECT_TRUE(report) << report.error();
    return report ? *report : ModCheckReport{};
}

std::string Lines(const ModCheckReport& r)
{
    std::string s;
    for (const auto& f : r.findings)
        s += f.Line() + "\n";
    return s;
}

}  // namespace

TEST(ModCheck, CleanSampleModHasNoFinding)
{
    for (const bool archive : {false, true}) {
        orvtest::TempDir dir;
        const ModCheckReport r = Check(dir.path, CleanMod(), archive);
        EXPECT_TRUE(r.findings.empty()) << Lines(r);
        EXPECT_EQ(r.models, 1u);
        EXPECT_EQ(r.keyframes, 3u);
        EXPECT_EQ(r.puppets, 2u);
        EXPECT_EQ(r.levels, 1u);
    }
}

TEST(ModCheck, EachFaultFoundOnceAndNothingElse)
{
    struct Fault {
        const char* what;
        std::function<void(ModFiles&)> apply;
        bool game;
        Severity severity;
        const char* file;  // the end of the finding's file
        std::string line;  // the finding's line holds this
    };
    const std::vector<Fault> faults = {
        {"keyframe cut short",
         [](ModFiles& m) { m["3do/key/wkstand.key"].resize(m["3do/key/wkstand.key"].size() / 2); }, true,
         Severity::Error, "wkstand.key", ": error: ends early: "},
        {"model over the limits",
         [](ModFiles& m) {
             m["3do/walker.3do"] = Replaced(m["3do/walker.3do"], "NAME    head", "NAME    " + std::string(40, 'h'));
         },
         true, Severity::Error, "walker.3do",
         ": error: the name \"" + std::string(40, 'h') +
             "\" has 40 characters (at most 31; the game keeps only the first 31), geometry set 0, mesh 1 (hhh"},
        {"damaged index list",
         [](ModFiles& m) {
             m["3do/walker.3do"] =
                 Replaced(m["3do/walker.3do"], "0,  1   4,  3   6,  2   2,  0", "0,  1   4,  3   6,  2   99,  0");
         },
         true, Severity::Error, "walker.3do", ": error: damaged: "},
        {"concave face",
         [](ModFiles& m) { m["3do/shape.3do"] = orvtest::FixtureText("3do", "face_concave_l_shape.3do"); }, true,
         Severity::Warning, "shape.3do",
         ": warning: concave (the engine draws convex faces), geometry set 0, mesh 0 (l), face 0"},
        {"material found nowhere", [](ModFiles& m) { m.erase("3do/mat/wood.mat"); }, true, Severity::Error,
         "walker.3do", ": error: material wood.mat is found neither in the mod nor in the game's resources, line 16"},
        {"material left to the game", [](ModFiles& m) { m.erase("3do/mat/wood.mat"); }, false, Severity::Note,
         "walker.3do", ": note: material wood.mat is not in the mod; left to the game"},
        {"keyframe found nowhere", [](ModFiles& m) { m.erase("3do/key/wkstand.key"); }, true, Severity::Error,
         "walker.pup", ": error: keyframe wkstand.key is found neither in the mod nor in the game's resources, line 5"},
        {"keyframe moves a node the model lacks",
         [](ModFiles& m) {
             m["3do/key/wkwalk.key"] = Replaced(m["3do/key/wkwalk.key"], "MESH NAME larm", "MESH NAME lamr");
         },
         true, Severity::Error, "wkwalk.key",
         ": error: moves nodes walker.3do does not have (it plays it through walker.pup): lamr, node lamr"},
        {"template pairs the model with the wrong puppet",
         [](ModFiles& m) {
             m["jkl/level.jkl"] = Replaced(m["jkl/level.jkl"], "puppet=walker.pup", "puppet=other.pup");
         },
         true, Severity::Error, "level.jkl",
         ": error: template walker pairs walker.3do with other.pup, whose keyframes move nodes the model does not "
         "have: "
         "other.key (x_torso, x_head), line 10"},
        {"template names a model found nowhere",
         [](ModFiles& m) {
             m["jkl/level.jkl"] = Replaced(m["jkl/level.jkl"], "model3d=walker.3do", "model3d=gone.3do");
         },
         true, Severity::Error, "level.jkl", ": error: template _walkerbase: model3d gone.3do is found neither"},
        {"template file names a keyframe found nowhere",
         [](ModFiles& m) { m["misc/extra.tpl"] = "World templates 1\nthing none type=cog keyframe=gone.key\n"; }, true,
         Severity::Error, "extra.tpl",
         ": error: template thing: keyframe gone.key is found neither in the mod nor in the game's resources, line 2"},
        {"material that does not decode", [](ModFiles& m) { m["3do/mat/bricks.mat"].resize(100); }, true,
         Severity::Error, "bricks.mat", ": error: does not decode: "},
        {"colormap cut short", [](ModFiles& m) { m["misc/cmp/dflt.cmp"].resize(1000); }, true, Severity::Error,
         "dflt.cmp", ": error: not a colormap: "},
        {"material no file uses", [](ModFiles& m) { m["mat/spare.mat"] = m["3do/mat/metal.mat"]; }, true,
         Severity::Note, "spare.mat", ": note: no model, template, level or script of the mod uses it"},
    };
    for (const Fault& fault : faults)
        for (const bool archive : {false, true}) {
            SCOPED_TRACE(std::string(fault.what) + (archive ? " (archive)" : " (folder)"));
            orvtest::TempDir dir;
            ModFiles mod = CleanMod();
            fault.apply(mod);
            const ModCheckReport r = Check(dir.path, mod, archive, fault.game);
            ASSERT_EQ(r.findings.size(), 1u) << Lines(r);
            const Finding& f = r.findings[0];
            EXPECT_EQ(f.severity, fault.severity);
            EXPECT_TRUE(f.file.ends_with(std::string(fault.file) + (archive ? ")" : ""))) << f.file;
            EXPECT_NE(f.Line().find(fault.line), std::string::npos) << f.Line();
        }
}

TEST(ModCheck, JsonHoldsTheFindings)
{
    orvtest::TempDir dir;
    ModFiles mod = CleanMod();
    mod["3do/shape.3do"] = orvtest::FixtureText("3do", "face_concave_l_shape.3do");
    mod.erase("3do/key/wkstand.key");
    mod["3do/walker.3do"] = Replaced(mod["3do/walker.3do"], "NAME    head", "NAME    \"" + std::string(40, 'h'));
    const ModCheckReport r = Check(dir.path, mod, false);
    ASSERT_EQ(r.findings.size(), 3u) << Lines(r);
    // Every field of every finding, a name's quote escaped, and the counts.
    orvtest::ExpectSameAsFixture("expected", "modcheck_three_findings.json",
                                 std::regex_replace(ModCheckJson(r), std::regex(dir.path.string()), "<mod>"));
}

TEST(ModCheck, ModThatCannotBeReadFails)
{
    orvtest::TempDir dir;
    orvtest::Spit(dir / "junk.gob", std::string(20, 'x'));
    for (const fs::path& p : {dir / "missing", dir / "junk.gob"}) {
        ModCheckOptions options;
        options.mod = {p};
        EXPECT_FALSE(CheckMod(options)) << p;
    }
}
