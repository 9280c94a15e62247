// Atomic replacement of the files the program writes for the user.
#include "core/output_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

namespace {

std::string Reason(const char* what, const std::string& path, int err)
{
    return std::string(what) + " " + path + ": " + std::strerror(err);
}

}  // namespace

int CreateTempFileBeside(const std::string& path, std::string* tempPath)
{
    // A fixed name would let two instances write into each other's file and would let anyone
    // who can write the directory plant a link there; a random one with O_EXCL can do neither.
    static thread_local std::mt19937_64 random{std::random_device{}() ^
                                               (static_cast<uint64_t>(getpid()) << 32)};
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".%012llx.tmp",
                      static_cast<unsigned long long>(random() & 0xFFFFFFFFFFFFull));
        std::string name = path + suffix;
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd >= 0) {
            *tempPath = std::move(name);
            return fd;
        }
        if (errno != EEXIST)
            return -1;
    }
    errno = EEXIST;
    return -1;
}

bool WriteFileAtomically(const std::string& path, const std::string& text, std::string* error)
{
    std::string tmp;
    const int fd = CreateTempFileBeside(path, &tmp);
    if (fd < 0) {
        *error = Reason("cannot create", path, errno);
        return false;
    }
    auto fail = [&](const char* what, const std::string& name, int err) {
        *error = Reason(what, name, err);
        ::unlink(tmp.c_str());
        return false;
    };
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int err = n < 0 ? errno : ENOSPC;
            ::close(fd);
            return fail("cannot write", tmp, err);
        }
        done += static_cast<std::size_t>(n);
    }
    // On disk before the rename: after a crash the old file or the whole new one, never an
    // empty one. File systems without fsync (EINVAL) have nothing to flush.
    if (::fsync(fd) != 0 && errno != EINVAL) {
        const int err = errno;
        ::close(fd);
        return fail("cannot write", tmp, err);
    }
    if (::close(fd) != 0)
        return fail("cannot write", tmp, errno);
    if (::rename(tmp.c_str(), path.c_str()) != 0)
        return fail("cannot replace", path, errno);
    return true;
}

bool CheckOutputFileCreatable(const std::string& path, std::string* error)
{
    if (path.empty() || path.back() == '/') {
        *error = "cannot write " + path + ": " + std::strerror(EISDIR);
        return false;
    }
    struct stat st {};
    // The name itself, not what a link there points to: the rename would replace the link.
    if (::lstat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        *error = "cannot write " + path + ": " +
                 (S_ISDIR(st.st_mode)   ? std::string(std::strerror(EISDIR))
                  : S_ISLNK(st.st_mode) ? "it is a symbolic link"
                                        : "not a regular file");
        return false;
    }
    std::string tmp;
    const int fd = CreateTempFileBeside(path, &tmp);
    if (fd < 0) {
        *error = Reason("cannot create", path, errno);
        return false;
    }
    ::close(fd);
    ::unlink(tmp.c_str());
    return true;
}

bool CheckRequestedOutputs(const std::vector<RequestedOutput>& outputs, std::string* error)
{
    namespace fs = std::filesystem;
    std::vector<std::pair<fs::path, const RequestedOutput*>> seen;
    for (const RequestedOutput& out : outputs) {
        if (out.path.empty())
            continue;
        if (!CheckOutputFileCreatable(out.path, error))
            return false;
        // The same file under two spellings ("r.json", "./r.json", "out/../r.json").
        std::error_code ec;
        fs::path folder = fs::weakly_canonical(fs::absolute(FolderOf(out.path), ec), ec);
        const fs::path name = folder / fs::path(out.path).filename();
        for (const auto& [other, by] : seen) {
            if (other == name) {
                *error = by->option + " and " + out.option + " name the same file " + out.path;
                return false;
            }
        }
        seen.emplace_back(name, &out);
    }
    return true;
}

std::string FolderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool LockOutputFolder(const std::string& folder, std::string* error)
{
    // Descriptors of the folders held, with their identity: a second flock on the same folder
    // through another descriptor would collide with our own lock.
    struct Held {
        dev_t dev;
        ino_t ino;
        int fd;
    };
    static std::vector<Held> held;
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return true;   // the output check reports a missing folder
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return true;
    }
    for (const Held& h : held) {
        if (h.dev == st.st_dev && h.ino == st.st_ino) {
            ::close(fd);
            return true;
        }
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        if (err == EWOULDBLOCK) {
            std::error_code ec;
            const std::string shown = folder == "." ? std::filesystem::current_path(ec).string() : folder;
            *error = "another Gridfall run is writing its log or results in " + (ec ? folder : shown);
            return false;
        }
        return true;   // no locks on this file system
    }
    held.push_back({st.st_dev, st.st_ino, fd});
    return true;
}
