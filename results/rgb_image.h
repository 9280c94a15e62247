// RGB pictures of the program's own frames: PNG encoding and decoding, and the comparison of a
// picture with a reference within a tolerance (--validate, the stability test's saved frames).
#pragma once

#include <cstdint>
#include <optional>
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

// PNG bytes to an RGB image (any PNG colour type; alpha is dropped).
std::optional<RgbImage> DecodePng(const std::vector<uint8_t>& bytes);
std::vector<uint8_t> EncodePng(const RgbImage& image);
