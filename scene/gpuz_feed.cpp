// GPU-Z shared-memory reader. The block is written by another process without any locking, so
// it is copied in one go and only the copy is parsed.
#include "scene/gpuz_feed.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <utility>

#include "app/startup_options.h"

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

GpuzFeed::GpuzFeed(std::string shmName)
    : shmName_(std::move(shmName)), block_(new unsigned char[kGpuzBlockSize]())
{
}

bool GpuzFeed::Poll()
{
    lastResult_ = false;
    const int fd = shm_open(shmName_.c_str(), O_RDONLY, 0);
    if (fd < 0)
        return false;
    struct stat st {};
    if (fstat(fd, &st) != 0 || st.st_size < static_cast<off_t>(kGpuzBlockSize)) {
        close(fd);
        return false;
    }
    void* view = mmap(nullptr, kGpuzBlockSize, PROT_READ, MAP_SHARED, fd, 0);
    if (view == MAP_FAILED) {
        close(fd);
        return false;
    }
    std::memcpy(block_.get(), view, kGpuzBlockSize);
    munmap(view, kGpuzBlockSize);
    close(fd);

    if (!located_)
        LocateSensors();
    lastResult_ = true;
    return true;
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
    // Another process writes the block: NaN, infinities and values beyond a float are no
    // reading (and the conversion of the last would be undefined), so they read as unpublished.
    if (!std::isfinite(value) || std::fabs(value) > 1.0e30)
        return 0.0f;
    return static_cast<float>(value);
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
