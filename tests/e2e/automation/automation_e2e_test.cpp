// The built program driven the way scripts drive it: a short headless benchmark with JSON and
// CSV results, timed stability tests (passing, failing on a wrong check frame, ended by a
// signal), and --validate against the committed reference pictures and a deliberately wrong one.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/validate.h"
#include "support/child_process.h"
#include "unit/results/json_reader.h"

namespace {

namespace fs = std::filesystem;

using gridfall_test::ChildResult;
using gridfall_test::ReadFile;

std::string LastLine(const std::string& text)
{
    std::string t = text;
    while (!t.empty() && t.back() == '\n')
        t.pop_back();
    const auto nl = t.rfind('\n');
    return nl == std::string::npos ? t : t.substr(nl + 1);
}

// Runs gridfall in `dir` with extra environment entries, its output in stdout.txt and
// stderr.txt there; killed after `limit`.
ChildResult RunGridfall(const fs::path& dir, const std::vector<std::string>& args,
                        const std::vector<std::string>& extraEnv = {},
                        std::chrono::seconds limit = std::chrono::seconds(100))
{
    gridfall_test::ChildLaunch launch;
    launch.program = GRIDFALL_EXE;
    launch.args = args;
    // Mesa's driver is unloaded at exit, so what it keeps for the process shows up as leaks
    // without a module to name in a suppression; the program's own leaks are covered by the
    // unit and gl tiers.
    std::vector<std::string> add = {"LIBGL_ALWAYS_SOFTWARE=1", "ASAN_OPTIONS=detect_leaks=0"};
    add.insert(add.end(), extraEnv.begin(), extraEnv.end());
    launch.environment = gridfall_test::ChildEnvironment({}, add);
    launch.workDir = dir;
    launch.stdoutPath = dir / "stdout.txt";
    launch.stderrPath = dir / "stderr.txt";
    return gridfall_test::RunToEnd(launch, limit);
}

class AutomationE2E : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() /
               ("gridfall_e2e_automation_" + std::to_string(getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override
    {
        if (!HasFailure())
            fs::remove_all(dir_);
    }

    // Whether the program was built with its benchmark scene. The validation says so in
    // words when the scene is missing.
    static bool HasScene(const fs::path& dir)
    {
        static int known = -1;
        if (known < 0) {
            ChildResult probe = RunGridfall(dir, {"--headless", "--validate"},
                                          {"GRIDFALL_VALIDATE_REFERENCES=/nonexistent"},
                                          std::chrono::seconds(60));
            known = probe.out.find("this build has no benchmark scene") == std::string::npos;
        }
        return known == 1;
    }

    fs::path dir_;
};

TEST_F(AutomationE2E, HeadlessBenchmarkResultsAgreeWithTheScoreLine)
{
    if (!HasScene(dir_))
        GTEST_SKIP() << "the program was built without its benchmark scene";
    // Small and lightly tessellated: llvmpipe under the sanitizers, beside other tests.
    ChildResult r = RunGridfall(dir_, {"--headless", "--benchmark", "--duration", "2000",
                                     "--resolution", "160x120", "--tess", "2", "--json",
                                     "r.json", "--csv", "r.csv", "--frame-log", "f.csv",
                                     "--plot", "p.svg"});
    ASSERT_FALSE(r.timedOut);
    ASSERT_EQ(r.status, 0) << r.out << r.err;

    // The score line is last, in the form the test-suite profile parses.
    const std::string line = LastLine(r.out);
    std::smatch m;
    ASSERT_TRUE(std::regex_match(line, m, std::regex("Gridfall Score: ([0-9]+)"))) << r.out;
    const std::string xml =
        ReadFile(fs::path(GRIDFALL_SOURCE_DIR) / "packaging/pts/gridfall/results-definition.xml");
    EXPECT_NE(xml.find("<OutputTemplate>Gridfall Score: #_RESULT_#</OutputTemplate>"),
              std::string::npos);
    const long score = std::stol(m[1]);

    testjson::Value doc, schema;
    std::string error;
    ASSERT_TRUE(testjson::Parse(ReadFile(dir_ / "r.json"), doc, &error)) << error;
    ASSERT_TRUE(testjson::Parse(ReadFile(fs::path(GRIDFALL_SOURCE_DIR) / "packaging/results.schema.json"),
                                schema, &error)) << error;
    std::vector<std::string> problems;
    testjson::Check(doc, schema, "$", problems);
    EXPECT_TRUE(problems.empty()) << ::testing::PrintToString(problems);

    EXPECT_EQ(doc["score"]["value"].n, score);
    EXPECT_EQ(doc["score"]["unit"].s, "points");
    EXPECT_EQ(doc["score"]["companion"]["value"].n, 2000);
    EXPECT_EQ(doc["fps"]["total_frames"].n, score);
    EXPECT_GT(score, 0);
    EXPECT_EQ(doc["settings"]["width"].n, 160);
    EXPECT_EQ(doc["settings"]["height"].n, 120);
    EXPECT_TRUE(doc["settings"]["headless"].b);
    // llvmpipe renders here, and the facts say so, with no boot adapter to tell apart.
    EXPECT_TRUE(doc["system"]["rendering_gpu"]["software"].b);
    EXPECT_EQ(doc["system"]["rendering_gpu"]["name"].s.rfind("llvmpipe", 0), 0u) << doc["system"]["rendering_gpu"]["name"].s;
    EXPECT_EQ(doc["system"]["boot_display_adapter"].kind, testjson::Value::Null);
    EXPECT_DOUBLE_EQ(doc["settings"]["tessellation_level"].n, 2.0);
    // Frame times were recorded for the measured frames (give or take the frame that crossed
    // the end of the warm-up).
    EXPECT_NEAR(doc["frame_time_ms"]["frames"].n, score, 1);
    EXPECT_LE(doc["frame_time_ms"]["p50"].n, doc["frame_time_ms"]["p99"].n);
    EXPECT_LE(doc["frame_time_ms"]["p99"].n, doc["frame_time_ms"]["max"].n);
    // llvmpipe has timer queries: the frames' GPU time, read a frame or two late, arrives for
    // all but the last frame or two.
    if (score >= 3) {
        ASSERT_EQ(doc["gpu_time_ms"].kind, testjson::Value::Object) << ReadFile(dir_ / "r.json");
        EXPECT_GE(doc["gpu_time_ms"]["frames"].n, 1);
        EXPECT_LE(doc["gpu_time_ms"]["p50"].n, doc["gpu_time_ms"]["p99"].n);
        EXPECT_NE(ReadFile(dir_ / "f.csv").find(",elapsed,gpu_frametime\n"), std::string::npos);
    }

    // The measured time is the windows' real time, all of it: they add up to it, the last
    // one marked partial, and the average is the exact rate over it.
    const auto& windows = doc["seconds"].a;
    ASSERT_FALSE(windows.empty());
    double windowSum = 0, frameSum = 0;
    for (const auto& w : windows) {
        windowSum += w["window_ms"].n;
        frameSum += w["frames"].n;
    }
    const double measured = doc["fps"]["elapsed_ms"].n;
    EXPECT_GE(measured, 2000);
    EXPECT_EQ(windowSum, measured);
    EXPECT_EQ(frameSum, score);
    EXPECT_TRUE(windows.back()["partial"].b);
    EXPECT_NEAR(doc["fps"]["avg"].n, score * 1000.0 / measured, 0.005001);
    // The profile's second result: the same average on the line before the score.
    std::smatch fps;
    ASSERT_TRUE(std::regex_search(r.out, fps, std::regex("\nGridfall Average FPS: ([0-9]+[.][0-9]{2})\n"
                                                         "Gridfall Score: "))) << r.out;
    EXPECT_DOUBLE_EQ(std::stod(fps[1]), doc["fps"]["avg"].n);
    EXPECT_NE(xml.find("<OutputTemplate>Gridfall Average FPS: #_RESULT_#</OutputTemplate>"),
              std::string::npos);
    // Standard error told what ran and how it ended; standard output stayed the results'.
    EXPECT_NE(r.err.find("gridfall: benchmark, 160x120, tessellation level 2.0"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("done: " + std::to_string(score) + (score == 1 ? " frame in " : " frames in ")),
              std::string::npos) << r.err;
    EXPECT_EQ(r.out.find("measuring:"), std::string::npos) << r.out;

    // One CSV row per window in the JSON: every whole window at least a second long, then the
    // partial last one. How many there are depends on how long the frames took.
    const std::string csv = ReadFile(dir_ / "r.csv");
    std::vector<std::string> rows;
    std::stringstream ss(csv);
    for (std::string l; std::getline(ss, l);)
        rows.push_back(l);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows[0].rfind("elapsed_s,fps,worst_frame_ms", 0), 0u);
    const auto& seconds = doc["seconds"].a;
    EXPECT_EQ(rows.size() - 1, seconds.size());
    EXPECT_LE(seconds.size(), static_cast<size_t>(measured / 1000) + 1);
    for (size_t i = 0; i + 1 < seconds.size(); ++i) {
        EXPECT_GE(seconds[i]["window_ms"].n, 1000) << i;
        EXPECT_FALSE(seconds[i]["partial"].b) << i;
    }
    auto field = [](const std::string& row, size_t index) {
        std::stringstream cells(row);
        std::string cell;
        for (size_t k = 0; k <= index; ++k)
            std::getline(cells, cell, ',');
        return cell;
    };
    for (size_t i = 0; i < seconds.size() && i + 1 < rows.size(); ++i)
        EXPECT_EQ(field(rows[i + 1], 3), std::to_string(static_cast<long>(seconds[i]["frames"].n)));
    // The frame log: MangoHud's two preamble lines and header, then one row per measured frame.
    std::vector<std::string> frameRows;
    std::stringstream fl(ReadFile(dir_ / "f.csv"));
    for (std::string l; std::getline(fl, l);)
        frameRows.push_back(l);
    ASSERT_GE(frameRows.size(), 3u);
    EXPECT_EQ(frameRows[0], "os,cpu,gpu,ram,kernel,driver,cpuscheduler");
    EXPECT_EQ(frameRows[2].rfind("fps,frametime,", 0), 0u);
    EXPECT_EQ(static_cast<long>(frameRows.size()) - 3, score);
    EXPECT_NE(ReadFile(dir_ / "p.svg").find("</svg>"), std::string::npos);
    // The results compare with themselves: same settings, no change.
    ChildResult cmp = RunGridfall(dir_, {"compare", "r.json", "r.json"});
    EXPECT_EQ(cmp.status, 0) << cmp.err;
    EXPECT_NE(cmp.out.find("(+0.00 %)"), std::string::npos) << cmp.out;
    EXPECT_TRUE(cmp.err.empty()) << cmp.err;
    // No temporary files are left beside the results.
    for (const auto& e : fs::directory_iterator(dir_))
        EXPECT_EQ(e.path().filename().string().find(".tmp"), std::string::npos) << e.path();
}

TEST_F(AutomationE2E, ValidatePassesOnThisMachine)
{
    if (!HasScene(dir_))
        GTEST_SKIP() << "the program was built without its benchmark scene";
    // Headless (EGL pbuffer) and, where the test run has one, in a hidden window on the display:
    // the verdict must not depend on what the window system does with a window's pixels.
    std::vector<std::vector<std::string>> runs = {{"--headless", "--validate"}};
    const char* display = std::getenv("DISPLAY");
    if (display && *display)
        runs.push_back({"--validate"});
    for (const auto& args : runs) {
        SCOPED_TRACE(args.front());
        ChildResult r = RunGridfall(dir_, args);
        ASSERT_FALSE(r.timedOut);
        EXPECT_EQ(LastLine(r.out), "Validation: Success") << r.out << r.err;
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        // One verdict for scripts to find; the captures say passed or failed.
        size_t verdicts = 0;
        for (size_t at = r.out.find("Validation: "); at != std::string::npos;
             at = r.out.find("Validation: ", at + 1))
            ++verdicts;
        EXPECT_EQ(verdicts, 1u) << r.out;
        for (const auto& cap : ValidationCaptures())
            EXPECT_NE(r.out.find(std::string("[validate] ") + cap.name), std::string::npos) << r.out;
    }
}

TEST_F(AutomationE2E, ValidateFailsOnAWrongPicture)
{
    if (!HasScene(dir_))
        GTEST_SKIP() << "the program was built without its benchmark scene";
    // The right size and a plausible colour, but no sphere: what a broken tessellation stage
    // would leave.
    RgbImage wrong;
    wrong.width = kValidationWidth;
    wrong.height = kValidationHeight;
    wrong.rgb.assign(static_cast<size_t>(wrong.width) * wrong.height * 3, 51);
    const auto png = EncodePng(wrong);
    const fs::path refs = dir_ / "refs";
    fs::create_directories(refs);
    for (const auto& cap : ValidationCaptures())
        for (const char* key : {"llvmpipe", "softpipe", "generic"})
            std::ofstream(refs / (std::string(cap.name) + "-" + key + ".png"), std::ios::binary)
                .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    ChildResult r = RunGridfall(dir_, {"--headless", "--validate"},
                              {"GRIDFALL_VALIDATE_REFERENCES=" + refs.string()});
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(LastLine(r.out), "Validation: Failure") << r.out << r.err;
    EXPECT_EQ(r.status, 1);
}

}  // namespace

namespace {

// A stability test's JSON, checked against the published schema.
testjson::Value StabilityResults(const fs::path& file)
{
    testjson::Value doc, schema;
    std::string error;
    EXPECT_TRUE(testjson::Parse(ReadFile(file), doc, &error)) << error;
    EXPECT_TRUE(testjson::Parse(ReadFile(fs::path(GRIDFALL_SOURCE_DIR) / "packaging/results.schema.json"),
                                schema, &error)) << error;
    std::vector<std::string> problems;
    testjson::Check(doc, schema, "$", problems);
    EXPECT_TRUE(problems.empty()) << ::testing::PrintToString(problems);
    return doc;
}

TEST_F(AutomationE2E, TimedStabilityTestPassesWithItsChecksAndAWrongCheckFrameFailsIt)
{
    if (!HasScene(dir_))
        GTEST_SKIP() << "the program was built without its benchmark scene";
    // Small, and no hang limit: on a loaded machine llvmpipe may well take seconds a frame.
    const std::vector<std::string> small = {"--resolution", "160x120", "--tess", "2", "--hang-limit", "0"};
    std::vector<std::string> args = {"--headless", "--demo", "--duration", "8000", "--check-interval",
                                     "2000", "--json", "s.json", "--csv", "s.csv"};
    args.insert(args.end(), small.begin(), small.end());
    ChildResult r = RunGridfall(dir_, args);
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    // However slow the frames, the run lasts at least its duration and compares at least once:
    // the reference at the first frame and the closing check at the end.
    const std::string last = LastLine(r.out);
    std::smatch verdict;
    ASSERT_TRUE(std::regex_match(last, verdict,
                                 std::regex(R"(Gridfall Stability: PASS \(([0-9]{2}):([0-9]{2}), ([0-9]+) checks?, 0 errors, max n\.a\.\))")))
        << r.out;
    EXPECT_GE(std::stoi(verdict[1]) * 60 + std::stoi(verdict[2]), 8) << r.out;
    testjson::Value doc = StabilityResults(dir_ / "s.json");
    EXPECT_EQ(doc["settings"]["run_mode"].s, "demo");
    EXPECT_EQ(doc["score"].kind, testjson::Value::Null);
    EXPECT_EQ(doc["stability"]["verdict"].s, "PASS");
    EXPECT_GE(doc["stability"]["checks"].n, 2);
    EXPECT_EQ(doc["stability"]["checks"].n, std::stoi(verdict[3]));
    EXPECT_GE(doc["stability"]["duration_ms"].n, 8000);
    EXPECT_FALSE(doc["seconds"].a.empty());
    EXPECT_FALSE(ReadFile(dir_ / "s.csv").empty());

    // The second check frame made to differ (the tests' own seam): FAIL, exit status 4, and
    // both pictures saved beside the results for a person to look at. The closing check makes
    // sure a second one comes, whatever the frame rate.
    fs::create_directory(dir_ / "out");
    args = {"--headless", "--demo", "--duration", "3000", "--check-interval", "1000", "--json", "out/f.json",
            "--quiet"};
    args.insert(args.end(), small.begin(), small.end());
    r = RunGridfall(dir_, args, {"GRIDFALL_TEST_CORRUPT_CHECK=2"});
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.status, 4) << r.out << r.err;
    EXPECT_TRUE(std::regex_match(LastLine(r.out),
                                 std::regex(R"(Gridfall Stability: FAIL \(check frame 2 at [0-9]{2}:[0-9]{2} differs in [0-9]+ pixels\))")))
        << r.out;
    EXPECT_TRUE(r.err.empty()) << r.err;   // --quiet
    doc = StabilityResults(dir_ / "out/f.json");
    EXPECT_EQ(doc["stability"]["verdict"].s, "FAIL");
    ASSERT_GE(doc["stability"]["events"].a.size(), 1u);
    EXPECT_EQ(doc["stability"]["events"].a[0]["kind"].s, "check_mismatch");
    EXPECT_EQ(doc["stability"]["error_png"].s, "out/gridfall_check_error.png");
    for (const char* name : {"out/gridfall_check_error.png", "out/gridfall_check_reference.png"}) {
        const std::string bytes = ReadFile(dir_ / name);
        const auto image = DecodePng(std::vector<uint8_t>(bytes.begin(), bytes.end()));
        ASSERT_TRUE(image.has_value()) << name;
        EXPECT_EQ(image->width, 512);
    }
}

// A Wayland compositor of the test's own. With a seat: weston's X11 backend on a private
// Xvfb. Without: its headless backend, which has no input devices (SDL 2.26 crashes there).
class PrivateWayland {
public:
    explicit PrivateWayland(const fs::path& runtimeDir, bool seat = true) : runtimeDir_(runtimeDir)
    {
        for (int n = 240; n < 300 && !x_ && seat; ++n) {
            const std::string socket = "/tmp/.X11-unix/X" + std::to_string(n);
            if (fs::exists("/tmp/.X" + std::to_string(n) + "-lock") || fs::exists(socket))
                continue;
            display_ = ":" + std::to_string(n);
            gridfall_test::ChildLaunch launch;
            launch.program = "Xvfb";
            launch.args = {display_, "-screen", "0", "1024x768x24", "-noreset", "-nolisten", "tcp"};
            x_ = std::make_unique<gridfall_test::ChildProcess>(launch);
            for (int i = 0; i < 100 && !fs::exists(socket); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            if (!x_->Started() || !fs::exists(socket))
                return;
        }
        if (!x_ && seat)
            return;
        fs::create_directories(runtimeDir_);
        fs::permissions(runtimeDir_, fs::perms::owner_all, fs::perm_options::replace);
        gridfall_test::ChildLaunch launch;
        launch.program = "weston";
        launch.args = {seat ? "--backend=x11-backend.so" : "--backend=headless-backend.so",
                       "--socket=gridfall-test", "--width=1024", "--height=768", "--idle-time=0"};
        launch.environment = gridfall_test::ChildEnvironment(
            {"WAYLAND_DISPLAY"}, {"DISPLAY=" + display_, "XDG_RUNTIME_DIR=" + runtimeDir_.string()});
        launch.stdoutPath = launch.stderrPath = runtimeDir_.parent_path() / "weston.txt";
        weston_ = std::make_unique<gridfall_test::ChildProcess>(launch);
        for (int i = 0; i < 200 && !fs::exists(runtimeDir_ / "gridfall-test"); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ~PrivateWayland()
    {
        for (auto* p : {&weston_, &x_})
            if (*p) {
                (*p)->Signal(SIGTERM);
                (*p)->Wait(std::chrono::seconds(10));
                p->reset();
            }
    }
    bool Ok() const { return weston_ && weston_->Started() && fs::exists(runtimeDir_ / "gridfall-test"); }
    // The environment entries that put a client on this compositor and nowhere else.
    std::vector<std::string> ClientEnvironment() const
    {
        return {"DISPLAY=", "SDL_VIDEODRIVER=wayland", "WAYLAND_DISPLAY=gridfall-test",
                "XDG_RUNTIME_DIR=" + runtimeDir_.string()};
    }

private:
    fs::path runtimeDir_;
    std::string display_;
    std::unique_ptr<gridfall_test::ChildProcess> x_, weston_;
};

// What a Wayland desktop user runs: a benchmark in a window and at a full-screen size the
// compositor scales, a timed stability test, and the validation.
TEST_F(AutomationE2E, WaylandRunsAreWaylandRuns)
{
    if (!HasScene(dir_))
        GTEST_SKIP() << "the program was built without its benchmark scene";
    ASSERT_EQ(std::system("command -v weston >/dev/null && command -v Xvfb >/dev/null"), 0)
        << "needs weston and Xvfb";
    PrivateWayland wayland(dir_ / "xdg");
    ASSERT_TRUE(wayland.Ok()) << ReadFile(dir_ / "weston.txt");
    const std::vector<std::string> small = {"--resolution", "160x120", "--tess", "2"};

    std::vector<std::string> args = {"--no-gui", "--benchmark", "--duration", "1000", "--json", "b.json"};
    args.insert(args.end(), small.begin(), small.end());
    ChildResult r = RunGridfall(dir_, args, wayland.ClientEnvironment());
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    testjson::Value doc = StabilityResults(dir_ / "b.json");
    EXPECT_EQ(doc["system"]["display_server"].s, "wayland");

    r = RunGridfall(dir_, {"--no-gui", "--benchmark", "--duration", "1000", "--fullscreen",
                           "--resolution", "640x480", "--tess", "2", "--json", "f.json"},
                    wayland.ClientEnvironment());
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.status, 0) << r.out << r.err << ReadFile(dir_ / "gridfall_log.txt");
    doc = StabilityResults(dir_ / "f.json");
    EXPECT_TRUE(doc["settings"]["fullscreen"].b);
    EXPECT_EQ(doc["settings"]["width"].n, 640);
    EXPECT_NE(ReadFile(dir_ / "gridfall_log.txt").find("scales it to the display's 1024x768"),
              std::string::npos);

    args = {"--no-gui", "--demo", "--duration", "3000", "--check-interval", "1000", "--hang-limit", "0",
            "--json", "s.json"};
    args.insert(args.end(), small.begin(), small.end());
    r = RunGridfall(dir_, args, wayland.ClientEnvironment());
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    doc = StabilityResults(dir_ / "s.json");
    EXPECT_EQ(doc["system"]["display_server"].s, "wayland");
    EXPECT_EQ(doc["stability"]["verdict"].s, "PASS");

    r = RunGridfall(dir_, {"--validate"}, wayland.ClientEnvironment());
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(LastLine(r.out), "Validation: Success") << r.out << r.err;
}

// A compositor without a seat: a --no-gui run says why and renders headless instead of
// crashing inside SDL.
TEST_F(AutomationE2E, WaylandWithoutASeatFallsBackToHeadless)
{
    if (!HasScene(dir_))
        GTEST_SKIP() << "the program was built without its benchmark scene";
    ASSERT_EQ(std::system("command -v weston >/dev/null"), 0) << "needs weston";
    PrivateWayland wayland(dir_ / "xdg", false);
    ASSERT_TRUE(wayland.Ok()) << ReadFile(dir_ / "weston.txt");
    ChildResult r = RunGridfall(dir_, {"--no-gui", "--benchmark", "--duration", "1000", "--resolution",
                                       "64x64", "--tess", "2", "--json", "b.json"},
                                wayland.ClientEnvironment());
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(StabilityResults(dir_ / "b.json")["system"]["display_server"].s, "headless");
    EXPECT_NE(ReadFile(dir_ / "gridfall_log.txt").find("offers no seat"), std::string::npos);
}

// A long stability test in dir_ (results s.json, frame log s.fl), started and rendering.
std::unique_ptr<gridfall_test::ChildProcess> StartLongStabilityTest(const fs::path& dir)
{
    gridfall_test::ChildLaunch launch;
    launch.program = GRIDFALL_EXE;
    // No hang limit: on a loaded machine llvmpipe's frames can take seconds, and the verdict
    // must not depend on that.
    launch.args = {"--headless", "--demo", "--duration", "600000", "--check-interval", "1000", "--hang-limit", "0",
                   "--json", "s.json", "--frame-log", "s.fl", "--resolution", "160x120", "--tess", "2"};
    launch.environment = gridfall_test::ChildEnvironment({}, {"LIBGL_ALWAYS_SOFTWARE=1", "ASAN_OPTIONS=detect_leaks=0"});
    launch.workDir = dir;
    launch.stdoutPath = dir / "stdout.txt";
    launch.stderrPath = dir / "stderr.txt";
    auto app = std::make_unique<gridfall_test::ChildProcess>(launch);
    if (!app->Started())
        return app;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (ReadFile(dir / "stderr.txt").find("running:") == std::string::npos &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return app;
}

// SIGTERM from a service manager, SIGHUP from a closed ssh session: the same clean end.
TEST_F(AutomationE2E, ASignalEndsAStabilityTestWithItsResults)
{
    if (!HasScene(dir_))
        GTEST_SKIP() << "the program was built without its benchmark scene";
    for (const int signalNumber : {SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signalNumber);
        for (const auto& entry : fs::directory_iterator(dir_))
            fs::remove_all(entry.path());
        auto app = StartLongStabilityTest(dir_);
        ASSERT_TRUE(app->Started()) << app->StartError();
        // Once it renders, give it time for a check or two, then end it.
        std::this_thread::sleep_for(std::chrono::milliseconds(2500));
        ASSERT_TRUE(app->Signal(signalNumber));
        // A timed run ended early: STOPPED, exit status 3, and its results are still written.
        EXPECT_EQ(app->Wait(std::chrono::seconds(60)), 3) << ReadFile(dir_ / "stderr.txt");
        const std::string out = ReadFile(dir_ / "stdout.txt");
        EXPECT_EQ(LastLine(out).rfind("Gridfall Stability: STOPPED (at ", 0), 0u) << out;
        testjson::Value doc = StabilityResults(dir_ / "s.json");
        EXPECT_EQ(doc["stability"]["verdict"].s, "STOPPED");
        EXPECT_GE(doc["stability"]["checks"].n, 1);
        // The frame log is finished and nothing temporary is left beside it.
        EXPECT_NE(ReadFile(dir_ / "s.fl").find("fps,frametime"), std::string::npos);
        for (const auto& entry : fs::directory_iterator(dir_))
            EXPECT_EQ(entry.path().filename().string().find("tmp"), std::string::npos) << entry.path();
        EXPECT_NE(ReadFile(dir_ / "gridfall_log.txt").find("Exit from Lumetra Gridfall."), std::string::npos);
    }
}

// A second conformant GL driver, Mesa's zink over lavapipe (Vulkan on the CPU), whose swaps
// hold nothing back: a loop that counted frames handed to the driver scored 20 times too high
// there and queued gigabytes. The score must be the frames the GPU finished, its frame rate
// frames over elapsed time, the run's end its duration plus at most the last frames' drain,
// memory bounded. Not skipped where zink does not run: the test says why and fails.
TEST_F(AutomationE2E, ZinkCountsTheFramesItFinished)
{
    if (!HasScene(dir_))
        GTEST_SKIP() << "the program was built without its benchmark scene";
    const std::vector<std::string> zink = {"GALLIUM_DRIVER=zink"};
    ChildResult r = RunGridfall(dir_, {"--headless", "--benchmark", "--duration", "2000", "--resolution", "160x120",
                                       "--tess", "2", "--json", "z.json", "--quiet"},
                                zink, std::chrono::seconds(180));
    ASSERT_FALSE(r.timedOut);
    ASSERT_EQ(r.status, 0) << "zink over lavapipe did not run (setup-deps installs mesa-vulkan-drivers): " << r.out
                           << r.err << ReadFile(dir_ / "gridfall_log.txt");
    testjson::Value doc = StabilityResults(dir_ / "z.json");
    ASSERT_NE(doc["system"]["gl"]["renderer"].s.find("zink"), std::string::npos)
        << "GALLIUM_DRIVER=zink gave another driver: " << doc["system"]["gl"]["renderer"].s;
    const double frames = doc["fps"]["total_frames"].n, elapsed = doc["fps"]["elapsed_ms"].n;
    EXPECT_GT(frames, 0);
    EXPECT_EQ(doc["score"]["value"].n, frames);
    EXPECT_NEAR(doc["fps"]["avg"].n, frames * 1000.0 / elapsed, 0.006);
    // The measured period ends when the last counted frame was drawn: past the duration by
    // the frame that crossed it and the one still in flight, and a second for a loaded machine.
    EXPECT_GE(elapsed, 2000);
    EXPECT_LE(elapsed, 2000 + 2 * doc["frame_time_ms"]["max"].n + 1000) << ReadFile(dir_ / "z.json");

    // A timed stability test on zink: its checks compare, and it passes.
    r = RunGridfall(dir_, {"--headless", "--demo", "--duration", "3000", "--check-interval", "1000", "--hang-limit",
                           "0", "--json", "s.json", "--resolution", "160x120", "--tess", "2", "--quiet"},
                    zink, std::chrono::seconds(180));
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    doc = StabilityResults(dir_ / "s.json");
    EXPECT_EQ(doc["stability"]["verdict"].s, "PASS") << r.out;
    EXPECT_GE(doc["stability"]["checks"].n, 2);
    EXPECT_GE(doc["stability"]["duration_ms"].n, 3000);

    // The largest of this process's children so far, these two runs included: a queue of
    // unfinished frames grew by about 200 MB a second here; bounded, the program stays far
    // below a gigabyte even under the sanitizers.
    rusage children{};
    ASSERT_EQ(getrusage(RUSAGE_CHILDREN, &children), 0);
    EXPECT_LT(children.ru_maxrss, 1024L * 1024L) << children.ru_maxrss << " KiB";
}

// A GPU that never returns, played by the tests' own seam: the render thread stalls for good
// inside frame 3. The main thread's watchdog fails the run while it hangs (FAIL, exit status 4,
// the JSON written) within the hang limit and a few seconds; without a hang limit a signal
// still ends the stuck run, with its results.
TEST_F(AutomationE2E, AFrameThatNeverEndsFailsTheRunWhileItHangs)
{
    if (!HasScene(dir_))
        GTEST_SKIP() << "the program was built without its benchmark scene";
    std::vector<std::string> args = {"--headless", "--demo", "--duration", "600000", "--check-interval", "1000",
                                     "--hang-limit", "10000", "--json", "h.json", "--resolution", "160x120",
                                     "--tess", "2", "--quiet"};
    // Far short of the run's ten minutes: only the watchdog can end it this soon.
    ChildResult r = RunGridfall(dir_, args, {"GRIDFALL_TEST_STALL_FRAME=3"}, std::chrono::seconds(120));
    ASSERT_FALSE(r.timedOut) << ReadFile(dir_ / "gridfall_log.txt");
    EXPECT_EQ(r.status, 4) << r.out << r.err;
    EXPECT_TRUE(std::regex_match(LastLine(r.out), std::regex(R"(Gridfall Stability: FAIL \(the GPU did not finish )"
                                                              R"(a frame within 10000 ms at [0-9]{2}:[0-9]{2}\))")))
        << r.out;
    testjson::Value doc = StabilityResults(dir_ / "h.json");
    EXPECT_EQ(doc["stability"]["verdict"].s, "FAIL");
    ASSERT_GE(doc["stability"]["events"].a.size(), 1u);
    const testjson::Value& hang = doc["stability"]["events"].a[0];
    EXPECT_EQ(hang["kind"].s, "hang");
    // Seen once past the limit, and acted on within a few seconds of it. (A limit well above
    // what llvmpipe's slowest real frame takes on a loaded machine: the first one compiles.)
    EXPECT_GE(hang["frame_ms"].n, 10000);
    EXPECT_LE(hang["frame_ms"].n, 10000 + 5000);
    EXPECT_GE(doc["stability"]["duration_ms"].n, hang["time_ms"].n + 10000);

    // No hang limit: SIGTERM once the frame is stuck ends the run as a stop, results written.
    args[7] = "0";
    args[9] = "t.json";
    gridfall_test::ChildLaunch launch;
    launch.program = GRIDFALL_EXE;
    launch.args = args;
    launch.environment = gridfall_test::ChildEnvironment(
        {}, {"LIBGL_ALWAYS_SOFTWARE=1", "ASAN_OPTIONS=detect_leaks=0", "GRIDFALL_TEST_STALL_FRAME=3"});
    const fs::path term = dir_ / "term";   // a log of its own, to wait on
    fs::create_directory(term);
    launch.workDir = term;
    launch.stdoutPath = term / "stdout.txt";
    launch.stderrPath = term / "stderr.txt";
    auto app = std::make_unique<gridfall_test::ChildProcess>(launch);
    ASSERT_TRUE(app->Started()) << app->StartError();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(90);
    while (ReadFile(term / "gridfall_log.txt").find("stalls the render thread") == std::string::npos &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_TRUE(app->Signal(SIGTERM));
    EXPECT_EQ(app->Wait(std::chrono::seconds(60)), 3) << ReadFile(term / "gridfall_log.txt");
    EXPECT_EQ(LastLine(ReadFile(term / "stdout.txt")).rfind("Gridfall Stability: STOPPED (at ", 0), 0u);
    EXPECT_EQ(StabilityResults(term / "t.json")["stability"]["verdict"].s, "STOPPED");
}

// Two runs writing into one folder would mix their results files and lose a log: the second
// is turned away, and the first's log and results stay its own.
TEST_F(AutomationE2E, ASecondRunInTheSameFolderIsTurnedAway)
{
    if (!HasScene(dir_))
        GTEST_SKIP() << "the program was built without its benchmark scene";
    auto first = StartLongStabilityTest(dir_);
    ASSERT_TRUE(first->Started()) << first->StartError();
    gridfall_test::ChildLaunch launch;
    launch.program = GRIDFALL_EXE;
    launch.args = {"--headless", "--benchmark", "--duration", "1000", "--resolution", "64x48", "--json", "s.json"};
    launch.environment = gridfall_test::ChildEnvironment({}, {"LIBGL_ALWAYS_SOFTWARE=1", "ASAN_OPTIONS=detect_leaks=0"});
    launch.workDir = dir_;
    launch.stdoutPath = dir_ / "second_stdout.txt";
    launch.stderrPath = dir_ / "second_stderr.txt";
    const ChildResult second = gridfall_test::RunToEnd(launch, std::chrono::seconds(60));
    EXPECT_EQ(second.status, 1) << second.err;
    EXPECT_NE(second.err.find("gridfall: no log written to gridfall_log.txt: another Gridfall run is "
                              "writing its log or results in "),
              std::string::npos)
        << second.err;
    ASSERT_TRUE(first->Signal(SIGTERM));
    EXPECT_EQ(first->Wait(std::chrono::seconds(60)), 3);
    const std::string log = ReadFile(dir_ / "gridfall_log.txt");
    EXPECT_EQ(log.find("is starting up."), log.rfind("is starting up.")) << log;
    EXPECT_EQ(StabilityResults(dir_ / "s.json")["stability"]["verdict"].s, "STOPPED");
}

// Runs gridfall through `bash -c script` in dir_, with the program as $0 and args as $@.
ChildResult RunThroughShell(const fs::path& dir, const std::string& script, const std::vector<std::string>& args)
{
    gridfall_test::ChildLaunch launch;
    launch.program = "bash";
    launch.args = {"-c", script, GRIDFALL_EXE};
    launch.args.insert(launch.args.end(), args.begin(), args.end());
    launch.environment = gridfall_test::ChildEnvironment({}, {"LIBGL_ALWAYS_SOFTWARE=1", "ASAN_OPTIONS=detect_leaks=0"});
    launch.workDir = dir;
    launch.stdoutPath = dir / "shell_stdout.txt";
    launch.stderrPath = dir / "shell_stderr.txt";
    return gridfall_test::RunToEnd(launch, std::chrono::seconds(100));
}

// Started with its standard streams closed, or with a reader that goes away at once, a run
// still writes its files whole and ends well; nothing printed lands in a file.
TEST_F(AutomationE2E, ClosedOrVanishingStandardStreamsCostNothing)
{
    if (!HasScene(dir_))
        GTEST_SKIP() << "the program was built without its benchmark scene";
    const std::vector<std::string> run = {"--headless", "--benchmark", "--duration", "1000", "--resolution",
                                          "64x48", "--tess", "2", "--json", "b.json", "--frame-log", "b.fl"};
    ChildResult r = RunThroughShell(dir_, "exec \"$0\" \"$@\" >&- 2>&-", run);
    ASSERT_EQ(r.status, 0) << r.err;
    std::istringstream frameLog(ReadFile(dir_ / "b.fl"));
    std::string line;
    int rows = 0;
    for (int n = 0; std::getline(frameLog, line); ++n)
        if (n >= 3) {
            EXPECT_TRUE(std::regex_match(line, std::regex("[-0-9.,]+"))) << line;
            ++rows;
        }
    EXPECT_GT(rows, 0);
    const std::string log = ReadFile(dir_ / "gridfall_log.txt");
    EXPECT_EQ(log.find("Gridfall Score"), std::string::npos) << log;
    EXPECT_EQ(log.find("running:"), std::string::npos) << log;
    testjson::Value doc;
    std::string error;
    EXPECT_TRUE(testjson::Parse(ReadFile(dir_ / "b.json"), doc, &error)) << error;

    // Both streams into a pipe whose reader is already gone.
    for (const char* name : {"b.json", "b.fl"})
        fs::remove(dir_ / name);
    r = RunThroughShell(dir_, "\"$0\" \"$@\" 2>&1 | true; echo \"${PIPESTATUS[0]}\"", run);
    EXPECT_EQ(r.out, "0\n") << r.err;
    testjson::Value again;
    EXPECT_TRUE(testjson::Parse(ReadFile(dir_ / "b.json"), again, &error)) << error;
    EXPECT_NE(ReadFile(dir_ / "b.fl").find("fps,frametime"), std::string::npos);
    EXPECT_NE(ReadFile(dir_ / "gridfall_log.txt").find("Standard output could not be written: Broken pipe."),
              std::string::npos);
}

}  // namespace
