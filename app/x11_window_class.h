// The X11 class of an SDL window, kept apart because X11's headers define macros (None,
// Status, Bool) that clash with other headers.
#pragma once

struct SDL_Window;

// Sets WM_CLASS (instance and class) of an X11 window that is not mapped yet; does nothing on
// other video drivers. SDL reads its own class setting only once, when video starts.
void SetX11WindowClass(SDL_Window* window, const char* className);
