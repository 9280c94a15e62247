// Files the program writes for the user (results, the options file): created under a unique
// temporary name beside their final place, flushed to disk and renamed over it, so a reader
// never sees half a file, a failed write leaves an existing file alone and a link planted at
// a temporary name is never written through.
#pragma once

#include <string>

// Creates a new file beside `path` (same directory, name `<file>.<random>.tmp`) with
// O_CREAT|O_EXCL|O_NOFOLLOW and mode 0644 (less the umask). Returns the open descriptor and
// sets *tempPath, or -1 with errno set.
int CreateTempFileBeside(const std::string& path, std::string* tempPath);

// Writes text to path through such a temporary file, fsync and rename. On failure the reason
// ("cannot create ...: No such file or directory") goes to *error and nothing is left behind.
bool WriteFileAtomically(const std::string& path, const std::string& text, std::string* error);

// Whether WriteFileAtomically could put a file at path now: the directory takes a new file and
// path is not a directory or another non-regular file. Checked before a run, so that a bad
// path costs the user a second and not the run's results. Leaves nothing behind.
bool CheckOutputFileCreatable(const std::string& path, std::string* error);
