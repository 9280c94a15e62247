// The options file reader on arbitrary bytes: never a crash, a read out of bounds or undefined
// behaviour, and what it applies survives the writer and a second read unchanged.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/options_file.h"
#include "core/startup_options.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    StartupOptions options;
    ApplyStartupOptionsText(std::string_view(reinterpret_cast<const char*>(data), size), options);
    // Whatever was read is written and read back to the same file.
    const std::string written = FormatStartupOptionsFile(options);
    StartupOptions again;
    ApplyStartupOptionsText(written, again);
    if (FormatStartupOptionsFile(again) != written)
        std::abort();
    return 0;
}
