// The program's plain-text log: one whole line per Write, prefixed with the local date and
// time, flushed at once, serialised between threads.
#pragma once

#include <cstdio>
#include <mutex>
#include <string>

class LogFile {
public:
    // enabled false: opens nothing, ignores every write.
    LogFile(const char* fileName, bool append, bool enabled);
    ~LogFile();
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    // printf-style; one line "Y/M/D @ hh:mm:ss >> message".
    void Write(const char* format, ...) __attribute__((format(printf, 2, 3)));

    // Opens (or reopens) the file. Never follows a symbolic link at the final path component
    // and writes only to a regular file: anything else at the name (a link, a FIFO, a
    // directory) is refused and the log stays closed. A log that cannot be opened, or later
    // cannot be written, is named once on standard error with the reason. Returns false when
    // not open.
    bool Open();
    void Close();
    bool IsOpen() const;
    const std::string& FileName() const { return fileName_; }
    // Tests point the program log elsewhere; takes effect at the next Open.
    void SetFileName(const std::string& name);

private:
    std::string fileName_;
    bool append_;
    bool enabled_;
    mutable std::mutex mutex_;
    std::FILE* file_ = nullptr;
    bool writeFailureReported_ = false;

    void ReportUnusable(const char* reason);
};

// "gridfall_log.txt" in the current directory; opened by the start-up sequence.
LogFile& ProgramLog();
// The rendering framework's log: disabled, every write ignored.
LogFile& FrameworkLog();
