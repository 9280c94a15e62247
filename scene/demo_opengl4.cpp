// The OpenGL 4 benchmark scene: context, programs, textures and the frame.
#include "scene/demo_opengl4.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "core/gnu_options.h"
#include "core/log_file.h"
#include "core/message_box.h"
#include "core/machine_records.h"
#include "core/startup_options.h"
#include "gfx/bitmap_font.h"
#include "gfx/gl_context.h"
#include "gfx/gl_procs.h"
#include "gfx/gl_workarounds.h"
#include "gfx/gpu_program.h"
#include "gfx/mesh.h"
#include "gfx/polyline.h"
#include "gfx/render_target.h"
#include "gfx/texture.h"
#include "gpuinfo/gl_probe.h"
#include "scene/overlays.h"
#include "scene/scene_assets.h"
#include "results/scoring.h"
#include "scene/shader_source.h"
#include "scene/tessellation.h"

namespace {

// What the results report of the context the run renders with: the driver's own names, the
// profile it gave and the swap interval it accepted.
void RecordContextFacts(bool swapIntervalAccepted)
{
    const auto text = [](GLenum name) {
        const char* t = reinterpret_cast<const char*>(glGetString(name));
        return t ? t : "";
    };
    SystemInfo& s = g_system_info;
    std::snprintf(s.gl_vendor, sizeof s.gl_vendor, "%s", text(GL_VENDOR));
    std::snprintf(s.gl_renderer, sizeof s.gl_renderer, "%s", text(GL_RENDERER));
    std::snprintf(s.gl_version, sizeof s.gl_version, "%s", text(GL_VERSION));
    GLint mask = 0;
    glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &mask);
    const char* profile = (mask & GL_CONTEXT_CORE_PROFILE_BIT)            ? "core"
                          : (mask & GL_CONTEXT_COMPATIBILITY_PROFILE_BIT) ? "compatibility"
                                                                          : "";
    std::snprintf(s.gl_profile, sizeof s.gl_profile, "%s", profile);
    // Unknown (null in the results) when the driver refused the request.
    s.swap_interval = swapIntervalAccepted ? SDL_GL_GetSwapInterval() : kSwapIntervalNotRead;
}

// Stage indices of cHx7PGpuProgram::AddShader.
constexpr int kStageVertex = 0;
constexpr int kStagePixel = 1;
constexpr int kStageTessControl = 3;
constexpr int kStageTessEvaluation = 4;
constexpr GLenum kTextureMaxAnisotropy = 0x84FE;   // GL_TEXTURE_MAX_ANISOTROPY_EXT

// The embedded source for the context's profile; empty when the build lacks it.
std::string ShaderText(std::string_view name, bool coreProfile)
{
    const std::span<const unsigned char> bytes = SceneResource(name);
    if (bytes.empty())
        return {};
    // The embedded data is followed by a zero byte, so it is a C string.
    return ShaderSourceForProfile(reinterpret_cast<const char*>(bytes.data()), coreProfile);
}

const char* TextPointer(const std::string& text) { return text.empty() ? nullptr : text.c_str(); }
size_t TextLength(const std::string& text) { return text.empty() ? 0 : text.size() + 1; }

// The compiler's or linker's log; a driver that refuses a stage without one (softpipe with a
// forced version string has no tessellation at all) is described by what it offers instead.
const char* LogText(cHx7PGpuProgram& program)
{
    const char* log = program.GetLastLog();
    if (log && *log)
        return log;
    static thread_local char reason[512];
    const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    GLint maxTessLevel = 0;
    glGetIntegerv(GL_MAX_TESS_GEN_LEVEL, &maxTessLevel);
    while (glGetError() != GL_NO_ERROR) {
    }
    std::snprintf(reason, sizeof reason,
                  "the driver gave no log (%s, OpenGL %s, maximum tessellation level %d)",
                  renderer ? renderer : "unknown renderer", version ? version : "unknown", maxTessLevel);
    return reason;
}

void BindTextureUnit(GLenum unit, const cHx7PTexture* texture)
{
    Hx7PGLProcs.glActiveTexture(unit);
    glBindTexture(GL_TEXTURE_2D, texture ? texture->GetTextureName() : 0);
}

}  // namespace

cHx7PDemo_OpenGL_4::cHx7PDemo_OpenGL_4()
{
    apiCode = 4;
}

cHx7PDemo_OpenGL_4::~cHx7PDemo_OpenGL_4()
{
    // GL objects must go while the context still exists.
    Terminate();
}

bool cHx7PDemo_OpenGL_4::FailInitialize(const char* format, const char* detail)
{
    ShowErrorBox(format, detail);
    Terminate();
    return false;
}

bool cHx7PDemo_OpenGL_4::Initialize(SDL_Window* targetWindow, int w, int h)
{
    StartupOptions& o = g_startup_options;
    std::snprintf(apiName, sizeof apiName, "OpenGL 4");
    if (!cHx7PDemo::Initialize(targetWindow, w, h))
        return FailInitialize("%s", "OpenGL initialization failed!");

    glDebug = g_automation_options.gl_debug;
    renderContext->debugOutput = glDebug;
    // A GLX request the server refuses must fail this step, not end the process in Xlib.
    bool contextMade = false;
    std::string xError;
    {
        Ridudedozu::XErrorTrap xErrors;
        contextMade = renderContext->Init(targetWindow, static_cast<unsigned>(w),
                                          static_cast<unsigned>(h), 4, o.aa_mode,
                                          o.gl3_core_profile != 0);
        xError = xErrors.Check(targetWindow);
    }
    if (!xError.empty()) {
        ProgramLog().Write("OpenGL 4 - the window's context failed: %s", xError.c_str());
        contextMade = false;
    }
    if (!contextMade)
        return FailInitialize("%s", "OpenGL 4 window creation failed!");
    coreProfile = renderContext->IsCoreProfile();

    // No vertical sync: the frame rate is what is measured.
    renderContext->SetSwapInterval(false);
    apiCode = 4;
    int major = 0, minor = 0;
    if (!GetGLVersion(&major, &minor) || major < 4) {
        const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
        char found[512];
        std::snprintf(found, sizeof found,
                      "This test requires at least an OpenGL 4.0 support.\n\rFound: OpenGL %d.%d on %s.",
                      major, minor, renderer ? renderer : "an unknown renderer");
        return FailInitialize("%s", found);
    }

    std::snprintf(apiName, sizeof apiName, "OpenGL %d.%d", major, minor);
    ProgramLog().Write("OpenGL 4 (%d.%d) context with %s profile init ok.", major, minor,
                       coreProfile ? "core" : "compatibility");
    if (coreProfile && !o.gl3_core_profile)
        ProgramLog().Write("OpenGL 4 - the driver gave a core-profile context for a "
                           "compatibility request: running as with /gl3_core_profile "
                           "(core shaders; the on-screen display shows its text, not its graphs).");
    if (HasVertexArrayObjects())
        ProgramLog().Write(
            "OpenGL 4 VAO (Vertex Array Objects) supported. VAO will be used for mesh rendering.");

    const int sampleBuffers = GetSampleBuffers();
    hasSampleBuffers = sampleBuffers != 0;
    // The samples per pixel the window got (GL_SAMPLE_BUFFERS only says whether it has any).
    GLint samples = 0;
    if (hasSampleBuffers)
        glGetIntegerv(GL_SAMPLES, &samples);
    g_system_info.msaa_samples = hasSampleBuffers ? samples : 0;
    g_system_info.scene_width = w;
    g_system_info.scene_height = h;
    RecordContextFacts(renderContext->SwapIntervalAccepted());
    glDisable(GL_MULTISAMPLE);

    const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    const DriverWorkarounds workarounds = WorkaroundsFor(renderer);
    maxPatchesPerDraw = PatchesPerDraw(
        workarounds,
        WholeTessLevel(std::max(o.tess_level_outer, o.tess_level_inner)));

    overlayProjection = MatOverlayProjection();

    CreatePostProcessing(*this);

    if (!CreatePrograms())
        return false;   // CreatePrograms has reported and terminated

    meshOptions = cHx7PMeshRenderOptions{};
    meshOptions.useColours = 1;
    meshOptions.drawPatches = 1;

    // Slot order is the upload order. A texture beyond the driver's size limit stays on the
    // CPU side and is drawn as unbound, which is logged by the texture itself.
    // Without the extension the parameter is an invalid-enum error, and there is nothing to undo.
    const bool anisotropyToOne = workarounds.noAnisotropicFiltering &&
                                 (HasGLExtension("GL_EXT_texture_filter_anisotropic") ||
                                  HasGLExtension("GL_ARB_texture_filter_anisotropic"));
    Hx7PGLProcs.glActiveTexture(GL_TEXTURE0);
    for (auto& texture : textures)
        if (texture && texture->CreateGLTexture(false) && anisotropyToOne)
            glTexParameterf(GL_TEXTURE_2D, kTextureMaxAnisotropy, 1.0f);   // still bound
    glBindTexture(GL_TEXTURE_2D, 0);

    // The font draws with shaders only, so a core context shows the HUD text as well.
    if (hudFont) {
        hudFont->Create(12, "Arial");
        hudFont->SetViewport(0, 0, w, h);
    }

    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glDisable(GL_CULL_FACE);
    if (!coreProfile)
        glShadeModel(GL_SMOOTH);
    CheckStep("initialisation");
    initialisedOk = true;
    return true;
}

bool cHx7PDemo_OpenGL_4::CreatePrograms()
{
    const StartupOptions& o = g_startup_options;

    // Tessellation program: vertex, control, evaluation, pixel, in that order.
    tessProgram = std::make_unique<cHx7PGpuProgram>();
    const struct {
        int stage;
        const char* file;
        const char* failure;
    } stages[] = {
        {kStageVertex, "tess_vs.glsl", "Vertex shader creation failed: %s"},
        {kStageTessControl, "tess_tcs.glsl", "Tessellation control shader creation failed: %s"},
        {kStageTessEvaluation, "tess_tes.glsl",
         "Tessellation evaluation shader creation failed: %s"},
        {kStagePixel, "tess_fs.glsl", "Pixel shader creation failed: %s"},
    };
    for (const auto& s : stages) {
        const std::string text = ShaderText(s.file, coreProfile);
        if (!tessProgram->AddShader(s.stage, TextPointer(text), TextLength(text)))
            return FailInitialize(s.failure, LogText(*tessProgram));
    }
    if (!tessProgram->Bind())
        return FailInitialize("Shader program creation failed: %s", LogText(*tessProgram));
    tessProgram->SetUniformMatrix4("WorldViewProjectionMatrix", worldViewProjection.data());
    tessProgram->SetUniform1f("tessLevelOuter", o.tess_level_outer);
    tessProgram->SetUniform1f("tessLevelInner", o.tess_level_inner);
    tessPositionLoc = tessProgram->GetAttribLocation("In_Position");
    tessNormalLoc = tessProgram->GetAttribLocation("In_Normal");
    tessUVLoc = tessProgram->GetAttribLocation("In_UV");
    if (sphereMesh) {
        sphereMesh->positionLocation = tessPositionLoc;
        sphereMesh->normalLocation = tessNormalLoc;
        sphereMesh->uvLocation = tessUVLoc;
    }
    cHx7PGpuProgram::Unbind();

    // Two-stage programs from one vertex and one pixel source each.
    auto build = [this](std::unique_ptr<cHx7PGpuProgram>& program, const char* vsFile,
                        const char* fsFile) {
        program = std::make_unique<cHx7PGpuProgram>();
        const std::string vs = ShaderText(vsFile, coreProfile);
        if (!program->SetVertexShader(TextPointer(vs), TextLength(vs)))
            return FailInitialize("Vertex shader creation failed: %s", LogText(*program));
        const std::string fs = ShaderText(fsFile, coreProfile);
        if (!program->SetPixelShader(TextPointer(fs), TextLength(fs)))
            return FailInitialize("Pixel shader creation failed: %s", LogText(*program));
        if (!program->Bind())
            return FailInitialize("Shader program creation failed: %s", LogText(*program));
        return true;
    };

    if (!build(texturedProgram, "textured_vs.glsl", "textured_fs.glsl"))
        return false;
    texturedProgram->SetUniform1f("UVScale", 1.0f);
    texturedProgram->SetUniform1i("colorMap", 0);
    texturedProgram->SetUniformMatrix4("WorldViewProjectionMatrix", overlayProjection.data());
    texturedPositionLoc = texturedProgram->GetAttribLocation("In_Position");
    texturedUVLoc = texturedProgram->GetAttribLocation("In_UV");
    cHx7PGpuProgram::Unbind();

    if (!build(colorProgram, "color_vs.glsl", "color_fs.glsl"))
        return false;
    colorProgram->SetUniformMatrix4("WorldViewProjectionMatrix", overlayProjection.data());
    colorPositionLoc = colorProgram->GetAttribLocation("In_Position");
    cHx7PGpuProgram::Unbind();
    return true;
}

void cHx7PDemo_OpenGL_4::Terminate()
{
    // Only a benchmark that got to render has frames to count.
    if (renderContext && g_startup_options.active_run_mode == kRunModeBenchmark && initialisedOk)
        ProgramLog().Write("Benchmark frames rendered after the warm-up: %u", measuredFrames);
    initialisedOk = false;
    if (renderContext && renderContext->initialized && glDebug) {
        const GLDebugCounts counts = GLDebugOutputCounts();
        ProgramLog().Write("OpenGL debug: %u driver messages (%u errors), %u glGetError errors.",
                           counts.messages, counts.errors, glErrors.ErrorsSeen());
    }
    // Releasing GL names needs the context; without one there are none to release.
    if (renderContext && renderContext->initialized) {
        renderContext->MakeCurrent();
        for (auto& texture : textures)
            if (texture)
                texture->DeleteGLTexture();
        tessProgram.reset();
        texturedProgram.reset();
        colorProgram.reset();
        ReleasePostProcessing(*this);
        postFxProgram.reset();
        postFxTarget.reset();
        checkTarget.reset();
        backgroundLayer.Release();
        graphStrip.reset();
        // Mesh buffers are GL objects too: release them before the context goes.
        for (cHx7PMesh* mesh : {sphereMesh.get(), texturedQuad.get(), colorQuad.get()})
            if (mesh)
                mesh->ReleaseGPU();
        if (hudFont)
            hudFont->Destroy();
    } else {
        // Never reached GL: nothing was created on the GPU side.
        tessProgram.reset();
        texturedProgram.reset();
        colorProgram.reset();
        postFxProgram.reset();
        postFxTarget.reset();
        checkTarget.reset();
        graphStrip.reset();
    }
    cHx7PDemo::Terminate();
}

// The 2D helpers below are the fixed-function pipeline, which a core context lacks: there they
// do nothing (the overlays that use them are off in core contexts anyway).
void cHx7PDemo_OpenGL_4::Begin2D(int w, int h, float zNear, float zFar)
{
    if (coreProfile)
        return;
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glDisable(GL_DEPTH_TEST);
    Hx7PGLProcs.glActiveTexture(GL_TEXTURE1);
    glDisable(GL_TEXTURE_2D);
    Hx7PGLProcs.glActiveTexture(GL_TEXTURE0);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_MULTISAMPLE);
    glDisable(GL_LIGHTING);
    glDisable(GL_BLEND);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(-w / 2.0, w / 2.0, -h / 2.0, h / 2.0, zNear, zFar);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -1.0f);
}

void cHx7PDemo_OpenGL_4::End2D()
{
    if (coreProfile)
        return;
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glPopAttrib();
    glEnable(GL_DEPTH_TEST);
}

void cHx7PDemo_OpenGL_4::DrawGraphStrip(unsigned count)
{
    if (!graphStrip || coreProfile)
        return;
    graphStrip->SetColor(0.0f, 1.0f, 0.2f, 1.0f);
    graphStrip->Draw(0, count);
}

void cHx7PDemo_OpenGL_4::DrawOverlayLine(const float p1[4], const float c1[4], const float p2[4],
                                         const float c2[4], float lineWidth, int stippleFactor,
                                         unsigned short stipplePattern)
{
    if (coreProfile)
        return;
    const bool stippled = stipplePattern != 0xFFFF;
    if (stippled)
        glEnable(GL_LINE_STIPPLE);
    DrawLine(p1, c1, p2, c2, lineWidth, stippleFactor, stipplePattern);
    if (stippled)
        glDisable(GL_LINE_STIPPLE);
}

void cHx7PDemo_OpenGL_4::DrawTexturedQuad(uint32_t textureName)
{
    Hx7PGLProcs.glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, textureName);
    texturedProgram->Bind();
    SetDrawOptions(false, true, false);
    texturedQuad->positionLocation = texturedPositionLoc;
    texturedQuad->uvLocation = texturedUVLoc;
    texturedQuad->normalLocation = -1;
    texturedQuad->colourLocation = -1;
    texturedQuad->Render(meshOptions);
    cHx7PGpuProgram::Unbind();
    glBindTexture(GL_TEXTURE_2D, 0);
}

// Every draw states which arrays take part and whether it draws patches; colours never do
// and both buffers are static.
void cHx7PDemo_OpenGL_4::SetDrawOptions(bool normals, bool uvs, bool patches)
{
    meshOptions.useNormals = normals;
    meshOptions.useUVs = uvs;
    meshOptions.useColours = 0;
    meshOptions.drawPatches = patches;
    meshOptions.usageHints[0] = GL_STATIC_DRAW;
    meshOptions.usageHints[1] = GL_STATIC_DRAW;
}

void cHx7PDemo_OpenGL_4::DrawColorQuad(float r, float g, float b, float a)
{
    colorProgram->Bind();
    colorProgram->SetUniform4f("color", r, g, b, a);
    SetDrawOptions(false, false, false);
    colorQuad->positionLocation = colorPositionLoc;
    colorQuad->uvLocation = -1;
    colorQuad->normalLocation = -1;
    colorQuad->colourLocation = -1;
    colorQuad->Render(meshOptions);
    cHx7PGpuProgram::Unbind();
}

void cHx7PDemo_OpenGL_4::DrawBackground()
{
    glDisable(GL_CULL_FACE);
    glDisable(GL_BLEND);
    const uint32_t image = textures[kTexBackground]->GetTextureName();
    // The image is scaled to the frame through its mipmaps, every frame the same picture: a
    // layer of the frame's size holds it, and the frame samples that one texel per pixel.
    uint32_t layer = 0;
    if (copyBackground)
        layer = backgroundLayer.Texture(width, height, image, [&] {
            glDisable(GL_DEPTH_TEST);
            DrawTexturedQuad(image);
        });
    // Behind everything: drawn after the sphere at the far plane, so the depth test leaves out
    // the pixels the sphere covers instead of shading them twice.
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glDepthRange(1.0, 1.0);
    glDepthMask(GL_FALSE);
    DrawTexturedQuad(layer ? layer : image);
    glDepthRange(0.0, 1.0);
    glDepthFunc(GL_LESS);
    glDepthMask(GL_TRUE);
}

void cHx7PDemo_OpenGL_4::AnimateSphere()
{
    const float t0 = time - pausedTotal;
    if (g_startup_options.map_set == 3) {
        // The camera orbits a resting sphere on a figure of eight in height.
        if (!paused) {
            const float t = t0 * 0.05f;
            cameraPosition[0] = 3.0f * std::cos(t);
            cameraPosition[1] = 3.3f * std::sin(2.0f * t);
            cameraPosition[2] = 3.0f * std::sin(t);
            cameraPosition[3] = 1.0f;
        }
        view = MatLookAt({cameraPosition[0], cameraPosition[1], cameraPosition[2]}, {0, 0, 0},
                         {0, 1, 0});
        world = MatRotation(90.0f, 0.0f, 0.0f);
    } else {
        // The sphere rocks in front of a fixed camera; while paused it keeps its last pose.
        view = MatLookAt({cameraPosition[0], cameraPosition[1], cameraPosition[2]}, {0, 0, 0},
                         {0, 1, 0});
        if (!paused)
            world = MatRotation(90.0f + 15.0f * std::cos(t0), 15.0f * std::sin(t0), 0.0f);
    }
    worldView = MatMultiply(view, world);
    worldViewProjection = MatMultiply(projection, worldView);
    viewProjection = MatMultiply(projection, view);
    normalMatrix = MatUpper3x3(worldView);
}

void cHx7PDemo_OpenGL_4::DrawSphere()
{
    const StartupOptions& o = g_startup_options;
    AnimateSphere();

    SetDrawOptions(true, true, true);
    sphereMesh->positionLocation = tessPositionLoc;
    sphereMesh->normalLocation = tessNormalLoc;
    sphereMesh->uvLocation = tessUVLoc;

    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
    if (cullFaces)
        glEnable(GL_CULL_FACE);
    else
        glDisable(GL_CULL_FACE);
    glPolygonMode(GL_FRONT_AND_BACK, wireframe.load() ? GL_LINE : GL_FILL);

    const cHx7PTexture* diffuse = textures[kTexDiffuse].get();
    const cHx7PTexture* bump = textures[kTexBump].get();
    const cHx7PTexture* normal = textures[kTexNormal].get();
    if (diffuse)
        BindTextureUnit(GL_TEXTURE0, diffuse);
    if (bump)
        BindTextureUnit(GL_TEXTURE1, bump);
    if (normal)
        BindTextureUnit(GL_TEXTURE2, normal);

    cHx7PGpuProgram& p = *tessProgram;
    p.Bind();
    p.SetUniform1f("time", time);
    p.SetUniform1f("tessLevelOuter", o.tess_level_outer);
    p.SetUniform1f("tessLevelInner", o.tess_level_inner);
    p.SetUniform1f("bumpScale", o.bump_scale);
    p.SetUniform1f("UVScale", o.uv_scale);
    p.SetUniform4f("light0_diffuse", o.light0_diffuse[0], o.light0_diffuse[1],
                   o.light0_diffuse[2], 1.0f);
    p.SetUniform4f("light1_diffuse", o.light1_diffuse[0], o.light1_diffuse[1],
                   o.light1_diffuse[2], 1.0f);
    p.SetUniform4f("mat_specular", o.mat_specular[0], o.mat_specular[1], o.mat_specular[2],
                   o.mat_specular[3]);
    p.SetUniform1i("diffuseMap", 0);
    p.SetUniform1i("bumpMap", 1);
    p.SetUniform1i("normalMap", 2);
    p.SetUniformMatrix4("WorldViewProjectionMatrix", worldViewProjection.data());
    p.SetUniformMatrix4("ViewProjectionMatrix", viewProjection.data());
    p.SetUniformMatrix4("WorldMatrix", world.data());
    p.SetUniformMatrix4("ViewMatrix", view.data());
    p.SetUniformMatrix3("NormalMatrix", normalMatrix.data());

    sphereMesh->Bind(meshOptions);
    DrawSpherePatches();
    sphereMesh->Unbind();
    cHx7PGpuProgram::Unbind();
    meshOptions.drawPatches = 0;

    glDisable(GL_CULL_FACE);
    glDisable(GL_BLEND);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    BindTextureUnit(GL_TEXTURE2, nullptr);
    BindTextureUnit(GL_TEXTURE1, nullptr);
    BindTextureUnit(GL_TEXTURE0, nullptr);
}

void cHx7PDemo_OpenGL_4::DrawSpherePatches()
{
    // Consecutive patch ranges where the driver needs them; together exactly the one draw
    // they replace.
    if (maxPatchesPerDraw == 0)
        sphereMesh->Draw(meshOptions);
    else
        sphereMesh->DrawInChunks(meshOptions, maxPatchesPerDraw);
}

void cHx7PDemo_OpenGL_4::DrawLogos()
{
    if (textures[kTexSmallLogo]) {
        glViewport(0, 0, 150, 150);
        glDisable(GL_DEPTH_TEST);
        glDepthMask(GL_FALSE);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        DrawTexturedQuad(textures[kTexSmallLogo]->GetTextureName());
        glDisable(GL_BLEND);
        glEnable(GL_DEPTH_TEST);
        glDepthMask(GL_TRUE);
    }
    if (textures[kTexApiLogo]) {
        glViewport(width - 128, 15, 128, 64);
        glDisable(GL_DEPTH_TEST);
        glDepthMask(GL_FALSE);
        glEnable(GL_BLEND);
        glBlendFunc(GL_ONE_MINUS_SRC_COLOR, GL_ONE);
        Hx7PGLProcs.glActiveTexture(GL_TEXTURE0);
        // Fixed-function texturing switch: meaningless to the program, refused by a core
        // profile.
        if (!coreProfile)
            glEnable(GL_TEXTURE_2D);
        DrawTexturedQuad(textures[kTexApiLogo]->GetTextureName());
        if (!coreProfile)
            glDisable(GL_TEXTURE_2D);
        glDisable(GL_BLEND);
        glEnable(GL_DEPTH_TEST);
        glDepthMask(GL_TRUE);
    }
}

void cHx7PDemo_OpenGL_4::DrawProgressBar(float dtSeconds)
{
    const StartupOptions& o = g_startup_options;
    if (o.active_run_mode != kRunModeBenchmark || !runFigures.warmupDone || !colorProgram)
        return;
    progressWidth += ProgressBarStep(o.active_time_based, width, o.active_duration_ms,
                                     o.active_max_frames, dtSeconds);
    glViewport(0, height - 30, width, 20);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    DrawColorQuad(0.3f, 0.2f, 0.0f, 1.0f);
    glViewport(0, height - 26, static_cast<GLsizei>(progressWidth), 12);
    DrawColorQuad(0.25f, 0.0f, 0.0f, 1.0f);
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
}

void cHx7PDemo_OpenGL_4::RenderFrame(float dtSeconds)
{
    if (!renderContext || !renderContext->initialized)
        return;
    DrawFrame(dtSeconds);
    renderContext->Present();
    if (glDebug)
        CheckStep("present");
    else
        glErrors.Tick(dtSeconds);
    if (g_startup_options.active_run_mode == kRunModeBenchmark && runFigures.warmupDone)
        ++measuredFrames;
}

void cHx7PDemo_OpenGL_4::DrawFrame(float dtSeconds)
{
    if (!renderContext || !renderContext->initialized)
        return;
    const StartupOptions& o = g_startup_options;
    ApplyPauseRequests();
    time += dtSeconds;
    renderContext->MakeCurrent();

    const bool postFx = IsPostProcessingActive(*this);
    if (postFx)
        BeginPostProcessing(*this);
    else if (hasSampleBuffers)
        glEnable(GL_MULTISAMPLE);
    else
        glDisable(GL_MULTISAMPLE);

    glViewport(0, 0, width, height);
    glEnable(GL_DEPTH_TEST);
    glClearDepth(1.0);
    const bool background = drawBackground && textures[kTexBackground] && texturedProgram;
    if (background) {
        glClear(GL_DEPTH_BUFFER_BIT);
    } else {
        glClearColor(o.clear_color[0], o.clear_color[1], o.clear_color[2], 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    CheckStep("clear");

    if (draw_tessellated_object.load() && tessProgram && sphereMesh) {
        DrawSphere();
        CheckStep("sphere");
    }
    if (background) {
        DrawBackground();
        CheckStep("background");
    }
    if (postFx) {
        EndPostProcessing(*this);
        CheckStep("post-processing");
    }
    if (texturedProgram) {
        DrawLogos();
        CheckStep("logos");
    }
    if (!postFx && hasSampleBuffers)
        glDisable(GL_MULTISAMPLE);
    DrawProgressBar(dtSeconds);
    CheckStep("progress bar");
    PollSensors(*this, dtSeconds);
    if (o.hud_visible) {
        glViewport(0, 0, width, height);
        DrawOverlays(*this);
        CheckStep("overlays");
    }
}

std::unique_ptr<cHx7PDemo> CreateOpenGL4Demo() { return std::make_unique<cHx7PDemo_OpenGL_4>(); }
