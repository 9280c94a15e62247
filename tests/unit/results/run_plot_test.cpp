// The run chart drawn into an image surface.
#include "results/run_plot.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

TEST(RunPlot, LayoutRanges)
{
    const std::vector<RunPlotSample> samples = {{1, 40, 55}, {2, 61, 58.5}, {3, 58, 63}};
    const RunPlotLayout l = ComputeRunPlotLayout(samples, 300, 120);
    EXPECT_TRUE(l.has_fps);
    EXPECT_TRUE(l.has_temperature);
    EXPECT_DOUBLE_EQ(l.time_min, 0);
    EXPECT_DOUBLE_EQ(l.time_max, 3);
    EXPECT_DOUBLE_EQ(l.fps_max, 100);   // 61 * 1.05 rounded up to 1, 2, 5 x 10^n
    EXPECT_DOUBLE_EQ(l.temp_min, 50);
    EXPECT_DOUBLE_EQ(l.temp_max, 70);
    EXPECT_DOUBLE_EQ(l.X(0), l.left);
    EXPECT_DOUBLE_EQ(l.X(3), l.right);
    EXPECT_DOUBLE_EQ(l.YFps(0), l.bottom);
    EXPECT_DOUBLE_EQ(l.YFps(100), l.top);
    EXPECT_DOUBLE_EQ(l.YTemp(70), l.top);
}

TEST(RunPlot, LayoutSurvivesOddData)
{
    // Nothing, one sample, all zero, non-finite values, no sensor: finite axes every time.
    const std::vector<std::vector<RunPlotSample>> cases = {
        {},
        {{0, 0, 0}},
        {{5, 12, 0}},
        {{1, NAN, INFINITY}, {2, 30, -5}, {NAN, 10, 40}},
        {{1, 1e9, 1e4}},
    };
    for (const auto& samples : cases) {
        const RunPlotLayout l = ComputeRunPlotLayout(samples, 10, 10);   // smaller than margins
        EXPECT_GT(l.time_max, l.time_min);
        EXPECT_GT(l.fps_max, 0);
        EXPECT_GT(l.temp_max, l.temp_min);
        EXPECT_GT(l.right, l.left);
        EXPECT_GT(l.bottom, l.top);
        EXPECT_TRUE(std::isfinite(l.X(l.time_max)) && std::isfinite(l.YTemp(l.temp_min)));
    }
    EXPECT_FALSE(ComputeRunPlotLayout({{1, 30, 0}, {2, 31, -1}}, 100, 100).has_temperature);
}

// Counts the pixels of an image surface close to an RGB colour.
int CountColor(cairo_surface_t* surface, const double* rgb)
{
    cairo_surface_flush(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    int count = 0;
    for (int y = 0; y < cairo_image_surface_get_height(surface); ++y)
        for (int x = 0; x < cairo_image_surface_get_width(surface); ++x) {
            const uint32_t p = *reinterpret_cast<const uint32_t*>(data + y * stride + x * 4);
            const int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
            if (std::abs(r - rgb[0] * 255) < 12 && std::abs(g - rgb[1] * 255) < 12 &&
                std::abs(b - rgb[2] * 255) < 12)
                ++count;
        }
    return count;
}

TEST(RunPlot, DrawsBothSeriesWhereTheLayoutPutsThem)
{
    std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> surface(
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, 320, 120), cairo_surface_destroy);
    cairo_t* cr = cairo_create(surface.get());
    std::vector<RunPlotSample> samples;
    for (int s = 0; s <= 20; ++s)   // flat FPS, rising temperature
        samples.push_back({double(s), 50, 40.0 + s});
    DrawRunPlot(cr, samples, 320, 120);
    cairo_destroy(cr);
    cairo_surface_write_to_png(surface.get(), GRIDFALL_BINARY_DIR "/ui_run_plot.png");

    EXPECT_GT(CountColor(surface.get(), kPlotFpsColor), 100);
    EXPECT_GT(CountColor(surface.get(), kPlotTempColor), 100);

    // The flat FPS line lies on the row the layout gives for 50 FPS (a quarter into the run,
    // away from where the temperature line crosses it).
    const RunPlotLayout l = ComputeRunPlotLayout(samples, 320, 120);
    const int x = static_cast<int>(l.X(5));
    const int y = static_cast<int>(std::lround(l.YFps(50)));
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

TEST(RunPlot, NoTemperatureLineWithoutSensor)
{
    std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> surface(
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, 200, 100), cairo_surface_destroy);
    cairo_t* cr = cairo_create(surface.get());
    DrawRunPlot(cr, {{0, 20, 0}, {1, 25, 0}, {2, 22, 0}}, 200, 100);
    cairo_destroy(cr);
    EXPECT_GT(CountColor(surface.get(), kPlotFpsColor), 20);
    EXPECT_EQ(CountColor(surface.get(), kPlotTempColor), 0);
}

TEST(RunPlot, SamplesFromTheRunRecorder)
{
    FrameTimeStats stats;
    stats.Begin(2);
    const GpuSecondSample gpu{71.5f, 850.0f, 1200.0f};
    stats.RecordSecond(60, 1000, 1000, {&gpu, 1});
    stats.RecordSecond(58, 1000, 2001, {});
    stats.RecordSecond(57, 1000, 3000, {&gpu, 1});   // the ring holds two: the oldest goes
    const std::vector<RunPlotSample> samples = RunPlotSamplesFrom(stats);
    ASSERT_EQ(samples.size(), 2u);
    EXPECT_DOUBLE_EQ(samples[0].second, 2.001);
    EXPECT_DOUBLE_EQ(samples[0].fps, 58);
    EXPECT_TRUE(std::isnan(samples[0].temperature));   // no GPU that second: left out, not 0
    EXPECT_DOUBLE_EQ(samples[1].second, 3.0);
    EXPECT_DOUBLE_EQ(samples[1].temperature, 71.5);
}

TEST(RunPlot, SourceFeedsTheDialog)
{
    EXPECT_FALSE(HasRunPlotSource());
    EXPECT_TRUE(CurrentRunPlotSamples().empty());
    SetRunPlotSource([] { return std::vector<RunPlotSample>{{1, 2, 3}}; });
    ASSERT_EQ(CurrentRunPlotSamples().size(), 1u);
    EXPECT_DOUBLE_EQ(CurrentRunPlotSamples()[0].temperature, 3);
    SetRunPlotSource({});
    EXPECT_FALSE(HasRunPlotSource());
}

}  // namespace
