// Without a display the result goes to standard output, where headless runs report.
#include "core/process_mode.h"
#include "core/machine_records.h"
#include "run/run_session.h"
#include "results/run_report.h"
#include "core/startup_options.h"
#include "app/ui/result_dialog.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(HeadlessResult, PrintsTheDialogsTextsOnStandardOutput)
{
    SetHeadless(true);
    g_startup_options.active_time_based = 1;
    g_startup_options.active_duration_ms = 10000;
    g_startup_options.client_width = 640;
    g_startup_options.client_height = 480;
    g_startup_options.active_fullscreen = 0;
    g_sensor_readings = SensorReadings{};   // a machine without a temperature sensor
    std::strcpy(g_system_info.renderer, "llvmpipe (LLVM 15.0.6, 256 bits)");

    RunSession run;   // takes the settings above
    run.Result() = RunResult{12, 20, 16, 97};
    testing::internal::CaptureStdout();
    ShowResultDialog(run, RunReport{});
    const std::string out = testing::internal::GetCapturedStdout();
    SetHeadless(false);

    EXPECT_NE(out.find("Lumetra Gridfall 0.3.0 - SCORE: 97 points (10000 ms)\n"), std::string::npos) << out;
    EXPECT_NE(out.find("\nSCORE: 97 points, time: 10000 ms\n"), std::string::npos) << out;
    EXPECT_NE(out.find("\nFPS: min=12  max=20  avg=16\n"), std::string::npos) << out;
    EXPECT_NE(out.find("\nRes:640x480(W) - AA:Off - PostFX:OFF\n"), std::string::npos) << out;
    EXPECT_NE(out.find("\nRenderer: llvmpipe (LLVM 15.0.6, 256 bits)\n"), std::string::npos) << out;
    EXPECT_NE(out.find("\nClocks: Data not available\n"), std::string::npos) << out;
    EXPECT_NE(out.find("\nMax GPU temp: n.a.\n"), std::string::npos) << out;
}

}  // namespace
