// The command line on arbitrary arguments (the input split at NUL bytes): the GNU options and
// the "/switches" parse and apply without a crash or undefined behaviour.
#include <cstdint>
#include <string>
#include <vector>

#include "core/command_line.h"
#include "core/gnu_options.h"
#include "core/startup_options.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string> words(1, "gridfall");
    words.emplace_back();
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            words.emplace_back();
        else
            words.back() += static_cast<char>(data[i]);
    }
    std::vector<char*> argv;
    for (std::string& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    const int argc = static_cast<int>(words.size());

    StartupOptions options;
    options.ResetToDefaults();
    ApplyCommandLine(JoinCommandLine(argc, argv.data()).c_str(), options);
    GnuCommandLine parsed;
    std::string error;
    if (ParseGnuCommandLine(argc, argv.data(), parsed, error)) {
        AutomationOptions automation;
        ApplyCommandLine(parsed.switch_text.c_str(), options);
        ApplyGnuOptions(parsed, options, automation);
    }
    return 0;
}
