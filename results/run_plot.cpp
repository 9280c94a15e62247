// The run chart (see the header).
#include "results/run_plot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// Margins leave room for the axis labels: FPS on the left, degrees on the right.
constexpr double kMarginLeft = 34;
constexpr double kMarginRight = 34;
constexpr double kMarginTop = 16;
constexpr double kMarginBottom = 16;

// The smallest of 1, 2, 5 times a power of ten that is at least value.
double NiceCeil(double value)
{
    if (!(value > 0))
        return 1;
    const double power = std::pow(10.0, std::floor(std::log10(value)));
    for (double step : {1.0, 2.0, 5.0, 10.0})
        if (step * power >= value)
            return step * power;
    return 10 * power;
}

bool Valid(double v) { return std::isfinite(v); }

RunPlotSource& Source()
{
    static RunPlotSource source;
    return source;
}

}  // namespace

double RunPlotLayout::X(double second) const
{
    return left + (second - time_min) / (time_max - time_min) * (right - left);
}

double RunPlotLayout::YFps(double fps) const
{
    return bottom - fps / fps_max * (bottom - top);
}

double RunPlotLayout::YTemp(double temperature) const
{
    return bottom - (temperature - temp_min) / (temp_max - temp_min) * (bottom - top);
}

RunPlotLayout ComputeRunPlotLayout(const std::vector<RunPlotSample>& samples, double width,
                                   double height)
{
    RunPlotLayout l;
    l.left = kMarginLeft;
    l.top = kMarginTop;
    l.right = std::max(l.left + 1, width - kMarginRight);
    l.bottom = std::max(l.top + 1, height - kMarginBottom);

    double tMin = INFINITY, tMax = -INFINITY, fpsMax = 0;
    double tempLo = INFINITY, tempHi = -INFINITY;
    for (const RunPlotSample& s : samples) {
        if (!Valid(s.second))
            continue;
        tMin = std::min(tMin, s.second);
        tMax = std::max(tMax, s.second);
        if (Valid(s.fps) && s.fps >= 0) {
            l.has_fps = true;
            fpsMax = std::max(fpsMax, s.fps);
        }
        if (Valid(s.temperature) && s.temperature > 0) {
            l.has_temperature = true;
            tempLo = std::min(tempLo, s.temperature);
            tempHi = std::max(tempHi, s.temperature);
        }
    }
    if (tMin <= tMax) {
        l.time_min = std::min(0.0, tMin);
        l.time_max = tMax > l.time_min ? tMax : l.time_min + 1;
    }
    l.fps_max = NiceCeil(fpsMax * 1.05);
    if (l.has_temperature) {
        // Whole tens around the readings, at least 20 degrees tall so that sensor noise does
        // not look like a swing.
        l.temp_min = std::floor(tempLo / 10) * 10;
        l.temp_max = std::ceil(tempHi / 10) * 10;
        if (l.temp_max - l.temp_min < 20)
            l.temp_max = l.temp_min + 20;
    }
    return l;
}

void DrawRunPlot(cairo_t* cr, const std::vector<RunPlotSample>& samples, double width,
                 double height)
{
    const RunPlotLayout l = ComputeRunPlotLayout(samples, width, height);
    cairo_save(cr);

    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_rectangle(cr, 0, 0, width, height);
    cairo_fill(cr);

    // Grid: four horizontal divisions, shared by both axes.
    cairo_set_line_width(cr, 1);
    cairo_set_source_rgb(cr, 0.85, 0.85, 0.85);
    for (int i = 0; i <= 4; ++i) {
        const double y = std::round(l.top + (l.bottom - l.top) * i / 4) + 0.5;
        cairo_move_to(cr, l.left, y);
        cairo_line_to(cr, l.right, y);
    }
    cairo_stroke(cr);
    cairo_set_source_rgb(cr, 0.3, 0.3, 0.3);
    cairo_rectangle(cr, l.left + 0.5, l.top + 0.5, l.right - l.left - 1, l.bottom - l.top - 1);
    cairo_stroke(cr);

    auto drawSeries = [&](const double* color, auto value, auto toY, auto valid) {
        cairo_set_source_rgb(cr, color[0], color[1], color[2]);
        cairo_set_line_width(cr, 2);
        bool open = false;
        for (const RunPlotSample& s : samples) {
            if (!Valid(s.second) || !valid(value(s))) {
                open = false;   // a gap, not a line through missing readings
                continue;
            }
            const double x = l.X(s.second);
            const double y = toY(value(s));
            if (open)
                cairo_line_to(cr, x, y);
            else
                cairo_move_to(cr, x, y);
            open = true;
        }
        // A lone sample still shows as a short mark.
        if (samples.size() == 1 && open) {
            double x, y;
            cairo_get_current_point(cr, &x, &y);
            cairo_move_to(cr, x - 3, y);
            cairo_line_to(cr, x + 3, y);
        }
        cairo_stroke(cr);
    };
    if (l.has_fps)
        drawSeries(kPlotFpsColor, [](const RunPlotSample& s) { return s.fps; },
                   [&](double v) { return l.YFps(v); },
                   [](double v) { return Valid(v) && v >= 0; });
    if (l.has_temperature)
        drawSeries(kPlotTempColor, [](const RunPlotSample& s) { return s.temperature; },
                   [&](double v) { return l.YTemp(v); },
                   [](double v) { return Valid(v) && v > 0; });

    // Axis labels: top and bottom values of each axis, and the run's length.
    char text[64];
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, 10);
    cairo_text_extents_t ext;
    cairo_set_source_rgb(cr, kPlotFpsColor[0], kPlotFpsColor[1], kPlotFpsColor[2]);
    std::snprintf(text, sizeof(text), "%.0f", l.fps_max);
    cairo_text_extents(cr, text, &ext);
    cairo_move_to(cr, l.left - 4 - ext.x_advance, l.top + 4);
    cairo_show_text(cr, text);
    cairo_move_to(cr, 2, l.top - 5);
    cairo_show_text(cr, "FPS");
    cairo_move_to(cr, l.left - 4 - 6, l.bottom + 4);
    cairo_show_text(cr, "0");
    if (l.has_temperature) {
        cairo_set_source_rgb(cr, kPlotTempColor[0], kPlotTempColor[1], kPlotTempColor[2]);
        std::snprintf(text, sizeof(text), "%.0f", l.temp_max);
        cairo_move_to(cr, l.right + 4, l.top + 4);
        cairo_show_text(cr, text);
        std::snprintf(text, sizeof(text), "%.0f", l.temp_min);
        cairo_move_to(cr, l.right + 4, l.bottom + 4);
        cairo_show_text(cr, text);
        cairo_text_extents(cr, "\u00B0C", &ext);
        cairo_move_to(cr, width - 2 - ext.x_advance, l.top - 5);
        cairo_show_text(cr, "\u00B0C");
    }
    cairo_set_source_rgb(cr, 0.3, 0.3, 0.3);
    std::snprintf(text, sizeof(text), "%.0f s", l.time_max);
    cairo_text_extents(cr, text, &ext);
    cairo_move_to(cr, l.right - ext.x_advance, height - 3);
    cairo_show_text(cr, text);

    cairo_restore(cr);
}

void SetRunPlotSource(RunPlotSource source)
{
    Source() = std::move(source);
}

bool HasRunPlotSource()
{
    return static_cast<bool>(Source());
}

std::vector<RunPlotSample> RunPlotSamplesFrom(const FrameTimeStats& stats)
{
    std::vector<RunPlotSample> samples;
    samples.reserve(stats.SecondCount());
    for (std::size_t i = 0; i < stats.SecondCount(); ++i) {
        const SecondSample& s = stats.Second(i);
        // Absent figures stay NaN, which the chart leaves out.
        samples.push_back({s.elapsed_ms / 1000.0, s.Rate(),
                           s.gpu_count > 0 ? static_cast<double>(s.gpus[0].temperature_c) : NAN});
    }
    return samples;
}

std::vector<RunPlotSample> CurrentRunPlotSamples()
{
    return Source() ? Source()() : std::vector<RunPlotSample>{};
}
