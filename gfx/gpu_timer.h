// Each frame's GPU time from GL_TIME_ELAPSED queries, read a few frames late so the render
// thread never waits for a result. Render thread only; the context must be current.
#pragma once

#include <cstdint>

class cHx7PGpuTimer {
public:
    // Queries in the ring: a result has this many frames to arrive before its query is taken
    // again (and that frame's figure is lost rather than waited for).
    static constexpr int kQueries = 4;

    cHx7PGpuTimer() = default;
    ~cHx7PGpuTimer() { Release(); }
    cHx7PGpuTimer(const cHx7PGpuTimer&) = delete;
    cHx7PGpuTimer& operator=(const cHx7PGpuTimer&) = delete;
    cHx7PGpuTimer(cHx7PGpuTimer&& other) noexcept;
    cHx7PGpuTimer& operator=(cHx7PGpuTimer&& other) noexcept;

    // Creates the queries in the current context: GL 3.3 or GL_ARB_timer_query. False (and
    // every figure NaN) where the driver has no timer queries.
    bool Init();
    void Release();
    bool Available() const { return queries_[0] != 0; }

    // Around one frame's commands. Harmless without Init.
    void BeginFrame();
    void EndFrame();
    // The GPU time in ms of the newest frame whose result has arrived since the last call,
    // NaN when none has (or without timer queries). Never waits.
    double Collect();

    // Frames timed and results read so far (what Collect found, in order).
    uint64_t FramesIssued() const { return issued_; }
    uint64_t ResultsRead() const { return read_; }

private:
    uint32_t queries_[kQueries] = {};
    uint64_t issued_ = 0;   // frames whose query has ended
    uint64_t read_ = 0;     // results read or given up
    bool open_ = false;     // a query has begun and not ended
};
