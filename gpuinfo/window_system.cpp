// GLX FBConfigs or EGL configs of the current context, and the window system's extension
// names. Kept apart because the X11 headers define macros (None, Bool, Status) that clash
// with other code.
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/glx.h>
#include <GL/glxext.h>

#include <SDL.h>
#include <SDL_syswm.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

#include "gpuinfo/gl_probe.h"

namespace Ridudedozu {

namespace {

void QueryGlx(Display* dpy, GLXContext ctx, WindowSystemInfo* out)
{
    int screen = 0;
    glXQueryContext(dpy, ctx, GLX_SCREEN, &screen);
    if (const char* ext = glXQueryExtensionsString(dpy, screen))
        out->extensions = ext;
    int count = 0;
    GLXFBConfig* configs = glXGetFBConfigs(dpy, screen, &count);
    if (!configs)
        return;
    for (int i = 0; i < count; ++i) {
        auto get = [&](int attr) {
            int v = 0;
            glXGetFBConfigAttrib(dpy, configs[i], attr, &v);
            return v;
        };
        PixelFormatDesc f;
        f.index = get(GLX_FBCONFIG_ID);
        f.supports_gl = (get(GLX_RENDER_TYPE) & GLX_RGBA_BIT) != 0;
        f.accelerated = get(GLX_CONFIG_CAVEAT) != GLX_SLOW_CONFIG;
        f.draw_to_window = (get(GLX_DRAWABLE_TYPE) & GLX_WINDOW_BIT) != 0;
        f.double_buffer = get(GLX_DOUBLEBUFFER) != 0;
        f.rgba = f.supports_gl;
        f.red = get(GLX_RED_SIZE);
        f.green = get(GLX_GREEN_SIZE);
        f.blue = get(GLX_BLUE_SIZE);
        f.alpha = get(GLX_ALPHA_SIZE);
        f.depth = get(GLX_DEPTH_SIZE);
        f.stencil = get(GLX_STENCIL_SIZE);
        f.sample_buffers = get(GLX_SAMPLE_BUFFERS);
        f.samples = get(GLX_SAMPLES);
        out->formats.push_back(f);
    }
    XFree(configs);
}

void QueryEgl(EGLDisplay dpy, WindowSystemInfo* out)
{
    out->egl = true;
    if (const char* ext = eglQueryString(dpy, EGL_EXTENSIONS))
        out->extensions = ext;
    EGLint count = 0;
    if (!eglGetConfigs(dpy, nullptr, 0, &count) || count <= 0)
        return;
    std::vector<EGLConfig> configs(static_cast<size_t>(count));
    if (!eglGetConfigs(dpy, configs.data(), count, &count))
        return;
    configs.resize(static_cast<size_t>(count));
    for (EGLConfig c : configs) {
        auto get = [&](EGLint attr) {
            EGLint v = 0;
            eglGetConfigAttrib(dpy, c, attr, &v);
            return v;
        };
        PixelFormatDesc f;
        f.index = get(EGL_CONFIG_ID);
        f.supports_gl = (get(EGL_RENDERABLE_TYPE) & EGL_OPENGL_BIT) != 0;
        f.accelerated = get(EGL_CONFIG_CAVEAT) != EGL_SLOW_CONFIG;
        // Headless runs render into pbuffers; either surface kind serves the render window.
        f.draw_to_window = (get(EGL_SURFACE_TYPE) & (EGL_WINDOW_BIT | EGL_PBUFFER_BIT)) != 0;
        f.double_buffer = true;   // EGL window surfaces are always back-buffered
        f.rgba = get(EGL_COLOR_BUFFER_TYPE) == EGL_RGB_BUFFER;
        f.red = get(EGL_RED_SIZE);
        f.green = get(EGL_GREEN_SIZE);
        f.blue = get(EGL_BLUE_SIZE);
        f.alpha = get(EGL_ALPHA_SIZE);
        f.depth = get(EGL_DEPTH_SIZE);
        f.stencil = get(EGL_STENCIL_SIZE);
        f.sample_buffers = get(EGL_SAMPLE_BUFFERS);
        f.samples = get(EGL_SAMPLES);
        out->formats.push_back(f);
    }
}

}  // namespace

WindowSystemInfo QueryCurrentWindowSystem()
{
    WindowSystemInfo info;
    if (GLXContext ctx = glXGetCurrentContext()) {
        if (Display* dpy = glXGetCurrentDisplay())
            QueryGlx(dpy, ctx, &info);
        return info;
    }
    if (eglGetCurrentContext() != EGL_NO_CONTEXT) {
        EGLDisplay dpy = eglGetCurrentDisplay();
        if (dpy != EGL_NO_DISPLAY)
            QueryEgl(dpy, &info);
    }
    return info;
}

namespace {

bool HasWord(const char* list, const char* word)
{
    if (!list)
        return false;
    const size_t n = std::strlen(word);
    for (const char* p = std::strstr(list, word); p; p = std::strstr(p + 1, word))
        if ((p == list || p[-1] == ' ') && (p[n] == ' ' || p[n] == '\0'))
            return true;
    return false;
}

void QueryGlxRenderer(Display* dpy, GLXContext ctx, RendererIdentity* id)
{
    int screen = 0;
    glXQueryContext(dpy, ctx, GLX_SCREEN, &screen);
    if (!HasWord(glXQueryExtensionsString(dpy, screen), "GLX_MESA_query_renderer"))
        return;
    auto query = reinterpret_cast<PFNGLXQUERYCURRENTRENDERERINTEGERMESAPROC>(
        glXGetProcAddressARB(reinterpret_cast<const GLubyte*>("glXQueryCurrentRendererIntegerMESA")));
    if (!query)
        return;
    unsigned vendor = 0, device = 0;
    if (query(GLX_RENDERER_VENDOR_ID_MESA, &vendor) && query(GLX_RENDERER_DEVICE_ID_MESA, &device)) {
        id->has_pci_ids = true;
        id->vendor_id = vendor;
        id->device_id = device;
    }
}

void QueryEglDevice(EGLDisplay dpy, RendererIdentity* id)
{
    if (!HasWord(eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS), "EGL_EXT_device_query") &&
        !HasWord(eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS), "EGL_EXT_device_base"))
        return;
    auto displayAttrib =
        reinterpret_cast<PFNEGLQUERYDISPLAYATTRIBEXTPROC>(eglGetProcAddress("eglQueryDisplayAttribEXT"));
    auto deviceString =
        reinterpret_cast<PFNEGLQUERYDEVICESTRINGEXTPROC>(eglGetProcAddress("eglQueryDeviceStringEXT"));
    if (!displayAttrib || !deviceString)
        return;
    EGLAttrib value = 0;
    if (!displayAttrib(dpy, EGL_DEVICE_EXT, &value) || value == 0)
        return;
    auto device = reinterpret_cast<EGLDeviceEXT>(value);
    const char* extensions = deviceString(device, EGL_EXTENSIONS);
    id->software_device = HasWord(extensions, "EGL_MESA_device_software");
    const char* node = nullptr;
    if (HasWord(extensions, "EGL_EXT_device_drm"))
        node = deviceString(device, EGL_DRM_DEVICE_FILE_EXT);
    if (!node && HasWord(extensions, "EGL_EXT_device_drm_render_node"))
        node = deviceString(device, EGL_DRM_RENDER_NODE_FILE_EXT);
    if (node)
        id->drm_node = node;
    // The queries leave EGL_BAD_* behind on drivers that lack a string.
    eglGetError();
}

}  // namespace

RendererIdentity QueryCurrentRendererIdentity()
{
    RendererIdentity id;
    if (GLXContext ctx = glXGetCurrentContext()) {
        if (Display* dpy = glXGetCurrentDisplay())
            QueryGlxRenderer(dpy, ctx, &id);
        return id;
    }
    if (eglGetCurrentContext() != EGL_NO_CONTEXT) {
        EGLDisplay dpy = eglGetCurrentDisplay();
        if (dpy != EGL_NO_DISPLAY)
            QueryEglDevice(dpy, &id);
    }
    return id;
}

namespace {

// One trap at a time, process-wide (Xlib's handler is process-wide); a thread that nests traps
// shares the outer one.
std::recursive_mutex g_trapMutex;
int g_trapDepth = 0;
// Atomics: Xlib calls the handler on whichever thread reads the error, and the main thread
// pumps SDL's connection while the render thread makes its context.
std::atomic<XErrorHandler> g_previousHandler{nullptr};
std::atomic<Display*> g_trapDisplay{nullptr};   // null: any connection's errors are ours
std::atomic<int> g_trapState{0};                // 0 nothing, 1 being written, 2 caught
XErrorEvent g_trapError{};

int TrapHandler(Display* dpy, XErrorEvent* e)
{
    // GTK's connection (or any other) keeps its own handler.
    Display* watched = g_trapDisplay.load();
    if (watched && dpy != watched) {
        const XErrorHandler previous = g_previousHandler.load();
        return previous ? previous(dpy, e) : 0;
    }
    int expected = 0;
    if (g_trapState.compare_exchange_strong(expected, 1)) {
        g_trapError = *e;
        g_trapState.store(2);
    }
    return 0;
}

Display* X11DisplayOf(SDL_Window* window)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11)
        return nullptr;
    return info.info.x11.display;
}

// The GLX requests a context's creation makes (glxproto.h's numbers).
const char* GlxRequestName(int minor)
{
    switch (minor) {
    case 3: return "X_GLXCreateContext";
    case 5: return "X_GLXMakeCurrent";
    case 24: return "X_GLXCreateNewContext";
    case 26: return "X_GLXMakeContextCurrent";
    case 34: return "X_GLXCreateContextAttribsARB";
    default: return nullptr;
    }
}

}  // namespace

XErrorTrap::XErrorTrap()
{
    g_trapMutex.lock();
    if (g_trapDepth++ == 0) {
        g_trapDisplay = nullptr;
        g_trapState = 0;
        g_previousHandler = XSetErrorHandler(TrapHandler);
    }
}

// No last sync here: the connection may be closed by now. Whatever matters was checked.
XErrorTrap::~XErrorTrap()
{
    if (--g_trapDepth == 0) {
        XSetErrorHandler(g_previousHandler);
        g_previousHandler = nullptr;
        g_trapDisplay = nullptr;
    }
    g_trapMutex.unlock();
}

std::string XErrorTrap::Check(SDL_Window* window)
{
    if (Display* dpy = X11DisplayOf(window)) {
        g_trapDisplay = dpy;
        // Errors come back asynchronously: wait for the answers to everything sent so far.
        XSync(dpy, False);
    }
    if (g_trapState.load() != 2)
        return {};
    const XErrorEvent e = g_trapError;
    g_trapState.store(0);
    char text[160] = {};
    if (e.display)
        XGetErrorText(e.display, e.error_code, text, sizeof text);
    std::string request;
    int glxOpcode = 0, firstEvent = 0, firstError = 0;
    if (e.display && XQueryExtension(e.display, "GLX", &glxOpcode, &firstEvent, &firstError) &&
        e.request_code == glxOpcode) {
        const char* name = GlxRequestName(e.minor_code);
        char buf[48];
        std::snprintf(buf, sizeof buf, "GLX request %d", e.minor_code);
        request = name ? name : buf;
    } else {
        char buf[48];
        std::snprintf(buf, sizeof buf, "X request %d.%d", e.request_code, e.minor_code);
        request = buf;
    }
    std::string what = "X error " + std::string(text[0] ? text : "unknown") + " in " + request;
    // The two stacks that fail this way and what a user can do about them.
    if (const char* indirect = std::getenv("LIBGL_ALWAYS_INDIRECT"); indirect && *indirect && *indirect != '0')
        what += " (indirect GLX, LIBGL_ALWAYS_INDIRECT is set: X servers refuse indirect contexts "
                "unless started with +iglx, and they offer no OpenGL 4; unset it to render here)";
    else if (const char* driver = std::getenv("MESA_LOADER_DRIVER_OVERRIDE"); driver && *driver)
        what += " (the driver MESA_LOADER_DRIVER_OVERRIDE names, \"" + std::string(driver) +
                "\", could not be used)";
    else if (const char* gallium = std::getenv("GALLIUM_DRIVER"); gallium && *gallium)
        what += " (the driver GALLIUM_DRIVER names, \"" + std::string(gallium) + "\", could not be used)";
    return what;
}

}  // namespace Ridudedozu
