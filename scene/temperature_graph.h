// One temperature graph per GPU in stability-test runs: the newest samples as a line strip over
// a solid base and vertical axis, dashed lines at the run's minimum and at the newest sample,
// and two labels. Geometry is in window pixels relative to the window centre, y up.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

inline constexpr int kGraphCapacity = 1000;     // samples shown, one per second of the run
inline constexpr float kGraphCurveColor[4] = {0.0f, 1.0f, 0.2f, 1.0f};
inline constexpr float kGraphAxisColor[4] = {0.8f, 0.8f, 0.8f, 1.0f};
inline constexpr float kGraphMinLineColor[4] = {0.3f, 0.6f, 1.0f, 1.0f};
inline constexpr float kGraphCurrentLineColor[4] = {1.0f, 0.5f, 0.2f, 1.0f};
inline constexpr unsigned short kSolidPattern = 0xFFFF;
inline constexpr unsigned short kDashedPattern = 0xF0F0;

struct GraphLayout {
    float x0 = 0;   // left
    float x1 = 0;   // right
    float y0 = 0;   // base line
};
// The graph of GPU `gpu` (0-based): 170 px from the left edge, 150 px from the right, the first
// 20 px above the bottom and each further one 200 px higher.
GraphLayout GraphLayoutFor(int width, int height, unsigned gpu);
// Height of a temperature above the base line: 2 px per degree above 20 degrees C; colder
// temperatures sit on the base line.
float GraphLevel(float temperature);

// What a graph draws with: the scene's 2D slots, its line strip and the HUD font.
class GraphCanvas {
public:
    virtual ~GraphCanvas() = default;
    virtual void Begin2D(int width, int height, float zNear, float zFar) = 0;
    virtual void End2D() = 0;
    // Point i of the line strip (capacity kGraphCapacity), x y z w.
    virtual void SetStripVertex(unsigned index, const float xyzw[4]) = 0;
    virtual void DrawGraphStrip(unsigned count) = 0;
    virtual void DrawOverlayLine(const float p1[4], const float c1[4], const float p2[4], const float c2[4],
                                 float width, int stippleFactor, unsigned short stipplePattern) = 0;
    // Window pixels from the top-left corner, formatted UTF-8 text.
    virtual void DrawText(int x, int y, const float rgba[4], const char* text) = 0;
};

// Extremes of one GPU's graph, carried from frame to frame.
struct GraphExtremes {
    float maximum = 0.0f;   // largest temperature of the run
    float minimum = 0.0f;   // smallest temperature of the run
    bool started = false;   // set by the first graph: minimum = first sample, maximum = 0
};

// Newest samples of one GPU, oldest first, copied out of its history each frame. The copy is
// bounded by the graph's capacity so a day-long run costs what a fresh one does.
class GraphWindow {
public:
    // Copies the last at most kGraphCapacity temperatures of `count` samples; sampleAt(i)
    // returns the temperature of sample i.
    template <class SampleAt>
    void Fill(std::size_t count, SampleAt sampleAt)
    {
        const std::size_t first = count > kGraphCapacity ? count - kGraphCapacity : 0;
        size_ = count - first;
        for (std::size_t i = 0; i < size_; ++i)
            temperatures_[i] = sampleAt(first + i);
    }
    std::span<const float> Samples() const { return {temperatures_.data(), size_}; }

private:
    std::array<float, kGraphCapacity> temperatures_{};
    std::size_t size_ = 0;
};

// Draws the graph of GPU `gpu` from its newest samples (`window`) and updates its extremes.
// `firstSample` is the history's first temperature (starts the minimum); name may be empty.
void DrawTemperatureGraph(GraphCanvas& canvas, int width, int height, unsigned gpu, const char* name,
                          float firstSample, std::span<const float> window, GraphExtremes& extremes);
