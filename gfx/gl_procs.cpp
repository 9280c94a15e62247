// Loading of the entry-point table.
#include "gfx/gl_procs.h"

#include <SDL.h>

Hx7PGLProcTable Hx7PGLProcs;

bool LoadGLEntryPoints()
{
    // Each name exactly as written: no core/ARB/EXT alternative is tried when one is missing.
#define HX7P_LOAD_PROC(type, name) \
    Hx7PGLProcs.name = reinterpret_cast<type>(SDL_GL_GetProcAddress(#name));
    HX7P_GL_PROCS(HX7P_LOAD_PROC)
#undef HX7P_LOAD_PROC
    return true;
}

bool HasVertexArrayObjects()
{
    return Hx7PGLProcs.glGenVertexArrays && Hx7PGLProcs.glBindVertexArray &&
           Hx7PGLProcs.glDeleteVertexArrays;
}
