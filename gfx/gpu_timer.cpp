// GPU time per frame from timer queries (see the header).
#include "gfx/gpu_timer.h"

#include "gfx/gl_context.h"

#include <SDL.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <cmath>
#include <utility>

namespace {

struct QueryProcs {
    PFNGLGENQUERIESPROC gen = nullptr;
    PFNGLDELETEQUERIESPROC remove = nullptr;
    PFNGLBEGINQUERYPROC begin = nullptr;
    PFNGLENDQUERYPROC end = nullptr;
    PFNGLGETQUERYOBJECTIVPROC getiv = nullptr;
    PFNGLGETQUERYOBJECTUI64VPROC getui64v = nullptr;
    bool Usable() const { return gen && remove && begin && end && getiv && getui64v; }
};

QueryProcs LoadQueryProcs()
{
    QueryProcs p;
    p.gen = reinterpret_cast<PFNGLGENQUERIESPROC>(SDL_GL_GetProcAddress("glGenQueries"));
    p.remove = reinterpret_cast<PFNGLDELETEQUERIESPROC>(SDL_GL_GetProcAddress("glDeleteQueries"));
    p.begin = reinterpret_cast<PFNGLBEGINQUERYPROC>(SDL_GL_GetProcAddress("glBeginQuery"));
    p.end = reinterpret_cast<PFNGLENDQUERYPROC>(SDL_GL_GetProcAddress("glEndQuery"));
    p.getiv = reinterpret_cast<PFNGLGETQUERYOBJECTIVPROC>(SDL_GL_GetProcAddress("glGetQueryObjectiv"));
    p.getui64v = reinterpret_cast<PFNGLGETQUERYOBJECTUI64VPROC>(SDL_GL_GetProcAddress("glGetQueryObjectui64v"));
    return p;
}

const QueryProcs& Procs()
{
    static const QueryProcs procs = LoadQueryProcs();
    return procs;
}

}  // namespace

cHx7PGpuTimer::cHx7PGpuTimer(cHx7PGpuTimer&& other) noexcept { *this = std::move(other); }

cHx7PGpuTimer& cHx7PGpuTimer::operator=(cHx7PGpuTimer&& other) noexcept
{
    if (this != &other) {
        Release();
        for (int i = 0; i < kQueries; ++i)
            std::swap(queries_[i], other.queries_[i]);
        issued_ = std::exchange(other.issued_, 0);
        read_ = std::exchange(other.read_, 0);
        open_ = std::exchange(other.open_, false);
    }
    return *this;
}

bool cHx7PGpuTimer::Init()
{
    Release();
    int major = 0, minor = 0;
    if (!GetGLVersion(&major, &minor))
        return false;
    const bool core33 = major > 3 || (major == 3 && minor >= 3);
    if (!core33 && !HasGLExtension("GL_ARB_timer_query"))
        return false;
    if (!Procs().Usable())
        return false;
    GLuint names[kQueries] = {};
    Procs().gen(kQueries, names);
    for (int i = 0; i < kQueries; ++i)
        queries_[i] = names[i];
    if (queries_[0] == 0) {
        Release();
        return false;
    }
    return true;
}

void cHx7PGpuTimer::Release()
{
    if (queries_[0] != 0 && Procs().remove) {
        if (open_)
            Procs().end(GL_TIME_ELAPSED);
        GLuint names[kQueries];
        for (int i = 0; i < kQueries; ++i)
            names[i] = queries_[i];
        Procs().remove(kQueries, names);
    }
    for (uint32_t& q : queries_)
        q = 0;
    issued_ = read_ = 0;
    open_ = false;
}

void cHx7PGpuTimer::BeginFrame()
{
    if (!Available() || open_)
        return;
    // A result that has not come after kQueries frames is given up, not waited for.
    if (issued_ - read_ == kQueries)
        ++read_;
    Procs().begin(GL_TIME_ELAPSED, queries_[issued_ % kQueries]);
    open_ = true;
}

void cHx7PGpuTimer::EndFrame()
{
    if (!open_)
        return;
    Procs().end(GL_TIME_ELAPSED);
    open_ = false;
    ++issued_;
}

double cHx7PGpuTimer::Collect()
{
    double newest = NAN;
    while (Available() && read_ < issued_) {
        const GLuint query = queries_[read_ % kQueries];
        GLint ready = 0;
        Procs().getiv(query, GL_QUERY_RESULT_AVAILABLE, &ready);
        if (!ready)
            break;
        GLuint64 ns = 0;
        Procs().getui64v(query, GL_QUERY_RESULT, &ns);
        newest = double(ns) / 1e6;
        ++read_;
    }
    return newest;
}
