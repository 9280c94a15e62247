// Publishes a GPU-Z style shared-memory block for tests, under a name of the test's choosing.
#pragma once

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "scene/gpuz_feed.h"

namespace overlays_test {

// A block in memory; Publish writes it to POSIX shared memory.
class GpuzBlock {
public:
    explicit GpuzBlock(std::size_t size = kGpuzBlockSize) : bytes_(size, 0) {}

    // Writes sensor record `index`: name as UTF-16LE (terminated unless it fills all 256 units).
    void SetSensor(std::size_t index, const std::string& name, double value)
    {
        unsigned char* rec = Record(index);
        std::memset(rec, 0, kGpuzSensorRecordSize);
        for (std::size_t i = 0; i < name.size() && i < kGpuzNameChars; ++i)
            rec[2 * i] = static_cast<unsigned char>(name[i]);
        std::memcpy(rec + kGpuzValueOffset, &value, sizeof value);
    }
    // A name of exactly 256 units with no terminator: `prefix` followed by 'x's.
    void SetUnterminatedName(std::size_t index, const std::string& prefix, double value)
    {
        SetSensor(index, prefix + std::string(kGpuzNameChars - prefix.size(), 'x'), value);
    }
    unsigned char* Record(std::size_t index) { return bytes_.data() + kGpuzSensorsOffset + index * kGpuzSensorRecordSize; }
    std::vector<unsigned char>& Bytes() { return bytes_; }

private:
    std::vector<unsigned char> bytes_;
};

// Owns one shared-memory object for the life of the test.
class ShmPublisher {
public:
    explicit ShmPublisher(std::string name) : name_(std::move(name)) { shm_unlink(name_.c_str()); }
    ~ShmPublisher() { shm_unlink(name_.c_str()); }
    ShmPublisher(const ShmPublisher&) = delete;
    ShmPublisher& operator=(const ShmPublisher&) = delete;

    // Creates or replaces the object with the block's bytes (its size included).
    bool Publish(GpuzBlock& block)
    {
        const int fd = shm_open(name_.c_str(), O_RDWR | O_CREAT, 0600);
        if (fd < 0)
            return false;
        const std::vector<unsigned char>& bytes = block.Bytes();
        bool ok = ftruncate(fd, static_cast<off_t>(bytes.size())) == 0;
        if (ok && !bytes.empty()) {
            void* p = mmap(nullptr, bytes.size(), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
            ok = p != MAP_FAILED;
            if (ok) {
                std::memcpy(p, bytes.data(), bytes.size());
                munmap(p, bytes.size());
            }
        }
        close(fd);
        return ok;
    }
    void Withdraw() { shm_unlink(name_.c_str()); }
    const std::string& Name() const { return name_; }

private:
    std::string name_;
};

// A name no other test process uses at the same time.
inline std::string UniqueShmName(const char* tag)
{
    return "/gridfall-test-" + std::string(tag) + "-" + std::to_string(getpid());
}

}  // namespace overlays_test
