// Base directory and options file location.
#include "core/base_dir.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

std::string DirectoryOfPath(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string ExecutableDirectory()
{
    std::string buffer(4096, '\0');
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (n <= 0 || static_cast<std::size_t>(n) >= buffer.size() - 1)
        return {};
    buffer.resize(static_cast<std::size_t>(n));
    return DirectoryOfPath(buffer);
}

OptionsFilePaths ResolveOptionsFilePaths(const std::string& baseDir, const char* fileName,
                                         const char* xdgConfigHome, const char* home,
                                         bool portable)
{
    OptionsFilePaths paths;
    const std::string besideProgram = baseDir + fileName;
    if (!baseDir.empty() && portable) {
        paths.read_path = besideProgram;
        paths.write_path = besideProgram;
        return paths;
    }
    // XDG: a relative $XDG_CONFIG_HOME is invalid and is ignored.
    std::string configDir;
    if (xdgConfigHome && xdgConfigHome[0] == '/')
        configDir = xdgConfigHome;
    else if (home && home[0] == '/')
        configDir = std::string(home) + "/.config";
    if (configDir.empty()) {
        // Without a program directory there is nothing to read either (a bare file name
        // would be looked up in whatever the current directory is).
        if (!baseDir.empty())
            paths.read_path = besideProgram;
        return paths;
    }
    if (configDir.back() != '/')
        configDir += '/';
    paths.write_path = configDir + "gridfall/" + fileName;
    paths.read_path = ::access(paths.write_path.c_str(), F_OK) == 0 || baseDir.empty()
                          ? paths.write_path
                          : besideProgram;
    return paths;
}

const char* InstalledMarkerPath()
{
#ifdef GRIDFALL_INSTALLED_MARKER
    return GRIDFALL_INSTALLED_MARKER;
#else
    return "../share/gridfall/installed";
#endif
}

bool IsPortableProgramDirectory(const std::string& baseDir)
{
    if (baseDir.empty())
        return false;
    struct stat st {};
    if (::stat(baseDir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
        return false;
    if (::access(baseDir.c_str(), W_OK) != 0)
        return false;
    const std::string marker = (baseDir.back() == '/' ? baseDir : baseDir + '/') + InstalledMarkerPath();
    return ::access(marker.c_str(), F_OK) != 0;
}

OptionsFilePaths ResolveOptionsFilePaths(const std::string& baseDir, const char* fileName)
{
    return ResolveOptionsFilePaths(baseDir, fileName, std::getenv("XDG_CONFIG_HOME"),
                                   std::getenv("HOME"), IsPortableProgramDirectory(baseDir));
}

bool CreateParentDirectories(const std::string& filePath)
{
    const std::string dir = DirectoryOfPath(filePath);
    for (std::size_t pos = 1; pos <= dir.size(); ++pos) {
        if (pos != dir.size() && dir[pos] != '/')
            continue;
        const std::string part = dir.substr(0, pos);
        if (part.empty() || part == "/")
            continue;
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    return true;
}
