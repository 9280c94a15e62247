// Profile-specific shader sources.
#include "scene/shader_source.h"

std::string ShaderSourceForProfile(std::string_view source, bool coreProfile)
{
    if (!coreProfile)
        return std::string(source);
    std::string out;
    out.reserve(source.size() + 16);
    bool versionDone = false;
    std::size_t pos = 0;
    while (pos < source.size()) {
        std::size_t end = source.find('\n', pos);
        const std::size_t next = end == std::string_view::npos ? source.size() : end + 1;
        const std::string_view line = source.substr(pos, next - pos);
        std::size_t first = line.find_first_not_of(" \t");
        const std::string_view text = first == std::string_view::npos ? "" : line.substr(first);
        if (!versionDone && text.starts_with("#version")) {
            out += "#version 400 core\n";
            versionDone = true;
        } else if (text.starts_with("#extension GL_EXT_gpu_shader4")) {
            out += '\n';   // keeps the line numbers of compiler messages
        } else {
            out += line;
        }
        pos = next;
    }
    return out;
}
