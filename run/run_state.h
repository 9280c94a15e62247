// The run's live counters shared between the main thread and the render thread (FrameStats),
// and the result of a run (RunResult, kept by the run object, run/run.h).
//
// Threading: FrameStats fields are atomics (written by the render thread, read by the window
// title and the main thread). RunResult is written by the render thread and read by the main
// thread only after it has joined that thread.
#pragma once

#include <atomic>
#include <cstdint>

class cHx7PDemo;

struct FrameStats {
    std::atomic<int32_t> quit_requested{0};
    std::atomic<int32_t> run_finished{0};
    std::atomic<uint8_t> warmup_done{0};
    std::atomic<uint32_t> elapsed_ms{0};
    std::atomic<uint32_t> total_frames{0};
    std::atomic<uint32_t> frames_in_window{0};
    std::atomic<uint32_t> window_time_ms{0};
    std::atomic<uint32_t> last_time_ms{0};
    std::atomic<int32_t> current_fps{0};
    std::atomic<int32_t> min_fps{10000};
    std::atomic<int32_t> max_fps{0};
    std::atomic<int32_t> avg_fps{0};
    // Stability test: check frames drawn and error events so far (the HUD's "Checks:" line).
    std::atomic<uint32_t> check_frames{0};
    std::atomic<uint32_t> error_events{0};
    // The running render thread's scene, null otherwise. Key handling on the main thread
    // reaches the scene only through LockCurrentScene() (run/frame_loop.h), never directly.
    std::atomic<cHx7PDemo*> current_scene{nullptr};
};

struct RunResult {
    int32_t min_fps = 0;
    int32_t max_fps = 0;
    int32_t avg_fps = 0;
    int32_t total_frames = 0;
    // Frames of the measured time that took longer than a second (kLongFrameMs), and the
    // longest of them in ms (0 when none).
    uint32_t long_frames = 0;
    uint32_t longest_frame_ms = 0;
    uint32_t elapsed_ms = 0;      // measured real time (after the warm-up of a benchmark)
    // The run reached its end by itself (duration, frame limit or a stability limit), rather
    // than being ended by the user.
    bool finished = false;
};

// A frame longer than this is a "long frame": it counts with its real length in the measured
// time, but the scene's animation advances by at most this much, so a stall does not make the
// sphere jump.
inline constexpr uint32_t kLongFrameMs = 1000;

extern FrameStats g_frame_stats;
