#include "render/gl_device.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "base/text.h"

namespace orv {

namespace {

constexpr GLuint kPositionAttrib = 0;
constexpr GLuint kColorAttrib = 1;
constexpr GLuint kTexCoordAttrib = 2;
constexpr GLenum kTextureMaxAnisotropy = 0x84FE;

// The row-vector product W·V·P, read column-major, is the column-vector matrix of the
// same transform, so the combined matrix uploads unchanged. The projection maps depth
// to [0, w] as Direct3D does while OpenGL clips to [-w, w]: stretching z here keeps
// Direct3D's clipping (0 <= z <= w) and its window depth z / w on every driver.
const char* kVertexShader = R"(#version 330 core
layout(location = 0) in vec3 aPosition;
layout(location = 1) in vec4 aColor;
layout(location = 2) in vec2 aTexCoord;
uniform mat4 uMatrix;
uniform mat4 uModelView;
out vec4 vColor;
out vec2 vTexCoord;
out vec3 vViewPosition;
void main()
{
    vec4 p = uMatrix * vec4(aPosition, 1.0);
    p.z = 2.0 * p.z - p.w;
    gl_Position = p;
    vColor = aColor;
    vTexCoord = aTexCoord;
    vViewPosition = (uModelView * vec4(aPosition, 1.0)).xyz;
}
)";

// Texture modulated by the vertex colour; the surface keeps no alpha. A texel the
// texture leaves clear (a transparent material's colour 0) is not drawn at all. Shaded faces are
// lit by a light at the camera: ambient plus Lambert on the face's normal, which the
// change of the view-space position across the triangle gives (every corner of a flat
// face agrees on it, and no normal has to travel with the vertices).
const char* kFragmentShader = R"(#version 330 core
in vec4 vColor;
in vec2 vTexCoord;
in vec3 vViewPosition;
uniform sampler2D uTexture;
uniform int uTextured;
uniform int uShaded;
out vec4 fragColor;
const float kAmbient = 0.3;
void main()
{
    vec4 c = vColor;
    if (uTextured != 0) {
        vec4 t = texture(uTexture, vTexCoord);
        if (t.a < 0.5)
            discard;
        c *= t;
    }
    if (uShaded != 0) {
        vec3 n = cross(dFdx(vViewPosition), dFdy(vViewPosition));
        float lambert = 1.0;
        if (dot(n, n) > 0.0 && dot(vViewPosition, vViewPosition) > 0.0)
            lambert = abs(dot(normalize(n), normalize(-vViewPosition)));
        c.rgb *= kAmbient + (1.0 - kAmbient) * lambert;
    }
    fragColor = vec4(c.rgb, 1.0);
}
)";

}  // namespace

uint32_t RgbaImage::At(int32_t x, int32_t y) const
{
    if (x < 0 || y < 0 || x >= width || y >= height)
        return 0;
    const std::size_t i =
        (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * 4;
    if (i + 3 >= pixels.size())
        return 0;
    return (static_cast<uint32_t>(pixels[i + 3]) << 24) | (static_cast<uint32_t>(pixels[i]) << 16) |
           (static_cast<uint32_t>(pixels[i + 1]) << 8) | pixels[i + 2];
}

bool IsSoftwareRenderer(const std::string& rendererName)
{
    const std::string n = ToLowerAscii(rendererName);
    for (const char* s : {"llvmpipe", "softpipe", "swrast", "software", "swiftshader"})
        if (n.find(s) != std::string::npos)
            return true;
    return false;
}

std::vector<std::string> BuildDisplayModeList(const std::vector<DisplayModeInfo>& modes, int32_t desktopDepth)
{
    std::vector<std::string> list{"None"};
    for (const auto& m : modes) {
        const int32_t b = m.bitsPerPixel;
        if ((b == 32 || b == 24 || b == 16 || b == 8) && b != desktopDepth)
            continue;
        char text[48];
        std::snprintf(text, sizeof text, "%ldx%ld", static_cast<long>(m.width), static_cast<long>(m.height));
        list.emplace_back(text);
    }
    return list;
}

bool ParseDisplayMode(const std::string& text, int32_t& width, int32_t& height)
{
    long w = 0, h = 0;
    if (std::sscanf(text.c_str(), "%ldx%ld", &w, &h) != 2 || w <= 0 || h <= 0 || w > 1 << 20 || h > 1 << 20)
        return false;
    width = static_cast<int32_t>(w);
    height = static_cast<int32_t>(h);
    return true;
}

TextureFilter ChooseTextureFilter(int32_t textureMapping, uint32_t deviceMaxAnisotropy)
{
    const bool nearest = textureMapping != 0;
    TextureFilter f;
    f.magFilter = f.minFilter = nearest ? GL_NEAREST : GL_LINEAR;
    if (deviceMaxAnisotropy >= 2 && !nearest)
        f.anisotropy = static_cast<float>(deviceMaxAnisotropy);
    return f;
}

GlDevice::GlDevice(Settings& settings) : settings_(settings) {}

GlDevice::~GlDevice()
{
    if (!initialized_)
        return;
    ReleaseSurfaces();
    if (sampler_)
        gl_.DeleteSamplers(1, &sampler_);
    if (program_)
        gl_.DeleteProgram(program_);
}

bool GlDevice::Initialize(const GlGetProcAddress& getProc, std::string* error)
{
    if (initialized_)
        return true;
    if (!gl_.Load(getProc, error))
        return false;
    if (!BuildProgram(error))
        return false;
    gl_.GenSamplers(1, &sampler_);

    devices_.clear();
    auto d = std::make_unique<DeviceRecord>();
    d->name = gl_.renderer.empty() ? std::string("OpenGL") : gl_.renderer;
    d->hardware = !IsSoftwareRenderer(d->name);
    d->maxAnisotropy = gl_.hasAnisotropy ? static_cast<uint32_t>(gl_.maxAnisotropy) : 1u;
    devices_.push_back(std::move(d));
    initialized_ = true;
    return true;
}

bool GlDevice::BuildProgram(std::string* error)
{
    program_ = gl_.MakeProgram(kVertexShader, kFragmentShader, error);
    if (!program_)
        return false;
    uMatrix_ = gl_.GetUniformLocation(program_, "uMatrix");
    uTextured_ = gl_.GetUniformLocation(program_, "uTextured");
    uTexture_ = gl_.GetUniformLocation(program_, "uTexture");
    uModelView_ = gl_.GetUniformLocation(program_, "uModelView");
    uShaded_ = gl_.GetUniformLocation(program_, "uShaded");
    return true;
}

std::string GlDevice::CurrentDeviceName() const
{
    if (settings_.device < 0 || static_cast<std::size_t>(settings_.device) >= devices_.size())
        return {};
    return devices_[static_cast<std::size_t>(settings_.device)]->name;
}

void GlDevice::SetDisplayModes(std::vector<std::string> modes)
{
    if (modes.empty() || modes.front() != "None")
        modes.insert(modes.begin(), "None");
    displayModes_ = std::move(modes);
}

float GlDevice::FieldOfView(bool enlarge) { return enlarge ? 0.3926991f : 1.0471976f; }

void GlDevice::RestoreFramebuffers(GLint draw, GLint read) const
{
    gl_.BindFramebuffer(GL_DRAW_FRAMEBUFFER, static_cast<GLuint>(draw));
    gl_.BindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(read));
}

void GlDevice::ReleaseSurfaces()
{
    if (framebuffer_)
        gl_.DeleteFramebuffers(1, &framebuffer_);
    if (colorBuffer_)
        gl_.DeleteRenderbuffers(1, &colorBuffer_);
    if (depthBuffer_)
        gl_.DeleteRenderbuffers(1, &depthBuffer_);
    framebuffer_ = colorBuffer_ = depthBuffer_ = 0;
}

bool GlDevice::MakeSurfaces(int32_t deviceIndex)
{
    if (failForTest_ && failForTest_(deviceIndex))
        return false;
    GLint oldDraw = 0, oldRead = 0;
    gl_.GetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &oldDraw);
    gl_.GetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &oldRead);
    gl_.DrainErrors();

    gl_.GenRenderbuffers(1, &colorBuffer_);
    gl_.BindRenderbuffer(GL_RENDERBUFFER, colorBuffer_);
    gl_.RenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, surfaceWidth_, surfaceHeight_);
    gl_.GenRenderbuffers(1, &depthBuffer_);
    gl_.BindRenderbuffer(GL_RENDERBUFFER, depthBuffer_);
    gl_.RenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, surfaceWidth_, surfaceHeight_);
    gl_.BindRenderbuffer(GL_RENDERBUFFER, 0);

    gl_.GenFramebuffers(1, &framebuffer_);
    gl_.BindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    gl_.FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colorBuffer_);
    gl_.FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depthBuffer_);
    const GLenum status = gl_.CheckFramebufferStatus(GL_FRAMEBUFFER);
    // Allocation failures (out of memory, a size beyond the driver's limit) show up as
    // errors of the storage calls or as an incomplete framebuffer.
    const bool ok = status == GL_FRAMEBUFFER_COMPLETE && gl_.GetError() == GL_NO_ERROR;
    RestoreFramebuffers(oldDraw, oldRead);
    gl_.DrainErrors();
    if (!ok)
        ReleaseSurfaces();
    return ok;
}

DeviceResult GlDevice::CreateDevice(int32_t w, int32_t h, bool enlarge)
{
    DeviceResult result;
    if (!initialized_)
        return result;
    boundTexture_ = ~0u;
    ReleaseSurfaces();

    // A view that has no area yet still gets a surface of one pixel and a finite aspect.
    const int32_t vw = std::max(w, 1);
    const int32_t vh = std::max(h, 1);
    surfaceWidth_ = vw;
    surfaceHeight_ = vh;
    const int32_t stretch = settings_.stretchMode;
    if (stretch > 0 && static_cast<std::size_t>(stretch) < displayModes_.size()) {
        int32_t sw = 0, sh = 0;
        if (ParseDisplayMode(displayModes_[static_cast<std::size_t>(stretch)], sw, sh)) {
            surfaceWidth_ = sw;
            surfaceHeight_ = sh;
        }
    }

    if (devices_.empty())
        return result;
    if (settings_.device < 0 || static_cast<std::size_t>(settings_.device) >= devices_.size())
        settings_.device = 0;
    std::vector<int32_t> order{settings_.device};
    for (int32_t i = 0; i < static_cast<int32_t>(devices_.size()); ++i)
        if (i != order.front())
            order.push_back(i);

    for (const int32_t index : order) {
        settings_.device = index;
        if (MakeSurfaces(index)) {
            result.ok = true;
            break;
        }
        result.messages.push_back("There was not enough video memory available to use the\n" +
                                  devices_[static_cast<std::size_t>(index)]->name +
                                  " device. Restoring to Software Emulation.");
    }
    if (!result.ok)
        return result;

    const float aspect = static_cast<float>(vh) / static_cast<float>(vw);
    projection_ = Matrix4::Perspective(FieldOfView(enlarge), aspect, kNear, kFar);
    dither_ = settings_.textureDithering != 0;
    ApplySamplerState(*devices_[static_cast<std::size_t>(settings_.device)]);
    return result;
}

DeviceResult GlDevice::ResizeDevice(int32_t cx, int32_t cy, bool enlarge)
{
    if (cx <= 0 || cy <= 0) {
        DeviceResult unchanged;
        unchanged.ok = HasDevice();
        return unchanged;
    }
    client_.right = client_.left + cx;
    client_.bottom = client_.top + cy;
    return CreateDevice(cx, cy, enlarge);
}

void GlDevice::ApplySamplerState(const DeviceRecord& device)
{
    const TextureFilter f = ChooseTextureFilter(settings_.textureMapping, device.maxAnisotropy);
    gl_.SamplerParameteri(sampler_, GL_TEXTURE_MAG_FILTER, static_cast<GLint>(f.magFilter));
    gl_.SamplerParameteri(sampler_, GL_TEXTURE_MIN_FILTER, static_cast<GLint>(f.minFilter));
    gl_.SamplerParameteri(sampler_, GL_TEXTURE_WRAP_S, GL_REPEAT);
    gl_.SamplerParameteri(sampler_, GL_TEXTURE_WRAP_T, GL_REPEAT);
    if (gl_.hasAnisotropy)
        gl_.SamplerParameterf(sampler_, kTextureMaxAnisotropy, std::min(f.anisotropy, gl_.maxAnisotropy));
}

void GlDevice::ApplyFixedState()
{
    // The context may be shared with a window toolkit that changes any of these.
    gl_.Enable(GL_DEPTH_TEST);
    gl_.DepthFunc(GL_LEQUAL);
    gl_.DepthMask(GL_TRUE);
    gl_.DepthRange(0.0, 1.0);
    gl_.ColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    // Counter-clockwise triangles (as seen on screen) are removed, the rest drawn.
    gl_.Enable(GL_CULL_FACE);
    gl_.FrontFace(GL_CW);
    gl_.CullFace(GL_BACK);
    gl_.Disable(GL_BLEND);
    gl_.Disable(GL_SCISSOR_TEST);
    gl_.Disable(GL_STENCIL_TEST);
    gl_.Disable(GL_FRAMEBUFFER_SRGB);
    gl_.PolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    gl_.LineWidth(1.0f);
    if (dither_)
        gl_.Enable(GL_DITHER);
    else
        gl_.Disable(GL_DITHER);
    gl_.UseProgram(program_);
    gl_.Uniform1i(uTexture_, 0);
    gl_.ActiveTexture(GL_TEXTURE0);
    gl_.BindSampler(0, sampler_);
    boundTexture_ = ~0u;
    SetTexture(0);
    shaded_ = true;
    SetShaded(false);
}

bool GlDevice::BeginFrame()
{
    if (!HasDevice())
        return false;
    gl_.BindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    gl_.Viewport(0, 0, surfaceWidth_, surfaceHeight_);
    ApplyFixedState();
    const uint32_t c = ToDeviceColor(settings_.colorBackground);
    gl_.ClearColor(static_cast<float>((c >> 16) & 0xFF) / 255.0f, static_cast<float>((c >> 8) & 0xFF) / 255.0f,
                   static_cast<float>(c & 0xFF) / 255.0f, 1.0f);
    gl_.ClearDepth(1.0);
    gl_.Clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    SetWorld(Matrix4::Identity());
    return true;
}

void GlDevice::Present(uint32_t targetFramebuffer, const ClientRect* clip)
{
    if (!HasDevice())
        return;
    const int64_t cw = client_.Width();
    const int64_t ch = client_.Height();
    if (cw <= 0 || ch <= 0)
        return;
    const int64_t sw = surfaceWidth_;
    const int64_t sh = surfaceHeight_;
    const ClientRect dst = clip ? *clip : client_;
    // Source rectangle in surface pixels, y down like the client rectangle.
    int64_t sl = 0, st = 0, sr = sw, sb = sh;
    if (clip) {
        sl = clip->left * sw / cw;
        sr = clip->right * sw / cw;
        st = clip->top * sh / ch;
        sb = clip->bottom * sh / ch;
    }
    // OpenGL counts rows from the bottom of both framebuffers.
    const int64_t dl = dst.left - client_.left, dr = dst.right - client_.left;
    const int64_t dt = dst.top - client_.top, db = dst.bottom - client_.top;
    gl_.Disable(GL_SCISSOR_TEST);
    gl_.BindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);
    gl_.BindFramebuffer(GL_DRAW_FRAMEBUFFER, targetFramebuffer);
    gl_.BlitFramebuffer(static_cast<GLint>(sl), static_cast<GLint>(sh - sb), static_cast<GLint>(sr),
                        static_cast<GLint>(sh - st), static_cast<GLint>(dl), static_cast<GLint>(ch - db),
                        static_cast<GLint>(dr), static_cast<GLint>(ch - dt), GL_COLOR_BUFFER_BIT, GL_NEAREST);
    gl_.BindFramebuffer(GL_FRAMEBUFFER, targetFramebuffer);
    // Leave nothing of ours bound for the toolkit that owns the context.
    gl_.BindVertexArray(0);
    gl_.BindSampler(0, 0);
    gl_.BindTexture(GL_TEXTURE_2D, 0);
    gl_.UseProgram(0);
    boundTexture_ = ~0u;
}

RgbaImage GlDevice::ReadPixels()
{
    RgbaImage image;
    if (!HasDevice())
        return image;
    image.width = surfaceWidth_;
    image.height = surfaceHeight_;
    const std::size_t row = static_cast<std::size_t>(surfaceWidth_) * 4;
    std::vector<uint8_t> raw(row * static_cast<std::size_t>(surfaceHeight_));
    GLint oldRead = 0;
    gl_.GetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &oldRead);
    gl_.BindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);
    gl_.PixelStorei(GL_PACK_ALIGNMENT, 1);
    gl_.ReadPixels(0, 0, surfaceWidth_, surfaceHeight_, GL_RGBA, GL_UNSIGNED_BYTE, raw.data());
    gl_.PixelStorei(GL_PACK_ALIGNMENT, 4);
    gl_.BindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(oldRead));
    image.pixels.resize(raw.size());
    for (int32_t y = 0; y < surfaceHeight_; ++y)
        std::memcpy(image.pixels.data() + static_cast<std::size_t>(y) * row,
                    raw.data() + static_cast<std::size_t>(surfaceHeight_ - 1 - y) * row, row);
    return image;
}

void GlDevice::SetWorld(const Matrix4& world)
{
    const Matrix4 modelView = world * view_;
    const Matrix4 m = modelView * projection_;
    gl_.UniformMatrix4fv(uMatrix_, 1, GL_FALSE, m.m.data());
    gl_.UniformMatrix4fv(uModelView_, 1, GL_FALSE, modelView.m.data());
}

void GlDevice::SetShaded(bool on)
{
    if (on == shaded_)
        return;
    shaded_ = on;
    gl_.Uniform1i(uShaded_, on ? 1 : 0);
}

void GlDevice::SetTexture(uint32_t glTexture)
{
    if (glTexture == boundTexture_)
        return;
    boundTexture_ = glTexture;
    if (glTexture)
        gl_.BindTexture(GL_TEXTURE_2D, glTexture);
    gl_.Uniform1i(uTextured_, glTexture ? 1 : 0);
}

void GlDevice::SetupVertexLayout(bool withColor) const
{
    constexpr GLsizei stride = sizeof(VertexRecord);
    gl_.EnableVertexAttribArray(kPositionAttrib);
    gl_.VertexAttribPointer(kPositionAttrib, 3, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<const void*>(0));
    // 0xAARRGGBB in little-endian memory is B, G, R, A.
    if (withColor) {
        gl_.EnableVertexAttribArray(kColorAttrib);
        gl_.VertexAttribPointer(kColorAttrib, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, stride,
                                reinterpret_cast<const void*>(offsetof(VertexRecord, color)));
    } else {
        gl_.DisableVertexAttribArray(kColorAttrib);
    }
    gl_.EnableVertexAttribArray(kTexCoordAttrib);
    gl_.VertexAttribPointer(kTexCoordAttrib, 2, GL_FLOAT, GL_FALSE, stride,
                            reinterpret_cast<const void*>(offsetof(VertexRecord, u)));
}

void GlDevice::SetConstantColor(uint32_t argb) const
{
    gl_.VertexAttrib4f(kColorAttrib, static_cast<float>((argb >> 16) & 0xFF) / 255.0f,
                       static_cast<float>((argb >> 8) & 0xFF) / 255.0f, static_cast<float>(argb & 0xFF) / 255.0f,
                       static_cast<float>(argb >> 24) / 255.0f);
}

}  // namespace orv
