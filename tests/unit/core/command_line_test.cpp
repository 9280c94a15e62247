// The "/switches" and the GNU options beside them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/command_line.h"
#include "core/gnu_options.h"
#include "core/startup_options.h"

namespace {

TEST(CommandLine, SwitchesAreSubstringsAppliedFromTheirFirstOccurrence)
{
    StartupOptions o;
    ApplyCommandLine("x/versionx /app_cpu_affinity=3 /app_cpu_affinity=7 /log_temperature", o);
    EXPECT_EQ(o.display_version, 1);
    EXPECT_EQ(o.app_cpu_affinity, 3u);
    EXPECT_EQ(o.app_cpu_affinity_given, 1);
    EXPECT_EQ(o.rendering_cpu_affinity_given, 0);   // its default mask pins nothing
    EXPECT_EQ(o.log_temperature, 1);
    EXPECT_EQ(o.gl3_core_profile, 0);

    StartupOptions p;
    ApplyCommandLine("/gl3_core_profile/app_thread_priority=-2/rendering_thread_priority=+1"
                     "/app_process_priority=128/rendering_cpu_affinity=-1/gpuz_polling", p);
    EXPECT_EQ(p.gl3_core_profile, 1);
    EXPECT_EQ(p.app_thread_priority, -2);
    EXPECT_EQ(p.rendering_thread_priority, 1);
    EXPECT_EQ(p.app_process_priority, 128u);
    EXPECT_EQ(p.rendering_cpu_affinity, 0xFFFFFFFFu);  // handed on bit for bit
    EXPECT_EQ(p.rendering_cpu_affinity_given, 1);
    EXPECT_EQ(p.gpuz_polling, 1);
    EXPECT_EQ(p.display_version, 0);
}

TEST(CommandLine, MissingOrBadNumbersLeaveFields)
{
    StartupOptions o;
    o.app_thread_priority = 5;
    ApplyCommandLine("/app_thread_priority= /app_process_priority=abc /app_cpu_affinity=99999999999"
                     " /rendering_cpu_affinity=-", o);
    EXPECT_EQ(o.app_thread_priority, 5);
    EXPECT_EQ(o.app_process_priority, 32u);
    EXPECT_EQ(o.app_cpu_affinity, 1u);
    EXPECT_EQ(o.app_cpu_affinity_given + o.rendering_cpu_affinity_given, 0);  // invalid: not given
    // Case matters; the value must follow the switch directly (after optional blanks).
    ApplyCommandLine("/VERSION /App_cpu_affinity=4 /app_thread_priority=  7", o);
    EXPECT_EQ(o.display_version, 0);
    EXPECT_EQ(o.app_cpu_affinity, 1u);
    EXPECT_EQ(o.app_thread_priority, 7);
    ApplyCommandLine(nullptr, o);
    ApplyCommandLine("", o);
    EXPECT_EQ(o.app_thread_priority, 7);
}

TEST(CommandLine, JoinsArgumentsWithBlanks)
{
    std::vector<std::string> args = {"gridfall", "/app_cpu_affinity=3", "/version"};
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    EXPECT_EQ(JoinCommandLine(static_cast<int>(argv.size()), argv.data()), "/app_cpu_affinity=3 /version");
    EXPECT_EQ(JoinCommandLine(1, argv.data()), "");
}

class GnuOptionsTest : public ::testing::Test {
protected:
    // Parses and applies like the start-up sequence does; returns the parser's verdict.
    bool Run(std::vector<std::string> args)
    {
        args.insert(args.begin(), "gridfall");
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        storage_ = std::move(args);
        GnuCommandLine parsed;
        error_.clear();
        automation_ = AutomationOptions{};
        if (!ParseGnuCommandLine(static_cast<int>(argv.size()), argv.data(), parsed, error_))
            return false;
        switch_text_ = parsed.switch_text;
        warnings_ = parsed.warnings;
        ApplyCommandLine(parsed.switch_text.c_str(), options_);
        ApplyGnuOptions(parsed, options_, automation_);
        return CheckOptionsForMode(parsed, options_, automation_, warnings_, error_);
    }
    std::vector<std::string> storage_;
    StartupOptions options_;
    AutomationOptions automation_;
    std::string error_;
    std::string switch_text_;
    std::vector<std::string> warnings_;
};

TEST_F(GnuOptionsTest, EveryOptionChangesItsSetting)
{
    ASSERT_TRUE(Run({"--demo", "--duration", "5000", "--tess=12.5", "--resolution", "640x480",
                     "--fullscreen", "--msaa", "4", "--postfx=blur2", "--map-set", "1", "--no-gui",
                     "--json", "r.json", "--csv=r.csv"}))
        << error_;
    EXPECT_EQ(options_.run_mode, 2);
    EXPECT_EQ(options_.max_time, 5000);
    EXPECT_EQ(options_.time_based_benchmark, 1);
    EXPECT_FLOAT_EQ(options_.tess_level, 12.5f);
    EXPECT_FLOAT_EQ(options_.tess_level_outer, 12.5f);
    EXPECT_EQ(options_.width, 640);
    EXPECT_EQ(options_.height, 480);
    EXPECT_EQ(options_.fullscreen, 1);
    EXPECT_STREQ(options_.aa_mode, "4X MSAA");
    EXPECT_EQ(options_.render_post_fx, 1);
    EXPECT_EQ(options_.post_fx_index, 2);
    EXPECT_EQ(options_.map_set, 0);
    EXPECT_EQ(options_.display_gui, 0);
    EXPECT_TRUE(automation_.no_gui);
    EXPECT_FALSE(automation_.headless);
    EXPECT_EQ(automation_.OutputFile("json"), "r.json");
    EXPECT_EQ(automation_.OutputFile("csv"), "r.csv");
    ASSERT_TRUE(Run({"--validate"}));
    EXPECT_TRUE(automation_.validate);

    ASSERT_TRUE(Run({"--headless", "--benchmark", "--frames", "500", "--msaa", "0", "--postfx", "off",
                     "--help", "--version"})) << error_;
    EXPECT_TRUE(automation_.headless);
    EXPECT_EQ(options_.display_gui, 0);
    EXPECT_EQ(options_.run_mode, 1);
    EXPECT_EQ(options_.max_frames, 500);
    EXPECT_EQ(options_.time_based_benchmark, 0);
    EXPECT_STREQ(options_.aa_mode, "Off");
    EXPECT_EQ(options_.render_post_fx, 0);
    EXPECT_EQ(options_.post_fx_index, 0);
    EXPECT_TRUE(automation_.help);
    EXPECT_TRUE(automation_.version);
}

TEST_F(GnuOptionsTest, BadUsageIsRefusedWithAMessage)
{
    const std::vector<std::vector<std::string>> bad = {
        {"--bogus"}, {"--duration"}, {"--duration", "abc"}, {"--duration", "0"}, {"--duration=-5"},
        {"--duration", "99999999999"}, {"--frames", "1.5"}, {"--tess", "0"}, {"--tess", "nan"},
        {"--tess", "inf"}, {"--resolution", "640"}, {"--resolution", "640x"}, {"--resolution", "0x480"},
        {"--resolution", "640x480x"}, {"--resolution", "+640x480"}, {"--msaa", "3"}, {"--msaa", "16"},
        {"--postfx", "sepia"}, {"--map-set", "0"}, {"--map-set", "5"}, {"--json"}, {"--json="},
        {"--headless=yes"}, {"--Help"},
        // Words that are neither options nor switches, and values that are options.
        {"--headless", "--frames", "3", "extra"}, {"-tess", "8"}, {"tess=8"}, {"--", "--x"},
        {"--json", "--quiet"}, {"--json", "--duration", "1000"},
        // Contradictions.
        {"--frames", "10", "--duration", "1000"}, {"--demo", "--benchmark"},
        {"--validate", "--demo"},
    };
    for (const auto& args : bad) {
        EXPECT_FALSE(Run(args)) << args[0];
        EXPECT_FALSE(error_.empty()) << args[0];
    }
    Run({"--msaa", "3"});
    EXPECT_NE(error_.find("--msaa"), std::string::npos);
    Run({"--bogus"});
    EXPECT_NE(error_.find("--bogus"), std::string::npos);
    Run({"--headless", "--frames", "3", "extra"});
    EXPECT_EQ(error_, "extra operand 'extra'");
    Run({"--json", "--quiet"});
    EXPECT_NE(error_.find("--json=--quiet"), std::string::npos) << error_;
    // Written with '=', any text is the value.
    ASSERT_TRUE(Run({"--no-gui", "--json=--quiet"})) << error_;
    EXPECT_EQ(automation_.OutputFile("json"), "--quiet");
}

TEST_F(GnuOptionsTest, AMistypedSwitchIsToldOfAndIgnored)
{
    ASSERT_TRUE(Run({"/app_cpu_afinity=3", "/nothing_like_it"})) << error_;
    EXPECT_EQ(options_.app_cpu_affinity_given, 0);
    ASSERT_EQ(warnings_.size(), 2u);
    EXPECT_EQ(warnings_[0], "unknown switch '/app_cpu_afinity=3' ignored (did you mean '/app_cpu_affinity='?)");
    EXPECT_EQ(warnings_[1], "unknown switch '/nothing_like_it' ignored");
}

TEST_F(GnuOptionsTest, OptionsTheRunDoesNotUseAreRefusedOrToldOf)
{
    const std::vector<std::pair<std::vector<std::string>, const char*>> refused = {
        {{"--demo", "--no-gui", "--frames", "10"}, "option '--frames' is not used by the stability test"},
        {{"--headless", "--demo", "--repeat", "2"}, "option '--repeat' is not used by the stability test"},
        {{"--headless", "--benchmark", "--max-temp", "50"}, "option '--max-temp' is not used by a benchmark run"},
        {{"--headless", "--benchmark", "--check-interval=500"}, "option '--check-interval' is not used by a benchmark"},
        {{"--validate", "--json", "v.json"}, "option '--json' is not used by --validate"},
    };
    for (const auto& [args, text] : refused) {
        options_ = StartupOptions{};
        EXPECT_FALSE(Run(args)) << args[1];
        EXPECT_TRUE(error_.starts_with(text)) << error_;
    }
    // A mode that comes from the options file may be either: a warning, the run goes on.
    options_ = StartupOptions{};
    options_.run_mode = 2;
    ASSERT_TRUE(Run({"--headless", "--frames", "10", "--check-interval", "0"})) << error_;
    ASSERT_EQ(warnings_.size(), 1u) << ::testing::PrintToString(warnings_);
    EXPECT_TRUE(warnings_[0].starts_with("option '--frames' is not used by the stability test")) << warnings_[0];
    // The startup dialog chooses the run: every option may serve it.
    options_ = StartupOptions{};
    ASSERT_TRUE(Run({"--frames", "10", "--max-temp", "90"})) << error_;
    EXPECT_TRUE(warnings_.empty());
}

TEST_F(GnuOptionsTest, SwitchesSeeOnlyTheirOwnArguments)
{
    // A value that happens to contain a switch does not trigger it.
    ASSERT_TRUE(Run({"--json", "/srv/version/r.json", "/app_cpu_affinity=3", "--csv=/x/log_temperature.csv",
                     "--", "--x/gl3_core_profile"}));
    EXPECT_EQ(options_.display_version, 0);
    EXPECT_EQ(options_.log_temperature, 0);
    EXPECT_EQ(options_.app_cpu_affinity, 3u);
    EXPECT_EQ(options_.gl3_core_profile, 1);
    EXPECT_EQ(switch_text_, "/app_cpu_affinity=3 --x/gl3_core_profile");
    ASSERT_TRUE(Run({"/version", "--benchmark"}));
    EXPECT_EQ(options_.display_version, 1);
}

TEST_F(GnuOptionsTest, ARepeatedOptionTakesItsLastValue)
{
    ASSERT_TRUE(Run({"--duration", "1000", "--benchmark", "--duration", "2000", "--benchmark"}));
    EXPECT_EQ(options_.time_based_benchmark, 1);
    EXPECT_EQ(options_.max_time, 2000);
    EXPECT_EQ(options_.run_mode, 1);
}

TEST(GnuOptionTable, HelpListsEveryOption)
{
    const std::string help = FormatGnuHelp();
    ASSERT_GE(GnuOptionTable().size(), 17u);
    for (const GnuOption& o : GnuOptionTable()) {
        EXPECT_NE(help.find(std::string("--") + o.name), std::string::npos) << o.name;
        EXPECT_NE(o.help, nullptr);
    }
}

}  // namespace
