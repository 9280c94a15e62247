// A small chart of a run: frames per second and GPU temperature over the run's seconds, drawn
// with Cairo so that it works on any Cairo surface (the result dialog, an image in tests).
#pragma once

#include "results/frame_time_stats.h"

#include <cairo.h>

#include <functional>
#include <vector>

// One second of a run. A temperature of 0 or below means no reading for that second.
struct RunPlotSample {
    double second = 0;
    double fps = 0;
    double temperature = 0;   // degrees C
};

// Where the chart's data goes, in surface pixels.
struct RunPlotLayout {
    double left = 0, top = 0, right = 0, bottom = 0;   // the plot area
    double time_min = 0, time_max = 1;                 // seconds along x
    double fps_max = 1;                                // FPS axis 0 .. fps_max (left)
    double temp_min = 0, temp_max = 100;               // temperature axis (right)
    bool has_fps = false;
    bool has_temperature = false;
    double X(double second) const;
    double YFps(double fps) const;
    double YTemp(double temperature) const;
};

// Chooses rounded axis ranges that hold every valid sample. Samples with a non-finite value
// are skipped, so a broken recorder cannot wreck the chart.
RunPlotLayout ComputeRunPlotLayout(const std::vector<RunPlotSample>& samples, double width,
                                   double height);

// Draws the chart into the rectangle (0, 0, width, height) of the context.
void DrawRunPlot(cairo_t* cr, const std::vector<RunPlotSample>& samples, double width,
                 double height);

// Line colours (RGB 0 .. 1).
inline constexpr double kPlotFpsColor[3] = {0.10, 0.55, 0.15};
inline constexpr double kPlotTempColor[3] = {0.85, 0.30, 0.05};

// The recorder's per-second samples as chart samples: seconds from the elapsed time, the
// first GPU's temperature (0 when the second recorded no GPU).
std::vector<RunPlotSample> RunPlotSamplesFrom(const FrameTimeStats& stats);

// Where the result dialog gets its samples from. Without a source of its own, the result
// dialog charts the run recorder's samples (RunFrameTimeStats).
using RunPlotSource = std::function<std::vector<RunPlotSample>()>;
void SetRunPlotSource(RunPlotSource source);
bool HasRunPlotSource();
std::vector<RunPlotSample> CurrentRunPlotSamples();
