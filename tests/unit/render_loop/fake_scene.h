// Small scenes and hosts that drive the render thread without a window or a GPU: the frame
// clock is a fake that the scene advances by a chosen frame time, so every figure of the
// frame loop is exact.
#pragma once

#include "run/frame_timer.h"
#include "run/frame_loop.h"
#include "run/run_state.h"
#include "scene/demo.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace gridfall_test {

class FakeFrameClock : public FrameClockSource {
public:
    uint64_t Counter() override { return counter.load(); }
    uint64_t Frequency() override { return frequency.load(); }
    uint32_t TickMs() override { return tick.load(); }

    // Moves both clocks on together, as a healthy machine does.
    void AdvanceMs(uint32_t ms)
    {
        counter.fetch_add(uint64_t(ms) * frequency.load() / 1000u);
        tick.fetch_add(ms);
    }

    std::atomic<uint64_t> counter{0};
    std::atomic<uint64_t> frequency{1000000000ull};
    std::atomic<uint32_t> tick{0};
};

// What a FakeScene saw, kept by the test because the render thread destroys the scene.
struct FakeSceneRecord {
    int initWidth = 0;
    int initHeight = 0;
    int frames = 0;
};

// A scene with no GL: each frame advances the fake clock by frameMs (or by what perFrame says).
class FakeScene : public cHx7PDemo {
public:
    explicit FakeScene(FakeFrameClock* clock = nullptr, FakeSceneRecord* record = nullptr)
        : clock_(clock), record_(record) {}
    ~FakeScene() override { destroyed()++; }

    bool Initialize(SDL_Window*, int width, int height) override
    {
        if (record_) {
            record_->initWidth = width;
            record_->initHeight = height;
        }
        if (onInitialize)
            onInitialize();
        return initResult;
    }
    void Terminate() override { terminated()++; }
    void RenderFrame(float dt) override
    {
        frameDts.push_back(dt);
        if (record_)
            record_->frames++;
        const uint32_t ms = perFrame ? perFrame(int(frameDts.size())) : frameMs;
        if (clock_)
            clock_->AdvanceMs(ms);
    }
    // Check frames: a small fixed picture unless checkFrame says otherwise; each takes
    // checkMs of the fake clock.
    bool RenderCheckFrame(CheckImage& out) override
    {
        ++checkFrames;
        if (clock_)
            clock_->AdvanceMs(checkMs);
        if (checkFrame)
            return checkFrame(checkFrames, out);
        out.width = out.height = 2;
        out.rgba.assign(16, 0x40);
        return true;
    }
    uint32_t GLErrorsSeen() const override { return glErrors; }
    uint32_t LastGLError() const override { return glErrors ? 0x0502u : 0u; }
    void Begin2D(int, int, float, float) override {}
    void End2D() override {}
    void DrawGraphStrip(unsigned) override {}
    void DrawOverlayLine(const float*, const float*, const float*, const float*, float, int,
                         unsigned short) override {}

    // Counters across instances (the render thread destroys its scene).
    static int& destroyed() { static int n = 0; return n; }
    static int& terminated() { static int n = 0; return n; }

    bool initResult = true;
    uint32_t frameMs = 10;
    std::function<uint32_t(int frame)> perFrame;  // frame is 1-based
    std::function<void()> onInitialize;
    std::function<bool(int check, CheckImage& out)> checkFrame;  // check is 1-based
    int checkFrames = 0;
    uint32_t checkMs = 0;
    uint32_t glErrors = 0;
    std::vector<float> frameDts;

private:
    FakeFrameClock* clock_;
    FakeSceneRecord* record_;
};

class FakeHost : public RenderThreadHost {
public:
    SDL_Window* Window() override { return nullptr; }
    void SetTitle(const char* title) override
    {
        std::lock_guard<std::mutex> lock(mutex);
        titles.emplace_back(title);
    }
    void PostCloseRequest() override { closeRequests++; }
    void OnSceneInitialised() override { initialised++; }
    void Sleep(uint32_t ms) override
    {
        std::lock_guard<std::mutex> lock(mutex);
        sleeps.push_back(ms);
    }

    std::mutex mutex;
    std::vector<std::string> titles;
    std::vector<uint32_t> sleeps;
    std::atomic<int> closeRequests{0};
    std::atomic<int> initialised{0};
};

}  // namespace gridfall_test
