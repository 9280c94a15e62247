// The per-frame log (--frame-log) in the CSV layout of MangoHud's logs (that of MangoHud
// 0.8.2 and later, which added cpu_mhz), so the viewers and plotting scripts written for
// those read Gridfall's runs as they are:
//
//   os,cpu,gpu,ram,kernel,driver,cpuscheduler
//   <one line of those values>
//   fps,frametime,cpu_load,cpu_power,gpu_load,cpu_temp,gpu_temp,gpu_core_clock,gpu_mem_clock,gpu_vram_used,gpu_power,ram_used,swap_used,process_rss,cpu_mhz,elapsed,gpu_frametime
//   <one row per measured frame>
//
// frametime is in milliseconds, fps its inverse, gpu_temp in degrees C and the clocks in MHz
// (GPU 0, as of the last sensor poll), elapsed in nanoseconds of measured time since the log
// started. elapsed is the sum of the frame times up to and including its row, so a viewer
// that derives the frame rate from frametime shows the rate the run really had: whatever
// happened between two frames (a stability test's check frame) is the next frame's time.
// gpu_frametime, a column of Gridfall's own after MangoHud's (whose readers go by the header),
// is the GPU time in ms of the newest frame whose timer-query result arrived with this row:
// results are read a frame or two late, never waited for; 0 where none arrived or the driver
// has no timer queries. The columns Gridfall does not measure hold 0, which is what MangoHud
// writes for a value it has no reading of. MangoHud's values carry no quoting, so a comma or line break inside a
// preamble value becomes a blank.
//
// Beside the log goes MangoHud's summary file (SummaryPath), one header line and one line of
// figures computed from the log's rows (SummaryText).
//
// Rows are formatted into one of two fixed buffers; a full buffer goes to a writer thread of
// the log's own, so the render thread never waits for the disk (only if the disk falls a whole
// buffer behind does it wait for the writer). Memory stays the same however long the run.
// The file is written under a temporary name beside the target (never through a link planted
// there) and renamed over the target when the log is finished, so a reader never sees half a
// log.
#pragma once

#include <cstddef>
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <limits>
#include <mutex>
#include <string>
#include <thread>

#include "results/frame_time_stats.h"
#include "results/system_facts.h"

// The preamble's values, as MangoHud fills them: os (distribution name), cpu (model), gpu
// (renderer), ram (total memory, as MangoHud's "ram" text), kernel (release), driver (the GL
// driver's version text), cpuscheduler (the CPU frequency governor).
struct FrameLogPreamble {
    std::string os, cpu, gpu, ram, kernel, driver, cpuscheduler;
};

// GPU 0's readings written with each row; NaN (not measured) is written as MangoHud's 0.
struct FrameLogSensors {
    float gpu_temp_c = std::numeric_limits<float>::quiet_NaN();
    float gpu_core_clock_mhz = std::numeric_limits<float>::quiet_NaN();
    float gpu_mem_clock_mhz = std::numeric_limits<float>::quiet_NaN();
    float gpu_frametime_ms = std::numeric_limits<float>::quiet_NaN();   // timer queries
};

// The preamble from the run's facts, each value the way MangoHud derives its own: the CPU
// model, the renderer and the GL version without their parenthesised parts, ram as MemTotal
// in KiB.
FrameLogPreamble MangoHudPreamble(const RunSystemFacts& facts);

class FrameLog {
public:
    static constexpr std::size_t kBufferSize = 64 * 1024;

    FrameLog() = default;
    ~FrameLog();
    FrameLog(const FrameLog&) = delete;
    FrameLog& operator=(const FrameLog&) = delete;

    // Creates the temporary file and writes the preamble and the column header. False with
    // the reason in `error`.
    bool Open(const std::string& path, const FrameLogPreamble& preamble, std::string* error);
    bool IsOpen() const { return fd_ >= 0; }

    // One frame of `frameNs` nanoseconds; its elapsed value is the sum of the frame times so
    // far. Allocates nothing and does not touch the file; after a write error further rows
    // are dropped and Finish reports it. One thread at a time (the render thread).
    void Row(uint64_t frameNs, const FrameLogSensors& sensors);
    uint64_t Rows() const { return rows_; }
    uint64_t ElapsedNs() const { return elapsedNs_; }

    // MangoHud's summary of the rows written since Open: its header line and one line of
    // figures (frame rates from the frame times by the nearest-rank rule, the average over
    // the elapsed time, GPU 0's average and peak temperature; 0 for what is not measured).
    // Empty without rows: MangoHud writes no summary for an empty log.
    std::string SummaryText() const;
    // Where MangoHud puts the summary of a log: "<log without .csv>_summary.csv".
    static std::string SummaryPath(const std::string& logPath);

    // Writes what is buffered and renames the file over the target. False with the reason
    // (also for an earlier write error); the target is then left as it was.
    bool Finish(std::string* error);
    // Drops the temporary file without touching the target.
    void Discard();

    // MangoHud's column header line, without the line end.
    static const char* ColumnHeader();

private:
    // Hands the filled buffer to the writer and continues in the other one.
    void HandOff();
    void WriterMain();
    void StopWriter();

    int fd_ = -1;
    std::string path_, tmp_;
    uint64_t rows_ = 0;
    uint64_t elapsedNs_ = 0;
    // For the summary: the frame times' histogram and GPU 0's temperatures.
    FrameTimeStats times_;
    double tempSum_ = 0.0;
    uint64_t tempRows_ = 0;
    float tempPeak_ = 0.0f;
    std::size_t used_ = 0;                 // bytes in buffers_[current_]
    std::size_t current_ = 0;
    std::array<std::array<char, kBufferSize>, 2> buffers_;

    // Shared with the writer thread, under mutex_.
    std::mutex mutex_;
    std::condition_variable wake_;
    std::size_t pendingBytes_ = 0;         // bytes of buffers_[1 - current_] to write; 0: idle
    bool stop_ = false;
    std::string error_;                    // first write error
    std::atomic<bool> failed_{false};      // error_ is set; Row reads it without the lock
    std::thread writer_;
};
