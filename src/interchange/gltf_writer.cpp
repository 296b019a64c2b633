// glTF 2.0 written directly: Assimp 5.2's glTF exporter drops a node translation of
// exactly (1, 1, 1), triangulates polygons of five corners and more out of the fan that
// the FB_ngon_encoding it declares promises, and gives the root a matrix that cannot be
// animated. Here every polygon is a fan from its first corner, each polygon with
// vertices of its own (FB_ngon_encoding), and every node has translation and rotation.
#include <algorithm>
#include <cctype>
#include <nlohmann/json.hpp>

#include "interchange/export_scene.h"
#include "model/version.h"

namespace orv {

namespace {

using Json = nlohmann::json;

constexpr int kArrayBuffer = 34962;
constexpr int kElementArrayBuffer = 34963;
constexpr int kFloat = 5126;
constexpr int kUnsignedShort = 5123;
constexpr int kUnsignedInt = 5125;
constexpr int kTriangles = 4;

class Builder {
public:
    // A buffer view over bytes appended at a 4-byte boundary; returns its index.
    int View(const void* data, std::size_t size, int target)
    {
        while (bin_.size() % 4 != 0)
            bin_.push_back(0);
        Json view = {{"buffer", 0}, {"byteOffset", bin_.size()}, {"byteLength", size}};
        if (target != 0)
            view["target"] = target;
        const auto* bytes = static_cast<const uint8_t*>(data);
        bin_.insert(bin_.end(), bytes, bytes + size);
        views_.push_back(std::move(view));
        return static_cast<int>(views_.size() - 1);
    }

    int Accessor(int view, int componentType, std::size_t count, const char* type, Json min = nullptr,
                 Json max = nullptr)
    {
        Json a = {{"bufferView", view}, {"componentType", componentType}, {"count", count}, {"type", type}};
        if (!min.is_null()) {
            a["min"] = std::move(min);
            a["max"] = std::move(max);
        }
        accessors_.push_back(std::move(a));
        return static_cast<int>(accessors_.size() - 1);
    }

    int Vec3s(const std::vector<Vec3>& values, bool bounds, int target)
    {
        std::vector<float> flat;
        flat.reserve(values.size() * 3);
        Vec3 lo = values.front(), hi = values.front();
        for (const Vec3& v : values) {
            flat.insert(flat.end(), {v.x, v.y, v.z});
            lo = Minimize(lo, v);
            hi = Maximize(hi, v);
        }
        const int view = View(flat.data(), flat.size() * sizeof(float), target);
        if (!bounds)
            return Accessor(view, kFloat, values.size(), "VEC3");
        return Accessor(view, kFloat, values.size(), "VEC3", Json::array({lo.x, lo.y, lo.z}),
                        Json::array({hi.x, hi.y, hi.z}));
    }

    std::vector<uint8_t>& Bin() { return bin_; }
    Json& Views() { return views_; }
    Json& Accessors() { return accessors_; }

private:
    std::vector<uint8_t> bin_;
    Json views_ = Json::array();
    Json accessors_ = Json::array();
};

// Fans from each polygon's first corner: (0, k, k + 1).
template <typename Index>
std::vector<Index> FanIndices(const ExportPrimitive& p)
{
    std::vector<Index> out;
    uint32_t first = 0;
    for (const uint32_t n : p.polygonSizes) {
        for (uint32_t k = 1; k + 1 < n; ++k)
            out.insert(out.end(),
                       {static_cast<Index>(first), static_cast<Index>(first + k), static_cast<Index>(first + k + 1)});
        first += n;
    }
    return out;
}

Json Primitive(Builder& b, const ExportPrimitive& p)
{
    Json attributes = {{"POSITION", b.Vec3s(p.positions, true, kArrayBuffer)}};
    // Flat normals, so that other tools light the faces as the game's flat shading does.
    attributes["NORMAL"] = b.Vec3s(p.normals, false, kArrayBuffer);
    std::vector<float> uv;
    uv.reserve(p.uvs.size() * 2);
    for (const auto& t : p.uvs)
        uv.insert(uv.end(), {t[0], t[1]});
    attributes["TEXCOORD_0"] =
        b.Accessor(b.View(uv.data(), uv.size() * sizeof(float), kArrayBuffer), kFloat, p.uvs.size(), "VEC2");
    int indices = 0;
    // The largest value of an index type means a primitive restart and may not be used.
    if (p.positions.size() < 0xFFFF) {
        const auto list = FanIndices<uint16_t>(p);
        indices = b.Accessor(b.View(list.data(), list.size() * 2, kElementArrayBuffer), kUnsignedShort, list.size(),
                             "SCALAR");
    } else {
        const auto list = FanIndices<uint32_t>(p);
        indices =
            b.Accessor(b.View(list.data(), list.size() * 4, kElementArrayBuffer), kUnsignedInt, list.size(), "SCALAR");
    }
    return {{"attributes", std::move(attributes)},
            {"indices", indices},
            {"material", p.material},
            {"mode", kTriangles},
            {"extensions", Json{{"FB_ngon_encoding", Json::object()}}}};
}

Json Animation(Builder& b, const ExportAnimation& animation)
{
    Json channels = Json::array(), samplers = Json::array();
    for (const ExportChannel& c : animation.channels) {
        const auto [lo, hi] = std::minmax_element(c.times.begin(), c.times.end());
        const int input = b.Accessor(b.View(c.times.data(), c.times.size() * sizeof(float), 0), kFloat, c.times.size(),
                                     "SCALAR", Json::array({*lo}), Json::array({*hi}));
        const int translation = b.Vec3s(c.translations, false, 0);
        std::vector<float> q;
        q.reserve(c.rotations.size() * 4);
        for (const Quaternion& r : c.rotations)
            for (double v : r)
                q.push_back(static_cast<float>(v));
        const int rotation =
            b.Accessor(b.View(q.data(), q.size() * sizeof(float), 0), kFloat, c.rotations.size(), "VEC4");
        for (const auto& [output, path] : {std::pair{translation, "translation"}, std::pair{rotation, "rotation"}}) {
            channels.push_back({{"sampler", samplers.size()}, {"target", {{"node", c.node}, {"path", path}}}});
            samplers.push_back({{"input", input}, {"output", output}, {"interpolation", "LINEAR"}});
        }
    }
    return {{"name", animation.name}, {"channels", std::move(channels)}, {"samplers", std::move(samplers)}};
}

// A file name as a relative URI: everything but the unreserved characters escaped.
std::string UriOf(const std::string& name)
{
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (const unsigned char c : name) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

void Pad(std::vector<uint8_t>& bytes, uint8_t with)
{
    while (bytes.size() % 4 != 0)
        bytes.push_back(with);
}

void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// The nodes, each with the game's fields of its mesh in its extras.
Json Nodes(const ExportScene& scene)
{
    Json nodes = Json::array();
    for (const ExportNode& n : scene.nodes) {
        Json node = {{"name", n.name}};
        const Vec3& t = n.transform.translation;
        if (t.x != 0.0f || t.y != 0.0f || t.z != 0.0f)
            node["translation"] = {t.x, t.y, t.z};
        const Quaternion& q = n.transform.rotation;
        if (q[0] != 0.0 || q[1] != 0.0 || q[2] != 0.0)
            node["rotation"] = {static_cast<float>(q[0]), static_cast<float>(q[1]), static_cast<float>(q[2]),
                                static_cast<float>(q[3])};
        if (n.mesh >= 0)
            node["mesh"] = n.mesh;
        if (!n.children.empty())
            node["children"] = n.children;
        NodeGameFields game = n.game;
        if (n.mesh >= 0) {
            const ExportMesh& mesh = scene.meshes[static_cast<std::size_t>(n.mesh)];
            game.meshModes = mesh.modes;
            game.faces = mesh.faces;
        }
        if (Json extras = GameExtrasJson(game); !extras.empty())
            node["extras"] = {{kGameExtrasKey, std::move(extras)}};
        nodes.push_back(std::move(node));
    }
    return nodes;
}

// The materials, with their pictures as images in the binary buffer.
void AddMaterials(Json& root, Builder& b, const ExportScene& scene)
{
    Json materials = Json::array(), images = Json::array(), textures = Json::array();
    for (const ExportMaterial& m : scene.materials) {
        Json pbr = {{"metallicFactor", 0.0}, {"roughnessFactor", 1.0}};
        if (!m.png.empty()) {
            images.push_back({{"bufferView", b.View(m.png.data(), m.png.size(), 0)}, {"mimeType", "image/png"}});
            textures.push_back({{"source", images.size() - 1}});
            pbr["baseColorTexture"] = {{"index", textures.size() - 1}};
        } else {
            pbr["baseColorFactor"] = m.color;
        }
        Json material = {{"name", m.name}, {"pbrMetallicRoughness", std::move(pbr)}};
        if (m.masked && !m.png.empty())
            material["alphaMode"] = "MASK";  // the game draws a pixel whole or not at all
        materials.push_back(std::move(material));
    }
    if (!materials.empty())
        root["materials"] = std::move(materials);
    if (!images.empty()) {
        root["images"] = std::move(images);
        root["textures"] = std::move(textures);
    }
}

// A binary glTF: the JSON chunk, then the binary chunk when there is one.
std::vector<uint8_t> Glb(const std::string& text, std::vector<uint8_t> bin)
{
    std::vector<uint8_t> json(text.begin(), text.end());
    Pad(json, ' ');
    Pad(bin, 0);
    std::vector<uint8_t> glb;
    const std::size_t total = 12 + 8 + json.size() + (bin.empty() ? 0 : 8 + bin.size());
    glb.reserve(total);
    glb.insert(glb.end(), {'g', 'l', 'T', 'F'});
    Put32(glb, 2);
    Put32(glb, static_cast<uint32_t>(total));
    Put32(glb, static_cast<uint32_t>(json.size()));
    glb.insert(glb.end(), {'J', 'S', 'O', 'N'});
    glb.insert(glb.end(), json.begin(), json.end());
    if (!bin.empty()) {
        Put32(glb, static_cast<uint32_t>(bin.size()));
        glb.insert(glb.end(), {'B', 'I', 'N', 0});
        glb.insert(glb.end(), bin.begin(), bin.end());
    }
    return glb;
}

}  // namespace

std::vector<ExportFile> WriteGltf(const ExportScene& scene, const std::filesystem::path& path, bool binary)
{
    Builder b;
    Json root = Json::object();
    root["asset"] = {{"version", "2.0"}, {"generator", kVersionString}};
    root["extensionsUsed"] = Json::array({"FB_ngon_encoding"});
    root["scene"] = 0;
    root["scenes"] = Json::array({Json{{"nodes", Json::array({0})}}});
    root["nodes"] = Nodes(scene);
    if (!scene.meshes.empty()) {
        Json meshes = Json::array();
        for (const ExportMesh& m : scene.meshes) {
            Json primitives = Json::array();
            for (const ExportPrimitive& p : m.primitives)
                primitives.push_back(Primitive(b, p));
            meshes.push_back({{"name", m.name}, {"primitives", std::move(primitives)}});
        }
        root["meshes"] = std::move(meshes);
    }
    AddMaterials(root, b, scene);
    if (scene.animation && !scene.animation->channels.empty())
        root["animations"] = Json::array({Animation(b, *scene.animation)});

    std::vector<uint8_t>& bin = b.Bin();
    std::filesystem::path binPath = path;
    binPath.replace_extension(".bin");
    if (!bin.empty()) {
        Json buffer = {{"byteLength", bin.size()}};
        if (!binary)
            buffer["uri"] = UriOf(binPath.filename().string());
        root["buffers"] = Json::array({std::move(buffer)});
        root["bufferViews"] = std::move(b.Views());
        root["accessors"] = std::move(b.Accessors());
    }
    // Names that are not UTF-8 become U+FFFD rather than make the file invalid.
    const std::string text = root.dump(binary ? -1 : 1, ' ', false, Json::error_handler_t::replace);
    if (binary)
        return {{path, Glb(text, std::move(bin))}};
    std::vector<ExportFile> files;
    files.push_back({path, std::vector<uint8_t>(text.begin(), text.end())});
    if (!bin.empty())
        files.push_back({binPath, std::move(bin)});
    return files;
}

}  // namespace orv
