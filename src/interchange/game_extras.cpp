#include "interchange/game_extras.h"

#include <assimp/scene.h>

#include <cmath>
#include <limits>

#include "base/names.h"
#include "model/limits.h"

namespace orv {

namespace {

using Json = nlohmann::json;

// Face fields by name, each written as one array over the faces.
constexpr const char* kFaceType = "type";
constexpr const char* kFaceGeometry = "geometryMode";
constexpr const char* kFaceLighting = "lightingMode";
constexpr const char* kFaceTexture = "textureMode";
constexpr const char* kFaceLight = "extraLight";
constexpr const char* kFaceIntensity = "intensity";
// More corners than this in a list of intensities is not a face's.
constexpr std::size_t kMaxListedCorners = 1024;

// Nested metadata deeper than this is not this program's.
constexpr int kMaxDepth = 8;

// A whole number in [lo, hi], written as an integer or as a float without a fraction.
std::optional<int64_t> Whole(const Json& v, int64_t lo, int64_t hi)
{
    double d = 0.0;
    if (v.is_number_unsigned()) {
        const auto u = v.get<uint64_t>();
        if (u > static_cast<uint64_t>(hi))
            return std::nullopt;
        d = static_cast<double>(u);
    } else if (v.is_number()) {
        d = v.get<double>();
    } else {
        return std::nullopt;
    }
    if (!std::isfinite(d) || d != std::floor(d) || d < static_cast<double>(lo) || d > static_cast<double>(hi))
        return std::nullopt;
    return static_cast<int64_t>(d);
}

std::optional<float> Finite(const Json& v)
{
    if (!v.is_number())
        return std::nullopt;
    const double d = v.get<double>();
    if (!std::isfinite(d) || std::fabs(d) > static_cast<double>(std::numeric_limits<float>::max()))
        return std::nullopt;
    return static_cast<float>(d);
}

constexpr int64_t kIntMin = std::numeric_limits<int32_t>::min();
constexpr int64_t kIntMax = std::numeric_limits<int32_t>::max();
constexpr int64_t kWordMax = std::numeric_limits<uint32_t>::max();

std::optional<std::vector<FaceGameFields>> ReadFaces(const Json& faces, std::string& why)
{
    if (!faces.is_object()) {
        why = "the faces are not an object";
        return std::nullopt;
    }
    std::optional<std::size_t> count;
    for (const char* key : {kFaceType, kFaceGeometry, kFaceLighting, kFaceTexture, kFaceLight}) {
        const auto it = faces.find(key);
        if (it == faces.end() || !it->is_array()) {
            why = std::string("the faces have no list of ") + key;
            return std::nullopt;
        }
        if (count && *count != it->size()) {
            why = "the faces' lists differ in length";
            return std::nullopt;
        }
        count = it->size();
    }
    std::vector<FaceGameFields> out(*count);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const auto type = Whole(faces[kFaceType][i], 0, kWordMax);
        const auto geometry = Whole(faces[kFaceGeometry][i], kIntMin, kIntMax);
        const auto lighting = Whole(faces[kFaceLighting][i], kIntMin, kIntMax);
        const auto texture = Whole(faces[kFaceTexture][i], kIntMin, kIntMax);
        const auto light = Finite(faces[kFaceLight][i]);
        if (!type || !geometry || !lighting || !texture || !light) {
            why = "face " + std::to_string(i) + " has a value that is not a number of its kind";
            return std::nullopt;
        }
        FaceGameFields& f = out[i];
        f.type = static_cast<uint32_t>(*type);
        f.geometryMode = static_cast<int32_t>(*geometry);
        f.lightingMode = static_cast<int32_t>(*lighting);
        f.textureMode = static_cast<int32_t>(*texture);
        f.extraLight = *light;
    }
    // Intensities are written only for meshes that have any.
    const auto it = faces.find(kFaceIntensity);
    if (it == faces.end())
        return out;
    bool good = it->is_array() && it->size() == out.size();
    for (std::size_t i = 0; good && i < out.size(); ++i) {
        const Json& list = (*it)[i];
        good = list.is_array() && list.size() <= kMaxListedCorners;
        for (std::size_t c = 0; good && c < list.size(); ++c) {
            const auto v = Finite(list[c]);
            good = v.has_value();
            if (good)
                out[i].intensities.push_back(*v);
        }
    }
    if (!good) {
        for (FaceGameFields& f : out)
            f.intensities.clear();
        why = "the faces' intensities are not a list of numbers for each face";
    }
    return out;
}

// Assimp's nested metadata as JSON: an array's items all carry the array's own name,
// an object's members their names.
Json JsonOf(const aiMetadata& m, const std::string& name, int depth)
{
    bool array = m.mNumProperties > 0;
    for (unsigned i = 0; i < m.mNumProperties && array; ++i)
        array = name == m.mKeys[i].C_Str();
    Json out = array || m.mNumProperties == 0 ? Json::array() : Json::object();
    for (unsigned i = 0; i < m.mNumProperties; ++i) {
        const aiMetadataEntry& e = m.mValues[i];
        const std::string key = m.mKeys[i].C_Str();
        Json value;
        if (e.mData) {
            switch (e.mType) {
            case AI_BOOL: value = *static_cast<const bool*>(e.mData); break;
            case AI_INT32: value = *static_cast<const int32_t*>(e.mData); break;
            case AI_UINT64: value = *static_cast<const uint64_t*>(e.mData); break;
            case AI_FLOAT: value = *static_cast<const float*>(e.mData); break;
            case AI_DOUBLE: value = *static_cast<const double*>(e.mData); break;
            case AI_AISTRING: value = static_cast<const aiString*>(e.mData)->C_Str(); break;
            case AI_AIMETADATA:
                if (depth < kMaxDepth)
                    value = JsonOf(*static_cast<const aiMetadata*>(e.mData), key, depth + 1);
                break;
            default: break;
            }
        }
        if (out.is_array())
            out.push_back(std::move(value));
        else
            out[key] = std::move(value);
    }
    return out;
}

// The node's metadata without its nested entries; nothing when it has none.
void DropNestedMetadata(aiNode& node)
{
    aiMetadata* m = node.mMetaData;
    if (!m)
        return;
    unsigned kept = 0;
    for (unsigned i = 0; i < m->mNumProperties; ++i)
        kept += m->mValues[i].mType != AI_AIMETADATA;
    if (kept == m->mNumProperties)
        return;
    aiMetadata* flat = aiMetadata::Alloc(kept);
    unsigned at = 0;
    for (unsigned i = 0; i < m->mNumProperties; ++i) {
        const aiMetadataEntry& e = m->mValues[i];
        const std::string key = m->mKeys[i].C_Str();
        if (e.mType == AI_AIMETADATA)
            continue;
        if (!e.mData) {
            // Nothing to copy: an entry that says nothing.
            flat->Set(at++, key, false);
            continue;
        }
        switch (e.mType) {
        case AI_BOOL: flat->Set(at++, key, *static_cast<const bool*>(e.mData)); break;
        case AI_INT32: flat->Set(at++, key, *static_cast<const int32_t*>(e.mData)); break;
        case AI_UINT64: flat->Set(at++, key, *static_cast<const uint64_t*>(e.mData)); break;
        case AI_FLOAT: flat->Set(at++, key, *static_cast<const float*>(e.mData)); break;
        case AI_DOUBLE: flat->Set(at++, key, *static_cast<const double*>(e.mData)); break;
        case AI_AISTRING: flat->Set(at++, key, *static_cast<const aiString*>(e.mData)); break;
        case AI_AIVECTOR3D: flat->Set(at++, key, *static_cast<const aiVector3D*>(e.mData)); break;
        default: flat->Set(at++, key, false); break;
        }
    }
    delete m;
    node.mMetaData = flat;
}

}  // namespace

Json GameExtrasJson(const NodeGameFields& fields)
{
    Json out = Json::object();
    if (fields.type)
        out["type"] = *fields.type;
    if (fields.flags)
        out["flags"] = *fields.flags;
    if (fields.meshModes)
        out["meshModes"] = *fields.meshModes;
    if (fields.faces) {
        Json type = Json::array(), geometry = Json::array(), lighting = Json::array(), texture = Json::array(),
             light = Json::array();
        bool intensities = false;
        for (const FaceGameFields& f : *fields.faces) {
            intensities = intensities || !f.intensities.empty();
            type.push_back(f.type);
            geometry.push_back(f.geometryMode);
            lighting.push_back(f.lightingMode);
            texture.push_back(f.textureMode);
            light.push_back(f.extraLight);
        }
        out["faces"] = {{kFaceType, std::move(type)},
                        {kFaceGeometry, std::move(geometry)},
                        {kFaceLighting, std::move(lighting)},
                        {kFaceTexture, std::move(texture)},
                        {kFaceLight, std::move(light)}};
        if (intensities) {
            Json lists = Json::array();
            for (const FaceGameFields& f : *fields.faces)
                lists.push_back(f.intensities);
            out["faces"][kFaceIntensity] = std::move(lists);
        }
    }
    if (fields.insertOffset)
        out["insertOffset"] = {fields.insertOffset->x, fields.insertOffset->y, fields.insertOffset->z};
    if (fields.materials)
        out["materials"] = *fields.materials;
    return out;
}

NodeGameFields ReadGameExtras(const Json& extras, std::string& why)
{
    NodeGameFields out;
    why.clear();
    if (!extras.is_object()) {
        why = "they are not an object";
        return out;
    }
    auto note = [&why](const std::string& text) { why += (why.empty() ? "" : "; ") + text; };
    if (const auto it = extras.find("type"); it != extras.end()) {
        if (const auto v = Whole(*it, 0, kWordMax))
            out.type = static_cast<uint32_t>(*v);
        else
            note("the node type is not a number of 32 bits");
    }
    if (const auto it = extras.find("flags"); it != extras.end()) {
        if (const auto v = Whole(*it, 0, kWordMax))
            out.flags = static_cast<uint32_t>(*v);
        else
            note("the node flags are not a number of 32 bits");
    }
    if (const auto it = extras.find("meshModes"); it != extras.end()) {
        MeshModes modes{};
        bool good = it->is_array() && it->size() == modes.size();
        for (std::size_t i = 0; good && i < modes.size(); ++i) {
            const auto v = Whole((*it)[i], kIntMin, kIntMax);
            good = v.has_value();
            if (good)
                modes[i] = static_cast<int32_t>(*v);
        }
        if (good)
            out.meshModes = modes;
        else
            note("the mesh modes are not three numbers");
    }
    if (const auto it = extras.find("faces"); it != extras.end()) {
        std::string faceWhy;
        out.faces = ReadFaces(*it, faceWhy);
        if (!faceWhy.empty())
            note(faceWhy);
    }
    if (const auto it = extras.find("insertOffset"); it != extras.end()) {
        std::optional<float> x, y, z;
        if (it->is_array() && it->size() == 3) {
            x = Finite((*it)[0]);
            y = Finite((*it)[1]);
            z = Finite((*it)[2]);
        }
        if (x && y && z && CoordinateFits(*x) && CoordinateFits(*y) && CoordinateFits(*z))
            out.insertOffset = Vec3(*x, *y, *z);
        else
            note("the insertion offset is not three numbers within the engine's range");
    }
    if (const auto it = extras.find("materials"); it != extras.end()) {
        std::vector<std::string> names;
        bool good = it->is_array();
        for (std::size_t i = 0; good && i < it->size(); ++i) {
            const Json& name = (*it)[i];
            good = name.is_string() && !name.get_ref<const std::string&>().empty() &&
                   name.get_ref<const std::string&>().size() <= kMaxExtrasMaterialName;
            for (const unsigned char c : good ? name.get_ref<const std::string&>() : std::string())
                good = good && c > ' ' && c < 127;
            if (good)
                names.push_back(name.get<std::string>());
        }
        if (good)
            out.materials = std::move(names);
        else
            note("the materials are not a list of names");
    }
    return out;
}

std::vector<const aiNode*> NodesInWalkOrder(const aiNode* root)
{
    std::vector<const aiNode*> out;
    std::vector<const aiNode*> stack;
    if (root)
        stack.push_back(root);
    while (!stack.empty()) {
        const aiNode* n = stack.back();
        stack.pop_back();
        out.push_back(n);
        for (unsigned i = n->mNumChildren; i-- > 0;)
            if (n->mChildren[i])
                stack.push_back(n->mChildren[i]);
    }
    return out;
}

std::vector<std::pair<const aiNode*, std::string>> NodeGameNames(const aiNode* root)
{
    const std::vector<const aiNode*> walk = NodesInWalkOrder(root);
    std::vector<std::string> sources;
    for (const aiNode* n : walk)
        sources.emplace_back(n->mName.C_Str());
    std::vector<std::string> names = GameNames(sources, kMaxNameLength);
    std::vector<std::pair<const aiNode*, std::string>> out;
    for (std::size_t i = 0; i < walk.size(); ++i)
        out.emplace_back(walk[i], std::move(names[i]));
    return out;
}

std::vector<std::string> TakeNodeExtras(aiNode* root)
{
    std::vector<std::string> out;
    for (const aiNode* c : NodesInWalkOrder(root)) {
        auto* node = const_cast<aiNode*>(c);
        std::string text;
        if (const aiMetadata* m = node->mMetaData)
            for (unsigned i = 0; i < m->mNumProperties; ++i)
                if (m->mKeys[i] == aiString(std::string(kGameExtrasKey)) && m->mValues[i].mType == AI_AIMETADATA &&
                    m->mValues[i].mData) {
                    text = JsonOf(*static_cast<const aiMetadata*>(m->mValues[i].mData), kGameExtrasKey, 0)
                               .dump(-1, ' ', false, Json::error_handler_t::replace);
                    break;
                }
        out.push_back(std::move(text));
        DropNestedMetadata(*node);
    }
    return out;
}

}  // namespace orv
