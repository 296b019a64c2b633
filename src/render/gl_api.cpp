#include "render/gl_api.h"

#include <cstring>

namespace orv {

namespace {

// Core since 4.6 and identical to the ARB/EXT extension tokens.
constexpr GLenum kMaxTextureMaxAnisotropy = 0x84FF;

void SetError(std::string* error, std::string text)
{
    if (error)
        *error = std::move(text);
}

}  // namespace

bool GlApi::Load(const GlGetProcAddress& getProc, std::string* error)
{
    loaded = false;
    if (!getProc) {
        SetError(error, "No OpenGL function loader was given.");
        return false;
    }
#define ORV_GL_LOAD(type, name)                                               \
    name = reinterpret_cast<type>(getProc("gl" #name));                       \
    if (!name) {                                                              \
        SetError(error, "The OpenGL function gl" #name " is not available."); \
        return false;                                                         \
    }
    ORV_GL_FUNCTIONS(ORV_GL_LOAD)
#undef ORV_GL_LOAD

    // Some loaders hand out stubs for any name; the version decides what is real.
    GetIntegerv(GL_MAJOR_VERSION, &major);
    GetIntegerv(GL_MINOR_VERSION, &minor);
    auto text = [this](GLenum which) {
        const auto* s = reinterpret_cast<const char*>(GetString(which));
        return std::string(s ? s : "");
    };
    renderer = text(GL_RENDERER);
    vendor = text(GL_VENDOR);
    version = text(GL_VERSION);
    DrainErrors();
    if (major < 3 || (major == 3 && minor < 3)) {
        SetError(error, "OpenGL 3.3 is needed; this context offers " + (version.empty() ? "less" : version) + ".");
        return false;
    }

    hasAnisotropy = major > 4 || (major == 4 && minor >= 6) || HasExtension("GL_ARB_texture_filter_anisotropic") ||
                    HasExtension("GL_EXT_texture_filter_anisotropic");
    maxAnisotropy = 1.0f;
    if (hasAnisotropy) {
        GetFloatv(kMaxTextureMaxAnisotropy, &maxAnisotropy);
        if (GetError() != GL_NO_ERROR || !(maxAnisotropy >= 1.0f)) {
            hasAnisotropy = false;
            maxAnisotropy = 1.0f;
        }
    }
    loaded = true;
    return true;
}

bool GlApi::HasExtension(const char* name) const
{
    GLint count = 0;
    GetIntegerv(GL_NUM_EXTENSIONS, &count);
    for (GLint i = 0; i < count; ++i) {
        const auto* e = reinterpret_cast<const char*>(GetStringi(GL_EXTENSIONS, static_cast<GLuint>(i)));
        if (e && std::strcmp(e, name) == 0)
            return true;
    }
    return false;
}

void GlApi::DrainErrors() const
{
    for (int i = 0; i < 32 && GetError() != GL_NO_ERROR; ++i) {
    }
}

GLuint GlApi::MakeProgram(const char* vertexSource, const char* fragmentSource, std::string* error) const
{
    auto compile = [&](GLenum type, const char* source) -> GLuint {
        GLuint s = CreateShader(type);
        ShaderSource(s, 1, &source, nullptr);
        CompileShader(s);
        GLint ok = 0;
        GetShaderiv(s, GL_COMPILE_STATUS, &ok);
        if (!ok) {
            char log[1024] = {};
            GetShaderInfoLog(s, sizeof log, nullptr, log);
            SetError(error, std::string("The drawing shader does not compile: ") + log);
            DeleteShader(s);
            return 0;
        }
        return s;
    };
    const GLuint vs = compile(GL_VERTEX_SHADER, vertexSource);
    if (!vs)
        return 0;
    const GLuint fs = compile(GL_FRAGMENT_SHADER, fragmentSource);
    if (!fs) {
        DeleteShader(vs);
        return 0;
    }
    const GLuint program = CreateProgram();
    AttachShader(program, vs);
    AttachShader(program, fs);
    LinkProgram(program);
    DeleteShader(vs);
    DeleteShader(fs);
    GLint ok = 0;
    GetProgramiv(program, GL_LINK_STATUS, &ok);
    if (!ok) {
        char log[1024] = {};
        GetProgramInfoLog(program, sizeof log, nullptr, log);
        SetError(error, std::string("The drawing shader does not link: ") + log);
        DeleteProgram(program);
        return 0;
    }
    return program;
}

}  // namespace orv
