// A run's own arithmetic.
#include "run/run_session.h"

BenchmarkScore ScoreOf(const RunSettings& settings, const RunResult& result)
{
    const StartupOptions& o = settings.options;
    return ComputeBenchmarkScore(o.active_time_based, static_cast<uint32_t>(result.total_frames),
                                 result.elapsed_ms, o.active_duration_ms, o.active_max_frames);
}

BenchmarkScore RunSession::Score() const { return ScoreOf(settings_, result_); }
