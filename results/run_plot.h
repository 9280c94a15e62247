// The chart of a run, drawn with Cairo on any surface: the result dialog's chart and the
// --plot files (SVG or PNG) are the same drawing. The upper panel has the frame rate per
// measuring window (left axis, FPS) and the band between the window's median and 99th
// percentile frame time (right axis, ms); the lower panel, when a sensor delivered anything,
// has each GPU's temperature (left axis, degrees C) and core clock (right axis, MHz).
#pragma once

#include "results/run_report.h"

#include <cairo.h>

#include <array>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

// One measuring window of a run, the last partial one included. A value that was not
// measured is NaN and left out of the chart (a gap, never a line to 0).
struct RunPlotSample {
    double second = 0;                 // measured time at the window's end
    double fps = NAN;                  // the window's exact rate
    double p50_ms = NAN, p99_ms = NAN; // the window's frame-time band
    uint32_t gpu_count = 0;
    std::array<double, kMaxRecordedGpus> temperature{NAN, NAN, NAN, NAN};   // degrees C
    std::array<double, kMaxRecordedGpus> core_clock{NAN, NAN, NAN, NAN};    // MHz
};

// A sample of the frame rate and GPU 0's temperature only.
RunPlotSample MakeRunPlotSample(double second, double fps, double temperature);

// One panel: its rectangle in surface pixels and the ranges of its two axes.
struct RunPlotPanel {
    double left = 0, top = 0, right = 1, bottom = 1;
    double left_min = 0, left_max = 1;     // FPS, or degrees C
    double right_min = 0, right_max = 1;   // ms, or MHz
    bool has_left = false, has_right = false;
    double YLeft(double v) const;
    double YRight(double v) const;
};

struct RunPlotLayout {
    double time_min = 0, time_max = 1;     // seconds along x, shared by both panels
    RunPlotPanel rate;                     // FPS and the frame-time band
    RunPlotPanel sensors;                  // temperature and core clock
    bool has_sensors = false;              // the lower panel is drawn
    double X(double second) const;
};

// Chooses rounded axis ranges that hold every valid sample. Non-finite or negative values are
// skipped (temperatures of 0 or below count as no reading), so a broken recorder cannot wreck
// the chart.
RunPlotLayout ComputeRunPlotLayout(const std::vector<RunPlotSample>& samples, double width,
                                   double height);

// Draws the chart into the rectangle (0, 0, width, height) of the context.
void DrawRunPlot(cairo_t* cr, const std::vector<RunPlotSample>& samples, double width,
                 double height);

// Writes the chart to `path`: SVG or PNG by the extension (.svg, .png, any case), through a
// temporary file renamed over the target. False with the reason.
bool WriteRunPlotFile(const std::string& path, const std::vector<RunPlotSample>& samples,
                      std::string* error);
// True when the name ends in .svg or .png.
bool IsRunPlotFileName(const std::string& path);

// Colours (RGB 0 .. 1): the frame rate, the frame-time band, and per GPU its temperature
// (the clock uses the same colour, dashed).
inline constexpr double kPlotFpsColor[3] = {0.10, 0.55, 0.15};
inline constexpr double kPlotBandColor[3] = {0.25, 0.45, 0.85};
inline constexpr double kPlotGpuColors[kMaxRecordedGpus][3] = {
    {0.85, 0.30, 0.05}, {0.60, 0.15, 0.60}, {0.05, 0.55, 0.65}, {0.55, 0.45, 0.05}};
inline constexpr const double* kPlotTempColor = kPlotGpuColors[0];

// The report's measuring windows as chart samples, every window including the last partial one.
std::vector<RunPlotSample> RunPlotSamplesFrom(const RunReport& report);

// Where the result dialog gets its samples from. Without a source of its own, the result
// dialog charts the report's windows.
using RunPlotSource = std::function<std::vector<RunPlotSample>()>;
void SetRunPlotSource(RunPlotSource source);
bool HasRunPlotSource();
std::vector<RunPlotSample> CurrentRunPlotSamples();
