// The result and About dialogs as the program shows them: texts from the run's records, the
// GTK dialog on a desktop, standard output when headless.
#include "app/ui/result_dialog.h"

#include "core/process_mode.h"
#include "run/run_session.h"
#include "core/machine_records.h"
#include "run/run_state.h"
#include "core/startup_options.h"
#include "app/ui/gtk_ui.h"
#include "app/ui/result_dialog_view.h"
#include "app/ui/result_model.h"
#include "results/run_plot.h"
#include "gpuinfo/siliscan.h"

#include <cstdio>

void ShowResultDialog(const RunSession& run, const RunReport& report)
{
    // The render thread has been joined, so the run can be read here.
    const ResultTexts texts = BuildResultTexts({run.Settings().options, run.Result(),
                                                run.Result().elapsed_ms,
                                                g_sensor_readings, g_system_info,
                                                Ridudedozu::SiliscanLib::Instance()->GetMainVendorKind(),
                                                run.Recorder().Stats().MinWindowRate(),
                                                run.Recorder().Stats().MaxWindowRate()});
    if (IsHeadless() || !IsGtkUiReady()) {
        // The dialog's texts are one run's; the lines after them speak of the whole series.
        if (const std::size_t runs = report.repeat_runs.size(); runs > 1)
            std::printf("Last run of %zu:\n", runs);
        for (const auto& [label, text] : ResultReportLines(texts)) {
            if (label.empty())
                std::printf("%s\n", text.c_str());
            else
                std::printf("%s: %s\n", label.c_str(), text.c_str());
        }
        std::fflush(stdout);
        return;
    }
    RunDialogModal(BuildResultDialog(texts, HasRunPlotSource()
                                                ? CurrentRunPlotSamples()
                                                : RunPlotSamplesFrom(report)));
}

void ShowAboutDialog()
{
    if (IsHeadless() || !IsGtkUiReady())
        return;
    RunDialogModal(BuildAboutDialog());
}
