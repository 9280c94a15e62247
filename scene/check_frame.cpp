// Check frames of the OpenGL 4 scene (see scene/check_frame.h).
#include "results/check_image.h"

#include <GL/gl.h>
#include <SDL.h>

#include <cstring>

#include "core/startup_options.h"
#include "gfx/gl_context.h"
#include "gfx/render_target.h"
#include "scene/demo_opengl4.h"

#ifndef GL_GUILTY_CONTEXT_RESET
#define GL_GUILTY_CONTEXT_RESET 0x8253
#endif

namespace {

// Everything drawing the sphere changes or reads that belongs to the running picture.
struct SavedAnimation {
    float time, pausedTotal;
    uint8_t paused;
    float camera[4];
    Mat4 view, world, worldView, worldViewProjection, viewProjection;
    Mat3 normalMatrix;
};

}  // namespace

bool cHx7PDemo_OpenGL_4::RenderCheckFrame(CheckImage& out)
{
    if (!renderContext || !renderContext->initialized || !tessProgram || !sphereMesh)
        return false;
    renderContext->MakeCurrent();
    if (!checkTarget) {
        checkTarget = std::make_unique<cHx7PRenderTarget>();
        if (!checkTarget->Init(kCheckFrameSize, kCheckFrameSize)) {
            checkTarget.reset();
            return false;
        }
    }
    const StartupOptions& o = g_startup_options;
    if (!haveCheckCamera) {
        std::memcpy(checkCamera, cameraPosition, sizeof checkCamera);
        haveCheckCamera = true;
    }

    SavedAnimation saved{time, pausedTotal, paused, {}, view, world, worldView,
                         worldViewProjection, viewProjection, normalMatrix};
    std::memcpy(saved.camera, cameraPosition, sizeof saved.camera);

    // Fixed moment and camera; solid whatever F2 says. A toggle the main thread makes meanwhile
    // is kept: the XOR below restores only what was set aside.
    time = kCheckFrameTime;
    pausedTotal = 0.0f;
    paused = 0;
    std::memcpy(cameraPosition, checkCamera, sizeof checkCamera);
    const uint8_t wireframeWas = wireframe.exchange(0);

    checkTarget->Bind();
    glViewport(0, 0, kCheckFrameSize, kCheckFrameSize);
    glDisable(GL_MULTISAMPLE);
    glClearColor(o.clear_color[0], o.clear_color[1], o.clear_color[2], 1.0f);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    DrawSphere();

    out.width = kCheckFrameSize;
    out.height = kCheckFrameSize;
    out.rgba.resize(static_cast<size_t>(kCheckFrameSize) * kCheckFrameSize * 4);
    GLint packAlignment = 4;
    glGetIntegerv(GL_PACK_ALIGNMENT, &packAlignment);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kCheckFrameSize, kCheckFrameSize, GL_RGBA, GL_UNSIGNED_BYTE, out.rgba.data());
    glPixelStorei(GL_PACK_ALIGNMENT, packAlignment);
    checkTarget->Unbind();
    glViewport(0, 0, width, height);

    wireframe.fetch_xor(wireframeWas);
    time = saved.time;
    pausedTotal = saved.pausedTotal;
    paused = saved.paused;
    std::memcpy(cameraPosition, saved.camera, sizeof saved.camera);
    view = saved.view;
    world = saved.world;
    worldView = saved.worldView;
    worldViewProjection = saved.worldViewProjection;
    viewProjection = saved.viewProjection;
    normalMatrix = saved.normalMatrix;
    return true;
}

uint32_t cHx7PDemo_OpenGL_4::GraphicsResetStatus()
{
    // GL 4.5 and the robustness extensions; without a robust context the driver may only ever
    // answer GL_NO_ERROR, which reads as "intact".
    using ResetStatusProc = GLenum(APIENTRY*)();
    static const ResetStatusProc proc = [] {
        for (const char* name : {"glGetGraphicsResetStatus", "glGetGraphicsResetStatusARB",
                                 "glGetGraphicsResetStatusKHR"})
            if (void* p = SDL_GL_GetProcAddress(name))
                return reinterpret_cast<ResetStatusProc>(p);
        return static_cast<ResetStatusProc>(nullptr);
    }();
    if (!proc || !renderContext || !renderContext->initialized)
        return 0;
    const GLenum status = proc();
    return status >= GL_GUILTY_CONTEXT_RESET && status <= GL_GUILTY_CONTEXT_RESET + 2 ? status : 0;
}
