// The OpenGL 4 benchmark scene: the context, the GPU-side objects and the per-frame drawing of
// the tessellated sphere, the background, the logos and the progress bar. The overlays
// (scene/overlays.h) draw into it through its public fields.
#pragma once

#include <memory>

#include "gfx/gl_debug.h"
#include "gfx/mesh_render_options.h"
#include "gfx/still_layer.h"
#include "scene/demo.h"

class cHx7PGpuProgram;
class cHx7PRenderTarget;
class cHx7PPolyline;

class cHx7PDemo_OpenGL_4 : public cHx7PDemo {
public:
    cHx7PDemo_OpenGL_4();
    ~cHx7PDemo_OpenGL_4() override;

    bool Initialize(SDL_Window* window, int width, int height) override;
    void Terminate() override;
    void RenderFrame(float dtSeconds) override;
    bool RenderCheckFrame(CheckImage& out) override;
    uint32_t GLErrorsSeen() const override { return glErrors.ErrorsSeen(); }
    uint32_t LastGLError() const override { return glErrors.LastError(); }
    uint32_t GraphicsResetStatus() override;
    void Begin2D(int width, int height, float zNear, float zFar) override;
    void End2D() override;
    void DrawGraphStrip(unsigned count) override;
    void DrawOverlayLine(const float p1[4], const float c1[4], const float p2[4],
                         const float c2[4], float width, int stippleFactor,
                         unsigned short stipplePattern) override;

    // Shader programs; null when absent.
    std::unique_ptr<cHx7PGpuProgram> tessProgram;
    std::unique_ptr<cHx7PGpuProgram> texturedProgram;
    std::unique_ptr<cHx7PGpuProgram> colorProgram;
    std::unique_ptr<cHx7PGpuProgram> postFxProgram;

    // Post-processing render target (window size); created by CreatePostProcessing.
    std::unique_ptr<cHx7PRenderTarget> postFxTarget;

    // Check frames (scene/check_frame.cpp): their target, created with the first one, and the
    // camera of the run's first check, which every later one reuses.
    std::unique_ptr<cHx7PRenderTarget> checkTarget;
    float checkCamera[4] = {};
    bool haveCheckCamera = false;

    // The background as the frame shows it, drawn once per frame size; each frame samples it
    // one texel per pixel. With copyBackground off the image itself is drawn every frame
    // instead; both give the same pixels.
    cHx7PStillLayer backgroundLayer;
    uint8_t copyBackground = 1;

    // Graph line strip, created on the first graph draw.
    std::unique_ptr<cHx7PPolyline> graphStrip;

    // Attribute locations, -1 until queried.
    int32_t tessPositionLoc = -1;
    int32_t tessNormalLoc = -1;
    int32_t tessUVLoc = -1;
    int32_t texturedPositionLoc = -1;
    int32_t texturedUVLoc = -1;
    int32_t colorPositionLoc = -1;
    int32_t postFxPositionLoc = -1;
    int32_t postFxUVLoc = -1;

    // Draw options shared by every mesh draw; each draw sets the switches it needs.
    cHx7PMeshRenderOptions meshOptions;

    // Whether the context has multisample buffers (decides per-frame multisampling).
    bool hasSampleBuffers = false;

    // The context has the core profile (asked for with /gl3_core_profile, or what the
    // version chain ended on): core shader sources, no fixed-function call, no HUD.
    bool coreProfile = false;
    // --gl-debug: the driver's messages are logged and glGetError is read after each step.
    bool glDebug = false;
    // glGetError checks of the frame loop (once a second, or per step under --gl-debug).
    cHx7PGLErrorWatch glErrors;

    // Most patches one draw call may hold (driver workaround); 0 = the whole mesh in one draw.
    uint32_t maxPatchesPerDraw = 0;

    // Everything RenderFrame does except presenting: the finished frame stays in the back
    // buffer (tests and the validation run read it there).
    void DrawFrame(float dtSeconds);

    // Frame step 5 on its own: animates and draws the tessellated sphere with the current
    // state (RenderFrame calls it when the object is shown).
    void DrawSphere();

private:
    bool initialisedOk = false;   // Initialize got to its end
    bool FailInitialize(const char* format, const char* detail);
    // Under --gl-debug: what the frame step just done left in glGetError.
    void CheckStep(const char* step)
    {
        if (glDebug)
            glErrors.CheckStep(step);
    }
    bool CreatePrograms();
    void AnimateSphere();
    void DrawSpherePatches();
    void SetDrawOptions(bool normals, bool uvs, bool patches);
    void DrawTexturedQuad(uint32_t textureName);
    void DrawColorQuad(float r, float g, float b, float a);
    void DrawBackground();
    void DrawLogos();
    void DrawProgressBar(float dtSeconds);
};

// A new cHx7PDemo_OpenGL_4 for a run (the render thread's default scene).
std::unique_ptr<cHx7PDemo> CreateOpenGL4Demo();
