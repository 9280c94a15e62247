// Loading of the entry-point table.
#include "gfx/gl_procs.h"

#include <SDL.h>

Hx7PGLProcTable Hx7PGLProcs;

bool LoadGLEntryPoints()
{
#define HX7P_LOAD_PROC(type, name) \
    Hx7PGLProcs.name = reinterpret_cast<type>(SDL_GL_GetProcAddress(#name));
    HX7P_GL_PROCS(HX7P_LOAD_PROC)
#undef HX7P_LOAD_PROC

    // The framebuffer entries are named after EXT_framebuffer_object, which core-profile
    // contexts do not offer (Mesa answers its entry points there with GL_INVALID_OPERATION).
    // GL 3.0 made the same calls core under plain names, with the same arguments; where the
    // driver has those, they serve both profiles.
#define HX7P_PREFER_CORE(name, core)                                                      \
    if (void* p = SDL_GL_GetProcAddress(#core))                                             \
        Hx7PGLProcs.name = reinterpret_cast<decltype(Hx7PGLProcs.name)>(p);
    HX7P_PREFER_CORE(glBindFramebufferEXT, glBindFramebuffer)
    HX7P_PREFER_CORE(glGenFramebuffersEXT, glGenFramebuffers)
    HX7P_PREFER_CORE(glDeleteFramebuffersEXT, glDeleteFramebuffers)
    HX7P_PREFER_CORE(glGenRenderbuffersEXT, glGenRenderbuffers)
    HX7P_PREFER_CORE(glBindRenderbufferEXT, glBindRenderbuffer)
    HX7P_PREFER_CORE(glRenderbufferStorageEXT, glRenderbufferStorage)
    HX7P_PREFER_CORE(glFramebufferRenderbufferEXT, glFramebufferRenderbuffer)
    HX7P_PREFER_CORE(glDeleteRenderbuffersEXT, glDeleteRenderbuffers)
    HX7P_PREFER_CORE(glFramebufferTexture2DEXT, glFramebufferTexture2D)
    HX7P_PREFER_CORE(glCheckFramebufferStatusEXT, glCheckFramebufferStatus)
    HX7P_PREFER_CORE(glBlitFramebufferEXT, glBlitFramebuffer)
    HX7P_PREFER_CORE(glRenderbufferStorageMultisampleEXT, glRenderbufferStorageMultisample)
    HX7P_PREFER_CORE(glDrawElementsInstancedARB, glDrawElementsInstanced)
#undef HX7P_PREFER_CORE
    return true;
}

bool HasVertexArrayObjects()
{
    return Hx7PGLProcs.glGenVertexArrays && Hx7PGLProcs.glBindVertexArray &&
           Hx7PGLProcs.glDeleteVertexArrays;
}
