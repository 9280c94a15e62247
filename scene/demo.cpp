// The scene's API-independent half: GPU records, matrices, decoded images, meshes and the
// release of everything it owns.
#include "scene/demo.h"

#include <cstdio>
#include <cstring>

#include "core/startup_options.h"
#include "gfx/bitmap_font.h"
#include "gfx/gl_context.h"
#include "gfx/mesh.h"
#include "gfx/texture.h"
#include "gpuinfo/siliscan.h"
#include "scene/scene_assets.h"

cHx7PDemo::cHx7PDemo() = default;

// Members release themselves; Terminate only matters for the order of GL releases.
cHx7PDemo::~cHx7PDemo() = default;

void cHx7PDemo::ApplyPauseRequests()
{
    uint32_t requests = pauseRequests.exchange(0);
    for (; requests > 0; --requests) {
        if (!paused) {
            pauseStart = time;
            paused = 1;
        } else {
            pauseEnd = time;
            pausedTotal += time - pauseStart;
            paused = 0;
        }
    }
}

void cHx7PDemo::BuildMatrices()
{
    projection = MatSceneProjection(width, height);
    view = MatLookAt({cameraPosition[0], cameraPosition[1], cameraPosition[2]}, {0, 0, 0},
                     {0, 1, 0});
    world = MatIdentity();
    worldView = MatMultiply(view, world);
    worldViewProjection = MatMultiply(projection, worldView);
    viewProjection = MatMultiply(projection, view);
    normalMatrix = MatUpper3x3(worldView);
    overlayProjection = MatOverlayProjection();
}

bool cHx7PDemo::Initialize(SDL_Window* targetWindow, int w, int h)
{
    StartupOptions& o = g_startup_options;
    window = targetWindow;
    width = w;
    height = h;

    // A benchmark measures the GPU under the same conditions every time: no sensor logging or
    // GPU-Z reads competing with the frames, the compatibility profile, the HUD on.
    if (o.active_run_mode == kRunModeBenchmark) {
        o.log_temperature = 0;
        o.gpuz_polling = 0;
        o.gl3_core_profile = 0;
        o.hud_visible = 1;
    }

    Ridudedozu::SiliscanLib* lib = Ridudedozu::SiliscanLib::Instance();
    gpuCount = lib ? lib->GetNumGpus() : 0;
    gpuRecords.assign(gpuCount, cHx7PGpuRecord{});
    temperatureHistory.assign(gpuCount, {});
    graphExtremes.assign(gpuCount, cHx7PGraphExtremes{});
    for (uint32_t i = 0; i < gpuCount; ++i) {
        cHx7PGpuRecord& r = gpuRecords[i];
        const char* name = lib->GetGpuName(i);
        std::snprintf(r.name, sizeof r.name, "%s", name ? name : "");
        r.nameLength = static_cast<uint32_t>(std::strlen(r.name));
        uint32_t subVendor = 0, subDevice = 0;
        if (!lib->GetGpuPciIds(i, &r.vendorId, &r.deviceId, &subVendor, &subDevice)) {
            r.vendorId = 0;
            r.deviceId = 0;
        }
    }

    const float camera[4] = {0.0f, 0.0f, 4.0f, 1.0f};
    std::memcpy(cameraPosition, camera, sizeof camera);
    std::memcpy(o.camera_position, camera, sizeof camera);
    o.uv_scale = 4.0f;
    o.bump_scale = 0.5f;
    o.tess_level_inner = o.tess_level;
    o.tess_level_outer = o.tess_level;

    BuildMatrices();

    renderContext = std::make_unique<cHx7PGLContext>();
    texturedQuad = std::make_unique<cHx7PMesh>();
    texturedQuad->BuildQuad();
    colorQuad = std::make_unique<cHx7PMesh>();
    colorQuad->BuildQuad();
    progressWidth = 0.0f;

    if (!LoadSceneImages(*this, o.map_set, o.image_paths[0]))
        return false;

    sphereMesh = std::make_unique<cHx7PMesh>();
    BuildSceneSphere(*sphereMesh);

    gpuzAvailable = false;
    hudFont = std::make_unique<cHx7PBitmapFont>();
    lastPollTime = -3.0f;
    pollClock = 0.0f;
    return true;
}

void cHx7PDemo::Terminate()
{
    if (!renderContext)
        return;
    sphereMesh.reset();
    texturedQuad.reset();
    colorQuad.reset();
    for (auto& t : textures)
        t.reset();
    hudFont.reset();
    renderContext.reset();
}
