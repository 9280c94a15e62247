// Start-up sequence, message loop and shutdown on the main thread.
#include "app/startup.h"
#include "app/validate.h"

#include <SDL.h>
#include <wayland-client.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/base_dir.h"
#include "core/command_line.h"
#include "core/gnu_options.h"
#include "core/log_file.h"
#include "core/message_box.h"
#include "core/options_file.h"
#include "core/output_file.h"
#include "core/priorities.h"
#include "core/process_mode.h"
#include "app/render_window.h"
#include "core/machine_records.h"
#include "core/startup_options.h"
#include "run/stability_report.h"
#include "core/startup_sequence.h"
#include "core/std_streams.h"
#include "run/collect_system_facts.h"
#include "app/ui/gtk_ui.h"
#include "app/ui/startup_dialog.h"
#include "gpuinfo/siliscan.h"
#include "results/compare.h"
#include "results/frame_log.h"

namespace {

// Exit statuses for scripts: 0 finished run or normal quit, 1 failure, 2 bad command line,
// 3 run stopped by the user.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr int kExitStopped = 3;
constexpr int kExitStabilityFailed = 4;

// The probe context the GPU information library opens: a tiny rectangle, OpenGL 4.1.
constexpr int32_t kProbeGlMajor = 4;
constexpr int32_t kProbeGlMinor = 1;

bool EnvironmentNamesADisplay()
{
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

// Whether SDL will take the Wayland driver: SDL 2 prefers X11 (XWayland) when both are there,
// unless SDL_VIDEODRIVER asks for Wayland.
bool SdlWillUseWayland()
{
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (!wayland || !*wayland)
        return false;
    const char* x11 = std::getenv("DISPLAY");
    const char* wanted = SDL_GetHint(SDL_HINT_VIDEODRIVER);
    if (wanted && *wanted)
        return std::strncmp(wanted, "wayland", 7) == 0;
    return !x11 || !*x11;
}

void NoteSeat(void* data, wl_registry*, uint32_t, const char* interface, uint32_t)
{
    if (std::strcmp(interface, "wl_seat") == 0)
        *static_cast<bool*>(data) = true;
}
void IgnoreRemoval(void*, wl_registry*, uint32_t) {}

// A compositor without a seat (no input: a headless or kiosk one) crashes SDL 2.26 inside
// SDL_InitSubSystem; later SDL releases cope. Asked before SDL connects. True when the
// compositor cannot be reached at all: SDL then says why itself.
bool WaylandCompositorHasSeat()
{
    wl_display* display = wl_display_connect(nullptr);
    if (!display)
        return true;
    bool seat = false;
    wl_registry* registry = wl_display_get_registry(display);
    static const wl_registry_listener listener = {NoteSeat, IgnoreRemoval};
    wl_registry_add_listener(registry, &listener, &seat);
    wl_display_roundtrip(display);
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return seat;
}

// Brings up SDL's video subsystem: the desktop's driver, or the offscreen driver (EGL, no
// display) when headless. A desktop that cannot be opened turns the process headless when no
// dialog is wanted. False (after telling the user) when nothing can be opened.
bool InitVideo(bool& headless, bool dialogWanted)
{
    if (!headless) {
        // Only a desktop session counts: without one SDL would fall back to drivers such as
        // KMSDRM on a text console, where no dialog or message box can appear.
        std::string reason = "no DISPLAY or WAYLAND_DISPLAY is set";
        bool usable = EnvironmentNamesADisplay();
        if (usable && SdlWillUseWayland() && !WaylandCompositorHasSeat()) {
            const char* x11 = std::getenv("DISPLAY");
            if (x11 && *x11) {
                ProgramLog().Write("The Wayland compositor offers no seat (no input devices), "
                                   "which this SDL does not survive: using its X11 server.");
                SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "x11", SDL_HINT_OVERRIDE);
            } else {
                reason = "the Wayland compositor offers no seat (no input devices), which this SDL "
                         "does not survive";
                usable = false;
                if (!dialogWanted)
                    ProgramLog().Write("%s: rendering headless.", reason.c_str());
            }
        }
        if (usable) {
            if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) {
                const char* driver = SDL_GetCurrentVideoDriver();
                if (driver && (std::strcmp(driver, "x11") == 0 || std::strcmp(driver, "wayland") == 0))
                    return true;
                reason = std::string("no desktop video driver, got ") + (driver ? driver : "none");
                SDL_QuitSubSystem(SDL_INIT_VIDEO);
            } else {
                reason = SDL_GetError();
            }
        }
        if (dialogWanted) {
            ShowErrorBox("No display could be opened (%s). The startup dialog needs a desktop "
                         "session; run with --headless or --no-gui to render without one.",
                         reason.c_str());
            return false;
        }
        // A run nobody asked to be headless: the log must say why it rendered offscreen.
        ProgramLog().Write("No display could be opened (%s): the run renders offscreen, as with "
                           "--headless.", reason.c_str());
        headless = true;
    }
    // Override priority: an SDL_VIDEODRIVER left in the environment must not put a window
    // on a desktop the user asked not to use.
    SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "offscreen", SDL_HINT_OVERRIDE);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        ShowErrorBox("Could not initialize the offscreen video driver: %s", SDL_GetError());
        return false;
    }
    return true;
}

// --max-temp on a machine where no GPU reports a temperature would otherwise pass unnoticed
// as a limit kept.
void WarnOfUncheckableTemperatureLimit(Ridudedozu::SiliscanLib& lib)
{
    const float limit = g_automation_options.max_temp_c;
    if (!std::isfinite(limit))
        return;
    for (uint32_t i = 0; i < lib.GetNumGpus(); ++i) {
        float core = NAN;
        if (lib.GetGpuTemperatures(i, &core, nullptr, nullptr, nullptr) && std::isfinite(core))
            return;
    }
    std::fprintf(stderr, "gridfall: warning: no GPU temperature sensor found; --max-temp %g will not be checked\n",
                 double(limit));
    ProgramLog().Write("Warning: no GPU temperature sensor found; --max-temp %g will not be checked.", double(limit));
}

}  // namespace

int ExitStatusOfRun()
{
    switch (GetRunOutcome()) {
    case RunOutcome::Failed: return kExitFailure;
    case RunOutcome::Stopped: return kExitStopped;
    case RunOutcome::StabilityFailed: return kExitStabilityFailed;
    case RunOutcome::Finished:
    case RunOutcome::None: break;
    }
    return kExitOk;
}

int GridfallMain(int argc, char** argv)
{
    // Before anything opens a file: a closed standard stream would hand its number to the
    // log or a results file, which would then receive what is printed.
    MakeStandardStreamsValid();
    InstallUnattendedSignalHandlers();

    // A command on results files: no log, no display, no GPU, and the log of the run that
    // made the files stays as it is.
    if (argc >= 2 && argv && argv[1] && std::strcmp(argv[1], "compare") == 0)
        return RunCompareCommand(std::vector<std::string>(argv + 2, argv + argc), stdout, stderr);

    StartupOptions& options = g_startup_options;
    LogFile& log = ProgramLog();
    KeepCommandLine(argc, argv);

    // --help and --version answer before anything else happens: no log is recreated in the
    // current directory and no options file is read for them.
    GnuCommandLine commandLine;
    std::string usageError;
    const bool commandLineGood = ParseGnuCommandLine(argc, argv, commandLine, usageError);
    if (commandLineGood) {
        for (const auto& [option, value] : commandLine.options) {
            if (std::strcmp(option->name, "help") == 0) {
                std::fputs(FormatGnuHelp().c_str(), stdout);
                return kExitOk;
            }
            if (std::strcmp(option->name, "version") == 0) {
                std::printf("%s v%d.%d.%d\n", kProductTitle, kVersionMajor, kVersionMinor,
                            kVersionPatch);
                return kExitOk;
            }
        }
    }

    // The log is recreated in the current directory; a directory we cannot write to just
    // means no log. Nor does a run whose folder another run is writing in: recreating the
    // log would wipe that run's.
    std::string lockError;
    std::error_code cwdError;
    const std::string workDir = std::filesystem::current_path(cwdError).string();
    if (!LockOutputFolder(cwdError ? std::string(".") : workDir, &lockError))
        std::fprintf(stderr, "gridfall: no log written to %s: %s\n", log.FileName().c_str(), lockError.c_str());
    else
        log.Open();
    log.Write("%s is starting up.", kProductTitle);
    log.Write("Build: %d.%d.%d [%s @ %s]", kVersionMajor, kVersionMinor, kVersionPatch, kBuildDate,
              kBuildTime);
    LogHostFacts(log, QueryHostFacts());

    const std::string baseDir = ExecutableDirectory();
    std::snprintf(g_machine_facts.base_dir, sizeof(g_machine_facts.base_dir), "%s", baseDir.c_str());
    const OptionsFilePaths optionsPaths = ResolveOptionsFilePaths(baseDir, kOptionsFileName);

    options.ResetToDefaults();
    if (!optionsPaths.read_path.empty())
        ReadStartupOptionsFile(optionsPaths.read_path.c_str(), options);

    // The "/switches" first, then the GNU options.
    if (!commandLineGood) {
        std::fprintf(stderr, "gridfall: %s\nTry 'gridfall --help' for more information.\n",
                     usageError.c_str());
        log.Write("Command line: %s", usageError.c_str());
        return kExitUsage;
    }
    ApplyCommandLine(commandLine.switch_text.c_str(), options);
    ApplyGnuOptions(commandLine, options, g_automation_options);
    std::vector<std::string> warnings = commandLine.warnings;
    if (!CheckOptionsForMode(commandLine, options, g_automation_options, warnings, usageError)) {
        std::fprintf(stderr, "gridfall: %s\nTry 'gridfall --help' for more information.\n",
                     usageError.c_str());
        log.Write("Command line: %s", usageError.c_str());
        return kExitUsage;
    }
    for (const std::string& warning : warnings) {
        std::fprintf(stderr, "gridfall: warning: %s\n", warning.c_str());
        log.Write("Command line: %s", warning.c_str());
    }
    // A results file that cannot be created is found now, not after a run whose results it
    // would then lose; and a run writing into the same folder as ours is told now.
    {
        const AutomationOptions& a = g_automation_options;
        std::vector<RequestedOutput> outputs;
        for (const GnuOption& option : GnuOptionTable())   // in the order of the help text
            if (const std::string& path = a.OutputFile(option.name); !path.empty())
                outputs.push_back({std::string("--") + option.name, path});
        if (const std::string& log = a.OutputFile("frame-log"); !log.empty())
            outputs.push_back({"the frame log's summary", FrameLog::SummaryPath(log)});
        if (options.run_mode == kRunModeStability)
            for (const std::string& picture : CheckPicturePaths())
                outputs.push_back({"the stability test's check pictures", picture});
        std::string reason;
        if (!CheckRequestedOutputs(outputs, &reason)) {
            std::fprintf(stderr, "gridfall: %s\n", reason.c_str());
            log.Write("Command line: %s", reason.c_str());
            return kExitUsage;
        }
        for (const RequestedOutput& out : outputs) {
            if (!out.path.empty() && !LockOutputFolder(FolderOf(out.path), &reason)) {
                std::fprintf(stderr, "gridfall: %s\n", reason.c_str());
                log.Write("%s", reason.c_str());
                return kExitFailure;
            }
        }
    }

    // GTK comes up before the first message box so that boxes are dialogs on a desktop;
    // without a display they stay on standard error.
    // Without a desktop session GTK is not even tried (its Wayland back-end would complain
    // about XDG_RUNTIME_DIR on standard error).
    bool headless = g_automation_options.headless;
    SetHeadless(headless);
    // --no-gui is for runs nobody watches: no window but the render window may wait for a
    // click, so without GTK the result goes to standard output and message boxes to
    // standard error, as in a headless run.
    if (!headless && !g_automation_options.no_gui && EnvironmentNamesADisplay())
        InitGtkUi(&argc, &argv);

    if (options.display_version) {
        ShowInfoBox("%s v%d.%d.%d", kProductTitle, kVersionMajor, kVersionMinor, kVersionPatch);
        return kExitOk;
    }

    const bool dialogWanted = options.display_gui != 0 && !g_automation_options.validate;
    if (!InitVideo(headless, dialogWanted))
        return kExitFailure;
    SetHeadless(headless);

    // After GTK and SDL have started their helper threads, so the affinity reaches them too.
    // Only when asked for: see app_cpu_affinity_given.
    if (options.app_cpu_affinity_given && !SetProcessAffinityMask(options.app_cpu_affinity))
        log.Write("Process CPU affinity 0x%x refused (the process may use processors 0x%llx); "
                  "no thread is pinned.",
                  options.app_cpu_affinity, static_cast<unsigned long long>(ProcessAffinityMask()));
    SetProcessPriorityClass(options.app_process_priority);
    SetThreadPriorityLevel(0, options.app_thread_priority);
    RememberMainThread();

    Ridudedozu::SiliscanLib* lib = Ridudedozu::SiliscanLib::Instance();
    if (!lib->Start(0, 0, 32, 32, kProbeGlMajor, kProbeGlMinor)) {
        ShowErrorBox("Could not initialize Siliscan. %s startup failed. Bye!", kProductTitle);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        // The log of a refused machine ends as every other does: a cut log reads as a crash.
        log.Write("Exit from %s.", kProductTitle);
        return kExitFailure;
    }
    const int32_t glMajor = lib->GetGlMajor();
    const int32_t glMinor = lib->GetGlMinor();
    if (glMajor < 2) {
        lib->Stop();
        ShowErrorBox("OpenGL: version 2.0 or higher required (current version detected: %d.%d).",
                     glMajor, glMinor);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        // The log of a refused machine ends as every other does: a cut log reads as a crash.
        log.Write("Exit from %s.", kProductTitle);
        return kExitFailure;
    }
    if (!lib->IsDriverDetected()) {
        lib->Stop();
        ShowErrorBox("Graphics drivers detection failed. Bye!");
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        // The log of a refused machine ends as every other does: a cut log reads as a crash.
        log.Write("Exit from %s.", kProductTitle);
        return kExitFailure;
    }

    ReportGraphicsAndSystem(*lib, options, g_machine_facts, g_system_info, log);
    DeriveActiveRunSettings(options);

    int status = kExitOk;
    bool dialogShown = false;
    if (g_automation_options.validate) {
        // Validation renders its own fixed frames and compares them; no dialog, no run.
        status = RunValidation();
    } else if (dialogWanted) {
        dialogShown = RunStartupDialog();
        if (!dialogShown)
            status = kExitFailure;
    } else {
        // A refused run leaves no window that could end the message loop: go straight on
        // to shutdown.
        if (options.active_run_mode == kRunModeStability) {
            WarnOfUncheckableTemperatureLimit(*lib);
            options.active_stability_report = 1;
            options.active_stability_duration_ms =
                g_automation_options.duration_given ? options.active_duration_ms : 0;
        }
        if (StartRun()) {
            RunPlainMessageLoop();
            status = ExitStatusOfRun();
        } else {
            status = kExitFailure;
        }
    }

    // The options are saved exactly when the user worked with the startup dialog.
    if (dialogShown && !optionsPaths.write_path.empty()) {
        CreateParentDirectories(optionsPaths.write_path);
        WriteStartupOptionsFile(optionsPaths.write_path.c_str(), options);
    }
    StopRendering();
    lib->Stop();
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    ShutdownGtkUi();
    NoteStandardStreamErrors();
    log.Write("Exit from %s.", kProductTitle);
    return status;
}
