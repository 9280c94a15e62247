// The results files: the JSON document against its published schema and against the numbers
// it was made from, text escaping, the per-second CSV, the score line the test-suite profile
// parses, and the atomic file writer.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "core/output_file.h"
#include "results/compare.h"
#include "results/frame_log.h"
#include "results/results_csv.h"
#include "results/results_json.h"
#include "core/gnu_options.h"
#include "results/output_writers.h"
#include "results/run_report.h"
#include "unit/results/json_reader.h"

namespace {

// A report whose measuring windows are the recorder's.
RunReport WithSeconds(RunReport r, const FrameTimeStats& stats)
{
    r.seconds = stats.Seconds();
    r.seconds_dropped = stats.DroppedSeconds();
    return r;
}


std::string ReadText(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

testjson::Value Schema()
{
    testjson::Value schema;
    std::string error;
    EXPECT_TRUE(testjson::Parse(ReadText(std::string(GRIDFALL_SOURCE_DIR) +
                                         "/packaging/results.schema.json"),
                                schema, &error))
        << error;
    return schema;
}

RunReport SampleReport()
{
    RunReport r;
    r.duration_ms = 10000;
    r.width = 320;
    r.height = 240;
    r.msaa_samples = 4;
    r.tess_level = 16.0f;
    r.map_set = 2;
    r.post_fx = "fxaa";
    r.headless = true;
    r.renderer = "llvmpipe (LLVM 15.0.6, 256 bits)";
    r.cpu = "AMD EPYC";
    r.os = "Debian GNU/Linux 12";
    r.gl_version = "4.5";
    r.main_vendor_id = 0x10de;
    r.main_device_id = 0x2684;
    r.gpus.push_back({"GeForce RTX 4090", "nvidia 550.54", 0x10de, 0x2684});
    r.score = ComputeBenchmarkScore(1, 1234, 10000, 10000, 0);
    r.fps_min = 110;
    r.fps_max = 130;
    r.fps_avg = 123;
    r.fps_min_exact = 110.0;
    r.fps_max_exact = 130.0;
    r.total_frames = 1234;
    r.elapsed_ms = 10010;
    r.long_frames = 2;
    r.longest_frame_ms = 2400;
    r.sensors.max_temperature = 71.5f;
    r.sensors.has_temperature = true;
    r.sensors.gpu0_core_clock = 2520.0f;
    r.finished_at = "2026-12-08T21:00:00Z";
    r.facts.cpu_model = "AMD EPYC";
    r.facts.cpu_cores = 8;
    r.facts.cpu_threads = 16;
    r.facts.memory_kib = 24683728;
    r.facts.kernel = "6.1.0-18-amd64";
    r.facts.distribution = "Debian GNU/Linux 12 (bookworm)";
    r.facts.display_server = "headless";
    r.facts.command_line = {"gridfall", "--headless", "--json", "r.json"};
    r.facts.gl_version = "4.5 (Core Profile) Mesa 22.3.6";
    r.facts.gl_driver_version = GlDriverVersion(r.facts.gl_version);
    r.facts.gl_profile = "core";
    r.facts.swap_interval = 0;
    return r;
}

void FillStats(FrameTimeStats& stats, RunReport& r)
{
    stats.Begin(16);
    for (int sec = 1; sec <= 3; ++sec) {
        for (int f = 0; f < 120; ++f)
            stats.RecordFrame(f == 0 ? 20000u : 8000u);
        GpuSecondSample g{60.0f + sec, 2500.0f, 10500.0f};
        stats.RecordSecond(120, 1000, static_cast<uint32_t>(sec) * 1000, std::span(&g, 1));
    }
    stats.RecordSecond(3, 250, 3250, {}, true);
    r.frame_times = stats.Summarize();
}

TEST(ResultsJson, MatchesItsSchemaAndTheRunItDescribes)
{
    RunReport r = SampleReport();
    FrameTimeStats stats;
    FillStats(stats, r);
    const std::string text = FormatResultsJson(WithSeconds(r, stats));

    testjson::Value doc;
    std::string error;
    ASSERT_TRUE(testjson::Parse(text, doc, &error)) << error << "\n" << text;
    std::vector<std::string> problems;
    testjson::Check(doc, Schema(), "$", problems);
    EXPECT_TRUE(problems.empty()) << ::testing::PrintToString(problems);

    EXPECT_EQ(doc["score"]["value"].n, 1234);
    EXPECT_EQ(doc["score"]["unit"].s, "points");
    EXPECT_EQ(doc["score"]["companion"]["value"].n, 10000);
    EXPECT_EQ(doc["score"]["companion"]["unit"].s, "ms");
    EXPECT_EQ(doc["settings"]["map_set"].n, 2);
    EXPECT_EQ(doc["settings"]["post_fx"].s, "fxaa");
    EXPECT_EQ(doc["system"]["main_vendor_id"].s, "0x10de");
    EXPECT_EQ(doc["system"]["cpu"]["threads"].n, 16);
    EXPECT_EQ(doc["system"]["memory_kib"].n, 24683728);
    EXPECT_EQ(doc["system"]["command_line"].a.size(), 4u);
    EXPECT_EQ(doc["system"]["gl"]["driver_version"].s, "Mesa 22.3.6");
    EXPECT_EQ(doc["system"]["gl"]["swap_interval"].n, 0);
    EXPECT_EQ(GlDriverVersion("4.6.0 NVIDIA 550.54.14"), "NVIDIA 550.54.14");
    EXPECT_EQ(doc["gpus"].a.size(), 1u);
    // Exact figures: frames over the real measured time, not the windows' integer mean.
    EXPECT_DOUBLE_EQ(doc["fps"]["avg"].n, 123.28);
    EXPECT_DOUBLE_EQ(doc["fps"]["min"].n, 110.0);
    EXPECT_EQ(doc["fps"]["hud"]["avg"].n, 123);
    EXPECT_EQ(doc["long_frames"]["count"].n, 2);
    EXPECT_EQ(doc["long_frames"]["longest_ms"].n, 2400);
    EXPECT_DOUBLE_EQ(doc["frame_time_ms"]["p50"].n, 8.0);
    EXPECT_DOUBLE_EQ(doc["frame_time_ms"]["max"].n, 20.0);
    EXPECT_EQ(doc["frame_time_ms"]["frames"].n, 360);
    // 1 % of 360 frames is 4: the three 20 ms frames and one 8 ms frame.
    EXPECT_NEAR(doc["lows_fps"]["low_1_percent"].n, 1000.0 / ((3 * 20.0 + 8.0) / 4), 0.01);
    ASSERT_EQ(doc["seconds"].a.size(), 4u);
    EXPECT_EQ(doc["seconds"].a[2]["elapsed_ms"].n, 3000);
    EXPECT_FALSE(doc["seconds"].a[2]["partial"].b);
    EXPECT_TRUE(doc["seconds"].a[3]["partial"].b);
    EXPECT_EQ(doc["seconds"].a[3]["window_ms"].n, 250);
    EXPECT_DOUBLE_EQ(doc["seconds"].a[3]["fps"].n, 12.0);
    EXPECT_DOUBLE_EQ(doc["seconds"].a[0]["worst_frame_ms"].n, 20.0);
    EXPECT_DOUBLE_EQ(doc["seconds"].a[1]["gpus"].a[0]["temperature_c"].n, 62.0);
    EXPECT_DOUBLE_EQ(doc["sensors"]["max_temperature_c"].n, 71.5);
    // No GPU-Z: voltage, current and power were never measured, and say so.
    EXPECT_EQ(doc["sensors"]["max_voltage_v"].kind, testjson::Value::Null);
    EXPECT_EQ(doc["sensors"]["max_power_w"].kind, testjson::Value::Null);
    EXPECT_EQ(doc.Get("repeat"), nullptr);   // a single run is no series
}

TEST(ResultsJson, WhatWasNeverMeasuredIsNullNotAStandInNumber)
{
    RunReport r;   // no window completed, no sensor, no long frame
    r.score = ComputeBenchmarkScore(1, 0, 0, 10000, 0);
    FrameTimeStats stats;
    const std::string text = FormatResultsJson(WithSeconds(r, stats));
    testjson::Value doc;
    ASSERT_TRUE(testjson::Parse(text, doc)) << text;
    for (const char* key : {"min", "max", "avg"}) {
        EXPECT_EQ(doc["fps"][key].kind, testjson::Value::Null) << key;
        EXPECT_EQ(doc["fps"]["hud"][key].kind, testjson::Value::Null) << key;
    }
    EXPECT_EQ(doc["long_frames"]["longest_ms"].kind, testjson::Value::Null);
    EXPECT_EQ(doc["sensors"]["max_temperature_c"].kind, testjson::Value::Null);
    EXPECT_EQ(doc["sensors"]["gpu0_core_clock_mhz"].kind, testjson::Value::Null);
    // Facts that could not be read are null as well.
    EXPECT_EQ(doc["system"]["cpu"]["cores"].kind, testjson::Value::Null);
    EXPECT_EQ(doc["system"]["gl"]["swap_interval"].kind, testjson::Value::Null);
    std::vector<std::string> problems;
    testjson::Check(doc, Schema(), "$", problems);
    EXPECT_TRUE(problems.empty()) << ::testing::PrintToString(problems);
}

TEST(ResultsJson, FrameCountRunsReportMillisecondsAgainstFrames)
{
    RunReport r = SampleReport();
    r.time_based = false;
    r.max_frames = 500;
    r.score = ComputeBenchmarkScore(0, 500, 4321, 0, 500);
    FrameTimeStats stats;
    testjson::Value doc;
    ASSERT_TRUE(testjson::Parse(FormatResultsJson(WithSeconds(r, stats)), doc));
    EXPECT_EQ(doc["score"]["value"].n, 4321);
    EXPECT_EQ(doc["score"]["unit"].s, "ms");
    EXPECT_EQ(doc["score"]["companion"]["value"].n, 500);
    EXPECT_EQ(doc["score"]["companion"]["unit"].s, "frames");
    EXPECT_TRUE(doc["seconds"].a.empty());
    std::vector<std::string> problems;
    testjson::Check(doc, Schema(), "$", problems);
    EXPECT_TRUE(problems.empty()) << ::testing::PrintToString(problems);
}

TEST(ResultsJson, AnyMachineTextStillGivesValidJson)
{
    RunReport r = SampleReport();
    r.cpu = "Quote \" backslash \\ tab \t newline \n bell \x07 del \x7f";
    r.os = "Latin-1 \xe9t\xe9 and cut UTF-8 \xe2\x82";
    r.renderer = "UTF-8 stays: \xc2\xb0""C \xe2\x82\xac";
    r.gpus[0].name = std::string("nul\0inside", 10);
    r.sensors.max_power = std::numeric_limits<float>::quiet_NaN();
    r.sensors.max_current = std::numeric_limits<float>::infinity();
    FrameTimeStats stats;
    testjson::Value doc;
    std::string error;
    const std::string text = FormatResultsJson(WithSeconds(r, stats));
    ASSERT_TRUE(testjson::Parse(text, doc, &error)) << error << "\n" << text;
    EXPECT_EQ(doc["system"]["text"]["cpu"].s, r.cpu);   // control characters escaped and back
    EXPECT_EQ(doc["system"]["text"]["renderer"].s, r.renderer);
    EXPECT_NE(text.find("\\ufffd"), std::string::npos);
    EXPECT_EQ(doc["sensors"]["max_power_w"].kind, testjson::Value::Null);
    EXPECT_EQ(doc["sensors"]["max_current_a"].kind, testjson::Value::Null);
    std::vector<std::string> problems;
    testjson::Check(doc, Schema(), "$", problems);
    EXPECT_TRUE(problems.empty()) << ::testing::PrintToString(problems);
}

TEST(ResultsJson, NumbersAreFixedPointWithoutNegativeZero)
{
    EXPECT_EQ(JsonNumber(1.5, 3), "1.500");
    EXPECT_EQ(JsonNumber(-0.0001, 3), "0.000");
    EXPECT_EQ(JsonNumber(-2.25, 1), "-2.2");   // round half to even, as to_chars does
    EXPECT_EQ(JsonNumber(1e300, 0).size(), 301u);
}

TEST(ResultsCsv, OneRowPerSecondWithAColumnGroupPerGpu)
{
    FrameTimeStats stats;
    stats.Begin(8);
    GpuSecondSample two[2] = {{61.0f, 1800.0f, 7000.0f}, {55.5f, 1500.0f, 6000.0f}};
    two[0].power_w = 210.5f;   // the second GPU publishes no power, neither has a fan reading
    stats.RecordFrame(16000);
    stats.RecordFrame(17500);
    stats.RecordSecond(58, 1000, 1000, two);
    stats.RecordFrame(16000);
    stats.RecordSecond(60, 1000, 2000, std::span(two, 1));
    two[1].temperature_c = std::numeric_limits<float>::quiet_NaN();   // a GPU without a sensor
    stats.RecordSecond(7, 350, 2350, two, true);
    const std::string csv = FormatResultsCsv(WithSeconds({}, stats));
    std::vector<std::string> lines;
    std::stringstream ss(csv);
    for (std::string line; std::getline(ss, line);)
        lines.push_back(line);
    ASSERT_EQ(lines.size(), 4u) << csv;
    EXPECT_EQ(lines[0],
              "elapsed_s,fps,worst_frame_ms,frames,window_ms,partial,gpu0_temperature_c,gpu0_core_clock_mhz,"
              "gpu0_memory_clock_mhz,gpu0_power_w,gpu0_fan_percent,gpu1_temperature_c,gpu1_core_clock_mhz,"
              "gpu1_memory_clock_mhz,gpu1_power_w,gpu1_fan_percent");
    EXPECT_EQ(lines[1], "1.000,58.00,17.500,58,1000,0,61.0,1800.0,7000.0,210.5,,55.5,1500.0,6000.0,,");
    EXPECT_EQ(lines[2], "2.000,60.00,16.000,60,1000,0,61.0,1800.0,7000.0,210.5,,,,,,");
    EXPECT_EQ(lines[3], "2.350,20.00,0.000,7,350,1,61.0,1800.0,7000.0,210.5,,,1500.0,6000.0,,");
    EXPECT_EQ(csv.back(), '\n');
    EXPECT_EQ(csv.find('\r'), std::string::npos);

    FrameTimeStats none;
    EXPECT_EQ(FormatResultsCsv(WithSeconds({}, none)), "elapsed_s,fps,worst_frame_ms,frames,window_ms,partial\n");
}

// The test-suite profile extracts the score with its output template; the line the program
// prints must match it and yield the same number.
TEST(ScoreLine, MatchesTheTestProfileTemplate)
{
    const std::string xml =
        ReadText(std::string(GRIDFALL_SOURCE_DIR) + "/packaging/pts/gridfall/results-definition.xml");
    std::smatch m;
    ASSERT_TRUE(std::regex_search(xml, m, std::regex("<OutputTemplate>(.*)</OutputTemplate>")));
    std::string tmpl = m[1];
    const std::string marker = "#_RESULT_#";
    const auto at = tmpl.find(marker);
    ASSERT_NE(at, std::string::npos);
    const std::string pattern = "^" + std::regex_replace(tmpl.substr(0, at), std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)") +
                                "([0-9]+)$";

    RunReport r = SampleReport();
    for (int32_t score : {0, 7, 1234, 2147483647}) {
        r.score.score = score;
        const std::string line = ScoreOutputLine(r);
        std::smatch hit;
        ASSERT_TRUE(std::regex_match(line, hit, std::regex(pattern))) << line << " vs " << tmpl;
        EXPECT_EQ(hit[1].str(), std::to_string(score));
    }
    // A frame-count run's figure is milliseconds: its line must not pass for a score.
    r.score = ComputeBenchmarkScore(0, 500, 4321, 0, 500);
    EXPECT_EQ(ScoreOutputLine(r), "Gridfall Time: 4321 ms");
    EXPECT_FALSE(std::regex_match(ScoreOutputLine(r), std::regex(pattern)));
}

// --repeat: the series' mean is the score line, after the summary; the JSON keeps every run.
TEST(ScoreLine, RepeatSeriesReportsTheMeanAndItsSpread)
{
    RunReport r = SampleReport();
    for (double score : {1234.0, 1250.0, 1240.0}) {
        RepeatRun run;
        run.score = score;
        run.total_frames = static_cast<uint32_t>(score);
        run.elapsed_ms = 10000;
        run.fps_avg = score / 10;
        run.fps_min = score / 10 - 5;
        run.fps_max = score / 10 + 5;
        run.p50_ms = score / 100;
        r.repeat_runs.push_back(run);
    }
    ApplySeriesTotals(r);
    EXPECT_EQ(ScoreOutputLine(r), "Gridfall Score: 1241.33");
    // The series' rate: its 3724 frames over its 30 s, not the last run's.
    EXPECT_EQ(AverageFpsOutputLine(r), "Gridfall Average FPS: 124.13");
    EXPECT_EQ(FormatRepeatLines(r.repeat_runs, "points"),
              "Repeat: 3 runs: 1234, 1250, 1240 points\n"
              "Mean: 1241.33 points, standard deviation 8.08, CV 0.65 %, 95 % interval 1221.25 to 1261.41\n");
    FrameTimeStats stats;
    testjson::Value doc;
    ASSERT_TRUE(testjson::Parse(FormatResultsJson(WithSeconds(r, stats)), doc));
    std::vector<std::string> problems;
    testjson::Check(doc, Schema(), "$", problems);
    EXPECT_TRUE(problems.empty()) << ::testing::PrintToString(problems);
    EXPECT_EQ(doc["repeat"]["runs"].n, 3);
    EXPECT_DOUBLE_EQ(doc["repeat"]["stddev"].n, 8.08);
    EXPECT_EQ(doc["repeat"]["per_run"].a[1]["score"].n, 1250);
    // The JSON agrees with the lines: the mean score, the series' rate and windows.
    EXPECT_DOUBLE_EQ(doc["score"]["value"].n, 1241.33);
    EXPECT_DOUBLE_EQ(doc["fps"]["avg"].n, 124.13);
    EXPECT_DOUBLE_EQ(doc["fps"]["min"].n, 118.4);
    EXPECT_DOUBLE_EQ(doc["fps"]["max"].n, 130.0);
    EXPECT_EQ(doc["fps"]["total_frames"].n, 3724);
    // compare takes the series as the lines do, its frame times as its runs' mean.
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("gridfall_series_" + std::to_string(getpid()) + ".json")).string();
    std::ofstream(path) << FormatResultsJson(WithSeconds(r, stats));
    CompareRun series;
    std::string error;
    ASSERT_TRUE(LoadCompareRun(path, &series, &error)) << error;
    std::filesystem::remove(path);
    EXPECT_DOUBLE_EQ(series.score, 1241.33);
    EXPECT_DOUBLE_EQ(series.fps_avg, 124.13);
    EXPECT_NEAR(series.p50_ms, (12.34 + 12.5 + 12.4) / 3, 1e-9);
    // One run has no spread: the summary says so instead of printing 0.
    EXPECT_TRUE(std::isnan(SummarizeRepeat({1234.0}).stddev));
}

class AtomicWrite : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = std::filesystem::temp_directory_path() /
               ("gridfall_results_" + std::to_string(getpid()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::filesystem::path dir_;
};

TEST_F(AtomicWrite, ReplacesTheFileAndLeavesNoTemporary)
{
    const std::string path = (dir_ / "r.json").string();
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(path, "first", &error)) << error;
    ASSERT_TRUE(WriteFileAtomically(path, "second\n", &error)) << error;
    EXPECT_EQ(ReadText(path), "second\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), {}), 1);
}

TEST_F(AtomicWrite, FailureNamesThePathAndKeepsTheOldFile)
{
    std::string error;
    EXPECT_FALSE(WriteFileAtomically((dir_ / "missing" / "r.json").string(), "x", &error));
    EXPECT_NE(error.find("missing"), std::string::npos);

    // A directory where the file should go cannot be replaced by a file.
    std::filesystem::create_directory(dir_ / "taken");
    std::filesystem::create_directory(dir_ / "taken" / "child");
    EXPECT_FALSE(WriteFileAtomically((dir_ / "taken").string(), "x", &error));
    EXPECT_TRUE(std::filesystem::is_directory(dir_ / "taken"));
    // Only the directories remain: the temporary file was removed.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), {}), 1);
}

// Every file asked for comes from the one report, by its row of the writer table; a file that
// cannot be written fails the whole but does not cost the others, and an option without a
// writer (the frame log, written during the run) is left alone.
TEST_F(AtomicWrite, OutputWritersWriteEveryAskedFileFromTheReport)
{
    RunReport r;
    r.score = ComputeBenchmarkScore(1, 600, 10000, 10000, 0);
    r.total_frames = 600;
    r.elapsed_ms = 10000;
    FrameTimeStats stats;
    stats.Begin(4);
    stats.RecordFrame(16000);
    stats.RecordSecond(60, 1000, 1000, {});
    r = WithSeconds(r, stats);
    std::map<std::string, std::string, std::less<>> files = {
        {"json", (dir_ / "r.json").string()},
        {"csv", (dir_ / "missing" / "r.csv").string()},
        {"plot", (dir_ / "r.svg").string()},
        {"frame-log", (dir_ / "f.csv").string()}};
    testing::internal::CaptureStderr();
    EXPECT_FALSE(WriteOutputs(r, files));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("gridfall: CSV log not written: "), std::string::npos) << err;
    EXPECT_EQ(ReadText(files["json"]), FormatResultsJson(r));
    EXPECT_NE(ReadText(files["plot"]).find("<svg"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(files["frame-log"]));

    files.erase("csv");
    EXPECT_TRUE(WriteOutputs(r, files));
    // Each writer's file is named by a FILE option of the command line.
    for (const OutputWriter& w : OutputWriters()) {
        const auto options = GnuOptionTable();
        const auto it = std::find_if(options.begin(), options.end(),
                                     [&](const GnuOption& o) { return std::string_view(o.name) == w.option; });
        ASSERT_NE(it, options.end()) << "--" << w.option;
        EXPECT_STREQ(it->argument, "FILE");
    }
}

// The layout MangoHud's own logs have (two preamble lines, its column header, a row per
// frame), which its viewers and mangoplot read by skipping two lines and naming columns, and
// the summary MangoHud writes beside it, figured from the same rows.
TEST_F(AtomicWrite, FrameLogHasMangoHudsLayoutAndOneRowPerFrame)
{
    const std::string path = (dir_ / "f.csv").string();
    RunSystemFacts facts;
    facts.distribution = "Debian GNU/Linux 12 (bookworm)";
    facts.cpu_model = "Intel(R) Core(TM) i7-9700K CPU @ 3.60GHz";
    facts.gl_renderer = "llvmpipe (LLVM 15.0.6, 256 bits)";
    facts.gl_version = "4.5 (Compatibility Profile) Mesa 22.3.6";
    facts.memory_kib = 24683728;
    facts.kernel = "6.1.0-18-amd64";
    FrameLog log;
    std::string error;
    ASSERT_TRUE(log.Open(path, MangoHudPreamble(facts), &error)) << error;
    // Enough rows to pass through the buffer several times; every hundredth frame is four
    // times as long (as after a stability test's check frame, whose time is that frame's).
    const int kRows = 5000;
    FrameLogSensors sensors;
    for (int i = 0; i < kRows; ++i) {
        if (i == 1)
            sensors = {61.5f, 1800.0f, std::numeric_limits<float>::quiet_NaN()};
        if (i == 2)
            sensors.gpu_temp_c = 64.5f;
        log.Row(i % 100 == 99 ? 66666668 : 16666667, sensors);
    }
    EXPECT_FALSE(std::filesystem::exists(path)) << "visible before it is complete";
    const std::string summary = log.SummaryText();
    ASSERT_TRUE(log.Finish(&error)) << error;

    std::vector<std::string> lines;
    std::stringstream ss(ReadText(path));
    for (std::string line; std::getline(ss, line);)
        lines.push_back(line);
    ASSERT_EQ(lines.size(), 3u + kRows);
    EXPECT_EQ(lines[0], "os,cpu,gpu,ram,kernel,driver,cpuscheduler");
    EXPECT_EQ(lines[1], "Debian GNU/Linux 12 (bookworm),Intel Core i7-9700K CPU @ 3.60GHz,"
                        "llvmpipe,24683728,6.1.0-18-amd64,4.5 Mesa 22.3.6,");
    EXPECT_EQ(lines[2], "fps,frametime,cpu_load,cpu_power,gpu_load,cpu_temp,gpu_temp,gpu_core_clock,"
                        "gpu_mem_clock,gpu_vram_used,gpu_power,ram_used,swap_used,process_rss,cpu_mhz,elapsed,gpu_frametime");
    // Unknown readings are MangoHud's 0; frame time in ms, elapsed in ns, the sum of the
    // frame times so far.
    EXPECT_EQ(lines[3], "60.000,16.666667,0,0,0,0,0,0,0,0,0,0,0,0,0,16666667,0");
    EXPECT_EQ(lines[4], "60.000,16.666667,0,0,0,0,61.5,1800.0,0,0,0,0,0,0,0,33333334,0");
    EXPECT_EQ(lines[3 + 99], "15.000,66.666668,0,0,0,0,64.5,1800.0,0,0,0,0,0,0,0,1716666701,0");
    EXPECT_EQ(lines.back(), "15.000,66.666668,0,0,0,0,64.5,1800.0,0,0,0,0,0,0,0,85833335050,0");
    EXPECT_EQ(log.ElapsedNs(), 85833335050u);

    // The summary: the 5th and the 50th slowest frames are slow ones, the 4850th a fast one
    // (16666 us), and the average is 5000 frames over 85.833335050 s.
    EXPECT_EQ(FrameLog::SummaryPath(path), (dir_ / "f_summary.csv").string());
    EXPECT_EQ(FrameLog::SummaryPath("/tmp/log"), "/tmp/log_summary.csv");
    EXPECT_EQ(summary,
              "0.1% Min FPS,1% Min FPS,97% Percentile FPS,Average FPS,GPU Load,CPU Load,"
              "Average Frame Time,Average GPU Temp,Average CPU Temp,Average VRAM Used,"
              "Average RAM Used,Average Swap Used,Peak GPU Load,Peak CPU Load,Peak GPU Temp,"
              "Peak CPU Temp,Peak VRAM Used,Peak RAM Used,Peak Swap Used\n"
              "15.000,15.000,60.002,58.252,0,0,17.166667,64.499,0,0,0,0,0,0,64.5,0,0,0,0\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), {}), 1);

    // A log that cannot be created says where; nothing is left behind.
    FrameLog bad;
    EXPECT_FALSE(bad.Open((dir_ / "missing" / "f.csv").string(), {}, &error));
    EXPECT_NE(error.find("missing"), std::string::npos);
}

// Runs of recorded shape: ten windows around a rate, with a little noise.
std::string RunJson(double rate, double tess)
{
    RunReport r = SampleReport();
    r.tess_level = static_cast<float>(tess);
    FrameTimeStats stats;
    stats.Begin(16);
    for (int sec = 1; sec <= 10; ++sec) {
        const uint32_t frames = static_cast<uint32_t>(rate) + static_cast<uint32_t>(sec % 3);
        for (uint32_t f = 0; f < frames; ++f)
            stats.RecordFrame(1000000u / frames);
        stats.RecordSecond(frames, 1000, static_cast<uint32_t>(sec) * 1000, {});
    }
    r.frame_times = stats.Summarize();
    r.total_frames = static_cast<uint32_t>(stats.FrameCount());
    r.elapsed_ms = 10000;
    r.score.score = static_cast<int32_t>(r.total_frames);
    return FormatResultsJson(WithSeconds(r, stats));
}

std::string ReadStream(std::FILE* f)
{
    std::rewind(f);
    std::string text;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;)
        text.append(buf, n);
    return text;
}

TEST_F(AtomicWrite, CompareTellsChangesFromNoiseAndRejectsBadInput)
{
    const auto file = [&](const char* name, const std::string& text) {
        const std::string path = (dir_ / name).string();
        std::ofstream(path) << text;
        return path;
    };
    const std::string a = file("a.json", RunJson(120, 16));
    const std::string same = file("same.json", RunJson(120, 16));
    const std::string faster = file("b.json", RunJson(150, 32));
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    ASSERT_EQ(RunCompareCommand({a, same, faster}, out, err), kCompareExitOk);
    const std::string table = ReadStream(out);
    EXPECT_NE(table.find("Mann-Whitney U"), std::string::npos) << table;
    EXPECT_NE(table.find("within noise (p = 1.0000)"), std::string::npos) << table;
    EXPECT_NE(table.find("beyond noise"), std::string::npos) << table;
    EXPECT_NE(table.find("(+24.79 %)"), std::string::npos) << table;   // 1510 / 1210 frames
    // Only the faster run used other settings, and that is said.
    const std::string warnings = ReadStream(err);
    EXPECT_NE(warnings.find("settings.tessellation_level = 32"), std::string::npos) << warnings;
    EXPECT_EQ(warnings.find("same.json"), std::string::npos) << warnings;

    std::FILE* jsonOut = std::tmpfile();
    ASSERT_EQ(RunCompareCommand({a, faster, "--json"}, jsonOut, err), kCompareExitOk);
    testjson::Value doc;
    std::string error;
    ASSERT_TRUE(testjson::Parse(ReadStream(jsonOut), doc, &error)) << error;
    EXPECT_EQ(doc["test"].s, "mann-whitney-u");
    ASSERT_EQ(doc["runs"].a.size(), 2u);
    EXPECT_TRUE(doc["runs"].a[1]["noise"]["beyond_noise"].b);
    EXPECT_LT(doc["runs"].a[1]["noise"]["p_value"].n, 0.001);
    EXPECT_EQ(doc["runs"].a[1]["windows"].n, 10);
    EXPECT_EQ(doc["settings_differ"].a.size(), 1u);

    std::string v1 = RunJson(120, 16);
    v1.replace(v1.find("\"schema_version\": 4"), 19, "\"schema_version\": 1");
    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{a}, {a, (dir_ / "missing.json").string()},
          {a, file("garbage.json", "{\"schema\": ")}, {a, file("v1.json", v1)},
          {a, file("other.json", "{\"schema\": \"other\"}")}, {a, faster, "--bogus"}}) {
        std::FILE* sink = std::tmpfile();
        EXPECT_EQ(RunCompareCommand(bad, sink, sink), kCompareExitBadInput) << bad.back();
        EXPECT_NE(ReadStream(sink).find(bad.size() > 1 ? "" : "Usage"), std::string::npos);
        std::fclose(sink);
    }

    // Odd input gets an exact reason: a FIFO (which would block for good), a byte order mark,
    // a version written as a string; what compare echoes carries no raw control bytes.
    const std::string fifo = (dir_ / "fifo.json").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    std::string v3string = RunJson(120, 16);
    v3string.replace(v3string.find("\"schema_version\": 4"), 19, "\"schema_version\": \"3\"");
    std::string controls = RunJson(120, 16);
    controls.replace(controls.find("\"post_fx\": "), 11, "\"post_fx\": \"\\u001b[2J\\r\", \"x\": ");
    const std::vector<std::pair<std::string, std::string>> odd = {
        {fifo, fifo + " is not a regular file\n"},
        {file("bom.json", "\xEF\xBB\xBF" + RunJson(120, 16)),
         "bom.json starts with a UTF-8 byte order mark, which a results file never has\n"},
        {file("v3string.json", v3string),
         "v3string.json has a results schema version that is not a number (\"3\"); this program "
         "reads versions 2 to 4\n"},
        {file("control.json", controls), "settings.post_fx = \\x1B[2J\\x0D, the first run with"}};
    for (const auto& [path, said] : odd) {
        std::FILE* sink = std::tmpfile();
        const int status = RunCompareCommand({a, path}, sink, sink);
        const std::string text = ReadStream(sink);
        EXPECT_EQ(status, path == odd.back().first ? kCompareExitOk : kCompareExitBadInput) << text;
        EXPECT_NE(text.find(said), std::string::npos) << text;
        EXPECT_EQ(text.find('\x1b'), std::string::npos) << text;
        std::fclose(sink);
    }
    for (std::FILE* f : {out, err, jsonOut})
        std::fclose(f);
}

}  // namespace
