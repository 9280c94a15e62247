// The run chart: its axes, the drawing on an image surface, the --plot files, and the samples
// taken from the run recorder.
#include "results/run_plot.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

// A report whose measuring windows are the recorder's.
RunReport WithSeconds(RunReport r, const FrameTimeStats& stats)
{
    r.seconds = stats.Seconds();
    r.seconds_dropped = stats.DroppedSeconds();
    return r;
}


using Samples = std::vector<RunPlotSample>;

Samples FpsAndTemperature(std::initializer_list<std::array<double, 3>> rows)
{
    Samples out;
    for (const auto& r : rows)
        out.push_back(MakeRunPlotSample(r[0], r[1], r[2]));
    return out;
}

TEST(RunPlot, LayoutRanges)
{
    Samples samples = FpsAndTemperature({{1, 40, 55}, {2, 61, 58.5}, {3, 58, 63}});
    samples[1].p50_ms = 16;
    samples[1].p99_ms = 31;
    samples[2].core_clock[0] = 1830;
    const RunPlotLayout l = ComputeRunPlotLayout(samples, 300, 120);
    EXPECT_TRUE(l.rate.has_left);
    EXPECT_TRUE(l.rate.has_right);
    EXPECT_TRUE(l.has_sensors);
    EXPECT_DOUBLE_EQ(l.time_min, 0);
    EXPECT_DOUBLE_EQ(l.time_max, 3);
    EXPECT_DOUBLE_EQ(l.rate.left_max, 100);     // 61 * 1.05 rounded up to 1, 2, 5 x 10^n
    EXPECT_DOUBLE_EQ(l.rate.right_max, 50);     // 31 ms
    EXPECT_DOUBLE_EQ(l.sensors.left_min, 50);
    EXPECT_DOUBLE_EQ(l.sensors.left_max, 70);
    EXPECT_DOUBLE_EQ(l.sensors.right_max, 2000);
    EXPECT_DOUBLE_EQ(l.X(0), l.rate.left);
    EXPECT_DOUBLE_EQ(l.X(3), l.rate.right);
    EXPECT_DOUBLE_EQ(l.rate.YLeft(0), l.rate.bottom);
    EXPECT_DOUBLE_EQ(l.rate.YLeft(100), l.rate.top);
    EXPECT_DOUBLE_EQ(l.sensors.YLeft(70), l.sensors.top);
    EXPECT_LT(l.rate.bottom, l.sensors.top);    // the panels do not overlap
}

TEST(RunPlot, LayoutSurvivesOddData)
{
    // Nothing, one sample, all zero, non-finite values, no sensor: finite axes every time.
    const std::vector<Samples> cases = {
        {},
        FpsAndTemperature({{0, 0, 0}}),
        FpsAndTemperature({{5, 12, 0}}),
        FpsAndTemperature({{1, NAN, INFINITY}, {2, 30, -5}, {NAN, 10, 40}}),
        FpsAndTemperature({{1, 1e9, 1e4}}),
    };
    for (const auto& samples : cases) {
        for (double h : {10.0, 120.0}) {   // smaller than the margins, and a normal one
            const RunPlotLayout l = ComputeRunPlotLayout(samples, 10, h);
            EXPECT_GT(l.time_max, l.time_min);
            EXPECT_GT(l.rate.left_max, 0);
            EXPECT_GT(l.sensors.left_max, l.sensors.left_min);
            EXPECT_GT(l.rate.right, l.rate.left);
            EXPECT_GT(l.rate.bottom, l.rate.top);
            EXPECT_TRUE(std::isfinite(l.X(l.time_max)) && std::isfinite(l.sensors.YLeft(0)));
        }
    }
    EXPECT_FALSE(ComputeRunPlotLayout(FpsAndTemperature({{1, 30, 0}, {2, 31, -1}}), 100, 100).has_sensors);
}

// Counts the pixels of an image surface close to an RGB colour.
int CountColor(cairo_surface_t* surface, const double* rgb, int tolerance = 12)
{
    cairo_surface_flush(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    int count = 0;
    for (int y = 0; y < cairo_image_surface_get_height(surface); ++y)
        for (int x = 0; x < cairo_image_surface_get_width(surface); ++x) {
            const uint32_t p = *reinterpret_cast<const uint32_t*>(data + y * stride + x * 4);
            const int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
            if (std::abs(r - rgb[0] * 255) < tolerance && std::abs(g - rgb[1] * 255) < tolerance &&
                std::abs(b - rgb[2] * 255) < tolerance)
                ++count;
        }
    return count;
}

using Surface = std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)>;

Surface Draw(const Samples& samples, int w, int h)
{
    Surface surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h), cairo_surface_destroy);
    cairo_t* cr = cairo_create(surface.get());
    DrawRunPlot(cr, samples, w, h);
    cairo_destroy(cr);
    return surface;
}

TEST(RunPlot, DrawsEverySeriesWhereTheLayoutPutsThem)
{
    Samples samples;
    for (int s = 0; s <= 20; ++s) {   // flat FPS, rising temperature, two GPUs
        RunPlotSample p = MakeRunPlotSample(s, 50, 40.0 + s);
        p.p50_ms = 19;
        p.p99_ms = 24;
        p.gpu_count = 2;
        p.temperature[1] = 45;
        p.core_clock[0] = 1500;
        samples.push_back(p);
    }
    const Surface surface = Draw(samples, 480, 270);
    cairo_surface_write_to_png(surface.get(), GRIDFALL_BINARY_DIR "/results_run_plot.png");

    EXPECT_GT(CountColor(surface.get(), kPlotFpsColor), 100);
    EXPECT_GT(CountColor(surface.get(), kPlotGpuColors[0]), 100);
    EXPECT_GT(CountColor(surface.get(), kPlotGpuColors[1]), 100);
    // The band is the band colour laid at a third over white.
    const double tint[3] = {1 - 0.35 * (1 - kPlotBandColor[0]), 1 - 0.35 * (1 - kPlotBandColor[1]),
                            1 - 0.35 * (1 - kPlotBandColor[2])};
    EXPECT_GT(CountColor(surface.get(), tint, 20), 500);

    // The flat FPS line lies on the row the layout gives for 50 FPS.
    const RunPlotLayout l = ComputeRunPlotLayout(samples, 480, 270);
    const int x = static_cast<int>(l.X(5));
    const int y = static_cast<int>(std::lround(l.rate.YLeft(50)));
    const unsigned char* data = cairo_image_surface_get_data(surface.get());
    const int stride = cairo_image_surface_get_stride(surface.get());
    bool onLine = false;
    for (int dy = -1; dy <= 1; ++dy) {
        const uint32_t p = *reinterpret_cast<const uint32_t*>(data + (y + dy) * stride + x * 4);
        onLine |= std::abs(int((p >> 8) & 0xFF) - int(kPlotFpsColor[1] * 255)) < 20 &&
                  ((p >> 16) & 0xFF) < 80;
    }
    EXPECT_TRUE(onLine);
}

TEST(RunPlot, NoSensorPanelWithoutSensor)
{
    const Surface surface = Draw(FpsAndTemperature({{0, 20, 0}, {1, 25, 0}, {2, 22, 0}}), 200, 100);
    EXPECT_GT(CountColor(surface.get(), kPlotFpsColor), 20);
    EXPECT_EQ(CountColor(surface.get(), kPlotTempColor), 0);
}

TEST(RunPlot, FilesAreSvgOrPngByTheirName)
{
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("gridfall_plot_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const Samples samples = FpsAndTemperature({{1, 40, 55}, {2, 61, 58.5}, {2.4, 58, 63}});
    std::string error;
    const auto read = [](const std::filesystem::path& p) {
        std::ifstream f(p, std::ios::binary);
        std::stringstream ss;
        ss << f.rdbuf();
        return ss.str();
    };
    ASSERT_TRUE(WriteRunPlotFile((dir / "p.svg").string(), samples, &error)) << error;
    const std::string svg = read(dir / "p.svg");
    EXPECT_NE(svg.find("<svg"), std::string::npos);
    EXPECT_NE(svg.find("</svg>"), std::string::npos);
    ASSERT_TRUE(WriteRunPlotFile((dir / "p.PNG").string(), samples, &error)) << error;
    EXPECT_EQ(read(dir / "p.PNG").substr(0, 8), "\x89PNG\r\n\x1a\n");
    EXPECT_FALSE(WriteRunPlotFile((dir / "p.pdf").string(), samples, &error));
    EXPECT_NE(error.find(".svg or .png"), std::string::npos);
    EXPECT_FALSE(WriteRunPlotFile((dir / "no" / "p.svg").string(), samples, &error));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 2);   // no leftovers
    std::filesystem::remove_all(dir);
}

TEST(RunPlot, SamplesFromTheRunRecorder)
{
    FrameTimeStats stats;
    stats.Begin(3);
    const GpuSecondSample gpu{71.5f, 850.0f, 1200.0f};
    stats.RecordSecond(60, 1000, 1000, {&gpu, 1});
    stats.RecordFrame(16000);
    stats.RecordFrame(17000);
    stats.RecordSecond(58, 1000, 2001, {});
    stats.RecordSecond(57, 1000, 3000, {&gpu, 1});
    stats.RecordSecond(5, 250, 3250, {&gpu, 1}, true);   // the ring holds three: the oldest goes
    const Samples samples = RunPlotSamplesFrom(WithSeconds({}, stats));
    ASSERT_EQ(samples.size(), 3u);
    EXPECT_DOUBLE_EQ(samples[0].second, 2.001);
    EXPECT_DOUBLE_EQ(samples[0].fps, 58);
    EXPECT_DOUBLE_EQ(samples[0].p50_ms, 16);
    EXPECT_DOUBLE_EQ(samples[0].p99_ms, 17);
    EXPECT_EQ(samples[0].gpu_count, 0u);   // no GPU that second: left out, not 0
    EXPECT_DOUBLE_EQ(samples[1].temperature[0], 71.5);
    EXPECT_DOUBLE_EQ(samples[1].core_clock[0], 850);
    EXPECT_DOUBLE_EQ(samples[2].fps, 20);   // the last, partial window at its exact rate
}

TEST(RunPlot, SourceFeedsTheDialog)
{
    EXPECT_FALSE(HasRunPlotSource());
    EXPECT_TRUE(CurrentRunPlotSamples().empty());
    SetRunPlotSource([] { return Samples{MakeRunPlotSample(1, 2, 3)}; });
    ASSERT_EQ(CurrentRunPlotSamples().size(), 1u);
    EXPECT_DOUBLE_EQ(CurrentRunPlotSamples()[0].temperature[0], 3);
    SetRunPlotSource({});
    EXPECT_FALSE(HasRunPlotSource());
}

}  // namespace
