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

// 8-bit RGB, rows top first.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
};

struct ImageTolerance {
    int pixel_threshold;       // a pixel differs when any channel differs by more than this
    double max_bad_fraction;   // share of differing pixels allowed
    double max_mean_error;     // mean absolute channel difference allowed (0..255)
};

// Same driver as the reference: rounding and dithering differences only.
inline constexpr ImageTolerance kDriverTolerance{24, 0.005, 1.5};
// A different driver: the same picture, rasterised differently.
inline constexpr ImageTolerance kGenericTolerance{64, 0.06, 10.0};

struct ImageComparison {
    bool passed = false;
    bool size_mismatch = false;
    double bad_fraction = 1.0;
    double mean_error = 255.0;
    int max_error = 255;
};

ImageComparison CompareImages(const RgbImage& actual, const RgbImage& reference,
                              const ImageTolerance& tolerance);

// The reference family of a GL_RENDERER text: "llvmpipe", "softpipe", or "generic" for any
// driver without references of its own.
std::string ValidationDriverKey(const char* glRenderer);

// PNG bytes to an RGB image (any PNG colour type; alpha is dropped).
std::optional<RgbImage> DecodePng(const std::vector<uint8_t>& bytes);
std::vector<uint8_t> EncodePng(const RgbImage& image);

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
