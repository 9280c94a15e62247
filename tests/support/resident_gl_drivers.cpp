// Linked into every gl-tier test program: keeps Mesa's driver modules loaded for the whole
// process, so LeakSanitizer can name them at exit.
//
// Mesa unloads its DRI driver (and LLVM with it) when the last EGL display or GLX connection
// goes away. What the driver keeps in caches for the life of the process then shows up at exit
// as a leak whose stack is "<unknown module>", which no suppression in tests/lsan.supp can
// match, while the same leak with the module still mapped is named "swrast_dri.so" and
// suppressed. Loading the modules here first with RTLD_NODELETE makes every later dlclose of
// them a no-op. Leaks in our own code keep their frames in the test program and still fail.
#include <dlfcn.h>
#include <glob.h>
#include <link.h>

#include <cstdlib>
#include <string>

namespace {

void* KeepResident(const char* file)
{
    return dlopen(file, RTLD_LAZY | RTLD_LOCAL | RTLD_NODELETE);
}

// The directory a loaded library came from ("/usr/lib/x86_64-linux-gnu"), empty when unknown.
std::string DirectoryOf(void* handle)
{
    link_map* map = nullptr;
    if (!handle || dlinfo(handle, RTLD_DI_LINKMAP, &map) != 0 || !map || !map->l_name)
        return {};
    const std::string path = map->l_name;
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

void KeepAllMatching(const std::string& pattern)
{
    glob_t found{};
    if (glob(pattern.c_str(), 0, nullptr, &found) == 0) {
        for (size_t i = 0; i < found.gl_pathc; ++i)
            KeepResident(found.gl_pathv[i]);
    }
    globfree(&found);
}

struct ResidentGLDrivers {
    ResidentGLDrivers()
    {
        // glvnd's Mesa vendor libraries: GLX under X, EGL for headless contexts.
        void* glx = KeepResident("libGLX_mesa.so.0");
        void* egl = KeepResident("libEGL_mesa.so.0");
        std::string libdir = DirectoryOf(glx);
        if (libdir.empty())
            libdir = DirectoryOf(egl);

        // The DRI drivers: the software rasteriser the tests use, wherever Mesa looks for it
        // (LIBGL_DRIVERS_PATH first, as Mesa does). Newer Mesa builds the drivers into one
        // libgallium library beside them; keep that too when it exists.
        std::string driverDirs;
        if (const char* env = std::getenv("LIBGL_DRIVERS_PATH"); env && *env)
            driverDirs = std::string(env) + ":";
        if (!libdir.empty())
            driverDirs += libdir + "/dri";
        size_t start = 0;
        while (start <= driverDirs.size()) {
            size_t end = driverDirs.find(':', start);
            if (end == std::string::npos)
                end = driverDirs.size();
            const std::string dir = driverDirs.substr(start, end - start);
            if (!dir.empty()) {
                KeepAllMatching(dir + "/swrast_dri.so");
                KeepAllMatching(dir + "/kms_swrast_dri.so");
            }
            start = end + 1;
        }
        if (!libdir.empty())
            KeepAllMatching(libdir + "/libgallium*.so*");
    }
};

const ResidentGLDrivers residentGLDrivers;

}  // namespace
