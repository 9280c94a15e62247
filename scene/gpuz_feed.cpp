// GPU-Z shared-memory reader. The block is written by another process without any locking, so
// it is copied in one go and only the copy is parsed.
#include "scene/gpuz_feed.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <utility>

#include "core/startup_options.h"

const char* GpuzSensorName(GpuzSensor sensor)
{
    switch (sensor) {
    case GpuzSensor::CoreClock: return "GPU Core Clock";
    case GpuzSensor::MemoryClock: return "GPU Memory Clock";
    case GpuzSensor::Temperature: return "GPU Temperature";
    case GpuzSensor::Current: return "VDDC Current";
    case GpuzSensor::Voltage: return "VDDC";
    }
    return "";
}

bool GpuzNameEquals(const unsigned char* utf16Name, const char* ascii)
{
    const std::size_t wanted = std::strlen(ascii);
    for (std::size_t i = 0; i < kGpuzNameChars; ++i) {
        const unsigned unit = utf16Name[2 * i] | (utf16Name[2 * i + 1] << 8);
        const unsigned expect = i < wanted ? static_cast<unsigned char>(ascii[i]) : 0u;
        if (unit != expect)
            return false;
        if (unit == 0)
            return true;
    }
    // 256 units matched without a terminator: only a text of 256 characters or more gets here.
    return true;
}

namespace {

int64_t MonotonicMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

bool ReadExactly(int fd, unsigned char* out, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, out + done, size - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;   // shrunk or vanished since fstat
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// What each sensor can read on any card, with room to spare; anything else is damage.
bool Plausible(GpuzSensor sensor, double value)
{
    if (!std::isfinite(value))
        return false;
    switch (sensor) {
    case GpuzSensor::CoreClock:
    case GpuzSensor::MemoryClock: return value >= 0.0 && value <= 100000.0;   // MHz
    case GpuzSensor::Temperature: return value >= -100.0 && value <= 300.0;    // degrees C
    case GpuzSensor::Current: return value >= 0.0 && value <= 5000.0;          // A
    case GpuzSensor::Voltage: return value >= 0.0 && value <= 10.0;            // V
    }
    return false;
}

}  // namespace

GpuzFeed::GpuzFeed(std::string shmName, std::function<int64_t()> clockMs)
    : shmName_(std::move(shmName)),
      clockMs_(clockMs ? std::move(clockMs) : std::function<int64_t()>(MonotonicMs)),
      block_(new unsigned char[kGpuzBlockSize]()),
      incoming_(new unsigned char[kGpuzBlockSize]())
{
}

bool GpuzFeed::Poll()
{
    lastResult_ = false;
    const int fd = shm_open(shmName_.c_str(), O_RDONLY, 0);
    if (fd < 0) {
        haveBlock_ = false;
        stale_ = false;
        return false;
    }
    struct stat st {};
    const bool trusted = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
                         st.st_size >= static_cast<off_t>(kGpuzBlockSize) &&
                         (st.st_uid == getuid() || st.st_uid == 0);
    // pread, not a mapping: a publisher that shrinks the block after fstat gives a short read
    // here, where a mapped copy would die of SIGBUS.
    const bool read = trusted && ReadExactly(fd, incoming_.get(), kGpuzBlockSize);
    close(fd);
    if (!read) {
        haveBlock_ = false;
        stale_ = false;
        return false;
    }
    AcceptBlock(incoming_.get());
    lastResult_ = true;
    return true;
}

void GpuzFeed::AcceptBlock(const unsigned char* bytes)
{
    const int64_t now = clockMs_();
    if (!haveBlock_ || std::memcmp(bytes, block_.get(), kGpuzBlockSize) != 0)
        unchangedSinceMs_ = now;
    if (bytes != block_.get())
        std::memcpy(block_.get(), bytes, kGpuzBlockSize);
    haveBlock_ = true;
    stale_ = now - unchangedSinceMs_ >= kGpuzStaleAfterMs;
    if (!located_)
        LocateSensors();
}

void GpuzFeed::LocateSensors()
{
    for (int32_t& index : indices_)
        index = -1;
    for (std::size_t record = 0; record < kGpuzSensorCount; ++record) {
        const unsigned char* name = block_.get() + kGpuzSensorsOffset + record * kGpuzSensorRecordSize;
        for (int kind = 0; kind < kGpuzSensorKinds; ++kind) {
            // The first record of a name wins: some cards list "VDDC" twice.
            if (indices_[kind] < 0 && GpuzNameEquals(name, GpuzSensorName(static_cast<GpuzSensor>(kind))))
                indices_[kind] = static_cast<int32_t>(record);
        }
    }
    located_ = true;
}

float GpuzFeed::Value(GpuzSensor sensor) const
{
    const int32_t index = Index(sensor);
    if (index < 0 || index >= static_cast<int32_t>(kGpuzSensorCount))
        return 0.0f;
    double value = 0.0;
    std::memcpy(&value,
                block_.get() + kGpuzSensorsOffset + static_cast<std::size_t>(index) * kGpuzSensorRecordSize +
                    kGpuzValueOffset,
                sizeof value);
    // Checked before the conversion: a double beyond float's range converts undefined.
    return Plausible(sensor, value) ? static_cast<float>(value) : 0.0f;
}

GpuzFeed& ProcessGpuzFeed()
{
    static GpuzFeed feed;
    return feed;
}

bool PollGpuz()
{
    if (!g_startup_options.gpuz_polling)
        return false;
    return ProcessGpuzFeed().Poll();
}

float GetGpuzCoreClock() { return ProcessGpuzFeed().Value(GpuzSensor::CoreClock); }
float GetGpuzMemoryClock() { return ProcessGpuzFeed().Value(GpuzSensor::MemoryClock); }
float GetGpuzTemperature() { return ProcessGpuzFeed().Value(GpuzSensor::Temperature); }
float GetGpuzCurrent() { return ProcessGpuzFeed().Value(GpuzSensor::Current); }
float GetGpuzVoltage() { return ProcessGpuzFeed().Value(GpuzSensor::Voltage); }
bool IsGpuzStale() { return ProcessGpuzFeed().Stale(); }
