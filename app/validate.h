// --validate: renders the scene with fixed settings at fixed scene times, reads the frames
// back and compares them with reference pictures within a tolerance, reporting each check as
// passed or failed and, on the last line (the only one a script needs), "Validation: Success"
// or "Validation: Failure". The frames are drawn off-screen, so a hidden window on any display
// server gives the same verdict as a headless run.
//
// References are PNG files named "<capture>-<driver>.png" (e.g. "sphere_t0-llvmpipe.png"). A
// driver with its own reference is held to a tight tolerance; any other driver is compared
// with the generic reference (llvmpipe's picture unless a "-generic.png" exists) under a loose
// one that still catches a black frame, a missing
// object, wrong textures or broken lighting, but not a rasteriser's rounding. The references
// are embedded into the program; GRIDFALL_VALIDATE_REFERENCES=<dir> reads them from a folder
// instead, and GRIDFALL_VALIDATE_SAVE=<dir> writes the captured frames there (to make new
// references or look at a failure).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "results/rgb_image.h"

// The reference family of a GL_RENDERER text: "llvmpipe", "softpipe", or "generic" for any
// driver without references of its own.
std::string ValidationDriverKey(const char* glRenderer);

// One capture: the scene is rendered `frames` times with frame time `dtSeconds` each, and the
// last frame is compared.
struct ValidationCapture {
    const char* name;
    int frames;
    float dtSeconds;
};
// The fixed captures, in order.
const std::vector<ValidationCapture>& ValidationCaptures();
// The fixed render size of a validation run.
inline constexpr int kValidationWidth = 320;
inline constexpr int kValidationHeight = 240;

// The reference for a capture and driver key: from GRIDFALL_VALIDATE_REFERENCES when set,
// else embedded. Without one for the driver it falls back to "<capture>-generic.png", then to
// llvmpipe's picture, and reports "generic" in *usedKey (the loose tolerance applies).
std::optional<RgbImage> LoadValidationReference(const std::string& capture,
                                                const std::string& driverKey,
                                                std::string* usedKey);

// The whole validation: sets the fixed settings, renders, compares, prints the report on
// standard output. Returns the process exit status: 0 when every capture passed, 1 otherwise
// (including a scene that could not be set up). Runs on the main thread; no run may be active.
int RunValidation();
