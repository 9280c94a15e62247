// Facts of the machine a run measured.
#include "results/system_facts.h"

std::string GlDriverVersion(const std::string& v)
{
    std::size_t i = v.find(' ');
    if (i == std::string::npos)
        return {};
    std::string rest = v.substr(i + 1);
    // Mesa puts the profile first: "(Core Profile) Mesa 22.3.6".
    if (!rest.empty() && rest[0] == '(') {
        const std::size_t close = rest.find(')');
        rest = close == std::string::npos ? std::string() : rest.substr(close + 1);
    }
    const std::size_t first = rest.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : rest.substr(first);
}
