// Benchmark score, progress and result texts.
#include "results/scoring.h"

#include <gtest/gtest.h>

#include <string>

#include "run/run_session.h"

namespace {

TEST(Scoring, TimeBasedRunScoresFramesWithTheDurationBeside)
{
    // 100 frames a second for a minute.
    const BenchmarkScore s = ComputeBenchmarkScore(1, 6000, 60000, 60000, 10000);
    EXPECT_TRUE(s.timeBased);
    EXPECT_EQ(s.score, 6000);
    EXPECT_EQ(s.companion, 60000);
    EXPECT_STREQ(ScoreUnit(s), "points");
    char buf[256];
    EXPECT_STREQ(FormatScoreLine(buf, sizeof buf, s), "SCORE: 6000 points, time: 60000 ms");
    EXPECT_STREQ(FormatResultTitle(buf, sizeof buf, s),
                 "Lumetra Gridfall 0.3.0 - SCORE: 6000 points (60000 ms)");
}

TEST(Scoring, FrameCountRunScoresMilliseconds)
{
    const BenchmarkScore s = ComputeBenchmarkScore(0, 500, 12345, 60000, 500);
    EXPECT_FALSE(s.timeBased);
    EXPECT_EQ(s.score, 12345);
    EXPECT_EQ(s.companion, 500);
    EXPECT_STREQ(ScoreUnit(s), "ms");
    char buf[256];
    EXPECT_STREQ(FormatScoreLine(buf, sizeof buf, s), "SCORE: 12345 ms, frames: 500");
    EXPECT_STREQ(FormatResultTitle(buf, sizeof buf, s),
                 "Lumetra Gridfall 0.3.0 - SCORE: 12345 ms (500 frames)");
    EXPECT_STREQ(FormatResultTitle(buf, sizeof buf, ComputeBenchmarkScore(0, 1, 40, 0, 1)),
                 "Lumetra Gridfall 0.3.0 - SCORE: 40 ms (1 frame)");
}

TEST(Scoring, ARunsScoreReadsItsSettingsAndResult)
{
    RunSettings settings;
    settings.options.active_time_based = 1;
    settings.options.active_duration_ms = 2000;
    RunResult result;
    result.total_frames = 77;
    result.elapsed_ms = 2003;
    BenchmarkScore s = ScoreOf(settings, result);
    EXPECT_EQ(s.score, 77);
    EXPECT_EQ(s.companion, 2000);
    settings.options.active_time_based = 0;
    settings.options.active_max_frames = 300;
    s = ScoreOf(settings, result);
    EXPECT_EQ(s.score, 2003);
    EXPECT_EQ(s.companion, 300);
}

TEST(Scoring, ProgressPercentTruncatesAndSurvivesZeroLimits)
{
    EXPECT_EQ(ProgressPercent(1, 29999, 60000, 0, 0), 49);
    EXPECT_EQ(ProgressPercent(1, 60000, 60000, 0, 0), 100);
    EXPECT_EQ(ProgressPercent(0, 0, 0, 333, 1000), 33);
    EXPECT_EQ(ProgressPercent(1, 5000, 0, 0, 0), 0);
    EXPECT_EQ(ProgressPercent(0, 0, 0, 50, 0), 0);
    // Long runs: elapsed * 100 does not fit 32 bits.
    EXPECT_EQ(ProgressPercent(1, 4000000000u, 4000000000u, 0, 0), 100);
}

TEST(Scoring, ProgressBarReachesTheWindowWidthWhenTheRunEnds)
{
    // 2 s at 60 frames a second.
    float width = 0;
    for (int i = 0; i < 120; ++i)
        width += ProgressBarStep(1, 320, 2000, 0, 1.0f / 60.0f);
    EXPECT_NEAR(width, 320.0f, 0.01f);
    width = 0;
    for (int i = 0; i < 400; ++i)
        width += ProgressBarStep(0, 640, 0, 400, 0.5f);
    EXPECT_NEAR(width, 640.0f, 0.01f);
    EXPECT_EQ(ProgressBarStep(1, 640, 0, 0, 0.016f), 0.0f);
    EXPECT_EQ(ProgressBarStep(0, 640, 60000, 0, 0.016f), 0.0f);
}

TEST(Scoring, TemperatureLineDropsTheCurrentWhenItIsZero)
{
    char buf[256];
    EXPECT_STREQ(FormatMaxTemperatureLine(buf, sizeof buf, true, 71.9f, 0.0f),
                 "Max GPU temp: 71\u00B0C");
    EXPECT_STREQ(FormatMaxTemperatureLine(buf, sizeof buf, true, 65.0f, 12.34f),
                 "Max GPU temp: 65\u00B0C - Max current: 12.3A");
    // No sensor: not 0 degrees.
    EXPECT_STREQ(FormatMaxTemperatureLine(buf, sizeof buf, false, 0.0f, 12.34f),
                 "Max GPU temp: n.a. - Max current: 12.3A");
}

TEST(Scoring, TextsAreTruncatedToTheBuffer)
{
    char buf[12];
    FormatScoreLine(buf, sizeof buf, ComputeBenchmarkScore(1, 123456, 0, 60000, 0));
    EXPECT_EQ(std::string(buf), "SCORE: 1234");
}

}  // namespace
