// The text HUD: which lines the frame shows, with their texts, colours and window positions
// (x from the left, y from the top), composed from plain inputs so the same code runs with the
// bitmap font and with a recorder in tests.
#pragma once

#include <cmath>

#include <cstdint>

#include "core/startup_options.h"
#include "gfx/text_sink.h"

// Colours (red, green, blue, alpha).
inline constexpr float kHudTitleColor[4] = {1.0f, 1.0f, 0.0f, 1.0f};     // title and renderer lines
inline constexpr float kHudWarmupColor[4] = {1.0f, 0.1f, 0.1f, 1.0f};
inline constexpr float kHudValueColor[4] = {1.0f, 1.0f, 1.0f, 1.0f};     // figures, progress, graph labels
inline constexpr float kHudGpuzColor[4] = {0.9f, 0.9f, 0.4f, 1.0f};
inline constexpr float kHudHelpColor[4] = {1.0f, 1.0f, 0.1f, 1.0f};
inline constexpr float kHudErrorColor[4] = {1.0f, 0.1f, 0.1f, 1.0f};    // stability errors

// Everything one frame's HUD depends on.
struct HudInputs {
    int32_t runMode = kRunModeBenchmark; // otherwise the stability test ("Demo mode")
    int32_t requestedWidth = 0;          // active_width / active_height
    int32_t requestedHeight = 0;
    int32_t windowWidth = 0;             // the scene's width (places the percentage)
    int32_t currentFps = 0;
    int32_t minFps = 10000;
    int32_t maxFps = 0;
    int32_t avgFps = 0;
    bool warmupDone = false;
    uint32_t elapsedMs = 0;
    uint32_t totalFrames = 0;
    const char* renderer = "";
    uint32_t vendorId = 0;
    uint32_t deviceId = 0;
    const char* aaMode = "";
    float tessLevel = 0.0f;
    float tessLevelInner = 0.0f;
    float tessLevelOuter = 0.0f;
    uint32_t sphereTriangles = 0;
    int32_t progressPercent = 0;         // benchmark progress (ProgressPercent of results/scoring.h)
    bool gpuzAvailable = false;
    float gpuzCoreClock = 0.0f;
    float gpuzMemoryClock = 0.0f;
    float gpuzTemperature = 0.0f;
    float gpuzPower = 0.0f;
    float gpuzCurrent = 0.0f;
    bool gpuzStale = false;              // the GPU-Z line's values are no longer updated
    bool showHelp = false;
    uint32_t checkFrames = 0;            // stability test: check frames drawn
    uint32_t errorEvents = 0;            // and error events so far
    double gpuFrameMs = NAN;             // the newest frame's GPU time; NaN: not measured
};

// Text goes to the HUD font, or to a recording sink in tests.
void ComposeHud(const HudInputs& in, cHx7PTextSink& sink);
