// The benchmark scene's abstract base: API-independent state of the scene (matrices, decoded
// images, meshes, GPU records, sensor histories) and the virtual operations the render thread
// and the temperature graph call. Every operation runs on the render thread, except the key
// toggles, which the main thread flips (single-byte atomics, read once per frame).
#pragma once

#include <atomic>
#include <cstdint>

struct SDL_Window;

class cHx7PDemo {
public:
    cHx7PDemo() = default;
    virtual ~cHx7PDemo() = default;                                   // slot 0
    cHx7PDemo(const cHx7PDemo&) = delete;
    cHx7PDemo& operator=(const cHx7PDemo&) = delete;

    virtual bool Initialize(SDL_Window* window, int width, int height) = 0;  // slot 1
    virtual void Terminate() = 0;                                     // slot 2
    virtual void ClearAndPresent() = 0;                               // slot 3
    virtual void RenderFrame(float dtSeconds) = 0;                    // slot 4
    virtual bool UploadExtraTextures() = 0;                           // slot 5
    virtual bool ReleaseExtraTextures() = 0;                          // slot 6
    virtual void PresentFrame() = 0;                                  // slot 7
    virtual void Begin2D(int width, int height, float zNear, float zFar) = 0;  // slot 8
    virtual void End2D() = 0;                                         // slot 9
    virtual void DrawGraphStrip(unsigned count) = 0;                  // slot 10
    virtual void DrawOverlayLine(const float p1[4], const float c1[4], const float p2[4],
                                 const float c2[4], float width, int stippleFactor,
                                 unsigned short stipplePattern) = 0;  // slot 11

    // Key toggles (the main thread calls these; ignored by the caller in benchmark runs).
    void ToggleTessellatedObject() { draw_tessellated_object.fetch_xor(1); }
    void ToggleHelp() { showHelp.fetch_xor(1); }
    void ToggleWireframe() { wireframe.fetch_xor(1); }
    // P: pause and resume; the times are taken on the render thread at the next frame.
    void TogglePause() { pauseRequests.fetch_add(1); }

    // Identity.
    int32_t apiCode = 0;
    char apiName[64] = "OpenGL 4";

    // Timing. frameDt is written by the frame loop before each RenderFrame.
    float frameDt = 0.016f;
    float time = 0.0f;

    // Display toggles.
    std::atomic<uint8_t> draw_tessellated_object{1};
    std::atomic<uint8_t> showHelp{0};
    std::atomic<uint8_t> wireframe{0};
    uint8_t cullFaces = 0;
    uint8_t drawBackground = 1;
    uint8_t paused = 0;
    float pauseStart = 0.0f;
    float pauseEnd = 0.0f;
    float pausedTotal = 0.0f;
    // Pause toggles requested by the main thread and not yet applied by RenderFrame.
    std::atomic<uint32_t> pauseRequests{0};
};
