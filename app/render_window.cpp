// Placeholder until the render window lands: refuses every run.
#include "app/render_window.h"

#include "app/message_box.h"

namespace {
RunObserver* g_observer = nullptr;
}

void SetRunObserver(RunObserver* observer) { g_observer = observer; }
bool StartRun()
{
    ShowErrorBox("Rendering is not available in this build.");
    return false;
}
void StopRendering() {}
void EndRun() {}
bool IsRunActive() { return false; }
void RunPlainMessageLoop() {}
void PumpRenderWindowEvents() {}
