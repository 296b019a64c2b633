#include "formats/model3do.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <system_error>
#include <vector>

#include "base/text.h"
#include "formats/textformat.h"
#include "model/fileio.h"
#include "model/model.h"
#include "model/radius.h"
#include "model/version.h"

namespace orv {

namespace fs = std::filesystem;

namespace {

// ---- reading ---------------------------------------------------------------------

// "5 of 20 vertices": how far a list got before the text ran out.
std::string Of(int64_t read, int64_t declared, const char* what)
{
    return std::to_string(read) + " of " + std::to_string(declared) + " " + what;
}

bool ReadMaterials(CModel& model, TextBuffer& buf, std::string& missing)
{
    std::string_view t;
    if (!GetToken(buf, "MATERIALS ", t, " ")) {
        missing = "the MODELRESOURCE section ends before its MATERIALS line";
        return false;
    }
    const int32_t n = ToInt(t);
    for (int32_t i = 0; i < n; ++i) {
        if (!GetToken(buf, ":", t, " ")) {
            missing = Of(i, n, "materials") + " read";
            return false;
        }
        model.materials.push_back(ToLowerAscii(t));
    }
    return true;
}

// Splits a face line at ':', blank, ',', TAB, CR and LF. The whole line is used however
// long it is: a face with many corners is written on one line, and cutting it would
// lose corners.
class FaceTokens {
public:
    explicit FaceTokens(std::string_view line) : line_(line) {}
    bool Next(std::string_view& token)
    {
        while (pos_ < line_.size() && IsSeparator(line_[pos_]))
            ++pos_;
        if (pos_ >= line_.size())
            return false;
        const std::size_t start = pos_;
        while (pos_ < line_.size() && !IsSeparator(line_[pos_]))
            ++pos_;
        token = line_.substr(start, pos_ - start);
        return true;
    }

private:
    static bool IsSeparator(char c) { return c == ':' || c == ' ' || c == ',' || c == '\t' || c == '\r' || c == '\n'; }
    std::string_view line_;
    std::size_t pos_ = 0;
};

// The face of one FACES line; corner pairs beyond the tokens present are not invented.
// cornerCount is the count the line gives, or empty when the line ends before it.
CFace ParseFace(std::string_view line, std::optional<int32_t>& cornerCount)
{
    CFace face;
    cornerCount.reset();
    FaceTokens tokens(line);
    std::string_view t;
    if (!tokens.Next(t))
        return face;
    face.material = ToInt(t);
    if (!tokens.Next(t))
        return face;
    face.type = ToHex(t);
    if (!tokens.Next(t))
        return face;
    face.geometryMode = ToInt(t);
    if (!tokens.Next(t))
        return face;
    face.lightingMode = ToInt(t);
    if (!tokens.Next(t))
        return face;
    face.textureMode = ToInt(t);
    if (!tokens.Next(t))
        return face;
    face.extraLight = ToFloat(t);
    if (!tokens.Next(t))
        return face;
    const int32_t n = ToInt(t);
    cornerCount = n;
    std::string_view a, b;
    for (int32_t c = 0; c < n && tokens.Next(a) && tokens.Next(b); ++c) {
        face.vertexIndices.push_back(ToInt(a));
        face.textureVertexIndices.push_back(ToInt(b));
    }
    return face;
}

Vec3 FileToModel(float x, float y, float z) { return {x, z, y}; }

bool Finite(float x, float y, float z) { return std::isfinite(x) && std::isfinite(y) && std::isfinite(z); }

// The words of every note on a value that is no finite number.
constexpr const char* kNotFinite = " is no finite number";

// Why a face read from its line cannot be kept whole ("" when it can): a line short of
// the corners it counts, or a corner whose vertex is not in the list or has no place.
std::string FaceFault(const CFace& face, const std::optional<int32_t>& corners, const CMesh& mesh,
                      const std::vector<int32_t>& unplaced)
{
    const auto read = static_cast<int32_t>(face.vertexIndices.size());
    if (!corners)
        return " ends before its corner count";
    if (read < *corners)
        return " has " + Of(read, *corners, "corners");
    for (const int32_t v : face.vertexIndices) {
        if (v < 0 || static_cast<std::size_t>(v) >= mesh.vertices.size())
            return " names vertex " + std::to_string(v) + " but the mesh has " + std::to_string(mesh.vertices.size());
        if (std::binary_search(unplaced.begin(), unplaced.end(), v))
            return " names vertex " + std::to_string(v) + ", which" + kNotFinite;
    }
    return {};
}

// The mesh being read, with what its notes call it and how a shortfall is said.
struct MeshReader {
    CMesh& mesh;
    std::size_t index;
    TextBuffer& buf;
    std::string& missing;
    DamageNotes& damage;
    bool named = false;
    std::string_view t;  // the text after the key just found

    // "mesh 3 (torso)", once the name is read.
    std::string Label() const
    {
        return "mesh " + std::to_string(index) + (named ? " (" + mesh.name + ")" : std::string());
    }
    bool Get(const char* key, const char* end) { return GetToken(buf, key, t, end); }
    bool EndsBefore(const char* what)
    {
        missing = Label() + " ends before its " + what + " line";
        return false;
    }
    bool Has(int32_t read, int32_t declared, const char* what)
    {
        missing = Label() + " has " + Of(read, declared, what);
        return false;
    }
};

bool ReadMeshHeader(MeshReader& r)
{
    CMesh& mesh = r.mesh;
    if (!r.Get("NAME ", " "))
        return r.EndsBefore("NAME");
    mesh.name = r.t;
    r.named = true;
    if (!r.Get("RADIUS ", " "))
        return r.EndsBefore("RADIUS");
    mesh.radius = ToFloat(r.t);
    if (!std::isfinite(mesh.radius))  // measured anew once the read is done
        r.damage.Add("the RADIUS of " + r.Label() + kNotFinite + "; it is measured anew");
    if (!r.Get("GEOMETRYMODE", " "))
        return r.EndsBefore("GEOMETRYMODE");
    mesh.geometryMode = ToInt(r.t);
    if (!r.Get("LIGHTINGMODE", " "))
        return r.EndsBefore("LIGHTINGMODE");
    mesh.lightingMode = ToInt(r.t);
    if (!r.Get("TEXTUREMODE", " "))
        return r.EndsBefore("TEXTUREMODE");
    mesh.textureMode = ToInt(r.t);
    return true;
}

// The vertices; unplaced gets those whose place is no number (the faces naming them have
// no shape).
bool ReadVertices(MeshReader& r, std::vector<int32_t>& unplaced)
{
    if (!r.Get("VERTICES ", " "))
        return r.EndsBefore("VERTICES");
    const int32_t vertexCount = ToInt(r.t);
    for (int32_t i = 0; i < vertexCount; ++i) {
        if (!r.Get(": ", ""))
            return r.Has(i, vertexCount, "vertices");
        float x = 0, y = 0, z = 0, intensity = 0;
        Scan(r.t, "%f %f %f %f", {&x, &y, &z, &intensity});
        const std::string vertex = "vertex " + std::to_string(i) + " of " + r.Label();
        if (!Finite(x, y, z)) {
            r.damage.Add(vertex + kNotFinite + "; the faces naming it are left out");
            unplaced.push_back(i);
            x = y = z = 0.0f;
        }
        if (!std::isfinite(intensity)) {
            r.damage.Add("the intensity of " + vertex + kNotFinite + "; it is read as 0");
            intensity = 0.0f;
        }
        VertexRecord v;
        v.SetPosition(FileToModel(x, y, z));
        v.SetIntensity(intensity);
        r.mesh.vertices.push_back(v);
    }
    return true;
}

bool ReadTextureVertices(MeshReader& r)
{
    if (!r.Get("TEXTURE VERTICES ", " "))
        return r.EndsBefore("TEXTURE VERTICES");
    const int32_t texCount = ToInt(r.t);
    for (int32_t i = 0; i < texCount; ++i) {
        if (!r.Get(": ", ""))
            return r.Has(i, texCount, "texture vertices");
        VertexRecord v;
        Scan(r.t, "%f %f", {&v.u, &v.v});
        if (!std::isfinite(v.u) || !std::isfinite(v.v)) {
            r.damage.Add("texture vertex " + std::to_string(i) + " of " + r.Label() + kNotFinite +
                         "; it is read as (0, 0)");
            v.u = v.v = 0.0f;
        }
        CleanTexCoords(v.u, v.v);
        r.mesh.textureVertices.push_back(v);
    }
    return true;
}

// One normal for each vertex the VERTICES section counted.
bool ReadVertexNormals(MeshReader& r, int32_t vertexCount)
{
    if (!r.Get("VERTEX NORMALS", ""))
        return r.EndsBefore("VERTEX NORMALS");
    for (int32_t i = 0; i < vertexCount; ++i) {
        if (!r.Get(": ", ""))
            return r.Has(i, vertexCount, "vertex normals");
        float x = 0, y = 0, z = 0;
        Scan(r.t, "%f %f %f", {&x, &y, &z});
        if (!Finite(x, y, z)) {
            r.damage.Add("vertex normal " + std::to_string(i) + " of " + r.Label() + kNotFinite +
                         "; it is measured anew");
            x = y = z = 0.0f;
        }
        VertexRecord v;
        v.SetPosition(FileToModel(x, y, z));
        r.mesh.vertexNormals.push_back(v);
    }
    return true;
}

// The faces; faceOfLine gets the index of the face each FACES line became, or none for a
// line left out or without corners: the FACE NORMALS lines are matched to the faces line
// by line.
bool ReadFaces(MeshReader& r, const std::vector<int32_t>& unplaced, std::vector<std::optional<std::size_t>>& faceOfLine)
{
    if (!r.Get("FACES ", " "))
        return r.EndsBefore("FACES");
    CMesh& mesh = r.mesh;
    const int32_t faceCount = ToInt(r.t);
    for (int32_t i = 0; i < faceCount; ++i) {
        if (!r.Get(": ", ""))
            return r.Has(i, faceCount, "faces");
        std::optional<int32_t> corners;
        auto face = ParseFace(r.t, corners);
        const std::string where = "face " + std::to_string(i) + " of " + r.Label();
        if (const std::string fault = FaceFault(face, corners, mesh, unplaced); !fault.empty()) {
            r.damage.Add(where + fault + "; the face is left out");
            faceOfLine.push_back(std::nullopt);
            continue;
        }
        if (!std::isfinite(face.extraLight)) {
            r.damage.Add("the extra light of " + where + kNotFinite + "; it is read as 0");
            face.extraLight = 0.0f;
        }
        for (const int32_t tv : face.textureVertexIndices)
            if (tv < 0 || static_cast<std::size_t>(tv) >= mesh.textureVertices.size()) {
                r.damage.Add(where + " names texture vertex " + std::to_string(tv) + " but the mesh has " +
                             std::to_string(mesh.textureVertices.size()) +
                             "; the face is kept whole, that corner at texture coordinates (0, 0)");
                break;
            }
        if (face.vertexIndices.empty()) {
            faceOfLine.push_back(std::nullopt);
            continue;
        }
        faceOfLine.push_back(mesh.faces.size());
        mesh.faces.push_back(std::move(face));
    }
    return true;
}

bool ReadFaceNormals(MeshReader& r, const std::vector<std::optional<std::size_t>>& faceOfLine)
{
    if (!r.Get("FACE NORMALS", " "))
        return r.EndsBefore("FACE NORMALS");
    for (std::size_t i = 0; i < faceOfLine.size(); ++i) {
        if (!r.Get(":", ""))
            return r.Has(static_cast<int32_t>(i), static_cast<int32_t>(faceOfLine.size()), "face normals");
        if (!faceOfLine[i])
            continue;
        CFace& face = r.mesh.faces[*faceOfLine[i]];
        float x = 0, y = 0, z = 0;
        Scan(r.t, "%f %f %f", {&x, &y, &z});
        if (!Finite(x, y, z)) {
            r.damage.Add("face normal " + std::to_string(i) + " of " + r.Label() + kNotFinite +
                         "; it is measured anew");
            x = y = z = 0.0f;
        }
        face.normal = FileToModel(x, y, z);
    }
    return true;
}

// One mesh of a geometry set. On a shortfall missing says where the mesh stopped
// ("mesh 3 (torso) has 5 of 20 vertices"; empty when not even its MESH line was there).
// What cannot stand is noted and reading goes on past it: a face is never shortened, so
// a face short of the corners it counts, or naming a vertex that is not in the list (or
// whose place is no number), is left out whole; a face naming a texture vertex that is
// not in the list is kept whole, that corner at texture coordinates (0, 0); any other
// value that is no finite number is read as 0 (a radius is measured anew).
bool ReadMesh(CGeometry& geoset, TextBuffer& buf, std::string& missing, DamageNotes& damage)
{
    std::string_view t;
    if (!GetToken(buf, "MESH ", t, " "))
        return false;
    const std::size_t index = geoset.meshes.size();
    geoset.meshes.push_back(CMesh());
    MeshReader r{geoset.meshes.back(), index, buf, missing, damage};
    std::vector<int32_t> unplaced;
    std::vector<std::optional<std::size_t>> faceOfLine;
    return ReadMeshHeader(r) && ReadVertices(r, unplaced) && ReadTextureVertices(r) &&
           ReadVertexNormals(r, static_cast<int32_t>(r.mesh.vertices.size())) && ReadFaces(r, unplaced, faceOfLine) &&
           ReadFaceNormals(r, faceOfLine);
}

bool ReadGeometry(CModel& model, TextBuffer& buf, std::string& missing, DamageNotes& damage)
{
    std::string_view t;
    auto endsBefore = [&](const char* what) {
        missing = std::string("the GEOMETRYDEF section ends before its ") + what + " line";
        return false;
    };
    if (!GetToken(buf, "RADIUS ", t, " "))
        return endsBefore("RADIUS");
    model.radius = ToFloat(t);
    if (!std::isfinite(model.radius))  // measured anew once the read is done
        damage.Add(std::string("the model's RADIUS") + kNotFinite + "; it is measured anew");
    if (!GetToken(buf, "INSERT OFFSET ", t, ""))
        return endsBefore("INSERT OFFSET");
    float x = 0, y = 0, z = 0;
    Scan(t, "%f %f %f", {&x, &y, &z});
    if (!Finite(x, y, z)) {
        damage.Add(std::string("the INSERT OFFSET") + kNotFinite + "; it is read as 0 0 0");
        x = y = z = 0.0f;
    }
    model.insertOffset = FileToModel(x, y, z);
    if (!GetToken(buf, "GEOSETS ", t, " "))
        return endsBefore("GEOSETS");
    const int32_t geosetCount = ToInt(t);
    for (int32_t g = 0; g < geosetCount; ++g) {
        if (!GetToken(buf, "GEOSET ", t, " ")) {
            missing = Of(g, geosetCount, "geometry sets") + " read";
            return false;
        }
        model.geosets.push_back(CGeometry());
        CGeometry& geoset = model.geosets.back();
        // Most models have one geometry set; only with more is the set named.
        const std::string set = geosetCount > 1 ? "geometry set " + std::to_string(g) + ": " : std::string();
        if (!GetToken(buf, "MESHES ", t, " ")) {
            missing = set + "the set ends before its MESHES line";
            return false;
        }
        const int32_t meshCount = ToInt(t);
        for (int32_t m = 0; m < meshCount; ++m) {
            std::string where;
            if (!ReadMesh(geoset, buf, where, damage)) {
                missing = set + Of(m, meshCount, "meshes") + " read" + (where.empty() ? "" : "; " + where);
                return false;
            }
        }
    }
    return true;
}

bool ReadHierarchy(CModel& model, TextBuffer& buf, std::string& missing, DamageNotes& damage)
{
    std::string_view t;
    if (!GetToken(buf, "HIERARCHY NODES", t, " ")) {
        missing = "the HIERARCHYDEF section ends before its HIERARCHY NODES line";
        return false;
    }
    std::string_view last = t;
    const int32_t nodeCount = ToInt(t);
    for (int32_t i = 0; i < nodeCount; ++i) {
        if (!GetToken(buf, "", t, "")) {
            missing = Of(i, nodeCount, "hierarchy nodes") + " read";
            return false;
        }
        last = t;
        C3doNode node;
        float px = 0, py = 0, pz = 0, pitch = 0, yaw = 0, roll = 0, vx = 0, vy = 0, vz = 0;
        Scan(t, "%d: %x %x %d %d %d %d %d %f %f %f %f %f %f %f %f %f %s",
             {&node.num, &node.flags, &node.type, &node.mesh, &node.parent, &node.child, &node.sibling,
              &node.numChildren, &px, &py, &pz, &pitch, &yaw, &roll, &vx, &vy, &vz, &node.name});
        if (!Finite(px, py, pz) || !Finite(pitch, yaw, roll) || !Finite(vx, vy, vz)) {
            damage.Add("the placement of node " + std::to_string(i) + " (" + node.name + ")" + kNotFinite +
                       "; what is not is read as 0");
            for (float* v : {&px, &py, &pz, &pitch, &yaw, &roll, &vx, &vy, &vz})
                if (!std::isfinite(*v))
                    *v = 0.0f;
        }
        node.position = FileToModel(px, py, pz);
        node.rotation = Vec3(pitch, roll, yaw);
        node.pivot = FileToModel(vx, vy, vz);
        // A first node that places a mesh under a parent gets a root above it; the
        // file's indices are deliberately left as they are.
        if (i == 0 && node.mesh > -1 && node.parent != -1) {
            C3doNode dummy;
            dummy.name = "$$dummy";
            dummy.mesh = -1;
            dummy.type = 1;
            dummy.child = 1;
            dummy.numChildren = 1;
            model.nodes.push_back(std::move(dummy));
        }
        model.nodes.push_back(std::move(node));
    }
    // Every writer ends the last line; a last line without its line end is where a cut
    // file stops, and its last value (often the node's name) may be cut with it.
    if (RunsToEnd(buf, last)) {
        missing = (nodeCount > 0 ? Of(nodeCount - 1, nodeCount, "hierarchy nodes") + " read whole; " : std::string()) +
                  "the last line has no line end";
        return false;
    }
    return true;
}

// ---- writing ---------------------------------------------------------------------

void Lines(std::string& out, std::string_view text) { Appendf(out, text, {}); }

void FormatMesh(std::string& o, ModelCaches& caches, CMesh& mesh, std::size_t index)
{
    RebuildListsIfChanged(caches, mesh);
    Lines(o, "# Mesh definition\n");
    Appendf(o, "MESH %d\n\n", {index});
    Appendf(o, "NAME    %s\n\n", {mesh.name});
    Appendf(o, "RADIUS    %f\n\n", {mesh.radius});
    Appendf(o, "GEOMETRYMODE    %d\n", {mesh.geometryMode});
    Appendf(o, "LIGHTINGMODE    %d\n", {mesh.lightingMode});
    Appendf(o, "TEXTUREMODE    %d\n\n", {mesh.textureMode});

    Appendf(o, "VERTICES %d\n\n", {mesh.vertices.size()});
    Lines(o, "# num:        x:        y:        z:        i:\n");
    for (std::size_t i = 0; i < mesh.vertices.size(); ++i) {
        const VertexRecord& v = mesh.vertices[i];
        Appendf(o, "%5d: %10.6f %10.6f %10.6f %10.6f\n", {i, v.x, v.z, v.y, v.Intensity()});
    }
    Lines(o, "\n");

    Appendf(o, "TEXTURE VERTICES %d\n\n", {mesh.textureVertices.size()});
    Lines(o, "# num:        u:        v:\n");
    for (std::size_t i = 0; i < mesh.textureVertices.size(); ++i)
        Appendf(o, "%5d: %10.3f %10.3f\n", {i, mesh.textureVertices[i].u, mesh.textureVertices[i].v});
    Lines(o, "\n");

    Lines(o, "VERTEX NORMALS\n\n");
    Lines(o, "# num:        x:        y:        z:\n");
    for (std::size_t i = 0; i < mesh.vertexNormals.size(); ++i) {
        const VertexRecord& n = mesh.vertexNormals[i];
        Appendf(o, "%5d: %10.6f %10.6f %10.6f\n", {i, n.x, n.z, n.y});
    }
    Lines(o, "\n");

    Appendf(o, "FACES %d\n\n", {mesh.faces.size()});
    Lines(o, "# num:\tmat:\ttype:\tgeo:\tlight:\ttex:\textralight:\tverts:\n");
    for (std::size_t i = 0; i < mesh.faces.size(); ++i) {
        const CFace& f = mesh.faces[i];
        Appendf(o, "%5d: %4d  0x%x   %d  %d  %d  %5.2f  %d  ",
                {i, f.material, f.type, f.geometryMode, f.lightingMode, f.textureMode, f.extraLight,
                 f.vertexIndices.size()});
        for (std::size_t c = 0; c < f.vertexIndices.size(); ++c)
            Appendf(o, "%3d,%3d ", {f.vertexIndices[c], f.textureVertexIndices[c]});
        Lines(o, "\n");
    }
    Lines(o, "\n");

    Lines(o, "FACE NORMALS\n\n");
    Lines(o, "# num:        x:        y:        z:\n");
    for (std::size_t i = 0; i < mesh.faces.size(); ++i) {
        const Vec3& n = mesh.faces[i].normal;
        Appendf(o, "%5d: %10.6f %10.6f %10.6f\n", {i, n.x, n.z, n.y});
    }
    Lines(o, "\n");
}

}  // namespace

ReadStatus Read3do(CModel& model, TextBuffer& buffer)
{
    ReadStatus status;
    model.formatTag = "JK1";
    // The two sections a model cannot do without, each read to its end.
    bool geometry = false, hierarchy = false;
    std::string missing;
    DamageNotes damage;
    std::string_view section;
    while (missing.empty() && GetToken(buffer, "SECTION: ", section, " ")) {
        if (section == "HEADER") {
            status.recognised = true;
            std::string_view version;
            if (!GetToken(buffer, "3DO ", version, " "))
                missing = "the HEADER section ends before its 3DO line";
            else
                model.version3do = version;
        } else if (section == "MODELRESOURCE") {
            status.recognised = true;
            ReadMaterials(model, buffer, missing);
        } else if (section == "GEOMETRYDEF") {
            status.recognised = true;
            geometry = ReadGeometry(model, buffer, missing, damage);
        } else if (section == "HIERARCHYDEF") {
            status.recognised = true;
            hierarchy = ReadHierarchy(model, buffer, missing, damage);
            break;
        }
    }
    if (missing.empty() && !geometry)
        missing = "no GEOMETRYDEF section";
    else if (missing.empty() && !hierarchy)
        missing = "no HIERARCHYDEF section";
    status.complete = missing.empty();
    status.missing = std::move(missing);
    damage.AddTo(status);
    model.RebuildHierarchy();
    // The radii read belong to the geometry read with them; one that was no number
    // belongs to none and is measured again.
    MarkRadiiCurrent(model);
    if (!std::isfinite(model.radius)) {
        model.radius = 0.0f;
        ForgetRadius(model);
    }
    for (std::size_t g = 0; g < model.geosets.size(); ++g)
        for (std::size_t k = 0; k < model.geosets[g].meshes.size(); ++k)
            if (CMesh& mesh = model.geosets[g].meshes[k]; !std::isfinite(mesh.radius)) {
                mesh.radius = 0.0f;
                ForgetRadius(model, g, k);
            }
    return status;
}

Result<ReadStatus> Load3doFile(const fs::path& path, CModel& model, const TextureSizeFn& textureSize)
{
    auto buffer = LoadTextBuffer(path);
    if (!buffer)
        return Fail(buffer.error());
    ReadStatus status = Read3do(model, *buffer);
    BuildFaceCorners(model, textureSize);
    if (!status.recognised)
        return Fail("not a 3DO file (no SECTION found)");
    return status;
}

std::string Format3do(CModel& model, const std::string& headerPath)
{
    UpdateRadii(model);
    std::string o;
    std::size_t faces = 0;
    for (const auto& g : model.geosets)
        for (const auto& m : g.meshes)
            faces += m.faces.size();
    o.reserve(4096 + faces * 256);

    Appendf(o, "# MODEL '%s' created with %s\n\n", {headerPath, kVersionString});
    Lines(o, "# Header\nSECTION: HEADER\n\n3DO 2.1\n\n");

    Lines(o, "# Model resource\nSECTION: MODELRESOURCE\n\n# Material list\n");
    Appendf(o, "MATERIALS %d\n\n", {model.materials.size()});
    for (std::size_t i = 0; i < model.materials.size(); ++i)
        Appendf(o, "%10d:    %s\n", {i, model.materials[i]});
    Lines(o, "\n");

    Lines(o, "# Geometry definitions\nSECTION: GEOMETRYDEF\n\n# Object radius\n");
    Appendf(o, "RADIUS    %f\n\n", {model.radius});
    Lines(o, "# Insertion offset\n");
    const Vec3& io = model.insertOffset;
    Appendf(o, "INSERT OFFSET  %9.7f %9.7f %9.7f\n\n", {io.x, io.z, io.y});
    Lines(o, "# Number of Geometry sets\n");
    Appendf(o, "GEOSETS %d\n\n", {model.geosets.size()});
    for (std::size_t g = 0; g < model.geosets.size(); ++g) {
        CGeometry& geoset = model.geosets[g];
        Lines(o, "# Geometry set definition\n");
        Appendf(o, "GEOSET %d\n\n", {g});
        Lines(o, "# Number of meshes\n");
        Appendf(o, "MESHES %d\n\n", {geoset.meshes.size()});
        for (std::size_t m = 0; m < geoset.meshes.size(); ++m)
            FormatMesh(o, model.caches, geoset.meshes[m], m);
    }

    Lines(o, "\n# Hierarchydef\nSECTION: HIERARCHYDEF\n\n# Hierarchy node list\n");
    Appendf(o, "HIERARCHY NODES %d\n\n", {model.nodes.size()});
    Lines(o,
          "#  num:   flags:   type:    mesh:  parent:  child:  sibling:  numChildren:        x:         y:         "
          "z:     pitch:       yaw:      roll:    pivotx:    pivoty:    pivotz:\t   nodeName\n");
    for (std::size_t i = 0; i < model.nodes.size(); ++i) {
        C3doNode& n = model.nodes[i];
        n.num = static_cast<int32_t>(i);
        Appendf(
            o,
            "%5d:   0x%04x 0x%05x %8d %8d %8d %8d %13d %10.6f %10.6f %10.6f %10.6f %10.6f %10.6f %10.6f %10.6f "
            "%10.6f %s\n",
            {n.num, n.flags, n.type, n.mesh, n.parent, n.child, n.sibling, n.numChildren, n.position.x, n.position.z,
             n.position.y, n.rotation.x, n.rotation.z, n.rotation.y, n.pivot.x, n.pivot.z, n.pivot.y, n.name});
    }
    return o;
}

Status Write3do(CModel& model, const fs::path& path)
{
    // The head names the file, not the folders of the machine that wrote it.
    return WriteFileAtomic(path, Format3do(model, path.filename().string()));
}

}  // namespace orv
