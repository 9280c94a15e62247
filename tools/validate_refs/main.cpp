// gridfall_validate_refs: renders the validation captures on this machine's driver and writes
// them as reference pictures "<capture>-<driver>.png" into a folder (normally
// tests/fixtures/validate/). llvmpipe's pictures also serve other drivers under the loose
// tolerance; --generic writes explicit "-generic.png" copies for a folder that should hold a
// different picture for them.
//
//   LIBGL_ALWAYS_SOFTWARE=1 gridfall_validate_refs tests/fixtures/validate
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "core/process_mode.h"
#include "app/validate.h"

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3 || (argc == 3 && std::strcmp(argv[2], "--generic") != 0)) {
        std::fprintf(stderr, "usage: %s <output-dir> [--generic]\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    setenv("GRIDFALL_VALIDATE_SAVE", dir.c_str(), 1);
    // Compare against the folder being written: the first run reports missing references,
    // a second run shows that the saved pictures reproduce.
    setenv("GRIDFALL_VALIDATE_REFERENCES", dir.c_str(), 1);
    SetHeadless(true);
    SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "offscreen", SDL_HINT_OVERRIDE);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "SDL: %s\n", SDL_GetError());
        return 1;
    }
    const int status = RunValidation();
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    if (argc == 3) {
        namespace fs = std::filesystem;
        for (const auto& cap : ValidationCaptures())
            for (const auto& entry : fs::directory_iterator(dir)) {
                const std::string name = entry.path().filename().string();
                const std::string prefix = std::string(cap.name) + "-";
                if (name.rfind(prefix, 0) == 0 && name != prefix + "generic.png" &&
                    name.size() > 4 && name.compare(name.size() - 4, 4, ".png") == 0) {
                    fs::copy_file(entry.path(), fs::path(dir) / (prefix + "generic.png"),
                                  fs::copy_options::overwrite_existing);
                    break;
                }
            }
    }
    return status;
}
