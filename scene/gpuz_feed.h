// Reader of the shared-memory block that the GPU-Z monitoring tool publishes (POSIX shared
// memory "/GPUZShMem", 200204 bytes, little-endian, packed): the live core and memory clocks,
// GPU temperature, core voltage and core current of its sensor list.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// Layout of the block, as GPU-Z publishes it. Only the sensor records are read.
inline constexpr std::size_t kGpuzBlockSize = 200204;
inline constexpr std::size_t kGpuzSensorsOffset = 131084;   // after 12 header bytes and 128 data records
inline constexpr std::size_t kGpuzSensorCount = 128;
inline constexpr std::size_t kGpuzSensorRecordSize = 540;
inline constexpr std::size_t kGpuzNameChars = 256;          // UTF-16 units of a sensor name
inline constexpr std::size_t kGpuzUnitOffset = 512;         // 8 UTF-16 units
inline constexpr std::size_t kGpuzDigitsOffset = 528;       // uint32
inline constexpr std::size_t kGpuzValueOffset = 532;        // IEEE double, unaligned

inline constexpr const char* kGpuzShmName = "/GPUZShMem";

// A block whose bytes have not changed for this long comes from a producer that has stopped
// (GPU-Z updates its clocks and temperature several times a second): its values are stale.
inline constexpr int64_t kGpuzStaleAfterMs = 5000;

// The five sensors the program reads, in the order their indices are kept.
enum class GpuzSensor : int { CoreClock = 0, MemoryClock, Temperature, Current, Voltage };
inline constexpr int kGpuzSensorKinds = 5;
// The names GPU-Z gives them ("VDDC Current" is the core current, "VDDC" the core voltage).
const char* GpuzSensorName(GpuzSensor sensor);

// One reader: a private copy of the block and the sensor indices. The indices are located in
// the first block this reader sees and kept for every later copy, as GPU-Z does not reorder its
// list while it runs.
class GpuzFeed {
public:
    // clockMs: a monotonic clock in milliseconds (CLOCK_MONOTONIC when empty); tests pass their own.
    explicit GpuzFeed(std::string shmName = kGpuzShmName, std::function<int64_t()> clockMs = {});
    GpuzFeed(const GpuzFeed&) = delete;
    GpuzFeed& operator=(const GpuzFeed&) = delete;

    // Opens the block read-only, copies it with pread and closes it again; nothing is mapped, so
    // a block that shrinks or vanishes meanwhile is merely absent. False (and the last result
    // false) when no block is published, when it is shorter than the layout, or when it belongs
    // to a user other than ours or root (anyone may publish under the name).
    bool Poll();
    // Takes kGpuzBlockSize bytes as the latest copy, as Poll does after reading them.
    void AcceptBlock(const unsigned char* bytes);
    // True when the latest copy is the same as every copy of the last kGpuzStaleAfterMs.
    bool Stale() const { return stale_; }
    bool LastResult() const { return lastResult_; }
    bool Located() const { return located_; }
    // Index of a sensor record in the block, -1 when the block does not publish it (or before
    // the first successful poll).
    int32_t Index(GpuzSensor sensor) const { return indices_[static_cast<int>(sensor)]; }
    // The sensor's value in the latest copy; 0 when it was not found or when the number is not
    // finite or outside what the sensor can plausibly read (a damaged or hostile block).
    float Value(GpuzSensor sensor) const;

    const std::string& ShmName() const { return shmName_; }

private:
    void LocateSensors();

    std::string shmName_;
    std::function<int64_t()> clockMs_;
    std::unique_ptr<unsigned char[]> block_;   // kGpuzBlockSize bytes, zero until the first copy
    std::unique_ptr<unsigned char[]> incoming_;   // the copy being read
    bool haveBlock_ = false;                      // block_ holds the previous poll's copy
    int64_t unchangedSinceMs_ = 0;
    bool stale_ = false;
    int32_t indices_[kGpuzSensorKinds] = {-1, -1, -1, -1, -1};
    bool located_ = false;
    bool lastResult_ = false;
};

// True when the UTF-16LE name of 256 units equals the ASCII text exactly (case-sensitive). A
// name without a terminator is compared within its 256 units only.
bool GpuzNameEquals(const unsigned char* utf16Name, const char* ascii);

// The process-wide reader: its indices are located once per process and reused across runs.
GpuzFeed& ProcessGpuzFeed();

// Reads the process-wide block when the GPU-Z polling flag (StartupOptions::gpuz_polling) is
// on; false at once when it is off.
bool PollGpuz();
float GetGpuzCoreClock();     // MHz
float GetGpuzMemoryClock();   // MHz
float GetGpuzTemperature();   // degrees C
float GetGpuzCurrent();       // A
float GetGpuzVoltage();       // V
bool IsGpuzStale();
