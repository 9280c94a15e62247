// Message boxes: ShowInfoBox and ShowErrorBox format printf-style, show the text through the
// installed sink (a GTK dialog on a desktop, standard error when headless and in tests) and
// write the same text to the program log after the box has closed. A box that waits for the
// user is logged when it opens as well, so the log tells what the program waits on.
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
    // Whether Show waits for the user (a dialog on screen) rather than returning at once.
    virtual bool WaitsForUser() const { return false; }
    // Called after the closed box's text is logged.
    virtual void Finish() {}
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
