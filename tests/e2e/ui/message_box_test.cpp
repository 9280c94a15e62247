// Message boxes on a desktop: modal GTK dialogs with the program's captions, shown by the main
// thread also when another thread asks for one.
#include "core/message_box.h"
#include "support/child_process.h"
#include "support/program_log.h"
#include "tests/e2e/ui/ui_test_support.h"

#include <signal.h>

#include <algorithm>
#include <filesystem>
#include <thread>

namespace {

using namespace uitest;

struct SeenBox {
    std::string title;
    std::string text;
    bool modal = false;
    GtkMessageType type = GTK_MESSAGE_OTHER;
};

// The message dialog currently shown, or null.
GtkMessageDialog* FindMessageDialog()
{
    GList* toplevels = gtk_window_list_toplevels();
    GtkMessageDialog* found = nullptr;
    for (GList* l = toplevels; l; l = l->next)
        if (GTK_IS_MESSAGE_DIALOG(l->data) && gtk_widget_get_visible(GTK_WIDGET(l->data)))
            found = GTK_MESSAGE_DIALOG(l->data);
    g_list_free(toplevels);
    return found;
}

// Closes the next message dialog once it shows, remembering what it showed.
guint CloseNextBox(SeenBox* seen)
{
    return g_timeout_add(50, +[](gpointer p) -> gboolean {
        GtkMessageDialog* dialog = FindMessageDialog();
        if (!dialog)
            return G_SOURCE_CONTINUE;
        auto* s = static_cast<SeenBox*>(p);
        s->title = gtk_window_get_title(GTK_WINDOW(dialog));
        s->modal = gtk_window_get_modal(GTK_WINDOW(dialog));
        g_object_get(dialog, "message-type", &s->type, nullptr);
        gchar* text = nullptr;
        g_object_get(dialog, "text", &text, nullptr);
        s->text = text ? text : "";
        g_free(text);
        gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
        return G_SOURCE_REMOVE;
    }, seen);
}

TEST(GtkMessageBoxes, CaptionedModalAndWithoutCarriageReturns)
{
    ASSERT_TRUE(GtkReady()) << "no display: run under Xvfb (DISPLAY)";
    SeenBox seen;
    CloseNextBox(&seen);
    ShowErrorBox("first line\n\rsecond line %d", 2);   // returns once the box is closed
    EXPECT_EQ(seen.title, "Lumetra Gridfall Error");
    EXPECT_EQ(seen.text, "first line\nsecond line 2");
    EXPECT_TRUE(seen.modal);
    EXPECT_EQ(seen.type, GTK_MESSAGE_ERROR);

    SeenBox info;
    CloseNextBox(&info);
    ShowInfoBox("%s", "Lumetra Gridfall v0.3.0");
    EXPECT_EQ(info.title, "Lumetra Gridfall Information");
    EXPECT_EQ(info.type, GTK_MESSAGE_INFO);
}

TEST(GtkMessageBoxes, AnotherThreadsBoxIsShownByTheMainThreadWithoutBlockingIt)
{
    ASSERT_TRUE(GtkReady()) << "no display: run under Xvfb (DISPLAY)";
    // The render thread reports a failure; it must go on (and end) while the box waits.
    std::thread worker([] { ShowErrorBox("The scene could not be set up."); });
    worker.join();
    SeenBox seen;
    const guint closer = CloseNextBox(&seen);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (seen.title.empty() && std::chrono::steady_clock::now() < end)
        Pump(20);
    if (seen.title.empty())
        g_source_remove(closer);
    EXPECT_EQ(seen.title, "Lumetra Gridfall Error");
    EXPECT_EQ(seen.text, "The scene could not be set up.");
}

// The whole program with an error box on screen (an OpenGL too old for it): SIGTERM and SIGINT
// close the box and end the program as they do elsewhere, and the box's text is in the log
// while it waits, not only once someone dismisses it.
TEST(ProgramMessageBox, TerminationSignalClosesTheBoxAndEndsTheProgram)
{
    namespace fs = std::filesystem;
    const char* display = std::getenv("DISPLAY");
    ASSERT_TRUE(display && *display) << "no display: run under Xvfb (DISPLAY)";
    const std::string text = "OpenGL: version 2.0 or higher required (current version detected: 1.5).";
    for (const int signal : {SIGTERM, SIGINT}) {
        const fs::path dir = fs::current_path() / ("e2e_ui_box_signal_" + std::to_string(signal));
        fs::remove_all(dir);
        fs::create_directories(dir);
        gridfall_test::ChildLaunch launch;
        launch.program = GRIDFALL_EXE;
        // Started as a desktop user starts it (the dialog wanted): an unattended --no-gui start
        // shows no box at all, its message goes to standard error.
        launch.args = {};
        launch.environment = gridfall_test::ChildEnvironment(
            {}, {"LIBGL_ALWAYS_SOFTWARE=1", "MESA_GL_VERSION_OVERRIDE=1.5", "ASAN_OPTIONS=detect_leaks=0"});
        launch.workDir = dir;
        launch.stdoutPath = dir / "stdout.txt";
        launch.stderrPath = dir / "stderr.txt";
        gridfall_test::ChildProcess app(launch);
        ASSERT_TRUE(app.Started()) << app.StartError();

        auto logged = [&](const std::string& line) {
            const auto lines = gridfall_test::LogMessages(dir / "gridfall_log.txt");
            return std::find(lines.begin(), lines.end(), line) != lines.end();
        };
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        while (!logged("Message box shown: " + text) && app.Wait(std::chrono::milliseconds(0)) == gridfall_test::kNotEnded &&
               std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ASSERT_TRUE(logged("Message box shown: " + text)) << gridfall_test::ReadFile(dir / "stderr.txt");
        // On screen, not just about to be: the signal must meet the box itself.
        const std::string find = "xdotool search --all --onlyvisible --pid " + std::to_string(app.Pid()) + " --name '^Lumetra Gridfall Error$'";
        while (gridfall_test::CommandOutput(find).empty() && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ASSERT_FALSE(gridfall_test::CommandOutput(find).empty()) << "no box on the display";

        app.Signal(signal);
        EXPECT_EQ(app.WaitOrKill(std::chrono::seconds(60)), 1) << "signal " << signal;
        const auto lines = gridfall_test::LogMessages(dir / "gridfall_log.txt");
        ASSERT_GE(lines.size(), 3u);
        EXPECT_EQ(lines[lines.size() - 3], signal == SIGTERM ? "Message box closed by SIGTERM."
                                                              : "Message box closed by SIGINT.");
        EXPECT_EQ(lines[lines.size() - 2], text);   // logged after closing, as ever
        EXPECT_EQ(lines.back(), "Exit from Lumetra Gridfall.");
        if (!::testing::Test::HasFailure())
            fs::remove_all(dir);
    }
}

}  // namespace
