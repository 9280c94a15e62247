// The framework's one way to log: every message of the framework classes (shader errors, the
// texture-size refusal, the render-target status, the font failure) goes to FrameworkLog(),
// which the program keeps switched off. Tests and diagnostics can listen in with a sink.
#pragma once

#include <functional>
#include <string>

// printf-style; one line. Formatted with a bound (4,096 bytes), longer text is truncated.
void Hx7PFrameworkLogWrite(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Receives each formatted line as well (after FrameworkLog()). An empty function removes it.
// Not thread-safe to change while the render thread logs: set it before, clear it after.
void SetHx7PFrameworkLogSink(std::function<void(const std::string&)> sink);
