// Framework log routing.
#include "gfx/framework_log.h"

#include "core/log_file.h"

#include <cstdarg>
#include <cstdio>
#include <utility>

namespace {
std::function<void(const std::string&)>& Sink()
{
    static std::function<void(const std::string&)> sink;
    return sink;
}
}  // namespace

void Hx7PFrameworkLogWrite(const char* format, ...)
{
    char message[4096];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof(message), format, args);
    va_end(args);
    FrameworkLog().Write("%s", message);
    if (Sink())
        Sink()(message);
}

void SetHx7PFrameworkLogSink(std::function<void(const std::string&)> sink)
{
    Sink() = std::move(sink);
}
