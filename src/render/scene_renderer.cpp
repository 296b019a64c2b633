#include "render/scene_renderer.h"

#include "model/corners.h"

namespace orv {

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;

const std::string* MaterialName(const CModel& model, int32_t index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= model.materials.size())
        return nullptr;
    return &model.materials[static_cast<std::size_t>(index)];
}

template <typename F>
void ForEachFace(CModel& model, F&& f)
{
    for (auto& geoset : model.geosets)
        for (auto& mesh : geoset->meshes)
            for (auto& face : mesh->faces)
                f(*face);
}

}  // namespace

SceneRenderer::SceneRenderer(GlDevice& device, Settings& settings)
    : device_(device), settings_(settings), gl_(device.Api())
{
    textures_.SetApi(&device.Api());
}

SceneRenderer::~SceneRenderer()
{
    if (!device_.Initialized())
        return;
    textures_.Clear();
    ReleaseBuffers();
    if (streamArray_)
        gl_.DeleteVertexArrays(1, &streamArray_);
    if (streamBuffer_)
        gl_.DeleteBuffers(1, &streamBuffer_);
    if (streamIndices_)
        gl_.DeleteBuffers(1, &streamIndices_);
}

void SceneRenderer::SetMaterialResolver(MaterialResolver resolver) { textures_.SetResolver(std::move(resolver)); }

const TextureRecord* SceneRenderer::GetTexture(const std::string& material, const std::string& colormap)
{
    return textures_.GetTexture(material, colormap);
}

void SceneRenderer::PrepareScene(CModel& model)
{
    // Handles are never reused, so faces that still name an old texture draw untextured
    // until they are given a new one below.
    textures_.Clear();
    ReleaseBuffers();
    if (!textures_.HasResolver()) {
        ForEachFace(model, [](CFace& f) { f.texture = 0; });
        return;
    }
    const std::string colormap = settings_.colorMap;
    // A material's size is that of its picture, known even where no texture could be
    // made of it; the face then draws white.
    auto recordOf = [&](const std::string& material) -> const TextureRecord* {
        const TextureRecord* r = textures_.Record(material, colormap);
        return r && r->image ? r : nullptr;
    };
    // Sizes first: the corners' u and v are divided by them.
    RebuildFaceCorners(model, [&](const std::string& material) -> std::optional<TextureSize> {
        const TextureRecord* r = recordOf(material);
        if (!r)
            return std::nullopt;
        return TextureSize{r->width, r->height};
    });
    ForEachFace(model, [&](CFace& f) {
        const std::string* name = f.material >= 0 ? MaterialName(model, f.material) : nullptr;
        const TextureRecord* r = name ? recordOf(*name) : nullptr;
        f.texture = r && r->texture ? r->handle : 0;
        f.textureWidth = r ? r->width : 1;
        f.textureHeight = r ? r->height : 1;
    });
}

void SceneRenderer::AssignFaceTextures(const CModel& model, CMesh& mesh)
{
    if (!textures_.HasResolver())
        return;
    for (auto& face : mesh.faces) {
        const std::string* name = face->material >= 0 ? MaterialName(model, face->material) : nullptr;
        const TextureRecord* t = name ? textures_.GetTexture(*name, settings_.colorMap) : nullptr;
        face->texture = t ? t->handle : 0;
    }
    if (const auto it = buffers_.find(&mesh); it != buffers_.end()) {
        DeleteGl(*it->second);
        buffers_.erase(it);
    }
}

void SceneRenderer::ModelChanged() { ReleaseBuffers(); }

void SceneRenderer::MeshChanged(const CMesh& mesh)
{
    const auto it = buffers_.find(&mesh);
    if (it == buffers_.end())
        return;
    if (device_.Initialized())
        DeleteGl(*it->second);
    buffers_.erase(it);
}

void SceneRenderer::ReleaseBuffers()
{
    if (!device_.Initialized()) {
        buffers_.clear();
        return;
    }
    for (auto& entry : buffers_)
        DeleteGl(*entry.second);
    buffers_.clear();
}

void SceneRenderer::DeleteGl(MeshBuffers& b)
{
    gl_.DeleteBuffers(1, &b.vertexBuffer);
    gl_.DeleteVertexArrays(1, &b.vertexArray);
    b = MeshBuffers{};
}

uint32_t SceneRenderer::GlTextureOf(uint32_t handle) const
{
    const TextureRecord* t = textures_.Find(handle);
    return t ? t->texture : 0;
}

void SceneRenderer::Draw(const CModel& model, std::span<const NodeVisit> nodes, const SceneDrawOptions& options)
{
    if (!device_.HasDevice())
        return;
    if (!streamArray_) {
        gl_.GenVertexArrays(1, &streamArray_);
        gl_.GenBuffers(1, &streamBuffer_);
        gl_.GenBuffers(1, &streamIndices_);
        gl_.BindVertexArray(streamArray_);
        gl_.BindBuffer(GL_ARRAY_BUFFER, streamBuffer_);
        gl_.BindBuffer(GL_ELEMENT_ARRAY_BUFFER, streamIndices_);
        device_.SetupVertexLayout(true);
    }

    shaded_ = options.shaded;
    // The axes lie on the world axes whatever the model matrix.
    if (options.coordinateMode) {
        device_.SetWorld(Matrix4::Identity());
        device_.SetShaded(false);
        DrawAxes();
    }

    for (const NodeVisit& visit : nodes) {
        const CMesh* mesh = model.MeshAt(visit.mesh);
        if (!mesh)
            continue;
        const MeshDrawStyle how = MeshDrawMode(options.renderMode, visit.mesh, options.currentMesh);
        if (!how.drawn)
            continue;
        device_.SetWorld(model.nodes[static_cast<std::size_t>(visit.node)]->matrix * options.world);
        if (options.onePerFace)
            DrawMeshPerFace(*mesh, how.solid);
        else
            DrawMeshBuffered(*mesh, how.solid);
    }

    device_.SetShaded(false);
    if (!options.markedFaces.empty())
        for (const NodeVisit& visit : nodes) {
            const CMesh* mesh = visit.mesh == options.currentMesh ? model.MeshAt(visit.mesh) : nullptr;
            if (!mesh || !MeshDrawMode(options.renderMode, visit.mesh, options.currentMesh).drawn)
                continue;
            device_.SetWorld(model.nodes[static_cast<std::size_t>(visit.node)]->matrix * options.world);
            DrawMarkedFaces(*mesh, options.markedFaces);
        }
    if (!options.markers.empty()) {
        device_.SetWorld(Matrix4::Identity());
        DrawMarkers(options.markers);
    }
    gl_.BindVertexArray(0);
}

void SceneRenderer::Stream(const void* data, std::size_t bytes)
{
    gl_.BindVertexArray(streamArray_);
    gl_.BindBuffer(GL_ARRAY_BUFFER, streamBuffer_);
    // A new store each time, so the driver need not wait for the previous draw.
    gl_.BufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(bytes), data, GL_STREAM_DRAW);
}

void SceneRenderer::DrawAxes()
{
    auto point = [](float x, float y, float z, uint32_t color) {
        VertexRecord r;
        r.x = x;
        r.y = y;
        r.z = z;
        r.color = ToDeviceColor(color);
        r.u = 1.0f;
        r.v = 1.0f;
        return r;
    };
    const VertexRecord axes[6] = {
        point(-5000, 0, 0, settings_.colorCoorX), point(5000, 0, 0, settings_.colorCoorX),
        point(0, -5000, 0, settings_.colorCoorY), point(0, 5000, 0, settings_.colorCoorY),
        point(0, 0, -5000, settings_.colorCoorZ), point(0, 0, 5000, settings_.colorCoorZ),
    };
    device_.SetTexture(0);
    Stream(axes, sizeof axes);
    gl_.DrawArrays(GL_LINES, 0, 6);
}

void SceneRenderer::DrawMarkers(std::span<const NodeMarker> markers)
{
    scratch_.clear();
    std::vector<uint32_t> indices;
    indices.reserve(markers.size() * kMarkerIndices.size());
    for (const NodeMarker& marker : markers) {
        const auto base = static_cast<uint32_t>(scratch_.size());
        const auto corners = marker.Vertices();
        scratch_.insert(scratch_.end(), corners.begin(), corners.end());
        for (const uint16_t i : kMarkerIndices)
            indices.push_back(base + i);
    }
    if (indices.empty())
        return;
    device_.SetTexture(0);
    Stream(scratch_.data(), scratch_.size() * sizeof(VertexRecord));
    gl_.BufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indices.size() * sizeof(uint32_t)), indices.data(),
                   GL_STREAM_DRAW);
    gl_.DrawElements(GL_TRIANGLES, static_cast<GLsizei>(indices.size()), GL_UNSIGNED_INT, nullptr);
}

void SceneRenderer::DrawMarkedFaces(const CMesh& mesh, std::span<const std::size_t> faces)
{
    scratch_.clear();
    const uint32_t color = ToDeviceColor(settings_.colorSelect);
    for (const std::size_t i : faces) {
        if (i >= mesh.faces.size())
            continue;
        const auto& c = mesh.faces[i]->corners;
        for (std::size_t k = 0; k < c.size(); ++k)
            scratch_.insert(scratch_.end(), {c[k], c[(k + 1) % c.size()]});
    }
    if (scratch_.empty())
        return;
    for (VertexRecord& r : scratch_)
        r.color = color;
    device_.SetTexture(0);
    Stream(scratch_.data(), scratch_.size() * sizeof(VertexRecord));
    gl_.Disable(GL_DEPTH_TEST);
    gl_.DrawArrays(GL_LINES, 0, static_cast<GLsizei>(scratch_.size()));
    gl_.Enable(GL_DEPTH_TEST);
}

SceneRenderer::MeshBuffers& SceneRenderer::BuffersFor(const CMesh& mesh)
{
    auto& slot = buffers_[&mesh];
    const CFace* first = mesh.faces.empty() ? nullptr : mesh.faces.front().get();
    const CFace* last = mesh.faces.empty() ? nullptr : mesh.faces.back().get();
    if (slot && (slot->faceCount != mesh.faces.size() || slot->firstFace != first || slot->lastFace != last)) {
        DeleteGl(*slot);
        slot.reset();
    }
    if (!slot) {
        slot = std::make_unique<MeshBuffers>();
        BuildBuffers(mesh, *slot);
    }
    return *slot;
}

void SceneRenderer::BuildBuffers(const CMesh& mesh, MeshBuffers& b)
{
    // Each face's fan as separate triangles (same corners, same order), written out in
    // full: software rasterisers take plain triangle arrays much faster than fans or
    // indices. Then each outline closed by its first corner: the segments of the strip
    // a call per face draws, as separate lines in one array (a line, like each segment
    // of a strip, leaves out its last pixel, so the pixels are the same; a software
    // rasteriser takes one array of lines far faster than a strip per face). Faces keep
    // their order; consecutive faces with one texture share a draw call, so where faces
    // overlap the same one ends on top.
    std::size_t total = 0;
    for (const auto& face : mesh.faces) {
        const std::size_t n = face->corners.size();
        total += (n >= 3 ? 3 * (n - 2) : 0) + 2 * n;
    }
    std::vector<VertexRecord> vertices;
    vertices.reserve(total);
    for (const auto& face : mesh.faces) {
        const auto& c = face->corners;
        const std::size_t n = c.size();
        if (n < 3)
            continue;
        if (b.runs.empty() || b.runs.back().handle != face->texture)
            b.runs.push_back({face->texture, static_cast<uint32_t>(vertices.size()), 0});
        for (std::size_t k = 1; k + 1 < n; ++k)
            vertices.insert(vertices.end(), {c[0], c[k], c[k + 1]});
        b.runs.back().count += static_cast<uint32_t>(3 * (n - 2));
    }
    b.linesFirst = static_cast<GLint>(vertices.size());
    for (const auto& face : mesh.faces) {
        const auto& c = face->corners;
        for (std::size_t k = 0; k < c.size(); ++k)
            vertices.insert(vertices.end(), {c[k], c[(k + 1) % c.size()]});
    }
    b.linesCount = static_cast<GLsizei>(vertices.size() - static_cast<std::size_t>(b.linesFirst));
    b.faceCount = mesh.faces.size();
    b.firstFace = mesh.faces.empty() ? nullptr : mesh.faces.front().get();
    b.lastFace = mesh.faces.empty() ? nullptr : mesh.faces.back().get();

    gl_.GenVertexArrays(1, &b.vertexArray);
    gl_.GenBuffers(1, &b.vertexBuffer);
    gl_.BindVertexArray(b.vertexArray);
    gl_.BindBuffer(GL_ARRAY_BUFFER, b.vertexBuffer);
    gl_.BufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices.size() * sizeof(VertexRecord)), vertices.data(),
                   GL_STATIC_DRAW);
    // Colours come from one constant per draw (white or the wireframe colour).
    device_.SetupVertexLayout(false);
}

void SceneRenderer::DrawMeshBuffered(const CMesh& mesh, bool solid)
{
    MeshBuffers& b = BuffersFor(mesh);
    gl_.BindVertexArray(b.vertexArray);
    device_.SetShaded(solid && shaded_);
    if (solid) {
        device_.SetConstantColor(ToDeviceColor(kWhite));
        for (const TextureRun& run : b.runs) {
            device_.SetTexture(GlTextureOf(run.handle));
            gl_.DrawArrays(GL_TRIANGLES, static_cast<GLint>(run.first), static_cast<GLsizei>(run.count));
        }
    } else if (b.linesCount > 0) {
        device_.SetTexture(0);
        device_.SetConstantColor(ToDeviceColor(settings_.colorWireframe));
        gl_.DrawArrays(GL_LINES, b.linesFirst, b.linesCount);
    }
}

void SceneRenderer::DrawMeshPerFace(const CMesh& mesh, bool solid)
{
    // Each face hands its own corners to its own draw call.
    const uint32_t color = ToDeviceColor(solid ? kWhite : settings_.colorWireframe);
    for (const auto& face : mesh.faces) {
        if (face->corners.empty())
            continue;
        scratch_.assign(face->corners.begin(), face->corners.end());
        for (VertexRecord& c : scratch_)
            c.color = color;
        if (!solid)
            scratch_.push_back(scratch_.front());  // the outline is closed by the first corner
        device_.SetTexture(solid ? GlTextureOf(face->texture) : 0);
        device_.SetShaded(solid && shaded_);
        Stream(scratch_.data(), scratch_.size() * sizeof(VertexRecord));
        gl_.DrawArrays(solid ? GL_TRIANGLE_FAN : GL_LINE_STRIP, 0, static_cast<GLsizei>(scratch_.size()));
    }
}

}  // namespace orv
