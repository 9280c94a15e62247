// The OpenGL capability probe: a hidden window with its own context, asked once for version,
// vendor and renderer, extensions, implementation limits and multisample formats.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gpuinfo/drm_cards.h"

struct SDL_Window;

namespace Ridudedozu {

// --- Pure pieces, used by the probe and tested without a context. ---

struct GlVersion {
    int32_t major = 1;
    int32_t minor = 1;
    float number = 1.1f;   // leading number of the version text
};
// GL_VERSION rules: major from the first character; below 3 the minor from the third, else
// both from the integer queries. Text that does not start with "<digit>." keeps 1.1.
GlVersion ParseGlVersion(const char* versionText, int32_t queriedMajor, int32_t queriedMinor);

// One context request: profile true asks for {major, minor, debug flag, compatibility
// profile}; false for {major, minor} alone; legacy for a context without any attributes.
struct ContextAttempt {
    int32_t major = 0;
    int32_t minor = 0;
    bool profile = false;
    bool legacy = false;
    bool operator==(const ContextAttempt&) const = default;
};
// The requested version with the minor lowered to 0, then major-1 from minor 3 down (when the
// major is above 3), all with the profile list; then the short list from the requested version
// down; the legacy context last. Below 3.0 only the legacy context is asked for.
std::vector<ContextAttempt> BuildContextAttempts(int32_t major, int32_t minor);

struct PixelFormatDesc {
    int32_t index = 0;        // FBConfig / EGLConfig id
    bool supports_gl = false;
    bool accelerated = false; // not a slow (software-emulated) config
    bool draw_to_window = false;
    bool double_buffer = false;
    bool rgba = false;
    int32_t red = 0, green = 0, blue = 0, alpha = 0;
    int32_t depth = 0;
    int32_t stencil = 0;
    int32_t sample_buffers = 0;
    int32_t samples = 0;
};
struct MsaaMode {
    int32_t format = 0;
    int32_t samples = 0;
};
// Formats that match the request (8 bits per colour channel, the given depth and stencil) and
// have sample buffers, kept only when their count is above every earlier one: strictly
// increasing sample counts. plainFormat receives the last matching format without samples.
std::vector<MsaaMode> BuildMsaaModes(const std::vector<PixelFormatDesc>& formats, int32_t depth, int32_t stencil,
                                     int32_t* plainFormat);
// -1: the last mode; else the first mode with at least that many samples; 0 when none (the
// system chooses).
int32_t ChooseMsaaFormat(const std::vector<MsaaMode>& modes, int32_t samples);

// Split at blanks; each name cut to 127 characters.
void SplitExtensionString(const char* text, std::vector<std::string>* out);

// Vendor kind from GL_VENDOR for a machine without a PCI display device.
int32_t VendorKindFromGlVendor(const char* vendor);

// Window-system pixel formats and extension names of the current context (GLX or EGL).
struct WindowSystemInfo {
    bool egl = false;
    std::vector<PixelFormatDesc> formats;
    std::string extensions;
};
WindowSystemInfo QueryCurrentWindowSystem();
// The device behind the current context: Mesa's PCI ids (GLX) or the EGL device's DRM node;
// GL_VENDOR and GL_RENDERER are left for the caller.
RendererIdentity QueryCurrentRendererIdentity();

// Catches X errors while it lives, so a GLX request the server refuses (an indirect context,
// a driver that cannot load) fails that one step instead of ending the process in Xlib's
// default handler. Traps nest; one thread at a time holds them. Harmless without X11.
class XErrorTrap {
public:
    XErrorTrap();
    ~XErrorTrap();
    XErrorTrap(const XErrorTrap&) = delete;
    XErrorTrap& operator=(const XErrorTrap&) = delete;
    // From then on only the window's connection is watched (null, or a window that is not an
    // X11 one: no change); waits for the server's answers to everything sent. "" when nothing
    // failed since the last check, else what failed, e.g. "X error BadValue (integer parameter
    // out of range for operation) in X_GLXCreateContext", naming the environment that asked
    // for that stack.
    std::string Check(SDL_Window* window);
};

// --- The probe. ---

struct GlLimits {
    int32_t max_tess_control_texture_units = 0;
    int32_t max_tess_eval_texture_units = 0;
    int32_t max_tess_gen_level = 0;
    int32_t max_tess_control_uniform_components = 0;
    int32_t max_tess_eval_uniform_components = 0;
    int32_t max_elements_vertices = 0;
    int32_t max_elements_indices = 0;
    int32_t max_viewport_size = 1024;
    int32_t max_texture_units = 0;
    int32_t max_texture_size = 0;
    int32_t max_vertex_texture_image_units = 0;
    int32_t max_texture_image_units = 0;
    float max_anisotropy = 1.0f;
    int32_t max_shininess = 0;
    int32_t max_spot_exponent = 0;
    int32_t max_vertex_uniform_components = 0;
    int32_t max_fragment_uniform_components = 0;
    int32_t max_geometry_uniform_components = 0;
    int32_t max_varying_floats = 0;
    int32_t max_vertex_attribs = 0;
    float max_point_size = 1.0f;
    int32_t max_color_attachments = 0;
    int32_t max_rectangle_texture_size = 0;
    int32_t max_vertex_bindable_uniforms = 0;
    int32_t max_fragment_bindable_uniforms = 0;
    int32_t max_geometry_bindable_uniforms = 0;
    int32_t max_bindable_uniform_size = 0;
    int32_t max_geometry_texture_units = 0;
    int32_t max_geometry_output_vertices = 0;
    int32_t min_program_texel_offset = 0;
    int32_t max_program_texel_offset = 0;
    int32_t max_array_texture_layers = 0;
    int32_t max_texture_buffer_size = 0;
    int32_t max_draw_buffers = 0;
    int32_t samples = 0;
    int32_t max_lights = 0;
};

class GlProbe {
public:
    static constexpr int kNumFlags = 48;

    // The capability flags: indices into the probe's kNumFlags booleans, set at Create from the
    // version or from the driver's own extension list. Indices not named here are never set
    // and read false. "Version" below is the leading number of GL_VERSION; "major" and "minor"
    // are the parsed version (GlVersion).
    enum Capability : int {
        kAnisotropicFiltering = 2,    // GL_EXT_texture_filter_anisotropic
        kSeparateSpecularColor = 3,   // GL_EXT_separate_specular_color (the probe switches it on)
        kMultitexture = 5,            // GL_ARB_multitexture
        kVersion13 = 6,               // version 1.3 or later
        kDot3Combine = 7,             // GL_ARB_texture_env_combine and GL_ARB_texture_env_dot3,
                                      // with at least 3 texture units
        kStencilTwoSide = 8,          // GL_EXT_stencil_two_side
        kDepthClamp = 9,              // GL_NV_depth_clamp
        kTextureCompression = 10,     // GL_ARB_texture_compression
        kS3tcCompression = 11,        // GL_EXT_texture_compression_s3tc
        kVersion14 = 13,              // version 1.4 or later
        kStencilWrap = 14,            // GL_EXT_stencil_wrap
        kShadingLanguage100 = 17,     // GL_ARB_shading_language_100
        kOcclusionQuery = 18,         // GL_ARB_occlusion_query
        kVertexBufferObject = 19,     // GL_ARB_vertex_buffer_object
        kFramebufferObject = 20,      // GL_EXT_framebuffer_object
        kTextureRectangle = 21,       // GL_NV_texture_rectangle or GL_ARB_texture_rectangle
        kMajor2 = 23,                 // major 2 or later
        kPointSprite = 24,            // GL_ARB_point_sprite
        kVersion20 = 25,              // version 2.0 or later
        kPixelBufferObject = 26,      // GL_ARB_pixel_buffer_object
        kDrawBuffers = 27,            // GL_ARB_draw_buffers, more than one draw buffer and its
                                      // entry point
        kTimerQuery = 28,             // GL_ARB_timer_query, or GL_ARB_occlusion_query together
                                      // with GL_EXT_timer_query
        kDrawInstanced = 29,          // GL_EXT_draw_instanced or GL_ARB_draw_instanced
        kTextureArray = 30,           // GL_EXT_texture_array
        kTextureBufferObject = 31,    // GL_EXT_texture_buffer_object
        kGeometryShader4 = 32,        // GL_EXT_geometry_shader4
        kBindableUniform = 33,        // GL_EXT_bindable_uniform
        kGpuShader4 = 36,             // GL_EXT_gpu_shader4
        kGpuShader5 = 37,             // GL_ARB_gpu_shader5
        kAtiSeparateStencil = 38,     // GL_ATI_separate_stencil
        kAti3dcCompression = 39,      // GL_ATI_texture_compression_3dc
        kTessellationShader = 41,     // GL_ARB_tessellation_shader
        kMajor3 = 42,                 // major 3 or later
        kVersion31 = 43,              // 3.1 or later
        kVersion32 = 44,              // 3.2 or later
        kVersion33 = 45,              // 3.3 or later
        kMajor4 = 46,                 // major 4 or later
        kMinor1Major4 = 47,           // major 4 or later and minor 1 or later: 5.0 leaves it clear
    };

    GlProbe() = default;
    ~GlProbe();
    GlProbe(const GlProbe&) = delete;
    GlProbe& operator=(const GlProbe&) = delete;

    // Creates the hidden window and the context and probes; false when no context could be
    // made (the fields then keep their defaults). Must run on the thread that owns the video
    // subsystem (the main thread).
    bool Create(int32_t x, int32_t y, int32_t width, int32_t height, int32_t major, int32_t minor);
    // Why the last Create failed ("" after a success); also logged.
    std::string failure;
    // Deletes the context and the window; harmless when nothing was created.
    void Release();

    bool HasExtension(const char* name) const;
    // A Capability; any other index reads false.
    bool Flag(int index) const;

    bool context_ready = false;
    bool attrib_context = false;     // made with a version/profile request
    std::string vendor = "n.a.";
    std::string renderer = "n.a.";
    std::string version_string;
    std::string glsl_version = "n.a.";
    GlVersion version;
    std::vector<std::string> extensions;
    uint32_t gl_extension_count = 0;
    std::vector<MsaaMode> msaa_modes;
    int32_t max_samples = 1;
    int32_t plain_format = 0;
    GlLimits limits;
    RendererIdentity render_identity;   // which device renders this context
    bool glew_warning = false;       // glewInit complained (EGL contexts) but entry points loaded
    bool egl = false;

private:
    void SetFlag(Capability flag, bool value);
    void ReadVersion();
    void BuildExtensionList(const std::string& windowSystemExtensions);
    void ProbeLimits();

    bool flags_[kNumFlags] = {};
    SDL_Window* window_ = nullptr;
    void* context_ = nullptr;
    bool videoInitialised_ = false;
};

}  // namespace Ridudedozu
