// Temperature graph geometry and labels.
#include "scene/temperature_graph.h"

#include <algorithm>
#include <cstdio>

#include "scene/hud.h"

GraphLayout GraphLayoutFor(int width, int height, unsigned gpu)
{
    GraphLayout layout;
    layout.x0 = static_cast<float>(-width / 2 + 170);
    layout.x1 = static_cast<float>(width / 2 - 150);
    layout.y0 = static_cast<float>(-height / 2 + 20 + 200 * static_cast<int>(gpu));
    return layout;
}

float GraphLevel(float temperature)
{
    return 2.0f * std::max(0.0f, temperature - 20.0f);
}

void DrawTemperatureGraph(GraphCanvas& canvas, int width, int height, unsigned gpu, const char* name,
                          float firstSample, std::span<const float> window, GraphExtremes& extremes)
{
    if (window.empty())
        return;
    if (!extremes.started) {
        extremes.minimum = firstSample;
        extremes.maximum = 0.0f;
        extremes.started = true;
    }
    const GraphLayout g = GraphLayoutFor(width, height, gpu);
    const float step = (g.x1 - g.x0) / static_cast<float>(kGraphCapacity);

    canvas.Begin2D(width, height, 0.1f, 10.0f);

    float windowMax = 0.0f;
    const unsigned count = static_cast<unsigned>(std::min<std::size_t>(window.size(), kGraphCapacity));
    for (unsigned k = 0; k < count; ++k) {
        const float t = window[k];
        const float point[4] = {g.x0 + static_cast<float>(k) * step, g.y0 + GraphLevel(t), 0.0f, 1.0f};
        canvas.SetStripVertex(k, point);
        windowMax = std::max(windowMax, t);
    }
    if (windowMax > 1.0f)
        canvas.DrawGraphStrip(count);

    const float newest = window[count - 1];
    extremes.minimum = std::min(extremes.minimum, newest);
    const float minLevel = g.y0 + GraphLevel(extremes.minimum);
    const float curLevel = g.y0 + GraphLevel(newest);

    const float base0[4] = {g.x0, g.y0, 0.0f, 1.0f};
    const float base1[4] = {g.x1, g.y0, 0.0f, 1.0f};
    const float axisTop[4] = {g.x0, g.y0 + 180.0f, 0.0f, 1.0f};
    canvas.DrawOverlayLine(base0, kGraphAxisColor, base1, kGraphAxisColor, 1.0f, 1, kSolidPattern);
    canvas.DrawOverlayLine(base0, kGraphAxisColor, axisTop, kGraphAxisColor, 1.0f, 1, kSolidPattern);
    if (windowMax > 0.0f) {
        const float min0[4] = {g.x0, minLevel, 0.0f, 1.0f};
        const float min1[4] = {g.x1, minLevel, 0.0f, 1.0f};
        const float cur0[4] = {g.x0, curLevel, 0.0f, 1.0f};
        const float cur1[4] = {g.x1, curLevel, 0.0f, 1.0f};
        canvas.DrawOverlayLine(min0, kGraphMinLineColor, min1, kGraphMinLineColor, 1.0f, 1, kDashedPattern);
        canvas.DrawOverlayLine(cur0, kGraphCurrentLineColor, cur1, kGraphCurrentLineColor, 1.0f, 1, kDashedPattern);
    }

    extremes.maximum = std::max(extremes.maximum, newest);

    // Labels in window coordinates (from the top-left), centred over the graph.
    const int labelX = static_cast<int>(static_cast<float>(width / 2) + g.x0 + (g.x1 - g.x0) / 2.0f);
    const int curY = static_cast<int>(static_cast<float>(height / 2) - curLevel) - 20;
    const int minY = static_cast<int>(static_cast<float>(height / 2) - minLevel);
    char text[256];
    if (name && name[0])
        std::snprintf(text, sizeof text, "GPU %u: %s - cur:%d\u00B0C - max:%d\u00B0C", gpu + 1, name,
                      static_cast<int>(newest), static_cast<int>(extremes.maximum));
    else
        std::snprintf(text, sizeof text, "GPU %u - cur:%d\u00B0C - max:%d\u00B0C", gpu + 1, static_cast<int>(newest),
                      static_cast<int>(extremes.maximum));
    canvas.DrawText(labelX, curY, kHudValueColor, text);
    std::snprintf(text, sizeof text, "min:%d\u00B0C", static_cast<int>(extremes.minimum));
    canvas.DrawText(labelX, minY, kHudValueColor, text);

    canvas.End2D();
}
