// The "/switches" of the command line. Each switch is a plain, case-sensitive substring of the
// whole text, applied once from its first occurrence; values follow the switch directly.
#include "app/command_line.h"

#include <cctype>
#include <climits>
#include <cstring>

namespace {

// Reads what scanf's "%d" would at text: optional white space, an optional sign, decimal
// digits. False when no digit follows or the number does not fit 32 bits (the field then
// keeps its value rather than taking an undefined one).
bool ParseDecimal(const char* text, int32_t& out)
{
    const char* p = text;
    while (*p && std::isspace(static_cast<unsigned char>(*p)))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    if (!std::isdigit(static_cast<unsigned char>(*p)))
        return false;
    long long value = 0;
    while (std::isdigit(static_cast<unsigned char>(*p))) {
        value = value * 10 + (*p++ - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            return false;
    }
    if (negative)
        value = -value;
    if (value > INT_MAX || value < INT_MIN)
        return false;
    out = static_cast<int32_t>(value);
    return true;
}

const char* Find(const char* text, const char* option) { return std::strstr(text, option); }

// True when the switch is there with a valid value.
template <typename Field>
bool ApplyValue(const char* text, const char* option, Field& field)
{
    const char* at = Find(text, option);
    if (!at)
        return false;
    int32_t value;
    if (!ParseDecimal(at + std::strlen(option), value))
        return false;
    field = static_cast<Field>(value);  // masks and classes are handed on bit for bit
    return true;
}

}  // namespace

std::string JoinCommandLine(int argc, char** argv)
{
    std::string text;
    for (int i = 1; i < argc; ++i) {
        if (!argv || !argv[i])
            continue;
        if (!text.empty())
            text += ' ';
        text += argv[i];
    }
    return text;
}

void ApplyCommandLine(const char* commandLine, StartupOptions& options)
{
    if (!commandLine)
        return;
    if (Find(commandLine, "/version"))
        options.display_version = 1;
    ApplyValue(commandLine, "/app_thread_priority=", options.app_thread_priority);
    ApplyValue(commandLine, "/rendering_thread_priority=", options.rendering_thread_priority);
    ApplyValue(commandLine, "/app_process_priority=", options.app_process_priority);
    if (ApplyValue(commandLine, "/app_cpu_affinity=", options.app_cpu_affinity))
        options.app_cpu_affinity_given = 1;
    if (ApplyValue(commandLine, "/rendering_cpu_affinity=", options.rendering_cpu_affinity))
        options.rendering_cpu_affinity_given = 1;
    if (Find(commandLine, "/log_temperature"))
        options.log_temperature = 1;
    if (Find(commandLine, "/gl3_core_profile"))
        options.gl3_core_profile = 1;
    // Reads GPU-Z's shared memory during demo runs; benchmark runs clear it again.
    if (Find(commandLine, "/gpuz_polling"))
        options.gpuz_polling = 1;
}
