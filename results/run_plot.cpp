// The run chart (see the header).
#include "results/run_plot.h"

#include <cairo-svg.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <strings.h>

namespace {

// The size of --plot files, in pixels (SVG: points).
constexpr int kFileWidth = 960;
constexpr int kFileHeight = 540;

// The smallest of 1, 2, 5 times a power of ten that is at least value.
double NiceCeil(double value)
{
    if (!(value > 0) || !std::isfinite(value))
        return 1;
    const double power = std::pow(10.0, std::floor(std::log10(value)));
    for (double step : {1.0, 2.0, 5.0, 10.0})
        if (step * power >= value)
            return step * power;
    return 10 * power;
}

bool Valid(double v) { return std::isfinite(v); }
bool Positive(double v) { return std::isfinite(v) && v > 0; }

RunPlotSource& Source()
{
    static RunPlotSource source;
    return source;
}

// Text size and the margins it needs, from the surface height: the dialog's small chart and
// a 540-pixel file both stay legible.
struct Metrics {
    double font, left, right, top, bottom, gap;
};
Metrics MetricsFor(double height)
{
    const double font = std::clamp(height / 36.0, 8.0, 14.0);
    return {font, font * 4.2, font * 4.6, font * 1.6, font * 2.8, font * 2.0};
}

void SetColor(cairo_t* cr, const double* rgb, double alpha = 1.0)
{
    cairo_set_source_rgba(cr, rgb[0], rgb[1], rgb[2], alpha);
}

std::string Number(double v)
{
    // Axis values are quarters of round ranges: at most two decimals, trailing zeros dropped.
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", v);
    std::string text = buf;
    while (text.back() == '0')
        text.pop_back();
    if (text.back() == '.')
        text.pop_back();
    return text == "-0" ? "0" : text;
}

void TextAt(cairo_t* cr, const std::string& text, double x, double y, double alignX)
{
    cairo_text_extents_t ext;
    cairo_text_extents(cr, text.c_str(), &ext);
    cairo_move_to(cr, x - ext.x_advance * alignX, y);
    cairo_show_text(cr, text.c_str());
}

// A series as lines between consecutive valid samples; a lone sample shows as a short mark.
template <class Value, class ToY>
void DrawSeries(cairo_t* cr, const RunPlotLayout& l, const std::vector<RunPlotSample>& samples,
                Value value, ToY toY, bool zeroIsValue = false)
{
    bool open = false;
    std::size_t run = 0;
    double lastX = 0, lastY = 0;
    const auto closeRun = [&] {
        if (open && run == 1) {
            cairo_move_to(cr, lastX - 3, lastY);
            cairo_line_to(cr, lastX + 3, lastY);
        }
        open = false;
        run = 0;
    };
    for (const RunPlotSample& s : samples) {
        const double v = value(s);
        if (!Valid(s.second) || !(zeroIsValue ? Valid(v) && v >= 0 : Positive(v))) {
            closeRun();   // a gap, not a line through missing readings
            continue;
        }
        lastX = l.X(s.second);
        lastY = toY(v);
        if (open)
            cairo_line_to(cr, lastX, lastY);
        else
            cairo_move_to(cr, lastX, lastY);
        open = true;
        ++run;
    }
    closeRun();
    cairo_stroke(cr);
}

// The frame-time band: filled between p50 and p99 over each stretch of windows that have both.
void DrawBand(cairo_t* cr, const RunPlotLayout& l, const std::vector<RunPlotSample>& samples)
{
    const RunPlotPanel& p = l.rate;
    const auto valid = [](const RunPlotSample& s) {
        return Valid(s.second) && Positive(s.p50_ms) && Positive(s.p99_ms);
    };
    for (std::size_t i = 0; i < samples.size();) {
        if (!valid(samples[i])) {
            ++i;
            continue;
        }
        std::size_t j = i;
        while (j < samples.size() && valid(samples[j]))
            ++j;
        if (j - i == 1) {
            // A lone window still shows, as a narrow bar.
            const double x = l.X(samples[i].second);
            cairo_rectangle(cr, x - 2, p.YRight(samples[i].p99_ms), 4,
                            p.YRight(samples[i].p50_ms) - p.YRight(samples[i].p99_ms));
        } else {
            cairo_move_to(cr, l.X(samples[i].second), p.YRight(samples[i].p99_ms));
            for (std::size_t k = i + 1; k < j; ++k)
                cairo_line_to(cr, l.X(samples[k].second), p.YRight(samples[k].p99_ms));
            for (std::size_t k = j; k-- > i;)
                cairo_line_to(cr, l.X(samples[k].second), p.YRight(samples[k].p50_ms));
        }
        cairo_close_path(cr);
        SetColor(cr, kPlotBandColor, 0.35);
        cairo_fill(cr);
        i = j;
    }
    SetColor(cr, kPlotBandColor);
    cairo_set_line_width(cr, 1);
    DrawSeries(cr, l, samples, [](const RunPlotSample& s) { return s.p50_ms; },
               [&](double v) { return p.YRight(v); });
}

// Frame, grid and the values of both axes at five levels.
void DrawPanelFrame(cairo_t* cr, const RunPlotPanel& p, const Metrics& m, const double* leftColor,
                    const double* rightColor)
{
    cairo_set_line_width(cr, 1);
    cairo_set_source_rgb(cr, 0.87, 0.87, 0.87);
    for (int i = 1; i < 4; ++i) {
        const double y = std::round(p.top + (p.bottom - p.top) * i / 4) + 0.5;
        cairo_move_to(cr, p.left, y);
        cairo_line_to(cr, p.right, y);
    }
    cairo_stroke(cr);
    cairo_set_source_rgb(cr, 0.3, 0.3, 0.3);
    cairo_rectangle(cr, std::round(p.left) + 0.5, std::round(p.top) + 0.5,
                    std::round(p.right - p.left) - 1, std::round(p.bottom - p.top) - 1);
    cairo_stroke(cr);
    for (int i = 0; i <= 4; ++i) {
        const double y = p.bottom - (p.bottom - p.top) * i / 4 + m.font * 0.35;
        if (p.has_left) {
            SetColor(cr, leftColor);
            TextAt(cr, Number(p.left_min + (p.left_max - p.left_min) * i / 4), p.left - m.font * 0.4, y, 1.0);
        }
        if (p.has_right) {
            SetColor(cr, rightColor);
            TextAt(cr, Number(p.right_min + (p.right_max - p.right_min) * i / 4), p.right + m.font * 0.4, y, 0.0);
        }
    }
}

struct FileSink {
    int fd = -1;
    bool failed = false;
    int error = 0;
};

cairo_status_t WriteToSink(void* closure, const unsigned char* data, unsigned int length)
{
    auto* sink = static_cast<FileSink*>(closure);
    while (length > 0) {
        const ssize_t n = write(sink->fd, data, length);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            sink->failed = true;
            sink->error = n < 0 ? errno : ENOSPC;
            return CAIRO_STATUS_WRITE_ERROR;
        }
        data += n;
        length -= static_cast<unsigned int>(n);
    }
    return CAIRO_STATUS_SUCCESS;
}

bool EndsWith(const std::string& s, const char* suffix)
{
    const std::size_t n = std::strlen(suffix);
    return s.size() > n && strcasecmp(s.c_str() + s.size() - n, suffix) == 0;
}

}  // namespace

RunPlotSample MakeRunPlotSample(double second, double fps, double temperature)
{
    RunPlotSample s;
    s.second = second;
    s.fps = fps;
    s.gpu_count = 1;
    s.temperature[0] = temperature;
    return s;
}

double RunPlotPanel::YLeft(double v) const
{
    return bottom - (v - left_min) / (left_max - left_min) * (bottom - top);
}

double RunPlotPanel::YRight(double v) const
{
    return bottom - (v - right_min) / (right_max - right_min) * (bottom - top);
}

double RunPlotLayout::X(double second) const
{
    return rate.left + (second - time_min) / (time_max - time_min) * (rate.right - rate.left);
}

RunPlotLayout ComputeRunPlotLayout(const std::vector<RunPlotSample>& samples, double width,
                                   double height)
{
    RunPlotLayout l;
    double tMin = INFINITY, tMax = -INFINITY, fpsMax = 0, msMax = 0, clockMax = 0;
    double tempLo = INFINITY, tempHi = -INFINITY;
    for (const RunPlotSample& s : samples) {
        if (!Valid(s.second))
            continue;
        tMin = std::min(tMin, s.second);
        tMax = std::max(tMax, s.second);
        if (Valid(s.fps) && s.fps >= 0) {
            l.rate.has_left = true;
            fpsMax = std::max(fpsMax, s.fps);
        }
        if (Positive(s.p99_ms) && Positive(s.p50_ms)) {
            l.rate.has_right = true;
            msMax = std::max(msMax, s.p99_ms);
        }
        for (uint32_t g = 0; g < std::min<uint32_t>(s.gpu_count, kMaxRecordedGpus); ++g) {
            if (Positive(s.temperature[g])) {
                l.sensors.has_left = true;
                tempLo = std::min(tempLo, s.temperature[g]);
                tempHi = std::max(tempHi, s.temperature[g]);
            }
            if (Positive(s.core_clock[g])) {
                l.sensors.has_right = true;
                clockMax = std::max(clockMax, s.core_clock[g]);
            }
        }
    }
    if (tMin <= tMax) {
        l.time_min = std::min(0.0, tMin);
        l.time_max = tMax > l.time_min ? tMax : l.time_min + 1;
    }
    l.rate.left_max = NiceCeil(fpsMax * 1.05);
    l.rate.right_max = NiceCeil(msMax * 1.05);
    if (l.sensors.has_left) {
        // Whole tens around the readings, at least 20 degrees tall so that sensor noise does
        // not look like a swing.
        l.sensors.left_min = std::floor(tempLo / 10) * 10;
        l.sensors.left_max = std::ceil(tempHi / 10) * 10;
        if (l.sensors.left_max - l.sensors.left_min < 20)
            l.sensors.left_max = l.sensors.left_min + 20;
    }
    l.sensors.right_max = NiceCeil(clockMax * 1.05);
    l.has_sensors = l.sensors.has_left || l.sensors.has_right;

    const Metrics m = MetricsFor(height);
    const double left = m.left, right = std::max(left + 1, width - m.right);
    const double top = m.top, bottom = std::max(top + 2, height - m.bottom);
    l.rate.left = l.sensors.left = left;
    l.rate.right = l.sensors.right = right;
    l.rate.top = top;
    l.rate.bottom = bottom;
    if (l.has_sensors) {
        // The frame rate gets three fifths; the sensors the rest below a gap for their titles.
        const double split = top + (bottom - top) * 0.6;
        l.rate.bottom = std::max(top + 1, split - m.gap / 2);
        l.sensors.top = std::min(bottom - 1, split + m.gap / 2);
        l.sensors.bottom = bottom;
    } else {
        l.sensors.top = l.sensors.bottom = bottom;
    }
    return l;
}

void DrawRunPlot(cairo_t* cr, const std::vector<RunPlotSample>& samples, double width,
                 double height)
{
    const RunPlotLayout l = ComputeRunPlotLayout(samples, width, height);
    const Metrics m = MetricsFor(height);
    cairo_save(cr);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_rectangle(cr, 0, 0, width, height);
    cairo_fill(cr);
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, m.font);

    // Upper panel: frame rate (left) and the frame-time band (right).
    DrawPanelFrame(cr, l.rate, m, kPlotFpsColor, kPlotBandColor);
    if (l.rate.has_right)
        DrawBand(cr, l, samples);
    if (l.rate.has_left) {
        SetColor(cr, kPlotFpsColor);
        cairo_set_line_width(cr, 2);
        DrawSeries(cr, l, samples, [](const RunPlotSample& s) { return s.fps; },
                   [&](double v) { return l.rate.YLeft(v); }, true);
    }
    const double titleY = l.rate.top - m.font * 0.45;
    SetColor(cr, kPlotFpsColor);
    TextAt(cr, "frame rate (FPS)", l.rate.left, titleY, 0.0);
    if (l.rate.has_right) {
        SetColor(cr, kPlotBandColor);
        TextAt(cr, "frame time p50 to p99 (ms)", l.rate.right, titleY, 1.0);
    }

    // Lower panel: per GPU its temperature (left, solid) and core clock (right, dashed).
    if (l.has_sensors) {
        DrawPanelFrame(cr, l.sensors, m, kPlotTempColor, kPlotTempColor);
        uint32_t gpus = 0;
        for (const RunPlotSample& s : samples)
            gpus = std::max(gpus, std::min<uint32_t>(s.gpu_count, kMaxRecordedGpus));
        for (uint32_t g = 0; g < gpus; ++g) {
            SetColor(cr, kPlotGpuColors[g]);
            cairo_set_line_width(cr, 2);
            DrawSeries(cr, l, samples,
                       [g](const RunPlotSample& s) { return g < s.gpu_count ? s.temperature[g] : NAN; },
                       [&](double v) { return l.sensors.YLeft(v); });
            const double dash[] = {6, 3};
            cairo_set_dash(cr, dash, 2, 0);
            cairo_set_line_width(cr, 1.5);
            DrawSeries(cr, l, samples,
                       [g](const RunPlotSample& s) { return g < s.gpu_count ? s.core_clock[g] : NAN; },
                       [&](double v) { return l.sensors.YRight(v); });
            cairo_set_dash(cr, nullptr, 0, 0);
        }
        const double y = l.sensors.top - m.font * 0.45;
        SetColor(cr, kPlotTempColor);
        std::string gpuNote = gpus > 1 ? ", one colour per GPU" : "";
        if (l.sensors.has_left)
            TextAt(cr, "GPU temperature (\u00B0C)" + gpuNote, l.sensors.left, y, 0.0);
        if (l.sensors.has_right)
            TextAt(cr, "core clock, dashed (MHz)", l.sensors.right, y, 1.0);
    }

    // Time axis under the lowest panel: ticks at a round step, and its title.
    const RunPlotPanel& low = l.has_sensors ? l.sensors : l.rate;
    const double span = l.time_max - l.time_min;
    const double step = NiceCeil(span / std::max(1.0, (low.right - low.left) / (m.font * 6)));
    cairo_set_source_rgb(cr, 0.3, 0.3, 0.3);
    cairo_set_line_width(cr, 1);
    for (double t = std::ceil(l.time_min / step) * step; t <= l.time_max + step * 1e-9; t += step) {
        const double x = std::round(l.X(t)) + 0.5;
        cairo_move_to(cr, x, low.bottom);
        cairo_line_to(cr, x, low.bottom + m.font * 0.3);
        cairo_stroke(cr);
        TextAt(cr, Number(t), x, low.bottom + m.font * 1.3, 0.5);
    }
    TextAt(cr, "measured time (s)", low.right, height - m.font * 0.3, 1.0);
    cairo_restore(cr);
}

bool IsRunPlotFileName(const std::string& path)
{
    return EndsWith(path, ".svg") || EndsWith(path, ".png");
}

bool WriteRunPlotFile(const std::string& path, const std::vector<RunPlotSample>& samples,
                      std::string* error)
{
    if (!IsRunPlotFileName(path)) {
        *error = path + ": the plot's name must end in .svg or .png";
        return false;
    }
    const std::string tmp = path + ".tmp" + std::to_string(getpid());
    FileSink sink;
    // O_EXCL with O_NOFOLLOW: never write through a link someone planted at the temporary name.
    sink.fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (sink.fd < 0) {
        *error = "cannot create " + tmp + ": " + std::strerror(errno);
        return false;
    }
    const bool svg = EndsWith(path, ".svg");
    cairo_surface_t* surface =
        svg ? cairo_svg_surface_create_for_stream(WriteToSink, &sink, kFileWidth, kFileHeight)
            : cairo_image_surface_create(CAIRO_FORMAT_RGB24, kFileWidth, kFileHeight);
    cairo_t* cr = cairo_create(surface);
    DrawRunPlot(cr, samples, kFileWidth, kFileHeight);
    cairo_status_t status = cairo_status(cr);
    cairo_destroy(cr);
    if (status == CAIRO_STATUS_SUCCESS && !svg)
        status = cairo_surface_write_to_png_stream(surface, WriteToSink, &sink);
    cairo_surface_finish(surface);   // an SVG surface writes its document here
    if (status == CAIRO_STATUS_SUCCESS)
        status = cairo_surface_status(surface);
    cairo_surface_destroy(surface);
    const bool closed = close(sink.fd) == 0;
    if (sink.failed || status != CAIRO_STATUS_SUCCESS || !closed) {
        *error = "cannot write " + tmp + ": " +
                 (sink.failed ? std::strerror(sink.error) : cairo_status_to_string(status));
        unlink(tmp.c_str());
        return false;
    }
    if (rename(tmp.c_str(), path.c_str()) != 0) {
        *error = "cannot replace " + path + ": " + std::strerror(errno);
        unlink(tmp.c_str());
        return false;
    }
    return true;
}

void SetRunPlotSource(RunPlotSource source)
{
    Source() = std::move(source);
}

bool HasRunPlotSource()
{
    return static_cast<bool>(Source());
}

std::vector<RunPlotSample> RunPlotSamplesFrom(const RunReport& report)
{
    std::vector<RunPlotSample> samples;
    samples.reserve(report.seconds.size());
    for (const SecondSample& s : report.seconds) {
        RunPlotSample p;
        p.second = s.elapsed_ms / 1000.0;
        // The end of a run may cut a window short before any frame completed in it: no frame,
        // no rate to show (the frame that crossed the end was neither rendered nor counted).
        p.fps = s.partial && s.frames == 0 ? NAN : s.Rate();
        if (s.frames > 0) {
            p.p50_ms = s.p50_frame_us / 1000.0;
            p.p99_ms = s.p99_frame_us / 1000.0;
        }
        // Absent figures stay NaN, which the chart leaves out.
        p.gpu_count = std::min<uint32_t>(s.gpu_count, kMaxRecordedGpus);
        for (uint32_t g = 0; g < p.gpu_count; ++g) {
            p.temperature[g] = s.gpus[g].temperature_c;
            p.core_clock[g] = s.gpus[g].core_clock_mhz;
        }
        samples.push_back(p);
    }
    return samples;
}

std::vector<RunPlotSample> CurrentRunPlotSamples()
{
    return Source() ? Source()() : std::vector<RunPlotSample>{};
}
