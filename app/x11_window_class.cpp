// WM_CLASS of the render window through Xlib.
#include "app/x11_window_class.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xutil.h>

void SetX11WindowClass(SDL_Window* window, const char* className)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11)
        return;
    XClassHint hint;
    hint.res_name = const_cast<char*>(className);
    hint.res_class = const_cast<char*>(className);
    XSetClassHint(info.info.x11.display, info.info.x11.window, &hint);
    XFlush(info.info.x11.display);
}
