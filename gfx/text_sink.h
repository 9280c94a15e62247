// cHx7PTextSink: where HUD text goes. cHx7PBitmapFont draws it from a glyph atlas; tests of
// the HUD substitute a recording sink that keeps the strings and positions instead.
//
// The seam: callers format with DrawText (printf-style, non-virtual); the formatted text
// reaches the one virtual operation, DrawString. A recording sink overrides DrawString only.
#pragma once

#include <cstddef>

class cHx7PTextSink {
public:
    // Formatted text is cut at this many bytes minus one.
    static constexpr std::size_t kTextBufferSize = 4096;

    virtual ~cHx7PTextSink() = default;

    // x, y: pixels from the left and from the top of the viewport area; colour 0..1.
    // A null format does nothing. Longer text than the buffer holds is truncated.
    void DrawText(int x, int y, float r, float g, float b, float a, const char* format, ...)
        __attribute__((format(printf, 8, 9)));

    // Receives the formatted text (NUL-terminated, at most kTextBufferSize - 1 bytes).
    virtual void DrawString(int x, int y, float r, float g, float b, float a, const char* text) = 0;
};
