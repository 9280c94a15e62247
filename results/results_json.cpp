// JSON results document.
#include "results/results_json.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "core/startup_options.h"

namespace {

std::string Hex(uint32_t value)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%04x", value);
    return buf;
}

// Length of a valid UTF-8 sequence starting at s[i], 0 when it is not one.
std::size_t Utf8Length(const std::string& s, std::size_t i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = byte(i);
    std::size_t n;
    uint32_t cp;
    if (c < 0x80)
        return 1;
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
        cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        cp = c & 0x07;
    } else {
        return 0;
    }
    if (i + n > s.size())
        return 0;
    for (std::size_t k = 1; k < n; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
        cp = cp << 6 | (byte(i + k) & 0x3F);
    }
    // Overlong forms, surrogates and code points beyond Unicode are not valid UTF-8.
    if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return n;
}

// Builds the document with two-space indentation; every value is written through it so the
// commas and nesting cannot go wrong.
class JsonOut {
public:
    std::string text;

    void BeginObject(const char* key = nullptr) { Open(key, '{'); }
    void BeginArray(const char* key = nullptr) { Open(key, '['); }
    void End(char close)
    {
        --depth_;
        if (!first_) {
            text += '\n';
            Indent();
        }
        text += close;
        first_ = false;
    }
    void Raw(const char* key, const std::string& value)
    {
        Item(key);
        text += value;
    }
    void String(const char* key, const std::string& value) { Raw(key, JsonQuote(value)); }
    void Int(const char* key, int64_t value) { Raw(key, std::to_string(value)); }
    void Bool(const char* key, bool value) { Raw(key, value ? "true" : "false"); }
    void Number(const char* key, double value, int decimals) { Raw(key, JsonNumber(value, decimals)); }

private:
    void Indent() { text.append(static_cast<std::size_t>(depth_) * 2, ' '); }
    void Item(const char* key)
    {
        if (depth_ > 0) {
            text += first_ ? "\n" : ",\n";
            Indent();
        }
        first_ = false;
        if (key) {
            text += JsonQuote(key);
            text += ": ";
        }
    }
    void Open(const char* key, char open)
    {
        Item(key);
        text += open;
        ++depth_;
        first_ = true;
    }
    int depth_ = 0;
    bool first_ = true;
};

}  // namespace

std::string JsonQuote(const std::string& s)
{
    std::string out = "\"";
    for (std::size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        const std::size_t n = Utf8Length(s, i);
        if (n == 0) {
            out += "\\ufffd";
            ++i;
            continue;
        }
        if (n > 1) {
            out.append(s, i, n);
            i += n;
            continue;
        }
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20 || c == 0x7F) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out += static_cast<char>(c);
            }
        }
        ++i;
    }
    out += '"';
    return out;
}

std::string JsonNumber(double value, int decimals)
{
    if (!std::isfinite(value))
        return "null";
    char buf[512];  // the largest double has 309 integer digits
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    if (ec != std::errc())
        return "null";
    std::string out(buf, end);
    if (out[0] == '-' && out.find_first_not_of("0.", 1) == std::string::npos)
        out.erase(0, 1);  // "-0.000" reads oddly and some parsers keep the sign
    return out;
}

std::string FormatResultsJson(const RunReport& r)
{
    JsonOut j;
    j.BeginObject();
    j.String("schema", "gridfall-results");
    j.Int("schema_version", kResultsSchemaVersion);

    j.BeginObject("program");
    j.String("name", kProductTitle);
    char version[32];
    std::snprintf(version, sizeof version, "%d.%d.%d", kVersionMajor, kVersionMinor, kVersionPatch);
    j.String("version", version);
    j.String("build", std::string(kBuildDate) + " " + kBuildTime);
    j.End('}');
    j.String("finished_at", r.finished_at);

    j.BeginObject("settings");
    j.String("run_mode", r.run_mode == kRunModeBenchmark ? "benchmark" : "demo");
    j.Bool("time_based", r.time_based);
    j.Int("duration_ms", r.duration_ms);
    j.Int("max_frames", r.max_frames);
    j.Int("width", r.width);
    j.Int("height", r.height);
    j.Bool("fullscreen", r.fullscreen);
    j.Int("msaa_samples", r.msaa_samples);
    j.Int("msaa_samples_requested", r.msaa_samples_requested);
    j.Number("tessellation_level", r.tess_level, 1);
    j.Int("map_set", r.map_set);
    j.String("post_fx", r.post_fx);
    j.Bool("headless", r.headless);
    j.End('}');

    const RunSystemFacts& facts = r.facts;
    const auto text = [](const std::string& t) { return t.empty() ? std::string("null") : JsonQuote(t); };
    const auto count = [](int64_t n) { return n >= 0 ? std::to_string(n) : std::string("null"); };
    j.BeginObject("system");
    j.BeginObject("cpu");
    j.Raw("model", text(facts.cpu_model));
    j.Raw("cores", count(facts.cpu_cores));
    j.Raw("threads", count(facts.cpu_threads));
    j.Raw("speed_mhz", count(facts.cpu_speed_mhz));
    j.Raw("governor", text(facts.cpu_governor));
    j.End('}');
    j.Raw("memory_kib", count(facts.memory_kib));
    j.Raw("kernel", text(facts.kernel));
    j.Raw("distribution", text(facts.distribution));
    j.Raw("display_server", text(facts.display_server));
    j.BeginArray("command_line");
    for (const std::string& arg : facts.command_line)
        j.String(nullptr, arg);
    j.End(']');
    j.BeginObject("rendering_gpu");
    j.Raw("name", text(facts.rendering_gpu));
    j.String("vendor_id", Hex(facts.rendering_vendor_id));
    j.String("device_id", Hex(facts.rendering_device_id));
    j.Raw("driver", text(facts.rendering_driver));
    j.Bool("software", facts.software_renderer);
    j.End('}');
    if (facts.boot_adapter.empty()) {
        j.Raw("boot_display_adapter", "null");
    } else {
        j.BeginObject("boot_display_adapter");
        j.String("name", facts.boot_adapter);
        j.String("vendor_id", Hex(facts.boot_vendor_id));
        j.String("device_id", Hex(facts.boot_device_id));
        j.End('}');
    }
    j.BeginObject("gl");
    j.Raw("vendor", text(facts.gl_vendor));
    j.Raw("renderer", text(facts.gl_renderer));
    j.Raw("version", text(facts.gl_version));
    j.Raw("driver_version", text(facts.gl_driver_version));
    j.Raw("profile", text(facts.gl_profile));
    j.Raw("swap_interval", facts.swap_interval == std::numeric_limits<int64_t>::min()
                               ? std::string("null")
                               : std::to_string(facts.swap_interval));
    j.Raw("probe_version", text(r.gl_version));
    j.End('}');
    j.String("main_vendor_id", Hex(r.main_vendor_id));
    j.String("main_device_id", Hex(r.main_device_id));
    j.BeginObject("text");
    j.String("cpu", r.cpu);
    j.String("cpu_speed", r.cpu_speed);
    j.String("memory", r.memory);
    j.String("os", r.os);
    j.String("renderer", r.renderer);
    j.String("drivers", r.drivers);
    j.End('}');
    j.End('}');

    j.BeginArray("gpus");
    for (std::size_t i = 0; i < r.gpus.size(); ++i) {
        j.BeginObject();
        j.Int("index", static_cast<int64_t>(i));
        j.String("name", r.gpus[i].name);
        j.String("driver", r.gpus[i].driver);
        j.String("vendor_id", Hex(r.gpus[i].vendor_id));
        j.String("device_id", Hex(r.gpus[i].device_id));
        j.End('}');
    }
    j.End(']');

    if (r.run_mode == kRunModeBenchmark) {
        j.BeginObject("score");
        // A series scores its mean, as on the score line.
        if (r.repeat_runs.size() > 1) {
            double sum = 0;
            for (const RepeatRun& run : r.repeat_runs)
                sum += run.score;
            j.Number("value", sum / static_cast<double>(r.repeat_runs.size()), 2);
        } else {
            j.Int("value", r.score.score);
        }
        j.String("unit", ScoreUnit(r.score));
        j.BeginObject("companion");
        j.Int("value", r.score.companion);
        j.String("unit", r.score.timeBased ? "ms" : "frames");
        j.End('}');
        j.End('}');
    } else {
        j.Raw("score", "null");   // a stability test has no score, only a verdict
    }

    // Exact figures: the average is the frames over the measured real time; min and max are
    // the exact rates of the complete windows. What was never measured is null.
    j.BeginObject("fps");
    j.Number("min", r.fps_min_exact, 2);
    j.Number("max", r.fps_max_exact, 2);
    j.Number("avg", r.elapsed_ms > 0 ? r.total_frames * 1000.0 / r.elapsed_ms : NAN, 2);
    j.Int("total_frames", r.total_frames);
    j.Int("elapsed_ms", r.elapsed_ms);
    // The whole-frame figures the HUD and the result dialog show: one run's, none for a series.
    j.BeginObject("hud");
    const bool windowClosed = std::isfinite(r.fps_min_exact) && r.repeat_runs.size() <= 1;
    j.Raw("min", windowClosed ? std::to_string(r.fps_min) : "null");
    j.Raw("max", windowClosed ? std::to_string(r.fps_max) : "null");
    j.Raw("avg", windowClosed ? std::to_string(r.fps_avg) : "null");
    j.End('}');
    j.End('}');
    j.BeginObject("long_frames");
    j.Int("count", r.long_frames);
    j.Raw("longest_ms", r.long_frames > 0 ? std::to_string(r.longest_frame_ms) : "null");
    j.End('}');

    const FrameTimeSummary& f = r.frame_times;
    j.BeginObject("frame_time_ms");
    j.Int("frames", static_cast<int64_t>(f.frames));
    j.Number("mean", f.mean_us / 1000.0, 3);
    j.Number("min", f.min_us / 1000.0, 3);
    j.Number("max", f.max_us / 1000.0, 3);
    j.Number("p50", f.p50_us / 1000.0, 3);
    j.Number("p95", f.p95_us / 1000.0, 3);
    j.Number("p99", f.p99_us / 1000.0, 3);
    j.End('}');
    const FrameTimeSummary& g = r.gpu_times;
    if (g.frames == 0) {
        j.Raw("gpu_time_ms", "null");
    } else {
        j.BeginObject("gpu_time_ms");
        j.Int("frames", static_cast<int64_t>(g.frames));
        j.Number("p50", g.p50_us / 1000.0, 3);
        j.Number("p95", g.p95_us / 1000.0, 3);
        j.Number("p99", g.p99_us / 1000.0, 3);
        j.End('}');
    }
    j.BeginObject("lows_fps");
    j.Number("low_1_percent", f.low_1pct_fps, 2);
    j.Number("low_0_1_percent", f.low_01pct_fps, 2);
    j.End('}');

    const SensorReadings& s = r.sensors;
    const auto clock = [](float mhz) { return mhz > 0.0f ? double(mhz) : NAN; };
    j.BeginObject("sensors");
    j.Number("max_temperature_c", s.has_temperature ? double(s.max_temperature) : NAN, 1);
    j.Number("max_voltage_v", s.has_electrical ? double(s.max_voltage) : NAN, 3);
    j.Number("max_current_a", s.has_electrical ? double(s.max_current) : NAN, 1);
    j.Number("max_power_w", s.has_electrical ? double(s.max_power) : NAN, 1);
    j.Number("gpu0_core_clock_mhz", clock(s.gpu0_core_clock), 1);
    j.Number("gpu0_memory_clock_mhz", clock(s.gpu0_memory_clock), 1);
    j.Number("gpu0_shader_clock_mhz", clock(s.gpu0_shader_clock), 1);
    j.End('}');

    if (r.repeat_runs.size() > 1) {
        std::vector<double> scores;
        for (const RepeatRun& run : r.repeat_runs)
            scores.push_back(run.score);
        const RepeatSummary sum = SummarizeRepeat(scores);
        j.BeginObject("repeat");
        j.Int("runs", static_cast<int64_t>(sum.runs));
        j.String("score_unit", ScoreUnit(r.score));
        j.Number("mean", sum.mean, 2);
        j.Number("stddev", sum.stddev, 2);
        j.Number("cv_percent", sum.cv_percent, 2);
        j.Number("ci95_low", sum.ci95_low, 2);
        j.Number("ci95_high", sum.ci95_high, 2);
        j.BeginArray("per_run");
        for (const RepeatRun& run : r.repeat_runs) {
            j.BeginObject();
            j.Number("score", run.score, 0);
            j.Int("total_frames", run.total_frames);
            j.Int("elapsed_ms", run.elapsed_ms);
            j.Number("fps_avg", run.fps_avg, 2);
            j.Number("fps_min", run.fps_min, 2);
            j.Number("fps_max", run.fps_max, 2);
            j.Number("frame_time_p50_ms", run.p50_ms, 3);
            j.Number("frame_time_p99_ms", run.p99_ms, 3);
            j.Number("low_1_percent_fps", run.low_1pct_fps, 2);
            j.Number("low_0_1_percent_fps", run.low_01pct_fps, 2);
            j.End('}');
        }
        j.End(']');
        j.End('}');
    }

    j.BeginArray("seconds");
    for (const SecondSample& sec : r.seconds) {
        j.BeginObject();
        j.Int("elapsed_ms", sec.elapsed_ms);
        j.Int("window_ms", sec.window_ms);
        j.Int("frames", sec.frames);
        j.Number("fps", sec.Rate(), 2);
        j.Bool("partial", sec.partial);
        j.Number("worst_frame_ms", sec.worst_frame_us / 1000.0, 3);
        j.Number("p50_frame_ms", sec.frames > 0 ? sec.p50_frame_us / 1000.0 : NAN, 3);
        j.Number("p99_frame_ms", sec.frames > 0 ? sec.p99_frame_us / 1000.0 : NAN, 3);
        j.BeginArray("gpus");
        for (uint32_t g = 0; g < sec.gpu_count; ++g) {
            j.BeginObject();
            j.Number("temperature_c", sec.gpus[g].temperature_c, 1);
            j.Number("core_clock_mhz", sec.gpus[g].core_clock_mhz, 1);
            j.Number("memory_clock_mhz", sec.gpus[g].memory_clock_mhz, 1);
            j.Number("power_w", sec.gpus[g].power_w, 1);
            j.Number("fan_percent", sec.gpus[g].fan_percent, 1);
            j.Number("fan_rpm", sec.gpus[g].fan_rpm, 0);
            j.End('}');
        }
        j.End(']');
        j.End('}');
    }
    j.End(']');
    j.Int("seconds_dropped", static_cast<int64_t>(r.seconds_dropped));

    const StabilityReport& st = r.stability;
    if (!st.present) {
        j.Raw("stability", "null");
    } else {
        j.BeginObject("stability");
        j.String("verdict", st.verdict);
        j.String("summary", st.summary);
        j.Int("duration_ms", st.duration_ms);
        j.Raw("planned_ms", st.planned_ms > 0 ? std::to_string(st.planned_ms) : "null");
        j.Int("check_interval_ms", st.check_interval_ms);
        j.Int("checks", st.checks);
        j.Int("errors", st.errors);
        j.BeginArray("events");
        for (const StabilityEvent& e : st.events) {
            j.BeginObject();
            j.String("kind", e.KindName());
            j.Int("time_ms", e.time_ms);
            j.String("description", e.Describe());
            if (e.kind == StabilityEventKind::CheckMismatch || e.kind == StabilityEventKind::CheckFailed)
                j.Int("check", e.check);
            if (e.kind == StabilityEventKind::CheckMismatch)
                j.Int("differing_pixels", static_cast<int64_t>(e.pixels));
            if (e.kind == StabilityEventKind::GlError || e.kind == StabilityEventKind::ContextLost)
                j.String("code", Hex(e.value));
            if (e.kind == StabilityEventKind::Hang)
                j.Int("frame_ms", e.value);
            j.Number("temperature_c", e.gpu.temperature_c, 1);
            j.Number("core_clock_mhz", e.gpu.core_clock_mhz, 1);
            j.Number("memory_clock_mhz", e.gpu.memory_clock_mhz, 1);
            j.End('}');
        }
        j.End(']');
        j.BeginArray("throttling");
        for (const GpuThrottling& t : st.throttling) {
            j.BeginObject();
            j.Int("gpu", t.gpu);
            j.Number("peak_core_clock_mhz", t.has_clocks ? double(t.peak_core_clock_mhz) : NAN, 1);
            j.Raw("throttled_ms", t.has_clocks ? std::to_string(t.throttled_ms) : "null");
            j.Raw("started_at_ms", t.throttled ? std::to_string(t.started_at_ms) : "null");
            j.Number("started_temperature_c", t.throttled ? double(t.started_temperature_c) : NAN, 1);
            j.End('}');
        }
        j.End(']');
        j.BeginObject("limits");
        j.Raw("hang_limit_ms", st.hang_limit_ms > 0 ? std::to_string(st.hang_limit_ms) : "null");
        j.Number("max_temp_c", st.max_temp_c, 1);
        j.End('}');
        j.BeginArray("limits_hit");
        for (const std::string& l : st.limits_hit)
            j.String(nullptr, l);
        j.End(']');
        j.BeginArray("limits_unchecked");
        for (const std::string& l : st.limits_unchecked)
            j.String(nullptr, l);
        j.End(']');
        j.Raw("reference_png", st.reference_png.empty() ? "null" : JsonQuote(st.reference_png));
        j.Raw("error_png", st.error_png.empty() ? "null" : JsonQuote(st.error_png));
        j.End('}');
    }
    j.End('}');
    j.text += '\n';
    return j.text;
}
