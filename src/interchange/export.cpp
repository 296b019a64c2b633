// Export: the model's geometry set, hierarchy, materials and a keyframe, turned into the
// y-up scene that the glTF writer and (through Assimp) the OBJ writer write.
#include <assimp/scene.h>
#include <assimp/Exporter.hpp>
#include <assimp/IOStream.hpp>
#include <assimp/IOSystem.hpp>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <span>
#include <string_view>

#include "base/text.h"
#include "edit/materials.h"
#include "interchange/export_scene.h"
#include "model/file_kind.h"
#include "model/fileio.h"
#include "resources/catalog.h"
#include "resources/png.h"

namespace orv {

namespace fs = std::filesystem;

namespace {

// Frames of a keyframe beyond this are not exported.
constexpr int64_t kMaxExportFrames = 100000;

// A plain colour that tells materials apart: a hue from the name, soft saturation.
std::array<float, 4> PlainColor(const std::string& name)
{
    uint32_t h = 2166136261u;
    for (const unsigned char c : name)
        h = (h ^ c) * 16777619u;
    const float hue = static_cast<float>(h % 360u) / 60.0f;
    const float x = 1.0f - std::fabs(std::fmod(hue, 2.0f) - 1.0f);
    const int sector = static_cast<int>(hue);
    std::array<float, 3> rgb = {0, 0, 0};
    const std::array<std::array<float, 3>, 6> table = {
        {{1, x, 0}, {x, 1, 0}, {0, 1, x}, {0, x, 1}, {x, 0, 1}, {1, 0, x}}};
    rgb = table[static_cast<std::size_t>(std::clamp(sector, 0, 5))];
    auto soft = [](float v) { return 0.25f + 0.5f * v; };
    return {soft(rgb[0]), soft(rgb[1]), soft(rgb[2]), 1.0f};
}

// The unit normal of a polygon whose corners run counter-clockwise towards the viewer
// (Newell's, so that a polygon slightly bent still gets its mean facing); one without an
// area faces where the model says, else up.
Vec3 PolygonNormal(std::span<const Vec3> corners, const Vec3& fallback)
{
    double x = 0.0, y = 0.0, z = 0.0;
    for (std::size_t i = 0; i < corners.size(); ++i) {
        const Vec3& a = corners[i];
        const Vec3& b = corners[(i + 1) % corners.size()];
        x += (double{a.y} - b.y) * (double{a.z} + b.z);
        y += (double{a.z} - b.z) * (double{a.x} + b.x);
        z += (double{a.x} - b.x) * (double{a.y} + b.y);
    }
    double length = std::sqrt(x * x + y * y + z * z);
    if (!(length > 1e-12) || !std::isfinite(length)) {
        x = fallback.x;
        y = fallback.y;
        z = fallback.z;
        length = std::sqrt(x * x + y * y + z * z);
        if (!(length > 1e-6) || !std::isfinite(length))
            return {0.0f, 1.0f, 0.0f};
    }
    return {static_cast<float>(x / length), static_cast<float>(y / length), static_cast<float>(z / length)};
}

std::vector<uint8_t> PngOf(const MaterialImage& image)
{
    const std::size_t count = static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height);
    // A 16-bit material holds its colours itself and has no palette indices.
    if (image.TrueColor())
        return EncodePng(image.width, image.height,
                         std::vector<uint8_t>(image.RgbaCel(0), image.RgbaCel(0) + count * 4));
    std::vector<uint8_t> rgba;
    rgba.reserve(count * 4);
    const uint8_t* cel = image.Cel(0);
    for (std::size_t i = 0; i < count; ++i) {
        const auto rgb = image.Rgb(cel[i]);
        rgba.insert(rgba.end(), {rgb[0], rgb[1], rgb[2], image.transparent && cel[i] == 0 ? uint8_t{0} : uint8_t{255}});
    }
    return EncodePng(image.width, image.height, rgba);
}

bool FiniteVec(const Vec3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

bool FiniteTransform(const YUpTransform& t)
{
    return FiniteVec(t.translation) && std::all_of(t.rotation.begin(), t.rotation.end(), [](double q) {
               return std::isfinite(q) && std::isfinite(static_cast<float>(q));
           });
}

// Where the scene holds a number that is no finite number ("" when nowhere): no file may
// carry one (a model read from a damaged project file can hold such values).
std::string NotFiniteIn(const ExportScene& scene)
{
    for (const ExportNode& n : scene.nodes)
        if (!FiniteTransform(n.transform) || (n.game.insertOffset && !FiniteVec(*n.game.insertOffset)))
            return "the placement of node " + n.name;
    for (const ExportMesh& m : scene.meshes) {
        for (const ExportPrimitive& p : m.primitives)
            if (!std::all_of(p.positions.begin(), p.positions.end(), FiniteVec) ||
                !std::all_of(p.uvs.begin(), p.uvs.end(),
                             [](const auto& uv) { return std::isfinite(uv[0]) && std::isfinite(uv[1]); }))
                return "the corners of mesh " + m.name;
        for (const FaceGameFields& f : m.faces)
            if (!std::isfinite(f.extraLight) ||
                !std::all_of(f.intensities.begin(), f.intensities.end(), [](float i) { return std::isfinite(i); }))
                return "the lighting of a face of mesh " + m.name;
    }
    return {};
}

class SceneBuilder {
public:
    SceneBuilder(const CModel& model, const CGeometry& geoset, const ExportOptions& options, ExportReport& report)
        : model_(model), geoset_(geoset), options_(options), report_(report)
    {}

    ExportScene Build()
    {
        ExportNode top;
        top.name = options_.title;
        top.game.insertOffset = model_.insertOffset;
        top.game.materials = model_.materials;
        scene_.nodes.push_back(std::move(top));
        // The model's list of materials in its order, so that it comes back the same.
        for (std::size_t i = 0; i < model_.materials.size(); ++i)
            MaterialOf(static_cast<int32_t>(i));
        AddNodes();
        if (options_.keyframe)
            AddAnimation(*options_.keyframe);
        return std::move(scene_);
    }

private:
    // The nodes reached from node 0 through the child and sibling links, as drawing
    // reaches them; a link out of range or back to a node met already ends a chain.
    void AddNodes()
    {
        const auto count = static_cast<int32_t>(model_.nodes.size());
        exportIndex_.assign(model_.nodes.size(), -1);
        std::vector<std::pair<int32_t, int32_t>> chains = {{0, 0}};  // first node, parent's export index
        while (!chains.empty()) {
            const auto [first, parent] = chains.back();
            chains.pop_back();
            for (int32_t n = first; n >= 0 && n < count && exportIndex_[static_cast<std::size_t>(n)] < 0;
                 n = model_.nodes[static_cast<std::size_t>(n)].sibling) {
                const C3doNode& node = model_.nodes[static_cast<std::size_t>(n)];
                ExportNode out;
                out.name = node.name;
                out.transform = PoseToYUp(node.rotation, node.position);
                out.mesh = MeshOf(node.mesh);
                out.game.type = node.type;
                out.game.flags = node.flags;
                const auto index = static_cast<int32_t>(scene_.nodes.size());
                exportIndex_[static_cast<std::size_t>(n)] = index;
                scene_.nodes.push_back(std::move(out));
                scene_.nodes[static_cast<std::size_t>(parent)].children.push_back(index);
                chains.push_back({node.child, index});
            }
        }
        report_.nodes = scene_.nodes.size() - 1;
    }

    int32_t MeshOf(int32_t index)
    {
        if (index < 0 || static_cast<std::size_t>(index) >= geoset_.meshes.size())
            return -1;
        if (const auto it = meshIndex_.find(index); it != meshIndex_.end())
            return it->second;
        const CMesh& mesh = geoset_.meshes[static_cast<std::size_t>(index)];
        ExportMesh out;
        out.name = mesh.name;
        out.modes = {mesh.geometryMode, mesh.lightingMode, mesh.textureMode};
        // Vertex intensities go out only for meshes that have any.
        const bool intensities = std::any_of(mesh.faces.begin(), mesh.faces.end(), [](const auto& f) {
            return std::any_of(f.corners.begin(), f.corners.end(),
                               [](const VertexRecord& c) { return c.Intensity() != 0.0f; });
        });
        for (const auto& face : mesh.faces) {
            const std::size_t n = face.corners.size();
            if (n < 3)
                continue;
            const int32_t material = MaterialOf(face.material);
            // Faces of one material in a row share a primitive, so that the faces keep
            // their order.
            if (out.primitives.empty() || out.primitives.back().material != material)
                out.primitives.push_back({material, {}, {}, {}, {}});
            ExportPrimitive& p = out.primitives.back();
            // Coordinates over the size of the picture exported with the material, else
            // over the size the document knows for it.
            const auto picture = pictureSizes_.find(material);
            const TextureSize size =
                picture != pictureSizes_.end() ? picture->second : FaceTextureSize(model_, face, options_.textureSize);
            const auto w = static_cast<float>(size.width), h = static_cast<float>(size.height);
            // The file's corner order (the corners run opposite to it), which faces the
            // viewer counter-clockwise in the y-up convention.
            const std::size_t first = p.positions.size();
            for (std::size_t k = 0; k < n; ++k) {
                const VertexRecord& c = face.corners[n - 1 - k];
                p.positions.push_back(ToYUp(c.Position()));
                p.uvs.push_back({c.u / w, c.v / h});
            }
            p.normals.insert(p.normals.end(), n,
                             PolygonNormal(std::span<const Vec3>(p.positions).subspan(first), ToYUp(face.normal)));
            p.polygonSizes.push_back(static_cast<uint32_t>(n));
            out.faces.push_back(
                {face.type, face.geometryMode, face.lightingMode, face.textureMode, face.extraLight, {}});
            if (intensities)
                for (const VertexRecord& c : face.corners)
                    out.faces.back().intensities.push_back(c.Intensity());
            ++report_.faces;
        }
        int32_t result = -1;
        if (!out.primitives.empty()) {
            result = static_cast<int32_t>(scene_.meshes.size());
            scene_.meshes.push_back(std::move(out));
        }
        meshIndex_[index] = result;
        return result;
    }

    int32_t MaterialOf(int32_t index)
    {
        const bool known = index >= 0 && static_cast<std::size_t>(index) < model_.materials.size();
        const int32_t key = known ? index : -1;
        if (const auto it = materialIndex_.find(key); it != materialIndex_.end())
            return it->second;
        ExportMaterial m;
        m.name = known ? model_.materials[static_cast<std::size_t>(index)] : std::string(kNoMaterialName);
        m.color = known ? PlainColor(m.name) : std::array<float, 4>{0.6f, 0.6f, 0.6f, 1.0f};
        if (known) {
            Result<MaterialImage> image =
                options_.materialImage ? options_.materialImage(m.name) : Result<MaterialImage>(Fail("no resources"));
            if (image && image->width > 0 && image->height > 0) {
                m.png = PngOf(*image);
                m.masked = image->transparent;
                if (!m.png.empty())
                    pictureSizes_[static_cast<int32_t>(scene_.materials.size())] = {image->width, image->height};
            }
            if (m.png.empty() && options_.materialFound && options_.materialFound(m.name))
                report_.undrawnMaterials.emplace_back(
                    m.name, image ? std::string("no picture could be made of it") : image.error());
            else if (m.png.empty())
                report_.missingMaterials.push_back(m.name);
        }
        const auto result = static_cast<int32_t>(scene_.materials.size());
        scene_.materials.push_back(std::move(m));
        materialIndex_[key] = result;
        return result;
    }

    // Every frame of the keyframe as the playback poses it: each entry's values stepped
    // by its deltas up to the next entry's frame (the last up to the frame count).
    void AddAnimation(const CKeyframe& key)
    {
        ExportAnimation animation;
        animation.name = key.name.empty() ? std::string("keyframe") : key.name;
        const float fps = key.fps > 0.0f ? key.fps : 15.0f;
        int64_t frames = key.frames;
        if (frames <= 0)
            for (const auto& kn : key.nodes)
                for (const auto& e : kn.entries)
                    frames = std::max<int64_t>(frames, int64_t{e.frame} + 1);
        // A damaged file may announce billions of frames.
        frames = std::min<int64_t>(frames, kMaxExportFrames);
        // A node that several of the keyframe's nodes name moves as the last of them says,
        // as in playback; a file animates each node once.
        std::map<int32_t, std::size_t> channelOf;
        for (const auto& kn : key.nodes) {
            const std::string name = ToLowerAscii(kn.meshName);
            for (std::size_t i = 0; i < model_.nodes.size(); ++i) {
                if (exportIndex_[i] < 0 || ToLowerAscii(model_.nodes[i].name) != name)
                    continue;
                ExportChannel channel;
                channel.node = exportIndex_[i];
                const auto& entries = kn.entries;
                for (std::size_t e = 0; e < entries.size(); ++e) {
                    const CKeyframeEntry& entry = entries[e];
                    const int64_t start = entry.frame;
                    const int64_t next = e + 1 < entries.size() ? int64_t{entries[e + 1].frame} : frames;
                    const int64_t end = std::min(std::max(next, start + 1), frames);
                    for (int64_t f = std::max<int64_t>(start, 0); f < end; ++f) {
                        const float time = static_cast<float>(f) / fps;
                        if (!channel.times.empty() && time <= channel.times.back())
                            continue;
                        const auto steps = static_cast<float>(f - start);
                        const YUpTransform t = PoseToYUp(entry.rotation + entry.deltaRotation * steps,
                                                         entry.position + entry.deltaPosition * steps);
                        // A pose that is no number (or runs past the floats) has no place
                        // in a file: the frame is left to the keys around it.
                        if (!FiniteTransform(t))
                            continue;
                        Quaternion q = t.rotation;
                        // Neighbouring keys on the same side, so that the turn between
                        // them is the short one.
                        if (!channel.rotations.empty()) {
                            const Quaternion& last = channel.rotations.back();
                            if (q[0] * last[0] + q[1] * last[1] + q[2] * last[2] + q[3] * last[3] < 0.0)
                                q = {-q[0], -q[1], -q[2], -q[3]};
                        }
                        channel.times.push_back(time);
                        channel.translations.push_back(t.translation);
                        channel.rotations.push_back(q);
                    }
                }
                if (channel.times.empty())
                    continue;
                if (const auto it = channelOf.find(channel.node); it != channelOf.end()) {
                    animation.channels[it->second] = std::move(channel);
                } else {
                    channelOf[channel.node] = animation.channels.size();
                    animation.channels.push_back(std::move(channel));
                    ++report_.animatedNodes;
                }
            }
        }
        scene_.animation = std::move(animation);
    }

    const CModel& model_;
    const CGeometry& geoset_;
    const ExportOptions& options_;
    ExportReport& report_;
    ExportScene scene_;
    std::vector<int32_t> exportIndex_;
    std::map<int32_t, int32_t> meshIndex_;
    std::map<int32_t, int32_t> materialIndex_;
    std::map<int32_t, TextureSize> pictureSizes_;  // by export material, for those with a picture
};

// ---- OBJ through Assimp ----------------------------------------------------------

// Assimp's writers write through an IOSystem; this one keeps every file in memory, so
// that the files are written afterwards, each whole or not at all.
class CaptureStream : public Assimp::IOStream {
public:
    explicit CaptureStream(std::vector<uint8_t>& out) : out_(out) {}
    size_t Read(void*, size_t, size_t) override { return 0; }
    size_t Write(const void* buffer, size_t size, size_t count) override
    {
        const std::size_t bytes = size * count;
        if (pos_ + bytes > out_.size())
            out_.resize(pos_ + bytes);
        std::memcpy(out_.data() + pos_, buffer, bytes);
        pos_ += bytes;
        return count;
    }
    aiReturn Seek(size_t offset, aiOrigin origin) override
    {
        const std::size_t base = origin == aiOrigin_SET ? 0 : origin == aiOrigin_CUR ? pos_ : out_.size();
        pos_ = base + offset;
        return aiReturn_SUCCESS;
    }
    size_t Tell() const override { return pos_; }
    size_t FileSize() const override { return out_.size(); }
    void Flush() override {}

private:
    std::vector<uint8_t>& out_;
    std::size_t pos_ = 0;
};

class CaptureSystem : public Assimp::IOSystem {
public:
    explicit CaptureSystem(std::map<std::string, std::vector<uint8_t>>& files) : files_(files) {}
    bool Exists(const char* file) const override { return files_.count(file) != 0; }
    char getOsSeparator() const override { return '/'; }
    Assimp::IOStream* Open(const char* file, const char* mode) override
    {
        if (std::strchr(mode, 'r'))
            return nullptr;
        auto& bytes = files_[file];
        bytes.clear();
        return new CaptureStream(bytes);
    }
    void Close(Assimp::IOStream* stream) override { delete stream; }

private:
    std::map<std::string, std::vector<uint8_t>>& files_;
};

// A file name made of the characters that are safe everywhere.
std::string SafeStem(std::string_view name)
{
    std::string out;
    for (const unsigned char c : name)
        out += std::isalnum(c) || c == '-' || c == '_' ? static_cast<char>(c) : '_';
    return out.empty() ? std::string("material") : out;
}

aiMatrix4x4 MatrixOfTransform(const YUpTransform& t)
{
    const Matrix3d r = MatrixOf(t.rotation);
    aiMatrix4x4 m;
    for (unsigned row = 0; row < 3; ++row)
        for (unsigned col = 0; col < 3; ++col)
            m[row][col] = static_cast<ai_real>(r[row][col]);
    m.a4 = t.translation.x;
    m.b4 = t.translation.y;
    m.c4 = t.translation.z;
    return m;
}

Result<std::vector<ExportFile>> WriteObj(const ExportScene& scene, const fs::path& path)
{
    std::vector<ExportFile> files;
    auto ai = std::make_unique<aiScene>();
    // Textures are PNG files beside the OBJ, named after it and the material.
    ai->mNumMaterials = static_cast<unsigned>(scene.materials.size());
    ai->mMaterials = new aiMaterial*[std::max<std::size_t>(scene.materials.size(), 1)];
    const std::string stem = SafeStem(path.stem().string());
    for (std::size_t i = 0; i < scene.materials.size(); ++i) {
        const ExportMaterial& m = scene.materials[i];
        auto* mat = new aiMaterial;
        ai->mMaterials[i] = mat;
        const aiString name(m.name);
        mat->AddProperty(&name, AI_MATKEY_NAME);
        aiColor3D color(m.color[0], m.color[1], m.color[2]);
        if (!m.png.empty()) {
            std::string materialStem = m.name;
            if (const auto dot = materialStem.rfind('.'); dot != std::string::npos)
                materialStem.resize(dot);
            const std::string file = stem + "_" + SafeStem(materialStem) + ".png";
            const aiString texture(file);
            mat->AddProperty(&texture, AI_MATKEY_TEXTURE_DIFFUSE(0));
            color = aiColor3D(1, 1, 1);
            files.push_back({path.parent_path() / file, m.png});
        }
        mat->AddProperty(&color, 1, AI_MATKEY_COLOR_DIFFUSE);
    }
    if (scene.materials.empty()) {
        ai->mNumMaterials = 1;
        ai->mMaterials[0] = new aiMaterial;
    }
    // A mesh of Assimp's has one material: one per primitive.
    std::vector<std::vector<unsigned>> meshesOf(scene.meshes.size());
    std::vector<aiMesh*> meshes;
    for (std::size_t i = 0; i < scene.meshes.size(); ++i)
        for (const ExportPrimitive& p : scene.meshes[i].primitives) {
            auto* mesh = new aiMesh;
            mesh->mName = scene.meshes[i].name;
            mesh->mMaterialIndex = static_cast<unsigned>(p.material);
            mesh->mNumVertices = static_cast<unsigned>(p.positions.size());
            mesh->mVertices = new aiVector3D[p.positions.size()];
            mesh->mTextureCoords[0] = new aiVector3D[p.positions.size()];
            mesh->mNumUVComponents[0] = 2;
            mesh->mNormals = new aiVector3D[p.positions.size()];
            for (std::size_t v = 0; v < p.positions.size(); ++v) {
                mesh->mVertices[v] = aiVector3D(p.positions[v].x, p.positions[v].y, p.positions[v].z);
                mesh->mNormals[v] = aiVector3D(p.normals[v].x, p.normals[v].y, p.normals[v].z);
                // OBJ's v grows upwards.
                mesh->mTextureCoords[0][v] = aiVector3D(p.uvs[v][0], 1.0f - p.uvs[v][1], 0.0f);
            }
            mesh->mNumFaces = static_cast<unsigned>(p.polygonSizes.size());
            mesh->mFaces = new aiFace[p.polygonSizes.size()];
            unsigned first = 0;
            for (std::size_t f = 0; f < p.polygonSizes.size(); ++f) {
                aiFace& face = mesh->mFaces[f];
                face.mNumIndices = p.polygonSizes[f];
                face.mIndices = new unsigned[face.mNumIndices];
                for (unsigned k = 0; k < face.mNumIndices; ++k)
                    face.mIndices[k] = first + k;
                first += face.mNumIndices;
                mesh->mPrimitiveTypes |= face.mNumIndices == 3 ? aiPrimitiveType_TRIANGLE : aiPrimitiveType_POLYGON;
            }
            meshesOf[i].push_back(static_cast<unsigned>(meshes.size()));
            meshes.push_back(mesh);
        }
    ai->mNumMeshes = static_cast<unsigned>(meshes.size());
    ai->mMeshes = new aiMesh*[std::max<std::size_t>(meshes.size(), 1)];
    std::copy(meshes.begin(), meshes.end(), ai->mMeshes);

    // An OBJ file has no hierarchy: the writer places each mesh by the product of the
    // matrices down to its node, then forgets the nodes. That product is taken here, in
    // the writer's order, and each placed mesh hangs right below the top, so that the
    // writer (whose walks of the tree are recursive) meets no deep chain, however deep
    // the model's; the file is the same.
    ai->mRootNode = new aiNode(scene.nodes[0].name);
    std::vector<aiNode*> placed;
    std::vector<std::pair<std::size_t, aiMatrix4x4>> stack = {{0, aiMatrix4x4()}};
    while (!stack.empty()) {
        const auto [i, parent] = stack.back();
        stack.pop_back();
        const ExportNode& n = scene.nodes[i];
        const aiMatrix4x4 world = parent * MatrixOfTransform(n.transform);
        if (n.mesh >= 0 && !meshesOf[static_cast<std::size_t>(n.mesh)].empty()) {
            const auto& list = meshesOf[static_cast<std::size_t>(n.mesh)];
            auto* node = new aiNode(n.name);
            node->mTransformation = world;
            node->mNumMeshes = static_cast<unsigned>(list.size());
            node->mMeshes = new unsigned[list.size()];
            std::copy(list.begin(), list.end(), node->mMeshes);
            placed.push_back(node);
        }
        for (auto c = n.children.rbegin(); c != n.children.rend(); ++c)
            stack.push_back({static_cast<std::size_t>(*c), world});
    }
    if (!placed.empty())
        ai->mRootNode->addChildren(static_cast<unsigned>(placed.size()), placed.data());

    std::map<std::string, std::vector<uint8_t>> written;
    Assimp::Exporter exporter;
    exporter.SetIOHandler(new CaptureSystem(written));
    if (exporter.Export(ai.get(), "obj", path.string()) != aiReturn_SUCCESS)
        return Fail(std::string("the OBJ writer failed: ") + exporter.GetErrorString());
    // The material library first, the OBJ that names it last.
    for (auto& [name, bytes] : written)
        if (fs::path(name) != path)
            files.push_back({fs::path(name), std::move(bytes)});
    files.push_back({path, std::move(written[path.string()])});
    return files;
}

}  // namespace

void UseMaterialSources(ExportOptions& options, ResourceSources sources, std::string colormap)
{
    auto colormaps = std::make_shared<ColormapCache>();
    options.materialFound = [sources](const std::string& name) { return HasMaterial(sources, name); };
    options.materialImage = [sources = std::move(sources), colormap = std::move(colormap),
                             colormaps](const std::string& name) -> Result<MaterialImage> {
        if (!HasMaterial(sources, name))
            return Fail(FindResource(sources, ResourceKind::Material, name).error());
        return ResolveMaterialImage(sources, name, colormap, colormaps.get());
    };
}

Result<ExportReport> ExportModel(const CModel& model, const fs::path& path, const ExportOptions& options)
{
    const FileKind kind = FileKindOf(path.string());
    if (kind != FileKind::GltfBinary && kind != FileKind::Gltf && kind != FileKind::Obj)
        return Fail("models are exported as .glb, .gltf or .obj files, not '" + FileExtension(path.string()) + "'");
    if (options.keyframe && kind == FileKind::Obj)
        return Fail("an OBJ file holds no animation; export the keyframe to .glb or .gltf");
    if (options.geoset < 0 || static_cast<std::size_t>(options.geoset) >= model.geosets.size())
        return Fail("the model has no geometry set " + std::to_string(options.geoset) + " (it has " +
                    std::to_string(model.geosets.size()) + ")");
    ExportReport report;
    const ExportScene scene =
        SceneBuilder(model, model.geosets[static_cast<std::size_t>(options.geoset)], options, report).Build();
    if (const std::string where = NotFiniteIn(scene); !where.empty())
        return Fail(where + " holds a value that is no finite number; nothing is exported");
    std::vector<ExportFile> files;
    if (kind == FileKind::Obj) {
        auto obj = WriteObj(scene, path);
        if (!obj)
            return Fail(obj.error());
        files = std::move(*obj);
    } else {
        files = WriteGltf(scene, path, kind == FileKind::GltfBinary);
        // The model's own file last, once everything it refers to is in place.
        std::rotate(files.begin(), files.begin() + 1, files.end());
    }
    // All the files or none: an OBJ beside a material library of another export, or a
    // glTF whose pictures were not replaced, would be worse than the old files.
    AtomicFileSet set;
    for (const auto& [file, bytes] : files) {
        set.Add(file, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        report.files.push_back(file);
    }
    if (Status written = set.Commit(); !written)
        return Fail(written.error());
    // The model first in the report.
    std::rotate(report.files.rbegin(), report.files.rbegin() + 1, report.files.rend());
    return report;
}

}  // namespace orv
