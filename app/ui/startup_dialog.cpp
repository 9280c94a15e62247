// The startup dialog as the program runs it: the machine facts from the GPU information
// library and the render window's run functions behind the GTK view.
#include "app/ui/startup_dialog.h"

#include "app/render_window.h"
#include "core/machine_records.h"
#include "run/run_state.h"
#include "core/startup_options.h"
#include "app/ui/gtk_ui.h"
#include "app/ui/result_dialog.h"
#include "app/ui/startup_dialog_view.h"
#include "gpuinfo/siliscan.h"

namespace {

class RenderWindowRuns : public StartupRunControl {
public:
    bool StartRun() override { return ::StartRun(); }
    void StopRendering() override { ::StopRendering(); }
    bool IsRunActive() override { return ::IsRunActive(); }
    void PumpEvents() override { PumpRenderWindowEvents(); }
    void SetRunObserver(RunObserver* observer) override { ::SetRunObserver(observer); }
    void ShowAbout() override { ShowAboutDialog(); }
};

DialogMachine MachineFromLibrary()
{
    Ridudedozu::SiliscanLib* lib = Ridudedozu::SiliscanLib::Instance();
    DialogMachine m;
    m.gl_major = lib->GetGlMajor();
    const char* renderer = lib->GetMainRenderer();
    m.renderer = renderer ? renderer : "";
    m.vendor_id = g_machine_facts.main_vendor_id;
    m.device_id = g_machine_facts.main_device_id;
    m.shader_count = lib->GetGpuShaderCount(0);
    const uint32_t modes = lib->GetNumMsaaModes();
    for (uint32_t i = 0; i < modes; ++i)
        m.msaa_modes.push_back(lib->GetMsaaMode(i));
    return m;
}

}  // namespace

bool RunStartupDialog()
{
    if (!IsGtkUiReady())
        return false;
    RenderWindowRuns runs;
    StartupDialogView view(g_startup_options, g_frame_stats, MachineFromLibrary(), runs);
    if (!view.Build())
        return false;
    view.Run();
    return true;
}
