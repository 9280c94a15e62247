// Message boxes: ShowInfoBox and ShowErrorBox format printf-style, show the text through the
// installed sink (a GTK dialog on a desktop, standard error when headless and in tests) and
// write the same text to the program log after the box has closed.
#pragma once

#include <string>

inline constexpr const char* kInfoCaption = "Lumetra Gridfall Information";
inline constexpr const char* kErrorCaption = "Lumetra Gridfall Error";

enum class MessageKind { Info, Error };

class MessageBoxSink {
public:
    virtual ~MessageBoxSink() = default;
    // Shows the text and returns when the user has closed it.
    virtual void Show(MessageKind kind, const char* caption, const char* text) = 0;
};

// Writes "caption: text" to standard error. The default sink.
class StderrMessageBoxSink : public MessageBoxSink {
public:
    void Show(MessageKind kind, const char* caption, const char* text) override;
};

// Installs a sink (not owned; must outlive its use). nullptr restores the stderr sink.
void SetMessageBoxSink(MessageBoxSink* sink);
MessageBoxSink& CurrentMessageBoxSink();

void ShowInfoBox(const char* format, ...) __attribute__((format(printf, 1, 2)));
void ShowErrorBox(const char* format, ...) __attribute__((format(printf, 1, 2)));
