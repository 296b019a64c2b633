// Import: a scene read by Assimp turned into a model the game's engine takes.
#include <assimp/commonMetaData.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <assimp/Exporter.hpp>
#include <assimp/Importer.hpp>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "base/names.h"
#include "base/text.h"
#include "edit/materials.h"
#include "interchange/affine.h"
#include "interchange/axes.h"
#include "interchange/child_run.h"
#include "interchange/export_scene.h"
#include "interchange/file_frame.h"
#include "interchange/game_extras.h"
#include "interchange/import_checks.h"
#include "interchange/interchange.h"
#include "interchange/scene_read.h"
#include "interchange/textures.h"
#include "model/fileio.h"
#include "model/polygon.h"
#include "model/radius.h"
#include "model/version.h"
#include "resources/catalog.h"
#include "resources/sample.h"
#include "view/hierarchy.h"

namespace orv {

namespace fs = std::filesystem;

namespace {

// Imported faces and meshes: textured, Gouraud lit, perspective-corrected, as the game's
// own models are.
constexpr int32_t kGeometryMode = 4;
constexpr int32_t kLightingMode = 3;
constexpr int32_t kTextureMode = 3;
constexpr uint32_t kCornerColor = 0x00FFFFFF;
Vec3d Sub(const Vec3d& a, const Vec3d& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
double Dot(const Vec3d& a, const Vec3d& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

double Determinant(const Matrix3d& m)
{
    return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) - m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
           m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}

// Whether m is scale times the identity, within rounding.
bool NearIdentity(const Matrix3d& m, double scale = 1.0)
{
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            if (std::fabs(m[r][c] - (r == c ? scale : 0.0)) > 1e-6 * std::max(1.0, std::fabs(scale)))
                return false;
    return true;
}

bool EndsWith(const std::string& s, const std::string& end)
{
    return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

// Names the game reads: no blanks or control characters (a 3DO line ends a name at a
// blank), at most kMaxNameLength characters; unique in their list where Take makes them.
class NameList {
public:
    std::string Take(const std::string& wanted, const std::string& fallback, bool& cut)
    {
        return names_.Take(Clean(wanted, fallback, cut));
    }
    void Reserve(const std::string& name)
    {
        bool cut = false;
        names_.Add(Clean(name, name, cut));
    }
    bool Has(const std::string& name) const { return names_.Has(name); }

private:
    static std::string Clean(const std::string& wanted, const std::string& fallback, bool& changed)
    {
        std::string name = GameName(wanted, kMaxNameLength);
        changed = !name.empty() && name != wanted;
        return name.empty() ? fallback : name;
    }

    UniqueNames names_{kMaxNameLength};
};

// ---- polygons ------------------------------------------------------------------------

struct Corner {
    Vec3 position;             // the node's axes, the model's convention
    float u = 0.0f, v = 0.0f;  // normalised, v down
    std::size_t index = 0;     // its place in the whole polygon, which a cut face keeps
};

// ---- the import ----------------------------------------------------------------------

struct MaterialChoice {
    int32_t index = -1;  // in the model's list
    TextureSize size;    // what texture coordinates are multiplied by
};

struct Face {
    std::vector<Corner> corners;  // the model's corner order
    int32_t material = -1;
    TextureSize size;
    std::size_t wholeCorners = 0;  // the corners of the polygon it was cut from (or is)
    std::size_t polygon = 0;       // the file's polygon of the node it comes from
};

struct Counts {
    std::size_t degenerate = 0;
    std::size_t bigSplit = 0;
    std::size_t triangulated = 0;
    std::size_t transformedNodes = 0;
    std::vector<std::pair<std::string, std::string>> changedNames;  // source, game name
    std::size_t splitMeshes = 0;
};

class Importer {
public:
    Importer(const aiScene& scene, const std::string& generator, const fs::path& folder, const ImportOptions& options,
             FileFrame frame = {})
        : scene_(scene), folder_(folder), options_(options), frame_(std::move(frame))
    {
        palette_ = options.palette ? *options.palette : SamplePalette();
        // A glTF that this program wrote: its polygons are fans from their first corner
        // (FB_ngon_encoding) and its root is the program's own, above the model's nodes.
        const std::string_view version(kVersionString);
        ours_ = generator.rfind(version.substr(0, version.rfind(' ') + 1), 0) == 0;
    }

    // This program's extras of each node of the scene, in NodesInWalkOrder's order.
    void SetNodeExtras(const std::vector<std::string>& extras)
    {
        const auto nodes = NodesInWalkOrder(scene_.mRootNode);
        if (nodes.size() != extras.size())
            return;
        for (std::size_t i = 0; i < nodes.size(); ++i)
            if (!extras[i].empty())
                extras_[nodes[i]] = extras[i];
    }

    Result<ImportReport> Run()
    {
        report_.model = std::make_unique<CModel>();
        CModel& model = *report_.model;
        model.formatTag = "JK1";
        model.version3do = "2.1";
        model.geosets.push_back(CGeometry());
        // The materials the faces use, in the file's order.
        std::vector<bool> used(scene_.mNumMaterials, false);
        for (unsigned i = 0; i < scene_.mNumMeshes; ++i)
            if (scene_.mMeshes[i]->mNumFaces > 0 && scene_.mMeshes[i]->mMaterialIndex < scene_.mNumMaterials)
                used[scene_.mMeshes[i]->mMaterialIndex] = true;
        // A file of this program's lists the model's materials in their order first.
        if (const auto& listed = TopFields().materials)
            for (const std::string& name : *listed) {
                unsigned i = 0;
                aiString text;
                while (i < scene_.mNumMaterials &&
                       !(scene_.mMaterials[i]->Get(AI_MATKEY_NAME, text) == aiReturn_SUCCESS && text.C_Str() == name))
                    ++i;
                if (i < scene_.mNumMaterials && used[i])
                    MaterialOf(i);
                else if (name != kNoMaterialName)
                    AddModelMaterialName(model, ToLowerAscii(name));
            }
        for (unsigned i = 0; i < scene_.mNumMaterials; ++i)
            if (used[i])
                MaterialOf(i);
        // The file's unit and axes, then the scale asked for.
        Affine top;
        const double s = options_.scale * frame_.toMetres;
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                top.m[r][c] = s * frame_.axes[r][c];
        report_.notes.insert(report_.notes.end(), frame_.notes.begin(), frame_.notes.end());
        CutSkins();
        WalkNodes(top);
        if (!refusal_.empty())
            return Fail(refusal_);
        if (faceCount_ == 0)
            return Fail("the file holds no faces");
        model.RebuildHierarchy();
        for (auto& mesh : model.geosets[0].meshes)
            RebuildListsIfChanged(model.caches, mesh);
        // The corners again from the lists, as after reading a 3DO file.
        BuildFaceCorners(model, [this](const std::string& name) -> std::optional<TextureSize> {
            if (const auto it = sizes_.find(ToLowerAscii(name)); it != sizes_.end())
                return it->second;
            return std::nullopt;
        });
        // Every mesh is new: each radius is measured.
        UpdateRadii(model);
        if (!options_.palette && model.customMaterials.Count() > 0)
            report_.notes.push_back("no colormap given: the new materials use the sample palette");
        Summarise();
        report_.breaches = CheckEngineLimits(model);
        return std::move(report_);
    }

private:
    void WalkNodes(const Affine& top)
    {
        struct Pending {
            const aiNode* node;
            int32_t parent;  // model node index, -1 at the top
            Affine parentWorld;
            Matrix3d parentRotation;
            Vec3d parentTranslation;
            Matrix3d chain;  // the parent's turn in the world, its own and its parents' (no scale)
        };
        const Matrix3d identity{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
        std::vector<Pending> stack;
        const aiNode* root = scene_.mRootNode;
        // The file's own node names first, so that the names made for split meshes are
        // none of them.
        for (const auto& [n, name] : NodeGameNames(root)) {
            nodeName_[n] = name;
            nodeNames_.Reserve(name);
            if (!name.empty() && name != n->mName.C_Str())
                NoteChangedName(n->mName.C_Str(), name);
        }
        auto pushChildren = [&stack](const aiNode* n, int32_t parent, const Affine& world, const Matrix3d& rotation,
                                     const Vec3d& translation, const Matrix3d& chain) {
            for (unsigned i = n->mNumChildren; i-- > 0;)
                stack.push_back({n->mChildren[i], parent, world, rotation, translation, chain});
        };
        if (ours_ && root->mNumMeshes == 0) {
            // The program's own top node carries the model's values.
            if (const auto offset = TopFields().insertOffset)
                report_.model->insertOffset = *offset * options_.scale;
            pushChildren(root, -1, Compose(top, FromAssimp(root->mTransformation)), identity, {0, 0, 0},
                         ChainTurn(RotationOf(top.m), FromAssimp(root->mTransformation)));
        } else {
            stack.push_back({root, -1, top, identity, {0, 0, 0}, RotationOf(top.m)});
        }
        while (!stack.empty() && refusal_.empty()) {
            const Pending p = stack.back();
            stack.pop_back();
            const Affine own = FromAssimp(p.node->mTransformation);
            const Affine world = Compose(p.parentWorld, own);
            // The file's axes turn the vertices, not the top node (an animation sets the
            // nodes' poses): the world is seen in the turned axes.
            const Matrix3d turned = Multiply(world.m, Transpose(frame_.axes));
            // The node holds its own turn and its parents' (a parent's unequal scale would
            // bend it); the rest (scale, shear, mirror) goes into its vertices.
            const Matrix3d chain = ChainTurn(p.chain, own);
            const Matrix3d rotation = Multiply(chain, Transpose(frame_.axes));
            const Matrix3d residual = Multiply(Transpose(rotation), turned);
            const Matrix3d local = Multiply(Transpose(p.parentRotation), rotation);
            const Vec3d shift = Sub(world.t, p.parentTranslation);
            const Matrix3d parentInverse = Transpose(p.parentRotation);
            const Vec3d localT = {Dot({parentInverse[0][0], parentInverse[0][1], parentInverse[0][2]}, shift),
                                  Dot({parentInverse[1][0], parentInverse[1][1], parentInverse[1][2]}, shift),
                                  Dot({parentInverse[2][0], parentInverse[2][1], parentInverse[2][2]}, shift)};
            const int32_t index = AddNode(*p.node, p.parent, local, localT, residual);
            pushChildren(p.node, index, world, rotation, world.t, chain);
        }
        LinkNodes();
    }

    int32_t AddNode(const aiNode& node, int32_t parent, const Matrix3d& rotation, const Vec3d& translation,
                    const Matrix3d& residual)
    {
        CModel& model = *report_.model;
        C3doNode n;
        const auto given = nodeName_.find(&node);
        bool changed = false;
        n.name = given != nodeName_.end() && !given->second.empty()
                     ? given->second
                     : nodeNames_.Take("", "node" + std::to_string(model.nodes.size()), changed);
        NodeGameFields game = GameFieldsOf(node);
        n.type = game.type.value_or(1);
        n.flags = game.flags.value_or(0);
        if (game.insertOffset)
            model.insertOffset = *game.insertOffset * options_.scale;
        n.parent = parent;
        n.rotation = AnglesFromYUp(rotation);
        n.position = FromYUp(Vec3(static_cast<float>(translation[0]), static_cast<float>(translation[1]),
                                  static_cast<float>(translation[2])));
        // A transform that is not a number leaves the node where its parent is; -0
        // would be written as "-0.000000".
        for (Vec3* v : {&n.rotation, &n.position}) {
            if (!std::isfinite(v->x) || !std::isfinite(v->y) || !std::isfinite(v->z))
                *v = Vec3();
            *v += Vec3();
        }
        // A place beyond the engine's range refuses the file, told in the file's axes as
        // its user knows them (the game's differ in sign and order only).
        const Vec3& at = n.position;
        if (!CoordinateFits(at.x) || !CoordinateFits(at.y) || !CoordinateFits(at.z))
            for (const double t : translation)
                if (const auto c = static_cast<float>(t); !CoordinateFits(c)) {
                    Refuse("node '" + std::string(node.mName.C_Str()) + "', position: " + CoordinateFault(c));
                    break;
                }
        const auto index = static_cast<int32_t>(model.nodes.size());
        model.nodes.push_back(std::move(n));
        children_.emplace_back();
        if (parent >= 0)
            children_[static_cast<std::size_t>(parent)].push_back(index);
        else
            roots_.push_back(index);

        std::vector<Face> faces = FacesOf(node, Multiply(residual, frame_.axes));
        // The scale asked for and the file's unit are no news; a node's own scale, shear
        // or mirror is.
        if (!faces.empty() && !NearIdentity(residual, options_.scale * frame_.toMetres))
            ++counts_.transformedNodes;
        // Fields of faces edited elsewhere (faces added, removed or cut) would land on
        // the wrong faces.
        if (game.faces && game.faces->size() != polygons_) {
            report_.notes.push_back("node '" + std::string(node.mName.C_Str()) + "': the extras list " +
                                    std::to_string(game.faces->size()) + " faces, the file has " +
                                    std::to_string(polygons_) + "; its faces get the usual modes");
            game.faces.reset();
        }
        AddMeshes(index, MeshName(node), std::move(faces), game);
        return index;
    }

    // The extras of the top node of this program's own files (the model's values).
    const NodeGameFields& TopFields()
    {
        if (!topFields_)
            topFields_ =
                ours_ && scene_.mRootNode->mNumMeshes == 0 ? GameFieldsOf(*scene_.mRootNode) : NodeGameFields{};
        return *topFields_;
    }

    // This program's extras of the node, what of them is sound; what is not is noted.
    NodeGameFields GameFieldsOf(const aiNode& node)
    {
        const auto it = extras_.find(&node);
        if (it == extras_.end())
            return {};
        const nlohmann::json json = nlohmann::json::parse(it->second, nullptr, false);
        std::string why;
        NodeGameFields fields = ReadGameExtras(json, why);
        if (!why.empty())
            report_.notes.push_back("node '" + std::string(node.mName.C_Str()) + "': extras left out (" + why + ")");
        return fields;
    }

    // The first coordinate out of the engine's range stops the import: the file's units
    // or the scale asked for are wrong, or the file is damaged.
    void Refuse(std::string where)
    {
        if (!refusal_.empty())
            return;
        refusal_ = std::move(where);
        if (options_.scale != 1.0f) {
            char text[32];
            const auto end = std::to_chars(text, text + sizeof text, options_.scale).ptr;
            refusal_ += " at the scale of " + std::string(text, end);
        }
    }

    // A mesh of the file as its user knows it: by its name, else by its number.
    std::string MeshLabel(const aiNode& node, unsigned index) const
    {
        std::string name = scene_.mMeshes[index]->mName.C_Str();
        if (name.empty())
            name = node.mName.C_Str();
        return name.empty() ? "mesh " + std::to_string(index) : "mesh '" + name + "'";
    }

    // The mesh's name: the one mesh's, or the shared name of a glTF mesh whose
    // primitives Assimp numbered (name-0, name-1, ...), else the node's.
    std::string MeshName(const aiNode& node) const
    {
        if (node.mNumMeshes == 0)
            return node.mName.C_Str();
        const std::string first = scene_.mMeshes[node.mMeshes[0]]->mName.C_Str();
        if (node.mNumMeshes == 1)
            return first.empty() ? std::string(node.mName.C_Str()) : first;
        if (EndsWith(first, "-0")) {
            const std::string base = first.substr(0, first.size() - 2);
            bool numbered = true;
            for (unsigned i = 0; i < node.mNumMeshes && numbered; ++i)
                numbered = scene_.mMeshes[node.mMeshes[i]]->mName.C_Str() == base + "-" + std::to_string(i);
            if (numbered && !base.empty())
                return base;
        }
        return node.mName.C_Str();
    }

    // A skinned mesh's faces carried by one bone: the mesh's vertices taken into the
    // bone's frame (its offset matrix), its faces those the bone carries most of.
    struct SkinPart {
        unsigned mesh = 0;
        Affine offset;
        std::vector<char> faces;  // by the mesh's face
    };

    // The game moves whole meshes on nodes, not vertices by weights: each face of a
    // skinned mesh goes whole to the bone that carries most of its corners' weight
    // (summed), and hangs on that bone's node. Faces no bone carries stay with the mesh.
    void CutSkins()
    {
        skinned_.assign(scene_.mNumMeshes, false);
        for (unsigned mi = 0; mi < scene_.mNumMeshes; ++mi) {
            const aiMesh& mesh = *scene_.mMeshes[mi];
            if (mesh.mNumBones == 0 || !mesh.mBones)
                continue;
            std::vector<const aiNode*> boneNodes(mesh.mNumBones, nullptr);
            // Each vertex's weights, by bone.
            std::vector<std::vector<std::pair<unsigned, double>>> weights(mesh.mNumVertices);
            for (unsigned b = 0; b < mesh.mNumBones; ++b) {
                const aiBone* bone = mesh.mBones[b];
                if (!bone)
                    continue;
                boneNodes[b] = scene_.mRootNode->FindNode(bone->mName);
                for (unsigned w = 0; w < bone->mNumWeights && bone->mWeights; ++w) {
                    const aiVertexWeight& vw = bone->mWeights[w];
                    if (vw.mVertexId < mesh.mNumVertices && std::isfinite(vw.mWeight) && vw.mWeight > 0.0f)
                        weights[vw.mVertexId].emplace_back(b, vw.mWeight);
                }
            }
            std::vector<std::vector<char>> carried(mesh.mNumBones, std::vector<char>(mesh.mNumFaces, 0));
            std::vector<std::size_t> taken(mesh.mNumBones, 0);
            std::vector<char> rest(mesh.mNumFaces, 0);
            std::size_t left = 0;
            std::vector<double> sum(mesh.mNumBones);
            for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
                const aiFace& face = mesh.mFaces[f];
                if (face.mNumIndices < 3)
                    continue;
                std::fill(sum.begin(), sum.end(), 0.0);
                for (unsigned k = 0; k < face.mNumIndices; ++k)
                    if (face.mIndices[k] < mesh.mNumVertices)
                        for (const auto& [b, w] : weights[face.mIndices[k]])
                            sum[b] += w;
                // The first bone of the largest sum: a tie goes the same way every time.
                const auto best = static_cast<unsigned>(std::max_element(sum.begin(), sum.end()) - sum.begin());
                if (sum[best] > 0.0 && boneNodes[best]) {
                    carried[best][f] = 1;
                    ++taken[best];
                } else {
                    rest[f] = 1;
                    ++left;
                }
            }
            skinned_[mi] = true;
            std::string shares;
            for (unsigned b = 0; b < mesh.mNumBones; ++b) {
                if (taken[b] == 0)
                    continue;
                skinParts_[boneNodes[b]].push_back({mi, FromAssimp(mesh.mBones[b]->mOffsetMatrix), std::move(carried[b])});
                shares += std::string(shares.empty() ? "" : ", ") + "'" + TerminalSafe(mesh.mBones[b]->mName.C_Str()) +
                          "' " + std::to_string(taken[b]);
            }
            std::string note = "mesh '" + TerminalSafe(mesh.mName.C_Str()) +
                               "': its skin's weights became whole parts, each face going to the bone that carries "
                               "most of it (faces per bone: " +
                               (shares.empty() ? "none" : shares) + ")";
            if (left > 0) {
                note += "; " + std::to_string(left) + " faces no bone of the file carries stay with its node";
                leftFaces_[mi] = std::move(rest);
            }
            report_.notes.push_back(note);
        }
    }

    std::vector<Face> FacesOf(const aiNode& node, const Matrix3d& residual)
    {
        // The node's own meshes (a skinned one only for the faces no bone carries), then
        // the faces of skinned meshes it carries as a bone.
        struct Part {
            unsigned mesh;
            const Affine* offset;           // into the node's frame; null: already in it
            const std::vector<char>* only;  // the faces taken, by the mesh's face; null: all
        };
        std::vector<Part> parts;
        for (unsigned mi = 0; mi < node.mNumMeshes; ++mi) {
            const unsigned index = node.mMeshes[mi];
            if (index >= scene_.mNumMeshes)
                continue;
            if (!skinned_[index])
                parts.push_back({index, nullptr, nullptr});
            else if (const auto it = leftFaces_.find(index); it != leftFaces_.end())
                parts.push_back({index, nullptr, &it->second});
        }
        if (const auto it = skinParts_.find(&node); it != skinParts_.end())
            for (const SkinPart& part : it->second)
                parts.push_back({part.mesh, &part.offset, &part.faces});

        std::vector<Face> faces;
        polygons_ = 0;
        const bool mirrored = Determinant(residual) < 0.0;
        for (const Part& part : parts) {
            const aiMesh& mesh = *scene_.mMeshes[part.mesh];
            const MaterialChoice material = MaterialOf(mesh.mMaterialIndex);
            std::vector<Corner> points(mesh.mNumVertices);
            std::vector<bool> used(mesh.mNumVertices, false);
            for (unsigned f = 0; f < mesh.mNumFaces; ++f)
                if (mesh.mFaces[f].mNumIndices >= 3 && (!part.only || (*part.only)[f]))
                    for (unsigned k = 0; k < mesh.mFaces[f].mNumIndices; ++k)
                        if (mesh.mFaces[f].mIndices[k] < mesh.mNumVertices)
                            used[mesh.mFaces[f].mIndices[k]] = true;
            for (unsigned v = 0; v < mesh.mNumVertices; ++v) {
                aiVector3D a = mesh.mVertices[v];
                if (part.offset) {
                    const Affine& o = *part.offset;
                    const Vec3d d{a.x, a.y, a.z};
                    a = aiVector3D(static_cast<ai_real>(Dot({o.m[0][0], o.m[0][1], o.m[0][2]}, d) + o.t[0]),
                                   static_cast<ai_real>(Dot({o.m[1][0], o.m[1][1], o.m[1][2]}, d) + o.t[1]),
                                   static_cast<ai_real>(Dot({o.m[2][0], o.m[2][1], o.m[2][2]}, d) + o.t[2]));
                }
                Vec3d p{};
                for (int r = 0; r < 3; ++r)
                    p[static_cast<std::size_t>(r)] = residual[r][0] * a.x + residual[r][1] * a.y + residual[r][2] * a.z;
                // Adding 0 turns -0 into 0, so that equal positions have equal bits.
                points[v].position = FromYUp(Vec3(static_cast<float>(p[0]) + 0.0f, static_cast<float>(p[1]) + 0.0f,
                                                  static_cast<float>(p[2]) + 0.0f));
                if (mesh.mTextureCoords[0]) {
                    const float u = mesh.mTextureCoords[0][v].x, w = 1.0f - mesh.mTextureCoords[0][v].y;
                    points[v].u = std::isfinite(u) ? u : 0.0f;
                    points[v].v = std::isfinite(w) ? w : 0.0f;
                }
                // Scaled as the model will hold it, in the file's axes (the game's differ
                // in sign and order only, so the range is the same).
                for (const double d : p)
                    if (const auto c = static_cast<float>(d); used[v] && !CoordinateFits(c)) {
                        Refuse(MeshLabel(node, part.mesh) + ", vertex " + std::to_string(v) + ": " +
                               CoordinateFault(c));
                        return {};
                    }
            }
            for (std::vector<unsigned>& polygon : Polygons(mesh, points, part.only)) {
                std::vector<Corner> corners;
                // Counter-clockwise towards the viewer in the file is the model's corner
                // order reversed; a mirror turns it round once more.
                if (!mirrored)
                    std::reverse(polygon.begin(), polygon.end());
                for (const unsigned i : polygon)
                    if (corners.empty() || !(points[i].position == corners.back().position))
                        corners.push_back(points[i]);
                while (corners.size() > 1 && corners.front().position == corners.back().position)
                    corners.pop_back();
                const std::size_t before = faces.size();
                AddPolygon(faces, std::move(corners), material);
                for (std::size_t k = before; k < faces.size(); ++k)
                    faces[k].polygon = polygons_;
                ++polygons_;
            }
        }
        return faces;
    }

    // The file's faces, triangles in a row that fan out from one corner joined again
    // into the polygon they came from: always in this program's own glTF files, in
    // others while the polygon stays flat and convex.
    // only: the faces taken, by the mesh's face (null: all).
    std::vector<std::vector<unsigned>> Polygons(const aiMesh& mesh, const std::vector<Corner>& points,
                                                const std::vector<char>* only) const
    {
        std::vector<std::vector<unsigned>> out;
        for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
            const aiFace& face = mesh.mFaces[f];
            if (face.mNumIndices < 3 || (only && !(*only)[f]))
                continue;
            if (face.mNumIndices == 3 && !out.empty()) {
                std::vector<unsigned>& last = out.back();
                // Our own faces are joined whole, however many corners they have, so
                // that the extras' list of faces still matches them.
                if ((ours_ || last.size() < kMaxFaceCorners) && face.mIndices[0] == last.front() &&
                    face.mIndices[1] == last.back() && FanContinues(last, face.mIndices[2], points)) {
                    last.push_back(face.mIndices[2]);
                    continue;
                }
            }
            out.emplace_back(face.mIndices, face.mIndices + face.mNumIndices);
        }
        return out;
    }

    bool FanContinues(const std::vector<unsigned>& polygon, unsigned next, const std::vector<Corner>& points) const
    {
        if (ours_)
            return true;
        std::vector<Vec3> joined;
        for (const unsigned i : polygon)
            joined.push_back(points[i].position);
        joined.push_back(points[next].position);
        const Vec3d n = NewellNormal(joined);
        return IsPlanar(joined, n) && IsConvex(joined, n);
    }

    // A face as the engine takes it, by the one rule for faces (model/polygon.h): at least
    // three distinct corners with an area, flat, convex, at most 24 corners; else the
    // pieces the rule cuts it into.
    void AddPolygon(std::vector<Face>& faces, std::vector<Corner> corners, const MaterialChoice& material)
    {
        std::vector<Vec3> positions;
        positions.reserve(corners.size());
        for (const Corner& c : corners)
            positions.push_back(c.position);
        const PolygonShape shape = ShapeOf(positions);
        if (shape == PolygonShape::Degenerate) {
            ++counts_.degenerate;
            return;
        }
        for (std::size_t i = 0; i < corners.size(); ++i)
            corners[i].index = i;
        const std::size_t whole = corners.size();
        auto add = [&](std::vector<Corner> c) {
            faces.push_back({std::move(c), material.index, material.size, whole});
            ++faceCount_;
        };
        if (shape == PolygonShape::Good) {
            add(std::move(corners));
            return;
        }
        ++(shape == PolygonShape::TooManyCorners ? counts_.bigSplit : counts_.triangulated);
        for (const std::vector<std::size_t>& piece : SplitPolygon(positions, kMaxFaceCorners)) {
            std::vector<Corner> part;
            for (const std::size_t i : piece)
                part.push_back(corners[i]);
            add(std::move(part));
        }
    }

    // The faces of one node as meshes under the engine's limits: the first is the node's
    // own, the rest hang under it on nodes of their own that do not move.
    void AddMeshes(int32_t node, const std::string& name, std::vector<Face> faces, const NodeGameFields& game)
    {
        if (faces.empty())
            return;
        CModel& model = *report_.model;
        struct Key {
            std::array<float, 3> v;
            bool operator==(const Key&) const = default;
        };
        struct KeyHash {
            std::size_t operator()(const Key& k) const
            {
                uint32_t h[3];
                std::memcpy(h, k.v.data(), sizeof h);
                return (std::size_t{h[0]} * 73856093u) ^ (std::size_t{h[1]} * 19349663u) ^
                       (std::size_t{h[2]} * 83492791u);
            }
        };
        std::vector<std::vector<Face>> parts(1);
        std::unordered_set<Key, KeyHash> positions, texels;
        for (Face& face : faces) {
            std::vector<Key> newPositions, newTexels;
            for (const Corner& c : face.corners) {
                const Key p{{c.position.x, c.position.y, c.position.z}};
                float u = c.u, v = c.v;
                CleanTexCoords(u, v);
                const Key t{{u * static_cast<float>(face.size.width), v * static_cast<float>(face.size.height), 0.0f}};
                if (!positions.count(p) && std::find(newPositions.begin(), newPositions.end(), p) == newPositions.end())
                    newPositions.push_back(p);
                if (!texels.count(t) && std::find(newTexels.begin(), newTexels.end(), t) == newTexels.end())
                    newTexels.push_back(t);
            }
            if (parts.back().size() + 1 > kMaxMeshFaces || positions.size() + newPositions.size() > kMaxMeshVertices ||
                texels.size() + newTexels.size() > kMaxMeshTextureVertices) {
                parts.emplace_back();
                positions.clear();
                texels.clear();
                newPositions.clear();
                newTexels.clear();
                for (const Corner& c : face.corners) {
                    float u = c.u, v = c.v;
                    CleanTexCoords(u, v);
                    newPositions.push_back({{c.position.x, c.position.y, c.position.z}});
                    newTexels.push_back(
                        {{u * static_cast<float>(face.size.width), v * static_cast<float>(face.size.height), 0.0f}});
                }
            }
            positions.insert(newPositions.begin(), newPositions.end());
            texels.insert(newTexels.begin(), newTexels.end());
            parts.back().push_back(std::move(face));
        }
        if (parts.size() > 1)
            ++counts_.splitMeshes;
        for (std::size_t k = 0; k < parts.size(); ++k) {
            int32_t owner = node;
            if (k > 0) {
                // A node of its own under the first, with no place or turn of its own.
                C3doNode extra;
                bool cut = false;
                extra.name = nodeNames_.Take(
                    model.nodes[static_cast<std::size_t>(node)].name + "_" + std::to_string(k + 1), "node", cut);
                extra.type = 1;
                extra.parent = node;
                owner = static_cast<int32_t>(model.nodes.size());
                model.nodes.push_back(std::move(extra));
                children_.emplace_back();
                children_[static_cast<std::size_t>(node)].push_back(owner);
            }
            CMesh mesh;
            bool changed = false;
            mesh.name = meshNames_.Take(k == 0 ? name : name + "_" + std::to_string(k + 1),
                                        "mesh" + std::to_string(model.geosets[0].meshes.size()), changed);
            if (changed && k == 0)
                NoteChangedName(name, mesh.name);
            const MeshModes modes = game.meshModes.value_or(MeshModes{kGeometryMode, kLightingMode, kTextureMode});
            mesh.geometryMode = modes[0];
            mesh.lightingMode = modes[1];
            mesh.textureMode = modes[2];
            for (Face& f : parts[k]) {
                CFace face;
                face.material = f.material;
                face.geometryMode = kGeometryMode;
                face.lightingMode = kLightingMode;
                face.textureMode = kTextureMode;
                if (game.faces) {
                    const FaceGameFields& g = (*game.faces)[f.polygon];
                    face.type = g.type;
                    face.geometryMode = g.geometryMode;
                    face.lightingMode = g.lightingMode;
                    face.textureMode = g.textureMode;
                    face.extraLight = g.extraLight;
                }
                face.uScale = static_cast<float>(f.size.width) / 2.0f;
                face.vScale = static_cast<float>(f.size.height) / 2.0f;
                for (const Corner& c : f.corners) {
                    VertexRecord r;
                    r.SetPosition(c.position);
                    r.color = kCornerColor;
                    // The file's coordinates span the texture once; corners count texels.
                    r.u = c.u * static_cast<float>(f.size.width);
                    r.v = c.v * static_cast<float>(f.size.height);
                    face.corners.push_back(r);
                }
                // The polygon's corners as the file lists them, also those of a piece cut from it.
                if (game.faces && (*game.faces)[f.polygon].intensities.size() == f.wholeCorners)
                    for (std::size_t c = 0; c < face.corners.size(); ++c)
                        face.corners[c].SetIntensity((*game.faces)[f.polygon].intensities[f.corners[c].index]);
                face.ComputeFaceNormal();
                mesh.faces.push_back(std::move(face));
            }
            model.nodes[static_cast<std::size_t>(owner)].mesh = static_cast<int32_t>(model.geosets[0].meshes.size());
            model.geosets[0].meshes.push_back(std::move(mesh));
        }
    }

    // First child and sibling links from the children lists; the top nodes are siblings
    // of node 0.
    void LinkNodes()
    {
        CModel& model = *report_.model;
        auto chain = [&model](const std::vector<int32_t>& list) {
            for (std::size_t i = 0; i + 1 < list.size(); ++i)
                model.nodes[static_cast<std::size_t>(list[i])].sibling = list[i + 1];
        };
        for (std::size_t i = 0; i < children_.size(); ++i) {
            if (!children_[i].empty())
                model.nodes[i].child = children_[i].front();
            chain(children_[i]);
        }
        chain(roots_);
    }

    // ---- materials --------------------------------------------------------------------

    MaterialChoice MaterialOf(unsigned index)
    {
        if (index >= scene_.mNumMaterials)
            return {};
        if (const auto it = materials_.find(index); it != materials_.end())
            return it->second;
        const MaterialChoice choice = MakeMaterial(*scene_.mMaterials[index]);
        materials_[index] = choice;
        return choice;
    }

    MaterialChoice MakeMaterial(const aiMaterial& material)
    {
        CModel& model = *report_.model;
        aiString text;
        const std::string raw = material.Get(AI_MATKEY_NAME, text) == aiReturn_SUCCESS ? text.C_Str() : "";
        if (raw == kNoMaterialName)
            return {};
        const std::string lower = ToLowerAscii(raw);
        // A material of the game's or of the mod's.
        auto amongResources = [this](const std::string& name) { return HasMaterial(options_.resources, name); };
        auto sizeOf = [this](const std::string& name) {
            if (options_.textureSize)
                if (const auto size = options_.textureSize(name); size && size->width > 0 && size->height > 0)
                    return *size;
            return TextureSize{};
        };
        auto take = [&](const std::string& name, TextureSize size) {
            MaterialChoice choice;
            choice.index = static_cast<int32_t>(AddModelMaterialName(model, name));
            choice.size = size;
            sizes_[ToLowerAscii(name)] = size;
            return choice;
        };
        // A game material by its name (as this program's exports name them).
        const bool gameName = EndsWith(lower, ".mat") && lower.size() <= kMaxNameLength &&
                              lower.find_first_of(" \t\\/") == std::string::npos;
        if (gameName && amongResources(lower))
            return take(lower, sizeOf(lower));

        std::string textureError;
        std::optional<RgbaPicture> picture = Picture(material, textureError);
        if (!picture && gameName) {
            if (!amongResources(lower))
                report_.notes.push_back("material " + lower + " is kept by its name; it is not among the resources");
            return take(lower, sizeOf(lower));
        }
        // A custom material of the program's own, under a name no stock material has.
        std::string stem = ToLowerAscii(GameName(lower, lower.size() * 2));
        if (EndsWith(stem, ".mat"))
            stem.resize(stem.size() - 4);
        for (char& c : stem)
            if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_')
                c = '_';
        if (stem.empty())
            stem = "material";
        const std::string name = materialNames_.Take(stem, ".mat", [&](const std::string& candidate) {
            return amongResources(candidate) || FindModelMaterial(model, candidate).has_value();
        });
        if (!textureError.empty())
            report_.notes.push_back("material " + name + ": " + textureError + "; a plain colour is used");
        std::vector<uint8_t> bytes;
        TextureSize size{256, 256};
        if (picture) {
            const int32_t w = TextureSide(picture->width), h = TextureSide(picture->height);
            if (w != picture->width || h != picture->height) {
                report_.notes.push_back("the texture of " + name + " is resized from " +
                                        std::to_string(picture->width) + " x " + std::to_string(picture->height) +
                                        " to " + std::to_string(w) + " x " + std::to_string(h));
                *picture = Resample(*picture, w, h);
            }
            if (HasSeeThroughPixels(*picture)) {
                bytes = MakeMat(RemapRgbaTransparent(*picture, palette_), true);
                report_.notes.push_back("the texture of " + name +
                                        " has see-through pixels: the material is transparent there");
            } else {
                bytes = MakeMat(RemapRgba(*picture, palette_));
            }
            size = {w, h};
        } else {
            aiColor4D color(0.6f, 0.6f, 0.6f, 1.0f);
            if (material.Get(AI_MATKEY_BASE_COLOR, color) != aiReturn_SUCCESS)
                material.Get(AI_MATKEY_COLOR_DIFFUSE, color);
            auto byte = [](float v) { return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f)); };
            bytes = MakeColorMat(NearestPaletteIndex(palette_, byte(color.r), byte(color.g), byte(color.b)));
        }
        PutCustomMaterial(model.customMaterials, name, std::move(bytes));
        return take(name, size);
    }

    // The material's base colour or diffuse texture, from the file itself or from
    // beside it; nothing when it has none, with the reason when it cannot be read.
    std::optional<RgbaPicture> Picture(const aiMaterial& material, std::string& error)
    {
        aiString path;
        if (material.GetTexture(aiTextureType_BASE_COLOR, 0, &path) != aiReturn_SUCCESS &&
            material.GetTexture(aiTextureType_DIFFUSE, 0, &path) != aiReturn_SUCCESS)
            return std::nullopt;
        const std::string name = path.C_Str();
        Result<RgbaPicture> picture = Fail("");
        if (const aiTexture* embedded = scene_.GetEmbeddedTexture(path.C_Str())) {
            if (embedded->mHeight == 0) {
                picture = DecodePicture(
                    std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(embedded->pcData), embedded->mWidth));
            } else if (static_cast<std::size_t>(embedded->mWidth) * embedded->mHeight <= kMaxPicturePixels) {
                RgbaPicture raw;
                raw.width = static_cast<int32_t>(embedded->mWidth);
                raw.height = static_cast<int32_t>(embedded->mHeight);
                for (std::size_t i = 0; i < static_cast<std::size_t>(embedded->mWidth) * embedded->mHeight; ++i) {
                    const aiTexel& t = embedded->pcData[i];
                    raw.rgba.insert(raw.rgba.end(), {t.r, t.g, t.b, t.a});
                }
                picture = std::move(raw);
            } else {
                picture = Fail("the texture is too large");
            }
        } else if (!name.empty() && name[0] == '*') {
            picture = Fail("the file's texture " + name + " is missing");
        } else {
            const fs::path file = TextureFile(name);
            if (file.empty()) {
                error = "its texture " + name + " is not found";
                return std::nullopt;
            }
            auto bytes = ReadWholeFile(file);
            picture = bytes ? DecodePicture(*bytes) : Result<RgbaPicture>(Fail(bytes.error()));
        }
        if (!picture) {
            error = "its texture " + name + " cannot be read (" + picture.error() + ")";
            return std::nullopt;
        }
        return std::move(*picture);
    }

    // A texture named by the file: as given, beside the file, or by its bare name beside
    // the file (tools often keep the folders of the machine that made it).
    fs::path TextureFile(std::string name) const
    {
        if (folder_.empty())
            return {};
        std::replace(name.begin(), name.end(), '\\', '/');
        std::error_code ec;
        const fs::path given(name);
        for (const fs::path& candidate : {given.is_absolute() ? given : folder_ / given, folder_ / given.filename()})
            if (fs::is_regular_file(candidate, ec))
                return candidate;
        return {};
    }

    void Summarise()
    {
        auto note = [this](std::size_t n, const std::string& text) {
            if (n > 0)
                report_.notes.push_back(text + ": " + std::to_string(n));
        };
        note(counts_.degenerate, "faces without an area left out");
        note(counts_.triangulated, "polygons that are not flat and convex cut into flat convex pieces");
        note(counts_.bigSplit, "polygons of more than 24 corners cut into fans");
        note(counts_.transformedNodes, "nodes with a scale, shear or mirror: applied to their vertices");
        note(counts_.splitMeshes, "meshes over the engine's limits split into several");
        if (!counts_.changedNames.empty()) {
            std::string list;
            for (const auto& [source, name] : counts_.changedNames)
                list += (list.empty() ? "'" : ", '") + TerminalSafe(source) + "' as '" + name + "'";
            report_.notes.push_back("names made ones the game reads (ASCII, at most " + std::to_string(kMaxNameLength) +
                                    " characters, told apart): " + list);
        }
    }

    const aiScene& scene_;
    fs::path folder_;
    const ImportOptions& options_;
    FileFrame frame_;
    Palette palette_{};
    bool ours_ = false;
    ImportReport report_;
    Counts counts_;
    std::size_t faceCount_ = 0;
    std::size_t polygons_ = 0;  // of the node whose faces were read last
    std::map<const aiNode*, std::string> extras_;
    std::vector<bool> skinned_;                                   // by mesh: cut into its bones' parts
    std::map<const aiNode*, std::vector<SkinPart>> skinParts_;    // by bone node
    std::map<unsigned, std::vector<char>> leftFaces_;             // by skinned mesh: faces no bone carries
    std::optional<NodeGameFields> topFields_;
    std::string refusal_;  // why the file is not taken
    NameList nodeNames_, meshNames_;
    std::unordered_map<const aiNode*, std::string> nodeName_;  // the file's nodes' game names

    void NoteChangedName(const std::string& source, const std::string& name)
    {
        for (const auto& [was, now] : counts_.changedNames)
            if (was == source && now == name)
                return;
        counts_.changedNames.emplace_back(source, name);
    }
    UniqueNames materialNames_{kMaxNameLength};  // the custom materials made
    std::vector<std::vector<int32_t>> children_;
    std::vector<int32_t> roots_;
    std::map<unsigned, MaterialChoice> materials_;
    std::map<std::string, TextureSize> sizes_;
};

constexpr unsigned kImportSteps =
    aiProcess_ValidateDataStructure | aiProcess_SortByPType | aiProcess_GenUVCoords | aiProcess_TransformUVCoords;

// Assimp's binary form, which carries the scene from the child, leaves out a few names
// the import uses; they travel beside it.
struct Handover {
    std::string generator;  // the scene's metadata is not kept
    std::vector<std::string> meshNames;
    std::vector<std::string> textureNames;  // embedded pictures are found by them
    std::vector<std::string> nodeExtras;    // TakeNodeExtras
    std::vector<std::string> leftOut;       // what the game cannot hold, a line each
    std::vector<std::string> morphKeyed;    // the animations (by number) that key morph weights
    std::vector<KeyCurve> curves;           // steps and splines the reader flattens (glTF)
    std::string scene;                      // in Assimp's binary form
    FileFrame frame;                        // from the metadata
};

void PutNumber(std::string& out, std::size_t n)
{
    const auto value = static_cast<uint32_t>(n);
    out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

bool GetNumber(const std::string& in, std::size_t& at, uint32_t& n)
{
    if (in.size() - at < sizeof n)
        return false;
    std::memcpy(&n, in.data() + at, sizeof n);
    at += sizeof n;
    return true;
}

void PutReal(std::string& out, double value) { out.append(reinterpret_cast<const char*>(&value), sizeof value); }

bool GetReal(const std::string& in, std::size_t& at, double& value)
{
    if (in.size() - at < sizeof value)
        return false;
    std::memcpy(&value, in.data() + at, sizeof value);
    at += sizeof value;
    return true;
}

void Put(std::string& out, const std::string& text)
{
    PutNumber(out, text.size());
    out += text;
}

bool Get(const std::string& in, std::size_t& at, std::string& text)
{
    uint32_t length = 0;
    if (!GetNumber(in, at, length) || in.size() - at < length)
        return false;
    text = in.substr(at, length);
    at += length;
    return true;
}

std::string Pack(const Handover& h)
{
    std::string out;
    Put(out, h.generator);
    PutReal(out, h.frame.toMetres);
    PutReal(out, h.frame.rootIsFrame ? 1.0 : 0.0);
    for (const auto& row : h.frame.axes)
        for (const double v : row)
            PutReal(out, v);
    for (const auto* list : {&h.meshNames, &h.textureNames, &h.nodeExtras, &h.frame.notes, &h.leftOut, &h.morphKeyed}) {
        PutNumber(out, list->size());
        for (const auto& name : *list)
            Put(out, name);
    }
    PutNumber(out, h.curves.size());
    for (const KeyCurve& c : h.curves) {
        PutNumber(out, c.animation);
        Put(out, c.node);
        PutNumber(out, static_cast<std::size_t>(c.path));
        PutNumber(out, static_cast<std::size_t>(c.shape));
        for (const auto* list : {&c.times, &c.values}) {
            PutNumber(out, list->size());
            for (const double v : *list)
                PutReal(out, v);
        }
    }
    Put(out, h.scene);
    return out;
}

std::optional<Handover> Unpack(const std::string& in)
{
    Handover h;
    std::size_t at = 0;
    double rootIsFrame = 0.0;
    if (!Get(in, at, h.generator) || !GetReal(in, at, h.frame.toMetres) || !GetReal(in, at, rootIsFrame))
        return std::nullopt;
    h.frame.rootIsFrame = rootIsFrame != 0.0;
    for (auto& row : h.frame.axes)
        for (double& v : row)
            if (!GetReal(in, at, v))
                return std::nullopt;
    for (auto* list : {&h.meshNames, &h.textureNames, &h.nodeExtras, &h.frame.notes, &h.leftOut, &h.morphKeyed}) {
        uint32_t count = 0;
        // Each name takes at least its length word: a larger count is damage.
        if (!GetNumber(in, at, count) || count > (in.size() - at) / sizeof count)
            return std::nullopt;
        list->resize(count);
        for (auto& name : *list)
            if (!Get(in, at, name))
                return std::nullopt;
    }
    uint32_t curves = 0;
    if (!GetNumber(in, at, curves) || curves > (in.size() - at) / sizeof curves)
        return std::nullopt;
    h.curves.resize(curves);
    for (KeyCurve& c : h.curves) {
        uint32_t path = 0, shape = 0;
        if (!GetNumber(in, at, c.animation) || !Get(in, at, c.node) || !GetNumber(in, at, path) ||
            !GetNumber(in, at, shape) || path > 2 || shape > 1)
            return std::nullopt;
        c.path = static_cast<KeyCurve::Path>(path);
        c.shape = static_cast<KeyCurve::Shape>(shape);
        for (auto* list : {&c.times, &c.values}) {
            uint32_t count = 0;
            if (!GetNumber(in, at, count) || count > (in.size() - at) / sizeof(double))
                return std::nullopt;
            list->resize(count);
            for (double& v : *list)
                if (!GetReal(in, at, v))
                    return std::nullopt;
        }
        if (!c.Sound())
            return std::nullopt;
    }
    if (!Get(in, at, h.scene))
        return std::nullopt;
    return h;
}

// The bytes the reader takes in for the file at path of size bytes: a .gltf file's
// buffers are files of their own, as a rule .bin files beside it.
uint64_t BytesRead(const fs::path& path, uint64_t size, const std::string& extension)
{
    if (extension != "gltf")
        return size;
    std::error_code ec;
    const fs::path folder = path.parent_path().empty() ? fs::path(".") : path.parent_path();
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code fileError;
        if (ToLowerAscii(it->path().extension().string()) != ".bin" || !it->is_regular_file(fileError))
            continue;
        if (const uintmax_t bytes = it->file_size(fileError); !fileError)
            size += bytes;
    }
    return size;
}

// Levels of nodes a file may nest. Taking the scene over from the reader's process walks
// down its tree by recursion (in Assimp), one call per level: a chain some thousands of
// levels deep overflows the stack. Models of the game nest a few levels, skeletons of
// other tools some dozens.
constexpr std::size_t kMaxImportDepth = 1000;

// The levels below root (root alone: 1), counted up to one past limit.
std::size_t HierarchyDepth(const aiNode* root, std::size_t limit)
{
    std::size_t deepest = 0;
    std::vector<std::pair<const aiNode*, std::size_t>> stack = {{root, 1}};
    while (!stack.empty() && deepest <= limit) {
        const auto [node, depth] = stack.back();
        stack.pop_back();
        deepest = std::max(deepest, depth);
        for (unsigned i = 0; i < node->mNumChildren; ++i)
            if (node->mChildren[i])
                stack.push_back({node->mChildren[i], depth + 1});
    }
    return deepest;
}

// Reads a file of size bytes whose extension (without its dot) names its format.
// curves, where given, reads a glTF file's steps and splines.
Result<std::string> ReadInChild(const std::function<const aiScene*(Assimp::Importer&)>& read,
                                const std::string& extension, uint64_t size, const ImportOptions& options,
                                const std::function<std::vector<KeyCurve>()>& curves)
{
    ChildLimits limits;
    limits.time = ReadTimeLimit(size, options.readLimit);
    limits.memory = ReadMemoryBudget(size);
    limits.kind = NotAFileOf(extension);
    return RunInChild(
        [&]() -> Result<std::string> {
            Assimp::Importer importer;
            // Points and lines are no faces.
            importer.SetPropertyInteger(AI_CONFIG_PP_SBP_REMOVE, aiPrimitiveType_POINT | aiPrimitiveType_LINE);
            const aiScene* scene = read(importer);
            if (!scene)
                return Fail(ReaderFailure(importer.GetErrorString(), extension,
                                          !extension.empty() && importer.IsExtensionSupported("." + extension)));
            if (!scene->mRootNode)
                return Fail("the file holds no scene");
            if (HierarchyDepth(scene->mRootNode, kMaxImportDepth) > kMaxImportDepth)
                return Fail("the file's node hierarchy is more than " + std::to_string(kMaxImportDepth) +
                            " levels deep; the import takes at most " + std::to_string(kMaxImportDepth));
            Handover h;
            aiString text;
            if (scene->mMetaData && scene->mMetaData->Get(AI_METADATA_SOURCE_GENERATOR, text))
                h.generator = text.C_Str();
            for (unsigned i = 0; i < scene->mNumMeshes; ++i) {
                const aiMesh& mesh = *scene->mMeshes[i];
                h.meshNames.emplace_back(mesh.mName.C_Str());
                // The hand-over does not carry these: they are named here, where they are seen.
                const std::string called = "mesh '" + TerminalSafe(mesh.mName.C_Str()) + "'";
                if (mesh.mNumAnimMeshes > 0)
                    h.leftOut.push_back(called + ": its morph targets (" + std::to_string(mesh.mNumAnimMeshes) +
                                        ") are left out (the game has none)");
            }
            for (unsigned i = 0; i < scene->mNumTextures; ++i)
                h.textureNames.emplace_back(scene->mTextures[i]->mFilename.C_Str());
            for (unsigned i = 0; i < scene->mNumAnimations; ++i)
                if (scene->mAnimations[i] &&
                    (scene->mAnimations[i]->mNumMorphMeshChannels > 0 || scene->mAnimations[i]->mNumMeshChannels > 0))
                    h.morphKeyed.push_back(std::to_string(i));
            h.nodeExtras = TakeNodeExtras(scene->mRootNode);
            h.frame = FrameOf(*scene, extension, options.up);
            if (curves && (extension == "gltf" || extension == "glb"))
                h.curves = curves();
            Assimp::Exporter exporter;
            const aiExportDataBlob* blob = exporter.ExportToBlob(scene, "assbin");
            if (!blob)
                return Fail(std::string("the scene cannot be handed over (") + exporter.GetErrorString() + ")");
            h.scene.assign(static_cast<const char*>(blob->data), blob->size);
            return Pack(h);
        },
        limits);
}

Result<ImportReport> Convert(const Result<std::string>& handed, const fs::path& folder, const ImportOptions& options)
{
    if (!handed)
        return Fail(handed.error());
    if (!(options.scale > 0.0f) || !std::isfinite(options.scale))
        return Fail("the scale must be a positive number");
    const std::optional<Handover> h = Unpack(*handed);
    if (!h || !(h->frame.toMetres > 0.0) || !std::isfinite(h->frame.toMetres))
        return Fail("the reader gave back a damaged scene");
    Assimp::Importer importer;
    if (!importer.ReadFileFromMemory(h->scene.data(), h->scene.size(), 0, "assbin"))
        return Fail(std::string("the scene read cannot be taken over (") + importer.GetErrorString() + ")");
    std::unique_ptr<aiScene> scene(importer.GetOrphanedScene());
    if (!scene->mRootNode || scene->mNumMeshes != h->meshNames.size() || scene->mNumTextures != h->textureNames.size())
        return Fail("the reader gave back a damaged scene");
    for (unsigned i = 0; i < scene->mNumMeshes; ++i)
        scene->mMeshes[i]->mName.Set(h->meshNames[i]);
    for (unsigned i = 0; i < scene->mNumTextures; ++i)
        scene->mTextures[i]->mFilename.Set(h->textureNames[i]);
    if (h->frame.rootIsFrame)
        scene->mRootNode->mTransformation = aiMatrix4x4();
    Importer model(*scene, h->generator, folder, options, h->frame);
    model.SetNodeExtras(h->nodeExtras);
    auto report = model.Run();
    if (report)
        report->notes.insert(report->notes.end(), h->leftOut.begin(), h->leftOut.end());
    return report;
}

// The file read by Assimp in a child process and handed back packed, once its size was
// checked against what it announces.
// withCurves: an animation is to be taken from it, its glTF steps and splines with it.
Result<std::string> HandedFromFile(const fs::path& path, const ImportOptions& options, bool withCurves = false)
{
    std::error_code ec;
    if (!fs::is_regular_file(path, ec))
        return Fail("the file does not exist or cannot be read");
    const uint64_t size = fs::file_size(path, ec);
    std::vector<uint8_t> head(kHeaderBytes);
    std::ifstream in(path, std::ios::binary);
    if (ec || !in)
        return Fail("the file does not exist or cannot be read");
    in.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));
    std::string extension = path.extension().string();
    if (!extension.empty())
        extension = ToLowerAscii(extension.substr(1));
    if (Status fits = CheckAnnouncedCounts(head, size, extension); !fits)
        return Fail(fits.error());
    const std::string name = path.string();
    std::function<std::vector<KeyCurve>()> curves;
    if (withCurves)
        curves = [&]() {
            std::ifstream whole(path, std::ios::binary);
            const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(whole), std::istreambuf_iterator<char>()};
            return GltfCurves(bytes, path.parent_path());
        };
    return ReadInChild([&](Assimp::Importer& importer) { return importer.ReadFile(name, kImportSteps); }, extension,
                       BytesRead(path, size, extension), options, curves);
}

// The same for bytes in memory; hint is the file's extension without its dot.
Result<std::string> HandedFromMemory(std::span<const uint8_t> bytes, const std::string& hint,
                                     const ImportOptions& options, bool withCurves = false)
{
    const std::string extension = ToLowerAscii(hint);
    if (Status fits = CheckAnnouncedCounts(bytes, bytes.size(), extension); !fits)
        return Fail(fits.error());
    return ReadInChild(
        [&](Assimp::Importer& importer) {
            return importer.ReadFileFromMemory(bytes.data(), bytes.size(), kImportSteps, hint.c_str());
        },
        extension, bytes.size(), options,
        withCurves ? std::function<std::vector<KeyCurve>()>([&]() { return GltfCurves(bytes, {}); }) : nullptr);
}

}  // namespace

Result<ImportReport> ImportModel(const fs::path& path, const ImportOptions& options)
{
    try {
        return Convert(HandedFromFile(path, options), path.parent_path().empty() ? fs::path(".") : path.parent_path(),
                       options);
    } catch (const std::exception& e) {
        return Fail(std::string("the file cannot be read (") + e.what() + ")");
    }
}

Result<ImportReport> ImportModelFromMemory(std::span<const uint8_t> bytes, const std::string& hint,
                                           const ImportOptions& options)
{
    try {
        return Convert(HandedFromMemory(bytes, hint, options), {}, options);
    } catch (const std::exception& e) {
        return Fail(std::string("the bytes cannot be read (") + e.what() + ")");
    }
}

std::vector<std::string> ImportPatterns()
{
    Assimp::Importer importer;
    std::string list;
    importer.GetExtensionList(list);
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < list.size()) {
        const std::size_t end = std::min(list.find(';', start), list.size());
        if (end > start)
            out.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

// ---- the scene alone, for the animation import --------------------------------------

namespace {

Result<SceneRead> TakeOver(const Result<std::string>& handed)
{
    if (!handed)
        return Fail(handed.error());
    const std::optional<Handover> h = Unpack(*handed);
    if (!h)
        return Fail("the reader gave back a damaged scene");
    Assimp::Importer importer;
    if (!importer.ReadFileFromMemory(h->scene.data(), h->scene.size(), 0, "assbin"))
        return Fail(std::string("the scene read cannot be taken over (") + importer.GetErrorString() + ")");
    SceneRead read;
    read.scene.reset(importer.GetOrphanedScene());
    if (!read.scene || !read.scene->mRootNode)
        return Fail("the reader gave back a damaged scene");
    read.generator = h->generator;
    read.frame = h->frame;
    read.morphKeyed = h->morphKeyed;
    read.curves = h->curves;
    return read;
}

}  // namespace

Result<SceneRead> ReadSceneInChild(const fs::path& path, const ImportOptions& options)
{
    try {
        return TakeOver(HandedFromFile(path, options, true));
    } catch (const std::exception& e) {
        return Fail(std::string("the file cannot be read (") + e.what() + ")");
    }
}

Result<SceneRead> ReadSceneFromMemoryInChild(std::span<const uint8_t> bytes, const std::string& hint,
                                             const ImportOptions& options)
{
    try {
        return TakeOver(HandedFromMemory(bytes, hint, options, true));
    } catch (const std::exception& e) {
        return Fail(std::string("the bytes cannot be read (") + e.what() + ")");
    }
}

}  // namespace orv
