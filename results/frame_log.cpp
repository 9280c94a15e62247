// Per-frame log in MangoHud's CSV layout.
#include "results/frame_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>

namespace {

// Room one row can take: 16 numbers of at most 24 characters and their commas.
constexpr std::size_t kMaxRow = 17 * 25 + 1;

// MangoHud's values are written bare; a comma or a line break would shift every column.
std::string Bare(const std::string& text)
{
    std::string out = text;
    for (char& c : out)
        if (c == ',' || c == '\n' || c == '\r')
            c = ' ';
    return out;
}

char* Fixed(char* p, char* end, double value, int decimals)
{
    return std::to_chars(p, end, value, std::chars_format::fixed, decimals).ptr;
}

// A reading, or MangoHud's 0 for one it does not have.
char* Reading(char* p, char* end, float value, int decimals)
{
    if (!std::isfinite(value)) {
        *p++ = '0';
        return p;
    }
    return Fixed(p, end, value, decimals);
}

bool WriteAll(int fd, const char* data, std::size_t size, std::string* error)
{
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            *error = std::strerror(n < 0 ? errno : ENOSPC);
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// "Intel(R) Core(TM) i7" -> "Intel Core i7": parenthesised parts out, blanks squeezed.
std::string WithoutParentheses(const std::string& text)
{
    std::string out;
    int depth = 0;
    for (char c : text) {
        if (c == '(')
            ++depth;
        else if (c == ')' && depth > 0)
            --depth;
        else if (depth == 0 && !(c == ' ' && (out.empty() || out.back() == ' ')))
            out += c;
    }
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

}  // namespace

FrameLogPreamble MangoHudPreamble(const RunSystemFacts& f)
{
    FrameLogPreamble p;
    p.os = f.distribution;
    p.cpu = WithoutParentheses(f.cpu_model);
    p.gpu = WithoutParentheses(f.gl_renderer);
    p.ram = f.memory_kib >= 0 ? std::to_string(f.memory_kib) : std::string();
    p.kernel = f.kernel;
    p.driver = WithoutParentheses(f.gl_version);
    p.cpuscheduler = f.cpu_governor;
    return p;
}

const char* FrameLog::ColumnHeader()
{
    return "fps,frametime,cpu_load,cpu_power,gpu_load,cpu_temp,gpu_temp,gpu_core_clock,"
           "gpu_mem_clock,gpu_vram_used,gpu_power,ram_used,swap_used,process_rss,cpu_mhz,elapsed,gpu_frametime";
}

FrameLog::~FrameLog() { Discard(); }

bool FrameLog::Open(const std::string& path, const FrameLogPreamble& p, std::string* error)
{
    Discard();
    path_ = path;
    tmp_ = path + ".tmp" + std::to_string(getpid());
    // O_EXCL with O_NOFOLLOW: never write through a link someone planted at the temporary name.
    fd_ = open(tmp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd_ < 0) {
        *error = "cannot create " + tmp_ + ": " + std::strerror(errno);
        return false;
    }
    rows_ = 0;
    elapsedNs_ = 0;
    times_.Restart();
    tempSum_ = 0.0;
    tempRows_ = 0;
    tempPeak_ = 0.0f;
    used_ = 0;
    current_ = 0;
    pendingBytes_ = 0;
    stop_ = false;
    error_.clear();
    failed_ = false;
    const std::string head = std::string("os,cpu,gpu,ram,kernel,driver,cpuscheduler\n") +
                             Bare(p.os) + ',' + Bare(p.cpu) + ',' + Bare(p.gpu) + ',' +
                             Bare(p.ram) + ',' + Bare(p.kernel) + ',' + Bare(p.driver) + ',' +
                             Bare(p.cpuscheduler) + '\n' + ColumnHeader() + '\n';
    std::string why;
    if (!WriteAll(fd_, head.data(), head.size(), &why)) {
        *error = "cannot write " + tmp_ + ": " + why;
        Discard();
        return false;
    }
    writer_ = std::thread(&FrameLog::WriterMain, this);
    return true;
}

void FrameLog::Row(uint64_t frameNs, const FrameLogSensors& s)
{
    if (fd_ < 0 || failed_.load(std::memory_order_relaxed))
        return;
    elapsedNs_ += frameNs;
    times_.RecordFrame(static_cast<uint32_t>(std::min<uint64_t>(frameNs / 1000, UINT32_MAX)));
    if (std::isfinite(s.gpu_temp_c)) {
        tempSum_ += s.gpu_temp_c;
        tempPeak_ = tempRows_ == 0 ? s.gpu_temp_c : std::max(tempPeak_, s.gpu_temp_c);
        ++tempRows_;
    }
    if (kBufferSize - used_ < kMaxRow)
        HandOff();
    char* const start = buffers_[current_].data();
    char* p = start + used_;
    char* const end = start + kBufferSize;
    const double ms = static_cast<double>(frameNs) / 1e6;
    if (ms > 0)
        p = Fixed(p, end, 1000.0 / ms, 3);
    else
        *p++ = '0';
    *p++ = ',';
    p = Fixed(p, end, ms, 6);
    // cpu_load, cpu_power, gpu_load, cpu_temp: not measured.
    std::memcpy(p, ",0,0,0,0,", 9);
    p += 9;
    p = Reading(p, end, s.gpu_temp_c, 1);
    *p++ = ',';
    p = Reading(p, end, s.gpu_core_clock_mhz, 1);
    *p++ = ',';
    p = Reading(p, end, s.gpu_mem_clock_mhz, 1);
    // gpu_vram_used, gpu_power, ram_used, swap_used, process_rss, cpu_mhz: not measured.
    std::memcpy(p, ",0,0,0,0,0,0,", 13);
    p += 13;
    p = std::to_chars(p, end, elapsedNs_).ptr;
    *p++ = ',';
    p = Reading(p, end, s.gpu_frametime_ms, 6);
    *p++ = '\n';
    used_ = static_cast<std::size_t>(p - start);
    ++rows_;
}

std::string FrameLog::SummaryPath(const std::string& logPath)
{
    const std::string ext = ".csv";
    const bool csv = logPath.size() > ext.size() &&
                     logPath.compare(logPath.size() - ext.size(), ext.size(), ext) == 0 &&
                     logPath[logPath.size() - ext.size() - 1] != '/';
    return (csv ? logPath.substr(0, logPath.size() - ext.size()) : logPath) + "_summary.csv";
}

std::string FrameLog::SummaryText() const
{
    if (rows_ == 0 || elapsedNs_ == 0)
        return {};
    // MangoHud's "x% Min FPS" is the rate of the k-th slowest frame, k the whole part of x %
    // of the frames ("97% Percentile FPS" likewise), and 0 when k is not 1 or more.
    const auto rateAt = [&](double slowerShare) {
        const uint64_t k = static_cast<uint64_t>(std::floor(slowerShare * static_cast<double>(rows_) + 1e-9));
        if (k < 1 || k > rows_)
            return 0.0;
        const uint64_t rank = rows_ - k + 1;   // from the fastest
        const uint32_t us = times_.Percentile((static_cast<double>(rank) - 0.5) / static_cast<double>(rows_));
        return us > 0 ? 1e6 / us : 0.0;
    };
    const double avgFrameMs = static_cast<double>(elapsedNs_) / 1e6 / static_cast<double>(rows_);
    const double avgTemp = tempRows_ > 0 ? tempSum_ / static_cast<double>(tempRows_) : 0.0;
    // GPU and CPU load, then (after the frame time and GPU temperature) CPU temperature, VRAM,
    // RAM and swap, and later their peaks: not measured, MangoHud's 0. to_chars, not printf:
    // the numbers keep their decimal point whatever the locale.
    char line[512];
    char* p = line;
    char* const end = line + sizeof line;
    const auto put = [&](double value, int decimals, const char* after) {
        p = Fixed(p, end, value, decimals);
        const std::size_t n = std::strlen(after);
        std::memcpy(p, after, n);
        p += n;
    };
    put(rateAt(0.001), 3, ",");
    put(rateAt(0.01), 3, ",");
    put(rateAt(0.97), 3, ",");
    put(1000.0 / avgFrameMs, 3, ",0,0,");
    put(avgFrameMs, 6, ",");
    put(avgTemp, 3, ",0,0,0,0,0,0,");
    put(tempRows_ > 0 ? static_cast<double>(tempPeak_) : 0.0, 1, ",0,0,0,0\n");
    return std::string("0.1% Min FPS,1% Min FPS,97% Percentile FPS,Average FPS,GPU Load,CPU Load,"
                       "Average Frame Time,Average GPU Temp,Average CPU Temp,Average VRAM Used,"
                       "Average RAM Used,Average Swap Used,Peak GPU Load,Peak CPU Load,"
                       "Peak GPU Temp,Peak CPU Temp,Peak VRAM Used,Peak RAM Used,Peak Swap Used\n") +
           std::string(line, p);
}

void FrameLog::HandOff()
{
    std::unique_lock<std::mutex> lock(mutex_);
    // Only when the disk is a whole buffer behind does the caller wait here.
    wake_.wait(lock, [&] { return pendingBytes_ == 0; });
    pendingBytes_ = used_;
    current_ = 1 - current_;
    used_ = 0;
    wake_.notify_all();
}

void FrameLog::WriterMain()
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return pendingBytes_ > 0 || stop_; });
        if (pendingBytes_ > 0) {
            const char* data = buffers_[1 - current_].data();
            const std::size_t size = pendingBytes_;
            lock.unlock();
            std::string why;
            const bool ok = error_.empty() && WriteAll(fd_, data, size, &why);
            lock.lock();
            if (!ok && error_.empty()) {
                error_ = "cannot write " + tmp_ + ": " + why;
                failed_ = true;
            }
            pendingBytes_ = 0;
            wake_.notify_all();
            continue;
        }
        if (stop_)
            return;
    }
}

void FrameLog::StopWriter()
{
    if (!writer_.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    writer_.join();
}

bool FrameLog::Finish(std::string* error)
{
    if (fd_ < 0) {
        *error = "the frame log " + path_ + " was never opened";
        return false;
    }
    if (used_ > 0 && !failed_)
        HandOff();
    StopWriter();   // writes what was handed off before it stops
    if (close(fd_) != 0 && error_.empty())
        error_ = "cannot write " + tmp_ + ": " + std::strerror(errno);
    fd_ = -1;
    if (error_.empty() && rename(tmp_.c_str(), path_.c_str()) != 0)
        error_ = "cannot replace " + path_ + ": " + std::strerror(errno);
    if (!error_.empty()) {
        *error = error_;
        unlink(tmp_.c_str());
        return false;
    }
    return true;
}

void FrameLog::Discard()
{
    StopWriter();
    if (fd_ < 0)
        return;
    close(fd_);
    fd_ = -1;
    unlink(tmp_.c_str());
}
