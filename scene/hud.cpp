// Text HUD composition. Texts are formatted into one fixed buffer per line; nothing is
// allocated per frame.
#include "scene/hud.h"

#include "core/startup_options.h"
#include "scene/tessellation.h"

namespace {

// The four components of a colour table entry, for DrawText's argument list.
#define HUD_RGBA(c) c[0], c[1], c[2], c[3]

constexpr const char* kHelpLines[] = {
    "> ESC: quit",
    "> F2: toggle wireframe / solid",
    "> SPACE: toggle tess object",
    "> I: toggle all indicators",
    "> T: toggle temp. graphs",
    "> P: toggle pause animation",
};

}  // namespace

void ComposeHud(const HudInputs& in, cHx7PTextSink& out)
{
    const bool benchmark = in.runMode == kRunModeBenchmark;
    const bool warmingUp = benchmark && !in.warmupDone;
    const int x = 10;
    // The progress bar occupies the top rows of a measuring benchmark run.
    int y = benchmark && in.warmupDone ? 30 : 10;

    out.DrawText(x, y, HUD_RGBA(kHudTitleColor), "%s v%d.%d.%d - %s, %dx%d - %d FPS", kProductTitle, kVersionMajor,
             kVersionMinor, kVersionPatch, benchmark ? "Benchmark mode" : "Demo mode", in.requestedWidth,
             in.requestedHeight, in.currentFps);

    y += 20;
    if (warmingUp) {
        out.DrawText(x, y, HUD_RGBA(kHudWarmupColor), "Benchmarking - WARMING-UP...");
    } else {
        // Before the first full second the minimum still holds its start value (above the maximum).
        const int minShown = in.minFps > in.maxFps ? in.currentFps : in.minFps;
        out.DrawText(x, y, HUD_RGBA(kHudValueColor), "FPS - min:%d, max:%d, avg:%d", minShown, in.maxFps, in.avgFps);
        y += 15;
        const uint32_t s = in.elapsedMs / 1000;
        out.DrawText(x, y, HUD_RGBA(kHudValueColor), "Elapsed time: %.2u:%.2u:%.2u (frames: %lu)", s / 3600, (s % 3600) / 60,
                 s % 60, static_cast<unsigned long>(in.totalFrames));
    }

    y += 20;
    if (std::isfinite(in.gpuFrameMs))
        out.DrawText(x, y, HUD_RGBA(kHudTitleColor), "OpenGL renderer: %s (%.4X-%.4X) - MSAA: %s - GPU: %.2f ms/frame",
                     in.renderer ? in.renderer : "", in.vendorId, in.deviceId, in.aaMode ? in.aaMode : "", in.gpuFrameMs);
    else
        out.DrawText(x, y, HUD_RGBA(kHudTitleColor), "OpenGL renderer: %s (%.4X-%.4X) - MSAA: %s", in.renderer ? in.renderer : "",
                 in.vendorId, in.deviceId, in.aaMode ? in.aaMode : "");

    y += 20;
    out.DrawText(x, y, HUD_RGBA(kHudValueColor), "Tessellation level: %.1f", static_cast<double>(in.tessLevel));
    if (in.tessLevelInner == in.tessLevelOuter) {
        y += 15;
        out.DrawText(x, y, HUD_RGBA(kHudValueColor), "- tessellated polygons: %dK",
                 TessellatedPolygonsK(in.tessLevelOuter, in.sphereTriangles));
    }

    y += 20;
    if (benchmark) {
        if (in.warmupDone)
            out.DrawText(in.windowWidth / 2 - 10, 10, HUD_RGBA(kHudValueColor), "%d %%", in.progressPercent);
        return;
    }

    if (in.gpuzAvailable) {
        // Values that GPU-Z has stopped updating must not pass for live ones.
        const char* stale = in.gpuzStale ? " - stale: unchanged for 5 s" : "";
        if (in.gpuzPower > 0.0f)
            out.DrawText(x, y, HUD_RGBA(kHudGpuzColor), "GPU-Z - core:%dMHz, mem:%dMHz, GPU temp:%d\u00B0C, power draw:%dW (%.1fA)%s",
                     static_cast<int>(in.gpuzCoreClock), static_cast<int>(in.gpuzMemoryClock),
                     static_cast<int>(in.gpuzTemperature), static_cast<int>(in.gpuzPower),
                     static_cast<double>(in.gpuzCurrent), stale);
        else
            out.DrawText(x, y, HUD_RGBA(kHudGpuzColor), "GPU-Z - core:%dMHz, mem:%dMHz, GPU temp:%d\u00B0C%s",
                     static_cast<int>(in.gpuzCoreClock), static_cast<int>(in.gpuzMemoryClock),
                     static_cast<int>(in.gpuzTemperature), stale);
        y += 20;
    }

    out.DrawText(x, y, HUD_RGBA(kHudHelpColor), "> F1: toggle help");
    y += 15;
    if (in.showHelp) {
        for (const char* line : kHelpLines) {
            out.DrawText(x, y, HUD_RGBA(kHudHelpColor), "%s", line);
            y += 15;
        }
    }
    // The stability test's own verdict so far, red once anything went wrong.
    y += 5;
    const float* checkColor = in.errorEvents > 0 ? kHudErrorColor : kHudValueColor;
    out.DrawText(x, y, HUD_RGBA(checkColor), "Checks: %u - errors: %u", in.checkFrames, in.errorEvents);
}
