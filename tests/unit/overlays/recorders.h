// Recording stand-ins for the HUD font and the graph's drawing slots.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "gfx/text_sink.h"
#include "scene/hud.h"
#include "scene/temperature_graph.h"

namespace overlays_test {

struct TextCall {
    int x;
    int y;
    std::array<float, 4> rgba;
    std::string text;
};

// Stands in for the HUD font behind the framework's text seam.
class RecordingFont : public cHx7PTextSink {
public:
    void DrawString(int x, int y, float r, float g, float b, float a, const char* text) override
    {
        calls.push_back({x, y, {r, g, b, a}, text});
    }
    std::vector<std::string> Texts() const
    {
        std::vector<std::string> out;
        for (const TextCall& c : calls)
            out.push_back(c.text);
        return out;
    }
    std::vector<TextCall> calls;
};

struct LineCall {
    std::array<float, 4> p1, c1, p2, c2;
    float width;
    int factor;
    unsigned short pattern;
};

class RecordingCanvas : public GraphCanvas {
public:
    void Begin2D(int w, int h, float n, float f) override
    {
        begins.push_back({static_cast<float>(w), static_cast<float>(h), n, f});
        ++depth;
    }
    void End2D() override { --depth; ++ends; }
    void SetStripVertex(unsigned index, const float xyzw[4]) override
    {
        if (index >= strip.size())
            strip.resize(index + 1);
        strip[index] = {xyzw[0], xyzw[1], xyzw[2], xyzw[3]};
        ++vertexWrites;
    }
    void DrawGraphStrip(unsigned count) override { stripDraws.push_back(count); }
    void DrawOverlayLine(const float p1[4], const float c1[4], const float p2[4], const float c2[4], float width,
                         int factor, unsigned short pattern) override
    {
        lines.push_back({{p1[0], p1[1], p1[2], p1[3]}, {c1[0], c1[1], c1[2], c1[3]},
                         {p2[0], p2[1], p2[2], p2[3]}, {c2[0], c2[1], c2[2], c2[3]}, width, factor, pattern});
    }
    void DrawText(int x, int y, const float rgba[4], const char* text) override
    {
        texts.push_back({x, y, {rgba[0], rgba[1], rgba[2], rgba[3]}, text});
    }

    std::vector<std::array<float, 4>> begins;
    int ends = 0;
    int depth = 0;
    std::vector<std::array<float, 4>> strip;
    unsigned vertexWrites = 0;
    std::vector<unsigned> stripDraws;
    std::vector<LineCall> lines;
    std::vector<TextCall> texts;
};

}  // namespace overlays_test
