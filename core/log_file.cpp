// The program log.
#include "core/log_file.h"

#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

LogFile::LogFile(const char* fileName, bool append, bool enabled)
    : fileName_(fileName ? fileName : ""), append_(append), enabled_(enabled)
{
}

LogFile::~LogFile() { Close(); }

bool LogFile::Open()
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (!enabled_)
        return false;
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    writeFailureReported_ = false;
    // O_NOFOLLOW: a symbolic link planted under the log's name must not make us truncate the
    // file it points to. O_NONBLOCK: a FIFO planted there would block the open until someone
    // reads it. Truncation waits until the name is known to be a regular file.
    const int flags = O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | (append_ ? O_APPEND : 0);
    const int fd = ::open(fileName_.c_str(), flags, 0644);
    if (fd < 0) {
        // ENXIO: a FIFO (or socket) that nobody reads.
        ReportUnusable(errno == ELOOP   ? "a symbolic link is in its place"
                       : errno == ENXIO ? "it is not a regular file"
                                        : std::strerror(errno));
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        ReportUnusable("it is not a regular file");
        return false;
    }
    const int status = ::fcntl(fd, F_GETFL);
    if (status < 0 || ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK) != 0 ||
        (!append_ && ::ftruncate(fd, 0) != 0)) {
        const int err = errno;
        ::close(fd);
        ReportUnusable(std::strerror(err));
        return false;
    }
    file_ = ::fdopen(fd, append_ ? "a" : "w");
    if (!file_) {
        const int err = errno;
        ::close(fd);
        ReportUnusable(std::strerror(err));
        return false;
    }
    return true;
}

void LogFile::ReportUnusable(const char* reason)
{
    // The run goes on without a log, but the user hears why once: a missing log is otherwise
    // only noticed when it is needed.
    std::fprintf(stderr, "gridfall: no log written to %s: %s\n", fileName_.c_str(), reason);
    std::fflush(stderr);
}

void LogFile::Close()
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
}

bool LogFile::IsOpen() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return file_ != nullptr;
}

void LogFile::SetFileName(const std::string& name)
{
    std::lock_guard<std::mutex> lock(mutex_);
    fileName_ = name;
}

void LogFile::Write(const char* format, ...)
{
    if (!enabled_)
        return;
    // One lock from formatting to flushing keeps lines from two threads whole.
    std::lock_guard<std::mutex> lock(mutex_);
    if (!file_)
        return;
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char prefix[128];
    std::snprintf(prefix, sizeof(prefix), "%i/%i/%i @ %.2i:%.2i:%.2i >> ", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    char message[4096];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof(message), format, args);
    va_end(args);
    // A message box's line breaks ("\n\r") make lines of their own, each with the prefix, so
    // every line of the log starts with its time.
    const char* line = message;
    do {
        const size_t length = std::strcspn(line, "\r\n");
        if (length > 0 || line == message) {
            std::fputs(prefix, file_);
            std::fwrite(line, 1, length, file_);
            std::fputc('\n', file_);
        }
        line += length;
        while (*line == '\r' || *line == '\n')
            ++line;
    } while (*line);
    if (std::fflush(file_) != 0 || std::ferror(file_)) {
        // A full disk or a file-size limit: later lines may still fit, so the file stays open,
        // but the user is told once that the log is incomplete.
        const int err = errno;
        std::clearerr(file_);
        if (!writeFailureReported_) {
            writeFailureReported_ = true;
            std::fprintf(stderr, "gridfall: the log %s could not be written: %s\n", fileName_.c_str(),
                         std::strerror(err));
            std::fflush(stderr);
        }
    }
}

LogFile& ProgramLog()
{
    static LogFile log("gridfall_log.txt", false, true);
    return log;
}

LogFile& FrameworkLog()
{
    static LogFile log("", false, false);
    return log;
}
