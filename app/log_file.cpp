// The program log.
#include "app/log_file.h"

#include <cstdarg>
#include <ctime>
#include <fcntl.h>
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
    // O_NOFOLLOW: a symbolic link planted under the log's name must not make us truncate the
    // file it points to. The open then fails and the program runs without a log.
    const int flags = O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | (append_ ? O_APPEND : O_TRUNC);
    const int fd = ::open(fileName_.c_str(), flags, 0644);
    if (fd < 0)
        return false;
    file_ = ::fdopen(fd, append_ ? "a" : "w");
    if (!file_) {
        ::close(fd);
        return false;
    }
    return true;
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
    std::fputs(prefix, file_);
    std::fputs(message, file_);
    std::fputc('\n', file_);
    std::fflush(file_);
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
