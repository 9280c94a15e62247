// Formatting half of the text seam.
#include "gfx/text_sink.h"

#include <cstdarg>
#include <cstdio>

void cHx7PTextSink::DrawText(int x, int y, float r, float g, float b, float a, const char* format,
                             ...)
{
    if (!format)
        return;
    // Bounded: a text longer than the buffer is truncated, never written past it. Not zeroed:
    // vsnprintf ends the text, and the HUD formats several a frame.
    char text[kTextBufferSize];
    text[0] = '\0';
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    DrawString(x, y, r, g, b, a, text);
}
