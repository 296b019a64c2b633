#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <ranges>
#include <utility>

#include "anim/playback.h"
#include "base/text.h"
#include "formats/keyfile.h"
#include "formats/model3do.h"
#include "interchange/anim_import.h"
#include "interchange/axes.h"
#include "interchange/interchange.h"
#include "model/fileio.h"
#include "model/pose.h"
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

// Names the game cannot hold (an accent, two long names alike in their first 31
// characters) are made the same way for the model and its animation: every node moves,
// and both notes say how the names were changed.
TEST(AnimImportTest, ModelAndAnimationNameNodesByOneRule)
{
    const fs::path file = kFixtures / "names_accented_and_long.gltf";
    const auto model = ImportModel(file, {});
    ASSERT_TRUE(orvtest::Ok(model));
    const auto names = model->model->nodes | std::views::transform(&C3doNode::name);
    const std::string cut = "left_upper_arm_twist_helper_bon";
    EXPECT_EQ(std::vector<std::string>(names.begin(), names.end()),
              (std::vector<std::string>{"ROOT", "Wurfel", cut, cut.substr(0, 29) + "_2"}));
    EXPECT_TRUE(orvtest::SomeLineHas(model->notes, "'W\xC3\xBCrfel' as 'Wurfel'"));
    EXPECT_TRUE(orvtest::SomeLineHas(model->notes, "_B' as '" + cut.substr(0, 29) + "_2'"));
    const auto animation = ImportAnimation(*model->model, file, {});
    ASSERT_TRUE(orvtest::Ok(animation));
    ASSERT_EQ(animation->keyframe.nodes.size(), 3u);
    EXPECT_TRUE(animation->unmatched.empty());
    EXPECT_TRUE(orvtest::SomeLineHas(animation->notes, "'W\xC3\xBCrfel' moves node 'Wurfel'"));
}

// What the game cannot hold is named: a morph target and a skin in the model's notes,
// scale keys and keyed morph weights in the animation's.
TEST(AnimImportTest, WhatTheGameCannotHoldIsNamed)
{
    const fs::path grow = kFixtures / "grow_scale_and_morph.gltf";
    const auto model = ImportModel(grow, {});
    ASSERT_TRUE(orvtest::Ok(model));
    EXPECT_TRUE(orvtest::SomeLineHas(model->notes, "its morph targets (1) are left out"));
    const auto animation = ImportAnimation(*model->model, grow, {});
    ASSERT_TRUE(orvtest::Ok(animation));
    EXPECT_TRUE(orvtest::SomeLineHas(animation->notes, "node 'cone': its scale keys are left out"));
    EXPECT_TRUE(orvtest::SomeLineHas(animation->notes, "keys morph target weights or mesh vertices: left out"));
}

// A two-bone arm skinned by weights becomes a part on each bone, each face whole to the
// bone carrying most of it: at rest the parts stand where the skin stands, and as the
// lower bone turns its part turns about the elbow while the upper one stays. The same arm
// as glTF and as Collada (z up, whose frame its reader puts into the root node).
TEST(AnimImportTest, ASkinnedArmBecomesPartsThatBendAtTheElbow)
{
    for (const char* name : {"arm_two_bones_skinned.gltf", "arm_two_bones_skinned_zup.dae"}) {
        SCOPED_TRACE(name);
        const fs::path file = kFixtures / name;
        const auto imported = ImportModel(file, {});
        ASSERT_TRUE(orvtest::Ok(imported));
        EXPECT_TRUE(orvtest::SomeLineHas(imported->notes, "mesh 'ArmMesh': its skin's weights became whole parts"));
        EXPECT_TRUE(orvtest::SomeLineHas(imported->notes, "(faces per bone: 'upper' 8, 'lower' 8)"));
        CModel& model = *imported->model;
        EXPECT_EQ(model.geosets[0].meshes.size(), 2u);  // the skinned mesh itself is gone
        const auto animation = ImportAnimation(model, file, {});
        ASSERT_TRUE(orvtest::Ok(animation));
        Played(model, animation->keyframe);
        // Each part's vertices in the file's axes at a frame.
        auto partAt = [&](const std::string& bone, int32_t frame) {
            model.currentFrame = frame;
            PlaceNodes(model);
            std::vector<Vec3> out;
            for (const auto& n : model.nodes)
                if (n.name == bone && n.mesh >= 0)
                    for (const VertexRecord& v : model.geosets[0].meshes[static_cast<std::size_t>(n.mesh)].vertices)
                        out.push_back(ToYUp(
                            TransformPoint({v.x, v.y, v.z}, model.meshMatrices[static_cast<std::size_t>(n.mesh)])));
            return out;
        };
        const std::vector<Vec3> upper = partAt("upper", 0), lower = partAt("lower", 0);
        ASSERT_EQ(std::pair(upper.size(), lower.size()), std::pair(std::size_t{8}, std::size_t{8}));
        for (const Vec3& p : upper)
            EXPECT_TRUE(std::fabs(p.y) < 1e-5f || std::fabs(p.y - 1) < 1e-5f) << p.y;  // the lower rings
        for (const Vec3& p : lower)
            EXPECT_TRUE(std::fabs(p.y - 1) < 1e-5f || std::fabs(p.y - 2) < 1e-5f) << p.y;  // the upper rings
        for (const int32_t f : {7, 15}) {
            const double turn = M_PI / 2 * f / 15;
            const auto still = partAt("upper", f), bent = partAt("lower", f);
            for (std::size_t i = 0; i < 8; ++i) {
                const Vec3 arm = lower[i] - Vec3(0, 1, 0);  // from the elbow
                const Vec3 expected(static_cast<float>(arm.x * std::cos(turn) - arm.y * std::sin(turn)),
                                    static_cast<float>(1 + arm.x * std::sin(turn) + arm.y * std::cos(turn)), arm.z);
                EXPECT_LT(Length(bent[i] - expected), kKeyPositionTolerance) << "frame " << f << ", vertex " << i;
                EXPECT_LT(Length(still[i] - upper[i]), kKeyPositionTolerance) << "frame " << f << ", vertex " << i;
            }
        }
    }
}

// One node turned (written y-up as glTF and z-up as Collada, the same way) or moved: the
// keyframe at 15 frames a second keeps an entry where the motion changes course (a move
// also the last frame, whose entry steps towards the first) and plays as the file does,
// over the whole clip from its time 0 to its end.
TEST(AnimImportTest, OneNodeIsSampledAtFifteenFramesWithTheEntriesItNeeds)
{
    const auto turn = [](double f) { return PoseOf(About(1, 90.0 * f / 15.0), {}); };
    const auto move = [](double f) { return PoseOf({0, 0, 0, 1}, {0.3f * float(std::min(1.0, f / 15.0)), 0.1f, 0}); };
    // Keyed from 0.5 s to 1.53 s: its 24 frames spread evenly over the clip, still until
    // 0.5 s, the last turned whole.
    const auto late = [](double f) {
        return PoseOf(About(1, 90 * std::clamp((1.53 * f / 23 - 0.5) / 1.03, 0.0, 1.0)), {});
    };
    // Keyed from -0.5 s to 1 s: a second long, frame 0 a third of the way round.
    const auto early = [](double f) { return PoseOf(About(1, 30.0 + 4.0 * f), {}); };
    const std::tuple<const char*, const char*, std::function<Matrix4(double)>> clips[] = {
        {"turn.gltf", "head", turn},
        {"turn_zup.dae", "head", turn},
        {"move.gltf", "torso", move},
        {"turn_late_uneven_end.gltf", "head", late},
        {"turn_zup_keys_before_start.dae", "head", early}};
    for (const auto& [file, node, pose] : clips) {
        SCOPED_TRACE(file);
        auto model = Nodes({{node, -1}});
        const auto imported = ImportAnimation(*model, kFixtures / file, {});
        ASSERT_TRUE(orvtest::Ok(imported));
        const CKeyframe& k = imported->keyframe;
        orvtest::ExpectSameAsFixture("expected", std::string("import_") + file + ".key", FormatKey(k, k.joints, file));
        const auto poses = Played(*model, k);
        for (std::size_t f = 0; f < static_cast<std::size_t>(k.frames); ++f)
            EXPECT_TRUE(SamePose(poses[0][f], pose(double(f)))) << "frame " << f;
    }
    auto model = Nodes({{"head", -1}});
    EXPECT_EQ(ImportAnimation(*model, kFixtures / "turn.gltf", {})->animation, "turn");
    EXPECT_TRUE(orvtest::SomeLineHas(ImportAnimation(*model, kFixtures / "turn_zup_keys_before_start.dae", {})->notes,
                                     "keys before its start (from -0.5 s): left out"));
    AnimationImportOptions fast;
    fast.fps = 30.0f;
    const auto at30 = ImportAnimation(*model, kFixtures / "turn.gltf", fast);
    ASSERT_TRUE(orvtest::Ok(at30));
    EXPECT_EQ(std::pair(at30->keyframe.frames, at30->keyframe.fps), std::pair(31, 30.0f));
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
    const auto poses = Played(*model, k);
    for (std::size_t f = 0; f < 16; ++f) {
        const double bend = 60.0 * double(f) / 15.0;
        EXPECT_TRUE(SamePose(poses[0][f], PoseOf(About(0, bend), {0, 1, 0}))) << "frame " << f;
        EXPECT_TRUE(SamePose(poses[1][f], PoseOf(About(0, -bend), {0, -0.5f, 0}))) << "frame " << f;
    }
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

// A child pitched under a parent of unequal scale keeps its own angles, at rest in the
// model and in every frame of its keyframe; its parent's scale goes into its vertices.
TEST(AnimImportTest, ChildOfAStretchedParentKeepsItsOwnAngles)
{
    const fs::path file = kFixtures / "pitch_under_stretched_parent.gltf";
    const auto imported = ImportModel(file, {});
    ASSERT_TRUE(orvtest::Ok(imported));
    CModel& model = *imported->model;
    ASSERT_EQ(model.nodes.size(), 2u);
    const Matrix4 rest = PoseOf(About(0, 16.85), {0, 0, 2});
    EXPECT_TRUE(SamePose(PoseMatrix(model.nodes[1].rotation, model.nodes[1].position), rest));
    const auto animation = ImportAnimation(model, file, {});
    ASSERT_TRUE(orvtest::Ok(animation));
    const auto poses = Played(model, animation->keyframe);
    for (std::size_t f = 0; f < 16; ++f)
        EXPECT_TRUE(SamePose(poses[1][f], PoseOf(About(0, 16.85 * double(15 - f) / 15.0), {0, 0, 2})))
            << "frame " << f;
}

// A spline eases in and out, and its tangents bend a turn; a step holds until its next key.
TEST(AnimImportTest, CurvesPlayAsTheirInterpolationSays)
{
    auto model = Nodes({{"head", -1}, {"torso", -1}});
    AnimationImportOptions at30;
    at30.fps = 30.0f;
    const auto imported = ImportAnimation(*model, kFixtures / "ease_cubic_and_step.gltf", at30);
    ASSERT_TRUE(orvtest::Ok(imported));
    ASSERT_EQ(imported->keyframe.frames, 61);
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
        if (onWalker) {
            ASSERT_EQ(k.nodes.size(), original.nodes.size());
            for (std::size_t i = 0; i < k.nodes.size(); ++i)
                EXPECT_LE(k.nodes[i].entries.size(), original.nodes[i].entries.size()) << k.nodes[i].meshName;
        }
        for (const auto& node : k.nodes)
            for (const auto& e : node.entries)
                for (const float a : {e.rotation.x, e.rotation.y, e.rotation.z})
                    EXPECT_TRUE(a >= 0.0f && a < 360.0f) << node.meshName << " frame " << e.frame << ": " << a;
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
