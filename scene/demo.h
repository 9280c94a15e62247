// The benchmark scene's abstract base: API-independent state of the scene (matrices, decoded
// images, meshes, GPU records, sensor histories) and the virtual operations the render thread
// and the temperature graph call. Every operation runs on the render thread, except the key
// toggles, which the main thread flips (single-byte atomics, read once per frame).
//
// The fields are public on purpose: the overlays (HUD, temperature graphs, post-processing,
// sensor poll) work directly on the scene's state, as the frame loop does.
#pragma once

#include <array>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include "results/check_image.h"
#include "scene/matrices.h"

struct SDL_Window;
class cHx7PGLContext;
class cHx7PTexture;
class cHx7PMesh;
class cHx7PBitmapFont;

// One GPU as the scene knows it: identity taken at Initialize, clock maxima over the GPU's
// performance levels found at the last sensor poll.
struct cHx7PGpuRecord {
    char name[128] = {};
    uint32_t nameLength = 0;
    uint32_t vendorId = 0;
    uint32_t deviceId = 0;
    float maxCoreClock = 0.0f;     // MHz
    float maxMemoryClock = 0.0f;   // MHz
    float maxShaderClock = 0.0f;   // MHz
    float maxVoltage = 0.0f;       // V
    // Latest board power (W) and fan speed (percent, RPM); NaN where the driver has none.
    float power = std::numeric_limits<float>::quiet_NaN();
    float fanPercent = std::numeric_limits<float>::quiet_NaN();
    float fanRpm = std::numeric_limits<float>::quiet_NaN();
};

// One temperature sample of a GPU: degrees C, two unused values, and pollClock (seconds) at the
// time of the sample.
struct cHx7PTemperatureSample {
    float temperature = 0.0f;
    float reserved0 = 0.0f;
    float reserved1 = 0.0f;
    float clock = 0.0f;
};

// Graph extremes of one GPU, kept from frame to frame. `started` is false until the GPU's first
// graph, which sets minimum = its first sample and maximum = 0.
struct cHx7PGraphExtremes {
    float maximum = 0.0f;
    float minimum = 0.0f;
    bool started = false;
};

// The run's figures that the HUD and the progress bar show: handed in by the frame loop before
// every frame, so the scene reads no run state of its own.
struct cHx7PRunFigures {
    int32_t currentFps = 0;
    int32_t minFps = 0;
    int32_t maxFps = 0;
    int32_t avgFps = 0;
    bool warmupDone = false;
    uint32_t elapsedMs = 0;
    uint32_t totalFrames = 0;
    uint32_t checkFrames = 0;     // stability test: check frames drawn and error events so far
    uint32_t errorEvents = 0;
    double gpuFrameMs = NAN;      // the newest frame's GPU time (timer queries); NaN: none
};

// Texture slots. The numbering is also the upload order of the GL scene.
enum cHx7PTextureSlot : int {
    kTexDiffuse = 0,
    kTexBump = 1,
    kTexNormal = 2,
    kTexSpare3 = 3,
    kTexBackground = 4,
    kTexSpare5 = 5,
    kTexSmallLogo = 6,
    kTexSpare7 = 7,
    kTexSpare8 = 8,
    kTexApiLogo = 9,
    kTextureSlotCount = 10,
};

class cHx7PDemo {
public:
    cHx7PDemo();
    virtual ~cHx7PDemo();
    cHx7PDemo(const cHx7PDemo&) = delete;
    cHx7PDemo& operator=(const cHx7PDemo&) = delete;

    // Builds the API-independent state; a derived Initialize calls this first.
    virtual bool Initialize(SDL_Window* window, int width, int height);
    // Releases meshes, textures, fonts and the render context (only while the context exists,
    // so a second call releases nothing).
    virtual void Terminate();
    virtual void RenderFrame(float dtSeconds) = 0;
    // The temperature graph's 2D pass (scene/temperature_graph.cpp).
    virtual void Begin2D(int width, int height, float zNear, float zFar) = 0;
    virtual void End2D() = 0;
    virtual void DrawGraphStrip(unsigned count) = 0;
    virtual void DrawOverlayLine(const float p1[4], const float c1[4], const float p2[4],
                                 const float c2[4], float width, int stippleFactor,
                                 unsigned short stipplePattern) = 0;

    // Stability test (render thread, between frames): draws a check frame (scene/check_frame.h)
    // and reads it back, leaving the scene as it was; false when this scene cannot.
    virtual bool RenderCheckFrame(CheckImage& out) { (void)out; return false; }
    // GL errors the scene's own error checks have seen so far in this run, and the code of
    // the latest (0 when none).
    virtual uint32_t GLErrorsSeen() const { return 0; }
    virtual uint32_t LastGLError() const { return 0; }
    // The context's reset status: 0 (GL_NO_ERROR) while it is intact or when the driver
    // cannot tell, else GL_GUILTY/INNOCENT/UNKNOWN_CONTEXT_RESET.
    virtual uint32_t GraphicsResetStatus() { return 0; }

    // Key toggles (the main thread calls these; ignored by the caller in benchmark runs).
    void ToggleTessellatedObject() { draw_tessellated_object.fetch_xor(1); }
    void ToggleHelp() { showHelp.fetch_xor(1); }
    void ToggleWireframe() { wireframe.fetch_xor(1); }
    // P: pause and resume; the times are taken on the render thread at the next frame.
    void TogglePause() { pauseRequests.fetch_add(1); }
    // Applies the pause toggles requested since the last frame (render thread, frame start).
    void ApplyPauseRequests();

    // Identity.
    int32_t apiCode = 0;
    char apiName[64] = "OpenGL 4";

    // Render context: created (not yet initialised) by Initialize, null before it and after
    // Terminate.
    std::unique_ptr<cHx7PGLContext> renderContext;
    SDL_Window* window = nullptr;

    // Window size passed to Initialize.
    int32_t width = 0;
    int32_t height = 0;

    // Written by the frame loop before each RenderFrame.
    cHx7PRunFigures runFigures;

    // Timing. frameDt is written by the frame loop before each RenderFrame; seconds.
    float frameDt = 0.016f;
    float time = 0.0f;
    // Sensor timer pair (seconds): time of the last poll and the clock stamped on samples.
    float lastPollTime = -3.0f;
    float pollClock = 0.0f;

    // Display toggles.
    std::atomic<uint8_t> draw_tessellated_object{1};
    std::atomic<uint8_t> showHelp{0};
    std::atomic<uint8_t> wireframe{0};
    uint8_t cullFaces = 0;
    uint8_t drawBackground = 1;
    uint8_t paused = 0;
    float pauseStart = 0.0f;
    float pauseEnd = 0.0f;
    float pausedTotal = 0.0f;
    // Pause toggles requested by the main thread and not yet applied by RenderFrame.
    std::atomic<uint32_t> pauseRequests{0};

    // Matrices (column-major).
    Mat4 projection = MatIdentity();
    Mat4 view = MatIdentity();
    Mat4 world = MatIdentity();
    Mat4 worldView = MatIdentity();
    Mat4 worldViewProjection = MatIdentity();
    Mat4 viewProjection = MatIdentity();
    Mat3 normalMatrix = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    float cameraPosition[4] = {0.0f, 0.0f, 4.0f, 1.0f};
    Mat4 overlayProjection = MatIdentity();

    // GPU bookkeeping; every vector holds gpuCount entries after Initialize.
    uint32_t gpuCount = 0;
    std::vector<cHx7PGpuRecord> gpuRecords;
    std::vector<std::vector<cHx7PTemperatureSample>> temperatureHistory;
    std::vector<cHx7PGraphExtremes> graphExtremes;
    bool gpuzAvailable = false;

    // Decoded images (uploaded by the GL scene); slots of cHx7PTextureSlot, null when absent.
    std::array<std::unique_ptr<cHx7PTexture>, kTextureSlotCount> textures;

    // Meshes: the tessellated sphere, the textured unit quad, the flat-colour unit quad.
    std::unique_ptr<cHx7PMesh> sphereMesh;
    std::unique_ptr<cHx7PMesh> texturedQuad;
    std::unique_ptr<cHx7PMesh> colorQuad;

    std::unique_ptr<cHx7PBitmapFont> hudFont;

    // Benchmark progress bar width in pixels.
    float progressWidth = 0.0f;
    // Frames this scene drew after the benchmark warm-up; logged at Terminate so a run's
    // score can be checked against what was actually drawn.
    uint32_t measuredFrames = 0;

    // Temperature graph constants (window pixels relative to the centre, y up): points per
    // graph, left inset, right inset, base line above the bottom, spacing between GPUs, height
    // of the vertical axis.
    int32_t graphCapacity = 1000;
    struct GraphLayout {
        int32_t leftInset = 170;
        int32_t rightInset = 150;
        int32_t baseOffset = 20;
        int32_t gpuSpacing = 200;
        int32_t axisHeight = 180;
    } graphLayout;

protected:
    // Rebuilds projection, view, world, the products and overlayProjection from the current
    // size and camera.
    void BuildMatrices();
};
