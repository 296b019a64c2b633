// Animations of other tools as KEY keyframes: hand-made glTF and Collada files move the
// nodes they name as their keys say, a keyframe exported to glTF comes back posing the
// model as it did, and bad files are refused with a reason.
#include <gtest/gtest.h>


#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>

#include "anim/playback.h"
#include "base/text.h"
#include "formats/keyfile.h"
#include "formats/model3do.h"
#include "interchange/anim_import.h"
#include "interchange/axes.h"
#include "interchange/interchange.h"
#include "model/fileio.h"
#include "test_util.h"

using namespace orv;
namespace fs = std::filesystem;

namespace {

const fs::path kFixtures = fs::path(ORVANE_SOURCE_DIR) / "tests/fixtures/anim";
const fs::path kSample = fs::path(ORVANE_BINARY_DIR) / "share/orvane/sample";

// A model of bare nodes: (name, parent) in order.
std::unique_ptr<CModel> Nodes(std::initializer_list<std::pair<const char*, int32_t>> nodes)
{
    auto model = std::make_unique<CModel>();
    model->geosets.push_back(CGeometry());
    for (const auto& [name, parent] : nodes) {
        C3doNode n;
        n.name = name;
        n.parent = parent;
        model->nodes.push_back(std::move(n));
    }
    // Child and sibling links from the parents.
    for (std::size_t i = model->nodes.size(); i-- > 0;) {
        const int32_t p = model->nodes[i].parent;
        if (p < 0)
            continue;
        model->nodes[i].sibling = model->nodes[static_cast<std::size_t>(p)].child;
        model->nodes[static_cast<std::size_t>(p)].child = static_cast<int32_t>(i);
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
    std::vector<std::vector<Matrix4>> out;
    for (const auto& n : model.nodes)
        out.push_back(n.poses);
    return out;
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

std::vector<int32_t> EntryFrames(const CKeyframeNode& node)
{
    std::vector<int32_t> out;
    for (const auto& e : node.entries)
        out.push_back(e.frame);
    return out;
}

class AnimImportTest : public ::testing::Test {
protected:
    orvtest::TempDir tmp_;
    const fs::path& dir_ = tmp_.path;
};

// Names the game cannot hold (an accent, two long names alike in their first 31
// characters) are made the same way for the model and its animation: every node moves,
// and both notes say how the names were changed.
TEST_F(AnimImportTest, ModelAndAnimationNameNodesByOneRule)
{
    const fs::path file = kFixtures / "names_accented_and_long.gltf";
    const auto model = ImportModel(file, {});
    ASSERT_TRUE(orvtest::Ok(model));
    std::vector<std::string> names;
    for (const auto& n : model->model->nodes)
        names.push_back(n.name);
    const std::string cut = "left_upper_arm_twist_helper_bon";
    EXPECT_EQ(names, (std::vector<std::string>{"ROOT", "Wurfel", cut, cut.substr(0, 29) + "_2"}));
    EXPECT_TRUE(orvtest::SomeLineHas(model->notes, "'W\xC3\xBCrfel' as 'Wurfel'"));
    EXPECT_TRUE(orvtest::SomeLineHas(model->notes, "_B' as '" + cut.substr(0, 29) + "_2'"));
    const auto animation = ImportAnimation(*model->model, file, {});
    ASSERT_TRUE(orvtest::Ok(animation));
    ASSERT_EQ(animation->keyframe.nodes.size(), 3u);
    EXPECT_TRUE(animation->unmatched.empty());
    EXPECT_TRUE(orvtest::SomeLineHas(animation->notes, "'W\xC3\xBCrfel' moves node 'Wurfel'"));
}

// A turn of one node, written y-up as glTF and z-up as Collada, turns the same way.
TEST_F(AnimImportTest, TurningNodeIsSampledAtFifteenFramesWithTheEntriesItNeeds)
{
    auto model = Nodes({{"head", -1}});
    for (const char* file : {"turn.gltf", "turn_zup.dae"}) {
        SCOPED_TRACE(file);
        const auto imported = ImportAnimation(*model, kFixtures / file, {});
        ASSERT_TRUE(orvtest::Ok(imported));
        const CKeyframe& k = imported->keyframe;
        // The header the game's keyframes have.
        EXPECT_EQ(std::tuple(k.flags, k.type, k.frames, k.fps, k.joints), std::tuple(0u, 0xFFFFu, 16, 15.0f, 1));
        ASSERT_EQ(k.nodes.size(), 1u);
        // Matched without regard to case, named as the model names it.
        EXPECT_EQ(k.nodes[0].meshName, "head");
        // An even turn needs its two ends only.
        EXPECT_EQ(EntryFrames(k.nodes[0]), (std::vector<int32_t>{0, 15}));
        EXPECT_EQ(k.nodes[0].entries[0].flags, 2u);  // the rotation moves
        // Neither reader carries event markers.
        EXPECT_TRUE(k.markers.empty());
        const auto poses = Played(*model, k);
        for (std::size_t f = 0; f < 16; ++f)
            EXPECT_TRUE(SamePose(poses[0][f], PoseOf(About(1, 90.0 * double(f) / 15.0), {}))) << "frame " << f;
    }
    EXPECT_EQ(ImportAnimation(*model, kFixtures / "turn.gltf", {})->animation, "turn");

    // At 30 frames per second the same second has 31 frames.
    AnimationImportOptions fast;
    fast.fps = 30.0f;
    const auto at30 = ImportAnimation(*model, kFixtures / "turn.gltf", fast);
    ASSERT_TRUE(orvtest::Ok(at30));
    EXPECT_EQ(std::pair(at30->keyframe.frames, at30->keyframe.fps), std::pair(31, 30.0f));
}

TEST_F(AnimImportTest, MovingNodeKeepsAnEntryWhereItsMotionChanges)
{
    auto model = Nodes({{"torso", -1}});
    const auto imported = ImportAnimation(*model, kFixtures / "move.gltf", {});
    ASSERT_TRUE(orvtest::Ok(imported));
    const CKeyframe& k = imported->keyframe;
    EXPECT_EQ(k.frames, 31);
    ASSERT_EQ(k.nodes.size(), 1u);
    // Moving for a second, resting for one: the start, the stop, and the last frame (the
    // last entry steps towards the first, which would move it back).
    EXPECT_EQ(EntryFrames(k.nodes[0]), (std::vector<int32_t>{0, 15, 30}));
    EXPECT_EQ(k.nodes[0].entries[0].flags, 1u);
    EXPECT_EQ(k.nodes[0].entries[1].flags, 0u);
    const auto poses = Played(*model, k);
    for (std::size_t f = 0; f < 31; ++f) {
        const float x = 0.3f * std::min(1.0f, float(f) / 15.0f);
        EXPECT_TRUE(SamePose(poses[0][f], PoseOf({0, 0, 0, 1}, {x, 0.1f, 0.0f}))) << "frame " << f;
    }
}

TEST_F(AnimImportTest, ChainMovesEachNodeAgainstItsParentAndReportsNodesTheModelLacks)
{
    auto model = Nodes({{"upper", -1}, {"lower", 0}});
    const auto imported = ImportAnimation(*model, kFixtures / "chain.gltf", {});
    ASSERT_TRUE(orvtest::Ok(imported));
    EXPECT_EQ(imported->animation, "bend");
    EXPECT_EQ(imported->unmatched, (std::vector<std::string>{"tail"}));
    const CKeyframe& k = imported->keyframe;
    ASSERT_EQ(k.nodes.size(), 2u);
    EXPECT_EQ(k.nodes[0].meshName, "upper");
    EXPECT_EQ(k.nodes[1].meshName, "lower");
    EXPECT_EQ(k.joints, 2);
    const auto poses = Played(*model, k);
    for (std::size_t f = 0; f < 16; ++f) {
        const double bend = 60.0 * double(f) / 15.0;
        EXPECT_TRUE(SamePose(poses[0][f], PoseOf(About(0, bend), {0, 1, 0}))) << "frame " << f;
        EXPECT_TRUE(SamePose(poses[1][f], PoseOf(About(0, -bend), {0, -0.5f, 0}))) << "frame " << f;
        // The bends cancel: the lower node keeps its world orientation.
        const Matrix4 lower = World(*model, poses, 1, f);
        Matrix4 upright = PoseOf({0, 0, 0, 1}, {});
        for (int c = 0; c < 3; ++c)
            upright(3, c) = lower(3, c);
        EXPECT_TRUE(SamePose(lower, upright)) << "frame " << f;
    }

    // The second animation moves only the node the model lacks; an unknown name lists
    // the ones there are.
    AnimationImportOptions wag;
    wag.animation = "WAG";
    const auto none = ImportAnimation(*model, kFixtures / "chain.gltf", wag);
    ASSERT_FALSE(none);
    EXPECT_EQ(none.error(), "the animation 'wag' moves none of the model's nodes (it moves 'tail')");
    AnimationImportOptions missing;
    missing.animation = "run";
    const auto unknown = ImportAnimation(*model, kFixtures / "chain.gltf", missing);
    ASSERT_FALSE(unknown);
    EXPECT_EQ(unknown.error(), "the file has no animation named 'run'; it has 'bend', 'wag'");
    const auto names = AnimationNames(kFixtures / "chain.gltf", {});
    ASSERT_TRUE(orvtest::Ok(names));
    EXPECT_EQ(*names, (std::vector<std::string>{"bend", "wag"}));
}

// A node per name of the keyframe, each under the one before (a chain, so that world
// places add up).
std::unique_ptr<CModel> ChainOf(const CKeyframe& key)
{
    auto model = std::make_unique<CModel>();
    model->geosets.push_back(CGeometry());
    for (const auto& k : key.nodes) {
        if (std::any_of(model->nodes.begin(), model->nodes.end(),
                        [&](const auto& n) { return EqualNoCase(n.name, k.meshName); }))
            continue;
        C3doNode n;
        n.name = k.meshName;
        n.parent = static_cast<int32_t>(model->nodes.size()) - 1;
        if (n.parent >= 0)
            model->nodes.back().child = static_cast<int32_t>(model->nodes.size());
        model->nodes.push_back(std::move(n));
    }
    model->RebuildHierarchy();
    return model;
}

// wkwalk.key and wkstand.key on the walker, and a real game model's keyframe (25 nodes,
// two of them "$$$DUMMY", entries at uneven frames, turns across 0 and 360) on a chain of
// its node names, to glTF and back through the KEY text: every node stands where the
// keyframe put it at every frame, with no more entries than the keyframe had.
TEST_F(AnimImportTest, KeyframesSurviveGltfAndBack)
{
    std::vector<fs::path> keys = {kSample / "wkwalk.key", kSample / "wkstand.key"};
    if (const fs::path corpus = orvtest::CorpusDir("key"); !corpus.empty())
        keys.push_back(corpus / "test_vector_no_markers.key");
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
        const fs::path glb = dir_ / "model.glb";
        ASSERT_TRUE(orvtest::Ok(ExportModel(*model, glb, out)));
        const auto imported = ImportAnimation(*model, glb, {});
        ASSERT_TRUE(orvtest::Ok(imported));
        EXPECT_TRUE(imported->unmatched.empty());
        // Through the KEY text, as the game and the editor read it.
        const fs::path back = dir_ / "back.key";
        ASSERT_TRUE(orvtest::Ok(WriteImportedKeyframe(*model, imported->keyframe, back)));
        CModel reader;
        auto read = LoadKeyFile(back, reader);
        ASSERT_TRUE(orvtest::Ok(read));
        EXPECT_TRUE(read->status.complete);
        const CKeyframe& k = read->keyframe;
        EXPECT_EQ(k.frames, original.frames);
        EXPECT_EQ(k.joints, static_cast<int32_t>(model->nodes.size()));
        if (onWalker) {
            ASSERT_EQ(k.nodes.size(), original.nodes.size());
            for (std::size_t i = 0; i < k.nodes.size(); ++i)
                EXPECT_LE(k.nodes[i].entries.size(), original.nodes[i].entries.size()) << k.nodes[i].meshName;
        }
        // Angles from 0 up to 360, as the game's keyframes hold them.
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

// A glTF of one node "head" with the given key times and rotations, written into dir
// with its data beside it.
fs::path TurnGltf(const fs::path& dir, const std::vector<float>& times, const std::vector<Quaternion>& rotations)
{
    std::vector<float> floats = times;
    for (const auto& q : rotations)
        for (const double v : q)
            floats.push_back(static_cast<float>(v));
    const std::string bytes(reinterpret_cast<const char*>(floats.data()), floats.size() * sizeof(float));
    orvtest::Spit(dir / "turn.bin", bytes);
    const auto n = times.size();
    nlohmann::json gltf = {
        {"asset", {{"version", "2.0"}}},
        {"scene", 0},
        {"scenes", {{{"nodes", {0}}}}},
        {"nodes", {{{"name", "head"}}}},
        {"animations",
         {{{"name", "turn"},
           {"channels", {{{"sampler", 0}, {"target", {{"node", 0}, {"path", "rotation"}}}}}},
           {"samplers", {{{"input", 0}, {"output", 1}, {"interpolation", "LINEAR"}}}}}}},
        {"buffers", {{{"byteLength", bytes.size()}, {"uri", "turn.bin"}}}},
        {"bufferViews",
         {{{"buffer", 0}, {"byteOffset", 0}, {"byteLength", n * 4}},
          {{"buffer", 0}, {"byteOffset", n * 4}, {"byteLength", n * 16}}}},
        {"accessors",
         {{{"bufferView", 0},
           {"componentType", 5126},
           {"count", n},
           {"type", "SCALAR"},
           {"min", {times.front()}},
           {"max", {times.back()}}},
          {{"bufferView", 1}, {"componentType", 5126}, {"count", n}, {"type", "VEC4"}}}}};
    orvtest::Spit(dir / "turn.gltf", gltf.dump());
    return dir / "turn.gltf";
}

TEST_F(AnimImportTest, BadFilesAreRefusedWithAReasonAndNothingIsMade)
{
    auto model = Nodes({{"head", -1}});
    auto turn = [&](const std::vector<float>& times, const std::vector<Quaternion>& rotations,
                    const AnimationImportOptions& options = {}) {
        return ImportAnimation(*model, TurnGltf(dir_, times, rotations), options);
    };
    // The generated file is sound: what follows fails for what it changes only.
    const auto sound = turn({0.0f, 1.0f}, {About(1, 0), About(1, 90)});
    ASSERT_TRUE(orvtest::Ok(sound));
    EXPECT_EQ(sound->keyframe.frames, 16);

    // A model without animation.
    const auto still = ImportAnimation(*model, fs::path(ORVANE_SOURCE_DIR) / "tests/fixtures/import/tiny.glb", {});
    ASSERT_FALSE(still);
    EXPECT_EQ(still.error(), "the file holds no animation");
    // A rotation that is not a number.
    const auto nan = turn({0.0f, 1.0f}, {About(1, 0), {NAN, 0, 0, 1}});
    ASSERT_FALSE(nan);
    EXPECT_NE(nan.error().find("not a number"), std::string::npos) << nan.error();
    // Keys a year apart: more frames than a keyframe may have.
    const auto long_ = turn({0.0f, 3.0e7f}, {About(1, 0), About(1, 90)});
    ASSERT_FALSE(long_);
    EXPECT_NE(long_.error().find("more than the 1048576 poses"), std::string::npos) << long_.error();
    // Rates outside what a keyframe plays.
    for (const float fps : {0.0f, -15.0f, 1000.0f, NAN}) {
        AnimationImportOptions options;
        options.fps = fps;
        const auto bad = turn({0.0f, 1.0f}, {About(1, 0), About(1, 90)}, options);
        ASSERT_FALSE(bad);
        EXPECT_EQ(bad.error(), "the frame rate must lie between 1 and 240 frames per second");
    }
}

}  // namespace
