#include "interchange/gltf_curves.h"

// The library is built here, under a name of its own: Assimp's Draco carries another
// version of it whose symbols would be taken for these, each corrupting the other's data.
#define tinygltf orvane_tinygltf
#define TINYGLTF_IMPLEMENTATION
#define TINYGLTF_NO_STB_IMAGE
#define TINYGLTF_NO_STB_IMAGE_WRITE
#define TINYGLTF_NO_EXTERNAL_IMAGE
#include <tiny_gltf.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>

namespace orv {

namespace fs = std::filesystem;

namespace {

// Keys one curve may hold: far beyond any tool's, short of what would exhaust memory.
constexpr std::size_t kMaxKeys = std::size_t(1) << 22;

// Pictures are no concern here: none is decoded.
bool SkipImage(tinygltf::Image*, const int, std::string*, std::string*, int, int, const unsigned char*, int, void*)
{
    return true;
}

// The file system as the buffers need it: paths taken as written (no shell expansion),
// files read whole, nothing written.
bool Exists(const std::string& path, void*)
{
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}
std::string AsWritten(const std::string& path, void*) { return path; }
bool ReadWhole(std::vector<unsigned char>* out, std::string* err, const std::string& path, void*)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (err)
            *err += "cannot read " + path;
        return false;
    }
    out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}
bool WriteNothing(std::string*, const std::string&, const std::vector<unsigned char>&, void*) { return false; }

// An accessor's elements as numbers, width of them each: floats, or the normalised
// integers glTF allows for rotations; nothing when it lies outside its buffer.
bool Numbers(const tinygltf::Model& m, int index, std::size_t width, std::vector<double>& out)
{
    if (index < 0 || static_cast<std::size_t>(index) >= m.accessors.size())
        return false;
    const tinygltf::Accessor& a = m.accessors[static_cast<std::size_t>(index)];
    const int type = a.type == TINYGLTF_TYPE_SCALAR ? 1 : a.type == TINYGLTF_TYPE_VEC3 ? 3 : a.type == TINYGLTF_TYPE_VEC4 ? 4 : 0;
    if (static_cast<std::size_t>(type) != width || a.sparse.isSparse || a.count == 0 || a.count > kMaxKeys * 3)
        return false;
    std::size_t component = 0;
    switch (a.componentType) {
    case TINYGLTF_COMPONENT_TYPE_FLOAT: component = 4; break;
    case TINYGLTF_COMPONENT_TYPE_BYTE:
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE: component = a.normalized ? 1 : 0; break;
    case TINYGLTF_COMPONENT_TYPE_SHORT:
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT: component = a.normalized ? 2 : 0; break;
    default: break;
    }
    if (component == 0 || a.bufferView < 0 || static_cast<std::size_t>(a.bufferView) >= m.bufferViews.size())
        return false;
    const tinygltf::BufferView& view = m.bufferViews[static_cast<std::size_t>(a.bufferView)];
    if (view.buffer < 0 || static_cast<std::size_t>(view.buffer) >= m.buffers.size())
        return false;
    const std::vector<unsigned char>& data = m.buffers[static_cast<std::size_t>(view.buffer)].data;
    const std::size_t element = component * width;
    const std::size_t stride = view.byteStride ? view.byteStride : element;
    // Within the view, and the view within its buffer (sizes far below overflow: the
    // count is bounded above, the offsets by the buffer's size).
    if (stride < element || view.byteOffset > data.size() || view.byteLength > data.size() - view.byteOffset ||
        a.byteOffset > view.byteLength || (a.count - 1) > (view.byteLength - a.byteOffset) / stride ||
        (a.count - 1) * stride + element > view.byteLength - a.byteOffset)
        return false;
    const unsigned char* at = data.data() + view.byteOffset + a.byteOffset;
    out.clear();
    out.reserve(a.count * width);
    for (std::size_t i = 0; i < a.count; ++i, at += stride)
        for (std::size_t c = 0; c < width; ++c) {
            const unsigned char* p = at + c * component;
            double v = 0.0;
            switch (a.componentType) {
            case TINYGLTF_COMPONENT_TYPE_FLOAT: {
                float f;
                std::memcpy(&f, p, sizeof f);
                v = f;
                break;
            }
            case TINYGLTF_COMPONENT_TYPE_BYTE: v = std::max(static_cast<signed char>(*p) / 127.0, -1.0); break;
            case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE: v = *p / 255.0; break;
            case TINYGLTF_COMPONENT_TYPE_SHORT: {
                int16_t s;
                std::memcpy(&s, p, sizeof s);
                v = std::max(s / 32767.0, -1.0);
                break;
            }
            default: {
                uint16_t u;
                std::memcpy(&u, p, sizeof u);
                v = u / 65535.0;
            }
            }
            out.push_back(v);
        }
    return true;
}

}  // namespace

bool KeyCurve::Sound() const
{
    const std::size_t each = Width() * (shape == Shape::Cubic ? 3 : 1);
    if (times.empty() || times.size() > kMaxKeys || values.size() != times.size() * each)
        return false;
    for (std::size_t i = 0; i < times.size(); ++i)
        if (!std::isfinite(times[i]) || (i > 0 && times[i] < times[i - 1]))
            return false;
    return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

std::vector<KeyCurve> GltfCurves(std::span<const uint8_t> bytes, const fs::path& folder)
{
    tinygltf::TinyGLTF loader;
    loader.SetImageLoader(SkipImage, nullptr);
    loader.SetFsCallbacks({Exists, AsWritten, ReadWhole, WriteNothing, nullptr});
    tinygltf::Model m;
    std::string err, warn;
    const bool binary = bytes.size() >= 4 && std::memcmp(bytes.data(), "glTF", 4) == 0;
    if (bytes.size() > std::numeric_limits<unsigned int>::max())
        return {};
    const bool read =
        binary ? loader.LoadBinaryFromMemory(&m, &err, &warn, bytes.data(), static_cast<unsigned int>(bytes.size()),
                                             folder.string())
               : loader.LoadASCIIFromString(&m, &err, &warn, reinterpret_cast<const char*>(bytes.data()),
                                            static_cast<unsigned int>(bytes.size()), folder.string());
    std::vector<KeyCurve> out;
    if (!read)
        return out;
    for (std::size_t a = 0; a < m.animations.size(); ++a) {
        const tinygltf::Animation& animation = m.animations[a];
        for (const tinygltf::AnimationChannel& channel : animation.channels) {
            KeyCurve c;
            c.animation = static_cast<uint32_t>(a);
            if (channel.target_path == "translation")
                c.path = KeyCurve::Path::Translation;
            else if (channel.target_path == "rotation")
                c.path = KeyCurve::Path::Rotation;
            else if (channel.target_path == "scale")
                c.path = KeyCurve::Path::Scale;
            else
                continue;
            if (channel.target_node < 0 || static_cast<std::size_t>(channel.target_node) >= m.nodes.size() ||
                channel.sampler < 0 || static_cast<std::size_t>(channel.sampler) >= animation.samplers.size())
                continue;
            const tinygltf::AnimationSampler& sampler = animation.samplers[static_cast<std::size_t>(channel.sampler)];
            if (sampler.interpolation == "STEP")
                c.shape = KeyCurve::Shape::Step;
            else if (sampler.interpolation == "CUBICSPLINE")
                c.shape = KeyCurve::Shape::Cubic;
            else
                continue;
            // The reader names a node without a name by its place in the file.
            const std::string& name = m.nodes[static_cast<std::size_t>(channel.target_node)].name;
            c.node = name.empty() ? "nodes[" + std::to_string(channel.target_node) + "]" : name;
            if (Numbers(m, sampler.input, 1, c.times) && Numbers(m, sampler.output, c.Width(), c.values) && c.Sound())
                out.push_back(std::move(c));
        }
    }
    return out;
}

std::array<double, 4> CurveAt(const KeyCurve& curve, double t)
{
    const std::size_t w = curve.Width();
    const std::size_t each = curve.shape == KeyCurve::Shape::Cubic ? 3 * w : w;
    const std::size_t middle = curve.shape == KeyCurve::Shape::Cubic ? w : 0;  // the value within a key
    auto value = [&](std::size_t key, std::size_t part) { return curve.values[key * each + part]; };
    std::array<double, 4> out{0, 0, 0, 0};
    const auto next = std::upper_bound(curve.times.begin(), curve.times.end(), t);
    const std::size_t k = next == curve.times.begin() ? 0 : static_cast<std::size_t>(next - curve.times.begin()) - 1;
    if (next == curve.times.begin() || next == curve.times.end() || curve.shape == KeyCurve::Shape::Step) {
        for (std::size_t c = 0; c < w; ++c)
            out[c] = value(k, middle + c);
    } else {
        // The Hermite spline between key k and the next, its tangents scaled by the span.
        const double span = curve.times[k + 1] - curve.times[k];
        const double s = span > 0.0 ? (t - curve.times[k]) / span : 0.0;
        const double s2 = s * s, s3 = s2 * s;
        for (std::size_t c = 0; c < w; ++c)
            out[c] = (2 * s3 - 3 * s2 + 1) * value(k, w + c) + span * (s3 - 2 * s2 + s) * value(k, 2 * w + c) +
                     (-2 * s3 + 3 * s2) * value(k + 1, w + c) + span * (s3 - s2) * value(k + 1, c);
        // Tangents too large to add up hold the key's value instead.
        if (!std::all_of(out.begin(), out.end(), [](double v) { return std::isfinite(v); }))
            for (std::size_t c = 0; c < 4; ++c)
                out[c] = c < w ? value(k, w + c) : 0.0;
    }
    if (curve.path == KeyCurve::Path::Rotation) {
        // Scaled down first, so that the squares of large values do not overflow.
        const double largest = std::max({std::fabs(out[0]), std::fabs(out[1]), std::fabs(out[2]), std::fabs(out[3])});
        if (largest > 0.0)
            for (double& v : out)
                v /= largest;
        const double length = std::sqrt(out[0] * out[0] + out[1] * out[1] + out[2] * out[2] + out[3] * out[3]);
        if (length > 1e-12)
            for (double& v : out)
                v /= length;
        else
            out = {0, 0, 0, 1};
    }
    return out;
}

}  // namespace orv
