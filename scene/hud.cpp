// Text HUD composition. Texts are formatted into one fixed buffer per line; nothing is
// allocated per frame.
#include "scene/hud.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "app/startup_options.h"

namespace {

class LineWriter {
public:
    explicit LineWriter(HudTextSink& sink) : sink_(sink) {}
    __attribute__((format(printf, 5, 6))) void Draw(int x, int y, const float rgba[4], const char* fmt, ...)
    {
        va_list args;
        va_start(args, fmt);
        std::vsnprintf(buffer_, sizeof buffer_, fmt, args);
        va_end(args);
        sink_.DrawText(x, y, rgba, buffer_);
    }

private:
    HudTextSink& sink_;
    char buffer_[512];
};

constexpr const char* kHelpLines[] = {
    "> ESC: quit",
    "> F2: toggle wireframe / solid",
    "> SPACE: toggle tess object",
    "> I: toggle all indicators",
    "> T: toggle temp. graphs",
    "> P: toggle pause animation",
};

}  // namespace

int32_t TessellatedPolygonsK(float outerLevel, uint32_t triangles)
{
    const int64_t perTriangle = static_cast<int64_t>(1.5 * static_cast<double>(outerLevel) * outerLevel);
    return static_cast<int32_t>(perTriangle * static_cast<int64_t>(triangles) / 1000);
}

void ComposeHud(const HudInputs& in, HudTextSink& sink)
{
    LineWriter out(sink);
    const bool benchmark = in.runMode == 1;
    const bool warmingUp = benchmark && !in.warmupDone;
    const int x = 10;
    // The progress bar occupies the top rows of a measuring benchmark run.
    int y = benchmark && in.warmupDone ? 30 : 10;

    out.Draw(x, y, kHudTitleColor, "%s v%d.%d.%d - %s, %dx%d - %d FPS", kProductTitle, kVersionMajor,
             kVersionMinor, kVersionPatch, benchmark ? "Benchmark mode" : "Demo mode", in.requestedWidth,
             in.requestedHeight, in.currentFps);

    y += 20;
    if (warmingUp) {
        out.Draw(x, y, kHudWarmupColor, "Benchmarking - WARMING-UP...");
    } else {
        // Before the first full second the minimum still holds its start value (above the maximum).
        const int minShown = in.minFps > in.maxFps ? in.currentFps : in.minFps;
        out.Draw(x, y, kHudValueColor, "FPS - min:%d, max:%d, avg:%d", minShown, in.maxFps, in.avgFps);
        y += 15;
        const uint32_t s = in.elapsedMs / 1000;
        out.Draw(x, y, kHudValueColor, "Elapsed time: %.2u:%.2u:%.2u (frames: %lu)", s / 3600, (s % 3600) / 60,
                 s % 60, static_cast<unsigned long>(in.totalFrames));
    }

    y += 20;
    out.Draw(x, y, kHudTitleColor, "OpenGL renderer: %s (%.4X-%.4X) - MSAA: %s", in.renderer ? in.renderer : "",
             in.vendorId, in.deviceId, in.aaMode ? in.aaMode : "");

    y += 20;
    out.Draw(x, y, kHudValueColor, "Tessellation level: %.1f", static_cast<double>(in.tessLevel));
    if (in.tessLevelInner == in.tessLevelOuter) {
        y += 15;
        out.Draw(x, y, kHudValueColor, "- tessellated polygons: %dK",
                 TessellatedPolygonsK(in.tessLevelOuter, in.sphereTriangles));
    }

    y += 20;
    if (benchmark) {
        if (in.warmupDone)
            out.Draw(in.windowWidth / 2 - 10, 10, kHudValueColor, "%d %%", in.progressPercent);
        return;
    }

    if (in.gpuzAvailable) {
        if (in.gpuzPower > 0.0f)
            out.Draw(x, y, kHudGpuzColor, "GPU-Z - core:%dMHz, mem:%dMHz, GPU temp:%d\u00B0C, power draw:%dW (%.1fA)",
                     static_cast<int>(in.gpuzCoreClock), static_cast<int>(in.gpuzMemoryClock),
                     static_cast<int>(in.gpuzTemperature), static_cast<int>(in.gpuzPower),
                     static_cast<double>(in.gpuzCurrent));
        else
            out.Draw(x, y, kHudGpuzColor, "GPU-Z - core:%dMHz, mem:%dMHz, GPU temp:%d\u00B0C",
                     static_cast<int>(in.gpuzCoreClock), static_cast<int>(in.gpuzMemoryClock),
                     static_cast<int>(in.gpuzTemperature));
        y += 20;
    }

    out.Draw(x, y, kHudHelpColor, "> F1: toggle help");
    y += 15;
    if (in.showHelp) {
        for (const char* line : kHelpLines) {
            out.Draw(x, y, kHudHelpColor, "%s", line);
            y += 15;
        }
    }
}
