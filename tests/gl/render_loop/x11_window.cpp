// The X11 window id of an SDL window, in its own file: X11's headers define macros (None,
// Bool, Status) that clash with GoogleTest's.
#include <SDL.h>
#include <SDL_syswm.h>

unsigned long XWindowOfSdlWindow(SDL_Window* window)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11)
        return 0;
    return info.info.x11.window;
}
