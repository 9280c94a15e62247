// A check frame of the stability test: the sphere drawn at a fixed animation time and camera,
// at the run's tessellation level, into an offscreen target of a fixed size, and read back
// (the scene draws it, scene/check_frame.cpp). The same commands on the same driver must give
// the same bytes every time; a difference means the GPU computed something wrong.
#pragma once

#include <cstdint>
#include <vector>

inline constexpr int kCheckFrameSize = 512;          // pixels, square
inline constexpr float kCheckFrameTime = 1.25f;      // animation time in seconds

// 8-bit RGBA, rows bottom first as GL reads them.
struct CheckImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;
};
