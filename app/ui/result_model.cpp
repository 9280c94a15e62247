// Result and About texts (see the header).
#include "app/ui/result_model.h"

#include "gpuinfo/siliscan.h"
#include "results/scoring.h"

#include <cmath>
#include <cstdio>

namespace {

std::string Format256(const char* format, auto... args)
{
    char buffer[256];
    std::snprintf(buffer, sizeof(buffer), format, args...);
    return buffer;
}

// Below this average a window's whole frame count is off by more than a tenth (a window
// closes with the frame that passes its second), so the exact rates are shown instead.
constexpr double kWholeFrameFpsFloor = 10.0;

std::string FpsText(const ResultInputs& in)
{
    const RunResult& r = in.result;
    // No window closed (a run shorter than a second): nothing was measured per second.
    if (r.min_fps > r.max_fps)
        return "FPS: min=n.a.  max=n.a.  avg=n.a.";
    const double average = in.elapsed_ms > 0 ? r.total_frames * 1000.0 / in.elapsed_ms : 0.0;
    if (in.elapsed_ms == 0 || average >= kWholeFrameFpsFloor)
        return Format256("FPS: min=%d  max=%d  avg=%d", r.min_fps, r.max_fps, r.avg_fps);
    const auto exact = [](double v) {
        return std::isfinite(v) ? Format256("%.2f", v) : std::string("n.a.");
    };
    return "FPS: min=" + exact(in.fps_min_exact) + "  max=" + exact(in.fps_max_exact) +
           "  avg=" + exact(average);
}

}  // namespace

ResultTexts BuildResultTexts(const ResultInputs& in)
{
    const StartupOptions& o = in.options;
    ResultTexts t;
    const BenchmarkScore score =
        ComputeBenchmarkScore(o.active_time_based, static_cast<uint32_t>(in.result.total_frames),
                              in.elapsed_ms, o.active_duration_ms, o.active_max_frames);
    char buffer[256];
    t.title = FormatResultTitle(buffer, sizeof buffer, score);
    t.score = FormatScoreLine(buffer, sizeof buffer, score);
    t.build = Format256("Build: [%s @ %s]", kBuildDate, kBuildTime);
    t.more_link = "[More on Gridfall...]";

    t.max_temperature = FormatMaxTemperatureLine(buffer, sizeof buffer, in.sensors.has_temperature,
                                                 in.sensors.max_temperature,
                                                 in.sensors.max_current);

    // What the run used: a multisample mode the driver refused ran without one, and an effect
    // index out of range draws nothing.
    const bool postFx = o.render_post_fx && o.post_fx_index >= 1 && o.post_fx_index <= 3;
    t.settings = Format256("Res:%dx%d(%s) - AA:%s - PostFX:%s", o.client_width, o.client_height,
                           o.active_fullscreen ? "FS" : "W",
                           in.system.msaa_samples > 0 ? o.aa_mode : "Off", postFx ? "ON" : "OFF");
    t.fps = FpsText(in);
    t.codepath = Format256("Codepath: %s - Tessellation level: %.1f - Map set %d",
                           o.api3d == 11 ? "Direct3D 11" : "OpenGL 4",
                           static_cast<double>(o.tess_level), o.map_set + 1);

    t.renderer = in.system.renderer;
    t.drivers = in.system.drivers;
    t.cpu = in.system.cpu;
    t.cpu_speed = in.system.cpu_speed;
    t.memory = in.system.memory;
    t.os = in.system.os;

    const SensorReadings& s = in.sensors;
    if (s.gpu0_core_clock > 0.0f) {
        if (in.vendor_kind == Ridudedozu::kVendorNvidia)
            t.clocks = Format256("GPU:%dMHz, mem:%dMHz, shader:%dMHz",
                                 static_cast<int>(s.gpu0_core_clock),
                                 static_cast<int>(s.gpu0_memory_clock),
                                 static_cast<int>(s.gpu0_shader_clock));
        else
            t.clocks = Format256("GPU:%dMHz, mem:%dMHz", static_cast<int>(s.gpu0_core_clock),
                                 static_cast<int>(s.gpu0_memory_clock));
    } else {
        t.clocks = "Data not available";
    }
    return t;
}

std::vector<std::pair<std::string, std::string>> ResultReportLines(const ResultTexts& t)
{
    return {
        {"", t.title},
        {"", t.score},
        {"", t.max_temperature},
        {"", t.settings},
        {"", t.fps},
        {"", t.codepath},
        {"Renderer", t.renderer},
        {"Graphics Drivers", t.drivers},
        {"Clocks", t.clocks},
        {"CPU", t.cpu},
        {"CPU Speed", t.cpu_speed},
        {"System Memory", t.memory},
        {"Operating System", t.os},
        {"", t.build},
    };
}

AboutTexts BuildAboutTexts()
{
    AboutTexts a;
    a.product_line = Format256("%s - v%d.%d.%d - Build [%s @ %s]", kProductTitle, kVersionMajor,
                               kVersionMinor, kVersionPatch, kBuildDate, kBuildTime);
    a.credit = "Tessellation, bump mapping and sensors on OpenGL 4, for Linux desktops.";
    a.notice = "Watch your GPU's temperature: long runs load the card to its limits.";
    return a;
}
