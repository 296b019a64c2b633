#include "render/headless_context.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <map>

namespace orv {

namespace {

// eglTerminate ends every context of a display, so a display is terminated only when
// the last context made here on it goes.
std::map<EGLDisplay, int>& DisplayUsers()
{
    static std::map<EGLDisplay, int> users;
    return users;
}

bool HasToken(const char* list, const char* token)
{
    if (!list)
        return false;
    const std::string all = std::string(" ") + list + " ";
    return all.find(std::string(" ") + token + " ") != std::string::npos;
}

EGLDisplay OpenDisplay()
{
    const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    if (HasToken(clientExtensions, "EGL_MESA_platform_surfaceless")) {
        EGLDisplay d = eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (d != EGL_NO_DISPLAY && eglInitialize(d, nullptr, nullptr))
            return d;
    }
    EGLDisplay d = eglGetDisplay(EGL_DEFAULT_DISPLAY);
    if (d != EGL_NO_DISPLAY && eglInitialize(d, nullptr, nullptr))
        return d;
    return EGL_NO_DISPLAY;
}

void Release(EGLDisplay d)
{
    auto& users = DisplayUsers();
    if (--users[d] <= 0) {
        users.erase(d);
        eglTerminate(d);
    }
}

}  // namespace

std::unique_ptr<HeadlessGlContext> HeadlessGlContext::Create(std::string* error)
{
    auto fail = [&](const char* why) -> std::unique_ptr<HeadlessGlContext> {
        if (error)
            *error = why;
        return nullptr;
    };
    EGLDisplay display = OpenDisplay();
    if (display == EGL_NO_DISPLAY)
        return fail("No EGL display is available.");
    ++DisplayUsers()[display];

    const char* extensions = eglQueryString(display, EGL_EXTENSIONS);
    if (!HasToken(extensions, "EGL_KHR_surfaceless_context") || !eglBindAPI(EGL_OPENGL_API)) {
        Release(display);
        return fail("The EGL display offers no desktop OpenGL context without a surface.");
    }
    // Surfaceless displays may have no configurations at all; a context without one
    // is enough for framebuffer objects.
    EGLConfig config = nullptr;
    EGLint count = 0;
    const EGLint configAttributes[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
    if (!eglChooseConfig(display, configAttributes, &config, 1, &count) || count < 1) {
        if (!HasToken(extensions, "EGL_KHR_no_config_context") &&
            !HasToken(extensions, "EGL_MESA_configless_context")) {
            Release(display);
            return fail("The EGL display has no OpenGL configuration.");
        }
        config = nullptr;
    }
    const EGLint contextAttributes[] = {
        EGL_CONTEXT_MAJOR_VERSION,           3,       EGL_CONTEXT_MINOR_VERSION, 3, EGL_CONTEXT_OPENGL_PROFILE_MASK,
        EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT, EGL_NONE};
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttributes);
    if (context == EGL_NO_CONTEXT) {
        Release(display);
        return fail("No OpenGL 3.3 core context can be made.");
    }
    std::unique_ptr<HeadlessGlContext> result(new HeadlessGlContext());
    result->display_ = display;
    result->context_ = context;
    if (!result->MakeCurrent())
        return fail("The OpenGL context cannot be made current.");
    return result;
}

HeadlessGlContext::~HeadlessGlContext()
{
    auto display = static_cast<EGLDisplay>(display_);
    if (eglGetCurrentContext() == static_cast<EGLContext>(context_))
        eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroyContext(display, static_cast<EGLContext>(context_));
    Release(display);
}

bool HeadlessGlContext::MakeCurrent()
{
    return eglMakeCurrent(static_cast<EGLDisplay>(display_), EGL_NO_SURFACE, EGL_NO_SURFACE,
                          static_cast<EGLContext>(context_)) == EGL_TRUE;
}

GlGetProcAddress HeadlessGlContext::ProcAddress()
{
    return [](const char* name) -> GlProc { return reinterpret_cast<GlProc>(eglGetProcAddress(name)); };
}

}  // namespace orv
