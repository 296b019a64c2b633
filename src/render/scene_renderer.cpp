#include "render/scene_renderer.h"

namespace orv {

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;

const std::string* MaterialName(const CModel& model, int32_t index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= model.materials.size())
        return nullptr;
    return &model.materials[static_cast<std::size_t>(index)];
}

// A corner as drawn: u and v in units of its texture's size.
VertexRecord DrawnCorner(VertexRecord c, float width, float height)
{
    c.u /= width;
    c.v /= height;
    return c;
}

}  // namespace

SceneRenderer::SceneRenderer(GlDevice& device, Settings& settings)
    : device_(device), settings_(settings), gl_(device.Api()), game_(device)
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

void SceneRenderer::PrepareScene(const CModel& model)
{
    // Handles are never reused, so buffers that still name an old texture would draw
    // untextured: they go with the textures.
    game_.Clear();
    textures_.Clear();
    materials_.clear();
    ReleaseBuffers();
    // The textures the faces use are made now rather than in the middle of a frame.
    std::vector<bool> used(model.materials.size(), false);
    for (const auto& geoset : model.geosets)
        for (const auto& mesh : geoset.meshes)
            for (const auto& face : mesh.faces)
                if (face.material >= 0 && static_cast<std::size_t>(face.material) < used.size())
                    used[static_cast<std::size_t>(face.material)] = true;
    for (std::size_t i = 0; i < used.size(); ++i)
        if (used[i])
            TextureOfMaterial(model.materials[i]);
}

SceneRenderer::MaterialTexture SceneRenderer::TextureOfMaterial(const std::string& material)
{
    if (const auto it = materials_.find(material); it != materials_.end())
        return it->second;
    MaterialTexture t;
    if (textures_.HasResolver()) {
        // A material's size is that of its picture, known even where no texture could
        // be made of it; the face then draws white.
        const TextureRecord* r = textures_.Record(material, settings_.colorMap);
        if (r && r->image) {
            t.handle = r->texture ? r->handle : 0;
            t.width = r->width > 0 ? r->width : 1;
            t.height = r->height > 0 ? r->height : 1;
        }
    }
    materials_.emplace(material, t);
    return t;
}

SceneRenderer::MaterialTexture SceneRenderer::TextureOfFace(const CModel& model, const CFace& face)
{
    const std::string* name = MaterialName(model, face.material);
    return name ? TextureOfMaterial(*name) : MaterialTexture{};
}

void SceneRenderer::AssignFaceTextures(const CModel&, const CMesh& mesh) { MeshChanged(mesh); }

void SceneRenderer::ModelChanged()
{
    ReleaseBuffers();
    game_.ModelChanged();
}

void SceneRenderer::MeshChanged(const CMesh& mesh)
{
    game_.MeshChanged(mesh);
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
        if (!how.drawn || (how.solid && options.game))
            continue;
        device_.SetWorld(model.NodeMatrix(static_cast<std::size_t>(visit.node)) * options.world);
        if (options.onePerFace)
            DrawMeshPerFace(model, *mesh, how.solid);
        else
            DrawMeshBuffered(model, *mesh, how.solid);
    }

    if (options.game)
        DrawGame(model, nodes, options);

    device_.SetShaded(false);
    if (!options.markedFaces.empty())
        for (const NodeVisit& visit : nodes) {
            const CMesh* mesh = visit.mesh == options.currentMesh ? model.MeshAt(visit.mesh) : nullptr;
            if (!mesh || !MeshDrawMode(options.renderMode, visit.mesh, options.currentMesh).drawn)
                continue;
            device_.SetWorld(model.NodeMatrix(static_cast<std::size_t>(visit.node)) * options.world);
            DrawMarkedFaces(*mesh, options.markedFaces);
        }
    if (!options.markers.empty()) {
        device_.SetWorld(Matrix4::Identity());
        DrawMarkers(options.markers);
    }
    gl_.BindVertexArray(0);
}

void SceneRenderer::DrawGame(const CModel& model, std::span<const NodeVisit> nodes, const SceneDrawOptions& options)
{
    // The game's materials are the cache's pictures (palette indices, or a 16-bit
    // material's colours), whether or not a true-colour texture could be made of them.
    const GameView::MaterialLookup lookup = [&](int32_t material) -> const TextureRecord* {
        const std::string* name = MaterialName(model, material);
        return name && textures_.HasResolver() ? textures_.Record(*name, settings_.colorMap) : nullptr;
    };
    std::vector<std::pair<const CMesh*, Matrix4>> solid;
    bool translucent = false;
    for (const NodeVisit& visit : nodes) {
        const CMesh* mesh = model.MeshAt(visit.mesh);
        if (!mesh || !MeshDrawMode(options.renderMode, visit.mesh, options.currentMesh).solid)
            continue;
        solid.emplace_back(mesh, model.NodeMatrix(static_cast<std::size_t>(visit.node)) * options.world);
        translucent = translucent || game_.HasTranslucentFaces(model, *mesh, lookup);
    }
    game_.Begin(*options.game, translucent);
    for (const auto& [mesh, world] : solid)
        game_.DrawMesh(model, *mesh, world, lookup);
    game_.End();
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
        const auto& c = mesh.faces[i].corners;
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

SceneRenderer::MeshBuffers& SceneRenderer::BuffersFor(const CModel& model, const CMesh& mesh)
{
    auto& slot = buffers_[&mesh];
    if (slot && slot->source != MeshBuffersSource::Of(mesh)) {
        DeleteGl(*slot);
        slot.reset();
    }
    if (!slot) {
        slot = std::make_unique<MeshBuffers>();
        BuildBuffers(model, mesh, *slot);
    }
    return *slot;
}

void SceneRenderer::BuildBuffers(const CModel& model, const CMesh& mesh, MeshBuffers& b)
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
        const std::size_t n = face.corners.size();
        total += (n >= 3 ? 3 * (n - 2) : 0) + 2 * n;
    }
    std::vector<VertexRecord> vertices;
    vertices.reserve(total);
    for (const auto& face : mesh.faces) {
        const auto& c = face.corners;
        const std::size_t n = c.size();
        if (n < 3)
            continue;
        const MaterialTexture t = TextureOfFace(model, face);
        if (b.runs.empty() || b.runs.back().handle != t.handle)
            b.runs.push_back({t.handle, static_cast<uint32_t>(vertices.size()), 0});
        const auto w = static_cast<float>(t.width), h = static_cast<float>(t.height);
        for (std::size_t k = 1; k + 1 < n; ++k)
            vertices.insert(vertices.end(),
                            {DrawnCorner(c[0], w, h), DrawnCorner(c[k], w, h), DrawnCorner(c[k + 1], w, h)});
        b.runs.back().count += static_cast<uint32_t>(3 * (n - 2));
    }
    b.linesFirst = static_cast<GLint>(vertices.size());
    for (const auto& face : mesh.faces) {
        const auto& c = face.corners;
        for (std::size_t k = 0; k < c.size(); ++k)
            vertices.insert(vertices.end(), {c[k], c[(k + 1) % c.size()]});
    }
    b.linesCount = static_cast<GLsizei>(vertices.size() - static_cast<std::size_t>(b.linesFirst));
    b.source = MeshBuffersSource::Of(mesh);

    gl_.GenVertexArrays(1, &b.vertexArray);
    gl_.GenBuffers(1, &b.vertexBuffer);
    gl_.BindVertexArray(b.vertexArray);
    gl_.BindBuffer(GL_ARRAY_BUFFER, b.vertexBuffer);
    gl_.BufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices.size() * sizeof(VertexRecord)), vertices.data(),
                   GL_STATIC_DRAW);
    // Colours come from one constant per draw (white or the wireframe colour).
    device_.SetupVertexLayout(false);
}

void SceneRenderer::DrawMeshBuffered(const CModel& model, const CMesh& mesh, bool solid)
{
    MeshBuffers& b = BuffersFor(model, mesh);
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

void SceneRenderer::DrawMeshPerFace(const CModel& model, const CMesh& mesh, bool solid)
{
    // Each face hands its own corners to its own draw call.
    const uint32_t color = ToDeviceColor(solid ? kWhite : settings_.colorWireframe);
    for (const auto& face : mesh.faces) {
        if (face.corners.empty())
            continue;
        const MaterialTexture t = TextureOfFace(model, face);
        scratch_.clear();
        for (const VertexRecord& c : face.corners)
            scratch_.push_back(DrawnCorner(c, static_cast<float>(t.width), static_cast<float>(t.height)));
        for (VertexRecord& c : scratch_)
            c.color = color;
        if (!solid)
            scratch_.push_back(scratch_.front());  // the outline is closed by the first corner
        device_.SetTexture(solid ? GlTextureOf(t.handle) : 0);
        device_.SetShaded(solid && shaded_);
        Stream(scratch_.data(), scratch_.size() * sizeof(VertexRecord));
        gl_.DrawArrays(solid ? GL_TRIANGLE_FAN : GL_LINE_STRIP, 0, static_cast<GLsizei>(scratch_.size()));
    }
}

}  // namespace orv
