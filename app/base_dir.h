// Where the program lives and where its options file goes.
#pragma once

#include <string>

// The directory part of a path, ending in '/' ("" when the path has no '/').
std::string DirectoryOfPath(const std::string& path);
// The directory of the running executable from /proc/self/exe, ending in '/'; "" when the
// link cannot be read.
std::string ExecutableDirectory();

// The options file is read from and written to the executable's directory. When that
// directory is not writable (an installed program), it lives in $XDG_CONFIG_HOME/gridfall/
// (default ~/.config/gridfall/) instead; until a file exists there, the one beside the
// executable (if any) is read, so a packaged default still applies.
struct OptionsFilePaths {
    std::string read_path;    // "" when there is nowhere to read from
    std::string write_path;   // "" when there is nowhere to write
};
// xdgConfigHome and home are the environment's values (null when unset); baseWritable says
// whether the program directory can be written.
OptionsFilePaths ResolveOptionsFilePaths(const std::string& baseDir, const char* fileName,
                                         const char* xdgConfigHome, const char* home,
                                         bool baseWritable);
// The same with the process's environment.
OptionsFilePaths ResolveOptionsFilePaths(const std::string& baseDir, const char* fileName);

// Creates the directory of a file path and its parents (mode 0700 for new ones).
bool CreateParentDirectories(const std::string& filePath);
