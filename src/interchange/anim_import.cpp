// Animation import: a file's animation sampled into a KEY keyframe of a model.
#include "interchange/anim_import.h"

#include <assimp/anim.h>
#include <assimp/scene.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <unordered_map>

#include "anim/anim_files.h"
#include "anim/playback.h"
#include "base/text.h"
#include "formats/keyfile.h"
#include "interchange/affine.h"
#include "interchange/axes.h"
#include "interchange/game_extras.h"
#include "interchange/scene_read.h"
#include "model/fileio.h"
#include "model/limits.h"

namespace orv {

namespace fs = std::filesystem;

namespace {

// Node placements (a node's transform at a frame) sampling may take: a second or two.
constexpr double kMaxPlacements = double(1 << 24);

// The value of a key list at time t: held before the first and after the last key,
// linear (spherical for rotations) in between. Keys are in time order (the reader's
// validation sees to it).
template <typename Key, typename Lerp>
auto ValueAt(const Key* keys, unsigned count, double t, Lerp lerp)
{
    const Key* end = keys + count;
    const Key* next = std::upper_bound(keys, end, t, [](double time, const Key& k) { return time < k.mTime; });
    if (next == keys)
        return keys[0].mValue;
    if (next == end)
        return end[-1].mValue;
    const Key& prev = next[-1];
    const double span = next->mTime - prev.mTime;
    const double f = span > 0.0 ? (t - prev.mTime) / span : 0.0;
    return lerp(prev.mValue, next->mValue, static_cast<ai_real>(f));
}

// A node's steps and splines (translation, rotation, scale), where its file has them.
using NodeCurves = std::array<const KeyCurve*, 3>;

// The channel's transform at time t; ticks: the animation's ticks per second (the curves
// count seconds).
Affine ChannelAt(const aiNodeAnim& c, const NodeCurves& curves, const aiMatrix4x4& rest, double t, double ticks)
{
    aiVector3D restScale, restPosition;
    aiQuaternion restRotation;
    rest.Decompose(restScale, restRotation, restPosition);
    auto lerp = [](const aiVector3D& a, const aiVector3D& b, ai_real f) { return a + (b - a) * f; };
    auto vector = [&](const KeyCurve& curve) {
        const auto v = CurveAt(curve, t / ticks);
        return aiVector3D(static_cast<ai_real>(v[0]), static_cast<ai_real>(v[1]), static_cast<ai_real>(v[2]));
    };
    const auto [moves, turns, scales] = curves;
    const aiVector3D position = moves              ? vector(*moves)
                                : c.mNumPositionKeys ? ValueAt(c.mPositionKeys, c.mNumPositionKeys, t, lerp)
                                                     : restPosition;
    const aiVector3D scale = scales              ? vector(*scales)
                             : c.mNumScalingKeys ? ValueAt(c.mScalingKeys, c.mNumScalingKeys, t, lerp)
                                                 : restScale;
    aiQuaternion rotation = restRotation;
    if (turns) {
        const auto q = CurveAt(*turns, t / ticks);
        rotation = aiQuaternion(static_cast<ai_real>(q[3]), static_cast<ai_real>(q[0]), static_cast<ai_real>(q[1]),
                                static_cast<ai_real>(q[2]));
    } else if (c.mNumRotationKeys)
        rotation = ValueAt(c.mRotationKeys, c.mNumRotationKeys, t,
                           [](const aiQuaternion& a, const aiQuaternion& b, ai_real f) {
                               aiQuaternion out;
                               aiQuaternion::Interpolate(out, a, b, f);
                               return out;
                           });
    rotation.Normalize();
    const aiMatrix4x4 m(scale, rotation, position);
    return FromAssimp(m);
}

bool Finite(const aiVector3D& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }
bool Finite(const aiQuaternion& q)
{
    return std::isfinite(q.x) && std::isfinite(q.y) && std::isfinite(q.z) && std::isfinite(q.w) &&
           q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w > 1e-12f;
}

template <typename Key>
bool KeysFinite(const Key* keys, unsigned count)
{
    for (unsigned i = 0; i < count; ++i)
        if (!std::isfinite(keys[i].mTime) || !Finite(keys[i].mValue))
            return false;
    return true;
}

// Degrees in 0 .. 360, as the game's keyframes hold them (the interpolation between two
// entries never passes 180 then, which is the rule the game interpolates by).
float Normalized(float degrees)
{
    float v = std::fmod(degrees, 360.0f);
    if (v < 0.0f)
        v += 360.0f;
    if (v >= 360.0f)
        v = 0.0f;
    return v + 0.0f;
}

// A value as the KEY text gives it back (eight decimals).
float AsWritten(float v)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.8f", static_cast<double>(v));
    return std::strtof(text, nullptr) + 0.0f;
}

struct Sample {
    Vec3 position;
    Vec3 angles;
    Matrix4 pose;
};

// Whether two poses agree within half the tolerances (the other half is left for the
// eight decimals the KEY text keeps of values and deltas).
bool Close(const Matrix4& a, const Matrix4& b)
{
    for (int c = 0; c < 3; ++c)
        if (std::fabs(double(a(3, c)) - double(b(3, c))) > kKeyPositionTolerance / 2)
            return false;
    double sum = 0.0;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
            const double d = double(a(r, c)) - double(b(r, c));
            sum += d * d;
        }
    // |A - B| = 2 √2 sin(θ / 2) for rotations θ apart.
    const double angle = 2.0 * std::asin(std::min(1.0, std::sqrt(sum) / (2.0 * std::sqrt(2.0)))) * 180.0 / M_PI;
    return angle <= kKeyAngleTolerance / 2;
}

// Whether an entry at frame a with the sampled values, stepping towards `target` reached
// span frames later, poses frames a + 1 .. a + span - 1 as sampled, computed the way
// the saved keyframe will be played.
bool SegmentHolds(const std::vector<Sample>& s, int32_t a, int32_t span, const Sample& target)
{
    if (span <= 1)
        return true;
    CKeyframe k;
    k.frames = span;
    CKeyframeNode node;
    for (const auto& [frame, sample] : {std::pair{0, &s[static_cast<std::size_t>(a)]}, std::pair{span, &target}}) {
        CKeyframeEntry e;
        e.frame = frame;
        e.position = sample->position;
        e.rotation = sample->angles;
        node.entries.push_back(std::move(e));
    }
    k.nodes.push_back(std::move(node));
    ComputeKeyDeltas(k);
    const CKeyframeEntry& e = k.nodes[0].entries[0];
    Vec3 p = e.position, r = e.rotation;
    for (int32_t i = 1; i < span; ++i) {
        p += e.deltaPosition;
        r += e.deltaRotation;
        if (!Close(PoseMatrix(r, p), s[static_cast<std::size_t>(a + i)].pose))
            return false;
    }
    return true;
}

// The frames that get an entry: the first, then each as far on as the interpolation from
// the previous one holds; the last entry also has to hold up to the end, where it steps
// towards the first.
std::vector<int32_t> EntryFrames(const std::vector<Sample>& s)
{
    const auto frames = static_cast<int32_t>(s.size());
    std::vector<int32_t> out = {0};
    int32_t a = 0;
    while (a < frames - 1) {
        auto holds = [&](int32_t b) { return SegmentHolds(s, a, b - a, s[static_cast<std::size_t>(b)]); };
        // Spans doubling while they hold, then halved down to the furthest one that
        // holds (a span of 1 always does).
        int32_t good = a + 1, bad = -1;
        for (int64_t len = 2; bad < 0 && good < frames - 1; len *= 2) {
            const auto b = static_cast<int32_t>(std::min<int64_t>(a + len, frames - 1));
            (holds(b) ? good : bad) = b;
        }
        while (bad > good + 1) {
            const int32_t mid = good + (bad - good) / 2;
            (holds(mid) ? good : bad) = mid;
        }
        if (good == frames - 1 && SegmentHolds(s, a, frames - a, s[0]))
            break;
        out.push_back(good);
        a = good;
    }
    return out;
}

struct FileNode {
    const aiNode* node;
    int32_t parent;        // index in the list, -1 at the root
    std::string gameName;  // the name the model import gives the node
};

std::string Number(double v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", v);
    return text;
}

std::string List(const std::vector<std::string>& names)
{
    std::string out;
    for (const auto& n : names)
        out += (out.empty() ? "" : ", ") + ("'" + n + "'");
    return out;
}

std::string NameOf(const aiAnimation& a, unsigned index)
{
    return a.mName.length > 0 ? std::string(a.mName.C_Str()) : "animation " + std::to_string(index + 1);
}

// The animation asked for (by name, exactly or else in any case; the first without a
// name); names gets every animation's name.
Result<unsigned> ChooseAnimation(const aiScene& scene, const std::string& wanted, std::vector<std::string>& names)
{
    if (scene.mNumAnimations == 0 || !scene.mAnimations)
        return Fail("the file holds no animation");
    for (unsigned i = 0; i < scene.mNumAnimations; ++i) {
        if (!scene.mAnimations[i])
            return Fail("the reader gave back a damaged animation");
        names.push_back(NameOf(*scene.mAnimations[i], i));
    }
    if (wanted.empty())
        return 0u;
    auto it = std::find(names.begin(), names.end(), wanted);
    if (it == names.end())
        it = std::find_if(names.begin(), names.end(), [&](const std::string& n) { return EqualNoCase(n, wanted); });
    if (it == names.end())
        return Fail("the file has no animation named '" + wanted + "'; it has " + List(names));
    return static_cast<unsigned>(it - names.begin());
}

// The file's nodes, parents before children.
std::vector<FileNode> FileNodesOf(const aiScene& scene)
{
    std::vector<FileNode> nodes = {{scene.mRootNode, -1, {}}};
    for (std::size_t i = 0; i < nodes.size(); ++i)
        for (unsigned c = 0; c < nodes[i].node->mNumChildren; ++c)
            if (nodes[i].node->mChildren[c])
                nodes.push_back({nodes[i].node->mChildren[c], static_cast<int32_t>(i), {}});
    // Named as the model import names them.
    const auto named = NodeGameNames(scene.mRootNode);
    const std::unordered_map<const aiNode*, std::string> nameOf(named.begin(), named.end());
    for (FileNode& n : nodes)
        if (const auto it = nameOf.find(n.node); it != nameOf.end())
            n.gameName = it->second;
    return nodes;
}

// The file node the model import named like a model node (in any case), or -1.
int32_t FileNodeWithGameName(const std::vector<FileNode>& nodes, const std::string& name)
{
    for (std::size_t i = 0; i < nodes.size(); ++i)
        if (!nodes[i].gameName.empty() && EqualNoCase(nodes[i].gameName, name))
            return static_cast<int32_t>(i);
    return -1;
}

int32_t FileNodeNamed(const std::vector<FileNode>& nodes, const std::string& name)
{
    for (std::size_t i = 0; i < nodes.size(); ++i)
        if (name == nodes[i].node->mName.C_Str())
            return static_cast<int32_t>(i);
    return -1;
}

// Whether the channel's scale keys change the node's size from its rest.
bool ScaleKeysMove(const aiNodeAnim& c, const aiMatrix4x4& rest)
{
    aiVector3D restScale, restPosition;
    aiQuaternion restRotation;
    rest.Decompose(restScale, restRotation, restPosition);
    for (unsigned k = 0; k < c.mNumScalingKeys; ++k) {
        const aiVector3D& s = c.mScalingKeys[k].mValue;
        for (const auto& [a, b] : {std::pair{s.x, restScale.x}, {s.y, restScale.y}, {s.z, restScale.z}})
            if (std::fabs(a - b) > 1e-4f * std::max(1.0f, std::fabs(b)))
                return true;
    }
    return false;
}

// A model node and the file node whose channel moves it.
struct Match {
    std::size_t modelNode;
    int32_t fileNode;
};

// The animation's channels: each to the file node it moves, and (by name, in any case) to
// the first model node of that name; with the time its keys span.
struct Channels {
    std::vector<const aiNodeAnim*> channelOf;  // by file node
    std::vector<NodeCurves> curvesOf;          // by file node
    std::vector<Match> matches;                // in the order of the model's nodes
    double start = INFINITY, end = -INFINITY;
};

// curves: the file's steps and splines of the animation (number chosen).
Result<Channels> MatchChannels(const CModel& model, const aiAnimation& animation, unsigned chosen,
                               const std::vector<KeyCurve>& curves, const std::vector<FileNode>& nodes,
                               const std::string& called, AnimationImportReport& report)
{
    Channels out;
    out.channelOf.assign(nodes.size(), nullptr);
    out.curvesOf.assign(nodes.size(), {});
    std::vector<std::string> animated;
    auto span = [&out](const auto* keys, unsigned count) {
        for (unsigned k = 0; k < count; ++k) {
            out.start = std::min(out.start, keys[k].mTime);
            out.end = std::max(out.end, keys[k].mTime);
        }
    };
    for (unsigned i = 0; i < animation.mNumChannels && animation.mChannels; ++i) {
        const aiNodeAnim* c = animation.mChannels[i];
        if (!c)
            continue;
        const std::string name = c->mNodeName.C_Str();
        if (!KeysFinite(c->mPositionKeys, c->mNumPositionKeys) || !KeysFinite(c->mRotationKeys, c->mNumRotationKeys) ||
            !KeysFinite(c->mScalingKeys, c->mNumScalingKeys))
            return Fail(called + " has a key of node '" + name + "' that is not a number");
        const int32_t fileNode = FileNodeNamed(nodes, name);
        if (fileNode < 0 || out.channelOf[static_cast<std::size_t>(fileNode)]) {
            report.notes.push_back(fileNode < 0 ? "the file has no node '" + name + "' that its animation moves"
                                                : "a second channel for node '" + name + "' is left out");
            continue;
        }
        out.channelOf[static_cast<std::size_t>(fileNode)] = c;
        for (const KeyCurve& curve : curves)
            if (curve.animation == chosen && curve.node == name)
                out.curvesOf[static_cast<std::size_t>(fileNode)][static_cast<std::size_t>(curve.path)] = &curve;
        animated.push_back(name);
        span(c->mPositionKeys, c->mNumPositionKeys);
        span(c->mRotationKeys, c->mNumRotationKeys);
        span(c->mScalingKeys, c->mNumScalingKeys);
        const std::string gameName = nodes[static_cast<std::size_t>(fileNode)].gameName;
        std::size_t m = 0;
        while (m < model.nodes.size() && !EqualNoCase(model.nodes[m].name, gameName))
            ++m;
        if (m == model.nodes.size()) {
            report.unmatched.push_back(name);
            continue;
        }
        if (std::any_of(out.matches.begin(), out.matches.end(), [&](const Match& x) { return x.modelNode == m; })) {
            report.notes.push_back("'" + name +
                                   "' is moved by an earlier channel of the same name; this one is left out");
            continue;
        }
        out.matches.push_back({m, fileNode});
        if (ScaleKeysMove(*c, nodes[static_cast<std::size_t>(fileNode)].node->mTransformation))
            report.notes.push_back("node '" + gameName +
                                   "': its scale keys are left out (the game moves and turns parts, it does not "
                                   "scale them)");
        if (gameName != name)
            report.notes.push_back("'" + TerminalSafe(name) + "' moves node '" + gameName +
                                   "', its name as the game reads it");
    }
    if (out.matches.empty())
        return Fail(animated.empty() ? called + " moves no node"
                                     : called + " moves none of the model's nodes (it moves " + List(animated) + ")");
    std::sort(out.matches.begin(), out.matches.end(),
              [](const Match& a, const Match& b) { return a.modelNode < b.modelNode; });
    return out;
}

// A note for each matched node whose name the model gives several nodes.
void NoteSharedNames(const CModel& model, const std::vector<Match>& matches, AnimationImportReport& report)
{
    for (const Match& match : matches) {
        const std::string& name = model.nodes[match.modelNode].name;
        const auto same = std::count_if(model.nodes.begin(), model.nodes.end(),
                                        [&](const auto& n) { return EqualNoCase(n.name, name); });
        if (same > 1)
            report.notes.push_back("the model has " + std::to_string(same) + " nodes named '" + name +
                                   "': the keyframe moves them all alike, as the file moves the first");
    }
}

// The clip's span in ticks and in frames at the rate asked for.
struct Timing {
    double start = 0.0;
    double end = 0.0;
    double ticks = 25.0;
    int32_t frames = 1;

    // The file's time of frame f: the frames spread evenly over the clip, the last on its end
    // (a whole number of frames rounded up would make a looped walk hitch).
    double TimeOf(int32_t f) const
    {
        return frames > 1 ? start + (end - start) * static_cast<double>(f) / static_cast<double>(frames - 1) : start;
    }
};

// The clip runs from its time 0 to its duration (its last key when the file gives none):
// keys before 0 or after the end are left out, with a note.
Result<Timing> TimingOf(const aiAnimation& animation, const Channels& ch, double fps, const std::string& called,
                        AnimationImportReport& report)
{
    Timing t;
    t.ticks = animation.mTicksPerSecond > 0.0 && std::isfinite(animation.mTicksPerSecond)
                  ? animation.mTicksPerSecond
                  : 25.0;  // the reader's own default when the file gives none
    double start = 0.0;
    double end = animation.mDuration > 0.0 && std::isfinite(animation.mDuration) ? animation.mDuration : ch.end;
    if (!(end > start) || !(ch.start <= ch.end)) {
        // No clip after time 0: the keys' own span, as they come.
        start = ch.start <= ch.end ? ch.start : 0.0;
        end = ch.start <= ch.end ? ch.end : 0.0;
    } else {
        if (ch.start < start)
            report.notes.push_back(called + " has keys before its start (from " + Number(ch.start / t.ticks) +
                                   " s): left out, frame 0 is the clip's time 0");
        if (ch.end > end)
            report.notes.push_back(called + " has keys after its end (" + Number(end / t.ticks) +
                                   " s, up to " + Number(ch.end / t.ticks) + " s): left out");
    }
    const double seconds = (end - start) / t.ticks;
    const double lastFrame = std::round(seconds * fps);
    const double poses = (lastFrame + 1.0) * static_cast<double>(ch.matches.size());
    if (!std::isfinite(lastFrame) || poses > static_cast<double>(kMaxAnimationPoses))
        return Fail(called + " runs " + Number(seconds) + " seconds: at " + Number(fps) + " frames per second for " +
                    std::to_string(ch.matches.size()) + " nodes that is more than the " +
                    std::to_string(kMaxAnimationPoses) + " poses a keyframe may have");
    t.start = start;
    t.end = end;
    t.frames = static_cast<int32_t>(lastFrame) + 1;
    return t;
}

// Each matched node's place is taken against its parent in the model: against the file
// node named like that parent, else against the world (a top node of the model) or the
// node's parent in the file (-1: the world).
std::vector<int32_t> ReferencesOf(const CModel& model, const std::vector<Match>& matches,
                                  const std::vector<FileNode>& nodes)
{
    std::vector<int32_t> reference(matches.size(), -1);
    for (std::size_t i = 0; i < matches.size(); ++i) {
        const C3doNode& node = model.nodes[matches[i].modelNode];
        if (node.parent < 0 || static_cast<std::size_t>(node.parent) >= model.nodes.size())
            continue;
        const int32_t byName = FileNodeWithGameName(nodes, model.nodes[static_cast<std::size_t>(node.parent)].name);
        reference[i] = byName >= 0 ? byName : nodes[static_cast<std::size_t>(matches[i].fileNode)].parent;
    }
    return reference;
}

// The file's axes every node's rotation is taken back through, and the placement above
// its root (the scale, and a unit and axes the reader did not put into the root).
struct FilePlacement {
    Matrix3d axes{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
    Affine top;
};

FilePlacement PlacementOf(const CModel& model, const aiScene& scene, const FileFrame& frame, double s)
{
    FilePlacement out;
    // A turn of the file's root is its axes (Collada and FBX put the change to y up
    // there): where the reader put the file's frame there, or the model does not have
    // that root as a node of its own, every node's axes are taken back through it, so that
    // a node upright in the file is upright in the game (the model import takes the frame
    // out of the root the same way).
    const std::string rootName = scene.mRootNode->mName.C_Str();
    if (frame.rootIsFrame || std::none_of(model.nodes.begin(), model.nodes.end(),
                                          [&](const auto& n) { return EqualNoCase(n.name, rootName); }))
        out.axes = RotationOf(FromAssimp(scene.mRootNode->mTransformation).m);
    out.top.m = {{{s, 0, 0}, {0, s, 0}, {0, 0, s}}};
    // A unit and axes the reader did not put into the root (FBX states them apart) are
    // applied above it, as the model import applies them, so that the keyframe moves a
    // model imported from the same file by the same lengths.
    if (!frame.rootIsFrame) {
        const Matrix3d& a = frame.axes;
        Matrix3d turned{};
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c) {
                out.top.m[r][c] = s * frame.toMetres * a[r][c];
                turned[r][c] = a[r][0] * out.axes[0][c] + a[r][1] * out.axes[1][c] + a[r][2] * out.axes[2][c];
            }
        out.axes = turned;
    }
    return out;
}

// A node's place and angles against its reference (null: the world), as a keyframe
// writes them; none when they lie beyond the engine's range. Each is given by its world
// and its turn (ChainTurn), taken back through the file's axes.
std::optional<Sample> SampleAgainst(const Affine& w, const Matrix3d& chain, const Affine* reference,
                                    const Matrix3d* referenceChain, const Matrix3d& axes)
{
    Matrix3d parentRotation{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
    Vec3d parentAt{0, 0, 0};
    if (reference) {
        parentRotation = Multiply(*referenceChain, Transpose(axes));
        parentAt = reference->t;
    }
    const Matrix3d rotation = Multiply(chain, Transpose(axes));
    Matrix3d local{};
    Vec3d at{};
    const Vec3d shift = {w.t[0] - parentAt[0], w.t[1] - parentAt[1], w.t[2] - parentAt[2]};
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c)
            local[r][c] = parentRotation[0][r] * rotation[0][c] + parentRotation[1][r] * rotation[1][c] +
                          parentRotation[2][r] * rotation[2][c];
        at[r] = parentRotation[0][r] * shift[0] + parentRotation[1][r] * shift[1] + parentRotation[2][r] * shift[2];
    }
    Sample sample;
    sample.position = FromYUp(Vec3(static_cast<float>(at[0]), static_cast<float>(at[1]), static_cast<float>(at[2])));
    const Vec3 angles = AnglesFromYUp(local);
    sample.angles = {Normalized(angles.x), Normalized(angles.y), Normalized(angles.z)};
    for (float* v : {&sample.position.x, &sample.position.y, &sample.position.z, &sample.angles.x, &sample.angles.y,
                     &sample.angles.z})
        *v = AsWritten(*v);
    if (!std::isfinite(sample.position.x) || !std::isfinite(sample.position.y) || !std::isfinite(sample.position.z) ||
        !CoordinateFits(sample.position.x) || !CoordinateFits(sample.position.y) || !CoordinateFits(sample.position.z))
        return std::nullopt;
    sample.pose = PoseMatrix(sample.angles, sample.position);
    return sample;
}

// Every matched node's sample at every frame. Only the matched nodes, their references
// and what lies above them are placed, and no more of them over all frames than a bound
// (a deep or wide file with a long animation would otherwise keep the program busy for
// hours).
Result<std::vector<std::vector<Sample>>> SampleFrames(const CModel& model, const std::vector<FileNode>& nodes,
                                                      const Channels& ch, const std::vector<int32_t>& reference,
                                                      const FilePlacement& placement, const Timing& timing,
                                                      const std::string& called)
{
    const std::vector<Match>& matches = ch.matches;
    std::vector<bool> needed(nodes.size(), false);
    auto need = [&](int32_t i) {
        for (; i >= 0 && !needed[static_cast<std::size_t>(i)]; i = nodes[static_cast<std::size_t>(i)].parent)
            needed[static_cast<std::size_t>(i)] = true;
    };
    for (std::size_t i = 0; i < matches.size(); ++i) {
        need(matches[i].fileNode);
        need(reference[i]);
    }
    const auto placed = static_cast<double>(std::count(needed.begin(), needed.end(), true));
    if (placed * timing.frames > kMaxPlacements)
        return Fail(called + " would take " + Number(placed * timing.frames) +
                    " node placements to sample, more than " + Number(kMaxPlacements));
    std::vector<std::vector<Sample>> samples(matches.size());
    std::vector<Affine> world(nodes.size());
    std::vector<Matrix3d> chain(nodes.size());
    const Matrix3d topChain = RotationOf(placement.top.m);
    for (int32_t f = 0; f < timing.frames; ++f) {
        const double t = timing.TimeOf(f);
        for (std::size_t i = 0; i < nodes.size(); ++i) {
            if (!needed[i])
                continue;
            const aiNode& n = *nodes[i].node;
            const Affine local =
                ch.channelOf[i] ? ChannelAt(*ch.channelOf[i], ch.curvesOf[i], n.mTransformation, t, timing.ticks)
                                : FromAssimp(n.mTransformation);
            const auto parent = static_cast<std::size_t>(nodes[i].parent);
            world[i] = Compose(nodes[i].parent < 0 ? placement.top : world[parent], local);
            chain[i] = ChainTurn(nodes[i].parent < 0 ? topChain : chain[parent], local);
        }
        for (std::size_t i = 0; i < matches.size(); ++i) {
            const auto ref = static_cast<std::size_t>(reference[i]);
            const auto node = static_cast<std::size_t>(matches[i].fileNode);
            const auto sample = SampleAgainst(world[node], chain[node], reference[i] >= 0 ? &world[ref] : nullptr,
                                              reference[i] >= 0 ? &chain[ref] : nullptr, placement.axes);
            if (!sample)
                return Fail(called + " moves node '" + model.nodes[matches[i].modelNode].name +
                            "' beyond the engine's range at frame " + std::to_string(f));
            samples[i].push_back(*sample);
        }
    }
    return samples;
}

// The keyframe of the samples: an entry where a node's motion changes course.
CKeyframe MakeKeyframe(const CModel& model, const std::vector<Match>& matches,
                                        const std::vector<std::vector<Sample>>& samples, int32_t frames, float fps,
                                        AnimationImportReport& report)
{
    CKeyframe keyframe;
    keyframe.flags = 0;
    keyframe.type = 0xFFFF;
    keyframe.frames = frames;
    keyframe.fps = fps;
    keyframe.joints = static_cast<int32_t>(model.nodes.size());
    for (std::size_t i = 0; i < matches.size(); ++i) {
        CKeyframeNode node;
        node.meshName = model.nodes[matches[i].modelNode].name;
        for (const int32_t f : EntryFrames(samples[i])) {
            CKeyframeEntry e;
            e.num = static_cast<int32_t>(node.entries.size());
            e.frame = f;
            e.position = samples[i][static_cast<std::size_t>(f)].position;
            e.rotation = samples[i][static_cast<std::size_t>(f)].angles;
            node.entries.push_back(std::move(e));
        }
        report.entries += node.entries.size();
        keyframe.nodes.push_back(std::move(node));
    }
    ComputeKeyDeltas(keyframe);
    // Entry flags as the game's keyframes have them: 1 the place moves, 2 the rotation.
    for (auto& node : keyframe.nodes)
        for (auto& e : node.entries)
            e.flags = (e.deltaPosition == Vec3() ? 0u : 1u) | (e.deltaRotation == Vec3() ? 0u : 2u);
    return keyframe;
}

Result<AnimationImportReport> Build(const CModel& model, const aiScene& scene, const FileFrame& frame,
                                    const std::vector<std::string>& morphKeyed, const std::vector<KeyCurve>& curves,
                                    const AnimationImportOptions& options)
{
    if (!(options.fps >= kMinKeyFps && options.fps <= kMaxKeyFps))
        return Fail("the frame rate must lie between " + Number(kMinKeyFps) + " and " + Number(kMaxKeyFps) +
                    " frames per second");
    if (!(options.read.scale > 0.0f) || !std::isfinite(options.read.scale))
        return Fail("the scale must be a positive number");
    std::vector<std::string> names;
    const auto chosen = ChooseAnimation(scene, options.animation, names);
    if (!chosen)
        return Fail(chosen.error());
    const aiAnimation& animation = *scene.mAnimations[*chosen];
    AnimationImportReport report;
    report.animation = names[*chosen];
    const std::string called = "the animation '" + report.animation + "'";

    const std::vector<FileNode> nodes = FileNodesOf(scene);
    const auto channels = MatchChannels(model, animation, *chosen, curves, nodes, called, report);
    if (!channels)
        return Fail(channels.error());
    NoteSharedNames(model, channels->matches, report);
    if (std::find(morphKeyed.begin(), morphKeyed.end(), std::to_string(*chosen)) != morphKeyed.end())
        report.notes.push_back(called + " keys morph target weights or mesh vertices: left out (the game moves "
                               "whole parts)");
    const auto timing = TimingOf(animation, *channels, options.fps, called, report);
    if (!timing)
        return Fail(timing.error());
    const auto samples =
        SampleFrames(model, nodes, *channels, ReferencesOf(model, channels->matches, nodes),
                     PlacementOf(model, scene, frame, options.read.scale), *timing, called);
    if (!samples)
        return Fail(samples.error());
    report.keyframe = MakeKeyframe(model, channels->matches, *samples, timing->frames, options.fps, report);
    report.animatedNodes = channels->matches.size();
    return report;
}

}  // namespace

Result<std::vector<std::string>> AnimationNames(const fs::path& path, const ImportOptions& options)
{
    auto read = ReadSceneInChild(path, options);
    if (!read)
        return Fail(read.error());
    std::vector<std::string> names;
    for (unsigned i = 0; i < read->scene->mNumAnimations; ++i)
        if (read->scene->mAnimations[i])
            names.push_back(NameOf(*read->scene->mAnimations[i], i));
    return names;
}

Result<AnimationImportReport> ImportAnimation(const CModel& model, const fs::path& path,
                                              const AnimationImportOptions& options)
{
    auto read = ReadSceneInChild(path, options.read);
    if (!read)
        return Fail(read.error());
    return Build(model, *read->scene, read->frame, read->morphKeyed, read->curves, options);
}

Result<AnimationImportReport> ImportAnimationFromMemory(const CModel& model, std::span<const uint8_t> bytes,
                                                        const std::string& hint, const AnimationImportOptions& options)
{
    auto read = ReadSceneFromMemoryInChild(bytes, hint, options.read);
    if (!read)
        return Fail(read.error());
    return Build(model, *read->scene, read->frame, read->morphKeyed, read->curves, options);
}

Status WriteImportedKeyframe(const CModel& model, const CKeyframe& keyframe, const fs::path& path)
{
    return WriteFileAtomic(path,
                           FormatKey(keyframe, static_cast<int32_t>(model.nodes.size()), path.filename().string()));
}

std::string ImportedKeyframeName(const COrvaneDoc& doc, const fs::path& animated)
{
    std::string stem = ToLowerAscii(animated.stem().string());
    // A name the puppet file can hold on its line: no blanks nor comment signs.
    for (char& ch : stem)
        if (ch == ' ' || ch == '\t' || ch == '#')
            ch = '_';
    if (stem.empty())
        stem = "imported";
    std::string name = stem + ".key";
    for (int n = 2; AnimationFileExists(doc, name) || IsStockKeyframe(doc, name); ++n)
        name = stem + "_" + std::to_string(n) + ".key";
    return name;
}

EditOutcome PlayImportedKeyframe(EditContext& c, const CKeyframe& keyframe, const std::string& name)
{
    if (!c.doc)
        return EditOutcome::Refused("the keyframe goes beside the model: there is no document");
    COrvaneDoc& doc = *c.doc;
    auto path = AnimationFilePath(doc, name);
    if (!path)
        return EditOutcome::Refused(path.error());
    CModel& model = c.model();
    if (Status written = WriteImportedKeyframe(model, keyframe, *path); !written)
        return EditOutcome::Refused(written.error());
    model.keyframe = keyframe;
    model.keyframe->name = name;
    model.frameCount = keyframe.frames;
    model.frameTime = 1.0f / keyframe.fps;
    if (c.modes().animateMode || c.modes().viewKind == ViewKind::Animating)
        (void)RestoreAnimationAt(model, 0);
    return EditOutcome::Changed(kModelChanged | kViewStateChanged);
}

}  // namespace orv
