// The probe context: SDL hidden window (or the offscreen driver when headless), GLEW, the
// extension list and the limits table.
#include <GL/glew.h>

#include "gpuinfo/gl_probe.h"

#include <SDL2/SDL.h>
#include <string>

#include "core/log_file.h"
#include <cstring>

namespace Ridudedozu {

namespace {

void SetPixelAttributes(bool alpha)
{
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, alpha ? 8 : 0);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, 0);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, 0);
}

void SetContextAttributes(const ContextAttempt& a)
{
    if (a.legacy) {
        // SDL makes a plain (attribute-less) context for versions below 3 without profile
        // or flags.
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, 0);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_FLAGS, 0);
        return;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, a.major);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, a.minor);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, a.profile ? SDL_GL_CONTEXT_PROFILE_COMPATIBILITY : 0);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_FLAGS, a.profile ? SDL_GL_CONTEXT_DEBUG_FLAG : 0);
}

GLint GetInt(GLenum name)
{
    GLint v = 0;
    glGetIntegerv(name, &v);
    return v;
}

void DrainErrors()
{
    // Queries a core context does not know raise GL_INVALID_ENUM; they leave their preset.
    for (int i = 0; i < 64 && glGetError() != GL_NO_ERROR; ++i) {
    }
}

}  // namespace

GlProbe::~GlProbe() { Release(); }

void GlProbe::SetFlag(Capability flag, bool value)
{
    if (flag >= 0 && flag < kNumFlags)
        flags_[flag] = value;
}

bool GlProbe::Flag(int index) const { return index >= 0 && index < kNumFlags && flags_[index]; }

bool GlProbe::HasExtension(const char* name) const
{
    if (!name)
        return false;
    for (const std::string& e : extensions)
        if (std::strncmp(e.c_str(), name, 127) == 0)
            return true;
    return false;
}

bool GlProbe::Create(int32_t x, int32_t y, int32_t width, int32_t height, int32_t major, int32_t minor)
{
    if (context_)
        return true;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
        return false;
    videoInitialised_ = true;
    if (width < 1)
        width = 32;
    if (height < 1)
        height = 32;
    const Uint32 windowFlags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | SDL_WINDOW_BORDERLESS;
    // An X server that refuses a GLX request answers with an X error, which Xlib's default
    // handler turns into the end of the process (indirect GLX under ssh -X, a driver that does
    // not load): each step here is judged by the errors it caused instead.
    XErrorTrap xErrors;
    SetPixelAttributes(true);
    window_ = SDL_CreateWindow("q7DummyRW", x, y, width, height, windowFlags);
    if (!window_) {
        // Some X servers offer no visual with alpha at this depth.
        SetPixelAttributes(false);
        window_ = SDL_CreateWindow("q7DummyRW", x, y, width, height, windowFlags);
    }
    if (!window_) {
        failure = "no window for OpenGL: " + std::string(SDL_GetError());
        if (const std::string x = xErrors.Check(nullptr); !x.empty())
            failure = x;
        ProgramLog().Write("OpenGL - the probe context could not be made: %s", failure.c_str());
        Release();
        return false;
    }
    if (const std::string x = xErrors.Check(window_); !x.empty())
        failure = x;

    for (const ContextAttempt& a : BuildContextAttempts(major, minor)) {
        SetContextAttributes(a);
        context_ = SDL_GL_CreateContext(window_);
        // A context the server refused may still have a client-side handle.
        if (const std::string x = xErrors.Check(window_); !x.empty()) {
            failure = x;
            if (context_)
                SDL_GL_DeleteContext(static_cast<SDL_GLContext>(context_));
            context_ = nullptr;
            xErrors.Check(window_);
        }
        if (context_) {
            attrib_context = !a.legacy;
            break;
        }
        if (failure.empty() && *SDL_GetError())
            failure = SDL_GetError();
    }
    if (context_ && SDL_GL_MakeCurrent(window_, static_cast<SDL_GLContext>(context_)) != 0) {
        failure = "the context could not be made current: " + std::string(SDL_GetError());
        SDL_GL_DeleteContext(static_cast<SDL_GLContext>(context_));
        context_ = nullptr;
    }
    if (context_) {
        if (const std::string x = xErrors.Check(window_); !x.empty()) {
            failure = x;
            SDL_GL_MakeCurrent(window_, nullptr);
            SDL_GL_DeleteContext(static_cast<SDL_GLContext>(context_));
            context_ = nullptr;
        }
    }
    if (!context_) {
        ProgramLog().Write("OpenGL - the probe context could not be made: %s",
                           failure.empty() ? "no reason given" : failure.c_str());
        // The deletions' own answers, before Release may close the connection.
        xErrors.Check(window_);
        Release();
        return false;
    }
    failure.clear();

    ReadVersion();
    glewExperimental = GL_TRUE;
    const GLenum glewStatus = glewInit();
    // GLEW looks for a GLX display after loading the GL entry points; on an EGL context that
    // last step fails although everything the probe needs is loaded.
    glew_warning = glewStatus != GLEW_OK;
    DrainErrors();
    context_ready = true;

    const WindowSystemInfo ws = QueryCurrentWindowSystem();
    egl = ws.egl;
    BuildExtensionList(ws.extensions);

    if (const char* v = reinterpret_cast<const char*>(glGetString(GL_VERSION)))
        version_string.assign(v, std::min<size_t>(std::strlen(v), 255));
    SetFlag(kMajor2, version.major >= 2);
    SetFlag(kMajor3, version.major >= 3);
    if (version.major >= 3) {
        SetFlag(kVersion31, version.minor >= 1 || version.major > 3);
        SetFlag(kVersion32, version.minor >= 2 || version.major > 3);
        SetFlag(kVersion33, version.minor >= 3 || version.major > 3);
    }
    SetFlag(kMajor4, version.major >= 4);
    SetFlag(kMinor1Major4, version.major >= 4 && version.minor >= 1);

    const char* v = reinterpret_cast<const char*>(glGetString(GL_VENDOR));
    vendor = v ? std::string(v, std::min<size_t>(std::strlen(v), 255)) : "n.a.";
    const char* r = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    renderer = r ? std::string(r, std::min<size_t>(std::strlen(r), 255)) : "n.a.";
    render_identity = QueryCurrentRendererIdentity();
    render_identity.gl_vendor = vendor;
    render_identity.gl_renderer = renderer;

    ProbeLimits();

    msaa_modes = BuildMsaaModes(ws.formats, 24, 8, &plain_format);
    max_samples = msaa_modes.empty() ? 1 : msaa_modes.back().samples;

    DrainErrors();
    // The probe context is not used again; leave no context current on this thread and the
    // attributes at their defaults for the render window.
    SDL_GL_MakeCurrent(window_, nullptr);
    SDL_GL_ResetAttributes();
    return true;
}

void GlProbe::ReadVersion()
{
    const char* text = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    GLint qMajor = 0, qMinor = 0;
    if (text && text[0] >= '3' && text[0] <= '9') {
        glGetIntegerv(GL_MAJOR_VERSION, &qMajor);
        glGetIntegerv(GL_MINOR_VERSION, &qMinor);
        DrainErrors();
    }
    version = ParseGlVersion(text, qMajor, qMinor);
}

void GlProbe::BuildExtensionList(const std::string& windowSystemExtensions)
{
    extensions.clear();
    if (version.major >= 3 && glGetStringi) {
        const GLint n = GetInt(GL_NUM_EXTENSIONS);
        for (GLint i = 0; i < n && i < 100000; ++i) {
            const char* e = reinterpret_cast<const char*>(glGetStringi(GL_EXTENSIONS, static_cast<GLuint>(i)));
            if (e)
                extensions.emplace_back(e, std::min<size_t>(std::strlen(e), 127));
        }
    } else {
        SplitExtensionString(reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)), &extensions);
    }
    DrainErrors();
    gl_extension_count = static_cast<uint32_t>(extensions.size());
    SplitExtensionString(windowSystemExtensions.c_str(), &extensions);
}

void GlProbe::ProbeLimits()
{
    // Every flag comes from the driver's own extension list: GLEW's experimental mode marks an
    // extension present as soon as its entry points resolve, and Mesa resolves entry points of
    // extensions it does not offer.
    GlLimits& l = limits;
    if (HasExtension("GL_ARB_tessellation_shader")) {
        SetFlag(kTessellationShader, true);
        l.max_tess_control_texture_units = GetInt(GL_MAX_TESS_CONTROL_TEXTURE_IMAGE_UNITS);
        l.max_tess_eval_texture_units = GetInt(GL_MAX_TESS_EVALUATION_TEXTURE_IMAGE_UNITS);
        l.max_tess_gen_level = GetInt(GL_MAX_TESS_GEN_LEVEL);
        l.max_tess_control_uniform_components = GetInt(GL_MAX_TESS_CONTROL_UNIFORM_COMPONENTS);
        l.max_tess_eval_uniform_components = GetInt(GL_MAX_TESS_EVALUATION_UNIFORM_COMPONENTS);
    }
    l.max_elements_vertices = GetInt(GL_MAX_ELEMENTS_VERTICES);
    l.max_elements_indices = GetInt(GL_MAX_ELEMENTS_INDICES);
    GLint dims[2] = {0, 0};
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, dims);
    if (dims[0] > 0)
        l.max_viewport_size = dims[0];
    SetFlag(kMultitexture, HasExtension("GL_ARB_multitexture"));
    l.max_texture_units = GetInt(GL_MAX_TEXTURE_UNITS);
    l.max_texture_size = GetInt(GL_MAX_TEXTURE_SIZE);
    l.max_vertex_texture_image_units = GetInt(GL_MAX_VERTEX_TEXTURE_IMAGE_UNITS);
    l.max_texture_image_units = GetInt(GL_MAX_TEXTURE_IMAGE_UNITS);
    DrainErrors();

    SetFlag(kAnisotropicFiltering, HasExtension("GL_EXT_texture_filter_anisotropic"));
    l.max_anisotropy = 1.0f;
    if (Flag(kAnisotropicFiltering))
        glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &l.max_anisotropy);

    SetFlag(kVersion14, version.number >= 1.4f);
    SetFlag(kVersion13, version.number >= 1.3f);
    SetFlag(kDot3Combine, HasExtension("GL_ARB_texture_env_combine") && HasExtension("GL_ARB_texture_env_dot3") && l.max_texture_units >= 3);

    SetFlag(kSeparateSpecularColor, HasExtension("GL_EXT_separate_specular_color"));
    if (Flag(kSeparateSpecularColor)) {
        glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, GL_SEPARATE_SPECULAR_COLOR);
        glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_TRUE);
    }
    DrainErrors();

    l.max_shininess = 0;
    l.max_spot_exponent = 0;
    if (HasExtension("GL_NV_light_max_exponent")) {
        l.max_shininess = GetInt(GL_MAX_SHININESS_NV);
        l.max_spot_exponent = GetInt(GL_MAX_SPOT_EXPONENT_NV);
    }
    SetFlag(kVertexBufferObject, HasExtension("GL_ARB_vertex_buffer_object"));
    SetFlag(kVersion20, version.number >= 2.0f);
    SetFlag(kShadingLanguage100, HasExtension("GL_ARB_shading_language_100"));
    if (Flag(kShadingLanguage100) && Flag(kVersion20)) {
        l.max_vertex_uniform_components = GetInt(GL_MAX_VERTEX_UNIFORM_COMPONENTS);
        l.max_fragment_uniform_components = GetInt(GL_MAX_FRAGMENT_UNIFORM_COMPONENTS);
        l.max_geometry_uniform_components = GetInt(GL_MAX_GEOMETRY_UNIFORM_COMPONENTS);
        l.max_varying_floats = GetInt(GL_MAX_VARYING_FLOATS);
        l.max_vertex_attribs = GetInt(GL_MAX_VERTEX_ATTRIBS);
    }
    DrainErrors();

    const char* sl = reinterpret_cast<const char*>(glGetString(GL_SHADING_LANGUAGE_VERSION));
    glsl_version = sl ? std::string(sl, std::min<size_t>(std::strlen(sl), 255)) : "n.a.";
    DrainErrors();
    SetFlag(kStencilWrap, HasExtension("GL_EXT_stencil_wrap"));
    SetFlag(kStencilTwoSide, HasExtension("GL_EXT_stencil_two_side"));
    SetFlag(kAtiSeparateStencil, HasExtension("GL_ATI_separate_stencil"));
    SetFlag(kDepthClamp, HasExtension("GL_NV_depth_clamp"));

    SetFlag(kPointSprite, HasExtension("GL_ARB_point_sprite"));
    if (Flag(kPointSprite)) {
        glGetFloatv(GL_POINT_SIZE_MAX, &l.max_point_size);
        if (glPointParameterf) {
            glPointParameterf(GL_POINT_SIZE_MIN, 1.0f);
            glPointParameterf(GL_POINT_SIZE_MAX, l.max_point_size);
        }
        DrainErrors();
    }
    SetFlag(kPixelBufferObject, HasExtension("GL_ARB_pixel_buffer_object"));
    SetFlag(kFramebufferObject, HasExtension("GL_EXT_framebuffer_object"));
    if (Flag(kFramebufferObject))
        l.max_color_attachments = GetInt(GL_MAX_COLOR_ATTACHMENTS_EXT);
    SetFlag(kTextureCompression, HasExtension("GL_ARB_texture_compression"));
    SetFlag(kS3tcCompression, HasExtension("GL_EXT_texture_compression_s3tc"));
    SetFlag(kAti3dcCompression, HasExtension("GL_ATI_texture_compression_3dc"));
    SetFlag(kTextureRectangle, HasExtension("GL_NV_texture_rectangle") || HasExtension("GL_ARB_texture_rectangle"));
    if (Flag(kTextureRectangle))
        l.max_rectangle_texture_size = GetInt(GL_MAX_RECTANGLE_TEXTURE_SIZE_ARB);
    SetFlag(kBindableUniform, HasExtension("GL_EXT_bindable_uniform"));
    if (Flag(kBindableUniform)) {
        l.max_vertex_bindable_uniforms = GetInt(GL_MAX_VERTEX_BINDABLE_UNIFORMS_EXT);
        l.max_fragment_bindable_uniforms = GetInt(GL_MAX_FRAGMENT_BINDABLE_UNIFORMS_EXT);
        l.max_geometry_bindable_uniforms = GetInt(GL_MAX_GEOMETRY_BINDABLE_UNIFORMS_EXT);
        l.max_bindable_uniform_size = GetInt(GL_MAX_BINDABLE_UNIFORM_SIZE_EXT);
    }
    SetFlag(kGeometryShader4, HasExtension("GL_EXT_geometry_shader4"));
    if (Flag(kGeometryShader4)) {
        l.max_geometry_texture_units = GetInt(GL_MAX_GEOMETRY_TEXTURE_IMAGE_UNITS_EXT);
        l.max_geometry_output_vertices = GetInt(GL_MAX_GEOMETRY_OUTPUT_VERTICES_EXT);
    }
    if (HasExtension("GL_NV_gpu_program4")) {
        l.min_program_texel_offset = GetInt(GL_MIN_PROGRAM_TEXEL_OFFSET_NV);
        l.max_program_texel_offset = GetInt(GL_MAX_PROGRAM_TEXEL_OFFSET_NV);
    }
    SetFlag(kTextureArray, HasExtension("GL_EXT_texture_array"));
    if (Flag(kTextureArray))
        l.max_array_texture_layers = GetInt(GL_MAX_ARRAY_TEXTURE_LAYERS_EXT);
    SetFlag(kTextureBufferObject, HasExtension("GL_EXT_texture_buffer_object"));
    if (Flag(kTextureBufferObject))
        l.max_texture_buffer_size = GetInt(GL_MAX_TEXTURE_BUFFER_SIZE_EXT);
    DrainErrors();

    SetFlag(kDrawInstanced, HasExtension("GL_EXT_draw_instanced") || HasExtension("GL_ARB_draw_instanced"));
    SetFlag(kGpuShader4, HasExtension("GL_EXT_gpu_shader4"));
    SetFlag(kGpuShader5, HasExtension("GL_ARB_gpu_shader5"));
    l.max_draw_buffers = GetInt(GL_MAX_DRAW_BUFFERS);
    SetFlag(kDrawBuffers, HasExtension("GL_ARB_draw_buffers") && l.max_draw_buffers > 1 && glDrawBuffersARB != nullptr);
    l.samples = GetInt(GL_SAMPLES);
    SetFlag(kOcclusionQuery, HasExtension("GL_ARB_occlusion_query"));
    SetFlag(kTimerQuery, (HasExtension("GL_ARB_occlusion_query") && HasExtension("GL_EXT_timer_query")) || HasExtension("GL_ARB_timer_query"));
    l.max_lights = GetInt(GL_MAX_LIGHTS);
    DrainErrors();
}

void GlProbe::Release()
{
    if (context_) {
        SDL_GL_MakeCurrent(window_, nullptr);
        SDL_GL_DeleteContext(static_cast<SDL_GLContext>(context_));
        context_ = nullptr;
    }
    if (window_) {
        SDL_DestroyWindow(window_);
        window_ = nullptr;
    }
    if (videoInitialised_) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        videoInitialised_ = false;
    }
}

}  // namespace Ridudedozu
