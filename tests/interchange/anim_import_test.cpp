#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <ranges>
#include <utility>

#include "anim/playback.h"
#include "base/text.h"
#include "formats/keyfile.h"
#include "formats/model3do.h"
#include "interchange/anim_import.h"
#include "interchange/axes.h"
#include "interchange/interchange.h"
#include "test_util.h"

using namespace orv;
namespace fs = std::filesystem;

namespace {

const fs::path kFixtures = fs::path(ORVANE_SOURCE_DIR) / "tests/fixtures/anim";
const fs::path kSample = fs::path(ORVANE_BINARY_DIR) / "share/orvane/sample";

// A model of bare nodes: (name, parent) in order.
std::unique_ptr<CModel> Nodes(const std::vector<std::pair<std::string, int32_t>>& nodes)
{
    auto model = std::make_unique<CModel>();
    model->geosets.push_back(CGeometry());
    model->nodes.resize(nodes.size());
    // Child and sibling links from the parents, backwards so that siblings keep their order.
    for (std::size_t i = nodes.size(); i-- > 0;) {
        model->nodes[i].name = nodes[i].first;
        if (const int32_t p = nodes[i].second; p >= 0)
            model->nodes[i].sibling = std::exchange(model->nodes[static_cast<std::size_t>(p)].child, int32_t(i));
    }
    model->RebuildHierarchy();
    return model;
}

// Every node's pose at every frame as playback builds it from the keyframe.
std::vector<std::vector<Matrix4>> Played(CModel& model, const CKeyframe& keyframe)
{
    model.keyframe = keyframe;
    model.frameCount = keyframe.frames;
    EXPECT_TRUE(orvtest::Ok(BuildAnimationPoses(model)));
    const auto poses = model.nodes | std::views::transform(&C3doNode::poses);
    return {poses.begin(), poses.end()};
}

// The pose a y-up transform of a file stands for.
Matrix4 PoseOf(const Quaternion& q, const Vec3& yUpTranslation)
{
    return PoseMatrix(AnglesFromYUp(MatrixOf(q)), FromYUp(yUpTranslation));
}

Quaternion About(int axis, double degrees)
{
    Quaternion q{0, 0, 0, std::cos(degrees * M_PI / 360.0)};
    q[static_cast<std::size_t>(axis)] = std::sin(degrees * M_PI / 360.0);
    return q;
}

// Poses agree within the import's tolerances: places within 0.0001, rotations within
// 0.01 degrees of each other.
::testing::AssertionResult SamePose(const Matrix4& a, const Matrix4& b)
{
    double sum = 0.0;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            sum += std::pow(double(a(r, c)) - double(b(r, c)), 2);
    const double degrees = 2.0 * std::asin(std::min(1.0, std::sqrt(sum / 8.0))) * 180.0 / M_PI;
    double place = 0.0;
    for (int c = 0; c < 3; ++c)
        place = std::max(place, std::fabs(double(a(3, c)) - double(b(3, c))));
    if (degrees <= kKeyAngleTolerance && place <= kKeyPositionTolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "rotations " << degrees << " degrees and places " << place << " apart";
}

// A node's world transform from the played poses (row vectors: local, then the parent's).
Matrix4 World(const CModel& model, const std::vector<std::vector<Matrix4>>& poses, std::size_t node, std::size_t frame)
{
    Matrix4 m = poses[node].size() > frame ? poses[node][frame] : poses[node][0];
    for (int32_t p = model.nodes[node].parent; p >= 0; p = model.nodes[static_cast<std::size_t>(p)].parent) {
        const auto& pp = poses[static_cast<std::size_t>(p)];
        m = m * (pp.size() > frame ? pp[frame] : pp[0]);
    }
    return m;
}

// The model a file gives (its 3DO text and the import's notes) and the keyframe its
// animation gives (its KEY text, the notes and the file's nodes the model lacks), as one
// recorded text: every field at once.
TEST(AnimImportTest, ModelsAndTheirAnimationsAsTheGameHoldsThem)
{
    // names: an accent and two long names alike in their first 31 characters are made the
    //   same way for the model and its animation (every node moves), both notes saying how;
    // grow: a morph target and a skin in the model's notes, scale keys and keyed morph
    //   weights in the animation's;
    // arm: a two-bone arm skinned by weights becomes a part on each bone, each face whole
    //   to the bone carrying most of it, the skinned mesh itself gone; the lower part turns
    //   about the elbow. As glTF and as Collada (z up, whose frame its reader puts into the
    //   root node);
    // pitched: a child pitched 16.85 degrees under a parent of unequal scale keeps its own
    //   angles, at rest in the model and in every frame of its keyframe (back to 0 at frame
    //   15); its parent's scale goes into its vertices.
    for (const char* name : {"names_accented_and_long.gltf", "grow_scale_and_morph.gltf", "arm_two_bones_skinned.gltf",
                             "arm_two_bones_skinned_zup.dae", "pitch_under_stretched_parent.gltf"}) {
        SCOPED_TRACE(name);
        const auto imported = ImportModel(kFixtures / name, {});
        ASSERT_TRUE(orvtest::Ok(imported));
        std::string text = Format3do(*imported->model, name);
        const auto animation = ImportAnimation(*imported->model, kFixtures / name, {});
        ASSERT_TRUE(orvtest::Ok(animation));
        text += FormatKey(animation->keyframe, animation->keyframe.joints, name);
        for (const auto& [what, lines] : {std::pair{"model", imported->notes},
                                          {"animation", animation->notes},
                                          {"not in the model", animation->unmatched}})
            for (const std::string& line : lines)
                text += std::string("# ") + what + ": " + line + "\r\n";
        orvtest::ExpectSameAsFixture("expected", std::string("import_") + name + ".txt", text);
    }
}

// One node turned (written y-up as glTF and z-up as Collada, the same way) or moved: the
// keyframe at 15 frames a second keeps an entry where the motion changes course (a move
// also the last frame, whose entry steps towards the first) and spans the whole clip from
// its time 0 to its end: keyed from 0.5 s to 1.53 s, its 24 frames spread evenly over the
// clip, still until 0.5 s; keyed from -0.5 s to 1 s, a second long, frame 0 a third of the
// way round.
TEST(AnimImportTest, OneNodeIsSampledAtFifteenFramesWithTheEntriesItNeeds)
{
    for (const auto& [file, node] : {std::pair{"turn.gltf", "head"},
                                     {"turn_zup.dae", "head"},
                                     {"move.gltf", "torso"},
                                     {"turn_late_uneven_end.gltf", "head"},
                                     {"turn_zup_keys_before_start.dae", "head"}}) {
        SCOPED_TRACE(file);
        auto model = Nodes({{node, -1}});
        const auto imported = ImportAnimation(*model, kFixtures / file, {});
        ASSERT_TRUE(orvtest::Ok(imported));
        const CKeyframe& k = imported->keyframe;
        std::string text = FormatKey(k, k.joints, file);
        for (const std::string& line : imported->notes)
            text += "# note: " + line + "\r\n";
        orvtest::ExpectSameAsFixture("expected", std::string("import_") + file + ".key", text);
    }
}

TEST(AnimImportTest, ChainMovesEachNodeAgainstItsParentAndReportsNodesTheModelLacks)
{
    auto model = Nodes({{"upper", -1}, {"lower", 0}});
    const auto imported = ImportAnimation(*model, kFixtures / "chain.gltf", {});
    ASSERT_TRUE(orvtest::Ok(imported));
    EXPECT_EQ(imported->animation, "bend");
    EXPECT_EQ(imported->unmatched, (std::vector<std::string>{"tail"}));
    const CKeyframe& k = imported->keyframe;
    orvtest::ExpectSameAsFixture("expected", "import_chain.gltf.key", FormatKey(k, k.joints, "chain.gltf"));
    // The second animation moves only the node the model lacks.
    AnimationImportOptions wag;
    wag.animation = "WAG";
    EXPECT_EQ(ImportAnimation(*model, kFixtures / "chain.gltf", wag).error(),
              "the animation 'wag' moves none of the model's nodes (it moves 'tail')");
    AnimationImportOptions missing;
    missing.animation = "run";
    EXPECT_EQ(ImportAnimation(*model, kFixtures / "chain.gltf", missing).error(),
              "the file has no animation named 'run'; it has 'bend', 'wag'");
    EXPECT_EQ(AnimationNames(kFixtures / "chain.gltf", {}).value_or({}), (std::vector<std::string>{"bend", "wag"}));
}

// A spline eases in and out, and its tangents bend a turn; a step holds until its next key.
TEST(AnimImportTest, CurvesPlayAsTheirInterpolationSays)
{
    auto model = Nodes({{"head", -1}, {"torso", -1}});
    AnimationImportOptions at30;
    at30.fps = 30.0f;
    const auto imported = ImportAnimation(*model, kFixtures / "ease_cubic_and_step.gltf", at30);
    ASSERT_TRUE(orvtest::Ok(imported));
    ASSERT_EQ(std::pair(imported->keyframe.frames, imported->keyframe.fps), std::pair(61, 30.0f));
    const auto poses = Played(*model, imported->keyframe);
    // The turn's spline at its middle, a second in: y and w of its quaternion (the
    // tangent scaled by the two seconds between the keys), then made unit length.
    const double halfway = 2.0 * std::atan2(0.25 + std::sqrt(0.5) / 2, 0.5 + std::sqrt(0.5) / 2) * 180.0 / M_PI;
    for (std::size_t f = 0; f < 61; ++f) {
        const double s = std::min(1.0, double(f) / 30.0);
        const Matrix4 eased = PoseOf({0, 0, 0, 1}, {static_cast<float>(3 * s * s - 2 * s * s * s), 0, 0});
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(poses[0][f](3, c), eased(3, c), kKeyPositionTolerance) << "frame " << f;
        EXPECT_TRUE(SamePose(poses[1][f], PoseOf({0, 0, 0, 1}, {0, f >= 15 && f < 30 ? 0.5f : 0.0f, 0})))
            << "frame " << f;
    }
    EXPECT_TRUE(SamePose(poses[0][30], PoseOf(About(1, halfway), {1, 0, 0})));
    EXPECT_TRUE(SamePose(poses[0][60], PoseOf(About(1, 90), {1, 0, 0})));
}

// A node per name of the keyframe, each under the one before (a chain, so that world
// places add up).
std::unique_ptr<CModel> ChainOf(const CKeyframe& key)
{
    std::vector<std::pair<std::string, int32_t>> chain;
    for (const auto& k : key.nodes)
        if (std::none_of(chain.begin(), chain.end(), [&](const auto& n) { return EqualNoCase(n.first, k.meshName); }))
            chain.emplace_back(k.meshName, static_cast<int32_t>(chain.size()) - 1);
    return Nodes(chain);
}

// A real game keyframe (two nodes "$$$DUMMY", entries at uneven frames, turns across 0 and
// 360) on a chain of its node names, and the walker's: every node stands where it stood.
TEST(AnimImportTest, KeyframesSurviveGltfAndBack)
{
    std::vector<fs::path> keys = {kSample / "wkwalk.key", kSample / "wkstand.key"};
    if (const fs::path corpus = orvtest::CorpusDir("key"); !corpus.empty())
        keys.push_back(corpus / "test_vector_no_markers.key");
    orvtest::TempDir dir;
    for (const fs::path& keyPath : keys) {
        SCOPED_TRACE(keyPath.filename().string());
        auto model = std::make_unique<CModel>();
        const bool onWalker = keyPath.parent_path() == kSample;
        if (onWalker) {
            ASSERT_TRUE(orvtest::Ok(Load3doFile(kSample / "walker.3do", *model)));
        }
        auto key = LoadKeyFile(keyPath, *model);
        ASSERT_TRUE(orvtest::Ok(key));
        const CKeyframe& original = key->keyframe;
        if (!onWalker)
            model = ChainOf(original);
        ExportOptions out;
        out.keyframe = &original;
        const fs::path glb = dir / "model.glb";
        ASSERT_TRUE(orvtest::Ok(ExportModel(*model, glb, out)));
        const auto imported = ImportAnimation(*model, glb, {});
        ASSERT_TRUE(orvtest::Ok(imported));
        EXPECT_TRUE(imported->unmatched.empty());
        const fs::path back = dir / "back.key";
        ASSERT_TRUE(orvtest::Ok(WriteImportedKeyframe(*model, imported->keyframe, back)));
        CModel reader;
        auto read = LoadKeyFile(back, reader);
        ASSERT_TRUE(orvtest::Ok(read));
        const CKeyframe& k = read->keyframe;
        EXPECT_EQ(k.frames, original.frames);
        EXPECT_EQ(k.joints, static_cast<int32_t>(model->nodes.size()));
        const auto expected = Played(*model, original);
        const auto got = Played(*model, k);
        for (std::size_t n = 0; n < model->nodes.size(); ++n)
            for (std::size_t f = 0; f < static_cast<std::size_t>(k.frames); ++f)
                EXPECT_TRUE(SamePose(World(*model, got, n, f), World(*model, expected, n, f)))
                    << model->nodes[n].name << " at frame " << f;
    }
}

TEST(AnimImportTest, BadFilesAreRefusedWithAReasonAndNothingIsMade)
{
    auto model = Nodes({{"head", -1}});
    auto error = [&](const fs::path& file, const AnimationImportOptions& options = {}) {
        return ImportAnimation(*model, file, options).error();
    };
    EXPECT_EQ(error(orvtest::Fixture("import", "tiny.glb")), "the file holds no animation");
    EXPECT_NE(error(kFixtures / "turn_nan_key.gltf").find("not a number"), std::string::npos);
    EXPECT_NE(error(kFixtures / "turn_year_long.gltf").find("more than the 1048576 poses"), std::string::npos);
    for (const float fps : {0.0f, -15.0f, 1000.0f, NAN}) {
        AnimationImportOptions options;
        options.fps = fps;
        EXPECT_EQ(error(kFixtures / "turn.gltf", options), "the frame rate must lie between 1 and 240 frames per second");
    }
}

}  // namespace
