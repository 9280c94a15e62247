// A windowed demo run of the built program under the X server of the test run: a screenshot of
// the screen shows the HUD's title line in its yellow over the scene.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "support/child_process.h"

namespace {

struct Screenshot {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;
    const unsigned char* At(int x, int y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
};

// Binary PPM (P6, maxval 255), as ImageMagick's import writes it.
bool ReadPpm(const std::string& path, Screenshot* shot)
{
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int maxval = 0;
    if (!(in >> magic >> shot->width >> shot->height >> maxval) || magic != "P6" || maxval != 255)
        return false;
    in.get();
    shot->rgb.resize(static_cast<size_t>(shot->width) * shot->height * 3);
    in.read(reinterpret_cast<char*>(shot->rgb.data()), static_cast<std::streamsize>(shot->rgb.size()));
    return static_cast<size_t>(in.gcount()) == shot->rgb.size();
}

// (1, 1, 0): the title and renderer lines; the help lines carry a little blue and do not count.
bool IsTitleYellow(const unsigned char* p) { return p[0] > 240 && p[1] > 240 && p[2] < 12; }

// Rows holding title-yellow pixels, and the widest horizontal spread of them in one band.
struct YellowBand {
    int rows = 0;
    int minX = 1 << 30;
    int maxX = -1;
};
YellowBand FindYellow(const Screenshot& shot)
{
    YellowBand band;
    for (int y = 0; y < shot.height; ++y) {
        bool any = false;
        for (int x = 0; x < shot.width; ++x) {
            if (IsTitleYellow(shot.At(x, y))) {
                any = true;
                band.minX = std::min(band.minX, x);
                band.maxX = std::max(band.maxX, x);
            }
        }
        band.rows += any;
    }
    return band;
}

}  // namespace

TEST(DemoScreenshot, WindowedDemoRunShowsTheTitleLine)
{
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display)
        GTEST_SKIP() << "needs an X server (scripts/test.sh starts Xvfb)";

    const std::string dir = std::filesystem::current_path().string() + "/e2e_overlays";
    std::string mk = "mkdir -p '" + dir + "'";
    ASSERT_EQ(std::system(mk.c_str()), 0);
    const std::string shotPath = dir + "/screen.ppm";

    gridfall_test::ChildLaunch launch;
    launch.program = GRIDFALL_EXE;
    // No hang limit: the picture is the point, and on a loaded machine llvmpipe's first frame
    // (it compiles every shader) may well take longer than the default limit.
    launch.args = {"--no-gui", "--demo", "--resolution", "640x480", "--tess", "1", "--hang-limit", "0"};
    // Leaks of a killed process say nothing; the unit and gl tiers check ours.
    launch.environment = gridfall_test::ChildEnvironment({}, {"LIBGL_ALWAYS_SOFTWARE=1", "ASAN_OPTIONS=detect_leaks=0"});
    launch.workDir = dir;
    gridfall_test::ChildProcess app(launch);
    ASSERT_TRUE(app.Started()) << app.StartError();

    // llvmpipe under sanitizers needs a few seconds for start-up and the first frames; poll
    // the screen until the title shows or the time is up.
    YellowBand band;
    Screenshot shot;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(150);
    while (std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::seconds(2));
        const int status = app.Wait(std::chrono::milliseconds(0));
        if (status != gridfall_test::kNotEnded) {
            ADD_FAILURE() << "the program ended early, status " << status;
            break;
        }
        const std::string cmd = "import -display '" + std::string(display) + "' -window root -depth 8 'ppm:" +
                                shotPath + "' 2>/dev/null";
        if (std::system(cmd.c_str()) != 0 || !ReadPpm(shotPath, &shot))
            continue;
        band = FindYellow(shot);
        if (band.rows >= 5 && band.maxX - band.minX > 150)
            break;
    }
    app.Kill();   // SDL catches SIGTERM; the run is endless anyway

    // The title line is 12-pixel text over most of the window's width (the window is 640 wide
    // and centred on the screen).
    EXPECT_GE(band.rows, 5);
    EXPECT_LE(band.rows, 40) << "only the title and renderer lines are yellow";
    EXPECT_GT(band.maxX - band.minX, 150);
    if (band.maxX >= 0 && shot.width > 0) {
        const int windowLeft = (shot.width - 640) / 2;
        EXPECT_GE(band.minX, windowLeft + 5);
        EXPECT_LE(band.minX, windowLeft + 20);   // lines start 10 px from the window's edge
    }
    const std::string rm = "rm -rf '" + dir + "'";
    std::system(rm.c_str());
}
