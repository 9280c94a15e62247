// Temperature graph geometry, labels and extremes through a recording canvas.
#include <gtest/gtest.h>

#include <vector>

#include "recorders.h"
#include "scene/temperature_graph.h"

using namespace overlays_test;

namespace {

constexpr int kW = 1024;
constexpr int kH = 768;

std::span<const float> Window(GraphWindow& w, const std::vector<float>& history)
{
    w.Fill(history.size(), [&](std::size_t i) { return history[i]; });
    return w.Samples();
}

}  // namespace

TEST(TemperatureGraph, LayoutAndScale)
{
    GraphLayout g0 = GraphLayoutFor(kW, kH, 0);
    EXPECT_FLOAT_EQ(g0.x0, -512 + 170);
    EXPECT_FLOAT_EQ(g0.x1, 512 - 150);
    EXPECT_FLOAT_EQ(g0.y0, -384 + 20);
    EXPECT_FLOAT_EQ(GraphLayoutFor(kW, kH, 1).y0, g0.y0 + 200);   // the second GPU sits 200 px higher
    EXPECT_FLOAT_EQ(GraphLayoutFor(kW, kH, 3).y0, g0.y0 + 600);
    EXPECT_FLOAT_EQ(GraphLevel(20.0f), 0.0f);
    EXPECT_FLOAT_EQ(GraphLevel(12.0f), 0.0f);
    EXPECT_FLOAT_EQ(GraphLevel(65.5f), 91.0f);
    EXPECT_FLOAT_EQ(GraphLevel(120.0f), 200.0f);
}

TEST(TemperatureGraph, DrawsCurveAxesDashedLinesAndLabels)
{
    RecordingCanvas canvas;
    GraphWindow window;
    GraphExtremes ext;
    const std::vector<float> history = {50.0f, 45.0f, 60.0f};
    DrawTemperatureGraph(canvas, kW, kH, 1, "Radeon RX 6600", history[0], Window(window, history), ext);

    ASSERT_EQ(canvas.begins.size(), 1u);
    EXPECT_EQ(canvas.begins[0], (std::array<float, 4>{kW, kH, 0.1f, 10.0f}));
    EXPECT_EQ(canvas.ends, 1);
    EXPECT_EQ(canvas.depth, 0);

    const GraphLayout g = GraphLayoutFor(kW, kH, 1);
    const float step = (g.x1 - g.x0) / 1000.0f;
    ASSERT_EQ(canvas.strip.size(), 3u);
    EXPECT_FLOAT_EQ(canvas.strip[0][0], g.x0);
    EXPECT_FLOAT_EQ(canvas.strip[0][1], g.y0 + 60.0f);
    EXPECT_FLOAT_EQ(canvas.strip[2][0], g.x0 + 2 * step);
    EXPECT_FLOAT_EQ(canvas.strip[2][1], g.y0 + 80.0f);
    EXPECT_EQ(canvas.strip[1][3], 1.0f);
    ASSERT_EQ(canvas.stripDraws.size(), 1u);
    EXPECT_EQ(canvas.stripDraws[0], 3u);

    ASSERT_EQ(canvas.lines.size(), 4u);
    // Solid base axis and vertical axis.
    EXPECT_EQ(canvas.lines[0].pattern, 0xFFFF);
    EXPECT_EQ(canvas.lines[0].p1, (std::array<float, 4>{g.x0, g.y0, 0, 1}));
    EXPECT_EQ(canvas.lines[0].p2, (std::array<float, 4>{g.x1, g.y0, 0, 1}));
    EXPECT_EQ(canvas.lines[1].pattern, 0xFFFF);
    EXPECT_EQ(canvas.lines[1].p2, (std::array<float, 4>{g.x0, g.y0 + 180, 0, 1}));
    // Dashed minimum (first sample 50, newest 60: minimum 50) and current lines.
    EXPECT_EQ(canvas.lines[2].pattern, 0xF0F0);
    EXPECT_FLOAT_EQ(canvas.lines[2].p1[1], g.y0 + 60.0f);
    EXPECT_FLOAT_EQ(canvas.lines[2].p2[0], g.x1);
    EXPECT_EQ(canvas.lines[3].pattern, 0xF0F0);
    EXPECT_FLOAT_EQ(canvas.lines[3].p1[1], g.y0 + 80.0f);
    for (const LineCall& l : canvas.lines) {
        EXPECT_EQ(l.width, 1.0f);
        EXPECT_EQ(l.factor, 1);
    }

    EXPECT_FLOAT_EQ(ext.minimum, 50.0f);
    EXPECT_FLOAT_EQ(ext.maximum, 60.0f);
    ASSERT_EQ(canvas.texts.size(), 2u);
    const int labelX = kW / 2 + static_cast<int>(g.x0 + (g.x1 - g.x0) / 2);
    EXPECT_EQ(canvas.texts[0].text, "GPU 2: Radeon RX 6600 - cur:60\u00B0C - max:60\u00B0C");
    EXPECT_EQ(canvas.texts[0].x, labelX);
    EXPECT_EQ(canvas.texts[0].y, kH / 2 - static_cast<int>(g.y0 + 80) - 20);
    EXPECT_EQ(canvas.texts[1].text, "min:50\u00B0C");
    EXPECT_EQ(canvas.texts[1].y, kH / 2 - static_cast<int>(g.y0 + 60));
}

TEST(TemperatureGraph, ExtremesCarryOverFramesAndNamelessLabel)
{
    RecordingCanvas canvas;
    GraphWindow window;
    GraphExtremes ext;
    std::vector<float> history = {55.0f, 70.5f};
    DrawTemperatureGraph(canvas, kW, kH, 0, "", history[0], Window(window, history), ext);
    history.push_back(48.9f);
    DrawTemperatureGraph(canvas, kW, kH, 0, "", history[0], Window(window, history), ext);
    EXPECT_FLOAT_EQ(ext.maximum, 70.5f);    // the earlier newest sample stays the maximum
    EXPECT_FLOAT_EQ(ext.minimum, 48.9f);
    ASSERT_EQ(canvas.texts.size(), 4u);
    EXPECT_EQ(canvas.texts[2].text, "GPU 1 - cur:48\u00B0C - max:70\u00B0C");
    EXPECT_EQ(canvas.texts[3].text, "min:48\u00B0C");
}

TEST(TemperatureGraph, ColdOrFlatHistoriesSkipTheCurve)
{
    RecordingCanvas canvas;
    GraphWindow window;
    GraphExtremes ext;
    // Plotted maximum of 1 degree or less: frame and labels, no curve; 0: no dashed lines either.
    std::vector<float> history = {0.5f, 0.8f};
    DrawTemperatureGraph(canvas, kW, kH, 0, nullptr, history[0], Window(window, history), ext);
    EXPECT_TRUE(canvas.stripDraws.empty());
    EXPECT_EQ(canvas.lines.size(), 4u);
    history = {0.0f};
    GraphExtremes fresh;
    canvas.lines.clear();
    DrawTemperatureGraph(canvas, kW, kH, 0, nullptr, 0.0f, Window(window, history), fresh);
    EXPECT_EQ(canvas.lines.size(), 2u);
    EXPECT_EQ(canvas.ends, 2);
}

TEST(TemperatureGraph, LongHistoryScrollsToTheNewestThousand)
{
    std::vector<float> history(86400);
    for (std::size_t i = 0; i < history.size(); ++i)
        history[i] = 30.0f + static_cast<float>(i % 50);
    GraphWindow window;
    std::span<const float> newest = Window(window, history);
    ASSERT_EQ(newest.size(), 1000u);
    EXPECT_EQ(newest.front(), history[85400]);
    EXPECT_EQ(newest.back(), history.back());

    RecordingCanvas canvas;
    GraphExtremes ext;
    DrawTemperatureGraph(canvas, kW, kH, 0, "G", history[0], newest, ext);
    ASSERT_EQ(canvas.stripDraws.size(), 1u);
    EXPECT_EQ(canvas.stripDraws[0], 1000u);
    EXPECT_EQ(canvas.vertexWrites, 1000u);
    const GraphLayout g = GraphLayoutFor(kW, kH, 0);
    EXPECT_FLOAT_EQ(canvas.strip[999][0], g.x0 + 999 * (g.x1 - g.x0) / 1000.0f);
    EXPECT_FLOAT_EQ(canvas.strip[999][1], g.y0 + GraphLevel(history.back()));
    EXPECT_FLOAT_EQ(ext.minimum, 30.0f);   // started from the history's first sample

    // The same picture as a history that holds only those thousand samples.
    std::vector<float> tail(history.end() - 1000, history.end());
    RecordingCanvas canvas2;
    GraphWindow window2;
    GraphExtremes ext2;
    DrawTemperatureGraph(canvas2, kW, kH, 0, "G", history[0], Window(window2, tail), ext2);
    EXPECT_EQ(canvas.strip, canvas2.strip);
}
