#include "render/game_view.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace orv {

namespace {

constexpr uint32_t kTwoSided = 0x1;    // face flag: drawn from both sides
constexpr uint32_t kTranslucent = 0x2;  // face flag: blended through the transparency table
constexpr int32_t kRows = 64;
constexpr int32_t kPaletteRow = kRows;  // the palette itself (fully lit: the texel as it is)

// One corner as the game-view shader takes it.
struct GameVertex {
    float x, y, z;
    float u, v;               // texels
    float nx, ny, nz;         // the corner's normal (Gouraud), else the face's
    float intensity, extra;   // the vertex's own light, the face's extra light
    uint8_t lighting, textureMode, geometry, pad;
};
static_assert(sizeof(GameVertex) == 44);

const char* kVertexShader = R"(#version 330 core
layout(location = 0) in vec3 aPosition;
layout(location = 1) in vec2 aTexel;
layout(location = 2) in vec3 aNormal;
layout(location = 3) in vec2 aLight;
layout(location = 4) in vec3 aModes;
uniform mat4 uMatrix;
uniform mat4 uModelView;
uniform float uCameraLight;
uniform float uAmbient;
out vec2 vTexel;
noperspective out vec2 vAffineTexel;
noperspective out float vGouraud;
flat out float vFacing;
flat out float vExtra;
flat out int vLighting;
flat out int vAffine;
flat out int vGeometry;
void main()
{
    vec4 p = uMatrix * vec4(aPosition, 1.0);
    p.z = 2.0 * p.z - p.w;
    gl_Position = p;
    vTexel = aTexel;
    vAffineTexel = aTexel;
    // The light at the camera, seen from this corner: intensity times the cosine to the
    // normal (rdLight_CalcFaceIntensity / CalcVertexIntensities, no falloff). Diffuse
    // faces take it at their first corner, the provoking vertex (flat).
    vec3 toLight = -(uModelView * vec4(aPosition, 1.0)).xyz;
    vec3 n = mat3(uModelView) * aNormal;
    float d = 0.0;
    if (dot(n, n) > 0.0 && dot(toLight, toLight) > 0.0)
        d = dot(normalize(n), normalize(toLight)) * uCameraLight;
    vFacing = d;
    vExtra = aLight.y;
    // Gouraud: the vertex's own intensity plus the light, plus the face's extra light,
    // clamped to 0...1, never below the ambient light, in rows (rdCache_DrawFaceN).
    vGouraud = max(clamp(aLight.x + max(d, 0.0) + aLight.y, 0.0, 1.0), uAmbient) * 63.0;
    vLighting = int(aModes.x + 0.5);
    vAffine = aModes.y < 0.5 ? 1 : 0;
    vGeometry = int(aModes.z + 0.5);
}
)";

const char* kFragmentShader = R"(#version 330 core
in vec2 vTexel;
noperspective in vec2 vAffineTexel;
noperspective in float vGouraud;
flat in float vFacing;
flat in float vExtra;
flat in int vLighting;
flat in int vAffine;
flat in int vGeometry;
uniform sampler2D uMaterial;
uniform sampler2D uLitPalette;
uniform sampler2D uTranslucency;
uniform sampler2D uDestination;
uniform sampler2D uNearest;
uniform float uAmbient;
uniform ivec2 uSize;
uniform int uCelRow;
uniform int uSolidColor;
uniform int uTransparent;
uniform int uTrueColor;
uniform int uTranslucent;
layout(location = 0) out vec4 fragColor;
layout(location = 1) out vec4 fragIndex;

int Byte(float v) { return int(v * 255.0 + 0.5); }

void main()
{
    // The light level and its light-table row (rdCache_DrawFaceN): fully lit faces keep
    // their texels; not lit ones have their extra light alone, diffuse ones the light on
    // the face's normal (turned round on the back of a double-sided face) plus the extra
    // light; both clamped, never below the ambient light, the row truncated from
    // level * 63. Gouraud rows come interpolated across the face, truncated per pixel.
    float level = 1.0;
    int row = 64;
    if (vLighting == 1 || vLighting == 2) {
        float lit = vLighting == 2 ? max(gl_FrontFacing ? vFacing : -vFacing, 0.0) : 0.0;
        level = max(clamp(lit + vExtra, 0.0, 1.0), uAmbient);
        row = min(int(level * 63.0), 63);
    } else if (vLighting >= 3) {
        level = vGouraud / 63.0;
        row = clamp(int(vGouraud), 0, 63);
    }

    int index = uSolidColor;
    vec3 color;
    if (vGeometry >= 4) {
        // Nearest texel, the coordinate truncated and wrapped as the rasteriser does;
        // texture mode 0 maps affinely (linear on the screen), the others in perspective.
        ivec2 t = ivec2(vAffine != 0 ? vAffineTexel : vTexel);
        t -= uSize * ivec2(floor(vec2(t) / vec2(uSize)));
        vec4 texel = texelFetch(uMaterial, ivec2(t.x, t.y + uCelRow), 0);
        if (uTrueColor != 0) {
            // A 16-bit material has its own colours, darkened by the light level.
            if (uTransparent != 0 && texel.a < 0.5)
                discard;
            color = texel.rgb * (vLighting == 0 ? 1.0 : level);
            ivec3 q = ivec3(color * 31.0 + 0.5);
            index = Byte(texelFetch(uNearest, ivec2(q.r * 32 + q.g, q.b), 0).r);
        } else {
            index = Byte(texel.r);
            // A transparent material's colour 0 is not drawn.
            if (uTransparent != 0 && index == 0)
                discard;
        }
    }
    if (uTrueColor == 0 || vGeometry < 4) {
        vec4 lit = texelFetch(uLitPalette, ivec2(index, row), 0);
        color = lit.rgb;
        index = Byte(lit.a);
    }
    if (uTranslucent != 0) {
        // destination = table[source][destination]
        int below = Byte(texelFetch(uDestination, ivec2(gl_FragCoord.xy), 0).r);
        index = Byte(texelFetch(uTranslucency, ivec2(below, index), 0).r);
        color = texelFetch(uLitPalette, ivec2(index, 64), 0).rgb;
    }
    fragColor = vec4(color, 1.0);
    fragIndex = vec4(float(index) / 255.0);
}
)";

GLuint MakeTable(const GlApi& gl, GLenum internal, GLenum format, int32_t w, int32_t h, const void* data)
{
    GLuint t = 0;
    gl.GenTextures(1, &t);
    gl.BindTexture(GL_TEXTURE_2D, t);
    gl.PixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gl.TexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(internal), w, h, 0, format, GL_UNSIGNED_BYTE, data);
    gl.PixelStorei(GL_UNPACK_ALIGNMENT, 4);
    // Read with texelFetch only; one level, so the texture is complete.
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    return t;
}

void DeleteTexture(const GlApi& gl, GLuint& t)
{
    if (t)
        gl.DeleteTextures(1, &t);
    t = 0;
}

Vec3 Transformed(const Vec3& p, const Matrix4& m)
{
    const auto r = Transform4({p.x, p.y, p.z, 1.0f}, m);
    return {r[0], r[1], r[2]};
}

}  // namespace

int32_t GameCelAt(int32_t cels, double seconds)
{
    if (cels <= 1 || !(seconds > 0.0))
        return 0;
    const double turns = std::floor(seconds * kGameCelsPerSecond);
    return static_cast<int32_t>(std::fmod(turns, static_cast<double>(cels)));
}

int32_t LightRow(float level)
{
    const float clamped = std::clamp(level, 0.0f, 1.0f);
    return std::min(static_cast<int32_t>(clamped * 63.0f), kRows - 1);
}

// A stretch of one index buffer drawn with one material and one culling.
struct GameView::Run {
    const TextureRecord* record = nullptr;
    GLenum primitive = GL_TRIANGLES;
    bool twoSided = false;
    uint32_t first = 0;
    uint32_t count = 0;
};

struct GameView::TranslucentFace {
    Run run;
    Vec3 centre;
    std::vector<Vec3> corners;
};

struct GameView::Buffers {
    GLuint vertexArray = 0;
    GLuint vertexBuffer = 0;
    GLuint indexBuffer = 0;
    std::vector<Run> runs;
    std::vector<TranslucentFace> translucent;
    MeshBuffersSource source;
};

// A translucent face waiting for the opaque ones to be drawn.
struct GameView::Pending {
    const Buffers* buffers = nullptr;
    std::size_t face = 0;
    Matrix4 world;
    float depth = 0.0f;
};

GameView::GameView(GlDevice& device) : device_(device), gl_(device.Api()) {}

GameView::~GameView()
{
    if (!gl_.loaded)
        return;
    Clear();
    for (GLuint* t : {&litPalette_, &translucency_, &nearest_, &destination_})
        DeleteTexture(gl_, *t);
    if (indexBuffer_)
        gl_.DeleteRenderbuffers(1, &indexBuffer_);
    if (destinationFbo_)
        gl_.DeleteFramebuffers(1, &destinationFbo_);
    if (program_)
        gl_.DeleteProgram(program_);
}

bool GameView::BuildProgram()
{
    if (program_)
        return true;
    program_ = gl_.MakeProgram(kVertexShader, kFragmentShader, nullptr);
    if (!program_)
        return false;
    auto at = [&](const char* name) { return gl_.GetUniformLocation(program_, name); };
    uMatrix_ = at("uMatrix");
    uModelView_ = at("uModelView");
    uCameraLight_ = at("uCameraLight");
    uAmbient_ = at("uAmbient");
    uSize_ = at("uSize");
    uCelRow_ = at("uCelRow");
    uSolidColor_ = at("uSolidColor");
    uTransparent_ = at("uTransparent");
    uTrueColor_ = at("uTrueColor");
    uTranslucent_ = at("uTranslucent");
    gl_.UseProgram(program_);
    const char* samplers[] = {"uMaterial", "uLitPalette", "uTranslucency", "uDestination", "uNearest"};
    for (int unit = 0; unit < 5; ++unit)
        gl_.Uniform1i(at(samplers[unit]), unit);
    return true;
}

void GameView::SetColormap(std::optional<ColormapData> colormap)
{
    colormap_ = std::move(colormap);
    if (!gl_.loaded)
        return;
    for (GLuint* t : {&litPalette_, &translucency_, &nearest_})
        DeleteTexture(gl_, *t);
    if (!colormap_ || colormap_->lightTable.size() < kLightTableSize) {
        colormap_.reset();
        return;
    }
    // Row r, entry i: the palette colour of light table[r][i], and that index (alpha),
    // so one fetch gives both the pixel and the index translucent faces blend with.
    std::vector<uint8_t> lit(static_cast<std::size_t>(256 * (kRows + 1)) * 4);
    for (int32_t r = 0; r <= kRows; ++r)
        for (int32_t i = 0; i < 256; ++i) {
            const uint8_t index = r == kPaletteRow ? static_cast<uint8_t>(i)
                                                   : colormap_->lightTable[static_cast<std::size_t>(r * 256 + i)];
            uint8_t* p = &lit[static_cast<std::size_t>(r * 256 + i) * 4];
            std::memcpy(p, &colormap_->palette[std::size_t{index} * 3], 3);
            p[3] = index;
        }
    GLint old = 0;
    gl_.GetIntegerv(GL_TEXTURE_BINDING_2D, &old);
    litPalette_ = MakeTable(gl_, GL_RGBA8, GL_RGBA, 256, kRows + 1, lit.data());
    if (colormap_->transparencyTable.size() >= kTransparencyTableSize)
        translucency_ = MakeTable(gl_, GL_R8, GL_RED, 256, 256, colormap_->transparencyTable.data());
    gl_.BindTexture(GL_TEXTURE_2D, static_cast<GLuint>(old));
    // The materials' textures do not depend on the colormap, but the nearest-colour table does.
}

void GameView::EnsureNearestTable()
{
    if (nearest_ || !colormap_)
        return;
    // 16-bit pixels get the palette index nearest their colour, so that a translucent
    // face over them has an index to blend with.
    std::vector<uint8_t> table(32 * 32 * 32);
    const Palette& pal = colormap_->palette;
    for (int b = 0; b < 32; ++b)
        for (int r = 0; r < 32; ++r)
            for (int g = 0; g < 32; ++g) {
                table[static_cast<std::size_t>(b * 1024 + r * 32 + g)] = NearestPaletteIndex(
                    pal, static_cast<uint8_t>(r * 255 / 31), static_cast<uint8_t>(g * 255 / 31),
                    static_cast<uint8_t>(b * 255 / 31));
            }
    GLint old = 0;
    gl_.GetIntegerv(GL_TEXTURE_BINDING_2D, &old);
    nearest_ = MakeTable(gl_, GL_R8, GL_RED, 1024, 32, table.data());
    gl_.BindTexture(GL_TEXTURE_2D, static_cast<GLuint>(old));
}

void GameView::Clear()
{
    if (gl_.loaded) {
        for (auto& entry : buffers_)
            Release(*entry.second);
        for (auto& entry : materials_)
            DeleteTexture(gl_, entry.second.texture);
    }
    buffers_.clear();
    materials_.clear();
    pending_.clear();
}

void GameView::ModelChanged()
{
    if (gl_.loaded)
        for (auto& entry : buffers_)
            Release(*entry.second);
    buffers_.clear();
}

void GameView::MeshChanged(const CMesh& mesh)
{
    const auto it = buffers_.find(&mesh);
    if (it == buffers_.end())
        return;
    if (gl_.loaded)
        Release(*it->second);
    buffers_.erase(it);
}

void GameView::Release(Buffers& b)
{
    if (b.vertexBuffer)
        gl_.DeleteBuffers(1, &b.vertexBuffer);
    if (b.indexBuffer)
        gl_.DeleteBuffers(1, &b.indexBuffer);
    if (b.vertexArray)
        gl_.DeleteVertexArrays(1, &b.vertexArray);
    b.vertexBuffer = b.indexBuffer = b.vertexArray = 0;
}

const GameView::MaterialTexture* GameView::TextureOf(const TextureRecord& record)
{
    if (const auto it = materials_.find(&record); it != materials_.end())
        return it->second.texture ? &it->second : nullptr;
    MaterialTexture& m = materials_[&record];
    const TextureImage* image = record.image.get();
    if (!image)
        return nullptr;
    const bool trueColor = !image->rgba.empty();
    if (!trueColor && !colormap_)
        return nullptr;
    GLint maxSize = 0;
    gl_.GetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    if (image->width > maxSize || image->height > maxSize)
        return nullptr;
    // All cels one above the other, uploaded once; only the first when they would not fit.
    m.celsStored = static_cast<int64_t>(image->height) * image->cels <= maxSize ? image->cels : 1;
    const int32_t rows = image->height * m.celsStored;
    GLint old = 0;
    gl_.GetIntegerv(GL_TEXTURE_BINDING_2D, &old);
    if (trueColor) {
        EnsureNearestTable();
        m.texture = MakeTable(gl_, GL_RGBA8, GL_RGBA, image->width, rows, image->rgba.data());
    } else {
        m.texture = MakeTable(gl_, GL_R8, GL_RED, image->width, rows, image->pixels.data());
    }
    gl_.BindTexture(GL_TEXTURE_2D, static_cast<GLuint>(old));
    return &m;
}

GameView::Buffers& GameView::BuffersFor(const CModel& model, const CMesh& mesh, const MaterialLookup& lookup)
{
    auto& slot = buffers_[&mesh];
    if (slot && slot->source != MeshBuffersSource::Of(mesh)) {
        Release(*slot);
        slot.reset();
    }
    if (!slot) {
        slot = std::make_unique<Buffers>();
        Build(model, mesh, lookup, *slot);
    }
    return *slot;
}

void GameView::Build(const CModel&, const CMesh& mesh, const MaterialLookup& lookup, Buffers& b)
{
    // Opaque faces gathered by material, culling and primitive, so that each gathering is
    // one draw call; translucent faces each alone, to be drawn back to front.
    struct Key {
        const TextureRecord* record;
        GLenum primitive;
        bool twoSided;
        bool operator==(const Key&) const = default;
    };
    struct Part {
        std::vector<GameVertex> vertices;
        std::vector<uint32_t> indices;
        void Append(const Part& p)
        {
            const auto base = static_cast<uint32_t>(vertices.size());
            vertices.insert(vertices.end(), p.vertices.begin(), p.vertices.end());
            for (const uint32_t i : p.indices)
                indices.push_back(base + i);
        }
    };
    std::vector<std::pair<Key, Part>> groups;
    std::vector<std::pair<TranslucentFace, Part>> translucent;
    for (const CFace& face : mesh.faces) {
        const std::size_t n = face.corners.size();
        // The lower of the mesh's and the face's modes (rdModel3_DrawMesh / DrawFace).
        const int32_t geometry = std::min(mesh.geometryMode, face.geometryMode);
        const int32_t lighting = std::clamp(std::min(mesh.lightingMode, face.lightingMode), 0, 3);
        const int32_t texture = std::clamp(std::min(mesh.textureMode, face.textureMode), 0, 255);
        const TextureRecord* record = lookup(face.material);
        // Geometry mode 0 is not drawn, nor a face without material.
        if (geometry <= 0 || n == 0 || !record || !record->image)
            continue;
        if ((geometry >= 3 && n < 3) || (geometry == 2 && n < 2))
            continue;
        const GLenum primitive = geometry == 1 ? GL_POINTS : geometry == 2 ? GL_LINES : GL_TRIANGLES;
        auto corner = [&](std::size_t c) {
            const VertexRecord& r = face.corners[c];
            // Corner c stands for index-list position n - 1 - c; Gouraud faces light each
            // corner by its vertex's normal, the others by the face's.
            Vec3 normal = face.normal;
            const std::size_t at = n - 1 - c;
            if (lighting >= 3 && face.vertexIndices.size() == n) {
                const int32_t v = face.vertexIndices[at];
                if (v >= 0 && static_cast<std::size_t>(v) < mesh.vertexNormals.size())
                    normal = mesh.vertexNormals[static_cast<std::size_t>(v)].Position();
            }
            return GameVertex{r.x,      r.y,         r.z,
                              r.u,      r.v,         normal.x,
                              normal.y, normal.z,    r.Intensity(),
                              face.extraLight,       static_cast<uint8_t>(lighting),
                              static_cast<uint8_t>(texture), static_cast<uint8_t>(std::min(geometry, 4)),
                              0};
        };
        // Each corner once; the primitives index them (fewer vertices to shade).
        Part out;
        for (std::size_t k = 0; k < n; ++k)
            out.vertices.push_back(corner(k));
        if (primitive == GL_TRIANGLES) {
            // A fan from the face's first corner (index-list position 0, the last stored
            // corner), which the flat light of a diffuse face is taken at.
            for (std::size_t k = 0; k + 2 < n; ++k)
                out.indices.insert(out.indices.end(), {static_cast<uint32_t>(n - 1), static_cast<uint32_t>(k),
                                                       static_cast<uint32_t>(k + 1)});
        } else if (primitive == GL_LINES) {
            for (std::size_t k = 0; k < n; ++k)
                out.indices.insert(out.indices.end(), {static_cast<uint32_t>(k), static_cast<uint32_t>((k + 1) % n)});
        } else {
            for (std::size_t k = 0; k < n; ++k)
                out.indices.push_back(static_cast<uint32_t>(k));
        }
        const bool twoSided = (face.type & kTwoSided) != 0;
        if ((face.type & kTranslucent) != 0) {
            TranslucentFace t;
            t.run = {record, primitive, twoSided, 0, static_cast<uint32_t>(out.indices.size())};
            for (const VertexRecord& c : face.corners) {
                t.corners.push_back(c.Position());
                t.centre += c.Position();
            }
            t.centre = t.centre * (1.0f / static_cast<float>(n));
            translucent.emplace_back(std::move(t), std::move(out));
            continue;
        }
        const Key key{record, primitive, twoSided};
        auto it = std::find_if(groups.begin(), groups.end(), [&](const auto& g) { return g.first == key; });
        if (it == groups.end()) {
            groups.emplace_back(key, Part{});
            it = groups.end() - 1;
        }
        it->second.Append(out);
    }
    Part all;
    for (auto& [key, part] : groups) {
        b.runs.push_back({key.record, key.primitive, key.twoSided, static_cast<uint32_t>(all.indices.size()),
                          static_cast<uint32_t>(part.indices.size())});
        all.Append(part);
    }
    for (auto& [face, part] : translucent) {
        face.run.first = static_cast<uint32_t>(all.indices.size());
        all.Append(part);
        b.translucent.push_back(std::move(face));
    }
    const std::vector<GameVertex>& vertices = all.vertices;
    b.source = MeshBuffersSource::Of(mesh);
    if (vertices.empty())
        return;

    gl_.GenVertexArrays(1, &b.vertexArray);
    gl_.GenBuffers(1, &b.vertexBuffer);
    gl_.BindVertexArray(b.vertexArray);
    gl_.BindBuffer(GL_ARRAY_BUFFER, b.vertexBuffer);
    gl_.BufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices.size() * sizeof(GameVertex)), vertices.data(),
                   GL_STATIC_DRAW);
    gl_.GenBuffers(1, &b.indexBuffer);
    gl_.BindBuffer(GL_ELEMENT_ARRAY_BUFFER, b.indexBuffer);
    gl_.BufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(all.indices.size() * sizeof(uint32_t)),
                   all.indices.data(), GL_STATIC_DRAW);
    constexpr GLsizei stride = sizeof(GameVertex);
    auto attribute = [&](GLuint location, GLint size, GLenum type, std::size_t offset) {
        gl_.EnableVertexAttribArray(location);
        gl_.VertexAttribPointer(location, size, type, GL_FALSE, stride, reinterpret_cast<const void*>(offset));
    };
    attribute(0, 3, GL_FLOAT, offsetof(GameVertex, x));
    attribute(1, 2, GL_FLOAT, offsetof(GameVertex, u));
    attribute(2, 3, GL_FLOAT, offsetof(GameVertex, nx));
    attribute(3, 2, GL_FLOAT, offsetof(GameVertex, intensity));
    attribute(4, 3, GL_UNSIGNED_BYTE, offsetof(GameVertex, lighting));
}

bool GameView::HasTranslucentFaces(const CModel& model, const CMesh& mesh, const MaterialLookup& lookup)
{
    if (!colormap_ || colormap_->transparencyTable.empty())
        return false;
    return !BuffersFor(model, mesh, lookup).translucent.empty();
}

void GameView::EnsureIndexSurfaces()
{
    const int32_t w = device_.SurfaceWidth(), h = device_.SurfaceHeight();
    if (indexBuffer_ && w == indexWidth_ && h == indexHeight_)
        return;
    if (!indexBuffer_)
        gl_.GenRenderbuffers(1, &indexBuffer_);
    gl_.BindRenderbuffer(GL_RENDERBUFFER, indexBuffer_);
    gl_.RenderbufferStorage(GL_RENDERBUFFER, GL_R8, w, h);
    gl_.BindRenderbuffer(GL_RENDERBUFFER, 0);
    DeleteTexture(gl_, destination_);
    destination_ = MakeTable(gl_, GL_R8, GL_RED, w, h, nullptr);
    if (!destinationFbo_)
        gl_.GenFramebuffers(1, &destinationFbo_);
    gl_.BindFramebuffer(GL_FRAMEBUFFER, destinationFbo_);
    gl_.FramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, destination_, 0);
    gl_.BindFramebuffer(GL_FRAMEBUFFER, device_.Framebuffer());
    indexWidth_ = w;
    indexHeight_ = h;
}

void GameView::Begin(const GameViewOptions& options, bool translucentFaces)
{
    options_ = options;
    pending_.clear();
    animated_ = false;
    if (!BuildProgram())
        return;
    indexAttached_ = translucentFaces && translucency_;
    if (indexAttached_) {
        // The palette index of every pixel goes into a second attachment, cleared to the
        // entry nearest the background (what a translucent face over nothing blends with).
        EnsureIndexSurfaces();
        gl_.FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT1, GL_RENDERBUFFER, indexBuffer_);
        const GLenum both[2] = {GL_COLOR_ATTACHMENT0, GL_COLOR_ATTACHMENT1};
        gl_.DrawBuffers(2, both);
        const uint32_t bg = ToDeviceColor(device_.BackgroundColor());
        const int best = NearestPaletteIndex(colormap_->palette, static_cast<uint8_t>((bg >> 16) & 0xFF),
                                             static_cast<uint8_t>((bg >> 8) & 0xFF), static_cast<uint8_t>(bg & 0xFF));
        const GLfloat clear[4] = {static_cast<float>(best) / 255.0f, 0, 0, 0};
        gl_.ClearBufferfv(GL_COLOR, 1, clear);
    }
    gl_.UseProgram(program_);
    gl_.BindSampler(0, 0);
    const GLuint tables[] = {litPalette_, translucency_, destination_, nearest_};
    for (int unit = 1; unit <= 4; ++unit) {
        gl_.ActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
        gl_.BindTexture(GL_TEXTURE_2D, tables[unit - 1]);
    }
    gl_.ActiveTexture(GL_TEXTURE0);
    gl_.ProvokingVertex(GL_FIRST_VERTEX_CONVENTION);
    gl_.Uniform1f(uAmbient_, std::clamp(options.ambient, 0.0f, 1.0f));
    gl_.Uniform1f(uCameraLight_, options.cameraLight ? 1.0f : 0.0f);
    gl_.Uniform1i(uTranslucent_, 0);
}

void GameView::SetMatrices(const Matrix4& world)
{
    const Matrix4 modelView = world * device_.View();
    const Matrix4 m = modelView * device_.Projection();
    gl_.UniformMatrix4fv(uMatrix_, 1, GL_FALSE, m.m.data());
    gl_.UniformMatrix4fv(uModelView_, 1, GL_FALSE, modelView.m.data());
}

bool GameView::UseMaterial(const TextureRecord& record)
{
    const MaterialTexture* t = TextureOf(record);
    if (!t)
        return false;
    const TextureImage& image = *record.image;
    // The face's cel in turn at the game's rate (a material of one cel keeps cel 0).
    const int32_t cel = std::min(GameCelAt(image.cels, options_.seconds), t->celsStored - 1);
    animated_ = animated_ || image.cels > 1;
    gl_.BindTexture(GL_TEXTURE_2D, t->texture);
    gl_.Uniform2i(uSize_, image.width, image.height);
    gl_.Uniform1i(uCelRow_, cel * image.height);
    gl_.Uniform1i(uSolidColor_, image.solidColor);
    gl_.Uniform1i(uTransparent_, image.transparent ? 1 : 0);
    gl_.Uniform1i(uTrueColor_, image.rgba.empty() ? 0 : 1);
    return true;
}

void GameView::DrawRange(const Run& run)
{
    // A face that is not double-sided is seen from its front only.
    if (run.twoSided)
        gl_.Disable(GL_CULL_FACE);
    else
        gl_.Enable(GL_CULL_FACE);
    gl_.DrawElements(run.primitive, static_cast<GLsizei>(run.count), GL_UNSIGNED_INT,
                     reinterpret_cast<const void*>(std::size_t{run.first} * sizeof(uint32_t)));
}

void GameView::DrawMesh(const CModel& model, const CMesh& mesh, const Matrix4& world, const MaterialLookup& lookup)
{
    if (!program_)
        return;
    Buffers& b = BuffersFor(model, mesh, lookup);
    if (!b.vertexArray)
        return;
    gl_.UseProgram(program_);
    gl_.BindVertexArray(b.vertexArray);
    SetMatrices(world);
    for (const Run& run : b.runs)
        if (UseMaterial(*run.record))
            DrawRange(run);
    const Matrix4 modelView = world * device_.View();
    for (std::size_t i = 0; i < b.translucent.size(); ++i)
        pending_.push_back({&b, i, world, Transformed(b.translucent[i].centre, modelView).z});
}

void GameView::CopyDestination(const std::vector<Vec3>& corners, const Matrix4& world)
{
    // Only the part of the surface the face covers is copied (its corners' bounding box),
    // unless a corner lies behind the camera.
    const int32_t w = device_.SurfaceWidth(), h = device_.SurfaceHeight();
    const Matrix4 m = world * device_.View() * device_.Projection();
    float x0 = 1e30f, y0 = 1e30f, x1 = -1e30f, y1 = -1e30f;
    bool whole = corners.empty();
    for (const Vec3& c : corners) {
        const auto p = Transform4({c.x, c.y, c.z, 1.0f}, m);
        if (p[3] <= 1e-6f) {
            whole = true;
            break;
        }
        const float sx = (p[0] / p[3] + 1.0f) * 0.5f * static_cast<float>(w);
        const float sy = (p[1] / p[3] + 1.0f) * 0.5f * static_cast<float>(h);
        x0 = std::min(x0, sx);
        x1 = std::max(x1, sx);
        y0 = std::min(y0, sy);
        y1 = std::max(y1, sy);
    }
    GLint l = 0, b = 0, r = w, t = h;
    if (!whole) {
        l = std::clamp(static_cast<GLint>(std::floor(x0)) - 1, 0, w);
        b = std::clamp(static_cast<GLint>(std::floor(y0)) - 1, 0, h);
        r = std::clamp(static_cast<GLint>(std::ceil(x1)) + 1, 0, w);
        t = std::clamp(static_cast<GLint>(std::ceil(y1)) + 1, 0, h);
    }
    if (r <= l || t <= b)
        return;
    gl_.BindFramebuffer(GL_READ_FRAMEBUFFER, device_.Framebuffer());
    gl_.ReadBuffer(GL_COLOR_ATTACHMENT1);
    gl_.BindFramebuffer(GL_DRAW_FRAMEBUFFER, destinationFbo_);
    gl_.BlitFramebuffer(l, b, r, t, l, b, r, t, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    gl_.BindFramebuffer(GL_FRAMEBUFFER, device_.Framebuffer());
    gl_.ReadBuffer(GL_COLOR_ATTACHMENT0);
}

void GameView::End()
{
    if (program_ && !pending_.empty()) {
        // Translucent faces after the opaque ones, the farthest first, each blending with
        // what is already drawn under it.
        std::stable_sort(pending_.begin(), pending_.end(),
                         [](const Pending& a, const Pending& b) { return a.depth > b.depth; });
        gl_.UseProgram(program_);
        for (const Pending& p : pending_) {
            const TranslucentFace& face = p.buffers->translucent[p.face];
            if (indexAttached_)
                CopyDestination(face.corners, p.world);
            gl_.Uniform1i(uTranslucent_, indexAttached_ ? 1 : 0);
            gl_.BindVertexArray(p.buffers->vertexArray);
            SetMatrices(p.world);
            if (UseMaterial(*face.run.record))
                DrawRange(face.run);
        }
        gl_.Uniform1i(uTranslucent_, 0);
    }
    pending_.clear();
    if (indexAttached_) {
        gl_.FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT1, GL_RENDERBUFFER, 0);
        const GLenum one[1] = {GL_COLOR_ATTACHMENT0};
        gl_.DrawBuffers(1, one);
        indexAttached_ = false;
    }
    for (int unit = 4; unit >= 1; --unit) {
        gl_.ActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
        gl_.BindTexture(GL_TEXTURE_2D, 0);
    }
    gl_.ActiveTexture(GL_TEXTURE0);
    gl_.ProvokingVertex(GL_LAST_VERTEX_CONVENTION);
    gl_.BindVertexArray(0);
    device_.ResumeDrawing();
}

}  // namespace orv
