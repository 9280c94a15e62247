// The report of a run, collected from the run and the machine's records.
#include "run/collect_report.h"

#include <cmath>
#include <ctime>

#include "core/machine_records.h"
#include "core/process_mode.h"
#include "gfx/gl_context.h"
#include "gpuinfo/siliscan.h"
#include "gpuinfo/sysfs_reader.h"
#include "results/output_writers.h"
#include "run/collect_system_facts.h"

namespace {

std::string Text(const char* s) { return s ? std::string(s) : std::string(); }

std::string UtcNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    gmtime_r(&now, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return buf;
}

// The stability test's part: its settings, checks, events, throttling and verdict.
void CollectStability(const RunSession& run, RunReport& report)
{
    const StabilityMonitor& m = run.Recorder().Stability();
    const uint32_t elapsed = report.elapsed_ms;
    // A timed run the user ended before its duration was stopped; an endless one ends only so.
    const bool stoppedEarly = m.Settings().duration_ms > 0 && !run.Result().finished;
    const float maxTemp = report.sensors.has_temperature ? report.sensors.max_temperature : NAN;
    StabilityReport& st = report.stability;
    st.present = true;
    st.duration_ms = elapsed;
    st.planned_ms = m.Settings().duration_ms;
    st.check_interval_ms = m.Settings().check_interval_ms;
    st.hang_limit_ms = m.Settings().hang_limit_ms;
    st.max_temp_c = m.Settings().max_temp_c;
    st.checks = m.Checks();
    st.errors = m.Errors();
    st.events = m.Events();
    st.throttling = ThrottlingFromSamples(report.seconds);
    if (m.LimitHit())
        st.limits_hit.push_back("max_temp");
    if (m.ContextLost())
        st.limits_hit.push_back("context_lost");
    if (std::isfinite(st.max_temp_c) && !std::isfinite(maxTemp))
        st.limits_unchecked.push_back("max_temp");
    const StabilityVerdict verdict = m.Verdict(stoppedEarly);
    st.verdict = verdict == StabilityVerdict::Pass         ? "PASS"
                 : verdict == StabilityVerdict::Fail        ? "FAIL"
                 : verdict == StabilityVerdict::NotCompared ? "NOT COMPARED"
                                                            : "STOPPED";
    const std::string line = m.VerdictText(stoppedEarly, elapsed, maxTemp);
    st.verdict_line = line;
    st.summary = line.substr(line.find('(') + 1, line.size() - line.find('(') - 2);
    st.reference_png = m.SavedReference();
    st.error_png = m.SavedDiffering();

}

}  // namespace

RunReport CollectRunReport(const RunSession& run)
{
    const StartupOptions& o = run.Settings().options;
    const RunResult& result = run.Result();
    const FrameTimeStats& stats = run.Recorder().Stats();
    RunReport r;
    r.run_mode = o.active_run_mode;
    r.time_based = o.active_time_based == 1;
    r.duration_ms = o.active_duration_ms;
    // A limit that did not end the run is not one of its settings.
    r.max_frames = run.Settings().Benchmark() && !run.Settings().TimeBased() ? o.active_max_frames : 0;
    r.width = g_system_info.scene_width ? g_system_info.scene_width : o.active_width;
    r.height = g_system_info.scene_height ? g_system_info.scene_height : o.active_height;
    r.fullscreen = o.active_fullscreen != 0;
    r.msaa_samples = g_system_info.msaa_samples;
    r.msaa_samples_requested = MultisampleSamplesForName(o.aa_mode);
    r.tess_level = o.tess_level;
    r.map_set = o.map_set + 1;
    r.post_fx = ActivePostFxName(o);
    r.headless = IsHeadless();

    const SystemInfo& s = g_system_info;
    r.renderer = s.renderer;
    r.drivers = s.drivers;
    r.cpu = s.cpu;
    r.cpu_speed = s.cpu_speed;
    r.memory = s.memory;
    r.os = s.os;
    r.facts = CollectSystemFacts(Ridudedozu::SysfsRootFromEnvironment());
    r.main_vendor_id = g_machine_facts.main_vendor_id;
    r.main_device_id = g_machine_facts.main_device_id;

    if (auto* lib = Ridudedozu::SiliscanLib::Instance()) {
        if (lib->GetGlMajor() > 0)
            r.gl_version = std::to_string(lib->GetGlMajor()) + "." + std::to_string(lib->GetGlMinor());
        for (uint32_t i = 0; i < lib->GetNumGpus(); ++i) {
            GpuIdentity g;
            g.name = Text(lib->GetGpuName(i));
            g.driver = Text(lib->GetGpuDriver(i));
            uint32_t subVendor = 0, subDevice = 0;
            lib->GetGpuPciIds(i, &g.vendor_id, &g.device_id, &subVendor, &subDevice);
            r.gpus.push_back(std::move(g));
        }
    }

    r.score = run.Score();
    r.fps_min = result.min_fps;
    r.fps_max = result.max_fps;
    r.fps_avg = result.avg_fps;
    r.total_frames = static_cast<uint32_t>(result.total_frames);
    r.elapsed_ms = result.elapsed_ms;
    r.long_frames = result.long_frames;
    r.longest_frame_ms = result.longest_frame_ms;
    r.fps_min_exact = stats.MinWindowRate();
    r.fps_max_exact = stats.MaxWindowRate();
    r.frame_times = stats.Summarize();
    r.gpu_times = run.Recorder().GpuTimes().Summarize();
    r.sensors = g_sensor_readings;
    r.finished_at = UtcNow();
    r.seconds = stats.Seconds();
    r.seconds_dropped = stats.DroppedSeconds();
    r.repeat_runs = run.Recorder().KeptRuns();
    ApplySeriesTotals(r);
    if (run.Settings().Stability())
        CollectStability(run, r);
    return r;
}

bool WriteRunOutputs(const RunSession& run, const RunReport& report)
{
    const bool written = WriteOutputs(report, run.Settings().automation.output_files);
    // The frame log was finished when the run ended; its failure was reported then.
    return written && run.Recorder().FrameLogError().empty();
}
