// The drawing device of a 3D view: an off-screen surface (framebuffer object with a
// depth buffer) of the view's size or of a fixed "StretchMode" size, the fixed render
// states, the projection, and the copy of a finished frame into the window.
//
// Every call needs the context current on the calling thread; the owner (the Qt view,
// or the headless context of orvane-tool) makes it current before using the device and
// before destroying it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "model/geometry.h"
#include "model/settings.h"
#include "model/vertex.h"
#include "render/gl_api.h"

namespace orv {

// One drawing device the options may choose. OpenGL offers the renderer of the context
// it was made with; its name is the one GL reports.
struct DeviceRecord {
    std::string name;
    bool hardware = false;
    uint32_t maxAnisotropy = 1;
};

// Mesa's and the common software rasterisers are not hardware devices.
bool IsSoftwareRenderer(const std::string& rendererName);

// A screen resolution as the window system reports it.
struct DisplayModeInfo {
    int32_t width = 0;
    int32_t height = 0;
    int32_t bitsPerPixel = 0;
};

// "None", then "%ldx%ld" for each mode; a mode of 8, 16, 24 or 32 bits that differs
// from the desktop depth is left out (other depths are kept).
std::vector<std::string> BuildDisplayModeList(const std::vector<DisplayModeInfo>& modes, int32_t desktopDepth);

// Reads "WxH" into a size; false (and nothing written) when the text is not two
// positive numbers in that form.
bool ParseDisplayMode(const std::string& text, int32_t& width, int32_t& height);

// Sampler state chosen by "Texture Mapping" (1 "Nearest", 0 "Linear") and the device's
// maximum anisotropy: below 2 point or linear filtering; otherwise point for "Nearest"
// and, for "Linear", linear magnification with anisotropic minification at the
// device's maximum. Anisotropy stays 1 with point filtering, where it has no meaning.
struct TextureFilter {
    GLenum magFilter = GL_NEAREST;
    GLenum minFilter = GL_NEAREST;
    float anisotropy = 1.0f;
};
TextureFilter ChooseTextureFilter(int32_t textureMapping, uint32_t deviceMaxAnisotropy);

// A rectangle in the view's client pixels, y pointing down.
struct ClientRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
};

// The outcome of making the device's surfaces: messages to show, one per device that
// could not be used, in trial order.
struct DeviceResult {
    bool ok = false;
    std::vector<std::string> messages;
};

// The surface pixels read back, top row first, 4 bytes (R, G, B, A) per pixel.
struct RgbaImage {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> pixels;

    // 0xAARRGGBB of one pixel (x right, y down), 0 outside the image.
    uint32_t At(int32_t x, int32_t y) const;
};

class GlDevice {
public:
    // The settings are read at every CreateDevice and "Device" is written back.
    explicit GlDevice(Settings& settings);
    ~GlDevice();
    GlDevice(const GlDevice&) = delete;
    GlDevice& operator=(const GlDevice&) = delete;

    // Loads the GL functions of the current context, builds the device list and the
    // shader that stands in for the fixed pipeline. False when there is no usable
    // context; the reason goes to error and the view then stays empty.
    bool Initialize(const GlGetProcAddress& getProc, std::string* error = nullptr);
    bool Initialized() const { return initialized_; }
    const GlApi& Api() const { return gl_; }

    // Devices in trial order (hardware first). The options sheet lists their names.
    const std::vector<std::unique_ptr<DeviceRecord>>& Devices() const { return devices_; }
    std::vector<std::unique_ptr<DeviceRecord>>& Devices() { return devices_; }
    // The name of the device "Device" selects (status pane 0), empty when none.
    std::string CurrentDeviceName() const;

    // Entry 0 is "None"; "StretchMode" indexes this list.
    void SetDisplayModes(std::vector<std::string> modes);
    const std::vector<std::string>& DisplayModes() const { return displayModes_; }

    // (Re)creates the surfaces for a view of w × h pixels: trial order "Device" first,
    // then every other device ascending; "Device" names the device last tried. The
    // projection's aspect follows w and h even when the surface has a stretch size.
    DeviceResult CreateDevice(int32_t w, int32_t h, bool enlarge);
    // The view's new size; nothing happens for a zero width or height.
    DeviceResult ResizeDevice(int32_t cx, int32_t cy, bool enlarge);
    bool HasDevice() const { return framebuffer_ != 0; }
    // The surface's framebuffer (other drawing attaches to it between BeginFrame and Present).
    GLuint Framebuffer() const { return framebuffer_; }
    // "ColorBackground", what BeginFrame clears to.
    uint32_t BackgroundColor() const { return settings_.colorBackground; }

    void SetClientRect(const ClientRect& r) { client_ = r; }
    const ClientRect& Client() const { return client_; }
    int32_t SurfaceWidth() const { return surfaceWidth_; }
    int32_t SurfaceHeight() const { return surfaceHeight_; }

    const Matrix4& Projection() const { return projection_; }
    void SetProjection(const Matrix4& p) { projection_ = p; }
    const Matrix4& View() const { return view_; }
    void SetView(const Matrix4& v) { view_ = v; }
    static constexpr float kNear = 0.05f;
    static constexpr float kFar = 100.0f;
    static float FieldOfView(bool enlarge);

    // Binds the surface, sets the fixed states and clears colour ("ColorBackground")
    // and depth (1.0). False without a device.
    bool BeginFrame();
    // The frame is done: copies the surface into targetFramebuffer (the view's own
    // framebuffer, whose size is the client rectangle), scaled to fit; with a clip
    // rectangle only that part of the window, from the matching part of the surface.
    void Present(uint32_t targetFramebuffer, const ClientRect* clip = nullptr);
    // The surface's pixels (finishes drawing first).
    RgbaImage ReadPixels();

    // ---- drawing, between BeginFrame and Present -----------------------------
    // World transform of what is drawn next; combined with the view and projection.
    void SetWorld(const Matrix4& world);
    // Texture of what is drawn next, 0 for none (then the vertex colour alone).
    void SetTexture(uint32_t glTexture);
    // Whether what is drawn next is lit by a light at the camera (solid faces of the
    // shaded display) or drawn with its colours as they are.
    void SetShaded(bool on);
    // Vertex attribute layout of VertexRecord for the bound vertex array and buffer;
    // withColor false leaves the colour array off so that SetConstantColor applies.
    void SetupVertexLayout(bool withColor) const;
    void SetConstantColor(uint32_t argb) const;
    // Takes the fixed states and the device's own shader back after another program drew.
    void ResumeDrawing() { ApplyFixedState(); }

    // Makes surface creation fail for the device indices the function names, to
    // exercise the fallback order without a driver that runs out of memory.
    void SetSurfaceFailureForTest(std::function<bool(int32_t)> fail) { failForTest_ = std::move(fail); }

private:
    bool BuildProgram(std::string* error);
    bool MakeSurfaces(int32_t deviceIndex);
    void ReleaseSurfaces();
    void ApplySamplerState(const DeviceRecord& device);
    void RestoreFramebuffers(GLint draw, GLint read) const;
    void ApplyFixedState();

    Settings& settings_;
    GlApi gl_;
    bool initialized_ = false;
    std::vector<std::unique_ptr<DeviceRecord>> devices_;
    std::vector<std::string> displayModes_{"None"};
    ClientRect client_;
    int32_t surfaceWidth_ = 0;
    int32_t surfaceHeight_ = 0;
    Matrix4 projection_ = Matrix4::Identity();
    Matrix4 view_ = Matrix4::Identity();
    bool dither_ = true;
    uint32_t boundTexture_ = ~0u;

    GLuint framebuffer_ = 0;
    GLuint colorBuffer_ = 0;
    GLuint depthBuffer_ = 0;
    GLuint sampler_ = 0;
    GLuint program_ = 0;
    GLint uMatrix_ = -1;
    GLint uTextured_ = -1;
    GLint uTexture_ = -1;
    GLint uModelView_ = -1;
    GLint uShaded_ = -1;
    bool shaded_ = false;
    std::function<bool(int32_t)> failForTest_;
};

}  // namespace orv
