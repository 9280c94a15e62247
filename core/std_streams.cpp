// Standard streams and signals for unattended runs (see the header).
#include "core/std_streams.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/log_file.h"

namespace {

void IgnorePipe(int) {}

void HangUpAsTerminate(int)
{
    // kill() is async-signal-safe, and SIGTERM already has the right handler for every phase
    // of the program (SDL's during a run, GLib's in the dialog, the default otherwise).
    const int saved = errno;
    ::kill(::getpid(), SIGTERM);
    errno = saved;
}

bool g_stdout_failure_noted = false;
bool g_stderr_failure_noted = false;

}  // namespace

void MakeStandardStreamsValid()
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        // open() returns the lowest free number, which is this one.
        const int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (opened >= 0 && opened != fd)
            ::close(opened);
    }
}

void InstallUnattendedSignalHandlers()
{
    // A handler rather than SIG_IGN: an ignored SIGPIPE would be inherited by programs we
    // start (a browser for a web link), a handler is reset by exec.
    struct sigaction pipe {};
    pipe.sa_handler = IgnorePipe;
    sigemptyset(&pipe.sa_mask);
    pipe.sa_flags = SA_RESTART;
    sigaction(SIGPIPE, &pipe, nullptr);

    struct sigaction old {};
    if (sigaction(SIGHUP, nullptr, &old) == 0 && old.sa_handler == SIG_IGN)
        return;
    struct sigaction hup {};
    hup.sa_handler = HangUpAsTerminate;
    sigemptyset(&hup.sa_mask);
    hup.sa_flags = SA_RESTART;
    sigaction(SIGHUP, &hup, nullptr);
}

bool NoteStandardStreamErrors()
{
    errno = 0;
    const bool flushed = std::fflush(stdout) == 0;
    const int flushError = errno;
    const auto note = [](std::FILE* stream, bool& noted, const char* name, int err) {
        if (!std::ferror(stream))
            return true;
        if (!noted) {
            noted = true;
            if (err != 0)
                ProgramLog().Write("%s could not be written: %s.", name, std::strerror(err));
            else
                ProgramLog().Write("%s could not be written.", name);
        }
        return false;
    };
    const bool out = note(stdout, g_stdout_failure_noted, "Standard output", flushed ? 0 : flushError);
    const bool err = note(stderr, g_stderr_failure_noted, "Standard error", 0);
    return out && err;
}
