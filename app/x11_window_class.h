// What the render window needs from X11 directly, kept apart because X11's headers define
// macros (None, Status, Bool) that clash with other headers.
#pragma once

struct SDL_Window;
struct _GdkWindow;

// Sets WM_CLASS (instance and class) of an X11 window that is not mapped yet; does nothing on
// other video drivers. SDL reads its own class setting only once, when video starts.
void SetX11WindowClass(SDL_Window* window, const char* className);

// The X11 window id of an SDL window; 0 on other video drivers (offscreen, Wayland).
unsigned long X11WindowId(SDL_Window* window);

// The SDL window as a GDK window on GTK's own connection to the same X server, so that a GTK
// popup can be placed on it; null when SDL or GDK is not on X11. The caller unrefs it.
_GdkWindow* GdkWindowOfSdlWindow(SDL_Window* window);
