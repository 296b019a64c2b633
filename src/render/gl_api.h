// The OpenGL 3.3 core entry points the renderer uses, loaded through whatever
// get-proc-address function the owner of the context supplies (Qt's context, EGL), so
// that no loader library and no link-time dependency on libGL is needed.
#pragma once

#include <GL/glcorearb.h>

#include <functional>
#include <string>

namespace orv {

using GlProc = void (*)();
using GlGetProcAddress = std::function<GlProc(const char* name)>;

// clang-format off
#define ORV_GL_FUNCTIONS(X) \
    X(PFNGLGETSTRINGPROC, GetString) \
    X(PFNGLGETSTRINGIPROC, GetStringi) \
    X(PFNGLGETINTEGERVPROC, GetIntegerv) \
    X(PFNGLGETFLOATVPROC, GetFloatv) \
    X(PFNGLGETERRORPROC, GetError) \
    X(PFNGLENABLEPROC, Enable) \
    X(PFNGLDISABLEPROC, Disable) \
    X(PFNGLCLEARPROC, Clear) \
    X(PFNGLCLEARCOLORPROC, ClearColor) \
    X(PFNGLCLEARDEPTHPROC, ClearDepth) \
    X(PFNGLDEPTHFUNCPROC, DepthFunc) \
    X(PFNGLDEPTHMASKPROC, DepthMask) \
    X(PFNGLCOLORMASKPROC, ColorMask) \
    X(PFNGLCULLFACEPROC, CullFace) \
    X(PFNGLFRONTFACEPROC, FrontFace) \
    X(PFNGLPOLYGONMODEPROC, PolygonMode) \
    X(PFNGLLINEWIDTHPROC, LineWidth) \
    X(PFNGLVIEWPORTPROC, Viewport) \
    X(PFNGLDEPTHRANGEPROC, DepthRange) \
    X(PFNGLPIXELSTOREIPROC, PixelStorei) \
    X(PFNGLREADPIXELSPROC, ReadPixels) \
    X(PFNGLFINISHPROC, Finish) \
    X(PFNGLFLUSHPROC, Flush) \
    X(PFNGLGENTEXTURESPROC, GenTextures) \
    X(PFNGLDELETETEXTURESPROC, DeleteTextures) \
    X(PFNGLBINDTEXTUREPROC, BindTexture) \
    X(PFNGLACTIVETEXTUREPROC, ActiveTexture) \
    X(PFNGLTEXIMAGE2DPROC, TexImage2D) \
    X(PFNGLTEXPARAMETERIPROC, TexParameteri) \
    X(PFNGLGENSAMPLERSPROC, GenSamplers) \
    X(PFNGLDELETESAMPLERSPROC, DeleteSamplers) \
    X(PFNGLBINDSAMPLERPROC, BindSampler) \
    X(PFNGLSAMPLERPARAMETERIPROC, SamplerParameteri) \
    X(PFNGLSAMPLERPARAMETERFPROC, SamplerParameterf) \
    X(PFNGLGENFRAMEBUFFERSPROC, GenFramebuffers) \
    X(PFNGLDELETEFRAMEBUFFERSPROC, DeleteFramebuffers) \
    X(PFNGLBINDFRAMEBUFFERPROC, BindFramebuffer) \
    X(PFNGLFRAMEBUFFERRENDERBUFFERPROC, FramebufferRenderbuffer) \
    X(PFNGLCHECKFRAMEBUFFERSTATUSPROC, CheckFramebufferStatus) \
    X(PFNGLBLITFRAMEBUFFERPROC, BlitFramebuffer) \
    X(PFNGLGENRENDERBUFFERSPROC, GenRenderbuffers) \
    X(PFNGLDELETERENDERBUFFERSPROC, DeleteRenderbuffers) \
    X(PFNGLBINDRENDERBUFFERPROC, BindRenderbuffer) \
    X(PFNGLRENDERBUFFERSTORAGEPROC, RenderbufferStorage) \
    X(PFNGLGENBUFFERSPROC, GenBuffers) \
    X(PFNGLDELETEBUFFERSPROC, DeleteBuffers) \
    X(PFNGLBINDBUFFERPROC, BindBuffer) \
    X(PFNGLBUFFERDATAPROC, BufferData) \
    X(PFNGLGENVERTEXARRAYSPROC, GenVertexArrays) \
    X(PFNGLDELETEVERTEXARRAYSPROC, DeleteVertexArrays) \
    X(PFNGLBINDVERTEXARRAYPROC, BindVertexArray) \
    X(PFNGLENABLEVERTEXATTRIBARRAYPROC, EnableVertexAttribArray) \
    X(PFNGLDISABLEVERTEXATTRIBARRAYPROC, DisableVertexAttribArray) \
    X(PFNGLVERTEXATTRIBPOINTERPROC, VertexAttribPointer) \
    X(PFNGLVERTEXATTRIB4FPROC, VertexAttrib4f) \
    X(PFNGLCREATESHADERPROC, CreateShader) \
    X(PFNGLSHADERSOURCEPROC, ShaderSource) \
    X(PFNGLCOMPILESHADERPROC, CompileShader) \
    X(PFNGLGETSHADERIVPROC, GetShaderiv) \
    X(PFNGLGETSHADERINFOLOGPROC, GetShaderInfoLog) \
    X(PFNGLDELETESHADERPROC, DeleteShader) \
    X(PFNGLCREATEPROGRAMPROC, CreateProgram) \
    X(PFNGLATTACHSHADERPROC, AttachShader) \
    X(PFNGLBINDATTRIBLOCATIONPROC, BindAttribLocation) \
    X(PFNGLLINKPROGRAMPROC, LinkProgram) \
    X(PFNGLGETPROGRAMIVPROC, GetProgramiv) \
    X(PFNGLGETPROGRAMINFOLOGPROC, GetProgramInfoLog) \
    X(PFNGLDELETEPROGRAMPROC, DeleteProgram) \
    X(PFNGLUSEPROGRAMPROC, UseProgram) \
    X(PFNGLGETUNIFORMLOCATIONPROC, GetUniformLocation) \
    X(PFNGLUNIFORM1IPROC, Uniform1i) \
    X(PFNGLUNIFORM1FPROC, Uniform1f) \
    X(PFNGLUNIFORM2IPROC, Uniform2i) \
    X(PFNGLDRAWBUFFERSPROC, DrawBuffers) \
    X(PFNGLREADBUFFERPROC, ReadBuffer) \
    X(PFNGLCLEARBUFFERFVPROC, ClearBufferfv) \
    X(PFNGLPROVOKINGVERTEXPROC, ProvokingVertex) \
    X(PFNGLFRAMEBUFFERTEXTURE2DPROC, FramebufferTexture2D) \
    X(PFNGLUNIFORMMATRIX4FVPROC, UniformMatrix4fv) \
    X(PFNGLDRAWARRAYSPROC, DrawArrays) \
    X(PFNGLMULTIDRAWARRAYSPROC, MultiDrawArrays) \
    X(PFNGLDRAWELEMENTSPROC, DrawElements)
// clang-format on

// Function table of one context. Every member of the list above is non-null after a
// successful Load.
struct GlApi {
#define ORV_GL_MEMBER(type, name) type name = nullptr;
    ORV_GL_FUNCTIONS(ORV_GL_MEMBER)
#undef ORV_GL_MEMBER

    bool loaded = false;  // every entry point present and the version new enough
    int major = 0;
    int minor = 0;
    std::string renderer;
    std::string vendor;
    std::string version;
    bool hasAnisotropy = false;  // GL_TEXTURE_MAX_ANISOTROPY may be set on samplers
    float maxAnisotropy = 1.0f;

    // Needs a current context. Fails, with a reason, when an entry point is missing or
    // the context is older than 3.3.
    bool Load(const GlGetProcAddress& getProc, std::string* error);
    bool HasExtension(const char* name) const;

    // Empties the error queue (bounded: a lost context may report errors forever).
    void DrainErrors() const;

    // A program of a vertex and a fragment shader; 0 when one does not compile or the two
    // do not link, with the driver's log ("The drawing shader does not compile: ...").
    GLuint MakeProgram(const char* vertexSource, const char* fragmentSource, std::string* error) const;
};

}  // namespace orv
