// The render window's X11 side: its WM_CLASS, and its id handed to GDK.
#include "app/x11_window_class.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xutil.h>
#include <gdk/gdkx.h>

namespace {

// 0 when the window is not an X11 window (offscreen or Wayland video driver).
Window X11WindowOf(SDL_Window* window, Display** display = nullptr)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11)
        return 0;
    if (display)
        *display = info.info.x11.display;
    return info.info.x11.window;
}

}  // namespace

unsigned long X11WindowId(SDL_Window* window) { return X11WindowOf(window); }

void SetX11WindowClass(SDL_Window* window, const char* className)
{
    Display* display = nullptr;
    const Window xid = X11WindowOf(window, &display);
    if (!xid)
        return;
    XClassHint hint;
    hint.res_name = const_cast<char*>(className);
    hint.res_class = const_cast<char*>(className);
    XSetClassHint(display, xid, &hint);
    XFlush(display);
}

GdkWindow* GdkWindowOfSdlWindow(SDL_Window* window)
{
    const Window xid = X11WindowOf(window);
    GdkDisplay* display = gdk_display_get_default();
    if (!xid || !display || !GDK_IS_X11_DISPLAY(display))
        return nullptr;
    return gdk_x11_window_foreign_new_for_display(display, xid);
}
