// Whole runs in this process under X (Xvfb): the render window, its thread and a small GL
// scene; keys sent with xdotool, display modes added with xrandr; and a headless run on SDL's
// offscreen driver.
#include "core/message_box.h"
#include "core/process_mode.h"
#include "run/frame_loop.h"
#include "app/render_window.h"
#include "core/machine_records.h"
#include "run/run_session.h"
#include "run/run_state.h"
#include "core/startup_options.h"
#include "app/ui/gtk_ui.h"
#include "app/x11_window_class.h"
#include "gfx/gl_context.h"
#include "support/child_process.h"
#include "tests/unit/render_loop/fake_scene.h"

#include <GL/gl.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <regex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Clears the window to a colour every frame and presents: the least a run needs.
class GLScene : public gridfall_test::FakeScene {
public:
    bool Initialize(SDL_Window* window, int width, int height) override
    {
        seenWindow = window;
        seenWidth = width;
        seenHeight = height;
        if (failInit)
            return false;
        if (!context_.Init(window, unsigned(width), unsigned(height), 4,
                           g_startup_options.aa_mode, false))
            return false;
        context_.SetSwapInterval(false);
        std::strcpy(apiName, "GL test");
        return true;
    }
    void Terminate() override { context_.Shutdown(); }
    void RenderFrame(float) override
    {
        glClearColor(0.2f, 0.4f, 0.6f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        context_.Present();
        frames++;
    }

    static inline std::atomic<SDL_Window*> seenWindow{nullptr};
    static inline std::atomic<int> seenWidth{0};
    static inline std::atomic<int> seenHeight{0};
    static inline std::atomic<int> frames{0};
    static inline bool failInit = false;

private:
    cHx7PGLContext context_;
};

std::unique_ptr<cHx7PDemo> MakeGLScene() { return std::make_unique<GLScene>(); }

class CapturingSink : public MessageBoxSink {
public:
    void Show(MessageKind kind, const char*, const char* text) override
    {
        if (kind == MessageKind::Error)
            errors.emplace_back(text);
    }
    std::vector<std::string> errors;
};

bool HaveX() { const char* d = std::getenv("DISPLAY"); return d && *d; }

// Pumps the render window's events until the predicate holds or the time is up.
template <typename Pred>
bool PumpUntil(Pred pred, int ms)
{
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    while (Clock::now() < end) {
        PumpRenderWindowEvents();
        if (pred())
            return true;
        SDL_Delay(10);
    }
    return pred();
}

// Keys through the X server's test extension, as a user's keyboard would send them.
void SendKeys(SDL_Window* window, const std::string& keys)
{
    const std::string cmd = "xdotool windowfocus --sync " + std::to_string(X11WindowId(window)) +
                            " key --delay 30 " + keys + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
}

class RenderWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!HaveX())
            return;
        // SDL reads the display modes once, so the test mode exists before SDL starts.
        std::system("xrandr --newmode 640x480_gridfall 25.175 640 656 752 800 480 490 492 525 "
                    "-hsync -vsync >/dev/null 2>&1");
        std::system("xrandr --addmode screen 640x480_gridfall >/dev/null 2>&1");
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
    }
    static void TearDownTestSuite()
    {
        if (HaveX())
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }

    void SetUp() override
    {
        if (!HaveX())
            GTEST_SKIP() << "needs an X display (scripts/test.sh starts Xvfb)";
        saved_ = std::make_unique<StartupOptions>(g_startup_options);
        StartupOptions& o = g_startup_options;
        o.active_fullscreen = 0;
        o.active_width = 320;
        o.active_height = 240;
        o.width = 320;
        o.height = 240;
        o.active_run_mode = 2;
        o.active_time_based = 1;
        o.active_duration_ms = 60000;
        o.display_score = 0;
        o.display_menu_bar = 0;
        std::strcpy(o.aa_mode, "Off");
        o.rendering_cpu_affinity = 0;
        o.hud_visible = 1;
        o.render_temp_graphs = 1;
        g_machine_facts.max_viewport_size = 16384;
        GLScene::failInit = false;
        GLScene::frames = 0;
        SetRunOutcome(RunOutcome::None);
        SetSceneFactory(MakeGLScene);
        SetMessageBoxSink(&sink_);
    }
    void TearDown() override
    {
        if (!saved_)
            return;
        StopRendering();
        SetSceneFactory(nullptr);
        SetMessageBoxSink(nullptr);
        g_startup_options = *saved_;
    }

    static SDL_DisplayMode CurrentMode()
    {
        SDL_DisplayMode mode{};
        SDL_GetCurrentDisplayMode(0, &mode);
        return mode;
    }

    CapturingSink sink_;
    std::unique_ptr<StartupOptions> saved_;
};

TEST_F(RenderWindowTest, WindowedDemoShowsTheFrameRateInItsTitleAndEndsOnEscape)
{
    ASSERT_TRUE(StartRun());
    EXPECT_TRUE(IsRunActive());
    SDL_Window* window = RenderWindowHandle();
    ASSERT_NE(window, nullptr);
    // No window manager here, so the client area is the whole requested size.
    EXPECT_EQ(g_startup_options.client_width, 320);
    EXPECT_EQ(g_startup_options.client_height, 240);
    EXPECT_FALSE(StartRun());  // one run at a time
    // The program's icon, for task bars and window switchers.
    EXPECT_EQ(gridfall_test::CommandOutput("xprop -id " +
                                           std::to_string(X11WindowId(window)) +
                                           " _NET_WM_ICON 2>&1 | head -n 1"),
              "_NET_WM_ICON(CARDINAL) = \tIcon (128 x 128):");

    const std::regex running("Lumetra Gridfall - GL test - FPS=[0-9]+ - Running\\.\\.\\.");
    ASSERT_TRUE(PumpUntil([&] { return std::regex_match(SDL_GetWindowTitle(window), running); },
                          20000))
        << SDL_GetWindowTitle(window);
    EXPECT_EQ(GLScene::seenWindow.load(), window);
    EXPECT_EQ(GLScene::seenWidth.load(), 320);

    SendKeys(window, "Escape");
    EXPECT_TRUE(PumpUntil([] { return !IsRunActive(); }, 10000));
    EXPECT_EQ(RenderWindowHandle(), nullptr);
    EXPECT_EQ(g_frame_stats.current_scene.load(), nullptr);
    EXPECT_EQ(GetRunOutcome(), RunOutcome::Finished);  // a demo ended by the user
    EXPECT_GT(GLScene::frames.load(), 0);
}

// The windowed render window's File and Help menu opens on a right click; File/Exit ends the run
// the way Escape does.
TEST_F(RenderWindowTest, RightClickMenuExitEndsTheRun)
{
    int argc = 1;
    char name[] = "gl_render_loop";
    char* args[] = {name, nullptr};
    char** argv = args;
    ASSERT_TRUE(InitGtkUi(&argc, &argv));
    SetMessageBoxSink(&sink_);  // GTK installed its own
    g_startup_options.display_menu_bar = 1;
    ASSERT_TRUE(StartRun());
    ASSERT_TRUE(PumpUntil([] { return GLScene::frames.load() > 2; }, 20000));

    const std::string xid = std::to_string(X11WindowId(RenderWindowHandle()));
    ASSERT_EQ(std::system(("xdotool mousemove --window " + xid + " 60 60 click 3").c_str()), 0);
    // The menu runs a nested loop inside the event pump below, so its keys come from another
    // process: F opens File, X picks Exit, each once the menu it is meant for is on screen
    // (the popup menu, then its File submenu: two mapped popup-menu windows), however slowly
    // a busy machine maps them. Should the menu not react, a click outside it closes it again
    // so that the test fails instead of hanging (a key such as Escape would end the run itself
    // and hide the fault).
    gridfall_test::ChildLaunch launch;
    launch.program = "sh";
    launch.args = {"-c", R"(menus() {
        for i in $(seq 200); do
          n=0
          for w in $(xdotool search --onlyvisible --class Gridfall 2>/dev/null); do
            xprop -id "$w" _NET_WM_WINDOW_TYPE | grep -q _POPUP_MENU && n=$((n + 1))
          done
          [ "$n" -ge "$1" ] && return 0
          sleep 0.1
        done
        return 1
      }
      menus 1 && xdotool key f && menus 2 && xdotool key x
      sleep 3; xdotool mousemove 2 1000 click 1)"};
    gridfall_test::ChildProcess keys(launch);
    ASSERT_TRUE(keys.Started()) << keys.StartError();
    const bool ended = PumpUntil([] { return !IsRunActive(); }, 40000);
    keys.Wait(std::chrono::seconds(60));  // its late click must not reach the next test's window
    EXPECT_TRUE(ended);
    EXPECT_EQ(GetRunOutcome(), RunOutcome::Finished);
    ShutdownGtkUi();
}

TEST_F(RenderWindowTest, KeysToggleInDemoRunsAndAreIgnoredInBenchmarks)
{
    for (const int mode : {1, 2}) {
        SCOPED_TRACE(mode);
        g_startup_options.active_run_mode = mode;
        g_startup_options.hud_visible = 1;
        g_startup_options.render_temp_graphs = 1;
        ASSERT_TRUE(StartRun());
        ASSERT_TRUE(PumpUntil([] { return GLScene::frames.load() > 2; }, 20000));
        SendKeys(RenderWindowHandle(), "space i t F1 F2 p");
        const bool toggled = mode == 2;
        // A demo run: until the last key has acted, however busy the machine. A benchmark
        // gives no sign that it ignored them: a while, then none may have acted.
        PumpUntil([] {
            CurrentSceneLock scene = LockCurrentScene();
            return scene && scene->pauseRequests.load() > 0;
        }, toggled ? 20000 : 500);
        {
            CurrentSceneLock scene = LockCurrentScene();
            ASSERT_TRUE(scene);
            EXPECT_EQ(scene->draw_tessellated_object.load(), toggled ? 0 : 1);
            EXPECT_EQ(scene->showHelp.load(), toggled ? 1 : 0);
            EXPECT_EQ(scene->wireframe.load(), toggled ? 1 : 0);
            EXPECT_EQ(scene->pauseRequests.load(), toggled ? 1u : 0u);
            EXPECT_EQ(g_startup_options.hud_visible.get(), toggled ? 0 : 1);
            EXPECT_EQ(g_startup_options.render_temp_graphs.get(), toggled ? 0 : 1);
        }
        SendKeys(RenderWindowHandle(), "Escape");
        ASSERT_TRUE(PumpUntil([] { return !IsRunActive(); }, 10000));
        // Escape in a benchmark run stops it early: no result.
        EXPECT_EQ(g_frame_stats.run_finished.load(), 0);
        EXPECT_EQ(GetRunOutcome(), mode == 1 ? RunOutcome::Stopped : RunOutcome::Finished);
    }
}

TEST_F(RenderWindowTest, BenchmarkEndsByItselfThroughThePlainLoop)
{
    g_startup_options.active_run_mode = 1;
    g_startup_options.active_duration_ms = 300;
    ASSERT_TRUE(StartRun());
    const auto start = Clock::now();
    RunPlainMessageLoop();
    const auto took = Clock::now() - start;
    EXPECT_FALSE(IsRunActive());
    EXPECT_EQ(g_frame_stats.run_finished.load(), 1);  // display_score 0: nobody cleared it
    EXPECT_EQ(GetRunOutcome(), RunOutcome::Finished);
    ASSERT_NE(LastRun(), nullptr);
    EXPECT_GT(LastRun()->Result().total_frames, 0);
    EXPECT_GE(g_frame_stats.elapsed_ms.load(), 300u);
    EXPECT_GE(took, std::chrono::milliseconds(kWarmupMs));
}

TEST_F(RenderWindowTest, AFailedSceneEndsTheRunWithoutAHang)
{
    GLScene::failInit = true;
    ASSERT_TRUE(StartRun());  // the thread's own failure is not StartRun's
    RunPlainMessageLoop();
    EXPECT_FALSE(IsRunActive());
    EXPECT_EQ(GetRunOutcome(), RunOutcome::Failed);
    EXPECT_EQ(g_frame_stats.run_finished.load(), 0);
}

TEST_F(RenderWindowTest, SizesAreClampedWithoutTouchingTheStoredOnes)
{
    g_startup_options.active_width = 0;
    g_startup_options.active_height = 0;
    g_startup_options.width = 0;
    g_startup_options.height = 0;
    g_machine_facts.max_viewport_size = 600;
    ASSERT_TRUE(StartRun());
    EXPECT_EQ(g_startup_options.active_width, 600);   // 640 first, then the viewport limit
    EXPECT_EQ(g_startup_options.active_height, 480);
    EXPECT_EQ(g_startup_options.width, 0);
    EXPECT_EQ(g_startup_options.height, 0);
    int w = 0, h = 0;
    SDL_GetWindowSize(RenderWindowHandle(), &w, &h);
    EXPECT_EQ(w, 600);
    EXPECT_EQ(h, 480);
    StopRendering();
    EXPECT_FALSE(IsRunActive());
    StopRendering();  // nothing runs: nothing happens
}

TEST_F(RenderWindowTest, FullScreenSwitchesTheModeHidesTheCursorAndRestoresBoth)
{
    const SDL_DisplayMode desktop = CurrentMode();
    ASSERT_EQ(desktop.w, 1280);
    g_startup_options.active_fullscreen = 1;
    g_startup_options.active_width = 640;
    g_startup_options.active_height = 480;
    ASSERT_TRUE(StartRun()) << (sink_.errors.empty() ? "" : sink_.errors[0]);
    EXPECT_TRUE(DisplayModeChanged());
    EXPECT_EQ(CurrentMode().w, 640);
    EXPECT_EQ(CurrentMode().h, 480);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
    EXPECT_EQ(g_startup_options.client_width, 640);
    EXPECT_EQ(g_startup_options.client_height, 480);
    ASSERT_TRUE(PumpUntil([] { return GLScene::frames.load() > 2; }, 20000));
    // A full-screen run never changes the title.
    EXPECT_STREQ(SDL_GetWindowTitle(RenderWindowHandle()), "Orvane");

    SendKeys(RenderWindowHandle(), "Escape");
    ASSERT_TRUE(PumpUntil([] { return !IsRunActive(); }, 10000));
    EXPECT_FALSE(DisplayModeChanged());
    EXPECT_EQ(CurrentMode().w, desktop.w);
    EXPECT_EQ(CurrentMode().h, desktop.h);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
    EXPECT_TRUE(sink_.errors.empty());
}

TEST_F(RenderWindowTest, ARefusedModeIsReportedAndLeavesTheDisplayAlone)
{
    const SDL_DisplayMode desktop = CurrentMode();
    g_startup_options.active_fullscreen = 1;
    g_startup_options.active_width = 1000;
    g_startup_options.active_height = 700;
    EXPECT_FALSE(StartRun());
    ASSERT_EQ(sink_.errors.size(), 1u);
    EXPECT_EQ(sink_.errors[0],
              "Could not switch to fullscreen mode.\n\rPlease try another resolution.");
    EXPECT_FALSE(IsRunActive());
    EXPECT_FALSE(DisplayModeChanged());
    EXPECT_EQ(CurrentMode().w, desktop.w);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
    EXPECT_EQ(GetRunOutcome(), RunOutcome::Failed);
}

TEST_F(RenderWindowTest, CloseRequestOfAnEndedRunDoesNotEndTheNextOne)
{
    g_startup_options.active_run_mode = 1;
    g_startup_options.active_duration_ms = 100;
    ASSERT_TRUE(StartRun());
    // Wait until the benchmark has ended by itself and posted its close request, then end
    // the run as Escape would before the request is handled.
    ASSERT_TRUE(PumpUntil([] { return g_frame_stats.run_finished.load() == 1; }, 30000) ||
                !IsRunActive());
    g_startup_options.active_run_mode = 2;
    if (IsRunActive())
        EndRun();
    ASSERT_TRUE(StartRun());
    PumpUntil([] { return false; }, 300);
    EXPECT_TRUE(IsRunActive());
}

}  // namespace
