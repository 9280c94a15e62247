// Message boxes through a replaceable sink.
#include "core/message_box.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>

#include "core/log_file.h"

namespace {
StderrMessageBoxSink g_stderr_sink;
std::atomic<MessageBoxSink*> g_sink{nullptr};

void ShowBox(MessageKind kind, const char* caption, const char* format, va_list args)
{
    char text[4096];
    std::vsnprintf(text, sizeof(text), format, args);
    MessageBoxSink& sink = CurrentMessageBoxSink();
    // A box may stay up for hours (nobody at the desk, a stuck session); its text must not
    // reach the log only when someone dismisses it.
    if (sink.WaitsForUser())
        ProgramLog().Write("Message box shown: %s", text);
    sink.Show(kind, caption, text);
    // Logged after the box closes, with the time of closing.
    ProgramLog().Write("%s", text);
    sink.Finish();
}
}  // namespace

void StderrMessageBoxSink::Show(MessageKind, const char* caption, const char* text)
{
    std::fprintf(stderr, "%s: %s\n", caption, text);
    std::fflush(stderr);
}

void SetMessageBoxSink(MessageBoxSink* sink) { g_sink.store(sink); }

MessageBoxSink& CurrentMessageBoxSink()
{
    MessageBoxSink* sink = g_sink.load();
    return sink ? *sink : g_stderr_sink;
}

void ShowInfoBox(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    ShowBox(MessageKind::Info, kInfoCaption, format, args);
    va_end(args);
}

void ShowErrorBox(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    ShowBox(MessageKind::Error, kErrorCaption, format, args);
    va_end(args);
}
