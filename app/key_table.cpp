// The render window's key table.
#include "app/key_table.h"

#include "run/frame_loop.h"
#include "core/startup_options.h"
#include "scene/demo.h"

RenderKeyAction KeyActionFor(SDL_Keycode key, int activeRunMode)
{
    if (key == SDLK_ESCAPE)
        return RenderKeyAction::EndRun;
    if (activeRunMode == kRunModeBenchmark)
        return RenderKeyAction::None;
    switch (key) {
    case SDLK_SPACE: return RenderKeyAction::ToggleTessellatedObject;
    case SDLK_i: return RenderKeyAction::ToggleHud;
    case SDLK_p: return RenderKeyAction::TogglePause;
    case SDLK_t: return RenderKeyAction::ToggleTempGraphs;
    case SDLK_F1: return RenderKeyAction::ToggleHelp;
    case SDLK_F2: return RenderKeyAction::ToggleWireframe;
    default: return RenderKeyAction::None;
    }
}

bool ApplyKeyAction(RenderKeyAction action)
{
    if (action == RenderKeyAction::None || action == RenderKeyAction::EndRun)
        return false;
    // Every toggle, the settings ones included, acts only while a scene exists.
    CurrentSceneLock scene = LockCurrentScene();
    if (!scene)
        return false;
    switch (action) {
    case RenderKeyAction::ToggleTessellatedObject: scene->ToggleTessellatedObject(); break;
    case RenderKeyAction::ToggleHud: g_startup_options.hud_visible.Toggle(); break;
    case RenderKeyAction::TogglePause: scene->TogglePause(); break;
    case RenderKeyAction::ToggleTempGraphs: g_startup_options.render_temp_graphs.Toggle(); break;
    case RenderKeyAction::ToggleHelp: scene->ToggleHelp(); break;
    case RenderKeyAction::ToggleWireframe: scene->ToggleWireframe(); break;
    default: return false;
    }
    return true;
}
