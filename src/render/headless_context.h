// An OpenGL 3.3 core context without any window: Mesa's surfaceless EGL platform (no
// display server needed), else the default EGL display with a surfaceless context.
// Drawing goes to framebuffer objects only.
#pragma once

#include <memory>
#include <string>

#include "render/gl_api.h"

namespace orv {

class HeadlessGlContext {
public:
    // The context, current on the calling thread; null with a reason when none can be
    // made.
    static std::unique_ptr<HeadlessGlContext> Create(std::string* error = nullptr);
    ~HeadlessGlContext();
    HeadlessGlContext(const HeadlessGlContext&) = delete;
    HeadlessGlContext& operator=(const HeadlessGlContext&) = delete;

    bool MakeCurrent();
    // eglGetProcAddress, for GlDevice::Initialize.
    static GlGetProcAddress ProcAddress();

private:
    HeadlessGlContext() = default;
    void* display_ = nullptr;
    void* context_ = nullptr;
};

}  // namespace orv
