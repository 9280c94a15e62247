// Where the program lives and where its options file goes.
#pragma once

#include <string>

// The directory part of a path, ending in '/' ("" when the path has no '/').
std::string DirectoryOfPath(const std::string& path);
// The directory of the running executable from /proc/self/exe, ending in '/'; "" when the
// link cannot be read.
std::string ExecutableDirectory();

// A portable copy (a build tree, an unpacked folder the user owns) keeps its options file
// beside the executable. An installed copy keeps it in $XDG_CONFIG_HOME/gridfall/ (default
// ~/.config/gridfall/); until a file exists there, the one beside the executable (if any) is
// read, so a packaged default still applies.
struct OptionsFilePaths {
    std::string read_path;    // "" when there is nowhere to read from
    std::string write_path;   // "" when there is nowhere to write
};
// xdgConfigHome and home are the environment's values (null when unset); portable says
// whether the program directory is a portable copy's (IsPortableProgramDirectory).
OptionsFilePaths ResolveOptionsFilePaths(const std::string& baseDir, const char* fileName,
                                         const char* xdgConfigHome, const char* home,
                                         bool portable);

// Where `cmake --install` puts its marker, relative to the executable's directory
// ("../share/gridfall/installed" for the usual bin/ and share/ layout).
const char* InstalledMarkerPath();
// Whether the executable's directory belongs to a portable copy: the user owns it and can
// write it, and no install marker lies beside it. An installed copy is one under an install
// prefix (marked, whatever the prefix or DESTDIR) or in a directory the user does not own:
// even root, who can write /usr/bin, must not leave settings there.
bool IsPortableProgramDirectory(const std::string& baseDir);
// The same with the process's environment.
OptionsFilePaths ResolveOptionsFilePaths(const std::string& baseDir, const char* fileName);

// Creates the directory of a file path and its parents (mode 0700 for new ones).
bool CreateParentDirectories(const std::string& filePath);
