#include "formats/projectfile.h"

#include "model/radius.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/text.h"
#include "model/fileio.h"
#include "model/radius.h"

namespace orv {

static_assert(std::endian::native == std::endian::little,
              "the project layout is little-endian and value arrays are copied as raw images");

// ---- writer ------------------------------------------------------------------

void ArchiveWriter::Expand(std::size_t n) { bytes_.resize(std::max({used_ + n, 2 * bytes_.size(), std::size_t{256}})); }

void ArchiveWriter::Reserve(std::size_t n)
{
    if (n > bytes_.size())
        bytes_.resize(n);
}

std::vector<uint8_t>& ArchiveWriter::Bytes()
{
    bytes_.resize(used_);
    return bytes_;
}

std::vector<uint8_t> ArchiveWriter::Take()
{
    bytes_.resize(used_);
    used_ = 0;
    return std::move(bytes_);
}

void ArchiveWriter::String(std::string_view s)
{
    const std::size_t n = s.size();
    if (n < 255) {
        U8(static_cast<uint8_t>(n));
    } else if (n < 0xFFFE) {
        U8(0xFF);
        U16(static_cast<uint16_t>(n));
    } else {
        U8(0xFF);
        U16(0xFFFF);
        U32(static_cast<uint32_t>(n));
    }
    Raw(s.data(), n);
}

void ArchiveWriter::Count(std::size_t n)
{
    if (n < 0xFFFF) {
        U16(static_cast<uint16_t>(n));
    } else {
        U16(0xFFFF);
        U32(static_cast<uint32_t>(n));
    }
}

void ArchiveWriter::Vec(const Vec3& v)
{
    F32(v.x);
    F32(v.y);
    F32(v.z);
}

void ArchiveWriter::Matrix(const Matrix4& m)
{
    for (float f : m.m)
        F32(f);
}

void ArchiveWriter::ObjectListHead(std::size_t n)
{
    Count(n);
    // Placeholder words carry no meaning; zero keeps files reproducible.
    if (n > 0)
        std::memset(Grow(4 * n), 0, 4 * n);
}

void ArchiveWriter::ObjectReference(std::string_view className)
{
    for (const auto& [name, index] : classes_) {
        if (name == className) {
            U16(static_cast<uint16_t>(0x8000u | index));
            ++nextIndex_;  // the object itself takes the next index
            return;
        }
    }
    U16(0xFFFF);
    U16(1);  // schema
    U16(static_cast<uint16_t>(className.size()));
    Raw(className.data(), className.size());
    classes_.emplace_back(std::string(className), nextIndex_++);
    ++nextIndex_;
}

// ---- reader ------------------------------------------------------------------

void ArchiveReader::Need(std::size_t n, const char* what)
{
    if (n > size_ - pos_)
        throw ArchiveError(std::string("the file ends inside ") + what);
}

uint8_t ArchiveReader::U8()
{
    Need(1, "a number");
    return data_[pos_++];
}

uint16_t ArchiveReader::U16()
{
    Need(2, "a number");
    const uint16_t v = static_cast<uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
    pos_ += 2;
    return v;
}

uint32_t ArchiveReader::U32()
{
    Need(4, "a number");
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | data_[pos_ + static_cast<std::size_t>(i)];
    pos_ += 4;
    return v;
}

float ArchiveReader::F32() { return std::bit_cast<float>(U32()); }

void ArchiveReader::Raw(void* out, std::size_t size)
{
    Need(size, "a block of values");
    if (size > 0)
        std::memcpy(out, data_ + pos_, size);
    pos_ += size;
}

std::string ArchiveReader::String()
{
    std::size_t n = U8();
    if (n == 0xFF) {
        n = U16();
        if (n == 0xFFFE)
            throw ArchiveError("the file holds a wide-character string, which project files never contain");
        if (n == 0xFFFF)
            n = U32();
    }
    Need(n, "a string");
    std::string s(reinterpret_cast<const char*>(data_ + pos_), n);
    pos_ += n;
    return s;
}

std::size_t ArchiveReader::Count(std::size_t minElementSize)
{
    std::size_t n = U16();
    if (n == 0xFFFF)
        n = U32();
    if (minElementSize > 0 && n > Remaining() / minElementSize)
        throw ArchiveError("a count of " + std::to_string(n) + " is larger than the rest of the file can hold");
    return n;
}

Vec3 ArchiveReader::Vec()
{
    Vec3 v;
    v.x = F32();
    v.y = F32();
    v.z = F32();
    return v;
}

Matrix4 ArchiveReader::Matrix()
{
    Matrix4 m;
    for (float& f : m.m)
        f = F32();
    return m;
}

std::size_t ArchiveReader::ObjectListHead(std::size_t minElementSize)
{
    // Every element takes its placeholder word besides its own form.
    const std::size_t n = Count(4 + minElementSize);
    Need(4 * n, "an object list");
    pos_ += 4 * n;
    return n;
}

void ArchiveReader::ObjectReference(std::string_view className)
{
    const uint16_t tag = U16();
    if (tag == 0xFFFF) {
        const uint16_t schema = U16();
        const uint16_t len = U16();
        Need(len, "a class name");
        std::string name(reinterpret_cast<const char*>(data_ + pos_), len);
        pos_ += len;
        if (name != className)
            throw ArchiveError("unknown class \"" + name + "\" where \"" + std::string(className) + "\" belongs");
        if (schema != 1)
            throw ArchiveError("unsupported schema " + std::to_string(schema) + " of class " + name);
        classes_.resize(nextIndex_ + 1);
        classes_[nextIndex_] = name;
        nextIndex_ += 2;  // the class, then the object
        return;
    }
    if ((tag & 0x8000) != 0 && tag != 0xFFFF) {
        const uint32_t index = tag & 0x7FFFu;
        if (index >= classes_.size() || classes_[index] != className)
            throw ArchiveError("bad class tag 0x" + [&] {
                char buf[8];
                std::snprintf(buf, sizeof buf, "%04X", tag);
                return std::string(buf);
            }());
        ++nextIndex_;
        return;
    }
    // Null pointers and references back to objects already read never occur in a list
    // of owned entries.
    throw ArchiveError("unexpected object tag " + std::to_string(tag));
}

// ---- model layout --------------------------------------------------------------

namespace {

constexpr std::size_t kVertexSize = sizeof(VertexRecord);

void StoreVertices(ArchiveWriter& out, const std::vector<VertexRecord>& v)
{
    out.Count(v.size());
    out.Raw(v.data(), v.size() * kVertexSize);
}

std::vector<VertexRecord> LoadVertices(ArchiveReader& in)
{
    std::vector<VertexRecord> v(in.Count(kVertexSize));
    in.Raw(v.data(), v.size() * kVertexSize);
    return v;
}

void StoreInts(ArchiveWriter& out, const std::vector<int32_t>& v)
{
    out.Count(v.size());
    out.Raw(v.data(), v.size() * 4);
}

std::vector<int32_t> LoadInts(ArchiveReader& in)
{
    std::vector<int32_t> v(in.Count(4));
    in.Raw(v.data(), v.size() * 4);
    return v;
}

void StoreFace(ArchiveWriter& out, const CFace& f)
{
    out.String(f.name);
    out.I32(f.material);
    out.U32(f.type);
    out.I32(f.geometryMode);
    out.I32(f.lightingMode);
    out.I32(f.textureMode);
    out.F32(f.extraLight);
    out.Vec(f.normal);
    out.I32(f.startVertex);
    out.F32(f.angle);
    out.F32(f.uOffset);
    out.F32(f.vOffset);
    out.F32(f.uScale);
    out.F32(f.vScale);
    out.U32(f.mirror);
    StoreInts(out, f.vertexIndices);
    StoreInts(out, f.textureVertexIndices);
}

CFace LoadFace(ArchiveReader& in)
{
    CFace f;
    f.name = in.String();
    f.material = in.I32();
    f.type = in.U32();
    f.geometryMode = in.I32();
    f.lightingMode = in.I32();
    f.textureMode = in.I32();
    f.extraLight = in.F32();
    f.normal = in.Vec();
    f.startVertex = in.I32();
    f.angle = in.F32();
    f.uOffset = in.F32();
    f.vOffset = in.F32();
    f.uScale = in.F32();
    f.vScale = in.F32();
    f.mirror = in.U32();
    f.vertexIndices = LoadInts(in);
    f.textureVertexIndices = LoadInts(in);
    return f;
}

// Smallest forms, so that a count can be checked against the bytes left.
constexpr std::size_t kMinFace = 1 + 5 * 4 + 4 + 12 + 4 + 5 * 4 + 4 + 2 + 2;
constexpr std::size_t kMinMesh = 1 + 4 + 12 + 3 * 2 + 2;
constexpr std::size_t kMinGeoset = 2;
constexpr std::size_t kMinNode = 8 * 4 + 36 + 1 + 2;
constexpr std::size_t kMinMode = 8 + 1 + 2;
constexpr std::size_t kMinItem = 2 + 12 + 1;

void StoreMesh(ArchiveWriter& out, ModelCaches& caches, CMesh& m)
{
    RebuildListsIfChanged(caches, m);
    out.String(m.name);
    out.F32(m.radius);
    out.I32(m.geometryMode);
    out.I32(m.lightingMode);
    out.I32(m.textureMode);
    StoreVertices(out, m.vertices);
    StoreVertices(out, m.textureVertices);
    StoreVertices(out, m.vertexNormals);
    out.ObjectListHead(m.faces.size());
    for (const auto& f : m.faces)
        StoreFace(out, f);
}

CMesh LoadMesh(ArchiveReader& in)
{
    CMesh m;
    m.name = in.String();
    m.radius = in.F32();
    m.geometryMode = in.I32();
    m.lightingMode = in.I32();
    m.textureMode = in.I32();
    m.vertices = LoadVertices(in);
    m.textureVertices = LoadVertices(in);
    m.vertexNormals = LoadVertices(in);
    const std::size_t faces = in.ObjectListHead(kMinFace);
    m.faces.reserve(faces);
    for (std::size_t i = 0; i < faces; ++i)
        m.faces.push_back(LoadFace(in));
    return m;
}

void StoreNode(ArchiveWriter& out, const C3doNode& n)
{
    out.I32(n.num);
    out.U32(n.flags);
    out.U32(n.type);
    out.I32(n.mesh);
    out.I32(n.parent);
    out.I32(n.child);
    out.I32(n.sibling);
    out.I32(n.numChildren);
    out.Vec(n.position);
    out.Vec(n.rotation);
    out.Vec(n.pivot);
    out.String(n.name);
    out.Count(n.poses.size());
    for (const auto& p : n.poses)
        out.Matrix(p);
}

C3doNode LoadNode(ArchiveReader& in)
{
    C3doNode n;
    n.num = in.I32();
    n.flags = in.U32();
    n.type = in.U32();
    n.mesh = in.I32();
    n.parent = in.I32();
    n.child = in.I32();
    n.sibling = in.I32();
    n.numChildren = in.I32();
    n.position = in.Vec();
    n.rotation = in.Vec();
    n.pivot = in.Vec();
    n.name = in.String();
    n.poses.resize(in.Count(64));
    for (auto& p : n.poses)
        p = in.Matrix();
    return n;
}

void StoreItem(ArchiveWriter& out, const CPuppetItem& it)
{
    out.String(it.name);
    out.String(it.keyFile);
    out.U32(it.flags);
    out.I32(it.lowPriority);
    out.I32(it.highPriority);
    out.String(it.description);
}

CPuppetItem LoadItem(ArchiveReader& in)
{
    CPuppetItem it;
    it.name = in.String();
    it.keyFile = in.String();
    it.flags = in.U32();
    it.lowPriority = in.I32();
    it.highPriority = in.I32();
    it.description = in.String();
    return it;
}

void StoreMode(ArchiveWriter& out, const CPuppetMode& m)
{
    out.I32(m.mode);
    out.I32(m.basedOn);
    out.String(m.comment);
    out.ObjectListHead(m.items.size());
    for (const auto& it : m.items)
        StoreItem(out, it);
}

CPuppetMode LoadMode(ArchiveReader& in)
{
    CPuppetMode m;
    m.mode = in.I32();
    m.basedOn = in.I32();
    m.comment = in.String();
    const std::size_t n = in.ObjectListHead(kMinItem);
    for (std::size_t i = 0; i < n; ++i)
        m.items.push_back(LoadItem(in));
    return m;
}

constexpr std::string_view kTreeObjectClass = "CTreeObject";

}  // namespace

void StoreModel(ArchiveWriter& out, CModel& model)
{
    UpdateRadii(model);
    model.formatTag = "JK1";
    out.String(model.formatTag);
    out.String(model.version3do);
    out.F32(model.radius);
    out.Vec(model.insertOffset);
    out.I32(model.currentGeoset);
    out.I32(model.currentMode);
    out.I32(model.currentSubMode);
    out.Matrix(model.modelMatrix);
    out.Count(model.materials.size());
    for (const auto& s : model.materials)
        out.String(s);
    out.ObjectListHead(model.geosets.size());
    for (auto& g : model.geosets) {
        out.ObjectListHead(g.meshes.size());
        for (auto& m : g.meshes)
            StoreMesh(out, model.caches, m);
    }
    out.ObjectListHead(model.nodes.size());
    for (const auto& n : model.nodes)
        StoreNode(out, n);
    out.ObjectListHead(model.puppetModes.size());
    for (const auto& m : model.puppetModes)
        StoreMode(out, m);
    out.ObjectListHead(model.bookmarks.size());
    out.Count(model.customMaterials.Count());
    for (const auto& e : model.customMaterials.Entries()) {
        out.ObjectReference(kTreeObjectClass);
        out.String(e->name);
        // The stored size is the bytes actually held, so the block that follows always
        // matches it.
        const auto size = static_cast<uint32_t>(e->data.size());
        out.U32(size);
        out.U32(e->offset);
        out.Raw(e->data.data(), size);
    }
}

namespace {

// The model part; throws ArchiveError, which LoadModel and LoadProject turn into their
// failure.
std::unique_ptr<CModel> ReadModel(ArchiveReader& in, int* version)
{
    auto model = std::make_unique<CModel>();
    model->formatTag = in.String();
    if (version)
        *version = model->formatTag.size() > 2 ? std::atoi(model->formatTag.c_str() + 2) : 0;
    model->version3do = in.String();
    model->radius = in.F32();
    model->insertOffset = in.Vec();
    model->currentGeoset = in.I32();
    model->currentMode = in.I32();
    model->currentSubMode = in.I32();
    model->modelMatrix = in.Matrix();
    const std::size_t materials = in.Count(1);
    model->materials.reserve(materials);
    for (std::size_t i = 0; i < materials; ++i)
        model->materials.push_back(in.String());
    const std::size_t geosets = in.ObjectListHead(kMinGeoset);
    for (std::size_t g = 0; g < geosets; ++g) {
        CGeometry geo;
        const std::size_t meshes = in.ObjectListHead(kMinMesh);
        for (std::size_t m = 0; m < meshes; ++m)
            geo.meshes.push_back(LoadMesh(in));
        model->geosets.push_back(std::move(geo));
    }
    const std::size_t nodes = in.ObjectListHead(kMinNode);
    for (std::size_t i = 0; i < nodes; ++i)
        model->nodes.push_back(LoadNode(in));
    const std::size_t modes = in.ObjectListHead(kMinMode);
    for (std::size_t i = 0; i < modes; ++i)
        model->puppetModes.push_back(LoadMode(in));
    const std::size_t bookmarks = in.ObjectListHead(0);
    for (std::size_t i = 0; i < bookmarks; ++i)
        model->bookmarks.push_back(CameraBookmark());
    const std::size_t customs = in.Count(2 + 1 + 8);
    for (std::size_t i = 0; i < customs; ++i) {
        in.ObjectReference(kTreeObjectClass);
        auto e = std::make_unique<CTreeObject>();
        e->SetName(in.String());
        e->size = in.U32();
        e->offset = in.U32();
        if (e->size > in.Remaining())
            throw ArchiveError("a custom material of " + std::to_string(e->size) +
                               " bytes is larger than the rest of the file");
        e->data.resize(e->size);
        in.Raw(e->data.data(), e->size);
        // Entries come back in their stored order.
        model->customMaterials.Entries().push_back(std::move(e));
    }
    // The radii stored were measured for the geometry stored with them.
    MarkRadiiCurrent(*model);
    return model;
}

}  // namespace

Result<std::unique_ptr<CModel>> LoadModel(ArchiveReader& in, int* version)
{
    try {
        return ReadModel(in, version);
    } catch (const ArchiveError& e) {
        return Fail(e.what());
    }
}

// ---- trailer -------------------------------------------------------------------
//
// What the model part has no place for (the puppet file's "joints" lines) follows the
// camera as a trailer: the magic, a version word, then the fields of that version. It
// is written only when there is something to keep, so every other project is exactly
// the model part and the camera; readers that stop after the camera never see it.
// A later version keeps the fields of version 1 first and adds its own after them.

namespace {

constexpr char kTrailerMagic[4] = {'O', 'R', 'V', 'X'};
constexpr uint32_t kTrailerVersion = 1;

bool HasTrailerData(const CModel& model) { return !model.puppetJoints.empty(); }

void StoreTrailer(ArchiveWriter& out, const CModel& model)
{
    out.Raw(kTrailerMagic, sizeof kTrailerMagic);
    out.U32(kTrailerVersion);
    out.Count(model.puppetJoints.size());
    for (const auto& line : model.puppetJoints)
        out.String(line);
}

void LoadTrailer(ArchiveReader& in, CModel& model)
{
    char magic[sizeof kTrailerMagic];
    const std::size_t start = in.Position();
    const std::size_t have = std::min(in.Remaining(), sizeof magic);
    in.Raw(magic, have);
    if (have == 0 || std::memcmp(magic, kTrailerMagic, have) != 0) {
        // Bytes after the camera that are not ours are none of our business.
        in.Seek(start);
        return;
    }
    if (have < sizeof magic)
        throw ArchiveError("the file ends inside its trailer");
    if (in.U32() < 1)
        throw ArchiveError("the file ends with a trailer of unknown version 0");
    const std::size_t joints = in.Count(1);
    model.puppetJoints.reserve(joints);
    for (std::size_t i = 0; i < joints; ++i)
        model.puppetJoints.push_back(in.String());
}

}  // namespace

std::vector<uint8_t> SaveProject(CModel& model, const CameraState& camera)
{
    ArchiveWriter out;
    StoreModel(out, model);
    out.Vec(camera.eye);
    out.Vec(camera.direction);
    out.Vec(camera.up);
    if (HasTrailerData(model))
        StoreTrailer(out, model);
    return out.Take();
}

Result<LoadedProject> LoadProject(const uint8_t* data, std::size_t size)
{
    try {
        ArchiveReader in(data, size);
        LoadedProject project;
        project.model = ReadModel(in, nullptr);
        project.camera.eye = in.Vec();
        project.camera.direction = in.Vec();
        project.camera.up = in.Vec();
        LoadTrailer(in, *project.model);
        return project;
    } catch (const ArchiveError& e) {
        return Fail(e.what());
    } catch (const std::bad_alloc&) {
        return Fail("not enough memory to load the project");
    }
}

namespace {

// Every project file begins with its format tag, a short string "JK" and a number.
bool HasProjectHeader(const std::vector<uint8_t>& b)
{
    return b.size() >= 3 && b[0] >= 2 && b[0] < 0xFF && b[1] == 'J' && b[2] == 'K';
}

// What a file that is no project file seems to be, by its first bytes; "" when unknown.
std::string KindOfOtherFile(const std::vector<uint8_t>& b)
{
    auto startsWith = [&](std::string_view magic) {
        return b.size() >= magic.size() && std::equal(magic.begin(), magic.end(), b.begin());
    };
    if (startsWith("GOB "))
        return "a GOB or GOO archive";
    if (startsWith("MAT "))
        return "a MAT material";
    if (startsWith("CMP "))
        return "a CMP colormap";
    if (startsWith("BM"))
        return "a bitmap";
    std::string head(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(b.size(), 4096)));
    const bool header = head.find("SECTION: HEADER") != std::string::npos;
    if (header && head.find("FRAMES ") != std::string::npos)
        return "a KEY keyframe file";
    if (header && head.find("3DO ") != std::string::npos)
        return "a 3DO model";
    head = ToLowerAscii(head);
    if (head.find("mode=") != std::string::npos || head.find("joints") != std::string::npos)
        return "a PUP puppet file";
    return {};
}

}  // namespace

Result<LoadedProject> ReadProjectFile(const std::string& path)
{
    auto bytes = ReadWholeFile(path);
    if (!bytes)
        return Fail(bytes.error());
    auto project = LoadProject(bytes->data(), bytes->size());
    if (project)
        return project;
    // A file of another kind is named as such, not as a damaged project.
    if (!HasProjectHeader(*bytes)) {
        const std::string kind = KindOfOtherFile(*bytes);
        return Fail("not an Orvane project file" + (kind.empty() ? std::string() : " (it looks like " + kind + ")"));
    }
    return Fail("not a complete project file (" + project.error() + ")");
}

Status WriteProjectFile(const std::string& path, CModel& model, const CameraState& camera)
{
    const auto bytes = SaveProject(model, camera);
    return WriteFileAtomic(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

}  // namespace orv
