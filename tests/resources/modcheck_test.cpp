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

// The clean mod, then each fault alone, in a folder and in an archive: the report's lines
// (severity, file, text and place) against the recorded ones.
TEST(ModCheck, EachFaultFoundOnceAndNothingElse)
{
    struct Fault {
        const char* what;
        std::function<void(ModFiles&)> apply;
        bool game = true;
    };
    const std::vector<Fault> faults = {
        {"nothing", [](ModFiles&) {}},
        {"keyframe cut short",
         [](ModFiles& m) { m["3do/key/wkstand.key"].resize(m["3do/key/wkstand.key"].size() / 2); }},
        {"model over the limits",
         [](ModFiles& m) {
             m["3do/walker.3do"] = Replaced(m["3do/walker.3do"], "NAME    head", "NAME    " + std::string(40, 'h'));
         }},
        {"damaged index list",
         [](ModFiles& m) {
             m["3do/walker.3do"] =
                 Replaced(m["3do/walker.3do"], "0,  1   4,  3   6,  2   2,  0", "0,  1   4,  3   6,  2   99,  0");
         }},
        {"concave face",
         [](ModFiles& m) { m["3do/shape.3do"] = orvtest::FixtureText("3do", "face_concave_l_shape.3do"); }},
        {"material found nowhere", [](ModFiles& m) { m.erase("3do/mat/wood.mat"); }},
        {"material left to the game", [](ModFiles& m) { m.erase("3do/mat/wood.mat"); }, false},
        {"keyframe found nowhere", [](ModFiles& m) { m.erase("3do/key/wkstand.key"); }},
        {"keyframe moves a node the model lacks",
         [](ModFiles& m) {
             m["3do/key/wkwalk.key"] = Replaced(m["3do/key/wkwalk.key"], "MESH NAME larm", "MESH NAME lamr");
         }},
        {"template pairs the model with the wrong puppet",
         [](ModFiles& m) {
             m["jkl/level.jkl"] = Replaced(m["jkl/level.jkl"], "puppet=walker.pup", "puppet=other.pup");
         }},
        {"template names a model found nowhere",
         [](ModFiles& m) {
             m["jkl/level.jkl"] = Replaced(m["jkl/level.jkl"], "model3d=walker.3do", "model3d=gone.3do");
         }},
        {"template file names a keyframe found nowhere",
         [](ModFiles& m) { m["misc/extra.tpl"] = "World templates 1\nthing none type=cog keyframe=gone.key\n"; }},
        {"material that does not decode", [](ModFiles& m) { m["3do/mat/bricks.mat"].resize(100); }},
        {"colormap cut short", [](ModFiles& m) { m["misc/cmp/dflt.cmp"].resize(1000); }},
        {"material no file uses", [](ModFiles& m) { m["mat/spare.mat"] = m["3do/mat/metal.mat"]; }},
    };
    std::string found;
    for (const Fault& fault : faults)
        for (const bool archive : {false, true}) {
            orvtest::TempDir dir;
            ModFiles mod = CleanMod();
            fault.apply(mod);
            const ModCheckReport r = Check(dir.path, mod, archive, fault.game);
            found += "## " + std::string(fault.what) + (archive ? " (archive), " : " (folder), ") +
                     std::to_string(r.models) + " models, " + std::to_string(r.keyframes) + " keyframes, " +
                     std::to_string(r.puppets) + " puppets, " + std::to_string(r.levels) + " levels\n" +
                     std::regex_replace(Lines(r), std::regex(dir.path.string()), "<dir>");
        }
    orvtest::ExpectSameAsFixture("expected", "modcheck_findings.txt", found);
}

TEST(ModCheck, JsonHoldsTheFindings)
{
    orvtest::TempDir dir;
    ModFiles mod = CleanMod();
    mod["3do/shape.3do"] = orvtest::FixtureText("3do", "face_concave_l_shape.3do");
    mod.erase("3do/key/wkstand.key");
    mod["3do/walker.3do"] = Replaced(mod["3do/walker.3do"], "NAME    head", "NAME    \"" + std::string(40, 'h'));
    const ModCheckReport r = Check(dir.path, mod, false);
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
