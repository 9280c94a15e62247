// The "/switches" of the command line. Each switch is a plain, case-sensitive substring of the
// whole text, applied once from its first occurrence; values follow the switch directly.
#include "core/command_line.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>
#include <vector>

namespace {

// Every switch as it is looked up, the value's '=' included.
constexpr const char* kSwitches[] = {
    "/version", "/app_thread_priority=", "/rendering_thread_priority=", "/app_process_priority=",
    "/app_cpu_affinity=", "/rendering_cpu_affinity=", "/log_temperature", "/gl3_core_profile",
    "/gpuz_polling",
};

std::size_t EditDistance(std::string_view a, std::string_view b)
{
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1] ? 1 : 0)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

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

bool ContainsSwitch(std::string_view word)
{
    for (const char* name : kSwitches)
        if (word.find(name) != std::string_view::npos)
            return true;
    return false;
}

std::string NearestSwitch(std::string_view word)
{
    // Compared without the value: "/app_cpu_afinity=1" against "/app_cpu_affinity=".
    const std::size_t eq = word.find('=');
    const std::string_view name = word.substr(0, eq == std::string_view::npos ? word.size() : eq + 1);
    std::string best;
    std::size_t bestDistance = 4;  // more than three edits is another word, not a typo
    for (const char* candidate : kSwitches) {
        const std::size_t d = EditDistance(name, candidate);
        if (d < bestDistance) {
            bestDistance = d;
            best = candidate;
        }
    }
    return best;
}
