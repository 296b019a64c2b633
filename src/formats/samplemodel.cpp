#include "formats/samplemodel.h"

#include "formats/keyfile.h"
#include "formats/model3do.h"
#include "formats/puppet.h"
#include "model/radius.h"

namespace orv {

namespace {

constexpr int kTexels = 64;  // the sample materials are 64 x 64

// A quad whose corners are ordered so that its normal points away from centre: faces
// are seen from the side their normal points to.
CFace Quad(const Vec3& a, const Vec3& b, const Vec3& c, const Vec3& d, const Vec3& centre, int32_t material)
{
    CFace f;
    f.material = material;
    f.geometryMode = 4;
    f.lightingMode = 3;
    f.textureMode = 1;
    const Vec3 pts[4] = {a, b, c, d};
    const float uv[4][2] = {{0, 1}, {1, 1}, {1, 0}, {0, 0}};
    for (int i = 0; i < 4; ++i) {
        VertexRecord r;
        r.SetPosition(pts[i]);
        r.u = uv[i][0] * kTexels;
        r.v = uv[i][1] * kTexels;
        r.color = 0x00FFFFFF;
        f.corners.push_back(r);
    }
    f.ComputeFaceNormal();
    const Vec3 mid = (a + b + c + d) * 0.25f;
    if (Dot(f.normal, mid - centre) < 0) {
        std::reverse(f.corners.begin(), f.corners.end());
        f.ComputeFaceNormal();
    }
    return f;
}

// A box from min to max, in the mesh's own coordinates.
CMesh Box(const std::string& name, const Vec3& lo, const Vec3& hi, int32_t material, int32_t topMaterial)
{
    CMesh m;
    m.name = name;
    m.geometryMode = 4;
    m.lightingMode = 3;
    m.textureMode = 1;
    const Vec3 c = (lo + hi) * 0.5f;
    auto p = [&](int x, int y, int z) { return Vec3(x ? hi.x : lo.x, y ? hi.y : lo.y, z ? hi.z : lo.z); };
    m.faces.push_back(Quad(p(0, 0, 0), p(1, 0, 0), p(1, 1, 0), p(0, 1, 0), c, material));     // -z
    m.faces.push_back(Quad(p(0, 0, 1), p(1, 0, 1), p(1, 1, 1), p(0, 1, 1), c, material));     // +z
    m.faces.push_back(Quad(p(0, 0, 0), p(0, 0, 1), p(0, 1, 1), p(0, 1, 0), c, material));     // -x
    m.faces.push_back(Quad(p(1, 0, 0), p(1, 0, 1), p(1, 1, 1), p(1, 1, 0), c, material));     // +x
    m.faces.push_back(Quad(p(0, 1, 0), p(1, 1, 0), p(1, 1, 1), p(0, 1, 1), c, topMaterial));  // top
    m.faces.push_back(Quad(p(0, 0, 0), p(1, 0, 0), p(1, 0, 1), p(0, 0, 1), c, material));     // bottom
    return m;
}

void AddNode(CModel& model, const std::string& name, int32_t mesh, const Vec3& position, int32_t child, int32_t sibling)
{
    C3doNode n;
    n.name = name;
    n.mesh = mesh;
    n.type = 1;
    n.position = position;
    n.child = child;
    n.sibling = sibling;
    model.nodes.push_back(std::move(n));
}

CKeyframeNode KeyNode(const std::string& name, const Vec3& position, std::initializer_list<std::pair<int, Vec3>> keys,
                      float bob = 0.0f)
{
    CKeyframeNode node;
    node.meshName = name;
    int num = 0;
    for (const auto& [frame, rotation] : keys) {
        CKeyframeEntry e;
        e.num = num++;
        e.frame = frame;
        e.position = position;
        // Bob up on every other key (the steps of a walk).
        if (bob != 0.0f && (e.num % 2) == 1)
            e.position.y += bob;
        e.rotation = rotation;
        node.entries.push_back(std::move(e));
    }
    return node;
}

}  // namespace

std::unique_ptr<CModel> MakeSampleModel()
{
    auto model = std::make_unique<CModel>();
    model->formatTag = "JK1";
    model->version3do = "2.1";
    // Materials: 0 body, 1 head, 2 limbs, 3 trim.
    model->materials = {"metal.mat", "checker.mat", "wood.mat", "bricks.mat"};
    CGeometry g;
    // The model's y axis points up; each limb hangs from its node's position.
    g.meshes.push_back(Box("torso", {-0.03f, -0.025f, -0.02f}, {0.03f, 0.025f, 0.02f}, 0, 3));
    g.meshes.push_back(Box("head", {-0.0175f, 0.0f, -0.0175f}, {0.0175f, 0.035f, 0.0175f}, 1, 1));
    g.meshes.push_back(Box("lthigh", {-0.009f, -0.07f, -0.009f}, {0.009f, 0.0f, 0.009f}, 2, 2));
    g.meshes.push_back(Box("rthigh", {-0.009f, -0.07f, -0.009f}, {0.009f, 0.0f, 0.009f}, 2, 2));
    g.meshes.push_back(Box("larm", {-0.007f, -0.05f, -0.007f}, {0.007f, 0.0f, 0.007f}, 2, 3));
    g.meshes.push_back(Box("rarm", {-0.007f, -0.05f, -0.007f}, {0.007f, 0.0f, 0.007f}, 2, 3));
    model->geosets.push_back(std::move(g));
    // torso -> head; head, legs and arms are siblings under the torso.
    AddNode(*model, "torso", 0, {0.0f, 0.095f, 0.0f}, 1, -1);
    AddNode(*model, "head", 1, {0.0f, 0.025f, 0.0f}, -1, 2);
    AddNode(*model, "lthigh", 2, {-0.018f, -0.025f, 0.0f}, -1, 3);
    AddNode(*model, "rthigh", 3, {0.018f, -0.025f, 0.0f}, -1, 4);
    AddNode(*model, "larm", 4, {-0.038f, 0.02f, 0.0f}, -1, 5);
    AddNode(*model, "rarm", 5, {0.038f, 0.02f, 0.0f}, -1, -1);
    model->RebuildHierarchy();
    UpdateRadii(*model);

    CPuppetMode mode;
    mode.mode = 0;
    mode.comment = "# default mode";
    auto item = [&mode](const char* name, const char* keyFile, const char* description) {
        CPuppetItem it;
        it.name = name;
        it.keyFile = keyFile;
        it.lowPriority = 1;
        it.highPriority = 1;
        it.description = description;
        mode.items.push_back(std::move(it));
    };
    item("stand", "wkstand.key", "# submode 0 = stand");
    item("walk", "wkwalk.key", "# submode 1 = walk");
    model->puppetModes.push_back(std::move(mode));
    return model;
}

std::vector<SampleFile> MakeSampleModelFiles()
{
    auto model = MakeSampleModel();
    std::vector<SampleFile> files;
    files.push_back({"3do\\walker.3do", "walker.3do", Format3do(*model, "walker.3do")});
    files.push_back({"misc\\pup\\walker.pup", "walker.pup", FormatPup(*model, "walker.pup")});

    auto keyframe = [&](const std::string& name, int frames, std::vector<CKeyframeNode> nodes) {
        CKeyframe k;
        k.type = 0xFFFF;
        k.frames = frames;
        k.fps = 15.0f;
        k.name = name;
        k.nodes = std::move(nodes);
        ComputeKeyDeltas(k);
        return FormatKey(k, static_cast<int32_t>(model->nodes.size()), name);
    };
    auto pos = [&](int node) { return model->nodes[static_cast<std::size_t>(node)].position; };
    {
        // Standing: the head looks left and right, the torso breathes.
        std::vector<CKeyframeNode> nodes;
        nodes.push_back(KeyNode("torso", pos(0), {{0, {0, 0, 0}}, {10, {0, 0, 0}}}, 0.002f));
        nodes.push_back(KeyNode("head", pos(1), {{0, {0, 0, 20}}, {10, {0, 0, 340}}}));
        files.push_back({"3do\\key\\wkstand.key", "wkstand.key", keyframe("wkstand.key", 20, std::move(nodes))});
    }
    {
        // Walking: legs and arms swing in opposite phase, the torso bobs on each step.
        std::vector<CKeyframeNode> nodes;
        nodes.push_back(
            KeyNode("torso", pos(0), {{0, {0, 0, 0}}, {4, {0, 0, 0}}, {8, {0, 0, 0}}, {12, {0, 0, 0}}}, 0.004f));
        nodes.push_back(
            KeyNode("lthigh", pos(2), {{0, {25, 0, 0}}, {4, {0, 0, 0}}, {8, {335, 0, 0}}, {12, {0, 0, 0}}}));
        nodes.push_back(
            KeyNode("rthigh", pos(3), {{0, {335, 0, 0}}, {4, {0, 0, 0}}, {8, {25, 0, 0}}, {12, {0, 0, 0}}}));
        nodes.push_back(KeyNode("larm", pos(4), {{0, {340, 0, 0}}, {4, {0, 0, 0}}, {8, {20, 0, 0}}, {12, {0, 0, 0}}}));
        nodes.push_back(KeyNode("rarm", pos(5), {{0, {20, 0, 0}}, {4, {0, 0, 0}}, {8, {340, 0, 0}}, {12, {0, 0, 0}}}));
        files.push_back({"3do\\key\\wkwalk.key", "wkwalk.key", keyframe("wkwalk.key", 16, std::move(nodes))});
    }
    return files;
}

}  // namespace orv
