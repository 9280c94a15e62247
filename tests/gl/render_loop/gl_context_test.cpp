// cHx7PGLContext on Mesa: the version chain, profiles, multisample choice, entry points.
#include "core/log_file.h"
#include "gfx/gl_context.h"
#include "gfx/gl_debug.h"
#include "gfx/gl_procs.h"

#include <GL/gl.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

class GLContextTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        const char* display = std::getenv("DISPLAY");
        if ((!display || !*display) && !std::getenv("SDL_VIDEODRIVER"))
            setenv("SDL_VIDEODRIVER", "offscreen", 0);
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
    }
    static void TearDownTestSuite() { SDL_QuitSubSystem(SDL_INIT_VIDEO); }

    void SetUp() override
    {
        logPath_ = std::filesystem::current_path().string() + "/gl_context_test_log.txt";
        ProgramLog().SetFileName(logPath_);
        ProgramLog().Open();
    }
    void TearDown() override
    {
        context_.Shutdown();
        if (window_)
            SDL_DestroyWindow(window_);
        ProgramLog().Close();
    }

    // A window prepared as StartRun prepares the render window.
    int MakeWindow(const char* msaaName, int w = 64, int h = 64)
    {
        const int samples = PrepareWindowPixelFormat(msaaName);
        window_ = SDL_CreateWindow("Orvane", 0, 0, w, h, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        EXPECT_NE(window_, nullptr) << SDL_GetError();
        return samples;
    }

    std::string Log() { return ReadFile(logPath_); }

    std::string logPath_;
    SDL_Window* window_ = nullptr;
    cHx7PGLContext context_;
};

TEST_F(GLContextTest, RendererFourGivesAFourOneProfileContextThatPresents)
{
    MakeWindow("Off");
    EXPECT_FALSE(context_.MakeCurrent());  // before Init
    ASSERT_TRUE(context_.Init(window_, 64, 64, 4, "Off", false));
    EXPECT_TRUE(context_.initialized);
    EXPECT_EQ(context_.width, 64u);
    EXPECT_EQ(context_.RendererType, 4);
    EXPECT_EQ(context_.RequestedMajor(), 4);
    EXPECT_EQ(context_.RequestedMinor(), 1);
    EXPECT_TRUE(context_.CreatedWithProfile());
    int major = 0, minor = 0;
    ASSERT_TRUE(GetGLVersion(&major, &minor));
    EXPECT_GE(major * 10 + minor, 41);
    EXPECT_TRUE(context_.MakeCurrent());
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    EXPECT_TRUE(context_.Present());
    context_.SetSwapInterval(false);
    context_.SetSwapInterval(true);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));

    // The entry points were loaded by name, and loading again changes nothing.
    ASSERT_NE(Hx7PGLProcs.glCreateProgram, nullptr);
    ASSERT_NE(Hx7PGLProcs.glPatchParameteri, nullptr);
    EXPECT_TRUE(HasVertexArrayObjects());
    const auto createProgram = Hx7PGLProcs.glCreateProgram;
    LoadGLEntryPoints();
    EXPECT_EQ(Hx7PGLProcs.glCreateProgram, createProgram);

    context_.Shutdown();
    EXPECT_FALSE(context_.initialized);
    EXPECT_FALSE(context_.MakeCurrent());
    EXPECT_FALSE(context_.Present());
    EXPECT_EQ(SDL_GL_GetCurrentContext(), nullptr);
    EXPECT_FALSE(GetGLVersion(&major, &minor));
    EXPECT_EQ(GetSampleBuffers(), 0);
}

TEST_F(GLContextTest, CoreProfileIsHonoured)
{
    MakeWindow("Off");
    ASSERT_TRUE(context_.Init(window_, 64, 64, 4, "Off", true));
    GLint mask = 0;
    glGetIntegerv(0x9126 /* GL_CONTEXT_PROFILE_MASK */, &mask);
    EXPECT_EQ(mask & 1, 1);  // core
    EXPECT_TRUE(context_.IsCoreProfile());
    EXPECT_TRUE(CurrentContextIsCore());
    // Core profiles list extensions by index only; the lookup still finds them.
    EXPECT_TRUE(HasGLExtension("GL_ARB_tessellation_shader"));
    EXPECT_FALSE(HasGLExtension("GL_ARB_tessellation"));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));

    context_.Shutdown();
    ASSERT_TRUE(context_.Init(window_, 64, 64, 4, "Off", false));
    EXPECT_FALSE(context_.IsCoreProfile());
    EXPECT_FALSE(CurrentContextIsCore());
}

// Without --gl-debug the frame loop reads glGetError once a second of frame time and logs the
// first error of each kind; with it, every step's errors are read, the first per step logged.
TEST_F(GLContextTest, ErrorWatchLogsTheFirstErrorOfEachKind)
{
    MakeWindow("Off");
    ASSERT_TRUE(context_.Init(window_, 64, 64, 4, "Off", false));
    cHx7PGLErrorWatch watch;
    glEnable(0x1234);          // GL_INVALID_ENUM
    watch.Tick(0.6f);
    EXPECT_EQ(watch.ErrorsSeen(), 0u) << "read at most once a second";
    watch.Tick(0.6f);
    EXPECT_EQ(watch.ErrorsSeen(), 1u);
    glEnable(0x1234);
    watch.Tick(1.0f);
    glLineWidth(-1.0f);        // GL_INVALID_VALUE
    watch.Tick(1.0f);
    EXPECT_EQ(watch.ErrorsSeen(), 3u);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << "the watch drains what it reads";

    glEnable(0x1234);
    EXPECT_EQ(watch.CheckStep("sphere"), 1u);
    glEnable(0x1234);
    EXPECT_EQ(watch.CheckStep("logos"), 1u);
    glEnable(0x1234);
    EXPECT_EQ(watch.CheckStep("sphere"), 1u);
    EXPECT_EQ(watch.CheckStep("sphere"), 0u);
    ProgramLog().Close();
    const std::string log = Log();
    auto count = [&](const std::string& text) {
        std::size_t n = 0;
        for (std::size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1))
            ++n;
        return n;
    };
    EXPECT_EQ(count("OpenGL error: GL_INVALID_ENUM (0x0500) during the run"), 1u) << log;
    EXPECT_EQ(count("OpenGL error: GL_INVALID_VALUE (0x0501) during the run"), 1u) << log;
    EXPECT_EQ(count("OpenGL error after sphere: GL_INVALID_ENUM (0x0500)"), 1u) << log;
    EXPECT_EQ(count("OpenGL error after logos: GL_INVALID_ENUM (0x0500)"), 1u) << log;
}

TEST_F(GLContextTest, RendererTwoAsksForNoVersionAndUnknownTypesCreateNothing)
{
    MakeWindow("Off");
    ASSERT_TRUE(context_.Init(window_, 64, 64, 2, nullptr, false));
    EXPECT_FALSE(context_.CreatedWithProfile());
    EXPECT_EQ(context_.RequestedMajor(), 0);
    int major = 0;
    EXPECT_TRUE(GetGLVersion(&major, nullptr));
    EXPECT_GE(major, 2);

    // A type outside 2..4 returns the previous outcome and leaves the context alone.
    const SDL_GLContext before = context_.Context();
    EXPECT_TRUE(context_.Init(window_, 64, 64, 7, nullptr, false));
    EXPECT_EQ(context_.Context(), before);
    cHx7PGLContext fresh;
    EXPECT_FALSE(fresh.Init(window_, 64, 64, 0, nullptr, false));
}

TEST_F(GLContextTest, NoWindowFailsWithoutACrash)
{
    EXPECT_FALSE(context_.Init(nullptr, 64, 64, 4, "Off", false));
    EXPECT_FALSE(context_.initialized);
}

TEST_F(GLContextTest, OrdinaryLevelsNeverProbe)
{
    const int before = MultisampleProbeCount();
    EXPECT_EQ(PrepareWindowPixelFormat("Off"), 0);
    EXPECT_EQ(PrepareWindowPixelFormat("16X MSAA"), 0);
    EXPECT_EQ(PrepareWindowPixelFormat("4x msaa"), 0);  // names are case-sensitive
    EXPECT_EQ(PrepareWindowPixelFormat(nullptr), 0);
    EXPECT_EQ(MultisampleProbeCount(), before);
    EXPECT_EQ(Log().find("initMSAA"), std::string::npos);
}

TEST_F(GLContextTest, EveryOfferedLevelHasItsSamples)
{
    EXPECT_EQ(MultisampleSamplesForName("Off"), 0);
    EXPECT_EQ(MultisampleSamplesForName("2X MSAA"), 2);
    EXPECT_EQ(MultisampleSamplesForName("4X MSAA"), 4);
    EXPECT_EQ(MultisampleSamplesForName("6X MSAA"), 6);
    EXPECT_EQ(MultisampleSamplesForName("8X MSAA"), 8);
    EXPECT_EQ(MultisampleSamplesForName("4X MSAA "), 0);
}

// Mesa's llvmpipe keeps the multisample buffers of a destroyed GLX window (about 1 MiB a
// window, with stacks that end inside the driver, so no suppression can name it). The checks
// run in a child process that leaves with _exit, beyond the leak checker's reach; every
// expectation still fails the test through the exit code and the child's messages.
TEST_F(GLContextTest, MultisampleEnabledExactlyWhenTheContextHasSampleBuffers)
{
#if defined(__SANITIZE_THREAD__)
    // Single-threaded context logic; ThreadSanitizer flags a mutex that Mesa's multisample
    // path (swrast_dri) unlocks on another thread's behalf, which is not ours to fix.
    GTEST_SKIP() << "Mesa's multisample path trips ThreadSanitizer's mutex checks";
#endif
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            int failures = 0;
            auto check = [&](bool ok, const std::string& what) {
                if (!ok) {
                    std::fprintf(stderr, "FAILED: %s\n", what.c_str());
                    ++failures;
                }
            };
            for (const char* level : {"4X MSAA", "6X MSAA"}) {
                const int before = MultisampleProbeCount();
                const int samples = MakeWindow(level);
                check(MultisampleProbeCount() == before + 1, std::string(level) + " probed once");
                const std::string log = Log();
                const std::string n = std::to_string(MultisampleSamplesForName(level));
                const bool supported =
                    log.find("OpenGL - initMSAA: " + n + "X MSAA supported (format=") !=
                    std::string::npos;
                const bool refused =
                    log.find("ERROR - OpenGL - initMSAA: " + n + "X MSAA NOT supported!") !=
                    std::string::npos;
                check(supported != refused, std::string(level) + " logged one outcome:\n" + log);
                check((samples > 0) == supported, std::string(level) + " result matches the log");
                check(context_.Init(window_, 64, 64, 4, level, false), "Init");
                // Whatever was asked for, the state follows what the context really has.
                check(bool(glIsEnabled(GL_MULTISAMPLE)) == (GetSampleBuffers() != 0),
                      "GL_MULTISAMPLE follows the sample buffers");
                check(!supported || GetSampleBuffers() == 1, "a supported level has samples");
                context_.Shutdown();
                SDL_DestroyWindow(window_);
                window_ = nullptr;
            }
            // Back to the ordinary format for the next window.
            MakeWindow("Off");
            check(context_.Init(window_, 64, 64, 4, "Off", false), "Init after MSAA");
            check(GetSampleBuffers() == 0, "no samples after Off");
            check(!glIsEnabled(GL_MULTISAMPLE), "GL_MULTISAMPLE off after Off");
            std::fflush(stderr);
            _exit(failures == 0 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
