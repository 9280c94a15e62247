// Files the program writes for the user (results, the options file): created under a unique
// temporary name beside their final place, flushed to disk and renamed over it, so a reader
// never sees half a file, a failed write leaves an existing file alone and a link planted at
// a temporary name is never written through.
#pragma once

#include <string>
#include <vector>

// Creates a new file beside `path` (same directory, name `<file>.<random>.tmp`) with
// O_CREAT|O_EXCL|O_NOFOLLOW and mode 0644 (less the umask). Returns the open descriptor and
// sets *tempPath, or -1 with errno set.
int CreateTempFileBeside(const std::string& path, std::string* tempPath);

// Writes text to path through such a temporary file, fsync and rename. On failure the reason
// ("cannot create ...: No such file or directory") goes to *error and nothing is left behind.
bool WriteFileAtomically(const std::string& path, const std::string& text, std::string* error);

// Whether WriteFileAtomically could put a file at path now: the directory takes a new file and
// path is a regular file or a new name. A directory, a device, a FIFO or a symbolic link is
// refused: the file is put in place by renaming, which would replace a link (/dev/stdout is
// one) instead of writing where it points. Leaves nothing behind.
bool CheckOutputFileCreatable(const std::string& path, std::string* error);

// A file a run will write, with the option that named it ("--json").
struct RequestedOutput {
    std::string option;
    std::string path;
};

// The one check of every file a run writes, made before the run so that a bad path costs the
// user a second and not the run's results: each must pass CheckOutputFileCreatable, and no
// two may name the same file (one would silently replace the other). False with the first
// reason ("cannot write taken: Is a directory").
bool CheckRequestedOutputs(const std::vector<RequestedOutput>& outputs, std::string* error);

// Claims the folders that the log and the results go to for this process until it exits, so
// that a second run writing there is told instead of silently mixing its files with ours.
// False with the reason when another process holds one; a folder whose file system cannot
// lock is used unlocked.
bool LockOutputFolder(const std::string& folder, std::string* error);

// The folder a file path lies in ("." for a bare name).
std::string FolderOf(const std::string& path);
