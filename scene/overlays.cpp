// The overlays bound to the OpenGL 4 scene: post-processing around the sphere, the sensor poll,
// the temperature graphs through the scene's 2D slots and the text HUD through its font.
#include "scene/overlays.h"

#include <GL/gl.h>

#include <algorithm>
#include <string>

#include "core/log_file.h"
#include "core/machine_records.h"
#include "core/startup_options.h"
#include "gfx/bitmap_font.h"
#include "gfx/gl_context.h"
#include "gfx/gpu_program.h"
#include "gfx/mesh.h"
#include "gfx/mesh_render_options.h"
#include "gfx/polyline.h"
#include "gfx/render_target.h"
#include "gpuinfo/siliscan.h"
#include "scene/demo_opengl4.h"
#include "scene/hud.h"
#include "scene/post_processing.h"
#include "results/scoring.h"
#include "scene/sensor_poll.h"
#include "scene/temperature_graph.h"

namespace {

// The graph's drawing through the scene: its slots 8 to 11, its line strip and the HUD font.
class SceneGraphCanvas final : public GraphCanvas {
public:
    explicit SceneGraphCanvas(cHx7PDemo_OpenGL_4& scene) : scene_(scene) {}
    void Begin2D(int width, int height, float zNear, float zFar) override { scene_.Begin2D(width, height, zNear, zFar); }
    void End2D() override { scene_.End2D(); }
    void SetStripVertex(unsigned index, const float xyzw[4]) override { scene_.graphStrip->SetVertex(index, xyzw); }
    void DrawGraphStrip(unsigned count) override { scene_.DrawGraphStrip(count); }
    void DrawOverlayLine(const float p1[4], const float c1[4], const float p2[4], const float c2[4], float width,
                         int stippleFactor, unsigned short stipplePattern) override
    {
        scene_.DrawOverlayLine(p1, c1, p2, c2, width, stippleFactor, stipplePattern);
    }
    void DrawText(int x, int y, const float rgba[4], const char* text) override
    {
        if (scene_.hudFont)
            scene_.hudFont->DrawString(x, y, rgba[0], rgba[1], rgba[2], rgba[3], text);
    }

private:
    cHx7PDemo_OpenGL_4& scene_;
};

// Only the render thread draws graphs, and one scene exists at a time: one window buffer serves
// every GPU in turn without a per-frame allocation.
GraphWindow& SharedGraphWindow()
{
    static GraphWindow window;
    return window;
}

void DrawGraphs(cHx7PDemo_OpenGL_4& scene)
{
    if (!scene.graphStrip) {
        scene.graphStrip = std::make_unique<cHx7PPolyline>();
        scene.graphStrip->Allocate(kGraphCapacity);
        scene.graphStrip->SetSize(scene.width, scene.height);
    }
    SceneGraphCanvas canvas(scene);
    GraphWindow& window = SharedGraphWindow();
    const std::size_t gpus = std::min({static_cast<std::size_t>(scene.gpuCount), scene.temperatureHistory.size(),
                                       scene.graphExtremes.size()});
    for (std::size_t i = 0; i < gpus; ++i) {
        const std::vector<cHx7PTemperatureSample>& history = scene.temperatureHistory[i];
        if (history.empty() || !(history.front().temperature > 0.0f))
            continue;
        window.Fill(history.size(), [&](std::size_t k) { return history[k].temperature; });
        cHx7PGraphExtremes& stored = scene.graphExtremes[i];
        GraphExtremes extremes{stored.maximum, stored.minimum, stored.started};
        const char* name = i < scene.gpuRecords.size() ? scene.gpuRecords[i].name : "";
        DrawTemperatureGraph(canvas, scene.width, scene.height, static_cast<unsigned>(i), name,
                             history.front().temperature, window.Samples(), extremes);
        stored.maximum = extremes.maximum;
        stored.minimum = extremes.minimum;
        stored.started = extremes.started;
    }
}

}  // namespace

HudInputs GatherHudInputs(const cHx7PDemo_OpenGL_4& scene)
{
    const StartupOptions& o = g_startup_options;
    HudInputs in;
    in.runMode = o.active_run_mode;
    in.requestedWidth = o.active_width;
    in.requestedHeight = o.active_height;
    in.windowWidth = scene.width;
    in.currentFps = scene.runFigures.currentFps;
    in.minFps = scene.runFigures.minFps;
    in.maxFps = scene.runFigures.maxFps;
    in.avgFps = scene.runFigures.avgFps;
    in.warmupDone = scene.runFigures.warmupDone;
    in.elapsedMs = scene.runFigures.elapsedMs;
    in.totalFrames = scene.runFigures.totalFrames;
    Ridudedozu::SiliscanLib* lib = Ridudedozu::SiliscanLib::Instance();
    const char* renderer = lib ? lib->GetMainRenderer() : nullptr;
    in.renderer = renderer ? renderer : "";
    in.vendorId = g_machine_facts.main_vendor_id;
    in.deviceId = g_machine_facts.main_device_id;
    // The mode the context got: a refused one ran without multisampling.
    in.aaMode = scene.hasSampleBuffers ? o.aa_mode : "Off";
    in.tessLevel = o.tess_level;
    in.tessLevelInner = o.tess_level_inner;
    in.tessLevelOuter = o.tess_level_outer;
    in.sphereTriangles = scene.sphereMesh ? scene.sphereMesh->GetTriangleCount() : 0;
    in.progressPercent = ProgressPercent(o.active_time_based, in.elapsedMs, o.active_duration_ms, in.totalFrames,
                                         o.active_max_frames);
    in.gpuzAvailable = scene.gpuzAvailable;
    in.gpuzCoreClock = g_sensor_readings.core_clock;
    in.gpuzMemoryClock = g_sensor_readings.memory_clock;
    in.gpuzTemperature = g_sensor_readings.gpu_temperature;
    in.gpuzPower = g_sensor_readings.power;
    in.gpuzCurrent = g_sensor_readings.core_current;
    in.gpuzStale = g_sensor_readings.gpuz_stale;
    in.showHelp = scene.showHelp.load() != 0;
    in.checkFrames = scene.runFigures.checkFrames;
    in.errorEvents = scene.runFigures.errorEvents;
    in.gpuFrameMs = scene.runFigures.gpuFrameMs;
    return in;
}

void CreatePostProcessing(cHx7PDemo_OpenGL_4& scene)
{
    ReleasePostProcessing(scene);
    // The target exists whether or not an effect was chosen ("Off" keeps it unused), so the
    // effect can be judged against the same memory footprint.
    // The scene is drawn into the target, not the window, when an effect runs: the target
    // itself carries the run's multisampling then, or the user's MSAA level would be lost.
    const int samples = g_startup_options.render_post_fx ? MultisampleSamplesForName(g_startup_options.aa_mode) : 0;
    auto target = std::make_unique<cHx7PRenderTarget>();
    const bool complete = scene.width > 0 && scene.height > 0 &&
                          target->Init(static_cast<uint32_t>(scene.width), static_cast<uint32_t>(scene.height),
                                       samples);
    scene.postFxTarget = std::move(target);
    if (!complete)
        return;
    if (samples > 1 && scene.postFxTarget->GetSamples() > 1)
        ProgramLog().Write("Post-processing: the scene is drawn with %dX MSAA and resolved before the effect.",
                           scene.postFxTarget->GetSamples());
    else if (samples > 1)
        ProgramLog().Write("ERROR - Post-processing: %dX MSAA render target NOT supported; the effect sees a "
                           "picture without multisampling.",
                           samples);
    std::string error;
    PostFxProgram fx = CreatePostFxProgram(PostFxKindFor(g_startup_options.post_fx_index), scene.width,
                                           scene.height, scene.overlayProjection.data(), &error,
                                           scene.coreProfile);
    if (!fx.program) {
        // The run goes on without the effect; the reason is in the log.
        ProgramLog().Write("%s", error.c_str());
        return;
    }
    scene.postFxProgram = std::move(fx.program);
    scene.postFxPositionLoc = fx.positionLoc;
    scene.postFxUVLoc = fx.uvLoc;
}

void ReleasePostProcessing(cHx7PDemo_OpenGL_4& scene)
{
    scene.postFxProgram.reset();
    if (scene.postFxTarget)
        scene.postFxTarget->Release();
    scene.postFxTarget.reset();
    scene.postFxPositionLoc = -1;
    scene.postFxUVLoc = -1;
}

bool IsPostProcessingActive(const cHx7PDemo_OpenGL_4& scene)
{
    return PostFxActive(g_startup_options.render_post_fx != 0, scene.postFxTarget != nullptr,
                        scene.postFxProgram != nullptr);
}

void BeginPostProcessing(cHx7PDemo_OpenGL_4& scene)
{
    if (!IsPostProcessingActive(scene))
        return;
    scene.postFxTarget->Bind();
    if (scene.postFxTarget->GetSamples() > 1)
        glEnable(GL_MULTISAMPLE);
}

void EndPostProcessing(cHx7PDemo_OpenGL_4& scene)
{
    if (!IsPostProcessingActive(scene))
        return;
    scene.postFxTarget->Unbind();   // resolves a multisampled target into its texture
    if (scene.postFxTarget->GetSamples() > 1)
        glDisable(GL_MULTISAMPLE);
    const cHx7PTexture* color = scene.postFxTarget->GetColorTexture(0);
    if (!color)
        return;
    RunPostFxPass(*scene.postFxProgram, color->GetTextureName(), scene.time, scene.width, scene.height, [&] {
        if (!scene.texturedQuad)
            return;
        cHx7PMeshRenderOptions& options = scene.meshOptions;
        options.useNormals = 0;
        options.useUVs = 1;
        options.useColours = 0;
        options.drawPatches = 0;
        scene.texturedQuad->positionLocation = scene.postFxPositionLoc;
        scene.texturedQuad->uvLocation = scene.postFxUVLoc;
        scene.texturedQuad->normalLocation = -1;
        scene.texturedQuad->colourLocation = -1;
        scene.texturedQuad->Render(options);
    });
}

void PollSensors(cHx7PDemo_OpenGL_4& scene, float dtSeconds)
{
    SensorPollState state{scene.pollClock, scene.lastPollTime, scene.gpuRecords, scene.temperatureHistory,
                          scene.gpuzAvailable};
    PollSensorsTick(state, dtSeconds, LibrarySensorSource(), ProcessGpuzSource(), g_sensor_readings);
}

void DrawOverlays(cHx7PDemo_OpenGL_4& scene)
{
    const StartupOptions& o = g_startup_options;
    if (!o.hud_visible)
        return;
    const bool benchmark = o.active_run_mode == kRunModeBenchmark;
    // Every text of the frame (graph labels, HUD lines) goes to the screen in one draw, after
    // the graphs' lines.
    if (scene.hudFont)
        scene.hudFont->BeginBatch();
    // The graphs' frames and curves are stippled and wide fixed-function lines, which a core
    // profile lacks: there the HUD shows its text alone (the same text, and the same cost to
    // the frame, as in a compatibility context).
    if (o.render_temp_graphs && !benchmark && !scene.coreProfile) {
        glViewport(0, 0, scene.width, scene.height);
        DrawGraphs(scene);
    }
    if ((benchmark || o.render_general_indicators) && scene.hudFont)
        ComposeHud(GatherHudInputs(scene), *scene.hudFont);
    if (scene.hudFont)
        scene.hudFont->EndBatch();
}
